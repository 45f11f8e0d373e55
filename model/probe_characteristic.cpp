#include "model/probe_characteristic.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>

#include "model/polynomial_fit.h"
#include "model/probe_table.h"

FitDegree ChooseFitDegree(size_t pointCount, bool shift, uint16_t firmwareVersion) {
    FitDegree rule;
    rule.throughOrigin = shift || pointCount < 2 || firmwareVersion < ConstantTermFirmware;
    const size_t maxDegree = shift ? 1 : 3;
    const size_t usable = rule.throughOrigin ? pointCount : pointCount - 1;
    rule.degree = static_cast<int32_t>(std::min(usable, maxDegree));
    return rule;
}

FitResult FitProbeCharacteristic(std::span<const double> conductance,
                                 std::span<const double> normal, bool shift,
                                 uint16_t firmwareVersion) {
    FitResult result;
    const size_t count = std::min(conductance.size(), normal.size());
    const FitDegree rule = ChooseFitDegree(count, shift, firmwareVersion);
    const bool throughOrigin = rule.throughOrigin;
    if (rule.degree == 0) return result;

    auto fit = std::make_unique<PolynomialFit>(rule.degree);
    for (size_t i = 0; i < count; ++i)
        fit->AddPoint(conductance[i], normal[i]);
    fit->BuildNormalEquations();
    result.status = FitResult::Status::Failed;
    if (!fit->Solve(throughOrigin)) return result;

    std::array<float, 4> k{};
    for (size_t i = 0; i < k.size(); ++i) {
        k[i] = static_cast<float>(fit->solution[i]);
        // Beyond the float range the converter cannot hold the coefficient.
        if (!std::isfinite(k[i])) return result;
    }
    result.status = FitResult::Status::Fitted;
    result.coefficients = k;
    return result;
}

FitResult FitProbeCharacteristic(const ProbeTable& table, bool shift, uint16_t firmwareVersion) {
    const size_t count = std::min<size_t>(table.count, ProbeTable::Capacity);
    return FitProbeCharacteristic(std::span<const double>(table.conductance.data(), count),
                                  std::span<const double>(table.normal.data(), count), shift,
                                  firmwareVersion);
}
