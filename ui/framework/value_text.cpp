#include "ui/framework/value_text.h"

#include <string>
#include <string_view>

#include "base/kind_text.h"
#include "base/number_text.h"

namespace value_text {

namespace {

void SetText(HWND window, const std::string& text) {
    if (window != nullptr) SetWindowTextA(window, text.c_str());
}

// The window's text, at most size - 1 characters.
template <int size>
std::string_view ReadText(HWND window, char (&buffer)[size]) {
    buffer[0] = '\0';
    if (window == nullptr) return {};
    int length = GetWindowTextA(window, buffer, size);
    if (length < 0) length = 0;
    if (length > size - 1) length = size - 1;
    return std::string_view(buffer, static_cast<size_t>(length));
}

}  // namespace

void SetInteger(HWND window, int32_t value) {
    SetText(window, FormatInteger(value));
}

void SetFloat(HWND window, float value) {
    SetText(window, FormatFloat(value));
}

void SetFixed(HWND window, float value, int decimals) {
    SetText(window, FormatFixed(value, decimals));
}

void SetVersion(HWND window, uint16_t version) {
    SetText(window, FormatVersion(version));
}

void SetOutputKind(HWND window, unsigned code) {
    SetText(window, OutputKindText(code));
}

void SetRelayKind(HWND window, unsigned code) {
    SetText(window, RelayKindText(code));
}

int32_t GetInteger(HWND window) {
    char buffer[16];
    return ParseInteger(ReadText(window, buffer));
}

float GetFloat(HWND window) {
    char buffer[32];
    return ParseFloat(ReadText(window, buffer));
}

}  // namespace value_text
