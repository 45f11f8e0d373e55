#pragma once

#include <optional>
#include <vector>

#include "ctl/setting_value.h"

// A setting whose value in a file differs from the converter's; converter is empty when the
// converter's value is not known.
struct SettingDifference {
    SettingId id = SettingId::InputDamping;
    SettingValue file;
    std::optional<SettingValue> converter;
};

// The settings the file gives that the converter does not hold, in the order they are written.
// The one comparison of restore (its plan and its read-back) and verify.
std::vector<SettingDifference> Differences(const Configuration& file,
                                           const Configuration& converter);
