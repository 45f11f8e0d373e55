// The calibration record of a probe table and its picture, against answers worked out by hand.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "model/calibration_record.h"
#include "model/characteristic_picture.h"
#include "model/probe_table.h"
#include "temp_folder.h"

namespace {

ProbeTableRecord RecordOf(const std::vector<std::pair<double, double>>& points, bool shift,
                          uint16_t firmware = ConstantTermFirmware) {
    TempFolder folder;
    ProbeTable table(folder.File("probe.dat"));
    for (const auto& [g, kappa] : points)
        table.Add(g, kappa);
    table.modified = false;
    const FitResult fit = FitProbeCharacteristic(table, shift, firmware);
    EXPECT_EQ(fit.status, FitResult::Status::Fitted);
    return MakeProbeTableRecord(table, fit, shift, firmware);
}

// The values of one attribute of every element with this class, in document order.
std::vector<std::string> Attribute(const std::string& svg, const std::string& cls,
                                   const std::string& name) {
    std::vector<std::string> values;
    const std::string mark = " class=\"" + cls + "\"";
    for (size_t at = svg.find(mark); at != std::string::npos; at = svg.find(mark, at + 1)) {
        const std::string element = svg.substr(at, svg.find('>', at) - at);
        const size_t start = element.find(" " + name + "=\"");
        if (start == std::string::npos) continue;
        const size_t from = start + name.size() + 3;
        values.push_back(element.substr(from, element.find('"', from) - from));
    }
    return values;
}

}  // namespace

TEST(CalibrationRecord, ThreePointsOnTheFittedCurveHaveNoResidual) {
    // kappa = 1 + 2 G + 0.5 G^2: coefficients a float holds exactly.
    const ProbeTableRecord record = RecordOf({{2, 7}, {4, 17}, {10, 71}}, false);
    EXPECT_EQ(record.rule.degree, 2);
    EXPECT_FALSE(record.rule.throughOrigin);
    EXPECT_EQ(record.coefficients, (std::array<float, 4>{1.0f, 2.0f, 0.5f, 0.0f}));
    ASSERT_EQ(record.points.size(), 3u);
    for (const PointResidual& p : record.points) {
        EXPECT_EQ(p.residual, 0.0);
        EXPECT_EQ(p.residualPercent, 0.0);
    }
    EXPECT_EQ(DegreeRuleText(record),
              "3 points, firmware 1.03: degree = min(points - 1, 3) with K0, through every point");
}

TEST(CalibrationRecord, ProportionalFitResidualsAndPictureByHand) {
    // Shift: K1 = (100*105 + 200*260) / (100^2 + 200^2) = 62500 / 50000 = 1.25.
    const ProbeTableRecord record = RecordOf({{100, 105}, {200, 260}}, true);
    ASSERT_EQ(record.coefficients, (std::array<float, 4>{0.0f, 1.25f, 0.0f, 0.0f}));
    ASSERT_EQ(record.points.size(), 2u);
    EXPECT_EQ(record.points[0].fitted, 125.0);
    EXPECT_EQ(record.points[0].residual, 20.0);
    EXPECT_NEAR(*record.points[0].residualPercent, 19.047619047619, 1e-9);  // 20 / 105
    EXPECT_EQ(record.points[1].residual, -10.0);
    EXPECT_NEAR(*record.points[1].residualPercent, -3.846153846154, 1e-9);  // -10 / 260
    EXPECT_EQ(record.largestAbsolute, 0u);
    EXPECT_EQ(record.largestPercent, 0u);

    const std::string json = ProbeTableRecordJson(record);
    EXPECT_NE(json.find("\"coefficients\": {\"k0\": 0, \"k1\": 1.25, \"k2\": 0, \"k3\": 0}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"conductance\": 200, \"normal\": 260, \"fitted\": 250, \"residual\": "
                        "-10, \"residual-percent\": -3.8461538461538463}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"largest-residual\": {\"absolute\": {\"point\": 1, \"value\": 20}"),
              std::string::npos)
        << json;

    // Conductance axis 0 .. 200 in steps of 50 over x 80 .. 600; normal axis 0 .. 300 (the
    // points reach 260) over y 324 .. 64; residual axis -20 .. 20 % over y 492 .. 392.
    const std::string svg = CharacteristicSvg(record, "2026-12-10");
    EXPECT_EQ(Attribute(svg, "point", "cx"), (std::vector<std::string>{"340.00", "600.00"}));
    // 324 - 105 / 300 * 260 = 233; 324 - 260 / 300 * 260 = 98.67
    EXPECT_EQ(Attribute(svg, "point", "cy"), (std::vector<std::string>{"233.00", "98.67"}));
    // 392 + (20 - 19.0476) * 2.5 = 394.38; 392 + (20 + 3.8462) * 2.5 = 451.62
    EXPECT_EQ(Attribute(svg, "residual", "cy"), (std::vector<std::string>{"394.38", "451.62"}));
    // The fitted line from (0, 0) to (200, 250): y = 324 - 250 / 300 * 260 = 107.33.
    const std::vector<std::string> line = Attribute(svg, "fit", "points");
    ASSERT_EQ(line.size(), 1u);
    EXPECT_EQ(line[0].substr(0, 13), "80.00,324.00 ");
    EXPECT_EQ(line[0].substr(line[0].size() - 13), "600.00,107.33");
    EXPECT_NE(svg.find(">Probe characteristic, 2026-12-10</text>"), std::string::npos);
    for (const char* forbidden : {"<script", "href", "http://www.w3.org/1999/xlink"})
        EXPECT_EQ(svg.find(forbidden), std::string::npos) << forbidden;
}

TEST(CalibrationRecord, RoundAxes) {
    const AxisTicks a = RoundAxis(0, 12880);
    EXPECT_EQ(a.step, 5000.0);
    EXPECT_EQ(a.hi, 15000.0);
    const AxisTicks b = RoundAxis(-0.012, 0.012);
    EXPECT_DOUBLE_EQ(b.step, 0.005);
    EXPECT_EQ(b.decimals, 3);
    EXPECT_DOUBLE_EQ(b.lo, -0.015);
    const AxisTicks flat = RoundAxis(0, 0);
    EXPECT_LT(flat.lo, 0.0);
    EXPECT_GT(flat.hi, 0.0);
}
