// The live internal values: one poll cycle and the timer behind "Reading".
#include <bit>

#include "link/converter_link.h"
#include "link/serial_port.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/port_combo_box.h"
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
    MarkStaleValues(AllLiveValues & ~ReadLiveValues());
}

uint32_t MainWindow::ReadLiveValues() {
    float value = 0.0f;
    // A converter that does not answer costs one time-out per cycle, not five.
    if (!link->ReadResistance(value)) return 0;
    uint32_t refreshed = ResistanceValue;
    ShowMarkedValue(value, ResistanceFailed, "Failure", errorFlags, *resistanceField);
    if (link->ReadTemperature(value)) {
        refreshed |= TemperatureValue;
        ShowMarkedValue(value, TemperatureInvalid, "Invalid", errorFlags, *temperatureField);
    }
    if (link->ReadConductance(value)) {
        refreshed |= ConductanceValue;
        conductanceField->SetFixed(value, 2);
    }
    if (link->ReadConductivity(value)) {
        refreshed |= ConductivityValue;
        conductivityField->SetFixed(value, 2);
    }
    if (link->ReadRatio(value)) {
        refreshed |= RatioValue;
        ratioField->SetFixed(value * 100.0f, 2);
    }
    return refreshed;
}

void MainWindow::MarkStaleValues(uint32_t stale) {
    const uint32_t changed = staleValues ^ stale;
    staleValues = stale;
    ValueField* const fields[] = {resistanceField, temperatureField, conductanceField,
                                  conductivityField, ratioField};
    for (int i = 0; i < 5; ++i)
        if ((changed & (1u << i)) != 0 && fields[i]->Handle != nullptr)
            InvalidateRect(fields[i]->Handle, nullptr, TRUE);
}

uint32_t MainWindow::LiveValueOf(HWND control) const {
    ValueField* const fields[] = {resistanceField, temperatureField, conductanceField,
                                  conductivityField, ratioField};
    for (int i = 0; i < 5; ++i)
        if (control != nullptr && control == fields[i]->Handle) return 1u << i;
    return 0;
}

void MainWindow::NoticeLostLine() {
    if (!link->IsOpen() || !link->port().LineGone()) return;
    char name[PortNameLength + 1] = {};
    portCombo->GetSelString(name, sizeof name);
    // Nothing is asked of a port that is no longer there: no poll waits behind the message.
    if (timer != 0) KillTimer(Handle, PollTimerId);
    timer = 0;
    readingCheck->Uncheck();
    link->Close();
    converterField->ClearText();
    firmwareField->ClearText();
    serialNumberField->ClearText();
    const std::string text = std::string("The port ") + name +
                             " is no longer there. When the device is connected again, choose the "
                             "port again.";
    showMessage(Handle, text.c_str(), Title != nullptr ? Title.get() : "", MB_ICONWARNING | MB_OK);
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
