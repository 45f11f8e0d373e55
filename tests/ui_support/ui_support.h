#pragma once

#include <functional>
#include <memory>
#include <string>

#include <windows.h>

#include "ui/framework/application.h"
#include "ui/framework/dialog.h"
#include "ui/framework/window.h"

// Helpers for in-process window tests under Wine (or Windows). Everything runs on the test's
// thread; nothing sleeps for a fixed time.
namespace ui_test {

// The code with which a driven dialog is ended when it is still open after the time-out.
constexpr int AbandonedCode = -100;

// Dispatches every message already waiting in this thread's queue: through the application's
// PumpMessage when an application exists (so the keyboard translators see them), else with
// TranslateMessage / DispatchMessageA. Returns true when a WM_QUIT was taken.
bool PumpMessages();

// Runs `action` (which opens a modal dialog or a message box and returns when it has ended) and
// calls drive(dialog) once, from inside the dialog's own modal loop, with the first dialog window
// (class "#32770") created on this thread after the call began, as soon as it is visible. If the
// dialog is still open `timeoutMs` after drive returned (or never became visible), it is ended with
// AbandonedCode, so a faulty test fails instead of hanging. Not nestable.
void DriveNextDialog(const std::function<void()>& action, const std::function<void(HWND)>& drive,
                     unsigned timeoutMs = 5000);

// app.RunModal(dialog) while drive(dialog window) runs as above; returns RunModal's result.
int RunModalDriven(Application& app, std::unique_ptr<Dialog> dialog,
                   const std::function<void(HWND)>& drive, unsigned timeoutMs = 5000);

// The child window with control id `id` (GetDlgItem), or null.
HWND FindChild(HWND parent, int id);

// The window text of a window or control ("" for a null handle).
std::string WindowText(HWND window);

// A click on a button, as the user makes it (BM_CLICK: the parent gets WM_COMMAND BN_CLICKED).
void Click(HWND button);

// Sends WM_COMMAND (id, code, control) to window; control null is a menu/accelerator command.
LRESULT SendCommand(HWND window, int id, int code = 0, HWND control = nullptr);

// Posts a key press (WM_KEYDOWN, WM_KEYUP) to window and pumps it through PumpMessages.
void PressKey(HWND window, UINT virtualKey);

// An application whose main window comes from a factory; the constructor runs Start(), so the
// main window exists (or MainWin is null if it could not be realized) when it returns.
class TestApplication : public Application {
  public:
    using Factory = std::function<Window*(const char* name)>;

    explicit TestApplication(Factory factory, const char* name = "ZR3 test");
    void CreateMainWindow() override;

    Factory factory;
};

}  // namespace ui_test
