#include "base/hex_text.h"

#include <gtest/gtest.h>

TEST(HexText, WritesEachByteAsTwoUpperCaseDigits) {
    EXPECT_EQ(HexText(std::vector<uint8_t>{}), "");
    EXPECT_EQ(HexText(std::vector<uint8_t>{0x00}), "00");
    EXPECT_EQ(HexText(std::vector<uint8_t>{0x01, 0x0F, 0xF0, 0xFF, 0xA5}), "01 0F F0 FF A5");
    const uint8_t frame[] = {0x06, 0x01, 0x05, 0xF4, 0x99};
    EXPECT_EQ(HexText(frame, 4), "06 01 05 F4");
}

TEST(HexText, ReadsWhatItWritesAndSkipsTheRest) {
    std::vector<uint8_t> every(256);
    for (int i = 0; i < 256; ++i)
        every[i] = static_cast<uint8_t>(i);
    EXPECT_EQ(HexBytes(HexText(every)), every);
    EXPECT_EQ(HexBytes("0a:Bc-dE"), (std::vector<uint8_t>{0x0A, 0xBC, 0xDE}));
    EXPECT_EQ(HexBytes("01 2"), std::vector<uint8_t>{0x01});
    EXPECT_TRUE(HexBytes("xyz").empty());
}
