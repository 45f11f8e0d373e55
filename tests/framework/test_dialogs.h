#pragma once

// Dialog templates of the framework tests (test_dialogs.rc).
#define TEST_DIALOG_OK_ONLY 100          // OK button only: Esc must still end a shaded dialog
#define TEST_DIALOG_NAMED "NAMEDDIALOG"  // OK and Cancel, by name

#define TEST_ITEM_EDIT 101
#define TEST_ITEM_FIELD 102
#define TEST_ITEM_CHECK 103
#define TEST_ITEM_LIST 104
#define TEST_ITEM_PROGRESS 106
#define TEST_ITEM_START 107
