#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "link/converter_link.h"

// The identity a ZR3 answers; any other converter is refused.
constexpr char AcceptedIdentity[] = "ZR3";

// The converter reached on one port: opened, identified as a "ZR3" and its firmware read, as the
// main window connects. Failures end the command with exit status 1.
class ConverterSession {
  public:
    // portName as given on the command line (see PortNameForLink); retries further attempts of a
    // spoiled read or value write; logFrames shows every frame on stderr.
    explicit ConverterSession(const std::string& portName, int retries = 1, bool logFrames = false);
    ConverterSession(const ConverterSession&) = delete;
    ConverterSession& operator=(const ConverterSession&) = delete;

    ConverterLink& link() { return *converter; }
    const std::string& identity() const { return identityText; }
    uint16_t firmware() const { return firmwareVersion; }

  private:
    std::unique_ptr<ConverterLink> converter;
    std::string identityText;
    uint16_t firmwareVersion = 0;
};

// "bad checksum" and the like: why the first exchange since the last call failed for good.
std::string FailureCause(ConverterLink& link);
// A write's failure text with its cause: "range-start: no answer" becomes "range-start: bad
// checksum" when that is why the converter's answer was given up.
std::string NamedFailure(const std::string& failure, ConverterLink& link);

// The name ConverterLink::Open takes for a port given on the command line: on Windows the COM
// name ("COM3", also written "\\.\COM3"); elsewhere a device path, a link to one (by-id names,
// a simulator's link) or a name below /dev. A usage failure when it cannot be a port name.
std::string PortNameForLink(const std::string& given);
