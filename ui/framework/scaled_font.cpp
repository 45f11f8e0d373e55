#include "ui/framework/scaled_font.h"

#include "ui/framework/display_scale.h"

namespace {

// Present from Windows 10 1607 on; looked up so that the program still starts on older systems.
using SystemParametersInfoForDpiFunction = BOOL(WINAPI*)(UINT, UINT, PVOID, UINT, UINT);

SystemParametersInfoForDpiFunction ParametersForDpiFunction() {
    static const auto function =
        reinterpret_cast<SystemParametersInfoForDpiFunction>(reinterpret_cast<void*>(
            GetProcAddress(GetModuleHandleA("user32.dll"), "SystemParametersInfoForDpi")));
    return function;
}

// The message font as the system describes it for `dpi`; false when it does not tell.
bool MessageFontFor(UINT dpi, LOGFONTW& font) {
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpiFunction forDpi = ParametersForDpiFunction();
    if (forDpi != nullptr && forDpi(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0, dpi)) {
        font = metrics.lfMessageFont;
        return true;
    }
    // Older systems give the font for the system's DPI only.
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, metrics.cbSize, &metrics, 0)) return false;
    font = metrics.lfMessageFont;
    font.lfHeight = MulDiv(font.lfHeight, static_cast<int>(dpi), static_cast<int>(SystemDpi()));
    return true;
}

}  // namespace

HFONT CreateMessageFont(UINT dpi) {
    LOGFONTW font{};
    if (!MessageFontFor(dpi, font)) {
        // The default GUI font, scaled from 96 DPI.
        GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font);
        font.lfHeight = ScaleToDpi(font.lfHeight, dpi);
    }
    return CreateFontIndirectW(&font);
}

HFONT CreateScaledFont(int height, const char* face, UINT dpi, int defaultHeight) {
    int scaled = height;
    if (dpi != BaseDpi) scaled = ScaleToDpi(height != 0 ? height : defaultHeight, dpi);
    return CreateFontA(scaled, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, face);
}
