#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "ctl/terminal.h"

namespace {

// The exit status the event asks for, 0 while none came.
std::atomic<int> interrupted{0};

// How long the console's close, log-off or shut-down waits for the command to give back what it
// holds; the system ends the process after about 5 s anyway, and the exit ends this wait.
constexpr DWORD EndOfSessionWait = 4500;

BOOL WINAPI NoteInterrupt(DWORD event) {
    int expected = 0;
    switch (event) {
        case CTRL_C_EVENT:
        case CTRL_BREAK_EVENT:
            interrupted.compare_exchange_strong(expected, 130);
            return TRUE;
        case CTRL_CLOSE_EVENT:
        case CTRL_LOGOFF_EVENT:
        case CTRL_SHUTDOWN_EVENT:
            interrupted.compare_exchange_strong(expected, 129);
            Sleep(EndOfSessionWait);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool StdinIsTerminal() {
    return _isatty(0) != 0;
}

void StdoutBinary() {
    std::fflush(stdout);
    _setmode(_fileno(stdout), _O_BINARY);
}

bool StderrIsTerminal() {
    return _isatty(2) != 0;
}

void CatchInterrupt() {
    SetConsoleCtrlHandler(NoteInterrupt, TRUE);
}

bool Interrupted() {
    return interrupted != 0;
}

int InterruptedStatus() {
    return interrupted != 0 ? interrupted.load() : 130;
}
