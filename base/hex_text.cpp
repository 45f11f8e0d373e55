#include "base/hex_text.h"

namespace {

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string HexText(const uint8_t* bytes, size_t count) {
    static const char Digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(count * 3);
    for (size_t i = 0; i < count; ++i) {
        if (i != 0) text += ' ';
        text += Digits[bytes[i] >> 4];
        text += Digits[bytes[i] & 0xF];
    }
    return text;
}

std::string HexText(const std::vector<uint8_t>& bytes) {
    return HexText(bytes.data(), bytes.size());
}

std::vector<uint8_t> HexBytes(std::string_view text) {
    std::vector<uint8_t> bytes;
    int high = -1;
    for (char c : text) {
        const int digit = DigitValue(c);
        if (digit < 0) continue;
        if (high < 0) {
            high = digit;
        } else {
            bytes.push_back(static_cast<uint8_t>(high * 16 + digit));
            high = -1;
        }
    }
    return bytes;
}
