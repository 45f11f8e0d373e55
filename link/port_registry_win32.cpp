#include <windows.h>

#include "link/port_list.h"

namespace {

// The serial device map of the registry: HKLM "hardware\devicemap\serialcomm", read only.
class RegistryPortSource : public PortSource {
  public:
    ~RegistryPortSource() override { Close(); }

    bool Open() override {
        Close();
        return RegOpenKeyA(HKEY_LOCAL_MACHINE, "hardware\\devicemap\\serialcomm", &key) ==
               ERROR_SUCCESS;
    }

    int ValueCount() override {
        DWORD values = 0;
        if (key == nullptr ||
            RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                             nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            return 0;
        return static_cast<int>(values);
    }

    PortValue ValueAt(int index) override {
        PortValue value;
        if (key == nullptr) return value;
        char name[PortValue::NameSize];
        DWORD nameSize = sizeof name;
        DWORD type = 0;
        DWORD dataSize = PortValue::DataSize;
        LONG status = RegEnumValueA(key, static_cast<DWORD>(index), name, &nameSize, nullptr, &type,
                                    value.data.data(), &dataSize);
        if (status == ERROR_MORE_DATA) {
            value.result = PortValue::MoreData;
        } else if (status == ERROR_SUCCESS) {
            value.result = PortValue::Ok;
            value.size = dataSize <= PortValue::DataSize ? dataSize : PortValue::DataSize;
        }
        value.isText = type == REG_SZ;
        return value;
    }

    void Close() override {
        if (key != nullptr) RegCloseKey(key);
        key = nullptr;
    }

  private:
    HKEY key = nullptr;
};

}  // namespace

std::unique_ptr<PortSource> CreateSystemPortSource() {
    return std::make_unique<RegistryPortSource>();
}
