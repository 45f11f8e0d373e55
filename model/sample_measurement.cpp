#include "model/sample_measurement.h"

#include <cmath>
#include <limits>

void SampleMeasurement::Start() {
    sampleSum = 0.0;
    sampleCount = 0;
    measuring = true;
}

void SampleMeasurement::Cancel() {
    measuring = false;
}

SampleMeasurement::Result SampleMeasurement::AddSample(float value) {
    if (!measuring) return Result::Ignored;
    sampleSum += value;
    ++sampleCount;
    if (sampleCount < SamplesPerMeasurement) return Result::Counted;
    measuring = false;
    sampleSum /= sampleCount;
    return Result::Complete;
}

bool SampleMeasurement::Complete() const {
    return !measuring && sampleCount == SamplesPerMeasurement;
}

double SampleMeasurement::Average() const {
    return Complete() ? sampleSum : 0.0;
}

bool SampleMeasurement::HasUsableAverage() const {
    return Complete() && FitsFloat(sampleSum);
}

bool SampleMeasurement::FitsFloat(double value) {
    return std::isfinite(value) && std::fabs(value) <= std::numeric_limits<float>::max();
}
