#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include <windows.h>

#include "model/temporary_setting.h"
#include "ui/framework/dpi_layout.h"
#include "ui/framework/window.h"

class ConverterLink;
class SensorList;
class TemperatureSensor;
class PortList;
class PortComboBox;
class ValueField;
class ComboBox;
class NumberEdit;
class RadioButton;
class CheckBox;
struct FloatSetting;

// The tool's only top-level window: the port selector, the identity of the connected converter,
// its input and temperature-compensation settings (each written back from its own control) and
// the live internal values, polled once a second while "Reading" is checked. Three buttons open
// the modal dialogs on the same link.
//
//     MainWin = new MainWindow(Name);   // in ConfigApp::CreateMainWindow
class MainWindow : public Window {
  public:
    // Control ids.
    static constexpr int PortComboId = 101;
    static constexpr int RelayButtonId = 107;
    static constexpr int CableButtonId = 108;
    static constexpr int ProbeButtonId = 109;
    static constexpr int InputDampingId = 110;
    static constexpr int RangeStartWriteId = 111;
    static constexpr int RangeEndWriteId = 112;
    static constexpr int OffRadioId = 113;
    static constexpr int LinearRadioId = 114;
    static constexpr int NonlinearRadioId = 115;
    static constexpr int SensorComboId = 116;
    static constexpr int TempDampingId = 117;
    static constexpr int RefTempWriteId = 118;
    static constexpr int CoefficientWriteId = 119;
    static constexpr int ReadingCheckId = 120;

    // Window attributes.
    static constexpr uint32_t WindowStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    static constexpr int OuterWidth = 665;
    static constexpr int OuterHeight = 462;
    static constexpr int IconId = 1;

    // The poll timer.
    static constexpr UINT_PTR PollTimerId = 1;
    static constexpr UINT PollPeriodMs = 1000;
    // The pause after a selection in the closed port list: the port opens when no further
    // selection comes within it, so that ports passed over with the arrow keys stay untouched.
    static constexpr UINT_PTR PortPauseTimerId = 2;
    static constexpr UINT PortPauseMs = 500;

    // Bits of errorFlags.
    static constexpr uint32_t ResistanceFailed = 1;
    static constexpr uint32_t TemperatureInvalid = 2;
    // The bit pattern with which the converter marks a failed measurement.
    static constexpr uint32_t MeasurementFailedBits = 0xFFFFFFFF;

    // Bits of staleValues, one per live value.
    static constexpr uint32_t ResistanceValue = 1;
    static constexpr uint32_t TemperatureValue = 2;
    static constexpr uint32_t ConductanceValue = 4;
    static constexpr uint32_t ConductivityValue = 8;
    static constexpr uint32_t RatioValue = 16;
    static constexpr uint32_t AllLiveValues = 31;

    // Port names are read into a buffer of 7 characters and the zero.
    static constexpr int PortNameLength = 7;

    static constexpr COLORREF Red = RGB(255, 0, 0);
    static constexpr COLORREF White = RGB(255, 255, 255);
    static constexpr COLORREF LightGrey = RGB(192, 192, 192);

    // Shows a message box owned by `owner`; returns the button pressed.
    using MessageBoxFunction =
        std::function<int(HWND owner, const char* text, const char* caption, UINT style)>;

    // On the platform's serial port and the system's port names.
    explicit MainWindow(const char* title);
    // On the given link (closed) and port names (tests, other ports).
    MainWindow(const char* title, std::unique_ptr<ConverterLink> link,
               std::unique_ptr<PortList> ports);
    // Stops the timer, destroys the native window and the controls, then releases the brush, the
    // font, the link (which closes the port) and the sensor models, in that order.
    ~MainWindow() override;

    void Dispatch(WindowMessage& message) override;
    void DispatchChildNotify(WindowMessage& message, int id) override;
    void FillWindowClass(WNDCLASSA& windowClass) override;
    void SetUp() override;
    // WM_CTLCOLORSTATIC: flagged live values white on red, every other static on the face (light
    // grey, or the system's face in a high-contrast scheme) in its own text colour; a live value
    // that is not current in the disabled-text colour.
    virtual void CtlColorStatic(WindowMessage& message);
    // WM_ERASEBKGND: the face of a high-contrast scheme instead of the class's light grey.
    void EraseBackground(WindowMessage& message);
    // WM_DPICHANGED: the window moved to a display of another scale; lays it out again for that
    // scale on the rectangle the system suggests.
    void OnDpiChanged(WindowMessage& message);

    // A notification of the port list: a choice from the open list connects at once, a selection
    // in the closed list after the pause.
    void OnPortNotify(int code);
    // The pause after the last selection in the closed list has passed.
    void ConnectAfterPause();
    // Connects to the converter on the selected port and reads everything.
    void Connect();
    void ReadAll();
    // Offers the thermistor only from firmware 0x0101 on; refills the list only when that changes
    // the number of models offered.
    void SelectSensorsForFirmware(uint16_t version);
    // One cycle of the live values; a value it could not refresh is shown as not current.
    void Poll();
    // When the system has reported the port gone (not a time-out): closes the link, stops
    // "Reading", empties the identity fields and says so, once.
    void NoticeLostLine();
    // "Reading" switched: starts or stops the poll timer.
    void ToggleReading();

    void WriteRangeStart();
    void WriteRangeEnd();
    void WriteReferenceTemperature();
    void WriteTempCoefficient();
    void WriteCompensationMode(uint8_t mode);
    void WriteInputDamping();
    void WriteTempDamping();
    void WriteSelectedSensor();
    // A message box in the system's voice, the window's title as caption.
    void Tell(const char* text);
    // Tells that a write was not confirmed and what the converter holds could not be read.
    void TellNotConfirmed(const char* setting);

    void OpenRelayDialog();
    void OpenCableCompensationDialog();
    void OpenProbeCalibration();
    // Gives back the input damping held at 0 for a probe calibration; when that cannot be
    // confirmed, the list shows what the converter holds and the user is told.
    void RestoreInputDamping();
    // Reads the converter's sensor (kind, degree, table) and selects its model; false when it
    // cannot be read or is none of the models.
    bool ShowConverterSensor();
    // The session ends: a running dialog keeps what it must, the saved damping goes back.
    void OnEndSession(WindowMessage& message) override;

    PortComboBox* portCombo = nullptr;
    ValueField* converterField = nullptr;
    ValueField* firmwareField = nullptr;
    ValueField* serialNumberField = nullptr;
    ValueField* outputField = nullptr;
    ValueField* relayField = nullptr;
    ComboBox* inputDampingCombo = nullptr;
    NumberEdit* rangeStartEdit = nullptr;
    NumberEdit* rangeEndEdit = nullptr;
    RadioButton* offRadio = nullptr;
    RadioButton* linearRadio = nullptr;
    RadioButton* nonlinearRadio = nullptr;
    ComboBox* sensorCombo = nullptr;
    ComboBox* tempDampingCombo = nullptr;
    NumberEdit* refTempEdit = nullptr;
    NumberEdit* coefficientEdit = nullptr;
    ValueField* resistanceField = nullptr;
    ValueField* temperatureField = nullptr;
    ValueField* conductanceField = nullptr;
    ValueField* conductivityField = nullptr;
    ValueField* ratioField = nullptr;
    CheckBox* readingCheck = nullptr;
    HBRUSH redBrush = nullptr;
    std::unique_ptr<ConverterLink> link;
    std::unique_ptr<SensorList> sensors;
    uint32_t timer = 0;
    uint32_t errorFlags = 0;
    // The live values the last poll could not refresh (bits as above).
    uint32_t staleValues = 0;
    bool busy = false;
    // The input damping held at 0 while a probe calibration runs.
    HeldInputDamping heldDamping;
    // The sensor model the converter measures with, as far as the window knows (nullptr: not
    // known).
    TemperatureSensor* measuredSensor = nullptr;
    // The pause timer runs after a selection in the closed port list.
    bool portPausing = false;
    // The port index chosen from the open list; the list's own selection change that follows the
    // choice does not start a pause.
    int portChoice = -1;

    // The layout at 96 DPI, the DPI the window is laid out for and the controls' font for it.
    DpiLayout layout;
    UINT dpi = 96;
    HFONT font = nullptr;

    // The window's message boxes; tests take the message here instead of a box appearing.
    MessageBoxFunction showMessage;

  private:
    // Writes the number typed into the edit, or refuses a text that is not one; after a failed
    // write the edit shows what the converter holds, or the user is told.
    void WriteNumberSetting(NumberEdit& edit, const FloatSetting& setting);
    void CreateControls(std::unique_ptr<PortList> ports);
    void BuildInputGroup(int left, int top);
    void BuildCompensationGroup(int left, int top);
    void BuildInternalValuesGroup(int left, int top);
    void ShowCompensationMode(uint8_t mode);
    // Reads the live values; returns the bits of those it refreshed.
    uint32_t ReadLiveValues();
    // Marks the live values that are not current and redraws those whose mark changed.
    void MarkStaleValues(uint32_t stale);
    // The bit of a live value's field, 0 for any other control.
    uint32_t LiveValueOf(HWND control) const;
    // The system's message font for `dpi` on every control; the previous font is released.
    void UseFontFor(UINT newDpi);
};
