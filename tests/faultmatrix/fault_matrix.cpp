#include "tests/faultmatrix/fault_matrix.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/driver/check_log.h"

namespace {

using Clock = std::chrono::steady_clock;

// Codes on the line.
constexpr uint8_t CodeCommitSensor = 0x2C;
constexpr uint8_t CodeResistance = 0x24;
constexpr uint8_t CodeCableCapacity = 0x28;
constexpr uint8_t CodeConductance = 0x29;

constexpr int SelectBoundMs = 15000;
constexpr int QuietBoundMs = 10000;
constexpr int MeasurementBoundMs = 45000;
constexpr int SamplesPerMeasurement = 20;

const char CommunicationError[] = "Communication error";

// A number shown with exactly `decimals` decimals and within [low, high].
bool IsFixedWithin(const std::string& text, int decimals, double low, double high) {
    if (!IsFixed(text, decimals)) return false;
    double value = 0.0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    return result.ec == std::errc() && result.ptr == text.data() + text.size() && value >= low &&
           value <= high;
}

std::string Joined(const std::vector<std::string>& parts, const std::string& separator = ", ") {
    std::string text;
    for (const auto& part : parts) {
        if (!text.empty()) text += separator;
        text += part;
    }
    return text;
}

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::vector<std::string> Requests(const std::vector<TraceFrame>& frames) {
    std::vector<std::string> requests;
    for (const auto& frame : frames)
        if (frame.IsRequest()) requests.push_back(frame.Hex());
    return requests;
}

std::vector<std::string> Writes(const std::vector<TraceFrame>& frames) {
    std::vector<std::string> writes;
    for (const auto& frame : frames)
        if (frame.IsWrite()) writes.push_back(frame.Hex());
    return writes;
}

size_t CountRequests(const std::vector<TraceFrame>& frames, uint8_t code) {
    return static_cast<size_t>(std::count_if(frames.begin(), frames.end(), [&](const auto& f) {
        return f.IsRequest() && f.Code() == code;
    }));
}

// How two "show" listings differ beyond the expected changes: lines that are new ("now"), gone
// ("was") or expected and missing ("expected").
std::vector<std::string> StateDifferences(const std::vector<std::string>& before,
                                          const std::vector<std::string>& after,
                                          const std::vector<std::string>& expectedChanges = {}) {
    std::vector<std::string> differences;
    std::vector<std::string> expected = expectedChanges;
    for (const auto& line : after) {
        if (std::find(before.begin(), before.end(), line) != before.end()) continue;
        auto hit = std::find(expected.begin(), expected.end(), line);
        if (hit != expected.end()) {
            expected.erase(hit);
            continue;
        }
        differences.push_back("now " + Quoted(line));
    }
    for (const auto& line : expected)
        differences.push_back("expected " + Quoted(line));
    for (const auto& line : before) {
        if (std::find(after.begin(), after.end(), line) != after.end()) continue;
        const std::string key = line.substr(0, line.find(' '));
        bool replaced = std::any_of(expectedChanges.begin(), expectedChanges.end(),
                                    [&](const auto& e) { return e.rfind(key + " ", 0) == 0; });
        if (!replaced) differences.push_back("was " + Quoted(line));
    }
    return differences;
}

// The probe table's data file (ZR3_FM_DATAFILE, a Unix path), whole; empty when there is none.
std::string ProbeTableFile() {
    const char* path = std::getenv("ZR3_FM_DATAFILE");
    if (path == nullptr || path[0] != '/') return "";
    std::ifstream file(WinePath(path), std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string HexOf(const std::string& bytes, size_t offset, size_t count) {
    TraceFrame frame;
    for (size_t i = offset; i < offset + count && i < bytes.size(); ++i)
        frame.bytes.push_back(static_cast<uint8_t>(bytes[i]));
    return frame.Hex();
}

bool WaitForWrites(const SimulatorChannel& sim, size_t mark, size_t count, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Writes(sim.Since(mark)).size() < count) {
        if (Clock::now() > end) return false;
        Pause(50);
    }
    sim.WaitQuiet(QuietBoundMs);
    return true;
}

}  // namespace

// One kind of dialog as the cells drive it.
struct DialogKind {
    const char* place;
    const char* caption;
    int button;
    int markerId;             // an item that tells this dialog from one with the same caption
    const char* markerClass;  // and its window class
    int firstField;           // where "Communication error" goes
    bool withControlKey;      // opened with Ctrl held
    int mainExchangesBefore;  // the main window's own exchanges before the dialog's first read
    bool dampingAround;       // the main window sets the input damping to 0 around it
    std::vector<int> emptyWhenOffline;
    std::vector<int> disabledWhenOffline;
    std::vector<std::pair<int, std::string>> cleanTexts;  // exact texts on a clean line
    int cleanNumberField;  // a live number with 2 decimals on a clean line, or 0
};

namespace {

const DialogKind RelayDialogKind{
    "relay",
    "Relay",
    RelayButtonId,
    105,
    "Edit",
    101,
    false,
    0,
    false,
    {102, 103, 104, 105},
    {},
    {{101, "Relay 1"}, {102, "100.0"}, {103, "5"}, {104, "90.0"}, {105, "5"}},
    0};
const DialogKind CableDialogKind{"cable compensation",
                                 "Cable compensation",
                                 CableButtonId,
                                 CableStartId,
                                 "Button",
                                 CableCapacityId,
                                 false,
                                 0,
                                 false,
                                 {},
                                 {CableStartId},
                                 {{CableCapacityId, "1.250000000E+01"}},
                                 0};
const DialogKind ProbeDialogKind{"probe calibration",
                                 "Probe calibration",
                                 ProbeButtonId,
                                 ProbeNormalId,
                                 "Edit",
                                 ProbeConductanceId,
                                 false,
                                 1,
                                 true,
                                 {ProbeCoefficientId},
                                 {ProbeStartId, 108, ProbeCoefficientId},
                                 {{ProbeCoefficientId, "1.0000"}},
                                 ProbeConductanceId};
const DialogKind TableDialogKind{"probe table",
                                 "Probe calibration",
                                 ProbeButtonId,
                                 TableListId,
                                 "ListBox",
                                 TableConductanceId,
                                 true,
                                 1,
                                 true,
                                 {},
                                 {TableStartId, 114},
                                 {{TableK1Id, "1.000000000E+00"}},
                                 TableConductanceId};

const DialogKind* const DialogKinds[] = {&RelayDialogKind, &CableDialogKind, &ProbeDialogKind,
                                         &TableDialogKind};

const char ConnectPlace[] = "connect";
const char PollingPlace[] = "polling";
const char CableMeasuringPlace[] = "measuring: cable compensation";
const char ProbeMeasuringPlace[] = "measuring: probe calibration";
const char TableMeasuringPlace[] = "measuring: probe table";
const char SensorWritePlace[] = "sensor write";

// Rows that are no spoiled answer.
const LineFault CloseRequest{
    "close request", "",
    "WM_CLOSE posted to the main window while the dialog runs (what \"End task\" and the "
    "taskbar's \"Close window\" send); the tool is started again afterwards",
    false};
const LineFault UnwritableDataFile{
    "data file unwritable", "",
    "the probe table's data file made read-only while the dialog runs, writable again before "
    "Retry; meanwhile two close requests (WM_CLOSE) to the main window under the Retry / Cancel "
    "box",
    false};

// The steps of a sensor write, in the order the tool sends them, the commit last.
const uint8_t SensorSteps[] = {0x39, 0x3A, 0x3C, 0x3B, 0x32, CodeCommitSensor};

// The main window's caption, which its message boxes carry too.
const char MainCaption[] = "ZR3 config";

// The line of a "show" listing that starts with `key`, without the key; "" when there is none.
std::string StateLine(const std::vector<std::string>& state, const std::string& key) {
    for (const auto& line : state)
        if (line.rfind(key + " ", 0) == 0) return line.substr(key.size() + 1);
    return "";
}

// The sensor the converter measures with (its "applied" line without the count of commits).
std::string AppliedSensor(const std::vector<std::string>& state) {
    const std::string applied = StateLine(state, "applied");
    return applied.substr(0, applied.rfind(" commits "));
}

// The codes of the writes among the frames, as two hex digits each.
std::vector<std::string> WrittenCodes(const std::vector<TraceFrame>& frames) {
    std::vector<std::string> codes;
    for (const auto& frame : frames) {
        if (!frame.IsWrite()) continue;
        char code[3];
        std::snprintf(code, sizeof code, "%02X", frame.Code());
        codes.push_back(code);
    }
    return codes;
}

// The point measured in 1413 uS/cm is the data file's point `index`, the last one.
void ExpectPointStored(CellRun& run, size_t index);

// The one fault each measuring dialog gets during its 20 samples.
struct MeasuringFault {
    const char* place;
    const char* fault;
};
const MeasuringFault MeasuringFaults[] = {
    {CableMeasuringPlace, "garbage"},
    {ProbeMeasuringPlace, "slow bytes"},
    {TableMeasuringPlace, "long-length header"},
};

// The damping writes around a probe calibration dialog: 0 before, 5 (the converter's) after.
const char DampingZeroWrite[] = "01 44 01 00 BA";
const char DampingRestoreWrite[] = "01 44 01 05 B5";

}  // namespace

// The checks of one cell, and what it found.
class CellRun {
  public:
    CellRun(ToolSession& tool, const std::string& fault, const std::string& place,
            double temperature)
        : tool(tool), started(Clock::now()), temperature(temperature) {
        result.fault = fault;
        result.place = place;
        tool.ResetLatency();
    }

    // Records `what` as checked and, when it did not hold, why.
    bool Check(bool ok, const std::string& what, const std::string& detail = "") {
        if (std::find(result.checks.begin(), result.checks.end(), what) == result.checks.end())
            result.checks.push_back(what);
        if (!ok) {
            result.failures.push_back(detail.empty() ? what : what + ": " + detail);
            Say("    FAIL " + result.failures.back());
        }
        return ok;
    }

    void Note(const std::string& note) {
        result.notes.push_back(note);
        Say("    note " + note);
    }

    void ExpectAnswering() {
        const bool alive = tool.Alive();
        Check(alive && tool.Responds(), "the tool runs and its window answers within 2 s",
              alive ? "no answer to WM_GETTEXT" : "the tool has ended");
    }

    void ExpectNoWrites(const std::vector<TraceFrame>& frames, const std::string& what) {
        const auto writes = Writes(frames);
        Check(writes.empty(), what, "written: " + Joined(writes, "; "));
    }

    void ExpectWrites(const std::vector<TraceFrame>& frames,
                      const std::vector<std::string>& expected, const std::string& what) {
        const auto writes = Writes(frames);
        Check(writes == expected, what,
              "written: [" + Joined(writes, "; ") + "], expected [" + Joined(expected, "; ") + "]");
    }

    void ExpectStored(const std::vector<std::string>& before, const std::vector<std::string>& after,
                      const std::vector<std::string>& changes, const std::string& what) {
        const auto differences = StateDifferences(before, after, changes);
        Check(differences.empty(), what, Joined(differences, "; "));
    }

    std::string TemperatureText() const { return Fixed(temperature, 1); }

    // The five live values as a sound poll shows them at the cell's temperature.
    std::string LiveMismatch(const MainView& live) const {
        std::vector<std::string> wrong;
        if (live.Get("temperature") != TemperatureText())
            wrong.push_back("temperature " + Quoted(live.Get("temperature")));
        if (!IsFixedWithin(live.Get("resistance"), 1, 100.0, 130.0))
            wrong.push_back("resistance " + Quoted(live.Get("resistance")));
        if (!IsFixedWithin(live.Get("conductance"), 2, 500.0, 5000.0))
            wrong.push_back("conductance " + Quoted(live.Get("conductance")));
        if (!IsFixedWithin(live.Get("value"), 2, 500.0, 5000.0))
            wrong.push_back("value " + Quoted(live.Get("value")));
        if (!IsFixedWithin(live.Get("ratio"), 2, 0.0, 100.0))
            wrong.push_back("ratio " + Quoted(live.Get("ratio")));
        return Joined(wrong);
    }

    CellResult Finish() {
        result.seconds = std::chrono::duration<double>(Clock::now() - started).count();
        result.maxLatencyMs = tool.maxLatencyMs();
        return result;
    }

  private:
    ToolSession& tool;
    CellResult result;
    Clock::time_point started;
    double temperature;
};

const std::vector<LineFault>& FaultMatrix::Faults() {
    static const std::vector<LineFault> faults = {
        {"silence", "silence", "no answer at all: the read times out after 200 ms", false},
        {"bad checksum", "checksum", "a whole answer whose checksum is one off", false},
        {"0x15 first byte", "nak", "an answer that starts with 0x15 instead of 0x06", false},
        {"wrong length", "length", "a sound answer with one data byte too many", false},
        {"cut-off answer", "cut 3", "only the first 3 bytes of the answer", false},
        {"long-length header", "header 62",
         "length byte 62 (more than a frame holds), the rest of the answer behind it", false},
        {"garbage", "garbage 3", "3 noise bytes (FF 55 AA) before a sound answer", false},
        {"slow bytes", "slow 300",
         "300 ms before each byte after the first, beyond the 200 ms read time-out", false},
        {"link broken", "",
         "zr3sim ends (its pseudo-terminal closes) while the tool runs, then a new zr3sim serves "
         "COM1 on a new pseudo-terminal",
         true},
    };
    return faults;
}

std::vector<FaultRow> FaultMatrix::Rows() {
    std::vector<FaultRow> rows;
    for (const auto& fault : Faults())
        rows.push_back({fault.name, fault.description});
    rows.push_back({CloseRequest.name, CloseRequest.description});
    rows.push_back({UnwritableDataFile.name, UnwritableDataFile.description});
    return rows;
}

std::vector<PlaceColumn> FaultMatrix::Columns() {
    return {
        {ConnectPlace, "selecting COM1 in \"Port:\" (the identity request)"},
        {PollingPlace, "\"Reading\" on, the window's own 1 s timer polling the five live values"},
        {"relay", "opening the relay dialog (its variant read)"},
        {"cable compensation", "opening the cable compensation dialog (its stored capacity read)"},
        {"probe calibration",
         "opening the probe calibration dialog (the window's damping read and the dialog's "
         "conductance read)"},
        {"probe table",
         "opening the probe table dialog (\"Probe calibration\" with Ctrl held; the damping read "
         "and the dialog's conductance read)"},
        {CableMeasuringPlace, "inside the 20 samples of a cable compensation"},
        {ProbeMeasuringPlace, "inside the 20 samples of a one-point probe calibration"},
        {TableMeasuringPlace, "inside the 20 samples of a probe table point"},
        {SensorWritePlace,
         "selecting another sensor model: the five writes 0x39 0x3A 0x3C 0x3B 0x32, then the "
         "commit 0x2C; the fault at each step in turn, and what the converter then measures with "
         "(zr3sim's applied sensor)"},
    };
}

bool FaultMatrix::SetUp(std::string& error) {
    if (!tool.Attach(error)) return false;
    if (!sim.Control("fault clear", error) || !sim.Control("set temperature 25", error))
        return false;
    if (!tool.SelectPort("COM1", SelectBoundMs, error)) return false;
    const std::string converter = tool.Text(MainChild::ConverterField);
    if (converter != "ZR3") {
        error =
            "the tool did not connect to the simulator (converter field " + Quoted(converter) + ")";
        return false;
    }
    tool.SetReading(false);
    return true;
}

void FaultMatrix::Run(const std::string& filter) {
    // Spoiled answers first, on the simulator the matrix started with; the restarts last.
    for (const auto& fault : Faults()) {
        if (fault.restart) continue;
        RunCell(fault, ConnectPlace, filter);
        RunCell(fault, PollingPlace, filter);
        for (const DialogKind* dialog : DialogKinds)
            RunCell(fault, dialog->place, filter);
    }
    for (const auto& measuring : MeasuringFaults)
        for (const auto& fault : Faults())
            if (fault.name == measuring.fault) RunCell(fault, measuring.place, filter);
    for (const auto& fault : Faults()) {
        if (!fault.restart) continue;
        RunCell(fault, ConnectPlace, filter);
        RunCell(fault, PollingPlace, filter);
        for (const DialogKind* dialog : DialogKinds)
            RunCell(fault, dialog->place, filter);
    }
    RunCell(Faults().front(), SensorWritePlace, filter);
    RunCell(UnwritableDataFile, TableDialogKind.place, filter);
    // Last: each of these ends the tool, which is started again.
    for (const DialogKind* dialog : DialogKinds)
        RunCell(CloseRequest, dialog->place, filter);
}

void FaultMatrix::RunCell(const LineFault& fault, const std::string& place,
                          const std::string& filter) {
    ++cellNumber;
    if (!filter.empty() && (fault.name + "/" + place).find(filter) == std::string::npos) return;
    // A temperature of its own for each cell: a poll that shows it is a poll of this cell.
    CellRun run(tool, fault.name, place, 20.0 + 0.5 * cellNumber);
    Say("cell " + std::to_string(cellNumber) + ": " + fault.name + " / " + place);
    if (toolEnded) {
        run.Check(false, "the tool runs", "it had ended in an earlier cell");
        cells.push_back(run.Finish());
        return;
    }
    const DialogKind* dialog = nullptr;
    for (const DialogKind* kind : DialogKinds)
        if (place == kind->place) dialog = kind;

    if (fault.name == CloseRequest.name && dialog != nullptr) {
        CloseRequestCell(run, *dialog);
    } else if (fault.name == UnwritableDataFile.name) {
        UnwritableDataFileCell(run);
    } else if (place == SensorWritePlace) {
        SensorWriteCell(run, fault);
    } else if (fault.restart) {
        if (place == ConnectPlace)
            RestartConnectCell(run);
        else if (place == PollingPlace)
            RestartPollingCell(run);
        else if (dialog != nullptr)
            RestartDialogCell(run, *dialog);
    } else if (place == ConnectPlace) {
        ConnectCell(run, fault);
    } else if (place == PollingPlace) {
        PollingCell(run, fault);
    } else if (dialog != nullptr) {
        DialogOpeningCell(run, fault, *dialog);
    } else if (place == CableMeasuringPlace) {
        CableMeasuringCell(run, fault);
    } else if (place == ProbeMeasuringPlace) {
        ProbeMeasuringCell(run, fault);
    } else if (place == TableMeasuringPlace) {
        TableMeasuringCell(run, fault);
    }
    run.ExpectAnswering();
    if (!tool.Alive()) toolEnded = true;
    if (!toolEnded)
        run.Check(IsWindowEnabled(tool.main()) != 0,
                  "no dialog left open, the main window enabled");
    CellResult result = run.Finish();
    Say(std::string("  ") + (result.Held() ? "held" : "FAILED") + " in " +
        Fixed(result.seconds, 1) + " s; slowest answer of the tool " +
        Fixed(result.maxLatencyMs, 0) + " ms, " + std::to_string(tool.unanswered()) +
        " messages unanswered within their bound");
    cells.push_back(std::move(result));
    if (!toolEnded) Tidy();
}

void FaultMatrix::Tidy() {
    tool.CancelOpenDialogs();
    tool.HoldControlKey(false);
    sim.Control("fault clear");
    tool.SetReading(false);
    sim.WaitQuiet(QuietBoundMs);
    // A fresh connection (the link purges as it closes) for the next cell: what a cell leaves in
    // the input must not be charged to the next one.
    std::string error;
    tool.SelectPort("COM1", SelectBoundMs, error);
}

void FaultMatrix::ExpectMainRecovers(CellRun& run) {
    sim.Control("set temperature " + run.TemperatureText());
    run.Check(sim.WaitQuiet(QuietBoundMs), "the line goes quiet after the fault",
              "answers still pending after 10 s");
    std::string mismatch;
    for (int poll = 1; poll <= 3; ++poll) {
        tool.Tick();
        mismatch = run.LiveMismatch(tool.LiveValues());
        if (mismatch.empty()) {
            run.Check(poll == 1, "the next poll shows the converter's values again",
                      "only poll " + std::to_string(poll) + " after the fault did");
            return;
        }
    }
    run.Check(false, "the next poll shows the converter's values again",
              "3 polls later still " + mismatch);
}

void FaultMatrix::ConnectCell(CellRun& run, const LineFault& fault) {
    tool.SetReading(false);
    const MainView before = tool.View();
    const auto storedBefore = sim.StoredState();
    const size_t mark = sim.Mark();
    std::string error;
    if (!run.Check(sim.Control("fault " + fault.words + " next 1", error), "fault injected", error))
        return;
    run.Check(tool.SelectPort("COM1", SelectBoundMs, error), "the port selection returns", error);
    run.ExpectAnswering();

    const MainView after = tool.View();
    const std::vector<std::string> identity = {"converter", "firmware", "serial number"};
    std::vector<std::string> notEmptied;
    for (const auto& name : identity)
        if (!after.Get(name).empty()) notEmptied.push_back(name + " " + Quoted(after.Get(name)));
    run.Check(notEmptied.empty(), "converter, firmware and serial number emptied",
              Joined(notEmptied));
    std::vector<std::string> others;
    for (const auto& field : before.fields)
        if (std::find(identity.begin(), identity.end(), field.first) == identity.end())
            others.push_back(field.first);
    run.Check(after.Differences(before, others).empty(), "every other field keeps what it showed",
              Joined(after.Differences(before, others), "; "));
    const auto requests = Requests(sim.Since(mark));
    run.Check(requests == std::vector<std::string>{"01 21 00 DE"},
              "nothing but the identity asked (a failed identity ends the connect)",
              "requests: " + Joined(requests, "; "));

    sim.WaitQuiet(QuietBoundMs);
    sim.Control("set temperature " + run.TemperatureText());
    tool.SelectPort("COM1", SelectBoundMs, error);
    const MainView again = tool.View();
    const std::string mismatch = run.LiveMismatch(again);
    run.Check(again.Get("converter") == "ZR3" && again.Get("firmware") == "1.03" &&
                  again.Get("serial number") == "123456" && mismatch.empty(),
              "the next selection connects and reads everything again",
              "converter " + Quoted(again.Get("converter")) + ", firmware " +
                  Quoted(again.Get("firmware")) + ", serial " + Quoted(again.Get("serial number")) +
                  (mismatch.empty() ? "" : ", " + mismatch));
    run.ExpectNoWrites(sim.Since(mark), "no write on the line");
    run.ExpectStored(storedBefore, sim.StoredState(), {}, "the converter's settings unchanged");
}

void FaultMatrix::PollingCell(CellRun& run, const LineFault& fault) {
    run.Check(tool.SetReading(true), "\"Reading\" on");
    sim.WaitQuiet(QuietBoundMs);
    Pause(300);
    const MainView before = tool.LiveValues();
    const auto storedBefore = sim.StoredState();
    const size_t mark = sim.Mark();
    // A slow answer takes seconds to trickle out: two of them fill the window below.
    const bool slow = fault.words.rfind("slow", 0) == 0;
    std::string error;
    if (!run.Check(sim.Control("fault " + fault.words + (slow ? " next 2" : " always"), error),
                   "fault injected", error))
        return;
    sim.Control("set temperature " + run.TemperatureText());

    // While the converter answers badly the fields keep the last good values.
    std::vector<std::string> changed;
    const auto windowEnd = Clock::now() + std::chrono::milliseconds(3000);
    while (Clock::now() < windowEnd && changed.empty()) {
        changed = tool.LiveValues().Differences(before);
        Pause(150);
    }
    run.Check(changed.empty(), "the live fields keep their last values while the answers are bad",
              Joined(changed, "; "));
    run.ExpectAnswering();
    const auto during = sim.Since(mark);
    const size_t polls = CountRequests(during, CodeResistance);
    run.Check(polls >= 2, "the timer kept polling", std::to_string(polls) + " resistance reads");
    if (!slow) {
        // After a spoiled resistance answer the cycle ends: the next request is the next poll's.
        size_t endings = 0;
        std::vector<std::string> others;
        for (size_t i = 0; i + 1 < during.size(); ++i) {
            if (!during[i].IsRequest() || during[i].Code() != CodeResistance ||
                !during[i + 1].IsAnswer() || !during[i + 1].Faulted())
                continue;
            auto next = std::find_if(during.begin() + static_cast<long>(i) + 2, during.end(),
                                     [](const TraceFrame& f) { return f.IsRequest(); });
            if (next == during.end()) continue;
            ++endings;
            if (next->Code() != CodeResistance) others.push_back(next->Hex());
        }
        run.Check(endings > 0 && others.empty(),
                  "a failed resistance read ends the cycle (no other value asked)",
                  endings == 0 ? "no spoiled resistance answer followed by a poll"
                               : "asked next: " + Joined(others, "; "));
    }

    // Polls from the moment the simulator has taken the clear and sent what it still owed:
    // each of them gets a sound answer.
    sim.Control("fault clear");
    run.Check(sim.WaitQuiet(QuietBoundMs), "the line goes quiet after the fault",
              "answers still pending after 10 s");
    const size_t cleared = sim.Mark();
    // The window's own timer brings the values back.
    std::string mismatch = "no poll yet";
    const auto end = Clock::now() + std::chrono::milliseconds(4000);
    while (Clock::now() < end) {
        mismatch = run.LiveMismatch(tool.LiveValues());
        if (mismatch.empty()) break;
        Pause(100);
    }
    run.Check(mismatch.empty(), "the timer's polls show the converter's values again", mismatch);
    // The first poll after the clear got its resistance answer: it went on to the other four.
    std::vector<std::string> firstCycle;
    for (const auto& frame : sim.Since(cleared)) {
        if (!frame.IsRequest()) continue;
        if (frame.Code() == CodeResistance && !firstCycle.empty()) break;
        firstCycle.push_back(frame.Hex().substr(3, 2));
    }
    run.Check(firstCycle == std::vector<std::string>{"24", "25", "29", "2A", "2B"},
              "back at the first poll after the fault (it asks all five values)",
              "its requests: " + Joined(firstCycle, " "));
    run.Check(tool.SetReading(false), "\"Reading\" off again");
    sim.WaitQuiet(QuietBoundMs);
    run.ExpectNoWrites(sim.Since(mark), "no write on the line");
    run.ExpectStored(storedBefore, sim.StoredState(), {}, "the converter's settings unchanged");
}

HWND FaultMatrix::OpenDialog(CellRun& run, const DialogKind& dialog) {
    if (dialog.withControlKey)
        run.Check(tool.HoldControlKey(true), "Ctrl held in the tool's keyboard state");
    tool.PostButton(dialog.button);
    HWND window = tool.WaitForDialog(dialog.caption, dialog.markerId, 10000);
    if (dialog.withControlKey) tool.HoldControlKey(false);
    if (window != nullptr) {
        char className[32] = {};
        GetClassNameA(GetDlgItem(window, dialog.markerId), className, sizeof className);
        if (_stricmp(className, dialog.markerClass) != 0) window = nullptr;
    }
    if (!run.Check(window != nullptr, std::string("the ") + dialog.place + " dialog opens",
                   "no such dialog within 10 s"))
        return nullptr;
    run.Check(!IsWindowEnabled(tool.main()) && GetWindow(window, GW_OWNER) == tool.main(),
              "it is modal under the main window");
    return window;
}

void FaultMatrix::ReopenClean(CellRun& run, const DialogKind& dialog) {
    const size_t mark = sim.Mark();
    HWND window = OpenDialog(run, dialog);
    if (window == nullptr) return;
    std::vector<std::string> wrong;
    for (const auto& [id, text] : dialog.cleanTexts) {
        const std::string shown = tool.ItemText(window, id);
        if (shown != text) wrong.push_back(std::to_string(id) + " " + Quoted(shown));
    }
    if (dialog.cleanNumberField != 0) {
        const std::string shown = tool.ItemText(window, dialog.cleanNumberField);
        if (!IsFixedWithin(shown, 2, 500.0, 5000.0))
            wrong.push_back(std::to_string(dialog.cleanNumberField) + " " + Quoted(shown));
    }
    run.Check(wrong.empty(), "opened again on a sound line it shows the converter's values",
              "items " + Joined(wrong));
    tool.PostCommand(window, IDCANCEL);
    run.Check(tool.WaitGone(window, 5000), "cancel closes it");
    if (dialog.dampingAround) {
        // The damping goes back after the dialog object is gone.
        WaitForWrites(sim, mark, 2, 3000);
        run.ExpectWrites(sim.Since(mark), {DampingZeroWrite, DampingRestoreWrite},
                         "on the sound line only the damping 0 and its restore written");
        return;
    }
    sim.WaitQuiet(QuietBoundMs);
    run.ExpectNoWrites(sim.Since(mark), "cancel writes nothing");
}

void FaultMatrix::DialogOpeningCell(CellRun& run, const LineFault& fault,
                                    const DialogKind& dialog) {
    tool.SetReading(false);
    const MainView before = tool.View();
    const auto storedBefore = sim.StoredState();
    const size_t mark = sim.Mark();
    // Every answer up to and including the dialog's first read is spoiled.
    const int count = dialog.mainExchangesBefore + 1;
    std::string error;
    if (!run.Check(sim.Control("fault " + fault.words + " next " + std::to_string(count), error),
                   "fault injected", error))
        return;
    HWND window = OpenDialog(run, dialog);
    if (window != nullptr) {
        const std::string first = tool.ItemText(window, dialog.firstField);
        run.Check(first == CommunicationError, "\"Communication error\" in its first value field",
                  Quoted(first));
        std::vector<std::string> filled, enabled;
        for (int id : dialog.emptyWhenOffline) {
            const std::string text = tool.ItemText(window, id);
            if (!text.empty()) filled.push_back(std::to_string(id) + " " + Quoted(text));
        }
        for (int id : dialog.disabledWhenOffline)
            if (tool.ItemEnabled(window, id)) enabled.push_back(std::to_string(id));
        if (!dialog.emptyWhenOffline.empty())
            run.Check(filled.empty(), "the edits stay empty", Joined(filled));
        if (!dialog.disabledWhenOffline.empty())
            run.Check(enabled.empty(), "what needs the converter stays disabled",
                      "enabled: " + Joined(enabled));
        run.ExpectAnswering();
        run.Check(tool.Text(window) == dialog.caption, "the dialog answers within 2 s");
        sim.WaitQuiet(QuietBoundMs);
        // Offline means no timer: the dialog leaves the line alone.
        const size_t idle = sim.Mark();
        Pause(1400);
        const auto idleRequests = Requests(sim.Since(idle));
        run.Check(idleRequests.empty(), "no further request while it is offline",
                  Joined(idleRequests, "; "));
        tool.PostCommand(window, IDOK);
        run.Check(tool.WaitGone(window, 5000), "OK closes it");
    }
    sim.WaitQuiet(QuietBoundMs);
    run.ExpectNoWrites(sim.Since(mark), "nothing written, also not on OK");
    run.ExpectStored(storedBefore, sim.StoredState(), {}, "the converter's settings unchanged");
    const auto changed = tool.View().Differences(before);
    run.Check(changed.empty(), "the main window's fields unchanged", Joined(changed, "; "));
    ReopenClean(run, dialog);
    ExpectMainRecovers(run);
}

void FaultMatrix::CableMeasuringCell(CellRun& run, const LineFault& fault) {
    tool.SetReading(false);
    sim.Control("set capacity 14.25");
    const auto storedBefore = sim.StoredState();
    const size_t mark = sim.Mark();
    HWND window = OpenDialog(run, CableDialogKind);
    if (window == nullptr) return;
    const std::string stored = tool.ItemText(window, CableCapacityId);
    run.Check(stored == "1.250000000E+01", "it shows the stored capacity", Quoted(stored));
    const size_t started = sim.Mark();
    tool.PostCommand(window, CableStartId);
    // The fault comes after the first samples.
    const auto sampleWait = Clock::now() + std::chrono::seconds(5);
    while (CountRequests(sim.Since(started), CodeCableCapacity) < 2 && Clock::now() < sampleWait)
        Pause(50);
    std::string error;
    run.Check(sim.Control("fault " + fault.words + " next 3", error), "3 samples spoiled", error);
    const auto end = Clock::now() + std::chrono::milliseconds(MeasurementBoundMs);
    bool finished = false;
    while (Clock::now() < end) {
        if (tool.ItemEnabled(window, CableStartId)) {
            finished = true;
            break;
        }
        run.Check(tool.Text(window) == "Cable compensation",
                  "the dialog answers within 2 s while it measures");
        Pause(100);
    }
    if (!run.Check(finished, "the measurement ends", "not within 45 s")) return;
    const std::string average = tool.ItemText(window, CableCapacityId);
    run.Check(average == "1.425000000E+01", "the average of the sound samples is shown",
              Quoted(average));
    // Each spoiled answer costs exactly its own sample: the rest of it was purged.
    const size_t samples = CountRequests(sim.Since(started), CodeCableCapacity);
    run.Check(samples == SamplesPerMeasurement + 3,
              "23 capacity reads: the 3 spoiled ones and 20 sound ones (the noise was purged)",
              std::to_string(samples) + " reads");
    tool.PostCommand(window, IDOK);
    run.Check(tool.WaitGone(window, 5000), "OK closes it");
    sim.WaitQuiet(QuietBoundMs);
    // 14.25 = 0x41640000.
    run.ExpectWrites(sim.Since(mark), {"01 38 04 00 00 64 41 1E"},
                     "OK writes the measured 14.25 and nothing else");
    run.ExpectStored(storedBefore, sim.StoredState(), {"cable-compensation 14.25"},
                     "the converter holds 14.25, everything else unchanged");
    ExpectMainRecovers(run);
}

void FaultMatrix::ProbeMeasuringCell(CellRun& run, const LineFault& fault) {
    tool.SetReading(false);
    // A probe of cell constant 0.5 in 1413 uS/cm at 25 degC: G = 2826 uS, K[1] = 0.5 1/cm.
    sim.Control("set cell 0.5");
    sim.Control("set temperature 25");
    const auto storedBefore = sim.StoredState();
    const size_t mark = sim.Mark();
    HWND window = OpenDialog(run, ProbeDialogKind);
    if (window == nullptr) return;
    const std::string live = tool.ItemText(window, ProbeConductanceId);
    run.Check(live == "2826.00", "it shows the live conductance", Quoted(live));
    run.Check(tool.SetItemText(window, ProbeNormalId, "1413"), "normal 1413 typed");
    const size_t started = sim.Mark();
    tool.PostCommand(window, ProbeStartId);
    // The click is posted; a text asked for meanwhile may be answered before it is handled.
    const std::string normalUsed = tool.WaitForItemText(window, ProbeNormalUsedId, 3000);
    run.Check(normalUsed == "1413.00", "\"Start\" takes the normal", Quoted(normalUsed));
    const auto sampleWait = Clock::now() + std::chrono::seconds(5);
    while (CountRequests(sim.Since(started), CodeConductance) < 2 && Clock::now() < sampleWait)
        Pause(50);
    std::string error;
    run.Check(sim.Control("fault " + fault.words + " next 1", error), "one sample slowed", error);
    const auto end = Clock::now() + std::chrono::milliseconds(MeasurementBoundMs);
    std::string average;
    bool finished = false;
    while (Clock::now() < end && !finished) {
        average = tool.ItemText(window, ProbeAverageId);
        finished = !average.empty() && average != "<no answer>";
        if (!finished) Pause(100);
    }
    if (!run.Check(finished, "the measurement ends", "not within 45 s")) return;
    const size_t samples = CountRequests(sim.Since(started), CodeConductance);
    run.Note("the slowed answer cost " + std::to_string(samples - SamplesPerMeasurement) +
             " samples");
    run.Check(average == "2826.00", "the average of 20 sound samples is shown", Quoted(average));
    const std::string coefficient = tool.ItemText(window, ProbeCoefficientId);
    run.Check(coefficient == "0.5000", "coefficient 1413 / 2826 = 0.5000 shown",
              Quoted(coefficient));
    tool.PostCommand(window, IDOK);
    run.Check(tool.WaitGone(window, 5000), "OK closes it");
    WaitForWrites(sim, mark, 3, 3000);
    // K = 0, 0.5 (0x3F000000), 0, 0 under code 0x46.
    run.ExpectWrites(
        sim.Since(mark),
        {DampingZeroWrite, "01 46 10 00 00 00 00 00 00 00 3F 00 00 00 00 00 00 00 00 6A",
         DampingRestoreWrite},
        "damping 0, K = (0, 0.5, 0, 0), damping 5 written, nothing else");
    run.ExpectStored(storedBefore, sim.StoredState(), {"probe 0 0.5 0 0"},
                     "the converter holds K[1] = 0.5, everything else unchanged");
    sim.Control("set cell 1");
    ExpectMainRecovers(run);
}

void FaultMatrix::TableMeasuringCell(CellRun& run, const LineFault& fault) {
    tool.SetReading(false);
    sim.Control("set cell 0.5");
    sim.Control("set temperature 25");
    const auto storedBefore = sim.StoredState();
    const size_t mark = sim.Mark();
    HWND window = OpenDialog(run, TableDialogKind);
    if (window == nullptr) return;
    const int pointsBefore = tool.ListCount(window, TableListId);
    run.Check(tool.ItemEnabled(window, TableStartId), "\"Start\" enabled (the table has room)");
    run.Check(tool.SetItemText(window, TableNormalId, "1413"), "normal 1413 typed");
    const size_t started = sim.Mark();
    tool.PostCommand(window, TableStartId);
    const auto sampleWait = Clock::now() + std::chrono::seconds(5);
    while (CountRequests(sim.Since(started), CodeConductance) < 2 && Clock::now() < sampleWait)
        Pause(50);
    std::string error;
    run.Check(sim.Control("fault " + fault.words + " next 2", error), "2 samples spoiled", error);
    // The progress bar counts the samples taken; the reads beyond it are the spoiled ones (and,
    // for a moment, one whose answer is being read). Seen between ticks, well after the faults,
    // exactly the 2 spoiled reads are beyond it. The live display goes on reading after the
    // measurement, so this is watched while it runs.
    const auto end = Clock::now() + std::chrono::milliseconds(MeasurementBoundMs);
    bool finished = false;
    size_t beyond = SIZE_MAX;
    while (Clock::now() < end) {
        // The position first: a tick between the two readings can then only add a read.
        const int position = tool.ProgressPosition(window, TableProgressId);
        const size_t reads = CountRequests(sim.Since(started), CodeConductance);
        if (tool.ItemEnabled(window, TableStartId)) {
            finished = true;
            break;
        }
        if (position >= 10 && reads >= static_cast<size_t>(position))
            beyond = std::min(beyond, reads - static_cast<size_t>(position));
        Pause(40);
    }
    if (!run.Check(finished, "the measurement ends", "not within 45 s")) return;
    run.Check(beyond == 2,
              "each spoiled answer cost exactly its own sample (the rest of it was dropped)",
              beyond == SIZE_MAX ? "the progress was never seen"
                                 : std::to_string(beyond) + " reads beyond the samples counted");
    const int points = tool.ListCount(window, TableListId);
    run.Check(points == pointsBefore + 1, "one line added to the list",
              std::to_string(pointsBefore) + " lines before, " + std::to_string(points) + " after");
    tool.PostCommand(window, IDOK);
    run.Check(tool.WaitGone(window, 5000), "OK closes it");
    WaitForWrites(sim, mark, 2, 3000);
    run.ExpectWrites(sim.Since(mark), {DampingZeroWrite, DampingRestoreWrite},
                     "only the damping 0 and its restore written (nothing calculated)");
    // The table went into the data file as the dialog closed: count 1, G = 2826, kappa = 1413.
    const std::string file = ProbeTableFile();
    const std::string expected = "01 00 00 00 | 00 00 00 00 00 14 A6 40 | 00 00 00 00 00 14 96 40";
    const std::string stored = file.size() == 164 ? HexOf(file, 0, 4) + " | " + HexOf(file, 4, 8) +
                                                        " | " + HexOf(file, 84, 8)
                                                  : std::to_string(file.size()) + " bytes";
    run.Check(stored == expected, "the data file holds the one point (2826, 1413)", stored);
    run.ExpectStored(storedBefore, sim.StoredState(), {}, "the converter's settings unchanged");
    sim.Control("set cell 1");
    ExpectMainRecovers(run);
}

bool FaultMatrix::StopSimulator(CellRun& run) {
    std::string error;
    return run.Check(sim.Stop(error), "zr3sim ended, its terminal closed", error);
}

bool FaultMatrix::RestartSimulator(CellRun& run) {
    std::string error;
    if (!run.Check(sim.Restart(error), "a new zr3sim serves COM1", error)) return false;
    sim.Control("set temperature " + run.TemperatureText());
    return true;
}

void FaultMatrix::RestartConnectCell(CellRun& run) {
    tool.SetReading(false);
    const MainView before = tool.View();
    if (!StopSimulator(run)) return;
    std::string error;
    run.Check(tool.SelectPort("COM1", SelectBoundMs, error), "the port selection returns", error);
    run.ExpectAnswering();
    const MainView after = tool.View();
    const std::vector<std::string> identity = {"converter", "firmware", "serial number"};
    std::vector<std::string> notEmptied;
    for (const auto& name : identity)
        if (!after.Get(name).empty()) notEmptied.push_back(name + " " + Quoted(after.Get(name)));
    run.Check(notEmptied.empty(), "converter, firmware and serial number emptied",
              Joined(notEmptied));
    std::vector<std::string> others;
    for (const auto& field : before.fields)
        if (std::find(identity.begin(), identity.end(), field.first) == identity.end())
            others.push_back(field.first);
    run.Check(after.Differences(before, others).empty(), "every other field keeps what it showed",
              Joined(after.Differences(before, others), "; "));
    if (!RestartSimulator(run)) return;
    const auto storedBefore = sim.StoredState();
    tool.SelectPort("COM1", SelectBoundMs, error);
    const MainView again = tool.View();
    const std::string mismatch = run.LiveMismatch(again);
    run.Check(
        again.Get("converter") == "ZR3" && again.Get("firmware") == "1.03" && mismatch.empty(),
        "selecting COM1 again connects to the new zr3sim and reads everything",
        "converter " + Quoted(again.Get("converter")) + " " + mismatch);
    run.ExpectNoWrites(sim.Since(0), "no write on the new line");
    run.ExpectStored(storedBefore, sim.StoredState(), {}, "the new converter's settings unchanged");
}

void FaultMatrix::RestartPollingCell(CellRun& run) {
    run.Check(tool.SetReading(true), "\"Reading\" on");
    Pause(1200);
    const MainView before = tool.LiveValues();
    if (!StopSimulator(run)) return;
    std::vector<std::string> changed;
    const auto windowEnd = Clock::now() + std::chrono::milliseconds(2500);
    while (Clock::now() < windowEnd && changed.empty()) {
        changed = tool.LiveValues().Differences(before);
        run.Check(tool.Responds(), "the window answers within 2 s while the line is dead");
        Pause(150);
    }
    run.Check(changed.empty(), "the live fields keep their last values", Joined(changed, "; "));
    // The system reports the terminal gone: "Reading" stops and one message says so.
    HWND box = tool.WaitForDialog("ZR3 config", MessageTextId, 5000);
    run.Check(box != nullptr, "one message tells that COM1 is gone");
    if (box != nullptr) {
        tool.PostCommand(box, IDOK);
        run.Check(tool.WaitGone(box, 5000), "OK closes it");
    }
    run.Check(!tool.ReadingChecked(), "\"Reading\" is off");
    if (!RestartSimulator(run)) return;
    const auto storedBefore = sim.StoredState();
    // The link is closed: nothing reaches the new terminal by itself.
    Pause(1500);
    const auto stray = Requests(sim.Since(0));
    run.Check(stray.empty() && tool.LiveValues().Differences(before).empty(),
              "until the port is selected again nothing is sent to it",
              "requests on the new line: " + Joined(stray, "; "));
    std::string error;
    tool.SelectPort("COM1", SelectBoundMs, error);
    run.Check(tool.SetReading(true), "\"Reading\" on again");
    std::string mismatch = "no poll yet";
    const auto end = Clock::now() + std::chrono::milliseconds(3500);
    while (Clock::now() < end) {
        mismatch = run.LiveMismatch(tool.LiveValues());
        if (mismatch.empty()) break;
        Pause(100);
    }
    Pause(1200);
    const size_t polls = CountRequests(sim.Since(0), CodeResistance);
    run.Check(mismatch.empty() && polls >= 2,
              "selecting COM1 again brings the values back and the timer goes on polling",
              mismatch + " (" + std::to_string(polls) + " resistance reads)");
    run.Check(tool.SetReading(false), "\"Reading\" off again");
    sim.WaitQuiet(QuietBoundMs);
    run.ExpectNoWrites(sim.Since(0), "no write on the new line");
    run.ExpectStored(storedBefore, sim.StoredState(), {}, "the new converter's settings unchanged");
}

void FaultMatrix::RestartDialogCell(CellRun& run, const DialogKind& dialog) {
    tool.SetReading(false);
    const MainView before = tool.View();
    if (!StopSimulator(run)) return;
    HWND window = OpenDialog(run, dialog);
    if (window != nullptr) {
        const std::string first = tool.ItemText(window, dialog.firstField);
        run.Check(first == CommunicationError, "\"Communication error\" in its first value field",
                  Quoted(first));
        run.ExpectAnswering();
        tool.PostCommand(window, IDOK);
        run.Check(tool.WaitGone(window, 5000), "OK closes it");
    }
    const auto changed = tool.View().Differences(before);
    run.Check(changed.empty(), "the main window's fields unchanged", Joined(changed, "; "));
    if (!RestartSimulator(run)) return;
    const auto storedBefore = sim.StoredState();
    run.Check(Requests(sim.Since(0)).empty(), "nothing sent to the new line by itself");
    std::string error;
    tool.SelectPort("COM1", SelectBoundMs, error);
    run.Check(tool.Text(MainChild::ConverterField) == "ZR3", "selecting COM1 again connects");
    ReopenClean(run, dialog);
    ExpectMainRecovers(run);
    sim.WaitQuiet(QuietBoundMs);
    run.ExpectStored(storedBefore, sim.StoredState(), {}, "the new converter's settings unchanged");
}

void FaultMatrix::SensorWriteCell(CellRun& run, const LineFault& fault) {
    tool.SetReading(false);
    const auto storedBefore = sim.StoredState();
    const std::string heldModel = tool.Text(MainChild::SensorCombo);
    const std::string measuredBefore = AppliedSensor(storedBefore);
    const size_t cellStart = sim.Mark();
    // Ni1000 (6180): another table and window than the converter's Pt100.
    const int otherModel = 3;
    for (const uint8_t step : SensorSteps) {
        char code[3];
        std::snprintf(code, sizeof code, "%02X", step);
        const std::string at = std::string(" (step ") + code + ")";
        const bool commit = step == CodeCommitSensor;
        sim.WaitQuiet(QuietBoundMs);
        const size_t mark = sim.Mark();
        std::string error;
        if (!run.Check(sim.Control("fault " + fault.words + " on " + code + " next 1", error),
                       "fault injected at each step", error))
            return;
        tool.PostSelection(MainChild::SensorCombo, otherModel);
        // The outcome in a message box of the main window.
        HWND box = tool.WaitForDialog(MainCaption, MessageTextId, 5000);
        const std::string told = box != nullptr ? tool.ItemText(box, MessageTextId) : "";
        run.Check(box != nullptr, "a message box of the main window tells the outcome",
                  "none within 5 s" + at);
        if (box != nullptr) {
            tool.PostCommand(box, IDOK);
            run.Check(tool.WaitGone(box, 5000), "OK closes the box", "still there" + at);
        }
        sim.WaitQuiet(QuietBoundMs);
        const auto state = sim.StoredState();
        const std::string applied = AppliedSensor(state);
        const std::string written = StateLine(state, "sensor");
        const std::string shown = tool.Text(MainChild::SensorCombo);
        if (!commit) {
            const auto codes = WrittenCodes(sim.Since(mark));
            run.Check(codes.size() >= 6 &&
                          std::vector<std::string>(codes.end() - 6, codes.end()) ==
                              std::vector<std::string>{"39", "3A", "3C", "3B", "32", "2C"},
                      "the way back: the measured sensor's sequence written again and committed",
                      "written " + Joined(codes, " ") + at);
            run.Check(applied == measuredBefore,
                      "the converter measures with its own sensor still (zr3sim's applied sensor)",
                      "applied " + Quoted(applied) + at);
            run.Check(written == measuredBefore, "the written sensor is the measured one again",
                      "written " + Quoted(written) + at);
            run.Check(shown == heldModel, "the list shows the sensor the converter measures with",
                      "shown " + Quoted(shown) + at);
            run.Check(told.find("not changed") != std::string::npos,
                      "the box says that the sensor was not changed", Quoted(told) + at);
        } else {
            run.Check(applied == written && applied != measuredBefore,
                      "after the commit the converter measures with the new sensor",
                      "applied " + Quoted(applied) + ", written " + Quoted(written));
            run.Check(shown.empty(), "with the commit's answer lost the list shows no model",
                      "shown " + Quoted(shown));
            run.Check(told.find("not known") != std::string::npos,
                      "the box says that the sensor measured with is not known", Quoted(told));
        }
    }
    // The converter's own sensor back, written whole.
    sim.Control("fault clear");
    std::string error;
    tool.SelectPort("COM1", SelectBoundMs, error);
    sim.WaitQuiet(QuietBoundMs);
    const size_t mark = sim.Mark();
    tool.SelectIndex(MainChild::SensorCombo, 0, 5000);
    sim.WaitQuiet(QuietBoundMs);
    run.Check(CountRequests(sim.Since(mark), CodeCommitSensor) == 1 &&
                  tool.Text(MainChild::SensorCombo) == heldModel &&
                  tool.FindDialog(MainCaption, MessageTextId) == nullptr,
              "on a sound line the whole sensor is written and committed, without a box");
    // As before but for the commits: one for each 0x2C the converter was sent.
    const size_t commits = CountRequests(sim.Since(cellStart), CodeCommitSensor);
    std::vector<std::string> committed;
    for (const auto& line : storedBefore) {
        const size_t at = line.rfind(" commits ");
        if (line.rfind("applied ", 0) != 0 || at == std::string::npos) continue;
        const size_t before = static_cast<size_t>(std::atoi(line.c_str() + at + 9));
        committed.push_back(line.substr(0, at + 9) + std::to_string(before + commits));
    }
    run.ExpectStored(storedBefore, sim.StoredState(), committed,
                     "the converter's settings as before (its own sensor written back)");
    ExpectMainRecovers(run);
}

namespace {

void ExpectPointStored(CellRun& run, size_t index) {
    const std::string file = ProbeTableFile();
    const bool stored = file.size() == 164 && static_cast<uint8_t>(file[0]) == index + 1 &&
                        HexOf(file, 84 + 8 * index, 8) == "00 00 00 00 00 14 96 40";
    run.Check(stored, "the measured point is in the data file",
              file.size() != 164
                  ? std::to_string(file.size()) + " bytes"
                  : "count " + HexOf(file, 0, 4) + ", normal " + HexOf(file, 84 + 8 * index, 8));
}

}  // namespace

bool FaultMatrix::MeasureTablePoint(CellRun& run, HWND window) {
    const int pointsBefore = tool.ListCount(window, TableListId);
    run.Check(tool.SetItemText(window, TableNormalId, "1413"), "normal 1413 typed");
    tool.PostCommand(window, TableStartId);
    Pause(300);
    const auto end = Clock::now() + std::chrono::milliseconds(MeasurementBoundMs);
    while (Clock::now() < end && !tool.ItemEnabled(window, TableStartId))
        Pause(100);
    const int points = tool.ListCount(window, TableListId);
    return run.Check(
        points == pointsBefore + 1, "a point measured (in the list, not yet stored)",
        std::to_string(pointsBefore) + " lines before, " + std::to_string(points) + " after");
}

void FaultMatrix::CloseRequestCell(CellRun& run, const DialogKind& dialog) {
    tool.SetReading(false);
    const bool table = &dialog == &TableDialogKind;
    if (table) sim.Control("set cell 0.5");
    const auto storedBefore = sim.StoredState();
    const std::string fileBefore = ProbeTableFile();
    const size_t pointIndex = fileBefore.size() == 164 ? static_cast<uint8_t>(fileBefore[0]) : 0;
    const size_t mark = sim.Mark();
    HWND window = OpenDialog(run, dialog);
    if (window == nullptr) return;
    if (table && !MeasureTablePoint(run, window)) return;
    PostMessageA(tool.main(), WM_CLOSE, 0, 0);
    DWORD exitCode = 0;
    const bool ended = tool.WaitEnded(10000, exitCode);
    char code[16];
    std::snprintf(code, sizeof code, "0x%lX", static_cast<unsigned long>(exitCode));
    run.Check(ended && exitCode == 0,
              "the dialog ends as by its Cancel, then the tool ends with exit code 0",
              ended ? std::string("exit code ") + code : "still running after 10 s");
    sim.WaitQuiet(QuietBoundMs);
    if (dialog.dampingAround)
        run.ExpectWrites(sim.Since(mark), {DampingZeroWrite, DampingRestoreWrite},
                         "only the damping 0 and its restore written");
    else
        run.ExpectNoWrites(sim.Since(mark), "nothing written");
    run.ExpectStored(storedBefore, sim.StoredState(), {}, "the converter's settings unchanged");
    if (table) {
        ExpectPointStored(run, pointIndex);
        sim.Control("set cell 1");
    }
    const char* program = std::getenv("ZR3_FM_TOOL");
    std::string error;
    const bool restarted = program != nullptr && tool.Restart(WinePath(program), error) &&
                           tool.SelectPort("COM1", SelectBoundMs, error) &&
                           tool.Text(MainChild::ConverterField) == "ZR3";
    run.Check(restarted, "started again, the tool connects", error);
}

void FaultMatrix::UnwritableDataFileCell(CellRun& run) {
    tool.SetReading(false);
    sim.Control("set cell 0.5");
    const char* unixPath = std::getenv("ZR3_FM_DATAFILE");
    const std::string dataFile = unixPath != nullptr ? WinePath(unixPath) : "";
    // A data file to make read-only: an empty table when there is none yet.
    if (ProbeTableFile().size() != 164)
        std::ofstream(dataFile, std::ios::binary) << std::string(164, '\0');
    const std::string fileBefore = ProbeTableFile();
    const size_t pointIndex = fileBefore.size() == 164 ? static_cast<uint8_t>(fileBefore[0]) : 0;
    const size_t mark = sim.Mark();
    HWND window = OpenDialog(run, TableDialogKind);
    if (window == nullptr) return;
    if (!MeasureTablePoint(run, window)) return;
    run.Check(SetFileAttributesA(dataFile.c_str(), FILE_ATTRIBUTE_READONLY) != 0,
              "the data file made read-only", dataFile);
    tool.PostCommand(window, IDOK);
    // The message box: the dialog's caption, and a Retry button the dialog does not have.
    HWND box = tool.WaitForDialog(TableDialogKind.caption, IDRETRY, 5000);
    if (!run.Check(box != nullptr, "OK shows a message box", "none within 5 s")) {
        SetFileAttributesA(dataFile.c_str(), FILE_ATTRIBUTE_NORMAL);
        return;
    }
    const std::string text = tool.ItemText(box, MessageTextId);
    run.Check(text.find("could not be stored") != std::string::npos &&
                  text.find(dataFile) != std::string::npos,
              "it says the points could not be stored and names the data file", Quoted(text));
    run.Check(GetDlgItem(box, IDRETRY) != nullptr && GetDlgItem(box, IDCANCEL) != nullptr,
              "it offers Retry and Cancel");
    run.Check(IsWindowVisible(window) != 0, "the dialog stays open meanwhile");
    // Close requests under the box: refused, answered at once, and no further box.
    for (int request = 0; request < 2; ++request) {
        DWORD_PTR answer = 0;
        run.Check(SendMessageTimeoutA(tool.main(), WM_CLOSE, 0, 0, SMTO_ABORTIFHUNG,
                                      ToolSession::AnswerBoundMs, &answer) != 0,
                  "a close request under the box is answered within 2 s", "no answer");
    }
    run.Check(IsWindowVisible(box) != 0 && IsWindowVisible(window) != 0,
              "the box and the dialog stay after two close requests");
    const int boxes = tool.CountDialogs(TableDialogKind.caption, IDRETRY);
    run.Check(boxes == 1, "no further box stacked", std::to_string(boxes) + " boxes");
    run.Check(IsWindowEnabled(tool.main()) == 0, "the main window stays unusable under the box");
    const std::string damping = sim.Shown("input-damping");
    run.Check(damping == "0", "the converter keeps damping 0 while the dialog runs (zr3sim)",
              "input-damping " + damping);
    SetFileAttributesA(dataFile.c_str(), FILE_ATTRIBUTE_NORMAL);
    tool.PostCommand(box, IDRETRY);
    run.Check(tool.WaitGone(window, 5000), "Retry on the writable file stores and closes it");
    ExpectPointStored(run, pointIndex);
    WaitForWrites(sim, mark, 2, 3000);
    run.ExpectWrites(sim.Since(mark), {DampingZeroWrite, DampingRestoreWrite},
                     "only the damping 0 and its restore written");
    run.Check(sim.Shown("input-damping") == "5", "the converter has its damping 5 again (zr3sim)",
              "input-damping " + sim.Shown("input-damping"));
    run.Check(tool.Alive() && IsWindowEnabled(tool.main()) != 0,
              "the refused close requests leave the tool running and usable");
    sim.Control("set cell 1");
    ExpectMainRecovers(run);
}
