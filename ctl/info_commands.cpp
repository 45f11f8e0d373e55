// info, show and set: the converter's identity and settings, read and written one by one.
#include <iomanip>
#include <iostream>
#include <memory>

#include "base/kind_text.h"
#include "base/number_text.h"
#include "base/text_escape.h"
#include "ctl/change_progress.h"
#include "ctl/commands.h"
#include "ctl/commissioning_log.h"
#include "ctl/converter_session.h"
#include "ctl/exit_status.h"
#include "ctl/number_words.h"
#include "ctl/setting_value.h"
#include "ctl/terminal.h"
#include "model/converter_settings.h"

namespace {

std::unique_ptr<ConverterSession> session;

void PrintRecord(const nlohmann::ordered_json& record) {
    for (const auto& [key, value] : record.items()) {
        std::cout << std::left << std::setw(20) << key
                  << (value.is_string() ? EscapeControls(value.get<std::string>()) : value.dump())
                  << '\n';
    }
}

}  // namespace

ConverterSession& OpenSession(const CtlOptions& options) {
    if (options.port.empty())
        FailUsage("this command needs the port: -p PORT, or ZR3_PORT in the environment");
    int retries = 1;
    if (!options.retries.empty()) {
        const auto n = ParseWholeNumber(options.retries, 0, 100);
        if (!n) FailUsage("--retries: \"" + options.retries + "\" is not a number of 0 .. 100");
        retries = static_cast<int>(*n);
    }
    session = std::make_unique<ConverterSession>(options.port, retries, options.verbose);
    return *session;
}

double IntervalOption(const CtlOptions& options, double defaultSeconds) {
    if (options.interval.empty()) return defaultSeconds;
    const auto seconds = ParseNumber(options.interval);
    if (!seconds || *seconds < 0.0 || *seconds > 3600.0)
        FailUsage("--interval: \"" + EscapeControls(options.interval) +
                  "\" is not a time of 0 .. 3600 s" + PointHint(options.interval));
    return *seconds;
}

nlohmann::ordered_json ConverterRecord(ConverterSession& s) {
    nlohmann::ordered_json record;
    record["identity"] = s.identity();
    record["firmware"] = FormatVersion(s.firmware());
    int32_t serialNumber = 0;
    uint8_t output = 0;
    uint8_t relay = 0;
    if (!s.link().ReadSerialNumber(serialNumber))
        FailConverter("serial number: " + FailureCause(s.link()));
    if (!s.link().ReadOutputType(output))
        FailConverter("output variant: " + FailureCause(s.link()));
    if (!s.link().ReadRelayVariant(relay))
        FailConverter("relay variant: " + FailureCause(s.link()));
    record["serial-number"] = serialNumber;
    record["output"] = OutputKindText(output);
    record["output-code"] = output;
    record["relay"] = RelayKindText(relay);
    record["relay-code"] = relay;
    return record;
}

int RunInfo(const CtlOptions& options) {
    const nlohmann::ordered_json record = ConverterRecord(OpenSession(options));
    if (options.json)
        std::cout << record.dump(2) << '\n';
    else
        PrintRecord(record);
    return ExitSuccess;
}

int RunShow(const CtlOptions& options) {
    ConverterSession& s = OpenSession(options);
    SensorList sensors;
    nlohmann::ordered_json shown;
    shown["converter"] = ConverterRecord(s);
    std::string failed;
    s.link().ClearGivenUp();
    const Configuration c = ReadConfiguration(s.link(), sensors, failed);
    if (!failed.empty()) FailConverter(failed + ": " + FailureCause(s.link()));
    nlohmann::ordered_json settings = nlohmann::ordered_json::object();
    // A setting the firmware does not have is null, not the 0 the converter answers for it.
    for (const auto& entry : AllSettings()) {
        settings[entry.name] = FirmwareHasSetting(entry.id, s.firmware())
                                   ? SettingJson(entry.id, *c[entry.id], sensors)
                                   : nlohmann::ordered_json(nullptr);
    }
    shown["settings"] = settings;
    if (options.json) {
        std::cout << shown.dump(2) << '\n';
        return ExitSuccess;
    }
    PrintRecord(shown["converter"]);
    for (const auto& entry : AllSettings()) {
        if (!FirmwareHasSetting(entry.id, s.firmware())) continue;
        std::cout << std::left << std::setw(20) << entry.name
                  << SettingText(entry.id, *c[entry.id], sensors) << '\n';
    }
    return ExitSuccess;
}

int RunSet(const CtlOptions& options) {
    SensorList sensors;
    // Every word is checked before the port is even opened.
    std::vector<std::pair<SettingId, SettingValue>> changes;
    if (options.assignments.empty()) FailUsage("set needs at least one NAME=VALUE");
    for (const std::string& word : options.assignments) {
        const size_t equals = word.find('=');
        if (equals == std::string::npos)
            FailUsage("\"" + EscapeControls(word) + "\" is not NAME=VALUE");
        const std::string name = word.substr(0, equals);
        const auto id = SettingNamed(name);
        if (!id)
            FailUsage("unknown setting \"" + EscapeControls(name) + "\" (see zr3ctl set --help)");
        changes.emplace_back(*id, ParseSettingWord(*id, word.substr(equals + 1), sensors));
    }

    // A log that cannot be opened stops the command before the port is.
    const std::unique_ptr<CommissioningLog> log = OpenCommissioningLog(options);
    ConverterSession& s = OpenSession(options);
    std::string objections;
    for (const auto& [id, value] : changes) {
        const std::string why = FirmwareObjection(id, value, sensors, s.firmware());
        if (!why.empty()) objections += (objections.empty() ? "" : "\n") + why;
    }
    if (!objections.empty()) FailUsage(objections);

    // The blocks whose other values a write keeps.
    Configuration current;
    for (const auto& [id, value] : changes) {
        if (IsRelaySetting(id) && !current[SettingId::RelayClose]) {
            RelaySettings relay;
            if (!s.link().ReadRelaySettings(relay))
                FailConverter("relay settings: " + FailureCause(s.link()));
            current[SettingId::RelayClose] = SettingValue{relay.closeValue, 0, -1};
            current[SettingId::RelayOpen] = SettingValue{relay.openValue, 0, -1};
            current[SettingId::RelayCloseDelay] = SettingValue{0.0f, relay.closeDelay, -1};
            current[SettingId::RelayOpenDelay] = SettingValue{0.0f, relay.openDelay, -1};
        }
        if (IsProbeSetting(id) && !current[SettingId::K0]) {
            ProbeCoefficients probe;
            if (!s.link().ReadProbeCoefficients(probe))
                FailConverter("probe coefficients: " + FailureCause(s.link()));
            current[SettingId::K0] = SettingValue{probe.K[0], 0, -1};
            current[SettingId::K1] = SettingValue{probe.K[1], 0, -1};
            current[SettingId::K2] = SettingValue{probe.K[2], 0, -1};
            current[SettingId::K3] = SettingValue{probe.K[3], 0, -1};
        }
    }

    // The log holds every value before, asked and read back; the first line before any write.
    Configuration before;
    if (log) {
        log->SetConverter(ConverterRecord(s));
        std::string failed;
        before = ReadConfiguration(s.link(), sensors, failed);
        std::vector<LoggedSetting> planned;
        for (const auto& [id, value] : changes)
            planned.push_back(
                LogEntry(id, before[id], value, std::nullopt, "planned", "", sensors));
        log->Record("before", planned);
    }

    // A signal stops the list between two writes, never inside the sensor's sequence.
    CatchInterrupt();
    ChangeProgress progress;
    for (const auto& change : changes)
        progress.left.push_back(change.first);
    const auto endIfInterrupted = [&] {
        if (log && Interrupted())
            log->Record("end", {}, {{"status", InterruptedStatus()}, {"interrupted", true}});
        EndIfInterrupted(progress);
    };
    int status = ExitSuccess;
    // With --json: each setting asked and answered, printed also when a later write fails.
    nlohmann::ordered_json written = nlohmann::ordered_json::array();
    auto printJson = [&] {
        if (options.json)
            std::cout << nlohmann::ordered_json{{"settings", written}}.dump(2) << '\n';
    };
    for (const auto& [id, value] : changes) {
        progress.left.erase(progress.left.begin());
        s.link().ClearGivenUp();
        const WriteOutcome outcome = WriteSetting(s.link(), sensors, id, value, current);
        const bool took = outcome.ok && SameValue(id, outcome.answered, value);
        std::string cause;
        if (!outcome.ok)
            cause = NamedFailure(outcome.failure, s.link());
        else if (!took)
            cause = "the converter keeps " + SettingText(id, outcome.answered, sensors);
        if (log) {
            const std::optional<SettingValue> readBack =
                outcome.ok ? std::optional<SettingValue>(outcome.answered) : std::nullopt;
            log->Record("write", {LogEntry(id, before[id], value, readBack,
                                           took ? "written" : "failed", cause, sensors)});
            if (took) before[id] = outcome.answered;
        }
        if (!outcome.ok) {
            progress.failed.push_back(id);
            const std::string& failure = cause;
            printJson();
            if (!Interrupted()) {
                if (log) log->Record("end", {}, {{"status", ExitConverter}});
                FailConverter(failure);
            }
            std::cerr << "zr3ctl: " << failure << '\n';
            endIfInterrupted();
        }
        progress.written.push_back(id);
        if (options.json) {
            written.push_back({{"name", NameOf(id)},
                               {"asked", SettingJson(id, value, sensors)},
                               {"answered", SettingJson(id, outcome.answered, sensors)},
                               {"same", SameValue(id, outcome.answered, value)}});
        } else {
            std::cout << NameOf(id) << '=' << SettingText(id, outcome.answered, sensors) << '\n';
        }
        if (!took) {
            std::cerr << "zr3ctl: " << NameOf(id) << ": " << cause << ", not "
                      << SettingText(id, value, sensors) << '\n';
            status = ExitConverter;
        }
        endIfInterrupted();
    }
    printJson();
    if (log) log->Record("end", {}, {{"status", status}});
    return status;
}
