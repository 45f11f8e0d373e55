#include "ctl/setting_value.h"

#include <cctype>
#include <cmath>
#include <vector>

#include "base/number_text.h"
#include "base/text_escape.h"
#include "ctl/exit_status.h"
#include "ctl/number_words.h"
#include "model/probe_characteristic.h"
#include "model/sensor_transfer.h"

namespace {

enum class ValueKind { Damping, Float, Percent, Mode, Sensor, Delay };

ValueKind KindOf(SettingId id) {
    switch (id) {
        case SettingId::InputDamping:
        case SettingId::TempDamping:
            return ValueKind::Damping;
        case SettingId::Compensation:
            return ValueKind::Mode;
        case SettingId::Sensor:
            return ValueKind::Sensor;
        case SettingId::Coefficient:
            return ValueKind::Percent;
        case SettingId::RelayCloseDelay:
        case SettingId::RelayOpenDelay:
            return ValueKind::Delay;
        default:
            return ValueKind::Float;
    }
}

constexpr const char* ModeNames[] = {"off", "linear", "nonlinear"};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string SensorChoices(SensorList& sensors) {
    std::string text;
    for (int i = 0; i < sensors.Count; ++i) {
        if (i) text += ", ";
        text += std::string("\"") + sensors.SensorAt(i)->name + "\"";
    }
    return text;
}

// "\"Ni1000 (5000)\" or \"Ni1000 (6180)\"": the models whose first word is the name, when more than
// one has it.
std::string SensorCandidates(SensorList& sensors, std::string_view name) {
    std::vector<std::string> found;
    for (int i = 0; i < sensors.Count; ++i) {
        const std::string full = sensors.SensorAt(i)->name;
        if (Lower(full.substr(0, full.find(' '))) == Lower(name)) found.push_back(full);
    }
    if (found.size() < 2) return std::string();
    std::string text;
    for (size_t i = 0; i < found.size(); ++i)
        text += (i == 0 ? "" : i + 1 == found.size() ? " or " : ", ") + ("\"" + found[i] + "\"");
    return text;
}

[[noreturn]] void Refuse(SettingId id, std::string_view word, const std::string& expected) {
    FailUsage(std::string(NameOf(id)) + ": \"" + EscapeControls(word) + "\" is not " + expected);
}

}  // namespace

int SensorNamed(SensorList& sensors, std::string_view name) {
    const std::string wanted = Lower(name);
    int found = -1;
    int matches = 0;
    for (int i = 0; i < sensors.Count; ++i) {
        const std::string full = Lower(sensors.SensorAt(i)->name);
        if (full == wanted) return i;
        if (full.substr(0, full.find(' ')) == wanted) {
            found = i;
            ++matches;
        }
    }
    return matches == 1 ? found : -1;
}

SettingValue ParseSettingWord(SettingId id, std::string_view word, SensorList& sensors) {
    SettingValue value;
    switch (KindOf(id)) {
        case ValueKind::Damping: {
            const auto n = ParseWholeNumber(word, 0, MaxDamping);
            if (!n) Refuse(id, word, "a damping of 0 .. 30");
            value.integer = static_cast<uint32_t>(*n);
            break;
        }
        case ValueKind::Delay: {
            const auto n = ParseWholeNumber(word, 0, 65535);
            if (!n) Refuse(id, word, "a delay of 0 .. 65535");
            value.integer = static_cast<uint32_t>(*n);
            break;
        }
        case ValueKind::Float: {
            const auto f = ParseFloatValue(word);
            if (!f) Refuse(id, word, "a finite number" + PointHint(word));
            value.number = *f;
            break;
        }
        case ValueKind::Percent: {
            const auto p = ParseNumber(word);
            const float fraction = p ? FractionOfPercent(*p) : 0.0f;
            if (!p || !std::isfinite(fraction))
                Refuse(id, word, "a finite number (in %)" + PointHint(word));
            value.number = fraction;
            break;
        }
        case ValueKind::Mode: {
            const std::string lower = Lower(word);
            bool found = false;
            for (uint32_t m = 0; m < 3; ++m) {
                if (lower == ModeNames[m]) {
                    value.integer = m;
                    found = true;
                }
            }
            if (!found) Refuse(id, word, "off, linear or nonlinear");
            break;
        }
        case ValueKind::Sensor: {
            value.sensor = SensorNamed(sensors, word);
            if (value.sensor >= 0) break;
            const std::string candidates = SensorCandidates(sensors, word);
            if (!candidates.empty())
                FailUsage("sensor: \"" + std::string(word) + "\" could be " + candidates);
            Refuse(id, word, "a sensor model: " + SensorChoices(sensors));
        }
    }
    return value;
}

std::string SettingText(SettingId id, const SettingValue& value, SensorList& sensors) {
    switch (KindOf(id)) {
        case ValueKind::Float:
            return ShortestText(value.number);
        case ValueKind::Percent:
            return PercentText(value.number);
        case ValueKind::Mode:
            if (value.integer < 3) return ModeNames[value.integer];
            return "unknown mode " + FormatInteger(static_cast<int32_t>(value.integer));
        case ValueKind::Sensor:
            if (value.sensor >= 0 && value.sensor < sensors.Count)
                return sensors.SensorAt(value.sensor)->name;
            return "unknown (the table matches no model)";
        default:
            return FormatInteger(static_cast<int32_t>(value.integer));
    }
}

nlohmann::ordered_json SettingJson(SettingId id, const SettingValue& value, SensorList& sensors) {
    const ValueKind kind = KindOf(id);
    // A converter may hold a float that is no number; JSON has none, so it is not recorded.
    if ((kind == ValueKind::Float || kind == ValueKind::Percent) && !std::isfinite(value.number))
        return nullptr;
    switch (kind) {
        case ValueKind::Float:
            return *ParseNumber(ShortestText(value.number));
        case ValueKind::Percent:
            return *ParseNumber(PercentText(value.number));
        case ValueKind::Mode:
            if (value.integer < 3) return ModeNames[value.integer];
            return value.integer;
        case ValueKind::Sensor:
            if (value.sensor >= 0 && value.sensor < sensors.Count)
                return sensors.SensorAt(value.sensor)->name;
            return nullptr;
        default:
            return value.integer;
    }
}

std::optional<SettingValue> SettingFromJson(SettingId id, const nlohmann::ordered_json& json,
                                            SensorList& sensors) {
    const ValueKind kind = KindOf(id);
    if (json.is_null()) return std::nullopt;
    if (kind == ValueKind::Mode || kind == ValueKind::Sensor) {
        if (!json.is_string()) Refuse(id, json.dump(), "a text");
        return ParseSettingWord(id, json.get<std::string>(), sensors);
    }
    if (kind == ValueKind::Damping || kind == ValueKind::Delay) {
        if (!json.is_number_integer()) Refuse(id, json.dump(), "a whole number");
        return ParseSettingWord(id, json.dump(), sensors);
    }
    if (!json.is_number()) Refuse(id, json.dump(), "a number");
    // The shortest text of the double reads back to the same double.
    return ParseSettingWord(id, json.dump(), sensors);
}

bool FirmwareHasSetting(SettingId id, uint16_t firmware) {
    return id != SettingId::K0 || firmware >= ConstantTermFirmware;
}

std::string FirmwareObjection(SettingId id, const SettingValue& value, SensorList& sensors,
                              uint16_t firmware) {
    const std::string version = FormatVersion(firmware);
    if (id == SettingId::Compensation && value.integer == 2 &&
        firmware < FirstFirmwareWithNonlinear) {
        return "compensation nonlinear needs firmware 1.02 or later; this converter has " + version;
    }
    if (id == SettingId::Sensor && value.sensor >= 0 &&
        sensors.SensorAt(value.sensor)->kind == TemperatureSensor::ThermistorKind &&
        firmware < FirstFirmwareWithThermistor) {
        return std::string("sensor ") + sensors.SensorAt(value.sensor)->name +
               " needs firmware 1.01 or later; this converter has " + version;
    }
    if (id == SettingId::K0 && value.number != 0.0f && firmware < ConstantTermFirmware) {
        return "k0 " + ShortestText(value.number) +
               ": a converter before firmware 1.03 has no k0; this converter has " + version;
    }
    return std::string();
}
