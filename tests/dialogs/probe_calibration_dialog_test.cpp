#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "resources/dialog_ids.h"
#include "tests/dialogs/dialog_fixture.h"
#include "tests/dialogs/fake_converter.h"
#include "ui/dialogs/probe_calibration_dialog.h"

using namespace dialog_items;

namespace {

constexpr uint8_t Conductance = 0x29;
constexpr uint8_t FourCoefficients = 0x46;
constexpr uint8_t ThreeCoefficients = 0x3D;
constexpr UINT_PTR Timer = ProbeCalibrationDialog::TimerId;

class ProbeCalibrationTest : public DialogTest {
  protected:
    explicit ProbeCalibrationTest(uint16_t firmware = 0x0103) : converter(firmware) {
        converter.SetFloat(Conductance, 1000.0f);
        converter.SetFloats(FourCoefficients, {0.5f, 1.2345f, 0.25f, 0.125f});
        converter.SetFloats(ThreeCoefficients, {1.2345f, 0.25f, 0.125f});
    }

    std::unique_ptr<ProbeCalibrationDialog> MakeDialog() {
        auto made = std::make_unique<ProbeCalibrationDialog>(Parent(), converter.Link());
        made->timerPeriod = NoRealTicks;
        made->showMessage = [this](HWND, const char* text) { messages.push_back(text); };
        dialog = made.get();
        return made;
    }

    // "Start" with the normal typed as given, then `ticks` timer ticks.
    static void Measure(HWND h, const char* normal, int ticks = 20) {
        SetText(h, IDC_PROBE_NORMAL, normal);
        ClickItem(h, IDC_PROBE_START);
        Tick(h, Timer, ticks);
    }

    FakeConverter converter;
    ProbeCalibrationDialog* dialog = nullptr;
    std::vector<std::string> messages;
};

constexpr char NoCoefficientBecause[] = "The measurement gives no coefficient: ";

class OldFirmwareProbeCalibrationTest : public ProbeCalibrationTest {
  protected:
    OldFirmwareProbeCalibrationTest() : ProbeCalibrationTest(0x0102) {}
};

TEST_F(ProbeCalibrationTest, FailedReadAtOpeningLeavesTheDialogOffline) {
    converter.Silence(Conductance);
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_PROBE_CONDUCTANCE), "Communication error");
        EXPECT_FALSE(Enabled(h, IDC_PROBE_START));
        EXPECT_FALSE(Enabled(h, IDC_PROBE_COEFFICIENT));
        EXPECT_FALSE(Enabled(h, IDC_PROBE_MANUAL));
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "");
        EXPECT_EQ(dialog->timer, 0u);
        EXPECT_FALSE(KillTimer(h, Timer));
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    // Only the one conductance read: no coefficients read, nothing written.
    EXPECT_EQ(converter.Requests(), std::vector<std::string>{"01 29 00 D6"});
}

TEST_F(ProbeCalibrationTest, OpeningShowsTheConductanceAndTheStoredCoefficient) {
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_PROBE_CONDUCTANCE), "1000.00");
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "1.2345");
        EXPECT_TRUE(Enabled(h, IDC_PROBE_START));
        EXPECT_TRUE(Enabled(h, IDC_PROBE_MANUAL));
        EXPECT_FALSE(Enabled(h, IDC_PROBE_COEFFICIENT));
        EXPECT_EQ(ProgressHigh(h, IDC_PROBE_PROGRESS), 20);
        EXPECT_NE(dialog->timer, 0u);
        // The live display runs without a measurement.
        converter.SetFloat(Conductance, 12.345f);
        Tick(h, Timer);
        EXPECT_EQ(Text(h, IDC_PROBE_CONDUCTANCE), "12.35");
        EXPECT_EQ(ProgressPosition(h, IDC_PROBE_PROGRESS), 0);
        // "OK" with nothing measured or entered closes without a transfer.
        converter.ForgetRequests();
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(converter.Requests().empty());
}

TEST_F(ProbeCalibrationTest, TheNormalIsReadWithACommaAndRefusedWhenNoNumberOrImplausible) {
    const std::vector<const char*> refused = {"abc", "",      "0",     "12,5x", "nan",
                                              "inf", "-1413", "0.009", "1e-40"};
    int code = Run(MakeDialog(), [&](HWND h) {
        for (const char* bad : refused) {
            SetText(h, IDC_PROBE_NORMAL, bad);
            ClickItem(h, IDC_PROBE_START);
            EXPECT_EQ(Text(h, IDC_PROBE_NORMAL_USED), "Error") << bad;
            EXPECT_FALSE(dialog->measurement.measuring) << bad;
            EXPECT_TRUE(Enabled(h, IDC_PROBE_START)) << bad;
            EXPECT_EQ(GetFocus(), Item(h, IDC_PROBE_NORMAL)) << bad;
        }
        EXPECT_EQ(messages, std::vector<std::string>(refused.size(),
                                                     "The normal must be a number of at least 0.01 "
                                                     "uS/cm, such as 1413 or 12,88."));
        SetText(h, IDC_PROBE_NORMAL, "12,5");
        ClickItem(h, IDC_PROBE_START);
        EXPECT_EQ(Text(h, IDC_PROBE_NORMAL_USED), "12.50");
        EXPECT_DOUBLE_EQ(dialog->currentNormal, 12.5);
        EXPECT_TRUE(dialog->measurement.measuring);
        EXPECT_FALSE(Enabled(h, IDC_PROBE_START));
        EXPECT_EQ(GetFocus(), Item(h, IDOK));
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
}

TEST_F(ProbeCalibrationTest, AMeasurementGivesTheCoefficientAndOkWritesIt) {
    // Alternating samples and two unanswered reads: 20 answered samples average 1000.0.
    std::vector<std::optional<float>> readings;
    for (int i = 0; i < 20; ++i) {
        readings.push_back(i % 2 == 0 ? 990.0f : 1010.0f);
        if (i == 5 || i == 11) readings.push_back(std::nullopt);
    }
    int code = Run(MakeDialog(), [&](HWND h) {
        SetText(h, IDC_PROBE_AVERAGE, "old");
        converter.QueueReadings(Conductance, readings);
        Measure(h, "1413", 21);
        EXPECT_TRUE(dialog->measurement.measuring);
        EXPECT_EQ(ProgressPosition(h, IDC_PROBE_PROGRESS), 19);
        EXPECT_EQ(Text(h, IDC_PROBE_AVERAGE), "");
        EXPECT_EQ(Text(h, IDC_PROBE_CONDUCTANCE), "990.00");
        // "OK" during the measurement is ignored.
        ClickItem(h, IDOK);
        EXPECT_TRUE(StillOpen(h));
        EXPECT_TRUE(converter.Writes().empty());

        Tick(h, Timer);
        EXPECT_FALSE(dialog->measurement.measuring);
        EXPECT_TRUE(dialog->computed);
        EXPECT_EQ(Text(h, IDC_PROBE_CONDUCTANCE), "1010.00");
        EXPECT_EQ(Text(h, IDC_PROBE_AVERAGE), "1000.00");
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "1.4130");
        EXPECT_EQ(ProgressPosition(h, IDC_PROBE_PROGRESS), 0);
        EXPECT_TRUE(Enabled(h, IDC_PROBE_START));
        EXPECT_FALSE(Enabled(h, IDC_PROBE_COEFFICIENT));
        // The timer keeps running for the live display.
        EXPECT_NE(dialog->timer, 0u);
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(
        converter.Writes(),
        std::vector<std::string>{"01 46 10 00 00 00 00 2F DD B4 3F 00 00 00 00 00 00 00 00 AA"});
}

TEST_F(ProbeCalibrationTest, AMeasurementEndsTheManualEntry) {
    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_PROBE_MANUAL);
        EXPECT_TRUE(Enabled(h, IDC_PROBE_COEFFICIENT));
        Measure(h, "1413");
        EXPECT_FALSE(Checked(h, IDC_PROBE_MANUAL));
        EXPECT_FALSE(Enabled(h, IDC_PROBE_COEFFICIENT));
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "1.4130");
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(converter.Writes().empty());
}

TEST_F(ProbeCalibrationTest, ManualEntryWritesTheTypedValueAndUncheckingRestoresK1) {
    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_PROBE_MANUAL);
        EXPECT_TRUE(Checked(h, IDC_PROBE_MANUAL));
        EXPECT_TRUE(Enabled(h, IDC_PROBE_COEFFICIENT));
        SetText(h, IDC_PROBE_COEFFICIENT, "9,75");
        ClickItem(h, IDC_PROBE_MANUAL);
        EXPECT_FALSE(Enabled(h, IDC_PROBE_COEFFICIENT));
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "1.2345");

        ClickItem(h, IDC_PROBE_MANUAL);
        SetText(h, IDC_PROBE_COEFFICIENT, "2,5");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    // K[1] as typed; K[0], K[2], K[3] set to 0 whatever the converter held.
    EXPECT_EQ(
        converter.Writes(),
        std::vector<std::string>{"01 46 10 00 00 00 00 00 00 20 40 00 00 00 00 00 00 00 00 49"});
}

TEST_F(ProbeCalibrationTest, ManualEntryAfterAMeasurementWritesTheRoundedCoefficient) {
    converter.SetFloat(Conductance, 3.0f);
    int code = Run(MakeDialog(), [&](HWND h) {
        Measure(h, "1");  // 1/3
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "0.3333");
        ClickItem(h, IDC_PROBE_MANUAL);
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    // 0.3333 as a float: 0x3EAAA64C.
    EXPECT_EQ(
        converter.Writes(),
        std::vector<std::string>{"01 46 10 00 00 00 00 4C A6 AA 3E 00 00 00 00 00 00 00 00 CF"});
}

TEST_F(ProbeCalibrationTest, ManualEntryThatIsNoNumberOrImplausibleIsRefused) {
    const std::vector<const char*> refused = {"x1", "", "nan", "0", "-1", "1e-40", "9e-7", "1e39"};
    int code = Run(MakeDialog(), [&](HWND h) {
        ClickItem(h, IDC_PROBE_MANUAL);
        for (const char* bad : refused) {
            SetText(h, IDC_PROBE_COEFFICIENT, bad);
            ClickItem(h, IDOK);
            EXPECT_TRUE(StillOpen(h)) << bad;
            EXPECT_EQ(GetFocus(), Item(h, IDC_PROBE_COEFFICIENT)) << bad;
        }
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
    EXPECT_EQ(messages.size(), refused.size());
    EXPECT_TRUE(converter.Writes().empty());
}

// Known answers: the normal 1413 over an average of 0 or -1000 gives no coefficient; "OK"
// writes what the edit shows (the converter's 1.2345), also through "Manual entry".
TEST_F(ProbeCalibrationTest, AnAverageThatIsNotPositiveGivesNoCoefficient) {
    int code = Run(MakeDialog(), [&](HWND h) {
        for (float conductance : {0.0f, -1000.0f}) {
            converter.SetFloat(Conductance, conductance);
            Measure(h, "1413");
            EXPECT_FALSE(dialog->measurement.measuring);
            EXPECT_FALSE(dialog->computed);
            EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "1.2345");
            EXPECT_TRUE(Enabled(h, IDC_PROBE_START));
        }
        EXPECT_EQ(Text(h, IDC_PROBE_AVERAGE), "-1000.00");
        ClickItem(h, IDOK);
        EXPECT_FALSE(StillOpen(h));
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(messages, std::vector<std::string>(
                            2, std::string(NoCoefficientBecause) +
                                   "the average conductance is not positive. The coefficient "
                                   "shown is unchanged."));
    EXPECT_TRUE(converter.Writes().empty());

    messages.clear();
    converter.SetFloat(Conductance, 0.0f);
    code = Run(MakeDialog(), [&](HWND h) {
        Measure(h, "1413");
        ClickItem(h, IDC_PROBE_MANUAL);
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(
        converter.Writes(),
        std::vector<std::string>{"01 46 10 00 00 00 00 19 04 9E 3F 00 00 00 00 00 00 00 00 AF"});
}

TEST_F(ProbeCalibrationTest, AFailedMeasurementKeepsThePreviousResult) {
    int code = Run(MakeDialog(), [&](HWND h) {
        Measure(h, "1413");
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "1.4130");
        // A quotient beyond the float range is no coefficient either.
        converter.SetFloat(Conductance, 1e-30f);
        Measure(h, "1e10");
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "1.4130");
        EXPECT_TRUE(dialog->computed);
        // Nor is an infinite average, whose quotient would be 0.
        converter.SetFloat(Conductance, std::numeric_limits<float>::infinity());
        Measure(h, "1413");
        EXPECT_EQ(Text(h, IDC_PROBE_AVERAGE), "Invalid");
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "1.4130");
        EXPECT_FLOAT_EQ(dialog->coefficients.K[1], 1.413f);
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0], std::string(NoCoefficientBecause) +
                               "the coefficient would be below 1e-6 1/cm or no number. The "
                               "coefficient shown is unchanged.");
    EXPECT_EQ(
        converter.Writes(),
        std::vector<std::string>{"01 46 10 00 00 00 00 2F DD B4 3F 00 00 00 00 00 00 00 00 AA"});
}

TEST_F(ProbeCalibrationTest, AnUnconfirmedWriteKeepsTheDialogOpenAndSaysSo) {
    int code = Run(MakeDialog(), [&](HWND h) {
        Measure(h, "1413");
        converter.Silence(FourCoefficients);
        ClickItem(h, IDOK);
        EXPECT_TRUE(StillOpen(h));
        EXPECT_FALSE(dialog->computed);
        Cancel(h);
    });
    EXPECT_EQ(code, 2);
    EXPECT_EQ(messages, std::vector<std::string>{"The converter did not confirm the probe "
                                                 "coefficients, and what it holds could not be "
                                                 "read back."});
}

TEST_F(ProbeCalibrationTest, AFailedCoefficientReadLeavesTheEditEmpty) {
    converter.Silence(FourCoefficients);
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_PROBE_CONDUCTANCE), "1000.00");
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "");
        EXPECT_TRUE(Enabled(h, IDC_PROBE_MANUAL));
        Measure(h, "1413");
        converter.Silence(FourCoefficients, false);
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(
        converter.Writes(),
        std::vector<std::string>{"01 46 10 00 00 00 00 2F DD B4 3F 00 00 00 00 00 00 00 00 AA"});
}

TEST_F(ProbeCalibrationTest, CancelDuringAMeasurementWritesNothing) {
    int code = Run(MakeDialog(), [&](HWND h) {
        Measure(h, "1413", 5);
        Cancel(h);
        EXPECT_FALSE(StillOpen(h));
    });
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(converter.Writes().empty());
}

TEST_F(OldFirmwareProbeCalibrationTest, OldFirmwareReadsAndWritesTwelveBytes) {
    int code = Run(MakeDialog(), [&](HWND h) {
        EXPECT_EQ(Text(h, IDC_PROBE_COEFFICIENT), "1.2345");
        Measure(h, "1413");
        ClickItem(h, IDOK);
    });
    EXPECT_EQ(code, 1);
    EXPECT_EQ(converter.CountOf(FourCoefficients), 0u);
    EXPECT_EQ(converter.Writes(),
              std::vector<std::string>{"01 3D 0C 2F DD B4 3F 00 00 00 00 00 00 00 00 B7"});
}

}  // namespace
