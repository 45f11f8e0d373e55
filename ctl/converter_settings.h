#pragma once

#include <string>

#include "ctl/setting_value.h"
#include "link/converter_link.h"
#include "model/sensor_list.h"

// Reads every setting as the main window does (the sensor by its kind, degree and table), plus
// the relay block, the cable compensation and the probe coefficients. A value the converter did
// not answer stays empty; failed names the first of them (empty when all were answered).
Configuration ReadConfiguration(ConverterLink& link, SensorList& sensors, std::string& failed);

// How a write went: on success the value the converter now holds.
struct WriteOutcome {
    bool ok = false;
    std::string failure;  // what did not answer, for the message
    SettingValue answered;
};

// Writes one setting. The relay's and the probe's settings travel in blocks: the other values
// of the block are taken from current, which is updated with what the converter answered.
WriteOutcome WriteSetting(ConverterLink& link, SensorList& sensors, SettingId id,
                          const SettingValue& value, Configuration& current);
