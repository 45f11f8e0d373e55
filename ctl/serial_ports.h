#pragma once

#include <string>
#include <vector>

// A serial port of the machine and the other names that lead to it.
struct SerialPortEntry {
    std::string name;                  // what -p takes: /dev/ttyUSB0, COM3
    std::vector<std::string> aliases;  // stable names of the same device (/dev/serial/by-id/...)
};

// The machine's serial ports: on Windows the registry's device map, in the port list's order;
// elsewhere the ttys of sysfs.
std::vector<SerialPortEntry> ListSerialPorts();

// The ttys below sysClass (/sys/class/tty) that are serial devices: those with a device behind
// them, and of the 8250 placeholders (ttyS*) only those whose UART type is not 0; named below
// devDir (/dev), with the links of byIdDir (/dev/serial/by-id) that point at them. Sorted by
// name, the shorter first.
std::vector<SerialPortEntry> ListTtyPorts(const std::string& sysClass, const std::string& byIdDir,
                                          const std::string& devDir);
