#pragma once

#include <cstdint>

#include "ui/framework/control.h"

// A text of the class "Static". TextLimit is the size of a text buffer in characters including
// the terminating zero (0 = no limit); bound to a dialog item the text takes part in transfers.
class StaticText : public Control {
  public:
    StaticText(WindowObject* parent, const char* title, int x, int y, int width, int height, int id,
               int textLimit);
    StaticText(WindowObject* parent, int id, int textLimit);
    const char* WindowClassName() override;
    int TransferValue(void* buffer, int direction) override;

    // GetWindowTextA: at most maximum - 1 characters and a zero; returns the length copied.
    int GetText(char* buffer, int maximum);
    // Nothing happens before the native window exists.
    void SetText(const char* text);
    void ClearText() { SetText(""); }

    int TextLimit = 0;
};

// A read-only, right-aligned, sunken field showing a converter value. The value operations only
// set the text of the control's handle (see value_text.h for the same on any window).
class ValueField : public StaticText {
  public:
    ValueField(WindowObject* parent, const char* title, int x, int y, int width, int height);
    ValueField(WindowObject* parent, int id);

    void SetInteger(int32_t value);
    void SetFloat(float value);
    void SetFixed(float value, int decimals);
    void SetVersion(uint16_t version);
    void SetOutputKind(unsigned code);
    void SetRelayKind(unsigned code);
};
