// The fuzz targets hand the link its line; there is no system port to fall back on.
#include <cstdio>
#include <cstdlib>

#include "link/serial_port.h"

std::unique_ptr<SerialPort> CreateSystemSerialPort() {
    std::fprintf(stderr, "fuzz target asked for a system serial port\n");
    std::abort();
}
