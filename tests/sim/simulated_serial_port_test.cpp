#include "sim/model/simulated_serial_port.h"

#include <gtest/gtest.h>

#include "sim/model/line_timing.h"
#include "tests/sim/hex_frames.h"

namespace {

using sim::FaultKind;

LineTimeouts LinkTimeouts() {
    LineTimeouts t;
    t.ReadTotalTimeoutConstant = 200;
    t.WriteTotalTimeoutConstant = 100;
    return t;
}

struct Fixture {
    sim::DeviceModel model;
    sim::SimulatedSerialPort port{model};
    Fixture() {
        EXPECT_TRUE(port.Open("\\\\.\\COM1"));
        EXPECT_TRUE(port.SetTimeouts(LinkTimeouts()));
    }
    size_t Send(std::string_view hex) {
        const Bytes frame = HexBytes(hex);
        return port.Write(frame.data(), frame.size());
    }
    Bytes ReadUpTo(size_t count) {
        Bytes buffer(count);
        buffer.resize(port.Read(buffer.data(), count));
        return buffer;
    }
};

TEST(SimulatedPort, ClosedOrMissingPortDoesNothing) {
    sim::DeviceModel model;
    sim::SimulatedSerialPort port(model);
    uint8_t buffer[8] = {};
    const Bytes frame = HexBytes("01 21 00 DE");
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.Write(frame.data(), frame.size()), 0u);
    EXPECT_EQ(port.Read(buffer, sizeof(buffer)), 0u);
    EXPECT_FALSE(port.SetTimeouts(LinkTimeouts()));
    port.Purge(PurgeRxClear);
    EXPECT_TRUE(port.purges().empty());
    EXPECT_EQ(model.answeredCount(), 0u);

    port.SetMissing(true);
    EXPECT_FALSE(port.Open("\\\\.\\COM9"));
    EXPECT_FALSE(port.IsOpen());
    port.SetMissing(false);
    EXPECT_TRUE(port.Open("\\\\.\\COM9"));
    EXPECT_EQ(port.openedPath(), "\\\\.\\COM9");
    EXPECT_EQ(port.openCount(), 1);
    port.Configure(LineFlagsBinaryDtrRts, 9600, 8, 0, 0);
    EXPECT_EQ(port.lineSettings().flags, 0x1011u);
    EXPECT_EQ(port.lineSettings().baudRate, 9600u);
}

TEST(SimulatedPort, ExchangeRecordsRequestsAndPurges) {
    Fixture f;
    EXPECT_EQ(f.Send("01 44 00 BB"), 4u);
    EXPECT_EQ(HexText(f.ReadUpTo(2)), "06 01");
    EXPECT_EQ(HexText(f.ReadUpTo(2)), "05 F4");
    EXPECT_EQ(f.port.elapsedMs(), 0.0);
    ASSERT_EQ(f.port.requests().size(), 1u);
    EXPECT_EQ(HexText(f.port.requests()[0]), "01 44 00 BB");

    // Two answers waiting; a receive purge drops what has arrived.
    f.Send("01 22 00 DD");
    f.Send("01 22 00 DD");
    EXPECT_EQ(f.port.pendingBytes(), 10u);
    f.port.Purge(PurgeTxClear | PurgeRxClear);
    EXPECT_EQ(f.port.pendingBytes(), 0u);
    EXPECT_EQ(f.port.purges(), (std::vector<uint32_t>{0x000C}));
    // Closing drops the answer on its way.
    f.Send("01 22 00 DD");
    f.port.Close();
    EXPECT_TRUE(f.port.Open("\\\\.\\COM1"));
    EXPECT_EQ(f.port.pendingBytes(), 0u);
}

TEST(SimulatedPort, NoAnswerTimesOutWithoutWaiting) {
    Fixture f;
    f.model.faults().Set(FaultKind::Silence, 0, 1);
    f.Send("01 44 00 BB");
    EXPECT_TRUE(f.ReadUpTo(2).empty());
    EXPECT_DOUBLE_EQ(f.port.elapsedMs(), 200.0);
    f.Send("01 44 00 BC");  // bad checksum: no answer either
    EXPECT_TRUE(f.ReadUpTo(2).empty());
    EXPECT_DOUBLE_EQ(f.port.elapsedMs(), 400.0);
}

TEST(SimulatedPort, SlowAnswerSplitsAtPausesLongerThanTheTimeout) {
    {
        // 150 ms pauses: every read gets something, as on a real line.
        Fixture f;
        f.model.faults().Set(FaultKind::Slow, 150, 1);
        f.Send("01 44 00 BB");
        EXPECT_EQ(HexText(f.ReadUpTo(2)), "06 01");  // bytes at 0 and 150 ms
        EXPECT_DOUBLE_EQ(f.port.elapsedMs(), 150.0);
        EXPECT_EQ(HexText(f.ReadUpTo(2)), "05");  // 300 ms; 450 ms is past 350
        EXPECT_DOUBLE_EQ(f.port.elapsedMs(), 350.0);
        EXPECT_EQ(HexText(f.ReadUpTo(1)), "F4");
        EXPECT_DOUBLE_EQ(f.port.elapsedMs(), 450.0);
    }
    {
        // 250 ms pauses: the bytes before the pause in this read, the next byte in the next.
        Fixture f;
        f.model.faults().Set(FaultKind::Slow, 250, 1);
        f.Send("01 44 00 BB");
        EXPECT_EQ(HexText(f.ReadUpTo(2)), "06");
        EXPECT_DOUBLE_EQ(f.port.elapsedMs(), 200.0);
        EXPECT_EQ(HexText(f.ReadUpTo(1)), "01");
        EXPECT_EQ(HexText(f.ReadUpTo(2)), "");    // 500 ms is past 450
        EXPECT_EQ(HexText(f.ReadUpTo(2)), "05");  // late bytes are still there
        EXPECT_EQ(HexText(f.ReadUpTo(2)), "F4");
        EXPECT_DOUBLE_EQ(f.port.elapsedMs(), 850.0);
    }
}

TEST(SimulatedPort, ReadTimeoutRulesOfTheLine) {
    Fixture f;
    f.model.faults().Set(FaultKind::Slow, 40, 1);
    LineTimeouts t;
    t.ReadIntervalTimeout = 30;  // pauses longer than 30 ms end a read
    ASSERT_TRUE(f.port.SetTimeouts(t));
    f.Send("01 44 00 BB");
    EXPECT_EQ(HexText(f.ReadUpTo(4)), "06");
    EXPECT_DOUBLE_EQ(f.port.elapsedMs(), 30.0);

    // MAXDWORD interval and no totals: only what has arrived, at once.
    t = LineTimeouts{};
    t.ReadIntervalTimeout = 0xFFFFFFFFu;
    ASSERT_TRUE(f.port.SetTimeouts(t));
    EXPECT_EQ(HexText(f.ReadUpTo(4)), "");  // the next byte comes at 40 ms
    // No time-outs at all: waits for the bytes.
    ASSERT_TRUE(f.port.SetTimeouts(LineTimeouts{}));
    EXPECT_EQ(HexText(f.ReadUpTo(2)), "01 05");
    EXPECT_DOUBLE_EQ(f.port.elapsedMs(), 80.0);
    ASSERT_TRUE(f.port.SetTimeouts(t));
    EXPECT_EQ(HexText(f.ReadUpTo(4)), "");
    ASSERT_TRUE(f.port.SetTimeouts(LineTimeouts{}));
    EXPECT_EQ(HexText(f.ReadUpTo(1)), "F4");
    EXPECT_DOUBLE_EQ(f.port.elapsedMs(), 120.0);
}

TEST(SimulatedPort, LineTimingAt9600Baud) {
    Fixture f;
    f.port.SetLineTiming(true, 2.0);
    f.Send("01 44 00 BB");
    EXPECT_EQ(HexText(f.ReadUpTo(4)), "06 01 05 F4");
    // Four bytes out, two milliseconds to react, four bytes back.
    EXPECT_NEAR(f.port.elapsedMs(), 8 * 10.0 / 9.6 + 2.0, 1e-9);
    EXPECT_NEAR(sim::ByteTimeMs, 1.0416667, 1e-6);

    // A purge drops what has arrived; what is still on the line comes afterwards.
    f.Send("01 22 00 DD");
    f.port.Purge(PurgeRxClear);
    EXPECT_EQ(f.port.pendingBytes(), 5u);
    Bytes got = f.ReadUpTo(2);
    EXPECT_EQ(HexText(got), "06 02");
    f.port.Purge(PurgeRxClear);
    EXPECT_EQ(HexText(f.ReadUpTo(3)), "03 01 F4");
}

TEST(SimulatedPort, ModelClockCanFollowTheLine) {
    sim::DeviceModel model;
    sim::SimulatedSerialPort port(model);
    port.SetDriveModelClock(true);
    ASSERT_TRUE(port.Open("COM1"));
    ASSERT_TRUE(port.SetTimeouts(LinkTimeouts()));
    model.faults().Set(FaultKind::Silence, 0, sim::FaultAlways);
    const Bytes frame = HexBytes("01 24 00 DB");
    uint8_t buffer[8];
    for (int i = 0; i < 10; ++i) {
        port.Write(frame.data(), frame.size());
        port.Read(buffer, 7);
    }
    port.Write(frame.data(), frame.size());
    EXPECT_EQ(model.measurement().clockMs(), 2000u);
}

}  // namespace
