#include "base/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(NumberText, IntegersAreShortestDecimal) {
    EXPECT_EQ(FormatInteger(-40), "-40");
    EXPECT_EQ(FormatInteger(0), "0");
    EXPECT_EQ(FormatInteger(std::numeric_limits<int32_t>::min()), "-2147483648");
}

TEST(NumberText, FixedPointRoundsToTheGivenDecimals) {
    EXPECT_EQ(FormatFixed(12.5f, 2), "12.50");
    EXPECT_EQ(FormatFixed(12.34f, 1), "12.3");
    EXPECT_EQ(FormatFixed(-5.0f, 1), "-5.0");
    EXPECT_EQ(FormatFixed(0.021f * 100.0f, 2), "2.10");
    EXPECT_EQ(FormatFixed(0.5f * 100.0f, 2), "50.00");
    EXPECT_EQ(FormatFixed(1000.0f, 2), "1000.00");
    EXPECT_EQ(FormatFixed(1.413f, 4), "1.4130");
    EXPECT_EQ(FormatFixed(7.0f, 0), "7");
    EXPECT_EQ(FormatFixed(-3.4e38f, 1).size(), 42u);  // 39 digits, sign, point, one decimal
}

TEST(NumberText, ScientificFormsKeepTheirWidth) {
    EXPECT_EQ(FormatScientific(1413.0, 16, 3), " 1.4130000000000000E+003");
    EXPECT_EQ(FormatScientific(0.5, 16, 3), " 5.0000000000000000E-001");
    EXPECT_EQ(FormatScientific(1.4f, 9, 2), " 1.399999976E+00");
    EXPECT_EQ(FormatScientific(0.0f, 9, 2), " 0.000000000E+00");
    EXPECT_EQ(FormatScientific(-1e-300, 16, 3), "-1.0000000000000000E-300");
    EXPECT_EQ(FormatScientific(3.0e38f, 9, 2), " 3.000000005E+38");
}

TEST(NumberText, FloatsDropTheLeadingBlankOnly) {
    EXPECT_EQ(FormatFloat(12.5f), "1.250000000E+01");
    EXPECT_EQ(FormatFloat(-0.25f), "-2.500000000E-01");
    EXPECT_EQ(FormatFloat(0.0f), "0.000000000E+00");
}

TEST(NumberText, VersionsAreHexMajorDotTwoDigitMinor) {
    EXPECT_EQ(FormatVersion(0x0100), "1.00");
    EXPECT_EQ(FormatVersion(0x0103), "1.03");
    EXPECT_EQ(FormatVersion(0x010A), "1.0a");
    EXPECT_EQ(FormatVersion(0x0210), "2.10");
    EXPECT_EQ(FormatVersion(0xFF05), "ff.05");
}

TEST(NumberText, IntegersParseOnlyWhenTheWholeTextIsOne) {
    EXPECT_EQ(ParseInteger("30"), 30);
    EXPECT_EQ(ParseInteger("-7"), -7);
    EXPECT_EQ(ParseInteger("+7"), 7);
    EXPECT_EQ(ParseInteger(""), 0);
    EXPECT_EQ(ParseInteger("12a"), 0);
    EXPECT_EQ(ParseInteger(" 12"), 0);
    EXPECT_EQ(ParseInteger("+-5"), 0);
    EXPECT_EQ(ParseInteger("2147483647"), 2147483647);
    EXPECT_EQ(ParseInteger("2147483648"), 0);
    EXPECT_EQ(ParseInteger("-2147483648"), std::numeric_limits<int32_t>::min());
}

TEST(NumberText, FloatsAcceptACommaAndNothingAfterTheNumber) {
    EXPECT_EQ(ParseFloat("1,5"), 1.5f);
    EXPECT_EQ(ParseFloat("1.5"), 1.5f);
    EXPECT_EQ(ParseFloat("12,5"), 12.5f);
    EXPECT_EQ(ParseFloat("-2.5E1"), -25.0f);
    EXPECT_EQ(ParseFloat("+1e-2"), 0.01f);
    EXPECT_EQ(ParseFloat(".5"), 0.5f);
    EXPECT_EQ(ParseFloat(""), 0.0f);
    EXPECT_EQ(ParseFloat("12.5abc"), 0.0f);
    EXPECT_EQ(ParseFloat("abc"), 0.0f);
    EXPECT_EQ(ParseFloat("inf"), 0.0f);
    EXPECT_EQ(ParseFloat("nan"), 0.0f);
    EXPECT_EQ(ParseFloat("0x10"), 0.0f);
    EXPECT_EQ(ParseFloat(" 1"), 0.0f);
    EXPECT_EQ(ParseFloat("1e39"), 0.0f);  // beyond the float range: no usable number
    EXPECT_EQ(ParseFloat("1,5,0"), 0.0f);
    // Rounded once, to the nearest float.
    EXPECT_EQ(ParseFloat("0.1"), 0.1f);
    EXPECT_EQ(ParseFloat("16777217"), 16777216.0f);
}
