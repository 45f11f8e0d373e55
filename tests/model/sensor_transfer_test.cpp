#include "model/sensor_transfer.h"

#include <gtest/gtest.h>

#include <bit>
#include <memory>
#include <string>
#include <vector>

#include "tests/link/link_test_util.h"
#include "tests/support/scripted_link.h"

namespace {

using Bytes = ScriptedSerialPort::Bytes;

constexpr char Pt100Table[] =
    "01 3C 14 31 CE 75 C3 23 E5 16 40 B3 79 83 3A 00 00 00 00 00 00 00 00 31";

// A converter that answers every write with what was written (the commit with no data), except
// that the request numbered silentAt (0 = the first) gets no answer.
void AnswerWrites(ScriptedSerialPort& port, int silentAt = -1) {
    auto index = std::make_shared<int>(0);
    port.SetResponder([index, silentAt](const Bytes& request) {
        if ((*index)++ == silentAt) return Bytes();
        if (request[1] == CodeCommitSensor) return ScriptedSerialPort::AnswerFrame({});
        return ScriptedSerialPort::AnswerFrame(Bytes(request.begin() + 3, request.end() - 1));
    });
}

float FloatIn(const Bytes& frame) {
    uint32_t bits = 0;
    for (int i = 0; i < 4; ++i)
        bits |= static_cast<uint32_t>(frame[3 + i]) << (8 * i);
    return std::bit_cast<float>(bits);
}

}  // namespace

TEST(SensorTransfer, WritesTheWholeSequenceThenCommits) {
    SensorList list;
    ScriptedLink scripted;
    AnswerWrites(scripted.Port());
    EXPECT_EQ(WriteSensor(scripted.Link(), *list.SensorAt(0)), SensorWriteStep::Done);

    const auto frames = WrittenFrames(scripted.Port());
    ASSERT_EQ(frames.size(), 6u);
    EXPECT_EQ(frames[0].substr(0, 8), "01 39 04");
    EXPECT_EQ(frames[1].substr(0, 8), "01 3A 04");
    EXPECT_NEAR(FloatIn(scripted.Port().Writes()[0]), 92.1599f, 1e-3f);
    EXPECT_NEAR(FloatIn(scripted.Port().Writes()[1]), 138.5055f, 1e-3f);
    EXPECT_EQ(frames[2], Pt100Table);
    EXPECT_EQ(frames[3], "01 3B 01 02 C1");
    EXPECT_EQ(frames[4], "01 32 01 00 CC");
    EXPECT_EQ(frames[5], "01 2C 01 00 D2");
}

TEST(SensorTransfer, ThermistorWindowIsTheOtherWayRound) {
    SensorList list;
    ScriptedLink scripted;
    AnswerWrites(scripted.Port());
    EXPECT_EQ(WriteSensor(scripted.Link(), *list.SensorAt(4)), SensorWriteStep::Done);
    const auto& writes = scripted.Port().Writes();
    ASSERT_EQ(writes.size(), 6u);
    EXPECT_NEAR(FloatIn(writes[0]), 200.627f, 0.01f);
    EXPECT_NEAR(FloatIn(writes[1]), 33291.9f, 1.0f);
    EXPECT_EQ(WrittenFrames(scripted.Port())[2],
              "01 3C 14 85 D6 A5 3A 6F E7 95 39 71 CC 98 B6 78 BD 3F 34 00 00 00 00 1E");
    EXPECT_EQ(WrittenFrames(scripted.Port())[4], "01 32 01 01 CB");
}

TEST(SensorTransfer, AFailedStepEndsTheSequenceWithoutTheCommit) {
    SensorList list;
    const SensorWriteStep steps[] = {SensorWriteStep::LowerLimit, SensorWriteStep::UpperLimit,
                                     SensorWriteStep::Table,      SensorWriteStep::Degree,
                                     SensorWriteStep::Kind,       SensorWriteStep::Commit};
    for (int failAt = 0; failAt < 6; ++failAt) {
        ScriptedLink scripted;
        AnswerWrites(scripted.Port(), failAt);
        EXPECT_EQ(WriteSensor(scripted.Link(), *list.SensorAt(1)), steps[failAt]) << failAt;
        const auto frames = WrittenFrames(scripted.Port());
        ASSERT_EQ(frames.size(), static_cast<size_t>(failAt + 1)) << failAt;
        // Only the commit itself, when it is the step that failed, was ever sent.
        for (int i = 0; i < failAt; ++i)
            EXPECT_NE(frames[i].substr(0, 5), "01 2C") << failAt;
    }
    EXPECT_STREQ(SensorWriteStepName(SensorWriteStep::Table), "table");
}

TEST(SensorTransfer, ReadsKindDegreeTableAndRecognisesTheModel) {
    SensorList list;
    ScriptedLink scripted;
    scripted.Port().QueueFrame({0x00});
    scripted.Port().QueueFrame({0x02});
    const Bytes table = HexBytes(Pt100Table);
    scripted.Port().QueueFrame(Bytes(table.begin() + 3, table.end() - 1));
    SensorReading reading = ReadSensor(scripted.Link(), list);
    EXPECT_EQ(WrittenFrames(scripted.Port()),
              (std::vector<std::string>{"01 32 00 CD", "01 3B 00 C4", "01 3C 00 C3"}));
    EXPECT_TRUE(reading.read);
    ASSERT_NE(reading.model, nullptr);
    EXPECT_STREQ(reading.model->name, "Pt100 (3850)");

    // A failed kind read asks nothing more; an unknown table is read but matches no model.
    ScriptedLink silent;
    EXPECT_FALSE(ReadSensor(silent.Link(), list).read);
    EXPECT_EQ(silent.Port().Writes().size(), 1u);

    ScriptedLink other;
    other.Port().QueueFrame({0x01});
    other.Port().QueueFrame({0x02});
    other.Port().QueueFrame(Bytes(20, 0));
    reading = ReadSensor(other.Link(), list);
    EXPECT_TRUE(reading.read);
    EXPECT_EQ(reading.model, nullptr);
}
