// A port that goes away under the window: values a poll could not refresh are drawn as not
// current, and a device the system reports gone closes the link, stops "Reading" and is told
// once; the same port chosen again reconnects.
#include <string>

#include "tests/main/main_window_fixture.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/face_colours.h"
#include "ui/framework/static_text.h"

namespace main_test {
namespace {

class LostPortTest : public MainWindowTest {
  protected:
    // The text colour the window gives a control drawn on its face.
    COLORREF TextColourOf(ValueField* field) {
        HDC dc = CreateCompatibleDC(nullptr);
        SendMessageA(window->Handle, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(Handle(field)));
        COLORREF colour = GetTextColor(dc);
        DeleteDC(dc);
        return colour;
    }
    static COLORREF Current() { return CurrentFaceColours().text; }
    static COLORREF NotCurrent() { return CurrentFaceColours().disabledText; }
};

TEST_F(LostPortTest, AValueAPollCouldNotRefreshIsDrawnAsNotCurrentUntilItIs) {
    StartConnected();
    ASSERT_NE(Current(), NotCurrent());
    AnswerFloat(0x29, 7.0f);
    Tick();
    Silence(0x29);
    Tick();
    EXPECT_EQ(Text(window->conductanceField), "7.00") << "the text stays";
    EXPECT_EQ(TextColourOf(window->conductanceField), NotCurrent());
    EXPECT_EQ(TextColourOf(window->conductivityField), Current());
    EXPECT_EQ(window->staleValues, MainWindow::ConductanceValue);

    // A failed first read: nothing of the cycle is current.
    Silence(0x24);
    Tick();
    EXPECT_EQ(window->staleValues, MainWindow::AllLiveValues);
    EXPECT_EQ(TextColourOf(window->resistanceField), NotCurrent());

    Speak(0x24);
    Speak(0x29);
    Tick();
    EXPECT_EQ(window->staleValues, 0u);
    EXPECT_EQ(TextColourOf(window->conductanceField), Current());
}

TEST_F(LostPortTest, AGonePortStopsReadingEmptiesTheIdentityAndIsToldOnce) {
    StartConnected();
    ClickId(MainWindow::ReadingCheckId);
    ASSERT_NE(window->timer, 0u);
    const std::string resistance = Text(window->resistanceField);
    const std::string output = Text(window->outputField);

    port->GoAway();
    Tick();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text,
              "The port COM1 is no longer there. When the device is connected again, choose the "
              "port again.");
    EXPECT_EQ(messages[0].caption, "ZR3 config");
    EXPECT_EQ(messages[0].owner, window->Handle);
    EXPECT_FALSE(Checked(Handle(window->readingCheck)));
    EXPECT_EQ(window->timer, 0u);
    EXPECT_FALSE(KillTimer(window->Handle, MainWindow::PollTimerId)) << "the timer still ran";
    EXPECT_FALSE(window->link->IsOpen());
    EXPECT_EQ(Text(window->converterField), "");
    EXPECT_EQ(Text(window->firmwareField), "");
    EXPECT_EQ(Text(window->serialNumberField), "");
    EXPECT_EQ(Text(window->outputField), output);
    EXPECT_EQ(Text(window->resistanceField), resistance);
    EXPECT_EQ(TextColourOf(window->resistanceField), NotCurrent());

    // Nothing more is asked of the port, and nothing more is said.
    port->ClearRecord();
    Tick();
    ClickId(MainWindow::RangeStartWriteId);
    EXPECT_TRUE(port->Writes().empty());
    EXPECT_EQ(messages.size(), 1u);

    // The device back, the same port chosen again from the list.
    port->GoAway(false);
    HWND combo = Handle(window->portCombo);
    SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
    ui_test::SendCommand(window->Handle, MainWindow::PortComboId, CBN_SELENDOK, combo);
    SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_EQ(Text(window->converterField), "ZR3");
    EXPECT_EQ(window->staleValues, 0u);
    EXPECT_EQ(messages.size(), 1u);
}

}  // namespace
}  // namespace main_test
