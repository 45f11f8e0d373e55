#pragma once

#include <functional>
#include <ostream>
#include <string>

struct CtlOptions;

// Where zr3ctl's messages go: errors always to stderr ("zr3ctl: ..." or, for a --json command,
// {"error": ..., "exit": N}); other messages to stderr unless --quiet.

void SetErrorsAsJson(bool json);
void SetQuiet(bool quiet);
void ReportError(const std::string& message, int status);
// The stream of messages that are no error: stderr, or nowhere with --quiet. The caller writes
// the "zr3ctl: " prefix itself.
std::ostream& Note();

// Runs a command with its failures reported; the exit status, 128 + the signal's number when a
// signal ended it.
int RunCommand(const std::function<int(const CtlOptions&)>& action, const CtlOptions& options);
