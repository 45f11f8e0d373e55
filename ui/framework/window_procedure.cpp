#include "ui/framework/window_procedure.h"

#include "ui/framework/dialog.h"
#include "ui/framework/framework_start.h"
#include "ui/framework/window.h"

namespace {

// The property that holds a window's object.
constexpr char ObjectProperty[] = "ZR3Object";

void Unbind(HWND window, WindowObject* object) {
    RemovePropA(window, ObjectProperty);
    if (object->Handle == window) object->Handle = nullptr;
}

// Takes the object being created, if it is of the kind this procedure serves.
template <typename Kind>
Kind* TakeCreatingObject(HWND window) {
    auto* object = dynamic_cast<Kind*>(CreatingObject);
    if (object == nullptr) return nullptr;
    CreatingObject = nullptr;
    BindObject(window, object);
    return object;
}

}  // namespace

WindowObject* BoundObject(HWND window) {
    if (window == nullptr) return nullptr;
    return static_cast<WindowObject*>(GetPropA(window, ObjectProperty));
}

void BindObject(HWND window, WindowObject* object) {
    SetPropA(window, ObjectProperty, object);
    object->Handle = window;
}

LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = dynamic_cast<Window*>(BoundObject(window));
    if (object == nullptr) object = TakeCreatingObject<Window>(window);
    if (object == nullptr) return DefWindowProcA(window, message, wParam, lParam);

    WindowMessage record{window, message, wParam, lParam, 1};
    if (message == WM_NCDESTROY) {
        // Last message: the window is unbound before it is handled, and a subclassed control gets
        // its own procedure back (unless someone subclassed it after us).
        Unbind(window, object);
        if (object->DefaultProc != nullptr && object->DefaultProc != DefWindowProcA &&
            reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC)) == ObjectWindowProc)
            SetWindowLongPtrA(window, GWLP_WNDPROC,
                              reinterpret_cast<LONG_PTR>(object->DefaultProc));
    }
    try {
        object->HandleMessage(record);
    } catch (...) {
        // No exception may unwind into the window system; the message counts as not handled.
        return 0;
    }
    return record.Result;
}

INT_PTR CALLBACK ObjectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    WindowObject* object = BoundObject(dialog);
    if (object == nullptr) object = TakeCreatingObject<Dialog>(dialog);
    if (object == nullptr) return FALSE;

    WindowMessage record{dialog, message, wParam, lParam, 1};
    if (message == WM_NCDESTROY) Unbind(dialog, object);
    try {
        object->HandleMessage(record);
    } catch (...) {
        return FALSE;
    }
    // The dialog manager hands a sender the message result, not the procedure's return value.
    if (message == ObjectPtrMessage && ObjectPtrMessage != 0) {
        SetWindowLongPtrA(dialog, DWLP_MSGRESULT, record.Result);
        return TRUE;
    }
    return record.Result;
}
