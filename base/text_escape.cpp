#include "base/text_escape.h"

std::string EscapeControls(std::string_view text) {
    static constexpr char digits[] = "0123456789abcdef";
    std::string shown;
    shown.reserve(text.size());
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte == '\\') {
            shown += "\\\\";
        } else if (byte < 0x20 || byte >= 0x7F) {
            shown += "\\x";
            shown += digits[byte >> 4];
            shown += digits[byte & 0x0F];
        } else {
            shown += c;
        }
    }
    return shown;
}
