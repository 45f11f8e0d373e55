#include "sim/model/device_model.h"

#include <algorithm>
#include <bit>

#include "sim/model/wire_bytes.h"

namespace sim {
namespace {

constexpr uint8_t AnswerStart = 0x06;

enum Access : uint8_t { Read = 1, Write = 2, Command = 4 };

struct Parameter {
    uint8_t code;
    uint8_t length;  // data bytes of a write and of every answer
    uint8_t access;
};

// The converter's parameter map.
constexpr Parameter Parameters[] = {
    {0x21, 8, Read},          {0x22, 2, Read},         {0x23, 4, Read},
    {0x24, 4, Read},          {0x25, 4, Read},         {0x28, 4, Read},
    {0x29, 4, Read},          {0x2A, 4, Read},         {0x2B, 4, Read},
    {0x2C, 1, Command},       {0x32, 1, Read | Write}, {0x33, 1, Read},
    {0x34, 1, Read},          {0x38, 4, Read | Write}, {0x39, 4, Write},
    {0x3A, 4, Write},         {0x3B, 1, Read | Write}, {0x3C, 20, Read | Write},
    {0x3D, 12, Read | Write}, {0x3E, 4, Read | Write}, {0x3F, 4, Read | Write},
    {0x40, 4, Read | Write},  {0x41, 4, Read | Write}, {0x42, 12, Read | Write},
    {0x43, 1, Read | Write},  {0x44, 1, Read | Write}, {0x45, 1, Read | Write},
    {0x46, 16, Read | Write},
};

const Parameter* FindParameter(uint8_t code) {
    for (const auto& parameter : Parameters) {
        if (parameter.code == code) return &parameter;
    }
    return nullptr;
}

std::vector<uint8_t> Frame(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> frame;
    frame.reserve(data.size() + 3);
    frame.push_back(AnswerStart);
    frame.push_back(static_cast<uint8_t>(data.size()));
    frame.insert(frame.end(), data.begin(), data.end());
    frame.push_back(ChecksumOf(frame.data(), frame.size()));
    return frame;
}

std::vector<uint8_t> ByteData(uint8_t value) {
    return {value};
}

std::vector<uint8_t> FloatData(float value) {
    std::vector<uint8_t> data;
    AppendFloat(data, value);
    return data;
}

std::vector<uint8_t> BitsData(uint32_t bits) {
    std::vector<uint8_t> data;
    AppendUint32(data, bits);
    return data;
}

std::vector<uint8_t> FloatsData(const float* values, size_t count) {
    std::vector<uint8_t> data;
    for (size_t i = 0; i < count; ++i)
        AppendFloat(data, values[i]);
    return data;
}

void ReadFloats(const uint8_t* bytes, float* values, size_t count) {
    for (size_t i = 0; i < count; ++i)
        values[i] = FloatAt(bytes + 4 * i);
}

// Compensation modes the firmware knows; a mode it does not know leaves the old one.
uint8_t AcceptedMode(uint8_t requested, uint8_t current, uint16_t firmware) {
    const uint8_t mode = std::min(requested, MaxCompensationMode);
    if (mode == 2 && firmware < FirmwareWithNonlinearMode) return current;
    return mode;
}

}  // namespace

std::vector<uint8_t> RequestBytes(const Request& request) {
    std::vector<uint8_t> frame;
    frame.reserve(request.length + 4u);
    frame.push_back(RequestStart);
    frame.push_back(request.code);
    frame.push_back(request.length);
    for (size_t i = 0; i < request.length && i < request.data.size(); ++i) {
        frame.push_back(request.data[i]);
    }
    frame.push_back(ChecksumOf(frame.data(), frame.size()));
    return frame;
}

DeviceModel::DeviceModel(const DeviceOptions& options) : process(options.process) {
    SetIdentity(options.identity);
    converter.firmwareVersion = options.firmwareVersion;
    converter.serialNumber = options.serialNumber;
    converter.outputVariant = options.outputVariant;
    converter.relayVariant = options.relayVariant;

    // Factory settings: a Pt100 with its table and its window of -20 °C .. 100 °C.
    converter.sensor = FactorySensorSetting(SensorModel::Pt100);
    converter.lowerLimit = static_cast<float>(SensorResistance(SensorModel::Pt100, -20.0));
    converter.upperLimit = static_cast<float>(SensorResistance(SensorModel::Pt100, 100.0));
    converter.appliedSensor = converter.sensor;
    converter.appliedLowerLimit = converter.lowerLimit;
    converter.appliedUpperLimit = converter.upperLimit;
    converter.cableCompensation = 12.5f;
    converter.tempCoefficient = 0.02f;
    converter.referenceTemperature = 25.0f;
    converter.rangeStart = 0.0f;
    converter.rangeEnd = 2000.0f;
    converter.relay = RelayBlock{100.0f, 90.0f, 5, 5};
    converter.tempDamping = 5;
    converter.inputDamping = 5;
    converter.compensationMode = 1;
    converter.probe = {0.0f, 1.0f, 0.0f, 0.0f};
    process.SetWiredSensor(std::nullopt);
}

void DeviceModel::SetIdentity(const std::string& text) {
    converter.identity.fill(0);
    for (size_t i = 0; i < text.size() && i < converter.identity.size(); ++i) {
        converter.identity[i] = static_cast<uint8_t>(text[i]);
    }
}

std::vector<uint8_t> DeviceModel::Handle(const uint8_t* request, size_t count) {
    return Respond(request, count).bytes;
}

Transmission DeviceModel::Respond(const uint8_t* request, size_t count) {
    Request parsed;
    if (request == nullptr || ParseRequest(request, count, parsed) != FrameCheck::Complete) {
        ++ignored;
        return {};
    }
    const auto answer = Answer(parsed);
    if (answer.empty()) {
        ++ignored;
        return {};
    }
    return Send(answer, parsed.code);
}

std::vector<Exchange> DeviceModel::Receive(const uint8_t* bytes, size_t count) {
    std::vector<Request> requests;
    lineParser.Feed(bytes, count, requests);
    std::vector<Exchange> out;
    for (const auto& request : requests) {
        Exchange exchange;
        exchange.request = request;
        const auto answer = Answer(request);
        if (answer.empty()) {
            ++ignored;
            exchange.ignored = true;
        } else {
            exchange.answer = Send(answer, request.code);
        }
        out.push_back(std::move(exchange));
    }
    return out;
}

Transmission DeviceModel::Send(const std::vector<uint8_t>& answer, uint8_t code) {
    ++answered;
    return injector.Apply(answer, code);
}

std::vector<uint8_t> DeviceModel::Answer(const Request& request) {
    const Parameter* parameter = FindParameter(request.code);
    if (parameter == nullptr) return {};
    const bool fourCoefficients = converter.firmwareVersion >= FirmwareWithFourCoefficients;
    if (request.code == 0x3D && fourCoefficients) return {};
    if (request.code == 0x46 && !fourCoefficients) return {};

    if (parameter->access & Command) {
        if (request.length != parameter->length) return {};
        // Commit: the sensor written so far becomes the one the measurement uses.
        converter.appliedSensor = converter.sensor;
        converter.appliedLowerLimit = converter.lowerLimit;
        converter.appliedUpperLimit = converter.upperLimit;
        ++converter.commits;
        process.OnSensorCommitted(converter);
        return Frame({});
    }
    if (request.length == 0 && (parameter->access & Read)) return AnswerRead(request.code);
    if (request.length == parameter->length && (parameter->access & Write)) {
        return AnswerWrite(request);
    }
    return {};
}

std::vector<uint8_t> DeviceModel::AnswerRead(uint8_t code) {
    ConverterState& s = converter;
    switch (code) {
        case 0x21:
            return Frame({s.identity.begin(), s.identity.end()});
        case 0x22: {
            std::vector<uint8_t> data;
            AppendWord(data, s.firmwareVersion);
            return Frame(data);
        }
        case 0x23:
            return Frame(BitsData(static_cast<uint32_t>(s.serialNumber)));
        case 0x24:
            return Frame(BitsData(process.ResistanceBits(s)));
        case 0x25:
            return Frame(BitsData(process.TemperatureBits(s)));
        case 0x28:
            return Frame(FloatData(process.CableCapacity(s)));
        case 0x29:
            return Frame(FloatData(process.Conductance(s)));
        case 0x2A:
            return Frame(FloatData(process.Conductivity(s)));
        case 0x2B:
            return Frame(FloatData(process.Ratio(s)));
        case 0x32:
            return Frame(ByteData(s.sensor.kind));
        case 0x33:
            return Frame(ByteData(s.outputVariant));
        case 0x34:
            return Frame(ByteData(s.relayVariant));
        case 0x38:
            return Frame(FloatData(s.cableCompensation));
        case 0x3B:
            return Frame(ByteData(s.sensor.degree));
        case 0x3C:
            return Frame(FloatsData(s.sensor.table.data(), s.sensor.table.size()));
        case 0x3D:
            return Frame(FloatsData(s.probe.data() + 1, 3));
        case 0x3E:
            return Frame(FloatData(s.tempCoefficient));
        case 0x3F:
            return Frame(FloatData(s.referenceTemperature));
        case 0x40:
            return Frame(FloatData(s.rangeStart));
        case 0x41:
            return Frame(FloatData(s.rangeEnd));
        case 0x42: {
            std::vector<uint8_t> data;
            AppendFloat(data, s.relay.closeValue);
            AppendFloat(data, s.relay.openValue);
            AppendWord(data, s.relay.closeDelay);
            AppendWord(data, s.relay.openDelay);
            return Frame(data);
        }
        case 0x43:
            return Frame(ByteData(s.tempDamping));
        case 0x44:
            return Frame(ByteData(s.inputDamping));
        case 0x45:
            return Frame(ByteData(s.compensationMode));
        case 0x46:
            return Frame(FloatsData(s.probe.data(), 4));
        default:
            return {};
    }
}

std::vector<uint8_t> DeviceModel::AnswerWrite(const Request& request) {
    ConverterState& s = converter;
    const uint8_t* data = request.data.data();
    switch (request.code) {
        case 0x32:
            s.sensor.kind = data[0];
            break;
        case 0x38:
            s.cableCompensation = FloatAt(data);
            break;
        case 0x39:
            s.lowerLimit = FloatAt(data);
            return Frame(FloatData(s.lowerLimit));
        case 0x3A:
            s.upperLimit = FloatAt(data);
            return Frame(FloatData(s.upperLimit));
        case 0x3B:
            s.sensor.degree = data[0];
            break;
        case 0x3C:
            ReadFloats(data, s.sensor.table.data(), s.sensor.table.size());
            break;
        case 0x3D:
            ReadFloats(data, s.probe.data() + 1, 3);
            break;
        case 0x3E:
            s.tempCoefficient = FloatAt(data);
            break;
        case 0x3F:
            s.referenceTemperature = FloatAt(data);
            break;
        case 0x40:
            s.rangeStart = FloatAt(data);
            break;
        case 0x41:
            s.rangeEnd = FloatAt(data);
            break;
        case 0x42:
            s.relay.closeValue = FloatAt(data);
            s.relay.openValue = FloatAt(data + 4);
            s.relay.closeDelay = WordAt(data + 8);
            s.relay.openDelay = WordAt(data + 10);
            break;
        case 0x43:
            s.tempDamping = std::min(data[0], MaxDamping);
            break;
        case 0x44:
            s.inputDamping = std::min(data[0], MaxDamping);
            break;
        case 0x45:
            s.compensationMode = AcceptedMode(data[0], s.compensationMode, s.firmwareVersion);
            break;
        case 0x46:
            ReadFloats(data, s.probe.data(), 4);
            break;
        default:
            return {};
    }
    // A write is answered with the value the converter now holds.
    return AnswerRead(request.code);
}

}  // namespace sim
