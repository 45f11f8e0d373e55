#include "tests/driver/check_log.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace {

int failures = 0;

}  // namespace

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void Fail(const std::string& line) {
    ++failures;
    Say("FAIL: " + line);
}

void Expect(const std::string& what, const std::string& shown, const std::string& expected) {
    if (shown == expected)
        Say("ok   " + what + ": " + shown);
    else
        Fail(what + ": \"" + shown + "\", expected \"" + expected + "\"");
}

void ExpectFixed(const std::string& what, const std::string& shown, int decimals) {
    if (IsFixed(shown, decimals))
        Say("ok   " + what + ": " + shown);
    else
        Fail(what + ": \"" + shown + "\" is not a number with " + std::to_string(decimals) +
             " decimals");
}

int Failures() {
    return failures;
}

int Verdict() {
    return failures == 0 ? 0 : 1;
}

bool IsFixed(const std::string& text, int decimals) {
    const size_t point = text.find('.');
    if (point == std::string::npos || text.size() - point - 1 != static_cast<size_t>(decimals))
        return false;
    const size_t start = text[0] == '-' ? 1 : 0;
    if (point == start) return false;
    for (size_t i = start; i < text.size(); ++i)
        if (i != point && !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

std::string Fixed(double value, int decimals) {
    char text[64];
    const auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}
