#include "ui/framework/dpi_layout.h"

#include "ui/framework/display_scale.h"
#include "ui/framework/window.h"

void DpiLayout::Record(Window& window) {
    width = window.Width;
    height = window.Height;
    placements.clear();
    WindowObject* first = window.FirstChild();
    WindowObject* object = first;
    while (object != nullptr) {
        if (auto* child = dynamic_cast<Window*>(object)) {
            placements.push_back(
                {child, {child->X, child->Y, child->X + child->Width, child->Y + child->Height}});
        }
        object = object->NextSibling;
        if (object == first) break;
    }
}

int DpiLayout::OuterWidth(UINT dpi) const {
    return ScaleToDpi(width, dpi);
}

int DpiLayout::OuterHeight(UINT dpi) const {
    return ScaleToDpi(height, dpi);
}

void DpiLayout::PlaceChildren(UINT dpi) const {
    for (const Placement& placement : placements) {
        // Edges, not sizes, are scaled: controls that meet at 96 DPI meet at every DPI.
        int left = ScaleToDpi(placement.bounds.left, dpi);
        int top = ScaleToDpi(placement.bounds.top, dpi);
        int right = ScaleToDpi(placement.bounds.right, dpi);
        int bottom = ScaleToDpi(placement.bounds.bottom, dpi);
        Window* child = placement.child;
        if (child->Handle == nullptr) {
            child->X = left;
            child->Y = top;
            child->Width = right - left;
            child->Height = bottom - top;
        } else {
            SetWindowPos(child->Handle, nullptr, left, top, right - left, bottom - top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

void DpiLayout::SetFont(HFONT font, bool redraw) const {
    for (const Placement& placement : placements) {
        if (placement.child->Handle != nullptr)
            SendMessageA(placement.child->Handle, WM_SETFONT, reinterpret_cast<WPARAM>(font),
                         redraw ? TRUE : FALSE);
    }
}
