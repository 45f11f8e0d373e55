#include "ui/framework/window_object.h"

#include "ui/framework/application.h"
#include "ui/framework/dialog.h"
#include "ui/framework/framework_start.h"
#include "ui/framework/window.h"

WindowObject* CreatingObject = nullptr;

WindowObject::WindowObject(WindowObject* parent) : Parent(parent) {
    // A test or tool that skipped the start-up still gets the registered message.
    if (ObjectPtrMessage == 0) StartFramework();
    if (Parent == nullptr) return;
    if (Parent->LastChild == nullptr) {
        NextSibling = this;
    } else {
        NextSibling = Parent->LastChild->NextSibling;
        Parent->LastChild->NextSibling = this;
    }
    Parent->LastChild = this;
}

WindowObject::~WindowObject() {
    // Derived destructors have run: only this level's slots are reachable now. Destroy(), and the
    // destructors of Window and Dialog, take the native window down before this point.
    DestroyHandle();
    while (LastChild != nullptr)
        FirstChild()->Destroy();
    LeaveParentRing();
    if (CreatingObject == this) CreatingObject = nullptr;
    if (TheApplication != nullptr) {
        if (IsMainWindow()) TheApplication->MainWin = nullptr;
        if (TheApplication->KeyboardWindow == this) TheApplication->KeyboardWindow = nullptr;
        if (TheApplication->MdiClient == this) TheApplication->MdiClient = nullptr;
        TheApplication->ForgetModal(this);
    }
}

void WindowObject::LeaveParentRing() {
    if (Parent == nullptr || Parent->LastChild == nullptr) return;
    WindowObject* previous = Parent->LastChild;
    while (previous->NextSibling != this) {
        previous = previous->NextSibling;
        if (previous == Parent->LastChild) return;  // not in the ring
    }
    if (previous == this) {
        Parent->LastChild = nullptr;
    } else {
        previous->NextSibling = NextSibling;
        if (Parent->LastChild == this) Parent->LastChild = previous;
    }
    Parent = nullptr;
    NextSibling = nullptr;
}

int WindowObject::ChildCount() const {
    int count = 0;
    WindowObject* child = FirstChild();
    while (child != nullptr) {
        ++count;
        child = child == LastChild ? nullptr : child->NextSibling;
    }
    return count;
}

void WindowObject::DefaultCommand(WindowMessage& message) {
    if (Parent != nullptr)
        Parent->DispatchCommand(message, message.WParamLow());
    else
        DefaultHandler(message);
}

void WindowObject::DefaultChildNotify(WindowMessage& message) {
    DefaultHandler(message);
}

void WindowObject::DefaultNotify(WindowMessage& message) {
    if (Parent != nullptr)
        Parent->DispatchChildNotify(message, static_cast<int>(GetWindowLongPtrA(Handle, GWLP_ID)));
}

void WindowObject::Dispatch(WindowMessage& message) {
    switch (message.Message) {
        case WM_DESTROY:
            OnDestroy(message);
            break;
        case WM_ACTIVATE:
            OnActivate(message);
            break;
        case WM_CLOSE:
            OnClose(message);
            break;
        case WM_QUERYENDSESSION:
            OnQueryEndSession(message);
            break;
        case WM_ENDSESSION:
            OnEndSession(message);
            break;
        case WM_COMMAND:
            OnCommand(message);
            break;
        case WM_HSCROLL:
            OnHScroll(message);
            break;
        case WM_VSCROLL:
            OnVScroll(message);
            break;
        default:
            DefaultHandler(message);
            break;
    }
}

void WindowObject::DispatchCommand(WindowMessage& message, int id) {
    if (id == ExitCommandId)
        OnExitCommand(message);
    else
        DefaultCommand(message);
}

void WindowObject::DispatchChildNotify(WindowMessage& message, int) {
    DefaultChildNotify(message);
}

void WindowObject::DispatchNotify(WindowMessage& message, int) {
    DefaultNotify(message);
}

int WindowObject::ControlId() {
    return -1;
}

const char* WindowObject::WindowClassName() {
    return "ZR3Window";
}

bool WindowObject::RegisterWindowClass() {
    WNDCLASSA windowClass{};
    if (GetClassInfoA(ModuleInstance(), WindowClassName(), &windowClass)) return true;
    windowClass = WNDCLASSA{};
    FillWindowClass(windowClass);
    return RegisterClassA(&windowClass) != 0;
}

int WindowObject::TransferValue(void*, int) {
    return 0;
}

void WindowObject::SetUp() {
    if (CreateChildren()) TransferAll(TransferSet);
}

void WindowObject::DestroyHandle() {
    if (Handle != nullptr) DestroyWindow(Handle);
}

bool WindowObject::QueryClose() {
    WindowObject* child = FirstChild();
    while (child != nullptr) {
        if (!child->QueryClose()) return false;
        child = child == LastChild ? nullptr : child->NextSibling;
    }
    return true;
}

void WindowObject::OnActivate(WindowMessage& message) {
    DefaultHandler(message);
    if (HasFlags(KeyboardHandler) && TheApplication != nullptr)
        TheApplication->SetKeyboardWindow(message.WParamLow() != WA_INACTIVE ? this : nullptr);
}

void WindowObject::OnCommand(WindowMessage& message) {
    if (message.LParam == 0) {
        DispatchCommand(message, message.WParamLow());
        return;
    }
    auto control = reinterpret_cast<HWND>(message.LParam);
    if (WindowObject* object = ObjectFromHandle(control))
        object->DispatchNotify(message, message.WParamHigh());
    else
        DispatchChildNotify(message, message.WParamLow());
}

namespace {

// A scroll bar control's notification goes to its object, else to the window by the bar's id.
void RouteScroll(WindowObject& window, WindowMessage& message) {
    auto control = reinterpret_cast<HWND>(message.LParam);
    if (WindowObject* object = WindowObject::ObjectFromHandle(control))
        object->DispatchNotify(message, message.WParamLow());
    else
        window.DispatchChildNotify(message, static_cast<int>(GetWindowLongPtrA(control, GWLP_ID)));
}

}  // namespace

void WindowObject::OnHScroll(WindowMessage& message) {
    if (message.LParam != 0)
        RouteScroll(*this, message);
    else
        DefaultHandler(message);
}

void WindowObject::OnVScroll(WindowMessage& message) {
    if (message.LParam != 0)
        RouteScroll(*this, message);
    else
        DefaultHandler(message);
}

void WindowObject::OnClose(WindowMessage&) {
    RequestClose();
}

void WindowObject::OnDestroy(WindowMessage& message) {
    if (IsMainWindow()) PostQuitMessage(0);
    DefaultHandler(message);
}

void WindowObject::OnQueryEndSession(WindowMessage& message) {
    bool agrees = IsMainWindow() ? TheApplication->QueryEndSession() : QueryClose();
    message.Result = agrees ? 1 : 0;
}

void WindowObject::OnEndSession(WindowMessage& message) {
    // The process may end as soon as this returns: the running dialogs store what they hold now,
    // whichever window hears of it first.
    if (message.WParam != 0 && IsMainWindow()) {
        for (Dialog* dialog : TheApplication->ModalDialogs)
            if (dialog != nullptr && dialog->Handle != nullptr)
                SendMessageA(dialog->Handle, WM_ENDSESSION, message.WParam, message.LParam);
    }
    DefaultHandler(message);
}

void WindowObject::OnExitCommand(WindowMessage& message) {
    if (IsMainWindow())
        RequestClose();
    else
        DefaultCommand(message);
}

void WindowObject::HandleMessage(WindowMessage& message) {
    if (message.Message == ObjectPtrMessage && ObjectPtrMessage != 0) {
        message.Result = reinterpret_cast<LRESULT>(this);
        return;
    }
    Dispatch(message);
}

WindowObject* WindowObject::ObjectFromHandle(HWND handle) {
    if (handle == nullptr || ObjectPtrMessage == 0) return nullptr;
    // Only windows of this process have procedures that can be called from here.
    DWORD process = 0;
    if (GetWindowThreadProcessId(handle, &process) == 0 || process != GetCurrentProcessId())
        return nullptr;
    auto procedure = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(handle, GWLP_WNDPROC));
    if (procedure == nullptr) return nullptr;
    return reinterpret_cast<WindowObject*>(
        CallWindowProcA(procedure, handle, ObjectPtrMessage, 0, 0));
}

void WindowObject::Show(int command) {
    if (Handle != nullptr) ShowWindow(Handle, command);
}

void WindowObject::Enable() {
    if (Handle != nullptr) EnableWindow(Handle, TRUE);
}

void WindowObject::Disable() {
    if (Handle != nullptr) EnableWindow(Handle, FALSE);
}

bool WindowObject::CreateChildren() {
    WindowObject* child = FirstChild();
    while (child != nullptr) {
        WindowObject* next = child == LastChild ? nullptr : child->NextSibling;
        if (!child->Realize()) return false;
        child = next;
    }
    return true;
}

void WindowObject::TransferAll(int direction) {
    if (TransferBuffer == nullptr) return;
    auto* cursor = static_cast<char*>(TransferBuffer);
    WindowObject* child = FirstChild();
    while (child != nullptr) {
        if (child->HasFlags(TransferEnabled)) cursor += child->TransferValue(cursor, direction);
        child = child == LastChild ? nullptr : child->NextSibling;
    }
}

void WindowObject::RequestClose() {
    // The main window does not go from under a running modal dialog: the dialogs end first.
    if (IsMainWindow() && TheApplication->DeferCloseUntilModalEnds()) return;
    bool agrees = IsMainWindow() ? TheApplication->QueryClose() : QueryClose();
    if (agrees) Destroy();
}

void WindowObject::Destroy() {
    DestroyHandle();
    delete this;
}

bool WindowObject::IsMainWindow() const {
    return TheApplication != nullptr && TheApplication->MainWin != nullptr &&
           static_cast<const WindowObject*>(TheApplication->MainWin) == this;
}
