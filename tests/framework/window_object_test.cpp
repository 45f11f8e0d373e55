#include <memory>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/framework/test_windows.h"
#include "tests/ui_support/ui_support.h"
#include "ui/framework/framework_start.h"
#include "ui/framework/window_procedure.h"

namespace {

class WindowObjectTest : public ::testing::Test {
  protected:
    void SetUp() override { StartFramework(); }
    void TearDown() override { ui_test::PumpMessages(); }
};

// Children in ring order, walked from LastChild->NextSibling back to LastChild.
std::vector<WindowObject*> Ring(WindowObject& parent) {
    std::vector<WindowObject*> children;
    WindowObject* child = parent.FirstChild();
    while (child != nullptr) {
        children.push_back(child);
        if (child == parent.LastChild) break;
        child = child->NextSibling;
    }
    return children;
}

TEST_F(WindowObjectTest, ObjectPtrMessageIsAnsweredOnlyByBoundWindows) {
    ASSERT_NE(ObjectPtrMessage, 0u);
    RecordingWindow* window = NewRealizedWindow();
    auto* button = new PushButton(window, "Bound", 10, 10, 80, 24, 201);
    ASSERT_TRUE(window->Realize());
    ASSERT_NE(button->Handle, nullptr);
    HWND plain =
        CreateWindowExA(0, "Button", "Plain", WS_CHILD | WS_VISIBLE, 10, 40, 80, 24, window->Handle,
                        reinterpret_cast<HMENU>(202), ModuleInstance(), nullptr);
    ASSERT_NE(plain, nullptr);

    EXPECT_EQ(SendMessageA(window->Handle, ObjectPtrMessage, 0, 0),
              reinterpret_cast<LRESULT>(static_cast<WindowObject*>(window)));
    EXPECT_EQ(SendMessageA(button->Handle, ObjectPtrMessage, 0, 0),
              reinterpret_cast<LRESULT>(static_cast<WindowObject*>(button)));
    EXPECT_EQ(SendMessageA(plain, ObjectPtrMessage, 0, 0), 0);

    EXPECT_EQ(WindowObject::ObjectFromHandle(window->Handle), window);
    EXPECT_EQ(WindowObject::ObjectFromHandle(button->Handle), button);
    EXPECT_EQ(WindowObject::ObjectFromHandle(plain), nullptr);
    EXPECT_EQ(WindowObject::ObjectFromHandle(nullptr), nullptr);
    EXPECT_EQ(WindowObject::ObjectFromHandle(GetDesktopWindow()), nullptr);

    // The subclassed button still behaves as a button: its own procedure is the default.
    EXPECT_NE(button->DefaultProc, nullptr);
    EXPECT_NE(button->DefaultProc, DefWindowProcA);
    EXPECT_EQ(ui_test::WindowText(button->Handle), "Bound");
    window->Destroy();
}

TEST_F(WindowObjectTest, ClicksReachTheParentWithTheControlIdEitherWay) {
    RecordingWindow* window = NewRealizedWindow();
    auto* bound = new RecordingButton(window, "Bound", 10, 10, 80, 24, 201);
    ASSERT_TRUE(window->Realize());
    HWND plain =
        CreateWindowExA(0, "Button", "Plain", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 10, 40, 80, 24,
                        window->Handle, reinterpret_cast<HMENU>(202), ModuleInstance(), nullptr);
    ASSERT_NE(plain, nullptr);

    ui_test::Click(bound->Handle);
    ui_test::Click(plain);
    ui_test::PumpMessages();

    using Notify = std::pair<int, int>;
    EXPECT_EQ(window->childNotifies, (std::vector<Notify>{{201, BN_CLICKED}, {202, BN_CLICKED}}));
    // The first went through the button's own object.
    EXPECT_EQ(bound->notifies, (std::vector<int>{BN_CLICKED}));

    // A scroll bar without an object: the parent hears of it by the bar's id.
    HWND bar =
        CreateWindowExA(0, "ScrollBar", nullptr, WS_CHILD | WS_VISIBLE | SBS_HORZ, 10, 80, 100, 16,
                        window->Handle, reinterpret_cast<HMENU>(203), ModuleInstance(), nullptr);
    ASSERT_NE(bar, nullptr);
    window->childNotifies.clear();
    SendMessageA(window->Handle, WM_HSCROLL, MAKEWPARAM(SB_LINERIGHT, 0),
                 reinterpret_cast<LPARAM>(bar));
    EXPECT_EQ(window->childNotifies, (std::vector<Notify>{{203, 0}}));
    window->Destroy();
}

TEST_F(WindowObjectTest, AHandlerThatLeavesResultAloneAnswersOne) {
    RecordingWindow* window = NewRealizedWindow();
    ASSERT_TRUE(window->Realize());
    EXPECT_EQ(SendMessageA(window->Handle, UntouchedMessage, 0, 0), 1);
    EXPECT_EQ(SendMessageA(window->Handle, AnsweredMessage, 0, 0), 42);
    // Default processing overwrites the preset: DefWindowProc answers 0 to WM_NULL.
    EXPECT_EQ(SendMessageA(window->Handle, WM_NULL, 0, 0), 0);
    window->Destroy();
}

TEST_F(WindowObjectTest, QueryEndSessionOfAWindowIsZeroWhenRefused) {
    RecordingWindow* window = NewRealizedWindow();
    auto* child = new RefusingButton(window, "Child", 10, 10, 80, 24, 201);
    ASSERT_TRUE(window->Realize());
    EXPECT_EQ(SendMessageA(window->Handle, WM_QUERYENDSESSION, 0, 0), 0);
    child->allowClose = true;
    EXPECT_EQ(SendMessageA(window->Handle, WM_QUERYENDSESSION, 0, 0), 1);
    window->allowClose = false;
    EXPECT_EQ(SendMessageA(window->Handle, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_TRUE(IsWindow(window->Handle));  // asking never closes
    window->Destroy();
}

TEST_F(WindowObjectTest, ChildrenAreDestroyedInConstructionOrderAfterTheNativeWindows) {
    EventLog log;
    RecordingWindow* window = NewRealizedWindow(&log);
    for (const char* name : {"a", "b", "c"}) {
        auto* child = new RecordingWindow(window, name, &log, name);
        child->Width = 50;
        child->Height = 20;
    }
    ASSERT_TRUE(window->Realize());
    std::vector<HWND> handles;
    for (WindowObject* child : Ring(*window))
        handles.push_back(child->Handle);
    ASSERT_EQ(handles.size(), 3u);
    for (HWND handle : handles)
        ASSERT_TRUE(IsWindow(handle));

    window->Destroy();
    // The whole object sees its WM_DESTROY; the children see theirs while intact; then the
    // objects go, children first to last.
    EXPECT_EQ(log, (EventLog{"WM_DESTROY top", "WM_DESTROY a", "WM_DESTROY b", "WM_DESTROY c",
                             "~top", "~a", "~b", "~c"}));
    for (HWND handle : handles)
        EXPECT_FALSE(IsWindow(handle));
}

TEST_F(WindowObjectTest, TheRingStaysConsistentWhicheverChildGoes) {
    for (int victim = 0; victim < 3; ++victim) {
        RecordingWindow parent(nullptr, "parent");
        std::vector<WindowObject*> children;
        for (const char* name : {"a", "b", "c"})
            children.push_back(new RecordingWindow(&parent, name, nullptr, name));
        ASSERT_EQ(Ring(parent), children);
        ASSERT_EQ(parent.LastChild, children[2]);

        children[victim]->Destroy();
        children.erase(children.begin() + victim);
        EXPECT_EQ(Ring(parent), children) << "victim " << victim;
        EXPECT_EQ(parent.LastChild, children.back());
        EXPECT_EQ(parent.LastChild->NextSibling, children.front());
        EXPECT_EQ(parent.ChildCount(), 2);

        children[0]->Destroy();
        EXPECT_EQ(parent.LastChild, children[1]);
        EXPECT_EQ(parent.LastChild->NextSibling, children[1]);  // a ring of one
        children[1]->Destroy();
        EXPECT_EQ(parent.LastChild, nullptr);
        EXPECT_EQ(parent.FirstChild(), nullptr);
        EXPECT_EQ(parent.ChildCount(), 0);
    }
}

TEST_F(WindowObjectTest, ANativeWindowDestroyedFirstLeavesNoBindingBehind) {
    // A control whose native window goes with a parent that is not an object.
    HWND host = CreateWindowExA(0, "Static", "host", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, ModuleInstance(), nullptr);
    ASSERT_NE(host, nullptr);
    auto* holder = new RecordingWindow(nullptr, "holder");
    holder->Handle = host;  // borrowed, never destroyed through the object
    auto* button = new PushButton(holder, "Bound", 10, 10, 80, 24, 201);
    ASSERT_TRUE(button->Realize());
    HWND handle = button->Handle;
    EXPECT_EQ(WindowObject::ObjectFromHandle(handle), button);

    DestroyWindow(host);
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(button->Handle, nullptr);  // cleared on WM_NCDESTROY
    EXPECT_EQ(BoundObject(handle), nullptr);
    holder->Handle = nullptr;
    holder->Destroy();  // and the button object with it, without touching a stale handle
}

TEST_F(WindowObjectTest, ExitCommandInAChildTravelsUpToTheParent) {
    RecordingWindow* window = NewRealizedWindow();
    auto* child = new RecordingWindow(window, nullptr, nullptr, "child");
    child->Width = 50;
    child->Height = 20;
    ASSERT_TRUE(window->Realize());
    ui_test::SendCommand(child->Handle, WindowObject::ExitCommandId);
    EXPECT_EQ(child->commands, (std::vector<int>{WindowObject::ExitCommandId}));
    EXPECT_EQ(window->commands, (std::vector<int>{WindowObject::ExitCommandId}));
    // Without an application nothing is the main window, so nothing closes.
    EXPECT_TRUE(IsWindow(window->Handle));
    window->Destroy();
}

TEST_F(WindowObjectTest, FlagsAndGeometry) {
    RecordingWindow* window = NewRealizedWindow();
    window->SetFlag(WindowObject::KeyboardHandler | WindowObject::TransferEnabled);
    EXPECT_TRUE(window->HasFlags(WindowObject::KeyboardHandler));
    EXPECT_TRUE(window->HasFlags(WindowObject::KeyboardHandler | WindowObject::TransferEnabled));
    EXPECT_FALSE(window->HasFlags(WindowObject::KeyboardHandler | WindowObject::FromResource));
    auto* button = new PushButton(window, "B", 15, 25, 80, 24, 201);
    ASSERT_TRUE(window->Realize());
    EXPECT_EQ(button->X, 15);
    EXPECT_EQ(button->Y, 25);
    EXPECT_EQ(button->Width, 80);
    EXPECT_EQ(button->Height, 24);
    MoveWindow(window->Handle, 30, 40, 300, 200, FALSE);
    EXPECT_EQ(window->X, 30);
    EXPECT_EQ(window->Y, 40);
    EXPECT_EQ(window->Width, 300);
    EXPECT_EQ(window->Height, 200);
    button->Disable();
    EXPECT_FALSE(IsWindowEnabled(button->Handle));
    button->Enable();
    EXPECT_TRUE(IsWindowEnabled(button->Handle));
    window->Destroy();
}

}  // namespace
