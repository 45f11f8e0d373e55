#include "model/sample_measurement.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

using Result = SampleMeasurement::Result;

// Feeds count readings of value, returning the result of the last one.
Result Feed(SampleMeasurement& m, int count, float value) {
    Result last = Result::Ignored;
    for (int i = 0; i < count; ++i)
        last = m.AddSample(value);
    return last;
}

}  // namespace

TEST(SampleMeasurement, AveragesTwentyReadingsAndStops) {
    SampleMeasurement m;
    EXPECT_EQ(m.AddSample(5.0f), Result::Ignored) << "nothing counts before Start";
    EXPECT_FALSE(m.Complete());
    EXPECT_EQ(m.Average(), 0.0);

    m.Start();
    for (int i = 1; i <= 19; ++i)
        ASSERT_EQ(m.AddSample(static_cast<float>(i)), Result::Counted) << i;
    EXPECT_TRUE(m.measuring);
    EXPECT_EQ(m.sampleCount, 19);
    EXPECT_EQ(m.AddSample(20.0f), Result::Complete);
    // 1 + 2 + ... + 20 = 210
    EXPECT_DOUBLE_EQ(m.Average(), 10.5);
    EXPECT_DOUBLE_EQ(m.sampleSum, 10.5);
    EXPECT_FALSE(m.measuring);
    EXPECT_TRUE(m.HasUsableAverage());

    // A reading after the end changes nothing; a new start forgets the old result.
    EXPECT_EQ(m.AddSample(1000.0f), Result::Ignored);
    EXPECT_DOUBLE_EQ(m.Average(), 10.5);
    m.Start();
    EXPECT_FALSE(m.Complete());
    EXPECT_EQ(m.Average(), 0.0);
    EXPECT_EQ(Feed(m, 20, 0.25f), Result::Complete);
    EXPECT_DOUBLE_EQ(m.Average(), 0.25);
}

TEST(SampleMeasurement, CancelledMeasurementHasNoResult) {
    SampleMeasurement m;
    m.Start();
    Feed(m, 12, 3.0f);
    m.Cancel();
    EXPECT_FALSE(m.Complete());
    EXPECT_FALSE(m.HasUsableAverage());
    EXPECT_EQ(m.Average(), 0.0);
    EXPECT_EQ(m.AddSample(3.0f), Result::Ignored);
}

TEST(SampleMeasurement, AverageBeyondAFloatIsNotUsable) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float big = std::numeric_limits<float>::max();

    SampleMeasurement m;
    m.Start();
    Feed(m, 19, 1.0f);
    m.AddSample(inf);
    EXPECT_TRUE(m.Complete());
    EXPECT_FALSE(m.HasUsableAverage());

    m.Start();
    Feed(m, 19, 1.0f);
    m.AddSample(nan);
    EXPECT_FALSE(m.HasUsableAverage());

    // Twenty readings at the top of the float range average to a float again: the double sum
    // does not overflow.
    m.Start();
    Feed(m, 20, big);
    EXPECT_TRUE(m.HasUsableAverage());
    EXPECT_DOUBLE_EQ(m.Average(), static_cast<double>(big));

    // The same bound serves values computed from the average.
    EXPECT_TRUE(SampleMeasurement::FitsFloat(-static_cast<double>(big)));
    EXPECT_FALSE(SampleMeasurement::FitsFloat(static_cast<double>(big) * 2));
    EXPECT_FALSE(SampleMeasurement::FitsFloat(static_cast<double>(nan)));

    // An average of 0 is a number; whether it is a usable result is the caller's rule.
    m.Start();
    Feed(m, 10, 2.0f);
    Feed(m, 10, -2.0f);
    EXPECT_TRUE(m.HasUsableAverage());
    EXPECT_EQ(m.Average(), 0.0);
}
