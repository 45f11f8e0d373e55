// Texts under a high-contrast colour scheme, read back from the pixels the windows show. CTest
// runs this program in a prefix whose system colours are those of a high-contrast scheme (white
// on black, green disabled texts). Wine answers "off" to SPI_GETHIGHCONTRAST: the normal branch
// keeps its light grey and must still put every text on it at a contrast of 4.5 : 1 or more; the
// high-contrast branch is reached through the seam and takes the system's colours.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <string>

#include "tests/main/main_window_fixture.h"
#include "tests/main/main_window_layout.h"
#include "ui/framework/display_scale.h"
#include "ui/framework/face_colours.h"

namespace main_test {
namespace {

// Relative luminance of a colour (sRGB).
double Luminance(COLORREF colour) {
    auto channel = [](int value) {
        double c = value / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(GetRValue(colour)) + 0.7152 * channel(GetGValue(colour)) +
           0.0722 * channel(GetBValue(colour));
}

double ContrastRatio(COLORREF a, COLORREF b) {
    double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

std::string Hex(COLORREF colour) {
    char text[16];
    std::snprintf(text, sizeof text, "#%02X%02X%02X", GetRValue(colour), GetGValue(colour),
                  GetBValue(colour));
    return text;
}

std::string ClassOf(HWND window) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A control's text as drawn: the background is the colour most of its pixels have, the text the
// pixel that stands out most from it.
struct DrawnText {
    COLORREF background = 0;
    COLORREF text = 0;
    double ratio = 0.0;
};

// The part of a control that holds its caption: beside the square of a check box or radio
// button, the top line of a group box between its frame's corners, all of anything else.
RECT CaptionArea(HWND control) {
    RECT area{};
    GetClientRect(control, &area);
    if (ClassOf(control) != "Button") return area;
    const UINT dpi = WindowDpi(control);
    HDC dc = GetDC(control);
    auto font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    HGDIOBJ previous = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
    std::string text = ui_test::WindowText(control);
    SIZE extent{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    switch (GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK) {
        case BS_GROUPBOX:
            // Inside the gap of the frame's top line.
            area.left = ScaleToDpi(10, dpi);
            area.right = std::min(area.right, ScaleToDpi(7, dpi) + extent.cx - 1);
            area.bottom = std::min(area.bottom, extent.cy);
            break;
        case BS_AUTOCHECKBOX:
        case BS_AUTORADIOBUTTON:
            area.left = ScaleToDpi(19, dpi);
            break;
    }
    return area;
}

DrawnText TextOf(HWND control) {
    RedrawWindow(GetAncestor(control, GA_ROOT), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const RECT area = CaptionArea(control);
    HDC dc = GetDC(control);
    std::map<COLORREF, int> counts;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            ++counts[GetPixel(dc, x, y)];
    ReleaseDC(control, dc);
    DrawnText drawn;
    int most = 0;
    for (const auto& [colour, count] : counts)
        if (count > most) {
            most = count;
            drawn.background = colour;
        }
    for (const auto& [colour, count] : counts) {
        const double ratio = ContrastRatio(colour, drawn.background);
        if (ratio > drawn.ratio) {
            drawn.ratio = ratio;
            drawn.text = colour;
        }
    }
    return drawn;
}

// Every caption and value among the window's static texts, buttons on its face (group boxes,
// check boxes, radio buttons) and edit fields, at 4.5 : 1 or more against its background.
void ExpectReadable(HWND parent) {
    int checked = 0;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string kind = ClassOf(child);
        const std::string text = ui_test::WindowText(child);
        const LONG_PTR type = GetWindowLongPtrA(child, GWL_STYLE) & BS_TYPEMASK;
        if (text.empty() || !IsWindowVisible(child)) continue;
        if (kind == "Button" && type != BS_GROUPBOX && type != BS_AUTOCHECKBOX &&
            type != BS_AUTORADIOBUTTON)
            continue;
        if (kind != "Button" && kind != "Static" && kind != "Edit") continue;
        const DrawnText drawn = TextOf(child);
        // The failure flags stay white on red.
        if (drawn.background == RGB(255, 0, 0)) continue;
        EXPECT_GE(drawn.ratio, 4.5)
            << "\"" << text << "\"" << (IsWindowEnabled(child) ? "" : " (disabled)") << ": "
            << Hex(drawn.text) << " on " << Hex(drawn.background);
        ++checked;
    }
    EXPECT_GT(checked, 5) << "too few texts found";
}

bool HighContrast() {
    return true;
}

class ContrastTest : public MainWindowTest {
  protected:
    void TearDown() override {
        SetHighContrastQuery(nullptr);
        MainWindowTest::TearDown();
    }

    // The prefix holds a high-contrast scheme: without it the test shows nothing.
    static void ExpectSchemeInPrefix() {
        ASSERT_EQ(GetSysColor(COLOR_BTNFACE), RGB(0, 0, 0)) << "no high-contrast scheme set";
        ASSERT_EQ(GetSysColor(COLOR_GRAYTEXT), RGB(63, 242, 63));
    }

    // Opens the probe calibration dialog (its coefficient field disabled) and checks it.
    void WithProbeDialog(const std::function<void(HWND)>& check) {
        bool seen = false;
        ui_test::DriveNextDialog([&] { ClickId(MainWindow::ProbeButtonId); },
                                 [&](HWND dialog) {
                                     seen = true;
                                     check(dialog);
                                     ui_test::SendCommand(dialog, IDCANCEL);
                                 });
        EXPECT_TRUE(seen) << "no dialog opened";
    }

    // A point of the window's face that no control covers.
    COLORREF FacePixel() {
        RedrawWindow(window->Handle, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        HDC dc = GetDC(window->Handle);
        COLORREF colour = GetPixel(dc, ScaleToDpi(300, window->dpi), ScaleToDpi(60, window->dpi));
        ReleaseDC(window->Handle, dc);
        return colour;
    }
};

TEST_F(ContrastTest, OnTheGreyEveryTextIsReadableUnderAHighContrastScheme) {
    ASSERT_NO_FATAL_FAILURE(ExpectSchemeInPrefix());
    // Firmware 1.01: "Nonlinear" is disabled.
    sim::DeviceOptions options = QuietConverter();
    options.firmwareVersion = 0x0101;
    StartConnected(options);
    EXPECT_EQ(FacePixel(), RGB(192, 192, 192));
    ExpectReadable(window->Handle);
    WithProbeDialog([&](HWND dialog) { ExpectReadable(dialog); });
}

TEST_F(ContrastTest, InAHighContrastSchemeTheWindowsTakeTheSystemsColoursAndFollowAChange) {
    ASSERT_NO_FATAL_FAILURE(ExpectSchemeInPrefix());
    StartConnected();
    Answer(0x24, {{0xFF, 0xFF, 0xFF, 0xFF}});
    Tick();
    ASSERT_EQ(FacePixel(), RGB(192, 192, 192));

    // The scheme turned on while the window is open.
    SetHighContrastQuery(HighContrast);
    SendMessageA(window->Handle, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(FacePixel(), RGB(0, 0, 0));
    HWND label = GetWindow(window->Handle, GW_CHILD);  // "Port:"
    DrawnText port = TextOf(label);
    EXPECT_EQ(port.background, RGB(0, 0, 0));
    EXPECT_EQ(port.text, RGB(255, 255, 255));
    DrawnText failure = TextOf(Handle(window->resistanceField));
    EXPECT_EQ(failure.background, RGB(255, 0, 0)) << "the failure flag stays red";
    EXPECT_EQ(failure.text, RGB(255, 255, 255));
    ExpectReadable(window->Handle);
    WithProbeDialog([&](HWND dialog) {
        ExpectReadable(dialog);
        HWND bar = FindWindowExA(dialog, nullptr, "msctls_progress32", nullptr);
        ASSERT_NE(bar, nullptr);
        EXPECT_EQ(TextOf(bar).background, RGB(0, 0, 0)) << "the empty bar on the system's face";
    });
}

}  // namespace
}  // namespace main_test
