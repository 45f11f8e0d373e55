// Drives the calibration dialogs of a running zr3config.exe from outside, as a technician would,
// through window messages only; the converter is a zr3sim reached through its control FIFO
// (ZR3_SIM_CONTROL) and its replies (ZR3_SIM_REPLIES), Unix paths seen through Wine's drive Z:.
// The exit code is the verdict (0 passed, 1 failed, 2 bad call).
//
//   dialogs_driver connect          select COM1 and wait for the converter's identity
//   dialogs_driver cable            a cable compensation through its 20 samples, then "OK"
//   dialogs_driver probe-measure    open the probe calibration, measure 1413 uS/cm, leave it open
//   dialogs_driver probe-ok         "OK" in the open probe calibration, then check the converter
//   dialogs_driver locked-table     the probe table opened on a data file (ZR3_E2E_DATAFILE)
//                                   that another program holds: told, and after one new point
//                                   every stored point is kept
//   dialogs_driver close            Esc to a dialog left open, close the window, wait for the end
#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/driver/check_log.h"
#include "tests/driver/driver_steps.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int SelectBoundMs = 15000;
constexpr int MeasurementBoundMs = 40000;

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The tool and the simulator.
bool Reach(ToolSession& tool, SimulatorChannel& sim, int timeoutMs = 30000) {
    return AttachTool(tool, timeoutMs) && ReachSimulator(sim);
}

// The tool and the simulator reached, the converter set up with `setup`, and the dialog of a
// button of the main window opened; nullptr when any of it failed. The button is pressed without
// waiting, since the dialog runs in the tool's own modal loop and a sent message would only
// return when the dialog has ended.
HWND OpenDialog(ToolSession& tool, SimulatorChannel& sim, const std::string& setup, int buttonId,
                const char* caption, int markerId) {
    if (!Reach(tool, sim)) return nullptr;
    ControlSimulator(sim, setup);
    tool.PostButton(buttonId);
    HWND dialog = tool.WaitForDialog(caption, markerId, 10000);
    if (dialog == nullptr) Fail(std::string("no \"") + caption + "\" dialog");
    return dialog;
}

// "OK" in a dialog, which must then close.
void ConfirmDialog(ToolSession& tool, HWND dialog) {
    tool.ClickItem(dialog, IDOK);
    if (!tool.WaitGone(dialog, 5000)) Fail("\"OK\" did not close the dialog");
}

// 20 ticks of 650 ms, the first one 650 ms after "Start".
void ExpectSampleTime(double seconds) {
    if (seconds < 12.0 || seconds > 30.0)
        Fail("20 samples took " + std::to_string(seconds) + " s");
    else
        Say("ok   20 samples in " + std::to_string(seconds) + " s");
}

int Connect() {
    ToolSession tool;
    if (!AttachTool(tool)) return 1;
    std::string error;
    if (!tool.SelectPort("COM1", SelectBoundMs, error)) {
        Fail(error);
        return 1;
    }
    Expect("converter", tool.Text(MainChild::ConverterField), "ZR3");
    return Verdict();
}

int Cable() {
    ToolSession tool;
    SimulatorChannel sim;
    HWND dialog = OpenDialog(tool, sim, "set capacity 37.5", CableButtonId, "Cable compensation",
                             CableCapacityId);
    if (dialog == nullptr) return 1;
    const std::string stored = tool.ItemText(dialog, CableCapacityId);
    Say("     stored capacity: " + stored);
    const auto start = Clock::now();
    tool.ClickItem(dialog, CableStartId);
    const std::string average =
        tool.WaitForItemText(dialog, CableCapacityId, MeasurementBoundMs, stored);
    if (average == stored) {
        Fail("the measurement did not end within 40 s");
    } else {
        const double seconds = SecondsSince(start);
        Expect("average capacity", average, "3.750000000E+01");
        ExpectSampleTime(seconds);
    }
    ConfirmDialog(tool, dialog);
    Expect("converter's cable compensation", sim.Shown("cable-compensation"), "37.5");
    return Verdict();
}

int ProbeMeasure() {
    ToolSession tool;
    SimulatorChannel sim;
    // A probe of cell constant 1.25 where the converter holds K[1] = 1: the calibration moves it.
    HWND dialog =
        OpenDialog(tool, sim, "set cell 1.25", ProbeButtonId, "Probe calibration", ProbeNormalId);
    if (dialog == nullptr) return 1;
    Expect("input damping while calibrating", sim.Shown("input-damping"), "0");
    Expect("converter's probe coefficients before", sim.Shown("probe"), "0 1 0 0");
    tool.SetItemText(dialog, ProbeNormalId, "1413");
    const auto start = Clock::now();
    tool.ClickItem(dialog, ProbeStartId);
    Expect("normal used", tool.ItemText(dialog, ProbeNormalUsedId), "1413.00");
    const std::string average = tool.WaitForItemText(dialog, ProbeAverageId, MeasurementBoundMs);
    if (average.empty()) {
        Fail("the measurement did not end within 40 s");
        return 1;
    }
    const double seconds = SecondsSince(start);
    const std::string coefficient = tool.ItemText(dialog, ProbeCoefficientId);
    Say("     average " + average + " uS, coefficient " + coefficient + " 1/cm, " +
        std::to_string(seconds) + " s");
    // The coefficient is the normal over the average, to the 4 decimals shown.
    const double expected = 1413.0 / std::atof(average.c_str());
    if (std::fabs(std::atof(coefficient.c_str()) - expected) > 0.00006)
        Fail("coefficient " + coefficient + " for 1413 / " + average);
    else
        Say("ok   coefficient = 1413 / average");
    ExpectSampleTime(seconds);
    return Verdict();
}

int ProbeOk() {
    ToolSession tool;
    SimulatorChannel sim;
    if (!Reach(tool, sim, 5000)) return 1;
    HWND dialog = tool.WaitForDialog("Probe calibration", ProbeNormalId, 5000);
    if (dialog == nullptr) {
        Fail("no open \"Probe calibration\" dialog");
        return 1;
    }
    const std::string coefficient = tool.ItemText(dialog, ProbeCoefficientId);
    ConfirmDialog(tool, dialog);
    Sleep(500);
    const std::string probe = sim.Shown("probe");
    Say("     converter's probe coefficients: " + probe);
    // "probe K0 K1 K2 K3": K[1] the new coefficient, the other three 0.
    double k[4] = {};
    if (std::sscanf(probe.c_str(), "%lf %lf %lf %lf", &k[0], &k[1], &k[2], &k[3]) != 4)
        Fail("no probe coefficients in \"" + probe + "\"");
    else if (k[0] != 0 || k[2] != 0 || k[3] != 0 ||
             std::fabs(k[1] - std::atof(coefficient.c_str())) > 0.00006)
        Fail("probe coefficients " + probe + " after " + coefficient);
    else
        Say("ok   converter holds K[1] = " + coefficient);
    Expect("input damping restored", sim.Shown("input-damping"), "5");
    return Verdict();
}

// The data file image of points (G, kappa): count, ten G, ten kappa, little-endian.
std::string TableImage(const std::vector<std::pair<double, double>>& points) {
    std::string image(164, '\0');
    auto put = [&](size_t at, const void* value, size_t size) {
        std::memcpy(&image[at], value, size);  // the machine is little-endian, as the file
    };
    const uint32_t count = static_cast<uint32_t>(points.size());
    put(0, &count, 4);
    for (size_t i = 0; i < points.size(); ++i) {
        put(4 + 8 * i, &points[i].first, 8);
        put(84 + 8 * i, &points[i].second, 8);
    }
    return image;
}

std::string FileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

// The message box the table dialog shows over itself, by the beginning of its text.
HWND WaitForBox(ToolSession& tool, const std::string& beginning, int timeoutMs) {
    constexpr int MessageTextId = 0xFFFF;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        HWND box = tool.FindDialog("Probe calibration", MessageTextId);
        if (box != nullptr && tool.ItemText(box, MessageTextId).rfind(beginning, 0) == 0)
            return box;
        Sleep(50);
    }
    return nullptr;
}

int LockedTable() {
    const char* unixPath = std::getenv("ZR3_E2E_DATAFILE");
    if (unixPath == nullptr) {
        Fail("ZR3_E2E_DATAFILE is not set");
        return 1;
    }
    const std::string path = WinePath(unixPath);
    const std::string stored = TableImage({{100, 141}, {500, 700}, {1000, 1413}});
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(stored.data(), static_cast<std::streamsize>(stored.size()));
    }
    // Another program holds the file, sharing nothing, while the dialog opens.
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr);
    if (held == INVALID_HANDLE_VALUE) {
        Fail("cannot hold " + path);
        return 1;
    }
    ToolSession tool;
    SimulatorChannel sim;
    if (!Reach(tool, sim)) {
        CloseHandle(held);
        return 1;
    }
    ControlSimulator(sim, "set cell 0.5");
    tool.HoldControlKey(true);
    tool.PostButton(ProbeButtonId);
    HWND box = WaitForBox(tool, "The calibration points of the data file", 10000);
    tool.HoldControlKey(false);
    CloseHandle(held);
    if (box == nullptr) {
        Fail("no message about the data file that cannot be read");
        return 1;
    }
    const std::string told = tool.ItemText(box, 0xFFFF);
    Say("     told: " + told);
    if (told.find("in use by another program") == std::string::npos)
        Fail("the message does not say that the file is in use");
    tool.PostCommand(box, IDOK);
    HWND dialog = tool.WaitForDialog("Probe calibration", TableListId, 10000);
    if (dialog == nullptr) {
        Fail("no probe table dialog");
        return 1;
    }
    Expect("points listed", std::to_string(tool.ListCount(dialog, TableListId)), "0");
    tool.SetItemText(dialog, TableNormalId, "1413");
    tool.ClickItem(dialog, TableStartId);
    const auto end = Clock::now() + std::chrono::milliseconds(MeasurementBoundMs);
    while (tool.ListCount(dialog, TableListId) < 1 && Clock::now() < end)
        Sleep(100);
    Expect("points listed after the measurement",
           std::to_string(tool.ListCount(dialog, TableListId)), "1");
    ConfirmDialog(tool, dialog);
    // The three stored points first, then the new one.
    const std::string now = FileBytes(path);
    uint32_t count = 0;
    double normal = 0.0;
    if (now.size() == 164) {
        std::memcpy(&count, now.data(), 4);
        std::memcpy(&normal, now.data() + 84 + 8 * 3, 8);
    }
    Expect("points in the data file", std::to_string(count), "4");
    const bool kept = now.size() == 164 && now.compare(4, 24, stored, 4, 24) == 0 &&
                      now.compare(84, 24, stored, 84, 24) == 0;
    Expect("stored points", kept ? "kept in front" : "changed", "kept in front");
    Expect("new point's normal", std::to_string(normal), std::to_string(1413.0));
    DeleteFileA(path.c_str());
    return Verdict();
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "connect") return Connect();
    if (mode == "cable") return Cable();
    if (mode == "probe-measure") return ProbeMeasure();
    if (mode == "probe-ok") return ProbeOk();
    if (mode == "locked-table") return LockedTable();
    if (mode == "close") return CloseTool();
    std::fputs(
        "usage: dialogs_driver connect | cable | probe-measure | probe-ok | locked-table | close\n",
        stderr);
    return 2;
}
