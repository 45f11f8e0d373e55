#include <memory>
#include <string>

#include <gtest/gtest.h>

#include "link/converter_link.h"
#include "resources/dialog_ids.h"
#include "sim/model/simulated_serial_port.h"
#include "tests/dialogs/dialog_fixture.h"
#include "ui/dialogs/cable_compensation_dialog.h"
#include "ui/dialogs/probe_calibration_dialog.h"
#include "ui/dialogs/relay_dialog.h"

using namespace dialog_items;

// The dialogs against the simulated converter: what they store is what the converter then holds.
namespace {

class SimulatedConverterTest : public DialogTest {
  protected:
    SimulatedConverterTest()
        : model(Options()), link(std::make_unique<SimulatedSerialPort>(model)) {
        link.Open("COM1");
        uint16_t version = 0;
        link.ReadFirmwareVersion(version);
    }

    static sim::DeviceOptions Options() {
        sim::DeviceOptions options;
        options.process.noise = false;
        options.process.drift = false;
        options.process.conductivity = 1413.0;
        options.process.cellConstant = 1.25;
        options.process.cableCapacity = 37.5;
        return options;
    }

    sim::DeviceModel model;
    ConverterLink link;
};

TEST_F(SimulatedConverterTest, ProbeCalibrationMakesTheConverterShowTheNormal) {
    model.mutableState().probe = {0.5f, 2.0f, 0.25f, 0.125f};
    auto dialog = std::make_unique<ProbeCalibrationDialog>(Parent(), link);
    dialog->timerPeriod = NoRealTicks;
    int code = Run(std::move(dialog), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "2.0000");
        SetText(h, IDC_PROBE_NORMAL, "1413");
        ClickItem(h, IDC_PROBE_START);
        Tick(h, ProbeCalibrationDialog::TimerId, 20);
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(model.state().probe[0], 0.0f);
    EXPECT_EQ(model.state().probe[2], 0.0f);
    EXPECT_EQ(model.state().probe[3], 0.0f);
    // Calibrated, the converter turns the conductance it measures into the reference value.
    float conductivity = 0.0f;
    ASSERT_TRUE(link.ReadConductivity(conductivity));
    EXPECT_NEAR(conductivity, 1413.0f, 0.1f);
}

TEST_F(SimulatedConverterTest, CableCompensationStoresTheMeasuredCapacity) {
    model.mutableState().cableCompensation = 1.0f;
    auto dialog = std::make_unique<CableCompensationDialog>(Parent(), link);
    dialog->timerPeriod = NoRealTicks;
    int code = Run(std::move(dialog), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_CABLE_CAPACITY), "1.000000000E+00");
        ClickItem(h, IDC_CABLE_START);
        Tick(h, CableCompensationDialog::TimerId, 20);
        EXPECT_EQ(Text(h, IDC_CABLE_CAPACITY), "3.750000000E+01");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(model.state().cableCompensation, 37.5f);
}

TEST_F(SimulatedConverterTest, RelaySettingsMakeTheRoundTrip) {
    model.mutableState().relay = {12.34f, -5.0f, 30, 7};
    int code = Run(std::make_unique<RelayDialog>(Parent(), link), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_RELAY_VARIANT), "Relay 1");
        SetText(h, IDC_RELAY_OPEN_DELAY, "65535");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(model.state().relay.closeValue, 12.3f);
    EXPECT_EQ(model.state().relay.openValue, -5.0f);
    EXPECT_EQ(model.state().relay.closeDelay, 30);
    EXPECT_EQ(model.state().relay.openDelay, 65535);
}

}  // namespace
