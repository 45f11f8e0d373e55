#include "ui/dialogs/sample_progress.h"

#include "link/converter_link.h"
#include "ui/framework/progress_bar.h"
#include "ui/framework/static_text.h"

bool TakeSample(ConverterLink& link, SampleRead read, SampleMeasurement& measurement,
                ProgressBar& bar, ValueField* field, int decimals) {
    float value = 0.0f;
    if (!(link.*read)(value)) return false;
    if (field != nullptr) field->SetFixed(value, decimals);
    const SampleMeasurement::Result result = measurement.AddSample(value);
    if (result == SampleMeasurement::Result::Ignored) return false;
    bar.StepIt();
    if (result != SampleMeasurement::Result::Complete) return false;
    bar.SetPosition(0);
    return true;
}
