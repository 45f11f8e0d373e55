#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/probe_characteristic.h"

class ProbeTable;

// One point of the probe table beside the fitted characteristic at its conductance.
struct PointResidual {
    double conductance = 0.0;  // G, uS
    double normal = 0.0;       // kappa, uS/cm
    double fitted = 0.0;       // K0 + K1*G + K2*G^2 + K3*G^3 with the coefficients as stored
    double residual = 0.0;     // fitted - normal, uS/cm
    // residual / normal * 100; nothing for a normal of 0
    std::optional<double> residualPercent;
};

// The converter a record was made at (zr3ctl's -p).
struct RecordedConverter {
    std::string identity;
    std::string firmware;
    int32_t serialNumber = 0;
    // The probe coefficients the converter held when the record was made.
    std::optional<std::array<float, 4>> coefficients;
};

// A probe table's calibration as a reviewer files it: the points, the fit, the rule that chose
// its degree and how far each point lies from the fitted curve.
struct ProbeTableRecord {
    std::string time;   // when the record was made, ISO 8601 with the UTC offset
    std::string table;  // the table's file
    uint16_t firmware = ConstantTermFirmware;  // the firmware the fit was made for
    bool shift = false;
    FitDegree rule;
    std::array<float, 4> coefficients{};
    std::vector<PointResidual> points;
    // The point with the largest residual in magnitude, absolute and in %.
    size_t largestAbsolute = 0;
    std::optional<size_t> largestPercent;
    std::optional<RecordedConverter> converter;
};

// The characteristic at G, evaluated in double with the coefficients as stored.
double CharacteristicAt(const std::array<float, 4>& k, double conductance);

// The record of a table and the coefficients fitted to it.
ProbeTableRecord MakeProbeTableRecord(const ProbeTable& table, const FitResult& fit, bool shift,
                                      uint16_t firmware);

// In words, the degree rule as it applied: "3 points, firmware 1.03: ...".
std::string DegreeRuleText(const ProbeTableRecord& record);

// The record as one JSON document (numbers as the shortest texts that read back exactly).
std::string ProbeTableRecordJson(const ProbeTableRecord& record);
