#include "ui/framework/button_controls.h"

#include <cstdint>
#include <cstring>

#include "ui/framework/face_colours.h"

namespace {

constexpr char ButtonClass[] = "Button";

}  // namespace

GroupBox::GroupBox(WindowObject* parent, const char* title, int x, int y, int width, int height,
                   int id)
    : Control(parent, title, x, y, width, height, id) {
    Style = ChildVisible | WS_GROUP | BS_GROUPBOX;
}

GroupBox::GroupBox(WindowObject* parent, int id) : Control(parent, id) {}

const char* GroupBox::WindowClassName() {
    return ButtonClass;
}

void GroupBox::OnPaint(WindowMessage& message) {
    if (Handle == nullptr || !HighContrastOn()) {
        Control::OnPaint(message);
        return;
    }
    PaintGroupBox(Handle);
}

PushButton::PushButton(WindowObject* parent, const char* title, int x, int y, int width, int height,
                       int id)
    : Control(parent, title, x, y, width, height, id) {
    Style = ChildVisible | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON;
}

PushButton::PushButton(WindowObject* parent, int id) : Control(parent, id) {}

const char* PushButton::WindowClassName() {
    return ButtonClass;
}

CheckBox::CheckBox(WindowObject* parent, const char* title, int x, int y, int width, int height,
                   int id)
    : PushButton(parent, title, x, y, width, height, id) {
    Style = ChildVisible | WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX;
}

CheckBox::CheckBox(WindowObject* parent, int id) : PushButton(parent, id) {
    SetFlag(TransferEnabled);
}

const char* CheckBox::WindowClassName() {
    return ButtonClass;
}

int CheckBox::TransferValue(void* buffer, int direction) {
    int32_t state = 0;
    if (direction == TransferGet) {
        state = GetCheck();
        std::memcpy(buffer, &state, sizeof state);
    } else if (direction == TransferSet) {
        std::memcpy(&state, buffer, sizeof state);
        SetCheck(state);
    }
    return sizeof state;
}

void CheckBox::OnPaint(WindowMessage& message) {
    if (Handle == nullptr || IsWindowEnabled(Handle)) {
        PushButton::OnPaint(message);
        return;
    }
    PaintDisabledOnFace(Handle, [&] { PushButton::OnPaint(message); });
}

int CheckBox::GetCheck() {
    return Handle != nullptr ? static_cast<int>(SendMessageA(Handle, BM_GETCHECK, 0, 0)) : 0;
}

void CheckBox::SetCheck(int state) {
    if (Handle != nullptr) SendMessageA(Handle, BM_SETCHECK, static_cast<WPARAM>(state), 0);
}

RadioButton::RadioButton(WindowObject* parent, const char* title, int x, int y, int width,
                         int height, int id)
    : CheckBox(parent, title, x, y, width, height, id) {
    Style = ChildVisible | WS_TABSTOP | BS_AUTORADIOBUTTON;
}

RadioButton::RadioButton(WindowObject* parent, int id) : CheckBox(parent, id) {}

const char* RadioButton::WindowClassName() {
    return ButtonClass;
}
