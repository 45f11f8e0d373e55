// A running zr3config.exe as the drivers of the end-to-end tests see it: the main window and its
// modal dialogs, reached from another process through window messages only, each with a bound on
// the answer.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/driver/tool_ids.h"

// What the main window shows, field by field, with the names used in the findings.
struct MainView {
    std::vector<std::pair<std::string, std::string>> fields;

    std::string Get(const std::string& name) const;
    // The fields that differ from `other`, as "name: \"was\" -> \"now\"".
    std::vector<std::string> Differences(const MainView& other,
                                         const std::vector<std::string>& only = {}) const;
};

class ToolSession {
  public:
    // A message to the tool that is not answered within this is a hang.
    static constexpr int AnswerBoundMs = 2000;

    ToolSession() = default;
    ~ToolSession();
    ToolSession(const ToolSession&) = delete;
    ToolSession& operator=(const ToolSession&) = delete;

    // Waits for the visible main window of a zr3config.exe and takes hold of it and its process.
    bool Attach(std::string& error, int timeoutMs = 40000);
    bool Alive() const;
    // Waits for the tool's process to end; exitCode then holds its exit code.
    bool WaitEnded(int timeoutMs, DWORD& exitCode);
    // Starts the program (a Windows path) anew after the tool ended and attaches to its window.
    bool Restart(const std::string& program, std::string& error);
    HWND main() const { return mainWindow; }

    // The text of any window of the tool; "<no answer>" after the bound. Every call counts in
    // the latency figures.
    std::string Text(HWND window, int boundMs = AnswerBoundMs);
    std::string Text(MainChild child) { return Text(Child(child)); }
    HWND Child(MainChild child) const;
    // The main window answers a message within the bound.
    bool Responds();

    MainView View();
    MainView LiveValues();

    // Selects the port in the list and notifies the window as the list does; returns when the
    // window has connected (or given up), false when it did not answer within `boundMs`.
    bool SelectPort(const std::string& name, int boundMs, std::string& error);
    // The two halves of SelectPort: the pick in the list, then the list's notification.
    bool PickPort(const std::string& name, std::string& error);
    bool NotifyPortChange(int boundMs);
    // Selects item `index` of a list of the main window and notifies the window as the list does;
    // false when the window did not finish within `boundMs`.
    bool SelectIndex(MainChild child, int index, int boundMs);
    // The same without waiting for the window: for a selection that may end in a message box.
    void PostSelection(MainChild child, int index);
    // One poll cycle, as the window's timer starts it.
    bool Tick(int boundMs = 5000);
    bool SetReading(bool on);
    bool ReadingChecked();
    // A button of the main window clicked; returns when the window has handled the click.
    bool Click(MainChild child, int boundMs = 5000);
    bool Checked(MainChild child);
    // The selected index of a list of the main window; -1 for none or no answer.
    int Selected(MainChild child);
    // Waits until the child shows `expected`; false after the time-out.
    bool WaitForText(MainChild child, const std::string& expected, int timeoutMs);

    // Presses a button of the main window without waiting for what it opens.
    void PostButton(int id);
    // Holds or releases Ctrl in the tool's own keyboard state (GetKeyState sees it).
    bool HoldControlKey(bool down);

    // A visible modal dialog of the tool with this caption that has the item `markerId`.
    HWND WaitForDialog(const char* caption, int markerId, int timeoutMs);
    HWND FindDialog(const char* caption, int markerId);
    // How many visible dialogs of the tool (message boxes among them) have this caption and item.
    int CountDialogs(const char* caption, int markerId);
    bool WaitGone(HWND dialog, int timeoutMs);
    std::string ItemText(HWND dialog, int id) { return Text(GetDlgItem(dialog, id)); }
    // The item's text once it is other than `before` (and answered); after the time-out the last
    // text read.
    std::string WaitForItemText(HWND dialog, int id, int timeoutMs, const std::string& before = "");
    bool ItemEnabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)); }
    bool SetItemText(HWND dialog, int id, const std::string& text);
    void PostCommand(HWND dialog, int id);
    // A button of a dialog clicked; returns when the dialog has handled the click.
    bool ClickItem(HWND dialog, int id, int boundMs = 5000);
    int ListCount(HWND dialog, int id);
    int ProgressPosition(HWND dialog, int id);
    // Closes whatever dialog is still open (Esc), so that a failed cell does not block the next.
    void CancelOpenDialogs();

    void ResetLatency();
    double maxLatencyMs() const { return maxLatency; }
    int unanswered() const { return noAnswers; }

    // Esc to the open dialogs, WM_CLOSE to the main window; true when the program has ended
    // within the time.
    bool Close(int timeoutMs);

  private:
    bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, int boundMs,
                     DWORD_PTR* result = nullptr);

    HWND mainWindow = nullptr;
    std::vector<HWND> children;
    HANDLE process = nullptr;
    DWORD thread = 0;
    double maxLatency = 0.0;
    int noAnswers = 0;
};
