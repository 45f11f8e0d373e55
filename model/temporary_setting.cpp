#include "model/temporary_setting.h"

namespace {

constexpr char HowToCheck[] =
    " Check the input damping (\"Damping\" of the main window's input, or zr3ctl show) and set "
    "it again.";

}  // namespace

bool HeldInputDamping::Hold(ConverterLink& link) {
    message.clear();
    if (holding) return true;
    uint8_t damping = 0;
    if (!link.ReadInputDamping(damping)) {
        message = std::string("The input damping could not be read (") +
                  ExchangeFailureText(link.lastFailure()) + "); it was not set to 0.";
        return false;
    }
    saved = damping;
    if (damping == 0) return true;
    // From here on the converter may hold 0, whatever the write's answer says.
    holding = true;
    if (!link.WriteInputDamping(0)) {
        message = std::string("The input damping could not be set to 0 (") +
                  ExchangeFailureText(link.lastFailure()) + ").";
        return false;
    }
    return true;
}

bool HeldInputDamping::Holding() const {
    return holding;
}

uint8_t HeldInputDamping::Saved() const {
    return saved;
}

bool HeldInputDamping::GiveBack(ConverterLink& link) {
    message.clear();
    if (!holding) return true;
    uint8_t answered = saved;
    if (link.WriteByte(CodeInputDamping, answered) && answered == saved) {
        holding = false;
        return true;
    }
    // The write's answer was lost or odd: what the converter holds now decides.
    const std::string back = std::to_string(saved);
    uint8_t now = 0;
    if (!link.ReadInputDamping(now)) {
        message = "The input damping could not be set back to " + back + " (" +
                  ExchangeFailureText(link.lastFailure()) + "); it may still be 0." + HowToCheck;
        return false;
    }
    if (now == saved) {
        holding = false;
        return true;
    }
    message = "The input damping could not be set back to " + back + "; it is " +
              std::to_string(now) + " now." + HowToCheck;
    return false;
}

const std::string& HeldInputDamping::Message() const {
    return message;
}
