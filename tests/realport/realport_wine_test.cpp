// The Win32 backend and the tool's link on COM1, which scripts/sim-com1 has pointed at a zr3sim
// pseudo-terminal. Control commands go to the simulator through the FIFO named in
// ZR3_SIM_CONTROL (a Unix path, reached through Wine's drive Z:).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "tests/realport/exchange_checks.h"

namespace {

// One line to the simulator's control FIFO; false when there is none.
bool Control(const std::string& command) {
    const char* unixPath = std::getenv("ZR3_SIM_CONTROL");
    if (unixPath == nullptr || unixPath[0] != '/') return false;
    std::string path = std::string("Z:") + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    HANDLE fifo = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (fifo == INVALID_HANDLE_VALUE) return false;
    const std::string line = command + "\n";
    DWORD written = 0;
    const BOOL ok =
        WriteFile(fifo, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(fifo);
    // The simulator reads its control input before the line; a moment makes sure it has it.
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return ok && written == line.size();
}

TEST(RealPortWine, IdentityAndEveryTransferType) {
    RecordedLink com;
    ASSERT_TRUE(com.Open("COM1"));
    ASSERT_NO_FATAL_FAILURE(CheckEveryTransferType(*com.link, {}));
    CheckCloseAndReopen(*com.link, "COM1", {});
}

TEST(RealPortWine, TimeOutAndChecksumFault) {
    if (std::getenv("ZR3_SIM_CONTROL") == nullptr) GTEST_SKIP() << "no simulator control FIFO";
    RecordedLink com;
    ASSERT_TRUE(com.Open("COM1"));
    CheckFaultsAndRecovery(com, Control);
}

}  // namespace
