// verify: does the converter hold what a backup file says?
#include <iostream>

#include "base/text_escape.h"
#include "ctl/backup_file.h"
#include "ctl/commands.h"
#include "ctl/configuration_difference.h"
#include "ctl/converter_session.h"
#include "ctl/exit_status.h"
#include "model/converter_settings.h"

int RunVerify(const CtlOptions& options) {
    if (options.file.empty()) FailUsage("verify needs a FILE");
    SensorList sensors;
    const Backup backup = ReadBackupFile(options.file, sensors);
    ConverterSession& s = OpenSession(options);
    const nlohmann::ordered_json converter = ConverterRecord(s);
    std::string failed;
    const Configuration held = ReadConfiguration(s.link(), sensors, failed);
    if (!failed.empty()) FailConverter("no answer: " + failed);

    const std::vector<SettingDifference> differences = Differences(backup.settings, held);
    nlohmann::ordered_json notInFile = nlohmann::ordered_json::array();
    for (const auto& entry : AllSettings()) {
        if (!backup.settings[entry.id]) notInFile.push_back(entry.name);
    }
    if (options.json) {
        nlohmann::ordered_json shown;
        shown["file"] = EscapeControls(options.file);
        shown["converter"] = converter;
        shown["equal"] = differences.empty();
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const SettingDifference& d : differences) {
            nlohmann::ordered_json entry;
            entry["setting"] = NameOf(d.id);
            entry["file"] = SettingJson(d.id, d.file, sensors);
            entry["converter"] =
                d.converter ? SettingJson(d.id, *d.converter, sensors) : nlohmann::ordered_json();
            list.push_back(entry);
        }
        shown["differences"] = list;
        shown["not-in-file"] = notInFile;
        std::cout << shown.dump(2) << '\n';
    } else {
        for (const SettingDifference& d : differences) {
            std::cout << NameOf(d.id) << ": file " << SettingText(d.id, d.file, sensors)
                      << ", converter "
                      << (d.converter ? SettingText(d.id, *d.converter, sensors) : "?") << '\n';
        }
        for (const auto& name : notInFile)
            std::cerr << "zr3ctl: the file has no value for " << name.get<std::string>()
                      << "; not compared\n";
        if (differences.empty()) {
            std::cout << "the converter " << converter["serial-number"].dump() << " equals "
                      << EscapeControls(options.file) << '\n';
        }
    }
    return differences.empty() ? ExitSuccess : ExitConverter;
}
