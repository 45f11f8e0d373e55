#pragma once

#include <windows.h>

// Loading only the system's own DLLs. A program started from a download folder or a shared drive
// must never run a DLL that lies beside it under the name of a system one.

// Limits every later load of the process to the system folder (SetDefaultDllDirectories), where
// the system offers that; looked up, so that a system without it still starts. Returns whether
// the limit is in force. Called first thing at start.
bool LimitDllSearchToSystem();

// Loads a DLL of the system folder by its file name ("uxtheme.dll"); never one from the program's
// folder, the current folder or the search path. Null when the system has no such DLL.
HMODULE LoadSystemLibrary(const char* fileName);
