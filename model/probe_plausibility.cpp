#include "model/probe_plausibility.h"

#include <cmath>

bool NormalIsPlausible(double normal) {
    return std::isfinite(normal) && normal >= MinimumNormal;
}

ProbeCalibrationResult CalibrateOnePoint(double normal, double averageConductance) {
    ProbeCalibrationResult result;
    if (!NormalIsPlausible(normal)) return result;
    if (!std::isfinite(averageConductance) || averageConductance <= 0.0) {
        result.check = ProbeCalibrationCheck::ConductanceNotPositive;
        return result;
    }
    const float k1 = static_cast<float>(normal / averageConductance);
    // A subnormal or tiny coefficient would make the converter read next to nothing.
    if (!std::isfinite(k1) || std::fpclassify(k1) != FP_NORMAL || k1 < MinimumCoefficient) {
        result.check = ProbeCalibrationCheck::CoefficientNotPlausible;
        return result;
    }
    result.check = ProbeCalibrationCheck::Plausible;
    result.coefficient = k1;
    return result;
}

const char* ProbeCalibrationProblem(ProbeCalibrationCheck check) {
    switch (check) {
        case ProbeCalibrationCheck::Plausible:
            return "";
        case ProbeCalibrationCheck::NormalNotPlausible:
            return "the normal is below 0.01 uS/cm or no number";
        case ProbeCalibrationCheck::ConductanceNotPositive:
            return "the average conductance is not positive";
        case ProbeCalibrationCheck::CoefficientNotPlausible:
            return "the coefficient would be below 1e-6 1/cm or no number";
    }
    return "";
}
