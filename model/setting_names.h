#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

// The converter's writable settings by the names of the command line, of `show` and of the
// backup file, in the order they are shown and written.
enum class SettingId : uint8_t {
    InputDamping,
    RangeStart,
    RangeEnd,
    Compensation,
    Sensor,
    TempDamping,
    RefTemp,
    Coefficient,
    RelayClose,
    RelayOpen,
    RelayCloseDelay,
    RelayOpenDelay,
    Cable,
    K0,
    K1,
    K2,
    K3,
};

constexpr size_t SettingCount = 17;

struct SettingName {
    SettingId id = SettingId::InputDamping;
    const char* name = "";
    const char* meaning = "";
};

const std::array<SettingName, SettingCount>& AllSettings();
const char* NameOf(SettingId id);
std::optional<SettingId> SettingNamed(std::string_view name);

// The settings that travel in one block: the relay's four, and the probe's K0 .. K3.
bool IsRelaySetting(SettingId id);
bool IsProbeSetting(SettingId id);
