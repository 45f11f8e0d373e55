// What the keyboard user chooses, and nothing else: focus the program moves never writes the
// compensation mode, and a port passed over in the closed list is never opened.
#include <map>
#include <string>
#include <vector>

#include "tests/main/main_window_fixture.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/port_combo_box.h"

namespace main_test {
namespace {

// An automatic radio button as Windows has it (Wine 8 does not do it yet): given the focus, it
// checks itself, unchecks the others of its group and notifies its parent with BN_CLICKED.
class WindowsRadioFocus {
  public:
    explicit WindowsRadioFocus(std::vector<HWND> group) : buttons(std::move(group)) {
        for (HWND button : buttons)
            previous[button] = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure)));
        instance = this;
    }
    ~WindowsRadioFocus() {
        for (auto& [button, procedure] : previous)
            if (IsWindow(button))
                SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(procedure));
        instance = nullptr;
    }

  private:
    static LRESULT CALLBACK Procedure(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
        LRESULT result =
            CallWindowProcA(instance->previous.at(button), button, message, wParam, lParam);
        if (message == WM_SETFOCUS) {
            for (HWND other : instance->buttons)
                SendMessageA(other, BM_SETCHECK, other == button ? BST_CHECKED : BST_UNCHECKED, 0);
            SendMessageA(GetParent(button), WM_COMMAND,
                         MAKEWPARAM(GetDlgCtrlID(button), BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
        }
        return result;
    }

    static inline WindowsRadioFocus* instance = nullptr;
    std::vector<HWND> buttons;
    std::map<HWND, WNDPROC> previous;
};

class KeyboardChoiceTest : public MainWindowTest {
  protected:
    std::vector<HWND> Radios() const {
        return {Handle(window->offRadio), Handle(window->linearRadio),
                Handle(window->nonlinearRadio)};
    }
    // The main window deactivated and activated again, as after a dialog or another program.
    void Reactivate() {
        SendMessageA(window->Handle, WM_ACTIVATE, WA_INACTIVE, 0);
        SendMessageA(window->Handle, WM_ACTIVATE, WA_ACTIVE, 0);
    }
    // A choice in the open port list (a click or Enter): CBN_SELENDOK while the list is shown.
    void ChoosePort(int index) {
        HWND combo = Handle(window->portCombo);
        SendMessageA(combo, CB_SHOWDROPDOWN, TRUE, 0);
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ui_test::SendCommand(window->Handle, MainWindow::PortComboId, CBN_SELENDOK, combo);
        SendMessageA(combo, CB_SHOWDROPDOWN, FALSE, 0);
    }
    void Notify(int code) {
        ui_test::SendCommand(window->Handle, MainWindow::PortComboId, code,
                             Handle(window->portCombo));
    }
};

TEST_F(KeyboardChoiceTest, RestoredFocusNeverChecksAModeTheConverterRefused) {
    StartConnected();
    HWND linear = Handle(window->linearRadio);
    HWND nonlinear = Handle(window->nonlinearRadio);
    // "Nonlinear" clicked; the converter holds "Linear" and the window shows that.
    Answer(0x45, {{1}});
    ui_test::Click(nonlinear);
    SetFocus(nonlinear);
    ASSERT_EQ(Requests(0x45), (std::vector<Bytes>{ScriptedSerialPort::RequestFrame(0x45, {2})}));
    ASSERT_TRUE(Checked(linear));
    ASSERT_FALSE(Checked(nonlinear));

    WindowsRadioFocus windowsButtons(Radios());
    port->ClearRecord();
    Reactivate();
    EXPECT_TRUE(Requests(0x45).empty()) << "the restored focus wrote the mode";
    EXPECT_EQ(GetFocus(), linear) << "the focus goes to the checked button of the group";
    EXPECT_TRUE(Checked(linear));

    // Focus that the program gives even an unchecked button writes nothing.
    window->FocusControl(Handle(window->offRadio));
    EXPECT_TRUE(Requests(0x45).empty());

    // The arrow keys in the group stay a choice.
    answers.erase(0x45);
    model->mutableState().compensationMode = 1;
    window->FocusControl(linear);
    ui_test::PressKey(linear, VK_DOWN);
    EXPECT_EQ(Requests(0x45), (std::vector<Bytes>{ScriptedSerialPort::RequestFrame(0x45, {2})}));
    EXPECT_EQ(model->state().compensationMode, 2);
}

TEST_F(KeyboardChoiceTest, WithNoButtonCheckedTheFocusGoesToTheFirstControl) {
    StartConnected();
    for (HWND radio : Radios())
        SendMessageA(radio, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(window->FocusTarget(Handle(window->linearRadio)), Handle(window->portCombo));
    EXPECT_EQ(window->FocusTarget(Handle(window->readingCheck)), Handle(window->readingCheck));
}

TEST_F(KeyboardChoiceTest, APortPassedOverInTheClosedListIsNeverOpened) {
    Start();
    EXPECT_EQ(GetFocus(), Handle(window->portCombo)) << "a keyboard user starts at \"Port:\"";
    HWND combo = Handle(window->portCombo);
    // Two steps down with the arrow keys: Wine sends CBN_SELENDOK and CBN_SELCHANGE at each.
    for (int index : {0, 1}) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        Notify(CBN_SELENDOK);
        Notify(CBN_SELCHANGE);
    }
    EXPECT_TRUE(port->OpenedPaths().empty());
    EXPECT_TRUE(port->Writes().empty());

    // The pause ends with the window's own timer.
    MSG tick{};
    bool arrived = false;
    const DWORD start = GetTickCount();
    while (!arrived && GetTickCount() - start < 5000) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_TIMER);
        arrived = PeekMessageA(&tick, window->Handle, WM_TIMER, WM_TIMER, PM_REMOVE) != 0 &&
                  tick.wParam == MainWindow::PortPauseTimerId;
    }
    ASSERT_TRUE(arrived) << "no pause timer";
    DispatchMessageA(&tick);
    EXPECT_EQ(port->OpenedPaths(), (std::vector<std::string>{"\\\\.\\COM2"}));
    // Once: the timer has stopped.
    SendMessageA(window->Handle, WM_TIMER, MainWindow::PortPauseTimerId, 0);
    EXPECT_EQ(port->OpenedPaths().size(), 1u);
}

TEST_F(KeyboardChoiceTest, AChoiceInTheOpenListConnectsAtOnceAlsoToTheSamePort) {
    Start();
    ChoosePort(0);
    EXPECT_EQ(port->OpenedPaths(), (std::vector<std::string>{"\\\\.\\COM1"}));
    EXPECT_EQ(Text(window->converterField), "ZR3");
    // Wine follows a click with CBN_SELCHANGE for the same item: no second connect.
    Notify(CBN_SELCHANGE);
    SendMessageA(window->Handle, WM_TIMER, MainWindow::PortPauseTimerId, 0);
    EXPECT_EQ(port->OpenedPaths().size(), 1u);

    // The selected port chosen again (Enter on it): a new connection from scratch.
    port->ClearRecord();
    ChoosePort(0);
    EXPECT_EQ(port->OpenedPaths(), (std::vector<std::string>{"\\\\.\\COM1"}));
    ASSERT_FALSE(Codes().empty());
    EXPECT_EQ(Codes().front(), 0x21);
    // Selection changes while the list is open wait for the choice.
    port->ClearRecord();
    SendMessageA(Handle(window->portCombo), CB_SHOWDROPDOWN, TRUE, 0);
    SendMessageA(Handle(window->portCombo), CB_SETCURSEL, 1, 0);
    Notify(CBN_SELCHANGE);
    SendMessageA(window->Handle, WM_TIMER, MainWindow::PortPauseTimerId, 0);
    SendMessageA(Handle(window->portCombo), CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_TRUE(port->OpenedPaths().empty());
}

}  // namespace
}  // namespace main_test
