// The tool's windows as a driver outside the process sees them: the main window's children in
// creation order, the ids of its buttons and the ids of the dialogs' items.
#pragma once

#include <cstddef>

// Children of the main window in creation order.
enum class MainChild {
    PortCombo = 1,
    ConverterField = 3,
    FirmwareField = 5,
    SerialNumberField = 7,
    OutputField = 9,
    RelayField = 11,
    InputDampingCombo = 17,
    RangeStartEdit = 19,
    RangeEndEdit = 22,
    OffRadio = 25,
    LinearRadio = 26,
    NonlinearRadio = 27,
    SensorCombo = 29,
    TempDampingCombo = 31,
    RefTempEdit = 33,
    RefTempWrite = 34,
    CoefficientEdit = 36,
    ResistanceField = 40,
    TemperatureField = 42,
    ConductanceField = 44,
    ConductivityField = 46,
    RatioField = 48,
    ReadingCheck = 49,
};
constexpr size_t MainChildCount = 50;

// Ids of the main window's controls.
constexpr int PortComboId = 101;
constexpr int RelayButtonId = 107;
constexpr int CableButtonId = 108;
constexpr int ProbeButtonId = 109;
constexpr int SensorComboId = 116;

// Items of the cable compensation dialog.
constexpr int CableCapacityId = 101;
constexpr int CableStartId = 102;

// Items of the probe calibration dialog.
constexpr int ProbeNormalId = 101;
constexpr int ProbeConductanceId = 102;
constexpr int ProbeStartId = 103;
constexpr int ProbeNormalUsedId = 105;
constexpr int ProbeAverageId = 106;
constexpr int ProbeCoefficientId = 107;

// Items of the probe table dialog.
constexpr int TableListId = 101;
constexpr int TableNormalId = 106;
constexpr int TableConductanceId = 107;
constexpr int TableStartId = 108;
constexpr int TableProgressId = 109;
constexpr int TableK1Id = 111;

// The text of a message box.
constexpr int MessageTextId = 0xFFFF;
