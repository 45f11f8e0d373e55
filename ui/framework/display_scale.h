#pragma once

#include <windows.h>

// Dots per inch of a window's display. Layouts are given for 96 DPI (100 %) and scaled to the
// display's DPI coordinate by coordinate, each rounded the same way, so that controls which meet
// at 96 DPI still meet at any scale.
inline constexpr UINT BaseDpi = 96;

// value * dpi / 96, rounded half away from zero (as MulDiv rounds); exact at 96 DPI.
int ScaleToDpi(int value, UINT dpi);

// The DPI of the display the window is on (per monitor where the system tells it), else the
// system's DPI.
UINT WindowDpi(HWND window);

// The system's DPI (that of the primary display at logon).
UINT SystemDpi();
