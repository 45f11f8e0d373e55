#pragma once

#include <cstdint>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "link/converter_link.h"
#include "link/port_list.h"
#include "sim/model/device_model.h"
#include "tests/portlist/fake_port_source.h"
#include "tests/support/scripted_serial_port.h"
#include "tests/ui_support/ui_support.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/framework_start.h"
#include "ui/framework/list_box.h"
#include "ui/framework/port_combo_box.h"
#include "ui/framework/static_text.h"
#include "ui/main/main_window.h"

namespace main_test {

using Bytes = ScriptedSerialPort::Bytes;

// The four bytes of a float as the line carries them.
inline Bytes FloatBytes(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
            static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
}

// The float in four bytes of a request's data (little-endian).
inline float FloatAt(const Bytes& bytes, size_t offset) {
    uint32_t bits = 0;
    for (size_t i = 0; i < 4; ++i)
        bits |= static_cast<uint32_t>(bytes.at(offset + i)) << (8 * i);
    float value = 0.0f;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// The link's port: every call goes on to a scripted port that the test owns, so that what
// happened on the line can still be read after the window (and with it the link) is gone.
class ForwardingPort : public SerialPort {
  public:
    explicit ForwardingPort(ScriptedSerialPort& target) : target(target) {}
    bool Open(const char* path) override { return target.Open(path); }
    void Close() override { target.Close(); }
    bool IsOpen() const override { return target.IsOpen(); }
    void Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                   uint8_t stopBits) override {
        target.Configure(flags, baudRate, byteSize, parity, stopBits);
    }
    bool SetTimeouts(const LineTimeouts& timeouts) override { return target.SetTimeouts(timeouts); }
    size_t Read(uint8_t* buffer, size_t count) override { return target.Read(buffer, count); }
    size_t Write(const uint8_t* buffer, size_t count) override {
        return target.Write(buffer, count);
    }
    void Purge(uint32_t flags) override { target.Purge(flags); }
    bool LineGone() const override { return target.LineGone(); }

  private:
    ScriptedSerialPort& target;
};

// A message box the window asked for.
struct ShownMessage {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT style = 0;
};

// The simulated converter without noise or drift: its live values are steady.
inline sim::DeviceOptions QuietConverter() {
    sim::DeviceOptions options;
    options.process.noise = false;
    options.process.drift = false;
    return options;
}

// A MainWindow of a test application, on a scripted port (which records every request) behind
// which the simulated converter answers. Single answers can be replaced per code, and codes
// can be silenced, to produce what a real line does.
class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { StartFramework(); }

    void TearDown() override {
        // The window (and its link) go before the port they use.
        app.reset();
        ui_test::PumpMessages();
    }

    // Creates the application and its main window; the ports offered are COM1 and COM2.
    void Start(const sim::DeviceOptions& options = QuietConverter()) {
        model = std::make_unique<sim::DeviceModel>(options);
        port = std::make_unique<ScriptedSerialPort>();
        port->SetResponder([this](const Bytes& request) { return Respond(request); });
        auto converterLink =
            std::make_unique<ConverterLink>(std::make_unique<ForwardingPort>(*port));
        FakePortSource source;
        source.AddText("COM2");
        source.AddText("COM1");
        auto ports = std::make_unique<PortList>(source);
        app = std::make_unique<ui_test::TestApplication>(
            [&](const char* name) {
                window = new MainWindow(name, std::move(converterLink), std::move(ports));
                window->showMessage = [this](HWND owner, const char* text, const char* caption,
                                             UINT style) {
                    messages.push_back({owner, text, caption, style});
                    return IDOK;
                };
                return window;
            },
            "ZR3 config");
        ASSERT_NE(app->MainWin, nullptr);
        ASSERT_EQ(app->MainWin, window);
    }

    // Starts and connects to the converter on COM1.
    void StartConnected(const sim::DeviceOptions& options = QuietConverter()) {
        Start(options);
        if (HasFatalFailure()) return;
        SelectPort(0);
        port->ClearRecord();
    }

    Bytes Respond(const Bytes& request) {
        uint8_t code = request.size() > 1 ? request[1] : 0;
        if (silent.count(code) != 0) return {};
        auto replaced = answers.find(code);
        if (replaced != answers.end() && !replaced->second.empty()) {
            Bytes data = replaced->second.front();
            // The last replacement stays until the test changes it.
            if (replaced->second.size() > 1) replaced->second.pop_front();
            // The converter still sees the request (and, for a write, takes the value).
            model->Handle(request.data(), request.size());
            return ScriptedSerialPort::AnswerFrame(data);
        }
        return model->Handle(request.data(), request.size());
    }

    // The converter answers `code` with these data bytes (in turn; the last one stays).
    void Answer(uint8_t code, std::vector<Bytes> data) {
        answers[code] = std::deque<Bytes>(data.begin(), data.end());
    }
    void AnswerFloat(uint8_t code, float value) { Answer(code, {FloatBytes(value)}); }
    void Silence(uint8_t code) { silent.insert(code); }
    void Speak(uint8_t code) { silent.erase(code); }

    // A user's selection in a combo box: CB_SETCURSEL, then CBN_SELCHANGE to the main window.
    void Select(HWND combo, int index) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ui_test::SendCommand(window->Handle, GetDlgCtrlID(combo), CBN_SELCHANGE, combo);
    }
    // A port chosen in the closed list: the window opens it when the pause after the selection
    // has passed, here at once by the pause timer's tick.
    void SelectPort(int index) {
        ASSERT_NE(window, nullptr);
        Select(Handle(window->portCombo), index);
        SendMessageA(window->Handle, WM_TIMER, MainWindow::PortPauseTimerId, 0);
    }

    // Types a text into a control.
    static void Type(HWND control, const char* text) { SetWindowTextA(control, text); }

    void ClickId(int id) { ui_test::Click(ui_test::FindChild(window->Handle, id)); }

    // One tick of the poll timer, as the window system delivers it.
    void Tick() { SendMessageA(window->Handle, WM_TIMER, MainWindow::PollTimerId, 0); }

    template <typename Control>
    static HWND Handle(Control* control) {
        return control != nullptr ? control->Handle : nullptr;
    }
    template <typename Control>
    static std::string Text(Control* control) {
        return ui_test::WindowText(Handle(control));
    }
    static int SelectedIndex(HWND combo) {
        return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
    }
    static int ItemCount(HWND combo) {
        return static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    }
    static std::string Item(HWND combo, int index) {
        char text[64] = {};
        if (SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0) >= 64) return "?";
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                     reinterpret_cast<LPARAM>(text));
        return text;
    }
    static bool Checked(HWND button) {
        return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
    }

    // The codes of the requests written since the record was cleared, in order.
    std::vector<uint8_t> Codes() const {
        std::vector<uint8_t> codes;
        for (const Bytes& request : port->Writes())
            codes.push_back(request.size() > 1 ? request[1] : 0);
        return codes;
    }
    // The requests with this code, in order.
    std::vector<Bytes> Requests(uint8_t code) const {
        std::vector<Bytes> found;
        for (const Bytes& request : port->Writes())
            if (request.size() > 1 && request[1] == code) found.push_back(request);
        return found;
    }

    std::unique_ptr<sim::DeviceModel> model;
    std::unique_ptr<ScriptedSerialPort> port;
    std::unique_ptr<ui_test::TestApplication> app;
    MainWindow* window = nullptr;
    std::vector<ShownMessage> messages;
    std::map<uint8_t, std::deque<Bytes>> answers;
    std::set<uint8_t> silent;
};

}  // namespace main_test
