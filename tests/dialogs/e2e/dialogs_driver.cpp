// Drives the calibration dialogs of a running zr3config.exe from outside, as a technician would,
// through window messages only; the converter is a zr3sim reached through its control FIFO
// (ZR3_SIM_CONTROL) and its replies (ZR3_SIM_REPLIES), Unix paths seen through Wine's drive Z:.
// The exit code is the verdict (0 passed, 1 failed, 2 bad call).
//
//   dialogs_driver connect          select COM1 and wait for the converter's identity
//   dialogs_driver cable            a cable compensation through its 20 samples, then "OK"
//   dialogs_driver probe-measure    open the probe calibration, measure 1413 uS/cm, leave it open
//   dialogs_driver probe-ok         "OK" in the open probe calibration, then check the converter
//   dialogs_driver close            Esc to a dialog left open, close the window, wait for the end
#include <windows.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Ids of the main window's buttons and of the dialogs' items.
constexpr int PortComboId = 101;
constexpr int CableButtonId = 108;
constexpr int ProbeButtonId = 109;
constexpr int CableCapacityId = 101;
constexpr int CableStartId = 102;
constexpr int ProbeNormalId = 101;
constexpr int ProbeStartId = 103;
constexpr int ProbeNormalUsedId = 105;
constexpr int ProbeAverageId = 106;
constexpr int ProbeCoefficientId = 107;

int failures = 0;

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void Fail(const std::string& line) {
    ++failures;
    Say("FAIL: " + line);
}

double SecondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The text of a window of the other process, asked from its own procedure.
std::string TextOf(HWND window) {
    char text[256] = {};
    DWORD_PTR copied = 0;
    if (window == nullptr ||
        !SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &copied))
        return "<no answer>";
    return std::string(text, copied < sizeof text ? copied : sizeof text - 1);
}

std::string ItemText(HWND dialog, int id) {
    return TextOf(GetDlgItem(dialog, id));
}

void Expect(const std::string& what, const std::string& shown, const std::string& expected) {
    if (shown == expected)
        Say("ok   " + what + ": " + shown);
    else
        Fail(what + ": \"" + shown + "\", expected \"" + expected + "\"");
}

HWND WaitForWindow(const char* windowClass, const char* title, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        HWND window = FindWindowA(windowClass, title);
        if (window != nullptr && IsWindowVisible(window)) return window;
        Sleep(100);
    } while (Clock::now() < end);
    return nullptr;
}

HWND MainWindow() {
    HWND main = WaitForWindow("ZR3Window", "ZR3 config", 30000);
    if (main == nullptr) Fail("no visible \"ZR3 config\" window");
    return main;
}

// A dialog's item shows something other than `before` (the measurement has ended).
bool WaitForChange(HWND dialog, int id, const std::string& before, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (ItemText(dialog, id) == before) {
        if (Clock::now() > end) return false;
        Sleep(100);
    }
    return true;
}

bool WaitForEnd(HWND dialog, int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        if (Clock::now() > end) return false;
        Sleep(100);
    }
    return true;
}

std::string WinePath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path)
        if (c == '/') c = '\\';
    return path;
}

// One line to the simulator's control FIFO.
bool Control(const std::string& command) {
    const char* unixPath = std::getenv("ZR3_SIM_CONTROL");
    if (unixPath == nullptr || unixPath[0] != '/') return false;
    HANDLE fifo =
        CreateFileA(WinePath(unixPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (fifo == INVALID_HANDLE_VALUE) return false;
    std::string line = command + "\n";
    DWORD written = 0;
    BOOL ok = WriteFile(fifo, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(fifo);
    // The simulator takes its control input between frames.
    Sleep(300);
    return ok && written == line.size();
}

// The value of the last "key value" line the simulator printed (after a "show").
std::string Shown(const std::string& key) {
    const char* unixPath = std::getenv("ZR3_SIM_REPLIES");
    if (unixPath == nullptr || unixPath[0] != '/') return "<no replies>";
    std::ifstream file(WinePath(unixPath));
    std::string line, value = "<not shown>";
    while (std::getline(file, line))
        if (line.rfind(key + " ", 0) == 0) value = line.substr(key.size() + 1);
    return value;
}

// Presses a button of the main window without waiting: the dialog it opens runs in the tool's
// own modal loop, and a sent message would only return when the dialog has ended.
void PostClick(HWND main, int id) {
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(main, id)));
}

void Click(HWND dialog, int id) {
    SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

int Connect() {
    HWND main = MainWindow();
    if (main == nullptr) return 1;
    HWND combo = GetDlgItem(main, PortComboId);
    int index = static_cast<int>(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                              reinterpret_cast<LPARAM>("COM1")));
    if (index < 0) {
        Fail("the port list does not offer COM1");
        return 1;
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SendMessageA(main, WM_COMMAND, MAKEWPARAM(PortComboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    // The converter field is the main window's fourth child (after its label, the port list and
    // the port label).
    HWND field = GetWindow(main, GW_CHILD);
    for (int i = 0; i < 3 && field != nullptr; ++i)
        field = GetWindow(field, GW_HWNDNEXT);
    Expect("converter", TextOf(field), "ZR3");
    return failures == 0 ? 0 : 1;
}

int Cable() {
    HWND main = MainWindow();
    if (main == nullptr) return 1;
    if (!Control("set capacity 37.5")) Fail("cannot reach the simulator's control FIFO");
    PostClick(main, CableButtonId);
    HWND dialog = WaitForWindow("#32770", "Cable compensation", 10000);
    if (dialog == nullptr) {
        Fail("no \"Cable compensation\" dialog");
        return 1;
    }
    std::string stored = ItemText(dialog, CableCapacityId);
    Say("     stored capacity: " + stored);
    auto start = Clock::now();
    Click(dialog, CableStartId);
    if (!WaitForChange(dialog, CableCapacityId, stored, 40000)) {
        Fail("the measurement did not end within 40 s");
    } else {
        const double seconds = SecondsSince(start);
        Expect("average capacity", ItemText(dialog, CableCapacityId), "3.750000000E+01");
        // 20 ticks of 650 ms, the first one 650 ms after "Start".
        if (seconds < 12.0 || seconds > 30.0)
            Fail("20 samples took " + std::to_string(seconds) + " s");
        else
            Say("ok   20 samples in " + std::to_string(seconds) + " s");
    }
    Click(dialog, IDOK);
    if (!WaitForEnd(dialog, 5000)) Fail("\"OK\" did not close the dialog");
    Control("show");
    Expect("converter's cable compensation", Shown("cable-compensation"), "37.5");
    return failures == 0 ? 0 : 1;
}

int ProbeMeasure() {
    HWND main = MainWindow();
    if (main == nullptr) return 1;
    // A probe of cell constant 1.25 where the converter holds K[1] = 1: the calibration moves it.
    if (!Control("set cell 1.25")) Fail("cannot reach the simulator's control FIFO");
    PostClick(main, ProbeButtonId);
    HWND dialog = WaitForWindow("#32770", "Probe calibration", 10000);
    if (dialog == nullptr) {
        Fail("no \"Probe calibration\" dialog");
        return 1;
    }
    Control("show");
    Expect("input damping while calibrating", Shown("input-damping"), "0");
    Expect("converter's probe coefficients before", Shown("probe"), "0 1 0 0");
    SendMessageA(GetDlgItem(dialog, ProbeNormalId), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>("1413"));
    auto start = Clock::now();
    Click(dialog, ProbeStartId);
    Expect("normal used", ItemText(dialog, ProbeNormalUsedId), "1413.00");
    if (!WaitForChange(dialog, ProbeAverageId, "", 40000)) {
        Fail("the measurement did not end within 40 s");
        return 1;
    }
    const double seconds = SecondsSince(start);
    const std::string average = ItemText(dialog, ProbeAverageId);
    const std::string coefficient = ItemText(dialog, ProbeCoefficientId);
    Say("     average " + average + " uS, coefficient " + coefficient + " 1/cm, " +
        std::to_string(seconds) + " s");
    // The coefficient is the normal over the average, to the 4 decimals shown.
    const double expected = 1413.0 / std::atof(average.c_str());
    if (std::fabs(std::atof(coefficient.c_str()) - expected) > 0.00006)
        Fail("coefficient " + coefficient + " for 1413 / " + average);
    else
        Say("ok   coefficient = 1413 / average");
    if (seconds < 12.0 || seconds > 30.0) Fail("20 samples took " + std::to_string(seconds) + " s");
    return failures == 0 ? 0 : 1;
}

int ProbeOk() {
    HWND dialog = WaitForWindow("#32770", "Probe calibration", 5000);
    if (dialog == nullptr) {
        Fail("no open \"Probe calibration\" dialog");
        return 1;
    }
    const std::string coefficient = ItemText(dialog, ProbeCoefficientId);
    Click(dialog, IDOK);
    if (!WaitForEnd(dialog, 5000)) Fail("\"OK\" did not close the dialog");
    Sleep(500);
    Control("show");
    const std::string probe = Shown("probe");
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
    Expect("input damping restored", Shown("input-damping"), "5");
    return failures == 0 ? 0 : 1;
}

int Close() {
    // A dialog left open by a failed step: Esc.
    for (const char* title : {"Cable compensation", "Probe calibration"})
        if (HWND dialog = FindWindowA("#32770", title)) {
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            WaitForEnd(dialog, 5000);
        }
    HWND main = WaitForWindow("ZR3Window", "ZR3 config", 5000);
    if (main == nullptr) {
        Fail("no window to close");
        return 1;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(main, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageA(main, WM_CLOSE, 0, 0);
    if (process == nullptr) {
        for (int i = 0; i < 100 && IsWindow(main); ++i)
            Sleep(100);
        return IsWindow(main) ? 1 : 0;
    }
    DWORD waited = WaitForSingleObject(process, 10000);
    CloseHandle(process);
    if (waited != WAIT_OBJECT_0) {
        Fail("the program did not end within 10 s of WM_CLOSE");
        return 1;
    }
    Say("ok   closed");
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "connect") return Connect();
    if (mode == "cable") return Cable();
    if (mode == "probe-measure") return ProbeMeasure();
    if (mode == "probe-ok") return ProbeOk();
    if (mode == "close") return Close();
    std::fputs("usage: dialogs_driver connect | cable | probe-measure | probe-ok | close\n",
               stderr);
    return 2;
}
