#pragma once

#include <cstdint>

// The timed measurement of the calibration procedures: one reading per tick, a failed read
// counts nothing, and the average of a fixed number of successful readings is the result.
//
//     measurement.Start();
//     // each tick, after a successful read:
//     if (measurement.AddSample(value) == SampleMeasurement::Result::Complete)
//     use(measurement.Average());
class SampleMeasurement {
  public:
    static constexpr int32_t SamplesPerMeasurement = 20;
    // Milliseconds between two readings.
    static constexpr uint32_t TickPeriod = 650;

    enum class Result { Ignored, Counted, Complete };

    // Begins a new measurement; the result of the previous one is gone.
    void Start();
    // Abandons a running measurement; its partial sum is no result.
    void Cancel();
    // One successful reading. Counted while measuring; the last one ends the measurement and
    // leaves the average in sampleSum.
    Result AddSample(float value);

    // A measurement ran to its end.
    bool Complete() const;
    // The average of the last complete measurement, 0 when there is none.
    double Average() const;
    // The average is a number that a converter's float can hold: complete, finite, in range.
    bool HasUsableAverage() const;
    // A value that a converter's float can hold: finite and within the float range.
    static bool FitsFloat(double value);

    // The running sum while measuring, the average once complete.
    double sampleSum = 0.0;
    int32_t sampleCount = 0;
    bool measuring = false;
};
