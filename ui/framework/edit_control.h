#pragma once

#include <cstdint>
#include <optional>

#include "ui/framework/static_text.h"

// An edit field of the class "Edit", single or multi-line. A TextLimit other than 0 limits the
// typed text to TextLimit - 1 characters (set in SetUp). The commands 0xFF00 .. 0xFF05 sent to the
// field itself cut, copy, paste, delete the selection, clear the text and undo.
class EditControl : public StaticText {
  public:
    static constexpr int CutCommandId = 0xFF00;
    static constexpr int CopyCommandId = 0xFF01;
    static constexpr int PasteCommandId = 0xFF02;
    static constexpr int DeleteCommandId = 0xFF03;
    static constexpr int ClearCommandId = 0xFF04;
    static constexpr int UndoCommandId = 0xFF05;

    EditControl(WindowObject* parent, const char* title, int x, int y, int width, int height,
                int id, int textLimit, bool multiLine);
    EditControl(WindowObject* parent, int id, int textLimit);
    const char* WindowClassName() override;
    void DispatchCommand(WindowMessage& message, int id) override;
    void SetUp() override;
    // Disabled and single-line, it draws its text in the colours its parent gives.
    void OnPaint(WindowMessage& message) override;

    // Slots 33 .. 38.
    virtual void CutCommand(WindowMessage& message);
    virtual void CopyCommand(WindowMessage& message);
    virtual void PasteCommand(WindowMessage& message);
    virtual void DeleteCommand(WindowMessage& message);
    virtual void ClearCommand(WindowMessage& message);
    virtual void UndoCommand(WindowMessage& message);

    void Cut();
    void Copy();
    void Paste();
    void DeleteSelection();
    void Undo();
};

// A right-aligned, sunken edit field in which the user types a number. The whole text is read;
// a text that is not, in full, a number reads as nothing; a comma counts as the decimal point.
class NumberEdit : public EditControl {
  public:
    NumberEdit(WindowObject* parent, const char* title, int x, int y, int width, int height,
               int id);
    NumberEdit(WindowObject* parent, int id);

    void SetInteger(int32_t value);
    void SetFloat(float value);
    void SetFixed(float value, int decimals);
    // A signed 32-bit decimal integer, nothing for any other text (an empty one too).
    std::optional<int32_t> GetInteger();
    // A finite number that a float holds, nothing for any other text (an empty one too).
    std::optional<float> GetFloat();
    bool IsEmpty();
    // The focus to the edit with its whole text selected, for the user to type it again.
    void FocusAndSelectAll();
};
