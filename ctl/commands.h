#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

class ConverterSession;

// What the command line gave; numbers stay words until each command checks them strictly.
struct CtlOptions {
    std::string port;
    std::string retries;           // further attempts of a read or a value write (default 1)
    bool verbose = false;          // every frame on stderr
    bool quiet = false;            // only errors on stderr
    bool printManualPage = false;  // the installation's documents instead of a command
    bool printCompletion = false;
    bool json = false;
    std::vector<std::string> assignments;  // set NAME=VALUE ...
    std::string file;                      // backup, restore, table FILE.dat
    bool dryRun = false;
    std::string interval;  // monitor, calibrate: seconds between readings
    std::string count;     // monitor: readings, 0 for no end
    bool csv = false;
    bool yes = false;
    std::string normal;                    // calibrate probe: the solution's conductivity, uS/cm
    std::string reportFile;                // table report
    bool shift = false;                    // table fit, report: proportional fit
    std::string firmware;                  // table fit, report: the converter's firmware
    std::string conductance;               // table add
    std::string pointNormal;               // table add
    std::string index;                     // table delete
    std::string logFile;                   // --log: the commissioning log (else ZR3_LOG)
    std::vector<std::string> commandLine;  // every word as given, for the log
    std::string jsonFile;                  // table report --json FILE|-
    std::string svgFile;                   // table report --svg FILE|-
    std::string recordFile;                // calibrate --record FILE
    bool noRollback = false;               // restore
    std::string saveBefore;                // restore: the state before as a backup file
};

int RunPorts(const CtlOptions& options);
int RunInfo(const CtlOptions& options);
int RunShow(const CtlOptions& options);
int RunSet(const CtlOptions& options);
int RunBackup(const CtlOptions& options);
int RunRestore(const CtlOptions& options);
int RunVerify(const CtlOptions& options);
int RunMonitor(const CtlOptions& options);
int RunCalibrateCable(const CtlOptions& options);
int RunCalibrateProbe(const CtlOptions& options);
int RunTableShow(const CtlOptions& options);
int RunTableFit(const CtlOptions& options);
int RunTableReport(const CtlOptions& options);
int RunTableAdd(const CtlOptions& options);
int RunTableDelete(const CtlOptions& options);

// The converter's session on the -p port; a usage failure when no port was given.
ConverterSession& OpenSession(const CtlOptions& options);
// Identity, firmware, serial number, output and relay variants (exit 1 when not answered).
nlohmann::ordered_json ConverterRecord(ConverterSession& session);
// Every setting, read as the main window reads them (exit 1 when one is not answered).
struct Configuration;
class SensorList;
Configuration ReadAllSettings(ConverterSession& session, SensorList& sensors);
// Seconds between readings from --interval (default when not given), checked strictly.
double IntervalOption(const CtlOptions& options, double defaultSeconds);
