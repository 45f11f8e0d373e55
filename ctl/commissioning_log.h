#pragma once

#include <memory>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

#include "ctl/log_file.h"
#include "ctl/setting_value.h"

struct CtlOptions;

// One setting in a line of the log: its value before, the value asked, the value read back
// (null where not known) and what became of it.
struct LoggedSetting {
    std::string setting;
    nlohmann::ordered_json before;
    nlohmann::ordered_json asked;
    nlohmann::ordered_json readBack;
    // "written", "unchanged", "failed", "rolled back", "not rolled back", "kept"
    std::string outcome;
    std::string cause;  // why it failed
};

// The entry of one setting, its values in the form of show --json.
LoggedSetting LogEntry(SettingId id, const std::optional<SettingValue>& before,
                       const std::optional<SettingValue>& asked,
                       const std::optional<SettingValue>& readBack, std::string outcome,
                       std::string cause, SensorList& sensors);

// The commissioning log of --log (or ZR3_LOG): one JSON object per line with the time, the user,
// the host, the command line and the converter, appended and flushed to the disk before the next
// write to the converter. A log that cannot be written stops the command.
class CommissioningLog {
  public:
    CommissioningLog(std::unique_ptr<LogFile> file, std::string path, std::string commandLine);

    // The converter the lines name (identity, firmware, serial number).
    void SetConverter(const nlohmann::ordered_json& converter);
    // Appends one line; a failure ends the command with exit 1 before anything else is written.
    void Record(std::string_view step, const std::vector<LoggedSetting>& settings,
                const nlohmann::ordered_json& extra = nullptr);
    // The same line as Record appends.
    nlohmann::ordered_json Line(std::string_view step, const std::vector<LoggedSetting>& settings,
                                const nlohmann::ordered_json& extra) const;

  private:
    std::unique_ptr<LogFile> file;
    std::string path;
    std::string commandLine;
    std::string user;
    std::string host;
    nlohmann::ordered_json converter;
};

// The log the options or the environment name, opened; nothing when neither names one. A log
// that cannot be opened ends the command (exit 1) before the port is opened.
std::unique_ptr<CommissioningLog> OpenCommissioningLog(const CtlOptions& options);

// The command line as one text, words with blanks or quotes in single quotes.
std::string CommandLineText(const std::vector<std::string>& words);
