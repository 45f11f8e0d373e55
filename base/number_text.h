#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The tool's rules for turning numbers into text and typed text into numbers. They are built on
// std::to_chars / std::from_chars so that every text is the same whatever C runtime is linked.

// Decimal, minus sign when negative, no padding: -40, 0, 123.
std::string FormatInteger(int32_t value);

// Fixed point with exactly `decimals` decimals (0 gives no point), rounded, no padding, no
// thousands separator: 12.5 with 2 gives "12.50".
std::string FormatFixed(float value, int decimals);

// Scientific form with a sign position: a blank for non-negative values, "-" for negative ones,
// then one digit, ".", `fractionDigits` digits, "E", the exponent's sign and at least
// `exponentDigits` exponent digits. (12.5, 9, 2) gives " 1.250000000E+01".
std::string FormatScientific(double value, int fractionDigits, int exponentDigits);

// The form of a float in a value field or edit: ten significant digits, the leading blank removed.
// 12.5 gives "1.250000000E+01", -0.25 gives "-2.500000000E-01".
std::string FormatFloat(float value);

// Firmware version: high byte in lower-case hex without padding, ".", low byte in two hex digits.
// 0x0103 gives "1.03", 0x010A gives "1.0a".
std::string FormatVersion(uint16_t version);

// A signed 32-bit decimal integer with optional sign, the whole text and nothing else; anything
// else (empty, letters, trailing characters, out of range) gives 0.
int32_t ParseInteger(std::string_view text);

// A decimal number (optional sign, digits, point, optional exponent with E); a comma counts as the
// point. The whole text must be the number; anything else, and values beyond the float range,
// give 0. The result is rounded to a 32-bit float.
float ParseFloat(std::string_view text);

// The decimal mark a typed number may use: the window takes a point or a comma, zr3ctl's words
// a point only.
enum class DecimalMark { Point, PointOrComma };

// A decimal number that is all of the text, however long: an optional sign, digits with at most
// one decimal mark, an optional exponent (E or e, optional sign, digits). Finite. Nothing for
// anything else: an empty text, blanks, "+-5", "12abc", "0x10", "inf", "nan", "1e999".
std::optional<double> ParseDecimal(std::string_view text, DecimalMark mark);

// The same number rounded once to a 32-bit float, which must be finite ("1e39" is nothing).
std::optional<float> ParseFiniteFloat(std::string_view text, DecimalMark mark);
