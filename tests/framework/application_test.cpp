#include <functional>
#include <memory>
#include <string>

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/framework/test_dialogs.h"
#include "tests/framework/test_windows.h"
#include "tests/ui_support/ui_support.h"
#include "ui/framework/application.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/framework_start.h"
#include "ui/framework/static_text.h"

namespace {

// A main window with a few tab-stop controls, as the tool's own.
class MainTestWindow : public RecordingWindow {
  public:
    explicit MainTestWindow(const char* title, EventLog* log = nullptr)
        : RecordingWindow(nullptr, title, log, "main") {
        Style = WS_OVERLAPPEDWINDOW;
        X = 20;
        Y = 20;
        Width = 420;
        Height = 300;
        SetFlag(KeyboardHandler);
        new StaticText(this, "Label", 10, 10, 80, 20, 0, 0);
        edit = new NumberEdit(this, nullptr, 100, 10, 100, 24, 301);
        button = new PushButton(this, "Button", 100, 40, 100, 24, 302);
        check = new CheckBox(this, "Check", 100, 70, 100, 24, 303);
    }

    NumberEdit* edit = nullptr;
    PushButton* button = nullptr;
    CheckBox* check = nullptr;
};

class ApplicationTest : public ::testing::Test {
  protected:
    void SetUp() override { StartFramework(); }
    void TearDown() override { ui_test::PumpMessages(); }
};

bool QuitPending() {
    MSG message{};
    return PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != 0;
}

TEST_F(ApplicationTest, StartCreatesAndShowsTheMainWindow) {
    ui_test::TestApplication app([](const char* name) { return new MainTestWindow(name); });
    ASSERT_NE(app.MainWin, nullptr);
    EXPECT_EQ(TheApplication, &app);
    HWND handle = app.MainWin->Handle;
    ASSERT_NE(handle, nullptr);
    EXPECT_TRUE(IsWindowVisible(handle));
    EXPECT_EQ(ui_test::WindowText(handle), "ZR3 test");
    // Every control was realized and bound.
    auto* main = static_cast<MainTestWindow*>(app.MainWin);
    EXPECT_EQ(WindowObject::ObjectFromHandle(main->edit->Handle), main->edit);
    EXPECT_EQ(GetParent(main->check->Handle), handle);
}

TEST_F(ApplicationTest, AMainWindowThatCannotBeRealizedIsDroppedAndRunReturns) {
    EventLog log;
    ui_test::TestApplication app([&](const char*) {
        // A dialog item that does not exist: Realize fails.
        auto* window = new RecordingWindow(nullptr, "broken", &log, "broken");
        window->SetFlag(WindowObject::FromResource);
        return window;
    });
    EXPECT_EQ(app.MainWin, nullptr);
    EXPECT_EQ(log, (EventLog{"~broken"}));
    app.Run();  // returns at once
    EXPECT_FALSE(app.QuitReceived);
}

TEST_F(ApplicationTest, ExitCommandClosesTheMainWindowOnlyWhenQueryCloseAgrees) {
    EventLog log;
    ui_test::TestApplication app([&](const char* name) { return new MainTestWindow(name, &log); });
    auto* main = static_cast<MainTestWindow*>(app.MainWin);
    HWND handle = main->Handle;

    main->allowClose = false;
    ui_test::SendCommand(handle, WindowObject::ExitCommandId);
    EXPECT_EQ(main->closeQueries, 1);
    EXPECT_EQ(app.MainWin, main);
    EXPECT_TRUE(IsWindow(handle));
    EXPECT_FALSE(QuitPending());

    // A child that refuses keeps it open as well.
    main->allowClose = true;
    auto* refusing = new RefusingButton(main, "No", 10, 200, 60, 24, 304);
    ASSERT_TRUE(refusing->Realize());
    SendMessageA(handle, WM_CLOSE, 0, 0);
    EXPECT_EQ(app.MainWin, main);
    EXPECT_TRUE(IsWindow(handle));
    EXPECT_EQ(SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), 0);

    refusing->allowClose = true;
    EXPECT_EQ(SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), 1);
    ui_test::SendCommand(handle, WindowObject::ExitCommandId);
    EXPECT_EQ(app.MainWin, nullptr);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_TRUE(QuitPending());
    EXPECT_EQ(log.back(), "~main");
    app.Run();  // MainWin is gone: returns at once, the quit stays for PumpMessages
    EXPECT_TRUE(ui_test::PumpMessages());
}

TEST_F(ApplicationTest, ARefusedCloseLeavesWindowAndLoopRunning) {
    ui_test::TestApplication app([](const char* name) { return new MainTestWindow(name); });
    auto* main = static_cast<MainTestWindow*>(app.MainWin);
    HWND handle = main->Handle;
    main->allowClose = false;
    int actions = 0;
    bool openAfterRefusal = false;
    main->action = [&](WindowMessage&) {
        ++actions;
        openAfterRefusal = IsWindow(handle) && app.MainWin == main;
        main->allowClose = true;
        PostMessageA(handle, WM_CLOSE, 0, 0);
    };
    PostMessageA(handle, WM_CLOSE, 0, 0);  // refused
    PostMessageA(handle, ActionMessage, 0, 0);
    app.Run();
    EXPECT_EQ(actions, 1);
    EXPECT_TRUE(openAfterRefusal);
    EXPECT_TRUE(app.QuitReceived);
    EXPECT_EQ(app.MainWin, nullptr);
    EXPECT_FALSE(IsWindow(handle));
}

TEST_F(ApplicationTest, RunModalOfNoDialogIsCancel) {
    ui_test::TestApplication app([](const char* name) { return new MainTestWindow(name); });
    EXPECT_EQ(app.RunModal(nullptr), Dialog::CancelCode);
}

TEST_F(ApplicationTest, TabMovesBetweenTabStopsAndAgainAfterAModalDialog) {
    ui_test::TestApplication app([](const char* name) { return new MainTestWindow(name); });
    auto* main = static_cast<MainTestWindow*>(app.MainWin);
    SetForegroundWindow(main->Handle);
    SetActiveWindow(main->Handle);
    ui_test::PumpMessages();
    ASSERT_EQ(app.KeyboardWindow, main);

    SetFocus(main->edit->Handle);
    ui_test::PressKey(GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), main->button->Handle);
    ui_test::PressKey(GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), main->check->Handle);

    WindowObject* keyboardDuringDialog = main;
    int code = ui_test::RunModalDriven(app, std::make_unique<ShadedDialog>(main, TEST_DIALOG_NAMED),
                                       [&](HWND dialog) {
                                           keyboardDuringDialog = app.KeyboardWindow;
                                           ui_test::Click(ui_test::FindChild(dialog, IDOK));
                                       });
    EXPECT_EQ(code, Dialog::OkCode);
    EXPECT_EQ(keyboardDuringDialog, nullptr);  // the main window was inactive
    ui_test::PumpMessages();
    EXPECT_EQ(app.KeyboardWindow, main);
    EXPECT_EQ(GetFocus(), main->check->Handle);  // the focus came back to where it was
    ui_test::PressKey(GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), main->edit->Handle);  // round to the first tab stop
    ui_test::PressKey(GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), main->button->Handle);
}

// Counts its idle calls; reports more idle work for the first few, then starts the main
// window's timer and lets the loop sleep.
class IdleApplication : public ui_test::TestApplication {
  public:
    using TestApplication::TestApplication;
    bool OnIdle() override {
        ++idleCalls;
        if (idleCalls == busyCalls) timerStarted = SetTimer(MainWin->Handle, 1, 10, nullptr) != 0;
        return idleCalls < busyCalls;
    }
    int idleCalls = 0;
    int busyCalls = 5;
    bool timerStarted = false;
};

// Closes itself on its third timer tick.
class TickingWindow : public MainTestWindow {
  public:
    TickingWindow(const char* title, int* ticks) : MainTestWindow(title), ticks(ticks) {}
    void Dispatch(WindowMessage& message) override {
        if (message.Message != WM_TIMER) {
            MainTestWindow::Dispatch(message);
            return;
        }
        if (++*ticks == 3) {
            KillTimer(Handle, 1);
            PostMessageA(Handle, WM_CLOSE, 0, 0);
        }
    }
    int* ticks;
};

TEST_F(ApplicationTest, AnIdleLoopSleepsUntilATimerWakesIt) {
    int ticks = 0;
    IdleApplication app([&](const char* name) { return new TickingWindow(name, &ticks); });
    ASSERT_NE(app.MainWin, nullptr);
    app.Run();
    // Four calls with more work polled again at once; the fifth let the loop sleep, and only the
    // timer it started could wake it for the ticks that closed the window.
    EXPECT_GE(app.idleCalls, app.busyCalls);
    EXPECT_TRUE(app.timerStarted);
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(app.QuitReceived);
    EXPECT_EQ(app.MainWin, nullptr);
}

// A dialog of the demonstration: shows a number, reads it back on OK.
class NumberDialog : public ShadedDialog {
  public:
    NumberDialog(WindowObject* parent, float* result)
        : ShadedDialog(parent, TEST_DIALOG_NAMED), result(result) {
        edit = new NumberEdit(this, TEST_ITEM_EDIT);
    }
    void SetUp() override {
        ShadedDialog::SetUp();
        edit->SetFixed(*result, 2);
    }
    void OnOk(WindowMessage& message) override {
        *result = edit->GetFloat().value_or(0.0f);
        ShadedDialog::OnOk(message);
    }
    NumberEdit* edit = nullptr;
    float* result = nullptr;
};

TEST_F(ApplicationTest, WindowDialogAndLoopWorkTogether) {
    ui_test::TestApplication app([](const char* name) { return new MainTestWindow(name); });
    auto* main = static_cast<MainTestWindow*>(app.MainWin);
    float value = 12.5f;
    std::string shown;
    std::string editText;
    int code = 0;
    // A message opens the dialog; the test types into it and presses OK; the window shows the
    // answer in its own edit and closes itself.
    main->action = [&](WindowMessage&) {
        code = ui_test::RunModalDriven(app, std::make_unique<NumberDialog>(main, &value),
                                       [&](HWND dialog) {
                                           HWND edit = ui_test::FindChild(dialog, TEST_ITEM_EDIT);
                                           shown = ui_test::WindowText(edit);
                                           SetWindowTextA(edit, "2,75");
                                           ui_test::Click(ui_test::FindChild(dialog, IDOK));
                                       });
        main->edit->SetFixed(value, 1);
        editText = ui_test::WindowText(main->edit->Handle);
        PostMessageA(main->Handle, WM_CLOSE, 0, 0);
    };
    PostMessageA(main->Handle, ActionMessage, 0, 0);
    app.Run();
    EXPECT_EQ(shown, "12.50");
    EXPECT_EQ(code, Dialog::OkCode);
    EXPECT_FLOAT_EQ(value, 2.75f);
    EXPECT_EQ(editText, "2.8");
    EXPECT_TRUE(app.QuitReceived);
    EXPECT_EQ(app.MainWin, nullptr);
}

// A dialog that counts its destructions and the ends of the session it hears of.
class CountingDialog : public ShadedDialog {
  public:
    CountingDialog(WindowObject* parent, int* destroyed, int* sessionEnds)
        : ShadedDialog(parent, TEST_DIALOG_NAMED), destroyed(destroyed), sessionEnds(sessionEnds) {}
    ~CountingDialog() override { ++*destroyed; }
    void OnEndSession(WindowMessage& message) override {
        if (message.WParam != 0) ++*sessionEnds;
        ShadedDialog::OnEndSession(message);
    }
    int* destroyed = nullptr;
    int* sessionEnds = nullptr;
};

TEST_F(ApplicationTest, ACloseRequestDuringAModalDialogCancelsItAndClosesAfterwards) {
    ui_test::TestApplication app([](const char* name) { return new MainTestWindow(name); });
    auto* main = static_cast<MainTestWindow*>(app.MainWin);
    HWND handle = main->Handle;
    int destroyed = 0, sessionEnds = 0, code = 0;
    LRESULT endSessionAnswer = 0;
    bool dialogEndedAtOnce = false, mainThereAfterDialog = false;
    main->action = [&](WindowMessage&) {
        code = ui_test::RunModalDriven(
            app, std::make_unique<CountingDialog>(main, &destroyed, &sessionEnds),
            [&](HWND dialog) {
                // The session may end while the dialog runs; the dialog hears of it once.
                endSessionAnswer = SendMessageA(handle, WM_QUERYENDSESSION, 0, 0);
                SendMessageA(handle, WM_ENDSESSION, TRUE, 0);
                SendMessageA(handle, WM_CLOSE, 0, 0);
                dialogEndedAtOnce = !IsWindowVisible(dialog) && IsWindow(handle);
            });
        mainThereAfterDialog = IsWindow(handle) && app.MainWin == main;
    };
    PostMessageA(handle, ActionMessage, 0, 0);
    app.Run();
    EXPECT_EQ(endSessionAnswer, 1);
    EXPECT_GE(sessionEnds, 1);
    EXPECT_TRUE(dialogEndedAtOnce);
    EXPECT_EQ(code, Dialog::CancelCode);
    EXPECT_EQ(destroyed, 1);
    // The window outlived the dialog, then the close request came again and closed it.
    EXPECT_TRUE(mainThereAfterDialog);
    EXPECT_TRUE(app.QuitReceived);
    EXPECT_EQ(app.MainWin, nullptr);
    EXPECT_TRUE(app.ModalDialogs.empty());
}

TEST_F(ApplicationTest, ACloseRequestDuringAMessageBoxIsRefused) {
    ui_test::TestApplication app([](const char* name) { return new MainTestWindow(name); });
    HWND handle = app.MainWin->Handle;
    ui_test::DriveNextDialog([&] { MessageBoxA(handle, "Text", "Box", MB_OK); },
                             [&](HWND box) {
                                 SendMessageA(handle, WM_CLOSE, 0, 0);
                                 EXPECT_TRUE(IsWindow(handle));
                                 ui_test::SendCommand(box, IDOK);
                             });
    EXPECT_NE(app.MainWin, nullptr);
    EXPECT_FALSE(QuitPending());
}

TEST_F(ApplicationTest, ADialogWhoseParentGoesDuringItsRunIsDestroyedOnce) {
    ui_test::TestApplication app([](const char* name) { return new MainTestWindow(name); });
    Window* main = app.MainWin;
    int destroyed = 0, sessionEnds = 0;
    ui_test::RunModalDriven(app, std::make_unique<CountingDialog>(main, &destroyed, &sessionEnds),
                            [&](HWND) {
                                // The parent takes its children, the running dialog among them.
                                main->Destroy();
                                EXPECT_EQ(destroyed, 1);
                                EXPECT_EQ(app.RunningModal(), nullptr);
                            });
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(app.MainWin, nullptr);
    EXPECT_TRUE(app.ModalDialogs.empty());
    EXPECT_TRUE(ui_test::PumpMessages());
}

// OK asks a question in a message box of the dialog's own, then ends the dialog.
class AskingDialog : public ShadedDialog {
  public:
    AskingDialog(WindowObject* parent, int* boxes)
        : ShadedDialog(parent, TEST_DIALOG_NAMED), boxes(boxes) {}
    void OnOk(WindowMessage&) override {
        ++*boxes;
        MessageBoxA(Handle, "Store again?", "Question", MB_RETRYCANCEL);
        EndModal(OkCode);
    }
    int* boxes = nullptr;
};

// What a thread timer does once the dialog's message box is up, from inside the box's loop.
std::function<void(HWND box)> whileBoxUp;
void CALLBACK WatchForBox(HWND, UINT, UINT_PTR timer, DWORD) {
    HWND box = FindWindowA("#32770", "Question");
    if (box == nullptr || !IsWindowVisible(box) || !whileBoxUp) return;
    KillTimer(nullptr, timer);
    auto action = std::move(whileBoxUp);
    whileBoxUp = nullptr;
    action(box);
}

TEST_F(ApplicationTest, NothingEndsUnderADialogsOwnMessageBoxAndNoQuestionStacks) {
    ui_test::TestApplication app([](const char* name) { return new MainTestWindow(name); });
    Window* main = app.MainWin;
    HWND handle = main->Handle;
    int boxes = 0, destroyed = 0, sessionEnds = 0;
    bool dialogStayed = false, mainDisabled = false;
    LRESULT endSessionAnswer = 1;
    int secondRun = 0;
    int code = ui_test::RunModalDriven(
        app, std::make_unique<AskingDialog>(main, &boxes), [&](HWND dialog) {
            // A second dialog over the same window is refused while this one runs.
            secondRun =
                app.RunModal(std::make_unique<CountingDialog>(main, &destroyed, &sessionEnds));
            whileBoxUp = [&, dialog](HWND box) {
                SendMessageA(handle, WM_CLOSE, 0, 0);
                SendMessageA(handle, WM_CLOSE, 0, 0);
                SendMessageA(dialog, WM_CLOSE, 0, 0);
                endSessionAnswer = SendMessageA(handle, WM_QUERYENDSESSION, 0, 0);
                dialogStayed = IsWindowVisible(dialog) && app.RunningModal() != nullptr;
                mainDisabled = !IsWindowEnabled(handle);
                ui_test::SendCommand(box, IDCANCEL);
            };
            SetTimer(nullptr, 0, 10, WatchForBox);
            PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
        });
    EXPECT_EQ(secondRun, Dialog::CancelCode);
    EXPECT_EQ(destroyed, 1);
    EXPECT_EQ(boxes, 1);
    EXPECT_TRUE(dialogStayed);
    EXPECT_TRUE(mainDisabled);
    EXPECT_EQ(endSessionAnswer, 0);
    // The dialog ended by its own OK once the box was answered; the close requests were refused.
    EXPECT_EQ(code, Dialog::OkCode);
    EXPECT_FALSE(app.CloseDeferred);
    EXPECT_FALSE(ui_test::PumpMessages());
    EXPECT_EQ(app.MainWin, main);
    EXPECT_TRUE(IsWindowEnabled(handle));
}

}  // namespace
