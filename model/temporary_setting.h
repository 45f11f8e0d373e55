#pragma once

#include <cstdint>
#include <string>

#include "link/converter_link.h"

// The input damping set to 0 for the time of a probe measurement, and given back afterwards on
// every way out. The owner keeps it where its end of work is sure to run: zr3ctl in its main flow
// after a signal was noted, the window in the main window until the dialog or the session ends.
class HeldInputDamping {
  public:
    // Reads the damping and writes 0 when it is not 0. False when the damping could not be
    // read or set to 0 (message says why); when the write of 0 lost its answer it still
    // counts as held (the converter may hold 0), so GiveBack will write the old value.
    bool Hold(ConverterLink& link);
    bool Holding() const;
    uint8_t Saved() const;
    // Writes the saved damping back and confirms it by its answer, or by a read when the answer
    // was lost; true when confirmed (or nothing was held). False: message says the damping may
    // still be 0 and how to check (the main window's "Damping" list / `zr3ctl show`).
    bool GiveBack(ConverterLink& link);
    const std::string& Message() const;

  private:
    bool holding = false;
    uint8_t saved = 0;
    std::string message;
};
