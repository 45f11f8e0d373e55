#pragma once

#include <string>
#include <vector>

#include "model/setting_names.h"

// How far a list of writes got, for the message when a signal stops it between two writes.
struct ChangeProgress {
    std::vector<SettingId> written;  // answered
    std::vector<SettingId> failed;   // tried, not answered as asked
    std::vector<SettingId> left;     // not tried
};

// "interrupted; written: input-damping, sensor; not written: range-start"
std::string InterruptedChangeText(const ChangeProgress& progress);

// When a signal has come: ends the command with that text and 128 + the signal's number.
void EndIfInterrupted(const ChangeProgress& progress);
