// backup and restore: one converter's configuration to a file and onto other converters.
#include <iostream>

#include "ctl/backup_file.h"
#include "ctl/commands.h"
#include "ctl/converter_session.h"
#include "ctl/exit_status.h"
#include "ctl/setting_value.h"
#include "model/converter_settings.h"
#include "model/file_store.h"

namespace {

Configuration ReadAllSettings(ConverterSession& s, SensorList& sensors) {
    std::string failed;
    Configuration c = ReadConfiguration(s.link(), sensors, failed);
    if (!failed.empty()) FailConverter("no answer: " + failed);
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
    if (!StoreFileAtomically(options.file, reinterpret_cast<const uint8_t*>(text.data()),
                             text.size(), nullptr)) {
        FailConverter("cannot write " + options.file);
    }
    std::cerr << "zr3ctl: " << AllSettings().size() << " settings of converter "
              << converter["serial-number"].dump() << " saved in " << options.file << '\n';
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
            std::cerr << "zr3ctl: the file has no value for " << entry.name
                      << "; it is left as it is\n";
    }

    Configuration current = ReadAllSettings(s, sensors);
    std::vector<SettingId> plan;
    for (const auto& entry : AllSettings()) {
        const auto& wanted = backup.settings[entry.id];
        if (wanted && !SameValue(entry.id, *current[entry.id], *wanted)) plan.push_back(entry.id);
    }
    for (SettingId id : plan) {
        std::cout << NameOf(id) << ": " << SettingText(id, *current[id], sensors) << " -> "
                  << SettingText(id, *backup.settings[id], sensors) << '\n';
    }
    if (plan.empty()) std::cout << "nothing to change\n";
    if (options.dryRun || plan.empty()) return ExitSuccess;

    int status = ExitSuccess;
    for (SettingId id : plan) {
        const WriteOutcome outcome =
            WriteSetting(s.link(), sensors, id, *backup.settings[id], current);
        if (!outcome.ok) {
            std::cerr << "zr3ctl: writing " << outcome.failure << '\n';
            status = ExitConverter;
        }
    }

    // Every value of the file read back from the converter.
    std::string failed;
    const Configuration after = ReadConfiguration(s.link(), sensors, failed);
    for (const auto& entry : AllSettings()) {
        const auto& wanted = backup.settings[entry.id];
        if (!wanted) continue;
        if (!after[entry.id]) {
            std::cerr << "zr3ctl: " << entry.name << ": no answer when read back\n";
            status = ExitConverter;
        } else if (!SameValue(entry.id, *after[entry.id], *wanted)) {
            std::cerr << "zr3ctl: " << entry.name << ": the converter holds "
                      << SettingText(entry.id, *after[entry.id], sensors) << ", the file has "
                      << SettingText(entry.id, *wanted, sensors) << '\n';
            status = ExitConverter;
        }
    }
    std::cerr << "zr3ctl: " << plan.size() << (plan.size() == 1 ? " setting" : " settings")
              << (status == ExitSuccess ? " restored" : " to restore; not all of them took")
              << '\n';
    return status;
}
