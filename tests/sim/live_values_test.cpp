#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "sim/model/device_model.h"
#include "tests/sim/hex_frames.h"

namespace {

using sim::DeviceModel;
using sim::DeviceOptions;
using sim::SensorModel;

constexpr uint32_t Failed = 0xFFFFFFFFu;

DeviceOptions Quiet(uint16_t firmware = 0x0103) {
    DeviceOptions options;
    options.firmwareVersion = firmware;
    options.process.noise = false;
    options.process.drift = false;
    return options;
}

Bytes FloatBytes(float value) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    return {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8),
            static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 24)};
}

uint32_t ReadBits(DeviceModel& model, uint8_t code) {
    const Bytes answer = Ask(model, RequestFrame(code));
    EXPECT_EQ(answer.size(), 7u) << "code " << int(code);
    if (answer.size() != 7) return 0;
    EXPECT_EQ(answer[0], 0x06);
    EXPECT_EQ(answer[1], 0x04);
    return uint32_t(answer[2]) | uint32_t(answer[3]) << 8 | uint32_t(answer[4]) << 16 |
           uint32_t(answer[5]) << 24;
}

float ReadFloat(DeviceModel& model, uint8_t code) {
    return std::bit_cast<float>(ReadBits(model, code));
}

void WriteFloat(DeviceModel& model, uint8_t code, float value) {
    ASSERT_EQ(Ask(model, RequestFrame(code, FloatBytes(value))).size(), 7u);
}

void WriteByte(DeviceModel& model, uint8_t code, uint8_t value) {
    ASSERT_EQ(Ask(model, RequestFrame(code, {value})).size(), 4u);
}

void WriteTable(DeviceModel& model, const std::array<float, 5>& table) {
    Bytes data;
    for (float c : table) {
        const Bytes b = FloatBytes(c);
        data.insert(data.end(), b.begin(), b.end());
    }
    ASSERT_EQ(Ask(model, RequestFrame(0x3C, data)).size(), 23u);
}

void Commit(DeviceModel& model) {
    ASSERT_EQ(AskText(model, "01 2C 01 00 D2"), "06 00 FA");
}

// The sequence the tool writes when a sensor is chosen, with the limits given.
void SelectSensor(DeviceModel& model, SensorModel sensor, float lower, float upper,
                  bool commit = true) {
    const auto setting = sim::FactorySensorSetting(sensor);
    WriteFloat(model, 0x39, lower);
    WriteFloat(model, 0x3A, upper);
    WriteTable(model, setting.table);
    WriteByte(model, 0x3B, setting.degree);
    WriteByte(model, 0x32, setting.kind);
    if (commit) Commit(model);
}

TEST(LiveValues, Pt100AtKnownTemperatures) {
    DeviceModel model(Quiet());
    // Room for -50 °C .. 150 °C.
    WriteFloat(model, 0x39, 80.0f);
    WriteFloat(model, 0x3A, 158.0f);
    Commit(model);
    struct Point {
        double celsius;
        float ohms;
        double kelvinTolerance;  // the table is fitted to -20 °C .. 100 °C
    };
    for (const Point p :
         {Point{0.0, 100.0f, 0.004}, Point{25.0, 109.7347f, 0.004}, Point{100.0, 138.5055f, 0.004},
          Point{-20.0, 92.1599f, 0.004}, Point{-50.0, 80.3063f, 0.01}}) {
        model.SetTemperature(p.celsius);
        EXPECT_NEAR(ReadFloat(model, 0x24), p.ohms, 0.00051) << p.celsius;
        EXPECT_NEAR(ReadFloat(model, 0x25), p.celsius, p.kelvinTolerance) << p.celsius;
    }
    model.SetTemperature(0.0);
    EXPECT_EQ(ReadFloat(model, 0x24), 100.0f);
}

TEST(LiveValues, EachSensorThroughItsFactoryTable) {
    struct Case {
        SensorModel sensor;
        double celsius;
        float ohms;
        double ohmsTolerance;
        double kelvinTolerance;
    };
    const Case cases[] = {
        {SensorModel::Pt1000, 100.0, 1385.055f, 0.005, 0.004},
        {SensorModel::Pt1000, 0.0, 1000.0f, 0.0, 0.004},
        {SensorModel::Ni1000_5000, 100.0, 1500.005f, 0.005, 0.14},
        {SensorModel::Ni1000_5000, -20.0, 913.4841f, 0.0005, 0.14},
        {SensorModel::Ni1000_6180, 100.0, 1617.785f, 0.005, 0.17},
        {SensorModel::Ni1000_6180, -20.0, 892.9645f, 0.0005, 0.17},
        {SensorModel::Ntc3k0, 25.0, 3001.03f, 0.05, 0.04},
        {SensorModel::Ntc3k0, 100.0, 200.627f, 0.005, 0.04},
        {SensorModel::Ntc3k0, -20.0, 33291.9f, 0.5, 0.04},
    };
    for (const auto& c : cases) {
        DeviceModel model(Quiet());
        SelectSensor(model, c.sensor, 1.0f, 1.0e6f);
        model.SetTemperature(c.celsius);
        EXPECT_NEAR(ReadFloat(model, 0x24), c.ohms, c.ohmsTolerance)
            << sim::SensorModelName(c.sensor) << " at " << c.celsius;
        EXPECT_NEAR(ReadFloat(model, 0x25), c.celsius, c.kelvinTolerance)
            << sim::SensorModelName(c.sensor) << " at " << c.celsius;
    }
}

TEST(LiveValues, SensorSequenceTakesEffectOnTheCommitOnly) {
    DeviceModel model(Quiet());
    SelectSensor(model, SensorModel::Pt1000, 921.599f, 1385.055f, false);
    // Stored and answered as written ...
    EXPECT_EQ(AskText(model, "01 3C 00 C3").substr(0, 17), "06 14 31 CE 75 C3");
    EXPECT_FLOAT_EQ(model.state().sensor.table[1], 0.23577355f);
    EXPECT_FLOAT_EQ(model.state().lowerLimit, 921.599f);
    // ... but the measurement still runs on the Pt100.
    EXPECT_NEAR(ReadFloat(model, 0x24), 109.7347f, 0.0005);
    EXPECT_NEAR(ReadFloat(model, 0x25), 25.0f, 0.004);
    Commit(model);
    EXPECT_EQ(model.state().commits, 1u);
    EXPECT_NEAR(ReadFloat(model, 0x24), 1097.347f, 0.005);
    EXPECT_NEAR(ReadFloat(model, 0x25), 25.0f, 0.004);
}

TEST(LiveValues, AWrongTableShowsAWrongTemperature) {
    DeviceModel model(Quiet());
    auto table = sim::FactorySensorSetting(SensorModel::Pt100).table;
    table[0] += 1.0f;  // one kelvin off
    WriteTable(model, table);
    Commit(model);
    EXPECT_NEAR(ReadFloat(model, 0x24), 109.7347f, 0.0005);  // still the Pt100 on the terminals
    EXPECT_NEAR(ReadFloat(model, 0x25), 26.0f, 0.005);

    WriteTable(model, sim::FactorySensorSetting(SensorModel::Pt100).table);
    WriteByte(model, 0x3B, 1);  // linear only: the square term is missing
    Commit(model);
    EXPECT_NEAR(ReadFloat(model, 0x25), 12.92f, 0.01);

    WriteByte(model, 0x3B, 2);
    WriteByte(model, 0x32, 1);  // a thermistor reading of a platinum table
    Commit(model);
    EXPECT_EQ(ReadBits(model, 0x25), Failed);
    EXPECT_NE(ReadBits(model, 0x24), Failed);

    WriteByte(model, 0x32, 7);  // a kind the converter does not know
    Commit(model);
    EXPECT_EQ(ReadBits(model, 0x25), Failed);
}

TEST(LiveValues, OutsideTheLimitsOrBrokenAnswersTheFailurePattern) {
    DeviceModel model(Quiet());  // Pt100 window -20 °C .. 100 °C
    for (double celsius : {-30.0, 101.0, 150.0}) {
        model.SetTemperature(celsius);
        EXPECT_EQ(ReadBits(model, 0x24), Failed) << celsius;
        EXPECT_EQ(ReadBits(model, 0x25), Failed) << celsius;
    }
    model.SetTemperature(50.0);
    EXPECT_NEAR(ReadFloat(model, 0x25), 50.0f, 0.004);
    model.SetSensorBroken(true);
    EXPECT_EQ(ReadBits(model, 0x24), Failed);
    EXPECT_EQ(ReadBits(model, 0x25), Failed);
    model.SetSensorBroken(false);
    EXPECT_NEAR(ReadFloat(model, 0x24), 119.3971f, 0.0005);
}

TEST(LiveValues, ConductivityFromCellPolynomialAndCompensation) {
    // The measured temperature is a few millikelvin off, and so is the compensation.
    DeviceModel model(Quiet());
    EXPECT_NEAR(ReadFloat(model, 0x29), 1413.0f, 0.01);
    EXPECT_NEAR(ReadFloat(model, 0x2A), 1413.0f, 0.15);
    EXPECT_NEAR(ReadFloat(model, 0x2B), 0.7065f, 1e-4);  // 1413 of 0 .. 2000

    // A probe with cell constant 0.5 and its coefficient.
    model.measurement().SetCellConstant(0.5);
    EXPECT_NEAR(ReadFloat(model, 0x29), 2826.0f, 0.02);
    EXPECT_NEAR(ReadFloat(model, 0x2A), 2826.0f, 0.3);
    Bytes k;
    for (float v : {10.0f, 0.5f, 0.0f, 0.0f}) {
        const Bytes b = FloatBytes(v);
        k.insert(k.end(), b.begin(), b.end());
    }
    ASSERT_EQ(Ask(model, RequestFrame(0x46, k)).size(), 19u);
    EXPECT_NEAR(ReadFloat(model, 0x2A), 1423.0f, 0.15);
    WriteByte(model, 0x45, 0);
    EXPECT_NEAR(ReadFloat(model, 0x2A), 1423.0f, 0.01);
    WriteFloat(model, 0x40, 1000.0f);
    EXPECT_NEAR(ReadFloat(model, 0x2B), 0.423f, 1e-5);  // 1423 of 1000 .. 2000
    WriteFloat(model, 0x41, 1000.0f);
    EXPECT_EQ(ReadFloat(model, 0x2B), 0.0f);  // no span, no ratio

    // The same solution warmed to 35 °C.
    DeviceModel warm(Quiet());
    warm.SetTemperature(35.0);
    WriteByte(warm, 0x45, 0);
    const float raw = ReadFloat(warm, 0x2A);
    EXPECT_GT(raw, 1.15f * 1413.0f);
    WriteByte(warm, 0x45, 1);
    EXPECT_NEAR(ReadFloat(warm, 0x2A), 1413.0f, 0.005f * 1413.0f);
    WriteByte(warm, 0x45, 2);
    EXPECT_NEAR(ReadFloat(warm, 0x2A), 1413.0f, 0.0005f * 1413.0f);
    // Without a valid temperature there is nothing to compensate with.
    warm.SetSensorBroken(true);
    EXPECT_FLOAT_EQ(ReadFloat(warm, 0x2A), raw);
}

TEST(LiveValues, FirmwareBefore0103HasNoK0) {
    DeviceModel model(Quiet(0x0102));
    model.mutableState().probe[0] = 50.0f;
    WriteByte(model, 0x45, 0);
    EXPECT_NEAR(ReadFloat(model, 0x2A), 1413.0f, 0.01);
}

TEST(LiveValues, CableCapacityAndItsCompensation) {
    DeviceModel model(Quiet());
    EXPECT_FLOAT_EQ(ReadFloat(model, 0x28), 12.5f);
    model.measurement().SetCableCapacity(20.0);
    EXPECT_FLOAT_EQ(ReadFloat(model, 0x28), 20.0f);
    EXPECT_GT(ReadFloat(model, 0x29), 1413.5f);  // the uncompensated cable adds conductance
    WriteFloat(model, 0x38, 20.0f);
    EXPECT_NEAR(ReadFloat(model, 0x29), 1413.0f, 0.01);
}

TEST(LiveValues, NoiseAndDriftAreSmallAndRepeatable) {
    DeviceOptions options;
    options.process.seed = 7;
    DeviceModel a(options), b(options);
    options.process.seed = 8;
    DeviceModel c(options);
    bool varies = false, seedMatters = false;
    const float first = ReadFloat(a, 0x29);
    ReadFloat(b, 0x29);
    ReadFloat(c, 0x29);
    for (int i = 0; i < 50; ++i) {
        for (uint8_t code : {0x29, 0x2A, 0x28, 0x25}) {
            const float va = ReadFloat(a, code);
            EXPECT_EQ(va, ReadFloat(b, code)) << int(code);
            if (va != ReadFloat(c, code)) seedMatters = true;
            if (code == 0x29 && va != first) varies = true;
            const float expected = code == 0x29 ? 1413.0f : code == 0x28 ? 12.5f : 25.0f;
            const float tolerance = code == 0x29 ? 14.0f : code == 0x28 ? 0.5f : 0.05f;
            if (code != 0x2A) {
                EXPECT_NEAR(va, expected, tolerance) << int(code);
            }
        }
    }
    EXPECT_TRUE(varies);
    EXPECT_TRUE(seedMatters);

    // Longer damping, quieter readings.
    auto spread = [](DeviceModel& model) {
        double sum = 0, squares = 0;
        for (int i = 0; i < 400; ++i) {
            const double v = ReadFloat(model, 0x29);
            sum += v;
            squares += v * v;
        }
        const double mean = sum / 400;
        return std::sqrt(squares / 400 - mean * mean);
    };
    WriteByte(a, 0x44, 0);
    WriteByte(b, 0x44, 30);
    EXPECT_GT(spread(a), 2.0 * spread(b));

    // The process temperature wanders, slowly and not far.
    DeviceModel drifting(DeviceOptions{});
    drifting.Advance(600000);
    const double now = drifting.measurement().ProcessTemperature();
    EXPECT_NE(now, 25.0);
    EXPECT_NEAR(now, 25.0, 0.2);
    EXPECT_EQ(drifting.measurement().clockMs(), 600000u);
}

}  // namespace
