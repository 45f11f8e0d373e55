#include "ctl/setting_help.h"

namespace {

struct HelpLine {
    const char* unit = "";
    const char* range = "";
};

constexpr HelpLine Lines[SettingCount] = {
    {"steps", "0 .. 30"},
    {"converter's unit", "a finite number"},
    {"converter's unit", "a finite number"},
    {"-", "off, linear, nonlinear (nonlinear from firmware 1.02)"},
    {"-", "a sensor model name (below)"},
    {"steps", "0 .. 30"},
    {"degC", "a finite number"},
    {"%", "a finite number"},
    {"converter's unit", "a finite number"},
    {"converter's unit", "a finite number"},
    {"converter's unit", "0 .. 65535"},
    {"converter's unit", "0 .. 65535"},
    {"converter's unit", "a finite number"},
    {"uS/cm", "a finite number (firmware 1.03 and later)"},
    {"1/cm", "a finite number"},
    {"1/(cm uS)", "a finite number"},
    {"1/(cm uS^2)", "a finite number"},
};

std::string Padded(std::string text, size_t width) {
    if (text.size() < width) text.resize(width, ' ');
    return text + " ";
}

}  // namespace

const char* SettingUnit(SettingId id) {
    return Lines[static_cast<size_t>(id)].unit;
}

const char* SettingRange(SettingId id) {
    return Lines[static_cast<size_t>(id)].range;
}

std::string SettingsHelpText(SensorList& sensors) {
    std::string text = "Settings (NAME=VALUE; the same names in show --json and backup files):\n";
    text += "  " + Padded("NAME", 18) + Padded("UNIT", 16) + "VALUES\n";
    for (const auto& entry : AllSettings()) {
        text += "  " + Padded(entry.name, 18) + Padded(SettingUnit(entry.id), 16) +
                SettingRange(entry.id) + "\n";
        text += "  " + std::string(19, ' ') + entry.meaning + "\n";
    }
    text += "Sensor models (the full name, or its first word where only one model has it):\n";
    for (int i = 0; i < sensors.Count; ++i)
        text += std::string("  ") + sensors.SensorAt(i)->name + "\n";
    return text;
}
