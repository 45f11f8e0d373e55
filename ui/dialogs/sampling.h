#pragma once

#include <cstdint>

#include <windows.h>

// The timed measurement shared by the calibration dialogs: one sample per timer tick, averaged
// over a fixed number of successful reads.
constexpr UINT SampleTimerPeriod = 650;
constexpr int32_t SamplesPerMeasurement = 20;
