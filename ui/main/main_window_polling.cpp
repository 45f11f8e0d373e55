// The live internal values: one poll cycle and the timer behind "Reading".
#include <bit>

#include "link/converter_link.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/static_text.h"
#include "ui/main/main_window.h"

namespace {

// The marker is tested on the bits as received: as a number it is a NaN.
bool IsFailureMarker(float value) {
    return std::bit_cast<uint32_t>(value) == MainWindow::MeasurementFailedBits;
}

}  // namespace

void MainWindow::Poll() {
    float value = 0.0f;
    // A converter that does not answer costs one time-out per cycle, not five.
    if (!link->ReadResistance(value)) return;
    if (IsFailureMarker(value)) {
        errorFlags |= ResistanceFailed;
        resistanceField->SetText("Failure");
    } else {
        errorFlags &= ~ResistanceFailed;
        resistanceField->SetFixed(value, 1);
    }

    if (link->ReadTemperature(value)) {
        if (IsFailureMarker(value)) {
            errorFlags |= TemperatureInvalid;
            temperatureField->SetText("Invalid");
        } else {
            errorFlags &= ~TemperatureInvalid;
            temperatureField->SetFixed(value, 1);
        }
    }

    if (link->ReadConductance(value)) conductanceField->SetFixed(value, 2);
    if (link->ReadConductivity(value)) conductivityField->SetFixed(value, 2);
    if (link->ReadRatio(value)) ratioField->SetFixed(value * 100.0f, 2);
}

void MainWindow::ToggleReading() {
    bool checked = readingCheck->GetCheck() != 0;
    if (checked && timer == 0) {
        Poll();
        timer = static_cast<uint32_t>(SetTimer(Handle, PollTimerId, PollPeriodMs, nullptr));
    } else if (!checked && timer != 0) {
        KillTimer(Handle, PollTimerId);
        timer = 0;
    }
}
