#pragma once

#include <string>
#include <vector>

// Running a program as a child process and collecting how it ended, for tests of fatal exits
// (death tests are unreliable under Wine). The child's standard error is captured, its standard
// output discarded.
struct ChildResult {
    bool started = false;
    int exitCode = -1;
    std::string errorText;
};

ChildResult RunChild(const std::string& executable, const std::vector<std::string>& arguments);

// The path of the running test program.
std::string SelfExecutablePath();
