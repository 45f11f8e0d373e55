#pragma once

#include "model/sample_measurement.h"

class ProgressBar;

// The progress bar of a measuring dialog follows its measurement: one step per counted sample,
// back to 0 when the measurement is complete.
//
//     if (CountSample(measurement, *progressBar, value)) FinishMeasurement();
//
// Counts one successful reading while measuring; true when it completed the measurement.
bool CountSample(SampleMeasurement& measurement, ProgressBar& bar, float value);
