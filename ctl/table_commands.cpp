// table show|fit|report|add|delete: the probe table's data file, offline.
#include <iostream>
#include <memory>

#include "base/number_text.h"
#include "ctl/commands.h"
#include "ctl/exit_status.h"
#include "ctl/number_words.h"
#include "ctl/terminal.h"
#include "model/file_store.h"
#include "model/point_line.h"
#include "model/probe_characteristic.h"
#include "model/probe_report.h"
#include "model/probe_table.h"

namespace {

// The table of a data file; one that cannot be read or is no probe table is refused, never taken
// as empty nor written over.
std::unique_ptr<ProbeTable> LoadTable(const std::string& path, bool mayBeNew) {
    if (path.empty()) FailUsage("the table commands need a FILE.dat");
    auto table = std::make_unique<ProbeTable>(path);
    // Nothing found on loading is ever written back by itself.
    table->modified = false;
    switch (table->fileState) {
        case TableFileState::Missing:
            if (!mayBeNew) FailUsage("no probe table at " + path);
            break;
        case TableFileState::Unreadable:
            FailUsage("cannot read " + path + ": " + table->fileProblem);
        case TableFileState::Invalid:
            FailUsage(path + " is not a probe table (" + table->fileProblem + ")");
        case TableFileState::Loaded:
            break;
    }
    return table;
}

void SaveTable(ProbeTable& table) {
    if (!table.Save()) FailConverter("cannot write " + table.dataFile + ": " + table.saveProblem);
}

FitResult Fit(const CtlOptions& options, const ProbeTable& table) {
    uint16_t firmware = ConstantTermFirmware;
    if (!options.firmware.empty()) {
        const auto version = ParseFirmwareWord(options.firmware);
        if (!version)
            FailUsage("--firmware: \"" + options.firmware + "\" is not a version like 1.03");
        firmware = *version;
    }
    const FitResult fit = FitProbeCharacteristic(table, options.shift, firmware);
    if (fit.status == FitResult::Status::NothingToDo) FailUsage("the table holds no point");
    if (fit.status == FitResult::Status::Failed)
        FailUsage("the points determine no curve (for example two with the same conductance)");
    return fit;
}

// Points are numbered from 1, as listed.
void PrintTable(const ProbeTable& table) {
    std::cout << "  #  Normal [uS/cm]  Conduct. [uS]\n";
    for (uint32_t i = 0; i < table.count; ++i) {
        const std::string number = FormatInteger(static_cast<int32_t>(i + 1));
        std::cout << std::string(3 - number.size(), ' ') << number << "  "
                  << FormatPointLine(table.conductance[i], table.normal[i]) << '\n';
    }
}

// The report's date and time from the system, its file from the command line.
class NamedReportFile : public ReportSystem {
  public:
    explicit NamedReportFile(std::string path) : path(std::move(path)) {}
    std::optional<std::string> AskFileName(void*) override { return path; }
    std::string DateText() override { return PlatformReportSystem().DateText(); }
    std::string TimeText() override { return PlatformReportSystem().TimeText(); }

  private:
    std::string path;
};

}  // namespace

int RunTableShow(const CtlOptions& options) {
    const auto table = LoadTable(options.file, false);
    if (!options.json) {
        PrintTable(*table);
        return ExitSuccess;
    }
    nlohmann::ordered_json points = nlohmann::ordered_json::array();
    for (uint32_t i = 0; i < table->count; ++i) {
        points.push_back({{"number", i + 1},
                          {"normal", table->normal[i]},
                          {"conductance", table->conductance[i]},
                          {"text", FormatPointLine(table->conductance[i], table->normal[i])}});
    }
    std::cout << nlohmann::ordered_json{{"file", options.file}, {"points", points}}.dump(2) << '\n';
    return ExitSuccess;
}

int RunTableFit(const CtlOptions& options) {
    const FitResult fit = Fit(options, *LoadTable(options.file, false));
    if (options.json) {
        nlohmann::ordered_json k;
        constexpr const char* Names[] = {"k0", "k1", "k2", "k3"};
        for (int i = 0; i < 4; ++i)
            k[Names[i]] = *ParseNumber(ShortestText(fit.coefficients[i]));
        std::cout << k.dump(2) << '\n';
        return ExitSuccess;
    }
    // In the form `set` takes.
    for (int i = 0; i < 4; ++i)
        std::cout << 'k' << i << '=' << ShortestText(fit.coefficients[i]) << '\n';
    return ExitSuccess;
}

int RunTableReport(const CtlOptions& options) {
    if (options.reportFile.empty()) FailUsage("table report needs the report's file name");
    const auto table = LoadTable(options.file, false);
    // Never the table itself, under any of its names.
    if (SameFile(options.file, options.reportFile))
        FailUsage("the report would replace the table " + options.file);
    const FitResult fit = Fit(options, *table);
    // "-" is stdout.
    if (options.reportFile == "-") {
        ReportSystem& clock = PlatformReportSystem();
        // The report's lines end in CR LF already.
        StdoutBinary();
        std::cout << ReportText(clock.DateText(), clock.TimeText(), *table, fit.coefficients);
        std::cout.flush();
        if (!std::cout) FailConverter("cannot write the report to stdout");
        return ExitSuccess;
    }
    NamedReportFile system(options.reportFile);
    const ReportResult result = WriteReport(nullptr, *table, fit.coefficients, system);
    if (result != ReportResult::Written) FailConverter("cannot write " + options.reportFile);
    return ExitSuccess;
}

int RunTableAdd(const CtlOptions& options) {
    const auto conductance = ParseNumber(options.conductance);
    const auto normal = ParseNumber(options.pointNormal);
    if (!conductance) FailUsage("--conductance: \"" + options.conductance + "\" is not a number");
    if (!normal) FailUsage("--normal: \"" + options.pointNormal + "\" is not a number");
    const auto table = LoadTable(options.file, true);
    if (!table->HasRoom()) FailUsage(options.file + " is full (10 points)");
    table->Add(*conductance, *normal);
    SaveTable(*table);
    PrintTable(*table);
    return ExitSuccess;
}

int RunTableDelete(const CtlOptions& options) {
    const auto table = LoadTable(options.file, false);
    const auto index = ParseWholeNumber(options.index, 1, table->count);
    if (!index) {
        FailUsage("\"" + options.index + "\" is not a point of " + options.file + " (1 .. " +
                  FormatInteger(static_cast<int32_t>(table->count)) + ")");
    }
    table->Delete(static_cast<int32_t>(*index - 1));
    SaveTable(*table);
    PrintTable(*table);
    return ExitSuccess;
}
