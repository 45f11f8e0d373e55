#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>

#include "model/sensor_list.h"
#include "model/temperature_sensor.h"

namespace {

// Stated resistances: a value given to d decimals must round to it.
void ExpectResistance(const TemperatureSensor& sensor, float t, double stated, int decimals) {
    const double halfUnit = 0.5 * std::pow(10.0, -decimals);
    EXPECT_LE(std::fabs(sensor.ResistanceAt(t) - stated), halfUnit)
        << sensor.name << " at " << t << " gives " << sensor.ResistanceAt(t);
}

// The temperature the converter computes from a resistance with the model's table.
double TableTemperature(const TemperatureSensor& sensor, double r) {
    const SensorTable& c = *sensor.coefficients;
    const double x = sensor.kind == TemperatureSensor::ThermistorKind ? std::log(r) : r;
    double acc = 0.0;
    for (int k = sensor.degree; k >= 0; --k)
        acc = acc * x + c[k];
    return sensor.kind == TemperatureSensor::ThermistorKind ? 1.0 / acc - 273.15 : acc;
}

}  // namespace

TEST(SensorList, HoldsTheFiveModelsInFixedOrder) {
    SensorList list;
    ASSERT_EQ(list.Count, 5);
    EXPECT_EQ(list.Limit, 5);
    EXPECT_EQ(list.Delta, 0);
    const char* names[] = {"Pt100 (3850)", "Pt1000 (3850)", "Ni1000 (5000)", "Ni1000 (6180)",
                           "NR351 3K0"};
    const int degrees[] = {2, 2, 2, 2, 3};
    const int kinds[] = {0, 0, 0, 0, 1};
    const double r0s[] = {100.0, 1000.0, 1000.0, 1000.0, 0.0};
    for (int i = 0; i < 5; ++i) {
        TemperatureSensor* sensor = list.SensorAt(i);
        ASSERT_NE(sensor, nullptr);
        EXPECT_STREQ(sensor->name, names[i]);
        EXPECT_EQ(sensor->degree, degrees[i]) << names[i];
        EXPECT_EQ(sensor->kind, kinds[i]) << names[i];
        EXPECT_EQ(sensor->r0, r0s[i]) << names[i];
        ASSERT_NE(sensor->coefficients, nullptr);
        EXPECT_EQ(std::bit_cast<uint32_t>((*sensor->coefficients)[4]), 0u) << names[i];
    }
    EXPECT_NE(dynamic_cast<Pt100Sensor*>(list.SensorAt(1)), nullptr);
    EXPECT_EQ(std::bit_cast<uint32_t>((*list.SensorAt(1)->coefficients)[1]), 0x3E716E9Fu);
    EXPECT_EQ(std::bit_cast<uint32_t>((*list.SensorAt(4)->coefficients)[3]), 0x343FBD78u);
}

TEST(TemperatureSensor, ResistanceThermometersMeetTheirStatedValues) {
    SensorList list;
    const TemperatureSensor& pt100 = *list.SensorAt(0);
    const TemperatureSensor& pt1000 = *list.SensorAt(1);
    const TemperatureSensor& ni5000 = *list.SensorAt(2);
    const TemperatureSensor& ni6180 = *list.SensorAt(3);

    EXPECT_EQ(pt100.ResistanceAt(0.0f), 100.0f);
    EXPECT_EQ(pt1000.ResistanceAt(0.0f), 1000.0f);
    EXPECT_EQ(ni5000.ResistanceAt(0.0f), 1000.0f);
    EXPECT_EQ(ni6180.ResistanceAt(0.0f), 1000.0f);

    ExpectResistance(pt100, 100.0f, 138.5055, 4);
    ExpectResistance(pt100, -20.0f, 92.1599, 4);
    ExpectResistance(pt100, -50.0f, 80.3063, 4);  // the C term counts below 0 degC
    ExpectResistance(pt1000, 100.0f, 1385.055, 3);
    ExpectResistance(pt1000, -20.0f, 921.599, 3);
    ExpectResistance(pt1000, -50.0f, 803.063, 3);

    ExpectResistance(ni5000, 100.0f, 1500.005, 3);
    ExpectResistance(ni5000, -20.0f, 913.4841, 4);
    ExpectResistance(ni6180, 100.0f, 1617.785, 3);
    ExpectResistance(ni6180, -20.0f, 892.9645, 4);

    // A NaN temperature takes the upper branch and stays NaN.
    EXPECT_TRUE(std::isnan(pt100.ResistanceAt(std::numeric_limits<float>::quiet_NaN())));
}

TEST(TemperatureSensor, ThermistorMeetsItsStatedValues) {
    SensorList list;
    const TemperatureSensor& ntc = *list.SensorAt(4);
    EXPECT_NEAR(ntc.ResistanceAt(25.0f), 3001.03, 0.005);
    EXPECT_NEAR(ntc.ResistanceAt(100.0f), 200.627, 0.0005);
    EXPECT_NEAR(ntc.ResistanceAt(-20.0f), 33291.9, 0.05);
    // Resistance falls as temperature rises: the window written is R(100) .. R(-20).
    EXPECT_LT(ntc.ResistanceAt(100.0f), ntc.ResistanceAt(-20.0f));
}

TEST(TemperatureSensor, EachTableInvertsItsModelWithinTheStatedError) {
    SensorList list;
    const double stated[] = {0.004, 0.004, 0.14, 0.17, 0.04};
    for (int i = 0; i < 5; ++i) {
        const TemperatureSensor& sensor = *list.SensorAt(i);
        double worst = 0.0;
        for (int step = 0; step <= 1200; ++step) {
            const float t = -20.0f + 0.1f * static_cast<float>(step);
            const double error = std::fabs(TableTemperature(sensor, sensor.ResistanceAt(t)) - t);
            worst = std::max(worst, error);
        }
        EXPECT_LE(worst, stated[i]) << sensor.name;
        std::printf("%-14s largest table error over -20..100 degC: %.4f K\n", sensor.name, worst);
    }
}

TEST(FindSensor, MatchesKindDegreeAndTableExactly) {
    SensorList list;
    for (int i = 0; i < 5; ++i) {
        TemperatureSensor* sensor = list.SensorAt(i);
        EXPECT_EQ(FindSensor(list, static_cast<uint8_t>(sensor->kind),
                             static_cast<uint8_t>(sensor->degree), *sensor->coefficients),
                  sensor)
            << sensor->name;
    }

    // One value one bit off is another table.
    SensorTable table = *list.SensorAt(2)->coefficients;
    table[1] = std::bit_cast<float>(std::bit_cast<uint32_t>(table[1]) ^ 1u);
    EXPECT_EQ(FindSensor(list, 0, 2, table), nullptr);

    // -0.0 where the model holds 0 compares equal.
    table = *list.SensorAt(3)->coefficients;
    table[3] = -0.0f;
    table[4] = -0.0f;
    EXPECT_EQ(FindSensor(list, 0, 2, table), list.SensorAt(3));

    // A NaN equals nothing, not even a NaN.
    table = *list.SensorAt(0)->coefficients;
    table[4] = std::numeric_limits<float>::quiet_NaN();
    EXPECT_EQ(FindSensor(list, 0, 2, table), nullptr);

    // Kind 1 with degree 2 is no model, even with the thermistor's table.
    EXPECT_EQ(FindSensor(list, 1, 2, *list.SensorAt(4)->coefficients), nullptr);
    EXPECT_EQ(FindSensor(list, 0, 3, *list.SensorAt(4)->coefficients), nullptr);
    // A resistance table under the wrong degree or kind is no model either.
    EXPECT_EQ(FindSensor(list, 0, 3, *list.SensorAt(0)->coefficients), nullptr);
    EXPECT_EQ(FindSensor(list, 1, 2, *list.SensorAt(0)->coefficients), nullptr);
}

TEST(TemperatureSensor, ExtendedPrecisionIsInEffectAtRunTime) {
    // A runtime that set the x87 to double precision would silently shorten every step.
    volatile long double one = 1.0L;
    volatile long double tiny = std::numeric_limits<long double>::epsilon();
    EXPECT_NE(one + tiny, one);
}
