#pragma once

#include <array>
#include <cstdint>

#include "sim/model/sensor_physics.h"

// Everything the simulated converter stores, as it would answer it.
namespace sim {

struct RelayBlock {
    float closeValue = 0.0f;
    float openValue = 0.0f;
    uint16_t closeDelay = 0;
    uint16_t openDelay = 0;
};

struct ConverterState {
    std::array<uint8_t, 8> identity{};
    uint16_t firmwareVersion = 0;
    int32_t serialNumber = 0;
    uint8_t outputVariant = 0;
    uint8_t relayVariant = 0;

    // The sensor as written (and answered to reads) ...
    SensorSetting sensor;
    float lowerLimit = 0.0f;
    float upperLimit = 0.0f;
    // ... and as the measurement uses it since the last commit.
    SensorSetting appliedSensor;
    float appliedLowerLimit = 0.0f;
    float appliedUpperLimit = 0.0f;
    uint32_t commits = 0;

    float cableCompensation = 0.0f;
    float tempCoefficient = 0.0f;  // a fraction per kelvin
    float referenceTemperature = 0.0f;
    float rangeStart = 0.0f;
    float rangeEnd = 0.0f;
    RelayBlock relay;
    uint8_t tempDamping = 0;
    uint8_t inputDamping = 0;
    uint8_t compensationMode = 0;
    // K[0] .. K[3]; before firmware 0x0103 the converter has no K[0] and it stays 0.
    std::array<float, 4> probe{};
};

constexpr uint8_t MaxDamping = 30;
constexpr uint8_t MaxCompensationMode = 2;
constexpr uint16_t FirmwareWithNonlinearMode = 0x0102;
constexpr uint16_t FirmwareWithFourCoefficients = 0x0103;

}  // namespace sim
