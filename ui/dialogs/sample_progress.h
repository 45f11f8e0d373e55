#pragma once

#include "model/sample_measurement.h"

class ConverterLink;
class ProgressBar;
class ValueField;

// A converter read of one float value, such as &ConverterLink::ReadConductance.
using SampleRead = bool (ConverterLink::*)(float& value);

// One timer tick of a measuring dialog: reads the value through `read`; a failed read does
// nothing more. A given `field` shows the value with `decimals` decimals. While measuring, the
// value is counted and the progress bar follows: one step per counted sample, back to 0 when the
// measurement is complete. True when this sample completed the measurement.
//
//     if (TakeSample(*link, &ConverterLink::ReadConductance, measurement, *progressBar,
//                    conductanceField, 2))
//         FinishMeasurement();
bool TakeSample(ConverterLink& link, SampleRead read, SampleMeasurement& measurement,
                ProgressBar& bar, ValueField* field = nullptr, int decimals = 0);
