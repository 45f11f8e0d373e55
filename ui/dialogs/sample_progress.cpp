#include "ui/dialogs/sample_progress.h"

#include "ui/framework/progress_bar.h"

bool CountSample(SampleMeasurement& measurement, ProgressBar& bar, float value) {
    const SampleMeasurement::Result result = measurement.AddSample(value);
    if (result == SampleMeasurement::Result::Ignored) return false;
    bar.StepIt();
    if (result != SampleMeasurement::Result::Complete) return false;
    bar.SetPosition(0);
    return true;
}
