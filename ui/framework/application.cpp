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
    if (dialog == nullptr) return Dialog::CancelCode;
    int code = dialog->ExecuteModal();
    dialog.release()->Destroy();
    return code;
}
