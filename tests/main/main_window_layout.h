#pragma once

#include <vector>

#include <windows.h>

// The main window's controls as the window lays them out at 96 DPI: creation order, class, id,
// caption and client rectangle.
namespace main_test {

struct ExpectedControl {
    const char* className;
    int id;
    const char* caption;
    int x, y, width, height;  // height -1: a combo box, whose window is its closed height
};

// Creation order, ids, captions and client positions of every control.
inline const std::vector<ExpectedControl> Controls = {
    {"Static", 0, "Port:", 480, 14, 40, 18},
    {"ComboBox", 101, "", 530, 10, 120, -1},
    {"Static", 0, "Converter:", 10, 11, 100, 18},
    {"Static", 0, "", 120, 10, 140, 20},
    {"Static", 0, "Firmware:", 10, 36, 100, 18},
    {"Static", 0, "", 120, 35, 140, 20},
    {"Static", 0, "Serial number:", 10, 61, 100, 18},
    {"Static", 0, "", 120, 60, 140, 20},
    {"Static", 0, "Output:", 10, 86, 100, 18},
    {"Static", 0, "", 120, 85, 140, 20},
    {"Static", 0, "Relay:", 10, 111, 100, 18},
    {"Static", 0, "", 120, 110, 140, 20},
    {"Button", 107, "Relay", 590, 45, 60, 24},
    {"Button", 0, "Input:", 10, 140, 190, 285},
    {"Button", 108, "Cable compensation", 20, 165, 170, 24},
    {"Button", 109, "Probe calibration", 20, 200, 170, 24},
    {"Static", 0, "Damping", 20, 237, 65, 20},
    {"ComboBox", 110, "", 120, 235, 70, -1},
    {"Static", 0, "Start of range", 20, 305, 170, 20},
    {"Edit", 0, "", 20, 330, 100, 24},
    {"Button", 111, "Write", 130, 330, 60, 24},
    {"Static", 0, "End of range", 20, 365, 170, 20},
    {"Edit", 0, "", 20, 390, 100, 24},
    {"Button", 112, "Write", 130, 390, 60, 24},
    {"Button", 0, "Temp. compensation:", 210, 140, 200, 285},
    {"Button", 113, "Off", 220, 165, 100, 16},
    {"Button", 114, "Linear", 220, 185, 100, 16},
    {"Button", 115, "Nonlinear", 220, 205, 100, 16},
    {"Static", 0, "Sensor", 220, 237, 50, 20},
    {"ComboBox", 116, "", 280, 235, 120, -1},
    {"Static", 0, "Damping", 220, 272, 65, 20},
    {"ComboBox", 117, "", 330, 270, 70, -1},
    {"Static", 0,
     "Ref. Temp. [\xB0"
     "C]",
     220, 305, 180, 20},
    {"Edit", 0, "", 220, 330, 110, 24},
    {"Button", 118, "Write", 340, 330, 60, 24},
    {"Static", 0, "Coefficient [%]", 220, 365, 180, 20},
    {"Edit", 0, "", 220, 390, 110, 24},
    {"Button", 119, "Write", 340, 390, 60, 24},
    {"Button", 0, "Internal values:", 420, 140, 230, 285},
    {"Static", 0, "Resist. [Ohm]", 430, 165, 110, 20},
    {"Static", 0, "", 550, 165, 90, 20},
    {"Static", 0,
     "Temp. [\xB0"
     "C]",
     430, 190, 110, 20},
    {"Static", 0, "", 550, 190, 90, 20},
    {"Static", 0, "Conduct. [uS]", 430, 215, 110, 20},
    {"Static", 0, "", 550, 215, 90, 20},
    {"Static", 0, "Value [uS/cm]", 430, 240, 110, 20},
    {"Static", 0, "", 550, 240, 90, 20},
    {"Static", 0, "Ratio [%]", 430, 265, 110, 20},
    {"Static", 0, "", 550, 265, 90, 20},
    {"Button", 120, "Reading", 430, 395, 80, 20},
};

// The children of the main window in creation order (children are added at the bottom of the
// z-order, so the sibling chain is the creation order).
inline std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

}  // namespace main_test
