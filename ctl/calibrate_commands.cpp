// calibrate cable and calibrate probe: the dialogs' 20-sample measurements from the command line.
#include <iostream>
#include <limits>
#include <nlohmann/json.hpp>
#include <vector>

#include "base/number_text.h"
#include "ctl/commands.h"
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

}  // namespace

int RunCalibrateCable(const CtlOptions& options) {
    const double interval = IntervalOption(options, DefaultInterval);
    RequireConfirmation(options, "calibrate cable");
    ConverterSession& s = OpenSession(options);
    CatchInterrupt();
    CalibrationOutput out(options.json);
    float stored = 0.0f;
    if (!s.link().ReadCableCompensation(stored)) FailConverter("Communication error");
    out.Number("stored", ShortestText(stored));

    std::vector<float> samples;
    const SampleMeasurement m =
        Measure(s.link(), &ConverterLink::ReadCableCapacity, interval, samples);
    out.Samples(samples);
    RequireComplete(m);
    const float average = static_cast<float>(m.Average());
    out.Number("measured", ShortestText(average));
    out.Json("mean", m.Average());
    out.Json("written", nullptr);
    // An average of 0 is no measurement, as in the dialog.
    if (average == 0.0f || !m.HasUsableAverage())
        FailConverter("the average is no usable capacity; nothing written");
    if (!WriteConfirmed(options, "Store " + ShortestText(average) + " as the cable compensation?"))
        return ExitSuccess;
    float answered = average;
    if (!s.link().WriteFloat(CodeCableCompensation, answered))
        FailConverter("no answer to the write; the stored value is unknown");
    out.Number("written", ShortestText(answered));
    return ExitSuccess;
}

int RunCalibrateProbe(const CtlOptions& options) {
    const double interval = IntervalOption(options, DefaultInterval);
    const auto normal = ParseNumber(options.normal);
    if (!normal || !NormalIsPlausible(*normal)) {
        FailUsage("--normal: \"" + options.normal + "\" is refused: " +
                  ProbeCalibrationProblem(ProbeCalibrationCheck::NormalNotPlausible));
    }
    RequireConfirmation(options, "calibrate probe");
    ConverterSession& s = OpenSession(options);
    CatchInterrupt();
    ConverterLink& link = s.link();
    CalibrationOutput out(options.json);

    float conductance = 0.0f;
    if (!link.ReadConductance(conductance)) FailConverter("Communication error");
    ProbeCoefficients stored;
    if (link.ReadProbeCoefficients(stored)) out.Number("stored", ShortestText(stored.K[1]));

    // The input measures undamped during the calibration; its damping comes back on every way
    // out the process lives through, signals included.
    HeldInputDamping damping;
    const bool held = damping.Hold(link);
    const bool touched = damping.Holding();
    const std::string holdProblem = damping.Message();
    SampleMeasurement m;
    std::vector<float> samples;
    if (held) m = Measure(link, &ConverterLink::ReadConductance, interval, samples);
    out.Samples(samples);
    if (!damping.GiveBack(link)) {
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
        return ExitSuccess;
    }
    ProbeCoefficients k;
    k.K[1] = coefficient;
    if (!link.WriteProbeCoefficients(k)) {
        FailConverter(
            "no answer to the write of the coefficients; whether the converter took "
            "them is not known (zr3ctl show tells)");
    }
    out.Number("written", ShortestText(coefficient));
    return ExitSuccess;
}
