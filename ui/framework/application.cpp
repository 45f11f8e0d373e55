#include "ui/framework/application.h"

#include "ui/framework/dialog.h"
#include "ui/framework/window.h"

Application* TheApplication = nullptr;

Application::Application(const char* name) : Name(name) {
    TheApplication = this;
}

Application::~Application() {
    // A main window that was never closed (the loop did not run, or ended otherwise) goes now,
    // no longer as the main window: no WM_QUIT is left behind for a later loop.
    if (MainWin != nullptr) {
        Window* window = MainWin;
        MainWin = nullptr;
        window->Destroy();
    }
    if (TheApplication == this) TheApplication = nullptr;
}

void Application::Start() {
    if (Started) return;
    Started = true;
    CreateMainWindow();
    MainWin = ValidateWindow(MainWin);
    if (MainWin != nullptr) MainWin->Show(SW_SHOWNORMAL);
}

void Application::CreateMainWindow() {
    MainWin = new Window(nullptr, Name);
}

bool Application::OnIdle() {
    return false;
}

bool Application::QueryClose() {
    return MainWin == nullptr || MainWin->QueryClose();
}

void Application::Run() {
    if (!Started) Start();
    if (MainWin == nullptr) return;
    MSG message{};
    while (!QuitReceived) {
        if (!PumpMessage(message) && !OnIdle()) WaitMessage();
    }
}

bool Application::PumpMessage(MSG& message) {
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return false;
    if (message.message == WM_QUIT) {
        QuitReceived = true;
    } else if (!PreTranslate(message)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return true;
}

bool Application::PreTranslate(MSG& message) {
    if (MdiClient != nullptr && MdiClient->Handle != nullptr &&
        TranslateMDISysAccel(MdiClient->Handle, &message))
        return true;
    if (Accelerators != nullptr && MainWin != nullptr && MainWin->Handle != nullptr &&
        TranslateAcceleratorA(MainWin->Handle, Accelerators, &message))
        return true;
    return KeyboardWindow != nullptr && KeyboardWindow->Handle != nullptr &&
           IsDialogMessageA(KeyboardWindow->Handle, &message);
}

void Application::SetKeyboardWindow(WindowObject* window) {
    KeyboardWindow = window;
}

Window* Application::ValidateWindow(Window* window) {
    if (window == nullptr) return nullptr;
    if (!window->Realize()) {
        window->Destroy();
        return nullptr;
    }
    return window;
}

int Application::RunModal(std::unique_ptr<Dialog> dialog) {
    if (dialog == nullptr || !MayRunModal(dialog->Parent)) return Dialog::CancelCode;
    // The parent's child ring holds the object too: if the parent goes during the run, the
    // object's destructor clears its entry here and it is not destroyed a second time.
    Dialog* running = dialog.release();
    ModalDialogs.push_back(running);
    int code = running->ExecuteModal();
    const bool stillThere = ModalDialogs.back() == running;
    ModalDialogs.pop_back();
    if (stillThere) running->Destroy();
    if (ModalDialogs.empty() && CloseDeferred) {
        CloseDeferred = false;
        if (MainWin != nullptr && MainWin->Handle != nullptr)
            PostMessageA(MainWin->Handle, WM_CLOSE, 0, 0);
    }
    return code;
}

Dialog* Application::RunningModal() const {
    for (auto it = ModalDialogs.rbegin(); it != ModalDialogs.rend(); ++it)
        if (*it != nullptr) return *it;
    return nullptr;
}

bool Application::MayRunModal(const WindowObject* parent) const {
    if (parent == nullptr) return true;
    if (parent->Handle != nullptr && !IsWindowEnabled(parent->Handle)) return false;
    for (const Dialog* dialog : ModalDialogs)
        if (dialog != nullptr && dialog->Parent == parent) return false;
    return true;
}

bool Application::NestedLoopRuns() const {
    const WindowObject* level = RunningModal();
    if (level == nullptr) level = MainWin;
    return level != nullptr && level->Handle != nullptr && !IsWindowEnabled(level->Handle);
}

bool Application::DeferCloseUntilModalEnds() {
    // A modal window that is no dialog object (a message box, a save dialog) disables its owner:
    // the close is refused, for nothing may end from under it.
    if (NestedLoopRuns()) return true;
    if (RunningModal() == nullptr) return false;
    CloseDeferred = true;
    // Innermost first; a dialog's cancel may itself ask the user something.
    for (size_t i = ModalDialogs.size(); i-- > 0;) {
        Dialog* dialog = ModalDialogs[i];
        if (dialog != nullptr && dialog->Handle != nullptr)
            SendMessageA(dialog->Handle, WM_CLOSE, 0, 0);
    }
    return true;
}

bool Application::QueryEndSession() {
    if (NestedLoopRuns()) return false;
    return RunningModal() != nullptr || QueryClose();
}

void Application::ForgetModal(WindowObject* object) {
    for (Dialog*& dialog : ModalDialogs)
        if (static_cast<WindowObject*>(dialog) == object) dialog = nullptr;
}
