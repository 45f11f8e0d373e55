#include "sim/model/control_commands.h"

#include <charconv>
#include <cmath>
#include <cstdint>

namespace sim {
namespace {

template <typename T>
std::string Shortest(T value) {
    char text[48];
    const auto result = std::to_chars(text, text + sizeof(text), value);
    return std::string(text, result.ptr);
}

std::string Hex(uint32_t value, int digits) {
    static const char HexDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4) {
        text += HexDigits[(value >> shift) & 0xF];
    }
    return text;
}

std::string IdentityText(const std::array<uint8_t, 8>& identity) {
    std::string text = "\"";
    for (uint8_t byte : identity) {
        if (byte >= 0x20 && byte < 0x7F && byte != '"' && byte != '\\') {
            text += static_cast<char>(byte);
        } else {
            text += "\\x";
            text += Hex(byte, 2).substr(2);
        }
    }
    return text + "\"";
}

std::string TableText(const SensorSetting& sensor, float lower, float upper) {
    std::string text = "kind " + std::to_string(sensor.kind) + " degree " +
                       std::to_string(sensor.degree) + " table";
    for (float c : sensor.table) {
        text += ' ';
        text += Shortest(c);
    }
    return text + " limits " + Shortest(lower) + " " + Shortest(upper);
}

std::string OnOff(bool on) {
    return on ? "on" : "off";
}

bool ParseOnOff(std::string_view word, bool& on) {
    if (word == "on") {
        on = true;
        return true;
    }
    if (word == "off") {
        on = false;
        return true;
    }
    return false;
}

ControlReply Error(std::string message) {
    ControlReply reply;
    reply.ok = false;
    reply.lines.push_back("error: " + message);
    return reply;
}

ControlReply Ok(std::string detail = {}) {
    ControlReply reply;
    reply.lines.push_back(detail.empty() ? "ok" : "ok " + detail);
    return reply;
}

bool ByteValue(std::string_view word, uint8_t& value) {
    uint64_t number = 0;
    if (!ParseUnsigned(word, number) || number > 0xFF) return false;
    value = static_cast<uint8_t>(number);
    return true;
}

ControlReply SetCommand(DeviceModel& model, const std::vector<std::string_view>& words) {
    if (words.size() < 3) return Error("set needs a name and a value");
    const std::string_view name = words[1];
    const std::string_view word = words[2];
    Measurement& process = model.measurement();
    ConverterState& state = model.mutableState();
    double real = 0.0;
    bool on = false;
    if (name == "identity") {
        // The rest of the line, so that the text may hold blanks.
        std::string text;
        for (size_t i = 2; i < words.size(); ++i) {
            if (i > 2) text += ' ';
            text += words[i];
        }
        if (text.size() > 8) return Error("identity has at most 8 characters");
        model.SetIdentity(text);
        return Ok();
    }
    if (words.size() != 3) return Error("set " + std::string(name) + " takes one value");
    if (name == "temperature" || name == "conductivity" || name == "cell" || name == "capacity") {
        if (!ParseReal(word, real)) return Error("not a number: " + std::string(word));
        if (name == "temperature") process.SetTemperature(real);
        if (name == "conductivity") process.SetConductivity(real);
        if (name == "cell") {
            if (!(real > 0.0)) return Error("the cell constant must be positive");
            process.SetCellConstant(real);
        }
        if (name == "capacity") process.SetCableCapacity(real);
        return Ok();
    }
    if (name == "sensor") {
        if (word == "auto") {
            process.SetWiredSensor(std::nullopt);
            process.OnSensorCommitted(state);
            return Ok();
        }
        const auto wired = SensorModelFromName(word);
        if (!wired) return Error("unknown sensor: " + std::string(word));
        process.SetWiredSensor(*wired);
        return Ok();
    }
    if (name == "noise" || name == "drift") {
        if (!ParseOnOff(word, on)) return Error("on or off");
        if (name == "noise") process.SetNoise(on);
        if (name == "drift") process.SetDrift(on);
        return Ok();
    }
    if (name == "firmware") {
        uint16_t version = 0;
        if (!ParseFirmware(word, version))
            return Error("not a firmware version: " + std::string(word));
        state.firmwareVersion = version;
        return Ok();
    }
    if (name == "serial") {
        int64_t number = 0;
        if (!ParseSigned(word, number) || number < INT32_MIN || number > UINT32_MAX) {
            return Error("not a 32-bit number: " + std::string(word));
        }
        state.serialNumber = static_cast<int32_t>(static_cast<uint32_t>(number));
        return Ok();
    }
    if (name == "output" || name == "relay") {
        uint8_t value = 0;
        if (!ByteValue(word, value)) return Error("not a byte: " + std::string(word));
        (name == "output" ? state.outputVariant : state.relayVariant) = value;
        return Ok();
    }
    return Error("nothing to set called " + std::string(name));
}

}  // namespace

std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r'))
            ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t' && line[i] != '\r')
            ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

bool ParseUnsigned(std::string_view word, uint64_t& value) {
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        word.remove_prefix(2);
        base = 16;
    }
    if (word.empty()) return false;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value, base);
    return result.ec == std::errc() && result.ptr == word.data() + word.size();
}

bool ParseSigned(std::string_view word, int64_t& value) {
    bool negative = false;
    if (!word.empty() && (word[0] == '-' || word[0] == '+')) {
        negative = word[0] == '-';
        word.remove_prefix(1);
    }
    uint64_t magnitude = 0;
    if (!ParseUnsigned(word, magnitude) || magnitude > (uint64_t{1} << 62)) return false;
    value = negative ? -static_cast<int64_t>(magnitude) : static_cast<int64_t>(magnitude);
    return true;
}

bool ParseReal(std::string_view word, double& value) {
    if (!word.empty() && word[0] == '+') word.remove_prefix(1);
    if (word.empty()) return false;
    const auto result = std::from_chars(word.data(), word.data() + word.size(), value);
    return result.ec == std::errc() && result.ptr == word.data() + word.size() &&
           std::isfinite(value);
}

bool ParseFirmware(std::string_view word, uint16_t& version) {
    const size_t dot = word.find('.');
    uint64_t number = 0;
    if (dot == std::string_view::npos) {
        if (!ParseUnsigned(word, number) || number > 0xFFFF) return false;
        version = static_cast<uint16_t>(number);
        return true;
    }
    // "1.03": major and minor in hex, as the tool shows them.
    uint64_t major = 0, minor = 0;
    const auto majorWord = word.substr(0, dot);
    const auto minorWord = word.substr(dot + 1);
    auto hex = [](std::string_view text, uint64_t& out) {
        if (text.empty() || text.size() > 2) return false;
        const auto r = std::from_chars(text.data(), text.data() + text.size(), out, 16);
        return r.ec == std::errc() && r.ptr == text.data() + text.size();
    };
    if (!hex(majorWord, major) || !hex(minorWord, minor)) return false;
    version = static_cast<uint16_t>((major << 8) | minor);
    return true;
}

bool ApplyFaultWords(FaultInjector& faults, const std::vector<std::string_view>& words,
                     std::string& error) {
    if (words.empty()) {
        error = "fault needs a kind";
        return false;
    }
    if (words[0] == "clear" || words[0] == "none") {
        if (words.size() != 1) {
            error = "fault clear takes nothing more";
            return false;
        }
        faults.Clear();
        return true;
    }
    const auto kind = FaultKindFromName(words[0]);
    if (!kind) {
        error = "unknown fault: " + std::string(words[0]);
        return false;
    }
    size_t i = 1;
    uint64_t parameter = DefaultFaultParameter(*kind);
    if (FaultTakesParameter(*kind) && i < words.size() && words[i] != "next" &&
        words[i] != "always" && words[i] != "on") {
        if (!ParseUnsigned(words[i], parameter) || parameter > 100000) {
            error = "not a count of bytes or milliseconds: " + std::string(words[i]);
            return false;
        }
        ++i;
    }
    if (*kind == FaultKind::LongHeader && (parameter < 62 || parameter > 255)) {
        error = "a header length is 62 .. 255";
        return false;
    }
    int code = Fault::AnyCode;
    if (i < words.size() && words[i] == "on") {
        ++i;
        uint32_t value = 0;
        const std::string_view word = i < words.size() ? words[i] : std::string_view();
        const auto result = std::from_chars(word.data(), word.data() + word.size(), value, 16);
        if (word.empty() || word.size() > 2 || result.ptr != word.data() + word.size()) {
            error = "not a request code (two hex digits): " + std::string(word);
            return false;
        }
        code = static_cast<int>(value);
        ++i;
    }
    int count = 1;
    if (i < words.size()) {
        if (words[i] == "always") {
            count = FaultAlways;
            ++i;
        } else if (words[i] == "next") {
            ++i;
            if (i < words.size()) {
                uint64_t n = 0;
                if (!ParseUnsigned(words[i], n) || n == 0 || n > 1000000) {
                    error = "not a count of answers: " + std::string(words[i]);
                    return false;
                }
                count = static_cast<int>(n);
                ++i;
            }
        }
    }
    uint64_t after = 0;
    if (i < words.size() && words[i] == "after") {
        if (++i >= words.size() || !ParseUnsigned(words[i], after) || after > 1000000) {
            error = "after needs a count of answers";
            return false;
        }
        ++i;
    }
    if (i != words.size()) {
        error = "unexpected: " + std::string(words[i]);
        return false;
    }
    faults.Set(*kind, static_cast<uint32_t>(parameter), count, code, static_cast<int>(after));
    return true;
}

std::vector<std::string> DescribeState(const DeviceModel& model) {
    const ConverterState& s = model.state();
    const Measurement& p = model.measurement();
    std::vector<std::string> lines;
    lines.push_back("identity " + IdentityText(s.identity));
    lines.push_back("firmware " + Hex(s.firmwareVersion, 4));
    lines.push_back("serial " + std::to_string(s.serialNumber));
    lines.push_back("output-variant " + std::to_string(s.outputVariant));
    lines.push_back("relay-variant " + std::to_string(s.relayVariant));
    lines.push_back("sensor " + TableText(s.sensor, s.lowerLimit, s.upperLimit));
    lines.push_back("applied " +
                    TableText(s.appliedSensor, s.appliedLowerLimit, s.appliedUpperLimit) +
                    " commits " + std::to_string(s.commits));
    lines.push_back("wired " + std::string(SensorModelName(p.wiredSensor())) +
                    (p.followsCommittedTable() ? " (follows the committed table)" : ""));
    lines.push_back("cable-compensation " + Shortest(s.cableCompensation));
    lines.push_back("temp-coefficient " + Shortest(s.tempCoefficient));
    lines.push_back("reference-temperature " + Shortest(s.referenceTemperature));
    lines.push_back("range " + Shortest(s.rangeStart) + " " + Shortest(s.rangeEnd));
    lines.push_back("relay " + Shortest(s.relay.closeValue) + " " + Shortest(s.relay.openValue) +
                    " " + std::to_string(s.relay.closeDelay) + " " +
                    std::to_string(s.relay.openDelay));
    lines.push_back("temp-damping " + std::to_string(s.tempDamping));
    lines.push_back("input-damping " + std::to_string(s.inputDamping));
    lines.push_back("compensation-mode " + std::to_string(s.compensationMode));
    lines.push_back("probe " + Shortest(s.probe[0]) + " " + Shortest(s.probe[1]) + " " +
                    Shortest(s.probe[2]) + " " + Shortest(s.probe[3]));
    lines.push_back("process temperature " + Shortest(p.temperatureSetting()) + " now " +
                    Shortest(p.ProcessTemperature()) + " conductivity " +
                    Shortest(p.conductivitySetting()) + " cell " +
                    Shortest(p.cellConstantSetting()) + " capacity " +
                    Shortest(p.cableCapacitySetting()));
    lines.push_back("sensor-broken " + OnOff(p.broken()) + " noise " + OnOff(p.noiseOn()) +
                    " drift " + OnOff(p.driftOn()) + " clock-ms " + std::to_string(p.clockMs()));
    lines.push_back("fault " + model.faults().Describe());
    lines.push_back("answered " + std::to_string(model.answeredCount()) + " ignored " +
                    std::to_string(model.ignoredCount()));
    return lines;
}

std::vector<std::string> ControlHelp() {
    return {
        "fault KIND [N] [on CODE] [next [COUNT] | always] [after SKIP]  spoil the next answer,",
        "    the next COUNT, or all; with on CODE (two hex digits) only answers to requests with",
        "    that code; after SKIP lets SKIP answers pass untouched first",
        "    KIND: silence | checksum | nak (first byte 0x15) | length (one byte too many)",
        "          cut N (only N bytes, default 3) | header N (length byte N >= 62, default 62)",
        "          garbage N (N noise bytes first, default 3) | slow N (N ms before each byte",
        "          after the first, default 150)",
        "fault clear                             no more faults",
        "set temperature C | conductivity US_CM | cell PER_CM | capacity X",
        "set sensor auto | pt100 | pt1000 | ni5000 | ni6180 | ntc   the sensor on the terminals",
        "set noise on|off | drift on|off | firmware V | identity TEXT | serial N",
        "set output N | relay N                  output and relay variants",
        "sensor broken on|off                    an open sensor circuit",
        "advance MS                              let the converter's clock run on",
        "show                                    every stored value",
        "help | quit",
    };
}

ControlReply ExecuteControl(DeviceModel& model, std::string_view line) {
    const auto words = SplitWords(line);
    if (words.empty() || words[0].front() == '#') return ControlReply{};
    const std::string_view command = words[0];
    if (command == "fault") {
        std::string error;
        const std::vector<std::string_view> rest(words.begin() + 1, words.end());
        if (!ApplyFaultWords(model.faults(), rest, error)) return Error(error);
        return Ok(model.faults().Describe());
    }
    if (command == "set") return SetCommand(model, words);
    if (command == "sensor") {
        bool on = false;
        if (words.size() != 3 || words[1] != "broken" || !ParseOnOff(words[2], on)) {
            return Error("sensor broken on|off");
        }
        model.SetSensorBroken(on);
        return Ok();
    }
    if (command == "advance") {
        uint64_t ms = 0;
        if (words.size() != 2 || !ParseUnsigned(words[1], ms)) return Error("advance MS");
        model.Advance(ms);
        return Ok();
    }
    if (command == "show" || command == "help") {
        ControlReply reply;
        reply.lines = command == "show" ? DescribeState(model) : ControlHelp();
        reply.lines.push_back("ok");
        return reply;
    }
    if (command == "quit" || command == "exit") {
        ControlReply reply = Ok("bye");
        reply.quit = true;
        return reply;
    }
    return Error("unknown command: " + std::string(command) + " (try help)");
}

}  // namespace sim
