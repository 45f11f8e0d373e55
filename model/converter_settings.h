#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "link/converter_link.h"
#include "model/sensor_change.h"
#include "model/sensor_list.h"
#include "model/setting_names.h"

// One setting's value as the converter holds it.
struct SettingValue {
    float number = 0.0f;   // floats; the coefficient as the converter's fraction, not in %
    uint32_t integer = 0;  // dampings, the compensation mode, delays
    int sensor = -1;       // position in the sensor list; -1: the table matches no model
};

// Every setting of one converter (or one file); nothing for a value that is not known.
struct Configuration {
    std::array<std::optional<SettingValue>, SettingCount> values{};
    std::optional<SettingValue>& operator[](SettingId id) {
        return values[static_cast<size_t>(id)];
    }
    const std::optional<SettingValue>& operator[](SettingId id) const {
        return values[static_cast<size_t>(id)];
    }
};

// The two values are the same setting value (floats bit for bit, or both zero).
bool SameValue(SettingId id, const SettingValue& a, const SettingValue& b);

// Two floats hold the same value (bit for bit, or both zero).
bool SameFloat(float a, float b);

// Reads every setting as the main window does (the sensor by its kind, degree and table), plus
// the relay block, the cable compensation and the probe coefficients. A value the converter did
// not answer stays empty; failed names the first of them (empty when all were answered).
Configuration ReadConfiguration(ConverterLink& link, SensorList& sensors, std::string& failed);

// How a write went: on success the value the converter now holds.
struct WriteOutcome {
    bool ok = false;
    std::string failure;  // what did not answer, for the message
    SettingValue answered;
    // The sensor's change as it went (the sensor only).
    SensorChange sensorChange;
};

// Writes one setting. The relay's and the probe's settings travel in blocks: the other values
// of the block are taken from current, which is updated with what the converter answered. The
// sensor changes through ChangeSensor, with current's sensor as the one measured with before
// (read from the converter first when current has none).
WriteOutcome WriteSetting(ConverterLink& link, SensorList& sensors, SettingId id,
                          const SettingValue& value, Configuration& current);
