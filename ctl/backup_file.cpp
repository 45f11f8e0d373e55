#include "ctl/backup_file.h"

#include <algorithm>
#include <iostream>
#include <iterator>
#include <set>
#include <string_view>
#include <vector>

#include "base/text_escape.h"
#include "ctl/converter_session.h"
#include "ctl/exit_status.h"
#include "model/file_store.h"

namespace {

// A backup is a few hundred bytes; anything far larger is not one.
constexpr size_t MaxBackupSize = 1 << 20;
// A backup nests two levels: the file and its records.
constexpr int MaxBackupDepth = 16;

// The deepest nesting of objects and arrays in a JSON text, counted without parsing it.
int NestingDepth(std::string_view text) {
    int depth = 0;
    int deepest = 0;
    bool inString = false;
    bool escaped = false;
    for (char c : text) {
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{' || c == '[') {
            deepest = std::max(deepest, ++depth);
        } else if ((c == '}' || c == ']') && depth > 0) {
            --depth;
        }
    }
    return deepest;
}

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
    std::string text;
    if (path == "-") {
        // "-" is stdin.
        text.resize(MaxBackupSize + 1);
        std::cin.read(text.data(), static_cast<std::streamsize>(text.size()));
        text.resize(static_cast<size_t>(std::cin.gcount()));
        if (text.size() > MaxBackupSize) FailUsage("stdin is too large for a backup");
    } else {
        const FileContents contents = ReadFileContents(path, MaxBackupSize);
        if (!contents.status.ok())
            FailUsage("cannot read " + path + ": " + FileStatusText(contents.status));
        if (contents.longer) FailUsage(path + " is too large for a backup");
        text.assign(contents.bytes.begin(), contents.bytes.end());
    }
    // Checked before anything recursive touches the values.
    if (NestingDepth(text) > MaxBackupDepth) {
        FailUsage(path + " is nested more than " + std::to_string(MaxBackupDepth) +
                  " levels deep; it is no backup");
    }

    // Every object's keys, to refuse one given twice rather than take its last value.
    std::vector<std::set<std::string>> keys;
    const auto noDuplicates = [&](int, nlohmann::ordered_json::parse_event_t event,
                                  nlohmann::ordered_json& parsed) {
        using Event = nlohmann::ordered_json::parse_event_t;
        if (event == Event::object_start) keys.emplace_back();
        if (event == Event::object_end && !keys.empty()) keys.pop_back();
        if (event == Event::key && !keys.empty() &&
            !keys.back().insert(parsed.get<std::string>()).second) {
            FailUsage(path + ": \"" + EscapeControls(parsed.get<std::string>()) +
                      "\" is given twice");
        }
        return true;
    };
    const nlohmann::ordered_json file = nlohmann::ordered_json::parse(text, noDuplicates, false);
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
    if (file.contains("converter")) {
        // Recorded from a converter this tool would refuse: its settings are not a ZR3's.
        const auto& converter = file["converter"];
        if (!converter.is_object()) FailUsage(path + ": the converter record is no object");
        const auto identity = converter.find("identity");
        if (identity != converter.end() &&
            !(identity->is_string() && identity->get<std::string>() == AcceptedIdentity)) {
            FailUsage(path + " was recorded from a converter that is not a ZR3 (identity " +
                      (identity->is_string()
                           ? "\"" + EscapeControls(identity->get<std::string>()) + "\""
                           : identity->dump()) +
                      ")");
        }
        backup.converter = converter;
    }
    for (const auto& [name, value] : file["settings"].items()) {
        const auto id = SettingNamed(name);
        if (!id) FailUsage(path + ": unknown setting \"" + EscapeControls(name) + "\"");
        try {
            backup.settings[*id] = SettingFromJson(*id, value, sensors);
        } catch (const CommandFailure& bad) {
            FailUsage(path + ": " + bad.what());
        }
    }
    return backup;
}
