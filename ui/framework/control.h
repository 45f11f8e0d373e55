#pragma once

#include "ui/framework/window.h"

// Base of the wrappers of predefined control classes. Built in code (parent, title, position,
// size, id) a control is created by Realize with its class's style; bound to a dialog item
// (parent dialog, id) it attaches to the existing item. Either way the native control is
// subclassed, so its messages pass through the object and then on to the class's own procedure.
class Control : public Window {
  public:
    static constexpr uint32_t ChildVisible = 0x50000000;  // WS_CHILD | WS_VISIBLE
    static constexpr uint32_t ClientEdge = 0x200;         // WS_EX_CLIENTEDGE

    // Style WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP.
    Control(WindowObject* parent, const char* title, int x, int y, int width, int height, int id);
    // Bound to the parent dialog's item `id`.
    Control(WindowObject* parent, int id);

    const char* WindowClassName() override = 0;
    // Predefined classes need no registration.
    bool RegisterWindowClass() override;
    // The control paints itself.
    void OnPaint(WindowMessage& message) override;

  protected:
    // GetWindowTextA: at most maximum - 1 characters and a zero, an empty text before the
    // native window exists; returns the length copied.
    int CopyText(char* buffer, int maximum);
};
