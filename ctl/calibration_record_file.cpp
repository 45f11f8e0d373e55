#include "ctl/calibration_record_file.h"

#include <cmath>
#include <ctime>

#include "base/text_escape.h"
#include "ctl/commands.h"
#include "ctl/commissioning_log.h"
#include "ctl/exit_status.h"
#include "ctl/number_words.h"
#include "ctl/who_and_when.h"
#include "model/file_store.h"

double StandardDeviation(const std::vector<float>& samples) {
    if (samples.size() < 2) return 0.0;
    double sum = 0.0;
    for (const float s : samples)
        sum += s;
    const double mean = sum / static_cast<double>(samples.size());
    double squares = 0.0;
    for (const float s : samples)
        squares += (s - mean) * (s - mean);
    return std::sqrt(squares / static_cast<double>(samples.size() - 1));
}

nlohmann::ordered_json FloatJson(float value) {
    if (!std::isfinite(value)) return nullptr;
    return *ParseNumber(ShortestText(value));
}

nlohmann::ordered_json CalibrationRecord(const CalibrationRun& run,
                                         const nlohmann::ordered_json& converter,
                                         const CtlOptions& options) {
    nlohmann::ordered_json record;
    record["format"] = "zr3ctl calibration record";
    record["version"] = 1;
    record["kind"] = run.kind;
    record["time"] = Iso8601Time(std::time(nullptr));
    record["user"] = UserName();
    record["host"] = HostName();
    record["command"] = CommandLineText(options.commandLine);
    record["converter"] = converter;
    if (run.normal) record["normal"] = *run.normal;
    nlohmann::ordered_json samples = nlohmann::ordered_json::array();
    for (const float s : run.samples)
        samples.push_back(FloatJson(s));
    record["samples"] = samples;
    record["mean"] = run.mean;
    record["standard-deviation"] = StandardDeviation(run.samples);
    record["before"] = run.before;
    record["after"] = run.after;
    record["written"] = !run.after.is_null();
    return record;
}

void FileCalibrationRecord(const CalibrationRun& run, const nlohmann::ordered_json& converter,
                           const CtlOptions& options) {
    if (options.recordFile.empty()) return;
    const std::string text =
        CalibrationRecord(run, converter, options)
            .dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) +
        "\n";
    const FileStatus stored =
        StoreFile(options.recordFile, reinterpret_cast<const uint8_t*>(text.data()), text.size());
    if (!stored.ok()) {
        FailConverter("cannot write the record " + EscapeControls(options.recordFile) + ": " +
                      FileStatusText(stored) +
                      (run.after.is_null() ? "" : " (the calibration was written)"));
    }
}
