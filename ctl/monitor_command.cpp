// monitor: the five live values, one row per reading, as the main window polls them: a time
// stamp first, a row with a status also for a reading that failed.
#include <bit>
#include <chrono>
#include <cstdint>
#include <iostream>
#include <nlohmann/json.hpp>
#include <optional>

#include "base/number_text.h"
#include "base/text_escape.h"
#include "ctl/commands.h"
#include "ctl/converter_session.h"
#include "ctl/exit_status.h"
#include "ctl/monitor_schedule.h"
#include "ctl/number_words.h"
#include "ctl/terminal.h"
#include "ctl/time_stamp.h"

namespace {

// The bit pattern of a failed resistance measurement and of an invalid temperature.
constexpr uint32_t FailedPattern = 0xFFFFFFFF;

struct Quantity {
    const char* name = "";
    const char* unit = "";
    bool (ConverterLink::*read)(float&) = nullptr;
    int decimals = 2;
    float scale = 1.0f;
    const char* flagged = nullptr;  // the text of the failure pattern, where it has one
};

constexpr Quantity Quantities[] = {
    {"resistance", "ohm", &ConverterLink::ReadResistance, 1, 1.0f, "Failure"},
    {"temperature", "degC", &ConverterLink::ReadTemperature, 1, 1.0f, "Invalid"},
    {"conductance", "uS", &ConverterLink::ReadConductance, 2, 1.0f, nullptr},
    {"value", "uS/cm", &ConverterLink::ReadConductivity, 2, 1.0f, nullptr},
    {"ratio", "%", &ConverterLink::ReadRatio, 2, 100.0f, nullptr},
};

struct Field {
    std::string text;             // the value, "Failure", "Invalid", or "-" when not answered
    std::string csvText;          // the value, or empty
    nlohmann::ordered_json json;  // the number, or null
};

Field FieldOf(const Quantity& q, std::optional<float> value) {
    if (!value) return {"-", "", nullptr};
    if (q.flagged != nullptr && std::bit_cast<uint32_t>(*value) == FailedPattern)
        return {q.flagged, "", nullptr};
    const std::string text = FormatFixed(*value * q.scale, q.decimals);
    return {text, text, *ParseNumber(text)};
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
    if (options.csv) {
        std::cout << "time";
        for (const Quantity& q : Quantities)
            std::cout << ',' << q.name << " [" << q.unit << ']';
        std::cout << ",status\n";
    }
    int status = ExitSuccess;
    RunMonitorSchedule(SystemMonitorClock(), interval, count, [&](int64_t) {
        const std::string time = IsoTimeStamp(std::chrono::system_clock::now());
        std::string rowStatus = "ok";
        Field fields[std::size(Quantities)];
        for (size_t f = 0; f < std::size(Quantities); ++f) {
            const Quantity& q = Quantities[f];
            s.link().ClearGivenUp();
            float value = 0.0f;
            std::optional<float> read;
            if ((s.link().*q.read)(value)) {
                read = value;
            } else if (rowStatus == "ok") {
                rowStatus = FailureCause(s.link());
            }
            fields[f] = FieldOf(q, read);
            // A failed resistance read ends the reading: the converter is not there.
            if (!read && f == 0) break;
        }
        if (rowStatus == "ok" && fields[0].text == "Failure") rowStatus = "failure";
        if (rowStatus != "ok" && rowStatus != "failure") status = ExitConverter;
        if (options.json) {
            nlohmann::ordered_json row;
            row["time"] = time;
            for (size_t f = 0; f < std::size(Quantities); ++f)
                row[Quantities[f].name] = fields[f].json;
            row["status"] = rowStatus;
            std::cout << row.dump() << '\n';
        } else if (options.csv) {
            std::cout << time;
            for (const Field& field : fields)
                std::cout << ',' << field.csvText;
            std::cout << ',' << rowStatus << '\n';
        } else {
            std::cout << time;
            for (size_t f = 0; f < std::size(Quantities); ++f)
                std::cout << ' ' << Quantities[f].name << '='
                          << (fields[f].text.empty() ? "-" : fields[f].text);
            std::cout << " status=" << rowStatus << '\n';
        }
        std::string why;
        if (!OutputWritten(why)) FailConverter("cannot write the output: " + why);
        // A port the system reports gone gives no further readings.
        if (s.link().port().LineGone()) FailConverter(LineGoneText(options));
        return true;
    });
    return status;
}
