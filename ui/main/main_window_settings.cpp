// Connecting to the converter, reading every setting into the window, and writing each one back.
#include <cstring>

#include "link/converter_link.h"
#include "model/sensor_list.h"
#include "model/sensor_transfer.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/list_box.h"
#include "ui/framework/port_combo_box.h"
#include "ui/framework/static_text.h"
#include "ui/main/main_window.h"

namespace {

constexpr char AcceptedIdentity[] = "ZR3";
constexpr char RefusalText[] = "The converter is not compatible with this tool.";

// The percent shown for a fraction the converter holds (a single-precision product).
float Percent(float fraction) {
    return fraction * 100.0f;
}

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
            showMessage(Handle, RefusalText, identity, MB_ICONERROR | MB_OK);
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

void MainWindow::WriteRangeStart() {
    float value = rangeStartEdit->GetFloat();
    if (link->WriteRangeStart(value)) rangeStartEdit->SetFixed(value, 1);
}

void MainWindow::WriteRangeEnd() {
    float value = rangeEndEdit->GetFloat();
    if (link->WriteRangeEnd(value)) rangeEndEdit->SetFixed(value, 1);
}

void MainWindow::WriteReferenceTemperature() {
    float value = refTempEdit->GetFloat();
    if (link->WriteReferenceTemperature(value)) refTempEdit->SetFixed(value, 1);
}

void MainWindow::WriteTempCoefficient() {
    float value = coefficientEdit->GetFloat() / 100.0f;
    if (link->WriteTempCoefficient(value)) coefficientEdit->SetFixed(Percent(value), 2);
}

void MainWindow::WriteCompensationMode(uint8_t mode) {
    uint8_t answer = mode;
    if (link->WriteCompensationMode(answer) && answer != mode) ShowCompensationMode(answer);
}

void MainWindow::WriteInputDamping() {
    // Without a selection there is no damping to send.
    int index = inputDampingCombo->GetSelIndex();
    if (index >= 0 && index <= MaxDamping) link->WriteInputDamping(static_cast<uint8_t>(index));
}

void MainWindow::WriteTempDamping() {
    int index = tempDampingCombo->GetSelIndex();
    if (index >= 0 && index <= MaxDamping) link->WriteTempDamping(static_cast<uint8_t>(index));
}

void MainWindow::WriteSelectedSensor() {
    // The list offers the models in list order, so an index is a position in the sensor list.
    int index = sensorCombo->GetSelIndex();
    if (index < 0 || index >= sensors->Count) return;
    // A failed step ends the write without the commit; the list then shows the sensor the
    // converter holds.
    if (WriteSensor(*link, *sensors->SensorAt(index)) == SensorWriteStep::Done) return;
    if (!ShowConverterSensor()) sensorCombo->SetSelIndex(-1);
}
