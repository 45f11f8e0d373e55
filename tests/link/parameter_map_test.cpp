#include <gtest/gtest.h>

#include <bit>
#include <functional>
#include <string>
#include <vector>

#include "link/converter_link.h"
#include "tests/link/link_test_util.h"
#include "tests/support/scripted_link.h"

namespace {

using Strings = std::vector<std::string>;

// A link that has read the given firmware version from its converter.
void SetFirmware(ScriptedLink& scripted, uint16_t version) {
    scripted.Port().QueueFrame(
        {static_cast<uint8_t>(version & 0xFF), static_cast<uint8_t>(version >> 8)});
    uint16_t read = 0;
    ASSERT_TRUE(scripted.Link().ReadFirmwareVersion(read));
    ASSERT_EQ(read, version);
    scripted.Port().ClearRecord();
}

struct FloatRead {
    const char* name;
    bool (ConverterLink::*read)(float&);
    const char* request;
};

TEST(ParameterMap, FloatReadsSendTheirCodeAndTakeFourBytes) {
    const FloatRead reads[] = {
        {"Resistance", &ConverterLink::ReadResistance, "01 24 00 DB"},
        {"Temperature", &ConverterLink::ReadTemperature, "01 25 00 DA"},
        {"CableCapacity", &ConverterLink::ReadCableCapacity, "01 28 00 D7"},
        {"Conductance", &ConverterLink::ReadConductance, "01 29 00 D6"},
        {"Conductivity", &ConverterLink::ReadConductivity, "01 2A 00 D5"},
        {"Ratio", &ConverterLink::ReadRatio, "01 2B 00 D4"},
        {"CableCompensation", &ConverterLink::ReadCableCompensation, "01 38 00 C7"},
        {"TempCoefficient", &ConverterLink::ReadTempCoefficient, "01 3E 00 C1"},
        {"ReferenceTemperature", &ConverterLink::ReadReferenceTemperature, "01 3F 00 C0"},
        {"RangeStart", &ConverterLink::ReadRangeStart, "01 40 00 BF"},
        {"RangeEnd", &ConverterLink::ReadRangeEnd, "01 41 00 BE"},
    };
    for (const FloatRead& read : reads) {
        SCOPED_TRACE(read.name);
        ScriptedLink scripted;
        scripted.Port().QueueAnswer(HexBytes("06 04 31 08 AC 3C D5"));
        float value = -1.0f;
        EXPECT_TRUE((scripted.Link().*read.read)(value));
        EXPECT_EQ(value, 0.021f);
        EXPECT_EQ(WrittenFrames(scripted.Port()), Strings{read.request});

        // A byte answer is not a float answer.
        scripted.Port().QueueAnswer(HexBytes("06 01 05 F4"));
        EXPECT_FALSE((scripted.Link().*read.read)(value));
        EXPECT_EQ(value, 0.021f);
    }
}

struct ByteRead {
    const char* name;
    bool (ConverterLink::*read)(uint8_t&);
    const char* request;
};

TEST(ParameterMap, ByteReadsSendTheirCodeAndTakeOneByte) {
    const ByteRead reads[] = {
        {"SensorKind", &ConverterLink::ReadSensorKind, "01 32 00 CD"},
        {"OutputType", &ConverterLink::ReadOutputType, "01 33 00 CC"},
        {"RelayVariant", &ConverterLink::ReadRelayVariant, "01 34 00 CB"},
        {"SensorDegree", &ConverterLink::ReadSensorDegree, "01 3B 00 C4"},
        {"TempDamping", &ConverterLink::ReadTempDamping, "01 43 00 BC"},
        {"InputDamping", &ConverterLink::ReadInputDamping, "01 44 00 BB"},
        {"CompensationMode", &ConverterLink::ReadCompensationMode, "01 45 00 BA"},
    };
    for (const ByteRead& read : reads) {
        SCOPED_TRACE(read.name);
        ScriptedLink scripted;
        scripted.Port().QueueAnswer(HexBytes("06 01 05 F4"));
        uint8_t value = 0;
        EXPECT_TRUE((scripted.Link().*read.read)(value));
        EXPECT_EQ(value, 5);
        EXPECT_EQ(WrittenFrames(scripted.Port()), Strings{read.request});

        scripted.Port().QueueAnswer(HexBytes("06 02 05 00 F3"));
        value = 9;
        EXPECT_FALSE((scripted.Link().*read.read)(value));
        EXPECT_EQ(value, 9);
    }
}

TEST(ParameterMap, SerialNumberIsASignedInteger) {
    ScriptedLink scripted;
    scripted.Port().QueueAnswer(HexBytes("06 04 FF FF FF FF FA"));
    scripted.Port().QueueAnswer(HexBytes("06 04 78 56 34 12 E2"));
    int32_t serial = 0;
    EXPECT_TRUE(scripted.Link().ReadSerialNumber(serial));
    EXPECT_EQ(serial, -1);
    EXPECT_TRUE(scripted.Link().ReadSerialNumber(serial));
    EXPECT_EQ(serial, 0x12345678);
    EXPECT_EQ(WrittenFrames(scripted.Port()), (Strings{"01 23 00 DC", "01 23 00 DC"}));
}

TEST(ParameterMap, FailedMeasurementPatternPassesThroughUnchanged) {
    ScriptedLink scripted;
    scripted.Port().QueueAnswer(HexBytes("06 04 FF FF FF FF FA"));
    float resistance = 0.0f;
    EXPECT_TRUE(scripted.Link().ReadResistance(resistance));
    EXPECT_EQ(std::bit_cast<uint32_t>(resistance), 0xFFFFFFFFu);
}

TEST(ParameterMap, InOutWritesLeaveTheAnsweredValue) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 04 00 00 40 41 75"));
    float start = 12.5f;
    EXPECT_TRUE(scripted.Link().WriteRangeStart(start));
    EXPECT_EQ(start, 12.0f);

    port.QueueAnswer(HexBytes("06 04 00 00 20 40 96"));
    float end = 1000.0f;
    EXPECT_TRUE(scripted.Link().WriteRangeEnd(end));
    EXPECT_EQ(end, 2.5f);

    port.QueueAnswer(HexBytes("06 04 31 08 AC 3C D5"));
    float coefficient = 0.021f;
    EXPECT_TRUE(scripted.Link().WriteTempCoefficient(coefficient));
    EXPECT_EQ(coefficient, 0.021f);

    port.QueueAnswer(HexBytes("06 04 00 00 20 40 96"));
    float reference = 25.0f;
    EXPECT_TRUE(scripted.Link().WriteReferenceTemperature(reference));
    EXPECT_EQ(reference, 2.5f);

    port.QueueAnswer(HexBytes("06 01 01 F8"));
    uint8_t mode = 2;
    EXPECT_TRUE(scripted.Link().WriteCompensationMode(mode));
    EXPECT_EQ(mode, 1);

    EXPECT_EQ(WrittenFrames(port),
              (Strings{"01 40 04 00 00 48 41 32", "01 41 04 00 00 7A 44 FC",
                       "01 3E 04 31 08 AC 3C 9C", "01 3F 04 00 00 C8 41 B3", "01 45 01 02 B7"}));

    // Without an answer the typed value stays.
    start = 12.5f;
    EXPECT_FALSE(scripted.Link().WriteRangeStart(start));
    EXPECT_EQ(start, 12.5f);
    mode = 2;
    EXPECT_FALSE(scripted.Link().WriteCompensationMode(mode));
    EXPECT_EQ(mode, 2);
}

TEST(ParameterMap, CopyWritesCheckTheAnswerAndDropIt) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    // Answered with other values than written: still a success.
    port.QueueAnswer(HexBytes("06 04 00 00 20 40 96"));
    EXPECT_TRUE(scripted.Link().WriteCableCompensation(3.5f));
    port.QueueAnswer(HexBytes("06 04 00 00 20 40 96"));
    EXPECT_TRUE(scripted.Link().WriteLowerResistanceLimit(80.0f));
    port.QueueAnswer(HexBytes("06 04 00 00 20 40 96"));
    EXPECT_TRUE(scripted.Link().WriteUpperResistanceLimit(2000.0f));
    port.QueueAnswer(HexBytes("06 01 01 F8"));
    EXPECT_TRUE(scripted.Link().WriteSensorKind(1));
    port.QueueAnswer(HexBytes("06 01 01 F8"));
    EXPECT_TRUE(scripted.Link().WriteSensorDegree(3));
    port.QueueAnswer(HexBytes("06 01 01 F8"));
    EXPECT_TRUE(scripted.Link().WriteTempDamping(30));
    port.QueueAnswer(HexBytes("06 01 01 F8"));
    EXPECT_TRUE(scripted.Link().WriteInputDamping(5));
    EXPECT_EQ(WrittenFrames(port), (Strings{"01 38 04 00 00 60 40 23", "01 39 04 00 00 A0 42 E0",
                                            "01 3A 04 00 00 FA 44 83", "01 32 01 01 CB",
                                            "01 3B 01 03 C0", "01 43 01 1E 9D", "01 44 01 05 B5"}));

    // The answer must have the written length.
    port.QueueAnswer(HexBytes("06 04 00 00 20 40 96"));
    EXPECT_FALSE(scripted.Link().WriteInputDamping(5));
    port.QueueAnswer(HexBytes("06 01 01 F8"));
    EXPECT_FALSE(scripted.Link().WriteCableCompensation(3.5f));
}

TEST(ParameterMap, RelaySettingsTravelFloatsThenWordsAndComeBackAnswered) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    port.QueueAnswer(HexBytes("06 0C 00 00 C7 42 00 00 A0 BF 58 02 03 00 29"));
    RelaySettings settings{100.0f, 50.0f, 10, 0x0102};
    EXPECT_TRUE(scripted.Link().WriteRelaySettings(settings));
    EXPECT_EQ(WrittenFrames(port), Strings{"01 42 0C 00 00 C8 42 00 00 48 42 0A 00 02 01 10"});
    EXPECT_EQ(settings.closeValue, 99.5f);
    EXPECT_EQ(settings.openValue, -1.25f);
    EXPECT_EQ(settings.closeDelay, 600);
    EXPECT_EQ(settings.openDelay, 3);

    // A failed write keeps the caller's record.
    RelaySettings typed{100.0f, 50.0f, 10, 0x0102};
    port.QueueAnswer(HexBytes("06 0C 00 00 C7 42 00 00 A0 BF 58 02 03 00 28"));
    EXPECT_FALSE(scripted.Link().WriteRelaySettings(typed));
    EXPECT_EQ(typed.closeValue, 100.0f);
    EXPECT_EQ(typed.openDelay, 0x0102);

    port.QueueSilence();  // the line is quiet after the failure
    port.QueueAnswer(HexBytes("06 0C 00 00 C7 42 00 00 A0 BF 58 02 03 00 29"));
    RelaySettings read;
    EXPECT_TRUE(scripted.Link().ReadRelaySettings(read));
    EXPECT_EQ(port.Writes().back(), HexBytes("01 42 00 BD"));
    EXPECT_EQ(read.closeValue, 99.5f);
    EXPECT_EQ(read.openValue, -1.25f);
    EXPECT_EQ(read.closeDelay, 600);
    EXPECT_EQ(read.openDelay, 3);
}

TEST(ParameterMap, SensorTableIsFiveFloatsC0First) {
    ScriptedLink scripted;
    ScriptedSerialPort& port = scripted.Port();
    const SensorTable table{1.0f, -2.0f, 0.5f, 0.0f, 100.0f};
    port.QueueAnswer(
        HexBytes("06 14 00 00 80 3F 00 00 00 C0 00 00 00 3F 00 00 00 00 00 00 C8 42 1E"));
    EXPECT_TRUE(scripted.Link().WriteSensorTable(table));
    EXPECT_EQ(WrittenFrames(port), Strings{"01 3C 14 00 00 80 3F 00 00 00 C0 00 00 00 3F 00 00 00 "
                                           "00 00 00 C8 42 E7"});

    port.QueueAnswer(
        HexBytes("06 14 00 00 80 3F 00 00 00 C0 00 00 00 3F 00 00 00 00 00 00 C8 42 1E"));
    SensorTable read{};
    EXPECT_TRUE(scripted.Link().ReadSensorTable(read));
    EXPECT_EQ(port.Writes().back(), HexBytes("01 3C 00 C3"));
    EXPECT_EQ(read, table);

    // Twelve bytes are not a table.
    port.QueueAnswer(HexBytes("06 0C 00 00 C0 3F 00 00 00 BE 00 00 00 40 F1"));
    SensorTable untouched{9, 9, 9, 9, 9};
    EXPECT_FALSE(scripted.Link().ReadSensorTable(untouched));
    EXPECT_EQ(untouched, (SensorTable{9, 9, 9, 9, 9}));
}

TEST(ParameterMap, ProbeCoefficientsBeforeFirmware103HaveNoK0) {
    for (uint16_t firmware : {uint16_t{0}, uint16_t{0x0102}}) {
        SCOPED_TRACE(firmware);
        ScriptedLink scripted;
        if (firmware != 0) SetFirmware(scripted, firmware);
        ScriptedSerialPort& port = scripted.Port();

        port.QueueAnswer(HexBytes("06 0C 00 00 C0 3F 00 00 00 BE 00 00 00 40 F1"));
        ProbeCoefficients k;
        k.K = {7.0f, 7.0f, 7.0f, 7.0f};
        EXPECT_TRUE(scripted.Link().ReadProbeCoefficients(k));
        EXPECT_EQ(port.Writes().back(), HexBytes("01 3D 00 C2"));
        EXPECT_EQ(k.K, (std::array<float, 4>{0.0f, 1.5f, -0.125f, 2.0f}));

        // K[0] is not sent.
        port.QueueAnswer(HexBytes("06 0C 00 00 C0 3F 00 00 00 BE 00 00 00 40 F1"));
        ProbeCoefficients written;
        written.K = {0.25f, 1.5f, -0.125f, 2.0f};
        EXPECT_TRUE(scripted.Link().WriteProbeCoefficients(written));
        EXPECT_EQ(ScriptedSerialPort::Hex(port.Writes().back()),
                  "01 3D 0C 00 00 C0 3F 00 00 00 BE 00 00 00 40 B9");

        // A sixteen-byte answer does not fit the old form.
        port.QueueAnswer(HexBytes("06 10 00 00 80 3E 00 00 C0 3F 00 00 00 BE 00 00 00 40 2F"));
        k.K = {7.0f, 7.0f, 7.0f, 7.0f};
        EXPECT_FALSE(scripted.Link().ReadProbeCoefficients(k));
        EXPECT_EQ(k.K, (std::array<float, 4>{7.0f, 7.0f, 7.0f, 7.0f}));
    }
}

TEST(ParameterMap, ProbeCoefficientsFromFirmware103AreFourFloats) {
    for (uint16_t firmware : {uint16_t{0x0103}, uint16_t{0x0200}}) {
        SCOPED_TRACE(firmware);
        ScriptedLink scripted;
        SetFirmware(scripted, firmware);
        ScriptedSerialPort& port = scripted.Port();

        port.QueueAnswer(HexBytes("06 10 00 00 80 3E 00 00 C0 3F 00 00 00 BE 00 00 00 40 2F"));
        ProbeCoefficients k;
        EXPECT_TRUE(scripted.Link().ReadProbeCoefficients(k));
        EXPECT_EQ(port.Writes().back(), HexBytes("01 46 00 B9"));
        EXPECT_EQ(k.K, (std::array<float, 4>{0.25f, 1.5f, -0.125f, 2.0f}));

        port.QueueAnswer(HexBytes("06 10 00 00 80 3E 00 00 C0 3F 00 00 00 BE 00 00 00 40 2F"));
        EXPECT_TRUE(scripted.Link().WriteProbeCoefficients(k));
        EXPECT_EQ(ScriptedSerialPort::Hex(port.Writes().back()),
                  "01 46 10 00 00 80 3E 00 00 C0 3F 00 00 00 BE 00 00 00 40 EE");

        port.QueueAnswer(HexBytes("06 0C 00 00 C0 3F 00 00 00 BE 00 00 00 40 F1"));
        EXPECT_FALSE(scripted.Link().WriteProbeCoefficients(k));
    }
}

// A device behind the responder: the whole exchange of several accessors in order.
TEST(ParameterMap, AccessorsWorkAgainstAResponder) {
    ScriptedLink scripted;
    uint8_t damping = 3;
    scripted.Port().SetResponder([&](const ScriptedSerialPort::Bytes& request) {
        if (request.size() == 4 && request[1] == 0x44)
            return ScriptedSerialPort::AnswerFrame({damping});
        if (request.size() == 5 && request[1] == 0x44) {
            damping = request[3] > 30 ? 30 : request[3];
            return ScriptedSerialPort::AnswerFrame({damping});
        }
        return ScriptedSerialPort::Bytes();
    });
    uint8_t value = 0;
    EXPECT_TRUE(scripted.Link().ReadInputDamping(value));
    EXPECT_EQ(value, 3);
    EXPECT_TRUE(scripted.Link().WriteInputDamping(45));
    EXPECT_TRUE(scripted.Link().ReadInputDamping(value));
    EXPECT_EQ(value, 30);
    float unanswered = 1.0f;
    EXPECT_FALSE(scripted.Link().ReadRatio(unanswered));
    EXPECT_EQ(unanswered, 1.0f);
}

}  // namespace
