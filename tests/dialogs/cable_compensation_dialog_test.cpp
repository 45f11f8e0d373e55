#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "resources/dialog_ids.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/dialogs/fake_converter.h"
#include "ui/dialogs/cable_compensation_dialog.h"

using namespace dialog_items;

namespace {

constexpr uint8_t StoredCapacity = 0x38;
constexpr uint8_t MeasuredCapacity = 0x28;
constexpr UINT_PTR Timer = CableCompensationDialog::TimerId;

class CableCompensationTest : public DialogTest {
  protected:
    std::unique_ptr<CableCompensationDialog> MakeDialog() {
        auto made = std::make_unique<CableCompensationDialog>(Parent(), converter.Link());
        made->timerPeriod = NoRealTicks;
        made->showMessage = [this](HWND, const char* text) { messages.push_back(text); };
        dialog = made.get();
        return made;
    }

    FakeConverter converter;
    CableCompensationDialog* dialog = nullptr;
    std::vector<std::string> messages;
};

TEST_F(CableCompensationTest, FailedReadAtOpeningLeavesTheDialogOffline) {
    converter.Silence(StoredCapacity);
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_CABLE_CAPACITY), "Communication error");
        EXPECT_FALSE(Enabled(h, IDC_CABLE_START));
        ClickItem(h, IDC_CABLE_START);
        EXPECT_EQ(dialog->timer, 0u);
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(converter.Requests(), std::vector<std::string>{"01 38 00 C7"});
}

TEST_F(CableCompensationTest, OkAtOnceClosesWithoutATransfer) {
    converter.SetFloat(StoredCapacity, 12.5f);
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_CABLE_CAPACITY), "1.250000000E+01");
        EXPECT_TRUE(Enabled(h, IDC_CABLE_START));
        EXPECT_EQ(ProgressHigh(h, IDC_CABLE_PROGRESS), 20);
        // No timer runs before a measurement.
        EXPECT_EQ(dialog->timer, 0u);
        EXPECT_FALSE(KillTimer(h, Timer));
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(converter.Requests(), std::vector<std::string>{"01 38 00 C7"});
}

TEST_F(CableCompensationTest, FailedReadsProlongTheMeasurementToTwentyGoodSamples) {
    converter.SetFloat(StoredCapacity, 3.0f);
    // 1 .. 20 with five unanswered reads in between: the average is 10.5.
    std::vector<std::optional<float>> readings;
    for (int i = 1; i <= 20; ++i) {
        readings.push_back(static_cast<float>(i));
        if (i % 4 == 0) readings.push_back(std::nullopt);
    }
    readings.pop_back();  // the last answered reading ends the measurement
    converter.QueueReadings(MeasuredCapacity, readings);
    ASSERT_EQ(readings.size(), 24u);

    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_CABLE_START);
        EXPECT_FALSE(Enabled(h, IDC_CABLE_START));
        EXPECT_EQ(GetFocus(), Item(h, IDOK));
        EXPECT_NE(dialog->timer, 0u);

        Tick(h, Timer, 5);  // 1, 2, 3, 4, failure
        EXPECT_EQ(ProgressPosition(h, IDC_CABLE_PROGRESS), 4);
        EXPECT_EQ(dialog->measurement.sampleCount, 4);
        // Samples are not shown while they are taken.
        EXPECT_EQ(Text(h, IDC_CABLE_CAPACITY), "3.000000000E+00");

        // "OK" during the measurement is ignored: nothing written, the dialog stays.
        ClickItem(h, IDOK);
        EXPECT_TRUE(StillOpen(h));

        Tick(h, Timer, 18);
        EXPECT_EQ(dialog->measurement.sampleCount, 19);
        EXPECT_NE(dialog->timer, 0u);
        Tick(h, Timer);
        EXPECT_EQ(dialog->timer, 0u);
        EXPECT_FALSE(KillTimer(h, Timer));
        EXPECT_EQ(Text(h, IDC_CABLE_CAPACITY), "1.050000000E+01");
        EXPECT_EQ(ProgressPosition(h, IDC_CABLE_PROGRESS), 0);
        EXPECT_TRUE(Enabled(h, IDC_CABLE_START));

        // A late tick takes no sample.
        const size_t reads = converter.CountOf(MeasuredCapacity);
        Tick(h, Timer);
        EXPECT_EQ(converter.CountOf(MeasuredCapacity), reads);
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(converter.CountOf(MeasuredCapacity), 24u);
    EXPECT_EQ(converter.Writes(), std::vector<std::string>{"01 38 04 00 00 28 41 5A"});
}

TEST_F(CableCompensationTest, AllZeroSamplesAreNotWritten) {
    converter.SetFloat(StoredCapacity, 3.0f);
    converter.SetFloat(MeasuredCapacity, 0.0f);
    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_CABLE_START);
        Tick(h, Timer, 20);
        EXPECT_EQ(Text(h, IDC_CABLE_CAPACITY), "0.000000000E+00");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(converter.Writes().empty());
    EXPECT_EQ(messages,
              std::vector<std::string>{"Nothing was stored: the average of the 20 samples is 0."});
}

TEST_F(CableCompensationTest, ASecondMeasurementReplacesTheAverage) {
    converter.SetFloat(StoredCapacity, 3.0f);
    converter.SetFloat(MeasuredCapacity, 2.0f);
    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_CABLE_START);
        Tick(h, Timer, 20);
        EXPECT_EQ(Text(h, IDC_CABLE_CAPACITY), "2.000000000E+00");
        converter.SetFloat(MeasuredCapacity, 10.5f);
        ClickItem(h, IDC_CABLE_START);
        Tick(h, Timer, 20);
        EXPECT_EQ(Text(h, IDC_CABLE_CAPACITY), "1.050000000E+01");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(converter.Writes(), std::vector<std::string>{"01 38 04 00 00 28 41 5A"});
}

TEST_F(CableCompensationTest, CancelDuringAMeasurementWritesNothingAndStopsTheTimer) {
    converter.SetFloat(StoredCapacity, 3.0f);
    converter.SetFloat(MeasuredCapacity, 5.0f);
    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_CABLE_START);
        Tick(h, Timer, 3);
        EXPECT_NE(dialog->timer, 0u);
        Cancel(h);
        EXPECT_EQ(dialog->timer, 0u);
        // The window timer itself is gone, not only the note of it.
        EXPECT_FALSE(KillTimer(h, Timer));
    });
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(converter.Writes().empty());
}

TEST_F(CableCompensationTest, AReadingThatIsNoNumberIsNotStored) {
    converter.SetFloat(StoredCapacity, 3.0f);
    converter.SetData(MeasuredCapacity, {0xFF, 0xFF, 0xFF, 0xFF});
    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_CABLE_START);
        Tick(h, Timer, 20);
        EXPECT_EQ(Text(h, IDC_CABLE_CAPACITY), "Invalid");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(converter.Writes().empty());
    EXPECT_EQ(messages, std::vector<std::string>{"Nothing was stored: the average of the 20 "
                                                 "samples is no number the converter can hold."});
}

}  // namespace
