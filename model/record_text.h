#pragma once

#include <string>
#include <string_view>

// Texts of the filed records: JSON strings and numbers, XML character data. Numbers are the
// shortest decimal texts that read back to the same value (std::to_chars), whatever C runtime.

// A JSON string literal, quotes included; control characters escaped.
std::string JsonString(std::string_view text);
// The shortest text of the double; null for a value that is no finite number.
std::string JsonNumber(double value);
// The shortest text of the float; null for a value that is no finite number.
std::string JsonNumber(float value);
// Text for an XML element or attribute: &, <, >, " and ' escaped.
std::string XmlText(std::string_view text);
