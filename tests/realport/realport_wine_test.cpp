// The Win32 backend and the tool's link on COM1, which scripts/sim-com1 has pointed at a zr3sim
// pseudo-terminal. Control commands go to the simulator through the FIFO named in
// ZR3_SIM_CONTROL (a Unix path, reached through Wine's drive Z:).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>

#include "link/converter_link.h"

namespace {

using Clock = std::chrono::steady_clock;

// The system's port with every purge noted on the way through.
class RecordingPort : public SerialPort {
  public:
    explicit RecordingPort(std::unique_ptr<SerialPort> inner) : inner(std::move(inner)) {}
    bool Open(const char* path) override { return inner->Open(path); }
    void Close() override { inner->Close(); }
    bool IsOpen() const override { return inner->IsOpen(); }
    void Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                   uint8_t stopBits) override {
        inner->Configure(flags, baudRate, byteSize, parity, stopBits);
    }
    bool SetTimeouts(const LineTimeouts& timeouts) override { return inner->SetTimeouts(timeouts); }
    size_t Read(uint8_t* buffer, size_t count) override { return inner->Read(buffer, count); }
    size_t Write(const uint8_t* buffer, size_t count) override {
        return inner->Write(buffer, count);
    }
    void Purge(uint32_t flags) override {
        purges.push_back(flags);
        inner->Purge(flags);
    }
    std::vector<uint32_t> purges;

  private:
    std::unique_ptr<SerialPort> inner;
};

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

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Com1 {
    RecordingPort* port = nullptr;
    std::unique_ptr<ConverterLink> link;
    Com1() {
        auto owned = std::make_unique<RecordingPort>(CreateSystemSerialPort());
        port = owned.get();
        link = std::make_unique<ConverterLink>(std::move(owned));
        EXPECT_TRUE(link->Open("COM1"));
        port->purges.clear();
    }
};

TEST(RealPortWine, IdentityAndEveryTransferType) {
    Com1 com;
    ConverterLink& link = *com.link;
    const char* identity = link.Identify();
    ASSERT_NE(identity, nullptr) << "no converter on COM1";
    EXPECT_STREQ(identity, "ZR3");
    uint16_t version = 0;
    ASSERT_TRUE(link.ReadFirmwareVersion(version));
    EXPECT_EQ(version, 0x0103);
    int32_t serial = 0;
    ASSERT_TRUE(link.ReadSerialNumber(serial));
    EXPECT_EQ(serial, 123456);

    ASSERT_TRUE(link.WriteInputDamping(31));
    uint8_t damping = 0;
    ASSERT_TRUE(link.ReadInputDamping(damping));
    EXPECT_EQ(damping, 30);
    ASSERT_TRUE(link.WriteInputDamping(5));
    uint8_t mode = 7;
    ASSERT_TRUE(link.WriteCompensationMode(mode));
    EXPECT_EQ(mode, 2);

    float start = 12.5f;
    ASSERT_TRUE(link.WriteRangeStart(start));
    EXPECT_EQ(start, 12.5f);
    float readBack = 0;
    ASSERT_TRUE(link.ReadRangeStart(readBack));
    EXPECT_EQ(readBack, 12.5f);
    float ohms = 0;
    ASSERT_TRUE(link.ReadResistance(ohms));
    EXPECT_NEAR(ohms, 109.7347f, 0.0005f);

    RelaySettings relay{250.5f, 240.25f, 7, 65535};
    ASSERT_TRUE(link.WriteRelaySettings(relay));
    RelaySettings back;
    ASSERT_TRUE(link.ReadRelaySettings(back));
    EXPECT_EQ(back.closeValue, 250.5f);
    EXPECT_EQ(back.openDelay, 65535);
    SensorTable table{};
    ASSERT_TRUE(link.ReadSensorTable(table));
    EXPECT_EQ(table[1], 2.3577354f);
    ProbeCoefficients k;
    k.K = {-1.0f, 0.95f, 0.001f, -0.5f};
    ASSERT_TRUE(link.WriteProbeCoefficients(k));
    ProbeCoefficients kBack;
    ASSERT_TRUE(link.ReadProbeCoefficients(kBack));
    EXPECT_EQ(kBack.K, k.K);
    link.Close();
    EXPECT_FALSE(link.IsOpen());
    ASSERT_TRUE(link.Open("COM1"));
    ASSERT_NE(link.Identify(), nullptr);
}

TEST(RealPortWine, TimeOutAndChecksumFault) {
    if (std::getenv("ZR3_SIM_CONTROL") == nullptr) GTEST_SKIP() << "no simulator control FIFO";
    Com1 com;
    ConverterLink& link = *com.link;
    uint8_t value = 99;

    ASSERT_TRUE(Control("fault silence next"));
    const auto start = Clock::now();
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_GE(MillisecondsSince(start), 150.0);
    EXPECT_EQ(value, 99);
    EXPECT_TRUE(com.port->purges.empty());

    ASSERT_TRUE(Control("fault checksum next"));
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_EQ(value, 99);
    EXPECT_EQ(com.port->purges, (std::vector<uint32_t>{0x000C}));
    ASSERT_TRUE(link.ReadInputDamping(value));
    EXPECT_EQ(value, 5);

    ASSERT_TRUE(Control("fault slow 100 next"));
    value = 0;
    EXPECT_TRUE(link.ReadInputDamping(value));
    EXPECT_EQ(value, 5);
}

}  // namespace
