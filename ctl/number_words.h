#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Strict number words of the command line and the backup file, and the shortest texts that read
// back to the same float. Built on std::to_chars / std::from_chars, so no text depends on the C
// runtime.

// A decimal number, the whole word, with a point as the decimal mark (scripts write one notation),
// finite; nothing otherwise.
std::optional<double> ParseNumber(std::string_view word);
// A number that a converter's 32-bit float holds: finite after rounding once.
std::optional<float> ParseFloatValue(std::string_view word);
// "; use a point: 2.5" for a word with a decimal comma, to end its refusal with; "" otherwise.
std::string PointHint(std::string_view word);
// A decimal integer from min to max, the whole word.
std::optional<int64_t> ParseWholeNumber(std::string_view word, int64_t min, int64_t max);
// A firmware version as shown, "1.03" (hexadecimal parts), or "0x0103".
std::optional<uint16_t> ParseFirmwareWord(std::string_view word);

// The shortest decimal text that reads back to exactly this float: 12.5, 0.021, 1e-05.
std::string ShortestText(float value);
// A percent for a fraction the converter holds: the shortest text p with float(p / 100) equal
// to the fraction (0.021 gives "2.1").
std::string PercentText(float fraction);
// The fraction for a percent typed or stored: float(percent / 100), computed in double.
float FractionOfPercent(double percent);
