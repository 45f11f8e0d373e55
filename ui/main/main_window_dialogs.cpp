// The modal dialogs opened from the main window's buttons, all on the window's own link.
#include "link/converter_link.h"
#include "ui/dialogs/cable_compensation_dialog.h"
#include "ui/dialogs/probe_calibration_dialog.h"
#include "ui/dialogs/probe_table_dialog.h"
#include "ui/dialogs/relay_dialog.h"
#include "ui/framework/application.h"
#include "ui/framework/list_box.h"
#include "ui/main/main_window.h"

namespace {

// Keeps the window from polling while a dialog that samples on the same link is open.
class BusyScope {
  public:
    explicit BusyScope(bool& flag) : flag(flag) { flag = true; }
    ~BusyScope() { flag = false; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

  private:
    bool& flag;
};

void RunModal(std::unique_ptr<Dialog> dialog) {
    if (TheApplication != nullptr) TheApplication->RunModal(std::move(dialog));
}

// A click or command that arrives while a modal window runs over the main window (a dialog, a
// message box) opens nothing: each dialog runs once at a time, and nothing is set up for it.
bool MayOpenDialog(const WindowObject& window) {
    return TheApplication == nullptr || TheApplication->MayRunModal(&window);
}

}  // namespace

void MainWindow::OpenRelayDialog() {
    if (!MayOpenDialog(*this)) return;
    // Polling goes on while the relay dialog is open.
    RunModal(std::make_unique<RelayDialog>(this, *link));
}

void MainWindow::OpenCableCompensationDialog() {
    if (!MayOpenDialog(*this)) return;
    BusyScope scope(busy);
    RunModal(std::make_unique<CableCompensationDialog>(this, *link));
}

void MainWindow::OpenProbeCalibration() {
    if (!MayOpenDialog(*this)) return;
    BusyScope scope(busy);
    // Ctrl held at the click asks for the multi-point table.
    bool tableWanted = (GetKeyState(VK_CONTROL) & 0x8000) != 0;
    // The calibration samples the undamped input. A damping that cannot be read is left alone.
    heldDamping.Hold(*link);
    if (tableWanted)
        RunModal(std::make_unique<ProbeTableDialog>(this, *link));
    else
        RunModal(std::make_unique<ProbeCalibrationDialog>(this, *link));
    RestoreInputDamping();
}

void MainWindow::RestoreInputDamping() {
    if (!heldDamping.Holding() || heldDamping.GiveBack(*link)) return;
    // The converter may still hold 0: the list shows what it holds, or nothing when unknown.
    uint8_t held = 0;
    if (link->ReadInputDamping(held) && held < inputDampingCombo->GetCount())
        inputDampingCombo->SetSelIndex(held);
    else
        inputDampingCombo->SetSelIndex(-1);
    showMessage(Handle, heldDamping.Message().c_str(), Title.get(), MB_ICONEXCLAMATION | MB_OK);
}

void MainWindow::OnEndSession(WindowMessage& message) {
    Window::OnEndSession(message);
    if (message.WParam != 0) RestoreInputDamping();
}
