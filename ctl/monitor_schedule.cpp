#include "ctl/monitor_schedule.h"

#include <algorithm>
#include <thread>

#include "ctl/terminal.h"

namespace {

class SteadyClock : public MonitorClock {
  public:
    TimePoint Now() override { return std::chrono::steady_clock::now(); }
    bool WaitUntil(TimePoint due) override {
        using namespace std::chrono;
        while (!Interrupted()) {
            const auto now = steady_clock::now();
            if (now >= due) return true;
            std::this_thread::sleep_for(std::min<steady_clock::duration>(due - now, 50ms));
        }
        return false;
    }
};

}  // namespace

MonitorClock& SystemMonitorClock() {
    static SteadyClock clock;
    return clock;
}

int64_t RunMonitorSchedule(MonitorClock& clock, double periodSeconds, int64_t count,
                           const std::function<bool(int64_t index)>& reading) {
    using namespace std::chrono;
    const auto period = duration_cast<steady_clock::duration>(duration<double>(periodSeconds));
    const MonitorClock::TimePoint start = clock.Now();
    int64_t taken = 0;
    for (int64_t k = 0; count == 0 || k < count; ++k) {
        // Due from the start, not from the end of the reading before: a late reading is taken
        // at once and the ones after it keep their times.
        if (k > 0 && !clock.WaitUntil(start + period * k)) break;
        ++taken;
        if (!reading(k)) break;
    }
    return taken;
}
