#include <iostream>

#include "ctl/commands.h"
#include "ctl/exit_status.h"
#include "ctl/serial_ports.h"

int RunPorts(const CtlOptions&) {
    for (const SerialPortEntry& port : ListSerialPorts()) {
        std::cout << port.name;
        for (const std::string& alias : port.aliases)
            std::cout << ' ' << alias;
        std::cout << '\n';
    }
    return ExitSuccess;
}
