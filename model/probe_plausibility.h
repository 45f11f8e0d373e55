#pragma once

#include <optional>

// The one plausibility rule of a one-point probe calibration, asked by the window's dialog and by
// zr3ctl alike: K[1] = normal / average conductance only when every part of it makes sense.

// The smallest reference conductivity taken, in uS/cm: what a field of two decimals shows as 0.01.
constexpr double MinimumNormal = 0.01;
// The smallest probe coefficient written, in 1/cm.
constexpr float MinimumCoefficient = 1e-6f;

enum class ProbeCalibrationCheck {
    Plausible,
    NormalNotPlausible,       // below MinimumNormal, or not finite
    ConductanceNotPositive,   // the average conductance is 0, negative or not finite
    CoefficientNotPlausible,  // K[1] is not a normal float of at least MinimumCoefficient
};

// A normal the calibration can use: finite and at least MinimumNormal.
bool NormalIsPlausible(double normal);

struct ProbeCalibrationResult {
    ProbeCalibrationCheck check = ProbeCalibrationCheck::NormalNotPlausible;
    float coefficient = 0.0f;  // K[1], set only when check is Plausible
};

// Checks the normal first, then the average conductance, then the quotient rounded to a float.
ProbeCalibrationResult CalibrateOnePoint(double normal, double averageConductance);

// Why a calibration was refused, in words for the user ("" for Plausible), e.g.
// "the normal is below 0.01 uS/cm or no number".
const char* ProbeCalibrationProblem(ProbeCalibrationCheck check);
