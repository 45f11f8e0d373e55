#include "ctl/converter_session.h"

#include <cstring>

#include "base/text_escape.h"
#include "ctl/exit_status.h"

ConverterSession::ConverterSession(const std::string& portName)
    : converter(std::make_unique<ConverterLink>()) {
    const std::string name = PortNameForLink(portName);
    if (!converter->Open(name.c_str())) FailConverter("cannot open the port " + portName);
    const char* identity = converter->Identify();
    if (identity == nullptr) FailConverter("no converter answers on " + portName);
    identityText = identity;
    if (std::strcmp(identity, AcceptedIdentity) != 0) {
        // All of the answer, a zero inside it too, without the zeros that pad it.
        std::string answered(identity, ConverterLink::IdentitySize);
        answered.erase(answered.find_last_not_of('\0') + 1);
        FailConverter("The converter is not compatible with this tool. (It answers \"" +
                      EscapeControls(answered) + "\".)");
    }
    if (!converter->ReadFirmwareVersion(firmwareVersion))
        FailConverter("the converter on " + portName + " does not tell its firmware version");
}
