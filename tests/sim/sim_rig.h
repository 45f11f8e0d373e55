#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "link/converter_link.h"
#include "sim/model/simulated_serial_port.h"

// The tool's link on the in-process simulator, open on COM1: what tests build their converter on.
struct SimRig {
    sim::DeviceModel model;
    sim::SimulatedSerialPort* port = nullptr;
    std::unique_ptr<ConverterLink> link;

    explicit SimRig(sim::DeviceOptions options = Quiet()) : model(options) {
        auto owned = std::make_unique<sim::SimulatedSerialPort>(model);
        port = owned.get();
        link = std::make_unique<ConverterLink>(std::move(owned));
        EXPECT_TRUE(link->Open("COM1"));
    }
    // No noise and no drift: every reading is the same.
    static sim::DeviceOptions Quiet() {
        sim::DeviceOptions options;
        options.process.noise = false;
        options.process.drift = false;
        return options;
    }
};
