// zr3ctl's strict number words, setting values and port listing, in process.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "ctl/backup_file.h"
#include "ctl/calibration_record_file.h"
#include "ctl/commissioning_log.h"
#include "ctl/exit_status.h"
#include "ctl/monitor_schedule.h"
#include "ctl/number_words.h"
#include "ctl/serial_ports.h"
#include "ctl/setting_value.h"
#include "ctl/time_stamp.h"
#include "ctl/who_and_when.h"

TEST(CtlWords, NumbersAreTakenWholeAndFinite) {
    EXPECT_EQ(ParseNumber("12.5"), 12.5);
    EXPECT_EQ(ParseNumber("-1e3"), -1000.0);
    EXPECT_EQ(ParseNumber("+.5"), 0.5);
    EXPECT_EQ(ParseNumber("1e16"), 1e16);
    // One notation: a comma is refused, with a hint.
    for (const char* bad : {"", "+", "abc", "1.5x", " 1", "1 ", "nan", "inf", "-inf", "1e999",
                            "0x10", "2,5", "2,000", "+-5", "-+5", "--5", "1.5.2", "1e", "."})
        EXPECT_FALSE(ParseNumber(bad)) << bad;
    EXPECT_EQ(PointHint("2,000"), "; use a point: 2.5");
    EXPECT_EQ(PointHint("2.000"), "");
    EXPECT_FALSE(ParseFloatValue("1e39")) << "beyond a float";
    EXPECT_EQ(ParseFloatValue("0.1"), 0.1f);
    EXPECT_EQ(ParseWholeNumber("30", 0, 30), 30);
    EXPECT_EQ(ParseWholeNumber("+7", 0, 30), 7);
    EXPECT_EQ(ParseWholeNumber("-7", -10, 30), -7);
    for (const char* bad : {"31", "-11", "5.0", "", "+", "+-5", "-+5", " 5", "5 ", "0x5", "5,0"})
        EXPECT_FALSE(ParseWholeNumber(bad, -10, 30)) << bad;
    EXPECT_EQ(ParseFirmwareWord("1.03"), 0x0103);
    EXPECT_EQ(ParseFirmwareWord("1.0a"), 0x010A);
    EXPECT_EQ(ParseFirmwareWord("0x0102"), 0x0102);
    EXPECT_FALSE(ParseFirmwareWord("1.3"));
    EXPECT_FALSE(ParseFirmwareWord("103"));
}

TEST(CtlWords, PercentsAndFloatsReadBackExactly) {
    EXPECT_EQ(ShortestText(12.5f), "12.5");
    EXPECT_EQ(ShortestText(0.021f), "0.021");
    EXPECT_EQ(PercentText(0.021f), "2.1");
    EXPECT_EQ(PercentText(0.0f), "0");
    // Every percent text gives back the very fraction it was made of.
    for (float fraction : {0.021f, 0.0199999996f, 0.333333343f, -0.0125f, 1e-7f, 3.0f}) {
        const auto percent = ParseNumber(PercentText(fraction));
        ASSERT_TRUE(percent) << fraction;
        EXPECT_TRUE(SameFloat(FractionOfPercent(*percent), fraction)) << fraction;
    }
}

TEST(CtlSettings, StrictWordsAndTheirJson) {
    SensorList sensors;
    EXPECT_EQ(ParseSettingWord(SettingId::Compensation, "Nonlinear", sensors).integer, 2u);
    EXPECT_EQ(ParseSettingWord(SettingId::Sensor, "pt1000", sensors).sensor, 1);
    EXPECT_EQ(ParseSettingWord(SettingId::Sensor, "NR351 3K0", sensors).sensor, 4);
    EXPECT_EQ(ParseSettingWord(SettingId::RelayOpenDelay, "65535", sensors).integer, 65535u);
    // Refusals of the command line are tried end to end against the simulator.
    SettingValue coefficient;
    coefficient.number = 0.021f;
    EXPECT_EQ(SettingJson(SettingId::Coefficient, coefficient, sensors).dump(), "2.1");
    const auto back = SettingFromJson(SettingId::Coefficient, 2.1, sensors);
    ASSERT_TRUE(back);
    EXPECT_TRUE(SameFloat(back->number, 0.021f));
    SettingValue unknown;
    EXPECT_TRUE(SettingJson(SettingId::Sensor, unknown, sensors).is_null());
    EXPECT_FALSE(SettingFromJson(SettingId::Sensor, nullptr, sensors));
    EXPECT_THROW(SettingFromJson(SettingId::InputDamping, 2.5, sensors), CommandFailure);
    EXPECT_THROW(SettingFromJson(SettingId::Compensation, 1, sensors), CommandFailure);
}

namespace {

// What reading this backup text ends with: "" when it is taken, else the exit status and message.
std::string BackupRefusal(const std::string& text) {
    const std::string path =
        (std::filesystem::temp_directory_path() / "zr3ctl-unit-backup.json").string();
    std::ofstream(path, std::ios::binary) << text;
    SensorList sensors;
    std::string outcome;
    try {
        ReadBackupFile(path, sensors);
    } catch (const CommandFailure& failure) {
        outcome = std::to_string(failure.status) + " " + failure.what();
        outcome.erase(2, path.size());
    }
    std::filesystem::remove(path);
    return outcome;
}

}  // namespace

TEST(CtlBackupFile, RefusesDepthDuplicatesForeignConvertersAndShowsNoControlBytes) {
    const std::string head = R"({"format": "zr3ctl backup", "version": 1, )";
    EXPECT_EQ(BackupRefusal(head + R"("converter": {"identity": "ZR3"}, "settings": {"k1": 1.5}})"),
              "");
    // 100 000 levels in 200 KB: refused before anything recursive reads them.
    const std::string deep = head + R"("settings": {"k1": )" + std::string(100000, '[') +
                             std::string(100000, ']') + "}}";
    const std::string stringy = head + R"("x": "[[[[[[[[[[[[[[[[[[[[[[", "settings": {}})";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {deep, "2  is nested more than 16 levels deep; it is no backup"},
        {head + R"("settings": {"k1": 1, "k1": 2}})", "2 : \"k1\" is given twice"},
        {head + R"("settings": {"k1": 1}, "settings": {"k1": 2}})",
         "2 : \"settings\" is given twice"},
        {head + R"("converter": {"identity": "ZR3X\u001b[2J"}, "settings": {}})",
         "2  was recorded from a converter that is not a ZR3 (identity \"ZR3X\\x1b[2J\")"},
        {head + R"("converter": {"identity": 3}, "settings": {}})",
         "2  was recorded from a converter that is not a ZR3 (identity 3)"},
        {head + R"("settings": {"\u001b[2J\u0000": 1}})", "2 : unknown setting \"\\x1b[2J\\x00\""},
        {head + R"("settings": {"sensor": "Pt\u001bc"}})",
         "2 : sensor: \"Pt\\x1bc\" is not a sensor model"},
    };
    for (const auto& [text, refusal] : cases) {
        const std::string outcome = BackupRefusal(text);
        EXPECT_EQ(outcome.substr(0, refusal.size()), refusal) << outcome;
    }
    // Brackets inside a text are no nesting.
    EXPECT_EQ(BackupRefusal(stringy), "");
}

#ifndef _WIN32
TEST(CtlPorts, SerialTtysOfSysfsWithTheirByIdNames) {
    namespace fs = std::filesystem;
    const fs::path root = fs::temp_directory_path() / ("zr3ctl-ports-" + std::to_string(getpid()));
    fs::remove_all(root);
    auto tty = [&](const char* name, const char* type) {
        fs::create_directories(root / "class" / name / "device");
        if (type) std::ofstream(root / "class" / name / "type") << type << '\n';
        std::ofstream(root / "dev" / name).put('x');
    };
    fs::create_directories(root / "dev" / "serial" / "by-id");
    tty("ttyS0", "0");  // an 8250 placeholder
    tty("ttyS1", "4");
    tty("ttyUSB0", nullptr);
    tty("ttyACM10", nullptr);
    tty("ttyACM2", nullptr);
    fs::create_directories(root / "class" / "tty0");  // a console: no device
    fs::create_symlink("../../ttyUSB0", root / "dev" / "serial" / "by-id" / "usb-Maker_Cable-if00");

    const auto ports = ListTtyPorts((root / "class").string(), (root / "dev/serial/by-id").string(),
                                    (root / "dev").string());
    std::vector<std::string> names;
    for (const auto& port : ports)
        names.push_back(fs::path(port.name).filename().string());
    EXPECT_EQ(names, (std::vector<std::string>{"ttyS1", "ttyACM2", "ttyUSB0", "ttyACM10"}));
    ASSERT_EQ(ports[2].aliases.size(), 1u);
    EXPECT_EQ(fs::path(ports[2].aliases[0]).filename(), "usb-Maker_Cable-if00");
    EXPECT_TRUE(ports[0].aliases.empty());
    fs::remove_all(root);
}
#endif

// A clock that only moves when told: each reading takes 300 ms of it, each wait jumps to the
// due time.
class FakeClock : public MonitorClock {
  public:
    TimePoint Now() override { return now; }
    bool WaitUntil(TimePoint due) override {
        waits.push_back(due);
        if (due > now) now = due;
        return true;
    }
    TimePoint now = TimePoint(std::chrono::seconds(1000));
    std::vector<TimePoint> waits;
};

TEST(CtlMonitorSchedule, ReadingKIsDueAtTheStartPlusKPeriods) {
    using namespace std::chrono;
    FakeClock clock;
    const MonitorClock::TimePoint start = clock.now;
    std::vector<MonitorClock::TimePoint> taken;
    const int64_t readings = RunMonitorSchedule(clock, 1.0, 60, [&](int64_t) {
        taken.push_back(clock.now);
        clock.now += milliseconds(300);
        return true;
    });
    EXPECT_EQ(readings, 60);
    ASSERT_EQ(taken.size(), 60u);
    for (size_t k = 0; k < taken.size(); ++k)
        EXPECT_EQ(taken[k], start + seconds(k)) << "reading " << k;
    // 60 readings at 1 s end 59.3 s after the start, not 59 * 1.3 s.
    EXPECT_EQ(clock.now - start, milliseconds(59300));

    // A reading slower than the period: the next one at once, the one after on its own time.
    FakeClock slow;
    const auto slowStart = slow.now;
    taken.clear();
    RunMonitorSchedule(slow, 0.5, 4, [&](int64_t k) {
        taken.push_back(slow.now);
        slow.now += milliseconds(k == 0 ? 800 : 100);
        return true;
    });
    const std::vector<MonitorClock::TimePoint> expected = {slowStart, slowStart + milliseconds(800),
                                                           slowStart + milliseconds(1000),
                                                           slowStart + milliseconds(1500)};
    EXPECT_EQ(taken, expected);

    // A reading that returns false ends the schedule.
    FakeClock stop;
    EXPECT_EQ(RunMonitorSchedule(stop, 1.0, 0, [](int64_t k) { return k < 2; }), 3);
}

TEST(CtlTimeStamp, Iso8601ExtendedWithTheUtcOffset) {
    std::tm fields{};
    fields.tm_year = 2026 - 1900;
    fields.tm_mon = 0;
    fields.tm_mday = 31;
    fields.tm_hour = 14;
    fields.tm_min = 5;
    fields.tm_sec = 9;
    EXPECT_EQ(IsoTimeText(fields, 3600), "2026-01-31T14:05:09+01:00");
    EXPECT_EQ(IsoTimeText(fields, -(9 * 3600 + 30 * 60)), "2026-01-31T14:05:09-09:30");
    EXPECT_EQ(IsoTimeText(fields, 0, 120), "2026-01-31T14:05:09.120+00:00");
}

TEST(CtlRecords, CommandLineAndTimeAsFiled) {
    EXPECT_EQ(CommandLineText({"zr3ctl", "-p", "COM3", "set", "sensor=Pt1000 (3850)", "it's"}),
              "zr3ctl -p COM3 set 'sensor=Pt1000 (3850)' 'it'\\''s'");
#ifndef _WIN32
    // One hour east of UTC, and three and a half west (Newfoundland in winter).
    setenv("TZ", "CET-1", 1);
    tzset();
    EXPECT_EQ(Iso8601Time(0), "1970-01-01T01:00:00+01:00");
    setenv("TZ", "NST+3:30", 1);
    tzset();
    EXPECT_EQ(Iso8601Time(86400 * 365), "1970-12-31T20:30:00-03:30");
    EXPECT_EQ(Iso8601Date(86400 * 365), "1970-12-31");
    unsetenv("TZ");
    tzset();
#endif
    EXPECT_EQ(StandardDeviation({2.0f, 4.0f, 4.0f, 4.0f, 5.0f, 5.0f, 7.0f, 9.0f}),
              std::sqrt(32.0 / 7.0));
}
