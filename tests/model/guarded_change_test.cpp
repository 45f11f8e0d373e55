// The guarded changes against the simulated converter in process: each answer of the sensor
// sequence lost while its write is applied, and the input damping held and given back. What
// counts is what the converter then holds and measures with.
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
    // Answers after the first `after` ones are lost; their writes still take.
    void LoseAnswers(int count, int after = 0, int code = sim::Fault::AnyCode) {
        model.faults().Set(FaultKind::Silence, 0, count, code, after);
    }
    // Pt100 to Pt1000, which share kind and degree.
    SensorChange ChangeToPt1000(bool beforeKnown = true) {
        return ChangeSensor(*link, sensors, *sensors.SensorAt(1),
                            beforeKnown ? sensors.SensorAt(0) : nullptr);
    }
    // The model the converter measures with (committed) and the one it answers reads with.
    std::optional<SensorModel> Measured() const {
        return sim::SensorModelOfTable(model.state().appliedSensor.table);
    }
    std::optional<SensorModel> Written() const {
        return sim::SensorModelOfTable(model.state().sensor.table);
    }
    size_t Requests() const { return port->requests().size(); }
    std::string Request(size_t i) const { return HexText(port->requests().at(i)); }
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

}  // namespace

TEST(GuardedSensorChange, CompleteOrUndoneAfterEachLostAnswer) {
    Rig done;
    SensorChange change = done.ChangeToPt1000();
    EXPECT_EQ(change.outcome, SensorChangeOutcome::Changed);
    EXPECT_EQ(change.measured, done.sensors.SensorAt(1));
    EXPECT_EQ(change.message, "");
    EXPECT_EQ(done.Measured(), SensorModel::Pt1000);
    EXPECT_EQ(done.Requests(), 6u) << "the sequence and nothing else";

    const char* const steps[] = {"lower resistance limit", "upper resistance limit", "table",
                                 "degree", "kind"};
    for (int step = 0; step < 5; ++step) {
        Rig rig;
        rig.LoseAnswers(1, step);
        change = rig.ChangeToPt1000();
        EXPECT_EQ(change.outcome, SensorChangeOutcome::NotChanged) << step;
        EXPECT_EQ(static_cast<int>(change.failedStep), step);
        EXPECT_EQ(change.measured, rig.sensors.SensorAt(0));
        EXPECT_EQ(change.message, std::string("The sensor was not changed: no answer to the ") +
                                      steps[step] +
                                      ". The converter measures with Pt100 (3850) as before.");
        // The way back: Pt100's whole sequence again, committed.
        EXPECT_EQ(rig.Measured(), SensorModel::Pt100) << step;
        EXPECT_EQ(rig.Written(), SensorModel::Pt100) << step;
        EXPECT_EQ(rig.model.state().lowerLimit, rig.model.state().appliedLowerLimit) << step;
        EXPECT_EQ(rig.Requests(), static_cast<size_t>(step + 1 + 6));
        EXPECT_EQ(rig.model.state().commits, 1u);
    }
}

TEST(GuardedSensorChange, ALostCommitOrAFailedWayBackIsTold) {
    // The commit took, its answer was lost: which model is measured is unknown.
    Rig commit;
    commit.LoseAnswers(1, 5);
    SensorChange change = commit.ChangeToPt1000();
    EXPECT_EQ(change.outcome, SensorChangeOutcome::Unknown);
    EXPECT_EQ(change.failedStep, SensorWriteStep::Commit);
    EXPECT_EQ(change.measured, nullptr);
    EXPECT_TRUE(Has(change.message,
                    "Pt1000 (3850) or still with Pt100 (3850); which one is not "
                    "known"))
        << change.message;
    EXPECT_FALSE(Has(change.message, "not committed"));
    EXPECT_EQ(commit.Measured(), SensorModel::Pt1000);
    EXPECT_EQ(commit.Requests(), 6u);

    // The kind's answer is lost, then the line stays silent: reads name Pt1000, Pt100 measures.
    Rig silent;
    silent.LoseAnswers(sim::FaultAlways, 4);
    change = silent.ChangeToPt1000();
    EXPECT_EQ(change.outcome, SensorChangeOutcome::NotChangedNotRestored);
    EXPECT_EQ(change.wayBackFailedStep, SensorWriteStep::LowerLimit);
    EXPECT_EQ(change.measured, silent.sensors.SensorAt(0));
    EXPECT_EQ(change.message,
              "The sensor was not changed: no answer to the kind. The converter measures with "
              "Pt100 (3850) as before, but the values written for Pt1000 (3850) could not be "
              "restored (no answer to the lower resistance limit); the next sensor change sets "
              "them right.");
    EXPECT_EQ(silent.Measured(), SensorModel::Pt100);
    EXPECT_EQ(silent.Written(), SensorModel::Pt1000);
    EXPECT_EQ(silent.model.state().commits, 0u);

    // With the previous model unknown there is no way back to write.
    Rig unknown;
    unknown.LoseAnswers(1, 2);
    change = unknown.ChangeToPt1000(false);
    EXPECT_EQ(change.outcome, SensorChangeOutcome::NotChangedNotRestored);
    EXPECT_EQ(change.measured, nullptr);
    EXPECT_TRUE(Has(change.message, "next sensor change sets them right")) << change.message;
    EXPECT_EQ(unknown.Requests(), 3u);
}

TEST(HeldInputDamping, GivenBackOnLostAnswersAndToldWhenItCannotBe) {
    Rig rig;
    HeldInputDamping held;
    ASSERT_TRUE(held.Hold(*rig.link));
    EXPECT_EQ(held.Saved(), 5);
    EXPECT_EQ(rig.model.state().inputDamping, 0);
    EXPECT_TRUE(held.GiveBack(*rig.link));
    EXPECT_FALSE(held.Holding());
    EXPECT_EQ(rig.model.state().inputDamping, 5);
    ASSERT_EQ(rig.Requests(), 3u);
    EXPECT_EQ(rig.Request(1), "01 44 01 00 BA");
    EXPECT_EQ(rig.Request(2), "01 44 01 05 B5");

    // "Damping 0" loses its answer: still held. The write-back loses it too: a read confirms it.
    rig.LoseAnswers(1, 1);
    EXPECT_FALSE(held.Hold(*rig.link));
    EXPECT_TRUE(held.Holding());
    EXPECT_EQ(rig.model.state().inputDamping, 0);
    rig.LoseAnswers(1);
    EXPECT_TRUE(held.GiveBack(*rig.link));
    EXPECT_EQ(rig.model.state().inputDamping, 5);
    EXPECT_EQ(rig.Request(rig.Requests() - 1), "01 44 00 BB");

    // A converter that stops answering: the user learns it may still be 0 and how to check.
    ASSERT_TRUE(held.Hold(*rig.link));
    rig.LoseAnswers(sim::FaultAlways);
    EXPECT_FALSE(held.GiveBack(*rig.link));
    EXPECT_TRUE(held.Holding());
    EXPECT_TRUE(Has(held.Message(), "may still be 0")) << held.Message();
    EXPECT_TRUE(Has(held.Message(), "zr3ctl show")) << held.Message();

    // A damping of 0 is not touched; one that cannot be read is neither held nor written.
    Rig zero;
    zero.model.mutableState().inputDamping = 0;
    HeldInputDamping none;
    EXPECT_TRUE(none.Hold(*zero.link));
    EXPECT_FALSE(none.Holding());
    EXPECT_TRUE(none.GiveBack(*zero.link));
    zero.LoseAnswers(1);
    EXPECT_FALSE(none.Hold(*zero.link));
    EXPECT_FALSE(none.Holding());
    EXPECT_EQ(zero.Requests(), 2u);
}
