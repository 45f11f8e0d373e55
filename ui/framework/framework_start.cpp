#include "ui/framework/framework_start.h"

#include <commctrl.h>

UINT ObjectPtrMessage = 0;

void StartFramework() {
    if (ObjectPtrMessage == 0) ObjectPtrMessage = RegisterWindowMessageA("ZR3ObjectPtr");
    InitCommonControls();
}

HINSTANCE ModuleInstance() {
    return GetModuleHandleA(nullptr);
}
