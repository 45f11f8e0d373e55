#pragma once

#include <cstdint>

#include <windows.h>

#include "base/base_object.h"
#include "ui/framework/window_message.h"

// Root of every window object: the main window, each dialog and each control. The object owns its
// native window (Handle) and its child objects, which form a ring in construction order: LastChild
// points to the last child, whose NextSibling is the first. Messages of the native window reach
// HandleMessage through one common window (or dialog) procedure that finds the object through a
// window property; the binding is removed on WM_NCDESTROY, when Handle becomes null again.
//
// Use: derive (in practice from Window or Dialog), override Dispatch for further messages and hand
// the rest to the inherited Dispatch; controls' notifications arrive as DispatchChildNotify with
// the control's id. Children are created with `new Child(this, ...)`; the parent destroys them.
// Destroy a window object with Destroy() (or RequestClose): it takes the native window down while
// the whole object still receives its messages, then deletes the object.
class WindowObject : public BaseObject {
  public:
    // Flags.
    static constexpr uint32_t KeyboardHandler = 1;  // dialog-style keyboard handling when active
    static constexpr uint32_t FromResource = 2;     // attaches to a dialog item by Id
    static constexpr uint32_t TransferEnabled = 4;  // takes part in TransferAll

    // Directions of TransferValue and TransferAll.
    static constexpr int TransferGet = 1;  // control -> buffer
    static constexpr int TransferSet = 2;  // buffer -> control

    // Command id that closes the main window (and travels up from any other window).
    static constexpr int ExitCommandId = 65300;

    // Appends the object to the parent's child ring (parent may be null).
    explicit WindowObject(WindowObject* parent);
    // Destroys the native window (if still there), then each child in ring order, leaves the
    // parent's ring, and clears the application's MainWin / KeyboardWindow if they point here.
    ~WindowObject() override;

    // Slots 1 .. 25.
    virtual void DefaultHandler(WindowMessage& message) = 0;
    virtual void DefaultCommand(WindowMessage& message);
    virtual void DefaultChildNotify(WindowMessage& message);
    virtual void DefaultNotify(WindowMessage& message);
    virtual void Dispatch(WindowMessage& message);
    virtual void DispatchCommand(WindowMessage& message, int id);
    virtual void DispatchChildNotify(WindowMessage& message, int id);
    virtual void DispatchNotify(WindowMessage& message, int code);
    virtual int ControlId();
    virtual const char* WindowClassName();
    virtual void FillWindowClass(WNDCLASSA& windowClass) = 0;
    virtual bool RegisterWindowClass();
    virtual bool Realize() = 0;
    // Returns the number of bytes the object occupies in a transfer buffer.
    virtual int TransferValue(void* buffer, int direction);
    virtual void SetUp();
    virtual void DestroyHandle();
    virtual bool QueryClose();
    virtual void OnActivate(WindowMessage& message);
    virtual void OnCommand(WindowMessage& message);
    virtual void OnHScroll(WindowMessage& message);
    virtual void OnVScroll(WindowMessage& message);
    virtual void OnClose(WindowMessage& message);
    virtual void OnDestroy(WindowMessage& message);
    virtual void OnQueryEndSession(WindowMessage& message);
    virtual void OnExitCommand(WindowMessage& message);
    // WM_ENDSESSION: the main window hands an ending session on to the running modal dialogs.
    virtual void OnEndSession(WindowMessage& message);

    // What the common procedures call: answers ObjectPtrMessage, dispatches everything else.
    void HandleMessage(WindowMessage& message);
    // The object bound to a window of this process, found by asking the window's own procedure
    // with ObjectPtrMessage; null for a null handle and for windows without an object.
    static WindowObject* ObjectFromHandle(HWND handle);

    void SetFlag(uint32_t mask) { Flags |= mask; }
    bool HasFlags(uint32_t mask) const { return (Flags & mask) == mask; }
    void Show(int command);
    void Enable();
    void Disable();
    // Realizes each child in ring order; stops at the first failure. True when all succeeded.
    bool CreateChildren();
    void TransferAll(int direction);
    // Asks the application (main window) or this object whether it may close; if so, Destroy().
    void RequestClose();
    // Destroys the native window while the object is whole, then deletes the object.
    void Destroy();
    // True when this object is the application's main window.
    bool IsMainWindow() const;

    // The ring in construction order: FirstChild, then NextSibling until LastChild.
    WindowObject* FirstChild() const {
        return LastChild != nullptr ? LastChild->NextSibling : nullptr;
    }
    int ChildCount() const;

    WindowObject* Parent = nullptr;
    WindowObject* LastChild = nullptr;
    WindowObject* NextSibling = nullptr;
    HWND Handle = nullptr;
    uint32_t Flags = 0;
    void* TransferBuffer = nullptr;

  private:
    void LeaveParentRing();
};

// The object whose native window is being created (CreateWindowExA, CreateDialogParamA,
// DialogBoxParamA); the common procedure binds it on the new window's first message. Creation of
// framework-class windows must not nest before that first message.
extern WindowObject* CreatingObject;
