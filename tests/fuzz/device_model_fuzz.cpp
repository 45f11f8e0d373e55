// Fuzzes the simulated converter's request parser with arbitrary request bytes, once as whole
// frames (one piece is one frame) and once as a byte stream in the same pieces. Every answer is
// nothing or one well-formed answer frame of at most 64 bytes; a request that is not exactly one
// well-formed frame gets no answer; every request found in the stream is a frame that stands in
// it whole and in order; a write is answered with as many data bytes as it carried.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "sim/model/device_model.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint8_t CommitCode = 0x2C;
constexpr uint16_t Firmwares[] = {0x0100, 0x0101, 0x0102, 0x0103, 0x0104};

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "device model fuzz: %s\n", what);
    std::abort();
}

void Require(bool condition, const char* what) {
    if (!condition) Fail(what);
}

void RequireAnswerFrame(const Bytes& answer) {
    if (answer.empty()) return;
    Require(answer.size() >= 3 && answer.size() <= 64, "answer of an impossible size");
    Require(answer[0] == 0x06, "answer does not start with 06");
    Require(answer[1] == answer.size() - 3, "answer length byte wrong");
    uint8_t sum = 0;
    for (uint8_t b : answer)
        sum = static_cast<uint8_t>(sum + b);
    Require(sum == 0, "answer checksum wrong");
}

void RequireWriteAnswer(const sim::Request& request, const Bytes& answer) {
    if (answer.empty() || request.length == 0) return;
    const size_t expected = request.code == CommitCode ? 0 : request.length;
    Require(answer[1] == expected, "write answered with another length");
}

void RequireSettingsInRange(const sim::ConverterState& state) {
    Require(state.inputDamping <= sim::MaxDamping && state.tempDamping <= sim::MaxDamping,
            "damping beyond its range");
    Require(state.compensationMode <= sim::MaxCompensationMode, "unknown compensation mode");
}

// Random bytes seldom add up: a piece is taken as it is (0), with its last byte made the
// checksum (1), or as the request frame of its first byte as code and the rest as data (2).
void Shape(Bytes& piece, int how) {
    if (how == 0 || piece.empty()) return;
    if (how == 2) {
        const uint8_t code = piece[0];
        const size_t length = std::min(piece.size() - 1, sim::MaxRequestData);
        Bytes frame = {sim::RequestStart, code, static_cast<uint8_t>(length)};
        frame.insert(frame.end(), piece.begin() + 1, piece.begin() + 1 + static_cast<long>(length));
        frame.push_back(0);
        piece = std::move(frame);
    }
    uint8_t sum = 0;
    for (size_t i = 0; i + 1 < piece.size(); ++i)
        sum = static_cast<uint8_t>(sum + piece[i]);
    piece.back() = static_cast<uint8_t>(-sum);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    sim::DeviceOptions options;
    options.firmwareVersion = Firmwares[input.ConsumeIntegralInRange<size_t>(0, 4)];
    sim::DeviceModel whole(options);
    sim::DeviceModel streaming(options);

    Bytes stream;
    size_t searchFrom = 0;
    while (input.remaining_bytes() > 0) {
        Bytes piece = input.ConsumeBytes<uint8_t>(input.ConsumeIntegralInRange(0, 40));
        Shape(piece, input.ConsumeIntegralInRange(0, 2));
        if (input.ConsumeBool()) {
            streaming.Advance(input.ConsumeIntegralInRange<uint64_t>(0, 5000));
        }

        // One piece as one request frame.
        sim::Request parsed;
        const bool complete =
            sim::ParseRequest(piece.data(), piece.size(), parsed) == sim::FrameCheck::Complete;
        const sim::Transmission sent = whole.Respond(piece.data(), piece.size());
        Require(sent.gapMs.size() == sent.bytes.size(), "pauses do not match the bytes");
        RequireAnswerFrame(sent.bytes);
        Require(complete || sent.bytes.empty(), "answer to a malformed request");
        if (complete) {
            Require(sim::RequestBytes(parsed) == piece, "parsed request differs from its bytes");
            RequireWriteAnswer(parsed, sent.bytes);
        }
        RequireSettingsInRange(whole.state());

        // The same piece as part of a stream.
        stream.insert(stream.end(), piece.begin(), piece.end());
        for (const sim::Exchange& exchange : streaming.Receive(piece.data(), piece.size())) {
            const Bytes request = sim::RequestBytes(exchange.request);
            Require(request.size() >= 4 && request.size() <= sim::MaxRequestFrame,
                    "request of an impossible size");
            const auto at = std::search(stream.begin() + static_cast<long>(searchFrom),
                                        stream.end(), request.begin(), request.end());
            Require(at != stream.end(), "request not found whole in the stream");
            searchFrom = static_cast<size_t>(at - stream.begin()) + request.size();
            Require(exchange.answer.gapMs.size() == exchange.answer.bytes.size(),
                    "pauses do not match the bytes");
            RequireAnswerFrame(exchange.answer.bytes);
            Require(!exchange.ignored || exchange.answer.bytes.empty(), "ignored yet answered");
            RequireWriteAnswer(exchange.request, exchange.answer.bytes);
        }
        RequireSettingsInRange(streaming.state());
    }
    return 0;
}
