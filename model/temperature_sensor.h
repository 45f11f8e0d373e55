#pragma once

#include <array>
#include <cstdint>
#include <limits>

#include "base/base_object.h"

// The sensor models evaluate each step in the x87 80-bit format and store it to a double.
static_assert(std::numeric_limits<long double>::digits == 64,
              "long double must be the x87 80-bit extended format");

// Linearization table the converter evaluates: c0 .. c4.
using SensorTable = std::array<float, 5>;

// A temperature sensor the converter can be set to: display name, the converter's linearization
// table (degree, kind) and the forward model resistance(temperature).
class TemperatureSensor : public BaseObject {
  public:
    static constexpr int32_t ResistanceKind = 0;  // table is a polynomial in R giving degC
    static constexpr int32_t ThermistorKind = 1;  // table is a polynomial in ln R giving 1/K

    // Resistance in ohms at the temperature t in degC.
    virtual float ResistanceAt(float t) const = 0;

    const char* name = nullptr;
    const SensorTable* coefficients = nullptr;
    int32_t degree = 0;
    int32_t kind = 0;
    double r0 = 0.0;

  protected:
    TemperatureSensor(const char* sensorName, const SensorTable& table, int32_t tableDegree,
                      int32_t tableKind, double nominal)
        : name(sensorName),
          coefficients(&table),
          degree(tableDegree),
          kind(tableKind),
          r0(nominal) {}
};

// Platinum resistance thermometer, 100 ohm at 0 degC, alpha 0.00385.
class Pt100Sensor : public TemperatureSensor {
  public:
    Pt100Sensor();
    float ResistanceAt(float t) const override;
};

// Platinum resistance thermometer, 1000 ohm at 0 degC; the Pt100 model scaled by r0.
class Pt1000Sensor : public Pt100Sensor {
  public:
    Pt1000Sensor();
};

// Nickel resistance thermometer, 1000 ohm at 0 degC, alpha 0.005.
class NiSensor5000 : public TemperatureSensor {
  public:
    NiSensor5000();
    float ResistanceAt(float t) const override;
};

// Nickel resistance thermometer, 1000 ohm at 0 degC, alpha 0.00618.
class NiSensor6180 : public TemperatureSensor {
  public:
    NiSensor6180();
    float ResistanceAt(float t) const override;
};

// NTC thermistor, 3 kohm at 25 degC.
class NtcSensor : public TemperatureSensor {
  public:
    NtcSensor();
    float ResistanceAt(float t) const override;
};
