// The live values: one poll cycle, the failure markers and their colours, the "Reading" timer.
#include <string>
#include <vector>

#include "tests/main/main_window_fixture.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/static_text.h"

namespace main_test {
namespace {

const Bytes FailureMarker = {0xFF, 0xFF, 0xFF, 0xFF};
const std::vector<uint8_t> PollCodes = {0x24, 0x25, 0x29, 0x2A, 0x2B};

// What the window answers to WM_CTLCOLORSTATIC for a control: the brush and the colours it left
// in the device context.
struct Colours {
    HBRUSH brush = nullptr;
    COLORREF text = 0;
    COLORREF background = 0;
};

class MeasurementPollingTest : public MainWindowTest {
  protected:
    // The text colour a control had before: every text on the grey sets its own, black.
    static constexpr COLORREF UntouchedText = RGB(1, 2, 3);

    Colours ColoursOf(HWND control) {
        HDC dc = CreateCompatibleDC(nullptr);
        SetTextColor(dc, UntouchedText);
        SetBkColor(dc, RGB(9, 9, 9));
        Colours colours;
        colours.brush = reinterpret_cast<HBRUSH>(SendMessageA(window->Handle, WM_CTLCOLORSTATIC,
                                                              reinterpret_cast<WPARAM>(dc),
                                                              reinterpret_cast<LPARAM>(control)));
        colours.text = GetTextColor(dc);
        colours.background = GetBkColor(dc);
        DeleteDC(dc);
        return colours;
    }

    void ExpectRed(HWND control) {
        Colours colours = ColoursOf(control);
        EXPECT_EQ(colours.brush, window->redBrush);
        EXPECT_NE(colours.brush, nullptr);
        EXPECT_EQ(colours.text, RGB(255, 255, 255));
        EXPECT_EQ(colours.background, RGB(255, 0, 0));
    }

    void ExpectGrey(HWND control) {
        Colours colours = ColoursOf(control);
        EXPECT_EQ(colours.brush, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
        EXPECT_EQ(colours.text, RGB(0, 0, 0));
        EXPECT_EQ(colours.background, RGB(192, 192, 192));
    }
};

TEST_F(MeasurementPollingTest, OneCycleReadsFiveValuesAndShowsThemInTheirFormats) {
    StartConnected();
    AnswerFloat(0x24, 109.735f);
    AnswerFloat(0x25, -3.45f);
    AnswerFloat(0x29, 84.0f);
    AnswerFloat(0x2A, 1413.004f);
    AnswerFloat(0x2B, 0.5f);
    Tick();
    EXPECT_EQ(Codes(), PollCodes);
    EXPECT_EQ(port->Writes()[0], (Bytes{0x01, 0x24, 0x00, 0xDB}));
    EXPECT_EQ(Text(window->resistanceField), "109.7");
    EXPECT_EQ(Text(window->temperatureField), "-3.5");
    EXPECT_EQ(Text(window->conductanceField), "84.00");
    EXPECT_EQ(Text(window->conductivityField), "1413.00");
    EXPECT_EQ(Text(window->ratioField), "50.00");
    EXPECT_EQ(window->errorFlags, 0u);
}

TEST_F(MeasurementPollingTest, AFailedResistanceShowsFailureWhiteOnRedUntilTheNextGoodValue) {
    StartConnected();
    HWND resistance = Handle(window->resistanceField);
    HWND temperature = Handle(window->temperatureField);
    ExpectGrey(resistance);
    Answer(0x24, {FailureMarker, FloatBytes(12.34f)});
    Tick();
    EXPECT_EQ(Text(window->resistanceField), "Failure");
    EXPECT_EQ(window->errorFlags, MainWindow::ResistanceFailed);
    ExpectRed(resistance);
    ExpectGrey(temperature);
    // The rest of the cycle still runs.
    EXPECT_EQ(Codes(), PollCodes);

    Tick();
    EXPECT_EQ(Text(window->resistanceField), "12.3");
    EXPECT_EQ(window->errorFlags, 0u);
    ExpectGrey(resistance);
}

TEST_F(MeasurementPollingTest, AnInvalidTemperatureStaysWhileItsReadFails) {
    StartConnected();
    HWND temperature = Handle(window->temperatureField);
    Answer(0x25, {FailureMarker});
    Tick();
    EXPECT_EQ(Text(window->temperatureField), "Invalid");
    EXPECT_EQ(window->errorFlags, MainWindow::TemperatureInvalid);
    ExpectRed(temperature);
    ExpectGrey(Handle(window->resistanceField));

    Silence(0x25);
    AnswerFloat(0x29, 7.0f);
    Tick();
    EXPECT_EQ(Text(window->temperatureField), "Invalid");
    EXPECT_EQ(window->errorFlags, MainWindow::TemperatureInvalid);
    ExpectRed(temperature);
    // The later reads are independent of it.
    EXPECT_EQ(Text(window->conductanceField), "7.00");

    Speak(0x25);
    AnswerFloat(0x25, 21.06f);
    Tick();
    EXPECT_EQ(Text(window->temperatureField), "21.1");
    EXPECT_EQ(window->errorFlags, 0u);
    ExpectGrey(temperature);
}

TEST_F(MeasurementPollingTest, BothMarkersAtOnceAndOtherStaticsStayGrey) {
    StartConnected();
    Answer(0x24, {FailureMarker});
    Answer(0x25, {FailureMarker});
    Tick();
    EXPECT_EQ(window->errorFlags, MainWindow::ResistanceFailed | MainWindow::TemperatureInvalid);
    ExpectRed(Handle(window->resistanceField));
    ExpectRed(Handle(window->temperatureField));
    // Labels, other fields, the group boxes and the buttons on grey.
    ExpectGrey(Handle(window->conductanceField));
    ExpectGrey(Handle(window->converterField));
    ExpectGrey(Handle(window->readingCheck));
    ExpectGrey(Handle(window->offRadio));
    ExpectGrey(GetWindow(window->Handle, GW_CHILD));  // the label "Port:"
}

TEST_F(MeasurementPollingTest, AFailedResistanceReadEndsTheCycleWithNothingElseAsked) {
    StartConnected();
    std::vector<std::string> before;
    for (ValueField* field :
         {window->resistanceField, window->temperatureField, window->conductanceField,
          window->conductivityField, window->ratioField})
        before.push_back(Text(field));
    Silence(0x24);
    Tick();
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x24}));
    std::vector<std::string> after;
    for (ValueField* field :
         {window->resistanceField, window->temperatureField, window->conductanceField,
          window->conductivityField, window->ratioField})
        after.push_back(Text(field));
    EXPECT_EQ(after, before);

    // A red field keeps its colour while the reads fail.
    Speak(0x24);
    Answer(0x24, {FailureMarker});
    Tick();
    Silence(0x24);
    Tick();
    ExpectRed(Handle(window->resistanceField));
}

TEST_F(MeasurementPollingTest, ReadingPollsAtOnceAndStartsTimer1) {
    StartConnected();
    HWND handle = window->Handle;
    ClickId(MainWindow::ReadingCheckId);
    EXPECT_EQ(Codes(), PollCodes);
    EXPECT_EQ(window->timer, MainWindow::PollTimerId);

    // The window system delivers ticks of timer 1 to the window.
    MSG tick{};
    DWORD start = GetTickCount();
    bool arrived = false;
    while (!arrived && GetTickCount() - start < 5000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_TIMER);
        arrived = PeekMessageA(&tick, handle, WM_TIMER, WM_TIMER, PM_REMOVE) != 0;
    }
    ASSERT_TRUE(arrived);
    EXPECT_EQ(tick.wParam, MainWindow::PollTimerId);
    port->ClearRecord();
    DispatchMessageA(&tick);
    EXPECT_EQ(Codes(), PollCodes);

    // Every tick is a cycle, whatever its id.
    port->ClearRecord();
    SendMessageA(handle, WM_TIMER, 77, 0);
    EXPECT_EQ(Codes(), PollCodes);

    // Unchecked: the timer is gone, nothing is polled.
    port->ClearRecord();
    ClickId(MainWindow::ReadingCheckId);
    EXPECT_EQ(window->timer, 0u);
    EXPECT_FALSE(KillTimer(handle, MainWindow::PollTimerId)) << "the timer still ran";
    EXPECT_TRUE(port->Writes().empty());

    // Checked again: an immediate poll and a new timer.
    ClickId(MainWindow::ReadingCheckId);
    EXPECT_EQ(Codes(), PollCodes);
    EXPECT_NE(window->timer, 0u);
}

TEST_F(MeasurementPollingTest, OtherNotificationsOfTheCheckBoxLeaveTheStateAlone) {
    StartConnected();
    // Checked while running and unchecked while stopped do nothing.
    ui_test::SendCommand(window->Handle, MainWindow::ReadingCheckId, BN_CLICKED,
                         Handle(window->readingCheck));
    EXPECT_TRUE(port->Writes().empty());
    EXPECT_EQ(window->timer, 0u);
    window->readingCheck->SetCheck(BST_CHECKED);
    ui_test::SendCommand(window->Handle, MainWindow::ReadingCheckId, BN_CLICKED,
                         Handle(window->readingCheck));
    ASSERT_NE(window->timer, 0u);
    port->ClearRecord();
    ui_test::SendCommand(window->Handle, MainWindow::ReadingCheckId, BN_SETFOCUS,
                         Handle(window->readingCheck));
    EXPECT_TRUE(port->Writes().empty()) << "no second start while running";
}

TEST_F(MeasurementPollingTest, NoPollRequestWhileBusyAndTicksAreNotQueued) {
    StartConnected();
    window->busy = true;
    Tick();
    Tick();
    EXPECT_TRUE(port->Writes().empty());
    window->busy = false;
    Tick();
    EXPECT_EQ(Codes(), PollCodes);
}

TEST_F(MeasurementPollingTest, ASilentConverterCostsOneRequestPerTick) {
    StartConnected();
    ClickId(MainWindow::ReadingCheckId);
    port->ClearRecord();
    // The converter goes away; the timer keeps running and each tick fails at its first read.
    for (uint8_t code : PollCodes)
        Silence(code);
    for (int i = 0; i < 3; ++i)
        Tick();
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x24, 0x24, 0x24}));
    EXPECT_NE(window->timer, 0u);
}

TEST_F(MeasurementPollingTest, ALiveConverterIsShownWithTheValuesOfItsProcess) {
    Start();
    model->SetTemperature(25.0);
    SelectPort(0);
    // A Pt100 at 25 degC: about 109.7 ohms, shown with one decimal.
    EXPECT_EQ(Text(window->resistanceField), "109.7");
    EXPECT_EQ(Text(window->temperatureField), "25.0");
    model->SetSensorBroken(true);
    Tick();
    EXPECT_EQ(Text(window->resistanceField), "Failure");
}

}  // namespace
}  // namespace main_test
