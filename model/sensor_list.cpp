#include "model/sensor_list.h"

#include <cstddef>

SensorList::SensorList() : ObjectCollection(ModelCount, 0) {
    // Items are held as BaseObject pointers: the collection frees them through that type.
    Insert(static_cast<BaseObject*>(new Pt100Sensor));
    Insert(static_cast<BaseObject*>(new Pt1000Sensor));
    Insert(static_cast<BaseObject*>(new NiSensor5000));
    Insert(static_cast<BaseObject*>(new NiSensor6180));
    Insert(static_cast<BaseObject*>(new NtcSensor));
}

TemperatureSensor* SensorList::SensorAt(int index) {
    return static_cast<TemperatureSensor*>(static_cast<BaseObject*>(At(index)));
}

TemperatureSensor* FindSensor(SensorList& list, uint8_t kind, uint8_t degree,
                              const SensorTable& table) {
    for (int i = 0; i < list.Count; ++i) {
        TemperatureSensor* sensor = list.SensorAt(i);
        if (sensor == nullptr || sensor->coefficients == nullptr) continue;
        if (sensor->kind != kind || sensor->degree != degree) continue;
        bool equal = true;
        for (size_t k = 0; k < table.size(); ++k)
            if (!((*sensor->coefficients)[k] == table[k])) equal = false;
        if (equal) return sensor;
    }
    return nullptr;
}
