#include <iostream>

#include "base/text_escape.h"
#include "ctl/commands.h"
#include "ctl/exit_status.h"
#include "ctl/serial_ports.h"

int RunPorts(const CtlOptions& options) {
    if (options.json) {
        nlohmann::ordered_json ports = nlohmann::ordered_json::array();
        for (const SerialPortEntry& port : ListSerialPorts())
            ports.push_back({{"name", port.name}, {"aliases", port.aliases}});
        std::cout << ports.dump(2) << '\n';
        return ExitSuccess;
    }
    for (const SerialPortEntry& port : ListSerialPorts()) {
        // Names the system made up from what the devices tell.
        std::cout << EscapeControls(port.name);
        for (const std::string& alias : port.aliases)
            std::cout << ' ' << EscapeControls(alias);
        std::cout << '\n';
    }
    return ExitSuccess;
}
