// The termios backend on pseudo-terminals: the test plays the converter on the master side.
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "link/converter_link.h"
#include "link/serial_port.h"
#include "tests/link/link_test_util.h"

namespace {

using Bytes = std::vector<uint8_t>;
using Clock = std::chrono::steady_clock;

// A pseudo-terminal pair; the slave side is what the code under test opens.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) return;
        const char* name = ptsname(master);
        if (name != nullptr) slavePath = name;
    }
    ~PseudoTerminal() {
        if (master >= 0) close(master);
    }
    bool Ready() const { return master >= 0 && slavePath.rfind("/dev/", 0) == 0; }
    // The port name as the link takes it: "pts/N", which the backend finds below /dev.
    std::string PortName() const { return slavePath.substr(5); }

    // Reads exactly count bytes within the time limit; fewer if the time passes.
    Bytes Read(size_t count, int limitMs = 2000) const {
        Bytes bytes;
        auto deadline = Clock::now() + std::chrono::milliseconds(limitMs);
        while (bytes.size() < count) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) break;
            pollfd entry{master, POLLIN, 0};
            if (poll(&entry, 1, static_cast<int>(left.count())) <= 0) break;
            uint8_t buffer[64];
            ssize_t n = read(master, buffer, std::min(sizeof buffer, count - bytes.size()));
            if (n <= 0) break;
            bytes.insert(bytes.end(), buffer, buffer + n);
        }
        return bytes;
    }

    // One request frame: header, then its data and checksum.
    Bytes ReadRequest() const {
        Bytes request = Read(3);
        if (request.size() < 3) return request;
        Bytes rest = Read(request[2] + 1u);
        request.insert(request.end(), rest.begin(), rest.end());
        return request;
    }

    void Write(const Bytes& bytes) const {
        size_t written = 0;
        while (written < bytes.size()) {
            ssize_t n = write(master, bytes.data() + written, bytes.size() - written);
            if (n <= 0) return;
            written += static_cast<size_t>(n);
        }
    }

    int master = -1;
    std::string slavePath;
};

// Runs the converter's side in a thread, joined when the test's scope ends.
class Converter {
  public:
    explicit Converter(std::function<void()> body) : thread(std::move(body)) {}
    ~Converter() { Join(); }
    void Join() {
        if (thread.joinable()) thread.join();
    }

  private:
    std::thread thread;
};

long MillisecondsSince(Clock::time_point start) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

TEST(PosixSerialPort, AConverterLinkTalksThroughAPseudoTerminal) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    std::vector<std::string> requests;
    ConverterLink link(CreateSystemSerialPort());
    ASSERT_TRUE(link.Open(pty.PortName().c_str())) << pty.PortName();
    ASSERT_TRUE(link.IsOpen());

    Converter converter([&] {
        requests.push_back(ScriptedSerialPort::Hex(pty.ReadRequest()));
        pty.Write(HexBytes("06 08 5A 52 33 00 00 00 00 00 13"));
        requests.push_back(ScriptedSerialPort::Hex(pty.ReadRequest()));
        pty.Write(HexBytes("06 02 03 01 F4"));
        requests.push_back(ScriptedSerialPort::Hex(pty.ReadRequest()));
        // The answer in two pieces, the pause well inside the read time-out.
        pty.Write(HexBytes("06 04 00"));
        std::this_thread::sleep_for(std::chrono::milliseconds(40));
        pty.Write(HexBytes("00 40 41 75"));
    });

    const char* identity = link.Identify();
    ASSERT_NE(identity, nullptr);
    EXPECT_STREQ(identity, "ZR3");
    uint16_t version = 0;
    EXPECT_TRUE(link.ReadFirmwareVersion(version));
    EXPECT_EQ(version, 0x0103);
    float start = 12.5f;
    EXPECT_TRUE(link.WriteRangeStart(start));
    EXPECT_EQ(start, 12.0f);
    converter.Join();
    EXPECT_EQ(requests,
              (std::vector<std::string>{"01 21 00 DE", "01 22 00 DD", "01 40 04 00 00 48 41 32"}));
    link.Close();
    EXPECT_FALSE(link.IsOpen());
}

TEST(PosixSerialPort, ASilentConverterFailsAfterTheReadTimeout) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    ConverterLink link(CreateSystemSerialPort());
    ASSERT_TRUE(link.Open(pty.PortName().c_str()));

    uint8_t value = 17;
    auto start = Clock::now();
    EXPECT_FALSE(link.ReadInputDamping(value));
    long elapsed = MillisecondsSince(start);
    EXPECT_EQ(value, 17);
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 5000);
    // The request did go out.
    EXPECT_EQ(pty.Read(4), HexBytes("01 44 00 BB"));
}

TEST(PosixSerialPort, AConverterStoppingMidAnswerFails) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    ConverterLink link(CreateSystemSerialPort());
    ASSERT_TRUE(link.Open(pty.PortName().c_str()));
    Converter converter([&] {
        pty.ReadRequest();
        pty.Write(HexBytes("06 04 00 00"));
    });

    float value = 7.0f;
    auto start = Clock::now();
    EXPECT_FALSE(link.ReadRangeStart(value));
    long elapsed = MillisecondsSince(start);
    EXPECT_EQ(value, 7.0f);
    EXPECT_GE(elapsed, 150);
    EXPECT_LT(elapsed, 5000);
}

TEST(PosixSerialPort, ALateAnswerIsNotTakenForTheNextRequest) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    ConverterLink link(CreateSystemSerialPort());
    ASSERT_TRUE(link.Open(pty.PortName().c_str()));

    float reference = 7.0f;
    EXPECT_FALSE(link.ReadReferenceTemperature(reference));
    EXPECT_EQ(pty.ReadRequest(), HexBytes("01 3F 00 C0"));
    // Its answer (25.0) arrives after the time-out, while nobody reads.
    pty.Write(HexBytes("06 04 00 00 C8 41 ED"));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    Converter converter([&] {
        EXPECT_EQ(pty.ReadRequest(), HexBytes("01 40 00 BF"));
        pty.Write(HexBytes("06 04 00 00 48 41 6D"));
    });

    // Same length, so only dropping it keeps 25.0 from being taken as the start of range.
    float start = 0.0f;
    EXPECT_TRUE(link.ReadRangeStart(start));
    EXPECT_EQ(start, 12.5f);
    EXPECT_EQ(reference, 7.0f);
}

TEST(PosixSerialPort, PurgeDropsPendingInput) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    std::unique_ptr<SerialPort> port = CreateSystemSerialPort();
    // The full device path form: "\\.\" before an absolute path.
    ASSERT_TRUE(port->Open(("\\\\.\\" + pty.slavePath).c_str()));
    port->Configure(LineFlagsBinaryDtrRts, 9600, 8, 0, 0);
    LineTimeouts timeouts;
    timeouts.ReadTotalTimeoutConstant = 200;
    timeouts.WriteTotalTimeoutConstant = 100;
    ASSERT_TRUE(port->SetTimeouts(timeouts));

    pty.Write(HexBytes("AB CD EF 01 02"));
    uint8_t buffer[8] = {};
    // One byte read means the whole write has arrived.
    ASSERT_EQ(port->Read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 0xAB);
    port->Purge(PurgeRxClear | PurgeTxClear);
    EXPECT_EQ(port->Read(buffer, 4), 0u);

    // The line still works after the purge.
    pty.Write(HexBytes("55"));
    ASSERT_EQ(port->Read(buffer, 1), 1u);
    EXPECT_EQ(buffer[0], 0x55);
    EXPECT_EQ(port->Write(HexBytes("01 02 03").data(), 3), 3u);
    EXPECT_EQ(pty.Read(3), HexBytes("01 02 03"));
}

TEST(PosixSerialPort, APseudoTerminalRefusingLowLatencyStillOpensAndTalks) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    // A pseudo-terminal has no serial driver to ask for low latency: it refuses TIOCGSERIAL.
    int observer = open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(observer, 0);
    serial_struct serial{};
    EXPECT_NE(ioctl(observer, TIOCGSERIAL, &serial), 0);
    close(observer);

    ConverterLink link(CreateSystemSerialPort());
    ASSERT_TRUE(link.Open(pty.PortName().c_str()));
    std::thread converter([&] {
        EXPECT_EQ(pty.ReadRequest(), HexBytes("01 21 00 DE"));
        pty.Write(HexBytes("06 08 5A 52 33 00 00 00 00 00 13"));
    });
    const char* identity = link.Identify();
    converter.join();
    ASSERT_NE(identity, nullptr);
    EXPECT_STREQ(identity, "ZR3");
    link.Close();
    EXPECT_FALSE(link.IsOpen());
}

TEST(PosixSerialPort, ConfigureMakesTheLineRaw9600EightNoneOne) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    std::unique_ptr<SerialPort> port = CreateSystemSerialPort();
    ASSERT_TRUE(port->Open(pty.slavePath.c_str()));
    port->Configure(LineFlagsBinaryDtrRts, 9600, 8, 0, 0);

    // The settings belong to the terminal, so a second descriptor sees them.
    int observer = open(pty.slavePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(observer, 0);
    termios settings{};
    ASSERT_EQ(tcgetattr(observer, &settings), 0);
    close(observer);
    EXPECT_EQ(cfgetispeed(&settings), B9600);
    EXPECT_EQ(cfgetospeed(&settings), B9600);
    EXPECT_EQ(settings.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
    EXPECT_EQ(settings.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(settings.c_lflag & (ICANON | ECHO | ISIG), 0u);
    EXPECT_EQ(settings.c_iflag & (IXON | IXOFF | ICRNL | ISTRIP), 0u);
    EXPECT_EQ(settings.c_oflag & OPOST, 0u);
}

TEST(PosixSerialPort, ReadsHonourTheTimeoutRecord) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    std::unique_ptr<SerialPort> port = CreateSystemSerialPort();
    ASSERT_TRUE(port->Open(pty.slavePath.c_str()));
    port->Configure(LineFlagsBinaryDtrRts, 9600, 8, 0, 0);

    // Total time-out: constant plus multiplier per byte asked for.
    LineTimeouts total;
    total.ReadTotalTimeoutMultiplier = 20;
    total.ReadTotalTimeoutConstant = 100;
    ASSERT_TRUE(port->SetTimeouts(total));
    uint8_t buffer[8] = {};
    auto start = Clock::now();
    EXPECT_EQ(port->Read(buffer, 5), 0u);
    EXPECT_GE(MillisecondsSince(start), 150);

    // Interval time-out: after the first byte, a gap longer than the interval ends the read.
    LineTimeouts interval;
    interval.ReadIntervalTimeout = 50;
    interval.ReadTotalTimeoutConstant = 3000;
    ASSERT_TRUE(port->SetTimeouts(interval));
    pty.Write(HexBytes("11 22"));
    start = Clock::now();
    EXPECT_EQ(port->Read(buffer, 8), 2u);
    EXPECT_LT(MillisecondsSince(start), 2500);

    // The largest interval and no total: return at once with what has arrived.
    pty.Write(HexBytes("33 44 55"));
    ASSERT_TRUE(port->SetTimeouts(total));
    ASSERT_EQ(port->Read(buffer, 1), 1u);
    LineTimeouts immediate;
    immediate.ReadIntervalTimeout = 0xFFFFFFFF;
    ASSERT_TRUE(port->SetTimeouts(immediate));
    EXPECT_EQ(port->Read(buffer, 8), 2u);
    EXPECT_EQ(buffer[0], 0x44);
    EXPECT_EQ(buffer[1], 0x55);
    EXPECT_EQ(port->Read(buffer, 8), 0u);
}

TEST(PosixSerialPort, AClosedOrMissingPortDoesNothing) {
    std::unique_ptr<SerialPort> port = CreateSystemSerialPort();
    EXPECT_FALSE(port->IsOpen());
    EXPECT_FALSE(port->Open("\\\\.\\/nonexistent/zr3-port"));
    EXPECT_FALSE(port->Open("\\\\.\\ZR3NOPORT"));
    EXPECT_FALSE(port->IsOpen());
    EXPECT_EQ(port->LastOpenProblem().failure, OpenFailure::NoSuchDevice);
    EXPECT_FALSE(port->Open("/dev/null"));
    EXPECT_EQ(port->LastOpenProblem().failure, OpenFailure::NotATerminal);
    uint8_t buffer[4] = {1, 2, 3, 4};
    EXPECT_EQ(port->Read(buffer, 4), 0u);
    EXPECT_EQ(port->Write(buffer, 4), 0u);
    EXPECT_FALSE(port->SetTimeouts(LineTimeouts{}));
    port->Configure(LineFlagsBinaryDtrRts, 9600, 8, 0, 0);
    port->Purge(0x0F);
    port->Close();

    ConverterLink link(CreateSystemSerialPort());
    EXPECT_FALSE(link.Open("ZR3NOPORT"));
    EXPECT_FALSE(link.IsOpen());
}

}  // namespace

TEST(PosixSerialPort, AClosedPseudoTerminalIsAGoneLineAndSilenceIsNot) {
    PseudoTerminal pty;
    ASSERT_TRUE(pty.Ready());
    ConverterLink link(CreateSystemSerialPort());
    ASSERT_TRUE(link.Open(pty.PortName().c_str()));
    SerialPort& port = link.port();

    // A time-out never counts.
    uint8_t value = 17;
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_FALSE(port.LineGone());
    EXPECT_EQ(pty.Read(4), HexBytes("01 44 00 BB"));

    // The converter's side closes: the next exchange fails at once and says why.
    close(pty.master);
    pty.master = -1;
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_TRUE(port.LineGone());
    EXPECT_EQ(value, 17);
    uint8_t byte = 0;
    EXPECT_EQ(port.Read(&byte, 1), 0u);
    EXPECT_TRUE(port.LineGone());

    // Closing forgets it; a closed port has no line to lose.
    link.Close();
    EXPECT_FALSE(port.LineGone());
}
