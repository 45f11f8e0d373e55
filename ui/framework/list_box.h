#pragma once

#include "ui/framework/control.h"

class StringCollection;

// A list box of the class "Listbox". The list operations go through MessageCode, which maps an
// operation number to the message of the control's class, so ComboBox shares them. Negative
// results are the control's own error values, returned unchanged.
class ListBox : public Control {
  public:
    enum ListOperation {
        OpAddString = 0,
        OpInsertString = 1,
        OpDeleteString = 2,
        OpResetContent = 3,
        OpGetCount = 4,
        OpGetText = 5,
        OpGetTextLength = 6,
        OpSelectString = 7,
        OpGetCurSel = 8,
        OpSetCurSel = 9,
    };

    // Transfer record: the strings to show (written) and the selected index (read and written).
    struct TransferRecord {
        StringCollection* Strings = nullptr;
        int Selection = -1;
    };

    // Sorted, notifying, vertical scroll bar, sunken.
    ListBox(WindowObject* parent, int x, int y, int width, int height, int id);
    // Bound to the parent dialog's item `id`; takes part in transfers.
    ListBox(WindowObject* parent, int id);
    const char* WindowClassName() override;
    int TransferValue(void* buffer, int direction) override;

    // Slot 33.
    virtual UINT MessageCode(int operation);

    int AddString(const char* text);
    int InsertString(const char* text, int index);
    void DeleteString(int index);
    void ClearList();
    int GetCount();
    // The buffer must hold GetStringLength(index) + 1 characters.
    int GetString(char* buffer, int index);
    int GetStringLength(int index);
    // Selects the first item after `start` (-1: from the top) that begins with text.
    int SelectString(const char* text, int start);
    int GetSelIndex();
    void SetSelIndex(int index);
    // Copies the selected item into buffer, which holds `size` characters including the zero:
    // at most size - 1 characters, always zero-terminated. Returns the number of characters
    // copied, or -1 (buffer untouched) when nothing is selected or size is below 1.
    int GetSelString(char* buffer, int size);
};

// A combo box of the class "Combobox": editable (CBS_DROPDOWN) or a drop-down list
// (CBS_DROPDOWNLIST). A TextLimit other than 0 limits the edit text to TextLimit - 1 characters.
class ComboBox : public ListBox {
  public:
    ComboBox(WindowObject* parent, int x, int y, int width, int height, int id, int textLimit,
             bool editable);
    // Bound to the parent dialog's item `id`; takes part in transfers.
    ComboBox(WindowObject* parent, int id, int textLimit);
    const char* WindowClassName() override;
    int TransferValue(void* buffer, int direction) override;
    void SetUp() override;
    UINT MessageCode(int operation) override;

    // GetWindowTextA of the combo box: at most maximum - 1 characters and a zero.
    int GetText(char* buffer, int maximum);
    // Selects the first item that begins with text (showing the item's full text); only when no
    // item matches, the text itself is set.
    void SetText(const char* text);

    int TextLimit = 0;
};
