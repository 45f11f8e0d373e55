#include "tests/ui_support/ui_support.h"

#include <cstring>

namespace ui_test {

namespace {

// State of the one dialog driver that may run at a time.
struct Driver {
    const std::function<void(HWND)>* drive = nullptr;
    HHOOK hook = nullptr;
    UINT_PTR timer = 0;
    HWND dialog = nullptr;
    bool driven = false;
    DWORD started = 0;  // tick count when the driver started or drive returned
    unsigned timeoutMs = 0;
};

Driver driver;

bool IsDialogClass(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return std::strcmp(name, "#32770") == 0;
}

LRESULT CALLBACK WatchCreation(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND && driver.dialog == nullptr) {
        auto window = reinterpret_cast<HWND>(wParam);
        if (IsDialogClass(window)) driver.dialog = window;
    }
    return CallNextHookEx(driver.hook, code, wParam, lParam);
}

void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD) {
    HWND dialog = driver.dialog;
    if (dialog == nullptr || !IsWindow(dialog)) return;
    if (!driver.driven && IsWindowVisible(dialog)) {
        driver.driven = true;
        driver.started = GetTickCount();
        (*driver.drive)(dialog);
        driver.started = GetTickCount();
        return;
    }
    // The test did not end its dialog: end it so that the test fails instead of hanging.
    if (GetTickCount() - driver.started > driver.timeoutMs) EndDialog(dialog, AbandonedCode);
}

}  // namespace

bool PumpMessages() {
    bool quit = false;
    MSG message{};
    if (TheApplication != nullptr) {
        while (TheApplication->PumpMessage(message))
            if (message.message == WM_QUIT) quit = true;
        return quit;
    }
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return quit;
}

void DriveNextDialog(const std::function<void()>& action, const std::function<void(HWND)>& drive,
                     unsigned timeoutMs) {
    driver = Driver{};
    driver.drive = &drive;
    driver.timeoutMs = timeoutMs;
    driver.started = GetTickCount();
    driver.hook = SetWindowsHookExA(WH_CBT, WatchCreation, nullptr, GetCurrentThreadId());
    driver.timer = SetTimer(nullptr, 0, 10, Tick);
    action();
    KillTimer(nullptr, driver.timer);
    if (driver.hook != nullptr) UnhookWindowsHookEx(driver.hook);
    driver = Driver{};
}

int RunModalDriven(Application& app, std::unique_ptr<Dialog> dialog,
                   const std::function<void(HWND)>& drive, unsigned timeoutMs) {
    int code = 0;
    DriveNextDialog([&] { code = app.RunModal(std::move(dialog)); }, drive, timeoutMs);
    return code;
}

HWND FindChild(HWND parent, int id) {
    return parent != nullptr ? GetDlgItem(parent, id) : nullptr;
}

std::string WindowText(HWND window) {
    if (window == nullptr) return std::string();
    int length = GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int got = GetWindowTextA(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<size_t>(got) : 0);
    return text;
}

void Click(HWND button) {
    SendMessageA(button, BM_CLICK, 0, 0);
}

LRESULT SendCommand(HWND window, int id, int code, HWND control) {
    return SendMessageA(window, WM_COMMAND, MAKEWPARAM(id, code),
                        reinterpret_cast<LPARAM>(control));
}

void PressKey(HWND window, UINT virtualKey) {
    UINT scan = MapVirtualKeyA(virtualKey, 0);
    PostMessageA(window, WM_KEYDOWN, virtualKey, static_cast<LPARAM>(1 | (scan << 16)));
    PostMessageA(window, WM_KEYUP, virtualKey,
                 static_cast<LPARAM>(1 | (scan << 16) | (1u << 30) | (1u << 31)));
    PumpMessages();
}

TestApplication::TestApplication(Factory factory, const char* name)
    : Application(name), factory(std::move(factory)) {
    Start();
}

void TestApplication::CreateMainWindow() {
    MainWin = factory ? factory(Name) : nullptr;
}

}  // namespace ui_test
