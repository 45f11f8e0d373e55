#include "ui/dialogs/probe_calibration_dialog.h"

#include <cmath>
#include <optional>
#include <string>

#include "model/probe_plausibility.h"
#include "resources/dialog_ids.h"
#include "ui/dialogs/sample_progress.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/progress_bar.h"
#include "ui/framework/static_text.h"

namespace {

constexpr int ValueDecimals = 2;
constexpr int CoefficientDecimals = 4;
constexpr char NormalRefusal[] =
    "The normal must be a number of at least 0.01 uS/cm, such as 1413 or 12,88.";
constexpr char CoefficientRefusal[] =
    "The coefficient must be a number of at least 1e-6 1/cm, such as 1.4130 or 1,4130.";
constexpr char NotConfirmed[] =
    "The converter did not confirm the probe coefficients. The field shows what it holds now.";
constexpr char NotConfirmedNorRead[] =
    "The converter did not confirm the probe coefficients, and what it holds could not be read "
    "back.";

// A typed coefficient the converter may use: a normal (not subnormal) float of at least 1e-6.
bool CoefficientIsPlausible(float k1) {
    return std::isnormal(k1) && k1 >= MinimumCoefficient;
}

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
    const std::optional<float> normal = normalEdit->GetFloat();
    if (!normal || !NormalIsPlausible(*normal)) {
        normalUsedField->SetText("Error");
        showMessage(Handle, NormalRefusal);
        normalEdit->FocusAndSelectAll();
        return;
    }
    currentNormal = *normal;
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
    const ProbeCalibrationResult result = CalibrateOnePoint(currentNormal, average);
    // Only a plausible coefficient replaces the one shown; the edit always shows what "OK" writes.
    if (result.check == ProbeCalibrationCheck::Plausible) {
        coefficients.K[1] = result.coefficient;
        computed = true;
    }
    averageField->SetFixed(static_cast<float>(average), ValueDecimals);
    ShowCoefficient();
    coefficientEdit->Disable();
    manualCheck->Uncheck();
    startButton->Enable();
    if (result.check != ProbeCalibrationCheck::Plausible) {
        const std::string text = std::string("The measurement gives no coefficient: ") +
                                 ProbeCalibrationProblem(result.check) +
                                 ". The coefficient shown is unchanged.";
        showMessage(Handle, text.c_str());
    }
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
    if (manual) {
        const std::optional<float> typed = coefficientEdit->GetFloat();
        if (!typed || !CoefficientIsPlausible(*typed)) {
            showMessage(Handle, CoefficientRefusal);
            coefficientEdit->FocusAndSelectAll();
            return;
        }
        coefficients.K[1] = *typed;
    }
    if ((manual || computed) && !WriteCoefficient()) return;
    ShadedDialog::OnOk(message);
}

bool ProbeCalibrationDialog::WriteCoefficient() {
    coefficients.K[0] = 0.0f;
    coefficients.K[2] = 0.0f;
    coefficients.K[3] = 0.0f;
    if (link->WriteProbeCoefficients(coefficients)) return true;
    // The dialog stays open on what the converter holds; nothing is left to write by itself.
    ProbeCoefficients held;
    const bool read = link->ReadProbeCoefficients(held);
    if (read) coefficients = held;
    computed = false;
    manualCheck->Uncheck();
    ManualEntryChanged();
    showMessage(Handle, read ? NotConfirmed : NotConfirmedNorRead);
    return false;
}
