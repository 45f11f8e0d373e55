#pragma once

#include <memory>
#include <vector>

#include <windows.h>

#include "base/base_object.h"

class WindowObject;
class Window;
class Dialog;

// The one object that owns the main window and runs the message loop of the GUI thread.
// Use: derive, override CreateMainWindow to put a new window object into MainWin, construct the
// single instance, then call Start() (C++ cannot reach a derived CreateMainWindow from the base
// constructor, so Start is a separate step; Run() calls it if it has not run yet), then Run().
//
//     StartFramework();
//     ConfigApp app("ZR3 config");
//     app.Start();
//     app.Run();
class Application : public BaseObject {
  public:
    // Stores the name (by reference: the text must outlive the object) and makes this object the
    // global application.
    explicit Application(const char* name);
    // Destroys a main window that is still there (nothing when it was closed), and clears the
    // global application.
    ~Application() override;

    // CreateMainWindow, then ValidateWindow on MainWin, then ShowWindow(SW_SHOWNORMAL). Runs once.
    virtual void Start();
    // Default: a plain top-level Window titled Name.
    virtual void CreateMainWindow();
    // Called when the queue is empty; true polls the queue again at once, false lets it sleep.
    virtual bool OnIdle();
    // The main window's QueryClose (true without a main window).
    virtual bool QueryClose();

    // The message loop; returns when WM_QUIT arrived, or at once without a main window.
    void Run();
    // Takes one message (PM_REMOVE); false when the queue was empty. WM_QUIT sets QuitReceived.
    bool PumpMessage(MSG& message);
    // Offers the message to the translators; true when one consumed it.
    bool PreTranslate(MSG& message);
    void SetKeyboardWindow(WindowObject* window);
    // Realizes the window; destroys it and returns null when that fails. Null stays null.
    Window* ValidateWindow(Window* window);
    // Runs the dialog modally and destroys it; a null dialog gives 2 (Cancel) and shows nothing,
    // and so does one that may not run now (see MayRunModal). A dialog whose object went with its
    // parent during the run is not destroyed again.
    int RunModal(std::unique_ptr<Dialog> dialog);
    // Whether a modal dialog may start over `parent` now: not while a modal window already runs
    // over it (the parent is disabled then), nor while a dialog of the same parent runs, so that
    // a click or command that arrives late never opens a dialog a second time.
    bool MayRunModal(const WindowObject* parent) const;
    // Whether a modal window of the innermost modal level's own runs now: a message box, a save
    // dialog or an input box owned by the running dialog (by the main window when none runs).
    // Its owner is disabled while it runs.
    bool NestedLoopRuns() const;
    // The innermost modal dialog still running, or null.
    Dialog* RunningModal() const;
    // A close request for the main window while modal dialogs run: each is closed as by its
    // close box (Cancel), and the close request is posted again once the last has ended. While a
    // nested modal window runs (NestedLoopRuns) the request is refused: nothing ends under it and
    // no further question is asked. False when the close may go ahead now.
    bool DeferCloseUntilModalEnds();
    // What the main window answers to WM_QUERYENDSESSION: refused while a nested modal window
    // runs; the session may end while a modal dialog runs (WM_ENDSESSION lets it keep what it
    // must); otherwise QueryClose.
    bool QueryEndSession();
    // Called by a window object's destructor: a running modal dialog is no longer there.
    void ForgetModal(WindowObject* object);

    const char* Name = nullptr;
    Window* MainWin = nullptr;
    WindowObject* KeyboardWindow = nullptr;
    WindowObject* MdiClient = nullptr;
    HACCEL Accelerators = nullptr;
    bool QuitReceived = false;
    bool Started = false;
    // The modal dialogs running now, innermost last; null where the object is already gone.
    std::vector<Dialog*> ModalDialogs;
    // A close request waits for the modal dialogs to end.
    bool CloseDeferred = false;
};

// The single application instance; null while none exists.
extern Application* TheApplication;
