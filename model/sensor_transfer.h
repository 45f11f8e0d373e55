#pragma once

#include <cstdint>

#include "link/converter_link.h"
#include "model/sensor_list.h"

// The converter's temperature sensor as one transfer each way: writing a model (its resistance
// window, table, degree and kind, then the commit) and recognising the model it holds.

// The steps of a sensor change, in the order they are sent.
enum class SensorWriteStep : uint8_t {
    LowerLimit,  // 0x39, resistance at -20 degC (at 100 degC for a thermistor)
    UpperLimit,  // 0x3A, resistance at 100 degC (at -20 degC for a thermistor)
    Table,       // 0x3C, the five coefficients
    Degree,      // 0x3B
    Kind,        // 0x32
    Commit,      // 0x2C, completes the change
    Done,        // every step answered
};

// "lower resistance limit", "upper resistance limit", "table", "degree", "kind", "commit".
const char* SensorWriteStepName(SensorWriteStep step);

// The resistance window written with a model: lower and upper limit in ohms.
struct ResistanceWindow {
    float lower = 0.0f;
    float upper = 0.0f;
};
ResistanceWindow ResistanceWindowOf(const TemperatureSensor& model);

// Sends the model's sequence and stops at the first step that fails, so that a half-written
// sensor is never committed. Returns the failed step, or Done.
SensorWriteStep WriteSensor(ConverterLink& link, const TemperatureSensor& model);

// What the converter holds: kind, degree and table, each read only after the one before it
// succeeded, and the model of the list they match (nullptr when none does).
struct SensorReading {
    bool read = false;  // all three were answered
    uint8_t kind = 0;
    uint8_t degree = 0;
    SensorTable table{};
    TemperatureSensor* model = nullptr;
};
SensorReading ReadSensor(ConverterLink& link, SensorList& list);
