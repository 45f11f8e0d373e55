#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "resources/dialog_ids.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/dialogs/fake_converter.h"
#include "ui/dialogs/relay_dialog.h"

using namespace dialog_items;

namespace {

constexpr uint8_t RelayVariant = 0x34;
constexpr uint8_t RelayBlock = 0x42;

// close 12.34, open -5, delays 30 and 7.
const FakeConverter::Bytes StoredSettings = {0xA4, 0x70, 0x45, 0x41, 0x00, 0x00,
                                             0xA0, 0xC0, 0x1E, 0x00, 0x07, 0x00};

class RelayTest : public DialogTest {
  protected:
    RelayTest() {
        converter.SetByte(RelayVariant, 1);
        converter.SetData(RelayBlock, StoredSettings);
    }

    std::unique_ptr<RelayDialog> MakeDialog() {
        auto made = std::make_unique<RelayDialog>(Parent(), converter.Link());
        made->showMessage = [this](HWND owner, const char* text) {
            messages.push_back(text);
            owners.push_back(owner);
        };
        dialog = made.get();
        return made;
    }

    FakeConverter converter;
    RelayDialog* dialog = nullptr;
    std::vector<std::string> messages;
    std::vector<HWND> owners;
};

TEST_F(RelayTest, OpeningShowsTheVariantAndTheSettingsRounded) {
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_RELAY_VARIANT), "Relay 1");
        EXPECT_EQ(Text(h, IDC_RELAY_CLOSE_VALUE), "12.3");
        EXPECT_EQ(Text(h, IDC_RELAY_OPEN_VALUE), "-5.0");
        EXPECT_EQ(Text(h, IDC_RELAY_CLOSE_DELAY), "30");
        EXPECT_EQ(Text(h, IDC_RELAY_OPEN_DELAY), "7");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    // Unchanged edits write back what they show: 12.3, not 12.34.
    EXPECT_EQ(converter.Requests(),
              (std::vector<std::string>{"01 34 00 CB", "01 42 00 BD",
                                        "01 42 0C CD CC 44 41 00 00 A0 C0 1E 00 07 00 0E"}));
}

TEST_F(RelayTest, OnlyBitZeroOfTheVariantCounts) {
    converter.SetByte(RelayVariant, 2);
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_RELAY_VARIANT), "No relay");
        // The edits are not disabled for "No relay".
        EXPECT_TRUE(Enabled(h, IDC_RELAY_CLOSE_VALUE));
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
}

TEST_F(RelayTest, TypedValuesAreWrittenWithACommaAndEmptyAsZero) {
    int code = Run(MakeDialog(), [&](HWND h) {
        SetText(h, IDC_RELAY_CLOSE_VALUE, "7,5");
        SetText(h, IDC_RELAY_OPEN_VALUE, "");
        SetText(h, IDC_RELAY_CLOSE_DELAY, "");
        SetText(h, IDC_RELAY_OPEN_DELAY, "700");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(converter.Writes(),
              std::vector<std::string>{"01 42 0C 00 00 F0 40 00 00 00 00 00 00 BC 02 C3"});
    EXPECT_TRUE(messages.empty());
}

TEST_F(RelayTest, CancelWritesNothing) {
    int code = Run(MakeDialog(), [&](HWND h) {
        SetText(h, IDC_RELAY_CLOSE_VALUE, "1");
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(converter.Writes().empty());
    EXPECT_EQ(converter.Requests().size(), 2u);
}

TEST_F(RelayTest, FailedVariantReadShowsTheErrorAndOkWritesNothing) {
    converter.Silence(RelayVariant);
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_RELAY_VARIANT), "Communication error");
        for (int id : {IDC_RELAY_CLOSE_VALUE, IDC_RELAY_CLOSE_DELAY, IDC_RELAY_OPEN_VALUE,
                       IDC_RELAY_OPEN_DELAY})
            EXPECT_EQ(Text(h, id), "") << id;
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(converter.Requests(), std::vector<std::string>{"01 34 00 CB"});
}

TEST_F(RelayTest, FailedSettingsReadShowsTheErrorAndOkWritesNothing) {
    converter.Silence(RelayBlock);
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_RELAY_VARIANT), "Communication error");
        EXPECT_EQ(Text(h, IDC_RELAY_CLOSE_VALUE), "");
        // Even typed values do not go out: the others were never read.
        SetText(h, IDC_RELAY_CLOSE_VALUE, "3");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(converter.Writes().empty());
}

TEST_F(RelayTest, ADelayAbove65535IsRefusedAndTheDialogStays) {
    int code = Run(MakeDialog(), [&](HWND h) {
        SetText(h, IDC_RELAY_CLOSE_DELAY, "70000");
        ClickItem(h, IDOK);
        EXPECT_TRUE(StillOpen(h));
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0], "The close delay must be a whole number from 0 to 65535.");
        EXPECT_EQ(owners[0], h);
        EXPECT_EQ(GetFocus(), Item(h, IDC_RELAY_CLOSE_DELAY));

        SetText(h, IDC_RELAY_CLOSE_DELAY, "65535");
        SetText(h, IDC_RELAY_OPEN_DELAY, "99999999999999999999");
        ClickItem(h, IDOK);
        EXPECT_TRUE(StillOpen(h));
        ASSERT_EQ(messages.size(), 2u);
        EXPECT_EQ(messages[1], "The open delay must be a whole number from 0 to 65535.");
        EXPECT_TRUE(converter.Writes().empty());

        SetText(h, IDC_RELAY_OPEN_DELAY, "0");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_EQ(converter.Writes(),
              std::vector<std::string>{"01 42 0C CD CC 44 41 00 00 A0 C0 FF FF 00 00 35"});
}

TEST(RelayDelayText, OnlyAWholeNumberInTheWordOrAnEmptyTextIsADelay) {
    EXPECT_EQ(RelayDialog::DelayFromText("0"), std::optional<uint16_t>(0));
    EXPECT_EQ(RelayDialog::DelayFromText("65535"), std::optional<uint16_t>(65535));
    EXPECT_EQ(RelayDialog::DelayFromText("+12"), std::optional<uint16_t>(12));
    EXPECT_EQ(RelayDialog::DelayFromText("-0"), std::optional<uint16_t>(0));
    EXPECT_EQ(RelayDialog::DelayFromText("65536"), std::nullopt);
    EXPECT_EQ(RelayDialog::DelayFromText("70000"), std::nullopt);
    EXPECT_EQ(RelayDialog::DelayFromText("-1"), std::nullopt);
    EXPECT_EQ(RelayDialog::DelayFromText("4294967297"), std::nullopt);
    // An empty edit means 0; any other text that is no whole number is refused.
    EXPECT_EQ(RelayDialog::DelayFromText(""), std::optional<uint16_t>(0));
    for (const char* text : {"12a", "-", "+", "+-5", "abc", "5.0", "1e3", " 5", "5 "})
        EXPECT_EQ(RelayDialog::DelayFromText(text), std::nullopt) << text;
}

TEST_F(RelayTest, TextsThatAreNoNumberAreRefusedBeforeAnythingIsSent) {
    int code = Run(MakeDialog(), [&](HWND h) {
        const struct {
            int id;
            const char* text;
        } refused[] = {{IDC_RELAY_CLOSE_VALUE, "nan"},
                       {IDC_RELAY_CLOSE_VALUE, "1e999"},
                       {IDC_RELAY_CLOSE_VALUE, "2.5000000000000000000000000000000e-2x"},
                       {IDC_RELAY_OPEN_VALUE, "12abc"},
                       {IDC_RELAY_CLOSE_DELAY, "5.0"},
                       {IDC_RELAY_OPEN_DELAY, " 5"}};
        for (const auto& r : refused) {
            const std::string before = Text(h, r.id);
            SetText(h, r.id, r.text);
            ClickItem(h, IDOK);
            EXPECT_TRUE(StillOpen(h)) << r.text;
            EXPECT_EQ(GetFocus(), Item(h, r.id)) << r.text;
            SetText(h, r.id, before.c_str());
        }
        // The whole text is read: 36 characters are 0.025, not 2.5.
        SetText(h, IDC_RELAY_CLOSE_VALUE, "2.5000000000000000000000000000000e-2");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(messages,
              (std::vector<std::string>{"The close value must be a number, such as 12.5 or 12,5.",
                                        "The close value must be a number, such as 12.5 or 12,5.",
                                        "The close value must be a number, such as 12.5 or 12,5.",
                                        "The open value must be a number, such as 12.5 or 12,5.",
                                        "The close delay must be a whole number from 0 to 65535.",
                                        "The open delay must be a whole number from 0 to 65535."}));
    EXPECT_EQ(converter.Writes(),
              std::vector<std::string>{"01 42 0C CD CC CC 3C 00 00 A0 C0 1E 00 07 00 8B"});
}

TEST_F(RelayTest, AFailedWriteShowsWhatTheConverterHoldsAndSaysSo) {
    int code = Run(MakeDialog(), [&](HWND h) {
        SetText(h, IDC_RELAY_CLOSE_VALUE, "50");
        converter.Silence(RelayBlock);
        ClickItem(h, IDOK);
        EXPECT_TRUE(StillOpen(h));
        EXPECT_EQ(Text(h, IDC_RELAY_CLOSE_VALUE), "50");  // nothing could be read back
        converter.Silence(RelayBlock, false);
        converter.SetData(RelayBlock, StoredSettings);
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
    EXPECT_EQ(messages, (std::vector<std::string>{"The converter did not confirm the relay "
                                                  "settings, and what it holds could not be read "
                                                  "back."}));
}

}  // namespace
