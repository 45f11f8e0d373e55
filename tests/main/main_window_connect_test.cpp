// Selecting a port: the identity check, the refusal, and ReadAll filling every field.
#include <string>
#include <vector>

#include "tests/main/main_window_fixture.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/list_box.h"
#include "ui/framework/port_combo_box.h"
#include "ui/framework/static_text.h"

namespace main_test {
namespace {

using MainWindowConnectTest = MainWindowTest;

sim::DeviceOptions ConverterWithIdentity(const std::string& identity) {
    sim::DeviceOptions options = QuietConverter();
    options.identity = identity;
    return options;
}

sim::DeviceOptions ConverterWithFirmware(uint16_t version) {
    sim::DeviceOptions options = QuietConverter();
    options.firmwareVersion = version;
    return options;
}

TEST_F(MainWindowConnectTest, AZr3ConverterIsReadInFullInTheOrderOfTheSettings) {
    sim::DeviceOptions options = QuietConverter();
    options.serialNumber = -1234567;
    options.outputVariant = 5;  // only the low two bits count: "Active 0 to 20 mA"
    options.relayVariant = 3;   // only bit 0 counts: "Relay 1"
    Start(options);
    sim::ConverterState& state = model->mutableState();
    state.inputDamping = 7;
    state.tempDamping = 12;
    state.rangeStart = -12.34f;
    state.rangeEnd = 2000.0f;
    state.compensationMode = 2;
    state.referenceTemperature = 20.0f;
    state.tempCoefficient = 0.021f;

    SelectPort(0);

    EXPECT_EQ(port->OpenedPaths(), (std::vector<std::string>{"\\\\.\\COM1"}));
    // Identity, the 12 settings (the sensor in three reads) and a first poll of five values.
    EXPECT_EQ(Codes(),
              (std::vector<uint8_t>{0x21, 0x22, 0x23, 0x33, 0x34, 0x44, 0x40, 0x41, 0x45, 0x32,
                                    0x3B, 0x3C, 0x43, 0x3F, 0x3E, 0x24, 0x25, 0x29, 0x2A, 0x2B}));
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Text(window->converterField), "ZR3");
    EXPECT_EQ(Text(window->firmwareField), "1.03");
    EXPECT_EQ(Text(window->serialNumberField), "-1234567");
    EXPECT_EQ(Text(window->outputField), "Active 0 to 20 mA");
    EXPECT_EQ(Text(window->relayField), "Relay 1");
    EXPECT_EQ(SelectedIndex(Handle(window->inputDampingCombo)), 7);
    EXPECT_EQ(Text(window->rangeStartEdit), "-12.3");
    EXPECT_EQ(Text(window->rangeEndEdit), "2000.0");
    EXPECT_FALSE(Checked(Handle(window->offRadio)));
    EXPECT_FALSE(Checked(Handle(window->linearRadio)));
    EXPECT_TRUE(Checked(Handle(window->nonlinearRadio)));
    // The factory sensor of the converter is the Pt100.
    EXPECT_EQ(SelectedIndex(Handle(window->sensorCombo)), 0);
    EXPECT_EQ(Text(window->sensorCombo), "Pt100 (3850)");
    EXPECT_EQ(SelectedIndex(Handle(window->tempDampingCombo)), 12);
    EXPECT_EQ(Text(window->refTempEdit), "20.0");
    EXPECT_EQ(Text(window->coefficientEdit), "2.10");
    // The first poll showed the live values.
    EXPECT_FALSE(Text(window->resistanceField).empty());
    EXPECT_FALSE(Text(window->ratioField).empty());
    EXPECT_TRUE(port->IsOpen());
}

TEST_F(MainWindowConnectTest, OutputAndRelayTextsAndOddValues) {
    sim::DeviceOptions options = QuietConverter();
    options.outputVariant = 0;
    options.relayVariant = 2;  // bit 0 clear: "No relay"
    Start(options);
    SelectPort(0);
    EXPECT_EQ(Text(window->outputField), "Pasive 4 to 20 mA");
    EXPECT_EQ(Text(window->relayField), "No relay");
    ASSERT_EQ(SelectedIndex(Handle(window->inputDampingCombo)), 5);
    ASSERT_TRUE(Checked(Handle(window->linearRadio)));

    // A damping above 30 and a mode above 2 name no item and no button: nothing stays selected.
    Answer(0x44, {{31}});
    Answer(0x43, {{200}});
    Answer(0x45, {{3}});
    SelectPort(0);
    EXPECT_EQ(SelectedIndex(Handle(window->tempDampingCombo)), CB_ERR);
    EXPECT_EQ(SelectedIndex(Handle(window->inputDampingCombo)), CB_ERR);
    EXPECT_FALSE(Checked(Handle(window->offRadio)));
    EXPECT_FALSE(Checked(Handle(window->linearRadio)));
    EXPECT_FALSE(Checked(Handle(window->nonlinearRadio)));

    // Each output variant has its text.
    const char* texts[] = {"Pasive 4 to 20 mA", "Active 0 to 20 mA", "Active 0 to 5 V",
                           "Active 0 to 10 V"};
    for (uint8_t variant = 0; variant < 4; ++variant) {
        model->mutableState().outputVariant = variant;
        SelectPort(0);
        EXPECT_EQ(Text(window->outputField), texts[variant]);
    }
}

TEST_F(MainWindowConnectTest, ConvertersOfAnotherIdentityAreRefusedWithTheirIdentityAsCaption) {
    for (const char* identity : {"zr3", "ZR3 ", "ZR3X", "ZR30", "ZR"}) {
        SCOPED_TRACE(identity);
        messages.clear();
        Start(ConverterWithIdentity(identity));
        window->outputField->SetText("kept");
        SelectPort(0);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].text, "The converter is not compatible with this tool.");
        EXPECT_EQ(messages[0].caption, identity);
        EXPECT_EQ(messages[0].style, static_cast<UINT>(MB_ICONERROR | MB_OK));
        EXPECT_EQ(messages[0].owner, window->Handle);
        // Nothing but the identity was asked, and the link is closed again.
        EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x21}));
        EXPECT_FALSE(port->IsOpen());
        EXPECT_EQ(port->CloseCount(), 1);
        EXPECT_EQ(Text(window->converterField), "");
        EXPECT_EQ(Text(window->firmwareField), "");
        EXPECT_EQ(Text(window->serialNumberField), "");
        EXPECT_EQ(Text(window->outputField), "kept");
        app.reset();
    }
}

TEST_F(MainWindowConnectTest, ControlBytesOfAnIdentityReachTheCaptionEscaped) {
    Start(ConverterWithIdentity("ZR3\x1b[2J"));
    SelectPort(0);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, "ZR3\\x1b[2J");
}

TEST_F(MainWindowConnectTest, BytesAfterTheTerminatingZeroOfTheIdentityAreIgnored) {
    Start(ConverterWithIdentity(std::string("ZR3\0v2.1", 8)));
    SelectPort(0);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(Text(window->converterField), "ZR3");
    EXPECT_EQ(Text(window->firmwareField), "1.03");
}

TEST_F(MainWindowConnectTest, TheRefusalIsARealMessageBoxOwnedByTheWindow) {
    Start(ConverterWithIdentity("ZR4"));
    // The window's own message box this time, not the test's.
    window->showMessage = MainWindow::MessageBoxFunction(
        [](HWND owner, const char* text, const char* caption, UINT style) {
            return MessageBoxA(owner, text, caption, style);
        });
    std::string caption;
    std::string text;
    HWND owner = nullptr;
    ui_test::DriveNextDialog([&] { SelectPort(0); },
                             [&](HWND box) {
                                 caption = ui_test::WindowText(box);
                                 owner = GetWindow(box, GW_OWNER);
                                 // The text is the box's static item.
                                 for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
                                      child = GetWindow(child, GW_HWNDNEXT)) {
                                     std::string itemText = ui_test::WindowText(child);
                                     if (itemText.find("compatible") != std::string::npos)
                                         text = itemText;
                                 }
                                 PostMessageA(box, WM_COMMAND, IDOK, 0);
                             });
    EXPECT_EQ(caption, "ZR4");
    EXPECT_EQ(text, "The converter is not compatible with this tool.");
    EXPECT_EQ(owner, window->Handle);
    EXPECT_FALSE(port->IsOpen());
}

TEST_F(MainWindowConnectTest, AFailedConnectEmptiesOnlyTheThreeIdentityFields) {
    StartConnected();
    ASSERT_EQ(Text(window->firmwareField), "1.03");
    std::string output = Text(window->outputField);
    std::string relay = Text(window->relayField);
    std::string rangeEnd = Text(window->rangeEndEdit);
    std::string resistance = Text(window->resistanceField);
    ASSERT_FALSE(output.empty());

    // A converter that does not answer the identity request.
    Silence(0x21);
    SelectPort(1);
    EXPECT_EQ(port->OpenedPaths().back(), "\\\\.\\COM2");
    EXPECT_EQ(Codes(), (std::vector<uint8_t>{0x21}));
    EXPECT_FALSE(port->IsOpen());
    EXPECT_TRUE(messages.empty()) << "no message for a silent converter";
    EXPECT_EQ(Text(window->converterField), "");
    EXPECT_EQ(Text(window->firmwareField), "");
    EXPECT_EQ(Text(window->serialNumberField), "");
    EXPECT_EQ(Text(window->outputField), output);
    EXPECT_EQ(Text(window->relayField), relay);
    EXPECT_EQ(Text(window->rangeEndEdit), rangeEnd);
    EXPECT_EQ(Text(window->resistanceField), resistance);
    EXPECT_EQ(SelectedIndex(Handle(window->sensorCombo)), 0);

    // A port that cannot be opened: the same, and nothing is sent.
    Speak(0x21);
    SelectPort(0);
    ASSERT_EQ(Text(window->converterField), "ZR3");
    port->ClearRecord();
    port->FailOpen();
    SelectPort(1);
    EXPECT_TRUE(port->Writes().empty());
    EXPECT_EQ(Text(window->converterField), "");
    EXPECT_EQ(Text(window->serialNumberField), "");
    EXPECT_EQ(Text(window->outputField), output);
}

TEST_F(MainWindowConnectTest, EverySelectionReconnectsFromScratch) {
    StartConnected();
    SelectPort(0);
    // The same port again: closed, opened, identified and read in full.
    EXPECT_EQ(port->OpenedPaths().size(), 1u);  // the record was cleared after the first
    ASSERT_FALSE(port->Events().empty());
    EXPECT_EQ(port->Events().front(), "Purge 000F");
    EXPECT_EQ(Codes().size(), 20u);
    EXPECT_EQ(Codes().front(), 0x21);
}

TEST_F(MainWindowConnectTest, AFailedReadLeavesItsFieldAndTheNextStepsRun) {
    StartConnected();
    model->mutableState().serialNumber = 99;
    model->mutableState().rangeEnd = 50.0f;
    window->rangeStartEdit->SetText("typed");
    Silence(0x23);  // serial number
    Silence(0x40);  // start of range
    Silence(0x3B);  // sensor degree: the table is not asked for
    SelectPort(0);
    EXPECT_EQ(Text(window->serialNumberField), "123456");
    EXPECT_EQ(Text(window->rangeStartEdit), "typed");
    EXPECT_EQ(Text(window->rangeEndEdit), "50.0");
    EXPECT_TRUE(Requests(0x3C).empty());
    EXPECT_EQ(Requests(0x43).size(), 1u);
    EXPECT_EQ(Requests(0x2B).size(), 1u);
}

TEST_F(MainWindowConnectTest, FirmwareDecidesTheSensorsAndTheNonlinearMode) {
    struct Case {
        uint16_t version;
        const char* shown;
        int sensors;
        bool nonlinear;
    };
    for (const Case& c : {Case{0x0100, "1.00", 4, false}, Case{0x0101, "1.01", 5, false},
                          Case{0x0102, "1.02", 5, true}, Case{0x010A, "1.0a", 5, true},
                          Case{0x0210, "2.10", 5, true}}) {
        SCOPED_TRACE(c.shown);
        Start(ConverterWithFirmware(c.version));
        SelectPort(0);
        EXPECT_EQ(Text(window->firmwareField), c.shown);
        HWND sensors = Handle(window->sensorCombo);
        EXPECT_EQ(ItemCount(sensors), c.sensors);
        EXPECT_EQ(Item(sensors, 3), "Ni1000 (6180)");
        if (c.sensors == 5) {
            EXPECT_EQ(Item(sensors, 4), "NR351 3K0");
        }
        EXPECT_EQ(IsWindowEnabled(Handle(window->nonlinearRadio)) != 0, c.nonlinear);
        app.reset();
    }
}

TEST_F(MainWindowConnectTest, ReconnectingRefillsTheSensorsOnlyWhenTheirNumberChanges) {
    Start(ConverterWithFirmware(0x0100));
    HWND sensors = Handle(window->sensorCombo);
    // A table that matches no model: the connect itself selects nothing.
    model->mutableState().sensor.table[0] = 1.0f;
    SelectPort(0);
    ASSERT_EQ(ItemCount(sensors), 4);
    SendMessageA(sensors, CB_SETCURSEL, 2, 0);

    // Another 0x0100 converter: the list is left alone (the selection stays).
    SelectPort(0);
    EXPECT_EQ(ItemCount(sensors), 4);
    EXPECT_EQ(SelectedIndex(sensors), 2);

    // A 0x0101 converter: five names, a new list without a selection.
    model->mutableState().firmwareVersion = 0x0101;
    SelectPort(0);
    EXPECT_EQ(ItemCount(sensors), 5);
    EXPECT_EQ(Item(sensors, 4), "NR351 3K0");
    EXPECT_EQ(SelectedIndex(sensors), CB_ERR);

    // Another 0x0101 converter leaves the five untouched.
    SendMessageA(sensors, CB_SETCURSEL, 3, 0);
    SelectPort(0);
    EXPECT_EQ(ItemCount(sensors), 5);
    EXPECT_EQ(SelectedIndex(sensors), 3);

    // Back to 0x0100: the thermistor goes again.
    model->mutableState().firmwareVersion = 0x0100;
    SelectPort(0);
    EXPECT_EQ(ItemCount(sensors), 4);
}

TEST_F(MainWindowConnectTest, TheConvertersSensorIsRecognisedByItsTable) {
    StartConnected();
    HWND sensors = Handle(window->sensorCombo);
    // The thermistor's table, degree and kind.
    window->sensorCombo->SetSelIndex(4);
    ui_test::SendCommand(window->Handle, MainWindow::SensorComboId, CBN_SELCHANGE, sensors);
    SendMessageA(sensors, CB_SETCURSEL, 1, 0);
    SelectPort(0);
    EXPECT_EQ(SelectedIndex(sensors), 4);
    EXPECT_EQ(Text(window->sensorCombo), "NR351 3K0");

    // A table that differs in one bit matches nothing: the selection stays.
    Answer(0x3C, {{0x85, 0xD6, 0xA5, 0x3A, 0x6F, 0xE7, 0x95, 0x39, 0x71, 0xCC,
                   0x98, 0xB6, 0x79, 0xBD, 0x3F, 0x34, 0,    0,    0,    0}});
    SendMessageA(sensors, CB_SETCURSEL, 1, 0);
    SelectPort(0);
    EXPECT_EQ(SelectedIndex(sensors), 1);

    // The thermistor's table with a degree of 2 matches nothing either.
    answers.erase(0x3C);
    Answer(0x3B, {{2}});
    SelectPort(0);
    EXPECT_EQ(SelectedIndex(sensors), 1);

    // A converter with the thermistor set but firmware 0x0100: it is not offered, nothing selected.
    answers.erase(0x3B);
    model->mutableState().firmwareVersion = 0x0100;
    SelectPort(0);
    EXPECT_EQ(ItemCount(sensors), 4);
    EXPECT_EQ(SelectedIndex(sensors), CB_ERR);
    EXPECT_EQ(Text(window->sensorCombo), "");
}

}  // namespace
}  // namespace main_test
