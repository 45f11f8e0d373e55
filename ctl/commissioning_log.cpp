#include "ctl/commissioning_log.h"

#include <cstdlib>
#include <ctime>

#include "base/text_escape.h"
#include "ctl/commands.h"
#include "ctl/exit_status.h"
#include "ctl/who_and_when.h"

CommissioningLog::CommissioningLog(std::unique_ptr<LogFile> file, std::string path,
                                   std::string commandLine)
    : file(std::move(file)),
      path(std::move(path)),
      commandLine(std::move(commandLine)),
      user(UserName()),
      host(HostName()) {}

void CommissioningLog::SetConverter(const nlohmann::ordered_json& record) {
    converter = nlohmann::ordered_json::object();
    for (const char* key : {"identity", "firmware", "serial-number"})
        if (record.contains(key)) converter[key] = record[key];
}

nlohmann::ordered_json CommissioningLog::Line(std::string_view step,
                                              const std::vector<LoggedSetting>& settings,
                                              const nlohmann::ordered_json& extra) const {
    nlohmann::ordered_json line;
    line["time"] = Iso8601Time(std::time(nullptr));
    line["user"] = user;
    line["host"] = host;
    line["command"] = commandLine;
    line["converter"] = converter;
    line["step"] = step;
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const LoggedSetting& s : settings) {
        nlohmann::ordered_json entry;
        entry["setting"] = s.setting;
        entry["before"] = s.before;
        entry["asked"] = s.asked;
        entry["read-back"] = s.readBack;
        entry["outcome"] = s.outcome;
        if (!s.cause.empty()) entry["cause"] = s.cause;
        list.push_back(entry);
    }
    line["settings"] = list;
    if (extra.is_object())
        for (const auto& [key, value] : extra.items())
            line[key] = value;
    return line;
}

void CommissioningLog::Record(std::string_view step, const std::vector<LoggedSetting>& settings,
                              const nlohmann::ordered_json& extra) {
    // Text from outside may hold any byte; the line stays valid UTF-8 JSON.
    const std::string text =
        Line(step, settings, extra)
            .dump(-1, ' ', true, nlohmann::ordered_json::error_handler_t::replace);
    std::string why;
    if (!file->Append(text, why)) {
        FailConverter("the log " + EscapeControls(path) + " cannot be written (" + why +
                      "); stopped before the next write to the converter");
    }
}

LoggedSetting LogEntry(SettingId id, const std::optional<SettingValue>& before,
                       const std::optional<SettingValue>& asked,
                       const std::optional<SettingValue>& readBack, std::string outcome,
                       std::string cause, SensorList& sensors) {
    auto json = [&](const std::optional<SettingValue>& value) {
        return value ? SettingJson(id, *value, sensors) : nlohmann::ordered_json();
    };
    LoggedSetting entry;
    entry.setting = NameOf(id);
    entry.before = json(before);
    entry.asked = json(asked);
    entry.readBack = json(readBack);
    entry.outcome = std::move(outcome);
    entry.cause = std::move(cause);
    return entry;
}

std::string CommandLineText(const std::vector<std::string>& words) {
    std::string text;
    for (const std::string& word : words) {
        if (!text.empty()) text += ' ';
        if (!word.empty() && word.find_first_of(" \t'\"\\") == std::string::npos) {
            text += word;
            continue;
        }
        text += '\'';
        for (const char c : word)
            text += c == '\'' ? std::string("'\\''") : std::string(1, c);
        text += '\'';
    }
    return text;
}

std::unique_ptr<CommissioningLog> OpenCommissioningLog(const CtlOptions& options) {
    std::string path = options.logFile;
    if (path.empty()) {
        const char* fromEnvironment = std::getenv("ZR3_LOG");
        if (fromEnvironment != nullptr) path = fromEnvironment;
    }
    if (path.empty()) return nullptr;
    std::string why;
    std::unique_ptr<LogFile> file = OpenLogFile(path, why);
    if (!file) {
        FailConverter("cannot open the log " + EscapeControls(path) + " (" + why +
                      "); nothing was sent to the converter");
    }
    return std::make_unique<CommissioningLog>(std::move(file), path,
                                              CommandLineText(options.commandLine));
}
