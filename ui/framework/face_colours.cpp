#include "ui/framework/face_colours.h"

namespace {

bool (*highContrastQuery)() = nullptr;

bool SystemHighContrast() {
    HIGHCONTRASTA settings{};
    settings.cbSize = sizeof settings;
    return SystemParametersInfoA(SPI_GETHIGHCONTRAST, sizeof settings, &settings, 0) != 0 &&
           (settings.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

}  // namespace

bool HighContrastOn() {
    return highContrastQuery != nullptr ? highContrastQuery() : SystemHighContrast();
}

void SetHighContrastQuery(bool (*query)()) {
    highContrastQuery = query;
}

FaceColours CurrentFaceColours() {
    FaceColours colours;
    if (!HighContrastOn()) {
        colours.brush = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
        return colours;
    }
    colours.face = GetSysColor(COLOR_BTNFACE);
    colours.text = GetSysColor(COLOR_BTNTEXT);
    colours.disabledText = GetSysColor(COLOR_GRAYTEXT);
    colours.brush = GetSysColorBrush(COLOR_BTNFACE);
    return colours;
}

HBRUSH ColourOnFace(HDC dc, HWND control, bool notCurrent) {
    const FaceColours colours = CurrentFaceColours();
    const bool enabled = control == nullptr || IsWindowEnabled(control);
    SetTextColor(dc, enabled && !notCurrent ? colours.text : colours.disabledText);
    SetBkColor(dc, colours.face);
    return colours.brush;
}

void RepaintForScheme(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr) return;
    // Top-level windows hear of a change of colours; the common controls among the children
    // only when they are told.
    if (message == WM_SYSCOLORCHANGE) {
        for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
             child = GetWindow(child, GW_HWNDNEXT))
            SendMessageA(child, message, wParam, lParam);
    }
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}
