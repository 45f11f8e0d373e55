#include "sim/model/fault_injector.h"

#include <algorithm>

#include "sim/model/wire_bytes.h"

namespace sim {
namespace {

constexpr uint8_t NegativeAnswerStart = 0x15;
// What a disturbed line typically shows: all ones, all zeros and alternating bits.
constexpr uint8_t GarbagePattern[] = {0xFF, 0x55, 0xAA, 0x00};

struct FaultName {
    FaultKind kind;
    std::string_view name;
    uint32_t defaultParameter;
    bool takesParameter;
};

constexpr FaultName FaultNames[] = {
    {FaultKind::Silence, "silence", 0, false},   {FaultKind::BadChecksum, "checksum", 0, false},
    {FaultKind::NegativeStart, "nak", 0, false}, {FaultKind::WrongLength, "length", 0, false},
    {FaultKind::CutShort, "cut", 3, true},       {FaultKind::LongHeader, "header", 62, true},
    {FaultKind::Garbage, "garbage", 3, true},    {FaultKind::Slow, "slow", 150, true},
};

const FaultName* Find(FaultKind kind) {
    for (const auto& entry : FaultNames) {
        if (entry.kind == kind) return &entry;
    }
    return nullptr;
}

void Reseal(std::vector<uint8_t>& frame) {
    frame.back() = ChecksumOf(frame.data(), frame.size() - 1);
}

}  // namespace

std::string_view FaultKindName(FaultKind kind) {
    const FaultName* entry = Find(kind);
    return entry ? entry->name : std::string_view("none");
}

std::optional<FaultKind> FaultKindFromName(std::string_view name) {
    for (const auto& entry : FaultNames) {
        if (entry.name == name) return entry.kind;
    }
    return std::nullopt;
}

uint32_t DefaultFaultParameter(FaultKind kind) {
    const FaultName* entry = Find(kind);
    return entry ? entry->defaultParameter : 0;
}

bool FaultTakesParameter(FaultKind kind) {
    const FaultName* entry = Find(kind);
    return entry && entry->takesParameter;
}

void FaultInjector::Set(FaultKind kind, uint32_t parameter, int count, int code, int after) {
    if (kind == FaultKind::None || count == 0) {
        Clear();
        return;
    }
    fault.kind = kind;
    fault.parameter = parameter;
    fault.remaining = count < 0 ? FaultAlways : count;
    fault.code = code;
    fault.passing = after > 0 ? after : 0;
}

Transmission FaultInjector::Apply(const std::vector<uint8_t>& answer, int code) {
    Transmission out;
    out.bytes = answer;
    const bool otherCode = fault.code != Fault::AnyCode && code != fault.code;
    if (fault.kind == FaultKind::None || answer.size() < 3 || otherCode) {
        out.gapMs.assign(out.bytes.size(), 0);
        return out;
    }
    if (fault.passing > 0) {
        --fault.passing;
        out.gapMs.assign(out.bytes.size(), 0);
        return out;
    }
    out.fault = fault.kind;
    switch (fault.kind) {
        case FaultKind::None:
            break;
        case FaultKind::Silence:
            out.bytes.clear();
            break;
        case FaultKind::BadChecksum:
            out.bytes.back() = static_cast<uint8_t>(out.bytes.back() + 1);
            break;
        case FaultKind::NegativeStart:
            out.bytes[0] = NegativeAnswerStart;
            Reseal(out.bytes);
            break;
        case FaultKind::WrongLength:
            out.bytes[1] = static_cast<uint8_t>(out.bytes[1] + 1);
            out.bytes.insert(out.bytes.end() - 1, 0x00);
            Reseal(out.bytes);
            break;
        case FaultKind::CutShort:
            out.bytes.resize(std::min<size_t>(out.bytes.size(), fault.parameter));
            break;
        case FaultKind::LongHeader:
            out.bytes[1] = static_cast<uint8_t>(std::max<uint32_t>(fault.parameter, 62) & 0xFF);
            Reseal(out.bytes);
            break;
        case FaultKind::Garbage: {
            std::vector<uint8_t> noisy;
            for (uint32_t i = 0; i < fault.parameter && i < 64; ++i) {
                noisy.push_back(GarbagePattern[i % std::size(GarbagePattern)]);
            }
            out.bytes.insert(out.bytes.begin(), noisy.begin(), noisy.end());
            break;
        }
        case FaultKind::Slow:
            break;
    }
    out.gapMs.assign(out.bytes.size(), fault.kind == FaultKind::Slow ? fault.parameter : 0);
    if (!out.gapMs.empty()) out.gapMs[0] = 0;
    if (fault.remaining > 0 && --fault.remaining == 0) Clear();
    return out;
}

std::string FaultInjector::Describe() const {
    if (fault.kind == FaultKind::None) return "none";
    std::string text(FaultKindName(fault.kind));
    if (FaultTakesParameter(fault.kind)) {
        text += ' ';
        text += std::to_string(fault.parameter);
    }
    if (fault.code != Fault::AnyCode) {
        static constexpr char Digits[] = "0123456789ABCDEF";
        text += " on ";
        text += Digits[(fault.code >> 4) & 0xF];
        text += Digits[fault.code & 0xF];
    }
    if (fault.remaining == FaultAlways) {
        text += " always";
    } else {
        text += " next ";
        text += std::to_string(fault.remaining);
    }
    if (fault.passing > 0) {
        text += " after ";
        text += std::to_string(fault.passing);
    }
    return text;
}

}  // namespace sim
