#include "ui/dialogs/cable_compensation_dialog.h"

#include "link/converter_link.h"
#include "resources/dialog_ids.h"
#include "ui/dialogs/sample_progress.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/progress_bar.h"
#include "ui/framework/static_text.h"

namespace {

constexpr char NotStoredNoNumber[] =
    "Nothing was stored: the average of the 20 samples is no number the converter can hold.";
constexpr char NotStoredZero[] = "Nothing was stored: the average of the 20 samples is 0.";
constexpr char NotConfirmed[] =
    "The converter did not confirm the cable compensation. The field shows what it holds now.";
constexpr char NotConfirmedNorRead[] =
    "The converter did not confirm the cable compensation, and what it holds could not be read "
    "back.";

}  // namespace

CableCompensationDialog::CableCompensationDialog(WindowObject* parent, ConverterLink& link)
    : ShadedDialog(parent, TemplateId), link(&link) {
    capacityField = new ValueField(this, IDC_CABLE_CAPACITY);
    startButton = new PushButton(this, IDC_CABLE_START);
    progressBar = new ProgressBar(this, IDC_CABLE_PROGRESS);
}

void CableCompensationDialog::Dispatch(WindowMessage& message) {
    if (timer.Ticks(message))
        OnTimerTick(message);
    else
        ShadedDialog::Dispatch(message);
}

void CableCompensationDialog::DispatchChildNotify(WindowMessage& message, int id) {
    if (id == IDC_CABLE_START)
        StartMeasurement();
    else
        ShadedDialog::DispatchChildNotify(message, id);
}

void CableCompensationDialog::SetUp() {
    ShadedDialog::SetUp();
    float stored = 0.0f;
    if (!link->ReadCableCompensation(stored)) {
        capacityField->SetText("Communication error");
        return;
    }
    capacityField->SetFloat(stored);
    startButton->Enable();
    progressBar->SetRange(0, SampleMeasurement::SamplesPerMeasurement);
}

void CableCompensationDialog::StartMeasurement() {
    SetFocus(GetDlgItem(Handle, IDOK));
    startButton->Disable();
    measurement.Start();
    timer.Start(Handle, timerPeriod);
}

void CableCompensationDialog::OnTimerTick(WindowMessage&) {
    // A tick still queued when the measurement ended reads nothing.
    if (!measurement.measuring) return;
    if (TakeSample(*link, &ConverterLink::ReadCableCapacity, measurement, *progressBar))
        FinishMeasurement();
}

void CableCompensationDialog::FinishMeasurement() {
    timer.Stop();
    capacityField->SetFloat(static_cast<float>(measurement.Average()));
    startButton->Enable();
}

void CableCompensationDialog::OnOk(WindowMessage& message) {
    if (timer != 0) return;
    // An average of 0 is no measurement; one that is no finite float cannot be stored. Either is
    // told when a measurement ran.
    const double average = measurement.Average();
    if (measurement.HasUsableAverage() && average != 0.0) {
        if (!link->WriteCableCompensation(static_cast<float>(average))) {
            // The dialog stays open on what the converter holds.
            float held = 0.0f;
            const bool read = link->ReadCableCompensation(held);
            if (read) capacityField->SetFloat(held);
            showMessage(Handle, read ? NotConfirmed : NotConfirmedNorRead);
            return;
        }
    } else if (measurement.Complete()) {
        showMessage(Handle, average == 0.0 ? NotStoredZero : NotStoredNoNumber);
    }
    ShadedDialog::OnOk(message);
}

void CableCompensationDialog::OnCancel(WindowMessage& message) {
    timer.Stop();
    measurement.Cancel();
    ShadedDialog::OnCancel(message);
}
