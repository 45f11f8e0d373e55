#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The full path of the running program; empty if the system does not tell it or tells it cut.
std::string ProgramPath();

// The path the system wrote into a buffer of `capacity` characters (length characters without
// the terminating zero); empty when it filled the buffer, which means it may have been cut.
std::string UncutPath(const char* buffer, size_t length, size_t capacity);

// The probe table's data file for a program path: everything after the last "." of the path
// replaced by "dat" ("C:\Tools\tool.exe" gives "C:\Tools\tool.dat"); ".dat" appended when the
// path holds no "." at all.
std::string DataFilePath(std::string_view programPath);
