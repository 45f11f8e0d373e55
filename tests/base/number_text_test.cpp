#include "base/number_text.h"

#include <gtest/gtest.h>

#include <optional>

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

TEST(NumberText, DecimalTextsAreNumbersOnlyWhenAllOfThemIsOne) {
    struct Case {
        const char* text;
        std::optional<double> point;  // with a point as the only mark
        std::optional<double> comma;  // with a point or a comma
    };
    const std::optional<double> none;
    const Case cases[] = {
        {"12.5", 12.5, 12.5},
        {"12,5", none, 12.5},
        {"2,000", none, 2.0},
        {"-2.5E1", -25.0, -25.0},
        {"+1e-2", 0.01, 0.01},
        {".5", 0.5, 0.5},
        {"5.", 5.0, 5.0},
        {"", none, none},
        {" 5", none, none},
        {"5 ", none, none},
        {"+-5", none, none},
        {"--5", none, none},
        {"12abc", none, none},
        {"0x10", none, none},
        {"inf", none, none},
        {"-infinity", none, none},
        {"nan", none, none},
        {"1e999", none, none},
        {"1e", none, none},
        {"e5", none, none},
        {".", none, none},
        {"1.5.0", none, none},
        {"1,5,0", none, none},
        {"1.5,0", none, none},
        // A long text is read whole, never cut to another number.
        {"2.5000000000000000000000000000000e-2", 0.025, 0.025},
        {"0.00000000000000000000000000000000000000000001", 1e-44, 1e-44},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(ParseDecimal(c.text, DecimalMark::Point), c.point);
        EXPECT_EQ(ParseDecimal(c.text, DecimalMark::PointOrComma), c.comma);
    }
}

TEST(NumberText, FiniteFloatsAreRoundedOnceAndStayInTheFloatRange) {
    EXPECT_EQ(ParseFiniteFloat("0.1", DecimalMark::Point), 0.1f);
    EXPECT_EQ(ParseFiniteFloat("16777217", DecimalMark::Point), 16777216.0f);
    EXPECT_EQ(ParseFiniteFloat("3.4028234e38", DecimalMark::Point), 3.4028234e38f);
    EXPECT_EQ(ParseFiniteFloat("1e39", DecimalMark::Point), std::nullopt);
    EXPECT_EQ(ParseFiniteFloat("-1e39", DecimalMark::PointOrComma), std::nullopt);
    EXPECT_EQ(ParseFiniteFloat("12,5", DecimalMark::Point), std::nullopt);
    EXPECT_EQ(ParseFiniteFloat("12,5", DecimalMark::PointOrComma), 12.5f);
    EXPECT_EQ(ParseFiniteFloat("nan", DecimalMark::PointOrComma), std::nullopt);
}
