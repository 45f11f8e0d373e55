#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "link/parameter_code.h"
#include "model/converter_settings.h"
#include "model/sensor_list.h"

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
