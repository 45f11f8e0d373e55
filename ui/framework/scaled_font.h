#pragma once

#include <windows.h>

// Fonts made for a display's DPI. The caller owns the font and deletes it (DeleteObject) once no
// control uses it any more.

// The system's message font (that of message boxes and the system's own dialogs) at `dpi`.
HFONT CreateMessageFont(UINT dpi);

// CreateFontA(height, 0, ..., 0, face) with a height given for 96 DPI, scaled to `dpi`. A height
// of 0 asks for the face's own default size; at another DPI it stands for `defaultHeight` pixels
// at 96 DPI, scaled like any other height.
HFONT CreateScaledFont(int height, const char* face, UINT dpi, int defaultHeight = 0);
