// Writing the settings back, the sensor sequence, and the dialogs opened from the window.
#include <cmath>
#include <string>
#include <vector>

#include "sim/model/control_commands.h"
#include "tests/main/main_window_fixture.h"
#include "ui/dialogs/cable_compensation_dialog.h"
#include "ui/dialogs/probe_calibration_dialog.h"
#include "ui/dialogs/probe_table_dialog.h"
#include "ui/dialogs/relay_dialog.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/list_box.h"

namespace main_test {
namespace {

using MainWindowWriteTest = MainWindowTest;

// One request frame: 01, code, length, data, checksum.
Bytes Request(uint8_t code, const Bytes& data) {
    return ScriptedSerialPort::RequestFrame(code, data);
}

TEST_F(MainWindowWriteTest, TheCoefficientIsEnteredInPercentWithACommaAndShownAsAnswered) {
    StartConnected();
    Type(Handle(window->coefficientEdit), "2,5");
    ClickId(MainWindow::CoefficientWriteId);
    ASSERT_EQ(port->Writes().size(), 1u);
    // 0.025 as a float is 0x3CCCCCCD.
    EXPECT_EQ(port->Writes()[0], (Bytes{0x01, 0x3E, 0x04, 0xCD, 0xCC, 0xCC, 0x3C, 0x1C}));
    EXPECT_EQ(model->state().tempCoefficient, 0.025f);
    EXPECT_EQ(Text(window->coefficientEdit), "2.50");

    // The converter keeps something else: that is what is shown.
    AnswerFloat(0x3E, 0.021f);
    Type(Handle(window->coefficientEdit), "3.3");
    ClickId(MainWindow::CoefficientWriteId);
    EXPECT_EQ(Text(window->coefficientEdit), "2.10");
}

TEST_F(MainWindowWriteTest, EachNumberIsWrittenFromItsEditAndTheAnswerShown) {
    StartConnected();
    // The whole text is read: 36 characters are 0.025, not the 2.5 of their first 31.
    Type(Handle(window->rangeStartEdit), "2.5000000000000000000000000000000e-2");
    ClickId(MainWindow::RangeStartWriteId);
    ASSERT_EQ(port->Writes().size(), 1u);
    EXPECT_EQ(port->Writes()[0], Request(0x40, {0xCD, 0xCC, 0xCC, 0x3C}));
    EXPECT_EQ(Text(window->rangeStartEdit), "0.0");

    port->ClearRecord();
    AnswerFloat(0x41, 1999.96f);
    Type(Handle(window->rangeEndEdit), "2500");
    ClickId(MainWindow::RangeEndWriteId);
    ASSERT_EQ(Requests(0x41).size(), 1u);
    EXPECT_EQ(FloatAt(Requests(0x41)[0], 3), 2500.0f);
    EXPECT_EQ(Text(window->rangeEndEdit), "2000.0");

    port->ClearRecord();
    Type(Handle(window->refTempEdit), "-5,26");
    ClickId(MainWindow::RefTempWriteId);
    ASSERT_EQ(Requests(0x3F).size(), 1u);
    EXPECT_EQ(FloatAt(Requests(0x3F)[0], 3), -5.26f);
    EXPECT_EQ(Text(window->refTempEdit), "-5.3");
    EXPECT_EQ(model->state().referenceTemperature, -5.26f);

    // A failed write shows what the converter holds, read back ...
    Answer(0x3F, {{0x00}, FloatBytes(-5.26f)});  // an answer of the wrong length, then -5.26
    Type(Handle(window->refTempEdit), "18.75");
    ClickId(MainWindow::RefTempWriteId);
    EXPECT_EQ(Text(window->refTempEdit), "-5.3");
    EXPECT_TRUE(messages.empty());

    // ... and where that fails too, the field keeps what was typed and the user is told, once.
    Silence(0x3F);
    Type(Handle(window->refTempEdit), "18.75");
    ClickId(MainWindow::RefTempWriteId);
    EXPECT_EQ(Text(window->refTempEdit), "18.75");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "The converter did not confirm the new reference temperature, and what it holds "
              "could not be read back.");
    EXPECT_EQ(messages[0].caption, "ZR3 config");
    EXPECT_EQ(messages[0].style, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
}

// Known refusals: no text but a number typed in full is written, each refused with its field's
// words before anything goes on the wire, the edit focused with its text selected.
TEST_F(MainWindowWriteTest, ATextThatIsNoNumberIsRefusedBeforeAnythingIsSent) {
    StartConnected();
    const struct {
        NumberEdit* edit;
        int button;
        const char* words;
    } fields[] = {
        {window->rangeStartEdit, MainWindow::RangeStartWriteId,
         "The start of range must be a number, such as 12.5 or 12,5."},
        {window->rangeEndEdit, MainWindow::RangeEndWriteId,
         "The end of range must be a number, such as 2000.0 or 2000,0."},
        {window->refTempEdit, MainWindow::RefTempWriteId,
         "The reference temperature must be a number, such as 25.0 or 25,0."},
        {window->coefficientEdit, MainWindow::CoefficientWriteId,
         "The coefficient must be a number in percent, such as 2.10 or 2,10."},
    };
    for (const auto& field : fields) {
        for (const char* text : {"nan", "inf", "1e999", "12abc", "0x10", "+-5", " 5", ""}) {
            SCOPED_TRACE(std::string(field.words) + " / " + text);
            messages.clear();
            Type(Handle(field.edit), text);
            ClickId(field.button);
            EXPECT_TRUE(port->Writes().empty());
            ASSERT_EQ(messages.size(), 1u);
            EXPECT_EQ(messages[0].text, field.words);
            EXPECT_EQ(GetFocus(), Handle(field.edit));
            DWORD first = 1, last = 0;
            SendMessageA(Handle(field.edit), EM_GETSEL, reinterpret_cast<WPARAM>(&first),
                         reinterpret_cast<LPARAM>(&last));
            EXPECT_EQ(first, 0u);
            EXPECT_EQ(last, std::string(text).size());
        }
    }
}

// The converter answers NaN and infinity: shown as "Invalid", never written back untouched.
TEST_F(MainWindowWriteTest, AValueThatIsNoNumberShowsInvalidAndIsNotWrittenBack) {
    Start();
    AnswerFloat(0x40, std::nanf(""));
    AnswerFloat(0x3F, -INFINITY);
    SelectPort(0);
    EXPECT_EQ(Text(window->rangeStartEdit), "Invalid");
    EXPECT_EQ(Text(window->refTempEdit), "Invalid");
    port->ClearRecord();
    ClickId(MainWindow::RangeStartWriteId);
    ClickId(MainWindow::RefTempWriteId);
    EXPECT_TRUE(port->Writes().empty());
    EXPECT_EQ(messages.size(), 2u);
}

TEST_F(MainWindowWriteTest, TheRadioButtonsWriteTheModeAndFollowTheAnswer) {
    StartConnected();
    ASSERT_TRUE(Checked(Handle(window->linearRadio)));
    ClickId(MainWindow::OffRadioId);
    EXPECT_EQ(port->Writes(), (std::vector<Bytes>{Request(0x45, {0})}));
    EXPECT_TRUE(Checked(Handle(window->offRadio)));
    EXPECT_EQ(model->state().compensationMode, 0);

    // Asked for 2, the converter answers 1: the check moves to "Linear".
    port->ClearRecord();
    Answer(0x45, {{1}});
    ClickId(MainWindow::NonlinearRadioId);
    EXPECT_EQ(port->Writes(), (std::vector<Bytes>{Request(0x45, {2})}));
    EXPECT_FALSE(Checked(Handle(window->nonlinearRadio)));
    EXPECT_TRUE(Checked(Handle(window->linearRadio)));
    EXPECT_FALSE(Checked(Handle(window->offRadio)));

    // A failed write shows the mode read back: the clicked button loses its check.
    Answer(0x45, {{1, 1}, {1}});  // an answer of the wrong length, then mode 1
    ClickId(MainWindow::OffRadioId);
    EXPECT_FALSE(Checked(Handle(window->offRadio)));
    EXPECT_TRUE(Checked(Handle(window->linearRadio)));
    EXPECT_TRUE(messages.empty());

    // Without an answer at all the user is told that the mode is not known.
    answers.erase(0x45);
    Silence(0x45);
    ClickId(MainWindow::OffRadioId);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "The converter did not confirm the new compensation mode, and what it holds could "
              "not be read back.");
}

TEST_F(MainWindowWriteTest, TheDampingListsWriteTheSelectedIndex) {
    StartConnected();
    Select(Handle(window->inputDampingCombo), 12);
    Select(Handle(window->tempDampingCombo), 30);
    EXPECT_EQ(port->Writes(), (std::vector<Bytes>{Request(0x44, {12}), Request(0x43, {30})}));
    EXPECT_EQ(model->state().inputDamping, 12);
    EXPECT_EQ(model->state().tempDamping, 30);

    // Other notifications of the lists write nothing.
    port->ClearRecord();
    ui_test::SendCommand(window->Handle, MainWindow::InputDampingId, CBN_DROPDOWN,
                         Handle(window->inputDampingCombo));
    ui_test::SendCommand(window->Handle, MainWindow::SensorComboId, CBN_CLOSEUP,
                         Handle(window->sensorCombo));
    ui_test::SendCommand(window->Handle, MainWindow::PortComboId, CBN_SETFOCUS,
                         Handle(window->portCombo));
    EXPECT_TRUE(port->Writes().empty());
}

TEST_F(MainWindowWriteTest, SelectingAResistanceThermometerWritesItsWindowTableDegreeAndKind) {
    StartConnected();
    Select(Handle(window->sensorCombo), 0);  // Pt100 (3850)
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x39, 0x3A, 0x3C, 0x3B, 0x32, 0x2C}));
    std::vector<Bytes> writes = port->Writes();
    ASSERT_EQ(writes.size(), 6u);
    // Lower limit R(-20 degC), upper R(100 degC).
    EXPECT_NEAR(FloatAt(writes[0], 3), 92.1599f, 0.00006f);
    EXPECT_NEAR(FloatAt(writes[1], 3), 138.5055f, 0.00006f);
    EXPECT_EQ(writes[2], Request(0x3C, {0x31, 0xCE, 0x75, 0xC3, 0x23, 0xE5, 0x16, 0x40, 0xB3, 0x79,
                                        0x83, 0x3A, 0,    0,    0,    0,    0,    0,    0,    0}));
    EXPECT_EQ(writes[3], Request(0x3B, {2}));
    EXPECT_EQ(writes[4], Request(0x32, {0}));
    EXPECT_EQ(writes[5], (Bytes{0x01, 0x2C, 0x01, 0x00, 0xD2}));
    EXPECT_EQ(model->state().commits, 1u);

    // Ni1000 (6180): its own window.
    port->ClearRecord();
    Select(Handle(window->sensorCombo), 3);
    writes = port->Writes();
    ASSERT_EQ(writes.size(), 6u);
    EXPECT_NEAR(FloatAt(writes[0], 3), 892.9645f, 0.0006f);
    EXPECT_NEAR(FloatAt(writes[1], 3), 1617.785f, 0.0006f);
}

TEST_F(MainWindowWriteTest, SelectingTheThermistorWritesItsWindowTheOtherWayRound) {
    StartConnected();
    Select(Handle(window->sensorCombo), 4);  // NR351 3K0
    std::vector<Bytes> writes = port->Writes();
    ASSERT_EQ(writes.size(), 6u);
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x39, 0x3A, 0x3C, 0x3B, 0x32, 0x2C}));
    // The lower limit is the resistance at 100 degC, the upper the one at -20 degC.
    EXPECT_NEAR(FloatAt(writes[0], 3), 200.627f, 0.001f);
    EXPECT_NEAR(FloatAt(writes[1], 3), 33291.9f, 0.1f);
    EXPECT_EQ(writes[2], Request(0x3C, {0x85, 0xD6, 0xA5, 0x3A, 0x6F, 0xE7, 0x95, 0x39, 0x71, 0xCC,
                                        0x98, 0xB6, 0x78, 0xBD, 0x3F, 0x34, 0,    0,    0,    0}));
    EXPECT_EQ(writes[3], Request(0x3B, {3}));
    EXPECT_EQ(writes[4], Request(0x32, {1}));
}

TEST_F(MainWindowWriteTest, ALostSensorAnswerIsUndoneToldAndTheMeasuredSensorShown) {
    StartConnected();
    HWND combo = Handle(window->sensorCombo);
    const int held = SelectedIndex(combo);
    ASSERT_GE(held, 0);
    const sim::SensorSetting measured = model->state().appliedSensor;
    // The answer of one step lost, its write taken (what a cut line does): the converter goes on
    // measuring with its own sensor, the written one is brought back, and the user is told.
    for (const char* step : {"39", "3A", "3C", "3B", "32"}) {
        messages.clear();
        sim::ExecuteControl(*model, std::string("fault silence on ") + step + " next 1");
        Select(combo, 3);  // Ni1000 (6180)
        EXPECT_EQ(model->state().appliedSensor.table, measured.table) << step;
        EXPECT_EQ(model->state().sensor.table, measured.table) << step;
        EXPECT_EQ(SelectedIndex(combo), held) << step;
        ASSERT_EQ(messages.size(), 1u) << step;
        EXPECT_EQ(messages[0].owner, window->Handle);
        EXPECT_EQ(messages[0].caption, "ZR3 config");
        EXPECT_EQ(messages[0].style, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
        EXPECT_NE(messages[0].text.find("not changed"), std::string::npos) << messages[0].text;
    }
    // A lost answer to the commit: the converter measures with the new sensor, which the window
    // cannot know: the list shows none.
    messages.clear();
    sim::ExecuteControl(*model, "fault silence on 2C next 1");
    Select(combo, 3);
    EXPECT_EQ(model->state().appliedSensor.table, model->state().sensor.table);
    EXPECT_NE(model->state().appliedSensor.table, measured.table);
    EXPECT_EQ(SelectedIndex(combo), -1);
    EXPECT_EQ(messages.size(), 1u);

    // On a sound line the change goes through without a word.
    messages.clear();
    Select(combo, held);
    EXPECT_EQ(model->state().appliedSensor.table, measured.table);
    EXPECT_EQ(SelectedIndex(combo), held);
    EXPECT_TRUE(messages.empty());
}

// Which dialog object ran the dialog window.
enum class DialogKind { None, Relay, CableCompensation, ProbeCalibration, ProbeTable };

DialogKind KindOf(WindowObject* object) {
    if (dynamic_cast<RelayDialog*>(object) != nullptr) return DialogKind::Relay;
    if (dynamic_cast<CableCompensationDialog*>(object) != nullptr)
        return DialogKind::CableCompensation;
    if (dynamic_cast<ProbeCalibrationDialog*>(object) != nullptr)
        return DialogKind::ProbeCalibration;
    if (dynamic_cast<ProbeTableDialog*>(object) != nullptr) return DialogKind::ProbeTable;
    return DialogKind::None;
}

// What the drive callback saw of the dialog while it was open (the object is gone afterwards).
struct OpenedDialog {
    HWND handle = nullptr;
    DialogKind kind = DialogKind::None;
    bool busy = false;
    std::vector<uint8_t> codesSoFar;
};

class MainWindowDialogTest : public MainWindowTest {
  protected:
    // Clicks a dialog button of the main window and cancels the dialog as soon as it shows,
    // after `whileOpen` has run inside its modal loop.
    OpenedDialog ClickAndCancel(int buttonId, const std::function<void()>& whileOpen = {}) {
        OpenedDialog opened;
        ui_test::DriveNextDialog([&] { ClickId(buttonId); },
                                 [&](HWND dialog) {
                                     opened.handle = dialog;
                                     opened.kind = KindOf(WindowObject::ObjectFromHandle(dialog));
                                     opened.busy = window->busy;
                                     if (whileOpen) whileOpen();
                                     opened.codesSoFar = Codes();
                                     PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                                 });
        return opened;
    }

    void HoldControl(bool down) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
};

TEST_F(MainWindowDialogTest, ProbeCalibrationSetsTheDampingTo0AndRestoresIt) {
    StartConnected();
    model->mutableState().inputDamping = 5;
    size_t requestsBefore = 0, requestsAfter = 0;
    OpenedDialog opened = ClickAndCancel(MainWindow::ProbeButtonId, [&] {
        // Clicks that arrive while the dialog runs open nothing and touch nothing.
        requestsBefore = port->Writes().size();
        for (int id :
             {MainWindow::ProbeButtonId, MainWindow::CableButtonId, MainWindow::RelayButtonId})
            ui_test::SendCommand(window->Handle, id, BN_CLICKED,
                                 ui_test::FindChild(window->Handle, id));
        requestsAfter = port->Writes().size();
    });
    EXPECT_EQ(requestsAfter, requestsBefore);
    EXPECT_EQ(opened.kind, DialogKind::ProbeCalibration);
    EXPECT_TRUE(opened.busy);
    EXPECT_FALSE(window->busy);
    // Before the dialog: read 5, write 0; after it: write 5 again.
    std::vector<Bytes> writes = port->Writes();
    ASSERT_GE(writes.size(), 3u);
    EXPECT_EQ(writes[0], (Bytes{0x01, 0x44, 0x00, 0xBB}));
    EXPECT_EQ(writes[1], (Bytes{0x01, 0x44, 0x01, 0x00, 0xBA}));
    EXPECT_EQ(writes.back(), (Bytes{0x01, 0x44, 0x01, 0x05, 0xB5}));
    EXPECT_EQ(Requests(0x44).size(), 3u);
    EXPECT_EQ(model->state().inputDamping, 5);
}

TEST_F(MainWindowDialogTest, AFailedDampingRestoreShowsWhatTheConverterHoldsAndTellsIt) {
    StartConnected();
    HWND damping = Handle(window->inputDampingCombo);
    model->mutableState().inputDamping = 5;
    // The restore is refused (an answer without data); the converter then reads back 0.
    ClickAndCancel(MainWindow::ProbeButtonId, [&] { Answer(0x44, {Bytes{}, Bytes{0}}); });
    EXPECT_EQ(Requests(0x44).back(), (Bytes{0x01, 0x44, 0x00, 0xBB}));
    EXPECT_EQ(SelectedIndex(damping), 0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "ZR3 config");
    EXPECT_EQ(messages[0].style, static_cast<UINT>(MB_ICONEXCLAMATION | MB_OK));
    EXPECT_EQ(messages[0].text, window->heldDamping.Message());
    EXPECT_FALSE(messages[0].text.empty());

    // Nor can it be read: the list shows no damping rather than the old one.
    answers.clear();
    messages.clear();
    Select(damping, 5);
    ClickAndCancel(MainWindow::ProbeButtonId, [&] { Silence(0x44); });
    EXPECT_EQ(SelectedIndex(damping), -1);
    EXPECT_EQ(messages.size(), 1u);
}

TEST_F(MainWindowDialogTest, ALostAnswerToTheDamping0WriteStillGivesTheDampingBack) {
    StartConnected();
    model->mutableState().inputDamping = 5;
    // The read is answered, the answer to the write of 0 is lost (the 0 taken).
    sim::ExecuteControl(*model, "fault silence on 44 next 1 after 1");
    ClickAndCancel(MainWindow::ProbeButtonId, [&] { EXPECT_EQ(model->state().inputDamping, 0); });
    EXPECT_EQ(model->state().inputDamping, 5);
    EXPECT_TRUE(messages.empty());
}

TEST_F(MainWindowDialogTest, ACloseRequestDuringADialogEndsItRestoresTheDampingAndCloses) {
    StartConnected();
    model->mutableState().inputDamping = 5;
    HWND handle = window->Handle;
    bool windowOutlivedTheDialog = false;
    ui_test::DriveNextDialog([&] { ClickId(MainWindow::ProbeButtonId); },
                             [&](HWND) {
                                 // The session may end while the dialog runs; the damping goes
                                 // back at once, and only once.
                                 EXPECT_EQ(SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), 1);
                                 SendMessageA(handle, WM_ENDSESSION, TRUE, 0);
                                 EXPECT_EQ(port->Writes().back(), Request(0x44, {5}));
                                 SendMessageA(handle, WM_CLOSE, 0, 0);
                             });
    windowOutlivedTheDialog = IsWindow(handle) && app->MainWin == window;
    EXPECT_TRUE(windowOutlivedTheDialog);
    EXPECT_EQ(Requests(0x44).size(), 3u);
    EXPECT_EQ(model->state().inputDamping, 5);
    // The close request comes again once the dialog has gone.
    EXPECT_TRUE(ui_test::PumpMessages());
    EXPECT_EQ(app->MainWin, nullptr);
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(MainWindowDialogTest, WithDamping0OrAFailedReadNothingIsWritten) {
    StartConnected();
    model->mutableState().inputDamping = 0;
    OpenedDialog opened = ClickAndCancel(MainWindow::ProbeButtonId);
    ASSERT_NE(opened.handle, nullptr);
    EXPECT_EQ(Requests(0x44), (std::vector<Bytes>{{0x01, 0x44, 0x00, 0xBB}}));

    port->ClearRecord();
    model->mutableState().inputDamping = 8;
    Silence(0x44);
    opened = ClickAndCancel(MainWindow::ProbeButtonId);
    ASSERT_NE(opened.handle, nullptr);
    EXPECT_EQ(Requests(0x44), (std::vector<Bytes>{{0x01, 0x44, 0x00, 0xBB}}));
    EXPECT_EQ(model->state().inputDamping, 8);
}

TEST_F(MainWindowDialogTest, HoldingCtrlOpensTheProbeTableInstead) {
    StartConnected();
    model->mutableState().inputDamping = 4;
    HoldControl(true);
    OpenedDialog opened = ClickAndCancel(MainWindow::ProbeButtonId);
    HoldControl(false);
    EXPECT_EQ(opened.kind, DialogKind::ProbeTable);
    EXPECT_TRUE(opened.busy);
    EXPECT_EQ(Requests(0x44).size(), 3u);
    EXPECT_EQ(port->Writes().back(), Request(0x44, {4}));

    // Released again: the one-point calibration.
    opened = ClickAndCancel(MainWindow::ProbeButtonId);
    EXPECT_EQ(opened.kind, DialogKind::ProbeCalibration);
}

TEST_F(MainWindowDialogTest, NoPollWhileACalibrationDialogIsOpen) {
    StartConnected();
    model->mutableState().inputDamping = 0;
    ClickId(MainWindow::ReadingCheckId);
    ASSERT_NE(window->timer, 0u);
    port->ClearRecord();
    // Ticks that arrive while the dialog runs are dropped.
    OpenedDialog opened = ClickAndCancel(MainWindow::ProbeButtonId, [&] {
        port->ClearRecord();
        Tick();
        Tick();
    });
    EXPECT_TRUE(opened.codesSoFar.empty());

    port->ClearRecord();
    opened = ClickAndCancel(MainWindow::CableButtonId, [&] {
        port->ClearRecord();
        Tick();
    });
    EXPECT_EQ(opened.kind, DialogKind::CableCompensation);
    EXPECT_TRUE(opened.busy);
    EXPECT_TRUE(opened.codesSoFar.empty());
    EXPECT_FALSE(window->busy);
    // The cable compensation does not touch the damping.
    EXPECT_TRUE(Requests(0x44).empty());

    // After the dialogs polling goes on.
    port->ClearRecord();
    Tick();
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x24, 0x25, 0x29, 0x2A, 0x2B}));
}

TEST_F(MainWindowDialogTest, PollingGoesOnWhileTheRelayDialogIsOpen) {
    StartConnected();
    OpenedDialog opened = ClickAndCancel(MainWindow::RelayButtonId, [&] {
        port->ClearRecord();
        Tick();
    });
    EXPECT_EQ(opened.kind, DialogKind::Relay);
    EXPECT_FALSE(opened.busy);
    EXPECT_EQ(opened.codesSoFar, (std::vector<uint8_t>{0x24, 0x25, 0x29, 0x2A, 0x2B}));
    EXPECT_TRUE(Requests(0x44).empty());
}

}  // namespace
}  // namespace main_test
