#pragma once

#include <cstdint>
#include <optional>

#include "sim/model/converter_state.h"
#include "sim/model/noise_source.h"
#include "sim/model/sensor_physics.h"

// The process around the simulated converter (solution temperature and conductivity, the probe,
// the cable, the wired sensor) and the live values the converter derives from it with its stored
// settings. Noise and drift come from a seeded source and a clock the caller advances.
namespace sim {

struct ProcessOptions {
    double temperature = 25.0;     // °C
    double conductivity = 1413.0;  // uS/cm of the solution at 25 °C
    double cellConstant = 1.0;     // 1/cm: conductance = conductivity / cell constant
    double cableCapacity = 12.5;   // what the converter measures on the cable
    bool noise = true;
    bool drift = true;
    uint64_t seed = 1;
};

class Measurement {
  public:
    explicit Measurement(const ProcessOptions& options = {});

    void SetTemperature(double celsius) { setTemperature = celsius; }
    void SetConductivity(double microSiemensPerCm) { conductivity = microSiemensPerCm; }
    void SetCellConstant(double perCm) { cellConstant = perCm; }
    void SetCableCapacity(double capacity) { cableCapacity = capacity; }
    void SetSensorBroken(bool broken) { sensorBroken = broken; }
    void SetNoise(bool on) { noise = on; }
    void SetDrift(bool on);
    // A fixed sensor on the terminals, or none to follow each committed factory table.
    void SetWiredSensor(std::optional<SensorModel> model);

    double temperatureSetting() const { return setTemperature; }
    double conductivitySetting() const { return conductivity; }
    double cellConstantSetting() const { return cellConstant; }
    double cableCapacitySetting() const { return cableCapacity; }
    bool broken() const { return sensorBroken; }
    bool noiseOn() const { return noise; }
    bool driftOn() const { return drift; }
    SensorModel wiredSensor() const { return wired; }
    bool followsCommittedTable() const { return followTable; }
    uint64_t clockMs() const { return clock; }

    // Lets time pass: the process temperature drifts a little around its setting.
    void Advance(uint64_t ms);
    // A technician wiring the sensor whose factory table was just committed.
    void OnSensorCommitted(const ConverterState& state);

    // The solution's true temperature now.
    double ProcessTemperature() const { return setTemperature + driftOffset; }
    // Live values as the converter answers them (bit patterns of 32-bit floats).
    uint32_t ResistanceBits(const ConverterState& state);
    uint32_t TemperatureBits(const ConverterState& state);
    float Conductance(const ConverterState& state);
    float Conductivity(const ConverterState& state);
    float Ratio(const ConverterState& state);
    float CableCapacity(const ConverterState& state);

  private:
    std::optional<double> MeasuredOhms(const ConverterState& state) const;
    std::optional<double> MeasuredTemperature(const ConverterState& state) const;
    double SampleConductance(const ConverterState& state);
    double CompensatedConductivity(const ConverterState& state, double conductance) const;

    double setTemperature = 25.0;
    double conductivity = 0.0;
    double cellConstant = 1.0;
    double cableCapacity = 0.0;
    bool sensorBroken = false;
    bool noise = true;
    bool drift = true;
    SensorModel wired = SensorModel::Pt100;
    bool followTable = true;

    NoiseSource noiseSource;
    NoiseSource driftSource;
    double driftOffset = 0.0;
    uint64_t clock = 0;
    uint64_t driftRemainderMs = 0;
};

// How the simulated solution's conductivity rises with temperature, relative to the value at the
// reference: the converter's nonlinear compensation divides by the same curve.
double NonlinearTemperatureFactor(double deltaKelvin);

}  // namespace sim
