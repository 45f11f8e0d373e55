#include "ui/framework/window.h"

#include <cstring>

#include "ui/framework/framework_start.h"
#include "ui/framework/window_procedure.h"

namespace {

bool IsRadioButton(HWND control) {
    char name[8] = {};
    if (GetClassNameA(control, name, sizeof name) == 0 || lstrcmpiA(name, "Button") != 0)
        return false;
    LONG_PTR type = GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
}

bool IsChecked(HWND button) {
    return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

bool StartsGroup(HWND control) {
    return (GetWindowLongPtrA(control, GWL_STYLE) & WS_GROUP) != 0;
}

// The checked radio button of the group `member` belongs to (from a WS_GROUP sibling up to the
// next one), or null.
HWND CheckedOfGroup(HWND member) {
    HWND first = member;
    while (!StartsGroup(first)) {
        HWND previous = GetWindow(first, GW_HWNDPREV);
        if (previous == nullptr) break;
        first = previous;
    }
    for (HWND control = first; control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        if (control != first && StartsGroup(control)) break;
        if (IsRadioButton(control) && IsChecked(control)) return control;
    }
    return nullptr;
}

}  // namespace

Window::Window(WindowObject* parent, const char* title)
    : WindowObject(parent),
      Style(parent != nullptr ? WS_CHILD | WS_VISIBLE : WS_OVERLAPPEDWINDOW),
      X(CW_USEDEFAULT),
      Width(CW_USEDEFAULT),
      DefaultProc(DefWindowProcA) {
    SetTitle(title);
}

Window::Window(WindowObject* parent, int id)
    : WindowObject(parent), Id(id), DefaultProc(DefWindowProcA) {
    SetFlag(FromResource);
}

Window::~Window() {
    // Only Window's own slots answer from here on; Destroy() avoids even that.
    DestroyHandle();
}

void Window::SetTitle(const char* title) {
    Title.reset();
    if (title == nullptr || title[0] == '\0') return;
    size_t length = std::strlen(title);
    Title = std::make_unique<char[]>(length + 1);
    std::memcpy(Title.get(), title, length + 1);
}

void Window::DefaultHandler(WindowMessage& message) {
    WNDPROC procedure = DefaultProc != nullptr ? DefaultProc : DefWindowProcA;
    message.Result = CallWindowProcA(procedure, message.Receiver, message.Message, message.WParam,
                                     message.LParam);
}

void Window::Dispatch(WindowMessage& message) {
    switch (message.Message) {
        case WM_CREATE:
            OnCreate(message);
            break;
        case WM_MOVE:
            OnMove(message);
            break;
        case WM_SIZE:
            OnSize(message);
            break;
        case WM_PAINT:
            OnPaint(message);
            break;
        case WM_SYSCOMMAND:
            OnSysCommand(message);
            break;
        default:
            WindowObject::Dispatch(message);
            break;
    }
}

int Window::ControlId() {
    return Id;
}

void Window::FillWindowClass(WNDCLASSA& windowClass) {
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = ObjectWindowProc;
    windowClass.cbClsExtra = 0;
    windowClass.cbWndExtra = 0;
    windowClass.hInstance = ModuleInstance();
    windowClass.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszMenuName = nullptr;
    windowClass.lpszClassName = WindowClassName();
}

bool Window::Realize() {
    if (Handle != nullptr) return true;  // realized already: never a second native window
    HWND parentHandle = Parent != nullptr ? Parent->Handle : nullptr;
    if (HasFlags(FromResource)) {
        Handle = GetDlgItem(parentHandle, Id);
    } else if (RegisterWindowClass()) {
        CreatingObject = this;
        CreateNativeWindow(parentHandle);
        // A predefined class never takes the object; do not leave it for the next window.
        if (CreatingObject == this) CreatingObject = nullptr;
    }
    if (Handle != nullptr && ObjectFromHandle(Handle) == nullptr) {
        // A predefined control or a dialog item: subclass it, its own procedure is the default.
        BindObject(Handle, this);
        DefaultProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(Handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ObjectWindowProc)));
        SetUp();
        UpdateGeometry();
    }
    return Handle != nullptr;
}

void Window::OnActivate(WindowMessage& message) {
    WindowObject::OnActivate(message);
    if (!HasFlags(KeyboardHandler)) return;
    if (message.WParamLow() != WA_INACTIVE)
        RestoreFocus();
    else
        SaveFocus();
}

void Window::CreateNativeWindow(HWND parentHandle) {
    // The menu argument carries the id only for child windows; for a top-level one it is a menu.
    auto menu =
        (Style & WS_CHILD) != 0 ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(Id)) : nullptr;
    HWND created = CreateWindowExA(ExStyle, WindowClassName(), Title.get(), Style, X, Y, Width,
                                   Height, parentHandle, menu, ModuleInstance(), Param);
    Handle = created;
}

void Window::PaintContent(PAINTSTRUCT&) {}

void Window::OnCreate(WindowMessage& message) {
    SetUp();
    DefaultHandler(message);
}

void Window::OnPaint(WindowMessage&) {
    PAINTSTRUCT paint{};
    BeginPaint(Handle, &paint);
    PaintContent(paint);
    EndPaint(Handle, &paint);
}

void Window::OnMove(WindowMessage& message) {
    UpdateGeometry();
    DefaultHandler(message);
}

void Window::OnSize(WindowMessage& message) {
    if (message.WParam == SIZE_RESTORED) {
        RECT bounds{};
        if (GetWindowRect(Handle, &bounds)) {
            Width = bounds.right - bounds.left;
            Height = bounds.bottom - bounds.top;
        }
    }
    DefaultHandler(message);
}

void Window::OnSysCommand(WindowMessage& message) {
    if (HasFlags(KeyboardHandler)) {
        WPARAM command = message.WParam & 0xFFF0;
        if (command == SC_MINIMIZE)
            SaveFocus();
        else if (command == SC_RESTORE)
            RestoreFocus();
    }
    DefaultHandler(message);
}

void Window::UpdateGeometry() {
    if (Handle == nullptr || IsIconic(Handle) || IsZoomed(Handle)) return;
    RECT bounds{};
    if (!GetWindowRect(Handle, &bounds)) return;
    Width = bounds.right - bounds.left;
    Height = bounds.bottom - bounds.top;
    POINT corner{bounds.left, bounds.top};
    // The native style decides: a window bound to a dialog item has no Style of its own.
    bool child = (GetWindowLongPtrA(Handle, GWL_STYLE) & WS_CHILD) != 0;
    if (Parent != nullptr && Parent->Handle != nullptr && child)
        ScreenToClient(Parent->Handle, &corner);
    X = corner.x;
    Y = corner.y;
}

void Window::SaveFocus() {
    HWND focus = GetFocus();
    if (focus != nullptr && Handle != nullptr && IsChild(Handle, focus)) FocusChild = focus;
}

void Window::RestoreFocus() {
    if (FocusChild != nullptr && IsWindow(FocusChild) && Handle != nullptr && !IsIconic(Handle))
        FocusControl(FocusTarget(FocusChild));
}

void Window::FocusControl(HWND control) {
    if (control == nullptr) return;
    const bool moving = MovingFocus;
    MovingFocus = true;
    SetFocus(control);
    MovingFocus = moving;
}

HWND Window::FocusTarget(HWND wanted) const {
    // On the focus an automatic radio button checks itself: an unchecked one would change the
    // choice without the user.
    if (wanted == nullptr || !IsRadioButton(wanted) || IsChecked(wanted)) return wanted;
    if (HWND checked = CheckedOfGroup(wanted)) return checked;
    return GetNextDlgTabItem(Handle, nullptr, FALSE);
}
