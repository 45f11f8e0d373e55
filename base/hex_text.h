#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Frames as the hexadecimal text a line monitor shows: "01 44 00 BB".
//
//     HexText(frame) == "06 01 05 F4";  HexBytes("06 01 05 F4") == frame
std::string HexText(const uint8_t* bytes, size_t count);
std::string HexText(const std::vector<uint8_t>& bytes);
// The bytes of such a text: pairs of hex digits in either case; every other character is skipped,
// and an odd last digit is dropped.
std::vector<uint8_t> HexBytes(std::string_view text);
