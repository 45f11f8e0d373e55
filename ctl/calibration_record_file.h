#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

struct CtlOptions;

// One 20-sample calibration as calibrate --record files it.
struct CalibrationRun {
    std::string kind;              // "probe" or "cable"
    std::optional<double> normal;  // the solution's conductivity (probe)
    std::vector<float> samples;
    double mean = 0.0;
    nlohmann::ordered_json before;  // the coefficients or the capacity before
    nlohmann::ordered_json after;   // the same after the write; null when nothing was written
};

// The sample standard deviation (n - 1); 0 for fewer than two samples.
double StandardDeviation(const std::vector<float>& samples);

// A float as the shortest number that reads back to it (12.5, not 12.5000000001).
nlohmann::ordered_json FloatJson(float value);

// The record: what, when, who, where, the converter, the samples with their mean and standard
// deviation, before and after.
nlohmann::ordered_json CalibrationRecord(const CalibrationRun& run,
                                         const nlohmann::ordered_json& converter,
                                         const CtlOptions& options);

// Writes the record to --record's file, when one was given; exit 1 when it cannot be written.
void FileCalibrationRecord(const CalibrationRun& run, const nlohmann::ordered_json& converter,
                           const CtlOptions& options);
