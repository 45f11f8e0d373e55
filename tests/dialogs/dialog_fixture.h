#pragma once

#include <functional>
#include <memory>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/ui_support/ui_support.h"
#include "ui/framework/dialog.h"

// What the dialog tests share: an application with a plain main window as the dialogs' parent,
// and short ways to look at and work a dialog's items from inside its modal loop.
class DialogTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;

    WindowObject* Parent();
    // Runs the dialog modally while drive works it; returns the code it ended with.
    int Run(std::unique_ptr<Dialog> dialog, const std::function<void(HWND)>& drive);

    std::unique_ptr<ui_test::TestApplication> app;
};

// Timer period that keeps real ticks away while a test sends its own.
constexpr UINT NoRealTicks = 0x7FFFFFFF;

namespace dialog_items {

HWND Item(HWND dialog, int id);
std::string Text(HWND dialog, int id);
void SetText(HWND dialog, int id, const char* text);
bool Enabled(HWND dialog, int id);
bool Checked(HWND dialog, int id);
// A click as the user makes it; nothing happens on a disabled button.
void ClickItem(HWND dialog, int id);
// One timer tick, as the window system delivers it.
void Tick(HWND dialog, UINT_PTR timerId, int count = 1);
// Ends a dialog with Esc's command (id 2 without a control).
void Cancel(HWND dialog);
// Whether the dialog is still running: EndDialog hides it and ends the loop later.
bool StillOpen(HWND dialog);
int ProgressPosition(HWND dialog, int id);
int ProgressHigh(HWND dialog, int id);

}  // namespace dialog_items
