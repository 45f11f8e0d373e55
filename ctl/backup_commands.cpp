// backup: one converter's configuration to a file.
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

Configuration ReadAllSettings(ConverterSession& s, SensorList& sensors) {
    std::string failed;
    s.link().ClearGivenUp();
    Configuration c = ReadConfiguration(s.link(), sensors, failed);
    if (!failed.empty()) FailConverter(failed + ": " + FailureCause(s.link()));
    return c;
}

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
