#pragma once

#include <string>
#include <string_view>

// The full path of the running program; empty if the system does not tell it.
std::string ProgramPath();

// The probe table's data file for a program path: everything after the last "." of the path
// replaced by "dat" ("C:\Tools\tool.exe" gives "C:\Tools\tool.dat"); ".dat" appended when the
// path holds no "." at all.
std::string DataFilePath(std::string_view programPath);
