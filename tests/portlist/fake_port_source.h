#pragma once

#include <vector>

#include "link/port_list.h"

// A serial device map held in memory; counts how it was used.
class FakePortSource : public PortSource {
  public:
    bool Open() override {
        ++opened;
        isOpen = exists;
        return exists;
    }
    int ValueCount() override { return isOpen ? static_cast<int>(values.size()) : 0; }
    PortValue ValueAt(int index) override {
        if (!isOpen || index < 0 || index >= static_cast<int>(values.size())) return PortValue{};
        return values[static_cast<size_t>(index)];
    }
    void Close() override {
        isOpen = false;
        ++closed;
    }

    void AddText(const char* text) { values.push_back(PortValue::FromText(text)); }

    bool exists = true;
    bool isOpen = false;
    int opened = 0;
    int closed = 0;
    std::vector<PortValue> values;
};
