#pragma once

#include <cstdint>

// One-byte codes of the converter's commands and parameters; all printable ASCII.
enum ParameterCode : uint8_t {
    CodeIdentity = 0x21,              // '!'  read, 8 characters
    CodeFirmwareVersion = 0x22,       // '"'  read, word
    CodeSerialNumber = 0x23,          // '#'  read, integer
    CodeResistance = 0x24,            // '$'  read, float
    CodeTemperature = 0x25,           // '%'  read, float
    CodeCableCapacity = 0x28,         // '('  read, float
    CodeConductance = 0x29,           // ')'  read, float
    CodeConductivity = 0x2A,          // '*'  read, float
    CodeRatio = 0x2B,                 // '+'  read, float
    CodeCommitSensor = 0x2C,          // ','  command, 1 byte in, empty answer
    CodeSensorKind = 0x32,            // '2'  read/write, byte
    CodeOutputType = 0x33,            // '3'  read, byte
    CodeRelayVariant = 0x34,          // '4'  read, byte
    CodeCableCompensation = 0x38,     // '8'  read/write, float
    CodeLowerResistanceLimit = 0x39,  // '9'  write, float
    CodeUpperResistanceLimit = 0x3A,  // ':'  write, float
    CodeSensorDegree = 0x3B,          // ';'  read/write, byte
    CodeSensorTable = 0x3C,           // '<'  read/write, 20 bytes
    CodeProbeCoefficients3 = 0x3D,    // '='  read/write, 12 bytes, firmware before 0x0103
    CodeTempCoefficient = 0x3E,       // '>'  read/write, float
    CodeReferenceTemperature = 0x3F,  // '?'  read/write, float
    CodeRangeStart = 0x40,            // '@'  read/write, float
    CodeRangeEnd = 0x41,              // 'A'  read/write, float
    CodeRelaySettings = 0x42,         // 'B'  read/write, 12 bytes
    CodeTempDamping = 0x43,           // 'C'  read/write, byte
    CodeInputDamping = 0x44,          // 'D'  read/write, byte
    CodeCompensationMode = 0x45,      // 'E'  read/write, byte
    CodeProbeCoefficients4 = 0x46,    // 'F'  read/write, 16 bytes, firmware 0x0103 and later
};

// From this firmware on the probe coefficients travel as four floats under 'F'.
constexpr uint16_t FirmwareWithK0 = 0x0103;
// From this firmware on the converter knows the thermistor (its table in ln R) ...
constexpr uint16_t FirstFirmwareWithThermistor = 0x0101;
// ... and the nonlinear temperature compensation (mode 2).
constexpr uint16_t FirstFirmwareWithNonlinear = 0x0102;
// The highest damping the converter takes, for the input and the temperature alike.
constexpr uint8_t MaxDamping = 30;
