#include "ctl/serial_ports.h"
#include "link/port_list.h"

std::vector<SerialPortEntry> ListSerialPorts() {
    PortList list;
    std::vector<SerialPortEntry> ports;
    for (int i = 0; i < list.Count; ++i)
        ports.push_back(SerialPortEntry{list.TextAt(i), {}});
    return ports;
}
