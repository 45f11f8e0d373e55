#include "ctl/command_line.h"

#include <CLI/CLI.hpp>
#include <functional>
#include <iostream>

#include "ctl/commands.h"
#include "ctl/exit_status.h"
#include "ctl/terminal.h"
#include "model/setting_names.h"

namespace {

std::string SettingsHelp() {
    std::string text = "Settings (NAME=VALUE; the same names in show --json and backup files):\n";
    for (const auto& entry : AllSettings()) {
        std::string name = entry.name;
        name.resize(20, ' ');
        text += "  " + name + entry.meaning + "\n";
    }
    return text;
}

// Runs the chosen subcommand's action after parsing.
using Action = std::function<int(const CtlOptions&)>;

CLI::App* Command(CLI::App& parent, const char* name, const char* description, Action action,
                  Action& chosen) {
    CLI::App* command = parent.add_subcommand(name, description);
    // A group (calibrate, table) only chooses through its own subcommands.
    if (action) command->callback([&chosen, action] { chosen = action; });
    return command;
}

void AddIntervalOption(CLI::App* command, CtlOptions& o, const char* what) {
    command->add_option("--interval", o.interval, what)->type_name("S");
}

// The name of an option of the chosen commands that was given an empty value ("--count ''"),
// which is refused rather than taken as not given; empty when there is none.
std::string OptionGivenEmpty(const CLI::App& app) {
    for (const CLI::Option* option : app.get_options()) {
        if (option->count() == 0 || option->get_expected_min() == 0) continue;
        for (const std::string& value : option->results())
            if (value.empty()) return option->get_name();
    }
    for (const CLI::App* command : app.get_subcommands()) {
        const std::string name = OptionGivenEmpty(*command);
        if (!name.empty()) return name;
    }
    return std::string();
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    CtlOptions o;
    Action chosen;
    CLI::App app(
        "Configures and calibrates a ZR3 conductivity converter on a serial port.\n"
        "Exit status: 0 success, 1 the converter did not answer or refused, 2 a usage "
        "or input error (nothing sent).",
        "zr3ctl");
    app.require_subcommand(1);
    // -p may also follow the subcommand.
    app.fallthrough();
    app.add_option("-p,--port", o.port, "serial port: /dev/ttyUSB0, a /dev/serial/by-id name, COM3")
        ->type_name("PORT");
    // Also accepted after the subcommand, as -p is.
    app.add_option("--log", o.logFile,
                   "commissioning log: one JSON line per change, appended (else $ZR3_LOG)")
        ->type_name("FILE");
    for (int i = 0; i < argc; ++i)
        o.commandLine.emplace_back(argv[i]);

    Command(app, "ports", "list the serial ports", RunPorts, chosen);

    auto* info = Command(app, "info", "identity, firmware, serial number, output and relay",
                         RunInfo, chosen);
    info->add_flag("--json", o.json, "as JSON");
    auto* show = Command(app, "show", "every setting", RunShow, chosen);
    show->add_flag("--json", o.json, "as JSON, by the names of set");
    auto* set =
        Command(app, "set", "write settings one by one and print the answers", RunSet, chosen);
    set->add_option("assignments", o.assignments, "NAME=VALUE ...")->required();
    set->footer(SettingsHelp());

    auto* backup =
        Command(app, "backup", "save every writable setting to a JSON file", RunBackup, chosen);
    backup->add_option("file", o.file, "FILE.json")->required();
    auto* restore =
        Command(app, "restore", "write the settings of a backup file that differ, read them back",
                RunRestore, chosen);
    restore->add_option("file", o.file, "FILE.json")->required();
    restore->add_flag("--dry-run", o.dryRun, "only show what would change, in the order written");
    restore->add_flag("--no-rollback", o.noRollback,
                      "keep what was written when a write fails (default: write back the state "
                      "before)");
    restore
        ->add_option("--save-before", o.saveBefore,
                     "also save the converter's settings before the restore as a backup file")
        ->type_name("FILE");
    auto* verify = Command(app, "verify",
                           "compare the converter with a backup file: exit 0 equal, 1 different",
                           RunVerify, chosen);
    verify->add_option("file", o.file, "FILE.json")->required();
    verify->add_flag("--json", o.json, "the differences as JSON");

    auto* monitor =
        Command(app, "monitor", "the five live values, one line per reading", RunMonitor, chosen);
    AddIntervalOption(monitor, o, "seconds between readings (default 1)");
    monitor->add_option("--count", o.count, "readings, 0 for no end (default 0)")->type_name("N");
    monitor->add_flag("--csv", o.csv, "comma-separated, empty fields for Failure and Invalid");

    auto* calibrate = Command(app, "calibrate", "20-sample calibrations", nullptr, chosen);
    calibrate->require_subcommand(1);
    auto* cable = Command(*calibrate, "cable", "measure and store the cable compensation",
                          RunCalibrateCable, chosen);
    AddIntervalOption(cable, o, "seconds between samples (default 0.65)");
    cable->add_flag("-y,--yes", o.yes, "write without asking (needed without a terminal)");
    cable
        ->add_option("--record", o.recordFile,
                     "calibration record: the samples, mean, deviation, before and after (JSON)")
        ->type_name("FILE");
    auto* probe = Command(*calibrate, "probe",
                          "one-point probe calibration: K1 = normal / average conductance; K0, K2 "
                          "and K3 become 0",
                          RunCalibrateProbe, chosen);
    probe->add_option("--normal", o.normal, "conductivity of the solution, uS/cm")
        ->required()
        ->type_name("VALUE");
    AddIntervalOption(probe, o, "seconds between samples (default 0.65)");
    probe->add_flag("-y,--yes", o.yes, "write without asking (needed without a terminal)");
    probe
        ->add_option("--record", o.recordFile,
                     "calibration record: the samples, mean, deviation, before and after (JSON)")
        ->type_name("FILE");

    auto* table = Command(app, "table", "the probe table file, offline", nullptr, chosen);
    table->require_subcommand(1);
    auto fitOptions = [&](CLI::App* command) {
        command->add_flag("--shift", o.shift, "proportional fit through the origin");
        command->add_option("--firmware", o.firmware, "converter firmware (default 1.03)")
            ->type_name("V");
    };
    auto* tableShow = Command(*table, "show", "list the points", RunTableShow, chosen);
    tableShow->add_option("file", o.file, "FILE.dat")->required();
    auto* fit = Command(*table, "fit", "fit the characteristic; prints k0..k3 for set", RunTableFit,
                        chosen);
    fit->add_option("file", o.file, "FILE.dat")->required();
    fitOptions(fit);
    auto* report = Command(*table, "report",
                           "the text report of the points and the fit; a record in JSON and a "
                           "picture in SVG (with -p also the converter's)",
                           RunTableReport, chosen);
    report->add_option("file", o.file, "FILE.dat")->required();
    report->add_option("report", o.reportFile, "REPORT.txt");
    report->add_option("--json", o.jsonFile, "the calibration record as JSON, - for stdout")
        ->type_name("FILE");
    report->add_option("--svg", o.svgFile, "the characteristic and residuals as SVG, - for stdout")
        ->type_name("FILE");
    fitOptions(report);
    auto* add = Command(*table, "add", "add a point", RunTableAdd, chosen);
    add->add_option("file", o.file, "FILE.dat")->required();
    add->add_option("--conductance", o.conductance, "G, uS")->required()->type_name("G");
    add->add_option("--normal", o.pointNormal, "normal conductivity, uS/cm")
        ->required()
        ->type_name("KAPPA");
    auto* del = Command(*table, "delete", "delete a point", RunTableDelete, chosen);
    del->add_option("file", o.file, "FILE.dat")->required();
    del->add_option("index", o.index, "the point's number as listed (1 ..)")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp& help) {
        return app.exit(help);
    } catch (const CLI::CallForAllHelp& help) {
        return app.exit(help);
    } catch (const CLI::ParseError& error) {
        app.exit(error, std::cout, std::cerr);
        return ExitUsage;
    }
    if (!chosen) return ExitUsage;
    if (const std::string empty = OptionGivenEmpty(app); !empty.empty()) {
        std::cerr << "zr3ctl: " << empty << ": an empty value\n";
        return ExitUsage;
    }
    int status = ExitSuccess;
    try {
        status = chosen(o);
    } catch (const CommandFailure& failure) {
        std::cerr << "zr3ctl: " << failure.what() << '\n';
        return failure.status;
    }
    // Data that did not reach stdout is a failure, whatever the command did.
    std::string why;
    if (!OutputWritten(why)) {
        std::cerr << "zr3ctl: cannot write the output: " << why << '\n';
        if (status == ExitSuccess) status = ExitConverter;
    }
    return status;
}
