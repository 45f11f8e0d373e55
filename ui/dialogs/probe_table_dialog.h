#pragma once

#include <functional>
#include <memory>
#include <string>

#include "link/converter_link.h"
#include "model/sample_measurement.h"
#include "ui/dialogs/sample_timer.h"
#include "ui/dialogs/user_message.h"
#include "ui/framework/shaded_dialog.h"

class ProbeTable;
class ReportSystem;
class ListBox;
class PushButton;
class NumberEdit;
class ValueField;
class ProgressBar;
class CheckBox;

// Multi-point calibration of the conductivity probe: up to ten (conductance, normal) points kept
// in the data file beside the program, a polynomial fit of degree 1 to 3 through them, a text
// report, and the coefficients K[0]..K[3] written on "OK". Template 8. The table is stored when
// the dialog closes after a change, whether with "OK" or a cancel; a table that cannot be stored
// is told, naming the data file, with the chance to try again. A data file that cannot be read or
// holds no table is told at opening and never loses a point: it is written only after a point was
// stored or deleted here, and then with the points it holds kept.
//
//     app.RunModal(std::make_unique<ProbeTableDialog>(mainWindow, link));
class ProbeTableDialog : public ShadedDialog {
  public:
    static constexpr int TemplateId = 8;
    static constexpr UINT_PTR TimerId = 5;

    // The table of the data file beside the program; reports through the system's file dialog.
    ProbeTableDialog(WindowObject* parent, ConverterLink& link);
    // The table of the given data file; reports through the given system (borrowed).
    ProbeTableDialog(WindowObject* parent, ConverterLink& link, std::string dataFilePath,
                     ReportSystem& reports);
    // Stops the timer, deletes the fonts, stores the table if it was changed.
    ~ProbeTableDialog() override;

    void Dispatch(WindowMessage& message) override;
    void DispatchChildNotify(WindowMessage& message, int id) override;
    void SetUp() override;
    void OnOk(WindowMessage& message) override;
    void OnCancel(WindowMessage& message) override;
    // The session ends: a changed table is stored at once, without a question.
    void OnEndSession(WindowMessage& message) override;
    // The live conductance, and one sample while a measurement runs.
    virtual void OnTimerTick(WindowMessage& message);

    void DeleteAll();
    void DeleteSelected();
    void StartMeasurement();
    void FinishMeasurement();
    void Calculate();
    void IntoFile();
    void ManualEntryChanged();
    // K[1] always; K[0], K[2], K[3] only when not 0 (else the edit is emptied).
    void ShowCoefficients();
    // Stores a changed table, keeping the points of a data file that could not be read at
    // opening; while that fails, asks whether to try again (Retry / Cancel) when `ask`.
    void StoreTable(bool ask = true);
    // The default of shiftHeld: the high bit of GetKeyState(VK_SHIFT).
    static bool ShiftKeyDown();

    ListBox* pointList = nullptr;
    PushButton* deleteAllButton = nullptr;
    PushButton* deleteButton = nullptr;
    PushButton* calculateButton = nullptr;
    PushButton* intoFileButton = nullptr;
    NumberEdit* normalEdit = nullptr;
    ValueField* conductanceField = nullptr;
    PushButton* startButton = nullptr;
    ProgressBar* progressBar = nullptr;
    NumberEdit* coefficientEdits[4] = {};
    CheckBox* manualCheck = nullptr;
    HFONT headerFont = nullptr;
    HFONT listFont = nullptr;
    ConverterLink* link = nullptr;
    std::unique_ptr<ProbeTable> points;
    ProbeCoefficients coefficients;
    SampleTimer timer{TimerId};
    double currentNormal = 0.0;
    // sampleSum, sampleCount and measuring of the conductance samples.
    SampleMeasurement measurement;
    bool calculated = false;

    // Seams: the report's file dialog, date and time; the Shift key; message boxes.
    ReportSystem* reportSystem = nullptr;
    std::function<bool()> shiftHeld;
    UserMessage showMessage = ShowUserMessage;
    UserQuestion askUser = AskUser;
    // Tests lengthen it so that only the ticks they send arrive.
    UINT timerPeriod = SampleMeasurement::TickPeriod;

  private:
    void CreateControls();
    void UpdateTableButtons();
};
