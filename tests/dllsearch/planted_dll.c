// A DLL planted beside a test program under a name that no system DLL has: whoever loads it by
// its bare name finds this one in the program's folder.
#include <windows.h>

__declspec(dllexport) int PlantedMarker(void) {
    return 0x2E3;
}
