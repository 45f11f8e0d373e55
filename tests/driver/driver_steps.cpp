#include "tests/driver/driver_steps.h"

#include "tests/driver/check_log.h"

bool AttachTool(ToolSession& tool, int timeoutMs) {
    std::string error;
    if (tool.Attach(error, timeoutMs)) return true;
    Fail(error);
    return false;
}

bool ReachSimulator(SimulatorChannel& sim) {
    std::string error;
    if (sim.FromEnvironment(error)) return true;
    Fail("cannot reach the simulator: " + error);
    return false;
}

bool ControlSimulator(SimulatorChannel& sim, const std::string& command) {
    if (sim.Control(command)) return true;
    Fail("the simulator did not take \"" + command + "\"");
    return false;
}

int CloseTool() {
    ToolSession tool;
    if (!AttachTool(tool, 5000)) return 1;
    if (!tool.Close(10000)) {
        Fail("the program did not end within 10 s of WM_CLOSE");
        return 1;
    }
    Say("ok   closed");
    return 0;
}
