#include "ui/dialogs/relay_dialog.h"

#include <cstddef>
#include <cstring>
#include <string>

#include "link/converter_link.h"
#include "resources/dialog_ids.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/static_text.h"
#include "ui/framework/value_text.h"

namespace {

constexpr int ValueDecimals = 1;
constexpr char CloseValueRefusal[] = "The close value must be a number, such as 12.5 or 12,5.";
constexpr char OpenValueRefusal[] = "The open value must be a number, such as 12.5 or 12,5.";
constexpr char NotConfirmed[] =
    "The converter did not confirm the relay settings. The fields show what it holds now.";
constexpr char NotConfirmedNorRead[] =
    "The converter did not confirm the relay settings, and what it holds could not be read back.";
constexpr char CloseDelayRefusal[] = "The close delay must be a whole number from 0 to 65535.";
constexpr char OpenDelayRefusal[] = "The open delay must be a whole number from 0 to 65535.";

}  // namespace

RelayDialog::RelayDialog(WindowObject* parent, ConverterLink& link)
    : ShadedDialog(parent, TemplateId), link(&link) {
    variantField = new ValueField(this, IDC_RELAY_VARIANT);
    closeValueEdit = new NumberEdit(this, IDC_RELAY_CLOSE_VALUE);
    closeDelayEdit = new NumberEdit(this, IDC_RELAY_CLOSE_DELAY);
    openValueEdit = new NumberEdit(this, IDC_RELAY_OPEN_VALUE);
    openDelayEdit = new NumberEdit(this, IDC_RELAY_OPEN_DELAY);
}

void RelayDialog::SetUp() {
    ShadedDialog::SetUp();
    uint8_t variant = 0;
    if (!link->ReadRelayVariant(variant)) {
        variantField->SetText("Communication error");
        return;
    }
    variantField->SetRelayKind(variant);
    RelaySettings settings;
    if (!link->ReadRelaySettings(settings)) {
        variantField->SetText("Communication error");
        return;
    }
    ShowSettings(settings);
    settingsRead = true;
}

void RelayDialog::ShowSettings(const RelaySettings& settings) {
    closeValueEdit->SetFixed(settings.closeValue, ValueDecimals);
    openValueEdit->SetFixed(settings.openValue, ValueDecimals);
    closeDelayEdit->SetInteger(settings.closeDelay);
    openDelayEdit->SetInteger(settings.openDelay);
}

void RelayDialog::OnOk(WindowMessage& message) {
    // Edits that were never filled from the converter must not replace its settings.
    if (settingsRead) {
        // Checked in the order of the edits; the first that is not a number is refused.
        const std::optional<float> closeValue = ReadValue(closeValueEdit, CloseValueRefusal);
        if (!closeValue) return;
        const std::optional<uint16_t> closeDelay = ReadDelay(closeDelayEdit, CloseDelayRefusal);
        if (!closeDelay) return;
        const std::optional<float> openValue = ReadValue(openValueEdit, OpenValueRefusal);
        if (!openValue) return;
        const std::optional<uint16_t> openDelay = ReadDelay(openDelayEdit, OpenDelayRefusal);
        if (!openDelay) return;
        RelaySettings settings{*closeValue, *openValue, *closeDelay, *openDelay};
        if (!link->WriteRelaySettings(settings)) {
            // The dialog stays open on what the converter holds, or says that it is not known.
            RelaySettings held;
            const bool read = link->ReadRelaySettings(held);
            if (read) ShowSettings(held);
            showMessage(Handle, read ? NotConfirmed : NotConfirmedNorRead);
            return;
        }
    }
    ShadedDialog::OnOk(message);
}

std::optional<float> RelayDialog::ReadValue(NumberEdit* edit, const char* refusal) {
    if (edit->IsEmpty()) return 0.0f;
    std::optional<float> value = edit->GetFloat();
    if (!value) {
        showMessage(Handle, refusal);
        edit->FocusAndSelectAll();
    }
    return value;
}

std::optional<uint16_t> RelayDialog::ReadDelay(NumberEdit* edit, const char* refusal) {
    const std::string text = value_text::GetWholeText(edit->Handle);
    std::optional<uint16_t> delay = DelayFromText(text.c_str());
    if (!delay) {
        showMessage(Handle, refusal);
        edit->FocusAndSelectAll();
    }
    return delay;
}

std::optional<uint16_t> RelayDialog::DelayFromText(const char* text) {
    const char* digits = text;
    bool negative = false;
    if (*digits == '+' || *digits == '-') {
        negative = *digits == '-';
        ++digits;
    }
    const size_t length = std::strlen(digits);
    if (length == 0 && digits == text) return 0;
    if (length == 0 || std::strspn(digits, "0123456789") != length) return std::nullopt;
    // Saturates: any number above the limit is refused the same way.
    uint32_t value = 0;
    for (const char* c = digits; *c != '\0' && value <= 65535; ++c)
        value = value * 10 + static_cast<uint32_t>(*c - '0');
    if (value > 65535 || (negative && value != 0)) return std::nullopt;
    return static_cast<uint16_t>(value);
}
