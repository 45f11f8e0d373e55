#include <gtest/gtest.h>

#include "base/kind_text.h"

namespace {

TEST(KindText, OutputKindsByTheLowTwoBits) {
    EXPECT_STREQ(OutputKindText(0), "Pasive 4 to 20 mA");
    EXPECT_STREQ(OutputKindText(1), "Active 0 to 20 mA");
    EXPECT_STREQ(OutputKindText(2), "Active 0 to 5 V");
    EXPECT_STREQ(OutputKindText(3), "Active 0 to 10 V");
    EXPECT_STREQ(OutputKindText(5), "Active 0 to 20 mA");
    EXPECT_STREQ(OutputKindText(0xFF), "Active 0 to 10 V");
}

TEST(KindText, RelayKindsByTheLowBit) {
    EXPECT_STREQ(RelayKindText(0), "No relay");
    EXPECT_STREQ(RelayKindText(1), "Relay 1");
    EXPECT_STREQ(RelayKindText(2), "No relay");
    EXPECT_STREQ(RelayKindText(0xFF), "Relay 1");
}

}  // namespace
