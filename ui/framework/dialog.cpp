#include "ui/framework/dialog.h"

#include <cstdint>
#include <cstring>

#include "ui/framework/application.h"
#include "ui/framework/framework_start.h"
#include "ui/framework/window_procedure.h"

namespace {

// Names below 65536 are resource ids (MAKEINTRESOURCE), not texts.
bool IsResourceId(const char* name) {
    return reinterpret_cast<uintptr_t>(name) < 0x10000;
}

}  // namespace

Dialog::Dialog(WindowObject* parent, int templateId)
    : WindowObject(parent), TemplateName(MAKEINTRESOURCEA(static_cast<WORD>(templateId))) {}

Dialog::Dialog(WindowObject* parent, const char* templateName) : WindowObject(parent) {
    if (IsResourceId(templateName)) {
        TemplateName = templateName;
        return;
    }
    size_t length = std::strlen(templateName);
    char* copy = new char[length + 1];
    std::memcpy(copy, templateName, length + 1);
    TemplateName = copy;
}

Dialog::~Dialog() {
    // Only Dialog's own slots answer from here on; Destroy() avoids even that.
    DestroyHandle();
    if (HasTemplateNameCopy()) delete[] TemplateName;
}

bool Dialog::HasTemplateNameCopy() const {
    return !IsResourceId(TemplateName);
}

void Dialog::DefaultHandler(WindowMessage& message) {
    message.Result = 0;
}

void Dialog::Dispatch(WindowMessage& message) {
    if (message.Message == WM_INITDIALOG)
        OnInitDialog(message);
    else
        WindowObject::Dispatch(message);
}

void Dialog::DispatchChildNotify(WindowMessage& message, int id) {
    switch (id) {
        case IDOK:
            OnOk(message);
            break;
        case IDCANCEL:
            OnCancel(message);
            break;
        default:
            DefaultChildNotify(message);
            break;
    }
}

// Dialogs use the dialog manager's class; nothing to fill.
void Dialog::FillWindowClass(WNDCLASSA&) {}

bool Dialog::Realize() {
    if (Handle != nullptr) return true;
    SetFlag(KeyboardHandler);
    HWND parentHandle = Parent != nullptr ? Parent->Handle : nullptr;
    CreatingObject = this;
    HWND created =
        CreateDialogParamA(ModuleInstance(), TemplateName, parentHandle, ObjectDialogProc, Param);
    if (CreatingObject == this) CreatingObject = nullptr;
    Handle = created;
    return Handle != nullptr;
}

void Dialog::OnClose(WindowMessage& message) {
    // Not from under a modal window of the dialog's own (a message box, a save dialog): the
    // dialog is disabled while it runs, and the close is refused.
    if (Handle != nullptr && !IsWindowEnabled(Handle)) return;
    OnCancel(message);
}

void Dialog::OnQueryEndSession(WindowMessage& message) {
    // The dialog procedure answers "handled" (1) when closing is refused: the dialog manager then
    // gives the sender the message result 0; an agreeing dialog leaves it to the default (1).
    WindowObject::OnQueryEndSession(message);
    message.Result = message.Result != 0 ? 0 : 1;
}

void Dialog::OnInitDialog(WindowMessage& message) {
    Handle = message.Receiver;
    SetUp();
}

void Dialog::OnOk(WindowMessage&) {
    if (IsModal) {
        if (!QueryClose()) return;
        TransferAll(TransferGet);
        EndModal(OkCode);
    } else {
        RequestClose();
    }
}

void Dialog::OnCancel(WindowMessage&) {
    if (IsModal)
        EndModal(CancelCode);
    else
        RequestClose();
}

int Dialog::ExecuteModal() {
    IsModal = true;
    HWND parentHandle = Parent != nullptr ? Parent->Handle : nullptr;
    CreatingObject = this;
    INT_PTR code =
        DialogBoxParamA(ModuleInstance(), TemplateName, parentHandle, ObjectDialogProc, Param);
    if (CreatingObject == this) CreatingObject = nullptr;
    return static_cast<int>(code);
}

void Dialog::EndModal(int code) {
    if (Handle != nullptr) EndDialog(Handle, code);
}
