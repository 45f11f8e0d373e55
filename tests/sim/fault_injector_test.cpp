#include "sim/model/fault_injector.h"

#include <gtest/gtest.h>

#include "sim/model/control_commands.h"
#include "sim/model/device_model.h"
#include "tests/sim/hex_frames.h"

namespace {

using sim::FaultAlways;
using sim::FaultKind;

constexpr const char* ReadDamping = "01 44 00 BB";

struct FaultCase {
    const char* words;
    const char* bytes;
};

TEST(Faults, EachShowsOnTheLineAsExpected) {
    const FaultCase cases[] = {
        {"silence", ""},
        {"checksum", "06 01 05 F5"},
        {"nak", "15 01 05 E5"},
        {"length", "06 02 05 00 F3"},
        {"cut 2", "06 01"},
        {"cut", "06 01 05"},
        {"cut 9", "06 01 05 F4"},
        {"header", "06 3E 05 B7"},
        {"header 200", "06 C8 05 2D"},
        {"garbage", "FF 55 AA 06 01 05 F4"},
        {"garbage 5", "FF 55 AA 00 FF 06 01 05 F4"},
        {"slow 250", "06 01 05 F4"},
    };
    for (const auto& c : cases) {
        sim::DeviceModel model;
        std::string error;
        ASSERT_TRUE(sim::ApplyFaultWords(model.faults(), sim::SplitWords(c.words), error))
            << c.words << ": " << error;
        EXPECT_EQ(AskText(model, ReadDamping), c.bytes) << c.words;
        // One answer spoiled, the next one clean again.
        EXPECT_EQ(AskText(model, ReadDamping), "06 01 05 F4") << c.words;
    }
}

TEST(Faults, SlowAnswerPausesBeforeEveryByteButTheFirst) {
    sim::DeviceModel model;
    model.faults().Set(FaultKind::Slow, 250, 1);
    const Bytes request = HexBytes(ReadDamping);
    const auto slow = model.Respond(request.data(), request.size());
    EXPECT_EQ(HexText(slow.bytes), "06 01 05 F4");
    EXPECT_EQ(slow.gapMs, (std::vector<uint32_t>{0, 250, 250, 250}));
    EXPECT_EQ(slow.fault, FaultKind::Slow);
    const auto normal = model.Respond(request.data(), request.size());
    EXPECT_EQ(normal.gapMs, (std::vector<uint32_t>{0, 0, 0, 0}));
    EXPECT_EQ(normal.fault, FaultKind::None);
}

TEST(Faults, LastForTheNextAnswersOrUntilCleared) {
    sim::DeviceModel model;
    model.faults().Set(FaultKind::BadChecksum, 0, 3);
    // Unanswered requests do not use the fault up.
    EXPECT_EQ(AskText(model, "01 44 00 BC"), "");
    EXPECT_EQ(model.faults().current().remaining, 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(AskText(model, ReadDamping), "06 01 05 F5");
    EXPECT_EQ(AskText(model, ReadDamping), "06 01 05 F4");
    EXPECT_FALSE(model.faults().Active());

    model.faults().Set(FaultKind::Silence, 0, FaultAlways);
    for (int i = 0; i < 20; ++i)
        EXPECT_EQ(AskText(model, ReadDamping), "");
    EXPECT_EQ(model.faults().Describe(), "silence always");
    // A fault may let a number of answers pass first.
    std::string error;
    ASSERT_TRUE(sim::ApplyFaultWords(model.faults(), sim::SplitWords("nak next 1 after 2"), error));
    EXPECT_EQ(model.faults().Describe(), "nak next 1 after 2");
    EXPECT_EQ(AskText(model, ReadDamping), "06 01 05 F4");
    EXPECT_EQ(AskText(model, ReadDamping), "06 01 05 F4");
    EXPECT_EQ(AskText(model, ReadDamping), "15 01 05 E5");
    EXPECT_EQ(AskText(model, ReadDamping), "06 01 05 F4");
    EXPECT_FALSE(sim::ApplyFaultWords(model.faults(), sim::SplitWords("nak after"), error));
    model.faults().Set(FaultKind::Silence, 0, FaultAlways);
    // A silenced write still changes the setting: the converter took it, the answer got lost.
    EXPECT_EQ(AskText(model, "01 44 01 07 B3"), "");
    EXPECT_EQ(model.state().inputDamping, 7);
    model.faults().Clear();
    EXPECT_EQ(AskText(model, ReadDamping), "06 01 07 F2");
}

TEST(Faults, OnACodeOnlyAnswersToThatCodeCountAndAreSpoiled) {
    sim::DeviceModel model;
    std::string error;
    ASSERT_TRUE(
        sim::ApplyFaultWords(model.faults(), sim::SplitWords("silence on 44 next 1"), error));
    EXPECT_EQ(model.faults().Describe(), "silence on 44 next 1");
    EXPECT_EQ(AskText(model, "01 22 00 DD"), "06 02 03 01 F4");
    EXPECT_EQ(AskText(model, ReadDamping), "");
    EXPECT_EQ(AskText(model, ReadDamping), "06 01 05 F4");
    EXPECT_FALSE(model.faults().Active());

    ASSERT_TRUE(sim::ApplyFaultWords(model.faults(), sim::SplitWords("cut 2 on 2c always"), error));
    EXPECT_EQ(model.faults().Describe(), "cut 2 on 2C always");
    for (const char* bad : {"silence on", "silence on 3G", "silence on 123", "cut on x"})
        EXPECT_FALSE(sim::ApplyFaultWords(model.faults(), sim::SplitWords(bad), error)) << bad;
}

TEST(Faults, WordsOfTheControlChannel) {
    sim::FaultInjector faults;
    std::string error;
    ASSERT_TRUE(sim::ApplyFaultWords(faults, sim::SplitWords("silence next 3"), error));
    EXPECT_EQ(faults.Describe(), "silence next 3");
    ASSERT_TRUE(sim::ApplyFaultWords(faults, sim::SplitWords("slow 300 always"), error));
    EXPECT_EQ(faults.Describe(), "slow 300 always");
    ASSERT_TRUE(sim::ApplyFaultWords(faults, sim::SplitWords("garbage next"), error));
    EXPECT_EQ(faults.Describe(), "garbage 3 next 1");
    ASSERT_TRUE(sim::ApplyFaultWords(faults, sim::SplitWords("clear"), error));
    EXPECT_EQ(faults.Describe(), "none");

    for (const char* bad :
         {"", "thunder", "silence 5", "cut x", "header 61", "header 256", "checksum next 0",
          "checksum next x", "checksum always 2", "clear now"}) {
        sim::FaultInjector untouched;
        untouched.Set(FaultKind::Silence, 0, 1);
        EXPECT_FALSE(sim::ApplyFaultWords(untouched, sim::SplitWords(bad), error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
        EXPECT_EQ(untouched.Describe(), "silence next 1") << bad;
    }
}

}  // namespace
