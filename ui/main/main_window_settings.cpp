// Connecting to the converter, reading every setting into the window, and writing each one back.
#include <cstring>
#include <optional>
#include <string>

#include "base/text_escape.h"
#include "link/converter_link.h"
#include "model/sensor_change.h"
#include "model/sensor_list.h"
#include "model/sensor_transfer.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/list_box.h"
#include "ui/framework/port_combo_box.h"
#include "ui/framework/static_text.h"
#include "ui/main/main_window.h"

// A setting written from a number edit: what the user is told, how it is written and read back,
// and how it is shown (the coefficient is held as a fraction and shown in percent).
using FloatAccess = bool (ConverterLink::*)(float& value);
struct FloatSetting {
    const char* refusal = "";
    const char* name = "";
    FloatAccess write = nullptr;
    FloatAccess read = nullptr;
    float shownPerHeld = 1.0f;
    int decimals = 1;
};

namespace {

constexpr char AcceptedIdentity[] = "ZR3";
constexpr char RefusalText[] = "The converter is not compatible with this tool.";

// The percent shown for a fraction the converter holds (a single-precision product).
float Percent(float fraction) {
    return fraction * 100.0f;
}

constexpr FloatSetting RangeStartSetting{
    "The start of range must be a number, such as 12.5 or 12,5.",
    "start of range",
    &ConverterLink::WriteRangeStart,
    &ConverterLink::ReadRangeStart,
    1.0f,
    1};
constexpr FloatSetting RangeEndSetting{
    "The end of range must be a number, such as 2000.0 or 2000,0.",
    "end of range",
    &ConverterLink::WriteRangeEnd,
    &ConverterLink::ReadRangeEnd,
    1.0f,
    1};
constexpr FloatSetting RefTempSetting{
    "The reference temperature must be a number, such as 25.0 or 25,0.",
    "reference temperature",
    &ConverterLink::WriteReferenceTemperature,
    &ConverterLink::ReadReferenceTemperature,
    1.0f,
    1};
constexpr FloatSetting CoefficientSetting{
    "The coefficient must be a number in percent, such as 2.10 or 2,10.",
    "temperature coefficient",
    &ConverterLink::WriteTempCoefficient,
    &ConverterLink::ReadTempCoefficient,
    100.0f,
    2};

// Selects the item of a damping value; a value beyond the list leaves nothing selected (Wine
// keeps the old selection for an index out of range, so it is cleared explicitly).
void ShowDamping(ComboBox* combo, uint8_t value) {
    combo->SetSelIndex(value < combo->GetCount() ? value : -1);
}

}  // namespace

void MainWindow::OnPortNotify(int code) {
    const bool listOpen = SendMessageA(portCombo->Handle, CB_GETDROPPEDSTATE, 0, 0) != 0;
    const int index = portCombo->GetSelIndex();
    if (code == CBN_SELENDOK && listOpen) {
        // A click or Enter in the open list: the port chosen, also the one already selected.
        if (portPausing) KillTimer(Handle, PortPauseTimerId);
        portPausing = false;
        portChoice = index;
        Connect();
    } else if (code == CBN_SELCHANGE) {
        const bool sameChoice = index == portChoice;
        portChoice = -1;
        // The open list waits for the choice; the closed one for the pause after the last step.
        if (sameChoice || listOpen) return;
        portPausing = SetTimer(Handle, PortPauseTimerId, PortPauseMs, nullptr) != 0;
        if (!portPausing) Connect();
    }
}

void MainWindow::ConnectAfterPause() {
    if (!portPausing) return;
    KillTimer(Handle, PortPauseTimerId);
    portPausing = false;
    Connect();
}

void MainWindow::Connect() {
    char name[PortNameLength + 1] = {};
    portCombo->GetSelString(name, sizeof name);
    if (link->Open(name)) {
        const char* identity = link->Identify();
        if (identity != nullptr) {
            if (std::strcmp(identity, AcceptedIdentity) == 0) {
                converterField->SetText(identity);
                ReadAll();
                return;
            }
            // The caption is the converter's own text: no control byte of it reaches the screen.
            showMessage(Handle, RefusalText, EscapeControls(identity).c_str(),
                        MB_ICONERROR | MB_OK);
        }
        link->Close();
    }
    converterField->ClearText();
    firmwareField->ClearText();
    serialNumberField->ClearText();
}

void MainWindow::ReadAll() {
    uint16_t version = 0;
    if (link->ReadFirmwareVersion(version)) {
        SelectSensorsForFirmware(version);
        if (version >= FirstFirmwareWithNonlinear)
            nonlinearRadio->Enable();
        else
            nonlinearRadio->Disable();
        firmwareField->SetVersion(version);
    }

    int32_t serialNumber = 0;
    if (link->ReadSerialNumber(serialNumber)) serialNumberField->SetInteger(serialNumber);

    uint8_t byte = 0;
    if (link->ReadOutputType(byte)) outputField->SetOutputKind(byte);
    if (link->ReadRelayVariant(byte)) relayField->SetRelayKind(byte);
    if (link->ReadInputDamping(byte)) ShowDamping(inputDampingCombo, byte);

    float value = 0.0f;
    if (link->ReadRangeStart(value)) rangeStartEdit->SetFixed(value, 1);
    if (link->ReadRangeEnd(value)) rangeEndEdit->SetFixed(value, 1);

    if (link->ReadCompensationMode(byte)) ShowCompensationMode(byte);

    ShowConverterSensor();

    if (link->ReadTempDamping(byte)) ShowDamping(tempDampingCombo, byte);
    if (link->ReadReferenceTemperature(value)) refTempEdit->SetFixed(value, 1);
    if (link->ReadTempCoefficient(value)) coefficientEdit->SetFixed(Percent(value), 2);

    Poll();
}

bool MainWindow::ShowConverterSensor() {
    const SensorReading reading = ReadSensor(*link, *sensors);
    // What a connection reads is the sensor last written, the best known of the one measured with.
    measuredSensor = reading.model;
    if (reading.model == nullptr) return false;
    sensorCombo->SetText(reading.model->name);
    return true;
}

void MainWindow::SelectSensorsForFirmware(uint16_t version) {
    auto offered = [&](TemperatureSensor* model) {
        return model->kind == TemperatureSensor::ResistanceKind ||
               version >= FirstFirmwareWithThermistor;
    };
    int count = 0;
    for (int i = 0; i < sensors->Count; ++i)
        if (offered(sensors->SensorAt(i))) ++count;
    if (count == sensorCombo->GetCount()) return;
    sensorCombo->ClearList();
    for (int i = 0; i < sensors->Count; ++i) {
        TemperatureSensor* model = sensors->SensorAt(i);
        if (offered(model)) sensorCombo->AddString(model->name);
    }
}

void MainWindow::ShowCompensationMode(uint8_t mode) {
    // What CheckRadioButton over 113 .. 115 does, without walking all 50 children and repainting
    // unchanged buttons: the button of the mode checked, the others not (a mode beyond
    // "Nonlinear" leaves all three unchecked).
    RadioButton* const buttons[] = {offRadio, linearRadio, nonlinearRadio};
    for (int i = 0; i < 3; ++i) {
        int state = i == mode ? BST_CHECKED : BST_UNCHECKED;
        if (buttons[i]->GetCheck() != state) buttons[i]->SetCheck(state);
    }
}

void MainWindow::Tell(const char* text) {
    showMessage(Handle, text, Title.get(), MB_ICONEXCLAMATION | MB_OK);
}

void MainWindow::TellNotConfirmed(const char* setting) {
    // A port that has gone is told once, by its own message after the write; with no port open
    // there is no converter to confirm anything.
    if (!link->IsOpen() || link->port().LineGone()) return;
    const std::string text = std::string("The converter did not confirm the new ") + setting +
                             ", and what it holds could not be read back.";
    Tell(text.c_str());
}

void MainWindow::WriteNumberSetting(NumberEdit& edit, const FloatSetting& setting) {
    // Only a number typed in full is written; anything else is refused before a byte is sent.
    const std::optional<float> typed = edit.GetFloat();
    if (!typed) {
        Tell(setting.refusal);
        edit.FocusAndSelectAll();
        return;
    }
    float value = *typed / setting.shownPerHeld;
    // Both on success and after a failure the field shows what the converter holds.
    if ((link.get()->*setting.write)(value) || (link.get()->*setting.read)(value))
        edit.SetFixed(value * setting.shownPerHeld, setting.decimals);
    else
        TellNotConfirmed(setting.name);
}

void MainWindow::WriteRangeStart() {
    WriteNumberSetting(*rangeStartEdit, RangeStartSetting);
}

void MainWindow::WriteRangeEnd() {
    WriteNumberSetting(*rangeEndEdit, RangeEndSetting);
}

void MainWindow::WriteReferenceTemperature() {
    WriteNumberSetting(*refTempEdit, RefTempSetting);
}

void MainWindow::WriteTempCoefficient() {
    WriteNumberSetting(*coefficientEdit, CoefficientSetting);
}

void MainWindow::WriteCompensationMode(uint8_t mode) {
    uint8_t answer = mode;
    if (link->WriteCompensationMode(answer)) {
        if (answer != mode) ShowCompensationMode(answer);
    } else if (link->ReadCompensationMode(answer)) {
        ShowCompensationMode(answer);
    } else {
        TellNotConfirmed("compensation mode");
    }
}

void MainWindow::WriteInputDamping() {
    // Without a selection there is no damping to send.
    int index = inputDampingCombo->GetSelIndex();
    if (index < 0 || index > MaxDamping) return;
    if (link->WriteInputDamping(static_cast<uint8_t>(index))) return;
    uint8_t held = 0;
    if (link->ReadInputDamping(held))
        ShowDamping(inputDampingCombo, held);
    else
        TellNotConfirmed("input damping");
}

void MainWindow::WriteTempDamping() {
    int index = tempDampingCombo->GetSelIndex();
    if (index < 0 || index > MaxDamping) return;
    if (link->WriteTempDamping(static_cast<uint8_t>(index))) return;
    uint8_t held = 0;
    if (link->ReadTempDamping(held))
        ShowDamping(tempDampingCombo, held);
    else
        TellNotConfirmed("temperature damping");
}

void MainWindow::WriteSelectedSensor() {
    // The list offers the models in list order, so an index is a position in the sensor list.
    int index = sensorCombo->GetSelIndex();
    if (index < 0 || index >= sensors->Count) return;
    const SensorChange change =
        ChangeSensor(*link, *sensors, *sensors->SensorAt(index), measuredSensor);
    measuredSensor = change.measured;
    if (change.outcome == SensorChangeOutcome::Changed) return;
    // The list shows the model the converter measures with, or none where that is not known.
    int measuredIndex = -1;
    for (int i = 0; i < sensors->Count && i < sensorCombo->GetCount(); ++i)
        if (sensors->SensorAt(i) == measuredSensor) measuredIndex = i;
    sensorCombo->SetSelIndex(measuredIndex);
    showMessage(Handle, change.message.c_str(), Title.get(), MB_ICONEXCLAMATION | MB_OK);
}
