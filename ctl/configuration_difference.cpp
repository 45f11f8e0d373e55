#include "ctl/configuration_difference.h"

std::vector<SettingDifference> Differences(const Configuration& file,
                                           const Configuration& converter) {
    std::vector<SettingDifference> differences;
    for (const auto& entry : AllSettings()) {
        const auto& wanted = file[entry.id];
        if (!wanted) continue;
        const auto& held = converter[entry.id];
        if (!held || !SameValue(entry.id, *held, *wanted))
            differences.push_back({entry.id, *wanted, held});
    }
    return differences;
}
