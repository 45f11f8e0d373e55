// backup and restore: one converter's configuration to a file and onto other converters.
#include <cerrno>
#include <cstring>
#include <iostream>

#include "ctl/backup_file.h"
#include "ctl/change_progress.h"
#include "ctl/commands.h"
#include "ctl/converter_session.h"
#include "ctl/exit_status.h"
#include "ctl/output.h"
#include "ctl/setting_value.h"
#include "ctl/terminal.h"
#include "model/converter_settings.h"
#include "model/file_store.h"

namespace {

Configuration ReadAllSettings(ConverterSession& s, SensorList& sensors) {
    std::string failed;
    s.link().ClearGivenUp();
    Configuration c = ReadConfiguration(s.link(), sensors, failed);
    if (!failed.empty()) FailConverter(failed + ": " + FailureCause(s.link()));
    return c;
}

}  // namespace

int RunBackup(const CtlOptions& options) {
    if (options.file.empty()) FailUsage("backup needs a FILE");
    ConverterSession& s = OpenSession(options);
    SensorList sensors;
    const nlohmann::ordered_json converter = ConverterRecord(s);
    const Configuration settings = ReadAllSettings(s, sensors);
    const std::string text = BackupText(converter, settings, sensors);
    // "-" is stdout.
    if (options.file == "-") {
        std::cout << text;
        std::cout.flush();
        if (!std::cout) FailConverter("cannot write the backup to stdout");
    } else {
        const FileStatus stored =
            StoreFile(options.file, reinterpret_cast<const uint8_t*>(text.data()), text.size());
        if (!stored.ok())
            FailConverter("cannot write " + options.file + ": " + FileStatusText(stored));
    }
    Note() << "zr3ctl: " << AllSettings().size() << " settings of converter "
           << converter["serial-number"].dump() << " saved in "
           << (options.file == "-" ? "stdout" : options.file) << '\n';
    return ExitSuccess;
}

int RunRestore(const CtlOptions& options) {
    if (options.file.empty()) FailUsage("restore needs a FILE");
    SensorList sensors;
    const Backup backup = ReadBackupFile(options.file, sensors);
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

    Configuration current = ReadAllSettings(s, sensors);
    std::vector<SettingId> plan;
    for (const auto& entry : AllSettings()) {
        const auto& wanted = backup.settings[entry.id];
        if (wanted && !SameValue(entry.id, *current[entry.id], *wanted)) plan.push_back(entry.id);
    }
    // The plan is data (stdout); what is done about it goes where the other messages go.
    nlohmann::ordered_json report;
    report["dry-run"] = options.dryRun;
    nlohmann::ordered_json planned = nlohmann::ordered_json::array();
    for (SettingId id : plan) {
        if (options.json) {
            planned.push_back({{"name", NameOf(id)},
                               {"from", SettingJson(id, *current[id], sensors)},
                               {"to", SettingJson(id, *backup.settings[id], sensors)}});
        } else {
            std::cout << NameOf(id) << ": " << SettingText(id, *current[id], sensors) << " -> "
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

    // A signal stops the list between two writes, never inside the sensor's sequence.
    CatchInterrupt();
    ChangeProgress progress;
    progress.left = plan;
    int status = ExitSuccess;
    std::vector<std::string> writeFailures(SettingCount);
    for (SettingId id : plan) {
        progress.left.erase(progress.left.begin());
        s.link().ClearGivenUp();
        const WriteOutcome outcome =
            WriteSetting(s.link(), sensors, id, *backup.settings[id], current);
        if (outcome.ok) {
            progress.written.push_back(id);
        } else {
            progress.failed.push_back(id);
            const std::string failure = NamedFailure(outcome.failure, s.link());
            writeFailures[static_cast<size_t>(id)] = failure;
            // The sensor's words name the setting themselves.
            std::cerr << "zr3ctl: " << (id == SettingId::Sensor ? "" : "writing ") << failure
                      << '\n';
            status = ExitConverter;
        }
        EndIfInterrupted(progress);
    }

    // Every value of the file read back from the converter.
    std::string failed;
    const Configuration after = ReadConfiguration(s.link(), sensors, failed);
    nlohmann::ordered_json outcomes = nlohmann::ordered_json::array();
    for (SettingId id : plan) {
        const std::string& failure = writeFailures[static_cast<size_t>(id)];
        const bool same = after[id] && SameValue(id, *after[id], *backup.settings[id]);
        outcomes.push_back({{"name", NameOf(id)},
                            {"written", failure.empty()},
                            {"failure", failure.empty() ? nlohmann::ordered_json(nullptr)
                                                        : nlohmann::ordered_json(failure)},
                            {"answered", after[id] ? SettingJson(id, *after[id], sensors)
                                                   : nlohmann::ordered_json(nullptr)},
                            {"ok", failure.empty() && same}});
    }
    report["outcomes"] = outcomes;
    bool allMatch = true;
    for (const auto& entry : AllSettings()) {
        const auto& wanted = backup.settings[entry.id];
        if (!wanted) continue;
        if (!after[entry.id]) {
            std::cerr << "zr3ctl: " << entry.name << ": no answer when read back\n";
            allMatch = false;
        } else if (!SameValue(entry.id, *after[entry.id], *wanted)) {
            std::cerr << "zr3ctl: " << entry.name << ": the converter holds "
                      << SettingText(entry.id, *after[entry.id], sensors) << ", the file has "
                      << SettingText(entry.id, *wanted, sensors) << '\n';
            allMatch = false;
        }
    }
    if (options.json) std::cout << report.dump(2) << '\n';
    const char* const settings = plan.size() == 1 ? " setting" : " settings";
    if (!allMatch) {
        std::cerr << "zr3ctl: " << plan.size() << settings << " to restore; not all of them took\n";
        return ExitConverter;
    }
    if (status != ExitSuccess) {
        // What the read-back found, and no more: a write may have taken without its answer.
        std::cerr << "zr3ctl: " << plan.size() << settings
                  << " to restore; every value reads back as in the file, but not every write "
                     "was answered\n";
        return status;
    }
    Note() << "zr3ctl: " << plan.size() << settings << " restored\n";
    EndIfInterrupted(progress);
    return ExitSuccess;
}
