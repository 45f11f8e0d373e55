#include "ui/dialogs/probe_table_dialog.h"

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "model/file_store.h"
#include "model/point_line.h"
#include "model/probe_characteristic.h"
#include "model/probe_report.h"
#include "model/probe_table.h"
#include "model/stored_points.h"
#include "resources/dialog_ids.h"
#include "ui/dialogs/sample_progress.h"
#include "ui/framework/button_controls.h"
#include "ui/framework/display_scale.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/list_box.h"
#include "ui/framework/progress_bar.h"
#include "ui/framework/scaled_font.h"
#include "ui/framework/static_text.h"

namespace {

constexpr int ValueDecimals = 2;
constexpr char FitRefusal[] = "The points do not determine the curve.";
constexpr char ReportNotCreated[] = "The report could not be created:\n";
constexpr char ReportIncomplete[] = "The report could not be written completely:\n";
constexpr char NormalRefusal[] = "The normal must be a number, such as 1413 or 12,88.";
constexpr char NotConfirmed[] =
    "The converter did not confirm the probe coefficients. The fields show what it holds now.";
constexpr char NotConfirmedNorRead[] =
    "The converter did not confirm the probe coefficients, and what it holds could not be read "
    "back.";

// What the user is told about a coefficient edit that holds no number.
std::string CoefficientRefusal(int index) {
    return "K [" + std::to_string(index) + "] must be a number, such as 1.250000000E+01 or 12,5" +
           (index == 1 ? "." : "; an empty field is 0.");
}

constexpr char RetryOrLeave[] = "\n\nRetry tries again; Cancel leaves them unstored.";

// What the user is told when the points cannot be stored, naming the data file.
std::string StoreFailedText(const std::string& dataFile) {
    std::string text =
        dataFile.empty()
            ? std::string(
                  "The calibration points could not be stored: the program's path is "
                  "too long to name a data file.")
            : "The calibration points could not be stored in the data file\n" + dataFile;
    return text + RetryOrLeave;
}

// The data file could not be read again before the new points were stored: writing now would
// lose the points it holds.
std::string StoredPointsText(const std::string& dataFile, const std::string& problem) {
    return "The calibration points could not be stored: the data file\n" + dataFile +
           "\nholds points that would be lost (" + problem + ")." + RetryOrLeave;
}

// What the dialog says when it opens on a data file it cannot use; empty when there is none.
std::string OpeningText(const ProbeTable& table) {
    if (table.fileState == TableFileState::Unreadable)
        return "The calibration points of the data file\n" + table.dataFile +
               "\ncannot be read: " + table.fileProblem +
               ".\n\nThe table starts empty. The file is kept; points measured now are stored "
               "beside its points once it can be read.";
    if (table.fileState == TableFileState::Invalid)
        return "The data file\n" + table.dataFile +
               "\nholds no table of calibration points: " + table.fileProblem +
               ".\n\nThe table starts empty. The file stays as it is unless a point is stored "
               "or deleted.";
    return {};
}

// The same file by name (case and separators aside) or through the system (links included).
bool IsDataFile(const std::string& name, const std::string& dataFile) {
    if (name.empty() || dataFile.empty()) return false;
    if (SameFile(name, dataFile)) return true;
    if (name.size() != dataFile.size()) return false;
    for (size_t i = 0; i < name.size(); ++i) {
        auto fold = [](char c) {
            if (c == '/') return '\\';
            return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (fold(name[i]) != fold(dataFile[i])) return false;
    }
    return true;
}

// The report's file question, refusing the data file of the table as the report's file.
class ReportBesideTable : public ReportSystem {
  public:
    ReportBesideTable(ReportSystem& system, const std::string& dataFile)
        : system(&system), dataFile(dataFile) {}
    std::optional<std::string> AskFileName(void* owner) override {
        std::optional<std::string> name = system->AskFileName(owner);
        if (name && IsDataFile(*name, dataFile)) {
            refused = *name;
            return std::nullopt;
        }
        return name;
    }
    std::string DateText() override { return system->DateText(); }
    std::string TimeText() override { return system->TimeText(); }

    std::string refused;

  private:
    ReportSystem* system = nullptr;
    std::string dataFile;
};

constexpr char ReportIsDataFile[] =
    "The report cannot go into the data file of the calibration points:\n";

// The list font's own size at 96 DPI ("fixedsys" is 15 pixels high there).
constexpr int ListFontHeight = 15;

}  // namespace

ProbeTableDialog::ProbeTableDialog(WindowObject* parent, ConverterLink& link)
    : ShadedDialog(parent, TemplateId),
      link(&link),
      points(std::make_unique<ProbeTable>()),
      reportSystem(&PlatformReportSystem()) {
    CreateControls();
}

ProbeTableDialog::ProbeTableDialog(WindowObject* parent, ConverterLink& link,
                                   std::string dataFilePath, ReportSystem& reports)
    : ShadedDialog(parent, TemplateId),
      link(&link),
      points(std::make_unique<ProbeTable>(std::move(dataFilePath))),
      reportSystem(&reports) {
    CreateControls();
}

bool ProbeTableDialog::ShiftKeyDown() {
    return (GetKeyState(VK_SHIFT) & 0x8000) != 0;
}

void ProbeTableDialog::CreateControls() {
    // A file that is no table is written only when a point is stored or deleted here.
    if (points->fileState == TableFileState::Invalid) points->modified = false;
    pointList = new ListBox(this, IDC_TABLE_LIST);
    deleteAllButton = new PushButton(this, IDC_TABLE_DELETE_ALL);
    deleteButton = new PushButton(this, IDC_TABLE_DELETE);
    calculateButton = new PushButton(this, IDC_TABLE_CALCULATE);
    intoFileButton = new PushButton(this, IDC_TABLE_INTO_FILE);
    normalEdit = new NumberEdit(this, IDC_TABLE_NORMAL);
    conductanceField = new ValueField(this, IDC_TABLE_CONDUCTANCE);
    startButton = new PushButton(this, IDC_TABLE_START);
    progressBar = new ProgressBar(this, IDC_TABLE_PROGRESS);
    for (int i = 0; i < 4; ++i)
        coefficientEdits[i] = new NumberEdit(this, IDC_TABLE_K0 + i);
    manualCheck = new CheckBox(this, IDC_TABLE_MANUAL);
    // The fonts follow the display of the window the dialog opens over.
    UINT dpi = WindowDpi(Parent != nullptr ? Parent->Handle : nullptr);
    headerFont = CreateScaledFont(15, "Arial CE", dpi);
    listFont = CreateScaledFont(0, "fixedsys", dpi, ListFontHeight);
    shiftHeld = ShiftKeyDown;
}

ProbeTableDialog::~ProbeTableDialog() {
    // The timer and the controls go with the window; the controls let go of the fonts then.
    DestroyHandle();
    if (headerFont != nullptr) DeleteObject(headerFont);
    if (listFont != nullptr) DeleteObject(listFont);
    points.reset();
}

void ProbeTableDialog::Dispatch(WindowMessage& message) {
    if (timer.Ticks(message))
        OnTimerTick(message);
    else
        ShadedDialog::Dispatch(message);
}

void ProbeTableDialog::DispatchChildNotify(WindowMessage& message, int id) {
    switch (id) {
        case IDC_TABLE_LIST:
            if (message.WParamHigh() == LBN_SELCHANGE) deleteButton->Enable();
            break;
        case IDC_TABLE_DELETE_ALL:
            DeleteAll();
            break;
        case IDC_TABLE_DELETE:
            DeleteSelected();
            break;
        case IDC_TABLE_CALCULATE:
            Calculate();
            break;
        case IDC_TABLE_INTO_FILE:
            IntoFile();
            break;
        case IDC_TABLE_START:
            StartMeasurement();
            break;
        case IDC_TABLE_MANUAL:
            ManualEntryChanged();
            break;
        default:
            ShadedDialog::DispatchChildNotify(message, id);
            break;
    }
}

void ProbeTableDialog::SetUp() {
    ShadedDialog::SetUp();
    SendDlgItemMessageA(Handle, IDC_TABLE_NORMAL_HEADER, WM_SETFONT,
                        reinterpret_cast<WPARAM>(headerFont), FALSE);
    SendDlgItemMessageA(Handle, IDC_TABLE_CONDUCTANCE_HEADER, WM_SETFONT,
                        reinterpret_cast<WPARAM>(headerFont), FALSE);
    SendMessageA(pointList->Handle, WM_SETFONT, reinterpret_cast<WPARAM>(listFont), FALSE);

    deleteButton->Disable();
    intoFileButton->Disable();
    for (NumberEdit* edit : coefficientEdits)
        edit->Disable();
    for (uint32_t i = 0; i < points->count; ++i)
        pointList->AddString(FormatPointLine(points->conductance[i], points->normal[i]).c_str());
    if (points->count == 0) {
        deleteAllButton->Disable();
        calculateButton->Disable();
    }
    const std::string opening = OpeningText(*points);
    if (!opening.empty()) showMessage(Handle, opening.c_str());

    float conductance = 0.0f;
    if (!link->ReadConductance(conductance)) {
        conductanceField->SetText("Communication error");
        startButton->Disable();
        manualCheck->Disable();
        return;
    }
    conductanceField->SetFixed(conductance, ValueDecimals);
    if (!points->HasRoom()) startButton->Disable();
    progressBar->SetRange(0, SampleMeasurement::SamplesPerMeasurement);
    if (link->firmwareVersion() < ConstantTermFirmware)
        EnableWindow(GetDlgItem(Handle, IDC_TABLE_K0_LABEL), FALSE);
    if (link->ReadProbeCoefficients(coefficients)) ShowCoefficients();
    timer.Start(Handle, timerPeriod);
}

void ProbeTableDialog::UpdateTableButtons() {
    if (points->count == 0) {
        deleteAllButton->Disable();
        calculateButton->Disable();
        intoFileButton->Disable();
    }
    if (timer != 0 && !measurement.measuring && points->HasRoom()) startButton->Enable();
}

void ProbeTableDialog::DeleteAll() {
    SetFocus(GetDlgItem(Handle, IDOK));
    pointList->ClearList();
    points->Clear();
    deleteButton->Disable();
    UpdateTableButtons();
}

void ProbeTableDialog::DeleteSelected() {
    SetFocus(GetDlgItem(Handle, IDOK));
    deleteButton->Disable();
    const int index = pointList->GetSelIndex();
    if (index >= 0) {
        pointList->DeleteString(index);
        points->Delete(index);
    }
    UpdateTableButtons();
}

void ProbeTableDialog::StartMeasurement() {
    const std::optional<float> normal = normalEdit->GetFloat();
    if (!normal) {
        showMessage(Handle, NormalRefusal);
        normalEdit->FocusAndSelectAll();
        return;
    }
    SetFocus(GetDlgItem(Handle, IDOK));
    startButton->Disable();
    intoFileButton->Disable();
    currentNormal = *normal;
    measurement.Start();
}

void ProbeTableDialog::OnTimerTick(WindowMessage&) {
    if (TakeSample(*link, &ConverterLink::ReadConductance, measurement, *progressBar,
                   conductanceField, ValueDecimals))
        FinishMeasurement();
}

void ProbeTableDialog::FinishMeasurement() {
    // An average that is no number makes no point; the table stays as it is.
    if (measurement.HasUsableAverage()) {
        const double average = measurement.Average();
        pointList->AddString(FormatPointLine(average, currentNormal).c_str());
        points->Add(average, currentNormal);
        deleteAllButton->Enable();
        calculateButton->Enable();
    }
    if (points->HasRoom()) startButton->Enable();
}

void ProbeTableDialog::Calculate() {
    const FitResult fit = FitProbeCharacteristic(*points, shiftHeld(), link->firmwareVersion());
    if (fit.status == FitResult::Status::NothingToDo) return;
    // Coefficients that are not finite floats never reach the converter; the previous stay.
    if (fit.status == FitResult::Status::Failed) {
        showMessage(Handle, FitRefusal);
        return;
    }
    coefficients.K = fit.coefficients;
    calculated = true;
    intoFileButton->Enable();
    manualCheck->Uncheck();
    ManualEntryChanged();
}

void ProbeTableDialog::IntoFile() {
    std::string fileName;
    ReportBesideTable system(*reportSystem, points->dataFile);
    const ReportResult result = WriteReport(Handle, *points, coefficients.K, system, fileName);
    if (!system.refused.empty())
        showMessage(Handle, (ReportIsDataFile + system.refused).c_str());
    else if (result == ReportResult::CreateFailed)
        showMessage(Handle, (ReportNotCreated + fileName).c_str());
    else if (result == ReportResult::WriteFailed)
        showMessage(Handle, (ReportIncomplete + fileName).c_str());
}

void ProbeTableDialog::ManualEntryChanged() {
    if (manualCheck->GetCheck() == BST_CHECKED) {
        if (link->firmwareVersion() >= ConstantTermFirmware) coefficientEdits[0]->Enable();
        for (int i = 1; i < 4; ++i)
            coefficientEdits[i]->Enable();
    } else {
        for (NumberEdit* edit : coefficientEdits)
            edit->Disable();
        ShowCoefficients();
    }
}

void ProbeTableDialog::ShowCoefficients() {
    for (int i = 0; i < 4; ++i) {
        if (i == 1 || coefficients.K[i] != 0.0f)
            coefficientEdits[i]->SetFloat(coefficients.K[i]);
        else
            coefficientEdits[i]->ClearText();
    }
}

void ProbeTableDialog::OnOk(WindowMessage& message) {
    if (measurement.measuring) return;
    const bool manual = manualCheck->GetCheck() == BST_CHECKED;
    if (manual) {
        // Every edit is checked before anything is written; an empty K[0], K[2], K[3] is 0, as
        // the dialog shows it.
        std::array<float, 4> typed{};
        for (int i = 0; i < 4; ++i) {
            NumberEdit* edit = coefficientEdits[i];
            if (i != 1 && edit->IsEmpty()) continue;
            const std::optional<float> value = edit->GetFloat();
            if (!value) {
                showMessage(Handle, CoefficientRefusal(i).c_str());
                edit->FocusAndSelectAll();
                return;
            }
            typed[static_cast<size_t>(i)] = *value;
        }
        coefficients.K = typed;
    }
    if ((manual || calculated) && !link->WriteProbeCoefficients(coefficients)) {
        // The dialog stays open on what the converter holds; nothing is left to write by itself.
        ProbeCoefficients held;
        const bool read = link->ReadProbeCoefficients(held);
        if (read) coefficients = held;
        calculated = false;
        manualCheck->Uncheck();
        ManualEntryChanged();
        showMessage(Handle, read ? NotConfirmed : NotConfirmedNorRead);
        return;
    }
    StoreTable();
    ShadedDialog::OnOk(message);
}

void ProbeTableDialog::OnCancel(WindowMessage& message) {
    StoreTable();
    ShadedDialog::OnCancel(message);
}

void ProbeTableDialog::OnEndSession(WindowMessage& message) {
    if (message.WParam != 0) StoreTable(false);
    ShadedDialog::OnEndSession(message);
}

void ProbeTableDialog::StoreTable(bool ask) {
    while (points->modified) {
        std::string text;
        // A data file that could not be read at opening is read again: its points stay.
        std::string problem;
        if (points->fileState == TableFileState::Unreadable &&
            KeepStoredPoints(*points, problem) != StoredPoints::Kept)
            text = StoredPointsText(points->dataFile, problem);
        else if (points->Save())
            return;
        else
            text = StoreFailedText(points->dataFile);
        if (!ask || askUser(Handle, text.c_str(), MB_RETRYCANCEL) != IDRETRY) {
            // Left unstored knowingly: the table is not written when it goes either.
            if (ask) points->modified = false;
            return;
        }
    }
}
