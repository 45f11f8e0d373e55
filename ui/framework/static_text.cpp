#include "ui/framework/static_text.h"

#include <cstring>
#include <string>

#include "ui/framework/value_text.h"

StaticText::StaticText(WindowObject* parent, const char* title, int x, int y, int width, int height,
                       int id, int textLimit)
    : Control(parent, title, x, y, width, height, id), TextLimit(textLimit) {
    Style = ChildVisible | WS_GROUP | SS_LEFT;
}

StaticText::StaticText(WindowObject* parent, int id, int textLimit)
    : Control(parent, id), TextLimit(textLimit) {
    SetFlag(TransferEnabled);
}

const char* StaticText::WindowClassName() {
    return "Static";
}

int StaticText::TransferValue(void* buffer, int direction) {
    if (TextLimit <= 0) return 0;
    auto* text = static_cast<char*>(buffer);
    if (direction == TransferGet) {
        std::memset(text, 0, static_cast<size_t>(TextLimit));
        GetText(text, TextLimit);
    } else if (direction == TransferSet) {
        // The buffer's text may lack its zero: show at most TextLimit - 1 characters.
        size_t length = strnlen(text, static_cast<size_t>(TextLimit - 1));
        std::string shown(text, length);
        SetText(shown.c_str());
    }
    return TextLimit;
}

int StaticText::GetText(char* buffer, int maximum) {
    return CopyText(buffer, maximum);
}

void StaticText::SetText(const char* text) {
    if (Handle != nullptr) SetWindowTextA(Handle, text);
}

ValueField::ValueField(WindowObject* parent, const char* title, int x, int y, int width, int height)
    : StaticText(parent, title, x, y, width, height, 0, 0) {
    Style = ChildVisible | WS_GROUP | SS_RIGHT;
    ExStyle = ClientEdge;
}

ValueField::ValueField(WindowObject* parent, int id) : StaticText(parent, id, 0) {}

void ValueField::SetInteger(int32_t value) {
    value_text::SetInteger(Handle, value);
}

void ValueField::SetFloat(float value) {
    value_text::SetFloat(Handle, value);
}

void ValueField::SetFixed(float value, int decimals) {
    value_text::SetFixed(Handle, value, decimals);
}

void ValueField::SetVersion(uint16_t version) {
    value_text::SetVersion(Handle, version);
}

void ValueField::SetOutputKind(unsigned code) {
    value_text::SetOutputKind(Handle, code);
}

void ValueField::SetRelayKind(unsigned code) {
    value_text::SetRelayKind(Handle, code);
}
