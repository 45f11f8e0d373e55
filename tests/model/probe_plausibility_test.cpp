#include "model/probe_plausibility.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(ProbePlausibility, OnlyAPlausibleNormalConductanceAndCoefficientGiveACoefficient) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double normal;
        double conductance;
        ProbeCalibrationCheck check;
    };
    const Case refused[] = {
        {-1413.0, 1000.0, ProbeCalibrationCheck::NormalNotPlausible},
        {0.0, 1000.0, ProbeCalibrationCheck::NormalNotPlausible},
        {0.0099, 1000.0, ProbeCalibrationCheck::NormalNotPlausible},
        {1e-300, 1000.0, ProbeCalibrationCheck::NormalNotPlausible},
        {1e-40, 1000.0, ProbeCalibrationCheck::NormalNotPlausible},
        {nan, 1000.0, ProbeCalibrationCheck::NormalNotPlausible},
        {inf, 1000.0, ProbeCalibrationCheck::NormalNotPlausible},
        {1413.0, 0.0, ProbeCalibrationCheck::ConductanceNotPositive},
        {1413.0, -84.0, ProbeCalibrationCheck::ConductanceNotPositive},
        {1413.0, nan, ProbeCalibrationCheck::ConductanceNotPositive},
        {1413.0, inf, ProbeCalibrationCheck::ConductanceNotPositive},
        // 0.01 / 1e5 = 1e-7: below the smallest coefficient written.
        {0.01, 1e5, ProbeCalibrationCheck::CoefficientNotPlausible},
        // Beyond the float range after the division.
        {1e30, 1e-20, ProbeCalibrationCheck::CoefficientNotPlausible},
    };
    for (const Case& c : refused) {
        SCOPED_TRACE(testing::Message() << c.normal << " / " << c.conductance);
        const ProbeCalibrationResult r = CalibrateOnePoint(c.normal, c.conductance);
        EXPECT_EQ(r.check, c.check);
        EXPECT_EQ(r.coefficient, 0.0f);
        EXPECT_STRNE(ProbeCalibrationProblem(r.check), "");
    }

    // 1413 uS/cm over 1413 uS: a cell constant of 1/cm.
    ProbeCalibrationResult r = CalibrateOnePoint(1413.0, 1413.0);
    EXPECT_EQ(r.check, ProbeCalibrationCheck::Plausible);
    EXPECT_EQ(r.coefficient, 1.0f);
    r = CalibrateOnePoint(0.01, 1e4);  // exactly 1e-6 after rounding is still taken
    EXPECT_EQ(r.check, ProbeCalibrationCheck::Plausible);
    EXPECT_EQ(r.coefficient, 1e-6f);
    EXPECT_STREQ(ProbeCalibrationProblem(ProbeCalibrationCheck::Plausible), "");
}
