#include "tests/realport/exchange_checks.h"

#include <gtest/gtest.h>

#include <array>
#include <thread>

using Clock = std::chrono::steady_clock;

RecordedLink::RecordedLink() {
    auto owned = std::make_unique<RecordingPort>(CreateSystemSerialPort());
    port = owned.get();
    link = std::make_unique<ConverterLink>(std::move(owned));
}

bool RecordedLink::Open(const std::string& name) {
    const bool opened = link->Open(name.c_str());
    port->purges.clear();
    return opened;
}

void RecordedLink::Settle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(900));
    port->Purge(PurgeRxClear);
    port->purges.clear();
}

double MillisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void CheckEveryTransferType(ConverterLink& link, const SimulatedIdentity& expected) {
    const char* identity = link.Identify();
    ASSERT_NE(identity, nullptr) << "no converter on the line";
    EXPECT_STREQ(identity, "ZR3");
    uint16_t version = 0;
    ASSERT_TRUE(link.ReadFirmwareVersion(version));
    EXPECT_EQ(version, expected.firmware);
    int32_t serial = 0;
    ASSERT_TRUE(link.ReadSerialNumber(serial));
    EXPECT_EQ(serial, expected.serial);

    uint8_t damping = 0;
    ASSERT_TRUE(link.ReadInputDamping(damping));
    EXPECT_EQ(damping, 5);
    ASSERT_TRUE(link.WriteInputDamping(31));
    ASSERT_TRUE(link.ReadInputDamping(damping));
    EXPECT_EQ(damping, 30);
    ASSERT_TRUE(link.WriteInputDamping(5));
    uint8_t mode = 7;
    ASSERT_TRUE(link.WriteCompensationMode(mode));
    EXPECT_EQ(mode, 2);
    mode = 0;
    ASSERT_TRUE(link.WriteCompensationMode(mode));
    EXPECT_EQ(mode, 0);
    ASSERT_TRUE(link.WriteTempDamping(40));
    ASSERT_TRUE(link.ReadTempDamping(damping));
    EXPECT_EQ(damping, 30);

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
    EXPECT_EQ(back.openValue, 240.25f);
    EXPECT_EQ(back.closeDelay, 7);
    EXPECT_EQ(back.openDelay, 65535);
    SensorTable table{};
    ASSERT_TRUE(link.ReadSensorTable(table));
    EXPECT_EQ(table[1], 2.3577354f);

    // Firmware older than 1.03 transfers K[1]..K[3] only; K[0] then reads as 0.
    ProbeCoefficients k;
    k.K = {-1.0f, 0.95f, 0.001f, -0.5f};
    ASSERT_TRUE(link.WriteProbeCoefficients(k));
    ProbeCoefficients kBack;
    ASSERT_TRUE(link.ReadProbeCoefficients(kBack));
    const float k0 = expected.firmware >= 0x0103 ? k.K[0] : 0.0f;
    EXPECT_EQ(kBack.K, (std::array<float, 4>{k0, 0.95f, 0.001f, -0.5f}));
}

void CheckCloseAndReopen(ConverterLink& link, const std::string& name,
                         const SimulatedIdentity& expected) {
    for (int round = 0; round < 3; ++round) {
        link.Close();
        EXPECT_FALSE(link.IsOpen());
        ASSERT_TRUE(link.Open(name.c_str())) << round;
        ASSERT_NE(link.Identify(), nullptr) << round;
        uint16_t version = 0;
        ASSERT_TRUE(link.ReadFirmwareVersion(version)) << round;
        EXPECT_EQ(version, expected.firmware);
    }
}

void CheckFaultsAndRecovery(RecordedLink& line, const SimControl& control) {
    ConverterLink& link = *line.link;
    std::vector<uint32_t>& purges = line.port->purges;
    const std::vector<uint32_t> purgedBothWays = {PurgeTxClear | PurgeRxClear};
    uint8_t value = 99;

    ASSERT_TRUE(control("fault silence next"));
    auto start = Clock::now();
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_GE(MillisecondsSince(start), 150.0);
    EXPECT_EQ(value, 99);
    EXPECT_TRUE(purges.empty());

    ASSERT_TRUE(control("fault checksum next"));
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_EQ(value, 99);
    // The request first waits for a quiet line after the time-out and purges, then the checksum.
    EXPECT_EQ(purges,
              (std::vector<uint32_t>{PurgeTxClear | PurgeRxClear, PurgeTxClear | PurgeRxClear}));
    ASSERT_TRUE(link.ReadInputDamping(value));
    EXPECT_EQ(value, 5);

    // Line noise before the answer: the purge clears the rest, the next exchange is clean.
    purges.clear();
    ASSERT_TRUE(control("fault garbage 3 next"));
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_EQ(purges, purgedBothWays);
    ASSERT_TRUE(link.ReadInputDamping(value));

    purges.clear();
    ASSERT_TRUE(control("fault length next"));
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_TRUE(purges.empty());
    ASSERT_TRUE(control("fault nak next"));
    EXPECT_FALSE(link.ReadInputDamping(value));
    line.Settle();

    ASSERT_TRUE(control("fault slow 120 next"));
    value = 0;
    EXPECT_TRUE(link.ReadInputDamping(value));
    EXPECT_EQ(value, 5);
    ASSERT_TRUE(control("fault slow 260 next"));
    value = 0;
    start = Clock::now();
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_GE(MillisecondsSince(start), 190.0);
    EXPECT_EQ(value, 0);
    line.Settle();
    ASSERT_TRUE(link.ReadInputDamping(value));
    EXPECT_EQ(value, 5);
}
