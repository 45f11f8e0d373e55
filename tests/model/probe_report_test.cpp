#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "model/point_line.h"
#include "model/probe_report.h"
#include "model/probe_table.h"
#include "temp_folder.h"

namespace {

// Splits at CR LF; false if any line end is not CR LF or the text does not end with one.
bool SplitLines(const std::string& text, std::vector<std::string>& lines) {
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find("\r\n", start);
        if (end == std::string::npos) return false;
        std::string line = text.substr(start, end - start);
        if (line.find_first_of("\r\n") != std::string::npos) return false;
        lines.push_back(line);
        start = end + 2;
    }
    return true;
}

// A report system with a chosen file name and fixed date and time texts.
class FakeReportSystem : public ReportSystem {
  public:
    std::optional<std::string> AskFileName(void* owner) override {
        askedOwner = owner;
        ++asked;
        return fileName;
    }
    std::string DateText() override { return "24.05.2024"; }
    std::string TimeText() override { return "14:03:27"; }

    std::optional<std::string> fileName;
    void* askedOwner = nullptr;
    int asked = 0;
};

// A table of two points that is never written anywhere.
class TwoPoints {
  public:
    explicit TwoPoints(const TempFolder& folder) : table(folder.File("unused.dat")) {
        table.Add(1000.0, 1413.0);
        table.Add(0.5, -12.88);
        table.modified = false;
    }
    ProbeTable table;
};

#ifndef _WIN32
// Text against a pattern where 9 stands for any digit.
bool Matches(const std::string& text, const std::string& pattern) {
    if (text.size() != pattern.size()) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const bool digit = text[i] >= '0' && text[i] <= '9';
        if (pattern[i] == '9' ? !digit : text[i] != pattern[i]) return false;
    }
    return true;
}
#endif

const std::array<float, 4> Coefficients = {0.0f, 1.4f, 0.0f, 0.0f};

}  // namespace

TEST(PointLine, NormalThenConductanceInTenCharacterFields) {
    EXPECT_EQ(FormatPointLine(1000.5, 1413.0), "   1413.00       1000.50");
    EXPECT_EQ(FormatPointLine(9.1, 12.88), "     12.88          9.10");
    EXPECT_EQ(FormatPointLine(0.0, -5.5), "     -5.50          0.00");
    // Wider numbers widen their field; G is cut at 15 characters, the line at 30.
    EXPECT_EQ(FormatPointLine(1.0, 123456789.0), "123456789.00          1.00");
    EXPECT_EQ(FormatPointLine(12345678901234.5, 1.0), "      1.00    12345678901234.");
    EXPECT_EQ(FormatPointLine(1.0, 1e20), "100000000000000000000.00      ");
    // The point's own double is rounded, not a float near it (1000.005 is just below).
    EXPECT_EQ(FormatPointLine(1000.005, 0.125), "      0.12       1000.00");
}

TEST(ProbeReport, TwoPointsMakeTwelveLinesInTheirColumns) {
    TempFolder folder;
    TwoPoints points(folder);
    const std::string text = ReportText("24.05.2024", "14:03:27", points.table, Coefficients);
    std::vector<std::string> lines;
    ASSERT_TRUE(SplitLines(text, lines));
    ASSERT_EQ(lines.size(), 12u);
    EXPECT_EQ(lines[0], "Date:  24.05.2024");
    EXPECT_EQ(lines[1], "Time:  14:03:27");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "Conductivity [uS]           Normal [uS/cm]");
    EXPECT_EQ(lines[4], " 1.0000000000000000E+003    1.4130000000000000E+003");
    EXPECT_EQ(lines[5], " 5.0000000000000000E-001   -1.2880000000000001E+001");
    EXPECT_EQ(lines[6], "");
    EXPECT_EQ(lines[7], "Coefficiens:");
    EXPECT_EQ(lines[8], " 0.000000000E+00");
    EXPECT_EQ(lines[9], " 1.399999976E+00");
    EXPECT_EQ(lines[10], " 0.000000000E+00");
    EXPECT_EQ(lines[11], " 0.000000000E+00");

    // Point lines: G in columns 1..24, kappa in 28..51, its first digit under the "N".
    for (int i = 4; i <= 5; ++i) {
        EXPECT_EQ(lines[i].size(), 51u);
        EXPECT_EQ(lines[i].substr(24, 3), "   ");
    }
    EXPECT_EQ(lines[3].find('N'), 28u);
    EXPECT_EQ(lines[4][28], '1');
}

TEST(ProbeReport, AnEmptyTableHasNoPointLines) {
    TempFolder folder;
    ProbeTable table(folder.File("unused.dat"));
    std::vector<std::string> lines;
    ASSERT_TRUE(SplitLines(ReportText("d", "t", table, {-1.5f, 2.0f, 3e-6f, -4e-9f}), lines));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[6], "-1.500000000E+00");
    EXPECT_EQ(lines[7], " 2.000000000E+00");
    EXPECT_EQ(lines[8], " 3.000000106E-06");
    EXPECT_EQ(lines[9], "-3.999999887E-09");
}

TEST(ProbeReport, WriteReportTellsHowItEnded) {
    TempFolder folder;
    TwoPoints points(folder);
    FakeReportSystem system;
    int owner = 0;

    // Cancelled: nothing written.
    EXPECT_EQ(WriteReport(&owner, points.table, Coefficients, system), ReportResult::Cancelled);
    EXPECT_EQ(system.asked, 1);
    EXPECT_EQ(system.askedOwner, &owner);
    EXPECT_TRUE(std::filesystem::is_empty(folder.Path()));

    // Written: the report with the system's date and time, CR LF kept as they are.
    system.fileName = folder.File("report.txt");
    EXPECT_EQ(WriteReport(&owner, points.table, Coefficients, system), ReportResult::Written);
    const std::vector<unsigned char> bytes = ReadBytes(*system.fileName);
    const std::string expected = ReportText("24.05.2024", "14:03:27", points.table, Coefficients);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected);
    EXPECT_EQ(bytes.size(), 17u + 15u + 0u + 42u + 51u + 51u + 0u + 12u + 4u * 16u + 12u * 2u);

    // An existing file is replaced as a whole.
    WriteBytes(*system.fileName, std::vector<unsigned char>(4000, 'x'));
    EXPECT_EQ(WriteReport(&owner, points.table, Coefficients, system), ReportResult::Written);
    EXPECT_EQ(ReadBytes(*system.fileName).size(), expected.size());

    // A file that cannot be created.
    system.fileName = folder.File("missing/report.txt");
    EXPECT_EQ(WriteReport(&owner, points.table, Coefficients, system), ReportResult::CreateFailed);
}

#ifndef _WIN32
TEST(ProbeReport, AFullDiskIsAWriteFailure) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    TempFolder folder;
    TwoPoints points(folder);
    FakeReportSystem system;
    system.fileName = "/dev/full";
    EXPECT_EQ(WriteReport(nullptr, points.table, Coefficients, system), ReportResult::WriteFailed);
}

TEST(ProbeReport, NativeSystemHasNoDialogAndCLocaleTexts) {
    ReportSystem& system = PlatformReportSystem();
    EXPECT_FALSE(system.AskFileName(nullptr).has_value());
    // The C locale's short forms: MM/DD/YY and HH:MM:SS.
    EXPECT_TRUE(Matches(system.DateText(), "99/99/99")) << system.DateText();
    EXPECT_TRUE(Matches(system.TimeText(), "99:99:99")) << system.TimeText();
}
#else
TEST(ProbeReport, WindowsSystemGivesTheUsersDateAndTime) {
    ReportSystem& system = PlatformReportSystem();
    const std::string date = system.DateText();
    const std::string time = system.TimeText();
    EXPECT_FALSE(date.empty());
    EXPECT_LE(date.size(), 259u);
    EXPECT_FALSE(time.empty());
    EXPECT_NE(date.find_first_of("0123456789"), std::string::npos) << date;
    EXPECT_NE(time.find(':'), std::string::npos) << time;
}
#endif
