#include "ui/framework/value_text.h"

#include <charconv>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "base/kind_text.h"
#include "base/number_text.h"

namespace value_text {

namespace {

void SetText(HWND window, const std::string& text) {
    if (window != nullptr) SetWindowTextA(window, text.c_str());
}

}  // namespace

std::string GetWholeText(HWND window) {
    if (window == nullptr) return {};
    // The length may grow between the two calls; one more character shows that it did.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int length = GetWindowTextLengthA(window);
        if (length <= 0) return {};
        std::vector<char> buffer(static_cast<size_t>(length) + 2, '\0');
        int copied = GetWindowTextA(window, buffer.data(), length + 2);
        if (copied < 0) copied = 0;
        if (copied <= length) return std::string(buffer.data(), static_cast<size_t>(copied));
    }
    return {};
}

void SetInteger(HWND window, int32_t value) {
    SetText(window, FormatInteger(value));
}

void SetFloat(HWND window, float value) {
    SetText(window, std::isfinite(value) ? FormatFloat(value) : std::string(InvalidText));
}

void SetFixed(HWND window, float value, int decimals) {
    SetText(window, std::isfinite(value) ? FormatFixed(value, decimals) : std::string(InvalidText));
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

std::optional<int32_t> GetInteger(HWND window) {
    const std::string text = GetWholeText(window);
    const char* first = text.data();
    const char* last = first + text.size();
    // "+5" is a number, "+-5" and "+" are not.
    if (first != last && *first == '+' && last - first > 1 && first[1] != '-') ++first;
    int32_t value = 0;
    auto result = std::from_chars(first, last, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != last) return std::nullopt;
    return value;
}

std::optional<float> GetFloat(HWND window) {
    return ParseFiniteFloat(GetWholeText(window), DecimalMark::PointOrComma);
}

}  // namespace value_text
