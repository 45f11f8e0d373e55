#include "ctl/converter_session.h"

#include <cstring>

#include "ctl/exit_status.h"

namespace {

constexpr char AcceptedIdentity[] = "ZR3";

// Ends the command with why the port did not open.
[[noreturn]] void FailOpen(const std::string& port, const OpenProblem& problem) {
    switch (problem.failure) {
        case OpenFailure::NotATerminal:
            FailUsage(port + " is not a serial port");
        case OpenFailure::InUse:
            FailConverter(port + " is in use");
        case OpenFailure::NoSuchDevice:
            FailConverter("cannot open the port " + port + ": there is no such device");
        case OpenFailure::NoPermission:
#ifdef __linux__
            FailConverter("cannot open the port " + port +
                          ": permission denied (serial ports belong to the group dialout: "
                          "sudo usermod -aG dialout $USER, then log in again)");
#else
            FailConverter("cannot open the port " + port + ": permission denied");
#endif
        case OpenFailure::None:
        case OpenFailure::Other:
            break;
    }
    FailConverter("cannot open the port " + port +
                  (problem.detail.empty() ? "" : ": " + problem.detail));
}

}  // namespace

ConverterSession::ConverterSession(const std::string& portName)
    : converter(std::make_unique<ConverterLink>()) {
    const std::string name = PortNameForLink(portName);
    if (!converter->Open(name.c_str())) FailOpen(portName, converter->port().LastOpenProblem());
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
