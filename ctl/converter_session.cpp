#include "ctl/converter_session.h"

#include <cstring>
#include <iostream>

#include "base/text_escape.h"
#include "ctl/exit_status.h"
#include "ctl/frame_log.h"

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
    if (!converter->Open(name.c_str())) FailConverter("cannot open the port " + portName);
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
