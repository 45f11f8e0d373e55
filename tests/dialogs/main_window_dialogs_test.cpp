#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "link/port_list.h"
#include "resources/dialog_ids.h"
#include "tests/dialogs/fake_converter.h"
#include "tests/portlist/fake_port_source.h"
#include "tests/ui_support/ui_support.h"
#include "ui/framework/framework_start.h"
#include "ui/framework/port_combo_box.h"
#include "ui/framework/static_text.h"
#include "ui/main/main_window.h"

// The dialogs opened from the main window's buttons, with the main window's polling: it goes on
// while the relay dialog is open and stops while a calibration dialog samples the same link.
namespace {

constexpr uint8_t Resistance = 0x24;
constexpr uint8_t InputDamping = 0x44;

class MainWindowDialogsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        StartFramework();
        converter.SetData(0x21, {'Z', 'R', '3', 0, 0, 0, 0, 0});
        converter.SetFloat(Resistance, 108.0f);
        converter.SetFloat(0x29, 1000.0f);
        converter.SetFloat(0x38, 3.0f);
        converter.SetByte(0x34, 1);
        converter.SetData(0x42, std::vector<uint8_t>(12, 0));
        converter.SetByte(InputDamping, 5);
        FakePortSource source;
        source.AddText("COM1");
        auto ports = std::make_unique<PortList>(source);
        auto link = converter.TakeLink();
        app = std::make_unique<ui_test::TestApplication>(
            [&](const char* name) {
                window = new MainWindow(name, std::move(link), std::move(ports));
                return window;
            },
            "ZR3 config");
        ASSERT_EQ(app->MainWin, window);
        HWND combo = window->portCombo->Handle;
        SendMessageA(combo, CB_SETCURSEL, 0, 0);
        ui_test::SendCommand(window->Handle, MainWindow::PortComboId, CBN_SELCHANGE, combo);
        SendMessageA(window->Handle, WM_TIMER, MainWindow::PortPauseTimerId, 0);
        ASSERT_EQ(ui_test::WindowText(window->converterField->Handle), "ZR3");
    }

    void TearDown() override {
        HoldControl(false);
        app.reset();
        ui_test::PumpMessages();
    }

    // Clicks the main window's button and, inside the dialog it opens, sends the main window one
    // poll tick; returns the resistance reads that tick made, and whether the window was busy.
    void PollWhileOpen(int buttonId, size_t& pollReads, bool& busy) {
        ui_test::DriveNextDialog(
            [&] { ui_test::Click(ui_test::FindChild(window->Handle, buttonId)); },
            [&](HWND dialog) {
                busy = window->busy;
                const size_t before = converter.CountOf(Resistance);
                SendMessageA(window->Handle, WM_TIMER, MainWindow::PollTimerId, 0);
                pollReads = converter.CountOf(Resistance) - before;
                ui_test::SendCommand(dialog, IDCANCEL);
            });
    }

    // The main window reads the Ctrl key with GetKeyState, which follows the thread's key state.
    static void HoldControl(bool down) {
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }

    FakeConverter converter;
    std::unique_ptr<ui_test::TestApplication> app;
    MainWindow* window = nullptr;
};

TEST_F(MainWindowDialogsTest, PollingGoesOnDuringTheRelayDialogOnly) {
    size_t reads = 99;
    bool busy = true;
    PollWhileOpen(MainWindow::RelayButtonId, reads, busy);
    EXPECT_FALSE(busy);
    EXPECT_EQ(reads, 1u);

    PollWhileOpen(MainWindow::CableButtonId, reads, busy);
    EXPECT_TRUE(busy);
    EXPECT_EQ(reads, 0u);
    EXPECT_FALSE(window->busy);

    PollWhileOpen(MainWindow::ProbeButtonId, reads, busy);
    EXPECT_TRUE(busy);
    EXPECT_EQ(reads, 0u);

    // The polling resumes after the dialogs.
    const size_t before = converter.CountOf(Resistance);
    SendMessageA(window->Handle, WM_TIMER, MainWindow::PollTimerId, 0);
    EXPECT_EQ(converter.CountOf(Resistance), before + 1);
}

TEST_F(MainWindowDialogsTest, TheProbeDialogsRunUndampedAndCtrlChoosesTheTable) {
    std::vector<std::string> captions;
    std::vector<bool> hasList;
    for (bool ctrl : {false, true}) {
        HoldControl(ctrl);
        converter.ForgetRequests();
        ui_test::DriveNextDialog(
            [&] { ui_test::Click(ui_test::FindChild(window->Handle, MainWindow::ProbeButtonId)); },
            [&](HWND dialog) {
                captions.push_back(ui_test::WindowText(dialog));
                hasList.push_back(GetDlgItem(dialog, IDC_TABLE_MANUAL) != nullptr);
                // The damping is 0 while the dialog runs.
                EXPECT_EQ(converter.Writes().front(), "01 44 01 00 BA");
                ui_test::SendCommand(dialog, IDCANCEL);
            });
        std::vector<std::string> writes = converter.Writes();
        ASSERT_EQ(writes.size(), 2u);
        EXPECT_EQ(writes[0], "01 44 01 00 BA");
        EXPECT_EQ(writes[1], "01 44 01 05 B5");
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"Probe calibration", "Probe calibration"}));
    EXPECT_EQ(hasList, (std::vector<bool>{false, true}));
}

}  // namespace
