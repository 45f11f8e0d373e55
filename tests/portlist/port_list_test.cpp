#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "link/port_list.h"
#include "tests/portlist/fake_port_source.h"

namespace {

std::vector<std::string> Names(PortList& list) {
    std::vector<std::string> names;
    for (int i = 0; i < list.Count; ++i)
        names.emplace_back(list.TextAt(i));
    return names;
}

using NameList = std::vector<std::string>;

TEST(PortList, OffersShorterNamesFirstThenByBytes) {
    FakePortSource source;
    for (const char* name : {"COM10", "COM3", "COM1", "COM11", "COM2", "COM100"})
        source.AddText(name);
    PortList list(source);
    EXPECT_EQ(Names(list), (NameList{"COM1", "COM2", "COM3", "COM10", "COM11", "COM100"}));
    EXPECT_EQ(list.Limit, 10);
    EXPECT_EQ(list.Delta, 5);
    EXPECT_EQ(source.opened, 1);
    EXPECT_EQ(source.closed, 1);
}

TEST(PortList, CompareIsLengthFirstThenUnsignedBytes) {
    FakePortSource empty;
    empty.exists = false;
    PortList list(empty);
    EXPECT_LT(list.Compare("COM2", "COM10"), 0);
    EXPECT_GT(list.Compare("COM10", "COM2"), 0);
    EXPECT_LT(list.Compare("COM10", "COM11"), 0);
    EXPECT_EQ(list.Compare("COM4", "COM4"), 0);
    // Upper case before lower case; a byte above 127 after every ASCII byte.
    EXPECT_LT(list.Compare("COMA", "COMa"), 0);
    EXPECT_GT(list.Compare("COM\xC4", "COMz"), 0);
}

TEST(PortList, NamesThePortOnceWhenTwoValuesAgree) {
    FakePortSource source;
    source.AddText("COM3");
    source.AddText("COM1");
    source.AddText("COM3");
    PortList list(source);
    EXPECT_EQ(Names(list), (NameList{"COM1", "COM3"}));
}

TEST(PortList, IsEmptyWithoutTheKey) {
    FakePortSource source;
    source.exists = false;
    source.AddText("COM1");
    PortList list(source);
    EXPECT_EQ(list.Count, 0);
    EXPECT_EQ(source.closed, 0);  // nothing was opened, so nothing is closed
}

TEST(PortList, SkipsValuesThatDoNotFitOrAreNoText) {
    FakePortSource source;
    source.AddText("COM12345");  // 8 characters and the zero: 9 bytes, more than the buffer
    source.AddText("COM1234");   // 7 characters fit exactly
    source.AddText("");          // an empty text names no port

    PortValue unterminated;  // 8 bytes without a zero
    unterminated.result = PortValue::Ok;
    unterminated.isText = true;
    std::memcpy(unterminated.data.data(), "COM98765", 8);
    unterminated.size = 8;
    source.values.push_back(unterminated);

    PortValue number = PortValue::FromText("COM5");  // right bytes, wrong type
    number.isText = false;
    source.values.push_back(number);

    PortValue failed = PortValue::FromText("COM6");
    failed.result = PortValue::Failed;
    source.values.push_back(failed);

    PortValue shortData = PortValue::FromText("COM7");  // zero beyond the stored size
    shortData.size = 4;
    source.values.push_back(shortData);

    source.AddText("COM2");
    PortList list(source);
    EXPECT_EQ(Names(list), (NameList{"COM2", "COM1234"}));
}

TEST(PortList, FromTextMarksTooLongNamesAsNotFitting) {
    PortValue value = PortValue::FromText("COM12345");
    EXPECT_EQ(value.result, PortValue::MoreData);
    EXPECT_EQ(value.size, 0u);
    value = PortValue::FromText("COM1");
    EXPECT_EQ(value.result, PortValue::Ok);
    EXPECT_EQ(value.size, 5u);
    EXPECT_STREQ(reinterpret_cast<const char*>(value.data.data()), "COM1");
}

TEST(PortList, GrowsBeyondItsFirstCapacity) {
    FakePortSource source;
    std::vector<std::string> expected;
    for (int i = 1; i <= 23; ++i) {
        std::string name = "COM" + std::to_string(i);
        source.AddText(name.c_str());
    }
    for (int i = 1; i <= 23; ++i)
        expected.push_back("COM" + std::to_string(i));
    PortList list(source);
    EXPECT_EQ(Names(list), expected);
    EXPECT_EQ(list.Limit, 25);
}

}  // namespace
