// zr3ctl against zr3sim on a pseudo-terminal: every subcommand, cloning a configuration, faults
// and strict refusals, as a script would run them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <thread>

#include "tests/realport/sim_process.h"

namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using Words = std::vector<std::string>;

// A scratch folder of the test, removed afterwards.
struct Scratch {
    fs::path dir = fs::temp_directory_path() / ("zr3ctl-test-" + std::to_string(getpid()));
    Scratch() { fs::create_directories(dir); }
    ~Scratch() { fs::remove_all(dir); }
    std::string operator/(const std::string& name) const { return (dir / name).string(); }
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// One simulated converter with its frame trace.
class Converter {
  public:
    Converter(const Scratch& scratch, const std::string& name, Words options = {})
        : tracePath(scratch / (name + ".trace")) {
        options.insert(options.end(), {"--no-noise", "--no-drift", "--trace", tracePath});
        if (!sim.Start(options)) ADD_FAILURE() << "zr3sim did not start";
    }

    // zr3ctl -p <this converter> args...
    ProgramRun Ctl(Words args) {
        args.insert(args.begin(), {"-p", sim.portName()});
        return RunProgram(ZR3CTL_PATH, args, 60000);
    }
    // The same with NAME=VALUE words in its environment.
    ProgramRun CtlWith(Words environment, const Words& args) {
        environment.insert(environment.end(), {ZR3CTL_PATH, "-p", sim.portName()});
        environment.insert(environment.end(), args.begin(), args.end());
        return RunProgram("/usr/bin/env", environment, 60000);
    }
    Json ShowJson() {
        const ProgramRun run = Ctl({"show", "--json"});
        EXPECT_EQ(run.status, 0) << run.err;
        return Json::parse(run.out, nullptr, false);
    }
    // The simulator's stored value of a key of its "show".
    std::string State(const std::string& key) {
        for (const std::string& line : sim.Command("show"))
            if (line.rfind(key + " ", 0) == 0) return line.substr(key.size() + 1);
        return "?";
    }
    // The frames of the trace: "> 01 44 00 BB", "< 06 01 05 F4".
    Words Frames() {
        std::ifstream in(tracePath);
        Words frames;
        for (std::string line; std::getline(in, line);) {
            const size_t mark = line.find_first_of("<>");
            if (mark != std::string::npos) frames.push_back(line.substr(mark));
        }
        return frames;
    }
    size_t Count(const std::string& prefix) {
        size_t n = 0;
        for (const auto& frame : Frames())
            n += frame.rfind(prefix, 0) == 0;
        return n;
    }
    bool Control(const std::string& line) { return sim.Ok(line); }
    const std::string& PortName() const { return sim.portName(); }
    const std::string& Port() const { return sim.portName(); }
    SimProcess& Sim() { return sim; }

  private:
    std::string tracePath;
    SimProcess sim;
};

ProgramRun Ctl(Words args) {
    return RunProgram(ZR3CTL_PATH, args, 60000);
}

// Waits until the condition holds, at most 20 s; the test fails on the next check otherwise.
void WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000 && !condition(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

// zr3ctl without root's rights, which read and write any file whatever its mode.
ProgramRun CtlUnprivileged(Words args) {
    if (geteuid() != 0) return Ctl(args);
    args.insert(args.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", ZR3CTL_PATH});
    return RunProgram("/usr/bin/setpriv", args, 60000);
}

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

TEST(Zr3ctl, InfoAndShowTellTheConverter) {
    Scratch scratch;
    Converter c(scratch, "a", {"--serial", "4242", "--firmware", "1.02", "--output-variant", "2"});
    ProgramRun run = c.Ctl({"info"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "identity            ZR3\n")) << run.out;
    EXPECT_TRUE(Has(run.out, "firmware            1.02\n")) << run.out;
    EXPECT_TRUE(Has(run.out, "serial-number       4242\n")) << run.out;
    EXPECT_TRUE(Has(run.out, "output              Active 0 to 5 V\n")) << run.out;
    EXPECT_TRUE(Has(run.out, "relay               Relay 1\n")) << run.out;
    EXPECT_EQ(run.err, "");

    const Json shown = c.ShowJson();
    ASSERT_TRUE(shown.is_object());
    EXPECT_EQ(shown["converter"]["serial-number"], 4242);
    const Words names = {"input-damping",
                         "range-start",
                         "range-end",
                         "compensation",
                         "sensor",
                         "temp-damping",
                         "ref-temp",
                         "coefficient",
                         "relay-close",
                         "relay-open",
                         "relay-close-delay",
                         "relay-open-delay",
                         "cable",
                         "k0",
                         "k1",
                         "k2",
                         "k3"};
    Words keys;
    for (const auto& [key, value] : shown["settings"].items())
        keys.push_back(key);
    EXPECT_EQ(keys, names);
    EXPECT_EQ(std::to_string(shown["settings"]["input-damping"].get<int>()),
              c.State("input-damping"));

    run = c.Ctl({"show"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.out, "compensation        ")) << run.out;
}

TEST(Zr3ctl, SetWritesEachSettingAndPrintsTheAnswers) {
    Scratch scratch;
    Converter c(scratch, "a", {"--firmware", "1.03"});
    const ProgramRun run =
        c.Ctl({"set", "input-damping=7", "range-start=12.5", "compensation=nonlinear",
               "sensor=pt1000", "coefficient=2.1", "relay-close=5", "relay-open-delay=30",
               "cable=3.25", "k1=1.5", "k0=-0.25"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out,
              "input-damping=7\nrange-start=12.5\ncompensation=nonlinear\nsensor=Pt1000 "
              "(3850)\ncoefficient=2.1\nrelay-close=5\nrelay-open-delay=30\ncable=3.25\n"
              "k1=1.5\nk0=-0.25\n");
    EXPECT_EQ(c.State("input-damping"), "7");
    EXPECT_EQ(c.State("temp-coefficient"), "0.021");
    EXPECT_EQ(c.State("compensation-mode"), "2");
    EXPECT_EQ(c.State("cable-compensation"), "3.25");
    EXPECT_EQ(c.State("probe").substr(0, 10), "-0.25 1.5 ");
    EXPECT_TRUE(Has(c.State("relay"), "5 ")) << c.State("relay");
    EXPECT_TRUE(Has(c.State("relay"), " 30")) << c.State("relay");
    // The sensor went in as one committed sequence and reads back as Pt1000.
    EXPECT_EQ(c.Count("> 01 2C 01 00 D2"), 1u);
    EXPECT_EQ(c.ShowJson()["settings"]["sensor"], "Pt1000 (3850)");
}

TEST(Zr3ctl, StrictRefusalsSendNothing) {
    Scratch scratch;
    Converter c(scratch, "a", {"--firmware", "1.00"});
    const std::vector<Words> refused = {
        {"set", "input-damping=31"},
        {"set", "temp-damping=-1"},
        {"set", "range-start=abc"},
        {"set", "range-end=nan"},
        {"set", "ref-temp=1e39"},
        {"set", "compensation=fast"},
        {"set", "relay-open-delay=65536"},
        {"set", "sensor=Ni1000"},
        {"set", "volume=3"},
        {"set", "k1"},
        {"set"},
        {"monitor", "--interval", "-1"},
        {"monitor", "--count", "x"},
        {"monitor", "--count", ""},
        {"set", "range-end=2,000"},
        {"set", "range-start=+-5"},
        {"calibrate", "probe", "--normal", "1,413"},
        {"calibrate", "probe", "--normal", "0"},
        {"calibrate", "probe", "--normal", "-1413", "--yes"},
        {"calibrate", "probe", "--normal", "1e-300", "--yes"},
        // No --yes and no terminal to ask at: refused before anything is measured.
        {"calibrate", "probe", "--normal", "1413"},
        {"calibrate", "cable"},
        {"calibrate", "nothing"},
        {"restore", "/nonexistent.json"},
        {"bogus"},
    };
    for (const Words& args : refused) {
        const ProgramRun run = c.Ctl(args);
        EXPECT_EQ(run.status, 2) << args[0] << " " << (args.size() > 1 ? args[1] : "");
        EXPECT_FALSE(run.err.empty());
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(c.Frames(), Words{}) << "nothing may reach the line";

    // What only the converter's firmware rules out is refused after identity and version alone.
    for (const char* word : {"compensation=nonlinear", "sensor=NR351", "k0=0.5"}) {
        const ProgramRun run = c.Ctl({"set", "input-damping=3", word});
        EXPECT_EQ(run.status, 2) << word;
        EXPECT_TRUE(Has(run.err, "firmware")) << run.err;
    }
    EXPECT_EQ(c.Count("> "), 6u);
    EXPECT_EQ(c.Count("> 01 21"), 3u);
    EXPECT_EQ(c.Count("> 01 22"), 3u);
    EXPECT_EQ(Ctl({"info"}).status, 2) << "no port";
}

TEST(Zr3ctl, RefusesAnotherConverterAndASilentPort) {
    Scratch scratch;
    Converter other(scratch, "a", {"--identity", "ZR3X"});
    ProgramRun run = other.Ctl({"show"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "The converter is not compatible with this tool.")) << run.err;
    EXPECT_TRUE(Has(run.err, "ZR3X"));
    EXPECT_EQ(other.Count("> "), 1u) << "nothing after the identity";
    // An identity that would clear the screen is shown escaped.
    Converter hostile(scratch, "h", {"--identity", "Z\x1b[2J\a"});
    run = hostile.Ctl({"info"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "(It answers \"Z\\x1b[2J\\x07\".)")) << run.err;
    EXPECT_FALSE(Has(run.err, "\x1b")) << run.err;

    Converter silent(scratch, "b", {"--fault", "silence always"});
    run = silent.Ctl({"info"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "no converter answers")) << run.err;
    run = Ctl({"-p", "/dev/zr3none", "info"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "cannot open the port /dev/zr3none: there is no such device"))
        << run.err;
}

TEST(Zr3ctl, BackupOfOneConverterRestoredOntoAnother) {
    Scratch scratch;
    Converter a(scratch, "a", {"--firmware", "1.02", "--serial", "1001"});
    Converter b(scratch, "b", {"--firmware", "1.03", "--serial", "2002"});
    ASSERT_EQ(
        a.Ctl({"set", "input-damping=4", "range-start=1.5", "range-end=250",
               "compensation=nonlinear", "sensor=Ni1000 (6180)", "temp-damping=12", "ref-temp=20",
               "coefficient=1.85", "relay-close=200", "relay-open=180", "relay-close-delay=5",
               "relay-open-delay=7", "cable=2.75", "k1=1.25", "k2=0.001"})
            .status,
        0);
    const std::string file = scratch / "a.json";
    ProgramRun run = a.Ctl({"backup", file});
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream in(file);
    const Json saved = Json::parse(in, nullptr, false);
    EXPECT_EQ(saved["format"], "zr3ctl backup");
    EXPECT_EQ(saved["version"], 1);
    EXPECT_EQ(saved["converter"]["serial-number"], 1001);
    EXPECT_EQ(saved["converter"]["firmware"], "1.02");
    // Firmware 1.02 has no k0: show gives null, the backup the 0 that such a converter works with.
    Json shownA = a.ShowJson()["settings"];
    EXPECT_TRUE(shownA["k0"].is_null());
    EXPECT_EQ(saved["settings"]["k0"], 0);
    shownA["k0"] = 0;
    EXPECT_EQ(saved["settings"], shownA);

    // Again through a link, with a link planted at the old temporary name: the link's target is
    // replaced and keeps its mode; the planted link's target is untouched.
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    fs::create_symlink(file, scratch / "latest.json");
    std::ofstream(scratch / "victim") << "victim";
    fs::create_symlink(scratch / "victim", scratch / "latest.json.tmp");
    std::ofstream(file) << "{}";
    run = a.Ctl({"backup", scratch / "latest.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(fs::is_symlink(scratch / "latest.json"));
    EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Json::parse(FileText(file)), saved);
    EXPECT_EQ(FileText(scratch / "victim"), "victim");

    const Json before = b.ShowJson();
    run = b.Ctl({"restore", file, "--dry-run"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "input-damping: ")) << run.out;
    EXPECT_TRUE(Has(run.out, "compensation: linear -> nonlinear")) << run.out;
    EXPECT_FALSE(Has(run.out, "k0")) << "k0 is 0 on both";
    EXPECT_EQ(b.ShowJson(), before) << "a dry run writes nothing";

    run = b.Ctl({"restore", file});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(b.ShowJson()["settings"], shownA);
    EXPECT_EQ(b.ShowJson()["converter"]["serial-number"], 2002);
    run = b.Ctl({"restore", file});
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(Has(run.err, "zr3ctl: nothing to change\n")) << run.err;

    // The other way round the file cannot be applied: K[0] and mode 2 need newer firmware.
    Converter old(scratch, "c", {"--firmware", "1.01"});
    ASSERT_EQ(b.Ctl({"set", "k0=0.5"}).status, 0);
    ASSERT_EQ(b.Ctl({"backup", scratch / "b.json"}).status, 0);
    run = old.Ctl({"restore", scratch / "b.json"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "k0 0.5")) << run.err;
    EXPECT_TRUE(Has(run.err, "compensation nonlinear")) << run.err;
    EXPECT_EQ(old.Count("> "), 2u) << "identity and firmware only";

    // A file that is no backup.
    std::ofstream(scratch / "bad.json") << R"({"format": "zr3ctl backup", "version": 1,
        "settings": {"input-damping": 40}})";
    run = b.Ctl({"restore", scratch / "bad.json"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "input-damping")) << run.err;
}

TEST(Zr3ctl, RestoreNamesTheSettingWhoseWriteFailed) {
    Scratch scratch;
    Converter a(scratch, "a");
    Converter b(scratch, "b");
    ASSERT_EQ(a.Ctl({"set", "input-damping=9", "range-start=3", "range-end=99"}).status, 0);
    ASSERT_EQ(a.Ctl({"backup", scratch / "a.json"}).status, 0);

    // A dry run reads what the restore reads before its first write.
    const size_t before = b.Count("< ");
    ProgramRun run = b.Ctl({"restore", scratch / "a.json", "--dry-run"});
    ASSERT_EQ(run.out, "input-damping: 5 -> 9\nrange-start: 0 -> 3\nrange-end: 2000 -> 99\n");
    const size_t reads = b.Count("< ") - before;
    // The second write gets no answer, nor does its retry.
    ASSERT_TRUE(b.Control("fault silence next 2 after " + std::to_string(reads + 1)));
    run = b.Ctl({"restore", scratch / "a.json", "--no-rollback"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "writing range-start: no answer")) << run.err;
    EXPECT_FALSE(Has(run.err, "range-end")) << run.err;
    // The write took without its answer: the read-back says so, not "not all of them took".
    EXPECT_TRUE(Has(run.err,
                    "every value reads back as in the file, but not every write was "
                    "answered"))
        << run.err;
    EXPECT_EQ(b.State("input-damping"), "9");
    EXPECT_EQ(b.State("range"), "3 99");
}

TEST(Zr3ctl, MonitorMarksABrokenSensor) {
    Scratch scratch;
    Converter c(scratch, "a");
    ProgramRun run = c.Ctl({"monitor", "--count", "2", "--interval", "0"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, " resistance=109.7")) << run.out;
    EXPECT_TRUE(Has(run.out, " status=ok\n")) << run.out;
    EXPECT_EQ(c.Count("> 01 24"), 2u);

    ASSERT_TRUE(c.Control("sensor broken on"));
    run = c.Ctl({"monitor", "--count", "1", "--interval", "0"});
    // The time stamp first: 2026-01-31T14:05:09+01:00.
    const size_t space = run.out.find(' ');
    ASSERT_EQ(space, 25u) << run.out;
    EXPECT_EQ(run.out[10], 'T');
    EXPECT_TRUE(run.out[19] == '+' || run.out[19] == '-') << run.out;
    EXPECT_EQ(
        run.out.substr(space + 1).rfind("resistance=Failure temperature=Invalid conductance=", 0),
        0u)
        << run.out;
    EXPECT_TRUE(Has(run.out, " status=failure\n")) << run.out;
    run = c.Ctl({"monitor", "--count", "1", "--csv"});
    EXPECT_EQ(run.out.rfind("time,resistance [ohm],temperature [degC],conductance [uS],value "
                            "[uS/cm],ratio [%],status\n",
                            0),
              0u)
        << run.out;
    EXPECT_TRUE(Has(run.out, ",,,")) << run.out;

    // A reading that gets no answer is a row with empty values and the reason.
    ASSERT_TRUE(c.Control("fault silence on 24 always"));
    run = c.Ctl({"monitor", "--count", "1", "--csv", "--retries", "0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.out, ",,,,,no answer\n")) << run.err;
    // Silent tries are told in the row of their reading, not once per try on stderr.
    Converter quiet(scratch, "b");
    ASSERT_TRUE(quiet.Control("fault silence next 5 after 2"));
    run = quiet.Ctl({"monitor", "--count", "5", "--interval", "0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::count(run.out.begin(), run.out.end(), '\n'), 5) << run.out;
    EXPECT_TRUE(Has(run.out, " status=no answer\n")) << run.out;
    EXPECT_FALSE(Has(run.err, "no answer")) << run.err;
}

TEST(Zr3ctl, MonitorEndsWhenTheLineGoes) {
    Scratch scratch;
    Converter c(scratch, "a");
    ProgramRun run;
    std::thread monitor([&] { run = c.Ctl({"monitor", "--interval", "0"}); });
    // The converter goes away (its pseudo-terminal closes) once readings are flowing.
    for (int i = 0; i < 1000 && c.Count("> 01 24") < 3; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_GE(c.Count("> 01 24"), 3u);
    c.Sim().Stop();
    monitor.join();
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "zr3ctl: the line to the converter has gone")) << run.err;
    size_t silences = 0;
    for (size_t at = run.err.find("no answer"); at != std::string::npos;
         at = run.err.find("no answer", at + 1))
        ++silences;
    EXPECT_LE(silences, 1u) << run.err;
    EXPECT_TRUE(Has(run.out, "resistance=")) << run.out;
}

TEST(Zr3ctl, CalibrationsMeasureTwentySamples) {
    Scratch scratch;
    Converter c(scratch, "a", {"--cable-capacity", "12.5", "--conductivity", "1413"});
    // Failed reads are skipped: two silent answers make 22 requests for 20 samples.
    ASSERT_TRUE(c.Control("fault silence next 2 after 3"));
    ProgramRun run = c.Ctl({"calibrate", "cable", "--interval", "0", "--yes"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "written: 12.5\n")) << run.out;
    EXPECT_EQ(c.Count("> 01 28"), 22u);
    EXPECT_EQ(c.Count("< 06"), 3u + 20u + 1u);
    EXPECT_EQ(c.State("cable-compensation"), "12.5");

    ASSERT_EQ(c.Ctl({"set", "input-damping=5"}).status, 0);
    run = c.Ctl({"calibrate", "probe", "--normal", "2826", "--interval", "0", "--yes"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "coefficient: 2\n")) << run.out;
    EXPECT_TRUE(Has(run.out, "written: 2\n")) << run.out;
    EXPECT_EQ(c.State("probe"), "0 2 0 0");
    // Damping 0 for the measurement, 5 again afterwards.
    EXPECT_EQ(c.Count("> 01 44 01 00 BA"), 1u);
    EXPECT_EQ(c.State("input-damping"), "5");

    // No conductance to divide by: nothing written, the damping given back.
    Converter dry(scratch, "b", {"--conductivity", "0"});
    run = dry.Ctl({"calibrate", "probe", "--normal", "1413", "--interval", "0", "--yes"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "the average conductance is not positive; nothing written"))
        << run.err;
    EXPECT_EQ(dry.State("probe"), "0 1 0 0");
    EXPECT_EQ(dry.State("input-damping"), "5");
}

TEST(Zr3ctl, ProbeTableFileOffline) {
    Scratch scratch;
    const std::string table = scratch / "probe.dat";
    ProgramRun run = Ctl({"table", "add", table, "--conductance", "100", "--normal", "141"});
    EXPECT_EQ(run.status, 0) << run.err;
    ASSERT_EQ(Ctl({"table", "add", table, "--conductance", "1000", "--normal", "1413"}).status, 0);
    ASSERT_EQ(Ctl({"table", "add", table, "--conductance", "50", "--normal", "70"}).status, 0);
    EXPECT_EQ(fs::file_size(table), 164u);
    run = Ctl({"table", "show", table});
    EXPECT_EQ(run.out,
              "  #  Normal [uS/cm]  Conduct. [uS]\n"
              "  1      141.00        100.00\n"
              "  2     1413.00       1000.00\n"
              "  3       70.00         50.00\n");
    ASSERT_EQ(Ctl({"table", "delete", table, "3"}).status, 0);
    EXPECT_EQ(Ctl({"table", "delete", table, "3"}).status, 2);

    run = Ctl({"table", "fit", table});
    EXPECT_EQ(run.out, "k0=-0.33333334\nk1=1.4133333\nk2=0\nk3=0\n");
    run = Ctl({"table", "fit", table, "--shift"});
    EXPECT_TRUE(Has(run.out, "k0=0\nk1=1.412970")) << run.out;
    run = Ctl({"table", "fit", table, "--firmware", "1.02"});
    EXPECT_TRUE(Has(run.out, "k0=0\nk1=1.40966")) << run.out;

    const std::string report = scratch / "report.txt";
    ASSERT_EQ(Ctl({"table", "report", table, report}).status, 0);
    std::ifstream in(report, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    const std::string body = text.str();
    EXPECT_EQ(std::count(body.begin(), body.end(), '\n'), 12);
    EXPECT_TRUE(Has(body,
                    "\r\n\r\nConductivity [uS]           Normal [uS/cm]\r\n"
                    " 1.0000000000000000E+002    1.4100000000000000E+002\r\n"));
    EXPECT_TRUE(Has(body, "Coefficiens:\r\n-3.333333433E-01\r\n")) << body;

    // What no probe gives is refused; every number is shown with its magnitude.
    for (const char* g : {"0", "-5", "1000", "1e400", "1,5", ""})
        EXPECT_EQ(Ctl({"table", "add", table, "--conductance", g, "--normal", "1"}).status, 2) << g;
    EXPECT_EQ(Ctl({"table", "add", table, "--conductance", "5", "--normal", "0"}).status, 2);
    run = Ctl({"table", "add", table, "--conductance", "1e16", "--normal", "1e-3"});
    EXPECT_EQ(run.status, 2);
    run = Ctl({"table", "add", table, "--conductance", "1e16", "--normal", "2e15"});
    EXPECT_TRUE(Has(run.out, "  3       2e+15         1e+16\n")) << run.out;
    ASSERT_EQ(Ctl({"table", "delete", table, "3"}).status, 0);
    run = Ctl({"table", "fit", table, "--firmware", ""});
    EXPECT_EQ(run.err, "zr3ctl: --firmware: an empty value\n");

    // A file that is not a probe table is neither shown nor overwritten.
    std::ofstream(scratch / "short.dat") << std::string(100, 'x');
    EXPECT_EQ(
        Ctl({"table", "add", scratch / "short.dat", "--conductance", "1", "--normal", "1"}).status,
        2);
    EXPECT_EQ(fs::file_size(scratch / "short.dat"), 100u);
    EXPECT_EQ(Ctl({"table", "fit", scratch / "none.dat"}).status, 2);
}

TEST(Zr3ctl, ATableThatCannotBeReadIsRefusedNotTakenAsEmpty) {
    Scratch scratch;
    const std::string table = scratch / "probe.dat";
    for (const char* g : {"100", "1000", "50"})
        ASSERT_EQ(Ctl({"table", "add", table, "--conductance", g, "--normal", "1"}).status, 0);
    const std::string points = FileText(table);
    fs::permissions(scratch.dir, fs::perms::owner_all | fs::perms::others_read |
                                     fs::perms::others_exec | fs::perms::others_write);

    // Write-only: neither listed as empty nor replaced by the one new point.
    fs::permissions(table, fs::perms::owner_write | fs::perms::others_write);
    for (const Words& args :
         {Words{"table", "show", table}, Words{"table", "fit", table},
          Words{"table", "add", table, "--conductance", "7", "--normal", "8"}}) {
        const ProgramRun run = CtlUnprivileged(args);
        EXPECT_EQ(run.status, 2) << args[1];
        EXPECT_EQ(run.err, "zr3ctl: cannot read " + table + ": permission denied\n") << args[1];
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(FileText(table), points);

    // Read-only: listed; a change is refused with the reason and the file kept.
    fs::permissions(table, fs::perms::owner_read | fs::perms::others_read);
    ProgramRun run = CtlUnprivileged({"table", "show", table});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_TRUE(Has(run.out, "  3        1.00         50.00\n")) << run.out;
    run = CtlUnprivileged({"table", "delete", table, "1"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "cannot write " + table + ": permission denied")) << run.err;
    EXPECT_EQ(FileText(table), points);

    // The report never replaces its table, also not through a link.
    fs::permissions(table, fs::perms::owner_all);
    fs::create_symlink(table, scratch / "link.dat");
    for (const std::string& onto : {table, scratch / "link.dat"}) {
        run = Ctl({"table", "report", table, onto});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.err, "zr3ctl: the report would replace the table " + table + "\n");
    }
    EXPECT_EQ(FileText(table), points);

    // A count beyond ten slots names what is wrong and keeps the file.
    fs::permissions(table, fs::perms::owner_all);
    std::string eleven = points;
    eleven[0] = 11;
    std::ofstream(table, std::ios::binary) << eleven;
    run = Ctl({"table", "add", table, "--conductance", "7", "--normal", "8"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err,
              "zr3ctl: " + table + " is not a probe table (counts 11 points, more than 10)\n");
    EXPECT_EQ(FileText(table), eleven);
}

TEST(Zr3ctl, OutputThatCannotBeWrittenFails) {
    if (!fs::is_character_file("/dev/full")) GTEST_SKIP() << "no /dev/full";
    Scratch scratch;
    Converter c(scratch, "a");
    const std::string table = scratch / "probe.dat";
    ASSERT_EQ(Ctl({"table", "add", table, "--conductance", "100", "--normal", "141"}).status, 0);
    const std::vector<Words> commands = {
        {"-p", c.Port(), "show", "--json"},
        {"-p", c.Port(), "info"},
        {"-p", c.Port(), "monitor", "--interval", "0"},  // would run for ever
        {"table", "show", table},
        {"table", "fit", table}};
    for (Words args : commands) {
        args.insert(args.begin(), {"-c", "exec \"$0\" \"$@\" >/dev/full", ZR3CTL_PATH});
        const ProgramRun run = RunProgram("/bin/sh", args, 60000);
        EXPECT_EQ(run.status, 1) << args[4];
        // As a --json command's error, {"error": ...}, for show --json.
        EXPECT_TRUE(Has(run.err, args.back() == "--json"
                                     ? "{\"error\":\"cannot write the output: No space "
                                       "left on device\",\"exit\":1}\n"
                                     : "zr3ctl: cannot write the output: No space "
                                       "left on device\n"))
            << args[4] << ": " << run.err;
    }
    EXPECT_EQ(c.Count("> 01 24"), 1u) << "monitor ends at its first line";
}

TEST(Zr3ctl, PortsAndHelp) {
    ProgramRun run = Ctl({"ports"});
    EXPECT_EQ(run.status, 0) << run.err;
    run = Ctl({"set", "--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(Has(run.out, "relay-close-delay")) << run.out;
    EXPECT_EQ(Ctl({}).status, 2);
}

namespace {

// Runs zr3ctl, sends it the signal once the converter has answered a first reading, and returns
// its exit status.
int StatusAfterSignal(Converter& c, Words args, int signal) {
    args.insert(args.begin(), {ZR3CTL_PATH, "-p", c.PortName()});
    const size_t answered = c.Count("< 06");
    const pid_t child = fork();
    if (child == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        std::vector<char*> argv;
        for (std::string& word : args)
            argv.push_back(word.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    for (int i = 0; i < 1000 && c.Count("< 06") < answered + 4; ++i)
        usleep(10000);
    kill(child, signal);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
}

Json Parsed(const ProgramRun& run) {
    EXPECT_EQ(run.status, 0) << run.err;
    return Json::parse(run.out, nullptr, false);
}

std::vector<Json> LogLines(const std::string& path, size_t& unreadable) {
    std::ifstream in(path);
    std::vector<Json> lines;
    unreadable = 0;
    for (std::string line; std::getline(in, line);) {
        const Json parsed = Json::parse(line, nullptr, false);
        if (parsed.is_discarded())
            ++unreadable;
        else
            lines.push_back(parsed);
    }
    return lines;
}

// The requests that carry data: the writes.
size_t Writes(Converter& c) {
    size_t n = 0;
    for (const std::string& frame : c.Frames())
        n += frame.rfind("> ", 0) == 0 && frame.substr(8, 2) != "00";
    return n;
}

}  // namespace

TEST(Zr3ctl, FindingOnesWay) {
    ProgramRun run = Ctl({"--version"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out.rfind("zr3ctl ", 0), 0u) << run.out;
    EXPECT_EQ(Ctl({"-V"}).out, run.out);
    EXPECT_EQ(Ctl({"help", "set"}).out, Ctl({"set", "--help"}).out);
    EXPECT_TRUE(Has(Ctl({"help", "set"}).out, "Ni1000 (6180)"));
    EXPECT_TRUE(Has(Ctl({"help", "set"}).out, "relay-open-delay   converter's unit 0 .. 65535"));

    run = Ctl({"shwo"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "zr3ctl: unknown command 'shwo'; did you mean 'show'?")) << run.err;
    run = Ctl({"table", "shw", "x.dat"});
    EXPECT_TRUE(Has(run.err, "zr3ctl: unknown command 'shw'; did you mean 'show'?")) << run.err;
    run = Ctl({"set", "sensor=ni1000"});
    EXPECT_EQ(run.status, 2);
    EXPECT_TRUE(Has(run.err, "\"Ni1000 (5000)\" or \"Ni1000 (6180)\"")) << run.err;
    run = Ctl({"set", "--bogus"});
    EXPECT_EQ(run.err.rfind("zr3ctl: ", 0), 0u) << run.err;

    // The port after the command, or from the environment; --json errors are JSON.
    Scratch scratch;
    Converter c(scratch, "a", {"--serial", "5150", "--firmware", "1.01"});
    EXPECT_EQ(Ctl({"info", "-p", c.PortName()}).status, 0);
    setenv("ZR3_PORT", c.PortName().c_str(), 1);
    EXPECT_TRUE(Has(Ctl({"info"}).out, "5150"));
    unsetenv("ZR3_PORT");
    run = Ctl({"info", "--json"});
    EXPECT_EQ(run.status, 2);
    const Json error = Json::parse(run.err, nullptr, false);
    EXPECT_EQ(error["exit"], 2) << run.err;
    EXPECT_TRUE(Has(error["error"].get<std::string>(), "ZR3_PORT"));

    // Firmware 1.01 has no k0: show leaves it out, JSON gives null.
    EXPECT_FALSE(Has(c.Ctl({"show"}).out, "k0 "));
    EXPECT_TRUE(c.ShowJson()["settings"]["k0"].is_null());
    EXPECT_EQ(c.ShowJson()["converter"]["output-code"], 0);
}

TEST(Zr3ctl, ScriptsReadJsonFromEveryDataCommand) {
    Scratch scratch;
    Converter c(scratch, "a", {"--cable-capacity", "12.5"});
    EXPECT_TRUE(Parsed(Ctl({"ports", "--json"})).is_array());

    Json set = Parsed(c.Ctl({"set", "input-damping=7", "coefficient=2.1", "--json"}));
    ASSERT_EQ(set["settings"].size(), 2u) << set.dump();
    EXPECT_EQ(set["settings"][0]["name"], "input-damping");
    EXPECT_EQ(set["settings"][0]["asked"], 7);
    EXPECT_EQ(set["settings"][0]["answered"], 7);
    EXPECT_EQ(set["settings"][1]["answered"], 2.1);
    EXPECT_EQ(c.State("input-damping"), "7");

    // backup to stdout, restore from stdin.
    ProgramRun run = c.Ctl({"backup", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Json backup = Json::parse(run.out, nullptr, false);
    EXPECT_EQ(backup["settings"]["input-damping"], 7);
    ASSERT_EQ(c.Ctl({"set", "input-damping=3"}).status, 0);
    std::ofstream(scratch / "a.json") << run.out;
    Json plan = Parsed(c.Ctl({"restore", scratch / "a.json", "--dry-run", "--json"}));
    EXPECT_EQ(plan["dry-run"], true);
    ASSERT_EQ(plan["plan"].size(), 1u);
    EXPECT_EQ(plan["plan"][0], Json({{"name", "input-damping"}, {"from", 3}, {"to", 7}}));
    EXPECT_EQ(c.State("input-damping"), "3");
    Json restored = Parsed(c.Ctl({"restore", scratch / "a.json", "--json"}));
    ASSERT_EQ(restored["outcomes"].size(), 1u);
    EXPECT_EQ(restored["outcomes"][0]["ok"], true);
    EXPECT_EQ(restored["outcomes"][0]["answered"], 7);
    EXPECT_EQ(c.State("input-damping"), "7");

    run = c.Ctl({"monitor", "--count", "2", "--interval", "0", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::istringstream lines(run.out);
    int rows = 0;
    for (std::string line; std::getline(lines, line); ++rows) {
        const Json row = Json::parse(line, nullptr, false);
        EXPECT_EQ(row["time"].get<std::string>().size(), 25u) << line;
        EXPECT_EQ(row["resistance"], 109.7) << line;
        EXPECT_EQ(row["status"], "ok");
    }
    EXPECT_EQ(rows, 2);

    Json cable = Parsed(c.Ctl({"calibrate", "cable", "--interval", "0", "--yes", "--json"}));
    EXPECT_EQ(cable["samples"].size(), 20u) << cable.dump();
    EXPECT_EQ(cable["measured"], 12.5);
    EXPECT_EQ(cable["written"], 12.5);

    const std::string table = scratch / "p.dat";
    ASSERT_EQ(Ctl({"table", "add", table, "--conductance", "1000", "--normal", "1413"}).status, 0);
    Json points = Parsed(Ctl({"table", "show", table, "--json"}));
    EXPECT_EQ(points["points"][0]["normal"], 1413.0);
    EXPECT_EQ(points["points"][0]["conductance"], 1000.0);
    Json fit = Parsed(Ctl({"table", "fit", table, "--json"}));
    EXPECT_EQ(fit["k1"], 1.413);
    run = Ctl({"table", "report", table, "-"});
    EXPECT_TRUE(Has(run.out, "Coefficiens:")) << run.out;
}

TEST(Zr3ctl, ASpoiledAnswerIsRetriedAndItsCauseNamed) {
    Scratch scratch;
    Converter c(scratch, "a");
    ASSERT_TRUE(c.Control("fault checksum next 1"));
    ProgramRun run = c.Ctl({"info", "--verbose"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(c.Count("> 01 21 00 DE"), 2u) << "the identity asked again";
    // Every frame on stderr with a time stamp: the request twice, the spoiled answer once.
    EXPECT_TRUE(Has(run.err, "+00:00 > 01 21 00 DE\n") || Has(run.err, " > 01 21 00 DE\n"));
    EXPECT_TRUE(Has(run.err, " < 06 08 5A 52 33")) << run.err;

    ASSERT_TRUE(c.Control("fault nak on 44 next 1"));
    EXPECT_EQ(c.Ctl({"set", "input-damping=9"}).status, 0);
    EXPECT_EQ(c.State("input-damping"), "9");

    // Without retries the cause is named.
    ASSERT_TRUE(c.Control("fault checksum next 1"));
    run = c.Ctl({"info", "--retries", "0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "(bad checksum)")) << run.err;
    ASSERT_TRUE(c.Control("fault length on 44 next 2"));
    run = c.Ctl({"set", "input-damping=4"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "input-damping: answer of the wrong length")) << run.err;
    ASSERT_TRUE(c.Control("fault clear"));
    EXPECT_EQ(c.Ctl({"show", "--quiet"}).err, "");
}

TEST(Zr3ctl, AnInterruptedMonitorEndsWithTheSignalsStatus) {
    Scratch scratch;
    Converter c(scratch, "a");
    EXPECT_EQ(StatusAfterSignal(c, {"monitor", "--interval", "0.05"}, SIGINT), 130);
    EXPECT_EQ(StatusAfterSignal(c, {"monitor", "--interval", "0.05"}, SIGTERM), 143);
    EXPECT_EQ(StatusAfterSignal(c, {"monitor", "--interval", "0.05"}, SIGHUP), 129);
}

TEST(Zr3ctl, FourProcessesAppendToOneLog) {
    Scratch scratch;
    const std::string log = scratch / "commissioning.log";
    // A line cut by a crash: the lines after it stay readable.
    std::ofstream(log, std::ios::binary) << R"({"time": "2026-12-10T10:00:00+00:00", "us)";
    std::vector<std::unique_ptr<Converter>> converters;
    for (int i = 0; i < 4; ++i) {
        converters.push_back(std::make_unique<Converter>(
            scratch, "c" + std::to_string(i), Words{"--serial", std::to_string(3000 + i)}));
    }
    std::vector<std::thread> runs;
    std::vector<ProgramRun> results(4);
    for (int i = 0; i < 4; ++i) {
        runs.emplace_back([&, i] {
            results[i] = converters[i]->Ctl(
                {"--log", log, "set", "input-damping=" + std::to_string(i + 1), "range-start=1.5",
                 "range-end=250", "temp-damping=3", "relay-close=20", "cable=2.5"});
        });
    }
    for (auto& run : runs)
        run.join();
    for (const ProgramRun& run : results)
        EXPECT_EQ(run.status, 0) << run.err;

    size_t unreadable = 0;
    const std::vector<Json> lines = LogLines(log, unreadable);
    EXPECT_EQ(unreadable, 1u) << "only the cut line";
    // Per process: the values before, six writes and the end.
    ASSERT_EQ(lines.size(), 4u * 8u);
    std::map<int, Words> steps;
    for (const Json& line : lines) {
        EXPECT_EQ(line["converter"]["identity"], "ZR3");
        EXPECT_TRUE(Has(line["command"].get<std::string>(), " set input-damping=")) << line;
        steps[line["converter"]["serial-number"].get<int>()].push_back(line["step"]);
    }
    const Words expected = {"before", "write", "write", "write", "write", "write", "write", "end"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(steps[3000 + i], expected) << i;
    const Json& first = lines.front();
    // 2026-12-10T14:05:09+01:00
    const std::string time = first["time"];
    EXPECT_EQ(time.size(), 25u) << time;
    EXPECT_EQ(time.substr(4, 1) + time.substr(10, 1) + time.substr(13, 1) + time.substr(22, 1),
              "-T::")
        << time;
    EXPECT_TRUE(time[19] == '+' || time[19] == '-') << time;
    EXPECT_FALSE(first["user"].get<std::string>().empty());
    EXPECT_FALSE(first["host"].get<std::string>().empty());
    for (const Json& line : lines) {
        if (line["step"] != "write" || line["settings"][0]["setting"] != "input-damping") continue;
        const Json& entry = line["settings"][0];
        EXPECT_EQ(entry["before"], 5);
        EXPECT_EQ(entry["asked"], entry["read-back"]);
        EXPECT_EQ(entry["outcome"], "written");
    }
    EXPECT_EQ(converters[2]->State("input-damping"), "3");
}

TEST(Zr3ctl, ALogThatCannotBeWrittenChangesNothing) {
    Scratch scratch;
    Converter c(scratch, "a");
    const Json before = c.ShowJson();
    const size_t frames = c.Frames().size();
    // A folder cannot be opened as the log: not a byte goes to the converter.
    ProgramRun run = c.Ctl({"--log", scratch.dir.string(), "set", "input-damping=9"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "cannot open the log")) << run.err;
    EXPECT_EQ(c.Frames().size(), frames);
    // ZR3_LOG names the log when --log is absent; /dev/full takes no line, so nothing is
    // written.
    for (const Words& args :
         {Words{"set", "input-damping=9", "sensor=Pt1000"}, Words{"restore", scratch / "a.json"}}) {
        if (args[0] == "restore") {
            ASSERT_EQ(c.Ctl({"set", "input-damping=9"}).status, 0);
            ASSERT_EQ(c.Ctl({"backup", scratch / "a.json"}).status, 0);
            ASSERT_EQ(c.Ctl({"set", "input-damping=5"}).status, 0);
        }
        const size_t writes = Writes(c);
        run = c.CtlWith({"ZR3_LOG=/dev/full"}, args);
        EXPECT_EQ(run.status, 1) << args[0];
        EXPECT_TRUE(Has(run.err, "cannot be written")) << run.err;
        EXPECT_EQ(Writes(c), writes) << args[0];
        EXPECT_EQ(c.ShowJson(), before) << args[0];
    }
}

TEST(Zr3ctl, RestoreRollsBackAWriteFailingHalfWay) {
    Scratch scratch;
    Converter a(scratch, "a");
    Converter b(scratch, "b");
    ASSERT_EQ(a.Ctl({"set", "input-damping=9", "range-start=3", "sensor=pt1000", "temp-damping=4",
                     "ref-temp=20"})
                  .status,
              0);
    ASSERT_EQ(a.Ctl({"backup", scratch / "a.json"}).status, 0);
    ProgramRun run = b.Ctl({"restore", scratch / "a.json", "--dry-run"});
    EXPECT_EQ(run.out,
              "input-damping: 5 -> 9\nrange-start: 0 -> 3\nsensor: Pt100 (3850) -> Pt1000 "
              "(3850)\ntemp-damping: 5 -> 4\nref-temp: 25 -> 20\n");
    const std::string before = b.Ctl({"show", "--json"}).out;

    // The write of temp-damping (its second request, after the read) takes but is not answered.
    ASSERT_TRUE(b.Control("fault silence on 43 next 1 after 1"));
    const std::string log = scratch / "restore.log";
    run = b.Ctl({"--log", log, "restore", scratch / "a.json", "--save-before", scratch / "b.json",
                 "--retries", "0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, "writing temp-damping: no answer")) << run.err;
    EXPECT_TRUE(Has(run.err, "rolled back: temp-damping, sensor, range-start, input-damping\n"))
        << run.err;
    EXPECT_TRUE(Has(run.err, "the converter equals its state before the restore")) << run.err;
    EXPECT_EQ(b.Ctl({"show", "--json"}).out, before);
    // The sensor went back through the guarded change: committed, measured with Pt100 again.
    EXPECT_TRUE(Has(b.State("applied"), " 2.3577354 ")) << b.State("applied");
    EXPECT_EQ(b.Count("> 01 2C 01 00 D2"), 2u) << "Pt1000 committed, then Pt100";
    EXPECT_EQ(b.Count("> 01 3F 04"), 0u) << "ref-temp was never written";

    size_t unreadable = 0;
    const std::vector<Json> lines = LogLines(log, unreadable);
    EXPECT_EQ(unreadable, 0u);
    Words steps;
    for (const Json& line : lines)
        steps.push_back(line["step"]);
    EXPECT_EQ(steps, (Words{"before", "write", "write", "write", "write", "rollback", "rollback",
                            "rollback", "rollback", "end"}));
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[0]["settings"].size(), 17u) << "every setting of the file, before";
    EXPECT_EQ(lines[4]["settings"][0]["outcome"], "failed");
    EXPECT_EQ(lines[4]["settings"][0]["cause"], "temp-damping: no answer");
    EXPECT_EQ(lines[5]["settings"][0]["setting"], "temp-damping");
    EXPECT_TRUE(lines[5]["settings"][0]["before"].is_null()) << "not answered: not known";
    EXPECT_EQ(lines[5]["settings"][0]["read-back"], 5);
    EXPECT_EQ(lines[5]["settings"][0]["outcome"], "rolled back");
    EXPECT_EQ(lines[6]["settings"][0]["before"], "Pt1000 (3850)");
    EXPECT_EQ(lines[6]["settings"][0]["read-back"], "Pt100 (3850)");
    EXPECT_EQ(lines[9]["equals-before"], true);

    // The state before, saved as a backup, is what the converter holds again.
    run = b.Ctl({"verify", scratch / "b.json"});
    EXPECT_EQ(run.status, 0) << run.out << run.err;
}

TEST(Zr3ctl, VerifyListsEachDifference) {
    Scratch scratch;
    Converter c(scratch, "a", {"--serial", "5150"});
    ASSERT_EQ(c.Ctl({"backup", scratch / "c.json"}).status, 0);
    ProgramRun run = c.Ctl({"verify", scratch / "c.json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "the converter 5150 equals " + scratch / "c.json" + "\n");

    ASSERT_EQ(c.Ctl({"set", "input-damping=7", "sensor=Ni1000 (6180)", "coefficient=2.5"}).status,
              0);
    const size_t writes = Writes(c);
    run = c.Ctl({"verify", scratch / "c.json"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out,
              "input-damping: file 5, converter 7\n"
              "sensor: file Pt100 (3850), converter Ni1000 (6180)\n"
              "coefficient: file 2, converter 2.5\n");
    run = c.Ctl({"verify", scratch / "c.json", "--json"});
    EXPECT_EQ(run.status, 1);
    const Json shown = Json::parse(run.out, nullptr, false);
    EXPECT_EQ(shown["equal"], false);
    const Json sensor = {
        {"setting", "sensor"}, {"file", "Pt100 (3850)"}, {"converter", "Ni1000 (6180)"}};
    EXPECT_EQ(shown["differences"][1], sensor);
    EXPECT_EQ(Writes(c), writes) << "verify only reads";
    EXPECT_EQ(c.Ctl({"verify", scratch / "none.json"}).status, 2);
}

TEST(Zr3ctl, ASignalDuringAProbeCalibrationGivesTheDampingBack) {
    Scratch scratch;
    Converter c(scratch, "a");
    for (const int signal : {SIGHUP, SIGQUIT}) {
        ASSERT_EQ(c.State("input-damping"), "5");
        BackgroundProgram calibration;
        ASSERT_TRUE(
            calibration.Start(ZR3CTL_PATH, {"-p", c.PortName(), "calibrate", "probe", "--normal",
                                            "1413", "--yes", "--interval", "0.5"}));
        WaitUntil([&] { return c.State("input-damping") == "0"; });
        ASSERT_EQ(c.State("input-damping"), "0");
        calibration.Signal(signal);
        const ProgramRun run = calibration.Finish(20000);
        EXPECT_EQ(run.status, 128 + signal) << run.err;
        EXPECT_TRUE(Has(run.err, "interrupted; nothing written")) << run.err;
        EXPECT_EQ(c.State("input-damping"), "5");
        EXPECT_EQ(c.State("probe"), "0 1 0 0");
    }
}

TEST(Zr3ctl, OnlyASerialPortAndOnlyOneUserOfIt) {
    // A file given as the port is left exactly as it was.
    const std::string file = "/tmp/y" + std::to_string(getpid() % 100000);
    const std::string content = "keep these bytes\n" + std::string(40, '\x01');
    std::ofstream(file, std::ios::binary) << content;
    for (const std::string& path : {file, std::string("/dev/null")}) {
        const ProgramRun run = Ctl({"-p", path, "info"});
        EXPECT_EQ(run.status, 2) << path;
        EXPECT_TRUE(Has(run.err, path + " is not a serial port")) << run.err;
    }
    std::ifstream in(file, std::ios::binary);
    std::stringstream after;
    after << in.rdbuf();
    EXPECT_EQ(after.str(), content);
    fs::remove(file);

    // A second program is refused while the first one holds the port, and takes it afterwards.
    Scratch scratch;
    Converter c(scratch, "a");
    BackgroundProgram monitor;
    ASSERT_TRUE(monitor.Start(ZR3CTL_PATH, {"-p", c.PortName(), "monitor", "--interval", "0.05"}));
    WaitUntil([&] { return c.Count("> 01 24") > 0; });
    ProgramRun run = c.Ctl({"info"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err, c.PortName() + " is in use")) << run.err;
    monitor.Signal(SIGTERM);
    monitor.Finish(20000);
    run = c.Ctl({"info"});
    EXPECT_EQ(run.status, 0) << run.err;
}

TEST(Zr3ctl, ASensorChangeWithALostAnswerIsUndoneAndRestoredNextTime) {
    Scratch scratch;
    Converter a(scratch, "a");
    Converter b(scratch, "b");
    ASSERT_EQ(a.Ctl({"set", "sensor=pt1000"}).status, 0);
    ASSERT_EQ(a.Ctl({"backup", scratch / "a.json"}).status, 0);

    // The table's write takes, its answer is lost (the first 0x3C answer is the restore's
    // read); without retries the step fails for good.
    ASSERT_TRUE(b.Control("fault silence on 3C next 1 after 1"));
    ProgramRun run = b.Ctl({"restore", scratch / "a.json", "--retries", "0"});
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(Has(run.err,
                    "zr3ctl: The sensor was not changed: no answer to the table. The converter "
                    "measures with Pt100 (3850) as before.\n"))
        << run.err;
    EXPECT_FALSE(Has(run.err, "not committed")) << run.err;
    // The way back wrote Pt100 again: the converter reads and measures with Pt100.
    EXPECT_TRUE(Has(b.State("sensor"), " 2.3577354 ")) << b.State("sensor");
    EXPECT_TRUE(Has(b.State("applied"), " 2.3577354 ")) << b.State("applied");

    run = b.Ctl({"restore", scratch / "a.json"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "sensor: Pt100 (3850) -> Pt1000 (3850)\n");
    EXPECT_TRUE(Has(b.State("applied"), " 0.23577355 ")) << b.State("applied");
}

TEST(Zr3ctl, ASignalDuringSetEndsBetweenTwoWrites) {
    Scratch scratch;
    Converter c(scratch, "a");
    // The upper limit's answer comes slowly, so that the signal arrives within the sequence.
    ASSERT_TRUE(c.Control("fault slow 150 on 3A next 1"));
    BackgroundProgram set;
    ASSERT_TRUE(set.Start(ZR3CTL_PATH, {"-p", c.PortName(), "set", "sensor=pt1000",
                                        "input-damping=9", "range-start=3"}));
    WaitUntil([&] { return c.Count("> 01 3A") > 0; });
    set.Signal(SIGINT);
    const ProgramRun run = set.Finish(30000);
    EXPECT_EQ(run.status, 130) << run.err;
    EXPECT_EQ(run.out, "sensor=Pt1000 (3850)\n");
    EXPECT_TRUE(Has(run.err,
                    "zr3ctl: interrupted; written: sensor; not written: input-damping, "
                    "range-start\n"))
        << run.err;
    // The sequence was completed and committed; nothing after it was written.
    EXPECT_TRUE(Has(c.State("applied"), " 0.23577355 ")) << c.State("applied");
    EXPECT_EQ(c.Count("> 01 2C 01 00 D2"), 1u);
    EXPECT_EQ(c.State("input-damping"), "5");
}

TEST(Zr3ctl, CalibrationRecordsAndLog) {
    Scratch scratch;
    Converter c(scratch, "a",
                {"--cable-capacity", "12.5", "--conductivity", "1413", "--serial", "6060"});
    const std::string log = scratch / "calibration.log";
    ProgramRun run = c.Ctl({"--log", log, "calibrate", "probe", "--normal", "2826", "--interval",
                            "0", "--yes", "--record", scratch / "probe.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream in(scratch / "probe.json");
    const Json probe = Json::parse(in, nullptr, false);
    EXPECT_EQ(probe["kind"], "probe");
    EXPECT_EQ(probe["converter"]["serial-number"], 6060);
    EXPECT_EQ(probe["normal"], 2826);
    EXPECT_EQ(probe["samples"], Json(std::vector<double>(20, 1413.0)));
    EXPECT_EQ(probe["mean"], 1413);
    EXPECT_EQ(probe["standard-deviation"], 0);
    EXPECT_EQ(probe["after"], Json::parse(R"({"k0": 0, "k1": 2, "k2": 0, "k3": 0})"));
    EXPECT_EQ(probe["written"], true);
    EXPECT_EQ(probe["before"]["k1"], 1) << "the simulator's K1 before";

    size_t unreadable = 0;
    const std::vector<Json> lines = LogLines(log, unreadable);
    Words steps;
    for (const Json& line : lines)
        steps.push_back(line["step"]);
    EXPECT_EQ(steps, (Words{"before", "temporary", "write", "end"}));
    ASSERT_EQ(lines.size(), 4u);
    // The damping went to 0 for the measurement and back to 5.
    EXPECT_EQ(lines[1]["settings"][0]["read-back"], 5);
    EXPECT_EQ(lines[1]["settings"][0]["outcome"], "rolled back");
    EXPECT_EQ(lines[2]["settings"][1]["read-back"], 2);
    EXPECT_EQ(lines[2]["mean"], 1413);

    run = c.Ctl(
        {"calibrate", "cable", "--interval", "0", "--yes", "--record", scratch / "cable.json"});
    ASSERT_EQ(run.status, 0) << run.err;
    std::ifstream cableIn(scratch / "cable.json");
    const Json cable = Json::parse(cableIn, nullptr, false);
    EXPECT_EQ(cable["samples"].size(), 20u);
    EXPECT_EQ(cable["mean"], 12.5);
    EXPECT_EQ(cable["after"]["cable"], 12.5);
    EXPECT_EQ(c.State("cable-compensation"), "12.5");

    // With -p the table's record names the converter and the coefficients it holds.
    const std::string table = scratch / "probe.dat";
    ASSERT_EQ(Ctl({"table", "add", table, "--conductance", "100", "--normal", "141"}).status, 0);
    run = c.Ctl({"table", "report", table, "--json", "-"});
    ASSERT_EQ(run.status, 0) << run.err;
    const Json report = Json::parse(run.out, nullptr, false);
    EXPECT_EQ(report["converter"]["serial-number"], 6060);
    EXPECT_EQ(report["converter"]["coefficients"]["k1"], 2);
    EXPECT_EQ(report["coefficients"]["k1"], 1.41);
    EXPECT_NEAR(report["points"][0]["residual"].get<double>(), 0.0, 1e-4) << "K1 as a float";
}
