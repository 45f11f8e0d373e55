#include "ctl/converter_session.h"
#include "ctl/exit_status.h"

std::string PortNameForLink(const std::string& given) {
    std::string name = given;
    // The link adds "\\.\" itself.
    if (name.rfind("\\\\.\\", 0) == 0) name.erase(0, 4);
    if (name.empty()) FailUsage("no port given");
    if (name.size() > ConverterLink::PortNameMax)
        FailUsage("port " + given + ": a port name has at most 11 characters");
    return name;
}
