// Fuzzes the link's answer reader: the fuzzer's input is what arrives on the line, in reads of
// the lengths it chooses, while every accessor of the link is called in the order it chooses.
// Each exchange is checked against the frame rules: the request written, how far the answer was
// read, when the line was purged, the success flag and the value the caller got back.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "link/converter_link.h"
#include "tests/fuzz/fuzz_line.h"

namespace {

using Bytes = std::vector<uint8_t>;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "link fuzz: %s\n", what);
    std::abort();
}

void Require(bool condition, const char* what) {
    if (!condition) Fail(what);
}

uint8_t Sum(const Bytes& bytes) {
    uint8_t sum = 0;
    for (uint8_t b : bytes)
        sum = static_cast<uint8_t>(sum + b);
    return sum;
}

void AppendLittleEndian(Bytes& out, uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

uint32_t LittleEndianAt(const Bytes& bytes, size_t offset, int size) {
    uint32_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= static_cast<uint32_t>(bytes[offset + i]) << (8 * i);
    return value;
}

// ZR3_FUZZ_TRACE=1 prints every answer, to follow a finding step by step.
bool Tracing() {
    static const bool tracing = std::getenv("ZR3_FUZZ_TRACE") != nullptr;
    return tracing;
}

uint32_t Bits(float value) {
    return std::bit_cast<uint32_t>(value);
}

uint8_t ByteOf(const Bytes& d) {
    return d[0];
}
uint16_t WordOf(const Bytes& d) {
    return static_cast<uint16_t>(LittleEndianAt(d, 0, 2));
}
float FloatOf(const Bytes& d) {
    return std::bit_cast<float>(LittleEndianAt(d, 0, 4));
}
int32_t IntegerOf(const Bytes& d) {
    return static_cast<int32_t>(LittleEndianAt(d, 0, 4));
}

// One exchange as the line saw it, judged by the frame rules.
struct Judged {
    bool answered = false;  // a well-formed answer of the expected length arrived
    Bytes data;             // its data bytes
};

class LinkFuzz {
  public:
    explicit LinkFuzz(FuzzedDataProvider& input) : input(input) {
        auto port = std::make_unique<FuzzLine>(input);
        line = port.get();
        link = std::make_unique<ConverterLink>(std::move(port));
        line->Guard(link->frameBytes(), ConverterLink::FrameSize);
        // Open from the start; closing and reopening are steps of their own.
        link->Open("COM1");
    }

    void Run() {
        // Enough steps to read everything the input holds; a step on an empty input costs little.
        for (int step = 0; step < 256 && input.remaining_bytes() > 0; ++step)
            Step();
    }

  private:
    void Step();
    void Begin() {
        wasOpen = link->IsOpen();
        line->BeginExchange();
    }
    Judged Judge(uint8_t code, const Bytes& requestData, uint8_t answerLength, bool ok);
    // A request after a failed exchange first reads until the line is quiet (one read that
    // brings nothing, or a frame's worth of reads), then purges; any other request does not.
    void JudgeQuietWait();
    Judged JudgeAnswer(uint8_t answerLength, bool ok);

    template <typename T, typename Call, typename Decode>
    void CheckRead(Call call, uint8_t code, uint8_t length, Decode decode);
    void ReadFloatParameter(bool (ConverterLink::*read)(float&), uint8_t code);
    void ReadByteParameter(bool (ConverterLink::*read)(uint8_t&), uint8_t code);
    void WriteFloatInOut(bool (ConverterLink::*write)(float&), uint8_t code);
    void WriteFloatByCopy(bool (ConverterLink::*write)(float), uint8_t code);
    void WriteByteByCopy(bool (ConverterLink::*write)(uint8_t), uint8_t code);
    void Identify();
    void FirmwareVersion();
    void SensorTable(bool write);
    void Relay(bool write);
    void Coefficients(bool write);
    void Commit();
    void RawRequest();
    void RawAnswer();
    void GenericTransfer();

    FuzzedDataProvider& input;
    FuzzLine* line = nullptr;
    std::unique_ptr<ConverterLink> link;
    bool wasOpen = false;
    // The last exchange failed and no request has been written since.
    bool quietWaitDue = false;
};

void LinkFuzz::JudgeQuietWait() {
    if (quietWaitDue && wasOpen) {
        Require(line->QuietWaitReads() >= 1 &&
                    line->QuietWaitReads() <= static_cast<int>(ConverterLink::FrameSize),
                "no wait for a quiet line");
        Require(line->QuietWaitPurges() == std::vector<uint32_t>{0x000C},
                "no purge after the wait");
    } else {
        Require(line->QuietWaitReads() == 0 && line->QuietWaitPurges().empty(),
                "waited for a quiet line without a failure");
    }
    quietWaitDue = false;
}

Judged LinkFuzz::JudgeAnswer(uint8_t answerLength, bool ok) {
    const Bytes& got = line->Delivered();
    Judged judged;
    quietWaitDue = !ok;
    if (!wasOpen) {
        Require(line->ReadCount() == 0 && line->Purges().empty(), "closed link used the line");
        Require(!ok, "closed link reported success");
        return judged;
    }
    // Header first; only a positive header of a length that fits the frame is read beyond.
    size_t rest = 0;
    const bool header = got.size() >= 2;
    if (header && got[0] == 0x06 && got[1] <= 61) rest = got[1] + 1u;
    Require(got.size() <= 2 + rest || !header, "read beyond the answer's own length");
    Require(got.size() <= ConverterLink::FrameSize, "answer longer than the frame");
    Require(line->ReadCount() <= static_cast<int>(got.size()) + 2, "too many reads");
    const bool complete = header && got.size() == 2 + rest;
    const bool sound = complete && Sum(got) == 0;
    // A complete answer (or refused header) that does not add up purges; nothing else does.
    if (complete && !sound) {
        Require(line->Purges().size() == 1 && line->Purges()[0] == 0x000C, "missing purge");
    } else {
        Require(line->Purges().empty(), "unexpected purge");
    }
    judged.answered = sound && rest > 0 && got[1] == answerLength;
    if (judged.answered) judged.data.assign(got.begin() + 2, got.begin() + 2 + answerLength);
    if (Tracing()) {
        std::fprintf(stderr, "answer %s:", ok ? "taken" : "refused");
        for (uint8_t b : got)
            std::fprintf(stderr, " %02X", b);
        std::fprintf(stderr, "\n");
    }
    if (ok != judged.answered) Fail(ok ? "success on a bad answer" : "failure on a good answer");
    return judged;
}

Judged LinkFuzz::Judge(uint8_t code, const Bytes& requestData, uint8_t answerLength, bool ok) {
    if (wasOpen) {
        Bytes expected = {0x01, code, static_cast<uint8_t>(requestData.size())};
        expected.insert(expected.end(), requestData.begin(), requestData.end());
        expected.push_back(static_cast<uint8_t>(-Sum(expected)));
        Require(line->WriteCount() == 1 && line->Written() == expected, "wrong request frame");
    } else {
        Require(line->WriteCount() == 0, "closed link wrote");
    }
    JudgeQuietWait();
    return JudgeAnswer(answerLength, ok);
}

// A read into the caller's variable: on success it holds the answer, on failure what it held.
template <typename T, typename Call, typename Decode>
void LinkFuzz::CheckRead(Call call, uint8_t code, uint8_t length, Decode decode) {
    T value = decode(Bytes(length, input.ConsumeIntegral<uint8_t>()));
    const T before = value;
    Begin();
    const bool ok = call(value);
    const Judged judged = Judge(code, {}, length, ok);
    const T expected = judged.answered ? decode(judged.data) : before;
    Require(std::memcmp(&value, &expected, sizeof value) == 0, "wrong value handed back");
}

void LinkFuzz::ReadFloatParameter(bool (ConverterLink::*read)(float&), uint8_t code) {
    CheckRead<float>([&](float& v) { return ((*link).*read)(v); }, code, 4, FloatOf);
}

void LinkFuzz::ReadByteParameter(bool (ConverterLink::*read)(uint8_t&), uint8_t code) {
    CheckRead<uint8_t>([&](uint8_t& v) { return ((*link).*read)(v); }, code, 1, ByteOf);
}

void LinkFuzz::WriteFloatInOut(bool (ConverterLink::*write)(float&), uint8_t code) {
    float value = std::bit_cast<float>(input.ConsumeIntegral<uint32_t>());
    const uint32_t sent = Bits(value);
    Bytes request;
    AppendLittleEndian(request, sent, 4);
    Begin();
    const bool ok = ((*link).*write)(value);
    const Judged judged = Judge(code, request, 4, ok);
    // The caller holds what the converter answered, or what it sent when nothing came back.
    const uint32_t expected = judged.answered ? LittleEndianAt(judged.data, 0, 4) : sent;
    Require(Bits(value) == expected, "write did not hand back the answered value");
}

void LinkFuzz::WriteFloatByCopy(bool (ConverterLink::*write)(float), uint8_t code) {
    const float value = std::bit_cast<float>(input.ConsumeIntegral<uint32_t>());
    Bytes request;
    AppendLittleEndian(request, Bits(value), 4);
    Begin();
    Judge(code, request, 4, ((*link).*write)(value));
}

void LinkFuzz::WriteByteByCopy(bool (ConverterLink::*write)(uint8_t), uint8_t code) {
    const uint8_t value = input.ConsumeIntegral<uint8_t>();
    Begin();
    Judge(code, {value}, 1, ((*link).*write)(value));
}

void LinkFuzz::Identify() {
    std::array<char, 9> before;
    std::memcpy(before.data(), link->identity(), before.size());
    Begin();
    const char* text = link->Identify();
    const Judged judged = Judge(0x21, {}, 8, text != nullptr);
    if (judged.answered) {
        Require(text == link->identity(), "identity not the link's own text");
        Require(std::memcmp(text, judged.data.data(), 8) == 0, "identity differs from answer");
    } else {
        Require(std::memcmp(link->identity(), before.data(), before.size()) == 0,
                "failed identify changed the identity");
    }
}

void LinkFuzz::FirmwareVersion() {
    const uint16_t stored = link->firmwareVersion();
    uint16_t version = input.ConsumeIntegral<uint16_t>();
    Begin();
    const bool ok = link->ReadFirmwareVersion(version);
    const Judged judged = Judge(0x22, {}, 2, ok);
    const uint16_t expected =
        judged.answered ? static_cast<uint16_t>(LittleEndianAt(judged.data, 0, 2)) : stored;
    Require(link->firmwareVersion() == expected && version == expected, "wrong firmware version");
}

void LinkFuzz::SensorTable(bool write) {
    ::SensorTable table;
    Bytes encoded;
    for (float& c : table) {
        c = std::bit_cast<float>(input.ConsumeIntegral<uint32_t>());
        AppendLittleEndian(encoded, Bits(c), 4);
    }
    const ::SensorTable before = table;
    Begin();
    if (write) {
        Judge(0x3C, encoded, 20, link->WriteSensorTable(table));
        return;
    }
    const Judged judged = Judge(0x3C, {}, 20, link->ReadSensorTable(table));
    for (size_t i = 0; i < table.size(); ++i) {
        const uint32_t expected =
            judged.answered ? LittleEndianAt(judged.data, 4 * i, 4) : Bits(before[i]);
        Require(Bits(table[i]) == expected, "wrong sensor table");
    }
}

void LinkFuzz::Relay(bool write) {
    RelaySettings settings;
    settings.closeValue = std::bit_cast<float>(input.ConsumeIntegral<uint32_t>());
    settings.openValue = std::bit_cast<float>(input.ConsumeIntegral<uint32_t>());
    settings.closeDelay = input.ConsumeIntegral<uint16_t>();
    settings.openDelay = input.ConsumeIntegral<uint16_t>();
    Bytes encoded;
    AppendLittleEndian(encoded, Bits(settings.closeValue), 4);
    AppendLittleEndian(encoded, Bits(settings.openValue), 4);
    AppendLittleEndian(encoded, settings.closeDelay, 2);
    AppendLittleEndian(encoded, settings.openDelay, 2);
    Begin();
    const bool ok = write ? link->WriteRelaySettings(settings) : link->ReadRelaySettings(settings);
    const Judged judged = Judge(0x42, write ? encoded : Bytes(), 12, ok);
    const Bytes& expected = judged.answered ? judged.data : encoded;
    Require(Bits(settings.closeValue) == LittleEndianAt(expected, 0, 4) &&
                Bits(settings.openValue) == LittleEndianAt(expected, 4, 4) &&
                settings.closeDelay == LittleEndianAt(expected, 8, 2) &&
                settings.openDelay == LittleEndianAt(expected, 10, 2),
            "wrong relay settings");
}

void LinkFuzz::Coefficients(bool write) {
    ProbeCoefficients k;
    for (float& c : k.K)
        c = std::bit_cast<float>(input.ConsumeIntegral<uint32_t>());
    const ProbeCoefficients before = k;
    // Firmware 1.03 and later carries K[0] under 'F'; older firmware only K[1..3] under '='.
    const bool four = link->firmwareVersion() >= 0x0103;
    const uint8_t code = four ? 0x46 : 0x3D;
    const uint8_t length = four ? 16 : 12;
    Bytes encoded;
    for (size_t i = four ? 0 : 1; i < 4; ++i)
        AppendLittleEndian(encoded, Bits(k.K[i]), 4);
    Begin();
    if (write) {
        Judge(code, encoded, length, link->WriteProbeCoefficients(k));
        return;
    }
    const Judged judged = Judge(code, {}, length, link->ReadProbeCoefficients(k));
    for (size_t i = 0; i < 4; ++i) {
        uint32_t expected = Bits(before.K[i]);
        if (judged.answered) {
            expected = four ? LittleEndianAt(judged.data, 4 * i, 4)
                            : (i == 0 ? 0u : LittleEndianAt(judged.data, 4 * (i - 1), 4));
        }
        Require(Bits(k.K[i]) == expected, "wrong probe coefficients");
    }
}

void LinkFuzz::Commit() {
    Begin();
    Judge(0x2C, {0x00}, 0, link->CommitSensor());
}

void LinkFuzz::RawRequest() {
    const uint8_t code = input.ConsumeIntegral<uint8_t>();
    const uint8_t length = input.ConsumeIntegral<uint8_t>();
    Begin();
    const size_t written = link->SendRequest(code, length);
    // A request whose data and checksum would not fit the frame is not sent at all.
    if (length > ConverterLink::FrameSize - 4) {
        Require(written == 0 && line->WriteCount() == 0 && line->QuietWaitReads() == 0,
                "oversized request sent");
        return;
    }
    JudgeQuietWait();
    if (!wasOpen) {
        Require(written == 0 && line->WriteCount() == 0, "oversized or closed request sent");
        return;
    }
    const Bytes& frame = line->Written();
    Require(written == length + 4u && frame.size() == written, "request of the wrong size");
    Require(frame[0] == 0x01 && frame[1] == code && frame[2] == length && Sum(frame) == 0,
            "malformed request");
}

void LinkFuzz::RawAnswer() {
    const uint8_t expected = input.ConsumeIntegral<uint8_t>();
    Begin();
    JudgeAnswer(expected, link->ReceiveAnswer(expected));
}

// The typed transfers on any code, also codes the converter does not know.
void LinkFuzz::GenericTransfer() {
    const uint8_t code = input.ConsumeIntegral<uint8_t>();
    ConverterLink& l = *link;
    switch (input.ConsumeIntegralInRange(0, 4)) {
        case 0:
            CheckRead<uint8_t>([&](uint8_t& v) { return l.ReadByte(code, v); }, code, 1, ByteOf);
            break;
        case 1:
            CheckRead<uint16_t>([&](uint16_t& v) { return l.ReadWord(code, v); }, code, 2, WordOf);
            break;
        case 2:
            CheckRead<float>([&](float& v) { return l.ReadFloat(code, v); }, code, 4, FloatOf);
            break;
        case 3: {
            uint8_t value = input.ConsumeIntegral<uint8_t>();
            const uint8_t sent = value;
            Begin();
            const Judged judged = Judge(code, {sent}, 1, l.WriteByte(code, value));
            Require(value == (judged.answered ? judged.data[0] : sent), "wrong byte handed back");
            break;
        }
        default: {
            float value = std::bit_cast<float>(input.ConsumeIntegral<uint32_t>());
            const uint32_t sent = Bits(value);
            Bytes request;
            AppendLittleEndian(request, sent, 4);
            Begin();
            const Judged judged = Judge(code, request, 4, l.WriteFloat(code, value));
            Require(Bits(value) == (judged.answered ? LittleEndianAt(judged.data, 0, 4) : sent),
                    "wrong float handed back");
            break;
        }
    }
}

void LinkFuzz::Step() {
    using L = ConverterLink;
    const int choice = input.ConsumeIntegralInRange(0, 47);
    switch (choice) {
        case 0:
            link->Open("COM1");
            Require(link->IsOpen(), "open failed");
            quietWaitDue = false;
            break;
        case 1:
            link->Close();
            Require(!link->IsOpen(), "close left the port open");
            break;
        case 2:
            Identify();
            break;
        case 3:
            FirmwareVersion();
            break;
        case 4:
            CheckRead<int32_t>([&](int32_t& v) { return link->ReadSerialNumber(v); }, 0x23, 4,
                               IntegerOf);
            break;
        case 5:
            ReadFloatParameter(&L::ReadResistance, 0x24);
            break;
        case 6:
            ReadFloatParameter(&L::ReadTemperature, 0x25);
            break;
        case 7:
            ReadFloatParameter(&L::ReadCableCapacity, 0x28);
            break;
        case 8:
            ReadFloatParameter(&L::ReadConductance, 0x29);
            break;
        case 9:
            ReadFloatParameter(&L::ReadConductivity, 0x2A);
            break;
        case 10:
            ReadFloatParameter(&L::ReadRatio, 0x2B);
            break;
        case 11:
            ReadFloatParameter(&L::ReadCableCompensation, 0x38);
            break;
        case 12:
            ReadFloatParameter(&L::ReadTempCoefficient, 0x3E);
            break;
        case 13:
            ReadFloatParameter(&L::ReadReferenceTemperature, 0x3F);
            break;
        case 14:
            ReadFloatParameter(&L::ReadRangeStart, 0x40);
            break;
        case 15:
            ReadFloatParameter(&L::ReadRangeEnd, 0x41);
            break;
        case 16:
            ReadByteParameter(&L::ReadSensorKind, 0x32);
            break;
        case 17:
            ReadByteParameter(&L::ReadOutputType, 0x33);
            break;
        case 18:
            ReadByteParameter(&L::ReadRelayVariant, 0x34);
            break;
        case 19:
            ReadByteParameter(&L::ReadSensorDegree, 0x3B);
            break;
        case 20:
            ReadByteParameter(&L::ReadTempDamping, 0x43);
            break;
        case 21:
            ReadByteParameter(&L::ReadInputDamping, 0x44);
            break;
        case 22:
            ReadByteParameter(&L::ReadCompensationMode, 0x45);
            break;
        case 23:
            WriteFloatInOut(&L::WriteTempCoefficient, 0x3E);
            break;
        case 24:
            WriteFloatInOut(&L::WriteReferenceTemperature, 0x3F);
            break;
        case 25:
            WriteFloatInOut(&L::WriteRangeStart, 0x40);
            break;
        case 26:
            WriteFloatInOut(&L::WriteRangeEnd, 0x41);
            break;
        case 27: {
            uint8_t mode = input.ConsumeIntegral<uint8_t>();
            const uint8_t sent = mode;
            Begin();
            const Judged judged = Judge(0x45, {sent}, 1, link->WriteCompensationMode(mode));
            Require(mode == (judged.answered ? judged.data[0] : sent), "wrong mode handed back");
            break;
        }
        case 28:
            WriteFloatByCopy(&L::WriteCableCompensation, 0x38);
            break;
        case 29:
            WriteFloatByCopy(&L::WriteLowerResistanceLimit, 0x39);
            break;
        case 30:
            WriteFloatByCopy(&L::WriteUpperResistanceLimit, 0x3A);
            break;
        case 31:
            WriteByteByCopy(&L::WriteSensorKind, 0x32);
            break;
        case 32:
            WriteByteByCopy(&L::WriteSensorDegree, 0x3B);
            break;
        case 33:
            WriteByteByCopy(&L::WriteTempDamping, 0x43);
            break;
        case 34:
            WriteByteByCopy(&L::WriteInputDamping, 0x44);
            break;
        case 35:
            SensorTable(false);
            break;
        case 36:
            SensorTable(true);
            break;
        case 37:
            Relay(false);
            break;
        case 38:
            Relay(true);
            break;
        case 39:
            Coefficients(false);
            break;
        case 40:
            Coefficients(true);
            break;
        case 41:
            Commit();
            break;
        case 42:
            RawRequest();
            break;
        case 43:
            RawAnswer();
            break;
        default:
            GenericTransfer();
            break;
    }
    // The identity stays a zero-terminated text of at most eight characters.
    Require(link->identity()[ConverterLink::IdentitySize] == '\0', "identity lost its zero");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    LinkFuzz fuzz(input);
    fuzz.Run();
    return 0;
}
