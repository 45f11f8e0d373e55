#pragma once

// Parses the command line and runs the subcommand; returns the exit status. Usage errors exit
// with 2 and print to stderr; --help prints to stdout and exits with 0.
int RunCommandLine(int argc, char** argv);
