#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <atomic>
#include <cstdio>

#include "ctl/terminal.h"

namespace {

std::atomic<bool> interrupted{false};

BOOL WINAPI NoteInterrupt(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
        interrupted = true;
        return TRUE;
    }
    return FALSE;
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
    return interrupted;
}

int InterruptSignal() {
    // The status of a console program that Ctrl-C ended, as a shell reports it: 128 + SIGINT.
    return interrupted ? 2 : 0;
}
