// The load configuration of zr3config.exe. Its one purpose: DependentLoadFlags keeps the DLLs the
// program imports (and those they import) to the system folder, so that a DLL lying beside the
// program is never loaded in its place. The linker fills the image's load configuration
// directory from this symbol; its size is the structure's first word.
#include <windows.h>

#include <cstddef>
#include <cstdint>

// The 64-bit load configuration up to the safe exception handler fields, with the field that the
// old headers still call Reserved1 under its present name.
struct LoadConfiguration {
    uint32_t Size;
    uint32_t TimeDateStamp;
    uint16_t MajorVersion;
    uint16_t MinorVersion;
    uint32_t GlobalFlagsClear;
    uint32_t GlobalFlagsSet;
    uint32_t CriticalSectionDefaultTimeout;
    uint64_t DeCommitFreeBlockThreshold;
    uint64_t DeCommitTotalFreeThreshold;
    uint64_t LockPrefixTable;
    uint64_t MaximumAllocationSize;
    uint64_t VirtualMemoryThreshold;
    uint64_t ProcessAffinityMask;
    uint32_t ProcessHeapFlags;
    uint16_t CSDVersion;
    uint16_t DependentLoadFlags;
    uint64_t EditList;
    uint64_t SecurityCookie;
    uint64_t SEHandlerTable;
    uint64_t SEHandlerCount;
};

static_assert(offsetof(LoadConfiguration, DependentLoadFlags) == 78, "documented place");
static_assert(sizeof(LoadConfiguration) == 112, "documented size of this version");

extern "C" {
// The name the linker looks for.
extern const LoadConfiguration _load_config_used;
__attribute__((used)) const LoadConfiguration _load_config_used = {
    sizeof(LoadConfiguration),    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
    LOAD_LIBRARY_SEARCH_SYSTEM32, 0, 0, 0, 0};
}
