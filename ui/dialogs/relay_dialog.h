#pragma once

#include <optional>

#include "ui/dialogs/user_message.h"
#include "ui/framework/shaded_dialog.h"

class ConverterLink;
class ValueField;
class NumberEdit;

// Shows the relay variant and edits the relay's switching values and delays, written in one
// transfer on "OK". Template 9.
//
//     app.RunModal(std::make_unique<RelayDialog>(mainWindow, link));
class RelayDialog : public ShadedDialog {
  public:
    static constexpr int TemplateId = 9;

    // The link is borrowed and must outlive the dialog.
    RelayDialog(WindowObject* parent, ConverterLink& link);

    void SetUp() override;
    void OnOk(WindowMessage& message) override;

    // The delay typed into an edit: empty or not a number gives 0 (as for every edit), a number
    // outside 0..65535 gives nothing (it does not fit the converter's 16-bit field).
    static std::optional<uint16_t> DelayFromText(const char* text);

    ValueField* variantField = nullptr;
    NumberEdit* closeValueEdit = nullptr;
    NumberEdit* closeDelayEdit = nullptr;
    NumberEdit* openValueEdit = nullptr;
    NumberEdit* openDelayEdit = nullptr;
    ConverterLink* link = nullptr;
    // The settings were read at opening; only then do the edits hold the converter's values.
    bool settingsRead = false;
    UserMessage showMessage = ShowUserMessage;

  private:
    std::optional<uint16_t> ReadDelay(NumberEdit* edit, const char* refusal);
};
