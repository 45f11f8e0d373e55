#include "ui/dialogs/sample_timer.h"

void SampleTimer::Start(HWND owner, UINT period) {
    if (handle != 0) return;
    window = owner;
    handle = SetTimer(window, id, period, nullptr);
}

void SampleTimer::Stop() {
    if (handle == 0) return;
    if (window != nullptr) KillTimer(window, id);
    handle = 0;
}

bool SampleTimer::Ticks(const WindowMessage& message) {
    if (message.Message == WM_TIMER) return true;
    if (message.Message == WM_DESTROY) Stop();
    return false;
}
