#include "ui/framework/edit_control.h"

#include "ui/framework/face_colours.h"
#include "ui/framework/value_text.h"

EditControl::EditControl(WindowObject* parent, const char* title, int x, int y, int width,
                         int height, int id, int textLimit, bool multiLine)
    : StaticText(parent, title, x, y, width, height, id, textLimit) {
    if (multiLine)
        Style = ChildVisible | WS_VSCROLL | WS_HSCROLL | WS_GROUP | WS_TABSTOP | ES_WANTRETURN |
                ES_MULTILINE;
    else
        Style = ChildVisible | WS_GROUP | WS_TABSTOP | ES_AUTOHSCROLL;
    ExStyle = ClientEdge;
}

EditControl::EditControl(WindowObject* parent, int id, int textLimit)
    : StaticText(parent, id, textLimit) {}

const char* EditControl::WindowClassName() {
    return "Edit";
}

void EditControl::DispatchCommand(WindowMessage& message, int id) {
    switch (id) {
        case CutCommandId:
            CutCommand(message);
            break;
        case CopyCommandId:
            CopyCommand(message);
            break;
        case PasteCommandId:
            PasteCommand(message);
            break;
        case DeleteCommandId:
            DeleteCommand(message);
            break;
        case ClearCommandId:
            ClearCommand(message);
            break;
        case UndoCommandId:
            UndoCommand(message);
            break;
        default:
            StaticText::DispatchCommand(message, id);
            break;
    }
}

void EditControl::SetUp() {
    StaticText::SetUp();
    if (TextLimit != 0 && Handle != nullptr)
        SendMessageA(Handle, EM_LIMITTEXT, static_cast<WPARAM>(TextLimit - 1), 0);
}

void EditControl::OnPaint(WindowMessage& message) {
    if (Handle == nullptr || IsWindowEnabled(Handle) ||
        (GetWindowLongPtrA(Handle, GWL_STYLE) & ES_MULTILINE) != 0) {
        StaticText::OnPaint(message);
        return;
    }
    PaintDisabledEdit(Handle);
}

void EditControl::CutCommand(WindowMessage&) {
    Cut();
}
void EditControl::CopyCommand(WindowMessage&) {
    Copy();
}
void EditControl::PasteCommand(WindowMessage&) {
    Paste();
}
void EditControl::DeleteCommand(WindowMessage&) {
    DeleteSelection();
}
void EditControl::ClearCommand(WindowMessage&) {
    ClearText();
}
void EditControl::UndoCommand(WindowMessage&) {
    Undo();
}

void EditControl::Cut() {
    if (Handle != nullptr) SendMessageA(Handle, WM_CUT, 0, 0);
}

void EditControl::Copy() {
    if (Handle != nullptr) SendMessageA(Handle, WM_COPY, 0, 0);
}

void EditControl::Paste() {
    if (Handle != nullptr) SendMessageA(Handle, WM_PASTE, 0, 0);
}

void EditControl::DeleteSelection() {
    if (Handle != nullptr) SendMessageA(Handle, WM_CLEAR, 0, 0);
}

void EditControl::Undo() {
    if (Handle != nullptr) SendMessageA(Handle, WM_UNDO, 0, 0);
}

NumberEdit::NumberEdit(WindowObject* parent, const char* title, int x, int y, int width, int height,
                       int id)
    : EditControl(parent, title, x, y, width, height, id, 0, false) {
    Style = ChildVisible | WS_GROUP | WS_TABSTOP | ES_RIGHT;
}

NumberEdit::NumberEdit(WindowObject* parent, int id) : EditControl(parent, id, 0) {}

void NumberEdit::SetInteger(int32_t value) {
    value_text::SetInteger(Handle, value);
}

void NumberEdit::SetFloat(float value) {
    value_text::SetFloat(Handle, value);
}

void NumberEdit::SetFixed(float value, int decimals) {
    value_text::SetFixed(Handle, value, decimals);
}

std::optional<int32_t> NumberEdit::GetInteger() {
    return value_text::GetInteger(Handle);
}

std::optional<float> NumberEdit::GetFloat() {
    return value_text::GetFloat(Handle);
}

bool NumberEdit::IsEmpty() {
    return Handle == nullptr || GetWindowTextLengthA(Handle) == 0;
}

void NumberEdit::FocusAndSelectAll() {
    if (Handle == nullptr) return;
    SetFocus(Handle);
    SendMessageA(Handle, EM_SETSEL, 0, -1);
}
