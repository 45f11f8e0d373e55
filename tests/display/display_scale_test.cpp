// The main window and the four dialogs at the display scale of the Wine prefix the test runs in
// (ZR3_EXPECT_DPI, 96 when unset; CTest runs this program in prefixes set to 96, 120, 144 and 192
// DPI): the rectangles scale with the display, every caption fits its control in the font the
// control really uses, the setting lists drop to their heights and the colours hold under the
// theme.
#include <cstdlib>
#include <string>

#include "tests/main/main_window_fixture.h"
#include "tests/main/main_window_layout.h"
#include "ui/framework/display_scale.h"

#include <commctrl.h>
#include <uxtheme.h>

namespace main_test {
namespace {

constexpr COLORREF LightGrey = RGB(192, 192, 192);
constexpr COLORREF Red = RGB(255, 0, 0);

UINT ExpectedDpi() {
    const char* text = std::getenv("ZR3_EXPECT_DPI");
    int dpi = text != nullptr ? std::atoi(text) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : BaseDpi;
}

std::string ClassOf(HWND window) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// A rectangle of the 96-DPI layout, its edges scaled to `dpi`.
RECT ScaledRect(int x, int y, int width, int height, UINT dpi) {
    return {MulDiv(x, dpi, 96), MulDiv(y, dpi, 96), MulDiv(x + width, dpi, 96),
            MulDiv(y + height, dpi, 96)};
}

RECT RectIn(HWND child, HWND parent) {
    RECT bounds{};
    GetWindowRect(child, &bounds);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&bounds), 2);
    return bounds;
}

// The caption's extent, one line, in the control's own font (the system font when it has none),
// and the font's face and height for the message of a failure.
SIZE CaptionExtent(HWND control, std::string& font, HFONT instead = nullptr) {
    auto handle = instead != nullptr
                      ? instead
                      : reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (handle == nullptr) handle = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    std::string text = ui_test::WindowText(control);
    HDC dc = GetDC(control);
    HGDIOBJ previous = SelectObject(dc, handle);
    RECT extent{};
    DrawTextA(dc, text.c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE);
    char face[LF_FACESIZE] = {};
    GetTextFaceA(dc, sizeof face, face);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    font = std::string(face) + " " + std::to_string(metrics.tmHeight) + " px";
    SelectObject(dc, previous);
    ReleaseDC(control, dc);
    return {extent.right - extent.left, extent.bottom - extent.top};
}

// The part of the control's client area that its caption may take: all of a static text; a push
// button's inside its border; a check box's or radio button's beside its square; a group box's
// top line between the frame's corners.
SIZE CaptionRoom(HWND control, UINT dpi) {
    RECT client{};
    GetClientRect(control, &client);
    SIZE room{client.right, client.bottom};
    if (ClassOf(control) != "Button") return room;
    switch (GetWindowLongPtrA(control, GWL_STYLE) & BS_TYPEMASK) {
        case BS_GROUPBOX:
            room.cx -= ScaleToDpi(16, dpi);
            break;
        case BS_AUTOCHECKBOX:
        case BS_AUTORADIOBUTTON:
            room.cx -= ScaleToDpi(13 + 6, dpi);
            break;
        default:
            room.cx -= ScaleToDpi(6, dpi);
            room.cy -= ScaleToDpi(4, dpi);
            break;
    }
    return room;
}

// Every static text, button, check box, radio button and group box with a caption among the
// window's children fits its caption, in the font it uses or in the one given instead.
void ExpectCaptionsFit(HWND parent, UINT dpi, HFONT instead = nullptr) {
    int checked = 0;
    for (HWND child : ChildrenOf(parent)) {
        std::string kind = ClassOf(child);
        std::string text = ui_test::WindowText(child);
        if ((kind != "Static" && kind != "Button") || text.empty()) continue;
        std::string font;
        SIZE extent = CaptionExtent(child, font, instead);
        SIZE room = CaptionRoom(child, dpi);
        EXPECT_LE(extent.cx, room.cx) << "\"" << text << "\" is cut at the side, in " << font;
        EXPECT_LE(extent.cy, room.cy)
            << "\"" << text << "\" is cut at the top or bottom, in " << font;
        ++checked;
    }
    EXPECT_GT(checked, 0) << "no caption found";
}

// What the window shows at a point of a control's client area, as drawn.
COLORREF PixelOf(HWND control, int x, int y) {
    RedrawWindow(GetAncestor(control, GA_ROOT), nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    HDC dc = GetDC(control);
    COLORREF colour = GetPixel(dc, x, y);
    ReleaseDC(control, dc);
    return colour;
}

class DisplayScaleTest : public MainWindowTest {
  protected:
    void TearDown() override {
        HoldControl(false);
        MainWindowTest::TearDown();
    }

    // The main window reads the Ctrl key with GetKeyState, which follows the thread's key state.
    static void HoldControl(bool down) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    // Clicks the main window's button and runs check on the dialog it opens, then cancels it.
    void WithDialog(int buttonId, const std::function<void(HWND)>& check) {
        bool seen = false;
        ui_test::DriveNextDialog([&] { ClickId(buttonId); },
                                 [&](HWND dialog) {
                                     seen = true;
                                     check(dialog);
                                     ui_test::SendCommand(dialog, IDCANCEL);
                                 });
        EXPECT_TRUE(seen) << "button " << buttonId << " opened no dialog";
    }

    // The main window's rectangles are those of the layout scaled to `dpi`, the outer size too.
    void ExpectLayoutAt(UINT dpi) {
        RECT outer{};
        ASSERT_TRUE(GetWindowRect(window->Handle, &outer));
        EXPECT_EQ(outer.right - outer.left, MulDiv(665, dpi, 96));
        EXPECT_EQ(outer.bottom - outer.top, MulDiv(462, dpi, 96));
        std::vector<HWND> children = ChildrenOf(window->Handle);
        ASSERT_EQ(children.size(), Controls.size());
        for (size_t i = 0; i < Controls.size(); ++i) {
            const ExpectedControl& expected = Controls[i];
            SCOPED_TRACE("control #" + std::to_string(i + 1) + " " + expected.caption);
            RECT wanted = ScaledRect(expected.x, expected.y, expected.width,
                                     expected.height >= 0 ? expected.height : 0, dpi);
            RECT bounds = RectIn(children[i], window->Handle);
            EXPECT_EQ(bounds.left, wanted.left);
            EXPECT_EQ(bounds.top, wanted.top);
            EXPECT_EQ(bounds.right, wanted.right);
            if (expected.height >= 0) {
                EXPECT_EQ(bounds.bottom, wanted.bottom);
            }
        }
    }

    // Dropped, a list reaches down to the height it has in the layout (160 pixels for the port,
    // 200 for the settings at 96 DPI); the damping lists, whose 31 items do not fit, to exactly it.
    void ExpectDroppedHeightsAt(UINT dpi) {
        const std::pair<ComboBox*, int> lists[] = {{window->portCombo, 160},
                                                   {window->inputDampingCombo, 200},
                                                   {window->sensorCombo, 200},
                                                   {window->tempDampingCombo, 200}};
        for (const auto& [combo, height] : lists) {
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            ASSERT_TRUE(GetComboBoxInfo(combo->Handle, &info));
            SendMessageA(combo->Handle, CB_SHOWDROPDOWN, TRUE, 0);
            RECT closed{};
            RECT list{};
            GetWindowRect(combo->Handle, &closed);
            GetWindowRect(info.hwndList, &list);
            SendMessageA(combo->Handle, CB_SHOWDROPDOWN, FALSE, 0);
            // Measured as sizes: near the screen's bottom the list opens upwards.
            int dropped = (closed.bottom - closed.top) + (list.bottom - list.top);
            int id = GetDlgCtrlID(combo->Handle);
            // Wine's combo box ends its list one pixel short of the height it is given.
            if (combo == window->inputDampingCombo || combo == window->tempDampingCombo)
                EXPECT_NEAR(dropped, MulDiv(height, dpi, 96), 1)
                    << "list " << id << ": " << closed.bottom - closed.top << " + "
                    << list.bottom - list.top;
            else
                EXPECT_LE(dropped, MulDiv(height, dpi, 96)) << "list " << id;
        }
    }
};

TEST_F(DisplayScaleTest, TheMainWindowIsTheLayoutScaledToTheDisplay) {
    const UINT dpi = ExpectedDpi();
    Start();
    ASSERT_EQ(WindowDpi(window->Handle), dpi) << "the prefix's display scale";
    ExpectLayoutAt(dpi);
    ExpectDroppedHeightsAt(dpi);
    // Every control has the system's message font for the display, the window's own.
    ASSERT_NE(window->font, nullptr);
    for (HWND child : ChildrenOf(window->Handle))
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0)), window->font);
}

TEST_F(DisplayScaleTest, MovingToADisplayOfAnotherScaleLaysTheWindowOutAgain) {
    const UINT dpi = ExpectedDpi();
    Start();
    const UINT other = dpi == 192 ? 120 : 192;
    RECT outer{};
    GetWindowRect(window->Handle, &outer);
    // The system suggests the window's rectangle at the new scale.
    RECT suggested{outer.left, outer.top, outer.left + MulDiv(665, other, 96),
                   outer.top + MulDiv(462, other, 96)};
    LOGFONTA before{};
    GetObjectA(window->font, sizeof before, &before);
    SendMessageA(window->Handle, WM_DPICHANGED, MAKEWPARAM(other, other),
                 reinterpret_cast<LPARAM>(&suggested));
    ExpectLayoutAt(other);
    ExpectDroppedHeightsAt(other);
    LOGFONTA after{};
    GetObjectA(window->font, sizeof after, &after);
    // The message font for the new scale: its height scaled (the system rounds it its own way).
    EXPECT_NEAR(after.lfHeight, MulDiv(before.lfHeight, other, dpi), 1);
    ExpectCaptionsFit(window->Handle, other);
    // And back: every rectangle is exactly where it was.
    suggested = outer;
    SendMessageA(window->Handle, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&suggested));
    ExpectLayoutAt(dpi);
    ExpectDroppedHeightsAt(dpi);
}

TEST_F(DisplayScaleTest, EveryCaptionOfTheMainWindowAndTheDialogsFits) {
    const UINT dpi = ExpectedDpi();
    StartConnected();
    // The value fields now show the converter's texts too ("Pasive 4 to 20 mA").
    ExpectCaptionsFit(window->Handle, dpi);
    for (int button :
         {MainWindow::RelayButtonId, MainWindow::CableButtonId, MainWindow::ProbeButtonId}) {
        SCOPED_TRACE("dialog of button " + std::to_string(button));
        WithDialog(button, [&](HWND dialog) { ExpectCaptionsFit(dialog, dpi); });
    }
    SCOPED_TRACE("probe table dialog");
    HoldControl(true);
    WithDialog(MainWindow::ProbeButtonId, [&](HWND dialog) {
        EXPECT_EQ(ui_test::WindowText(ui_test::FindChild(dialog, 97)), "Normal [uS/cm]");
        ExpectCaptionsFit(dialog, dpi);
    });
}

TEST_F(DisplayScaleTest, TheCaptionsAlsoFitInTheMessageFontOfWindows10) {
    // Windows 10 gives Segoe UI 9 pt, wider than Tahoma 8 pt, which the prefix lacks; Arial 9 pt
    // (Liberation Sans in the prefix) is of about its width and stands in for it.
    const UINT dpi = ExpectedDpi();
    StartConnected();
    HFONT wide = CreateFontA(-MulDiv(9, dpi, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0,
                             0, 0, "Arial");
    ASSERT_NE(wide, nullptr);
    ExpectCaptionsFit(window->Handle, dpi, wide);
    DeleteObject(wide);
}

TEST_F(DisplayScaleTest, TheColoursHoldUnderTheTheme) {
    ASSERT_TRUE(IsAppThemed()) << "the program runs with visual styles";
    StartConnected();
    // Statics, group boxes and check boxes on the window's grey, a flagged field white on red.
    HWND serialLabel = ChildrenOf(window->Handle)[6];
    RECT client{};
    GetClientRect(serialLabel, &client);
    EXPECT_EQ(PixelOf(serialLabel, client.right - 2, client.bottom / 2), LightGrey);
    HWND inputGroup = ChildrenOf(window->Handle)[13];
    GetClientRect(inputGroup, &client);
    EXPECT_EQ(PixelOf(inputGroup, client.right / 2, client.bottom / 2), LightGrey);
    GetClientRect(Handle(window->readingCheck), &client);
    EXPECT_EQ(PixelOf(Handle(window->readingCheck), client.right - 2, client.bottom / 2),
              LightGrey);
    Answer(0x24, {{0xFF, 0xFF, 0xFF, 0xFF}});
    Tick();
    ASSERT_EQ(Text(window->resistanceField), "Failure");
    EXPECT_EQ(PixelOf(Handle(window->resistanceField), 2, 2), Red);

    // The progress bar of a measuring dialog, themed, at position 0.
    WithDialog(MainWindow::CableButtonId, [&](HWND dialog) {
        HWND bar = ui_test::FindChild(dialog, 103);
        ASSERT_NE(bar, nullptr);
        RECT inside{};
        GetClientRect(bar, &inside);
        EXPECT_EQ(SendMessageA(bar, PBM_GETPOS, 0, 0), 0);
        EXPECT_EQ(PixelOf(bar, inside.right / 2, inside.bottom / 2), LightGrey);
    });
}

}  // namespace
}  // namespace main_test
