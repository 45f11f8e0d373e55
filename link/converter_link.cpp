#include "link/converter_link.h"

#include <algorithm>
#include <cstring>

#include "link/wire_encoding.h"

const char* ExchangeFailureText(ExchangeFailure failure) {
    switch (failure) {
        case ExchangeFailure::None:
            return "";
        case ExchangeFailure::NoAnswer:
            return "no answer";
        case ExchangeFailure::BadChecksum:
            return "bad checksum";
        case ExchangeFailure::Refused:
            return "refused (NAK)";
        case ExchangeFailure::WrongLength:
            return "answer of the wrong length";
    }
    return "";
}

ConverterLink::ConverterLink() : ConverterLink(CreateSystemSerialPort()) {}

ConverterLink::ConverterLink(std::unique_ptr<SerialPort> port) : serialPort(std::move(port)) {
    if (!serialPort) serialPort = CreateSystemSerialPort();
}

ConverterLink::~ConverterLink() {
    Close();
}

bool ConverterLink::Open(const char* portName) {
    // An empty name is no request to reconnect: the open connection stays as it is.
    if (portName == nullptr || portName[0] == '\0') return false;
    Close();

    size_t nameLength = 0;
    while (nameLength <= PortNameMax && portName[nameLength] != '\0')
        ++nameLength;
    // "\\.\" and the name must fit the 16-byte path with its zero byte.
    if (nameLength > PortNameMax) return false;
    char path[16] = "\\\\.\\";
    std::memcpy(path + 4, portName, nameLength);
    path[4 + nameLength] = '\0';

    quietLineNeeded = false;
    if (!serialPort->Open(path)) return false;
    // 9600 baud 8N1, DTR and RTS on, no flow control; a driver that refuses is not an error.
    serialPort->Configure(LineFlagsBinaryDtrRts, 9600, 8, 0, 0);
    LineTimeouts timeouts;
    timeouts.ReadTotalTimeoutConstant = ReadTimeout;
    timeouts.WriteTotalTimeoutConstant = WriteTimeout;
    serialPort->SetTimeouts(timeouts);
    return true;
}

void ConverterLink::Close() {
    serialPort->Purge(PurgeTxAbort | PurgeRxAbort | PurgeTxClear | PurgeRxClear);
    serialPort->Close();
}

bool ConverterLink::IsOpen() const {
    return serialPort->IsOpen();
}

const char* ConverterLink::Identify() {
    if (!Exchange(CodeIdentity, nullptr, 0, IdentitySize)) return nullptr;
    // The ninth character stays the terminating zero.
    std::memcpy(identityText.data(), frame.data() + 2, IdentitySize);
    return identityText.data();
}

size_t ConverterLink::SendRequest(uint8_t code, uint8_t length) {
    if (length > MaxRequestLength) return 0;
    if (quietLineNeeded) AwaitQuietLine();
    frame[0] = RequestStart;
    frame[1] = code;
    frame[2] = length;
    uint8_t sum = 0;
    for (size_t i = 0; i < 3u + length; ++i)
        sum = static_cast<uint8_t>(sum + frame[i]);
    frame[3 + length] = static_cast<uint8_t>(-sum);
    return serialPort->Write(frame.data(), length + 4u);
}

size_t ConverterLink::ReadBytes(size_t offset, size_t count) {
    if (offset >= FrameSize) return 0;
    count = std::min(count, FrameSize - offset);
    size_t received = 0;
    // Each read returns what arrived within the read time-out; nothing at all ends the answer.
    while (received < count) {
        size_t n = serialPort->Read(frame.data() + offset + received, count - received);
        if (n == 0) break;
        received += std::min(n, count - received);
    }
    return received;
}

void ConverterLink::AwaitQuietLine() {
    quietLineNeeded = false;
    if (!serialPort->IsOpen() || serialPort->LineGone()) return;
    // A read that returns nothing has waited one time-out on a quiet line; a line that never
    // falls quiet (a flood of noise) is given up after one frame's worth of reads.
    std::array<uint8_t, FrameSize> discarded{};
    for (size_t reads = 0; reads < FrameSize; ++reads)
        if (serialPort->Read(discarded.data(), discarded.size()) == 0) break;
    serialPort->Purge(PurgeTxClear | PurgeRxClear);
}

bool ConverterLink::ReceiveAnswer(uint8_t expectedLength) {
    const bool received = ReceiveFrame(expectedLength);
    quietLineNeeded = !received;
    return received;
}

bool ConverterLink::ReceiveFrame(uint8_t expectedLength) {
    failure = ExchangeFailure::NoAnswer;
    if (!serialPort->IsOpen()) return false;
    if (ReadBytes(0, 2) < 2) return false;

    // A header that cannot start an answer that fits the frame is not read beyond.
    size_t rest = (frame[0] == AnswerStart && frame[1] <= MaxAnswerLength) ? frame[1] + 1u : 0u;
    if (ReadBytes(2, rest) < rest) return false;

    if (frame[0] == NegativeAnswerStart)
        failure = ExchangeFailure::Refused;
    else if (frame[0] == AnswerStart && (rest == 0 || frame[1] != expectedLength))
        failure = ExchangeFailure::WrongLength;
    else
        failure = ExchangeFailure::BadChecksum;
    uint8_t sum = 0;
    for (size_t i = 0; i < 2 + rest; ++i)
        sum = static_cast<uint8_t>(sum + frame[i]);
    if (sum != 0) {
        // Whatever else is in transit belongs to the broken answer.
        serialPort->Purge(PurgeTxClear | PurgeRxClear);
        if (failure == ExchangeFailure::WrongLength && rest != 0)
            failure = ExchangeFailure::BadChecksum;
        return false;
    }
    // A refused header whose two bytes happen to sum to zero is still no answer.
    if (rest == 0 || frame[0] != AnswerStart || frame[1] != expectedLength) return false;
    failure = ExchangeFailure::None;
    return true;
}

bool ConverterLink::ReceiveByte(uint8_t& value) {
    if (!ReceiveAnswer(1)) return false;
    value = frame[2];
    return true;
}

bool ConverterLink::ReceiveWord(uint16_t& value) {
    if (!ReceiveAnswer(2)) return false;
    value = GetWord(frame.data() + 2);
    return true;
}

bool ConverterLink::ReceiveFloat(float& value) {
    if (!ReceiveAnswer(4)) return false;
    value = GetFloat(frame.data() + 2);
    return true;
}

bool ConverterLink::ReceiveFloat(int32_t& value) {
    if (!ReceiveAnswer(4)) return false;
    value = GetInt32(frame.data() + 2);
    return true;
}

bool ConverterLink::Exchange(uint8_t code, const uint8_t* data, uint8_t length,
                             uint8_t answerLength) {
    if (length > MaxRequestLength) return false;
    for (int attempt = 0;; ++attempt) {
        // The answer of a failed attempt has overwritten the request's data.
        if (length != 0) std::memcpy(frame.data() + 3, data, length);
        SendRequest(code, length);
        if (ReceiveAnswer(answerLength)) return true;
        if (attempt >= retries || serialPort->LineGone()) break;
    }
    if (firstGivenUp == ExchangeFailure::None) firstGivenUp = failure;
    return false;
}

bool ConverterLink::ReadByte(uint8_t code, uint8_t& value) {
    if (!Exchange(code, nullptr, 0, 1)) return false;
    value = frame[2];
    return true;
}

bool ConverterLink::WriteByte(uint8_t code, uint8_t& value) {
    const uint8_t data = value;
    if (!Exchange(code, &data, 1, 1)) return false;
    value = frame[2];
    return true;
}

bool ConverterLink::ReadWord(uint8_t code, uint16_t& value) {
    if (!Exchange(code, nullptr, 0, 2)) return false;
    value = GetWord(frame.data() + 2);
    return true;
}

bool ConverterLink::ReadFloat(uint8_t code, float& value) {
    if (!Exchange(code, nullptr, 0, 4)) return false;
    value = GetFloat(frame.data() + 2);
    return true;
}

bool ConverterLink::WriteFloat(uint8_t code, float& value) {
    uint8_t data[4];
    PutFloat(data, value);
    if (!Exchange(code, data, 4, 4)) return false;
    value = GetFloat(frame.data() + 2);
    return true;
}

bool ConverterLink::ReadFirmwareVersion(uint16_t& version) {
    bool ok = ReadWord(CodeFirmwareVersion, firmware);
    // After a failure the caller gets the version kept from before.
    version = firmware;
    return ok;
}
