#include "sim/model/measurement.h"

#include <bit>
#include <cmath>

#include "sim/model/wire_bytes.h"

namespace sim {
namespace {

// Conductance the cable adds per unit of capacity that is not compensated.
constexpr double CableConductancePerUnit = 0.1;
constexpr double SolutionReferenceCelsius = 25.0;

// Readings get quieter as the converter averages longer.
double DampingFactor(uint8_t damping) {
    return 1.0 / std::sqrt(1.0 + damping);
}

}  // namespace

double NonlinearTemperatureFactor(double deltaKelvin) {
    return 1.0 + deltaKelvin * (0.0191 + deltaKelvin * 0.00008);
}

Measurement::Measurement(const ProcessOptions& options)
    : setTemperature(options.temperature),
      conductivity(options.conductivity),
      cellConstant(options.cellConstant),
      cableCapacity(options.cableCapacity),
      noise(options.noise),
      drift(options.drift),
      noiseSource(options.seed),
      driftSource(options.seed ^ 0x5DEECE66Dull) {}

void Measurement::SetDrift(bool on) {
    drift = on;
    if (!on) driftOffset = 0.0;
}

void Measurement::SetWiredSensor(std::optional<SensorModel> model) {
    followTable = !model.has_value();
    if (model) wired = *model;
}

void Measurement::Advance(uint64_t ms) {
    clock += ms;
    if (!drift) return;
    driftRemainderMs += ms;
    // One step a second, a mean-reverting walk of about 0.02 K.
    uint64_t steps = driftRemainderMs / 1000;
    driftRemainderMs %= 1000;
    if (steps > 100000) steps = 100000;
    for (uint64_t i = 0; i < steps; ++i) {
        driftOffset = 0.98 * driftOffset + 0.004 * driftSource.Gaussian();
    }
}

void Measurement::OnSensorCommitted(const ConverterState& state) {
    if (!followTable) return;
    if (auto model = SensorModelOfTable(state.appliedSensor.table)) wired = *model;
}

std::optional<double> Measurement::MeasuredOhms(const ConverterState& state) const {
    if (sensorBroken) return std::nullopt;
    const double ohms = SensorResistance(wired, ProcessTemperature());
    if (!(ohms >= state.appliedLowerLimit && ohms <= state.appliedUpperLimit)) {
        return std::nullopt;
    }
    return ohms;
}

std::optional<double> Measurement::MeasuredTemperature(const ConverterState& state) const {
    const auto ohms = MeasuredOhms(state);
    if (!ohms) return std::nullopt;
    const auto& sensor = state.appliedSensor;
    return TableTemperature(sensor.table, sensor.degree, sensor.kind, *ohms);
}

uint32_t Measurement::ResistanceBits(const ConverterState& state) {
    auto ohms = MeasuredOhms(state);
    if (!ohms) return FailedMeasurementBits;
    if (noise) *ohms += *ohms * 2e-5 * DampingFactor(state.tempDamping) * noiseSource.Gaussian();
    return std::bit_cast<uint32_t>(static_cast<float>(*ohms));
}

uint32_t Measurement::TemperatureBits(const ConverterState& state) {
    auto ohms = MeasuredOhms(state);
    if (!ohms) return FailedMeasurementBits;
    if (noise) *ohms += *ohms * 2e-5 * DampingFactor(state.tempDamping) * noiseSource.Gaussian();
    const auto& sensor = state.appliedSensor;
    const auto celsius = TableTemperature(sensor.table, sensor.degree, sensor.kind, *ohms);
    if (!celsius) return FailedMeasurementBits;
    return std::bit_cast<uint32_t>(static_cast<float>(*celsius));
}

double Measurement::SampleConductance(const ConverterState& state) {
    const double solution =
        conductivity * NonlinearTemperatureFactor(ProcessTemperature() - SolutionReferenceCelsius);
    double conductance = cellConstant > 0.0 ? solution / cellConstant : 0.0;
    conductance += CableConductancePerUnit * (cableCapacity - state.cableCompensation);
    if (noise) {
        const double sigma =
            (5e-4 * std::fabs(conductance) + 0.01) * DampingFactor(state.inputDamping);
        conductance += sigma * noiseSource.Gaussian();
    }
    return conductance;
}

double Measurement::CompensatedConductivity(const ConverterState& state, double conductance) const {
    const auto& k = state.probe;
    const double k0 = state.firmwareVersion >= FirmwareWithFourCoefficients ? k[0] : 0.0;
    const double raw = k0 + conductance * (k[1] + conductance * (k[2] + conductance * k[3]));
    const auto celsius = MeasuredTemperature(state);
    if (!celsius) return raw;  // no valid temperature: nothing to compensate with
    const double delta = *celsius - state.referenceTemperature;
    double factor = 1.0;
    if (state.compensationMode == 1) factor = 1.0 + state.tempCoefficient * delta;
    if (state.compensationMode == 2) factor = NonlinearTemperatureFactor(delta);
    if (!(factor > 0.01)) return raw;
    return raw / factor;
}

float Measurement::Conductance(const ConverterState& state) {
    return static_cast<float>(SampleConductance(state));
}

float Measurement::Conductivity(const ConverterState& state) {
    return static_cast<float>(CompensatedConductivity(state, SampleConductance(state)));
}

float Measurement::Ratio(const ConverterState& state) {
    const double span = static_cast<double>(state.rangeEnd) - state.rangeStart;
    if (span == 0.0 || !std::isfinite(span)) return 0.0f;
    const double value = CompensatedConductivity(state, SampleConductance(state));
    return static_cast<float>((value - state.rangeStart) / span);
}

float Measurement::CableCapacity(const ConverterState& state) {
    double capacity = cableCapacity;
    if (noise) capacity += 0.05 * DampingFactor(state.inputDamping) * noiseSource.Gaussian();
    return static_cast<float>(capacity);
}

}  // namespace sim
