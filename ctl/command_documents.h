#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "base/roff_text.h"

#include "model/sensor_list.h"

// The manual page (roff) and the bash completion of zr3ctl, written from the command table that
// the parser uses, the settings and the sensor models: nothing in them is kept by hand.
std::string ManualPage(const CLI::App& app, SensorList& sensors);
std::string BashCompletion(const CLI::App& app, SensorList& sensors);
