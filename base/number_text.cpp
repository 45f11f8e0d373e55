#include "base/number_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

std::string FormatInteger(int32_t value) {
    char buffer[16];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string FormatFixed(float value, int decimals) {
    if (decimals < 0) decimals = 0;
    if (decimals > 20) decimals = 20;
    // A float in fixed form is at most 39 integer digits, a sign, a point and the decimals.
    char buffer[80];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                std::chars_format::fixed, decimals);
    if (result.ec != std::errc()) return std::string();
    return std::string(buffer, result.ptr);
}

std::string FormatScientific(double value, int fractionDigits, int exponentDigits) {
    if (fractionDigits < 0) fractionDigits = 0;
    if (fractionDigits > 30) fractionDigits = 30;
    std::string text(1, std::signbit(value) ? '-' : ' ');
    if (std::isnan(value)) return text + "NAN";
    if (std::isinf(value)) return text + "INF";
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                std::chars_format::scientific, fractionDigits);
    if (result.ec != std::errc()) return text;
    std::string_view digits(buffer, result.ptr - buffer);
    size_t e = digits.find('e');
    text.append(digits.substr(0, e));
    text.push_back('E');
    std::string_view exponent = digits.substr(e + 1);  // sign, then two digits or more
    text.push_back(exponent[0]);
    exponent.remove_prefix(1);
    while (exponent.size() > 1 && exponent[0] == '0')
        exponent.remove_prefix(1);
    for (int i = static_cast<int>(exponent.size()); i < exponentDigits; ++i)
        text.push_back('0');
    text.append(exponent);
    return text;
}

std::string FormatFloat(float value) {
    std::string text = FormatScientific(value, 9, 2);
    size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

std::string FormatVersion(uint16_t version) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "%x.%02x", static_cast<unsigned>(version >> 8),
                  static_cast<unsigned>(version & 0xFF));
    return buffer;
}

int32_t ParseInteger(std::string_view text) {
    if (text.empty()) return 0;
    const char* first = text.data();
    const char* last = first + text.size();
    if (*first == '+') {
        ++first;
        // "+-5" is not a number.
        if (first == last || *first == '-') return 0;
    }
    int32_t value = 0;
    auto result = std::from_chars(first, last, value);
    if (result.ec != std::errc() || result.ptr != last) return 0;
    return value;
}

float ParseFloat(std::string_view text) {
    // Longer input is no number a technician types; it also bounds the local buffer.
    char buffer[64];
    if (text.empty() || text.size() >= sizeof buffer) return 0.0f;
    size_t length = 0;
    for (char c : text)
        buffer[length++] = (c == ',') ? '.' : c;
    buffer[length] = '\0';

    const char* first = buffer;
    const char* last = buffer + length;
    bool negative = false;
    if (*first == '+' || *first == '-') {
        negative = (*first == '-');
        ++first;
    }
    // Only digits or a point may start the number: no "inf", "nan", hex or blanks.
    if (first == last || !((*first >= '0' && *first <= '9') || *first == '.')) return 0.0f;
    // Parsed straight into a float so that the value is rounded once; beyond the float range
    // (either way) is no usable number.
    float value = 0.0f;
    auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last) return 0.0f;
    return negative ? -value : value;
}

namespace {

// Checks the shape of a decimal number and gives it with a point as the mark, or nothing.
std::optional<std::string> DecimalShape(std::string_view text, DecimalMark mark) {
    std::string shape(text);
    size_t i = 0;
    const size_t n = shape.size();
    if (i < n && (shape[i] == '+' || shape[i] == '-')) ++i;
    size_t digits = 0;
    bool markSeen = false;
    for (; i < n; ++i) {
        char& c = shape[i];
        if (c >= '0' && c <= '9') {
            ++digits;
        } else if (!markSeen && (c == '.' || (c == ',' && mark == DecimalMark::PointOrComma))) {
            markSeen = true;
            c = '.';
        } else {
            break;
        }
    }
    if (digits == 0) return std::nullopt;
    if (i < n && (shape[i] == 'e' || shape[i] == 'E')) {
        ++i;
        if (i < n && (shape[i] == '+' || shape[i] == '-')) ++i;
        size_t exponentDigits = 0;
        for (; i < n && shape[i] >= '0' && shape[i] <= '9'; ++i)
            ++exponentDigits;
        if (exponentDigits == 0) return std::nullopt;
    }
    if (i != n) return std::nullopt;
    return shape;
}

// The number of a decimal shape in the type asked for, rounded once; nothing when it is beyond
// that type's range.
template <typename Number>
std::optional<Number> ParseShaped(std::string_view text, DecimalMark mark) {
    const std::optional<std::string> shape = DecimalShape(text, mark);
    if (!shape) return std::nullopt;
    // from_chars takes no plus sign; the shape has at most one, in front.
    const char* first = shape->data();
    const char* last = first + shape->size();
    if (*first == '+') ++first;
    Number value = 0;
    const auto result = std::from_chars(first, last, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != last || !std::isfinite(value))
        return std::nullopt;
    return value;
}

}  // namespace

std::optional<double> ParseDecimal(std::string_view text, DecimalMark mark) {
    return ParseShaped<double>(text, mark);
}

std::optional<float> ParseFiniteFloat(std::string_view text, DecimalMark mark) {
    return ParseShaped<float>(text, mark);
}
