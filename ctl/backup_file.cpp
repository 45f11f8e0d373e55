#include "ctl/backup_file.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "ctl/exit_status.h"

namespace {

// A backup is a few hundred bytes; anything far larger is not one.
constexpr std::streamsize MaxBackupSize = 1 << 20;

}  // namespace

std::string BackupText(const nlohmann::ordered_json& converter, const Configuration& settings,
                       SensorList& sensors) {
    nlohmann::ordered_json file;
    file["format"] = BackupFormat;
    file["version"] = BackupVersion;
    file["converter"] = converter;
    nlohmann::ordered_json values = nlohmann::ordered_json::object();
    for (const auto& entry : AllSettings()) {
        if (settings[entry.id])
            values[entry.name] = SettingJson(entry.id, *settings[entry.id], sensors);
    }
    file["settings"] = values;
    return file.dump(2) + "\n";
}

Backup ReadBackupFile(const std::string& path, SensorList& sensors) {
    // "-" is stdin.
    std::ifstream stream;
    std::istream* source = &std::cin;
    if (path != "-") {
        stream.open(path, std::ios::binary);
        if (!stream) FailUsage("cannot read " + path + ": " + std::strerror(errno));
        source = &stream;
    }
    std::istream& in = *source;
    std::string text;
    text.resize(static_cast<size_t>(MaxBackupSize) + 1);
    in.read(text.data(), MaxBackupSize + 1);
    text.resize(static_cast<size_t>(in.gcount()));
    if (static_cast<std::streamsize>(text.size()) > MaxBackupSize)
        FailUsage(path + " is too large for a backup");

    const nlohmann::ordered_json file = nlohmann::ordered_json::parse(text, nullptr, false);
    if (file.is_discarded() || !file.is_object()) FailUsage(path + " is not JSON");
    if (!file.contains("format") || file["format"] != BackupFormat)
        FailUsage(path + " is not a zr3ctl backup");
    if (!file.contains("version") || !file["version"].is_number_integer())
        FailUsage(path + ": no version");
    if (file["version"].get<int64_t>() != BackupVersion) {
        FailUsage(path + ": backup version " + file["version"].dump() + "; this zr3ctl reads " +
                  std::to_string(BackupVersion));
    }
    if (!file.contains("settings") || !file["settings"].is_object())
        FailUsage(path + ": no settings");

    Backup backup;
    if (file.contains("converter")) backup.converter = file["converter"];
    for (const auto& [name, value] : file["settings"].items()) {
        const auto id = SettingNamed(name);
        if (!id) FailUsage(path + ": unknown setting \"" + name + "\"");
        try {
            backup.settings[*id] = SettingFromJson(*id, value, sensors);
        } catch (const CommandFailure& bad) {
            FailUsage(path + ": " + bad.what());
        }
    }
    return backup;
}
