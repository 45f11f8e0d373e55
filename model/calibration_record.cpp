#include "model/calibration_record.h"

#include <algorithm>
#include <cmath>

#include "base/number_text.h"
#include "model/probe_table.h"
#include "model/record_text.h"

namespace {

constexpr const char* CoefficientNames[] = {"k0", "k1", "k2", "k3"};

std::string Bool(bool value) {
    return value ? "true" : "false";
}

std::string Coefficients(const std::array<float, 4>& k) {
    std::string text = "{";
    for (size_t i = 0; i < k.size(); ++i) {
        text +=
            std::string(i ? ", " : "") + JsonString(CoefficientNames[i]) + ": " + JsonNumber(k[i]);
    }
    return text + "}";
}

std::string Largest(size_t index, double value) {
    return "{\"point\": " + FormatInteger(static_cast<int32_t>(index + 1)) +
           ", \"value\": " + JsonNumber(value) + "}";
}

}  // namespace

double CharacteristicAt(const std::array<float, 4>& k, double conductance) {
    const double g = conductance;
    return ((static_cast<double>(k[3]) * g + k[2]) * g + k[1]) * g + k[0];
}

ProbeTableRecord MakeProbeTableRecord(const ProbeTable& table, const FitResult& fit, bool shift,
                                      uint16_t firmware) {
    ProbeTableRecord record;
    record.firmware = firmware;
    record.shift = shift;
    record.coefficients = fit.coefficients;
    const uint32_t count = std::min(table.count, ProbeTable::Capacity);
    record.rule = ChooseFitDegree(count, shift, firmware);
    double largest = -1.0;
    double largestPercent = -1.0;
    for (uint32_t i = 0; i < count; ++i) {
        PointResidual point;
        point.conductance = table.conductance[i];
        point.normal = table.normal[i];
        point.fitted = CharacteristicAt(fit.coefficients, point.conductance);
        point.residual = point.fitted - point.normal;
        if (point.normal != 0.0) point.residualPercent = point.residual / point.normal * 100.0;
        if (std::fabs(point.residual) > largest) {
            largest = std::fabs(point.residual);
            record.largestAbsolute = i;
        }
        if (point.residualPercent && std::fabs(*point.residualPercent) > largestPercent) {
            largestPercent = std::fabs(*point.residualPercent);
            record.largestPercent = i;
        }
        record.points.push_back(point);
    }
    return record;
}

std::string DegreeRuleText(const ProbeTableRecord& record) {
    const size_t count = record.points.size();
    std::string text = FormatInteger(static_cast<int32_t>(count)) +
                       (count == 1 ? " point" : " points") + ", firmware " +
                       FormatVersion(record.firmware) + ": ";
    if (record.shift) {
        text += "proportional fit K1 = sum(G*kappa) / sum(G^2) (shift)";
        return text;
    }
    if (record.rule.throughOrigin) {
        text += "degree = min(points, 3) through the origin (";
        text += count < 2 ? "one point" : "a firmware before 1.03 has no K0";
        text += ")";
    } else {
        text += "degree = min(points - 1, 3) with K0";
    }
    const size_t unknowns =
        static_cast<size_t>(record.rule.degree) + (record.rule.throughOrigin ? 0 : 1);
    text += count > unknowns ? ", least squares" : ", through every point";
    return text;
}

std::string ProbeTableRecordJson(const ProbeTableRecord& r) {
    std::string text = "{\n";
    text += "  \"format\": \"zr3ctl calibration record\",\n";
    text += "  \"version\": 1,\n";
    text += "  \"kind\": \"probe table\",\n";
    text += "  \"time\": " + JsonString(r.time) + ",\n";
    text += "  \"table\": " + JsonString(r.table) + ",\n";
    text += "  \"firmware\": " + JsonString(FormatVersion(r.firmware)) + ",\n";
    text += "  \"fit\": {\"degree\": " + FormatInteger(r.rule.degree) +
            ", \"through-origin\": " + Bool(r.rule.throughOrigin) +
            ", \"shift\": " + Bool(r.shift) + ", \"rule\": " + JsonString(DegreeRuleText(r)) +
            "},\n";
    text += "  \"coefficients\": " + Coefficients(r.coefficients) + ",\n";
    text += "  \"points\": [";
    for (size_t i = 0; i < r.points.size(); ++i) {
        const PointResidual& p = r.points[i];
        text += std::string(i ? "," : "") + "\n    {\"conductance\": " + JsonNumber(p.conductance) +
                ", \"normal\": " + JsonNumber(p.normal) + ", \"fitted\": " + JsonNumber(p.fitted) +
                ", \"residual\": " + JsonNumber(p.residual) + ", \"residual-percent\": " +
                (p.residualPercent ? JsonNumber(*p.residualPercent) : "null") + "}";
    }
    text += r.points.empty() ? "],\n" : "\n  ],\n";
    text += "  \"largest-residual\": {\"absolute\": ";
    text += r.points.empty() ? "null"
                             : Largest(r.largestAbsolute, r.points[r.largestAbsolute].residual);
    text += ", \"percent\": ";
    text += r.largestPercent
                ? Largest(*r.largestPercent, *r.points[*r.largestPercent].residualPercent)
                : "null";
    text += "}";
    if (r.converter) {
        const RecordedConverter& c = *r.converter;
        text += ",\n  \"converter\": {\"identity\": " + JsonString(c.identity) +
                ", \"firmware\": " + JsonString(c.firmware) +
                ", \"serial-number\": " + FormatInteger(c.serialNumber) +
                ", \"coefficients\": " + (c.coefficients ? Coefficients(*c.coefficients) : "null") +
                "}";
    }
    return text + "\n}\n";
}
