#pragma once

#include <memory>

#include "link/converter_link.h"
#include "tests/support/scripted_serial_port.h"

// A converter link on a scripted port, for tests of the link and of everything built on it.
// Opened on the given port name (default "COM1"); nullptr leaves it closed.
class ScriptedLink {
  public:
    explicit ScriptedLink(const char* portName = "COM1") : link(MakePort(port)) {
        if (portName != nullptr) link.Open(portName);
    }

    ScriptedSerialPort& Port() { return *port; }
    ConverterLink& Link() { return link; }

  private:
    static std::unique_ptr<SerialPort> MakePort(ScriptedSerialPort*& target) {
        auto scripted = std::make_unique<ScriptedSerialPort>();
        target = scripted.get();
        return scripted;
    }

    ScriptedSerialPort* port = nullptr;
    ConverterLink link;
};
