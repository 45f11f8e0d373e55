#include <signal.h>
#include <unistd.h>

#include "ctl/terminal.h"

namespace {

// The first signal noted; later ones do not replace it.
volatile sig_atomic_t interrupted = 0;

void NoteInterrupt(int signal) {
    if (interrupted == 0) interrupted = signal;
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
    for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
        sigaction(signal, &action, nullptr);
}

bool Interrupted() {
    return interrupted != 0;
}

int InterruptedStatus() {
    return 128 + (interrupted != 0 ? static_cast<int>(interrupted) : SIGINT);
}
