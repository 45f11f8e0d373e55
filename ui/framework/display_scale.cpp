#include "ui/framework/display_scale.h"

namespace {

// Present from Windows 10 1607 on; looked up so that the program still starts on older systems.
using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);

GetDpiForWindowFunction DpiForWindowFunction() {
    static const auto function = reinterpret_cast<GetDpiForWindowFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "GetDpiForWindow")));
    return function;
}

}  // namespace

int ScaleToDpi(int value, UINT dpi) {
    if (dpi == BaseDpi || dpi == 0) return value;
    return MulDiv(value, static_cast<int>(dpi), static_cast<int>(BaseDpi));
}

UINT WindowDpi(HWND window) {
    GetDpiForWindowFunction function = DpiForWindowFunction();
    if (window != nullptr && function != nullptr) {
        UINT dpi = function(window);
        if (dpi != 0) return dpi;
    }
    return SystemDpi();
}

UINT SystemDpi() {
    HDC screen = GetDC(nullptr);
    if (screen == nullptr) return BaseDpi;
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? static_cast<UINT>(dpi) : BaseDpi;
}
