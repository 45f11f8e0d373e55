#pragma once

#include "model/sample_measurement.h"
#include "ui/dialogs/sample_timer.h"
#include "ui/dialogs/user_message.h"
#include "ui/framework/shaded_dialog.h"

class ConverterLink;
class ValueField;
class PushButton;
class ProgressBar;

// Measures the capacity of the probe cable (the average of 20 readings) and stores it in the
// converter as its cable compensation value. Template 6.
//
//     app.RunModal(std::make_unique<CableCompensationDialog>(mainWindow, link));
class CableCompensationDialog : public ShadedDialog {
  public:
    static constexpr int TemplateId = 6;
    static constexpr UINT_PTR TimerId = 4;

    // The link is borrowed and must outlive the dialog.
    CableCompensationDialog(WindowObject* parent, ConverterLink& link);

    void Dispatch(WindowMessage& message) override;
    void DispatchChildNotify(WindowMessage& message, int id) override;
    void SetUp() override;
    void OnOk(WindowMessage& message) override;
    void OnCancel(WindowMessage& message) override;
    // One capacity sample; the measurement ends after the 20th successful one.
    virtual void OnTimerTick(WindowMessage& message);

    // "Start": a new measurement.
    void StartMeasurement();
    void FinishMeasurement();

    ValueField* capacityField = nullptr;
    PushButton* startButton = nullptr;
    ProgressBar* progressBar = nullptr;
    ConverterLink* link = nullptr;
    // sampleSum and sampleCount of the capacity samples; the average is 0 until one completed.
    SampleMeasurement measurement;
    // The timer runs only while measuring.
    SampleTimer timer{TimerId};
    // Tests lengthen it so that only the ticks they send arrive.
    UINT timerPeriod = SampleMeasurement::TickPeriod;
    UserMessage showMessage = ShowUserMessage;
};
