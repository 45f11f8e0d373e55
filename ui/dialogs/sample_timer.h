#pragma once

#include "ui/framework/window_message.h"

// The window timer a measuring dialog takes its samples on, held as the dialog's `timer`. It reads
// as the handle SetTimer returned, 0 while no timer runs. The timer stops with the dialog's window
// and at the latest when the dialog is destroyed.
//
//     void Dispatch(WindowMessage& message) override {
//         if (timer.Ticks(message))
//             OnTimerTick(message);
//         else
//             ShadedDialog::Dispatch(message);
//     }
class SampleTimer {
  public:
    explicit SampleTimer(UINT_PTR id) : id(id) {}
    ~SampleTimer() { Stop(); }
    SampleTimer(const SampleTimer&) = delete;
    SampleTimer& operator=(const SampleTimer&) = delete;

    operator UINT_PTR() const { return handle; }

    // Starts the timer on the window unless it runs already.
    void Start(HWND window, UINT period);
    void Stop();
    // True for WM_TIMER, whatever its id: the dialog takes one sample. On WM_DESTROY the timer
    // stops while the window still exists; that message and all others go on to the dialog's base.
    bool Ticks(const WindowMessage& message);

  private:
    UINT_PTR id;
    HWND window = nullptr;
    UINT_PTR handle = 0;
};
