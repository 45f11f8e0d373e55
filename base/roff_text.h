#pragma once

#include <string>

// Text made safe for a manual page: backslashes and hyphens escaped, and a line that would start
// with a control character ("." or "'") guarded by "\&".
std::string RoffText(const std::string& text);
