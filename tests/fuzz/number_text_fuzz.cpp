// Fuzzes the number readers with arbitrary text. ParseInteger must give exactly the value of a
// text that is a whole signed 32-bit decimal and 0 for anything else; ParseFloat must give a
// finite value, 0 for anything that is not a plain decimal number, the correctly rounded float
// for one that is, and a float it accepts must come back unchanged through its own text.
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "base/number_text.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view text) {
    std::fprintf(stderr, "number text fuzz: %s for \"%.*s\"\n", what, static_cast<int>(text.size()),
                 text.data());
    std::abort();
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// Optional sign, then one or more digits, nothing else; value within int32.
bool IntegerValue(std::string_view text, int64_t& value) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    if (i == text.size()) return false;
    int64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return false;
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 2147483648LL) return false;
    }
    value = negative ? -magnitude : magnitude;
    return value >= INT32_MIN && value <= INT32_MAX;
}

// Optional sign, digits with at most one point (a comma counts as one) and at least one digit,
// then optionally e or E, an optional sign and one or more digits.
bool IsDecimal(std::string_view text) {
    size_t i = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    size_t digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (IsDigit(text[i])) {
            ++digits;
        } else if ((text[i] == '.' || text[i] == ',') && !point) {
            point = true;
        } else {
            break;
        }
    }
    if (digits == 0) return false;
    if (i == text.size()) return true;
    if (text[i] != 'e' && text[i] != 'E') return false;
    ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i == text.size()) return false;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) return false;
    }
    return true;
}

void CheckInteger(std::string_view text) {
    const int32_t parsed = ParseInteger(text);
    int64_t value = 0;
    const int64_t expected = IntegerValue(text, value) ? value : 0;
    if (parsed != expected) Fail("ParseInteger gave the wrong value", text);
    if (ParseInteger(FormatInteger(parsed)) != parsed)
        Fail("integer text does not round-trip", text);
}

void CheckFloat(std::string_view text) {
    const float parsed = ParseFloat(text);
    if (!std::isfinite(parsed)) Fail("ParseFloat gave a value that is not finite", text);
    const bool decimal = text.size() < 64 && IsDecimal(text);
    if (!decimal && parsed != 0.0f) Fail("ParseFloat accepted a text that is no number", text);
    if (decimal) {
        // The C library's reader as the reference, on the text with a point for the comma.
        std::string copy(text);
        for (char& c : copy) {
            if (c == ',') c = '.';
        }
        errno = 0;
        const float reference = std::strtof(copy.c_str(), nullptr);
        if (errno == 0 && std::isnormal(reference) && parsed != reference) {
            Fail("ParseFloat differs from the correctly rounded value", text);
        }
        if (std::isinf(reference) && parsed != 0.0f) Fail("overflow not read as 0", text);
    }
    if (parsed != 0.0f && std::isnormal(parsed)) {
        // Ten significant digits are enough to bring every float back.
        const std::string shown = FormatFloat(parsed);
        if (ParseFloat(shown) != parsed) Fail("float text does not round-trip", text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckInteger(text);
    CheckFloat(text);
    return 0;
}
