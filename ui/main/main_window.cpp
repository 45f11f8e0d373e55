#include "ui/main/main_window.h"

#include <string>

#include "link/converter_link.h"
#include "link/port_list.h"
#include "model/sensor_list.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/display_scale.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/face_colours.h"
#include "ui/framework/framework_start.h"
#include "ui/framework/list_box.h"
#include "ui/framework/port_combo_box.h"
#include "ui/framework/scaled_font.h"
#include "ui/framework/static_text.h"

namespace {

int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT style) {
    return MessageBoxA(owner, text, caption, style);
}

// A label; centred ones get SS_CENTER on top of the left-aligned style.
StaticText* Label(WindowObject* parent, const char* text, int x, int y, int width, int height,
                  bool centred = false) {
    auto* label = new StaticText(parent, text, x, y, width, height, 0, 0);
    if (centred) label->Style |= SS_CENTER;
    return label;
}

// A drop-down list whose items stay in insertion order, so an item's index is its value. It drops
// to the height it is given: with visual styles a list otherwise shows 30 items, whatever its
// height.
ComboBox* UnsortedList(WindowObject* parent, int x, int y, int width, int height, int id) {
    auto* combo = new ComboBox(parent, x, y, width, height, id, 0, false);
    combo->Style &= ~static_cast<uint32_t>(CBS_SORT);
    combo->Style |= CBS_NOINTEGRALHEIGHT;
    return combo;
}

}  // namespace

MainWindow::MainWindow(const char* title)
    : MainWindow(title, std::make_unique<ConverterLink>(), std::make_unique<PortList>()) {}

MainWindow::MainWindow(const char* title, std::unique_ptr<ConverterLink> link,
                       std::unique_ptr<PortList> ports)
    : Window(nullptr, title),
      link(std::move(link)),
      sensors(std::make_unique<SensorList>()),
      showMessage(ShowMessageBox) {
    Style = WindowStyle;
    Width = OuterWidth;
    Height = OuterHeight;
    CreateControls(std::move(ports));
    layout.Record(*this);
    redBrush = CreateSolidBrush(Red);
    SetFlag(KeyboardHandler);
}

MainWindow::~MainWindow() {
    if (timer != 0 && Handle != nullptr) KillTimer(Handle, PollTimerId);
    timer = 0;
    if (portPausing && Handle != nullptr) KillTimer(Handle, PortPauseTimerId);
    portPausing = false;
    // The native window and the controls go first, while the brush and the link still exist.
    DestroyHandle();
    while (LastChild != nullptr)
        FirstChild()->Destroy();
    if (redBrush != nullptr) DeleteObject(redBrush);
    redBrush = nullptr;
    if (font != nullptr) DeleteObject(font);
    font = nullptr;
    link.reset();
    sensors.reset();
}

void MainWindow::CreateControls(std::unique_ptr<PortList> ports) {
    Label(this, "Port:", 480, 14, 40, 18);
    portCombo = new PortComboBox(this, 530, 10, 120, 160, PortComboId, std::move(ports));
    Label(this, "Converter:", 10, 11, 100, 18);
    converterField = new ValueField(this, nullptr, 120, 10, 140, 20);
    Label(this, "Firmware:", 10, 36, 100, 18);
    firmwareField = new ValueField(this, nullptr, 120, 35, 140, 20);
    Label(this, "Serial number:", 10, 61, 100, 18);
    serialNumberField = new ValueField(this, nullptr, 120, 60, 140, 20);
    Label(this, "Output:", 10, 86, 100, 18);
    outputField = new ValueField(this, nullptr, 120, 85, 140, 20);
    Label(this, "Relay:", 10, 111, 100, 18);
    relayField = new ValueField(this, nullptr, 120, 110, 140, 20);
    new PushButton(this, "Relay", 590, 45, 60, 24, RelayButtonId);
    BuildInputGroup(10, 140);
    BuildCompensationGroup(210, 140);
    BuildInternalValuesGroup(420, 140);
}

void MainWindow::BuildInputGroup(int left, int top) {
    new GroupBox(this, "Input:", left, top, 190, 285, 0);
    new PushButton(this, "Cable compensation", left + 10, top + 25, 170, 24, CableButtonId);
    new PushButton(this, "Probe calibration", left + 10, top + 60, 170, 24, ProbeButtonId);
    Label(this, "Damping", left + 10, top + 97, 65, 20);
    inputDampingCombo = UnsortedList(this, left + 110, top + 95, 70, 200, InputDampingId);
    Label(this, "Start of range", left + 10, top + 165, 170, 20, true);
    rangeStartEdit = new NumberEdit(this, nullptr, left + 10, top + 190, 100, 24, 0);
    new PushButton(this, "Write", left + 120, top + 190, 60, 24, RangeStartWriteId);
    Label(this, "End of range", left + 10, top + 225, 170, 20, true);
    rangeEndEdit = new NumberEdit(this, nullptr, left + 10, top + 250, 100, 24, 0);
    new PushButton(this, "Write", left + 120, top + 250, 60, 24, RangeEndWriteId);
}

void MainWindow::BuildCompensationGroup(int left, int top) {
    new GroupBox(this, "Temp. compensation:", left, top, 200, 285, 0);
    offRadio = new RadioButton(this, "Off", left + 10, top + 25, 100, 16, OffRadioId);
    linearRadio = new RadioButton(this, "Linear", left + 10, top + 45, 100, 16, LinearRadioId);
    nonlinearRadio =
        new RadioButton(this, "Nonlinear", left + 10, top + 65, 100, 16, NonlinearRadioId);
    Label(this, "Sensor", left + 10, top + 97, 50, 20);
    sensorCombo = UnsortedList(this, left + 70, top + 95, 120, 200, SensorComboId);
    Label(this, "Damping", left + 10, top + 132, 65, 20);
    tempDampingCombo = UnsortedList(this, left + 120, top + 130, 70, 200, TempDampingId);
    // The tool's texts are Windows-1252: 0xB0 is the degree sign.
    Label(this,
          "Ref. Temp. [\xB0"
          "C]",
          left + 10, top + 165, 180, 20, true);
    refTempEdit = new NumberEdit(this, nullptr, left + 10, top + 190, 110, 24, 0);
    new PushButton(this, "Write", left + 130, top + 190, 60, 24, RefTempWriteId);
    Label(this, "Coefficient [%]", left + 10, top + 225, 180, 20, true);
    coefficientEdit = new NumberEdit(this, nullptr, left + 10, top + 250, 110, 24, 0);
    new PushButton(this, "Write", left + 130, top + 250, 60, 24, CoefficientWriteId);
}

void MainWindow::BuildInternalValuesGroup(int left, int top) {
    new GroupBox(this, "Internal values:", left, top, 230, 285, 0);
    Label(this, "Resist. [Ohm]", left + 10, top + 25, 110, 20);
    resistanceField = new ValueField(this, nullptr, left + 130, top + 25, 90, 20);
    Label(this,
          "Temp. [\xB0"
          "C]",
          left + 10, top + 50, 110, 20);
    temperatureField = new ValueField(this, nullptr, left + 130, top + 50, 90, 20);
    Label(this, "Conduct. [uS]", left + 10, top + 75, 110, 20);
    conductanceField = new ValueField(this, nullptr, left + 130, top + 75, 90, 20);
    Label(this, "Value [uS/cm]", left + 10, top + 100, 110, 20);
    conductivityField = new ValueField(this, nullptr, left + 130, top + 100, 90, 20);
    Label(this, "Ratio [%]", left + 10, top + 125, 110, 20);
    ratioField = new ValueField(this, nullptr, left + 130, top + 125, 90, 20);
    readingCheck = new CheckBox(this, "Reading", left + 10, top + 255, 80, 20, ReadingCheckId);
}

void MainWindow::SetUp() {
    // The controls are created at their places for the display the window opens on.
    dpi = WindowDpi(Handle);
    layout.PlaceChildren(dpi);
    Window::SetUp();
    UseFontFor(dpi);
    // Again with the font: a combo box takes its dropped height from a placement after it.
    layout.PlaceChildren(dpi);
    if (dpi != BaseDpi)
        SetWindowPos(Handle, nullptr, 0, 0, layout.OuterWidth(dpi), layout.OuterHeight(dpi),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    for (int i = 0; i < sensors->Count; ++i)
        sensorCombo->AddString(sensors->SensorAt(i)->name);
    for (int i = 0; i <= MaxDamping; ++i) {
        std::string text = std::to_string(i);
        inputDampingCombo->AddString(text.c_str());
        tempDampingCombo->AddString(text.c_str());
    }
    // The user starts by choosing a port: the window's first activation puts the focus there.
    FocusChild = portCombo->Handle;
}

void MainWindow::FillWindowClass(WNDCLASSA& windowClass) {
    Window::FillWindowClass(windowClass);
    windowClass.hIcon = LoadIconA(ModuleInstance(), MAKEINTRESOURCEA(IconId));
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
}

void MainWindow::Dispatch(WindowMessage& message) {
    switch (message.Message) {
        case WM_TIMER:
            if (message.WParam == PortPauseTimerId)
                ConnectAfterPause();
            else if (!busy)
                Poll();
            NoticeLostLine();
            break;
        case WM_CTLCOLORSTATIC:
            CtlColorStatic(message);
            break;
        case WM_ERASEBKGND:
            EraseBackground(message);
            break;
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
            RepaintForScheme(Handle, message.Message, message.WParam, message.LParam);
            Window::Dispatch(message);
            break;
        case WM_DPICHANGED:
            OnDpiChanged(message);
            break;
        default:
            Window::Dispatch(message);
            break;
    }
}

void MainWindow::DispatchChildNotify(WindowMessage& message, int id) {
    bool selectionChanged = message.WParamHigh() == CBN_SELCHANGE;
    switch (id) {
        case PortComboId:
            OnPortNotify(message.WParamHigh());
            break;
        case RelayButtonId:
            OpenRelayDialog();
            break;
        case CableButtonId:
            OpenCableCompensationDialog();
            break;
        case ProbeButtonId:
            OpenProbeCalibration();
            break;
        case InputDampingId:
            if (selectionChanged) WriteInputDamping();
            break;
        case RangeStartWriteId:
            WriteRangeStart();
            break;
        case RangeEndWriteId:
            WriteRangeEnd();
            break;
        // Focus the program moves is no choice, though a button may check itself on it.
        case OffRadioId:
            if (!MovingFocus) WriteCompensationMode(0);
            break;
        case LinearRadioId:
            if (!MovingFocus) WriteCompensationMode(1);
            break;
        case NonlinearRadioId:
            if (!MovingFocus) WriteCompensationMode(2);
            break;
        case SensorComboId:
            if (selectionChanged) WriteSelectedSensor();
            break;
        case TempDampingId:
            if (selectionChanged) WriteTempDamping();
            break;
        case RefTempWriteId:
            WriteReferenceTemperature();
            break;
        case CoefficientWriteId:
            WriteTempCoefficient();
            break;
        case ReadingCheckId:
            ToggleReading();
            break;
        default:
            Window::DispatchChildNotify(message, id);
            break;
    }
    // The window's own exchanges (settings, "Reading") may find the port gone; a dialog's are
    // its own business.
    if (id >= InputDampingId && id <= ReadingCheckId) NoticeLostLine();
}

void MainWindow::CtlColorStatic(WindowMessage& message) {
    auto deviceContext = reinterpret_cast<HDC>(message.WParam);
    auto control = reinterpret_cast<HWND>(message.LParam);
    uint32_t mask = 0;
    if (control != nullptr && control == resistanceField->Handle)
        mask = ResistanceFailed;
    else if (control != nullptr && control == temperatureField->Handle)
        mask = TemperatureInvalid;
    if ((mask & errorFlags) != 0) {
        SetTextColor(deviceContext, White);
        SetBkColor(deviceContext, Red);
        message.Result = reinterpret_cast<LRESULT>(redBrush);
    } else {
        const bool notCurrent = (LiveValueOf(control) & staleValues) != 0;
        message.Result =
            reinterpret_cast<LRESULT>(ColourOnFace(deviceContext, control, notCurrent));
    }
}

void MainWindow::EraseBackground(WindowMessage& message) {
    if (!HighContrastOn()) {
        Window::Dispatch(message);
        return;
    }
    RECT client{};
    GetClientRect(Handle, &client);
    FillRect(reinterpret_cast<HDC>(message.WParam), &client, CurrentFaceColours().brush);
    message.Result = 1;
}

void MainWindow::OnDpiChanged(WindowMessage& message) {
    dpi = message.WParamLow();
    // The font first: a combo box keeps its dropped height through a font change, and takes the
    // new one from the placement.
    UseFontFor(dpi);
    layout.PlaceChildren(dpi);
    const auto* suggested = reinterpret_cast<const RECT*>(message.LParam);
    if (suggested != nullptr)
        SetWindowPos(Handle, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    message.Result = 0;
}

void MainWindow::UseFontFor(UINT newDpi) {
    HFONT previous = font;
    font = CreateMessageFont(newDpi);
    layout.SetFont(font, previous != nullptr);
    if (previous != nullptr) DeleteObject(previous);
}
