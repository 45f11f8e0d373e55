#pragma once

#include "ui/framework/control.h"

// Buttons of the class "Button": group box, push button, check box, radio button.

class GroupBox : public Control {
  public:
    GroupBox(WindowObject* parent, const char* title, int x, int y, int width, int height, int id);
    GroupBox(WindowObject* parent, int id);
    const char* WindowClassName() override;
    // In a high-contrast scheme it draws its frame and caption itself, the caption in the colours
    // its parent gives (a themed group box keeps its caption black whatever the parent says).
    void OnPaint(WindowMessage& message) override;
};

class PushButton : public Control {
  public:
    PushButton(WindowObject* parent, const char* title, int x, int y, int width, int height,
               int id);
    PushButton(WindowObject* parent, int id);
    const char* WindowClassName() override;
};

// An auto check box. Bound to a dialog item it takes part in transfers (a 32-bit check state).
class CheckBox : public PushButton {
  public:
    CheckBox(WindowObject* parent, const char* title, int x, int y, int width, int height, int id);
    CheckBox(WindowObject* parent, int id);
    const char* WindowClassName() override;
    int TransferValue(void* buffer, int direction) override;
    // Disabled, its caption takes the disabled-text colour its parent gives.
    void OnPaint(WindowMessage& message) override;

    // 0 unchecked, 1 checked.
    int GetCheck();
    void SetCheck(int state);
    void Uncheck() { SetCheck(BST_UNCHECKED); }
};

// An auto radio button (no WS_GROUP: consecutive radio buttons form one group).
class RadioButton : public CheckBox {
  public:
    RadioButton(WindowObject* parent, const char* title, int x, int y, int width, int height,
                int id);
    RadioButton(WindowObject* parent, int id);
    const char* WindowClassName() override;
};
