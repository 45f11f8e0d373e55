#pragma once

#include <windows.h>

// Process-wide set-up of the window-object framework. The program entry calls StartFramework once,
// before any window object is created: it registers the message "ZR3ObjectPtr" (kept if already
// registered) and initialises the common controls (the progress bar class).
void StartFramework();

// The registered message with which a window answers its object's address; 0 before start-up.
extern UINT ObjectPtrMessage;

// The executable's own module: class registration and dialog templates use it.
HINSTANCE ModuleInstance();
