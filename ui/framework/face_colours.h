#pragma once

#include <windows.h>

#include <functional>

// The face of the tool's windows and the texts drawn on it. Normally the face is the fixed light
// grey and every text on it sets its own colour (black, a dark grey when disabled), so that no
// colour scheme can put an unreadable text on the grey. In a high-contrast scheme the windows
// take the system's colours for the face, the texts and the disabled texts instead.
struct FaceColours {
    COLORREF face = RGB(192, 192, 192);
    COLORREF text = RGB(0, 0, 0);
    COLORREF disabledText = RGB(64, 64, 64);
    HBRUSH brush = nullptr;
};

// Whether a high-contrast scheme is on (SPI_GETHIGHCONTRAST); asked anew each time.
bool HighContrastOn();
// Answers HighContrastOn in place of the system (tests); nullptr gives the system's answer again.
void SetHighContrastQuery(bool (*query)());

// The colours for the scheme that is on now.
FaceColours CurrentFaceColours();

// WM_CTLCOLORSTATIC of a control drawn on the face: sets the text colour (the disabled-text
// colour for a disabled control or a value that is not current) and the background of the
// device context, and returns the face's brush.
HBRUSH ColourOnFace(HDC dc, HWND control, bool notCurrent = false);

// Paints a disabled check box or radio button through its own procedure (`paint`) as if it were
// enabled, while its parent gives it the disabled-text colour: the system's disabled drawing
// (embossed, or the scheme's disabled colour) ignores the colours the parent gives.
void PaintDisabledOnFace(HWND control, const std::function<void()>& paint);
// Paints a disabled single-line edit field itself: its text in the colours its parent gives for
// WM_CTLCOLORSTATIC, where the system would take the scheme's disabled colour whatever the parent
// says.
void PaintDisabledEdit(HWND edit);

// Paints a group box: its etched frame, and its caption on the face in the colours its parent
// gives for WM_CTLCOLORSTATIC.
void PaintGroupBox(HWND group);
// The group boxes among a dialog's items are painted by PaintGroupBox in a high-contrast scheme.
void PaintGroupBoxesInScheme(HWND dialog);

// The colour scheme or a system setting changed (WM_SYSCOLORCHANGE, WM_SETTINGCHANGE): the
// window's children hear of it too, and the window and its children are drawn again.
void RepaintForScheme(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
