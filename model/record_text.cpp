#include "model/record_text.h"

#include <charconv>
#include <cmath>

namespace {

constexpr char HexDigits[] = "0123456789abcdef";

template <typename Number>
std::string Shortest(Number value) {
    if (!std::isfinite(value)) return "null";
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

}  // namespace

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20 || byte == 0x7F) {
            out += "\\u00";
            out += HexDigits[byte >> 4];
            out += HexDigits[byte & 0xF];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonNumber(double value) {
    return Shortest(value);
}

std::string JsonNumber(float value) {
    return Shortest(value);
}

std::string XmlText(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                // XML 1.0 has no control characters but tab and line ends.
                if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\n' && c != '\r')
                    out += '?';
                else
                    out += c;
        }
    }
    return out;
}
