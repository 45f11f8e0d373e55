#include "ui/framework/face_colours.h"

#include <commctrl.h>

namespace {

bool (*highContrastQuery)() = nullptr;

// Set on a disabled control while it paints as an enabled one.
constexpr char DisabledPaintProperty[] = "ZR3DisabledPaint";

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
    const bool enabled =
        control == nullptr ||
        (IsWindowEnabled(control) && GetPropA(control, DisabledPaintProperty) == nullptr);
    SetTextColor(dc, enabled && !notCurrent ? colours.text : colours.disabledText);
    SetBkColor(dc, colours.face);
    return colours.brush;
}

void PaintDisabledOnFace(HWND control, const std::function<void()>& paint) {
    const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    SetPropA(control, DisabledPaintProperty, reinterpret_cast<HANDLE>(1));
    SetWindowLongPtrA(control, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_DISABLED));
    paint();
    SetWindowLongPtrA(control, GWL_STYLE, style);
    RemovePropA(control, DisabledPaintProperty);
}

void PaintDisabledEdit(HWND edit) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(edit, &paint);
    if (dc == nullptr) return;
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(edit), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(edit)));
    RECT area{};
    GetClientRect(edit, &area);
    FillRect(dc, &area, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
    auto font = reinterpret_cast<HFONT>(SendMessageA(edit, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    const auto margins = static_cast<DWORD>(SendMessageA(edit, EM_GETMARGINS, 0, 0));
    area.left += LOWORD(margins) + 1;
    area.right -= HIWORD(margins) + 1;
    const LONG_PTR style = GetWindowLongPtrA(edit, GWL_STYLE);
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_EDITCONTROL;
    if ((style & ES_RIGHT) != 0)
        format |= DT_RIGHT;
    else if ((style & ES_CENTER) != 0)
        format |= DT_CENTER;
    char text[256] = {};
    GetWindowTextA(edit, text, sizeof text);
    SetBkMode(dc, TRANSPARENT);
    DrawTextA(dc, text, -1, &area, format);
    if (previous != nullptr) SelectObject(dc, previous);
    EndPaint(edit, &paint);
}

void PaintGroupBox(HWND group) {
    PAINTSTRUCT paint{};
    HDC dc = BeginPaint(group, &paint);
    if (dc == nullptr) return;
    auto font = reinterpret_cast<HFONT>(SendMessageA(group, WM_GETFONT, 0, 0));
    HGDIOBJ previous = font != nullptr ? SelectObject(dc, font) : nullptr;
    auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(group), WM_CTLCOLORSTATIC,
                                                       reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(group)));
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    RECT frame{};
    GetClientRect(group, &frame);
    frame.top += metrics.tmHeight / 2 - 1;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
    char text[128] = {};
    GetWindowTextA(group, text, sizeof text);
    if (text[0] != '\0') {
        // The caption interrupts the frame's top line, with a pixel of face on either side.
        RECT label{8, 0, 8, metrics.tmHeight};
        DrawTextA(dc, text, -1, &label, DT_SINGLELINE | DT_NOPREFIX | DT_CALCRECT);
        RECT gap{label.left - 1, label.top, label.right + 1, label.bottom + 1};
        FillRect(dc, &gap, brush != nullptr ? brush : GetSysColorBrush(COLOR_BTNFACE));
        SetBkMode(dc, TRANSPARENT);
        DrawTextA(dc, text, -1, &label, DT_SINGLELINE | DT_NOPREFIX);
    }
    if (previous != nullptr) SelectObject(dc, previous);
    EndPaint(group, &paint);
}

namespace {

LRESULT CALLBACK GroupBoxInScheme(HWND group, UINT message, WPARAM wParam, LPARAM lParam,
                                  UINT_PTR id, DWORD_PTR) {
    if (message == WM_PAINT && HighContrastOn()) {
        PaintGroupBox(group);
        return 0;
    }
    if (message == WM_NCDESTROY) RemoveWindowSubclass(group, GroupBoxInScheme, id);
    return DefSubclassProc(group, message, wParam, lParam);
}

}  // namespace

void PaintGroupBoxesInScheme(HWND dialog) {
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char name[8] = {};
        GetClassNameA(child, name, sizeof name);
        if (lstrcmpiA(name, "Button") == 0 &&
            (GetWindowLongPtrA(child, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX)
            SetWindowSubclass(child, GroupBoxInScheme, 1, 0);
    }
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
