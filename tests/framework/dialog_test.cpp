#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/framework/test_dialogs.h"
#include "tests/framework/test_windows.h"
#include "tests/ui_support/ui_support.h"
#include "ui/framework/application.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/framework_start.h"
#include "ui/framework/list_box.h"
#include "ui/framework/progress_bar.h"
#include "ui/framework/static_text.h"
#include "ui/framework/window_procedure.h"

// Every array released in this program, so a test can see whether a given text was freed.
namespace {
std::vector<const void*>* releasedArrays = nullptr;
}  // namespace

void operator delete[](void* pointer) noexcept {
    if (releasedArrays != nullptr && pointer != nullptr) {
        std::vector<const void*>* list = releasedArrays;
        releasedArrays = nullptr;  // the vector's own memory must not be recorded
        list->push_back(pointer);
        releasedArrays = list;
    }
    ::operator delete(pointer);
}

void operator delete[](void* pointer, std::size_t) noexcept {
    operator delete[](pointer);
}

namespace {

class DialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        StartFramework();
        app = std::make_unique<ui_test::TestApplication>([](const char* name) {
            auto* window = new RecordingWindow(nullptr, name, nullptr, "main");
            window->Width = 400;
            window->Height = 300;
            return window;
        });
        main = static_cast<RecordingWindow*>(app->MainWin);
        ASSERT_NE(main, nullptr);
    }
    void TearDown() override {
        app.reset();
        ui_test::PumpMessages();
    }

    std::unique_ptr<ui_test::TestApplication> app;
    RecordingWindow* main = nullptr;
};

// A shaded dialog with objects bound to its items; notes what its set-up found.
class ItemsDialog : public ShadedDialog {
  public:
    ItemsDialog(WindowObject* parent, EventLog* log)
        : ShadedDialog(parent, TEST_DIALOG_OK_ONLY), log(log) {
        edit = new NumberEdit(this, TEST_ITEM_EDIT);
        field = new ValueField(this, TEST_ITEM_FIELD);
        check = new CheckBox(this, TEST_ITEM_CHECK);
        list = new ListBox(this, TEST_ITEM_LIST);
        progress = new ProgressBar(this, TEST_ITEM_PROGRESS);
        start = new PushButton(this, TEST_ITEM_START);
    }
    ~ItemsDialog() override {
        log->push_back(Handle == nullptr ? "~dialog" : "~dialog, still bound");
    }

    void SetUp() override {
        ShadedDialog::SetUp();
        std::vector<WindowObject*> items{edit, field, check, list, progress, start};
        bool bound = true;
        for (WindowObject* item : items)
            bound = bound && item->Handle != nullptr &&
                    WindowObject::ObjectFromHandle(item->Handle) == item;
        log->push_back(bound ? "items bound" : "items missing");
        edit->SetFloat(12.5f);
        field->SetVersion(0x0103);
    }
    void DispatchChildNotify(WindowMessage& message, int id) override {
        if (id == TEST_ITEM_START) log->push_back("start " + std::to_string(message.WParamHigh()));
        ShadedDialog::DispatchChildNotify(message, id);
    }

    EventLog* log;
    NumberEdit* edit = nullptr;
    ValueField* field = nullptr;
    CheckBox* check = nullptr;
    ListBox* list = nullptr;
    ProgressBar* progress = nullptr;
    PushButton* start = nullptr;
};

TEST_F(DialogTest, ItemsAreBoundBeforeSetUpAndTheDialogGoesAfterTheRun) {
    EventLog log;
    std::string editText, fieldText;
    int code =
        ui_test::RunModalDriven(*app, std::make_unique<ItemsDialog>(main, &log), [&](HWND dialog) {
            editText = ui_test::WindowText(ui_test::FindChild(dialog, TEST_ITEM_EDIT));
            fieldText = ui_test::WindowText(ui_test::FindChild(dialog, TEST_ITEM_FIELD));
            ui_test::Click(ui_test::FindChild(dialog, TEST_ITEM_START));
            ui_test::Click(ui_test::FindChild(dialog, IDOK));
        });
    EXPECT_EQ(code, Dialog::OkCode);
    EXPECT_EQ(editText, "1.250000000E+01");
    EXPECT_EQ(fieldText, "1.03");
    EXPECT_EQ(log, (EventLog{"items bound", "start 0", "~dialog"}));
    EXPECT_EQ(main->LastChild, nullptr);  // the dialog left the main window's ring
}

TEST_F(DialogTest, EscEndsAShadedDialogWithoutCancelButtonWithCancel) {
    EventLog log;
    HWND seen = nullptr;
    int code =
        ui_test::RunModalDriven(*app, std::make_unique<ItemsDialog>(main, &log), [&](HWND dialog) {
            seen = dialog;
            ASSERT_EQ(ui_test::FindChild(dialog, IDCANCEL), nullptr);
            // The key as the dialog's loop receives it for the focused OK button.
            PostMessageA(ui_test::FindChild(dialog, IDOK), WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        });
    EXPECT_EQ(code, Dialog::CancelCode);
    EXPECT_FALSE(IsWindow(seen));
}

TEST_F(DialogTest, CancelOfAPlainDialogWithoutButtonTravelsToTheParent) {
    bool stillOpen = false;
    int code = ui_test::RunModalDriven(
        *app, std::make_unique<Dialog>(main, TEST_DIALOG_OK_ONLY), [&](HWND dialog) {
            ui_test::SendCommand(dialog, IDCANCEL);  // what Esc sends without a Cancel button
            stillOpen = IsWindow(dialog) && IsWindowVisible(dialog);
            ui_test::Click(ui_test::FindChild(dialog, IDOK));
        });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(code, Dialog::OkCode);
    EXPECT_EQ(main->commands, (std::vector<int>{IDCANCEL}));
}

TEST_F(DialogTest, ButtonsCloseBoxAndEndModalGiveTheirCodes) {
    auto run = [&](const std::function<void(HWND)>& drive) {
        return ui_test::RunModalDriven(
            *app, std::make_unique<ShadedDialog>(main, TEST_DIALOG_NAMED), drive);
    };
    EXPECT_EQ(run([](HWND d) { ui_test::Click(ui_test::FindChild(d, IDCANCEL)); }), 2);
    EXPECT_EQ(run([](HWND d) { ui_test::Click(ui_test::FindChild(d, IDOK)); }), 1);
    EXPECT_EQ(run([](HWND d) { SendMessageA(d, WM_CLOSE, 0, 0); }), 2);
    EXPECT_EQ(run([](HWND d) {
                  auto* dialog = dynamic_cast<Dialog*>(WindowObject::ObjectFromHandle(d));
                  ASSERT_NE(dialog, nullptr);
                  EXPECT_TRUE(dialog->IsModal);
                  dialog->EndModal(7);
              }),
              7);
    // A template that does not exist: the run fails and the object still goes.
    EXPECT_EQ(app->RunModal(std::make_unique<ShadedDialog>(main, 4711)), -1);
    EXPECT_EQ(main->LastChild, nullptr);
}

TEST_F(DialogTest, OkAsksQueryCloseFirst) {
    int code = ui_test::RunModalDriven(
        *app, std::make_unique<ShadedDialog>(main, TEST_DIALOG_NAMED), [&](HWND dialog) {
            auto* object = WindowObject::ObjectFromHandle(dialog);
            ASSERT_NE(object, nullptr);
            auto* refusing = new RefusingButton(object, IDCANCEL);  // bound to Cancel
            ASSERT_TRUE(refusing->Realize());
            ui_test::Click(ui_test::FindChild(dialog, IDOK));
            EXPECT_TRUE(IsWindowVisible(dialog));  // refused: still open
            refusing->allowClose = true;
            ui_test::Click(ui_test::FindChild(dialog, IDOK));
        });
    EXPECT_EQ(code, Dialog::OkCode);
}

TEST_F(DialogTest, ShadedDialogAnswersColoursWithLightGrey) {
    HBRUSH staticBrush = nullptr, dialogBrush = nullptr;
    COLORREF background = 0;
    ui_test::RunModalDriven(
        *app, std::make_unique<ShadedDialog>(main, TEST_DIALOG_OK_ONLY), [&](HWND dialog) {
            HDC dc = GetDC(dialog);
            SetBkColor(dc, RGB(1, 2, 3));
            staticBrush = reinterpret_cast<HBRUSH>(SendMessageA(
                dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                reinterpret_cast<LPARAM>(ui_test::FindChild(dialog, TEST_ITEM_FIELD))));
            background = GetBkColor(dc);
            dialogBrush = reinterpret_cast<HBRUSH>(SendMessageA(dialog, WM_CTLCOLORDLG,
                                                                reinterpret_cast<WPARAM>(dc),
                                                                reinterpret_cast<LPARAM>(dialog)));
            ReleaseDC(dialog, dc);
            ui_test::Click(ui_test::FindChild(dialog, IDOK));
        });
    EXPECT_EQ(staticBrush, GetStockObject(LTGRAY_BRUSH));
    EXPECT_EQ(dialogBrush, GetStockObject(LTGRAY_BRUSH));
    EXPECT_EQ(background, RGB(192, 192, 192));
}

TEST_F(DialogTest, ACopiedTemplateNameIsFreedANumericIdIsNot) {
    std::vector<const void*> released;
    char name[] = TEST_DIALOG_NAMED;
    auto* named = new Dialog(main, name);
    const char* copy = named->TemplateName;
    EXPECT_NE(copy, name);
    EXPECT_STREQ(copy, TEST_DIALOG_NAMED);
    EXPECT_TRUE(named->HasTemplateNameCopy());
    auto* numbered = new Dialog(main, 100);
    EXPECT_EQ(numbered->TemplateName, MAKEINTRESOURCEA(100));
    EXPECT_FALSE(numbered->HasTemplateNameCopy());
    auto* byResource = new Dialog(main, MAKEINTRESOURCEA(9));
    EXPECT_EQ(byResource->TemplateName, MAKEINTRESOURCEA(9));

    releasedArrays = &released;
    named->Destroy();
    numbered->Destroy();
    byResource->Destroy();
    releasedArrays = nullptr;
    auto freed = [&](const void* p) {
        return std::find(released.begin(), released.end(), p) != released.end();
    };
    EXPECT_TRUE(freed(copy));
    EXPECT_FALSE(freed(MAKEINTRESOURCEA(100)));
    EXPECT_FALSE(freed(MAKEINTRESOURCEA(9)));
}

TEST_F(DialogTest, ModelessDialogClosesItselfAndAnswersQueryEndSession) {
    auto* dialog = new ShadedDialog(main, TEST_DIALOG_NAMED);
    auto* refusing = new RefusingButton(dialog, IDCANCEL);
    ASSERT_TRUE(dialog->Realize());
    HWND handle = dialog->Handle;
    ASSERT_NE(handle, nullptr);
    EXPECT_FALSE(dialog->IsModal);
    EXPECT_TRUE(dialog->HasFlags(WindowObject::KeyboardHandler));
    EXPECT_EQ(WindowObject::ObjectFromHandle(handle), dialog);
    EXPECT_EQ(SendMessageA(handle, ObjectPtrMessage, 0, 0),
              reinterpret_cast<LRESULT>(static_cast<WindowObject*>(dialog)));
    EXPECT_EQ(WindowObject::ObjectFromHandle(refusing->Handle), refusing);

    // Refusing: the dialog procedure answers 1 (handled), the sender gets 0.
    EXPECT_EQ(ObjectDialogProc(handle, WM_QUERYENDSESSION, 0, 0), 1);
    EXPECT_EQ(SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), 0);
    // A message no class handles is left to the dialog manager.
    EXPECT_EQ(ObjectDialogProc(handle, UntouchedMessage, 0, 0), 0);
    ui_test::Click(ui_test::FindChild(handle, IDOK));  // refused too
    EXPECT_TRUE(IsWindow(handle));

    refusing->allowClose = true;
    EXPECT_EQ(ObjectDialogProc(handle, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_EQ(SendMessageA(handle, WM_QUERYENDSESSION, 0, 0), 1);
    ui_test::Click(ui_test::FindChild(handle, IDOK));
    EXPECT_FALSE(IsWindow(handle));
    EXPECT_EQ(main->LastChild, nullptr);
}

// Values moved between a dialog's items and a caller's buffer.
struct ItemValues {
    char text[16];
    int32_t check;
};

class TransferDialog : public ShadedDialog {
  public:
    explicit TransferDialog(WindowObject* parent, ItemValues* values)
        : ShadedDialog(parent, TEST_DIALOG_NAMED) {
        new EditControl(this, TEST_ITEM_EDIT, sizeof values->text);
        new CheckBox(this, TEST_ITEM_CHECK);
        TransferBuffer = values;
    }
};

TEST_F(DialogTest, TransferFillsTheItemsAndReadsThemBackOnOk) {
    ItemValues values{};
    std::memcpy(values.text, "0123456789ABCDEF", 16);  // no zero: at most 15 are shown
    values.check = BST_CHECKED;
    std::string shown;
    LRESULT checked = 0;
    LRESULT limit = 0;
    int code = ui_test::RunModalDriven(*app, std::make_unique<TransferDialog>(main, &values),
                                       [&](HWND dialog) {
                                           HWND edit = ui_test::FindChild(dialog, TEST_ITEM_EDIT);
                                           HWND check = ui_test::FindChild(dialog, TEST_ITEM_CHECK);
                                           shown = ui_test::WindowText(edit);
                                           checked = SendMessageA(check, BM_GETCHECK, 0, 0);
                                           limit = SendMessageA(edit, EM_GETLIMITTEXT, 0, 0);
                                           SetWindowTextA(edit, "typed");
                                           ui_test::Click(check);
                                           ui_test::Click(ui_test::FindChild(dialog, IDOK));
                                       });
    EXPECT_EQ(code, Dialog::OkCode);
    EXPECT_EQ(shown, "0123456789ABCDE");
    EXPECT_EQ(checked, BST_CHECKED);
    EXPECT_EQ(limit, 15);
    EXPECT_STREQ(values.text, "typed");
    EXPECT_EQ(values.check, BST_UNCHECKED);
}

TEST_F(DialogTest, CancelTransfersNothingBack) {
    ItemValues values{};
    std::strcpy(values.text, "kept");
    int code = ui_test::RunModalDriven(
        *app, std::make_unique<TransferDialog>(main, &values), [&](HWND dialog) {
            SetWindowTextA(ui_test::FindChild(dialog, TEST_ITEM_EDIT), "changed");
            ui_test::Click(ui_test::FindChild(dialog, IDCANCEL));
        });
    EXPECT_EQ(code, Dialog::CancelCode);
    EXPECT_STREQ(values.text, "kept");
}

}  // namespace
