#include "base/run_error.h"

#include <cstdio>
#include <cstdlib>

namespace {
RunErrorReporter reporter = nullptr;
}

RunErrorReporter SetRunErrorReporter(RunErrorReporter newReporter) {
    RunErrorReporter old = reporter;
    reporter = newReporter;
    return old;
}

void RunError(int code) {
    char text[32];
    std::snprintf(text, sizeof text, "Runtime error %d", code);
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    if (reporter != nullptr) reporter(text);
    // No destructors run: the program's state is not trusted any more.
    std::_Exit(code);
}
