// The termios backend and the tool's link against zr3sim on a pseudo-terminal.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "base/hex_text.h"
#include "link/converter_link.h"
#include "tests/realport/exchange_checks.h"
#include "tests/realport/sim_process.h"

namespace {

using Clock = std::chrono::steady_clock;

// zr3sim on a pseudo-terminal and the tool's link on it.
struct Connection {
    SimProcess sim;
    RecordedLink line;
    ConverterLink* link = nullptr;

    explicit Connection(std::vector<std::string> arguments = {"--no-noise", "--no-drift"}) {
        if (!sim.Start(arguments)) {
            ADD_FAILURE() << "zr3sim did not start";
            return;
        }
        EXPECT_TRUE(line.Open(sim.portName())) << sim.portName();
        link = line.link.get();
    }
};

TEST(RealPort, IdentityAndEveryTransferType) {
    Connection c({"--no-noise", "--no-drift", "--serial", "-7", "--firmware", "1.02"});
    ASSERT_TRUE(c.link);
    ASSERT_NO_FATAL_FAILURE(CheckEveryTransferType(*c.link, {0x0102, -7}));
    const auto show = c.sim.Command("show");
    EXPECT_NE(std::find(show.begin(), show.end(), "probe 0 0.95 0.001 -0.5"), show.end());
    EXPECT_NE(std::find(show.begin(), show.end(), "relay 250.5 240.25 7 65535"), show.end());
}

TEST(RealPort, TimeOutChecksumAndSlowAnswers) {
    Connection c;
    ASSERT_TRUE(c.link);
    CheckFaultsAndRecovery(c.line, [&](const std::string& command) { return c.sim.Ok(command); });
}

TEST(RealPort, SensorChosenThroughTheLinkChangesTheLiveValues) {
    Connection c;
    ASSERT_TRUE(c.link);
    ConverterLink& link = *c.link;
    float ohms = 0, celsius = 0, conductance = 0, value = 0, ratio = 0;
    ASSERT_TRUE(link.ReadResistance(ohms));
    EXPECT_NEAR(ohms, 109.7347f, 0.0005f);

    // The thermistor, written as the tool writes a chosen sensor.
    const SensorTable ntc = {std::bit_cast<float>(0x3AA5D685u), std::bit_cast<float>(0x3995E76Fu),
                             std::bit_cast<float>(0xB698CC71u), std::bit_cast<float>(0x343FBD78u),
                             0.0f};
    EXPECT_TRUE(link.WriteLowerResistanceLimit(200.0f));
    EXPECT_TRUE(link.WriteUpperResistanceLimit(33300.0f));
    EXPECT_TRUE(link.WriteSensorTable(ntc));
    EXPECT_TRUE(link.WriteSensorDegree(3));
    EXPECT_TRUE(link.WriteSensorKind(1));
    ASSERT_TRUE(link.ReadResistance(ohms));
    EXPECT_NEAR(ohms, 109.7347f, 0.0005f);  // not yet committed
    ASSERT_TRUE(link.CommitSensor());
    ASSERT_TRUE(link.ReadResistance(ohms));
    EXPECT_NEAR(ohms, 3001.03f, 0.05f);
    ASSERT_TRUE(link.ReadTemperature(celsius));
    EXPECT_NEAR(celsius, 25.0f, 0.04f);

    ASSERT_TRUE(c.sim.Ok("set temperature 100"));
    ASSERT_TRUE(link.ReadResistance(ohms));
    EXPECT_NEAR(ohms, 200.627f, 0.005f);
    ASSERT_TRUE(c.sim.Ok("set temperature 101"));
    ASSERT_TRUE(link.ReadResistance(ohms));
    EXPECT_EQ(std::bit_cast<uint32_t>(ohms), 0xFFFFFFFFu);  // below the lower limit of 200
    ASSERT_TRUE(link.ReadTemperature(celsius));
    EXPECT_EQ(std::bit_cast<uint32_t>(celsius), 0xFFFFFFFFu);

    ASSERT_TRUE(c.sim.Ok("set temperature 25"));
    ASSERT_TRUE(c.sim.Ok("set conductivity 1000"));
    ASSERT_TRUE(link.ReadConductance(conductance));
    EXPECT_NEAR(conductance, 1000.0f, 0.01f);
    // Compensated with the thermistor's reading, some hundredths of a kelvin off.
    ASSERT_TRUE(link.ReadConductivity(value));
    EXPECT_NEAR(value, 1000.0f, 1.0f);
    ASSERT_TRUE(link.ReadRatio(ratio));
    EXPECT_NEAR(ratio, 0.5f, 0.0005f);
    ASSERT_TRUE(c.sim.Ok("sensor broken on"));
    ASSERT_TRUE(link.ReadTemperature(celsius));
    EXPECT_EQ(std::bit_cast<uint32_t>(celsius), 0xFFFFFFFFu);
}

TEST(RealPort, LineTimingMakesAnExchangeTakeItsLineTime) {
    Connection c({"--line-timing", "--reaction-ms", "3"});
    ASSERT_TRUE(c.link);
    float ohms = 0;
    ASSERT_TRUE(c.link->ReadResistance(ohms));  // first exchange warms the path up
    const auto start = Clock::now();
    for (int i = 0; i < 5; ++i)
        ASSERT_TRUE(c.link->ReadResistance(ohms));
    // 4 + 7 bytes at 9600 baud and 3 ms reaction: at least 14.4 ms per exchange.
    EXPECT_GE(MillisecondsSince(start) / 5, 14.0);
}

TEST(RealPort, ClientsMayCloseAndReopen) {
    Connection c;
    ASSERT_TRUE(c.link);
    CheckCloseAndReopen(*c.link, c.sim.portName(), {});
}

TEST(RealPortProgram, LinkTraceControlFifoAndCleanExit) {
    const std::string dir = "/tmp/zr3sim-test-" + std::to_string(getpid());
    ASSERT_EQ(mkdir(dir.c_str(), 0700), 0);
    const std::string link = dir + "/com", trace = dir + "/trace", fifo = dir + "/control";
    {
        SimProcess sim;
        ASSERT_TRUE(sim.Start({"--link", link, "--trace", trace, "--control", fifo, "--identity",
                               "ZR3", "--fault", "checksum next"}));
        char target[256] = {};
        ASSERT_GT(readlink(link.c_str(), target, sizeof(target) - 1), 0);
        EXPECT_EQ(std::string(target), sim.path());

        ConverterLink converter;
        ASSERT_TRUE(converter.Open(sim.portName().c_str()));
        EXPECT_EQ(converter.Identify(), nullptr);  // the fault given at the start
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        ASSERT_NE(converter.Identify(), nullptr);

        // Commands through the FIFO apply to the next request.
        {
            std::ofstream control(fifo);
            control << "fault silence next\n" << std::flush;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        uint8_t value = 0;
        EXPECT_FALSE(converter.ReadInputDamping(value));
        EXPECT_TRUE(converter.ReadInputDamping(value));

        // The end of stdin does not stop it by default.
        sim.CloseStdin();
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        EXPECT_TRUE(converter.ReadInputDamping(value));
        EXPECT_EQ(sim.Stop(), 0);
    }
    struct stat st {};
    EXPECT_NE(lstat(link.c_str(), &st), 0);  // link removed
    EXPECT_NE(lstat(fifo.c_str(), &st), 0);  // FIFO made by it, removed
    std::ifstream in(trace);
    std::stringstream text;
    text << in.rdbuf();
    const std::string lines = text.str();
    EXPECT_NE(lines.find(" > 01 21 00 DE\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find(" < 06 08 5A 52 33 00 00 00 00 00 14 (fault checksum)\n"),
              std::string::npos)
        << lines;
    EXPECT_NE(lines.find(" < 06 08 5A 52 33 00 00 00 00 00 13\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find(" < (fault silence)\n"), std::string::npos) << lines;
    EXPECT_NE(lines.find(" > 01 44 00 BB\n"), std::string::npos) << lines;
    unlink(trace.c_str());
    rmdir(dir.c_str());
}

// Raw bytes on the master side of a pseudo-terminal whose slave zr3sim serves as a device.
std::string Exchange(int master, const std::string& hex, int waitMs = 300) {
    const std::vector<uint8_t> bytes = HexBytes(hex);
    if (write(master, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return "!";
    std::vector<uint8_t> answer;
    pollfd entry{master, POLLIN, 0};
    while (poll(&entry, 1, waitMs) > 0) {
        uint8_t chunk[64];
        const ssize_t n = read(master, chunk, sizeof(chunk));
        if (n <= 0) break;
        answer.insert(answer.end(), chunk, chunk + n);
    }
    return HexText(answer);
}

TEST(RealPortProgram, ServesADeviceAndForgetsAFrameBrokenByAPause) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const std::string slave = ptsname(master);
    termios raw{};
    {
        // Raw both ways until zr3sim sets the line up itself.
        const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        tcgetattr(fd, &raw);
        cfmakeraw(&raw);
        tcsetattr(fd, TCSANOW, &raw);
        close(fd);
    }
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--device", slave}));
    EXPECT_EQ(sim.path(), slave);
    EXPECT_EQ(Exchange(master, "01 22 00 DD"), "06 02 03 01 F4");
    // The start of a 20-byte write, then a pause: the converter gives up on it.
    EXPECT_EQ(Exchange(master, "01 3C 14 00 00", 250), "");
    EXPECT_EQ(Exchange(master, "01 21 00 DE"), "06 08 5A 52 33 00 00 00 00 00 13");
    EXPECT_EQ(sim.Stop(), 0);
    close(master);
}

TEST(RealPortProgram, EndOfStdinQuitsWhenAsked) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start({"--stdin-eof-quits"}));
    sim.CloseStdin();
    EXPECT_EQ(sim.WaitExit(3000), 0);
}

TEST(RealPortProgram, QuitCommandEndsIt) {
    SimProcess sim;
    ASSERT_TRUE(sim.Start({}));
    const auto reply = sim.Command("quit");
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply.back(), "ok bye");
    EXPECT_EQ(sim.WaitExit(3000), 0);
}

TEST(RealPortProgram, HelpAndBadOptions) {
    const ProgramRun help = RunSimToEnd({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: zr3sim"), std::string::npos);
    EXPECT_NE(help.out.find("--line-timing"), std::string::npos);
    EXPECT_NE(help.out.find("fault KIND"), std::string::npos);

    for (const std::vector<std::string>& bad : {std::vector<std::string>{"--bogus"},
                                                {"--identity", "NINECHARS"},
                                                {"--firmware", "x"},
                                                {"--fault", "thunder"},
                                                {"--reaction-ms", "-1"},
                                                {"--serial"},
                                                {"--no-noise=1"},
                                                {"--output-variant", "300"},
                                                {"--cell-constant", "0"}}) {
        const ProgramRun run = RunSimToEnd(bad);
        EXPECT_EQ(run.status, 2) << bad[0];
        EXPECT_NE(run.err.find("zr3sim: "), std::string::npos) << bad[0];
        EXPECT_TRUE(run.out.empty()) << bad[0];
    }
    const ProgramRun missing = RunSimToEnd({"--device", "/nonexistent/tty"});
    EXPECT_EQ(missing.status, 1);
}

}  // namespace
