#include "ui/dialogs/probe_calibration_dialog.h"

#include "resources/dialog_ids.h"
#include "ui/dialogs/sample_progress.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/progress_bar.h"
#include "ui/framework/static_text.h"

namespace {

constexpr int ValueDecimals = 2;
constexpr int CoefficientDecimals = 4;

}  // namespace

ProbeCalibrationDialog::ProbeCalibrationDialog(WindowObject* parent, ConverterLink& link)
    : ShadedDialog(parent, TemplateId), link(&link) {
    normalEdit = new NumberEdit(this, IDC_PROBE_NORMAL);
    conductanceField = new ValueField(this, IDC_PROBE_CONDUCTANCE);
    startButton = new PushButton(this, IDC_PROBE_START);
    progressBar = new ProgressBar(this, IDC_PROBE_PROGRESS);
    normalUsedField = new ValueField(this, IDC_PROBE_NORMAL_USED);
    averageField = new ValueField(this, IDC_PROBE_AVERAGE);
    coefficientEdit = new NumberEdit(this, IDC_PROBE_COEFFICIENT);
    manualCheck = new CheckBox(this, IDC_PROBE_MANUAL);
}

void ProbeCalibrationDialog::Dispatch(WindowMessage& message) {
    if (timer.Ticks(message))
        OnTimerTick(message);
    else
        ShadedDialog::Dispatch(message);
}

void ProbeCalibrationDialog::DispatchChildNotify(WindowMessage& message, int id) {
    switch (id) {
        case IDC_PROBE_START:
            StartMeasurement();
            break;
        case IDC_PROBE_MANUAL:
            ManualEntryChanged();
            break;
        default:
            ShadedDialog::DispatchChildNotify(message, id);
            break;
    }
}

void ProbeCalibrationDialog::SetUp() {
    ShadedDialog::SetUp();
    float conductance = 0.0f;
    if (!link->ReadConductance(conductance)) {
        conductanceField->SetText("Communication error");
        return;
    }
    conductanceField->SetFixed(conductance, ValueDecimals);
    startButton->Enable();
    progressBar->SetRange(0, SampleMeasurement::SamplesPerMeasurement);
    if (link->ReadProbeCoefficients(coefficients)) ShowCoefficient();
    manualCheck->Enable();
    timer.Start(Handle, timerPeriod);
}

void ProbeCalibrationDialog::StartMeasurement() {
    averageField->ClearText();
    currentNormal = normalEdit->GetFloat();
    if (currentNormal == 0.0) {
        normalUsedField->SetText("Error");
        return;
    }
    SetFocus(GetDlgItem(Handle, IDOK));
    startButton->Disable();
    normalUsedField->SetFixed(static_cast<float>(currentNormal), ValueDecimals);
    measurement.Start();
}

void ProbeCalibrationDialog::OnTimerTick(WindowMessage&) {
    if (TakeSample(*link, &ConverterLink::ReadConductance, measurement, *progressBar,
                   conductanceField, ValueDecimals))
        FinishMeasurement();
}

void ProbeCalibrationDialog::FinishMeasurement() {
    const double average = measurement.Average();
    // An average that is 0 or no number, or a quotient beyond the float range, gives no
    // coefficient: the previous one stays, and the field says so.
    const double quotient = average != 0.0 ? currentNormal / average : 0.0;
    const bool usable =
        measurement.HasUsableAverage() && average != 0.0 && SampleMeasurement::FitsFloat(quotient);
    if (usable) {
        coefficients.K[1] = static_cast<float>(quotient);
        computed = true;
    }
    averageField->SetFixed(static_cast<float>(average), ValueDecimals);
    if (usable)
        ShowCoefficient();
    else
        coefficientEdit->SetText("Error");
    coefficientEdit->Disable();
    manualCheck->Uncheck();
    startButton->Enable();
}

void ProbeCalibrationDialog::ManualEntryChanged() {
    if (manualCheck->GetCheck() == BST_CHECKED) {
        coefficientEdit->Enable();
    } else {
        coefficientEdit->Disable();
        ShowCoefficient();
    }
}

void ProbeCalibrationDialog::ShowCoefficient() {
    coefficientEdit->SetFixed(coefficients.K[1], CoefficientDecimals);
}

void ProbeCalibrationDialog::OnOk(WindowMessage& message) {
    if (measurement.measuring) return;
    const bool manual = manualCheck->GetCheck() == BST_CHECKED;
    if (manual) coefficients.K[1] = coefficientEdit->GetFloat();
    if (manual || computed) {
        coefficients.K[0] = 0.0f;
        coefficients.K[2] = 0.0f;
        coefficients.K[3] = 0.0f;
        link->WriteProbeCoefficients(coefficients);
    }
    ShadedDialog::OnOk(message);
}
