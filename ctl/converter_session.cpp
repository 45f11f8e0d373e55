#include "ctl/converter_session.h"

#include <cstring>

#include "ctl/exit_status.h"

namespace {

constexpr char AcceptedIdentity[] = "ZR3";

}  // namespace

ConverterSession::ConverterSession(const std::string& portName)
    : converter(std::make_unique<ConverterLink>()) {
    const std::string name = PortNameForLink(portName);
    if (!converter->Open(name.c_str())) FailConverter("cannot open the port " + portName);
    const char* identity = converter->Identify();
    if (identity == nullptr) FailConverter("no converter answers on " + portName);
    identityText = identity;
    if (std::strcmp(identity, AcceptedIdentity) != 0) {
        FailConverter("The converter is not compatible with this tool. (It answers \"" +
                      identityText + "\".)");
    }
    if (!converter->ReadFirmwareVersion(firmwareVersion))
        FailConverter("the converter on " + portName + " does not tell its firmware version");
}
