#include "sim/model/control_commands.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/sim/hex_frames.h"

namespace {

using sim::ExecuteControl;

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

TEST(ControlCommands, ChangeTheSimulatedConverter) {
    sim::DeviceModel model;
    EXPECT_EQ(ExecuteControl(model, "fault checksum next 2").lines,
              std::vector<std::string>{"ok checksum next 2"});
    EXPECT_EQ(AskText(model, "01 44 00 BB"), "06 01 05 F5");
    EXPECT_TRUE(ExecuteControl(model, "fault clear").ok);
    EXPECT_EQ(AskText(model, "01 44 00 BB"), "06 01 05 F4");

    EXPECT_TRUE(ExecuteControl(model, "set temperature 40.5").ok);
    EXPECT_DOUBLE_EQ(model.measurement().temperatureSetting(), 40.5);
    EXPECT_TRUE(ExecuteControl(model, "set conductivity 12880").ok);
    EXPECT_DOUBLE_EQ(model.measurement().conductivitySetting(), 12880.0);
    EXPECT_TRUE(ExecuteControl(model, "set cell 0.475").ok);
    EXPECT_TRUE(ExecuteControl(model, "set capacity 30").ok);
    EXPECT_TRUE(ExecuteControl(model, "sensor broken on").ok);
    EXPECT_TRUE(model.measurement().broken());
    EXPECT_TRUE(ExecuteControl(model, "sensor broken off").ok);
    EXPECT_FALSE(model.measurement().broken());
    EXPECT_TRUE(ExecuteControl(model, "set noise off").ok);
    EXPECT_TRUE(ExecuteControl(model, "set drift off").ok);
    EXPECT_FALSE(model.measurement().noiseOn());

    EXPECT_TRUE(ExecuteControl(model, "set firmware 1.02").ok);
    EXPECT_EQ(model.state().firmwareVersion, 0x0102);
    EXPECT_EQ(AskText(model, "01 22 00 DD"), "06 02 02 01 F5");
    EXPECT_TRUE(ExecuteControl(model, "set firmware 0x0100").ok);
    EXPECT_EQ(model.state().firmwareVersion, 0x0100);
    EXPECT_TRUE(ExecuteControl(model, "set identity ZR4").ok);
    EXPECT_EQ(AskText(model, "01 21 00 DE"), "06 08 5A 52 34 00 00 00 00 00 12");
    EXPECT_TRUE(ExecuteControl(model, "set serial -2").ok);
    EXPECT_EQ(model.state().serialNumber, -2);
    EXPECT_TRUE(ExecuteControl(model, "set output 2").ok);
    EXPECT_TRUE(ExecuteControl(model, "set relay 0").ok);
    EXPECT_EQ(model.state().outputVariant, 2);
    EXPECT_EQ(model.state().relayVariant, 0);

    EXPECT_TRUE(ExecuteControl(model, "set sensor ntc").ok);
    EXPECT_EQ(model.measurement().wiredSensor(), sim::SensorModel::Ntc3k0);
    EXPECT_FALSE(model.measurement().followsCommittedTable());
    EXPECT_TRUE(ExecuteControl(model, "set sensor auto").ok);
    EXPECT_EQ(model.measurement().wiredSensor(), sim::SensorModel::Pt100);

    EXPECT_TRUE(ExecuteControl(model, "advance 1500").ok);
    EXPECT_EQ(model.measurement().clockMs(), 1500u);
    EXPECT_TRUE(ExecuteControl(model, "quit").quit);
    EXPECT_TRUE(ExecuteControl(model, "").lines.empty());
    EXPECT_TRUE(ExecuteControl(model, "# a comment").lines.empty());
}

TEST(ControlCommands, RefuseWhatTheyDoNotUnderstand) {
    sim::DeviceModel model;
    for (const char* bad : {"jump",
                            "set",
                            "set temperature",
                            "set temperature warm",
                            "set temperature 1e999",
                            "set cell 0",
                            "set cell -1",
                            "set sensor pt50",
                            "set noise maybe",
                            "set firmware 1.234",
                            "set firmware 0x10000",
                            "set identity NINECHARS",
                            "set output 256",
                            "set serial 1x",
                            "set colour red",
                            "sensor broken",
                            "sensor broken yes",
                            "advance",
                            "advance -5",
                            "fault",
                            "fault thunder",
                            "set temperature 20 30"}) {
        const auto reply = ExecuteControl(model, bad);
        EXPECT_FALSE(reply.ok) << bad;
        ASSERT_EQ(reply.lines.size(), 1u) << bad;
        EXPECT_EQ(reply.lines[0].rfind("error: ", 0), 0u) << bad;
    }
    EXPECT_DOUBLE_EQ(model.measurement().temperatureSetting(), 25.0);
    EXPECT_EQ(model.state().firmwareVersion, 0x0103);
}

TEST(ControlCommands, ShowListsTheStoredState) {
    sim::DeviceOptions options;
    options.process.noise = false;
    options.process.drift = false;
    sim::DeviceModel model(options);
    AskText(model, "01 44 01 05 B5");
    AskText(model, "01 44 00 BC");
    const auto reply = ExecuteControl(model, "show");
    ASSERT_TRUE(reply.ok);
    const auto& lines = reply.lines;
    EXPECT_EQ(lines.back(), "ok");
    EXPECT_TRUE(HasLine(lines, "identity \"ZR3\\x00\\x00\\x00\\x00\\x00\""));
    EXPECT_TRUE(HasLine(lines, "firmware 0x0103"));
    EXPECT_TRUE(HasLine(lines, "serial 123456"));
    EXPECT_TRUE(HasLine(lines,
                        "sensor kind 0 degree 2 table -245.80544 2.3577354 0.0010030776 "
                        "0 0 limits 92.1599 138.5055"));
    EXPECT_TRUE(HasLine(lines, "range 0 2000"));
    EXPECT_TRUE(HasLine(lines, "relay 100 90 5 5"));
    EXPECT_TRUE(HasLine(lines, "input-damping 5"));
    EXPECT_TRUE(HasLine(lines, "compensation-mode 1"));
    EXPECT_TRUE(HasLine(lines, "probe 0 1 0 0"));
    EXPECT_TRUE(HasLine(lines, "cable-compensation 12.5"));
    EXPECT_TRUE(HasLine(lines, "temp-coefficient 0.02"));
    EXPECT_TRUE(HasLine(lines, "fault none"));
    EXPECT_TRUE(HasLine(lines, "answered 1 ignored 1"));

    const auto help = ExecuteControl(model, "help");
    EXPECT_GT(help.lines.size(), 5u);
    EXPECT_EQ(help.lines.back(), "ok");
}

}  // namespace
