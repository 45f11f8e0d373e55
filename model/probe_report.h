#pragma once

#include <array>
#include <string>
#include <string_view>

#include "model/report_system.h"

class ProbeTable;

// How "Into file" ended; the caller decides what, if anything, to show.
enum class ReportResult {
    Written,       // the whole report is in the file
    Cancelled,     // no file name chosen; nothing written
    CreateFailed,  // the file could not be created; nothing written
    WriteFailed,   // the file was created but not completely written (for example a full disk)
};

// The report text: date, time, the points (G, kappa) and the coefficients K[0]..K[3], every
// line ended by CR LF.
std::string ReportText(std::string_view date, std::string_view time, const ProbeTable& table,
                       const std::array<float, 4>& coefficients);

// Asks for a file name (owner: the native window the question belongs to) and writes the
// report of the table and the coefficients into it.
ReportResult WriteReport(void* owner, const ProbeTable& table,
                         const std::array<float, 4>& coefficients,
                         ReportSystem& system = PlatformReportSystem());
// The same; fileName receives the name chosen (empty when none was).
ReportResult WriteReport(void* owner, const ProbeTable& table,
                         const std::array<float, 4>& coefficients, ReportSystem& system,
                         std::string& fileName);
