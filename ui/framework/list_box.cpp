#include "ui/framework/list_box.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>

#include "base/object_collection.h"

namespace {

// The messages of the list operations, by operation number.
constexpr UINT ListBoxMessages[] = {
    LB_ADDSTRING, LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT, LB_GETCOUNT,
    LB_GETTEXT,   LB_GETTEXTLEN,   LB_SELECTSTRING, LB_GETCURSEL,    LB_SETCURSEL,
};
constexpr UINT ComboBoxMessages[] = {
    CB_ADDSTRING, CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT, CB_GETCOUNT,
    CB_GETLBTEXT, CB_GETLBTEXTLEN, CB_SELECTSTRING, CB_GETCURSEL,    CB_SETCURSEL,
};
constexpr int OperationCount = 10;

// Writes every string of the collection into the list (the control is cleared first).
void FillList(ListBox& list, StringCollection* strings) {
    list.ClearList();
    if (strings == nullptr) return;
    for (int i = 0; i < strings->Count; ++i)
        list.AddString(strings->TextAt(i));
}

}  // namespace

ListBox::ListBox(WindowObject* parent, int x, int y, int width, int height, int id)
    : Control(parent, nullptr, x, y, width, height, id) {
    Style = ChildVisible | WS_VSCROLL | WS_GROUP | WS_TABSTOP | LBS_SORT | LBS_NOTIFY;
    ExStyle = ClientEdge;
}

ListBox::ListBox(WindowObject* parent, int id) : Control(parent, id) {
    SetFlag(TransferEnabled);
}

const char* ListBox::WindowClassName() {
    return "Listbox";
}

int ListBox::TransferValue(void* buffer, int direction) {
    TransferRecord record;
    std::memcpy(&record, buffer, sizeof record);
    if (direction == TransferGet) {
        record.Selection = GetSelIndex();
        std::memcpy(buffer, &record, sizeof record);
    } else if (direction == TransferSet) {
        FillList(*this, record.Strings);
        SetSelIndex(record.Selection);
    }
    return sizeof record;
}

UINT ListBox::MessageCode(int operation) {
    return operation >= 0 && operation < OperationCount ? ListBoxMessages[operation] : 0;
}

int ListBox::AddString(const char* text) {
    return static_cast<int>(
        SendMessageA(Handle, MessageCode(OpAddString), 0, reinterpret_cast<LPARAM>(text)));
}

int ListBox::InsertString(const char* text, int index) {
    return static_cast<int>(SendMessageA(Handle, MessageCode(OpInsertString),
                                         static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(text)));
}

void ListBox::DeleteString(int index) {
    SendMessageA(Handle, MessageCode(OpDeleteString), static_cast<WPARAM>(index), 0);
}

void ListBox::ClearList() {
    SendMessageA(Handle, MessageCode(OpResetContent), 0, 0);
}

int ListBox::GetCount() {
    return static_cast<int>(SendMessageA(Handle, MessageCode(OpGetCount), 0, 0));
}

int ListBox::GetString(char* buffer, int index) {
    return static_cast<int>(SendMessageA(Handle, MessageCode(OpGetText), static_cast<WPARAM>(index),
                                         reinterpret_cast<LPARAM>(buffer)));
}

int ListBox::GetStringLength(int index) {
    return static_cast<int>(
        SendMessageA(Handle, MessageCode(OpGetTextLength), static_cast<WPARAM>(index), 0));
}

int ListBox::SelectString(const char* text, int start) {
    return static_cast<int>(SendMessageA(Handle, MessageCode(OpSelectString),
                                         static_cast<WPARAM>(start),
                                         reinterpret_cast<LPARAM>(text)));
}

int ListBox::GetSelIndex() {
    return static_cast<int>(SendMessageA(Handle, MessageCode(OpGetCurSel), 0, 0));
}

void ListBox::SetSelIndex(int index) {
    SendMessageA(Handle, MessageCode(OpSetCurSel), static_cast<WPARAM>(index), 0);
}

int ListBox::GetSelString(char* buffer, int size) {
    if (Handle == nullptr || size < 1) return -1;
    int index = GetSelIndex();
    if (index < 0) return -1;
    int length = GetStringLength(index);
    if (length < 0) return -1;
    // Always through a buffer of the item's own size: the control may write length + 1 bytes.
    std::unique_ptr<char[]> item(new (std::nothrow) char[static_cast<size_t>(length) + 1]);
    if (item == nullptr) return -1;
    int got = GetString(item.get(), index);
    if (got < 0) return -1;
    if (got > length) got = length;
    int copied = got < size - 1 ? got : size - 1;
    std::memcpy(buffer, item.get(), static_cast<size_t>(copied));
    buffer[copied] = '\0';
    return copied;
}

ComboBox::ComboBox(WindowObject* parent, int x, int y, int width, int height, int id, int textLimit,
                   bool editable)
    : ListBox(parent, x, y, width, height, id), TextLimit(textLimit) {
    Style = ChildVisible | WS_VSCROLL | WS_GROUP | WS_TABSTOP | CBS_SORT |
            (editable ? CBS_AUTOHSCROLL | CBS_DROPDOWN : CBS_DROPDOWNLIST);
    ExStyle = ClientEdge;
}

ComboBox::ComboBox(WindowObject* parent, int id, int textLimit)
    : ListBox(parent, id), TextLimit(textLimit) {}

const char* ComboBox::WindowClassName() {
    return "Combobox";
}

int ComboBox::TransferValue(void* buffer, int direction) {
    auto* bytes = static_cast<char*>(buffer);
    StringCollection* strings = nullptr;
    std::memcpy(&strings, bytes, sizeof strings);
    char* text = bytes + sizeof strings;
    int textSize = TextLimit > 0 ? TextLimit : 0;
    if (direction == TransferGet) {
        if (textSize > 0) {
            std::memset(text, 0, static_cast<size_t>(textSize));
            GetText(text, textSize);
        }
    } else if (direction == TransferSet) {
        FillList(*this, strings);
        if (textSize > 0) {
            std::string shown(text, strnlen(text, static_cast<size_t>(textSize - 1)));
            SetText(shown.c_str());
        }
    }
    return static_cast<int>(sizeof strings) + textSize;
}

void ComboBox::SetUp() {
    ListBox::SetUp();
    if (TextLimit != 0 && Handle != nullptr)
        SendMessageA(Handle, CB_LIMITTEXT, static_cast<WPARAM>(TextLimit - 1), 0);
}

UINT ComboBox::MessageCode(int operation) {
    return operation >= 0 && operation < OperationCount ? ComboBoxMessages[operation] : 0;
}

int ComboBox::GetText(char* buffer, int maximum) {
    return CopyText(buffer, maximum);
}

void ComboBox::SetText(const char* text) {
    if (Handle == nullptr) return;
    if (SelectString(text, -1) < 0) SetWindowTextA(Handle, text);
}
