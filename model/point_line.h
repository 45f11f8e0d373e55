#pragma once

#include <string>

// The list-box line of one calibration point: kappa, then G, each with 2 decimals right-aligned
// in 10 characters (wider when needed), four blanks between; G cut at 15 characters, the line at
// 30. (G 1000.5, kappa 1413) gives "   1413.00       1000.50".
std::string FormatPointLine(double conductance, double normal);
