#include "model/sensor_change.h"

namespace {

// "no answer to the degree", "the table was refused (NAK)", ...
std::string StepFailure(ExchangeFailure failure, SensorWriteStep step) {
    const std::string name = SensorWriteStepName(step);
    switch (failure) {
        case ExchangeFailure::BadChecksum:
            return "a bad checksum in the answer to the " + name;
        case ExchangeFailure::Refused:
            return "the " + name + " was refused (NAK)";
        case ExchangeFailure::WrongLength:
            return "an answer of the wrong length to the " + name;
        case ExchangeFailure::None:
        case ExchangeFailure::NoAnswer:
            break;
    }
    return "no answer to the " + name;
}

}  // namespace

SensorChange ChangeSensor(ConverterLink& link, [[maybe_unused]] SensorList& sensors,
                          TemperatureSensor& wanted, TemperatureSensor* measuredBefore) {
    SensorChange change;
    change.failedStep = WriteSensor(link, wanted);
    if (change.failedStep == SensorWriteStep::Done) {
        change.outcome = SensorChangeOutcome::Changed;
        change.measured = &wanted;
        return change;
    }
    const std::string why = StepFailure(link.lastFailure(), change.failedStep);
    if (change.failedStep == SensorWriteStep::Commit) {
        // The commit may have taken or not: the converter measures with one of the two.
        change.outcome = SensorChangeOutcome::Unknown;
        change.message =
            "The sensor change is not confirmed: " + why + ". The converter measures with " +
            wanted.name +
            (measuredBefore != nullptr ? std::string(" or still with ") + measuredBefore->name
                                       : std::string(" or still with the sensor it had")) +
            "; which one is not known. Choose the sensor again to set it.";
        return change;
    }

    // Nothing was committed: the converter still measures with the previous model. Its written
    // values go back, and are committed only when every step of them was answered.
    change.measured = measuredBefore;
    change.message = "The sensor was not changed: " + why + ".";
    if (measuredBefore != nullptr) {
        change.wayBackFailedStep = WriteSensor(link, *measuredBefore);
        // A lost answer to the way back's own commit changes nothing measured: what it would
        // commit is the previous model again.
        if (change.wayBackFailedStep == SensorWriteStep::Done ||
            change.wayBackFailedStep == SensorWriteStep::Commit) {
            change.outcome = SensorChangeOutcome::NotChanged;
            change.message +=
                std::string(" The converter measures with ") + measuredBefore->name + " as before.";
            return change;
        }
        change.outcome = SensorChangeOutcome::NotChangedNotRestored;
        change.message += std::string(" The converter measures with ") + measuredBefore->name +
                          " as before, but the values written for " + wanted.name +
                          " could not be restored (" +
                          StepFailure(link.lastFailure(), change.wayBackFailedStep) +
                          "); the next sensor change sets them right.";
        return change;
    }
    change.outcome = SensorChangeOutcome::NotChangedNotRestored;
    change.message += std::string(" The sensor it measures with is not known, so the values ") +
                      "written for " + wanted.name +
                      " could not be restored; the next sensor change sets them right.";
    return change;
}
