#pragma once

#include <string>
#include <string_view>

struct ProbeTableRecord;

// A linear axis with round ticks: from lo to hi in steps of step (1, 2 or 5 times a power of
// ten), labelled with `decimals` decimals.
struct AxisTicks {
    double lo = 0.0;
    double hi = 1.0;
    double step = 1.0;
    int decimals = 0;
};

// Ticks that cover min .. max in about five steps; a range of one value is widened around it.
AxisTicks RoundAxis(double min, double max);

// The characteristic of a record as a picture to file: normal value over conductance with the
// points as marks and the fitted polynomial as a line, and below it each point's residual in %.
// Plain SVG 1.1: no script, no external reference. date is shown in the title.
std::string CharacteristicSvg(const ProbeTableRecord& record, std::string_view date);
