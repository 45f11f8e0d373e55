#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include <windows.h>

// Numbers and the converter's kind codes as the text of any window (the value operations of
// ValueField and NumberEdit use these). A null handle makes the setters do nothing and the
// getters give 0.
namespace value_text {

// Decimal, minus sign when negative: -40.
void SetInteger(HWND window, int32_t value);
// The text shown for a value that is no number (NaN or an infinity).
constexpr char InvalidText[] = "Invalid";

// Scientific, ten significant digits, no leading blank: 1.250000000E+01, -2.500000000E-01;
// InvalidText for a value that is no number.
void SetFloat(HWND window, float value);
// Fixed point with `decimals` decimals, no padding: 12.50; InvalidText for no number.
void SetFixed(HWND window, float value, int decimals);
// High byte in hex, point, low byte in two hex digits: 0x0103 gives 1.03, 0xFF05 gives ff.05.
void SetVersion(HWND window, uint16_t version);
// The output-kind text of code AND 3.
void SetOutputKind(HWND window, unsigned code);
// The relay-kind text of code AND 1.
void SetRelayKind(HWND window, unsigned code);
// The whole text of the window, however long.
std::string GetWholeText(HWND window);
// The whole text as a signed 32-bit decimal integer (optional sign, digits); nothing if it is not,
// in full, one.
std::optional<int32_t> GetInteger(HWND window);
// The whole text as a finite decimal number (a point or a comma), rounded to a finite float;
// nothing if it is not, in full, one.
std::optional<float> GetFloat(HWND window);

}  // namespace value_text
