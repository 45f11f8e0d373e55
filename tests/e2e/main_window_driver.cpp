// Drives a running zr3config.exe from outside, as a technician would, through window messages
// only: finds the "ZR3 config" window of the program zr3config.exe, selects a port, reads the
// fields, clicks buttons, closes the window. The exit code is the verdict (0 passed, 1 failed, 2
// bad call).
//
//   main_window_driver connect [PORT]   select PORT (COM1) and wait for the converter's values
//   main_window_driver reading          switch "Reading" on
//   main_window_driver check            connect to COM1, check the values of a quiet zr3sim,
//                                       write a setting, follow the live values with "Reading"
//   main_window_driver refuse           a start of range that is no number: a message box, the
//                                       text kept (the trace must hold no write of it)
//   main_window_driver close            close the window and wait for the program to end
//   main_window_driver outer W H        check the window's outer size in physical pixels
//   main_window_driver bench [ROUNDS]   time the connect and the poll cycle against line time
//   main_window_driver ports            the arrow keys pass over COM1 in the closed list without
//                                       opening it; a choice in the open list connects, also again
//   main_window_driver gone             the terminal behind COM1 closed under "Reading": one
//                                       message, "Reading" off; a new zr3sim reached by choosing
//                                       COM1 again
//
// The simulator is reached through ZR3_SIM_CONTROL (control FIFO) and ZR3_SIM_TRACE (frame
// trace), Unix paths seen through Wine's drive Z:.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/driver/check_log.h"
#include "tests/driver/driver_steps.h"

namespace {

using Clock = std::chrono::steady_clock;

// A port selection connects and reads everything: far more than one answer's bound.
constexpr int SelectBoundMs = 15000;

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

bool SelectPort(ToolSession& tool, const std::string& name) {
    std::string error;
    if (!tool.PickPort(name, error)) {
        Fail(error);
        return false;
    }
    const std::string shown = tool.Text(MainChild::PortCombo);
    if (shown != name) {
        Fail("the port list shows \"" + shown + "\" after selecting " + name);
        return false;
    }
    if (!tool.NotifyPortChange(SelectBoundMs)) {
        Fail("the window did not finish the port selection");
        return false;
    }
    return true;
}

int Connect(const std::string& port) {
    ToolSession tool;
    if (!AttachTool(tool) || !SelectPort(tool, port)) return 1;
    Expect("converter", tool.Text(MainChild::ConverterField), "ZR3");
    ExpectFixed("resistance", tool.Text(MainChild::ResistanceField), 1);
    for (MainChild field :
         {MainChild::ConverterField, MainChild::FirmwareField, MainChild::SerialNumberField,
          MainChild::OutputField, MainChild::RelayField, MainChild::ResistanceField,
          MainChild::TemperatureField, MainChild::ConductanceField, MainChild::ConductivityField,
          MainChild::RatioField})
        Say("     field " + std::to_string(static_cast<int>(field)) + ": " + tool.Text(field));
    return Verdict();
}

int Reading() {
    ToolSession tool;
    if (!AttachTool(tool)) return 1;
    tool.SetReading(true);
    Expect("reading", tool.ReadingChecked() ? "checked" : "unchecked", "checked");
    return Verdict();
}

// The values of a zr3sim with its defaults (--no-noise --no-drift), as the window shows them.
int Check() {
    ToolSession tool;
    if (!AttachTool(tool) || !SelectPort(tool, "COM1")) return 1;
    Expect("converter", tool.Text(MainChild::ConverterField), "ZR3");
    Expect("firmware", tool.Text(MainChild::FirmwareField), "1.03");
    Expect("serial number", tool.Text(MainChild::SerialNumberField), "123456");
    Expect("output", tool.Text(MainChild::OutputField), "Pasive 4 to 20 mA");
    Expect("relay", tool.Text(MainChild::RelayField), "Relay 1");
    Expect("input damping", std::to_string(tool.Selected(MainChild::InputDampingCombo)), "5");
    Expect("start of range", tool.Text(MainChild::RangeStartEdit), "0.0");
    Expect("end of range", tool.Text(MainChild::RangeEndEdit), "2000.0");
    Expect("compensation",
           std::string(tool.Checked(MainChild::OffRadio) ? "off " : "") +
               (tool.Checked(MainChild::LinearRadio) ? "linear " : "") +
               (tool.Checked(MainChild::NonlinearRadio) ? "nonlinear " : ""),
           "linear ");
    Expect("nonlinear enabled",
           IsWindowEnabled(tool.Child(MainChild::NonlinearRadio)) ? "yes" : "no", "yes");
    Expect("sensor", tool.Text(MainChild::SensorCombo), "Pt100 (3850)");
    Expect("temperature damping", std::to_string(tool.Selected(MainChild::TempDampingCombo)), "5");
    Expect("reference temperature", tool.Text(MainChild::RefTempEdit), "25.0");
    Expect("coefficient", tool.Text(MainChild::CoefficientEdit), "2.00");
    // A Pt100 at 25 degC.
    Expect("resistance", tool.Text(MainChild::ResistanceField), "109.7");
    Expect("temperature", tool.Text(MainChild::TemperatureField), "25.0");
    ExpectFixed("conductance", tool.Text(MainChild::ConductanceField), 2);
    ExpectFixed("conductivity", tool.Text(MainChild::ConductivityField), 2);
    ExpectFixed("ratio", tool.Text(MainChild::RatioField), 2);

    // A setting typed with a comma and written: the converter's answer is shown.
    SendMessageA(tool.Child(MainChild::RefTempEdit), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("21,5"));
    tool.Click(MainChild::RefTempWrite);
    Expect("reference temperature written", tool.Text(MainChild::RefTempEdit), "21.5");

    // "Reading": the live values follow the process without any other trigger.
    tool.Click(MainChild::ReadingCheck);
    Expect("reading", tool.ReadingChecked() ? "checked" : "unchecked", "checked");
    const std::string resistanceBefore = tool.Text(MainChild::ResistanceField);
    SimulatorChannel sim;
    const bool simulated = ReachSimulator(sim);
    if (simulated && ControlSimulator(sim, "set temperature 40")) {
        if (!tool.WaitForText(MainChild::TemperatureField, "40.0", 6000)) {
            Fail("the temperature field shows " + tool.Text(MainChild::TemperatureField) +
                 ", not 40.0");
        } else {
            Say("ok   live temperature: 40.0");
            const std::string resistance = tool.Text(MainChild::ResistanceField);
            if (resistance == resistanceBefore || !IsFixed(resistance, 1))
                Fail("live resistance " + resistance + " after " + resistanceBefore);
            else
                Say("ok   live resistance: " + resistanceBefore + " -> " + resistance);
        }
    }
    // A broken sensor: "Failure" white on red, then back.
    if (simulated && ControlSimulator(sim, "sensor broken on")) {
        if (tool.WaitForText(MainChild::ResistanceField, "Failure", 6000))
            Say("ok   broken sensor: Failure");
        else
            Fail("the resistance field shows " + tool.Text(MainChild::ResistanceField) +
                 ", not Failure");
        ControlSimulator(sim, "sensor broken off");
        if (tool.WaitForText(MainChild::TemperatureField, "40.0", 6000) &&
            tool.Text(MainChild::ResistanceField) != "Failure")
            Say("ok   sensor back: " + tool.Text(MainChild::ResistanceField));
        else
            Fail("the sensor did not come back: " + tool.Text(MainChild::ResistanceField));
    }
    return Verdict();
}

// "12abc" as the start of range and "Write" (id 111): the window refuses it in a message box of
// its own caption before anything is sent, and the edit keeps the text.
int Refuse() {
    ToolSession tool;
    if (!AttachTool(tool)) return 1;
    constexpr int RangeStartWriteId = 111;
    constexpr int MessageTextId = 0xFFFF;  // the text of a message box
    SendMessageA(tool.Child(MainChild::RangeStartEdit), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("12abc"));
    tool.PostButton(RangeStartWriteId);
    HWND box = tool.WaitForDialog("ZR3 config", IDOK, 10000);
    if (box == nullptr) {
        Fail("no message box after \"12abc\" was written");
        return Verdict();
    }
    Expect("refusal", tool.ItemText(box, MessageTextId),
           "The start of range must be a number, such as 12.5 or 12,5.");
    tool.PostCommand(box, IDOK);
    if (!tool.WaitGone(box, 5000)) Fail("the message box did not close");
    Expect("start of range kept", tool.Text(MainChild::RangeStartEdit), "12abc");
    return Verdict();
}

// The outer size, frame and caption included, as the display shows it.
int Outer(int width, int height) {
    // Seen from a program that is not DPI aware, the system would scale the rectangle to 96 DPI.
    SetProcessDPIAware();
    ToolSession tool;
    if (!AttachTool(tool)) return 1;
    RECT outer{};
    GetWindowRect(tool.main(), &outer);
    Expect(
        "outer size",
        std::to_string(outer.right - outer.left) + "x" + std::to_string(outer.bottom - outer.top),
        std::to_string(width) + "x" + std::to_string(height));
    return Verdict();
}

// The line time of frames: bytes x 10 bits / 9600 baud.
struct LineUse {
    size_t frames = 0;
    size_t bytes = 0;
    double lineMs = 0.0;
};

LineUse LineUseOf(const std::vector<TraceFrame>& frames) {
    LineUse use;
    for (const auto& frame : frames) {
        if (!frame.IsRequest() && !frame.IsAnswer()) continue;
        ++use.frames;
        use.bytes += frame.bytes.size();
    }
    use.lineMs = static_cast<double>(use.bytes) * 10.0 * 1000.0 / 9600.0;
    return use;
}

void Report(const std::string& what, const std::vector<double>& times, const LineUse& use) {
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const double median = sorted[sorted.size() / 2];
    Say(what + ": " + std::to_string(use.frames / 2) + " exchanges, " + std::to_string(use.bytes) +
        " bytes, line time " + Fixed(use.lineMs, 1) + " ms; measured median " + Fixed(median, 1) +
        " ms (min " + Fixed(sorted.front(), 1) + ", max " + Fixed(sorted.back(), 1) + "); ratio " +
        Fixed(median / use.lineMs, 3));
}

int Bench(int rounds) {
    ToolSession tool;
    if (!AttachTool(tool)) return 1;
    tool.SetReading(false);
    // The line time is counted from the simulator's trace.
    SimulatorChannel sim;
    if (!ReachSimulator(sim)) return 1;
    std::string error;

    // Connect and ReadAll (which ends with one poll), from the selection's notification until
    // the window has handled it.
    std::vector<double> connectTimes;
    LineUse connectUse;
    for (int i = 0; i < rounds; ++i) {
        if (!tool.PickPort("COM1", error)) {
            Fail(error);
            return 1;
        }
        const size_t mark = sim.Mark();
        const auto start = Clock::now();
        tool.NotifyPortChange(SelectBoundMs);
        connectTimes.push_back(Milliseconds(Clock::now() - start));
        connectUse = LineUseOf(sim.Since(mark));
    }
    if (tool.Text(MainChild::ConverterField) != "ZR3")
        Fail("not connected: " + tool.Text(MainChild::ConverterField));
    Report("select port -> end of ReadAll", connectTimes, connectUse);

    std::vector<double> pollTimes;
    LineUse pollUse;
    for (int i = 0; i < rounds * 4; ++i) {
        const size_t mark = sim.Mark();
        const auto start = Clock::now();
        tool.Tick();
        pollTimes.push_back(Milliseconds(Clock::now() - start));
        pollUse = LineUseOf(sim.Since(mark));
    }
    Report("poll cycle", pollTimes, pollUse);

    // A converter that has gone silent: a tick costs the time-out of its first read only.
    if (!ControlSimulator(sim, "fault silence always")) return 1;
    std::vector<double> silentTimes;
    for (int i = 0; i < rounds; ++i) {
        const auto start = Clock::now();
        tool.Tick();
        silentTimes.push_back(Milliseconds(Clock::now() - start));
    }
    ControlSimulator(sim, "fault clear");
    std::sort(silentTimes.begin(), silentTimes.end());
    const double silent = silentTimes[silentTimes.size() / 2];
    Say("silent converter, one tick: median " + Fixed(silent, 1) + " ms (min " +
        Fixed(silentTimes.front(), 1) + ", max " + Fixed(silentTimes.back(), 1) +
        "); read time-out 200 ms, five time-outs would be 1000 ms");
    return Verdict();
}

// The identity requests on the simulator's line since the mark.
size_t IdentityRequests(const SimulatorChannel& sim, size_t mark) {
    size_t count = 0;
    for (const auto& frame : sim.Since(mark))
        if (frame.IsRequest() && frame.Code() == 0x21) ++count;
    return count;
}

// A key pressed in the port list, as the keyboard gives it to the focused list; returns when the
// list has handled it.
void PressInPortList(ToolSession& tool, UINT key) {
    HWND combo = tool.Child(MainChild::PortCombo);
    SendMessageTimeoutA(combo, WM_KEYDOWN, key, 1, SMTO_NORMAL, 5000, nullptr);
    SendMessageTimeoutA(combo, WM_KEYUP, key, 0xC0000001, SMTO_NORMAL, 5000, nullptr);
}

// The port list opened, and Enter on the item it shows.
void ChooseInOpenList(ToolSession& tool) {
    HWND combo = tool.Child(MainChild::PortCombo);
    SendMessageTimeoutA(combo, CB_SHOWDROPDOWN, TRUE, 0, SMTO_NORMAL, 2000, nullptr);
    PressInPortList(tool, VK_RETURN);
}

// Waits until `count` identity requests have come since the mark.
bool WaitForIdentity(const SimulatorChannel& sim, size_t mark, size_t count, int timeoutMs) {
    for (int waited = 0; waited < timeoutMs; waited += 100) {
        if (IdentityRequests(sim, mark) >= count) return true;
        Pause(100);
    }
    return false;
}

int Ports() {
    ToolSession tool;
    SimulatorChannel sim;
    if (!AttachTool(tool) || !ReachSimulator(sim)) return 1;
    // Another test's window on the same display may hold the activation: the tool's thread then
    // has no focus at all, and taking the activation back restores the focus it keeps.
    GUITHREADINFO focus{};
    for (int waited = 0; waited < 3000; waited += 100) {
        focus = GUITHREADINFO{};
        focus.cbSize = sizeof focus;
        GetGUIThreadInfo(GetWindowThreadProcessId(tool.main(), nullptr), &focus);
        if (focus.hwndFocus != nullptr) break;
        SetForegroundWindow(tool.main());
        Pause(100);
    }
    Expect("focus at start",
           focus.hwndFocus == tool.Child(MainChild::PortCombo) ? "Port:" : "elsewhere", "Port:");

    // Down to COM1, on at once to COM2: COM1 is passed over.
    const size_t start = sim.Mark();
    PressInPortList(tool, VK_DOWN);
    PressInPortList(tool, VK_DOWN);
    Expect("port list after two steps", tool.Text(MainChild::PortCombo), "COM2");
    Pause(1500);
    Expect("requests to COM1 passed over", std::to_string(sim.Since(start).size()), "0");

    // Back up to COM1, which opens after the pause.
    PressInPortList(tool, VK_UP);
    if (!WaitForIdentity(sim, start, 1, 5000)) Fail("COM1 was not opened after the pause");
    if (!tool.WaitForText(MainChild::ConverterField, "ZR3", 5000))
        Fail("not connected: " + tool.Text(MainChild::ConverterField));
    Pause(1000);
    Expect("identity requests after the pause", std::to_string(IdentityRequests(sim, start)), "1");

    // The port shown chosen again from the open list: a new connection, at once and once.
    const size_t again = sim.Mark();
    ChooseInOpenList(tool);
    if (!WaitForIdentity(sim, again, 1, 3000)) Fail("choosing COM1 again did not reconnect");
    Pause(1000);
    Expect("identity requests after the choice", std::to_string(IdentityRequests(sim, again)), "1");
    Expect("converter", tool.Text(MainChild::ConverterField), "ZR3");
    return Verdict();
}

int Gone() {
    ToolSession tool;
    SimulatorChannel sim;
    if (!AttachTool(tool) || !ReachSimulator(sim) || !SelectPort(tool, "COM1")) return 1;
    tool.SetReading(true);
    Pause(1200);
    std::string error;
    if (!sim.Stop(error)) {
        Fail(error);
        return 1;
    }
    HWND box = tool.WaitForDialog("ZR3 config", MessageTextId, 5000);
    if (box == nullptr) {
        Fail("no message tells that the port is gone");
        return 1;
    }
    Expect("message", tool.ItemText(box, MessageTextId),
           "The port COM1 is no longer there. When the device is connected again, choose the "
           "port again.");
    Expect("reading", tool.ReadingChecked() ? "checked" : "unchecked", "unchecked");
    Expect("converter", tool.Text(MainChild::ConverterField), "");
    Expect("firmware", tool.Text(MainChild::FirmwareField), "");
    Expect("serial number", tool.Text(MainChild::SerialNumberField), "");
    tool.PostCommand(box, IDOK);
    if (!tool.WaitGone(box, 5000)) Fail("the message did not close");
    // Two periods of the poll timer: no second message.
    Pause(2500);
    if (tool.FindDialog("ZR3 config", MessageTextId) != nullptr) {
        Fail("a second message");
        tool.CancelOpenDialogs();
    } else {
        Say("ok   one message");
    }

    // The device back: a new zr3sim on COM1, reached by choosing COM1 again.
    if (!sim.Restart(error)) {
        Fail(error);
        return 1;
    }
    ChooseInOpenList(tool);
    if (!WaitForIdentity(sim, 0, 1, 5000)) Fail("choosing COM1 again did not reach the new line");
    if (!tool.WaitForText(MainChild::ConverterField, "ZR3", 5000))
        Fail("not connected again: " + tool.Text(MainChild::ConverterField));
    else
        Say("ok   connected again");
    return Verdict();
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "connect") return Connect(argc > 2 ? argv[2] : "COM1");
    if (mode == "reading") return Reading();
    if (mode == "check") return Check();
    if (mode == "refuse") return Refuse();
    if (mode == "close") return CloseTool();
    if (mode == "outer" && argc > 3) return Outer(std::atoi(argv[2]), std::atoi(argv[3]));
    if (mode == "ports") return Ports();
    if (mode == "gone") return Gone();
    if (mode == "bench") {
        int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
        return Bench(rounds > 0 ? rounds : 5);
    }
    std::fputs(
        "usage: main_window_driver connect [PORT] | reading | check | refuse | close | outer W H | "
        "bench [ROUNDS] | ports | gone\n",
        stderr);
    return 2;
}
