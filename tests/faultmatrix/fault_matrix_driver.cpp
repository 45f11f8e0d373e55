// Runs the fault matrix against a running zr3config.exe whose COM1 is a zr3sim terminal, writes
// the reliability page and closes the tool. The exit code is the verdict: 0 every cell held,
// 1 a cell failed, 2 bad call, 3 the matrix could not start.
//
//   fault_matrix_driver PAGE [FILTER]
//
// PAGE is the Unix path of the Markdown page to write; FILTER runs only the cells whose
// "fault/place" contains it. The simulator is found through ZR3_SIM_CONTROL, ZR3_SIM_TRACE,
// ZR3_SIM_REPLIES and ZR3_FM_WORK (see fault_matrix.sh).
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "tests/faultmatrix/fault_matrix.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3 || argv[1][0] != '/') {
        std::fputs("usage: fault_matrix_driver PAGE [FILTER]\n", stderr);
        return 2;
    }
    const std::string page = argv[1];
    const std::string filter = argc > 2 ? argv[2] : "";

    SimulatorChannel sim;
    ToolSession tool;
    std::string error;
    if (!sim.FromEnvironment(error) || !sim.CanRestart()) {
        if (error.empty()) error = "ZR3_FM_WORK must be a Unix path";
        std::fprintf(stderr, "fault_matrix_driver: %s\n", error.c_str());
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    FaultMatrix matrix(tool, sim);
    if (!matrix.SetUp(error)) {
        std::fprintf(stderr, "fault_matrix_driver: cannot start: %s\n", error.c_str());
        tool.Close(10000);
        return 3;
    }
    matrix.Run(filter);

    int held = 0, failed = 0;
    for (const auto& cell : matrix.results()) {
        (cell.Held() ? held : failed)++;
        if (!cell.Held()) std::printf("failed: %s / %s\n", cell.fault.c_str(), cell.place.c_str());
    }
    {
        std::ofstream file(WinePath(page), std::ios::binary);
        file << ReliabilityPage(FaultMatrix::Rows(), FaultMatrix::Columns(), matrix.results());
        if (!file) {
            std::fprintf(stderr, "fault_matrix_driver: cannot write %s\n", page.c_str());
            failed++;
        }
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("fault matrix: %d cells held, %d failed, %.0f s\n", held, failed, seconds);
    std::fflush(stdout);
    tool.Close(10000);
    return failed == 0 ? 0 : 1;
}
