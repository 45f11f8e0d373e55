#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <vector>

#include "model/polynomial_fit.h"
#include "model/probe_characteristic.h"

namespace {

using Status = FitResult::Status;

FitResult Fit(const std::vector<double>& g, const std::vector<double>& kappa, bool shift,
              uint16_t firmware) {
    return FitProbeCharacteristic(g, kappa, shift, firmware);
}

// Distance of a float from the expected float in units in the last place of the expected one.
double UlpError(float actual, float expected) {
    const float ulp = std::nextafter(std::fabs(expected), std::numeric_limits<float>::infinity()) -
                      std::fabs(expected);
    return std::fabs(static_cast<double>(actual) - expected) / ulp;
}

// The cubic K[0] + K[1]*g + K[2]*g^2 + K[3]*g^3, evaluated once in extended and rounded to double.
double OnCubic(const std::array<float, 4>& k, double g) {
    const long double x = g;
    return static_cast<double>(k[0] + x * (k[1] + x * (k[2] + x * static_cast<long double>(k[3]))));
}

}  // namespace

TEST(ProbeCharacteristic, TwoPointsGiveTheLineOrTheProportionalFitOrTheParabola) {
    const std::vector<double> g = {100.0, 1000.0};
    const std::vector<double> kappa = {141.0, 1413.0};

    // Firmware 1.03: the straight line through both points.
    FitResult line = Fit(g, kappa, false, 0x0103);
    ASSERT_EQ(line.status, Status::Fitted);
    EXPECT_FLOAT_EQ(line.coefficients[0], -1.0f / 3.0f);
    EXPECT_FLOAT_EQ(line.coefficients[1], 1.41333333f);
    EXPECT_EQ(line.coefficients[2], 0.0f);
    EXPECT_EQ(line.coefficients[3], 0.0f);

    // Shift: K[1] = sum G*kappa / sum G^2 = 1427100 / 1010000.
    FitResult proportional = Fit(g, kappa, true, 0x0103);
    ASSERT_EQ(proportional.status, Status::Fitted);
    EXPECT_EQ(proportional.coefficients[0], 0.0f);
    EXPECT_FLOAT_EQ(proportional.coefficients[1], 1.41297030f);
    EXPECT_EQ(proportional.coefficients[2], 0.0f);
    EXPECT_EQ(proportional.coefficients[3], 0.0f);

    // Firmware 1.02 has no K[0]: the parabola through both points and the origin.
    FitResult parabola = Fit(g, kappa, false, 0x0102);
    ASSERT_EQ(parabola.status, Status::Fitted);
    EXPECT_EQ(parabola.coefficients[0], 0.0f);
    EXPECT_FLOAT_EQ(parabola.coefficients[1], 1.40966667f);
    EXPECT_FLOAT_EQ(parabola.coefficients[2], 3.33333333e-06f);
    EXPECT_EQ(parabola.coefficients[3], 0.0f);
}

TEST(ProbeCharacteristic, OnePointAndNoPoint) {
    FitResult one = Fit({500.0}, {700.0}, false, 0x0103);
    ASSERT_EQ(one.status, Status::Fitted);
    EXPECT_EQ(one.coefficients[0], 0.0f);
    EXPECT_FLOAT_EQ(one.coefficients[1], 1.4f);
    EXPECT_EQ(one.coefficients[2], 0.0f);
    EXPECT_EQ(one.coefficients[3], 0.0f);

    EXPECT_EQ(Fit({}, {}, false, 0x0103).status, Status::NothingToDo);
    EXPECT_EQ(Fit({}, {}, true, 0x0100).status, Status::NothingToDo);
}

TEST(ProbeCharacteristic, DegreeFollowsPointsShiftAndFirmware) {
    const std::vector<double> g = {50.0, 200.0, 900.0, 2500.0, 6000.0};
    const std::vector<double> kappa = {70.0, 290.0, 1300.0, 3400.0, 7500.0};
    auto take = [](const std::vector<double>& v, size_t n) {
        return std::vector<double>(v.begin(), v.begin() + n);
    };
    auto through = [](const FitResult& fit, double x, double y) {
        const auto& k = fit.coefficients;
        const double at = k[0] + x * (k[1] + x * (k[2] + x * k[3]));
        return std::fabs(at - y) <= 2e-5 * std::fabs(y);
    };

    // Firmware 1.03: 3 points give the parabola and 4 the cubic, through every point.
    FitResult parabola = Fit(take(g, 3), take(kappa, 3), false, 0x0103);
    ASSERT_EQ(parabola.status, Status::Fitted);
    EXPECT_NE(parabola.coefficients[0], 0.0f);
    EXPECT_NE(parabola.coefficients[2], 0.0f);
    EXPECT_EQ(parabola.coefficients[3], 0.0f);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(through(parabola, g[i], kappa[i])) << i;

    FitResult cubic = Fit(take(g, 4), take(kappa, 4), false, 0x0103);
    ASSERT_EQ(cubic.status, Status::Fitted);
    EXPECT_NE(cubic.coefficients[3], 0.0f);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_TRUE(through(cubic, g[i], kappa[i])) << i;

    // Older firmware: 3 points give the cubic through them and the origin.
    FitResult old = Fit(take(g, 3), take(kappa, 3), false, 0x0102);
    ASSERT_EQ(old.status, Status::Fitted);
    EXPECT_EQ(old.coefficients[0], 0.0f);
    EXPECT_NE(old.coefficients[3], 0.0f);
    for (size_t i = 0; i < 3; ++i)
        EXPECT_TRUE(through(old, g[i], kappa[i])) << i;

    // Five points: least squares, a cubic that passes through none of them exactly.
    FitResult squares = Fit(g, kappa, false, 0x0200);
    ASSERT_EQ(squares.status, Status::Fitted);
    EXPECT_NE(squares.coefficients[0], 0.0f);
    EXPECT_NE(squares.coefficients[3], 0.0f);

    // Shift always gives the proportional fit, whatever the count and firmware.
    FitResult proportional = Fit(g, kappa, true, 0x0200);
    ASSERT_EQ(proportional.status, Status::Fitted);
    double gk = 0, gg = 0;
    for (size_t i = 0; i < g.size(); ++i)
        gk += g[i] * kappa[i], gg += g[i] * g[i];
    EXPECT_FLOAT_EQ(proportional.coefficients[1], static_cast<float>(gk / gg));
    EXPECT_EQ(proportional.coefficients[0], 0.0f);
    EXPECT_EQ(proportional.coefficients[2], 0.0f);
    EXPECT_EQ(proportional.coefficients[3], 0.0f);
}

TEST(ProbeCharacteristic, TenPointsOnACubicGiveThatCubicToFloatPrecision) {
    const std::array<float, 4> exact = {-0.75f, 1.4133f, 2.5e-05f, -1.2e-09f};
    std::vector<double> geometric, linear;
    for (int i = 0; i < 10; ++i) {
        geometric.push_back(std::pow(10.0, 4.0 * i / 9.0));  // 1 .. 10000 uS
        linear.push_back(1.0 + 1111.0 * i);                  // 1 .. 10000 uS
    }
    double worst = 0.0;
    for (const auto* g : {&geometric, &linear}) {
        std::vector<double> kappa;
        for (double x : *g)
            kappa.push_back(OnCubic(exact, x));
        FitResult fit = Fit(*g, kappa, false, 0x0103);
        ASSERT_EQ(fit.status, Status::Fitted);
        for (size_t k = 0; k < 4; ++k) {
            const double error = UlpError(fit.coefficients[k], exact[k]);
            EXPECT_LE(error, 2.0) << "K[" << k << "]";
            worst = std::max(worst, error);
        }
    }
    std::printf("ten points on a cubic: largest coefficient error %.1f ulp of float\n", worst);
}

TEST(PolynomialFit, DegreeIsCappedAtNineAndSumsArePlainPowers) {
    EXPECT_EQ(PolynomialFit(12).degree, 9);
    EXPECT_EQ(PolynomialFit(9).degree, 9);
    EXPECT_EQ(PolynomialFit(3).degree, 3);

    PolynomialFit fit(2);
    fit.AddPoint(2.0, 3.0);
    fit.AddPoint(-1.0, 5.0);
    const long double s[] = {2, 1, 5, 7, 17};
    for (int k = 0; k <= 4; ++k)
        EXPECT_EQ(fit.powerSums[k], s[k]) << k;
    EXPECT_EQ(fit.powerSums[5], 0.0L);
    EXPECT_EQ(fit.solution[0], 8.0L);   // 3 + 5
    EXPECT_EQ(fit.solution[1], 1.0L);   // 6 - 5
    EXPECT_EQ(fit.solution[2], 17.0L);  // 12 + 5
    EXPECT_EQ(fit.solution[3], 0.0L);

    fit.matrix[5][5] = 99.0L;
    fit.BuildNormalEquations();
    EXPECT_EQ(fit.matrix[5][5], 0.0L);
    EXPECT_EQ(fit.matrix[1][2], 7.0L);
    EXPECT_EQ(fit.matrix[2][2], 17.0L);
    EXPECT_EQ(fit.matrix[2][3], 17.0L);
    EXPECT_EQ(fit.matrix[0][3], 8.0L);
}

TEST(PolynomialFit, PivotSearchKeepsTheUpperRowOnEqualMagnitudes) {
    // Rows (2, 1 | 5) and (-2, 3 | 3): equal magnitudes, no exchange.
    PolynomialFit equal(1);
    long double a[2][3] = {{2, 1, 5}, {-2, 3, 3}};
    for (int r = 0; r < 2; ++r)
        for (int j = 0; j < 3; ++j)
            equal.matrix[r][j] = a[r][j];
    ASSERT_TRUE(equal.Solve(false));
    EXPECT_EQ(equal.matrix[0][0], 2.0L);
    EXPECT_EQ(equal.matrix[0][1], 1.0L);
    EXPECT_EQ(equal.matrix[0][2], 5.0L);
    EXPECT_EQ(equal.matrix[1][1], 4.0L);
    EXPECT_EQ(equal.solution[1], 2.0L);
    EXPECT_EQ(equal.solution[0], 1.5L);

    // A strictly larger magnitude below is taken as the pivot.
    PolynomialFit larger(1);
    long double b[2][3] = {{2, 1, 5}, {-4, 2, -2}};
    for (int r = 0; r < 2; ++r)
        for (int j = 0; j < 3; ++j)
            larger.matrix[r][j] = b[r][j];
    ASSERT_TRUE(larger.Solve(false));
    EXPECT_EQ(larger.matrix[0][0], -4.0L);
    EXPECT_EQ(larger.matrix[0][2], -2.0L);
    EXPECT_EQ(larger.matrix[1][1], 2.0L);
    EXPECT_EQ(larger.solution[1], 2.0L);
    EXPECT_EQ(larger.solution[0], 1.5L);
}

TEST(PolynomialFit, ThroughOriginLeavesRowAndColumnZeroOut) {
    PolynomialFit fit(1);
    // Row 0 would make the system inconsistent; with throughOrigin only 4*K1 = 8 counts.
    long double a[2][3] = {{0, 7, 1}, {9, 4, 8}};
    for (int r = 0; r < 2; ++r)
        for (int j = 0; j < 3; ++j)
            fit.matrix[r][j] = a[r][j];
    ASSERT_TRUE(fit.Solve(true));
    EXPECT_EQ(fit.solution[0], 0.0L);
    EXPECT_EQ(fit.solution[1], 2.0L);
    EXPECT_EQ(fit.matrix[1][0], 9.0L);
}

TEST(ProbeCharacteristic, PointsThatDetermineNoCurveAreAFailure) {
    // Two points with the same conductance on firmware 1.03: no line through both.
    FitResult same = Fit({100.0, 100.0}, {141.0, 150.0}, false, 0x0103);
    EXPECT_EQ(same.status, Status::Failed);
    EXPECT_EQ(same.coefficients, (std::array<float, 4>{}));

    // Shift with every conductance 0.
    EXPECT_EQ(Fit({0.0, 0.0, 0.0}, {1.0, 2.0, 3.0}, true, 0x0103).status, Status::Failed);
    // One point at conductance 0.
    EXPECT_EQ(Fit({0.0}, {5.0}, false, 0x0103).status, Status::Failed);

    // Three equal conductances for a parabola: elimination leaves only rounding noise.
    EXPECT_EQ(Fit({0.1, 0.1, 0.1}, {1.0, 2.0, 3.0}, false, 0x0103).status, Status::Failed);
    // Four points on two conductances for a cubic.
    EXPECT_EQ(Fit({0.3, 0.7, 0.3, 0.7}, {1.0, 2.0, 1.5, 2.5}, false, 0x0103).status,
              Status::Failed);

    PolynomialFit direct(1);
    direct.AddPoint(3.0, 1.0);
    direct.AddPoint(3.0, 2.0);
    direct.BuildNormalEquations();
    EXPECT_FALSE(direct.Solve(false));
    for (long double k : direct.solution)
        EXPECT_TRUE(std::isfinite(k));

    // A slope beyond the float range cannot go to the converter.
    EXPECT_EQ(Fit({1e-40, 2e-40}, {1.0, 2.0}, true, 0x0103).status, Status::Failed);
    // A NaN point gives no coefficients either.
    EXPECT_EQ(Fit({100.0, std::nan("")}, {141.0, 1413.0}, false, 0x0103).status, Status::Failed);
}

TEST(ProbeCharacteristic, CloseButDistinctConductancesStillFit) {
    // Four points within 1 % of each other determine their cubic, if poorly conditioned.
    const double g[] = {1000.0, 1003.0, 1006.0, 1010.0};
    const double kappa[] = {1413.0, 1417.5, 1421.9, 1427.8};
    PolynomialFit fit(3);
    for (int i = 0; i < 4; ++i)
        fit.AddPoint(g[i], kappa[i]);
    fit.BuildNormalEquations();
    ASSERT_TRUE(fit.Solve(false));
    for (int i = 0; i < 4; ++i) {
        const long double x = g[i];
        const long double* k = fit.solution;
        const long double at = k[0] + x * (k[1] + x * (k[2] + x * k[3]));
        EXPECT_NEAR(static_cast<double>(at), kappa[i], 1e-4) << i;
    }
    EXPECT_EQ(FitProbeCharacteristic(g, kappa, false, 0x0103).status, Status::Fitted);
}
