#include "model/probe_characteristic.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>

#include "model/polynomial_fit.h"
#include "model/probe_table.h"

FitResult FitProbeCharacteristic(std::span<const double> conductance,
                                 std::span<const double> normal, bool shift,
                                 uint16_t firmwareVersion) {
    FitResult result;
    const size_t count = std::min(conductance.size(), normal.size());
    const bool throughOrigin = shift || count < 2 || firmwareVersion < ConstantTermFirmware;
    const size_t maxDegree = shift ? 1 : 3;
    const size_t usable = throughOrigin ? count : count - 1;
    const size_t degree = std::min(usable, maxDegree);
    if (degree == 0) return result;

    auto fit = std::make_unique<PolynomialFit>(static_cast<int32_t>(degree));
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
