#include "model/point_line.h"

#include <charconv>
#include <cstddef>

namespace {

constexpr size_t FieldWidth = 10;
constexpr size_t ConductanceLimit = 15;
constexpr size_t LineLimit = 30;

// Fixed point with 2 decimals, right-aligned in the field. The double is formatted as it is:
// narrowing it to a float first would change the decimals of larger values.
std::string FixedField(double value) {
    // The largest double in fixed form has 309 integer digits, a sign, a point and 2 decimals.
    char buffer[330];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    std::string text = result.ec == std::errc() ? std::string(buffer, result.ptr) : std::string();
    if (text.size() < FieldWidth) text.insert(0, FieldWidth - text.size(), ' ');
    return text;
}

}  // namespace

std::string FormatPointLine(double conductance, double normal) {
    std::string b = FixedField(conductance);
    if (b.size() > ConductanceLimit) b.resize(ConductanceLimit);
    std::string line = FixedField(normal) + "    " + b;
    if (line.size() > LineLimit) line.resize(LineLimit);
    return line;
}
