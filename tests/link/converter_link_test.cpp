#include "link/converter_link.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tests/link/link_test_util.h"
#include "tests/support/scripted_link.h"

namespace {

using Strings = std::vector<std::string>;

TEST(ConverterLinkOpen, OpensTheDevicePathWithTheConverterLineSettings) {
    ScriptedLink scripted(nullptr);
    ScriptedSerialPort& port = scripted.Port();
    EXPECT_FALSE(scripted.Link().IsOpen());

    ASSERT_TRUE(scripted.Link().Open("COM3"));
    EXPECT_TRUE(scripted.Link().IsOpen());
    EXPECT_EQ(port.OpenedPaths(), Strings{"\\\\.\\COM3"});
    ASSERT_EQ(port.Configurations().size(), 1u);
    EXPECT_EQ(port.Configurations()[0], (ScriptedSerialPort::Configuration{0x1011, 9600, 8, 0, 0}));
    ASSERT_EQ(port.Timeouts().size(), 1u);
    const LineTimeouts& t = port.Timeouts()[0];
    EXPECT_EQ(t.ReadIntervalTimeout, 0u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 200u);
    EXPECT_EQ(t.WriteTotalTimeoutMultiplier, 0u);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 100u);
    EXPECT_TRUE(port.Writes().empty());
}

TEST(ConverterLinkOpen, AnEmptyNameKeepsTheOpenPortOpen) {
    ScriptedLink scripted("COM1");
    scripted.Port().ClearRecord();
    EXPECT_FALSE(scripted.Link().Open(""));
    EXPECT_FALSE(scripted.Link().Open(nullptr));
    EXPECT_TRUE(scripted.Link().IsOpen());
    EXPECT_TRUE(scripted.Port().Events().empty());
}

TEST(ConverterLinkOpen, AnotherOpenClosesThePreviousPortFirst) {
    ScriptedLink scripted("COM1");
    scripted.Port().ClearRecord();
    ASSERT_TRUE(scripted.Link().Open("COM12"));
    EXPECT_EQ(scripted.Port().Events(),
              (Strings{"Purge 000F", "Close", "Open \\\\.\\COM12", "Configure", "SetTimeouts"}));
}

TEST(ConverterLinkOpen, AMissingPortLeavesTheLinkClosed) {
    ScriptedLink scripted("COM1");
    scripted.Port().FailOpen();
    EXPECT_FALSE(scripted.Link().Open("COM9"));
    EXPECT_FALSE(scripted.Link().IsOpen());
    EXPECT_EQ(scripted.Port().CloseCount(), 1);
    EXPECT_EQ(scripted.Port().OpenedPaths().back(), "\\\\.\\COM9");
    // Nothing is sent on a link whose port did not open.
    uint8_t value = 9;
    EXPECT_FALSE(scripted.Link().ReadInputDamping(value));
    EXPECT_TRUE(scripted.Port().Writes().empty());
}

TEST(ConverterLinkOpen, PortNamesMustFitTheDevicePath) {
    ScriptedLink scripted(nullptr);
    ASSERT_TRUE(scripted.Link().Open("ABCDEFGHIJK"));  // 11 characters: "\\.\" + 11 + zero = 16
    EXPECT_EQ(scripted.Port().OpenedPaths(), Strings{"\\\\.\\ABCDEFGHIJK"});

    EXPECT_FALSE(scripted.Link().Open("ABCDEFGHIJKL"));
    EXPECT_FALSE(scripted.Link().Open("COM1234567890123456789"));
    EXPECT_FALSE(scripted.Link().IsOpen());
    EXPECT_EQ(scripted.Port().OpenedPaths().size(), 1u);
}

// Line settings that the driver refuses do not make the open fail.
class RefusingPort : public ScriptedSerialPort {
  public:
    bool SetTimeouts(const LineTimeouts& timeouts) override {
        ScriptedSerialPort::SetTimeouts(timeouts);
        return false;
    }
};

TEST(ConverterLinkOpen, RefusedTimeoutsStillGiveAnOpenLink) {
    ConverterLink link(std::make_unique<RefusingPort>());
    EXPECT_TRUE(link.Open("COM2"));
    EXPECT_TRUE(link.IsOpen());
}

// Logs Purge and Close into a record that outlives the port.
class LoggingPort : public ScriptedSerialPort {
  public:
    explicit LoggingPort(Strings& log) : log(log) {}
    void Purge(uint32_t flags) override {
        if (IsOpen()) log.push_back("Purge " + std::to_string(flags));
        ScriptedSerialPort::Purge(flags);
    }
    void Close() override {
        if (IsOpen()) log.push_back("Close");
        ScriptedSerialPort::Close();
    }
    Strings& log;
};

TEST(ConverterLinkClose, PurgesEverythingThenCloses) {
    ScriptedLink scripted("COM1");
    scripted.Port().ClearRecord();
    scripted.Link().Close();
    EXPECT_EQ(scripted.Port().Events(), (Strings{"Purge 000F", "Close"}));
    EXPECT_FALSE(scripted.Link().IsOpen());
    scripted.Link().Close();
    EXPECT_EQ(scripted.Port().Events().size(), 2u);
}

TEST(ConverterLinkClose, TheDestructorClosesWithThePurgeOfClose) {
    Strings log;
    {
        ConverterLink link(std::make_unique<LoggingPort>(log));
        ASSERT_TRUE(link.Open("COM1"));
    }
    EXPECT_EQ(log, (Strings{"Purge 15", "Close"}));
}

TEST(ConverterLinkClose, IdentityAndVersionOutliveTheConnection) {
    ScriptedLink scripted("COM1");
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 08 5A 52 33 00 00 00 00 00 13"));
    port.QueueAnswer(HexBytes("06 02 03 01 F4"));
    ASSERT_NE(scripted.Link().Identify(), nullptr);
    uint16_t version = 0;
    ASSERT_TRUE(scripted.Link().ReadFirmwareVersion(version));
    scripted.Link().Close();
    ASSERT_TRUE(scripted.Link().Open("COM2"));
    EXPECT_STREQ(scripted.Link().identity(), "ZR3");
    EXPECT_EQ(scripted.Link().firmwareVersion(), 0x0103);
}

TEST(ConverterLinkFrames, IdentityRequestAndAnswer) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 08 5A 52 33 00 00 00 00 00 13"));
    const char* identity = scripted.Link().Identify();
    EXPECT_EQ(WrittenFrames(port), Strings{"01 21 00 DE"});
    ASSERT_NE(identity, nullptr);
    EXPECT_STREQ(identity, "ZR3");
    EXPECT_EQ(identity, scripted.Link().identity());
}

TEST(ConverterLinkFrames, IdentityIsAlwaysATerminatedTextOfAtMostEight) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 08 41 42 43 44 45 46 47 48 CE"));
    ASSERT_NE(scripted.Link().Identify(), nullptr);
    EXPECT_EQ(std::strlen(scripted.Link().identity()), 8u);
    EXPECT_STREQ(scripted.Link().identity(), "ABCDEFGH");

    // A failed identify answers nothing and keeps the text.
    port.QueueAnswer(HexBytes("06 08 41 42 43 44 45 46 47 48 CF"));
    EXPECT_EQ(scripted.Link().Identify(), nullptr);
    EXPECT_STREQ(scripted.Link().identity(), "ABCDEFGH");

    // What follows the converter's zero byte is not part of the text.
    port.QueueSilence();  // the line is quiet after the failure
    port.QueueAnswer(HexBytes("06 08 5A 52 33 00 78 79 7A 21 87"));
    ASSERT_NE(scripted.Link().Identify(), nullptr);
    EXPECT_STREQ(scripted.Link().identity(), "ZR3");

    // A shorter answer is no identity.
    port.QueueFrame({'Z', 'R', '3', 0});
    EXPECT_EQ(scripted.Link().Identify(), nullptr);
}

TEST(ConverterLinkFrames, FirmwareVersionIsAWordLowByteFirst) {
    ScriptedLink scripted;
    scripted.Port().QueueAnswer(HexBytes("06 02 03 01 F4"));
    uint16_t version = 0;
    EXPECT_TRUE(scripted.Link().ReadFirmwareVersion(version));
    EXPECT_EQ(WrittenFrames(scripted.Port()), Strings{"01 22 00 DD"});
    EXPECT_EQ(version, 0x0103);
    EXPECT_EQ(scripted.Link().firmwareVersion(), 0x0103);
}

TEST(ConverterLinkFrames, AFailedVersionReadHandsBackTheStoredVersion) {
    ScriptedLink fresh;
    uint16_t version = 0xBEEF;
    EXPECT_FALSE(fresh.Link().ReadFirmwareVersion(version));
    EXPECT_EQ(version, 0);

    ScriptedLink scripted;
    scripted.Port().QueueAnswer(HexBytes("06 02 03 01 F4"));
    ASSERT_TRUE(scripted.Link().ReadFirmwareVersion(version));
    scripted.Port().QueueAnswer(HexBytes("06 02 05 02 F2"));  // checksum off by one
    version = 0xBEEF;
    EXPECT_FALSE(scripted.Link().ReadFirmwareVersion(version));
    EXPECT_EQ(version, 0x0103);

    scripted.Link().Close();
    version = 0xBEEF;
    EXPECT_FALSE(scripted.Link().ReadFirmwareVersion(version));
    EXPECT_EQ(version, 0x0103);
    EXPECT_EQ(scripted.Link().firmwareVersion(), 0x0103);
}

TEST(ConverterLinkFrames, ByteReadAndWrite) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 01 05 F4"));
    uint8_t value = 0;
    EXPECT_TRUE(scripted.Link().ReadByte(0x44, value));
    EXPECT_EQ(value, 5);

    port.QueueAnswer(HexBytes("06 01 05 F4"));
    value = 5;
    EXPECT_TRUE(scripted.Link().WriteByte(0x44, value));
    EXPECT_EQ(WrittenFrames(port), (Strings{"01 44 00 BB", "01 44 01 05 B5"}));
}

TEST(ConverterLinkFrames, FloatWriteCarriesTheBitPatternAndTakesTheAnswer) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 04 00 00 40 41 75"));
    float value = 12.5f;
    EXPECT_TRUE(scripted.Link().WriteFloat(0x40, value));
    EXPECT_EQ(WrittenFrames(port), Strings{"01 40 04 00 00 48 41 32"});
    EXPECT_EQ(value, 12.0f);
}

TEST(ConverterLinkFrames, TheCommandIsAcknowledgedByAnEmptyAnswer) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 00 FA"));
    EXPECT_TRUE(scripted.Link().CommitSensor());
    EXPECT_EQ(WrittenFrames(port), Strings{"01 2C 01 00 D2"});

    port.QueueAnswer(HexBytes("06 01 00 F9"));
    EXPECT_FALSE(scripted.Link().CommitSensor());
    EXPECT_TRUE(port.Purges().empty());
}

TEST(ConverterLinkFrames, RequestsLongerThanTheFrameAreNotSent) {
    ScriptedLink scripted;
    EXPECT_EQ(scripted.Link().SendRequest(0x3C, ConverterLink::MaxRequestLength + 1), 0u);
    EXPECT_EQ(scripted.Link().SendRequest(0x3C, 255), 0u);
    EXPECT_TRUE(scripted.Port().Writes().empty());
    EXPECT_EQ(scripted.Link().SendRequest(0x3C, ConverterLink::MaxRequestLength),
              ConverterLink::FrameSize);
    ASSERT_EQ(scripted.Port().Writes().size(), 1u);
    EXPECT_EQ(scripted.Port().Writes()[0].size(), ConverterLink::FrameSize);
    uint8_t sum = 0;
    for (uint8_t b : scripted.Port().Writes()[0])
        sum = static_cast<uint8_t>(sum + b);
    EXPECT_EQ(sum, 0);
}

TEST(ConverterLinkAnswers, AChecksumErrorPurgesAndKeepsTheValue) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 01 05 F5"));
    uint8_t value = 77;
    EXPECT_FALSE(scripted.Link().ReadByte(0x44, value));
    EXPECT_EQ(value, 77);
    EXPECT_EQ(port.Purges(), std::vector<uint32_t>{0x000C});

    // A float write that fails keeps what the caller typed.
    port.QueueSilence();
    port.QueueAnswer(HexBytes("06 04 00 00 40 41 76"));
    float typed = 12.5f;
    EXPECT_FALSE(scripted.Link().WriteFloat(0x40, typed));
    EXPECT_EQ(typed, 12.5f);
    // The second purge is the one before the write, after the first failure.
    EXPECT_EQ(port.Purges(), (std::vector<uint32_t>{0x000C, 0x000C, 0x000C}));
}

TEST(ConverterLinkAnswers, AWrongLengthFailsWithoutPurge) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 02 05 00 F3"));
    uint8_t value = 77;
    EXPECT_FALSE(scripted.Link().ReadByte(0x44, value));
    EXPECT_EQ(value, 77);
    EXPECT_TRUE(port.Purges().empty());
    EXPECT_EQ(port.PendingInput(), 0u);  // the whole well-formed answer was taken
}

TEST(ConverterLinkAnswers, AHeaderThatCannotStartAnAnswerIsReadAlone) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    uint8_t value = 77;

    // Negative answer: two bytes read, checksum of the two fails, purge.
    port.QueueAnswer(HexBytes("15 01 05 E5"));
    EXPECT_FALSE(scripted.Link().ReadByte(0x44, value));
    EXPECT_EQ(port.PendingInput(), 2u);
    EXPECT_EQ(port.Purges(), std::vector<uint32_t>{0x000C});

    // Length 62: two bytes read, purge.
    ScriptedLink large;
    std::vector<uint8_t> answer = {0x06, 62};
    answer.resize(2 + 62 + 1, 0x00);
    large.Port().QueueAnswer(answer);
    EXPECT_FALSE(large.Link().ReadByte(0x44, value));
    EXPECT_EQ(large.Port().PendingInput(), 63u);
    EXPECT_EQ(large.Port().Purges(), std::vector<uint32_t>{0x000C});

    // Header bytes that sum to zero: no purge, still a failure, even for a caller that asks for
    // that length.
    ScriptedLink zero;
    zero.Port().QueueAnswer(HexBytes("06 FA 15 EB"));
    EXPECT_FALSE(zero.Link().ReceiveAnswer(0xFA));
    EXPECT_EQ(zero.Port().PendingInput(), 2u);
    EXPECT_TRUE(zero.Port().Purges().empty());
    // The next request first reads the two left over, then purges once the line is quiet.
    EXPECT_FALSE(zero.Link().ReadByte(0x44, value));
    EXPECT_EQ(zero.Port().PendingInput(), 0u);
    EXPECT_EQ(zero.Port().Purges(), std::vector<uint32_t>{0x000C});
    EXPECT_EQ(value, 77);
}

TEST(ConverterLinkAnswers, TheLargestAnswerFillsTheFrameExactly) {
    ScriptedLink scripted;
    std::vector<uint8_t> data(ConverterLink::MaxAnswerLength);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<uint8_t>(0xA0 + i);
    scripted.Port().QueueFrame(data);
    ASSERT_TRUE(scripted.Link().ReceiveAnswer(61));
    const uint8_t* frame = scripted.Link().frameBytes();
    EXPECT_EQ(frame[1], 61);
    EXPECT_EQ(frame[2], 0xA0);
    EXPECT_EQ(frame[62], 0xA0 + 60);
    EXPECT_EQ(frame[63], ScriptedSerialPort::AnswerFrame(data).back());
}

TEST(ConverterLinkAnswers, SilenceOrACutAnswerFailsWithoutPurge) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    float value = 1.5f;
    EXPECT_FALSE(scripted.Link().ReadFloat(0x40, value));  // nothing at all
    EXPECT_TRUE(port.Purges().empty());

    for (const char* cut : {"06", "06 04 00 00", "06 04 00 00 40 41"}) {
        SCOPED_TRACE(cut);
        port.QueueSilence();  // the line is quiet after the failure
        port.QueueAnswer(HexBytes(cut));
        port.ClearRecord();
        EXPECT_FALSE(scripted.Link().ReadFloat(0x40, value));
        // Only the purge before the request, none after the cut answer.
        EXPECT_EQ(port.Purges(), std::vector<uint32_t>{0x000C});
        EXPECT_EQ(port.Events()[1], "Purge 000C");
    }
    EXPECT_EQ(value, 1.5f);
}

TEST(ConverterLinkAnswers, AnAnswerArrivingInPiecesIsCollected) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.OneChunkPerRead();
    for (uint8_t b : HexBytes("06 04 00 00 40 41 75"))
        port.QueueAnswer({b});
    float value = 0.0f;
    EXPECT_TRUE(scripted.Link().ReadFloat(0x40, value));
    EXPECT_EQ(value, 12.0f);
    EXPECT_EQ(port.ReadCount(), 7u);

    // A pause longer than the time-out in the middle ends the exchange.
    port.QueueAnswer(HexBytes("06 04 00"));
    port.QueueSilence();
    port.QueueAnswer(HexBytes("00 40 41 75"));
    value = 3.0f;
    EXPECT_FALSE(scripted.Link().ReadFloat(0x40, value));
    EXPECT_EQ(value, 3.0f);
    EXPECT_TRUE(port.Purges().empty());
}

TEST(ConverterLinkAnswers, TransfersOnAClosedLinkFailAtOnce) {
    ScriptedLink scripted(nullptr);
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 01 05 F4"));
    uint8_t value = 7;
    EXPECT_FALSE(scripted.Link().ReadInputDamping(value));
    EXPECT_FALSE(scripted.Link().WriteByte(0x44, value));
    EXPECT_EQ(scripted.Link().Identify(), nullptr);
    EXPECT_EQ(value, 7);
    EXPECT_TRUE(port.Writes().empty());
    EXPECT_EQ(port.ReadCount(), 0u);
    EXPECT_EQ(port.PendingInput(), 4u);
}

// Known failure: the answer to the start of range comes after the time-out. The next request
// first reads until one read passes without a byte, then purges; only then is it written.
TEST(ConverterLinkAnswers, AfterAFailureTheNextRequestWaitsForAQuietLine) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.ClearRecord();
    port.QueueSilence();                                 // the time-out passes ...
    port.QueueAnswer(HexBytes("06 04 00 00 48 41 6D"));  // ... then the answer 12.5 arrives
    port.QueueSilence();
    port.QueueSilence();                                 // the line stays quiet for a whole read
    port.QueueAnswer(HexBytes("06 04 00 00 FA 44 B8"));  // 2000, the answer to the next request
    float start = 1.0f;
    EXPECT_FALSE(scripted.Link().ReadRangeStart(start));
    EXPECT_EQ(start, 1.0f);
    float end = 0.0f;
    EXPECT_TRUE(scripted.Link().ReadRangeEnd(end));
    EXPECT_EQ(end, 2000.0f);
    EXPECT_EQ(port.Events(), (Strings{"Write 01 40 00 BF", "Read 0/2", "Read 7/64", "Read 0/64",
                                      "Purge 000C", "Write 01 41 00 BE", "Read 2/2", "Read 5/5"}));

    // After a success the next request goes out at once.
    port.ClearRecord();
    port.QueueAnswer(HexBytes("06 04 00 00 FA 44 B8"));
    EXPECT_TRUE(scripted.Link().ReadRangeEnd(end));
    EXPECT_EQ(port.Events(), (Strings{"Write 01 41 00 BE", "Read 2/2", "Read 5/5"}));
}

TEST(ConverterLinkAnswers, ALineThatNeverFallsQuietIsGivenUpAfterAFrameOfReads) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 01 05 F5"));  // bad checksum
    uint8_t value = 0;
    EXPECT_FALSE(scripted.Link().ReadByte(0x44, value));
    port.QueueAnswer(std::vector<uint8_t>(100 * ConverterLink::FrameSize, 0x55));
    port.ClearRecord();
    scripted.Link().ReadByte(0x44, value);
    ASSERT_GE(port.Events().size(), ConverterLink::FrameSize + 2);
    EXPECT_EQ(port.Events()[ConverterLink::FrameSize], "Purge 000C");
    EXPECT_EQ(port.Events()[ConverterLink::FrameSize + 1], "Write 01 44 00 BB");
}

TEST(ConverterLinkAnswers, AnUnwrittenRequestShowsUpAsAMissingAnswer) {
    ScriptedLink scripted;
    scripted.Port().FailWrites();
    uint8_t value = 7;
    EXPECT_FALSE(scripted.Link().ReadInputDamping(value));
    EXPECT_EQ(value, 7);
}

// Random bytes on the line: every exchange ends, reads stay inside the frame (the sanitizer
// watches), a failure changes nothing the caller holds, and a success is a checked answer.
TEST(ConverterLinkAnswers, RandomLineNoiseNeverEscapesTheFrame) {
    std::mt19937 random(20240611);
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.OneChunkPerRead();
    ConverterLink& link = scripted.Link();
    int successes = 0;
    for (int round = 0; round < 4000; ++round) {
        // Mostly noise, sometimes a valid frame with a random length, sometimes pieces of both.
        std::uniform_int_distribution<int> kind(0, 3);
        std::vector<uint8_t> bytes;
        int k = kind(random);
        std::uniform_int_distribution<int> byte(0, 255);
        if (k == 0 || k == 3) {
            std::uniform_int_distribution<int> length(0, 70);
            std::vector<uint8_t> data(length(random));
            for (auto& b : data)
                b = static_cast<uint8_t>(byte(random));
            bytes = ScriptedSerialPort::AnswerFrame(data);
            if (k == 3)
                bytes[byte(random) % bytes.size()] ^= static_cast<uint8_t>(1 + byte(random) % 255);
        } else {
            std::uniform_int_distribution<int> length(0, 80);
            bytes.resize(length(random));
            for (auto& b : bytes)
                b = static_cast<uint8_t>(byte(random));
            if (k == 1 && bytes.size() >= 2 && byte(random) % 2 == 0) bytes[0] = 0x06;
        }
        // A failed round leaves the next request waiting for a quiet line first.
        if (link.lastFailure() != ExchangeFailure::None) port.QueueSilence();
        // Delivered in random pieces.
        size_t at = 0;
        while (at < bytes.size()) {
            size_t piece = 1 + byte(random) % 16;
            piece = std::min(piece, bytes.size() - at);
            port.QueueAnswer(std::vector<uint8_t>(bytes.begin() + at, bytes.begin() + at + piece));
            at += piece;
        }
        size_t readsBefore = port.ReadCount();
        switch (round % 6) {
            case 0: {
                float value = 42.0f;
                if (link.ReadFloat(0x2A, value))
                    ++successes;
                else
                    EXPECT_EQ(value, 42.0f);
                break;
            }
            case 1: {
                uint8_t value = 42;
                if (link.ReadByte(0x44, value))
                    ++successes;
                else
                    EXPECT_EQ(value, 42);
                break;
            }
            case 2: {
                RelaySettings settings;
                settings.closeDelay = 42;
                if (link.ReadRelaySettings(settings))
                    ++successes;
                else
                    EXPECT_EQ(settings.closeDelay, 42);
                break;
            }
            case 3: {
                SensorTable table{};
                table[4] = 42.0f;
                if (link.ReadSensorTable(table))
                    ++successes;
                else
                    EXPECT_EQ(table[4], 42.0f);
                break;
            }
            case 4:
                if (link.Identify() != nullptr) ++successes;
                break;
            case 5: {
                std::uniform_int_distribution<int> expected(0, 255);
                if (link.ReceiveAnswer(static_cast<uint8_t>(expected(random)))) ++successes;
                break;
            }
        }
        EXPECT_EQ(link.identity()[ConverterLink::IdentitySize], '\0');
        // At most the 64 bytes of a frame, one read per byte in the worst case, and the end; and
        // the one read that finds the line quiet after a failure.
        EXPECT_LE(port.ReadCount() - readsBefore, ConverterLink::FrameSize + 2);
        // Drop what is left so that each round starts on a quiet line.
        while (port.PendingInput() > 0) {
            uint8_t sink[64];
            port.Read(sink, sizeof sink);
        }
    }
    // The valid frames of the right length do get through.
    EXPECT_GT(successes, 0);
}

}  // namespace

TEST(ConverterLinkFrames, AFailedExchangeNamesItsCause) {
    struct Case {
        const char* answer;  // "" for silence
        const char* cause;
    };
    const Case cases[] = {
        {"", "no answer"},
        {"06 01 05", "no answer"},  // cut short before the checksum
        {"06 01 05 F5", "bad checksum"},
        {"41 42", "bad checksum"},   // a header that starts no answer
        {"15 00", "refused (NAK)"},  // a negative answer: its header alone is read
        {"06 02 05 00 F3", "answer of the wrong length"},
        {"06 3E", "answer of the wrong length"},  // longer than any answer
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        ScriptedLink scripted;
        if (c.answer[0] != '\0') scripted.Port().QueueAnswer(HexBytes(c.answer));
        uint8_t value = 0;
        EXPECT_FALSE(scripted.Link().ReadByte(0x44, value));
        EXPECT_STREQ(ExchangeFailureText(scripted.Link().lastFailure()), c.cause);
        // The next exchange that succeeds, on a line quiet after the failure, clears the cause.
        scripted.Port().QueueSilence();
        scripted.Port().QueueAnswer(HexBytes("06 01 05 F4"));
        EXPECT_TRUE(scripted.Link().ReadByte(0x44, value));
        EXPECT_EQ(scripted.Link().lastFailure(), ExchangeFailure::None);
    }
}
