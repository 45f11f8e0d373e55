#include "sim/model/device_model.h"

#include <gtest/gtest.h>

#include <bit>

#include "tests/sim/hex_frames.h"

namespace {

using sim::DeviceModel;
using sim::DeviceOptions;

DeviceOptions Quiet(uint16_t firmware = 0x0103) {
    DeviceOptions options;
    options.firmwareVersion = firmware;
    options.process.noise = false;
    options.process.drift = false;
    return options;
}

TEST(DeviceModelFrames, AnswersTheKnownExchangesByteForByte) {
    DeviceModel model(Quiet());
    EXPECT_EQ(AskText(model, "01 21 00 DE"), "06 08 5A 52 33 00 00 00 00 00 13");
    EXPECT_EQ(AskText(model, "01 22 00 DD"), "06 02 03 01 F4");
    EXPECT_EQ(AskText(model, "01 23 00 DC"), "06 04 40 E2 01 00 D3");  // 123456
    EXPECT_EQ(AskText(model, "01 44 00 BB"), "06 01 05 F4");
    EXPECT_EQ(AskText(model, "01 44 01 05 B5"), "06 01 05 F4");
    EXPECT_EQ(AskText(model, "01 40 04 00 00 48 41 32"), "06 04 00 00 48 41 6D");
    EXPECT_EQ(AskText(model, "01 2C 01 00 D2"), "06 00 FA");
    EXPECT_FLOAT_EQ(model.state().rangeStart, 12.5f);
}

TEST(DeviceModelFrames, FactorySettingsAsATechnicianFindsThem) {
    DeviceModel model(Quiet());
    EXPECT_EQ(AskText(model, "01 33 00 CC"), "06 01 00 F9");  // output variant 0
    EXPECT_EQ(AskText(model, "01 34 00 CB"), "06 01 01 F8");  // relay variant 1
    EXPECT_EQ(AskText(model, "01 32 00 CD"), "06 01 00 F9");  // kind 0
    EXPECT_EQ(AskText(model, "01 3B 00 C4"), "06 01 02 F7");  // degree 2
    EXPECT_EQ(AskText(model, "01 3C 00 C3"),
              "06 14 31 CE 75 C3 23 E5 16 40 B3 79 83 3A 00 00 00 00 00 00 00 00 68");
    EXPECT_EQ(AskText(model, "01 38 00 C7"), "06 04 00 00 48 41 6D");  // 12.5
    EXPECT_EQ(AskText(model, "01 3E 00 C1"), "06 04 0A D7 A3 3C 36");  // 0.02
    EXPECT_EQ(AskText(model, "01 3F 00 C0"), "06 04 00 00 C8 41 ED");  // 25.0
    EXPECT_EQ(AskText(model, "01 40 00 BF"), "06 04 00 00 00 00 F6");  // 0.0
    EXPECT_EQ(AskText(model, "01 41 00 BE"), "06 04 00 00 FA 44 B8");  // 2000.0
    EXPECT_EQ(AskText(model, "01 42 00 BD"), "06 0C 00 00 C8 42 00 00 B4 42 05 00 05 00 E4");
    EXPECT_EQ(AskText(model, "01 43 00 BC"), "06 01 05 F4");
    EXPECT_EQ(AskText(model, "01 45 00 BA"), "06 01 01 F8");  // linear
    EXPECT_EQ(AskText(model, "01 46 00 B9"),
              "06 10 00 00 00 00 00 00 80 3F 00 00 00 00 00 00 00 00 2B");
}

TEST(DeviceModelFrames, OptionsSetIdentityVersionSerialAndVariants) {
    DeviceOptions options = Quiet(0x0100);
    options.identity = "ABCDEFGHIJ";  // cut at 8
    options.serialNumber = -1;
    options.outputVariant = 3;
    options.relayVariant = 0;
    DeviceModel model(options);
    EXPECT_EQ(AskText(model, "01 21 00 DE"), "06 08 41 42 43 44 45 46 47 48 CE");
    EXPECT_EQ(AskText(model, "01 22 00 DD"), "06 02 00 01 F7");
    EXPECT_EQ(AskText(model, "01 23 00 DC"), "06 04 FF FF FF FF FA");
    EXPECT_EQ(AskText(model, "01 33 00 CC"), "06 01 03 F6");
    EXPECT_EQ(AskText(model, "01 34 00 CB"), "06 01 00 F9");
}

TEST(DeviceModelFrames, WritesAreAnsweredWithWhatIsNowStored) {
    DeviceModel model(Quiet());
    // Relay block (1.5, -2.25, 300, 0xABCD) and back.
    const Bytes relay = HexBytes("00 00 C0 3F 00 00 10 C0 2C 01 CD AB");
    const Bytes answer = Ask(model, RequestFrame(0x42, relay));
    ASSERT_EQ(answer.size(), 15u);
    EXPECT_EQ(Bytes(answer.begin() + 2, answer.end() - 1), relay);
    EXPECT_FLOAT_EQ(model.state().relay.closeValue, 1.5f);
    EXPECT_FLOAT_EQ(model.state().relay.openValue, -2.25f);
    EXPECT_EQ(model.state().relay.closeDelay, 300);
    EXPECT_EQ(model.state().relay.openDelay, 0xABCD);
    EXPECT_EQ(Ask(model, RequestFrame(0x42)), answer);

    // A NaN pattern written to a float travels back bit for bit.
    const Bytes oddBits = HexBytes("01 00 C0 7F");
    const Bytes floatAnswer = Ask(model, RequestFrame(0x41, oddBits));
    ASSERT_EQ(floatAnswer.size(), 7u);
    EXPECT_EQ(Bytes(floatAnswer.begin() + 2, floatAnswer.end() - 1), oddBits);

    // Write-only limits answer the stored value.
    const Bytes limit = HexBytes("00 00 80 42");  // 64.0
    const Bytes limitAnswer = Ask(model, RequestFrame(0x39, limit));
    ASSERT_EQ(limitAnswer.size(), 7u);
    EXPECT_EQ(Bytes(limitAnswer.begin() + 2, limitAnswer.end() - 1), limit);
    EXPECT_FLOAT_EQ(model.state().lowerLimit, 64.0f);
}

TEST(DeviceModelClamping, DampingAndCompensationModeStayInRange) {
    DeviceModel model(Quiet());
    EXPECT_EQ(AskText(model, "01 44 01 1F 9B"), "06 01 1E DB");  // 31 -> 30
    EXPECT_EQ(AskText(model, "01 44 01 FF BB"), "06 01 1E DB");  // 255 -> 30
    EXPECT_EQ(AskText(model, "01 43 01 1F 9C"), "06 01 1E DB");
    EXPECT_EQ(AskText(model, "01 43 01 00 BB"), "06 01 00 F9");
    EXPECT_EQ(model.state().inputDamping, 30);
    EXPECT_EQ(model.state().tempDamping, 0);
    EXPECT_EQ(AskText(model, "01 45 01 03 B6"), "06 01 02 F7");  // 3 -> 2
    EXPECT_EQ(AskText(model, "01 45 01 00 B9"), "06 01 00 F9");
}

TEST(DeviceModelClamping, NonlinearModeNeedsFirmware0102) {
    DeviceModel old(Quiet(0x0101));
    EXPECT_EQ(AskText(old, "01 45 01 02 B7"), "06 01 01 F8");  // refused, linear kept
    EXPECT_EQ(AskText(old, "01 45 01 00 B9"), "06 01 00 F9");
    EXPECT_EQ(AskText(old, "01 45 01 07 B2"), "06 01 00 F9");  // 7 -> 2 -> refused, off kept
    DeviceModel newer(Quiet(0x0102));
    EXPECT_EQ(AskText(newer, "01 45 01 02 B7"), "06 01 02 F7");
}

TEST(DeviceModelProbe, CoefficientCodeFollowsTheFirmware) {
    DeviceModel old(Quiet(0x0102));
    EXPECT_EQ(AskText(old, "01 3D 00 C2"), "06 0C 00 00 80 3F 00 00 00 00 00 00 00 00 2F");
    EXPECT_EQ(AskText(old, "01 46 00 B9"), "");
    // K1..K3 = 2, 3, 4 through '='; K0 stays 0.
    const Bytes k = HexBytes("00 00 00 40 00 00 40 40 00 00 80 40");
    const Bytes answer = Ask(old, RequestFrame(0x3D, k));
    ASSERT_EQ(answer.size(), 15u);
    EXPECT_EQ(Bytes(answer.begin() + 2, answer.end() - 1), k);
    EXPECT_FLOAT_EQ(old.state().probe[0], 0.0f);
    EXPECT_FLOAT_EQ(old.state().probe[3], 4.0f);
    EXPECT_TRUE(Ask(old, RequestFrame(0x46, Bytes(16, 0))).empty());

    DeviceModel current(Quiet(0x0103));
    EXPECT_EQ(AskText(current, "01 3D 00 C2"), "");
    EXPECT_TRUE(Ask(current, RequestFrame(0x3D, k)).empty());
    const Bytes k4 = HexBytes("00 00 80 BF 00 00 00 40 00 00 40 40 00 00 80 40");  // -1, 2, 3, 4
    const Bytes answer4 = Ask(current, RequestFrame(0x46, k4));
    ASSERT_EQ(answer4.size(), 19u);
    EXPECT_EQ(Bytes(answer4.begin() + 2, answer4.end() - 1), k4);
    EXPECT_FLOAT_EQ(current.state().probe[0], -1.0f);
}

TEST(DeviceModelMalformed, RequestsThatAreNotForItGetNoAnswer) {
    DeviceModel model(Quiet());
    EXPECT_EQ(AskText(model, "01 44 00 BC"), "");              // bad checksum
    EXPECT_EQ(AskText(model, "02 44 00 BA"), "");              // wrong start byte
    EXPECT_EQ(AskText(model, "01 44 00"), "");                 // cut short
    EXPECT_EQ(AskText(model, "01 44 00 BB 00"), "");           // a byte too many
    EXPECT_EQ(AskText(model, "01 44 02 05 05 AF"), "");        // two bytes for a byte parameter
    EXPECT_EQ(AskText(model, "01 2C 00 D3"), "");              // commit without its data byte
    EXPECT_EQ(AskText(model, "01 39 00 C6"), "");              // limits cannot be read
    EXPECT_EQ(AskText(model, "01 24 04 00 00 00 00 D7"), "");  // live values cannot be written
    EXPECT_EQ(AskText(model, "01 33 01 05 C6"), "");           // nor the variants
    EXPECT_EQ(AskText(model, "01 30 00 CF"), "");              // not a parameter
    EXPECT_EQ(AskText(model, "01 47 00 B8"), "");
    EXPECT_EQ(AskText(model, "01 3C 10 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 B3"), "");
    EXPECT_TRUE(model.Handle(nullptr, 0).empty());
    EXPECT_EQ(model.answeredCount(), 0u);
    EXPECT_EQ(model.ignoredCount(), 13u);
    // Nothing of it changed what is stored.
    EXPECT_EQ(model.state().inputDamping, 5);
    EXPECT_EQ(model.state().commits, 0u);
}

TEST(DeviceModelStream, FindsRequestsInBytesAsTheyArrive) {
    DeviceModel model(Quiet());
    // Line noise, a request with a bad checksum, then two good ones split at odd places.
    const Bytes line = HexBytes("FF 00 01 44 00 BC 01 44 00 BB 01 22 00 DD");
    std::vector<Bytes> answers;
    size_t pos = 0;
    for (size_t piece : {size_t{3}, size_t{4}, size_t{1}, size_t{6}}) {
        for (const auto& e : model.Receive(line.data() + pos, piece)) {
            EXPECT_FALSE(e.ignored);
            EXPECT_EQ(sim::RequestBytes(e.request).size(), 4u);
            answers.push_back(e.answer.bytes);
        }
        pos += piece;
    }
    ASSERT_EQ(pos, line.size());
    ASSERT_EQ(answers.size(), 2u);
    EXPECT_EQ(HexText(answers[0]), "06 01 05 F4");
    EXPECT_EQ(HexText(answers[1]), "06 02 03 01 F4");
    EXPECT_EQ(HexText(model.parser().TakeSkipped()), "FF 00 01 44 00 BC");
}

}  // namespace
