#include "tests/dialogs/dialog_fixture.h"

#include <commctrl.h>

#include "ui/framework/framework_start.h"
#include "ui/framework/window.h"

void DialogTest::SetUpTestSuite() {
    StartFramework();
}

void DialogTest::SetUp() {
    app = std::make_unique<ui_test::TestApplication>([](const char* name) {
        auto* window = new Window(nullptr, name);
        window->Style = WS_OVERLAPPEDWINDOW;
        window->X = 0;
        window->Y = 0;
        window->Width = 640;
        window->Height = 480;
        return window;
    });
    ASSERT_NE(app->MainWin, nullptr) << GetLastError();
}

void DialogTest::TearDown() {
    app.reset();
    ui_test::PumpMessages();
}

WindowObject* DialogTest::Parent() {
    return app->MainWin;
}

int DialogTest::Run(std::unique_ptr<Dialog> dialog, const std::function<void(HWND)>& drive) {
    return ui_test::RunModalDriven(*app, std::move(dialog), drive);
}

namespace dialog_items {

HWND Item(HWND dialog, int id) {
    return GetDlgItem(dialog, id);
}

std::string Text(HWND dialog, int id) {
    return ui_test::WindowText(Item(dialog, id));
}

void SetText(HWND dialog, int id, const char* text) {
    SetWindowTextA(Item(dialog, id), text);
}

bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(Item(dialog, id)) != FALSE;
}

bool Checked(HWND dialog, int id) {
    return SendMessageA(Item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void ClickItem(HWND dialog, int id) {
    // The user cannot press a disabled button (BM_CLICK itself would still click it).
    HWND button = Item(dialog, id);
    if (IsWindowEnabled(button)) ui_test::Click(button);
}

void Tick(HWND dialog, UINT_PTR timerId, int count) {
    for (int i = 0; i < count; ++i)
        SendMessageA(dialog, WM_TIMER, timerId, 0);
}

void Cancel(HWND dialog) {
    ui_test::SendCommand(dialog, IDCANCEL);
}

bool StillOpen(HWND dialog) {
    return IsWindow(dialog) && IsWindowVisible(dialog);
}

int ProgressPosition(HWND dialog, int id) {
    return static_cast<int>(SendMessageA(Item(dialog, id), PBM_GETPOS, 0, 0));
}

int ProgressHigh(HWND dialog, int id) {
    return static_cast<int>(SendMessageA(Item(dialog, id), PBM_GETRANGE, FALSE, 0));
}

}  // namespace dialog_items
