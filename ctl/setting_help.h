#pragma once

#include <string>

#include "model/sensor_list.h"
#include "model/setting_names.h"

// What `set --help`, the manual page and the completion tell about the settings: each one's unit
// and the values it takes, and the sensor model names.

// "steps", "degC", "%", "1/cm"; "-" for a choice; "converter's unit" where the converter alone
// knows it.
const char* SettingUnit(SettingId id);
// "0 .. 30", "a finite number", "off, linear, nonlinear (nonlinear from firmware 1.02)".
const char* SettingRange(SettingId id);
// The settings as a table: name, unit, values, meaning; then the sensor model names.
std::string SettingsHelpText(SensorList& sensors);
