#pragma once

#include <cstdint>
#include <memory>

#include "ui/framework/window_object.h"

// A native window of the class "ZR3Window" (or, for controls, of a predefined class). Build one in
// code with a title (top-level without parent, child with one), or bound to a dialog item by id
// (FromResource). Realize creates or attaches the native window; SetUp then runs inside WM_CREATE
// for framework-class windows and right after subclassing for predefined classes.
class Window : public WindowObject {
  public:
    // Title null or empty gives no title. With a parent: WS_CHILD | WS_VISIBLE; without:
    // WS_OVERLAPPEDWINDOW. X and Width CW_USEDEFAULT.
    Window(WindowObject* parent, const char* title);
    // Bound to the parent dialog's item `id`: style, text and geometry come from the template.
    Window(WindowObject* parent, int id);
    // Releases the native window if a caller deleted the object directly (Destroy() is better).
    ~Window() override;

    void DefaultHandler(WindowMessage& message) override;
    void Dispatch(WindowMessage& message) override;
    int ControlId() override;
    void FillWindowClass(WNDCLASSA& windowClass) override;
    bool Realize() override;
    void OnActivate(WindowMessage& message) override;

    // Slots 26 .. 32.
    virtual void CreateNativeWindow(HWND parentHandle);
    virtual void PaintContent(PAINTSTRUCT& paint);
    virtual void OnCreate(WindowMessage& message);
    virtual void OnPaint(WindowMessage& message);
    virtual void OnMove(WindowMessage& message);
    virtual void OnSize(WindowMessage& message);
    virtual void OnSysCommand(WindowMessage& message);

    void UpdateGeometry();
    void SaveFocus();
    // Gives the saved child the focus again; an unchecked radio button passes it on (FocusTarget).
    void RestoreFocus();
    // Gives a child the focus as the program's own move: whatever the child notifies meanwhile
    // (an automatic radio button checks itself on the focus) is no choice of the user.
    void FocusControl(HWND control);
    // Where the focus meant for `wanted` goes: an unchecked radio button hands it to the checked
    // one of its group, or, with none checked, to the window's first tab stop.
    HWND FocusTarget(HWND wanted) const;
    void SetTitle(const char* title);

    std::unique_ptr<char[]> Title;
    uint32_t Style = 0;
    uint32_t ExStyle = 0;
    int X = 0;
    int Y = 0;
    int Width = 0;
    int Height = 0;
    void* Param = nullptr;
    int Id = 0;
    WNDPROC DefaultProc = nullptr;
    HWND FocusChild = nullptr;
    // True while FocusControl moves the focus.
    bool MovingFocus = false;
};

// The name of the framework's window class.
inline constexpr char FrameworkClassName[] = "ZR3Window";
