// The main window as built: attributes, the 50 controls in creation order, the lists of SetUp,
// and what it releases when it goes.
#include <cctype>
#include <string>
#include <vector>

#include "tests/main/main_window_fixture.h"
#include "tests/main/main_window_layout.h"
#include "ui/framework/list_box.h"

namespace main_test {
namespace {

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string ClassOf(HWND window) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

LONG_PTR StyleOf(HWND window) {
    return GetWindowLongPtrA(window, GWL_STYLE);
}

using MainWindowLayoutTest = MainWindowTest;

TEST_F(MainWindowLayoutTest, TheWindowIsAFixedSizeGreyWindowTitledZr3Config) {
    Start();
    HWND handle = window->Handle;
    EXPECT_EQ(ui_test::WindowText(handle), "ZR3 config");
    EXPECT_TRUE(IsWindowVisible(handle));
    LONG_PTR style = StyleOf(handle);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    EXPECT_NE(style & WS_SYSMENU, 0);
    EXPECT_NE(style & WS_MINIMIZEBOX, 0);
    EXPECT_EQ(style & WS_MAXIMIZEBOX, 0) << "no maximize box";
    EXPECT_EQ(style & WS_THICKFRAME, 0) << "the size is fixed";
    EXPECT_EQ(style & WS_CHILD, 0);
    RECT outer{};
    ASSERT_TRUE(GetWindowRect(handle, &outer));
    EXPECT_EQ(outer.right - outer.left, 665);
    EXPECT_EQ(outer.bottom - outer.top, 462);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(GetClassLongPtrA(handle, GCLP_HBRBACKGROUND)),
              GetStockObject(LTGRAY_BRUSH));
    EXPECT_TRUE(window->HasFlags(WindowObject::KeyboardHandler));
    // The window's icon is resource 1 of the program.
    EXPECT_NE(GetClassLongPtrA(handle, GCLP_HICON), 0);
    EXPECT_EQ(window->timer, 0u);
    EXPECT_EQ(window->errorFlags, 0u);
    EXPECT_FALSE(window->busy);
}

TEST_F(MainWindowLayoutTest, FiftyControlsInCreationOrderWithTheirIdsCaptionsAndPlaces) {
    Start();
    std::vector<HWND> children = ChildrenOf(window->Handle);
    ASSERT_EQ(children.size(), Controls.size());
    EXPECT_EQ(window->ChildCount(), 50);
    for (size_t i = 0; i < Controls.size(); ++i) {
        const ExpectedControl& expected = Controls[i];
        HWND child = children[i];
        SCOPED_TRACE("control #" + std::to_string(i + 1) + " " + expected.caption);
        EXPECT_EQ(Lower(ClassOf(child)), Lower(expected.className));
        EXPECT_EQ(GetDlgCtrlID(child), expected.id);
        if (std::string(expected.className) != "ComboBox") {
            EXPECT_EQ(ui_test::WindowText(child), expected.caption);
        }
        RECT bounds{};
        GetWindowRect(child, &bounds);
        MapWindowPoints(nullptr, window->Handle, reinterpret_cast<POINT*>(&bounds), 2);
        EXPECT_EQ(bounds.left, expected.x);
        EXPECT_EQ(bounds.top, expected.y);
        EXPECT_EQ(bounds.right - bounds.left, expected.width);
        if (expected.height >= 0) {
            EXPECT_EQ(bounds.bottom - bounds.top, expected.height);
        }
        // Every control is bound to an object of the window.
        WindowObject* object = WindowObject::ObjectFromHandle(child);
        ASSERT_NE(object, nullptr);
        EXPECT_EQ(object->Parent, window);
    }

    // The fields refer to the controls of their place in the table.
    EXPECT_EQ(Handle(window->portCombo), children[1]);
    EXPECT_EQ(Handle(window->converterField), children[3]);
    EXPECT_EQ(Handle(window->relayField), children[11]);
    EXPECT_EQ(Handle(window->rangeEndEdit), children[22]);
    EXPECT_EQ(Handle(window->coefficientEdit), children[36]);
    EXPECT_EQ(Handle(window->resistanceField), children[40]);
    EXPECT_EQ(Handle(window->ratioField), children[48]);
    EXPECT_EQ(Handle(window->readingCheck), children[49]);
}

TEST_F(MainWindowLayoutTest, ControlStylesFollowTheirKind) {
    Start();
    std::vector<HWND> children = ChildrenOf(window->Handle);
    ASSERT_EQ(children.size(), 50u);
    // Centred labels, left-aligned others.
    for (size_t i : {18u, 21u, 32u, 35u})
        EXPECT_EQ(StyleOf(children[i]) & SS_TYPEMASK, SS_CENTER);
    for (size_t i : {0u, 2u, 16u, 28u, 39u})
        EXPECT_EQ(StyleOf(children[i]) & SS_TYPEMASK, SS_LEFT);
    // Value fields: right-aligned and sunken.
    for (HWND field : {Handle(window->converterField), Handle(window->temperatureField)}) {
        EXPECT_EQ(StyleOf(field) & SS_TYPEMASK, SS_RIGHT);
        EXPECT_NE(GetWindowLongPtrA(field, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
    }
    EXPECT_NE(StyleOf(Handle(window->refTempEdit)) & ES_RIGHT, 0);
    // The radio buttons form one group after the group box; the others start their own groups.
    EXPECT_EQ(StyleOf(Handle(window->offRadio)) & 0xF, BS_AUTORADIOBUTTON);
    EXPECT_EQ(StyleOf(Handle(window->linearRadio)) & WS_GROUP, 0);
    EXPECT_EQ(StyleOf(Handle(window->readingCheck)) & 0xF, BS_AUTOCHECKBOX);
    EXPECT_EQ(StyleOf(children[13]) & 0xF, BS_GROUPBOX);
    // The setting lists keep insertion order; the port list keeps its own style.
    for (HWND combo : {Handle(window->inputDampingCombo), Handle(window->sensorCombo),
                       Handle(window->tempDampingCombo)}) {
        EXPECT_EQ(StyleOf(combo) & CBS_SORT, 0);
        EXPECT_EQ(StyleOf(combo) & 3, CBS_DROPDOWNLIST);
    }
    EXPECT_NE(StyleOf(Handle(window->portCombo)) & CBS_SORT, 0);
}

TEST_F(MainWindowLayoutTest, SetUpFillsTheListsAndOpensNoPort) {
    Start();
    HWND sensors = Handle(window->sensorCombo);
    ASSERT_EQ(ItemCount(sensors), 5);
    EXPECT_EQ(Item(sensors, 0), "Pt100 (3850)");
    EXPECT_EQ(Item(sensors, 1), "Pt1000 (3850)");
    EXPECT_EQ(Item(sensors, 2), "Ni1000 (5000)");
    EXPECT_EQ(Item(sensors, 3), "Ni1000 (6180)");
    EXPECT_EQ(Item(sensors, 4), "NR351 3K0");
    for (HWND damping : {Handle(window->inputDampingCombo), Handle(window->tempDampingCombo)}) {
        ASSERT_EQ(ItemCount(damping), 31);
        // Insertion order, not text order ("10" would sort before "2").
        for (int i = 0; i <= 30; ++i)
            EXPECT_EQ(Item(damping, i), std::to_string(i));
        EXPECT_EQ(SelectedIndex(damping), CB_ERR);
    }
    EXPECT_EQ(SelectedIndex(sensors), CB_ERR);
    HWND ports = Handle(window->portCombo);
    ASSERT_EQ(ItemCount(ports), 2);
    EXPECT_EQ(Item(ports, 0), "COM1");
    EXPECT_EQ(Item(ports, 1), "COM2");
    EXPECT_EQ(SelectedIndex(ports), CB_ERR);
    // The user starts by choosing a port.
    EXPECT_TRUE(port->OpenedPaths().empty());
    EXPECT_TRUE(port->Writes().empty());
    EXPECT_FALSE(window->link->IsOpen());
}

TEST_F(MainWindowLayoutTest, TabMovesTheFocusThroughTheTabStopsInCreationOrder) {
    Start();
    HWND handle = window->Handle;
    SetForegroundWindow(handle);
    SetActiveWindow(handle);
    ui_test::PumpMessages();
    ASSERT_EQ(app->KeyboardWindow, window) << "the active window handles the keyboard";
    SetFocus(Handle(window->portCombo));
    ui_test::PressKey(GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), ui_test::FindChild(handle, MainWindow::RelayButtonId));
    ui_test::PressKey(GetFocus(), VK_TAB);
    EXPECT_EQ(GetFocus(), ui_test::FindChild(handle, MainWindow::CableButtonId));
    // From the last write button of the input group to the first radio button.
    SetFocus(ui_test::FindChild(handle, MainWindow::RangeEndWriteId));
    ui_test::PressKey(GetFocus(), VK_TAB);
    HWND focus = GetFocus();
    EXPECT_TRUE(focus == Handle(window->offRadio) || focus == Handle(window->linearRadio) ||
                focus == Handle(window->nonlinearRadio));
}

TEST_F(MainWindowLayoutTest, ClosingTheWindowStopsTheTimerAndClosesThePort) {
    StartConnected();
    ClickId(MainWindow::ReadingCheckId);
    ASSERT_NE(window->timer, 0u);
    HWND handle = window->Handle;
    ASSERT_TRUE(port->IsOpen());
    port->ClearRecord();
    SendMessageA(handle, WM_CLOSE, 0, 0);
    // The window is gone, the quit message posted, the port purged and closed.
    EXPECT_EQ(app->MainWin, nullptr);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_FALSE(port->IsOpen());
    ASSERT_FALSE(port->Events().empty());
    EXPECT_EQ(port->Events().back(), "Close");
    ASSERT_EQ(port->Purges().size(), 1u);
    EXPECT_EQ(port->Purges()[0], 0x000Fu);
    EXPECT_TRUE(ui_test::PumpMessages()) << "WM_QUIT";
}

}  // namespace
}  // namespace main_test
