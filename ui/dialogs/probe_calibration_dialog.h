#pragma once

#include "link/converter_link.h"
#include "model/sample_measurement.h"
#include "ui/dialogs/sample_timer.h"
#include "ui/dialogs/user_message.h"
#include "ui/framework/shaded_dialog.h"

class NumberEdit;
class ValueField;
class PushButton;
class ProgressBar;
class CheckBox;

// One-point calibration of the conductivity probe: the coefficient K[1] = normal / average
// conductance of 20 readings, or typed by hand, written with K[0] = K[2] = K[3] = 0. Template 7.
// Only a plausible coefficient is written, and only the one the coefficient edit shows.
//
//     app.RunModal(std::make_unique<ProbeCalibrationDialog>(mainWindow, link));
class ProbeCalibrationDialog : public ShadedDialog {
  public:
    static constexpr int TemplateId = 7;
    static constexpr UINT_PTR TimerId = 5;

    // The link is borrowed and must outlive the dialog.
    ProbeCalibrationDialog(WindowObject* parent, ConverterLink& link);

    void Dispatch(WindowMessage& message) override;
    void DispatchChildNotify(WindowMessage& message, int id) override;
    void SetUp() override;
    void OnOk(WindowMessage& message) override;
    // The live conductance, and one sample while a measurement runs.
    virtual void OnTimerTick(WindowMessage& message);

    void StartMeasurement();
    void FinishMeasurement();
    void ManualEntryChanged();
    void ShowCoefficient();

    NumberEdit* normalEdit = nullptr;
    ValueField* conductanceField = nullptr;
    PushButton* startButton = nullptr;
    ProgressBar* progressBar = nullptr;
    ValueField* normalUsedField = nullptr;
    ValueField* averageField = nullptr;
    NumberEdit* coefficientEdit = nullptr;
    CheckBox* manualCheck = nullptr;
    ConverterLink* link = nullptr;
    ProbeCoefficients coefficients;
    SampleTimer timer{TimerId};
    double currentNormal = 0.0;
    // sampleSum, sampleCount and measuring of the conductance samples.
    SampleMeasurement measurement;
    // A measurement in this dialog has produced a usable coefficient.
    bool computed = false;
    // Tests lengthen it so that only the ticks they send arrive.
    UINT timerPeriod = SampleMeasurement::TickPeriod;
    UserMessage showMessage = ShowUserMessage;

  private:
    // Writes K[1] with K[0] = K[2] = K[3] = 0; false (the user told) when not confirmed.
    bool WriteCoefficient();
};
