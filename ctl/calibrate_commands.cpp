// calibrate cable and calibrate probe: the dialogs' 20-sample measurements from the command line.
#include <cmath>
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
#include "model/sample_measurement.h"

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

void RequireComplete(const SampleMeasurement& measurement) {
    if (Interrupted()) FailConverter("interrupted; nothing written");
    if (!measurement.Complete()) FailConverter("the converter stopped answering; nothing written");
}

// Written with --yes, or when the person at the terminal says so.
bool WriteConfirmed(const CtlOptions& options, const std::string& question) {
    if (options.yes) return true;
    if (StdinIsTerminal() && StderrIsTerminal()) return Confirm(question);
    std::cerr << "zr3ctl: not written (give --yes to write)\n";
    return false;
}

}  // namespace

int RunCalibrateCable(const CtlOptions& options) {
    const double interval = IntervalOption(options, DefaultInterval);
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
    if (!normal || *normal == 0.0)
        FailUsage("--normal: \"" + options.normal + "\" is not a conductivity other than 0");
    ConverterSession& s = OpenSession(options);
    CatchInterrupt();
    ConverterLink& link = s.link();
    CalibrationOutput out(options.json);

    float conductance = 0.0f;
    if (!link.ReadConductance(conductance)) FailConverter("Communication error");
    ProbeCoefficients stored;
    if (link.ReadProbeCoefficients(stored)) out.Number("stored", ShortestText(stored.K[1]));

    // The input measures undamped during the calibration; its damping comes back afterwards.
    uint8_t damping = 0;
    if (link.ReadInputDamping(damping) && damping != 0 && !link.WriteInputDamping(0))
        FailConverter("no answer setting the input damping to 0");
    std::vector<float> samples;
    const SampleMeasurement m = Measure(link, &ConverterLink::ReadConductance, interval, samples);
    out.Samples(samples);
    if (damping != 0 && !link.WriteInputDamping(damping)) {
        FailConverter("the input damping could not be set back to " + FormatInteger(damping) +
                      "; it is 0 now");
    }
    RequireComplete(m);

    const double average = m.Average();
    const float coefficient = static_cast<float>(*normal / average);
    out.Number("normal", FormatFixed(static_cast<float>(*normal), 2));
    out.Number("conductance", FormatFixed(static_cast<float>(average), 2));
    out.Json("mean", average);
    if (average == 0.0 || !std::isfinite(coefficient))
        FailConverter("the average conductance gives no coefficient; nothing written");
    out.Number("coefficient", ShortestText(coefficient));
    out.Json("written", nullptr);
    if (!WriteConfirmed(options, "Write " + ShortestText(coefficient) +
                                     " 1/cm as the probe coefficient (K0, K2, K3 = 0)?")) {
        return ExitSuccess;
    }
    ProbeCoefficients k;
    k.K[1] = coefficient;
    if (!link.WriteProbeCoefficients(k)) FailConverter("no answer to the write of the coefficient");
    out.Number("written", ShortestText(coefficient));
    return ExitSuccess;
}
