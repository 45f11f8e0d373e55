#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The temperature sensors that can be wired to the simulated converter, how their resistance
// follows the temperature, and how the converter turns a resistance back into a temperature with
// the linearization table it has been given.
namespace sim {

enum class SensorModel : uint8_t { Pt100, Pt1000, Ni1000_5000, Ni1000_6180, Ntc3k0 };

constexpr int SensorModelCount = 5;

// Short names used on the control channel: pt100, pt1000, ni5000, ni6180, ntc.
std::string_view SensorModelName(SensorModel model);
std::optional<SensorModel> SensorModelFromName(std::string_view name);

// Resistance in ohms of the sensor at `celsius`.
double SensorResistance(SensorModel model, double celsius);

// The linearization table a converter carries for a model, with its degree and kind.
struct SensorSetting {
    std::array<float, 5> table{};
    uint8_t degree = 0;
    uint8_t kind = 0;
};
SensorSetting FactorySensorSetting(SensorModel model);

// The model whose factory table equals `table` value for value, if any.
std::optional<SensorModel> SensorModelOfTable(const std::array<float, 5>& table);

// The converter's evaluation of a table: kind 0 is a polynomial in the resistance giving degrees
// Celsius, kind 1 a polynomial in ln(resistance) giving the reciprocal absolute temperature.
// Powers above `degree` are not used. No value for an unknown kind or a result that is not finite.
std::optional<double> TableTemperature(const std::array<float, 5>& table, uint8_t degree,
                                       uint8_t kind, double ohms);

}  // namespace sim
