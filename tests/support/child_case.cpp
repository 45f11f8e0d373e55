#include "tests/support/child_case.h"

#include <cstring>
#include <map>
#include <string>

namespace {

std::map<std::string, ChildCaseBody>& Cases() {
    static std::map<std::string, ChildCaseBody> cases;
    return cases;
}

}  // namespace

bool RegisterChildCase(const char* name, ChildCaseBody body) {
    Cases()[name] = body;
    return true;
}

bool RunRequestedChildCase(int argc, char** argv, int& exitCode) {
    if (argc < 3 || std::strcmp(argv[1], "--zr3-child") != 0) return false;
    auto found = Cases().find(argv[2]);
    if (found == Cases().end()) {
        exitCode = ChildCaseUnknown;
        return true;
    }
    found->second();
    exitCode = ChildCaseReturned;
    return true;
}

ChildResult RunChildCase(const std::string& name) {
    return RunChild(SelfExecutablePath(), {"--zr3-child", name});
}
