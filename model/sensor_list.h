#pragma once

#include <cstdint>

#include "base/object_collection.h"
#include "model/temperature_sensor.h"

// The five sensor models in their fixed order: Pt100, Pt1000, Ni1000 (5000), Ni1000 (6180),
// NR351 3K0. The thermistor stays last: a list that leaves it out maps indices unchanged.
class SensorList : public ObjectCollection {
  public:
    static constexpr int ModelCount = 5;

    SensorList();

    // The model at position index (0 .. Count-1); another index is a run-time error 213.
    TemperatureSensor* SensorAt(int index);
};

// The first model whose kind, degree and five table values equal the converter's (as floats:
// -0.0 equals 0.0, a NaN equals nothing); nullptr when none does.
TemperatureSensor* FindSensor(SensorList& list, uint8_t kind, uint8_t degree,
                              const SensorTable& table);
