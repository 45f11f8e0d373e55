// table show|fit|report|add|delete: the probe table's data file, offline.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <iostream>
#include <memory>

#include "base/number_text.h"
#include "base/text_escape.h"
#include "ctl/commands.h"
#include "ctl/converter_session.h"
#include "ctl/exit_status.h"
#include "ctl/number_words.h"
#include "ctl/terminal.h"
#include "ctl/who_and_when.h"
#include "model/calibration_record.h"
#include "model/characteristic_picture.h"
#include "model/file_store.h"
#include "model/point_line.h"
#include "model/probe_characteristic.h"
#include "model/probe_plausibility.h"
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

// --firmware, else the given default.
uint16_t FirmwareOption(const CtlOptions& options, uint16_t firmware) {
    if (options.firmware.empty()) return firmware;
    const auto version = ParseFirmwareWord(options.firmware);
    if (!version)
        FailUsage("--firmware: \"" + EscapeControls(options.firmware) +
                  "\" is not a version like 1.03");
    return *version;
}

FitResult Fit(const CtlOptions& options, const ProbeTable& table,
              uint16_t firmware = ConstantTermFirmware) {
    firmware = FirmwareOption(options, firmware);
    const FitResult fit = FitProbeCharacteristic(table, options.shift, firmware);
    if (fit.status == FitResult::Status::NothingToDo) FailUsage("the table holds no point");
    if (fit.status == FitResult::Status::Failed)
        FailUsage("the points determine no curve (for example two with the same conductance)");
    return fit;
}

// A value with 2 decimals, right-aligned in width characters as the window lists it; a value
// that 2 decimals would hide (a small one) or stretch past the field, in its shortest exact form.
std::string NumberField(double value, size_t width) {
    char buffer[400];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
    std::string text(buffer, result.ptr);
    if (text.size() > std::max<size_t>(width, 10) || (value != 0.0 && std::fabs(value) < 0.005)) {
        result = std::to_chars(buffer, buffer + sizeof buffer, value);
        text.assign(buffer, result.ptr);
    }
    return std::string(width > text.size() ? width - text.size() : 0, ' ') + text;
}

// Points are numbered from 1, as listed.
void PrintTable(const ProbeTable& table) {
    std::cout << "  #  Normal [uS/cm]  Conduct. [uS]\n";
    for (uint32_t i = 0; i < table.count; ++i) {
        const std::string number = FormatInteger(static_cast<int32_t>(i + 1));
        std::cout << std::string(3 - number.size(), ' ') << number << "  "
                  << NumberField(table.normal[i], 10) << "    "
                  << NumberField(table.conductance[i], 10) << '\n';
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

// A record to its file, or to stdout for "-".
void WriteOutput(const std::string& path, const std::string& text) {
    if (path == "-") {
        std::cout << text << std::flush;
        if (!std::cout) FailConverter("cannot write to stdout");
        return;
    }
    const FileStatus stored =
        StoreFile(path, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (!stored.ok())
        FailConverter("cannot write " + EscapeControls(path) + ": " + FileStatusText(stored));
}

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
    if (options.reportFile.empty() && options.jsonFile.empty() && options.svgFile.empty())
        FailUsage("table report needs the report's file name, --json FILE or --svg FILE");
    if (options.jsonFile == "-" && options.svgFile == "-")
        FailUsage("--json and --svg cannot both go to stdout");
    const auto table = LoadTable(options.file, false);
    // With -p the fit is made for the converter's firmware and the record names the converter.
    std::optional<RecordedConverter> converter;
    uint16_t firmware = ConstantTermFirmware;
    if (!options.port.empty()) {
        ConverterSession& s = OpenSession(options);
        const nlohmann::ordered_json record = ConverterRecord(s);
        converter.emplace();
        converter->identity = s.identity();
        converter->firmware = FormatVersion(s.firmware());
        converter->serialNumber = record["serial-number"].get<int32_t>();
        ProbeCoefficients held;
        if (!s.link().ReadProbeCoefficients(held)) FailConverter("no answer: probe coefficients");
        converter->coefficients = std::array<float, 4>{held.K[0], held.K[1], held.K[2], held.K[3]};
        firmware = s.firmware();
    }
    firmware = FirmwareOption(options, firmware);
    // Never the table itself, under any of its names.
    for (const std::string* target : {&options.reportFile, &options.jsonFile, &options.svgFile}) {
        if (!target->empty() && *target != "-" && SameFile(options.file, *target))
            FailUsage("the report would replace the table " + options.file);
    }
    if (options.reportFile == "-" && (options.jsonFile == "-" || options.svgFile == "-"))
        FailUsage("the report and --json or --svg cannot both go to stdout");
    const FitResult fit = Fit(options, *table, firmware);
    // "-" is stdout.
    if (options.reportFile == "-") {
        ReportSystem& clock = PlatformReportSystem();
        // The report's lines end in CR LF already.
        StdoutBinary();
        std::cout << ReportText(clock.DateText(), clock.TimeText(), *table, fit.coefficients);
        std::cout.flush();
        if (!std::cout) FailConverter("cannot write the report to stdout");
    } else if (!options.reportFile.empty()) {
        NamedReportFile system(options.reportFile);
        const ReportResult result = WriteReport(nullptr, *table, fit.coefficients, system);
        if (result != ReportResult::Written) FailConverter("cannot write " + options.reportFile);
    }
    const std::time_t now = std::time(nullptr);
    ProbeTableRecord record = MakeProbeTableRecord(*table, fit, options.shift, firmware);
    record.time = Iso8601Time(now);
    record.table = EscapeControls(options.file);
    record.converter = converter;
    if (!options.jsonFile.empty()) WriteOutput(options.jsonFile, ProbeTableRecordJson(record));
    if (!options.svgFile.empty())
        WriteOutput(options.svgFile, CharacteristicSvg(record, Iso8601Date(now)));
    return ExitSuccess;
}

int RunTableAdd(const CtlOptions& options) {
    // Only what a probe in a solution can give: a positive conductance, a plausible normal.
    const auto conductance = ParseNumber(options.conductance);
    const auto normal = ParseNumber(options.pointNormal);
    if (!conductance || *conductance <= 0.0) {
        FailUsage("--conductance: \"" + EscapeControls(options.conductance) +
                  "\" is not a conductance above 0" + PointHint(options.conductance));
    }
    if (!normal || !NormalIsPlausible(*normal)) {
        FailUsage("--normal: \"" + EscapeControls(options.pointNormal) +
                  "\" is not a conductivity of at least " + ShortestText(MinimumNormal) + " uS/cm" +
                  PointHint(options.pointNormal));
    }
    const auto table = LoadTable(options.file, true);
    if (!table->HasRoom()) FailUsage(options.file + " is full (10 points)");
    // Two points of one conductance determine no curve.
    for (uint32_t i = 0; i < table->count; ++i) {
        if (table->conductance[i] == *conductance) {
            FailUsage(options.file + " already holds a point of conductance " +
                      NumberField(*conductance, 0) + " uS (point " +
                      FormatInteger(static_cast<int32_t>(i + 1)) + ")");
        }
    }
    table->Add(*conductance, *normal);
    SaveTable(*table);
    PrintTable(*table);
    return ExitSuccess;
}

int RunTableDelete(const CtlOptions& options) {
    const auto table = LoadTable(options.file, false);
    const auto index = ParseWholeNumber(options.index, 1, table->count);
    if (!index) {
        FailUsage("\"" + EscapeControls(options.index) + "\" is not a point of " + options.file +
                  " (1 .. " + FormatInteger(static_cast<int32_t>(table->count)) + ")");
    }
    table->Delete(static_cast<int32_t>(*index - 1));
    SaveTable(*table);
    PrintTable(*table);
    return ExitSuccess;
}
