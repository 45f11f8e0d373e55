#include "tests/driver/tool_session.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>
#include <chrono>

namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT_PTR PollTimerId = 1;
constexpr UINT_PTR PortPauseTimerId = 2;

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// True when the window is the main window of a running zr3config.exe (in-process tests of the
// same Wine prefix make windows of the same class and title).
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
    const bool named = QueryFullProcessImageNameA(process, 0, image, &size) != 0;
    CloseHandle(process);
    if (!named) return false;
    const std::string path(image, size);
    const size_t slash = path.find_last_of("\\/");
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

struct DialogSearch {
    const char* caption = nullptr;
    int markerId = 0;
    HWND found = nullptr;
    int count = 0;
};

bool IsDialogSought(HWND window, const DialogSearch& search) {
    char className[32] = {};
    char caption[64] = {};
    GetClassNameA(window, className, sizeof className);
    GetWindowTextA(window, caption, sizeof caption);
    return std::string(className) == "#32770" && std::string(caption) == search.caption &&
           IsWindowVisible(window) && GetDlgItem(window, search.markerId) != nullptr;
}

BOOL CALLBACK MatchDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    if (!IsDialogSought(window, *search)) return TRUE;
    search->found = window;
    return FALSE;
}

BOOL CALLBACK CountDialog(HWND window, LPARAM parameter) {
    auto* search = reinterpret_cast<DialogSearch*>(parameter);
    if (IsDialogSought(window, *search)) ++search->count;
    return TRUE;
}

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter) {
    char className[32] = {};
    GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770")
        reinterpret_cast<std::vector<HWND>*>(parameter)->push_back(window);
    return TRUE;
}

}  // namespace

std::string MainView::Get(const std::string& name) const {
    for (const auto& field : fields)
        if (field.first == name) return field.second;
    return "<no field " + name + ">";
}

std::vector<std::string> MainView::Differences(const MainView& other,
                                               const std::vector<std::string>& only) const {
    std::vector<std::string> differences;
    for (const auto& field : fields) {
        if (!only.empty() && std::find(only.begin(), only.end(), field.first) == only.end())
            continue;
        const std::string was = other.Get(field.first);
        if (was != field.second)
            differences.push_back(field.first + ": \"" + was + "\" -> \"" + field.second + "\"");
    }
    return differences;
}

ToolSession::~ToolSession() {
    if (process != nullptr) CloseHandle(process);
}

bool ToolSession::Attach(std::string& error, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (mainWindow == nullptr) {
        EnumWindows(TakeToolsWindow, reinterpret_cast<LPARAM>(&mainWindow));
        if (mainWindow == nullptr && Clock::now() > end) {
            error = "no visible \"ZR3 config\" window within " + std::to_string(timeoutMs / 1000) +
                    " s";
            return false;
        }
        if (mainWindow == nullptr) Sleep(100);
    }
    for (HWND child = GetWindow(mainWindow, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        children.push_back(child);
    if (children.size() != MainChildCount) {
        error = "the main window has " + std::to_string(children.size()) + " controls, not 50";
        return false;
    }
    DWORD processId = 0;
    thread = GetWindowThreadProcessId(mainWindow, &processId);
    process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        error = "cannot watch the tool's process";
        return false;
    }
    return true;
}

bool ToolSession::Alive() const {
    return process != nullptr && WaitForSingleObject(process, 0) == WAIT_TIMEOUT &&
           IsWindow(mainWindow);
}

bool ToolSession::WaitEnded(int timeoutMs, DWORD& exitCode) {
    if (process == nullptr ||
        WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        return false;
    return GetExitCodeProcess(process, &exitCode) != 0;
}

bool ToolSession::Restart(const std::string& program, std::string& error) {
    if (process != nullptr) CloseHandle(process);
    process = nullptr;
    mainWindow = nullptr;
    children.clear();
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started{};
    std::string commandLine = "\"" + program + "\"";
    if (!CreateProcessA(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &startup, &started)) {
        error = "cannot start " + program;
        return false;
    }
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    return Attach(error);
}

HWND ToolSession::Child(MainChild child) const {
    const auto index = static_cast<size_t>(child);
    return index < children.size() ? children[index] : nullptr;
}

bool ToolSession::SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int boundMs,
                              DWORD_PTR* result) {
    DWORD_PTR answer = 0;
    const auto start = Clock::now();
    const LRESULT ok = SendMessageTimeoutA(window, message, wParam, lParam, SMTO_NORMAL,
                                           static_cast<UINT>(boundMs), &answer);
    maxLatency = std::max(maxLatency, MillisecondsSince(start));
    if (ok == 0) {
        ++noAnswers;
        return false;
    }
    if (result != nullptr) *result = answer;
    return true;
}

std::string ToolSession::Text(HWND window, int boundMs) {
    if (window == nullptr) return "<no window>";
    char text[256] = {};
    DWORD_PTR copied = 0;
    if (!SendBounded(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), boundMs,
                     &copied))
        return "<no answer>";
    return std::string(text, std::min<size_t>(copied, sizeof text - 1));
}

bool ToolSession::Responds() {
    return Text(mainWindow) == "ZR3 config";
}

MainView ToolSession::View() {
    MainView view;
    auto text = [&](const char* name, MainChild child) {
        view.fields.emplace_back(name, Text(child));
    };
    auto selection = [&](const char* name, MainChild child) {
        DWORD_PTR index = 0;
        const bool ok = SendBounded(Child(child), CB_GETCURSEL, 0, 0, AnswerBoundMs, &index);
        view.fields.emplace_back(
            name,
            ok ? std::to_string(static_cast<int>(static_cast<LRESULT>(index))) : "<no answer>");
    };
    text("converter", MainChild::ConverterField);
    text("firmware", MainChild::FirmwareField);
    text("serial number", MainChild::SerialNumberField);
    text("output", MainChild::OutputField);
    text("relay", MainChild::RelayField);
    selection("input damping", MainChild::InputDampingCombo);
    text("start of range", MainChild::RangeStartEdit);
    text("end of range", MainChild::RangeEndEdit);
    std::string mode;
    for (auto [name, child] :
         {std::pair{"off", MainChild::OffRadio}, std::pair{"linear", MainChild::LinearRadio},
          std::pair{"nonlinear", MainChild::NonlinearRadio}}) {
        DWORD_PTR state = 0;
        if (SendBounded(Child(child), BM_GETCHECK, 0, 0, AnswerBoundMs, &state) &&
            state == BST_CHECKED)
            mode += mode.empty() ? name : std::string(" ") + name;
    }
    view.fields.emplace_back("compensation", mode);
    text("sensor", MainChild::SensorCombo);
    selection("temperature damping", MainChild::TempDampingCombo);
    text("reference temperature", MainChild::RefTempEdit);
    text("coefficient", MainChild::CoefficientEdit);
    for (const auto& field : LiveValues().fields)
        view.fields.push_back(field);
    return view;
}

MainView ToolSession::LiveValues() {
    MainView view;
    view.fields.emplace_back("resistance", Text(MainChild::ResistanceField));
    view.fields.emplace_back("temperature", Text(MainChild::TemperatureField));
    view.fields.emplace_back("conductance", Text(MainChild::ConductanceField));
    view.fields.emplace_back("value", Text(MainChild::ConductivityField));
    view.fields.emplace_back("ratio", Text(MainChild::RatioField));
    return view;
}

bool ToolSession::SelectPort(const std::string& name, int boundMs, std::string& error) {
    if (!PickPort(name, error)) return false;
    if (!NotifyPortChange(boundMs)) {
        error = "the window did not finish the port selection within " + std::to_string(boundMs) +
                " ms";
        return false;
    }
    return true;
}

bool ToolSession::PickPort(const std::string& name, std::string& error) {
    HWND combo = Child(MainChild::PortCombo);
    DWORD_PTR index = 0;
    if (!SendBounded(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(name.c_str()), AnswerBoundMs, &index) ||
        static_cast<LRESULT>(index) < 0) {
        error = "the port list does not offer " + name;
        return false;
    }
    SendBounded(combo, CB_SETCURSEL, index, 0, AnswerBoundMs);
    return true;
}

bool ToolSession::NotifyPortChange(int boundMs) {
    // The window opens the port after a pause without further selections; its timer's tick ends
    // the pause at once.
    return SendBounded(mainWindow, WM_COMMAND, MAKEWPARAM(PortComboId, CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(Child(MainChild::PortCombo)), AnswerBoundMs) &&
           SendBounded(mainWindow, WM_TIMER, PortPauseTimerId, 0, boundMs);
}

bool ToolSession::SelectIndex(MainChild child, int index, int boundMs) {
    HWND combo = Child(child);
    SendBounded(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, AnswerBoundMs);
    return SendBounded(mainWindow, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                       reinterpret_cast<LPARAM>(combo), boundMs);
}

void ToolSession::PostSelection(MainChild child, int index) {
    HWND combo = Child(child);
    SendBounded(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0, AnswerBoundMs);
    PostMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
}

bool ToolSession::Tick(int boundMs) {
    return SendBounded(mainWindow, WM_TIMER, PollTimerId, 0, boundMs);
}

bool ToolSession::ReadingChecked() {
    return Checked(MainChild::ReadingCheck);
}

bool ToolSession::SetReading(bool on) {
    if (ReadingChecked() != on) Click(MainChild::ReadingCheck);
    return ReadingChecked() == on;
}

bool ToolSession::Click(MainChild child, int boundMs) {
    return SendBounded(Child(child), BM_CLICK, 0, 0, boundMs);
}

bool ToolSession::Checked(MainChild child) {
    DWORD_PTR state = 0;
    return SendBounded(Child(child), BM_GETCHECK, 0, 0, AnswerBoundMs, &state) &&
           state == BST_CHECKED;
}

int ToolSession::Selected(MainChild child) {
    DWORD_PTR index = 0;
    if (!SendBounded(Child(child), CB_GETCURSEL, 0, 0, AnswerBoundMs, &index)) return -1;
    return static_cast<int>(static_cast<LRESULT>(index));
}

bool ToolSession::WaitForText(MainChild child, const std::string& expected, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Text(child) != expected) {
        if (Clock::now() > end) return false;
        Sleep(100);
    }
    return true;
}

void ToolSession::PostButton(int id) {
    PostMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(mainWindow, id)));
}

bool ToolSession::HoldControlKey(bool down) {
    // Attached to the tool's thread, this thread's keyboard state is the tool's.
    const DWORD self = GetCurrentThreadId();
    // Input can be attached only to a thread that has a message queue.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    if (!AttachThreadInput(self, thread, TRUE)) return false;
    BYTE keys[256] = {};
    bool ok = GetKeyboardState(keys) != 0;
    const BYTE state = down ? 0x80 : 0x00;
    keys[VK_CONTROL] = state;
    keys[VK_LCONTROL] = state;
    ok = ok && SetKeyboardState(keys) != 0;
    ok = ok && ((GetKeyState(VK_CONTROL) & 0x8000) != 0) == down;
    AttachThreadInput(self, thread, FALSE);
    return ok;
}

HWND ToolSession::FindDialog(const char* caption, int markerId) {
    DialogSearch search;
    search.caption = caption;
    search.markerId = markerId;
    EnumThreadWindows(thread, MatchDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int ToolSession::CountDialogs(const char* caption, int markerId) {
    DialogSearch search;
    search.caption = caption;
    search.markerId = markerId;
    EnumThreadWindows(thread, CountDialog, reinterpret_cast<LPARAM>(&search));
    return search.count;
}

HWND ToolSession::WaitForDialog(const char* caption, int markerId, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (HWND dialog = FindDialog(caption, markerId)) return dialog;
        if (Clock::now() > end) return nullptr;
        Sleep(50);
    }
}

bool ToolSession::WaitGone(HWND dialog, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (IsWindow(dialog) && IsWindowVisible(dialog)) {
        if (Clock::now() > end) return false;
        Sleep(50);
    }
    return true;
}

std::string ToolSession::WaitForItemText(HWND dialog, int id, int timeoutMs,
                                         const std::string& before) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const std::string text = ItemText(dialog, id);
        if (text != before && text != "<no answer>") return text;
        if (Clock::now() > end) return text;
        Sleep(50);
    }
}

bool ToolSession::SetItemText(HWND dialog, int id, const std::string& text) {
    return SendBounded(GetDlgItem(dialog, id), WM_SETTEXT, 0,
                       reinterpret_cast<LPARAM>(text.c_str()), AnswerBoundMs);
}

void ToolSession::PostCommand(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool ToolSession::ClickItem(HWND dialog, int id, int boundMs) {
    return SendBounded(GetDlgItem(dialog, id), BM_CLICK, 0, 0, boundMs);
}

int ToolSession::ListCount(HWND dialog, int id) {
    DWORD_PTR count = 0;
    if (!SendBounded(GetDlgItem(dialog, id), LB_GETCOUNT, 0, 0, AnswerBoundMs, &count)) return -1;
    return static_cast<int>(static_cast<LRESULT>(count));
}

int ToolSession::ProgressPosition(HWND dialog, int id) {
    DWORD_PTR position = 0;
    if (!SendBounded(GetDlgItem(dialog, id), PBM_GETPOS, 0, 0, AnswerBoundMs, &position)) return -1;
    return static_cast<int>(static_cast<LRESULT>(position));
}

void ToolSession::CancelOpenDialogs() {
    std::vector<HWND> dialogs;
    EnumThreadWindows(thread, CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dialog : dialogs) {
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        WaitGone(dialog, 3000);
    }
}

void ToolSession::ResetLatency() {
    maxLatency = 0.0;
    noAnswers = 0;
}

bool ToolSession::Close(int timeoutMs) {
    if (!Alive()) return process != nullptr && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    CancelOpenDialogs();
    PostMessageA(mainWindow, WM_CLOSE, 0, 0);
    return WaitForSingleObject(process, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
}
