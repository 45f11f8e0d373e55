#include "sim/model/request_parser.h"

#include <gtest/gtest.h>

#include "tests/sim/hex_frames.h"

namespace {

using sim::FrameCheck;
using sim::Request;
using sim::RequestParser;

FrameCheck Check(std::string_view text) {
    const Bytes bytes = HexBytes(text);
    Request request;
    return sim::ParseRequest(bytes.data(), bytes.size(), request);
}

TEST(RequestFrames, WholeFrameRules) {
    EXPECT_EQ(Check("01 21 00 DE"), FrameCheck::Complete);
    EXPECT_EQ(Check("01 40 04 00 00 48 41 32"), FrameCheck::Complete);
    EXPECT_EQ(Check("01 21 00 DF"), FrameCheck::BadChecksum);
    EXPECT_EQ(Check("06 21 00 D9"), FrameCheck::BadStart);
    EXPECT_EQ(Check("01 21 00"), FrameCheck::Incomplete);
    EXPECT_EQ(Check("01 40 04 00 00 48"), FrameCheck::Incomplete);
    EXPECT_EQ(Check("01 21 00 DE DE"), FrameCheck::TrailingBytes);
    EXPECT_EQ(Check("01 21 15 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 C9"),
              FrameCheck::BadLength);

    const Bytes write = HexBytes("01 40 04 00 00 48 41 32");
    Request request;
    ASSERT_EQ(sim::ParseRequest(write.data(), write.size(), request), FrameCheck::Complete);
    EXPECT_EQ(request.code, 0x40);
    EXPECT_EQ(request.length, 4);
    EXPECT_EQ(request.data[2], 0x48);
    EXPECT_EQ(request.data[3], 0x41);
}

TEST(RequestStream, ResynchronisesAfterNoiseAndBrokenFrames) {
    RequestParser parser;
    std::vector<Request> requests;
    // A start byte in the noise whose "length" is too large gives way to the real frame.
    const Bytes line = HexBytes("01 01 22 00 DD");
    parser.Feed(line.data(), line.size(), requests);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].code, 0x22);
    EXPECT_EQ(HexText(parser.TakeSkipped()), "01");
    EXPECT_TRUE(parser.Idle());

    // A frame arriving byte by byte completes on its checksum byte only.
    requests.clear();
    const Bytes write = HexBytes("01 44 01 05 B5");
    for (size_t i = 0; i < write.size(); ++i) {
        parser.Feed(&write[i], 1, requests);
        EXPECT_EQ(requests.size(), i + 1 == write.size() ? 1u : 0u);
    }
    EXPECT_EQ(requests[0].data[0], 0x05);

    // Reset drops a partial frame, which then shows as skipped.
    requests.clear();
    const Bytes partial = HexBytes("01 44 01");
    parser.Feed(partial.data(), partial.size(), requests);
    EXPECT_FALSE(parser.Idle());
    parser.Reset();
    EXPECT_TRUE(parser.Idle());
    EXPECT_EQ(HexText(parser.TakeSkipped()), "01 44 01");
    const Bytes next = HexBytes("01 21 00 DE");
    parser.Feed(next.data(), next.size(), requests);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].code, 0x21);
}

TEST(RequestStream, ALongRunOfNoiseNeverGrowsWithoutBound) {
    RequestParser parser;
    std::vector<Request> requests;
    Bytes noise;
    for (int i = 0; i < 5000; ++i)
        noise.push_back(static_cast<uint8_t>(i * 37 + 1));
    parser.Feed(noise.data(), noise.size(), requests);
    const Bytes good = HexBytes("01 21 00 DE");
    // Whatever the noise left half-open, a few good frames get through again.
    for (int i = 0; i < 8; ++i)
        parser.Feed(good.data(), good.size(), requests);
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests.back().code, 0x21);
    EXPECT_EQ(requests[requests.size() - 2].code, 0x21);
    EXPECT_TRUE(parser.Idle());
}

}  // namespace
