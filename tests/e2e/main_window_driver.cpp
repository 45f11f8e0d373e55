// Drives a running zr3config.exe from outside, as a technician would, through window messages
// only: finds the "ZR3 config" window of the program zr3config.exe, selects a port, reads the
// fields, clicks buttons, closes the window. The exit code is the verdict (0 passed, 1 failed, 2
// bad call).
//
//   main_window_driver connect [PORT]   select PORT (COM1) and wait for the converter's values
//   main_window_driver reading          switch "Reading" on
//   main_window_driver check            connect to COM1, check the values of a quiet zr3sim,
//                                       write a setting, follow the live values with "Reading"
//   main_window_driver close            close the window and wait for the program to end
//   main_window_driver outer W H        check the window's outer size in physical pixels
//   main_window_driver bench [ROUNDS]   time the connect and the poll cycle against line time
//
// The simulator is reached through ZR3_SIM_CONTROL (control FIFO) and ZR3_SIM_TRACE (frame
// trace), Unix paths seen through Wine's drive Z:.
#include <windows.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Children of the main window in creation order.
enum Child {
    PortCombo = 1,
    ConverterField = 3,
    FirmwareField = 5,
    SerialNumberField = 7,
    OutputField = 9,
    RelayField = 11,
    InputDampingCombo = 17,
    RangeStartEdit = 19,
    RangeEndEdit = 22,
    OffRadio = 25,
    LinearRadio = 26,
    NonlinearRadio = 27,
    SensorCombo = 29,
    TempDampingCombo = 31,
    RefTempEdit = 33,
    RefTempWrite = 34,
    CoefficientEdit = 36,
    ResistanceField = 40,
    TemperatureField = 42,
    ConductanceField = 44,
    ConductivityField = 46,
    RatioField = 48,
    ReadingCheck = 49,
    ChildCount = 50,
};

constexpr int PortComboId = 101;
constexpr UINT_PTR PollTimerId = 1;

int failures = 0;

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

void Fail(const std::string& line) {
    ++failures;
    Say("FAIL: " + line);
}

std::string Fixed(double value, int decimals) {
    char text[64];
    auto result =
        std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

double Milliseconds(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

void Pause(int ms) {
    Sleep(static_cast<DWORD>(ms));
}

// True when the window belongs to a running zr3config.exe (in-process tests of the same Wine
// prefix make windows of the same class and title).
bool IsToolsWindow(HWND window) {
    char title[32] = {};
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, title, sizeof title);
    if (std::string(className) != "ZR3Window" || std::string(title) != "ZR3 config" ||
        !IsWindowVisible(window))
        return false;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) return false;
    char image[MAX_PATH] = {};
    DWORD size = sizeof image;
    bool named = QueryFullProcessImageNameA(process, 0, image, &size) != 0;
    CloseHandle(process);
    if (!named) return false;
    std::string path(image, size);
    size_t slash = path.find_last_of("\\/");
    std::string file = slash == std::string::npos ? path : path.substr(slash + 1);
    for (char& c : file)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return file == "zr3config.exe";
}

BOOL CALLBACK TakeToolsWindow(HWND window, LPARAM found) {
    if (!IsToolsWindow(window)) return TRUE;
    *reinterpret_cast<HWND*>(found) = window;
    return FALSE;
}

HWND FindMainWindow(int timeoutMs) {
    auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        HWND window = nullptr;
        EnumWindows(TakeToolsWindow, reinterpret_cast<LPARAM>(&window));
        if (window != nullptr) return window;
        Pause(100);
    } while (Clock::now() < end);
    return nullptr;
}

std::vector<HWND> ChildrenOf(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    return children;
}

// The text of a window of the other process, asked from its own procedure.
std::string TextOf(HWND window) {
    char text[256] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, 5000, &copied))
        return "<no answer>";
    return std::string(text, std::min<size_t>(copied, sizeof text - 1));
}

int Selected(HWND combo) {
    return static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
}

bool Checked(HWND button) {
    return SendMessageA(button, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// A Windows path for a Unix path of the simulator's files.
std::string WinePath(const char* unixPath) {
    std::string path = std::string("Z:") + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
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
    // The simulator takes its control input between frames; let it read the line.
    Pause(200);
    return ok && written == line.size();
}

// The frame trace of the simulator: "12.345678 > 01 44 00 BB", one frame a line.
struct TraceFrame {
    double seconds = 0.0;
    char direction = 0;
    size_t bytes = 0;
};

std::vector<TraceFrame> ReadTrace() {
    std::vector<TraceFrame> frames;
    const char* unixPath = std::getenv("ZR3_SIM_TRACE");
    if (unixPath == nullptr || unixPath[0] != '/') return frames;
    std::ifstream file(WinePath(unixPath));
    std::string line;
    while (std::getline(file, line)) {
        std::istringstream words(line);
        TraceFrame frame;
        std::string direction;
        if (!(words >> frame.seconds >> direction) || direction.size() != 1) continue;
        frame.direction = direction[0];
        std::string byte;
        while (words >> byte && byte.size() == 2 && std::isxdigit(byte[0]))
            ++frame.bytes;
        frames.push_back(frame);
    }
    return frames;
}

class Tool {
  public:
    bool Attach(int timeoutMs = 30000) {
        main = FindMainWindow(timeoutMs);
        if (main == nullptr) {
            Fail("no visible \"ZR3 config\" window");
            return false;
        }
        children = ChildrenOf(main);
        if (children.size() != ChildCount) {
            Fail("the window has " + std::to_string(children.size()) + " controls, not 50");
            return false;
        }
        return true;
    }

    HWND operator[](Child child) const { return children[child]; }
    std::string Text(Child child) const { return TextOf(children[child]); }

    // Selects the port in the list, as the user's pick does before the combo box notifies.
    bool PickPort(const std::string& name) {
        HWND combo = children[PortCombo];
        int index =
            static_cast<int>(SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                          reinterpret_cast<LPARAM>(name.c_str())));
        if (index < 0) {
            Fail("the port list does not offer " + name);
            return false;
        }
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        if (TextOf(combo) != name) {
            Fail("the port list shows \"" + TextOf(combo) + "\" after selecting " + name);
            return false;
        }
        return true;
    }

    // CBN_SELCHANGE to the window, as the combo box sends it; SendMessage returns when the
    // window has connected and read everything.
    void NotifyPortChange() {
        SendMessageA(main, WM_COMMAND, MAKEWPARAM(PortComboId, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(children[PortCombo]));
    }

    bool SelectPort(const std::string& name) {
        if (!PickPort(name)) return false;
        NotifyPortChange();
        return true;
    }

    void Click(Child child) { SendMessageA(children[child], BM_CLICK, 0, 0); }

    // One poll cycle, as the window's timer would start it.
    void Tick() { SendMessageA(main, WM_TIMER, PollTimerId, 0); }

    // Waits until the field shows `expected`; false after the time-out.
    bool WaitFor(Child child, const std::string& expected, int timeoutMs) {
        auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Text(child) != expected) {
            if (Clock::now() > end) return false;
            Pause(100);
        }
        return true;
    }

    HWND main = nullptr;
    std::vector<HWND> children;
};

void Expect(const std::string& what, const std::string& shown, const std::string& expected) {
    if (shown == expected)
        Say("ok   " + what + ": " + shown);
    else
        Fail(what + ": \"" + shown + "\", expected \"" + expected + "\"");
}

// A number with exactly `decimals` decimals, as the value fields show them.
bool IsFixed(const std::string& text, int decimals) {
    size_t point = text.find('.');
    if (point == std::string::npos || text.size() - point - 1 != static_cast<size_t>(decimals))
        return false;
    size_t start = text[0] == '-' ? 1 : 0;
    if (point == start) return false;
    for (size_t i = start; i < text.size(); ++i)
        if (i != point && !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    return true;
}

void ExpectFixed(const std::string& what, const std::string& shown, int decimals) {
    if (IsFixed(shown, decimals))
        Say("ok   " + what + ": " + shown);
    else
        Fail(what + ": \"" + shown + "\" is not a number with " + std::to_string(decimals) +
             " decimals");
}

int Connect(const std::string& port) {
    Tool tool;
    if (!tool.Attach() || !tool.SelectPort(port)) return 1;
    Expect("converter", tool.Text(ConverterField), "ZR3");
    ExpectFixed("resistance", tool.Text(ResistanceField), 1);
    for (Child field :
         {ConverterField, FirmwareField, SerialNumberField, OutputField, RelayField,
          ResistanceField, TemperatureField, ConductanceField, ConductivityField, RatioField})
        Say("     field " + std::to_string(field) + ": " + tool.Text(field));
    return failures == 0 ? 0 : 1;
}

int Reading() {
    Tool tool;
    if (!tool.Attach()) return 1;
    if (!Checked(tool[ReadingCheck])) tool.Click(ReadingCheck);
    Expect("reading", Checked(tool[ReadingCheck]) ? "checked" : "unchecked", "checked");
    return failures == 0 ? 0 : 1;
}

// The values of a zr3sim with its defaults (--no-noise --no-drift), as the window shows them.
int Check() {
    Tool tool;
    if (!tool.Attach() || !tool.SelectPort("COM1")) return 1;
    Expect("converter", tool.Text(ConverterField), "ZR3");
    Expect("firmware", tool.Text(FirmwareField), "1.03");
    Expect("serial number", tool.Text(SerialNumberField), "123456");
    Expect("output", tool.Text(OutputField), "Pasive 4 to 20 mA");
    Expect("relay", tool.Text(RelayField), "Relay 1");
    Expect("input damping", std::to_string(Selected(tool[InputDampingCombo])), "5");
    Expect("start of range", tool.Text(RangeStartEdit), "0.0");
    Expect("end of range", tool.Text(RangeEndEdit), "2000.0");
    Expect("compensation",
           std::string(Checked(tool[OffRadio]) ? "off " : "") +
               (Checked(tool[LinearRadio]) ? "linear " : "") +
               (Checked(tool[NonlinearRadio]) ? "nonlinear " : ""),
           "linear ");
    Expect("nonlinear enabled", IsWindowEnabled(tool[NonlinearRadio]) ? "yes" : "no", "yes");
    Expect("sensor", tool.Text(SensorCombo), "Pt100 (3850)");
    Expect("temperature damping", std::to_string(Selected(tool[TempDampingCombo])), "5");
    Expect("reference temperature", tool.Text(RefTempEdit), "25.0");
    Expect("coefficient", tool.Text(CoefficientEdit), "2.00");
    // A Pt100 at 25 degC.
    Expect("resistance", tool.Text(ResistanceField), "109.7");
    Expect("temperature", tool.Text(TemperatureField), "25.0");
    ExpectFixed("conductance", tool.Text(ConductanceField), 2);
    ExpectFixed("conductivity", tool.Text(ConductivityField), 2);
    ExpectFixed("ratio", tool.Text(RatioField), 2);

    // A setting typed with a comma and written: the converter's answer is shown.
    SendMessageA(tool[RefTempEdit], WM_SETTEXT, 0, reinterpret_cast<LPARAM>("21,5"));
    tool.Click(RefTempWrite);
    Expect("reference temperature written", tool.Text(RefTempEdit), "21.5");

    // "Reading": the live values follow the process without any other trigger.
    tool.Click(ReadingCheck);
    Expect("reading", Checked(tool[ReadingCheck]) ? "checked" : "unchecked", "checked");
    std::string resistanceBefore = tool.Text(ResistanceField);
    if (!Control("set temperature 40")) {
        Fail("cannot reach the simulator's control FIFO");
    } else if (!tool.WaitFor(TemperatureField, "40.0", 6000)) {
        Fail("the temperature field shows " + tool.Text(TemperatureField) + ", not 40.0");
    } else {
        Say("ok   live temperature: 40.0");
        std::string resistance = tool.Text(ResistanceField);
        if (resistance == resistanceBefore || !IsFixed(resistance, 1))
            Fail("live resistance " + resistance + " after " + resistanceBefore);
        else
            Say("ok   live resistance: " + resistanceBefore + " -> " + resistance);
    }
    // A broken sensor: "Failure" white on red, then back.
    if (Control("sensor broken on")) {
        if (tool.WaitFor(ResistanceField, "Failure", 6000))
            Say("ok   broken sensor: Failure");
        else
            Fail("the resistance field shows " + tool.Text(ResistanceField) + ", not Failure");
        Control("sensor broken off");
        if (tool.WaitFor(TemperatureField, "40.0", 6000) && tool.Text(ResistanceField) != "Failure")
            Say("ok   sensor back: " + tool.Text(ResistanceField));
        else
            Fail("the sensor did not come back: " + tool.Text(ResistanceField));
    }
    return failures == 0 ? 0 : 1;
}

// The outer size, frame and caption included, as the display shows it.
int Outer(int width, int height) {
    // Seen from a program that is not DPI aware, the system would scale the rectangle to 96 DPI.
    SetProcessDPIAware();
    Tool tool;
    if (!tool.Attach()) return 1;
    RECT outer{};
    GetWindowRect(tool.main, &outer);
    Expect(
        "outer size",
        std::to_string(outer.right - outer.left) + "x" + std::to_string(outer.bottom - outer.top),
        std::to_string(width) + "x" + std::to_string(height));
    return failures == 0 ? 0 : 1;
}

int Close() {
    HWND main = FindMainWindow(5000);
    if (main == nullptr) {
        Fail("no window to close");
        return 1;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(main, &processId);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    PostMessageA(main, WM_CLOSE, 0, 0);
    if (process == nullptr) {
        // Without a process handle, the window going away is the sign.
        for (int i = 0; i < 100 && IsWindow(main); ++i)
            Pause(100);
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

// The line time of the frames in the trace from index `first` on: bytes x 10 bits / 9600 baud.
struct LineUse {
    size_t frames = 0;
    size_t bytes = 0;
    double lineMs = 0.0;
};

LineUse LineUseSince(size_t first) {
    std::vector<TraceFrame> frames = ReadTrace();
    LineUse use;
    for (size_t i = first; i < frames.size(); ++i) {
        if (frames[i].direction != '>' && frames[i].direction != '<') continue;
        ++use.frames;
        use.bytes += frames[i].bytes;
    }
    use.lineMs = static_cast<double>(use.bytes) * 10.0 * 1000.0 / 9600.0;
    return use;
}

void Report(const std::string& what, const std::vector<double>& times, const LineUse& use) {
    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    double median = sorted[sorted.size() / 2];
    Say(what + ": " + std::to_string(use.frames / 2) + " exchanges, " + std::to_string(use.bytes) +
        " bytes, line time " + Fixed(use.lineMs, 1) + " ms; measured median " + Fixed(median, 1) +
        " ms (min " + Fixed(sorted.front(), 1) + ", max " + Fixed(sorted.back(), 1) + "); ratio " +
        Fixed(median / use.lineMs, 3));
}

int Bench(int rounds) {
    Tool tool;
    if (!tool.Attach()) return 1;
    if (Checked(tool[ReadingCheck])) tool.Click(ReadingCheck);
    if (std::getenv("ZR3_SIM_TRACE") == nullptr) {
        Fail("no ZR3_SIM_TRACE: the line time cannot be counted");
        return 1;
    }

    // Connect and ReadAll (which ends with one poll), from the selection's notification until
    // the window has handled it.
    std::vector<double> connectTimes;
    LineUse connectUse;
    for (int i = 0; i < rounds; ++i) {
        if (!tool.PickPort("COM1")) return 1;
        size_t before = ReadTrace().size();
        auto start = Clock::now();
        tool.NotifyPortChange();
        connectTimes.push_back(Milliseconds(Clock::now() - start));
        connectUse = LineUseSince(before);
    }
    if (tool.Text(ConverterField) != "ZR3") Fail("not connected: " + tool.Text(ConverterField));
    Report("select port -> end of ReadAll", connectTimes, connectUse);

    std::vector<double> pollTimes;
    LineUse pollUse;
    for (int i = 0; i < rounds * 4; ++i) {
        size_t before = ReadTrace().size();
        auto start = Clock::now();
        tool.Tick();
        pollTimes.push_back(Milliseconds(Clock::now() - start));
        pollUse = LineUseSince(before);
    }
    Report("poll cycle", pollTimes, pollUse);

    // A converter that has gone silent: a tick costs the time-out of its first read only.
    if (!Control("fault silence always")) {
        Fail("cannot reach the simulator's control FIFO");
        return 1;
    }
    std::vector<double> silentTimes;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        tool.Tick();
        silentTimes.push_back(Milliseconds(Clock::now() - start));
    }
    Control("fault clear");
    std::sort(silentTimes.begin(), silentTimes.end());
    double silent = silentTimes[silentTimes.size() / 2];
    Say("silent converter, one tick: median " + Fixed(silent, 1) + " ms (min " +
        Fixed(silentTimes.front(), 1) + ", max " + Fixed(silentTimes.back(), 1) +
        "); read time-out 200 ms, five time-outs would be 1000 ms");
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "connect") return Connect(argc > 2 ? argv[2] : "COM1");
    if (mode == "reading") return Reading();
    if (mode == "check") return Check();
    if (mode == "close") return Close();
    if (mode == "outer" && argc > 3) return Outer(std::atoi(argv[2]), std::atoi(argv[3]));
    if (mode == "bench") {
        int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
        return Bench(rounds > 0 ? rounds : 5);
    }
    std::fputs(
        "usage: main_window_driver connect [PORT] | reading | check | close | outer W H | bench "
        "[ROUNDS]\n",
        stderr);
    return 2;
}
