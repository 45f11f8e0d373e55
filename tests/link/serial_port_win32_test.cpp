// The Win32 backend on a COM port whose far end is played by tests/link/pty_converter.py (which
// points the port at a pseudo-terminal and passes its name in ZR3_TEST_PORT).
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "link/converter_link.h"
#include "link/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;

long MillisecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(Win32SerialPort, AMissingPortFailsAndAClosedPortDoesNothing) {
    std::unique_ptr<SerialPort> port = CreateSystemSerialPort();
    EXPECT_FALSE(port->IsOpen());
    EXPECT_FALSE(port->Open("\\\\.\\COM219"));
    EXPECT_FALSE(port->IsOpen());
    uint8_t buffer[4] = {1, 2, 3, 4};
    EXPECT_EQ(port->Read(buffer, 4), 0u);
    EXPECT_EQ(port->Write(buffer, 4), 0u);
    EXPECT_FALSE(port->SetTimeouts(LineTimeouts{}));
    port->Configure(LineFlagsBinaryDtrRts, 9600, 8, 0, 0);
    port->Purge(0x0F);
    port->Close();

    ConverterLink link(CreateSystemSerialPort());
    EXPECT_FALSE(link.Open("COM219"));
    EXPECT_FALSE(link.IsOpen());
}

TEST(Win32SerialPort, AConverterLinkTalksThroughACommPort) {
    const char* name = std::getenv("ZR3_TEST_PORT");
    if (name == nullptr || name[0] == '\0') GTEST_SKIP() << "run through pty_converter.py";

    ConverterLink link(CreateSystemSerialPort());
    ASSERT_TRUE(link.Open(name));
    const char* identity = link.Identify();
    ASSERT_NE(identity, nullptr);
    EXPECT_STREQ(identity, "ZR3");

    uint16_t version = 0;
    EXPECT_TRUE(link.ReadFirmwareVersion(version));
    EXPECT_EQ(version, 0x0103);

    // Answered in two pieces.
    float start = 12.5f;
    EXPECT_TRUE(link.WriteRangeStart(start));
    EXPECT_EQ(start, 12.0f);

    // Silence: the read time-out ends the exchange.
    uint8_t damping = 17;
    auto begin = Clock::now();
    EXPECT_FALSE(link.ReadInputDamping(damping));
    long elapsed = MillisecondsSince(begin);
    EXPECT_EQ(damping, 17);
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 5000);
    EXPECT_FALSE(link.port().LineGone()) << "a time-out is no gone line";

    // An answer that stops in the middle.
    float end = 3.0f;
    EXPECT_FALSE(link.ReadRangeEnd(end));
    EXPECT_EQ(end, 3.0f);

    // A checksum error purges; the line works on afterwards.
    uint8_t tempDamping = 9;
    EXPECT_FALSE(link.ReadTempDamping(tempDamping));
    EXPECT_EQ(tempDamping, 9);
    uint8_t mode = 0;
    EXPECT_TRUE(link.ReadCompensationMode(mode));
    EXPECT_EQ(mode, 2);
    EXPECT_FALSE(link.port().LineGone());

    // The terminal closed at its far end, as an adapter pulled out: Wine fails the next write
    // (ERROR_NOT_READY), while its reads only time out.
    int32_t serial = 0;
    EXPECT_FALSE(link.ReadSerialNumber(serial));
    for (int i = 0; i < 20 && !link.port().LineGone(); ++i)
        link.ReadSerialNumber(serial);
    EXPECT_TRUE(link.port().LineGone());
    link.Close();
    EXPECT_FALSE(link.IsOpen());
}

}  // namespace
