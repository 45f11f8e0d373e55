#include "model/characteristic_picture.h"

#include <algorithm>
#include <cmath>

#include "base/number_text.h"
#include "model/calibration_record.h"
#include "model/record_text.h"

namespace {

// The picture's frame, in user units (px).
constexpr int Width = 640;
constexpr int Height = 560;
constexpr double Left = 80.0;
constexpr double Right = 600.0;
constexpr double PlotTop = 64.0;
constexpr double PlotBottom = 324.0;
constexpr double ResidualTop = 392.0;
constexpr double ResidualBottom = 492.0;
// The part of a step that a value may pass the outer tick by.
constexpr double Overrun = 0.02;
constexpr double MinResidualSpan = 0.1;  // %
// Segments of the fitted line.
constexpr int CurveSteps = 100;

std::string Coordinate(double value) {
    return FormatFixed(static_cast<float>(value), 2);
}

std::string TickLabel(const AxisTicks& axis, double value) {
    // A tick at zero never shows "-0".
    if (std::fabs(value) < axis.step * 1e-9) value = 0.0;
    return FormatFixed(static_cast<float>(value), axis.decimals);
}

double Scale(double value, const AxisTicks& axis, double from, double to) {
    return from + (value - axis.lo) / (axis.hi - axis.lo) * (to - from);
}

int TickCount(const AxisTicks& axis) {
    return static_cast<int>(std::lround((axis.hi - axis.lo) / axis.step));
}

std::string Text(double x, double y, std::string_view anchor, std::string_view text,
                 std::string_view extra = {}) {
    return "<text x=\"" + Coordinate(x) + "\" y=\"" + Coordinate(y) + "\" text-anchor=\"" +
           std::string(anchor) + "\"" + std::string(extra) + ">" + XmlText(text) + "</text>\n";
}

std::string Line(double x1, double y1, double x2, double y2, std::string_view style) {
    return "<line x1=\"" + Coordinate(x1) + "\" y1=\"" + Coordinate(y1) + "\" x2=\"" +
           Coordinate(x2) + "\" y2=\"" + Coordinate(y2) + "\" " + std::string(style) + "/>\n";
}

// The x ticks with labels under a plot, and the vertical axis with its ticks and labels.
std::string Axes(const AxisTicks& x, const AxisTicks& y, double top, double bottom,
                 std::string_view yLabel) {
    std::string svg = "<rect x=\"" + Coordinate(Left) + "\" y=\"" + Coordinate(top) +
                      "\" width=\"" + Coordinate(Right - Left) + "\" height=\"" +
                      Coordinate(bottom - top) + "\" fill=\"none\" stroke=\"#000\"/>\n";
    for (int i = 0; i <= TickCount(x); ++i) {
        const double value = x.lo + i * x.step;
        const double px = Scale(value, x, Left, Right);
        svg += Line(px, bottom, px, bottom + 5, "stroke=\"#000\"");
        svg += Text(px, bottom + 18, "middle", TickLabel(x, value));
    }
    for (int i = 0; i <= TickCount(y); ++i) {
        const double value = y.lo + i * y.step;
        const double py = Scale(value, y, bottom, top);
        svg += Line(Left - 5, py, Left, py, "stroke=\"#000\"");
        if (i > 0 && i < TickCount(y)) svg += Line(Left, py, Right, py, "stroke=\"#ddd\"");
        svg += Text(Left - 8, py + 4, "end", TickLabel(y, value));
    }
    const double middle = (top + bottom) / 2;
    svg += "<text x=\"20\" y=\"" + Coordinate(middle) +
           "\" text-anchor=\"middle\" transform=\"rotate(-90 20 " + Coordinate(middle) + ")\">" +
           XmlText(yLabel) + "</text>\n";
    return svg;
}

}  // namespace

AxisTicks RoundAxis(double min, double max) {
    AxisTicks axis;
    if (!(std::isfinite(min) && std::isfinite(max))) return axis;
    if (max < min) std::swap(min, max);
    if (max - min == 0.0) {
        const double half = min == 0.0 ? 1.0 : std::fabs(min) / 10;
        min -= half;
        max += half;
    }
    const double raw = (max - min) / 5;
    double magnitude = 1.0;
    int exponent = 0;
    while (magnitude * 10 <= raw) {
        magnitude *= 10;
        ++exponent;
    }
    while (magnitude > raw) {
        magnitude /= 10;
        --exponent;
    }
    const double fraction = raw / magnitude;
    const double nice = fraction <= 1.0   ? 1.0
                        : fraction <= 2.0 ? 2.0
                        : fraction <= 5.0 ? 5.0
                                          : 10.0;
    if (nice == 10.0) ++exponent;
    axis.step = nice * magnitude;
    axis.decimals = std::clamp(-exponent, 0, 20);
    // A value a hair beyond a tick (a curve through about 0) does not cost a whole step.
    axis.lo = std::floor(min / axis.step + Overrun) * axis.step;
    axis.hi = std::ceil(max / axis.step - Overrun) * axis.step;
    return axis;
}

std::string CharacteristicSvg(const ProbeTableRecord& record, std::string_view date) {
    // The conductance axis starts at 0, where the characteristic starts.
    double gMin = 0.0, gMax = 0.0, yMin = 0.0, yMax = 0.0, rMax = 0.0;
    for (const PointResidual& p : record.points) {
        gMin = std::min(gMin, p.conductance);
        gMax = std::max(gMax, p.conductance);
        yMin = std::min(yMin, p.normal);
        yMax = std::max(yMax, p.normal);
        if (p.residualPercent) rMax = std::max(rMax, std::fabs(*p.residualPercent));
    }
    const AxisTicks x = RoundAxis(gMin, gMax);
    std::string curve;
    for (int i = 0; i <= CurveSteps; ++i) {
        const double g = x.lo + (x.hi - x.lo) * i / CurveSteps;
        const double value = CharacteristicAt(record.coefficients, g);
        if (std::isfinite(value)) {
            yMin = std::min(yMin, value);
            yMax = std::max(yMax, value);
        }
    }
    const AxisTicks y = RoundAxis(yMin, yMax);
    // Residuals of float rounding alone stay on the zero line: the axis spans at least 0.1 %.
    rMax = std::max(rMax, MinResidualSpan);
    const AxisTicks r = RoundAxis(-rMax, rMax);

    std::string title = "Probe characteristic, " + std::string(date);
    if (record.converter) title += ", converter " + FormatInteger(record.converter->serialNumber);
    std::string svg =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<svg xmlns=\"http://www.w3.org/2000/svg\" version=\"1.1\" width=\"" +
        FormatInteger(Width) + "\" height=\"" + FormatInteger(Height) + "\" viewBox=\"0 0 " +
        FormatInteger(Width) + " " + FormatInteger(Height) +
        "\" font-family=\"sans-serif\" font-size=\"11\">\n";
    svg += "<title>" + XmlText(title) + "</title>\n";
    svg += "<rect width=\"100%\" height=\"100%\" fill=\"#fff\"/>\n";
    svg += Text(Width / 2.0, 24, "middle", title, " font-size=\"15\"");
    std::string coefficients;
    for (size_t i = 0; i < record.coefficients.size(); ++i) {
        coefficients += (i ? ",  K" : "K") + FormatInteger(static_cast<int32_t>(i)) + " = " +
                        FormatFloat(record.coefficients[i]);
    }
    svg += Text(Width / 2.0, 44, "middle", coefficients);

    // The characteristic: the fitted line, then the points over it.
    svg += Axes(x, y, PlotTop, PlotBottom, "Normal value kappa [uS/cm]");
    svg += Text((Left + Right) / 2, PlotBottom + 36, "middle", "Conductance G [uS]");
    svg += "<clipPath id=\"plot\"><rect x=\"" + Coordinate(Left) + "\" y=\"" + Coordinate(PlotTop) +
           "\" width=\"" + Coordinate(Right - Left) + "\" height=\"" +
           Coordinate(PlotBottom - PlotTop) + "\"/></clipPath>\n";
    svg +=
        "<polyline class=\"fit\" clip-path=\"url(#plot)\" fill=\"none\" stroke=\"#1f5fbf\" "
        "stroke-width=\"1.5\" points=\"";
    for (int i = 0; i <= CurveSteps; ++i) {
        const double g = x.lo + (x.hi - x.lo) * i / CurveSteps;
        const double value = CharacteristicAt(record.coefficients, g);
        if (!std::isfinite(value)) continue;
        if (i != 0) svg += ' ';
        svg += Coordinate(Scale(g, x, Left, Right));
        svg += ',';
        svg += Coordinate(Scale(value, y, PlotBottom, PlotTop));
    }
    svg += "\"/>\n";
    for (const PointResidual& p : record.points) {
        svg += "<circle class=\"point\" cx=\"" + Coordinate(Scale(p.conductance, x, Left, Right)) +
               "\" cy=\"" + Coordinate(Scale(p.normal, y, PlotBottom, PlotTop)) +
               "\" r=\"4\" fill=\"none\" stroke=\"#c00\" stroke-width=\"1.5\"/>\n";
    }

    // The residuals in %, on their own axis under the characteristic.
    svg += Axes(x, r, ResidualTop, ResidualBottom, "Residual [%]");
    svg += Text((Left + Right) / 2, ResidualBottom + 36, "middle", "Conductance G [uS]");
    const double zero = Scale(0.0, r, ResidualBottom, ResidualTop);
    svg += Line(Left, zero, Right, zero, "stroke=\"#1f5fbf\"");
    for (const PointResidual& p : record.points) {
        if (!p.residualPercent) continue;
        const double px = Scale(p.conductance, x, Left, Right);
        const double py = Scale(*p.residualPercent, r, ResidualBottom, ResidualTop);
        svg += Line(px, zero, px, py, "stroke=\"#c00\"");
        svg += "<circle class=\"residual\" cx=\"" + Coordinate(px) + "\" cy=\"" + Coordinate(py) +
               "\" r=\"3\" fill=\"#c00\"/>\n";
    }
    // The legend.
    const double legend = Height - 12;
    svg += "<circle cx=\"" + Coordinate(Left + 6) + "\" cy=\"" + Coordinate(legend - 4) +
           "\" r=\"4\" fill=\"none\" stroke=\"#c00\" stroke-width=\"1.5\"/>\n";
    svg += Text(Left + 16, legend, "start", "measured point");
    svg += Line(Left + 120, legend - 4, Left + 140, legend - 4,
                "stroke=\"#1f5fbf\" stroke-width=\"1.5\"");
    svg += Text(Left + 146, legend, "start", "fitted characteristic");
    svg += Text(Right, legend, "end", "residual = fitted - normal, in % of normal");
    return svg + "</svg>\n";
}
