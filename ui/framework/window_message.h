#pragma once

#include <windows.h>

// The record every message handler receives. Result is what the window or dialog procedure
// returns; it is preset to 1, default processing overwrites it, and a handler that neither calls
// default processing nor sets it makes the procedure return 1.
struct WindowMessage {
    HWND Receiver = nullptr;
    UINT Message = 0;
    WPARAM WParam = 0;
    LPARAM LParam = 0;
    LRESULT Result = 1;

    WORD WParamLow() const { return LOWORD(WParam); }
    WORD WParamHigh() const { return HIWORD(WParam); }
};
