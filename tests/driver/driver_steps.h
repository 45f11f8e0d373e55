// The steps every driver program takes the same way, each a failure in the check log when it
// does not succeed.
#pragma once

#include "tests/driver/simulator_channel.h"
#include "tests/driver/tool_session.h"

// Takes hold of the running tool's main window.
bool AttachTool(ToolSession& tool, int timeoutMs = 30000);
// Finds the simulator through the paths sim-com1 sets.
bool ReachSimulator(SimulatorChannel& sim);
// One control command to the simulator, answered "ok".
bool ControlSimulator(SimulatorChannel& sim, const std::string& command);
// Esc to the dialogs left open, WM_CLOSE to the main window, and the tool's end: the exit code of
// a "close" command.
int CloseTool();
