#include "tests/fuzz/fuzz_line.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

void FuzzLine::Guard(const uint8_t* frame, size_t size) {
    frameStart = frame;
    frameSize = size;
}

void FuzzLine::BeginExchange() {
    written.clear();
    writeCount = 0;
    delivered.clear();
    purges.clear();
    readCount = 0;
    quietWaitReads = 0;
    quietWaitPurges.clear();
}

bool FuzzLine::Open(const char* path) {
    if (path == nullptr || std::strcmp(path, "\\\\.\\COM1") != 0) {
        std::fprintf(stderr, "unexpected port path\n");
        std::abort();
    }
    open = true;
    return true;
}

void FuzzLine::CheckWithinFrame(const uint8_t* buffer, size_t count) const {
    // Compared as addresses: a pointer before the frame is no valid iterator into it.
    std::less<const uint8_t*> before;
    if (frameStart == nullptr || before(buffer, frameStart) ||
        before(frameStart + frameSize, buffer) ||
        count > static_cast<size_t>(frameStart + frameSize - buffer)) {
        std::fprintf(stderr, "line access outside the frame: offset %td, count %zu\n",
                     buffer - frameStart, count);
        std::abort();
    }
}

size_t FuzzLine::Read(uint8_t* buffer, size_t count) {
    std::less<const uint8_t*> before;
    const bool intoFrame = frameStart != nullptr && !before(buffer, frameStart) &&
                           before(buffer, frameStart + frameSize);
    if (!intoFrame) {
        // The wait for a quiet line reads into a buffer of its own, never more than a frame.
        if (count > frameSize) CheckWithinFrame(buffer, count);
        if (!open) return 0;
        ++quietWaitReads;
        if (input.remaining_bytes() == 0 || count == 0) return 0;
        const size_t wanted = input.ConsumeIntegralInRange<size_t>(0, count);
        const std::vector<uint8_t> bytes = input.ConsumeBytes<uint8_t>(wanted);
        if (!bytes.empty()) std::memcpy(buffer, bytes.data(), bytes.size());
        return bytes.size();
    }
    CheckWithinFrame(buffer, count);
    if (!open) return 0;
    ++readCount;
    if (input.remaining_bytes() == 0 || count == 0) return 0;
    const size_t wanted = input.ConsumeIntegralInRange<size_t>(0, count);
    const std::vector<uint8_t> bytes = input.ConsumeBytes<uint8_t>(wanted);
    if (bytes.empty()) return 0;
    std::memcpy(buffer, bytes.data(), bytes.size());
    delivered.insert(delivered.end(), bytes.begin(), bytes.end());
    // A read that ends a positive answer may have its checksum made right, so that random input
    // reaches the sound answers of every length, not only the broken ones.
    const bool positive = delivered.size() >= 2 && delivered[0] == 0x06 && delivered[1] <= 61;
    if (positive && delivered.size() == delivered[1] + 3u && input.ConsumeBool()) {
        uint8_t sum = 0;
        for (size_t i = 0; i + 1 < delivered.size(); ++i)
            sum = static_cast<uint8_t>(sum + delivered[i]);
        delivered.back() = static_cast<uint8_t>(-sum);
        buffer[bytes.size() - 1] = delivered.back();
    }
    return bytes.size();
}

size_t FuzzLine::Write(const uint8_t* buffer, size_t count) {
    CheckWithinFrame(buffer, count);
    if (!open) return 0;
    ++writeCount;
    written.assign(buffer, buffer + count);
    return count;
}

void FuzzLine::Purge(uint32_t flags) {
    if (!open) return;
    if (quietWaitReads > 0 && writeCount == 0 && readCount == 0)
        quietWaitPurges.push_back(flags);
    else
        purges.push_back(flags);
}
