// The wall clock of zr3ctl monitor against a line-timed zr3sim: READINGS readings at PERIOD
// seconds should take (READINGS - 1) x PERIOD plus one reading, since the period runs from one
// reading's due time to the next, not from the end of a reading.
//   monitor_bench [READINGS [PERIOD]]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/realport/sim_process.h"

int main(int argc, char** argv) {
    const int readings = argc > 1 ? std::atoi(argv[1]) : 10;
    const double period = argc > 2 ? std::atof(argv[2]) : 1.0;
    if (readings < 1 || !(period > 0.0)) {
        std::fprintf(stderr, "usage: monitor_bench [READINGS [PERIOD]]\n");
        return 2;
    }
    SimProcess sim;
    if (!sim.Start({"--line-timing", "--no-noise", "--no-drift"})) {
        std::fprintf(stderr, "monitor_bench: zr3sim did not start\n");
        return 1;
    }
    const auto start = std::chrono::steady_clock::now();
    const ProgramRun run =
        RunProgram(ZR3CTL_PATH,
                   {"-p", sim.portName(), "monitor", "--count", std::to_string(readings),
                    "--interval", std::to_string(period)},
                   static_cast<int>(readings * period * 1000) + 60000);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (run.status != 0) {
        std::fprintf(stderr, "monitor_bench: zr3ctl ended with %d: %s\n", run.status,
                     run.err.c_str());
        return 1;
    }
    const double schedule = (readings - 1) * period;
    std::printf(
        "monitor: %d readings at %.3f s in %.3f s; the schedule alone %.3f s, "
        "%.3f s more (connecting and the last reading)\n",
        readings, period, seconds, schedule, seconds - schedule);
    return 0;
}
