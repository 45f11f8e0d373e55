#pragma once

#include <string>
#include <vector>

#include "sim/model/device_model.h"

// What zr3sim is asked to do by its command line.
struct SimCommandLine {
    sim::DeviceOptions device;
    std::string devicePath;   // serve this device instead of a new pseudo-terminal
    std::string linkPath;     // symbolic link to the pseudo-terminal's slave
    std::string controlPath;  // a FIFO (or file) with control commands, besides stdin
    std::string tracePath;
    std::vector<std::string> faults;  // initial faults, in control-channel words
    bool lineTiming = false;
    double reactionMs = 0.0;
    bool stdinEofQuits = false;
    bool quiet = false;  // no replies on stdout, only the slave path
};

enum class CommandLineResult { Run, Help, Version, ManualPage, Error };

CommandLineResult ParseCommandLine(int argc, char** argv, SimCommandLine& options,
                                   std::string& error);

std::string SimUsage();
// The manual page (roff) of zr3sim, written from SimUsage.
std::string SimManualPage();
