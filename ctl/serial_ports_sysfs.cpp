#include <algorithm>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "ctl/serial_ports.h"

namespace fs = std::filesystem;

namespace {

// The 8250 driver registers placeholders for UARTs that are not there: type 0.
bool IsPlaceholderUart(const fs::path& tty) {
    if (tty.filename().string().rfind("ttyS", 0) != 0) return false;
    std::ifstream typeFile(tty / "type");
    int type = 0;
    return !(typeFile >> type) || type == 0;
}

}  // namespace

std::vector<SerialPortEntry> ListTtyPorts(const std::string& sysClass, const std::string& byIdDir,
                                          const std::string& devDir) {
    std::vector<SerialPortEntry> ports;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(sysClass, error)) {
        const fs::path tty = entry.path();
        std::error_code ignored;
        if (!fs::exists(tty / "device", ignored) || IsPlaceholderUart(tty)) continue;
        SerialPortEntry port;
        port.name = (fs::path(devDir) / tty.filename()).string();
        ports.push_back(port);
    }
    std::sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
        if (a.name.size() != b.name.size()) return a.name.size() < b.name.size();
        return a.name < b.name;
    });
    for (const auto& link : fs::directory_iterator(byIdDir, error)) {
        std::error_code ignored;
        const fs::path target = fs::canonical(link.path(), ignored);
        if (ignored) continue;
        for (auto& port : ports) {
            if (target.filename() == fs::path(port.name).filename())
                port.aliases.push_back(link.path().string());
        }
    }
    for (auto& port : ports)
        std::sort(port.aliases.begin(), port.aliases.end());
    return ports;
}
