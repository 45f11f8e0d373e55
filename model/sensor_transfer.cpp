#include "model/sensor_transfer.h"

const char* SensorWriteStepName(SensorWriteStep step) {
    switch (step) {
        case SensorWriteStep::LowerLimit:
            return "lower resistance limit";
        case SensorWriteStep::UpperLimit:
            return "upper resistance limit";
        case SensorWriteStep::Table:
            return "table";
        case SensorWriteStep::Degree:
            return "degree";
        case SensorWriteStep::Kind:
            return "kind";
        case SensorWriteStep::Commit:
            return "commit";
        case SensorWriteStep::Done:
            break;
    }
    return "none";
}

ResistanceWindow ResistanceWindowOf(const TemperatureSensor& model) {
    const float cold = model.ResistanceAt(-20.0f);
    const float hot = model.ResistanceAt(100.0f);
    // A thermistor's resistance falls as the temperature rises: its window is the other way round.
    if (model.kind == TemperatureSensor::ThermistorKind) return {hot, cold};
    return {cold, hot};
}

SensorWriteStep WriteSensor(ConverterLink& link, const TemperatureSensor& model) {
    const ResistanceWindow window = ResistanceWindowOf(model);
    if (!link.WriteLowerResistanceLimit(window.lower)) return SensorWriteStep::LowerLimit;
    if (!link.WriteUpperResistanceLimit(window.upper)) return SensorWriteStep::UpperLimit;
    if (!link.WriteSensorTable(*model.coefficients)) return SensorWriteStep::Table;
    if (!link.WriteSensorDegree(static_cast<uint8_t>(model.degree))) return SensorWriteStep::Degree;
    if (!link.WriteSensorKind(static_cast<uint8_t>(model.kind))) return SensorWriteStep::Kind;
    if (!link.CommitSensor()) return SensorWriteStep::Commit;
    return SensorWriteStep::Done;
}

SensorReading ReadSensor(ConverterLink& link, SensorList& list) {
    SensorReading reading;
    if (!link.ReadSensorKind(reading.kind) || !link.ReadSensorDegree(reading.degree) ||
        !link.ReadSensorTable(reading.table)) {
        return reading;
    }
    reading.read = true;
    reading.model = FindSensor(list, reading.kind, reading.degree, reading.table);
    return reading;
}
