#pragma once

#include <vector>

#include <windows.h>

class Window;

// The layout of a window built in code, as given for 96 DPI: its outer size and the rectangle of
// each child. Recorded once, before the native windows exist, and placed again at any DPI, each
// coordinate scaled on its own (ScaleToDpi) so that neighbours still line up. At 96 DPI every
// rectangle is exactly the recorded one. For a combo box the height is that of its dropped list.
//
//     layout.Record(*this);                 // in the constructor, after the children
//     layout.PlaceChildren(WindowDpi(Handle));
class DpiLayout {
  public:
    // Takes the window's Width and Height and every child window's X, Y, Width and Height.
    void Record(Window& window);

    int OuterWidth(UINT dpi) const;
    int OuterHeight(UINT dpi) const;

    // Puts every child at its rectangle for `dpi`: into its fields while it has no native window
    // (Realize then creates it there), with SetWindowPos once it has one.
    void PlaceChildren(UINT dpi) const;

    // WM_SETFONT to every child that has a native window.
    void SetFont(HFONT font, bool redraw) const;

  private:
    struct Placement {
        Window* child = nullptr;
        RECT bounds{};
    };
    std::vector<Placement> placements;
    int width = 0;
    int height = 0;
};
