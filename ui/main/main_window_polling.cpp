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

// A value the converter may answer with the failure marker: the marker sets `flag` and shows
// `failureText`, a number clears the flag and shows itself with one decimal.
void ShowMarkedValue(float value, uint32_t flag, const char* failureText, uint32_t& errorFlags,
                     ValueField& field) {
    if (IsFailureMarker(value)) {
        errorFlags |= flag;
        field.SetText(failureText);
    } else {
        errorFlags &= ~flag;
        field.SetFixed(value, 1);
    }
}

}  // namespace

void MainWindow::Poll() {
    float value = 0.0f;
    // A converter that does not answer costs one time-out per cycle, not five.
    if (!link->ReadResistance(value)) return;
    ShowMarkedValue(value, ResistanceFailed, "Failure", errorFlags, *resistanceField);
    if (link->ReadTemperature(value))
        ShowMarkedValue(value, TemperatureInvalid, "Invalid", errorFlags, *temperatureField);
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
