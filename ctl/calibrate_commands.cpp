// calibrate cable and calibrate probe: the dialogs' 20-sample measurements from the command line.
#include <iostream>
#include <limits>
#include <memory>
#include <nlohmann/json.hpp>
#include <vector>

#include "base/number_text.h"
#include "base/text_escape.h"
#include "ctl/calibration_record_file.h"
#include "ctl/commands.h"
#include "ctl/commissioning_log.h"
#include "ctl/converter_session.h"
#include "ctl/exit_status.h"
#include "ctl/number_words.h"
#include "ctl/terminal.h"
#include "model/probe_plausibility.h"
#include "model/sample_measurement.h"
#include "model/temporary_setting.h"

namespace {

// A converter that fails this many readings in a row is given up.
constexpr int MaxFailedReadsInARow = 20;

// Seconds between readings: the dialogs' tick.
constexpr double DefaultInterval = SampleMeasurement::TickPeriod / 1000.0;

// One reading per interval until the measurement is complete; failed reads count nothing.
// The results of a calibration: "name: value" lines on stdout, or one JSON object at the end.
class CalibrationOutput {
  public:
    explicit CalibrationOutput(bool json) : json(json) {}
    ~CalibrationOutput() {
        if (json) std::cout << record.dump(2) << '\n';
    }
    // The number as shown, so that the JSON and the text never differ.
    void Number(const char* name, const std::string& text) {
        if (json)
            record[name] = *ParseNumber(text);
        else
            std::cout << name << ": " << text << '\n';
    }
    void Samples(const std::vector<float>& samples) {
        if (!json) return;
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (float sample : samples)
            list.push_back(*ParseNumber(ShortestText(sample)));
        record["samples"] = list;
    }
    void Json(const char* name, const nlohmann::ordered_json& value) {
        if (json) record[name] = value;
    }

  private:
    bool json = false;
    nlohmann::ordered_json record;
};

SampleMeasurement Measure(ConverterLink& link, bool (ConverterLink::*read)(float&), double interval,
                          std::vector<float>& samples) {
    SampleMeasurement measurement;
    measurement.Start();
    int failedInARow = 0;
    ShowProgress(0, SampleMeasurement::SamplesPerMeasurement);
    while (measurement.measuring) {
        PauseSeconds(interval);
        if (Interrupted()) {
            measurement.Cancel();
            if (StderrIsTerminal()) std::cerr << '\n';
            return measurement;
        }
        float value = 0.0f;
        if (!(link.*read)(value)) {
            if (++failedInARow >= MaxFailedReadsInARow) {
                measurement.Cancel();
                break;
            }
            continue;
        }
        failedInARow = 0;
        samples.push_back(value);
        measurement.AddSample(value);
        ShowProgress(measurement.sampleCount, SampleMeasurement::SamplesPerMeasurement);
    }
    return measurement;
}

// A calibration that cannot be confirmed is refused before anything is measured or written.
void RequireConfirmation(const CtlOptions& options, const char* command) {
    if (options.yes || (StdinIsTerminal() && StderrIsTerminal())) return;
    FailUsage(std::string(command) +
              " writes only with --yes when no one answers at a terminal; nothing measured");
}

// Ends the command when a signal came: nothing was written.
void StopIfInterrupted() {
    if (Interrupted()) throw CommandFailure(InterruptedStatus(), "interrupted; nothing written");
}

void RequireComplete(const SampleMeasurement& measurement) {
    StopIfInterrupted();
    if (!measurement.Complete()) FailConverter("the converter stopped answering; nothing written");
}

// Written with --yes, or when the person at the terminal says so.
bool WriteConfirmed(const CtlOptions& options, const std::string& question) {
    if (options.yes) return true;
    const bool yes = Confirm(question);
    StopIfInterrupted();
    if (!yes) std::cerr << "zr3ctl: not written\n";
    return yes;
}

// The converter as the log and the record name it; read only for them.
nlohmann::ordered_json ConverterForRecords(const CtlOptions& options, ConverterSession& s,
                                           CommissioningLog* log) {
    if (!log && options.recordFile.empty()) return nullptr;
    const nlohmann::ordered_json converter = ConverterRecord(s);
    if (log) log->SetConverter(converter);
    return converter;
}

nlohmann::ordered_json MeasurementJson(const CalibrationRun& run) {
    return {{"calibration", run.kind},
            {"samples", run.samples.size()},
            {"mean", run.mean},
            {"standard-deviation", StandardDeviation(run.samples)}};
}

}  // namespace

int RunCalibrateCable(const CtlOptions& options) {
    const double interval = IntervalOption(options, DefaultInterval);
    RequireConfirmation(options, "calibrate cable");
    // A log that cannot be opened stops the command before the port is.
    const std::unique_ptr<CommissioningLog> log = OpenCommissioningLog(options);
    ConverterSession& s = OpenSession(options);
    const nlohmann::ordered_json converter = ConverterForRecords(options, s, log.get());
    CatchInterrupt();
    CalibrationOutput out(options.json);
    float stored = 0.0f;
    if (!s.link().ReadCableCompensation(stored)) FailConverter("Communication error");
    out.Number("stored", ShortestText(stored));
    CalibrationRun run;
    run.kind = "cable";
    run.before = {{"cable", FloatJson(stored)}};

    const SampleMeasurement m =
        Measure(s.link(), &ConverterLink::ReadCableCapacity, interval, run.samples);
    out.Samples(run.samples);
    RequireComplete(m);
    run.mean = m.Average();
    const float average = static_cast<float>(m.Average());
    out.Number("measured", ShortestText(average));
    out.Json("mean", m.Average());
    out.Json("written", nullptr);
    // An average of 0 is no measurement, as in the dialog.
    if (average == 0.0f || !m.HasUsableAverage())
        FailConverter("the average is no usable capacity; nothing written");
    if (!WriteConfirmed(options,
                        "Store " + ShortestText(average) + " as the cable compensation?")) {
        FileCalibrationRecord(run, converter, options);
        return ExitSuccess;
    }
    SensorList sensors;
    const auto value = [](float v) { return SettingValue{v, 0, -1}; };
    if (log) {
        log->Record("before",
                    {LogEntry(SettingId::Cable, value(stored), value(average), std::nullopt,
                              "planned", "", sensors)},
                    MeasurementJson(run));
    }
    float answered = average;
    if (!s.link().WriteFloat(CodeCableCompensation, answered)) {
        const std::string failure = "no answer to the write; the stored value is unknown";
        if (log) {
            log->Record("write", {LogEntry(SettingId::Cable, value(stored), value(average),
                                           std::nullopt, "failed", failure, sensors)});
            log->Record("end", {}, {{"status", ExitConverter}});
        }
        FileCalibrationRecord(run, converter, options);
        FailConverter(failure);
    }
    out.Number("written", ShortestText(answered));
    const bool took = SameFloat(answered, average);
    if (log) {
        log->Record("write", {LogEntry(SettingId::Cable, value(stored), value(average),
                                       value(answered), took ? "written" : "failed",
                                       took ? "" : "the converter holds " + ShortestText(answered),
                                       sensors)});
        log->Record("end", {}, {{"status", ExitSuccess}});
    }
    run.after = {{"cable", FloatJson(answered)}};
    FileCalibrationRecord(run, converter, options);
    return ExitSuccess;
}

int RunCalibrateProbe(const CtlOptions& options) {
    const double interval = IntervalOption(options, DefaultInterval);
    const auto normal = ParseNumber(options.normal);
    if (!normal || !NormalIsPlausible(*normal)) {
        FailUsage("--normal: \"" + EscapeControls(options.normal) + "\" is refused: " +
                  ProbeCalibrationProblem(ProbeCalibrationCheck::NormalNotPlausible) +
                  PointHint(options.normal));
    }
    RequireConfirmation(options, "calibrate probe");
    // A log that cannot be opened stops the command before the port is.
    const std::unique_ptr<CommissioningLog> log = OpenCommissioningLog(options);
    ConverterSession& s = OpenSession(options);
    const nlohmann::ordered_json converter = ConverterForRecords(options, s, log.get());
    CatchInterrupt();
    ConverterLink& link = s.link();
    CalibrationOutput out(options.json);

    float conductance = 0.0f;
    if (!link.ReadConductance(conductance)) FailConverter("Communication error");
    ProbeCoefficients stored;
    const bool storedRead = link.ReadProbeCoefficients(stored);
    if (storedRead) out.Number("stored", ShortestText(stored.K[1]));
    CalibrationRun run;
    run.kind = "probe";
    run.normal = *normal;
    const std::array<SettingId, 4> ks = {SettingId::K0, SettingId::K1, SettingId::K2,
                                         SettingId::K3};
    const auto coefficientsJson = [&](const ProbeCoefficients& k) {
        nlohmann::ordered_json json;
        for (size_t i = 0; i < ks.size(); ++i)
            json[NameOf(ks[i])] = FloatJson(k.K[i]);
        return json;
    };
    if (storedRead) run.before = coefficientsJson(stored);
    SensorList sensors;
    const auto value = [](float v) { return SettingValue{v, 0, -1}; };
    const auto damping8 = [](uint8_t v) { return SettingValue{0.0f, v, -1}; };
    // The line before the damping's write to 0: what the calibration is about to change.
    uint8_t dampingBefore = 0;
    const bool dampingRead = log && link.ReadInputDamping(dampingBefore);
    if (log) {
        std::vector<LoggedSetting> planned;
        planned.push_back(LogEntry(
            SettingId::InputDamping,
            dampingRead ? std::optional(damping8(dampingBefore)) : std::nullopt, damping8(0),
            std::nullopt, "planned", "held at 0 for the measurement", sensors));
        for (size_t i = 0; i < ks.size(); ++i) {
            planned.push_back(
                LogEntry(ks[i], storedRead ? std::optional(value(stored.K[i])) : std::nullopt,
                         std::nullopt, std::nullopt, "planned", "", sensors));
        }
        log->Record("before", planned, {{"calibration", "probe"}, {"normal", *normal}});
    }

    // The input measures undamped during the calibration; its damping comes back on every way
    // out the process lives through, signals included.
    HeldInputDamping damping;
    const bool held = damping.Hold(link);
    const bool touched = damping.Holding();
    const std::string holdProblem = damping.Message();
    SampleMeasurement m;
    if (held) m = Measure(link, &ConverterLink::ReadConductance, interval, run.samples);
    out.Samples(run.samples);
    const bool givenBack = damping.GiveBack(link);
    if (log && touched) {
        log->Record("temporary",
                    {LogEntry(SettingId::InputDamping, damping8(0), damping8(damping.Saved()),
                              givenBack ? std::optional(damping8(damping.Saved())) : std::nullopt,
                              givenBack ? "rolled back" : "failed",
                              givenBack ? "" : damping.Message(), sensors)});
    }
    if (!givenBack) {
        if (!holdProblem.empty()) std::cerr << "zr3ctl: " << holdProblem << '\n';
        StopIfInterrupted();
        FailConverter(damping.Message() + " Nothing written.");
    }
    if (!held) {
        FailConverter(holdProblem +
                      (touched ? " It is " + FormatInteger(damping.Saved()) + " again." : "") +
                      " Nothing measured, nothing written.");
    }
    RequireComplete(m);

    const double average = m.Average();
    run.mean = average;
    out.Number("normal", FormatFixed(static_cast<float>(*normal), 2));
    out.Number("conductance", FormatFixed(static_cast<float>(average), 2));
    out.Json("mean", average);
    const ProbeCalibrationResult result = CalibrateOnePoint(*normal, average);
    if (result.check != ProbeCalibrationCheck::Plausible)
        FailConverter(std::string(ProbeCalibrationProblem(result.check)) + "; nothing written");
    const float coefficient = result.coefficient;
    out.Number("coefficient", ShortestText(coefficient));
    out.Json("written", nullptr);
    if (!WriteConfirmed(options, "Write " + ShortestText(coefficient) +
                                     " 1/cm as the probe coefficient K1 (K0, K2 and K3 become "
                                     "0)?")) {
        FileCalibrationRecord(run, converter, options);
        return ExitSuccess;
    }
    ProbeCoefficients k;
    k.K[1] = coefficient;
    const auto logWrite = [&](const std::optional<ProbeCoefficients>& readBack,
                              const std::string& cause) {
        if (!log) return;
        std::vector<LoggedSetting> entries;
        for (size_t i = 0; i < ks.size(); ++i) {
            const bool took = readBack && SameFloat(readBack->K[i], k.K[i]);
            entries.push_back(LogEntry(
                ks[i], storedRead ? std::optional(value(stored.K[i])) : std::nullopt, value(k.K[i]),
                readBack ? std::optional(value(readBack->K[i])) : std::nullopt,
                took ? "written" : "failed", took ? "" : cause, sensors));
        }
        log->Record("write", entries, MeasurementJson(run));
    };
    if (!link.WriteProbeCoefficients(k)) {
        const std::string failure =
            "no answer to the write of the coefficients; whether the converter took "
            "them is not known (zr3ctl show tells)";
        logWrite(std::nullopt, failure);
        if (log) log->Record("end", {}, {{"status", ExitConverter}});
        FileCalibrationRecord(run, converter, options);
        FailConverter(failure);
    }
    out.Number("written", ShortestText(coefficient));
    if (log || !options.recordFile.empty()) {
        // What the converter holds now, for the log and the record.
        ProbeCoefficients after;
        const bool afterRead = link.ReadProbeCoefficients(after);
        logWrite(afterRead ? std::optional(after) : std::nullopt,
                 afterRead ? "the converter holds another value" : "not answered when read back");
        if (log) log->Record("end", {}, {{"status", ExitSuccess}});
        run.after = afterRead ? coefficientsJson(after) : coefficientsJson(k);
    }
    FileCalibrationRecord(run, converter, options);
    return ExitSuccess;
}
