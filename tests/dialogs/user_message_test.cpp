#include <string>

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/dialogs/dialog_fixture.h"
#include "ui/dialogs/user_message.h"

namespace {

class UserMessageTest : public DialogTest {};

TEST_F(UserMessageTest, TheDefaultIsAMessageBoxCaptionedLikeItsOwner) {
    HWND owner = Parent()->Handle;
    SetWindowTextA(owner, "Relay");
    std::string caption, text;
    bool ownedByOwner = false;
    ui_test::DriveNextDialog(
        [&] { ShowUserMessage(owner, "The points do not determine the curve."); },
        [&](HWND box) {
            caption = ui_test::WindowText(box);
            text = ui_test::WindowText(GetDlgItem(box, 0xFFFF));
            ownedByOwner = GetWindow(box, GW_OWNER) == owner;
            ui_test::SendCommand(box, IDOK);
        });
    EXPECT_EQ(caption, "Relay");
    EXPECT_EQ(text, "The points do not determine the curve.");
    EXPECT_TRUE(ownedByOwner);
}

}  // namespace
