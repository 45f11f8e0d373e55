#include "ctl/output.h"

#include <iostream>
#include <nlohmann/json.hpp>

#include "ctl/commands.h"
#include "ctl/exit_status.h"
#include "ctl/terminal.h"

namespace {

bool errorsAsJson = false;
bool quietNotes = false;
std::ostream nowhere(nullptr);

}  // namespace

void SetErrorsAsJson(bool json) {
    errorsAsJson = json;
}

void SetQuiet(bool quiet) {
    quietNotes = quiet;
}

void ReportError(const std::string& message, int status) {
    std::cout.flush();
    if (errorsAsJson) {
        nlohmann::ordered_json error;
        error["error"] = message;
        error["exit"] = status;
        std::cerr << error.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    } else {
        std::cerr << "zr3ctl: " << message << '\n';
    }
}

std::ostream& Note() {
    return quietNotes ? nowhere : std::cerr;
}

int RunCommand(const std::function<int(const CtlOptions&)>& action, const CtlOptions& options) {
    SetQuiet(options.quiet);
    int status = ExitSuccess;
    try {
        status = action(options);
    } catch (const CommandFailure& failure) {
        status = failure.status;
        ReportError(failure.what(), status);
    }
    // An interrupted command never ends with 0: the shell's status of a program the signal ended.
    if (Interrupted()) return InterruptedStatus();
    return status;
}
