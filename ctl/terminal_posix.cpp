#include <signal.h>
#include <unistd.h>

#include "ctl/terminal.h"

namespace {

volatile sig_atomic_t interrupted = 0;

void NoteInterrupt(int signal) {
    interrupted = signal;
}

}  // namespace

bool StdinIsTerminal() {
    return isatty(0) != 0;
}

void StdoutBinary() {}

bool StderrIsTerminal() {
    return isatty(2) != 0;
}

void CatchInterrupt() {
    struct sigaction action {};
    action.sa_handler = NoteInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

bool Interrupted() {
    return interrupted != 0;
}

int InterruptSignal() {
    return interrupted;
}
