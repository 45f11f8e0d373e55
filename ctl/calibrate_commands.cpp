// calibrate cable and calibrate probe: the dialogs' 20-sample measurements from the command line.
#include <iostream>

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
    float stored = 0.0f;
    if (!s.link().ReadCableCompensation(stored)) FailConverter("Communication error");
    std::cout << "stored: " << FormatFloat(stored) << '\n';

    const SampleMeasurement m = Measure(s.link(), &ConverterLink::ReadCableCapacity, interval);
    RequireComplete(m);
    const float average = static_cast<float>(m.Average());
    std::cout << "measured: " << FormatFloat(average) << '\n';
    // An average of 0 is no measurement, as in the dialog.
    if (average == 0.0f || !m.HasUsableAverage())
        FailConverter("the average is no usable capacity; nothing written");
    if (!WriteConfirmed(options, "Store " + FormatFloat(average) + " as the cable compensation?"))
        return ExitSuccess;
    float answered = average;
    if (!s.link().WriteFloat(CodeCableCompensation, answered))
        FailConverter("no answer to the write; the stored value is unknown");
    std::cout << "written: " << FormatFloat(answered) << '\n';
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

    float conductance = 0.0f;
    if (!link.ReadConductance(conductance)) FailConverter("Communication error");
    ProbeCoefficients stored;
    if (link.ReadProbeCoefficients(stored))
        std::cout << "stored: " << FormatFixed(stored.K[1], 4) << '\n';

    // The input measures undamped during the calibration; its damping comes back on every way
    // out the process lives through, signals included.
    HeldInputDamping damping;
    const bool held = damping.Hold(link);
    const bool touched = damping.Holding();
    const std::string holdProblem = damping.Message();
    SampleMeasurement m;
    if (held) m = Measure(link, &ConverterLink::ReadConductance, interval);
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
    std::cout << "normal: " << FormatFixed(static_cast<float>(*normal), 2) << '\n'
              << "conductance: " << FormatFixed(static_cast<float>(average), 2) << '\n';
    const ProbeCalibrationResult result = CalibrateOnePoint(*normal, average);
    if (result.check != ProbeCalibrationCheck::Plausible)
        FailConverter(std::string(ProbeCalibrationProblem(result.check)) + "; nothing written");
    const float coefficient = result.coefficient;
    std::cout << "coefficient: " << FormatFixed(coefficient, 4) << '\n';
    if (!WriteConfirmed(options, "Write " + FormatFixed(coefficient, 4) +
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
    std::cout << "written: " << FormatFixed(coefficient, 4) << " as K1; K0, K2 and K3 are 0\n";
    return ExitSuccess;
}
