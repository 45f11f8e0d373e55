#pragma once

// Fatal misuse of the object base (bad collection index, full collection) ends the program with a
// run-time error code: the text "Runtime error N" goes to stderr (and to the reporter, if one is
// installed, for example a message box in the GUI), then the process exits with code N.
using RunErrorReporter = void (*)(const char* text);

[[noreturn]] void RunError(int code);

// Installs an extra reporter for the error text; returns the previous one.
RunErrorReporter SetRunErrorReporter(RunErrorReporter reporter);
