#include <windows.h>

#include "tests/support/child_process.h"

namespace {

// One argument of a command line, quoted; the arguments of these tests hold no quotes.
void AppendArgument(std::string& commandLine, const std::string& argument) {
    if (!commandLine.empty()) commandLine.push_back(' ');
    commandLine.push_back('"');
    commandLine.append(argument);
    commandLine.push_back('"');
}

}  // namespace

ChildResult RunChild(const std::string& executable, const std::vector<std::string>& arguments) {
    ChildResult result;
    SECURITY_ATTRIBUTES inherit{};
    inherit.nLength = sizeof inherit;
    inherit.bInheritHandle = TRUE;

    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0)) return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    HANDLE nul = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);

    std::string commandLine;
    AppendArgument(commandLine, executable);
    for (const std::string& argument : arguments)
        AppendArgument(commandLine, argument);

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = nul;
    startup.hStdError = writeEnd;
    PROCESS_INFORMATION process{};
    BOOL created = CreateProcessA(executable.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                  nullptr, nullptr, &startup, &process);
    CloseHandle(writeEnd);
    if (nul != INVALID_HANDLE_VALUE) CloseHandle(nul);
    if (!created) {
        CloseHandle(readEnd);
        return result;
    }
    result.started = true;

    char buffer[512];
    DWORD n = 0;
    while (ReadFile(readEnd, buffer, sizeof buffer, &n, nullptr) && n > 0)
        result.errorText.append(buffer, n);
    CloseHandle(readEnd);

    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    if (GetExitCodeProcess(process.hProcess, &code)) result.exitCode = static_cast<int>(code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

std::string SelfExecutablePath() {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    if (n == 0 || n >= sizeof path) return std::string();
    return std::string(path, n);
}
