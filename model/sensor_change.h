#pragma once

#include <string>

#include "link/converter_link.h"
#include "model/sensor_list.h"
#include "model/sensor_transfer.h"

// The one guarded way to change the converter's temperature sensor, for the window and zr3ctl.
// The converter answers reads with what was written and measures with what was last committed,
// so a change that stops half-way is undone: the previous model's sequence is written again and
// committed only when every step of it was answered.

enum class SensorChangeOutcome {
    // Every step answered: the converter measures with the wanted model.
    Changed,
    // A step failed before the commit; the previous model is written and committed again.
    NotChanged,
    // As NotChanged, but the previous model could not be written again.
    NotChangedNotRestored,
    // The commit was sent without a good answer: the measured model is not known.
    Unknown,
};

struct SensorChange {
    SensorChangeOutcome outcome = SensorChangeOutcome::Unknown;
    SensorWriteStep failedStep = SensorWriteStep::Done;  // the step that failed, Done when changed
    // The model the converter measures with now; nullptr when unknown.
    TemperatureSensor* measured = nullptr;
    // "" when Changed; otherwise words for the user naming the step.
    std::string message;
    // The step of the way back that failed (Done when it went through or was not needed).
    SensorWriteStep wayBackFailedStep = SensorWriteStep::Done;
};

// measuredBefore: the model the converter measured with before the change (nullptr when unknown).
SensorChange ChangeSensor(ConverterLink& link, SensorList& sensors, TemperatureSensor& wanted,
                          TemperatureSensor* measuredBefore);
