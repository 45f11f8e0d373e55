#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "model/file_store.h"
#include "model/probe_table.h"
#include "model/report_system.h"
#include "resources/dialog_ids.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/dialogs/fake_converter.h"
#include "tests/dialogs/temp_folder.h"
#include "ui/dialogs/probe_table_dialog.h"

using namespace dialog_items;

namespace {

constexpr uint8_t Conductance = 0x29;
constexpr uint8_t FourCoefficients = 0x46;
constexpr uint8_t ThreeCoefficients = 0x3D;
constexpr UINT_PTR Timer = ProbeTableDialog::TimerId;
constexpr int KEdits[4] = {IDC_TABLE_K0, IDC_TABLE_K1, IDC_TABLE_K2, IDC_TABLE_K3};

using Points = std::vector<std::pair<double, double>>;  // (G, kappa)

// A report system with a chosen answer to the file question and fixed date and time.
class FakeReports : public ReportSystem {
  public:
    std::optional<std::string> AskFileName(void* owner) override {
        ++questions;
        this->owner = owner;
        return fileName;
    }
    std::string DateText() override { return "09.12.2026"; }
    std::string TimeText() override { return "10:11:12"; }

    std::optional<std::string> fileName;
    int questions = 0;
    void* owner = nullptr;
};

// The data file as stored: count, then ten G and ten kappa, little-endian.
struct StoredTable {
    uint32_t count = 0;
    double conductance[10] = {};
    double normal[10] = {};
};

std::optional<StoredTable> ReadStored(const std::string& path) {
    std::string bytes = ReadFileText(path);
    if (bytes.size() != 164) return std::nullopt;
    auto u = [&](size_t at) { return static_cast<uint64_t>(static_cast<uint8_t>(bytes[at])); };
    StoredTable table;
    table.count = static_cast<uint32_t>(u(0) | u(1) << 8 | u(2) << 16 | u(3) << 24);
    for (int i = 0; i < 20; ++i) {
        uint64_t bits = 0;
        for (int b = 7; b >= 0; --b)
            bits = bits << 8 | u(4 + 8 * i + b);
        double value = 0;
        std::memcpy(&value, &bits, sizeof value);
        (i < 10 ? table.conductance[i] : table.normal[i - 10]) = value;
    }
    return table;
}

class ProbeTableTest : public DialogTest {
  protected:
    explicit ProbeTableTest(uint16_t firmware = 0x0103) : converter(firmware) {
        converter.SetFloat(Conductance, 1000.0f);
        converter.SetFloats(FourCoefficients, {0.0f, 12.5f, 0.0f, -0.5f});
        converter.SetFloats(ThreeCoefficients, {12.5f, 0.0f, -0.5f});
    }

    void Store(const Points& points) {
        ProbeTable table(dataFile);
        table.Clear();
        for (auto [g, kappa] : points)
            table.Add(g, kappa);
        ASSERT_TRUE(table.Save());
    }

    std::unique_ptr<ProbeTableDialog> MakeDialog() {
        auto made =
            std::make_unique<ProbeTableDialog>(Parent(), converter.Link(), dataFile, reports);
        made->timerPeriod = NoRealTicks;
        made->shiftHeld = [this] { return shift; };
        made->showMessage = [this](HWND, const char* text) { messages.push_back(text); };
        made->askUser = [this](HWND, const char* text, UINT buttons) {
            questions.push_back(text);
            EXPECT_EQ(buttons, static_cast<UINT>(MB_RETRYCANCEL));
            return answer ? answer() : IDCANCEL;
        };
        dialog = made.get();
        return made;
    }

    // The coefficient edits K[0] .. K[3] as shown.
    static std::vector<std::string> Shown(HWND h) {
        std::vector<std::string> texts;
        for (int id : KEdits)
            texts.push_back(Text(h, id));
        return texts;
    }

    // "Calculate" through the dialog over stored points; returns the edits' texts.
    std::vector<std::string> CalculateOver(const Points& points, bool withShift) {
        Store(points);
        shift = withShift;
        std::vector<std::string> shown;
        Run(MakeDialog(), [&](HWND h) {
            ClickItem(h, IDC_TABLE_CALCULATE);
            shown = Shown(h);
            Cancel(h);
        });
        return shown;
    }

    static void SelectLine(HWND h, int index) {
        HWND list = Item(h, IDC_TABLE_LIST);
        SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        ui_test::SendCommand(h, IDC_TABLE_LIST, LBN_SELCHANGE, list);
    }

    static std::vector<std::string> Lines(HWND h) {
        HWND list = Item(h, IDC_TABLE_LIST);
        std::vector<std::string> lines;
        int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[64] = "";
            SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            lines.push_back(text);
        }
        return lines;
    }

    TempFolder folder;
    std::string dataFile = folder.File("zr3config.dat");
    FakeConverter converter;
    FakeReports reports;
    ProbeTableDialog* dialog = nullptr;
    bool shift = false;
    std::vector<std::string> messages;
    std::vector<std::string> questions;
    std::function<int()> answer;
};

class OldFirmwareProbeTableTest : public ProbeTableTest {
  protected:
    OldFirmwareProbeTableTest() : ProbeTableTest(0x0102) {}
};

const Points TwoPoints = {{100, 141}, {1000, 1413}};

TEST_F(ProbeTableTest, OpeningWithoutPointsShowsTheCoefficientsAndDisablesWhatNeedsPoints) {
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_TRUE(Lines(h).empty());
        EXPECT_EQ(Text(h, IDC_TABLE_CONDUCTANCE), "1000.00");
        EXPECT_FALSE(Enabled(h, IDC_TABLE_DELETE_ALL));
        EXPECT_FALSE(Enabled(h, IDC_TABLE_DELETE));
        EXPECT_FALSE(Enabled(h, IDC_TABLE_CALCULATE));
        EXPECT_FALSE(Enabled(h, IDC_TABLE_INTO_FILE));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_START));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_MANUAL));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_K0_LABEL));
        for (int id : KEdits)
            EXPECT_FALSE(Enabled(h, id)) << id;
        // Zeros show as empty edits, K[1] always.
        EXPECT_EQ(Shown(h),
                  (std::vector<std::string>{"", "1.250000000E+01", "", "-5.000000000E-01"}));
        EXPECT_EQ(ProgressHigh(h, IDC_TABLE_PROGRESS), 20);
        EXPECT_NE(dialog->timer, 0u);
        // The fonts of the headings and the list.
        ASSERT_NE(dialog->headerFont, nullptr);
        ASSERT_NE(dialog->listFont, nullptr);
        EXPECT_EQ(reinterpret_cast<HFONT>(
                      SendDlgItemMessageA(h, IDC_TABLE_NORMAL_HEADER, WM_GETFONT, 0, 0)),
                  dialog->headerFont);
        EXPECT_EQ(reinterpret_cast<HFONT>(
                      SendDlgItemMessageA(h, IDC_TABLE_CONDUCTANCE_HEADER, WM_GETFONT, 0, 0)),
                  dialog->headerFont);
        EXPECT_EQ(reinterpret_cast<HFONT>(SendDlgItemMessageA(h, IDC_TABLE_LIST, WM_GETFONT, 0, 0)),
                  dialog->listFont);
        converter.ForgetRequests();
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    // Nothing calculated or entered: no transfer; no change: no data file.
    EXPECT_TRUE(converter.Requests().empty());
    EXPECT_FALSE(FileExists(dataFile));
}

TEST_F(ProbeTableTest, ZeroCoefficientsShowOnlyK1) {
    converter.SetFloats(FourCoefficients, {0.0f, 0.0f, 0.0f, 0.0f});
    Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Shown(h), (std::vector<std::string>{"", "0.000000000E+00", "", ""}));
        Cancel(h);
    });
}

TEST_F(ProbeTableTest, TenStoredPointsFillTheListAndDisableStartUntilOneIsDeleted) {
    Points ten;
    for (int i = 0; i < 10; ++i)
        ten.push_back({1000.5 + i, 1413.0 + 10 * i});
    Store(ten);
    int code = Run(MakeDialog(), [&](HWND h) {
        std::vector<std::string> lines = Lines(h);
        ASSERT_EQ(lines.size(), 10u);
        EXPECT_EQ(lines[0], "   1413.00       1000.50");
        EXPECT_EQ(lines[9], "   1503.00       1009.50");
        EXPECT_FALSE(Enabled(h, IDC_TABLE_START));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_DELETE_ALL));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_CALCULATE));
        EXPECT_FALSE(Enabled(h, IDC_TABLE_DELETE));

        // A selection enables "Delete"; each use disables it again.
        SelectLine(h, 0);
        EXPECT_TRUE(Enabled(h, IDC_TABLE_DELETE));
        ClickItem(h, IDC_TABLE_DELETE);
        EXPECT_FALSE(Enabled(h, IDC_TABLE_DELETE));
        EXPECT_EQ(GetFocus(), Item(h, IDOK));
        lines = Lines(h);
        ASSERT_EQ(lines.size(), 9u);
        EXPECT_EQ(lines[0], "   1423.00       1001.50");
        EXPECT_TRUE(Enabled(h, IDC_TABLE_START));
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
    // Stored on cancel too: points 1 .. 9 moved down, the last slot keeps its old value.
    std::optional<StoredTable> stored = ReadStored(dataFile);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->count, 9u);
    EXPECT_EQ(stored->conductance[0], 1001.5);
    EXPECT_EQ(stored->normal[8], 1503.0);
    EXPECT_EQ(stored->conductance[9], 1009.5);
}

TEST_F(ProbeTableTest, AMeasurementAppendsAPointThatIsStoredAfterCancel) {
    std::vector<std::optional<float>> readings = {990.0f, std::nullopt};
    for (int i = 1; i < 20; ++i)
        readings.push_back(i % 2 == 0 ? 990.0f : 1011.0f);
    // 10 x 990 + 10 x 1011 = 20010 -> 1000.5
    int code = Run(MakeDialog(), [&](HWND h) {
        converter.QueueReadings(Conductance, readings);
        SetText(h, IDC_TABLE_NORMAL, "1413");
        ClickItem(h, IDC_TABLE_START);
        EXPECT_TRUE(dialog->measurement.measuring);
        EXPECT_FALSE(Enabled(h, IDC_TABLE_START));
        EXPECT_EQ(GetFocus(), Item(h, IDOK));
        Tick(h, Timer, 20);
        EXPECT_EQ(ProgressPosition(h, IDC_TABLE_PROGRESS), 19);
        // "OK" during the measurement is ignored.
        ClickItem(h, IDOK);
        EXPECT_TRUE(StillOpen(h));
        Tick(h, Timer);
        EXPECT_FALSE(dialog->measurement.measuring);
        EXPECT_EQ(Lines(h), std::vector<std::string>{"   1413.00       1000.50"});
        EXPECT_EQ(ProgressPosition(h, IDC_TABLE_PROGRESS), 0);
        EXPECT_TRUE(Enabled(h, IDC_TABLE_DELETE_ALL));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_CALCULATE));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_START));
        EXPECT_FALSE(Enabled(h, IDC_TABLE_INTO_FILE));

        // An empty normal, or one that is no number, starts nothing; 0 gives a point with normal 0.
        converter.SetFloat(Conductance, 12.0f);
        for (const char* bad : {"", "abc", "1e999"}) {
            SetText(h, IDC_TABLE_NORMAL, bad);
            ClickItem(h, IDC_TABLE_START);
            EXPECT_FALSE(dialog->measurement.measuring) << bad;
            EXPECT_EQ(GetFocus(), Item(h, IDC_TABLE_NORMAL)) << bad;
        }
        EXPECT_EQ(messages, std::vector<std::string>(
                                3, "The normal must be a number, such as 1413 or 12,88."));
        SetText(h, IDC_TABLE_NORMAL, "0");
        ClickItem(h, IDC_TABLE_START);
        Tick(h, Timer, 20);
        EXPECT_EQ(Lines(h).back(), "      0.00         12.00");
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(converter.Writes().empty());
    std::optional<StoredTable> stored = ReadStored(dataFile);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->count, 2u);
    EXPECT_EQ(stored->conductance[0], 1000.5);
    EXPECT_EQ(stored->normal[0], 1413.0);
    EXPECT_EQ(stored->conductance[1], 12.0);
    EXPECT_EQ(stored->normal[1], 0.0);
    EXPECT_EQ(stored->conductance[2], 0.0);
}

TEST_F(ProbeTableTest, AnAverageThatIsNoNumberAddsNoPoint) {
    int code = Run(MakeDialog(), [&](HWND h) {
        for (float bad :
             {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(),
              -std::numeric_limits<float>::infinity()}) {
            // Nineteen good readings and one that spoils the average.
            std::vector<std::optional<float>> readings(19, 1000.0f);
            readings.push_back(bad);
            converter.QueueReadings(Conductance, readings);
            SetText(h, IDC_TABLE_NORMAL, "1413");
            ClickItem(h, IDC_TABLE_START);
            Tick(h, Timer, 20);
            EXPECT_FALSE(dialog->measurement.measuring) << bad;
            EXPECT_TRUE(Lines(h).empty()) << bad;
            EXPECT_EQ(dialog->points->count, 0u) << bad;
            EXPECT_FALSE(dialog->points->modified) << bad;
            EXPECT_EQ(ProgressPosition(h, IDC_TABLE_PROGRESS), 0) << bad;
            EXPECT_FALSE(Enabled(h, IDC_TABLE_DELETE_ALL)) << bad;
            EXPECT_FALSE(Enabled(h, IDC_TABLE_CALCULATE)) << bad;
            EXPECT_TRUE(Enabled(h, IDC_TABLE_START)) << bad;
        }
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    // No change, so nothing stored.
    EXPECT_FALSE(FileExists(dataFile));
}

TEST_F(ProbeTableTest, DeleteAllDuringAMeasurementKeepsStartDisabledUntilItEnds) {
    Store(TwoPoints);
    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_TABLE_CALCULATE);
        EXPECT_TRUE(Enabled(h, IDC_TABLE_INTO_FILE));
        SetText(h, IDC_TABLE_NORMAL, "50");
        ClickItem(h, IDC_TABLE_START);
        EXPECT_FALSE(Enabled(h, IDC_TABLE_INTO_FILE));
        Tick(h, Timer, 5);
        ClickItem(h, IDC_TABLE_DELETE_ALL);
        EXPECT_TRUE(Lines(h).empty());
        EXPECT_FALSE(Enabled(h, IDC_TABLE_DELETE_ALL));
        EXPECT_FALSE(Enabled(h, IDC_TABLE_DELETE));
        EXPECT_FALSE(Enabled(h, IDC_TABLE_CALCULATE));
        EXPECT_FALSE(Enabled(h, IDC_TABLE_INTO_FILE));
        EXPECT_FALSE(Enabled(h, IDC_TABLE_START));
        Tick(h, Timer, 15);
        EXPECT_EQ(Lines(h), std::vector<std::string>{"     50.00       1000.00"});
        EXPECT_TRUE(Enabled(h, IDC_TABLE_START));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_CALCULATE));
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    std::optional<StoredTable> stored = ReadStored(dataFile);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->count, 1u);
    EXPECT_EQ(stored->normal[0], 50.0);
    // The calculation made before is written by "OK".
    EXPECT_EQ(converter.CountOf(FourCoefficients), 2u);
}

TEST_F(ProbeTableTest, FailedReadAtOpeningLeavesTheStoredPointsUsable) {
    Store(TwoPoints);
    converter.Silence(Conductance);
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_TABLE_CONDUCTANCE), "Communication error");
        EXPECT_FALSE(Enabled(h, IDC_TABLE_START));
        EXPECT_FALSE(Enabled(h, IDC_TABLE_MANUAL));
        EXPECT_EQ(dialog->timer, 0u);
        EXPECT_FALSE(KillTimer(h, Timer));
        EXPECT_EQ(Shown(h), (std::vector<std::string>{"", "", "", ""}));
        EXPECT_EQ(Lines(h).size(), 2u);
        ClickItem(h, IDC_TABLE_CALCULATE);
        EXPECT_EQ(Shown(h),
                  (std::vector<std::string>{"-3.333333433E-01", "1.413333297E+00", "", ""}));
        // Deleting does not enable "Start" without the live display.
        SelectLine(h, 1);
        ClickItem(h, IDC_TABLE_DELETE);
        EXPECT_FALSE(Enabled(h, IDC_TABLE_START));
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(converter.Requests(),
              (std::vector<std::string>{"01 29 00 D6",
                                        "01 46 10 AB AA AA BE 1B E8 B4 3F 00 00 00 00 00 00 00 00 "
                                        "F6"}));
}

TEST_F(ProbeTableTest, TheFitFollowsTheNumberOfPointsAndShift) {
    // One point: proportional.
    EXPECT_EQ(CalculateOver({{500, 700}}, false),
              (std::vector<std::string>{"", "1.399999976E+00", "", ""}));
    // Two points: the straight line through both.
    EXPECT_EQ(CalculateOver(TwoPoints, false),
              (std::vector<std::string>{"-3.333333433E-01", "1.413333297E+00", "", ""}));
    // Shift held: proportional, least squares.
    EXPECT_EQ(CalculateOver(TwoPoints, true),
              (std::vector<std::string>{"", "1.412970304E+00", "", ""}));
    EXPECT_EQ(CalculateOver({{1, 2}, {2, 4}, {3, 7}}, true),
              (std::vector<std::string>{"", "2.214285612E+00", "", ""}));
    // Three points: the parabola 2 + 1.5 G + 0.01 G^2.
    EXPECT_EQ(
        CalculateOver({{10, 18}, {20, 36}, {30, 56}}, false),
        (std::vector<std::string>{"2.000000000E+00", "1.500000000E+00", "9.999999776E-03", ""}));
    // Four points: the cubic 1 + 2 G + 0.5 G^2 + 0.25 G^3.
    EXPECT_EQ(CalculateOver({{1, 3.75}, {2, 9}, {3, 18.25}, {4, 33}}, false),
              (std::vector<std::string>{"1.000000000E+00", "2.000000000E+00", "5.000000000E-01",
                                        "2.500000000E-01"}));
}

TEST_F(ProbeTableTest, TenPointsOnACubicGiveThatCubic) {
    Points ten;
    for (int g = 1; g <= 10; ++g)
        ten.push_back(
            {g * 100.0, 1 + 2.0 * g * 100 + 0.5e-3 * g * g * 1e4 + 0.25e-6 * g * g * g * 1e6});
    std::vector<std::string> shown = CalculateOver(ten, false);
    ASSERT_EQ(shown.size(), 4u);
    const float expected[4] = {1.0f, 2.0f, 0.5e-3f, 0.25e-6f};
    for (int i = 0; i < 4; ++i) {
        ASSERT_FALSE(shown[i].empty()) << i;
        EXPECT_NEAR(std::stod(shown[i]), expected[i], 2e-5 * (i == 0 ? 1 : expected[i])) << i;
    }
}

TEST_F(ProbeTableTest, ShiftIsTakenFromTheKeyboard) {
    Store(TwoPoints);
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    auto made = MakeDialog();
    made->shiftHeld = ProbeTableDialog::ShiftKeyDown;
    std::vector<std::string> withShift, without;
    Run(std::move(made), [&](HWND h) {
        BYTE pressed[256];
        std::memcpy(pressed, keys, sizeof pressed);
        pressed[VK_SHIFT] = 0x80;
        SetKeyboardState(pressed);
        ClickItem(h, IDC_TABLE_CALCULATE);
        withShift = Shown(h);
        pressed[VK_SHIFT] = 0;
        SetKeyboardState(pressed);
        ClickItem(h, IDC_TABLE_CALCULATE);
        without = Shown(h);
        Cancel(h);
    });
    SetKeyboardState(keys);
    EXPECT_EQ(withShift, (std::vector<std::string>{"", "1.412970304E+00", "", ""}));
    EXPECT_EQ(without, (std::vector<std::string>{"-3.333333433E-01", "1.413333297E+00", "", ""}));
}

TEST_F(ProbeTableTest, ASingularFitKeepsThePreviousCoefficientsAndSaysSo) {
    Store({{100, 141}, {100, 150}});
    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_TABLE_CALCULATE);
        EXPECT_EQ(messages, std::vector<std::string>{"The points do not determine the curve."});
        EXPECT_FALSE(dialog->calculated);
        EXPECT_EQ(Shown(h),
                  (std::vector<std::string>{"", "1.250000000E+01", "", "-5.000000000E-01"}));
        EXPECT_FLOAT_EQ(dialog->coefficients.K[1], 12.5f);
        EXPECT_FALSE(Enabled(h, IDC_TABLE_INTO_FILE));
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(converter.Writes().empty());
}

TEST_F(ProbeTableTest, AFailedFitAfterAGoodOneKeepsTheGoodOne) {
    Store({{0, 1}, {0, 2}});
    int code = Run(MakeDialog(), [&](HWND h) {
        // With Shift and every conductance 0 the fit is singular as well.
        shift = true;
        ClickItem(h, IDC_TABLE_CALCULATE);
        EXPECT_EQ(messages.size(), 1u);
        // Two usable points measured now give a line; then a repeated conductance breaks it.
        shift = false;
        ClickItem(h, IDC_TABLE_DELETE_ALL);
        converter.SetFloat(Conductance, 100.0f);
        SetText(h, IDC_TABLE_NORMAL, "141");
        ClickItem(h, IDC_TABLE_START);
        Tick(h, Timer, 20);
        converter.SetFloat(Conductance, 1000.0f);
        SetText(h, IDC_TABLE_NORMAL, "1413");
        ClickItem(h, IDC_TABLE_START);
        Tick(h, Timer, 20);
        ClickItem(h, IDC_TABLE_CALCULATE);
        EXPECT_EQ(Shown(h),
                  (std::vector<std::string>{"-3.333333433E-01", "1.413333297E+00", "", ""}));
        SetText(h, IDC_TABLE_NORMAL, "2000");
        ClickItem(h, IDC_TABLE_START);
        Tick(h, Timer, 20);
        // Three points, two with the same conductance: a parabola is not determined.
        ClickItem(h, IDC_TABLE_CALCULATE);
        EXPECT_EQ(messages.size(), 2u);
        EXPECT_EQ(Shown(h),
                  (std::vector<std::string>{"-3.333333433E-01", "1.413333297E+00", "", ""}));
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(
        converter.Writes(),
        std::vector<std::string>{"01 46 10 AB AA AA BE 1B E8 B4 3F 00 00 00 00 00 00 00 00 F6"});
}

TEST_F(ProbeTableTest, CalculateWithoutPointsChangesNothing) {
    Run(MakeDialog(), [&](HWND h) {
        dialog->Calculate();
        EXPECT_FALSE(dialog->calculated);
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(Shown(h),
                  (std::vector<std::string>{"", "1.250000000E+01", "", "-5.000000000E-01"}));
        Cancel(h);
    });
}

TEST_F(ProbeTableTest, IntoFileWritesTheReport) {
    Store(TwoPoints);
    reports.fileName = folder.File("report.txt");
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_FALSE(Enabled(h, IDC_TABLE_INTO_FILE));
        ClickItem(h, IDC_TABLE_CALCULATE);
        ClickItem(h, IDC_TABLE_INTO_FILE);
        EXPECT_EQ(reports.owner, static_cast<void*>(h));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_INTO_FILE));
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(ReadFileText(folder.File("report.txt")),
              "Date:  09.12.2026\r\n"
              "Time:  10:11:12\r\n"
              "\r\n"
              "Conductivity [uS]           Normal [uS/cm]\r\n"
              " 1.0000000000000000E+002    1.4100000000000000E+002\r\n"
              " 1.0000000000000000E+003    1.4130000000000000E+003\r\n"
              "\r\n"
              "Coefficiens:\r\n"
              "-3.333333433E-01\r\n"
              " 1.413333297E+00\r\n"
              " 0.000000000E+00\r\n"
              " 0.000000000E+00\r\n");
}

TEST_F(ProbeTableTest, ACancelledOrImpossibleReportChangesNothing) {
    Store(TwoPoints);
    Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_TABLE_CALCULATE);
        ClickItem(h, IDC_TABLE_INTO_FILE);  // no name chosen
        reports.fileName = folder.File("no such folder\\report.txt");
        ClickItem(h, IDC_TABLE_INTO_FILE);  // cannot be created: said, naming the file
        EXPECT_EQ(reports.questions, 2);
        EXPECT_TRUE(Enabled(h, IDC_TABLE_INTO_FILE));
        EXPECT_EQ(Shown(h),
                  (std::vector<std::string>{"-3.333333433E-01", "1.413333297E+00", "", ""}));
        Cancel(h);
    });
    EXPECT_EQ(messages, std::vector<std::string>{"The report could not be created:\n" +
                                                 folder.File("no such folder\\report.txt")});
    EXPECT_FALSE(FileExists(folder.File("no such folder")));
}

TEST_F(ProbeTableTest, AReportThatCannotBeWrittenCompletelyIsReported) {
    // Wine maps drive Z: to the root of the host: /dev/full takes no data.
    const char* full = "Z:\\dev\\full";
    std::FILE* probe = std::fopen(full, "wb");
    if (probe == nullptr) GTEST_SKIP() << "no full device";
    std::fclose(probe);
    Store(TwoPoints);
    reports.fileName = full;
    Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_TABLE_CALCULATE);
        ClickItem(h, IDC_TABLE_INTO_FILE);
        EXPECT_TRUE(StillOpen(h));
        Cancel(h);
    });
    EXPECT_EQ(messages, std::vector<std::string>{
                            "The report could not be written completely:\nZ:\\dev\\full"});
}

TEST_F(ProbeTableTest, ATableThatCannotBeStoredIsToldNamingTheFileAndRetried) {
    Store(TwoPoints);
    // Writable again when the user answers Retry the second time.
    int asked = 0;
    answer = [&] {
        if (++asked == 2) SetFileAttributesA(dataFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        return IDRETRY;
    };
    int code = Run(MakeDialog(), [&](HWND h) {
        SelectLine(h, 0);
        ClickItem(h, IDC_TABLE_DELETE);
        SetFileAttributesA(dataFile.c_str(), FILE_ATTRIBUTE_READONLY);
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0], "The calibration points could not be stored in the data file\n" +
                                dataFile + "\n\nRetry tries again; Cancel leaves them unstored.");
    std::optional<StoredTable> stored = ReadStored(dataFile);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->count, 1u);

    // Cancel leaves the file as it was, knowingly.
    questions.clear();
    answer = nullptr;
    Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_TABLE_DELETE_ALL);
        SetFileAttributesA(dataFile.c_str(), FILE_ATTRIBUTE_READONLY);
        Cancel(h);
    });
    SetFileAttributesA(dataFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(questions.size(), 1u);
    stored = ReadStored(dataFile);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->count, 1u);
}

TEST_F(ProbeTableTest, WithoutADataFileAChangeIsToldAndTheDialogStillWorks) {
    dataFile = "";  // the program's path was cut
    int code = Run(MakeDialog(), [&](HWND h) {
        SetText(h, IDC_TABLE_NORMAL, "1413");
        ClickItem(h, IDC_TABLE_START);
        Tick(h, Timer, 20);
        EXPECT_EQ(Lines(h).size(), 1u);
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
    EXPECT_EQ(questions, std::vector<std::string>{
                             "The calibration points could not be stored: the program's path is "
                             "too long to name a data file.\n\nRetry tries again; Cancel leaves "
                             "them unstored."});
    // Closing without a change asks nothing.
    questions.clear();
    Run(MakeDialog(), [&](HWND h) { Cancel(h); });
    EXPECT_TRUE(questions.empty());
}

TEST_F(ProbeTableTest, AnEndingSessionStoresTheMeasuredPointsAtOnce) {
    Run(MakeDialog(), [&](HWND h) {
        SetText(h, IDC_TABLE_NORMAL, "1413");
        ClickItem(h, IDC_TABLE_START);
        Tick(h, Timer, 20);
        SendMessageA(h, WM_ENDSESSION, TRUE, 0);
        std::optional<StoredTable> stored = ReadStored(dataFile);
        ASSERT_TRUE(stored);
        EXPECT_EQ(stored->count, 1u);
        EXPECT_EQ(stored->normal[0], 1413.0);
        Cancel(h);
    });
    EXPECT_TRUE(questions.empty());
    EXPECT_TRUE(converter.Writes().empty());
}

// Three points stored, the data file locked by another program while the dialog opens.
TEST_F(ProbeTableTest, ADataFileThatCannotBeReadIsToldAndKeepsEveryPoint) {
    Store({{100, 141}, {500, 700}, {1000, 1413}});
    const std::string before = ReadFileText(dataFile);
    InjectFileFaults({FileError::InUse});
    auto made = MakeDialog();
    InjectFileFaults({});
    int code = Run(std::move(made), [&](HWND h) {
        EXPECT_TRUE(Lines(h).empty());
        converter.SetFloat(Conductance, 12.0f);
        SetText(h, IDC_TABLE_NORMAL, "12,88");
        ClickItem(h, IDC_TABLE_START);
        Tick(h, Timer, 20);
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "The calibration points of the data file\n" + dataFile +
                               "\ncannot be read: in use by another program.\n\nThe table starts "
                               "empty. The file is kept; points measured now are stored beside "
                               "its points once it can be read.");
    std::optional<StoredTable> stored = ReadStored(dataFile);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->count, 4u);
    EXPECT_EQ(stored->normal[0], 141.0);
    EXPECT_EQ(stored->normal[2], 1413.0);
    EXPECT_EQ(stored->conductance[3], 12.0);
    EXPECT_EQ(stored->normal[3], static_cast<double>(12.88f));  // typed into a float edit

    // Still locked when the dialog closes: nothing is written, the user is asked.
    Store({{100, 141}});
    const std::string one = ReadFileText(dataFile);
    InjectFileFaults({FileError::InUse});
    questions.clear();
    Run(MakeDialog(), [&](HWND h) {
        SetText(h, IDC_TABLE_NORMAL, "1413");
        ClickItem(h, IDC_TABLE_START);
        Tick(h, Timer, 20);
        Cancel(h);
    });
    InjectFileFaults({});
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "The calibration points could not be stored: the data file\n" +
                                dataFile +
                                "\nholds points that would be lost (in use by another "
                                "program).\n\nRetry tries again; Cancel leaves them unstored.");
    EXPECT_EQ(ReadFileText(dataFile), one);
}

TEST_F(ProbeTableTest, AFileThatIsNoTableIsToldAndLeftByteForByte) {
    // Ten good points and a count of 11.
    Points ten;
    for (int i = 1; i <= 10; ++i)
        ten.push_back({i * 100.0, i * 141.0});
    Store(ten);
    std::string bytes = ReadFileText(dataFile);
    bytes[0] = 11;
    {
        std::FILE* file = std::fopen(dataFile.c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_TRUE(Lines(h).empty());
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "The data file\n" + dataFile +
                               "\nholds no table of calibration points: counts 11 points, more "
                               "than 10.\n\nThe table starts empty. The file stays as it is "
                               "unless a point is stored or deleted.");
    EXPECT_EQ(ReadFileText(dataFile), bytes);
    EXPECT_TRUE(questions.empty());
}

TEST_F(ProbeTableTest, TheReportNeverGoesIntoTheDataFile) {
    Store(TwoPoints);
    const std::string before = ReadFileText(dataFile);
    std::string other = dataFile;
    for (char& c : other)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    for (const std::string& name : {dataFile, other}) {
        reports.fileName = name;
        messages.clear();
        Run(MakeDialog(), [&](HWND h) {
            ClickItem(h, IDC_TABLE_CALCULATE);
            ClickItem(h, IDC_TABLE_INTO_FILE);
            Cancel(h);
        });
        EXPECT_EQ(messages, std::vector<std::string>{
                                "The report cannot go into the data file of the calibration "
                                "points:\n" +
                                name});
        EXPECT_EQ(ReadFileText(dataFile), before);
    }
}

TEST_F(ProbeTableTest, ManualEntryWritesTheEditsAsTyped) {
    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_TABLE_MANUAL);
        for (int id : KEdits)
            EXPECT_TRUE(Enabled(h, id)) << id;
        SetText(h, IDC_TABLE_K0, "1,5");
        SetText(h, IDC_TABLE_K1, "");
        SetText(h, IDC_TABLE_K2, "abc");
        SetText(h, IDC_TABLE_K3, "-2");
        // Unchecking discards the typing; checking again starts from the shown values.
        ClickItem(h, IDC_TABLE_MANUAL);
        EXPECT_EQ(Shown(h),
                  (std::vector<std::string>{"", "1.250000000E+01", "", "-5.000000000E-01"}));
        for (int id : KEdits)
            EXPECT_FALSE(Enabled(h, id)) << id;
        ClickItem(h, IDC_TABLE_MANUAL);
        SetText(h, IDC_TABLE_K0, "1,5");
        SetText(h, IDC_TABLE_K1, "");
        SetText(h, IDC_TABLE_K2, "abc");
        SetText(h, IDC_TABLE_K3, "-2");
        // An empty K[1] and a K[2] that is no number are refused, nothing is written.
        ClickItem(h, IDOK);
        EXPECT_EQ(GetFocus(), Item(h, IDC_TABLE_K1));
        SetText(h, IDC_TABLE_K1, "2");
        ClickItem(h, IDOK);
        EXPECT_EQ(GetFocus(), Item(h, IDC_TABLE_K2));
        EXPECT_TRUE(StillOpen(h));
        EXPECT_TRUE(converter.Writes().empty());
        // An empty K[0], K[2] or K[3] is 0, as a 0 is shown.
        SetText(h, IDC_TABLE_K2, "");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(
        messages,
        (std::vector<std::string>{
            "K [1] must be a number, such as 1.250000000E+01 or 12,5.",
            "K [2] must be a number, such as 1.250000000E+01 or 12,5; an empty field is 0."}));
    EXPECT_EQ(
        converter.Writes(),
        std::vector<std::string>{"01 46 10 00 00 C0 3F 00 00 00 40 00 00 00 00 00 00 00 C0 AA"});
}

TEST_F(ProbeTableTest, CalculateEndsTheManualEntry) {
    Store({{500, 700}});
    Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_TABLE_MANUAL);
        SetText(h, IDC_TABLE_K1, "3");
        ClickItem(h, IDC_TABLE_CALCULATE);
        EXPECT_FALSE(Checked(h, IDC_TABLE_MANUAL));
        for (int id : KEdits)
            EXPECT_FALSE(Enabled(h, id)) << id;
        EXPECT_EQ(Shown(h), (std::vector<std::string>{"", "1.399999976E+00", "", ""}));
        Cancel(h);
    });
    EXPECT_TRUE(converter.Writes().empty());
}

TEST_F(OldFirmwareProbeTableTest, OldFirmwareGreysK0AndWritesTwelveBytes) {
    Store(TwoPoints);
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_FALSE(Enabled(h, IDC_TABLE_K0_LABEL));
        EXPECT_EQ(Shown(h),
                  (std::vector<std::string>{"", "1.250000000E+01", "", "-5.000000000E-01"}));
        ClickItem(h, IDC_TABLE_MANUAL);
        EXPECT_FALSE(Enabled(h, IDC_TABLE_K0));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_K1));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_K2));
        EXPECT_TRUE(Enabled(h, IDC_TABLE_K3));
        ClickItem(h, IDC_TABLE_MANUAL);
        // Two points without K[0]: the parabola through both and the origin.
        ClickItem(h, IDC_TABLE_CALCULATE);
        EXPECT_EQ(Shown(h),
                  (std::vector<std::string>{"", "1.409666657E+00", "3.333333325E-06", ""}));
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(converter.CountOf(FourCoefficients), 0u);
    EXPECT_EQ(converter.Writes(),
              std::vector<std::string>{"01 3D 0C F5 6F B4 3F 3B B2 5F 36 00 00 00 00 DD"});
}

TEST_F(OldFirmwareProbeTableTest, OldFirmwareFitsThroughTheOrigin) {
    // K[1] G + K[2] G^2 + K[3] G^3 with 1, 0.5, 0.25: through three points, and by least squares
    // through five.
    const std::vector<std::string> cubic = {"", "1.000000000E+00", "5.000000000E-01",
                                            "2.500000000E-01"};
    EXPECT_EQ(CalculateOver({{1, 1.75}, {2, 6}, {3, 14.25}}, false), cubic);
    EXPECT_EQ(CalculateOver({{1, 1.75}, {2, 6}, {3, 14.25}, {4, 28}, {5, 48.75}}, false), cubic);
    // Two points: the parabola through both and the origin.
    EXPECT_EQ(CalculateOver({{1, 1.5}, {2, 4}}, false),
              (std::vector<std::string>{"", "1.000000000E+00", "5.000000000E-01", ""}));
}

}  // namespace
