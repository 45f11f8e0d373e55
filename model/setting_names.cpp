#include "model/setting_names.h"

namespace {

constexpr std::array<SettingName, SettingCount> Names = {{
    {SettingId::InputDamping, "input-damping", "damping of the input, 0 .. 30"},
    {SettingId::RangeStart, "range-start", "start of the input range"},
    {SettingId::RangeEnd, "range-end", "end of the input range"},
    {SettingId::Compensation, "compensation", "temperature compensation: off, linear, nonlinear"},
    {SettingId::Sensor, "sensor", "temperature sensor model"},
    {SettingId::TempDamping, "temp-damping", "damping of the temperature, 0 .. 30"},
    {SettingId::RefTemp, "ref-temp", "reference temperature, degC"},
    {SettingId::Coefficient, "coefficient", "linear compensation coefficient, %"},
    {SettingId::RelayClose, "relay-close", "value at which the relay closes"},
    {SettingId::RelayOpen, "relay-open", "value at which the relay opens"},
    {SettingId::RelayCloseDelay, "relay-close-delay", "delay before closing, 0 .. 65535"},
    {SettingId::RelayOpenDelay, "relay-open-delay", "delay before opening, 0 .. 65535"},
    {SettingId::Cable, "cable", "stored cable capacity compensation"},
    {SettingId::K0, "k0", "probe coefficient K[0] (firmware 1.03 and later)"},
    {SettingId::K1, "k1", "probe coefficient K[1], 1/cm"},
    {SettingId::K2, "k2", "probe coefficient K[2]"},
    {SettingId::K3, "k3", "probe coefficient K[3]"},
}};

}  // namespace

const std::array<SettingName, SettingCount>& AllSettings() {
    return Names;
}

const char* NameOf(SettingId id) {
    return Names[static_cast<size_t>(id)].name;
}

std::optional<SettingId> SettingNamed(std::string_view name) {
    for (const auto& entry : Names)
        if (name == entry.name) return entry.id;
    return std::nullopt;
}

bool IsRelaySetting(SettingId id) {
    return id >= SettingId::RelayClose && id <= SettingId::RelayOpenDelay;
}

bool IsProbeSetting(SettingId id) {
    return id >= SettingId::K0 && id <= SettingId::K3;
}
