#include "sim/model/request_parser.h"

#include <algorithm>

#include "sim/model/wire_bytes.h"

namespace sim {

FrameCheck ParseRequest(const uint8_t* bytes, size_t count, Request& request) {
    if (count < 4) return FrameCheck::Incomplete;
    if (bytes[0] != RequestStart) return FrameCheck::BadStart;
    const size_t length = bytes[2];
    if (length > MaxRequestData) return FrameCheck::BadLength;
    if (count < length + 4) return FrameCheck::Incomplete;
    if (count > length + 4) return FrameCheck::TrailingBytes;
    if (ChecksumOf(bytes, length + 4) != 0) return FrameCheck::BadChecksum;
    request.code = bytes[1];
    request.length = static_cast<uint8_t>(length);
    std::copy(bytes + 3, bytes + 3 + length, request.data.begin());
    return FrameCheck::Complete;
}

void RequestParser::Feed(const uint8_t* bytes, size_t count, std::vector<Request>& requests) {
    for (size_t i = 0; i < count; ++i) {
        pending.push_back(bytes[i]);
        Request request;
        while (ScanOne(request))
            requests.push_back(request);
    }
}

bool RequestParser::ScanOne(Request& request) {
    while (!pending.empty()) {
        if (pending[0] != RequestStart) {
            SkipFirst();
            continue;
        }
        if (pending.size() < 3) return false;
        const size_t length = pending[2];
        if (length > MaxRequestData) {
            SkipFirst();
            continue;
        }
        if (pending.size() < length + 4) return false;
        if (ParseRequest(pending.data(), length + 4, request) == FrameCheck::Complete) {
            pending.erase(pending.begin(), pending.begin() + static_cast<long>(length + 4));
            return true;
        }
        SkipFirst();
    }
    return false;
}

void RequestParser::SkipFirst() {
    skipped.push_back(pending.front());
    pending.erase(pending.begin());
}

void RequestParser::Reset() {
    skipped.insert(skipped.end(), pending.begin(), pending.end());
    pending.clear();
}

std::vector<uint8_t> RequestParser::TakeSkipped() {
    std::vector<uint8_t> result;
    result.swap(skipped);
    return result;
}

}  // namespace sim
