#include "model/temperature_sensor.h"

#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>

namespace {

// Converter tables; recognition compares them bit for bit, so each value is pinned to its pattern.
constexpr SensorTable Pt100Table = {-245.80544f, 2.3577354f, 0.0010030776f, 0.0f, 0.0f};
constexpr SensorTable Pt1000Table = {-245.80544f, 0.23577355f, 1.0030776e-05f, 0.0f, 0.0f};
constexpr SensorTable Ni5000Table = {-274.96066f, 0.3249827f, -5.006452e-05f, 0.0f, 0.0f};
constexpr SensorTable Ni6180Table = {-213.22314f, 0.24495047f, -3.178583e-05f, 0.0f, 0.0f};
constexpr SensorTable NtcTable = {0.0012652433f, 0.00028591926f, -4.553753e-06f, 1.785719e-07f,
                                  0.0f};

constexpr bool HasPattern(const SensorTable& table, const std::array<uint32_t, 5>& bits) {
    for (size_t i = 0; i < table.size(); ++i)
        if (std::bit_cast<uint32_t>(table[i]) != bits[i]) return false;
    return true;
}

static_assert(HasPattern(Pt100Table, {0xC375CE31, 0x4016E523, 0x3A8379B3, 0, 0}));
static_assert(HasPattern(Pt1000Table, {0xC375CE31, 0x3E716E9F, 0x372849DB, 0, 0}));
static_assert(HasPattern(Ni5000Table, {0xC3897AF7, 0x3EA66422, 0xB851FC5E, 0, 0}));
static_assert(HasPattern(Ni6180Table, {0xC3553920, 0x3E7AD44C, 0xB80551C6, 0, 0}));
static_assert(HasPattern(NtcTable, {0x3AA5D685, 0x3995E76F, 0xB698CC71, 0x343FBD78, 0}));

// Forward models, lowest power first.
constexpr double PtA = 0.0039083;
constexpr double PtB = -5.775e-07;
constexpr double PtC = -4.183e-12;
constexpr double PtForward[] = {1.0, PtA, PtB};
constexpr double Ni5000Forward[] = {1.0, 0.004427, 5.172e-06, 5.585e-09};
constexpr double Ni6180Forward[] = {1.0, 0.005485, 6.65e-06, 0.0, 2.805e-11, 0.0, -2e-17};
constexpr double NtcForward[] = {0.247668096821909, -2439.6999802563, 2684251.94120609,
                                 -479259737.793542, 28113750955.6653, 637513805722.556};

// One Horner step: computed in extended precision, stored as a double.
double HornerStep(double acc, long double x, double coefficient) {
    return static_cast<double>(x * acc + coefficient);
}

// Horner's scheme from the highest power down to a[0].
template <size_t N>
double Horner(const double (&a)[N], long double x) {
    double acc = a[N - 1];
    for (size_t k = N - 1; k-- > 0;)
        acc = HornerStep(acc, x, a[k]);
    return acc;
}

// The relative resistance scaled by r0: rounded to a double first, then to the float result.
float Scaled(double relative, double r0) {
    double resistance = static_cast<double>(static_cast<long double>(relative) * r0);
    return static_cast<float>(resistance);
}

}  // namespace

Pt100Sensor::Pt100Sensor()
    : TemperatureSensor("Pt100 (3850)", Pt100Table, 2, ResistanceKind, 100.0) {}

float Pt100Sensor::ResistanceAt(float t) const {
    const long double x = t;
    // Below 0 degC the Callendar-Van Dusen C term joins in; NaN takes the upper branch.
    if (!(t < 0.0f)) return Scaled(Horner(PtForward, x), r0);
    double acc = static_cast<double>((x - 100.0L) * PtC);
    acc = HornerStep(acc, x, PtB);
    acc = HornerStep(acc, x, PtA);
    acc = HornerStep(acc, x, 1.0);
    return Scaled(acc, r0);
}

Pt1000Sensor::Pt1000Sensor() {
    name = "Pt1000 (3850)";
    coefficients = &Pt1000Table;
    r0 = 1000.0;
}

NiSensor5000::NiSensor5000()
    : TemperatureSensor("Ni1000 (5000)", Ni5000Table, 2, ResistanceKind, 1000.0) {}

float NiSensor5000::ResistanceAt(float t) const {
    return Scaled(Horner(Ni5000Forward, static_cast<long double>(t)), r0);
}

NiSensor6180::NiSensor6180()
    : TemperatureSensor("Ni1000 (6180)", Ni6180Table, 2, ResistanceKind, 1000.0) {}

float NiSensor6180::ResistanceAt(float t) const {
    return Scaled(Horner(Ni6180Forward, static_cast<long double>(t)), r0);
}

// The thermistor has no nominal resistance at 0 degC: r0 stays 0.
NtcSensor::NtcSensor() : TemperatureSensor("NR351 3K0", NtcTable, 3, ThermistorKind, 0.0) {}

float NtcSensor::ResistanceAt(float t) const {
    // ln R is a polynomial in the reciprocal absolute temperature, taken as a float.
    const float u = static_cast<float>(1.0L / (static_cast<long double>(t) + 273.15L));
    const double exponent = Horner(NtcForward, static_cast<long double>(u));
    return static_cast<float>(std::exp(static_cast<long double>(exponent)));
}
