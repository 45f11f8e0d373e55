#pragma once

#include <string>
#include <string_view>

// Text from outside (the converter's identity, a file's names) made safe to show on a terminal
// or in a window: every byte outside printable ASCII, and the backslash, written as an escape
// (\x1b, \x00, \\), so no control sequence reaches a screen and no zero byte cuts a message.
std::string EscapeControls(std::string_view text);
