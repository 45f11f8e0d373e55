// How close an exchange through the link over a pseudo-terminal comes to the time the same bytes
// take on a 9600-baud line: zr3sim runs with line timing and no reaction time, so the bound is
// bytes x 10 bits / 9600 baud and everything above it is overhead of the link, the backend, the
// pseudo-terminal and the simulator.
//   link_bench [EXCHANGES [CYCLES]]
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "link/converter_link.h"
#include "sim/model/line_timing.h"
#include "tests/realport/sim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

double Elapsed(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string Fixed(double value, int decimals) {
    char text[32];
    const auto result =
        std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, decimals);
    return std::string(text, result.ptr);
}

void Report(const char* what, double meanMs, size_t bytes) {
    const double bound = sim::LineTimeMs(bytes);
    std::printf("%-30s mean %s ms, line time of %zu bytes %s ms, ratio %s\n", what,
                Fixed(meanMs, 3).c_str(), bytes, Fixed(bound, 3).c_str(),
                Fixed(meanMs / bound, 3).c_str());
}

}  // namespace

int main(int argc, char** argv) {
    const int exchanges = argc > 1 ? std::atoi(argv[1]) : 500;
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 100;
    if (exchanges <= 0 || cycles <= 0) {
        std::fprintf(stderr, "usage: link_bench [EXCHANGES [CYCLES]]\n");
        return 2;
    }
    SimProcess sim;
    if (!sim.Start({"--line-timing", "--reaction-ms", "0", "--no-noise", "--no-drift"})) {
        std::fprintf(stderr, "link_bench: zr3sim did not start\n");
        return 1;
    }
    ConverterLink link;
    if (!link.Open(sim.portName().c_str()) || link.Identify() == nullptr) {
        std::fprintf(stderr, "link_bench: no converter on %s\n", sim.path().c_str());
        return 1;
    }
    float value = 0;
    for (int i = 0; i < 20; ++i)
        link.ReadResistance(value);

    int failures = 0;
    auto start = Clock::now();
    for (int i = 0; i < exchanges; ++i)
        failures += link.ReadResistance(value) ? 0 : 1;
    const double exchangeMs = Elapsed(start) / exchanges;

    start = Clock::now();
    for (int i = 0; i < cycles; ++i) {
        failures += link.ReadResistance(value) ? 0 : 1;
        failures += link.ReadTemperature(value) ? 0 : 1;
        failures += link.ReadConductance(value) ? 0 : 1;
        failures += link.ReadConductivity(value) ? 0 : 1;
        failures += link.ReadRatio(value) ? 0 : 1;
    }
    const double cycleMs = Elapsed(start) / cycles;

    std::printf("zr3sim --line-timing --reaction-ms 0 on %s\n", sim.path().c_str());
    Report("float read (4 + 7 bytes)", exchangeMs, 11);
    Report("poll cycle (5 float reads)", cycleMs, 55);
    std::printf("%d exchanges, %d cycles, %d failed\n", exchanges, cycles, failures);
    return failures == 0 ? 0 : 1;
}
