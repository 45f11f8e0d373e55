#pragma once

#include <string>

// What zr3ctl does with a terminal: a progress bar and a confirmation question when a person is
// there, and Ctrl-C turned into a request to stop, so that a command can leave the converter as
// it found it.

bool StdinIsTerminal();
// Bytes written to stdout pass unchanged (Windows would add a CR before every LF).
void StdoutBinary();
bool StderrIsTerminal();

// From now on Ctrl-C (SIGINT), SIGTERM and SIGHUP only set the flag that Interrupted reads.
void CatchInterrupt();
bool Interrupted();
// The number of the signal that interrupted the command (SIGINT for Ctrl-C on Windows); 0 when
// none did.
int InterruptSignal();

// Waits the given time, returning early when interrupted.
void PauseSeconds(double seconds);

// "[#####---------------]  5/20"
std::string ProgressLine(int done, int total);
// Redraws the progress line on stderr when it is a terminal; ends the line when done = total.
void ShowProgress(int done, int total);

// Asks on stderr and reads the answer from stdin; true for "y" or "yes".
bool Confirm(const std::string& question);
