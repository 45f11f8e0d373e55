// The guarded changes of the converter against the simulated converter in process: every answer
// of the sensor sequence lost while its write is applied, and the input damping held and given
// back. What counts is what the converter then holds and measures with.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

#include "base/hex_text.h"
#include "model/sensor_change.h"
#include "model/temporary_setting.h"
#include "sim/model/simulated_serial_port.h"

namespace {

using sim::FaultKind;
using sim::SensorModel;

struct Rig {
    sim::DeviceModel model{Quiet()};
    sim::SimulatedSerialPort* port = nullptr;
    std::unique_ptr<ConverterLink> link;
    SensorList sensors;

    Rig() {
        auto owned = std::make_unique<sim::SimulatedSerialPort>(model);
        port = owned.get();
        link = std::make_unique<ConverterLink>(std::move(owned));
        EXPECT_TRUE(link->Open("COM1"));
    }
    static sim::DeviceOptions Quiet() {
        sim::DeviceOptions options;
        options.process.noise = false;
        options.process.drift = false;
        return options;
    }
    // The answers after the first `after` ones are lost (the writes still applied).
    void LoseAnswers(int count, int after) {
        model.faults().Set(FaultKind::Silence, 0, count, sim::Fault::AnyCode, after);
    }
    // The model the converter measures with (committed) and the one it answers reads with.
    std::optional<SensorModel> Measured() const {
        return sim::SensorModelOfTable(model.state().appliedSensor.table);
    }
    std::optional<SensorModel> Written() const {
        return sim::SensorModelOfTable(model.state().sensor.table);
    }
    std::string Request(size_t i) const { return HexText(port->requests().at(i)); }
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

const char* const StepNames[] = {"lower resistance limit", "upper resistance limit", "table",
                                 "degree", "kind"};

}  // namespace

TEST(GuardedSensorChange, CompleteChangeIsMeasuredWith) {
    Rig rig;
    TemperatureSensor& pt1000 = *rig.sensors.SensorAt(1);
    const SensorChange change =
        ChangeSensor(*rig.link, rig.sensors, pt1000, rig.sensors.SensorAt(0));
    EXPECT_EQ(change.outcome, SensorChangeOutcome::Changed);
    EXPECT_EQ(change.failedStep, SensorWriteStep::Done);
    EXPECT_EQ(change.measured, &pt1000);
    EXPECT_EQ(change.message, "");
    EXPECT_EQ(rig.Measured(), SensorModel::Pt1000);
    EXPECT_EQ(rig.model.state().commits, 1u);
    // The normal path is the six frames of the sequence and nothing else.
    ASSERT_EQ(rig.port->requests().size(), 6u);
    EXPECT_EQ(rig.Request(5), "01 2C 01 00 D2");
}

TEST(GuardedSensorChange, ALostAnswerBeforeTheCommitIsUndone) {
    // Pt100 to Pt1000 share kind and degree: without the way back the converter would read as
    // Pt1000 and measure with Pt100.
    for (int step = 0; step < 5; ++step) {
        SCOPED_TRACE(StepNames[step]);
        Rig rig;
        rig.LoseAnswers(1, step);
        TemperatureSensor* pt100 = rig.sensors.SensorAt(0);
        const SensorChange change =
            ChangeSensor(*rig.link, rig.sensors, *rig.sensors.SensorAt(1), pt100);
        EXPECT_EQ(change.outcome, SensorChangeOutcome::NotChanged);
        EXPECT_EQ(static_cast<int>(change.failedStep), step);
        EXPECT_EQ(change.wayBackFailedStep, SensorWriteStep::Done);
        EXPECT_EQ(change.measured, pt100);
        EXPECT_EQ(change.message, std::string("The sensor was not changed: no answer to the ") +
                                      StepNames[step] +
                                      ". The converter measures with Pt100 (3850) as before.");
        EXPECT_EQ(rig.Measured(), SensorModel::Pt100);
        EXPECT_EQ(rig.Written(), SensorModel::Pt100);
        EXPECT_EQ(rig.model.state().lowerLimit, rig.model.state().appliedLowerLimit);
        EXPECT_EQ(rig.model.state().upperLimit, rig.model.state().appliedUpperLimit);
        // The way back is the previous model's whole sequence with its commit.
        ASSERT_EQ(rig.port->requests().size(), static_cast<size_t>(step + 1 + 6));
        EXPECT_EQ(rig.Request(step + 6), "01 2C 01 00 D2");
        EXPECT_EQ(rig.model.state().commits, 1u);
    }
}

TEST(GuardedSensorChange, ALostCommitLeavesTheMeasuredSensorUnknown) {
    Rig rig;
    rig.LoseAnswers(1, 5);
    const SensorChange change =
        ChangeSensor(*rig.link, rig.sensors, *rig.sensors.SensorAt(2), rig.sensors.SensorAt(0));
    EXPECT_EQ(change.outcome, SensorChangeOutcome::Unknown);
    EXPECT_EQ(change.failedStep, SensorWriteStep::Commit);
    EXPECT_EQ(change.measured, nullptr);
    EXPECT_TRUE(Has(change.message, "not known")) << change.message;
    EXPECT_TRUE(Has(change.message, "Ni1000 (5000) or still with Pt100 (3850)")) << change.message;
    EXPECT_FALSE(Has(change.message, "not committed")) << change.message;
    // Here the commit did take; nothing after it was sent.
    EXPECT_EQ(rig.Measured(), SensorModel::Ni1000_5000);
    EXPECT_EQ(rig.port->requests().size(), 6u);
}

TEST(GuardedSensorChange, AFailedWayBackIsToldAndNeverCommitted) {
    // The kind's answer is lost, then the line stays silent: the converter reads as Pt1000.
    Rig rig;
    rig.LoseAnswers(sim::FaultAlways, 4);
    TemperatureSensor* pt100 = rig.sensors.SensorAt(0);
    SensorChange change = ChangeSensor(*rig.link, rig.sensors, *rig.sensors.SensorAt(1), pt100);
    EXPECT_EQ(change.outcome, SensorChangeOutcome::NotChangedNotRestored);
    EXPECT_EQ(change.failedStep, SensorWriteStep::Kind);
    EXPECT_EQ(change.wayBackFailedStep, SensorWriteStep::LowerLimit);
    EXPECT_EQ(change.measured, pt100);
    EXPECT_EQ(change.message,
              "The sensor was not changed: no answer to the kind. The converter measures with "
              "Pt100 (3850) as before, but the values written for Pt1000 (3850) could not be "
              "restored (no answer to the lower resistance limit); the next sensor change sets "
              "them right.");
    EXPECT_EQ(rig.Measured(), SensorModel::Pt100);
    EXPECT_EQ(rig.Written(), SensorModel::Pt1000);
    EXPECT_EQ(rig.model.state().commits, 0u);

    // With the previous model unknown there is no way back to write.
    Rig unknown;
    unknown.LoseAnswers(1, 2);
    change = ChangeSensor(*unknown.link, unknown.sensors, *unknown.sensors.SensorAt(1), nullptr);
    EXPECT_EQ(change.outcome, SensorChangeOutcome::NotChangedNotRestored);
    EXPECT_EQ(change.measured, nullptr);
    EXPECT_TRUE(Has(change.message, "no answer to the table")) << change.message;
    EXPECT_TRUE(Has(change.message, "next sensor change sets them right")) << change.message;
    EXPECT_EQ(unknown.port->requests().size(), 3u);
    EXPECT_EQ(unknown.Measured(), SensorModel::Pt100);
}

TEST(HeldInputDamping, HeldAtZeroAndGivenBack) {
    Rig rig;
    HeldInputDamping held;
    ASSERT_TRUE(held.Hold(*rig.link));
    EXPECT_TRUE(held.Holding());
    EXPECT_EQ(held.Saved(), 5);
    EXPECT_EQ(rig.model.state().inputDamping, 0);
    EXPECT_TRUE(held.GiveBack(*rig.link));
    EXPECT_FALSE(held.Holding());
    EXPECT_EQ(rig.model.state().inputDamping, 5);
    ASSERT_EQ(rig.port->requests().size(), 3u);
    EXPECT_EQ(rig.Request(0), "01 44 00 BB");
    EXPECT_EQ(rig.Request(1), "01 44 01 00 BA");
    EXPECT_EQ(rig.Request(2), "01 44 01 05 B5");

    // A damping of 0 is not touched.
    Rig zero;
    zero.model.mutableState().inputDamping = 0;
    HeldInputDamping none;
    EXPECT_TRUE(none.Hold(*zero.link));
    EXPECT_FALSE(none.Holding());
    EXPECT_TRUE(none.GiveBack(*zero.link));
    EXPECT_EQ(zero.port->requests().size(), 1u);
}

TEST(HeldInputDamping, LostAnswersStillGiveItBack) {
    // The answer to "damping 0" is lost: it took, and is given back.
    Rig rig;
    rig.LoseAnswers(1, 1);
    HeldInputDamping held;
    EXPECT_FALSE(held.Hold(*rig.link));
    EXPECT_TRUE(held.Holding());
    EXPECT_TRUE(Has(held.Message(), "could not be set to 0")) << held.Message();
    EXPECT_EQ(rig.model.state().inputDamping, 0);
    // The answer to the write-back is lost too: a read confirms it.
    rig.LoseAnswers(1, 0);
    EXPECT_TRUE(held.GiveBack(*rig.link));
    EXPECT_EQ(rig.model.state().inputDamping, 5);
    EXPECT_EQ(rig.Request(rig.port->requests().size() - 1), "01 44 00 BB");

    // A converter that stops answering: the user learns it may still be 0 and how to check.
    Rig gone;
    HeldInputDamping lost;
    ASSERT_TRUE(lost.Hold(*gone.link));
    gone.model.faults().Set(FaultKind::Silence, 0, sim::FaultAlways);
    EXPECT_FALSE(lost.GiveBack(*gone.link));
    EXPECT_TRUE(lost.Holding());
    EXPECT_TRUE(Has(lost.Message(), "may still be 0")) << lost.Message();
    EXPECT_TRUE(Has(lost.Message(), "zr3ctl show")) << lost.Message();
    EXPECT_EQ(gone.model.state().inputDamping, 5) << "the write took, its answer was lost";

    // A damping that cannot be read is neither held nor written.
    Rig silent;
    silent.model.faults().Set(FaultKind::Silence, 0, 1);
    HeldInputDamping unread;
    EXPECT_FALSE(unread.Hold(*silent.link));
    EXPECT_FALSE(unread.Holding());
    EXPECT_EQ(silent.port->requests().size(), 1u);
}
