#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "ctl/setting_value.h"
#include "model/sensor_list.h"

// The backup file: versioned JSON with the converter it came from (identity, firmware, serial
// number, variants; for the record) and its settings by the names of `set`.
//
//   {"format": "zr3ctl backup", "version": 1,
//    "converter": {"identity": "ZR3", "firmware": "1.03", "serial-number": 123456, ...},
//    "settings": {"input-damping": 5, "range-start": 0.0, ..., "k3": 0.0}}
constexpr char BackupFormat[] = "zr3ctl backup";
constexpr int BackupVersion = 1;

std::string BackupText(const nlohmann::ordered_json& converter, const Configuration& settings,
                       SensorList& sensors);

struct Backup {
    nlohmann::ordered_json converter;
    Configuration settings;  // the settings the file holds
};

// Reads and checks a backup file; a usage failure names what is wrong with it.
Backup ReadBackupFile(const std::string& path, SensorList& sensors);
