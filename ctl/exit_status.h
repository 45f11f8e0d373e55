#pragma once

#include <stdexcept>
#include <string>

// Exit statuses of zr3ctl.
enum ExitStatus : int {
    ExitSuccess = 0,
    ExitConverter = 1,  // the converter did not answer or refused (also a file not written)
    ExitUsage = 2,      // a usage or input error; nothing was sent
};

// Ends a command: the message goes to stderr, the status becomes the program's.
class CommandFailure : public std::runtime_error {
  public:
    CommandFailure(int status, const std::string& message)
        : std::runtime_error(message), status(status) {}
    int status = ExitConverter;
};

[[noreturn]] inline void FailUsage(const std::string& message) {
    throw CommandFailure(ExitUsage, message);
}

[[noreturn]] inline void FailConverter(const std::string& message) {
    throw CommandFailure(ExitConverter, message);
}
