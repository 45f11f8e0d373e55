#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "sim/model/device_model.h"

// The simulator's control language, one command a line:
//   fault KIND [N] [on CODE] [next [COUNT] | always] [after SKIP]   fault clear
//   set temperature|conductivity|cell|capacity VALUE   set sensor
//   auto|pt100|pt1000|ni5000|ni6180|ntc set noise|drift on|off   set firmware V   set identity TEXT
//   set serial N set output N   set relay N   sensor broken on|off   advance MS   show   help quit
namespace sim {

struct ControlReply {
    bool ok = true;
    bool quit = false;
    // Reply lines; the last one is "ok ..." or "error: ...". Empty for a blank or comment line.
    std::vector<std::string> lines;
};

ControlReply ExecuteControl(DeviceModel& model, std::string_view line);

// "silence next 3", "checksum always", "slow 250", "clear": a fault for the injector.
bool ApplyFaultWords(FaultInjector& faults, const std::vector<std::string_view>& words,
                     std::string& error);

std::vector<std::string_view> SplitWords(std::string_view line);

// Every stored value, one "key value" line each (what "show" prints before "ok").
std::vector<std::string> DescribeState(const DeviceModel& model);

// The help text of the control language, one line each.
std::vector<std::string> ControlHelp();

// Number words: decimal or 0x hex integers; firmware also as "1.03".
bool ParseUnsigned(std::string_view word, uint64_t& value);
bool ParseSigned(std::string_view word, int64_t& value);
bool ParseReal(std::string_view word, double& value);
bool ParseFirmware(std::string_view word, uint16_t& version);

}  // namespace sim
