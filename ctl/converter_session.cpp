#include "ctl/converter_session.h"

#include <cstring>
#include <iostream>

#include "base/text_escape.h"
#include "ctl/exit_status.h"
#include "ctl/frame_log.h"

namespace {

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

std::string FailureCause(ConverterLink& link) {
    const ExchangeFailure failure =
        link.givenUp() != ExchangeFailure::None ? link.givenUp() : link.lastFailure();
    link.ClearGivenUp();
    return failure == ExchangeFailure::None ? "no answer" : ExchangeFailureText(failure);
}

std::string NamedFailure(const std::string& failure, ConverterLink& link) {
    const std::string plain = ": no answer";
    const std::string cause = FailureCause(link);
    if (failure.size() < plain.size() ||
        failure.compare(failure.size() - plain.size(), plain.size(), plain) != 0) {
        return failure;
    }
    return failure.substr(0, failure.size() - plain.size()) + ": " + cause;
}

ConverterSession::ConverterSession(const std::string& portName, int retries, bool logFrames) {
    std::unique_ptr<SerialPort> port = CreateSystemSerialPort();
    if (logFrames) port = std::make_unique<FrameLogPort>(std::move(port), std::cerr);
    converter = std::make_unique<ConverterLink>(std::move(port));
    converter->SetRetries(retries);
    const std::string name = PortNameForLink(portName);
    if (!converter->Open(name.c_str())) FailOpen(portName, converter->port().LastOpenProblem());
    const char* identity = converter->Identify();
    if (identity == nullptr)
        FailConverter("no converter answers on " + portName + " (" + FailureCause(*converter) +
                      ")");
    identityText = identity;
    if (std::strcmp(identity, AcceptedIdentity) != 0) {
        // All of the answer, a zero inside it too, without the zeros that pad it.
        std::string answered(identity, ConverterLink::IdentitySize);
        answered.erase(answered.find_last_not_of('\0') + 1);
        FailConverter("The converter is not compatible with this tool. (It answers \"" +
                      EscapeControls(answered) + "\".)");
    }
    if (!converter->ReadFirmwareVersion(firmwareVersion))
        FailConverter("the converter on " + portName + " does not tell its firmware version (" +
                      FailureCause(*converter) + ")");
    converter->ClearGivenUp();
}
