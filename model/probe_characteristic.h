#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

class ProbeTable;

// Outcome of "Calculate": nothing to do (no point), the four coefficients K[0]..K[3] of
// kappa = K[0] + K[1]*G + K[2]*G^2 + K[3]*G^3, or points that determine no usable curve.
struct FitResult {
    enum class Status { NothingToDo, Fitted, Failed };
    Status status = Status::NothingToDo;
    std::array<float, 4> coefficients{};
};

// First firmware whose converter keeps a constant term K[0].
constexpr uint16_t ConstantTermFirmware = 0x0103;

// The degree rule of "Calculate": the polynomial's degree and whether it goes through the origin
// for this many points; degree 0 means there is nothing to fit.
struct FitDegree {
    int32_t degree = 0;
    bool throughOrigin = false;
};
FitDegree ChooseFitDegree(size_t pointCount, bool shift, uint16_t firmwareVersion);

// Fits the probe characteristic through the points (conductance G in uS, normal kappa in
// uS/cm): with shift a proportional fit, otherwise up to a cubic, through the origin when the
// firmware has no K[0] or there is only one point. Coefficients that are not finite floats after
// rounding make the result Failed.
FitResult FitProbeCharacteristic(std::span<const double> conductance,
                                 std::span<const double> normal, bool shift,
                                 uint16_t firmwareVersion);

// The same over the points of a probe table, in table order.
FitResult FitProbeCharacteristic(const ProbeTable& table, bool shift, uint16_t firmwareVersion);
