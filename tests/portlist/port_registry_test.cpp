#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "link/port_list.h"

namespace {

constexpr char MapKey[] = "hardware\\devicemap\\serialcomm";

// Values this test adds to the serial device map, and removes again whatever happens.
class TestValues {
  public:
    TestValues() {
        LONG status = RegCreateKeyExA(HKEY_LOCAL_MACHINE, MapKey, 0, nullptr, REG_OPTION_VOLATILE,
                                      KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (status != ERROR_SUCCESS) key = nullptr;
        RemoveAll();  // left over from an interrupted run
    }
    ~TestValues() {
        RemoveAll();
        if (key != nullptr) RegCloseKey(key);
    }

    bool SetText(const char* name, const char* text, DWORD size) {
        names.emplace_back(name);
        return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), size) ==
               ERROR_SUCCESS;
    }
    bool SetText(const char* name, const char* text) {
        return SetText(name, text, static_cast<DWORD>(std::strlen(text) + 1));
    }
    bool SetNumber(const char* name, DWORD number) {
        names.emplace_back(name);
        return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                              sizeof number) == ERROR_SUCCESS;
    }
    void RemoveAll() {
        if (key == nullptr) return;
        for (const char* name : AllNames)
            RegDeleteValueA(key, name);
    }

    static constexpr const char* AllNames[] = {"ZR3Test0", "ZR3Test1", "ZR3Test2", "ZR3Test3",
                                               "ZR3Test4", "ZR3Test5", "ZR3Test6"};
    HKEY key = nullptr;
    std::vector<std::string> names;
};

std::vector<std::string> SystemPorts() {
    PortList list;
    std::vector<std::string> names;
    for (int i = 0; i < list.Count; ++i)
        names.emplace_back(list.TextAt(i));
    return names;
}

// Length first, then bytes: the order the list promises.
bool PortOrder(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

TEST(PortRegistry, ReadsTheSerialDeviceMapOfThePrefix) {
    std::vector<std::string> before = SystemPorts();
    {
        TestValues values;
        ASSERT_NE(values.key, nullptr);
        ASSERT_TRUE(values.SetText("ZR3Test0", "COM10"));
        ASSERT_TRUE(values.SetText("ZR3Test1", "COM3"));
        ASSERT_TRUE(values.SetText("ZR3Test2", "COM1"));
        ASSERT_TRUE(values.SetText("ZR3Test3", "COM3"));         // a second value for COM3
        ASSERT_TRUE(values.SetText("ZR3Test4", "COM12345"));     // does not fit 8 bytes
        ASSERT_TRUE(values.SetText("ZR3Test5", "COM98765", 8));  // no terminating zero
        ASSERT_TRUE(values.SetNumber("ZR3Test6", 0x00314D43));   // "CM1" and a zero, as a number

        std::vector<std::string> expected = before;
        for (const char* name : {"COM10", "COM3", "COM1"})
            if (std::find(expected.begin(), expected.end(), name) == expected.end())
                expected.emplace_back(name);
        std::sort(expected.begin(), expected.end(), PortOrder);

        std::vector<std::string> ports = SystemPorts();
        EXPECT_EQ(ports, expected);
        auto at = [&](const char* name) {
            return std::find(ports.begin(), ports.end(), name) - ports.begin();
        };
        EXPECT_LT(at("COM1"), at("COM3"));
        EXPECT_LT(at("COM3"), at("COM10"));
        EXPECT_EQ(std::count(ports.begin(), ports.end(), "COM3"), 1);
    }
    // The map is as it was.
    EXPECT_EQ(SystemPorts(), before);
}

}  // namespace
