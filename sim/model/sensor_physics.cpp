#include "sim/model/sensor_physics.h"

#include <bit>
#include <cmath>

namespace sim {
namespace {

constexpr double KelvinOffset = 273.15;

// Callendar-Van Dusen for platinum: the cubic term only below 0 °C.
double PlatinumRatio(double t) {
    constexpr double A = 3.9083e-3;
    constexpr double B = -5.775e-7;
    constexpr double C = -4.183e-12;
    double ratio = 1.0 + A * t + B * t * t;
    if (t < 0.0) ratio += C * (t - 100.0) * t * t * t;
    return ratio;
}

double Nickel5000Ratio(double t) {
    return 1.0 + t * (4.427e-3 + t * (5.172e-6 + t * 5.585e-9));
}

double Nickel6180Ratio(double t) {
    const double t2 = t * t;
    return 1.0 + 5.485e-3 * t + 6.65e-6 * t2 + 2.805e-11 * t2 * t2 - 2e-17 * t2 * t2 * t2;
}

// The thermistor: ln R as a polynomial in the reciprocal absolute temperature.
double ThermistorOhms(double t) {
    constexpr double b[6] = {0.247668096821909, -2439.6999802563, 2684251.94120609,
                             -479259737.793542, 28113750955.6653, 637513805722.556};
    const double u = 1.0 / (t + KelvinOffset);
    double acc = b[5];
    for (int k = 4; k >= 0; --k)
        acc = acc * u + b[k];
    return std::exp(acc);
}

std::array<float, 5> TableOfBits(uint32_t c0, uint32_t c1, uint32_t c2, uint32_t c3) {
    return {std::bit_cast<float>(c0), std::bit_cast<float>(c1), std::bit_cast<float>(c2),
            std::bit_cast<float>(c3), 0.0f};
}

}  // namespace

std::string_view SensorModelName(SensorModel model) {
    switch (model) {
        case SensorModel::Pt100:
            return "pt100";
        case SensorModel::Pt1000:
            return "pt1000";
        case SensorModel::Ni1000_5000:
            return "ni5000";
        case SensorModel::Ni1000_6180:
            return "ni6180";
        case SensorModel::Ntc3k0:
            return "ntc";
    }
    return "?";
}

std::optional<SensorModel> SensorModelFromName(std::string_view name) {
    for (int i = 0; i < SensorModelCount; ++i) {
        const auto model = static_cast<SensorModel>(i);
        if (SensorModelName(model) == name) return model;
    }
    return std::nullopt;
}

double SensorResistance(SensorModel model, double celsius) {
    switch (model) {
        case SensorModel::Pt100:
            return 100.0 * PlatinumRatio(celsius);
        case SensorModel::Pt1000:
            return 1000.0 * PlatinumRatio(celsius);
        case SensorModel::Ni1000_5000:
            return 1000.0 * Nickel5000Ratio(celsius);
        case SensorModel::Ni1000_6180:
            return 1000.0 * Nickel6180Ratio(celsius);
        case SensorModel::Ntc3k0:
            return ThermistorOhms(celsius);
    }
    return 0.0;
}

SensorSetting FactorySensorSetting(SensorModel model) {
    switch (model) {
        case SensorModel::Pt100:
            return {TableOfBits(0xC375CE31, 0x4016E523, 0x3A8379B3, 0), 2, 0};
        case SensorModel::Pt1000:
            return {TableOfBits(0xC375CE31, 0x3E716E9F, 0x372849DB, 0), 2, 0};
        case SensorModel::Ni1000_5000:
            return {TableOfBits(0xC3897AF7, 0x3EA66422, 0xB851FC5E, 0), 2, 0};
        case SensorModel::Ni1000_6180:
            return {TableOfBits(0xC3553920, 0x3E7AD44C, 0xB80551C6, 0), 2, 0};
        case SensorModel::Ntc3k0:
            return {TableOfBits(0x3AA5D685, 0x3995E76F, 0xB698CC71, 0x343FBD78), 3, 1};
    }
    return {};
}

std::optional<SensorModel> SensorModelOfTable(const std::array<float, 5>& table) {
    for (int i = 0; i < SensorModelCount; ++i) {
        const auto model = static_cast<SensorModel>(i);
        if (FactorySensorSetting(model).table == table) return model;
    }
    return std::nullopt;
}

std::optional<double> TableTemperature(const std::array<float, 5>& table, uint8_t degree,
                                       uint8_t kind, double ohms) {
    if (kind > 1 || !(ohms > 0.0)) return std::nullopt;
    const double x = kind == 0 ? ohms : std::log(ohms);
    const int top = degree < 4 ? degree : 4;
    double acc = 0.0;
    for (int k = top; k >= 0; --k)
        acc = acc * x + static_cast<double>(table[k]);
    double celsius = acc;
    if (kind == 1) {
        if (!(acc > 0.0)) return std::nullopt;
        celsius = 1.0 / acc - KelvinOffset;
    }
    if (!std::isfinite(celsius)) return std::nullopt;
    return celsius;
}

}  // namespace sim
