#pragma once

#include <windows.h>

// Draws the control without the visual style of the current theme, so that the colours the
// program gives it hold (a themed progress bar ignores its background colour). The control keeps
// its visual style where the system offers no theme functions. Returns whether the theme was
// turned off.
bool DrawWithoutTheme(HWND control);
