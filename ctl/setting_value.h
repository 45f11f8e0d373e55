#pragma once

#include <array>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "ctl/setting_names.h"
#include "link/parameter_code.h"
#include "model/sensor_list.h"

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

bool SameValue(SettingId id, const SettingValue& a, const SettingValue& b);

// A value word of the command line, checked strictly; throws a usage failure naming the setting.
SettingValue ParseSettingWord(SettingId id, std::string_view word, SensorList& sensors);
// The text of a value, in the form the command line takes: 5, 12.5, nonlinear, Pt100 (3850).
std::string SettingText(SettingId id, const SettingValue& value, SensorList& sensors);

// The same in JSON: numbers, the mode and the sensor model as text; null for a sensor table that
// matches no model and for a float that is no number.
nlohmann::ordered_json SettingJson(SettingId id, const SettingValue& value, SensorList& sensors);
// Nothing for null (the value is not known); a usage failure for anything that is not valid.
std::optional<SettingValue> SettingFromJson(SettingId id, const nlohmann::ordered_json& json,
                                            SensorList& sensors);

// Whether a converter with this firmware has the setting at all (k0 only from firmware 1.03).
bool FirmwareHasSetting(SettingId id, uint16_t firmware);

// Why the value cannot go to a converter with this firmware; empty when it can.
std::string FirmwareObjection(SettingId id, const SettingValue& value, SensorList& sensors,
                              uint16_t firmware);

// The sensor model of a name: the full name ("Pt100 (3850)") or its first word when that is
// unique ("Pt100", "NR351"), in any case; -1 when no model or more than one is meant.
int SensorNamed(SensorList& sensors, std::string_view name);
