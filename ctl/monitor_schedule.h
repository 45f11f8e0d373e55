#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

// The monitor's timing: reading k is due at the start plus k periods, however long each reading
// takes, so that 60 readings at 1 s take 60 s. The clock is a seam for tests.
class MonitorClock {
  public:
    using TimePoint = std::chrono::steady_clock::time_point;
    virtual ~MonitorClock() = default;
    virtual TimePoint Now() = 0;
    // Waits until due; returns false when the wait was interrupted.
    virtual bool WaitUntil(TimePoint due) = 0;
};

// The steady clock, its waits ended early by Ctrl-C, SIGTERM or SIGHUP.
MonitorClock& SystemMonitorClock();

// Takes count readings (0: no end), each when due; a reading that returns false, or an
// interrupted wait, ends the schedule. Returns the number of readings taken.
int64_t RunMonitorSchedule(MonitorClock& clock, double periodSeconds, int64_t count,
                           const std::function<bool(int64_t index)>& reading);
