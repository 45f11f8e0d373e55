// zr3sim: a simulated ZR3 converter on a pseudo-terminal, for tests and for working on the tool
// without the hardware.
#include <stdio.h>
#include <unistd.h>

#include <string>

#include "sim/model/control_commands.h"
#include "sim/model/device_model.h"
#include "sim/program/command_line.h"
#include "sim/program/line_server_posix.h"
#include "zr3_version.h"

int main(int argc, char** argv) {
    SimCommandLine options;
    std::string error;
    switch (ParseCommandLine(argc, argv, options, error)) {
        case CommandLineResult::Help:
            fputs(SimUsage().c_str(), stdout);
            return 0;
        case CommandLineResult::Version:
            puts("zr3sim " ZR3_VERSION);
            return 0;
        case CommandLineResult::ManualPage:
            fputs(SimManualPage().c_str(), stdout);
            return 0;
        case CommandLineResult::Error:
            fprintf(stderr, "zr3sim: %s\nTry 'zr3sim --help'.\n", error.c_str());
            return 2;
        case CommandLineResult::Run:
            break;
    }

    sim::DeviceModel model(options.device);
    for (const auto& words : options.faults) {
        sim::ApplyFaultWords(model.faults(), sim::SplitWords(words), error);
    }
    if (!InstallStopSignals(error)) {
        fprintf(stderr, "zr3sim: %s\n", error.c_str());
        return 1;
    }
    int status = 0;
    {
        LineServer server(model, options);
        if (!server.Start(error)) {
            fprintf(stderr, "zr3sim: %s\n", error.c_str());
            return 1;
        }
        const std::string line = server.clientPath() + "\n";
        if (write(STDOUT_FILENO, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            status = 1;
        }
        server.Run();
    }
    return status;
}
