#include "ctl/number_words.h"

#include <charconv>
#include <cmath>

#include "base/number_text.h"
#include "model/converter_settings.h"

std::optional<double> ParseNumber(std::string_view word) {
    return ParseDecimal(word, DecimalMark::Point);
}

std::optional<float> ParseFloatValue(std::string_view word) {
    return ParseFiniteFloat(word, DecimalMark::Point);
}

std::string PointHint(std::string_view word) {
    return word.find(',') == std::string_view::npos ? std::string() : "; use a point: 2.5";
}

std::optional<int64_t> ParseWholeNumber(std::string_view word, int64_t min, int64_t max) {
    int64_t value = 0;
    const char* begin = word.data();
    const char* end = word.data() + word.size();
    // One sign at most: from_chars takes a minus, a plus is taken here.
    if (begin != end && *begin == '+') ++begin;
    if (begin == end ||
        !((*begin >= '0' && *begin <= '9') || (*begin == '-' && begin == word.data())))
        return std::nullopt;
    const auto result = std::from_chars(begin, end, value, 10);
    if (result.ec != std::errc() || result.ptr != end) return std::nullopt;
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
