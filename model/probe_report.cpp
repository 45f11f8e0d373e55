#include "model/probe_report.h"

#include <algorithm>

#include "base/number_text.h"
#include "model/file_store.h"
#include "model/probe_table.h"

namespace {

constexpr std::string_view LineEnd = "\r\n";

// Sign position, one digit, 16 decimals, a three-digit exponent: 24 characters.
std::string DoubleText(double value) {
    return FormatScientific(value, 16, 3);
}

// Sign position, one digit, 9 decimals, a two-digit exponent: 16 characters.
std::string SingleText(float value) {
    return FormatScientific(value, 9, 2);
}

void AppendLine(std::string& text, std::string_view line) {
    text.append(line);
    text.append(LineEnd);
}

}  // namespace

std::string ReportText(std::string_view date, std::string_view time, const ProbeTable& table,
                       const std::array<float, 4>& coefficients) {
    std::string text;
    AppendLine(text, std::string("Date:  ").append(date));
    AppendLine(text, std::string("Time:  ").append(time));
    AppendLine(text, "");
    AppendLine(text, "Conductivity [uS]           Normal [uS/cm]");
    const uint32_t count = std::min(table.count, ProbeTable::Capacity);
    for (uint32_t i = 0; i < count; ++i)
        AppendLine(text, DoubleText(table.conductance[i]) + "   " + DoubleText(table.normal[i]));
    AppendLine(text, "");
    AppendLine(text, "Coefficiens:");
    for (float k : coefficients)
        AppendLine(text, SingleText(k));
    return text;
}

ReportResult WriteReport(void* owner, const ProbeTable& table,
                         const std::array<float, 4>& coefficients, ReportSystem& system) {
    std::string fileName;
    return WriteReport(owner, table, coefficients, system, fileName);
}

ReportResult WriteReport(void* owner, const ProbeTable& table,
                         const std::array<float, 4>& coefficients, ReportSystem& system,
                         std::string& fileName) {
    fileName = system.AskFileName(owner).value_or(std::string());
    if (fileName.empty()) return ReportResult::Cancelled;
    const std::string text = ReportText(system.DateText(), system.TimeText(), table, coefficients);
    // As bytes: the lines carry their own CR LF.
    const FileStatus status =
        StoreFile(fileName, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (status.ok()) return ReportResult::Written;
    return status.duringWrite ? ReportResult::WriteFailed : ReportResult::CreateFailed;
}
