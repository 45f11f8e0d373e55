// monitor: the five live values, one line per reading, as the main window polls them.
#include <algorithm>
#include <bit>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <optional>

#include "base/number_text.h"
#include "base/text_escape.h"
#include "ctl/commands.h"
#include "ctl/converter_session.h"
#include "ctl/exit_status.h"
#include "ctl/number_words.h"
#include "ctl/terminal.h"

namespace {

// The bit pattern of a failed resistance measurement and of an invalid temperature.
constexpr uint32_t FailedPattern = 0xFFFFFFFF;

struct Field {
    const char* name;
    std::string text;     // the value, "Failure", "Invalid", or "-" when not answered
    std::string csvText;  // the value, or empty
};

Field Value(const char* name, std::optional<float> value, int decimals, float scale = 1.0f,
            const char* flagged = nullptr) {
    if (!value) return {name, "-", ""};
    if (flagged != nullptr && std::bit_cast<uint32_t>(*value) == FailedPattern)
        return {name, flagged, ""};
    const std::string text = FormatFixed(*value * scale, decimals);
    return {name, text, text};
}

std::optional<float> Read(ConverterLink& link, bool (ConverterLink::*read)(float&)) {
    float value = 0.0f;
    if (!(link.*read)(value)) return std::nullopt;
    return value;
}

std::string LineGoneText(const CtlOptions& options) {
    return "the line to the converter has gone (" + options.port + " hung up or was removed)";
}

}  // namespace

int RunMonitor(const CtlOptions& options) {
    const double interval = IntervalOption(options, 1.0);
    int64_t count = 0;
    if (!options.count.empty()) {
        const auto n = ParseWholeNumber(options.count, 0, INT32_MAX);
        if (!n)
            FailUsage("--count: \"" + EscapeControls(options.count) +
                      "\" is not a number of readings");
        count = *n;
    }
    ConverterSession& s = OpenSession(options);
    CatchInterrupt();
    if (options.csv) std::cout << "resistance,temperature,conductance,value,ratio\n";
    int status = ExitSuccess;
    // A converter that stays silent is told once per interval (at least a second), not per try.
    const auto silenceNote = std::chrono::duration<double>(std::max(interval, 1.0));
    std::optional<std::chrono::steady_clock::time_point> lastSilenceNote;
    for (int64_t i = 0; count == 0 || i < count; ++i) {
        if (i > 0) PauseSeconds(interval);
        if (Interrupted()) break;
        // A failed resistance read ends the cycle: the converter is not there.
        const auto resistance = Read(s.link(), &ConverterLink::ReadResistance);
        if (!resistance) {
            if (s.link().port().LineGone()) FailConverter(LineGoneText(options));
            const auto now = std::chrono::steady_clock::now();
            if (!lastSilenceNote || now - *lastSilenceNote >= silenceNote) {
                std::cerr << "zr3ctl: no answer\n";
                lastSilenceNote = now;
            }
            status = ExitConverter;
            continue;
        }
        lastSilenceNote.reset();
        const auto temperature = Read(s.link(), &ConverterLink::ReadTemperature);
        const Field fields[] = {
            Value("resistance", resistance, 1, 1.0f, "Failure"),
            Value("temperature", temperature, 1, 1.0f, "Invalid"),
            Value("conductance", Read(s.link(), &ConverterLink::ReadConductance), 2),
            Value("value", Read(s.link(), &ConverterLink::ReadConductivity), 2),
            Value("ratio", Read(s.link(), &ConverterLink::ReadRatio), 2, 100.0f),
        };
        for (size_t f = 0; f < std::size(fields); ++f) {
            if (options.csv)
                std::cout << (f ? "," : "") << fields[f].csvText;
            else
                std::cout << (f ? " " : "") << fields[f].name << '=' << fields[f].text;
        }
        std::cout << '\n';
        std::string why;
        if (!OutputWritten(why)) FailConverter("cannot write the output: " + why);
        if (s.link().port().LineGone()) FailConverter(LineGoneText(options));
    }
    return status;
}
