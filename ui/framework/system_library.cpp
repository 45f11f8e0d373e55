#include "ui/framework/system_library.h"

#include <cstring>

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

// The full path of a file in the system folder; false when it does not fit.
bool SystemPath(const char* fileName, char (&path)[MAX_PATH]) {
    UINT length = GetSystemDirectoryA(path, MAX_PATH);
    size_t nameLength = std::strlen(fileName);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH) return false;
    path[length] = '\\';
    std::memcpy(path + length + 1, fileName, nameLength + 1);
    return true;
}

}  // namespace

bool LimitDllSearchToSystem() {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return false;
    auto function = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    return function != nullptr && function(LOAD_LIBRARY_SEARCH_SYSTEM32) != 0;
}

HMODULE LoadSystemLibrary(const char* fileName) {
    if (fileName == nullptr || std::strpbrk(fileName, "\\/:") != nullptr) return nullptr;
    HMODULE module = LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // A system that does not know the search flag: the full path names the system folder.
    char path[MAX_PATH] = {};
    return SystemPath(fileName, path) ? LoadLibraryA(path) : nullptr;
}
