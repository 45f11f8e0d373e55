#pragma once

#include <CLI/CLI.hpp>
#include <string>

#include "model/sensor_list.h"

// The manual page (roff) and the bash completion of zr3ctl, written from the command table that
// the parser uses, the settings and the sensor models: nothing in them is kept by hand.
std::string ManualPage(const CLI::App& app, SensorList& sensors);
std::string BashCompletion(const CLI::App& app, SensorList& sensors);

// A text as roff shows it literally: backslashes, minus signs and leading dots escaped.
std::string RoffText(const std::string& text);
