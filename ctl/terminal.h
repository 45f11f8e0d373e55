#pragma once

#include <string>

// What zr3ctl does with a terminal: a progress bar and a confirmation question when a person is
// there, and Ctrl-C turned into a request to stop, so that a command can leave the converter as
// it found it.

bool StdinIsTerminal();
// Bytes written to stdout pass unchanged (Windows would add a CR before every LF).
void StdoutBinary();
bool StderrIsTerminal();

// From now on Ctrl-C, SIGTERM, a hang-up (SIGHUP) and SIGQUIT only set the flag that Interrupted
// reads (on Windows: Ctrl-C, Ctrl-Break and the console's close, log-off and shut-down), so that
// the command ends its change and gives back what it holds before it exits.
void CatchInterrupt();
bool Interrupted();
// The status of a program ended by the signal noted: 128 + its number (130 for Ctrl-C, 143 for
// SIGTERM, 129 for a hang-up, 131 for SIGQUIT).
int InterruptedStatus();

// Waits the given time, returning early when interrupted.
void PauseSeconds(double seconds);

// "[#####---------------]  5/20"
std::string ProgressLine(int done, int total);
// Redraws the progress line on stderr when it is a terminal; ends the line when done = total.
void ShowProgress(int done, int total);

// Flushes stdout; false, with the system's reason in why, when not all that was written to it
// arrived (a full disk, a closed pipe).
bool OutputWritten(std::string& why);

// Asks on stderr and reads the answer from stdin; true for "y" or "yes".
bool Confirm(const std::string& question);
