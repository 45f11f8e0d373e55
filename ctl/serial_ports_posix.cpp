#include "ctl/serial_ports.h"

std::vector<SerialPortEntry> ListSerialPorts() {
    return ListTtyPorts("/sys/class/tty", "/dev/serial/by-id", "/dev");
}
