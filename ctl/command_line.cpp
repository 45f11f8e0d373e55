#include "ctl/command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <iostream>

#include "ctl/command_documents.h"
#include "ctl/commands.h"
#include "ctl/exit_status.h"
#include "ctl/output.h"
#include "ctl/setting_help.h"
#include "ctl/terminal.h"
#include "model/sensor_list.h"
#include "model/setting_names.h"
#include "zr3_version.h"

namespace {

constexpr char ExitStatusText[] =
    "Exit status: 0 success; 1 the converter did not answer or refused, or a file could not be "
    "written; 2 a usage or input error (nothing sent), or a file that cannot be read; 129, 130, "
    "143 ended by SIGHUP, SIGINT (Ctrl-C), SIGTERM.";

// Runs the chosen subcommand's action after parsing.
using Action = std::function<int(const CtlOptions&)>;

CLI::App* Command(CLI::App& parent, const char* name, const char* description, Action action,
                  Action& chosen) {
    CLI::App* command = parent.add_subcommand(name, description);
    // A group (calibrate, table) only chooses through its own subcommands.
    if (action) command->callback([&chosen, action] { chosen = action; });
    return command;
}

void AddPortOption(CLI::App* command, CtlOptions& o) {
    command->add_option("-p,--port", o.port, "serial port (default: $ZR3_PORT)")
        ->type_name("PORT")
        ->envname("ZR3_PORT");
}

// A subcommand that talks to the converter: the port may follow it, and --json.
CLI::App* ConverterCommand(CLI::App& parent, const char* name, const char* description,
                           Action action, Action& chosen, CtlOptions& o) {
    CLI::App* command = Command(parent, name, description, action, chosen);
    AddPortOption(command, o);
    return command;
}

void AddJsonFlag(CLI::App* command, CtlOptions& o, const char* what = "as JSON") {
    command->add_flag("--json", o.json, what);
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

void BuildCommands(CLI::App& app, CtlOptions& o, Action& chosen, SensorList& sensors) {
    app.require_subcommand(1);
    // -p and the program's own options may also follow the subcommand.
    app.fallthrough();
    app.footer(std::string(ExitStatusText) +
               "\nThe port comes from -p PORT or, without it, from the environment variable "
               "ZR3_PORT.\nRun 'zr3ctl help COMMAND' for the options of a command.");
    app.set_version_flag("-V,--version", std::string("zr3ctl ") + ZR3_VERSION);
    app.add_option("-p,--port", o.port,
                   "serial port: /dev/ttyUSB0, a /dev/serial/by-id name, COM3 (default: $ZR3_PORT)")
        ->type_name("PORT")
        ->envname("ZR3_PORT");
    // Also accepted after the subcommand, as -p is.
    app.add_option("--log", o.logFile,
                   "commissioning log: one JSON line per change, appended (else $ZR3_LOG)")
        ->type_name("FILE");
    app.add_option("--retries", o.retries,
                   "further attempts of a spoiled read or value write (default 1)")
        ->type_name("N");
    app.add_flag("-v,--verbose", o.verbose, "every frame on stderr, in hex with a time stamp");
    app.add_flag("-q,--quiet", o.quiet, "only errors on stderr");
    // The documents of the installation, printed from this table.
    app.add_flag("--print-manual-page", o.printManualPage)->group("");
    app.add_flag("--print-bash-completion", o.printCompletion)->group("");

    app.add_subcommand("help", "the help of zr3ctl or of a command: help [COMMAND...]");

    AddJsonFlag(Command(app, "ports", "list the serial ports", RunPorts, chosen), o);

    auto* info = ConverterCommand(
        app, "info", "identity, firmware, serial number, output and relay", RunInfo, chosen, o);
    AddJsonFlag(info, o);
    auto* show = ConverterCommand(app, "show", "every setting", RunShow, chosen, o);
    AddJsonFlag(show, o,
                "as JSON, by the names of set (null where the firmware has no such setting)");
    auto* set = ConverterCommand(app, "set", "write settings one by one and print the answers",
                                 RunSet, chosen, o);
    set->add_option("assignments", o.assignments, "NAME=VALUE ...")->required();
    AddJsonFlag(set, o, "as JSON: each setting asked and answered");
    set->footer(SettingsHelpText(sensors));

    auto* backup = ConverterCommand(app, "backup", "save every writable setting to a JSON file",
                                    RunBackup, chosen, o);
    backup->add_option("file", o.file, "FILE.json, or - for stdout")->required();
    auto* restore = ConverterCommand(
        app, "restore", "write the settings of a backup file that differ, read them back",
        RunRestore, chosen, o);
    restore->add_option("file", o.file, "FILE.json, or - for stdin")->required();
    restore->add_flag("--dry-run", o.dryRun, "only show what would change, in the order written");
    restore->add_flag("--no-rollback", o.noRollback,
                      "keep what was written when a write fails (default: write back the state "
                      "before)");
    restore
        ->add_option("--save-before", o.saveBefore,
                     "also save the converter's settings before the restore as a backup file")
        ->type_name("FILE");
    AddJsonFlag(restore, o, "as JSON: the plan and each setting's outcome");
    auto* verify = ConverterCommand(
        app, "verify", "compare the converter with a backup file: exit 0 equal, 1 different",
        RunVerify, chosen, o);
    verify->add_option("file", o.file, "FILE.json")->required();
    AddJsonFlag(verify, o, "the differences as JSON");

    auto* monitor = ConverterCommand(app, "monitor",
                                     "the five live values, one line per reading, time stamp first",
                                     RunMonitor, chosen, o);
    AddIntervalOption(monitor, o, "period of the readings in seconds (default 1)");
    monitor->add_option("--count", o.count, "readings, 0 for no end (default 0)")->type_name("N");
    monitor->add_flag("--csv", o.csv, "comma-separated with a header naming the units");
    AddJsonFlag(monitor, o, "one JSON object per reading and line");

    auto* calibrate = Command(app, "calibrate", "20-sample calibrations", nullptr, chosen);
    calibrate->require_subcommand(1);
    auto* cable = ConverterCommand(*calibrate, "cable", "measure and store the cable compensation",
                                   RunCalibrateCable, chosen, o);
    AddIntervalOption(cable, o, "seconds between samples (default 0.65)");
    cable->add_flag("-y,--yes", o.yes, "write without asking (needed without a terminal)");
    AddJsonFlag(cable, o, "as JSON: samples, mean, what was written");
    cable
        ->add_option("--record", o.recordFile,
                     "calibration record: the samples, mean, deviation, before and after (JSON)")
        ->type_name("FILE");
    auto* probe = ConverterCommand(
        *calibrate, "probe",
        "one-point probe calibration: k1 = normal / average conductance; k0, k2 and k3 "
        "become 0",
        RunCalibrateProbe, chosen, o);
    probe->add_option("--normal", o.normal, "conductivity of the solution, uS/cm")
        ->required()
        ->type_name("VALUE");
    AddIntervalOption(probe, o, "seconds between samples (default 0.65)");
    probe->add_flag("-y,--yes", o.yes, "write without asking (needed without a terminal)");
    AddJsonFlag(probe, o, "as JSON: samples, mean, coefficient");
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
    AddJsonFlag(tableShow, o);
    auto* fit = Command(*table, "fit", "fit the characteristic; prints k0..k3 for set", RunTableFit,
                        chosen);
    fit->add_option("file", o.file, "FILE.dat")->required();
    fitOptions(fit);
    AddJsonFlag(fit, o);
    auto* report = Command(*table, "report",
                           "the text report of the points and the fit; a record in JSON and a "
                           "picture in SVG (with -p also the converter's)",
                           RunTableReport, chosen);
    report->add_option("file", o.file, "FILE.dat")->required();
    report->add_option("report", o.reportFile, "REPORT.txt, or - for stdout");
    // Here --json names the record's file: no flag.
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
}

// Levenshtein distance of two short words.
size_t EditDistance(const std::string& a, const std::string& b) {
    std::vector<size_t> row(b.size() + 1);
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            const size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// "unknown command 'shwo'; did you mean 'show'?"
std::string UnknownCommand(const CLI::App& level, const std::string& word) {
    std::string message = "unknown command '" + word + "'";
    std::string nearest;
    size_t best = 3;
    for (const CLI::App* sub : level.get_subcommands([](const CLI::App*) { return true; })) {
        const std::string& name = sub->get_name();
        const size_t distance =
            name.rfind(word, 0) == 0 && !word.empty() ? 1 : EditDistance(word, name);
        if (distance < best) {
            best = distance;
            nearest = name;
        }
    }
    if (!nearest.empty()) message += "; did you mean '" + nearest + "'?";
    const std::string path = level.get_parent() ? " " + level.get_name() : "";
    return message + " (see zr3ctl" + path + " --help)";
}

// Walks the words before CLI11 does: `help X Y` becomes `X Y --help`, and a word where a command
// belongs that names none is refused with the nearest command.
std::vector<std::string> CheckCommandWords(CLI::App& app, std::vector<std::string> words) {
    CLI::App* level = &app;
    bool help = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word == "--") break;
        if (word.size() > 1 && word[0] == '-') {
            if (word.find('=') != std::string::npos) continue;
            const CLI::Option* option = nullptr;
            for (CLI::App* scope = level; scope != nullptr && option == nullptr;
                 scope = scope->get_parent())
                option = scope->get_option_no_throw(word);
            if (option != nullptr && option->get_expected_min() > 0) ++i;
            continue;
        }
        if (level->get_subcommands([](const CLI::App*) { return true; }).empty()) break;
        if (level == &app && word == "help" && !help) {
            help = true;
            words.erase(words.begin() + static_cast<std::ptrdiff_t>(i));
            --i;
            continue;
        }
        CLI::App* next = nullptr;
        for (CLI::App* sub : level->get_subcommands([](const CLI::App*) { return true; }))
            if (sub->get_name() == word) next = sub;
        if (next == nullptr) FailUsage(UnknownCommand(*level, word));
        level = next;
    }
    if (help) words.push_back("--help");
    return words;
}

}  // namespace

int RunCommandLine(int argc, char** argv) {
    CtlOptions o;
    Action chosen;
    SensorList sensors;
    CLI::App app(
        "Configures and calibrates a ZR3 conductivity converter on a serial port.\n"
        "Data go to stdout, messages to stderr.",
        "zr3ctl");
    BuildCommands(app, o, chosen, sensors);

    for (int i = 0; i < argc; ++i)
        o.commandLine.emplace_back(argv[i]);
    std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    // Errors of a --json command are JSON too, even those of its command line; table report's
    // --json names a file instead.
    const bool tableReport = std::find(words.begin(), words.end(), "report") != words.end() &&
                             std::find(words.begin(), words.end(), "table") != words.end();
    for (const std::string& word : words)
        if (word == "--json" && !tableReport) o.json = true;
    SetErrorsAsJson(o.json);
    try {
        words = CheckCommandWords(app, words);
        std::reverse(words.begin(), words.end());
        app.parse(words);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return ExitSuccess;
    } catch (const CLI::CallForAllHelp&) {
        std::cout << app.help("", CLI::AppFormatMode::All);
        return ExitSuccess;
    } catch (const CLI::CallForVersion&) {
        std::cout << "zr3ctl " << ZR3_VERSION << '\n';
        return ExitSuccess;
    } catch (const CLI::ParseError& error) {
        if (o.printManualPage || o.printCompletion) {
            // Nothing to choose: the documents only.
        } else {
            ReportError(error.what(), ExitUsage);
            return ExitUsage;
        }
    } catch (const CommandFailure& failure) {
        ReportError(failure.what(), failure.status);
        return failure.status;
    }
    if (o.printManualPage) {
        std::cout << ManualPage(app, sensors);
        return ExitSuccess;
    }
    if (o.printCompletion) {
        std::cout << BashCompletion(app, sensors);
        return ExitSuccess;
    }
    if (!chosen) return ExitUsage;
    if (const std::string empty = OptionGivenEmpty(app); !empty.empty()) {
        ReportError(empty + ": an empty value", ExitUsage);
        return ExitUsage;
    }
    int status = RunCommand(chosen, o);
    // Data that did not reach stdout is a failure, whatever the command did.
    std::string why;
    if (!OutputWritten(why)) {
        ReportError("cannot write the output: " + why, ExitConverter);
        if (status == ExitSuccess) status = ExitConverter;
    }
    return status;
}
