// restore: the settings of a backup file onto a converter, all of them or, on a failure, none.
#include <algorithm>
#include <iostream>
#include <memory>

#include "base/text_escape.h"
#include "ctl/backup_file.h"
#include "ctl/change_progress.h"
#include "ctl/commands.h"
#include "ctl/commissioning_log.h"
#include "ctl/configuration_difference.h"
#include "ctl/converter_session.h"
#include "ctl/exit_status.h"
#include "ctl/output.h"
#include "ctl/setting_value.h"
#include "ctl/terminal.h"
#include "model/converter_settings.h"
#include "model/file_store.h"

namespace {

// What one write did: the write answered and the converter holds the value asked.
struct Attempt {
    SettingId id = SettingId::InputDamping;
    WriteOutcome outcome;
    bool took = false;
    std::string cause;
};

Attempt Write(ConverterLink& link, SensorList& sensors, SettingId id, const SettingValue& value,
              Configuration& working) {
    Attempt attempt;
    attempt.id = id;
    link.ClearGivenUp();
    attempt.outcome = WriteSetting(link, sensors, id, value, working);
    attempt.took = attempt.outcome.ok && SameValue(id, attempt.outcome.answered, value);
    if (!attempt.outcome.ok)
        attempt.cause = NamedFailure(attempt.outcome.failure, link);
    else if (!attempt.took)
        attempt.cause = "the converter holds " + SettingText(id, attempt.outcome.answered, sensors);
    return attempt;
}

std::optional<SettingValue> ReadBack(const Attempt& attempt) {
    if (!attempt.outcome.ok) return std::nullopt;
    return attempt.outcome.answered;
}

nlohmann::ordered_json JsonOrNull(SettingId id, const std::optional<SettingValue>& value,
                                  SensorList& sensors) {
    return value ? SettingJson(id, *value, sensors) : nlohmann::ordered_json(nullptr);
}

nlohmann::ordered_json NamesJson(const std::vector<SettingId>& ids) {
    nlohmann::ordered_json names = nlohmann::ordered_json::array();
    for (SettingId id : ids)
        names.push_back(NameOf(id));
    return names;
}

std::string Names(const std::vector<SettingId>& ids) {
    std::string text;
    for (SettingId id : ids)
        text += (text.empty() ? "" : ", ") + std::string(NameOf(id));
    return text;
}

}  // namespace

int RunRestore(const CtlOptions& options) {
    if (options.file.empty()) FailUsage("restore needs a FILE");
    SensorList sensors;
    const Backup backup = ReadBackupFile(options.file, sensors);
    // A log that cannot be opened stops the command before the port is.
    const std::unique_ptr<CommissioningLog> log =
        options.dryRun ? nullptr : OpenCommissioningLog(options);
    ConverterSession& s = OpenSession(options);

    // A file the converter cannot take is refused as a whole, before anything is written.
    std::string objections;
    for (const auto& entry : AllSettings()) {
        if (!backup.settings[entry.id]) continue;
        const std::string why =
            FirmwareObjection(entry.id, *backup.settings[entry.id], sensors, s.firmware());
        if (!why.empty()) objections += (objections.empty() ? "" : "\n") + why;
    }
    if (!objections.empty())
        FailUsage(options.file + " cannot be applied to this converter:\n" + objections);
    for (const auto& entry : AllSettings()) {
        if (!backup.settings[entry.id])
            Note() << "zr3ctl: the file has no value for " << entry.name
                   << "; it is left as it is\n";
    }

    const nlohmann::ordered_json converter = ConverterRecord(s);
    // The state before the first write: what a failed restore goes back to.
    const Configuration before = ReadAllSettings(s, sensors);
    // The plan, in the order the settings are written.
    std::vector<SettingId> plan;
    for (const SettingDifference& d : Differences(backup.settings, before))
        plan.push_back(d.id);
    // The plan is data (stdout); what is done about it goes where the other messages go.
    nlohmann::ordered_json report;
    report["dry-run"] = options.dryRun;
    nlohmann::ordered_json planned = nlohmann::ordered_json::array();
    for (SettingId id : plan) {
        if (options.json) {
            planned.push_back({{"name", NameOf(id)},
                               {"from", SettingJson(id, *before[id], sensors)},
                               {"to", SettingJson(id, *backup.settings[id], sensors)}});
        } else {
            std::cout << NameOf(id) << ": " << SettingText(id, *before[id], sensors) << " -> "
                      << SettingText(id, *backup.settings[id], sensors) << '\n';
        }
    }
    report["plan"] = planned;
    if (plan.empty()) Note() << "zr3ctl: nothing to change\n";
    if (options.dryRun || plan.empty()) {
        if (options.json) std::cout << report.dump(2) << '\n';
        if (options.dryRun && !plan.empty()) {
            Note() << "zr3ctl: dry run: " << plan.size()
                   << (plan.size() == 1 ? " setting would change" : " settings would change")
                   << "; nothing written\n";
        }
        return ExitSuccess;
    }

    if (!options.saveBefore.empty()) {
        const std::string text = BackupText(converter, before, sensors);
        const FileStatus stored = StoreFile(
            options.saveBefore, reinterpret_cast<const uint8_t*>(text.data()), text.size());
        if (!stored.ok()) {
            FailConverter("cannot write " + EscapeControls(options.saveBefore) + ": " +
                          FileStatusText(stored) + "; nothing was written");
        }
    }
    if (log) {
        log->SetConverter(converter);
        std::vector<LoggedSetting> entries;
        for (const auto& entry : AllSettings()) {
            const auto& wanted = backup.settings[entry.id];
            if (!wanted) continue;
            const bool planned = std::find(plan.begin(), plan.end(), entry.id) != plan.end();
            entries.push_back(LogEntry(entry.id, before[entry.id], wanted, std::nullopt,
                                       planned ? "planned" : "unchanged", "", sensors));
        }
        log->Record("before", entries);
    }

    // A signal stops the list between two writes, never inside the sensor's sequence.
    CatchInterrupt();
    ChangeProgress progress;
    progress.left = plan;
    const auto endIfInterrupted = [&] {
        if (log && Interrupted())
            log->Record("end", {}, {{"status", InterruptedStatus()}, {"interrupted", true}});
        EndIfInterrupted(progress);
    };
    int status = ExitSuccess;
    Configuration working = before;
    std::vector<SettingId> touched;     // written, or maybe written (no answer), in order
    std::vector<SettingId> unanswered;  // what these hold is not known
    bool failed = false;
    // With --json: each write tried, with what it answered.
    nlohmann::ordered_json outcomes = nlohmann::ordered_json::array();
    for (SettingId id : plan) {
        progress.left.erase(progress.left.begin());
        const Attempt attempt = Write(s.link(), sensors, id, *backup.settings[id], working);
        // A sensor change that failed before its commit has already gone back by itself.
        if (attempt.outcome.sensorChange.outcome != SensorChangeOutcome::NotChanged ||
            id != SettingId::Sensor)
            touched.push_back(id);
        if (!attempt.outcome.ok) unanswered.push_back(id);
        (attempt.outcome.ok ? progress.written : progress.failed).push_back(id);
        outcomes.push_back({{"name", NameOf(id)},
                            {"written", attempt.outcome.ok},
                            {"failure", attempt.outcome.ok ? nlohmann::ordered_json(nullptr)
                                                           : nlohmann::ordered_json(attempt.cause)},
                            {"answered", JsonOrNull(id, ReadBack(attempt), sensors)},
                            {"ok", attempt.took}});
        if (log) {
            log->Record("write",
                        {LogEntry(id, before[id], backup.settings[id], ReadBack(attempt),
                                  attempt.took ? "written" : "failed", attempt.cause, sensors)});
        }
        if (!attempt.took) {
            if (!attempt.outcome.ok) {
                // The sensor's words name the setting themselves.
                std::cerr << "zr3ctl: " << (id == SettingId::Sensor ? "" : "writing ")
                          << attempt.cause << '\n';
            } else if (!options.noRollback) {
                // Without the rollback the read-back at the end names it.
                std::cerr << "zr3ctl: " << NameOf(id) << ": " << attempt.cause << ", the file has "
                          << SettingText(id, *backup.settings[id], sensors) << '\n';
            }
            status = ExitConverter;
            failed = true;
        }
        endIfInterrupted();
        if (failed && !options.noRollback) break;
    }

    if (failed && !options.noRollback) {
        // Every setting already changed goes back, the failed one too (its write may have taken),
        // the last written first.
        std::vector<SettingId> rolledBack;
        std::vector<SettingId> notRolledBack;
        for (auto it = touched.rbegin(); it != touched.rend(); ++it) {
            const SettingId id = *it;
            const bool known =
                std::find(unanswered.begin(), unanswered.end(), id) == unanswered.end();
            const std::optional<SettingValue> held = known ? working[id] : std::nullopt;
            const Attempt attempt = Write(s.link(), sensors, id, *before[id], working);
            (attempt.took ? rolledBack : notRolledBack).push_back(id);
            if (log) {
                log->Record("rollback", {LogEntry(id, held, before[id], ReadBack(attempt),
                                                  attempt.took ? "rolled back" : "not rolled back",
                                                  attempt.cause, sensors)});
            }
        }
        std::string unread;
        const Configuration after = ReadConfiguration(s.link(), sensors, unread);
        const std::vector<SettingDifference> left = Differences(before, after);
        if (!rolledBack.empty()) std::cerr << "zr3ctl: rolled back: " << Names(rolledBack) << '\n';
        if (!notRolledBack.empty())
            std::cerr << "zr3ctl: not rolled back: " << Names(notRolledBack) << '\n';
        if (left.empty()) {
            std::cerr << "zr3ctl: the converter equals its state before the restore\n";
        } else {
            for (const SettingDifference& d : left) {
                std::cerr << "zr3ctl: " << NameOf(d.id) << ": the converter holds "
                          << (d.converter ? SettingText(d.id, *d.converter, sensors)
                                          : std::string("(no answer)"))
                          << ", before the restore " << SettingText(d.id, d.file, sensors) << '\n';
            }
            std::cerr << "zr3ctl: the converter does not equal its state before the restore\n";
        }
        if (log) {
            log->Record(
                "end", {},
                {{"status", status}, {"rolled-back", true}, {"equals-before", left.empty()}});
        }
        if (options.json) {
            report["outcomes"] = outcomes;
            report["rolled-back"] = NamesJson(rolledBack);
            report["not-rolled-back"] = NamesJson(notRolledBack);
            report["equals-before"] = left.empty();
            std::cout << report.dump(2) << '\n';
        }
        return status;
    }

    // Every value of the file read back from the converter.
    std::string unread;
    const Configuration after = ReadConfiguration(s.link(), sensors, unread);
    const std::vector<SettingDifference> left = Differences(backup.settings, after);
    for (const SettingDifference& d : left) {
        if (!d.converter) {
            std::cerr << "zr3ctl: " << NameOf(d.id) << ": no answer when read back\n";
        } else {
            std::cerr << "zr3ctl: " << NameOf(d.id) << ": the converter holds "
                      << SettingText(d.id, *d.converter, sensors) << ", the file has "
                      << SettingText(d.id, d.file, sensors) << '\n';
        }
    }
    if (options.json) {
        // What each setting of the plan reads back as, after all the writes.
        for (size_t i = 0; i < outcomes.size() && i < plan.size(); ++i) {
            const SettingId id = plan[i];
            nlohmann::ordered_json& outcome = outcomes[i];
            outcome["answered"] = JsonOrNull(id, after[id], sensors);
            outcome["ok"] = outcome["written"].get<bool>() && after[id] &&
                            SameValue(id, *after[id], *backup.settings[id]);
        }
        report["outcomes"] = outcomes;
        std::cout << report.dump(2) << '\n';
    }
    const char* const settings = plan.size() == 1 ? " setting" : " settings";
    if (!left.empty()) {
        std::cerr << "zr3ctl: " << plan.size() << settings << " to restore; not all of them took\n";
        status = ExitConverter;
    } else if (status != ExitSuccess) {
        // What the read-back found, and no more: a write may have taken without its answer.
        std::cerr << "zr3ctl: " << plan.size() << settings
                  << " to restore; every value reads back as in the file, but not every write "
                     "was answered\n";
    } else {
        Note() << "zr3ctl: " << plan.size() << settings << " restored\n";
    }
    if (log) log->Record("end", {}, {{"status", status}});
    endIfInterrupted();
    return status;
}
