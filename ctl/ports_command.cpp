#include <iostream>

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
        std::cout << port.name;
        for (const std::string& alias : port.aliases)
            std::cout << ' ' << alias;
        std::cout << '\n';
    }
    return ExitSuccess;
}
