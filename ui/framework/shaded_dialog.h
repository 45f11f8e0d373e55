#pragma once

#include "ui/framework/dialog.h"

// A dialog with a light-grey face and grey-backed static texts that set their own text colours
// (the system's colours in a high-contrast scheme, followed when the scheme changes); Esc
// (command 2) ends it with Cancel even when the template has no Cancel button. Every dialog of the
// tool derives from it.
class ShadedDialog : public Dialog {
  public:
    using Dialog::Dialog;

    static constexpr COLORREF FaceColour = RGB(192, 192, 192);

    void Dispatch(WindowMessage& message) override;
    void DispatchCommand(WindowMessage& message, int id) override;
};
