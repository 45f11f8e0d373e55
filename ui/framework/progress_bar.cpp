#include "ui/framework/progress_bar.h"

#include <commctrl.h>

#include "ui/framework/face_colours.h"
#include "ui/framework/visual_style.h"

namespace {

// The face's light grey, or the system's colour in a high-contrast scheme.
COLORREF BarBackground() {
    return HighContrastOn() ? CLR_DEFAULT : RGB(192, 192, 192);
}

}  // namespace

ProgressBar::ProgressBar(WindowObject* parent, int x, int y, int width, int height, int id)
    : Control(parent, nullptr, x, y, width, height, id) {}

ProgressBar::ProgressBar(WindowObject* parent, int id) : Control(parent, id) {}

const char* ProgressBar::WindowClassName() {
    return PROGRESS_CLASSA;
}

void ProgressBar::SetUp() {
    Control::SetUp();
    // A themed bar draws its own background: light grey holds only on the classic bar, which
    // also takes the classic bar's sunken edge (it gets it only when created without a theme).
    if (DrawWithoutTheme(Handle)) {
        SetWindowLongPtrA(Handle, GWL_EXSTYLE,
                          GetWindowLongPtrA(Handle, GWL_EXSTYLE) | WS_EX_STATICEDGE);
        SetWindowPos(Handle, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    if (Handle != nullptr) SendMessageA(Handle, SetBackgroundColour, 0, BarBackground());
    SetRange(0, 100);
    SetStep(1);
}

void ProgressBar::Dispatch(WindowMessage& message) {
    if (message.Message == WM_SYSCOLORCHANGE && Handle != nullptr)
        SendMessageA(Handle, SetBackgroundColour, 0, BarBackground());
    Control::Dispatch(message);
}

void ProgressBar::SetRange(int low, int high) {
    if (Handle != nullptr) SendMessageA(Handle, PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void ProgressBar::SetStep(int step) {
    if (Handle != nullptr) SendMessageA(Handle, PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void ProgressBar::SetPosition(int position) {
    if (Handle != nullptr) SendMessageA(Handle, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

void ProgressBar::StepIt() {
    if (Handle != nullptr) SendMessageA(Handle, PBM_STEPIT, 0, 0);
}
