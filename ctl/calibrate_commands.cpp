// calibrate cable and calibrate probe: the dialogs' 20-sample measurements from the command line.
#include <cmath>
#include <iostream>
#include <limits>

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
SampleMeasurement Measure(ConverterLink& link, bool (ConverterLink::*read)(float&),
                          double interval) {
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
    float stored = 0.0f;
    if (!s.link().ReadCableCompensation(stored)) FailConverter("Communication error");
    std::cout << "stored: " << ShortestText(stored) << '\n';

    const SampleMeasurement m = Measure(s.link(), &ConverterLink::ReadCableCapacity, interval);
    RequireComplete(m);
    const float average = static_cast<float>(m.Average());
    std::cout << "measured: " << ShortestText(average) << '\n';
    // An average of 0 is no measurement, as in the dialog.
    if (average == 0.0f || !m.HasUsableAverage())
        FailConverter("the average is no usable capacity; nothing written");
    if (!WriteConfirmed(options, "Store " + ShortestText(average) + " as the cable compensation?"))
        return ExitSuccess;
    float answered = average;
    if (!s.link().WriteFloat(CodeCableCompensation, answered))
        FailConverter("no answer to the write; the stored value is unknown");
    std::cout << "written: " << ShortestText(answered) << '\n';
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

    float conductance = 0.0f;
    if (!link.ReadConductance(conductance)) FailConverter("Communication error");
    ProbeCoefficients stored;
    if (link.ReadProbeCoefficients(stored))
        std::cout << "stored: " << ShortestText(stored.K[1]) << '\n';

    // The input measures undamped during the calibration; its damping comes back afterwards.
    uint8_t damping = 0;
    if (link.ReadInputDamping(damping) && damping != 0 && !link.WriteInputDamping(0))
        FailConverter("no answer setting the input damping to 0");
    const SampleMeasurement m = Measure(link, &ConverterLink::ReadConductance, interval);
    if (damping != 0 && !link.WriteInputDamping(damping)) {
        FailConverter("the input damping could not be set back to " + FormatInteger(damping) +
                      "; it is 0 now");
    }
    RequireComplete(m);

    const double average = m.Average();
    const float coefficient = static_cast<float>(*normal / average);
    std::cout << "normal: " << FormatFixed(static_cast<float>(*normal), 2) << '\n'
              << "conductance: " << FormatFixed(static_cast<float>(average), 2) << '\n';
    if (average == 0.0 || !std::isfinite(coefficient))
        FailConverter("the average conductance gives no coefficient; nothing written");
    std::cout << "coefficient: " << ShortestText(coefficient) << '\n';
    if (!WriteConfirmed(options, "Write " + ShortestText(coefficient) +
                                     " 1/cm as the probe coefficient (K0, K2, K3 = 0)?")) {
        return ExitSuccess;
    }
    ProbeCoefficients k;
    k.K[1] = coefficient;
    if (!link.WriteProbeCoefficients(k)) FailConverter("no answer to the write of the coefficient");
    std::cout << "written: " << ShortestText(coefficient) << '\n';
    return ExitSuccess;
}
