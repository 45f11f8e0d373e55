#include "model/converter_settings.h"

#include <bit>

#include "model/sensor_change.h"
#include "model/sensor_transfer.h"

namespace {

SettingValue Number(float value) {
    SettingValue v;
    v.number = value;
    return v;
}

SettingValue Integer(uint32_t value) {
    SettingValue v;
    v.integer = value;
    return v;
}

int SensorIndexOf(SensorList& sensors, const TemperatureSensor* model) {
    for (int i = 0; i < sensors.Count; ++i)
        if (sensors.SensorAt(i) == model) return i;
    return -1;
}

RelaySettings RelayOf(const Configuration& c) {
    RelaySettings relay;
    relay.closeValue = c[SettingId::RelayClose].value_or(SettingValue{}).number;
    relay.openValue = c[SettingId::RelayOpen].value_or(SettingValue{}).number;
    relay.closeDelay =
        static_cast<uint16_t>(c[SettingId::RelayCloseDelay].value_or(SettingValue{}).integer);
    relay.openDelay =
        static_cast<uint16_t>(c[SettingId::RelayOpenDelay].value_or(SettingValue{}).integer);
    return relay;
}

void TakeRelay(Configuration& c, const RelaySettings& relay) {
    c[SettingId::RelayClose] = Number(relay.closeValue);
    c[SettingId::RelayOpen] = Number(relay.openValue);
    c[SettingId::RelayCloseDelay] = Integer(relay.closeDelay);
    c[SettingId::RelayOpenDelay] = Integer(relay.openDelay);
}

ProbeCoefficients ProbeOf(const Configuration& c) {
    ProbeCoefficients probe;
    const SettingId ids[] = {SettingId::K0, SettingId::K1, SettingId::K2, SettingId::K3};
    for (int i = 0; i < 4; ++i)
        probe.K[i] = c[ids[i]].value_or(SettingValue{}).number;
    return probe;
}

void TakeProbe(Configuration& c, const ProbeCoefficients& probe) {
    const SettingId ids[] = {SettingId::K0, SettingId::K1, SettingId::K2, SettingId::K3};
    for (int i = 0; i < 4; ++i)
        c[ids[i]] = Number(probe.K[i]);
}

}  // namespace

bool SameFloat(float a, float b) {
    return a == b || std::bit_cast<uint32_t>(a) == std::bit_cast<uint32_t>(b);
}

bool SameValue(SettingId id, const SettingValue& a, const SettingValue& b) {
    switch (id) {
        case SettingId::InputDamping:
        case SettingId::TempDamping:
        case SettingId::Compensation:
        case SettingId::RelayCloseDelay:
        case SettingId::RelayOpenDelay:
            return a.integer == b.integer;
        case SettingId::Sensor:
            return a.sensor == b.sensor;
        default:
            return SameFloat(a.number, b.number);
    }
}

Configuration ReadConfiguration(ConverterLink& link, SensorList& sensors, std::string& failed) {
    Configuration c;
    failed.clear();
    auto note = [&](bool ok, SettingId id) {
        if (!ok && failed.empty()) failed = NameOf(id);
        return ok;
    };
    uint8_t byte = 0;
    float value = 0.0f;
    if (note(link.ReadInputDamping(byte), SettingId::InputDamping))
        c[SettingId::InputDamping] = Integer(byte);
    if (note(link.ReadRangeStart(value), SettingId::RangeStart))
        c[SettingId::RangeStart] = Number(value);
    if (note(link.ReadRangeEnd(value), SettingId::RangeEnd)) c[SettingId::RangeEnd] = Number(value);
    if (note(link.ReadCompensationMode(byte), SettingId::Compensation))
        c[SettingId::Compensation] = Integer(byte);
    const SensorReading sensor = ReadSensor(link, sensors);
    if (note(sensor.read, SettingId::Sensor)) {
        SettingValue v;
        v.sensor = SensorIndexOf(sensors, sensor.model);
        c[SettingId::Sensor] = v;
    }
    if (note(link.ReadTempDamping(byte), SettingId::TempDamping))
        c[SettingId::TempDamping] = Integer(byte);
    if (note(link.ReadReferenceTemperature(value), SettingId::RefTemp))
        c[SettingId::RefTemp] = Number(value);
    if (note(link.ReadTempCoefficient(value), SettingId::Coefficient))
        c[SettingId::Coefficient] = Number(value);
    RelaySettings relay;
    if (note(link.ReadRelaySettings(relay), SettingId::RelayClose)) TakeRelay(c, relay);
    if (note(link.ReadCableCompensation(value), SettingId::Cable))
        c[SettingId::Cable] = Number(value);
    ProbeCoefficients probe;
    if (note(link.ReadProbeCoefficients(probe), SettingId::K0)) TakeProbe(c, probe);
    return c;
}

WriteOutcome WriteSetting(ConverterLink& link, SensorList& sensors, SettingId id,
                          const SettingValue& value, Configuration& current) {
    WriteOutcome out;
    out.failure = std::string(NameOf(id)) + ": no answer";
    uint8_t byte = static_cast<uint8_t>(value.integer);
    float number = value.number;
    switch (id) {
        case SettingId::InputDamping:
        case SettingId::TempDamping: {
            const uint8_t code = id == SettingId::InputDamping ? CodeInputDamping : CodeTempDamping;
            if (!link.WriteByte(code, byte)) return out;
            out.answered = Integer(byte);
            break;
        }
        case SettingId::Compensation:
            if (!link.WriteCompensationMode(byte)) return out;
            out.answered = Integer(byte);
            break;
        case SettingId::RangeStart:
        case SettingId::RangeEnd:
        case SettingId::RefTemp:
        case SettingId::Coefficient: {
            bool ok = id == SettingId::RangeStart ? link.WriteRangeStart(number)
                      : id == SettingId::RangeEnd ? link.WriteRangeEnd(number)
                      : id == SettingId::RefTemp  ? link.WriteReferenceTemperature(number)
                                                  : link.WriteTempCoefficient(number);
            if (!ok) return out;
            out.answered = Number(number);
            break;
        }
        case SettingId::Cable:
            if (!link.WriteFloat(CodeCableCompensation, number)) return out;
            out.answered = Number(number);
            break;
        case SettingId::Sensor: {
            if (value.sensor < 0 || value.sensor >= sensors.Count) return out;
            // The way back of a failed change needs the model the converter measures with.
            if (!current[SettingId::Sensor]) {
                const SensorReading reading = ReadSensor(link, sensors);
                if (!reading.read) {
                    out.failure = std::string("The sensor was not changed: ") +
                                  ExchangeFailureText(link.lastFailure()) +
                                  " when reading the sensor set now.";
                    return out;
                }
                SettingValue v;
                v.sensor = SensorIndexOf(sensors, reading.model);
                current[SettingId::Sensor] = v;
            }
            const int held = current[SettingId::Sensor]->sensor;
            TemperatureSensor* before =
                held >= 0 && held < sensors.Count ? sensors.SensorAt(held) : nullptr;
            out.sensorChange = ChangeSensor(link, sensors, *sensors.SensorAt(value.sensor), before);
            if (out.sensorChange.outcome != SensorChangeOutcome::Changed) {
                out.failure = out.sensorChange.message;
                // After the way back the converter holds the previous model again.
                if (out.sensorChange.outcome != SensorChangeOutcome::NotChanged)
                    current[SettingId::Sensor].reset();
                return out;
            }
            const SensorReading reading = ReadSensor(link, sensors);
            if (!reading.read) {
                current[SettingId::Sensor].reset();
                out.failure = std::string("The sensor was changed to ") +
                              sensors.SensorAt(value.sensor)->name +
                              ", but it did not answer when read back.";
                return out;
            }
            out.answered.sensor = SensorIndexOf(sensors, reading.model);
            break;
        }
        default:
            if (IsRelaySetting(id)) {
                Configuration next = current;
                next[id] = value;
                RelaySettings relay = RelayOf(next);
                if (!link.WriteRelaySettings(relay)) return out;
                TakeRelay(current, relay);
                out.answered = *current[id];
                out.ok = true;
                return out;
            }
            if (IsProbeSetting(id)) {
                Configuration next = current;
                next[id] = value;
                if (!link.WriteProbeCoefficients(ProbeOf(next))) return out;
                ProbeCoefficients probe;
                if (!link.ReadProbeCoefficients(probe)) {
                    out.failure = std::string(NameOf(id)) + ": written, but not read back";
                    return out;
                }
                TakeProbe(current, probe);
                out.answered = *current[id];
                out.ok = true;
                return out;
            }
            return out;
    }
    current[id] = out.answered;
    out.ok = true;
    return out;
}
