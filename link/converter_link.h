#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/base_object.h"
#include "link/parameter_code.h"
#include "link/serial_port.h"

// Relay block of code 'B': 12 bytes, floats then words, little-endian.
struct RelaySettings {
    float closeValue = 0.0f;
    float openValue = 0.0f;
    uint16_t closeDelay = 0;
    uint16_t openDelay = 0;
};

// Probe characteristic kappa = K[0] + K[1]*G + K[2]*G^2 + K[3]*G^3.
struct ProbeCoefficients {
    std::array<float, 4> K{};
};

// Linearization table of the temperature sensor: c0 .. c4.
using SensorTable = std::array<float, 5>;

// Why the last exchange failed, as far as the answer tells.
enum class ExchangeFailure : uint8_t {
    None,         // the last exchange succeeded
    NoAnswer,     // nothing, or an answer cut short, within the read time-out (or a closed port)
    BadChecksum,  // the bytes do not sum to zero, or a header that starts no answer
    Refused,      // the converter answered with 0x15 (NAK)
    WrongLength,  // a well-formed answer of another length than the request's
};

// "no answer", "bad checksum", "refused (NAK)", "answer of the wrong length"; "" for None.
const char* ExchangeFailureText(ExchangeFailure failure);

// The one connection to a converter: its serial port, the frame buffer shared by request and
// answer, the identity last answered and the firmware version last read. Every transfer returns
// a success flag; on failure the caller's variable keeps what it held.
class ConverterLink : public BaseObject {
  public:
    static constexpr size_t FrameSize = 64;
    static constexpr uint8_t MaxAnswerLength = 61;
    static constexpr size_t IdentitySize = 8;
    static constexpr size_t PortNameMax = 11;  // "\\.\" + name must fit 16 bytes
    // A request's data and checksum must fit the frame behind its three header bytes.
    static constexpr uint8_t MaxRequestLength = FrameSize - 4;
    static constexpr uint8_t RequestStart = 0x01;
    static constexpr uint8_t AnswerStart = 0x06;
    static constexpr uint8_t NegativeAnswerStart = 0x15;
    // Line time-outs of an open link, in milliseconds.
    static constexpr uint32_t ReadTimeout = 200;
    static constexpr uint32_t WriteTimeout = 100;

    // A closed link on the platform's serial port.
    ConverterLink();
    // A closed link on the given port (a test double, a pty, a simulator).
    explicit ConverterLink(std::unique_ptr<SerialPort> port);
    ~ConverterLink() override;

    bool Open(const char* portName);
    void Close();
    bool IsOpen() const;
    // The identity text, or nullptr when the converter did not answer.
    const char* Identify();

    size_t SendRequest(uint8_t code, uint8_t length);
    bool ReceiveAnswer(uint8_t expectedLength);
    bool ReceiveByte(uint8_t& value);
    bool ReceiveWord(uint16_t& value);
    bool ReceiveFloat(float& value);
    bool ReceiveFloat(int32_t& value);

    bool ReadByte(uint8_t code, uint8_t& value);
    bool WriteByte(uint8_t code, uint8_t& value);
    bool ReadWord(uint8_t code, uint16_t& value);
    bool ReadFloat(uint8_t code, float& value);
    bool WriteFloat(uint8_t code, float& value);
    bool ReadFirmwareVersion(uint16_t& version);

    // Parameter accessors; none of them scales, validates or interprets a value.
    bool ReadSerialNumber(int32_t& value);
    bool ReadResistance(float& value);
    bool ReadTemperature(float& value);
    bool ReadCableCapacity(float& value);
    bool ReadConductance(float& value);
    bool ReadConductivity(float& value);
    bool ReadRatio(float& value);
    bool ReadCableCompensation(float& value);
    bool ReadTempCoefficient(float& value);
    bool ReadReferenceTemperature(float& value);
    bool ReadRangeStart(float& value);
    bool ReadRangeEnd(float& value);
    bool ReadSensorKind(uint8_t& value);
    bool ReadOutputType(uint8_t& value);
    bool ReadRelayVariant(uint8_t& value);
    bool ReadSensorDegree(uint8_t& value);
    bool ReadTempDamping(uint8_t& value);
    bool ReadInputDamping(uint8_t& value);
    bool ReadCompensationMode(uint8_t& value);

    // In out: the caller's variable receives the value the converter now holds.
    bool WriteTempCoefficient(float& value);
    bool WriteReferenceTemperature(float& value);
    bool WriteRangeStart(float& value);
    bool WriteRangeEnd(float& value);
    bool WriteCompensationMode(uint8_t& value);

    // By copy: the answer is checked and dropped.
    bool WriteCableCompensation(float value);
    bool WriteLowerResistanceLimit(float value);
    bool WriteUpperResistanceLimit(float value);
    bool WriteSensorKind(uint8_t value);
    bool WriteSensorDegree(uint8_t value);
    bool WriteTempDamping(uint8_t value);
    bool WriteInputDamping(uint8_t value);

    bool ReadSensorTable(SensorTable& table);
    bool WriteSensorTable(const SensorTable& table);
    bool ReadRelaySettings(RelaySettings& settings);
    bool WriteRelaySettings(RelaySettings& settings);
    bool ReadProbeCoefficients(ProbeCoefficients& k);
    bool WriteProbeCoefficients(const ProbeCoefficients& k);
    bool CommitSensor();

    const char* identity() const { return identityText.data(); }
    uint16_t firmwareVersion() const { return firmware; }
    ExchangeFailure lastFailure() const { return failure; }
    // Further attempts of a read or a value write whose answer is spoiled or missing (0, the
    // window's way, sends every request once). The commit of a sensor change is never repeated.
    void SetRetries(int count) { retries = count < 0 ? 0 : count; }
    // Why the first exchange since ClearGivenUp failed for good (after its retries); None when
    // every one succeeded.
    ExchangeFailure givenUp() const { return firstGivenUp; }
    void ClearGivenUp() { firstGivenUp = ExchangeFailure::None; }
    const uint8_t* frameBytes() const { return frame.data(); }
    SerialPort& port() { return *serialPort; }

  private:
    bool ReadBlock(uint8_t code, uint8_t* data, uint8_t length);
    bool WriteBlock(uint8_t code, const uint8_t* data, uint8_t length, uint8_t* answer);
    size_t ReadBytes(size_t offset, size_t count);
    // One request with length data bytes and its answer of answerLength bytes, sent again up to
    // retries times while the answer fails; the answer's data are at frame[2].
    bool Exchange(uint8_t code, const uint8_t* data, uint8_t length, uint8_t answerLength);
    // After a failed exchange: waits until the line has been quiet for one read time-out, then
    // purges, so that a late answer to the failed request is never taken for the next one.
    void AwaitQuietLine();
    // ReceiveAnswer without the note that the next request must wait for a quiet line.
    bool ReceiveFrame(uint8_t expectedLength);

    std::array<uint8_t, FrameSize> frame{};
    // Eight characters and a zero byte that nothing overwrites.
    std::array<char, IdentitySize + 1> identityText{};
    std::unique_ptr<SerialPort> serialPort;
    uint16_t firmware = 0;
    ExchangeFailure failure = ExchangeFailure::None;
    ExchangeFailure firstGivenUp = ExchangeFailure::None;
    int retries = 0;
    // The last exchange failed: the next request first waits for a quiet line.
    bool quietLineNeeded = false;
};
