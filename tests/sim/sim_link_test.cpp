// The tool's link on the in-process simulator: what other tests build their converter on.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "link/converter_link.h"
#include "sim/model/simulated_serial_port.h"

namespace {

using sim::FaultKind;

struct Rig {
    sim::DeviceModel model;
    sim::SimulatedSerialPort* port = nullptr;
    std::unique_ptr<ConverterLink> link;

    explicit Rig(sim::DeviceOptions options = Quiet()) : model(options) {
        auto owned = std::make_unique<sim::SimulatedSerialPort>(model);
        port = owned.get();
        link = std::make_unique<ConverterLink>(std::move(owned));
        EXPECT_TRUE(link->Open("COM1"));
    }
    static sim::DeviceOptions Quiet() {
        sim::DeviceOptions options;
        options.process.noise = false;
        options.process.drift = false;
        return options;
    }
};

TEST(SimulatorUnderLink, ConnectsAndReadsEverySetting) {
    Rig rig;
    EXPECT_EQ(rig.port->openedPath(), "\\\\.\\COM1");
    EXPECT_EQ(rig.port->lineSettings().baudRate, 9600u);
    EXPECT_EQ(rig.port->timeouts().ReadTotalTimeoutConstant, 200u);
    ConverterLink& link = *rig.link;
    const char* identity = link.Identify();
    ASSERT_NE(identity, nullptr);
    EXPECT_STREQ(identity, "ZR3");
    uint16_t version = 0;
    ASSERT_TRUE(link.ReadFirmwareVersion(version));
    EXPECT_EQ(version, 0x0103);
    int32_t serial = 0;
    ASSERT_TRUE(link.ReadSerialNumber(serial));
    EXPECT_EQ(serial, 123456);
    float end = 0;
    ASSERT_TRUE(link.ReadRangeEnd(end));
    EXPECT_EQ(end, 2000.0f);
    RelaySettings relay;
    ASSERT_TRUE(link.ReadRelaySettings(relay));
    EXPECT_EQ(relay.closeValue, 100.0f);
    EXPECT_EQ(relay.openDelay, 5);
    SensorTable table{};
    ASSERT_TRUE(link.ReadSensorTable(table));
    EXPECT_EQ(table, sim::FactorySensorSetting(sim::SensorModel::Pt100).table);
    ProbeCoefficients k;
    ASSERT_TRUE(link.ReadProbeCoefficients(k));
    EXPECT_EQ(k.K[1], 1.0f);
}

TEST(SimulatorUnderLink, WritesComeBackAsTheConverterHoldsThem) {
    Rig rig;
    ConverterLink& link = *rig.link;
    uint8_t mode = 9;
    ASSERT_TRUE(link.WriteCompensationMode(mode));
    EXPECT_EQ(mode, 2);
    ASSERT_TRUE(link.WriteInputDamping(99));
    uint8_t damping = 0;
    ASSERT_TRUE(link.ReadInputDamping(damping));
    EXPECT_EQ(damping, 30);
    float start = 12.5f;
    ASSERT_TRUE(link.WriteRangeStart(start));
    EXPECT_EQ(rig.model.state().rangeStart, 12.5f);
    RelaySettings relay{1.0f, 2.0f, 3, 4};
    ASSERT_TRUE(link.WriteRelaySettings(relay));
    EXPECT_EQ(rig.model.state().relay.openDelay, 4);
}

TEST(SimulatorUnderLink, FaultsAsTheLinkSeesThem) {
    Rig rig;
    ConverterLink& link = *rig.link;
    uint8_t value = 77;
    rig.port->ClearRecords();

    rig.model.faults().Set(FaultKind::BadChecksum, 0, 1);
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_EQ(value, 77);
    EXPECT_EQ(rig.port->purges(), (std::vector<uint32_t>{0x000C}));

    rig.port->ClearRecords();
    rig.model.faults().Set(FaultKind::Silence, 0, 1);
    const double before = rig.port->elapsedMs();
    EXPECT_FALSE(link.ReadInputDamping(value));
    // One read time-out of quiet line after the failure before, then the time-out of this one;
    // the only purge is the one before the request.
    EXPECT_DOUBLE_EQ(rig.port->elapsedMs() - before, 400.0);
    EXPECT_EQ(rig.port->purges(), (std::vector<uint32_t>{0x000C}));

    // A well-formed answer of the wrong length is read to its end: no purge, nothing left over.
    rig.model.faults().Set(FaultKind::WrongLength, 0, 1);
    EXPECT_FALSE(link.ReadInputDamping(value));
    rig.port->ClearRecords();
    EXPECT_EQ(rig.port->pendingBytes(), 0u);
    EXPECT_TRUE(link.ReadInputDamping(value));
    EXPECT_EQ(value, 5);
    EXPECT_EQ(rig.port->purges(), (std::vector<uint32_t>{0x000C}));  // before the request

    // A refused header: two bytes read, the rest purged with them.
    rig.port->ClearRecords();
    rig.model.faults().Set(FaultKind::LongHeader, 62, 1);
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_EQ(rig.port->purges(), (std::vector<uint32_t>{0x000C}));
    EXPECT_EQ(rig.port->pendingBytes(), 0u);
    rig.model.faults().Set(FaultKind::CutShort, 3, 1);
    EXPECT_FALSE(link.ReadInputDamping(value));
    EXPECT_EQ(value, 5);

    rig.model.faults().Set(FaultKind::Slow, 150, 1);
    EXPECT_TRUE(link.ReadInputDamping(value));
    rig.model.faults().Set(FaultKind::Slow, 250, 1);
    EXPECT_FALSE(link.ReadInputDamping(value));

    rig.port->SetMissing(true);
    EXPECT_FALSE(link.Open("COM2"));
    EXPECT_FALSE(link.IsOpen());
}

// The converter holds 12.5 and 2000 as start and end of range; each answer to the start comes
// after the time-out, and must never be read as the end.
TEST(SimulatorUnderLink, ALateAnswerIsNeverTakenForTheNextOne) {
    Rig rig;
    ConverterLink& link = *rig.link;
    float start = 12.5f;
    ASSERT_TRUE(link.WriteRangeStart(start));
    float end = 0.0f;

    // The answer trickles in with pauses longer than the time-out: its last byte still spoils
    // the next exchange, which fails rather than take it; the one after that is sound.
    rig.model.faults().Set(FaultKind::Slow, 250, 1);
    EXPECT_FALSE(link.ReadRangeStart(start));
    EXPECT_FALSE(link.ReadRangeEnd(end));
    EXPECT_EQ(end, 0.0f);
    EXPECT_TRUE(link.ReadRangeEnd(end));
    EXPECT_EQ(end, 2000.0f);
    EXPECT_EQ(rig.port->pendingBytes(), 0u);

    rig.port->SetLineTiming(true, 300.0);  // the whole answer comes late
    end = 0.0f;
    EXPECT_FALSE(link.ReadRangeStart(start));
    rig.port->SetLineTiming(true, 20.0);
    EXPECT_TRUE(link.ReadRangeEnd(end));
    EXPECT_EQ(end, 2000.0f);
    EXPECT_EQ(rig.model.state().rangeEnd, 2000.0f);
}

TEST(SimulatorUnderLink, SensorChosenThroughTheLinkChangesTheLiveValues) {
    Rig rig;
    ConverterLink& link = *rig.link;
    float ohms = 0, celsius = 0;
    ASSERT_TRUE(link.ReadResistance(ohms));
    EXPECT_NEAR(ohms, 109.7347f, 0.0005f);
    const auto ntc = sim::FactorySensorSetting(sim::SensorModel::Ntc3k0);
    EXPECT_TRUE(link.WriteLowerResistanceLimit(200.627f));
    EXPECT_TRUE(link.WriteUpperResistanceLimit(33291.9f));
    EXPECT_TRUE(link.WriteSensorTable(ntc.table));
    EXPECT_TRUE(link.WriteSensorDegree(ntc.degree));
    EXPECT_TRUE(link.WriteSensorKind(ntc.kind));
    ASSERT_TRUE(link.ReadResistance(ohms));
    EXPECT_NEAR(ohms, 109.7347f, 0.0005f);
    ASSERT_TRUE(link.CommitSensor());
    ASSERT_TRUE(link.ReadResistance(ohms));
    EXPECT_NEAR(ohms, 3001.03f, 0.05f);
    ASSERT_TRUE(link.ReadTemperature(celsius));
    EXPECT_NEAR(celsius, 25.0f, 0.04f);
}

TEST(SimulatorUnderLink, OldFirmwareUsesTheThreeCoefficientCode) {
    sim::DeviceOptions options = Rig::Quiet();
    options.firmwareVersion = 0x0102;
    Rig rig(options);
    ConverterLink& link = *rig.link;
    uint16_t version = 0;
    ASSERT_TRUE(link.ReadFirmwareVersion(version));
    ProbeCoefficients k;
    k.K = {5.0f, 0.5f, 0.25f, 0.125f};
    ASSERT_TRUE(link.WriteProbeCoefficients(k));
    EXPECT_EQ(rig.model.state().probe, (std::array<float, 4>{0.0f, 0.5f, 0.25f, 0.125f}));
    ProbeCoefficients back;
    ASSERT_TRUE(link.ReadProbeCoefficients(back));
    EXPECT_EQ(back.K, (std::array<float, 4>{0.0f, 0.5f, 0.25f, 0.125f}));
}

}  // namespace
