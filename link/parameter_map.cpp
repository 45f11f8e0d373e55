// The named accessors of the converter's parameters, built on the typed transfers of the link.
#include <cstring>

#include "link/converter_link.h"
#include "link/wire_encoding.h"

namespace {

constexpr uint8_t SensorTableSize = 20;
constexpr uint8_t RelaySettingsSize = 12;
constexpr uint8_t ProbeCoefficients4Size = 16;
constexpr uint8_t ProbeCoefficients3Size = 12;

void EncodeRelaySettings(const RelaySettings& settings, uint8_t* bytes) {
    PutFloat(bytes, settings.closeValue);
    PutFloat(bytes + 4, settings.openValue);
    PutWord(bytes + 8, settings.closeDelay);
    PutWord(bytes + 10, settings.openDelay);
}

RelaySettings DecodeRelaySettings(const uint8_t* bytes) {
    RelaySettings settings;
    settings.closeValue = GetFloat(bytes);
    settings.openValue = GetFloat(bytes + 4);
    settings.closeDelay = GetWord(bytes + 8);
    settings.openDelay = GetWord(bytes + 10);
    return settings;
}

}  // namespace

bool ConverterLink::ReadBlock(uint8_t code, uint8_t* data, uint8_t length) {
    if (!Exchange(code, nullptr, 0, length)) return false;
    std::memcpy(data, frame.data() + 2, length);
    return true;
}

bool ConverterLink::WriteBlock(uint8_t code, const uint8_t* data, uint8_t length, uint8_t* answer) {
    if (!Exchange(code, data, length, length)) return false;
    if (answer != nullptr) std::memcpy(answer, frame.data() + 2, length);
    return true;
}

bool ConverterLink::ReadSerialNumber(int32_t& value) {
    if (!Exchange(CodeSerialNumber, nullptr, 0, 4)) return false;
    value = GetInt32(frame.data() + 2);
    return true;
}

bool ConverterLink::ReadResistance(float& value) {
    return ReadFloat(CodeResistance, value);
}
bool ConverterLink::ReadTemperature(float& value) {
    return ReadFloat(CodeTemperature, value);
}
bool ConverterLink::ReadCableCapacity(float& value) {
    return ReadFloat(CodeCableCapacity, value);
}
bool ConverterLink::ReadConductance(float& value) {
    return ReadFloat(CodeConductance, value);
}
bool ConverterLink::ReadConductivity(float& value) {
    return ReadFloat(CodeConductivity, value);
}
bool ConverterLink::ReadRatio(float& value) {
    return ReadFloat(CodeRatio, value);
}

bool ConverterLink::ReadCableCompensation(float& value) {
    return ReadFloat(CodeCableCompensation, value);
}

bool ConverterLink::ReadTempCoefficient(float& value) {
    return ReadFloat(CodeTempCoefficient, value);
}

bool ConverterLink::ReadReferenceTemperature(float& value) {
    return ReadFloat(CodeReferenceTemperature, value);
}

bool ConverterLink::ReadRangeStart(float& value) {
    return ReadFloat(CodeRangeStart, value);
}
bool ConverterLink::ReadRangeEnd(float& value) {
    return ReadFloat(CodeRangeEnd, value);
}
bool ConverterLink::ReadSensorKind(uint8_t& value) {
    return ReadByte(CodeSensorKind, value);
}
bool ConverterLink::ReadOutputType(uint8_t& value) {
    return ReadByte(CodeOutputType, value);
}
bool ConverterLink::ReadRelayVariant(uint8_t& value) {
    return ReadByte(CodeRelayVariant, value);
}
bool ConverterLink::ReadSensorDegree(uint8_t& value) {
    return ReadByte(CodeSensorDegree, value);
}
bool ConverterLink::ReadTempDamping(uint8_t& value) {
    return ReadByte(CodeTempDamping, value);
}
bool ConverterLink::ReadInputDamping(uint8_t& value) {
    return ReadByte(CodeInputDamping, value);
}

bool ConverterLink::ReadCompensationMode(uint8_t& value) {
    return ReadByte(CodeCompensationMode, value);
}

bool ConverterLink::WriteTempCoefficient(float& value) {
    return WriteFloat(CodeTempCoefficient, value);
}

bool ConverterLink::WriteReferenceTemperature(float& value) {
    return WriteFloat(CodeReferenceTemperature, value);
}

bool ConverterLink::WriteRangeStart(float& value) {
    return WriteFloat(CodeRangeStart, value);
}
bool ConverterLink::WriteRangeEnd(float& value) {
    return WriteFloat(CodeRangeEnd, value);
}

bool ConverterLink::WriteCompensationMode(uint8_t& value) {
    return WriteByte(CodeCompensationMode, value);
}

// The writes below take their value by copy: the converter's answer is checked, then dropped.

bool ConverterLink::WriteCableCompensation(float value) {
    return WriteFloat(CodeCableCompensation, value);
}

bool ConverterLink::WriteLowerResistanceLimit(float value) {
    return WriteFloat(CodeLowerResistanceLimit, value);
}

bool ConverterLink::WriteUpperResistanceLimit(float value) {
    return WriteFloat(CodeUpperResistanceLimit, value);
}

bool ConverterLink::WriteSensorKind(uint8_t value) {
    return WriteByte(CodeSensorKind, value);
}
bool ConverterLink::WriteSensorDegree(uint8_t value) {
    return WriteByte(CodeSensorDegree, value);
}
bool ConverterLink::WriteTempDamping(uint8_t value) {
    return WriteByte(CodeTempDamping, value);
}
bool ConverterLink::WriteInputDamping(uint8_t value) {
    return WriteByte(CodeInputDamping, value);
}

bool ConverterLink::ReadSensorTable(SensorTable& table) {
    uint8_t bytes[SensorTableSize];
    if (!ReadBlock(CodeSensorTable, bytes, SensorTableSize)) return false;
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = GetFloat(bytes + 4 * i);
    return true;
}

bool ConverterLink::WriteSensorTable(const SensorTable& table) {
    uint8_t bytes[SensorTableSize];
    for (size_t i = 0; i < table.size(); ++i)
        PutFloat(bytes + 4 * i, table[i]);
    return WriteBlock(CodeSensorTable, bytes, SensorTableSize, nullptr);
}

bool ConverterLink::ReadRelaySettings(RelaySettings& settings) {
    uint8_t bytes[RelaySettingsSize];
    if (!ReadBlock(CodeRelaySettings, bytes, RelaySettingsSize)) return false;
    settings = DecodeRelaySettings(bytes);
    return true;
}

bool ConverterLink::WriteRelaySettings(RelaySettings& settings) {
    uint8_t bytes[RelaySettingsSize];
    EncodeRelaySettings(settings, bytes);
    uint8_t answer[RelaySettingsSize];
    if (!WriteBlock(CodeRelaySettings, bytes, RelaySettingsSize, answer)) return false;
    // The caller keeps what the converter now holds.
    settings = DecodeRelaySettings(answer);
    return true;
}

bool ConverterLink::ReadProbeCoefficients(ProbeCoefficients& k) {
    uint8_t bytes[ProbeCoefficients4Size];
    if (firmware >= FirmwareWithK0) {
        if (!ReadBlock(CodeProbeCoefficients4, bytes, ProbeCoefficients4Size)) return false;
        for (size_t i = 0; i < 4; ++i)
            k.K[i] = GetFloat(bytes + 4 * i);
        return true;
    }
    // Older firmware has no K[0]: it reads as zero.
    if (!ReadBlock(CodeProbeCoefficients3, bytes, ProbeCoefficients3Size)) return false;
    k.K[0] = 0.0f;
    for (size_t i = 1; i < 4; ++i)
        k.K[i] = GetFloat(bytes + 4 * (i - 1));
    return true;
}

bool ConverterLink::WriteProbeCoefficients(const ProbeCoefficients& k) {
    uint8_t bytes[ProbeCoefficients4Size];
    if (firmware >= FirmwareWithK0) {
        for (size_t i = 0; i < 4; ++i)
            PutFloat(bytes + 4 * i, k.K[i]);
        return WriteBlock(CodeProbeCoefficients4, bytes, ProbeCoefficients4Size, nullptr);
    }
    // Older firmware keeps only K[1] .. K[3]; K[0] is not sent.
    for (size_t i = 1; i < 4; ++i)
        PutFloat(bytes + 4 * (i - 1), k.K[i]);
    return WriteBlock(CodeProbeCoefficients3, bytes, ProbeCoefficients3Size, nullptr);
}

bool ConverterLink::CommitSensor() {
    frame[3] = 0;
    SendRequest(CodeCommitSensor, 1);
    return ReceiveAnswer(0);
}
