#include <limits.h>
#include <stdlib.h>

#include "ctl/converter_session.h"
#include "ctl/exit_status.h"

std::string PortNameForLink(const std::string& given) {
    std::string path = given;
    // A by-id name or a link ends at the device; /dev/ is implied by the link's port names.
    char resolved[PATH_MAX];
    if (!given.empty() && realpath(given.c_str(), resolved) != nullptr) path = resolved;
    if (path.rfind("/dev/", 0) == 0) path.erase(0, 5);
    if (path.empty()) FailUsage("no port given");
    if (path.size() > ConverterLink::PortNameMax) {
        FailUsage("port " + given + ": the device name " + path + " is longer than " +
                  std::to_string(ConverterLink::PortNameMax) +
                  " characters; give a shorter link to it");
    }
    return path;
}
