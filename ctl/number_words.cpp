#include "ctl/number_words.h"

#include <charconv>
#include <cmath>

#include "model/converter_settings.h"

std::optional<double> ParseNumber(std::string_view word) {
    std::string text(word);
    for (char& c : text)
        if (c == ',') c = '.';
    // from_chars takes no "+" and no blanks; nor do we, except a leading "+".
    size_t start = (!text.empty() && text[0] == '+') ? 1 : 0;
    if (start == text.size()) return std::nullopt;
    const char first = text[start];
    if (!(first == '-' || first == '.' || (first >= '0' && first <= '9'))) return std::nullopt;
    double value = 0.0;
    const char* begin = text.data() + start;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(begin, end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<float> ParseFloatValue(std::string_view word) {
    const std::optional<double> number = ParseNumber(word);
    if (!number) return std::nullopt;
    const float value = static_cast<float>(*number);
    if (!std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<int64_t> ParseWholeNumber(std::string_view word, int64_t min, int64_t max) {
    int64_t value = 0;
    const char* begin = word.data();
    const char* end = word.data() + word.size();
    if (begin != end && *begin == '+') ++begin;
    const auto result = std::from_chars(begin, end, value, 10);
    if (begin == end || result.ec != std::errc() || result.ptr != end) return std::nullopt;
    if (value < min || value > max) return std::nullopt;
    return value;
}

std::optional<uint16_t> ParseFirmwareWord(std::string_view word) {
    auto hexPart = [](std::string_view part, unsigned max) -> std::optional<unsigned> {
        unsigned value = 0;
        const auto result = std::from_chars(part.data(), part.data() + part.size(), value, 16);
        if (part.empty() || result.ec != std::errc() || result.ptr != part.data() + part.size() ||
            value > max) {
            return std::nullopt;
        }
        return value;
    };
    if (word.rfind("0x", 0) == 0 || word.rfind("0X", 0) == 0) {
        const auto whole = hexPart(word.substr(2), 0xFFFF);
        if (!whole) return std::nullopt;
        return static_cast<uint16_t>(*whole);
    }
    const size_t point = word.find('.');
    if (point == std::string_view::npos) return std::nullopt;
    const auto major = hexPart(word.substr(0, point), 0xFF);
    const auto minor = hexPart(word.substr(point + 1), 0xFF);
    if (!major || !minor || word.size() - point - 1 != 2) return std::nullopt;
    return static_cast<uint16_t>((*major << 8) | *minor);
}

std::string ShortestText(float value) {
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string PercentText(float fraction) {
    // Exact in double: a float times 100 needs at most 31 significant bits.
    const double percent = static_cast<double>(fraction) * 100.0;
    char buffer[64];
    for (int digits = 1; digits <= 17; ++digits) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, percent,
                                          std::chars_format::general, digits);
        std::string text(buffer, result.ptr);
        const std::optional<double> back = ParseNumber(text);
        if (back && SameFloat(FractionOfPercent(*back), fraction)) return text;
    }
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, percent);
    return std::string(buffer, result.ptr);
}

float FractionOfPercent(double percent) {
    return static_cast<float>(percent / 100.0);
}
