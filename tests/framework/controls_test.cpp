#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>

#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "tests/framework/test_windows.h"
#include "tests/ui_support/ui_support.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/framework_start.h"
#include "ui/framework/list_box.h"
#include "ui/framework/port_combo_box.h"
#include "ui/framework/progress_bar.h"
#include "ui/framework/static_text.h"
#include "ui/framework/value_text.h"

namespace {

// One realized window holding one control of every kind.
class ControlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        StartFramework();
        host = NewRealizedWindow();
        field = new ValueField(host, nullptr, 10, 10, 150, 20);
        number = new NumberEdit(host, nullptr, 10, 40, 150, 24, 401);
        list = new ComboBox(host, 10, 70, 150, 200, 402, 0, false);
        editable = new ComboBox(host, 170, 70, 150, 200, 403, 0, true);
        listBox = new ListBox(host, 170, 10, 150, 50, 404);
        progress = new ProgressBar(host, 10, 110, 150, 16, 405);
        edit = new EditControl(host, "abcd", 10, 130, 150, 24, 406, 5, false);
        check = new CheckBox(host, "Check", 10, 160, 100, 20, 407);
        ASSERT_TRUE(host->Realize());
    }
    void TearDown() override {
        host->Destroy();
        ui_test::PumpMessages();
    }

    std::string Text(WindowObject* control) { return ui_test::WindowText(control->Handle); }

    RecordingWindow* host = nullptr;
    ValueField* field = nullptr;
    NumberEdit* number = nullptr;
    ComboBox* list = nullptr;
    ComboBox* editable = nullptr;
    ListBox* listBox = nullptr;
    ProgressBar* progress = nullptr;
    EditControl* edit = nullptr;
    CheckBox* check = nullptr;
};

TEST_F(ControlsTest, FloatsShowTenSignificantDigitsWithTheSignOnlyWhenNegative) {
    field->SetFloat(12.5f);
    EXPECT_EQ(Text(field), "1.250000000E+01");
    field->SetFloat(-0.25f);
    EXPECT_EQ(Text(field), "-2.500000000E-01");
    field->SetFloat(0.0f);
    EXPECT_EQ(Text(field), "0.000000000E+00");
    number->SetFloat(-1.0e-20f);
    EXPECT_EQ(Text(number), "-9.999999683E-21");
    field->SetFixed(12.5f, 2);
    EXPECT_EQ(Text(field), "12.50");
    number->SetFixed(-3.0f, 0);
    EXPECT_EQ(Text(number), "-3");
    field->SetInteger(-40);
    EXPECT_EQ(Text(field), "-40");
    number->SetInteger(0);
    EXPECT_EQ(Text(number), "0");
}

TEST_F(ControlsTest, VersionsAndKindsBecomeTheirTexts) {
    field->SetVersion(0x0100);
    EXPECT_EQ(Text(field), "1.00");
    field->SetVersion(0xFF05);
    EXPECT_EQ(Text(field), "ff.05");
    field->SetVersion(0x010A);
    EXPECT_EQ(Text(field), "1.0a");
    field->SetOutputKind(5);
    EXPECT_EQ(Text(field), "Active 0 to 20 mA");
    field->SetOutputKind(0);
    EXPECT_EQ(Text(field), "Pasive 4 to 20 mA");
    field->SetRelayKind(2);
    EXPECT_EQ(Text(field), "No relay");
    field->SetRelayKind(3);
    EXPECT_EQ(Text(field), "Relay 1");
    // The helpers work on any window, and on no window not at all.
    value_text::SetVersion(check->Handle, 0x0210);
    EXPECT_EQ(Text(check), "2.10");
    value_text::SetInteger(nullptr, 5);
    EXPECT_EQ(value_text::GetInteger(nullptr), std::nullopt);
}

TEST_F(ControlsTest, TypedNumbersAreTheWholeTextOrNothing) {
    auto floatOf = [&](const char* text) {
        SetWindowTextA(number->Handle, text);
        return number->GetFloat();
    };
    EXPECT_EQ(floatOf("1,5"), 1.5f);
    EXPECT_EQ(floatOf("1.5"), 1.5f);
    EXPECT_EQ(floatOf("-2.5E+01"), -25.0f);
    for (const char* text :
         {"1.5abc", "", "abc", "nan", "inf", "1e999", "12abc", "0x10", "+-5", " 5", "5 "})
        EXPECT_EQ(floatOf(text), std::nullopt) << text;
    // The whole text is read, however long: 36 characters are not cut into another number.
    EXPECT_EQ(floatOf("2.5000000000000000000000000000000e-2"), 0.025f);
    EXPECT_EQ(floatOf("1.00000000000000000000000000000x"), std::nullopt);

    auto integerOf = [&](const char* text) {
        SetWindowTextA(number->Handle, text);
        return number->GetInteger();
    };
    EXPECT_EQ(integerOf("-40"), -40);
    EXPECT_EQ(integerOf("+7"), 7);
    for (const char* text : {"12a", "", "2147483648", "5.0", "1e3", " 5", "+-5", "+"})
        EXPECT_EQ(integerOf(text), std::nullopt) << text;
    EXPECT_EQ(integerOf("000000000000042"), 42);
    EXPECT_EQ(integerOf("000000000000042xyz"), std::nullopt);
}

TEST_F(ControlsTest, AValueThatIsNoNumberShowsInvalid) {
    number->SetFixed(std::numeric_limits<float>::quiet_NaN(), 1);
    EXPECT_EQ(Text(number), "Invalid");
    number->SetFloat(-std::numeric_limits<float>::infinity());
    EXPECT_EQ(Text(number), "Invalid");
    EXPECT_EQ(number->GetFloat(), std::nullopt);
    field->SetFixed(std::numeric_limits<float>::infinity(), 2);
    EXPECT_EQ(Text(field), "Invalid");
}

TEST_F(ControlsTest, ComboSetTextSelectsTheItemThatBeginsWithTheText) {
    for (const char* name : {"Pt1000", "Ni100", "Pt100", "KTY"})
        list->AddString(name);
    ASSERT_EQ(list->GetCount(), 4);
    list->SetText("Pt");
    char text[32];
    EXPECT_EQ(list->GetText(text, sizeof text), 5);
    EXPECT_STREQ(text, "Pt100");  // sorted: KTY, Ni100, Pt100, Pt1000
    EXPECT_EQ(list->GetSelIndex(), 2);

    editable->AddString("COM1");
    editable->SetText("zzz");
    EXPECT_EQ(Text(editable), "zzz");
    EXPECT_LT(editable->GetSelIndex(), 0);
    editable->SetText("COM");
    EXPECT_EQ(Text(editable), "COM1");
    EXPECT_EQ(editable->GetSelIndex(), 0);
}

TEST_F(ControlsTest, GetSelStringIsBoundedByTheCallersBuffer) {
    for (const char* name : {"COM1", "COM10"})
        list->AddString(name);
    char buffer[12];
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(list->GetSelString(buffer, 8), -1);  // nothing selected
    EXPECT_EQ(std::string(buffer, sizeof buffer), std::string(sizeof buffer, 'X'));

    list->SetSelIndex(list->SelectString("COM10", -1));
    EXPECT_EQ(list->GetSelString(buffer, 4), 3);
    EXPECT_EQ(std::string(buffer, 5), std::string("COM\0X", 5));  // nothing beyond the 4 bytes
    EXPECT_EQ(list->GetSelString(buffer, 6), 5);
    EXPECT_STREQ(buffer, "COM10");
    EXPECT_EQ(list->GetSelString(buffer, 1), 0);
    EXPECT_STREQ(buffer, "");
    std::memset(buffer, 'X', sizeof buffer);
    EXPECT_EQ(list->GetSelString(buffer, 0), -1);
    EXPECT_EQ(buffer[0], 'X');

    // The list box shares the operations.
    listBox->AddString("b");
    listBox->AddString("a");
    listBox->SetSelIndex(1);
    EXPECT_EQ(listBox->GetSelString(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "b");
    listBox->DeleteString(0);
    EXPECT_EQ(listBox->GetCount(), 1);
    listBox->ClearList();
    EXPECT_EQ(listBox->GetCount(), 0);
}

TEST_F(ControlsTest, PortComboBoxOffersThePortsInListOrderAndSelectsNothing) {
    auto ports = std::make_unique<PortList>();
    ports->FreeAll();
    for (const char* name : {"COM10", "COM3", "COM1"})
        ports->InsertCopy(name);
    auto* combo = new PortComboBox(host, 170, 120, 120, 160, 101, std::move(ports));
    ASSERT_TRUE(combo->Realize());
    ASSERT_EQ(combo->GetCount(), 3);
    char text[8];
    const char* expected[] = {"COM1", "COM3", "COM10"};  // CBS_SORT would put COM10 second
    for (int i = 0; i < 3; ++i) {
        ASSERT_EQ(combo->GetString(text, i), static_cast<int>(std::strlen(expected[i])));
        EXPECT_STREQ(text, expected[i]);
    }
    EXPECT_LT(combo->GetSelIndex(), 0);
    EXPECT_EQ(combo->Style, 0x50230103u);
    EXPECT_EQ(combo->Id, 101);
}

TEST_F(ControlsTest, ConstructorsGiveTheStylesOfTheirClasses) {
    EXPECT_EQ(field->Style, 0x50020002u);
    EXPECT_EQ(field->ExStyle, 0x200u);
    EXPECT_EQ(number->Style, 0x50030002u);
    EXPECT_EQ(list->Style, 0x50230103u);
    EXPECT_EQ(editable->Style, 0x50230142u);
    EXPECT_EQ(listBox->Style, 0x50230003u);
    EXPECT_EQ(edit->Style, 0x50030080u);
    EXPECT_EQ(check->Style, 0x50030003u);
    EXPECT_EQ(GroupBox(nullptr, "g", 0, 0, 1, 1, 0).Style, 0x50020007u);
    EXPECT_EQ(PushButton(nullptr, "p", 0, 0, 1, 1, 0).Style, 0x50030000u);
    EXPECT_EQ(RadioButton(nullptr, "r", 0, 0, 1, 1, 0).Style, 0x50010009u);
    EXPECT_EQ(StaticText(nullptr, "s", 0, 0, 1, 1, 0, 0).Style, 0x50020000u);
    EXPECT_EQ(EditControl(nullptr, "m", 0, 0, 1, 1, 0, 0, true).Style, 0x50331004u);
    // The native controls carry them.
    auto style = [](WindowObject* control) {
        return static_cast<uint32_t>(GetWindowLongPtrA(control->Handle, GWL_STYLE));
    };
    EXPECT_EQ(style(field) & 0x50020002u, 0x50020002u);
    EXPECT_EQ(style(number) & 0x50030002u, 0x50030002u);
    EXPECT_EQ(style(check) & 0x0Fu, static_cast<uint32_t>(BS_AUTOCHECKBOX));
    EXPECT_NE(GetWindowLongPtrA(field->Handle, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
}

TEST_F(ControlsTest, ProgressBarStartsAtZeroToHundredInSteps) {
    PBRANGE range{};
    SendMessageA(progress->Handle, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
    EXPECT_EQ(range.iLow, 0);
    EXPECT_EQ(range.iHigh, 100);
    progress->StepIt();
    progress->StepIt();
    EXPECT_EQ(SendMessageA(progress->Handle, PBM_GETPOS, 0, 0), 2);
    progress->SetPosition(50);
    EXPECT_EQ(SendMessageA(progress->Handle, PBM_GETPOS, 0, 0), 50);
    progress->SetRange(0, 20);
    progress->SetStep(5);
    progress->SetPosition(0);
    progress->StepIt();
    EXPECT_EQ(SendMessageA(progress->Handle, PBM_GETPOS, 0, 0), 5);
}

TEST_F(ControlsTest, EditLimitAndCommandsToTheFieldItself) {
    EXPECT_EQ(SendMessageA(edit->Handle, EM_GETLIMITTEXT, 0, 0), 4);
    SendMessageA(edit->Handle, EM_SETSEL, 0, 2);
    ui_test::SendCommand(edit->Handle, EditControl::DeleteCommandId);
    EXPECT_EQ(Text(edit), "cd");
    ui_test::SendCommand(edit->Handle, EditControl::UndoCommandId);
    EXPECT_EQ(Text(edit), "abcd");
    ui_test::SendCommand(edit->Handle, EditControl::ClearCommandId);
    EXPECT_EQ(Text(edit), "");
    // Other commands travel on to the parent.
    ui_test::SendCommand(edit->Handle, 4242);
    EXPECT_EQ(host->commands, (std::vector<int>{4242}));
}

TEST_F(ControlsTest, CheckBoxAndTextsBeforeAndAfterTheNativeWindow) {
    check->SetCheck(BST_CHECKED);
    EXPECT_EQ(check->GetCheck(), BST_CHECKED);
    check->Uncheck();
    EXPECT_EQ(check->GetCheck(), BST_UNCHECKED);
    // Not realized yet: nothing happens, nothing breaks.
    auto* later = new ValueField(host, nullptr, 0, 0, 10, 10);
    later->SetFloat(1.0f);
    later->SetText("x");
    char text[4] = "abc";
    EXPECT_EQ(later->GetText(text, sizeof text), 0);
    EXPECT_STREQ(text, "");
    later->Destroy();
}

}  // namespace
