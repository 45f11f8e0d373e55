#pragma once

#include <optional>

#include "ui/dialogs/user_message.h"
#include "ui/framework/shaded_dialog.h"

class ConverterLink;
struct RelaySettings;
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

    // The delay typed into an edit: empty gives 0; a whole number (optional sign, digits) from 0
    // to 65535 gives itself; anything else gives nothing (a blank, a point, an exponent, a number
    // that does not fit the converter's 16-bit field).
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
    // The number in a value edit (empty gives 0), or nothing after the user has been told.
    std::optional<float> ReadValue(NumberEdit* edit, const char* refusal);
    std::optional<uint16_t> ReadDelay(NumberEdit* edit, const char* refusal);
    void ShowSettings(const RelaySettings& settings);
};
