#include "ui/dialogs/relay_dialog.h"

#include <cstddef>
#include <cstring>

#include "link/converter_link.h"
#include "resources/dialog_ids.h"
#include "ui/framework/edit_control.h"
#include "ui/framework/static_text.h"

namespace {

constexpr int ValueDecimals = 1;
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
    closeValueEdit->SetFixed(settings.closeValue, ValueDecimals);
    openValueEdit->SetFixed(settings.openValue, ValueDecimals);
    closeDelayEdit->SetInteger(settings.closeDelay);
    openDelayEdit->SetInteger(settings.openDelay);
    settingsRead = true;
}

void RelayDialog::OnOk(WindowMessage& message) {
    // Edits that were never filled from the converter must not replace its settings.
    if (settingsRead) {
        RelaySettings settings;
        settings.closeValue = closeValueEdit->GetFloat();
        settings.openValue = openValueEdit->GetFloat();
        std::optional<uint16_t> closeDelay = ReadDelay(closeDelayEdit, CloseDelayRefusal);
        if (!closeDelay) return;
        std::optional<uint16_t> openDelay = ReadDelay(openDelayEdit, OpenDelayRefusal);
        if (!openDelay) return;
        settings.closeDelay = *closeDelay;
        settings.openDelay = *openDelay;
        link->WriteRelaySettings(settings);
    }
    ShadedDialog::OnOk(message);
}

std::optional<uint16_t> RelayDialog::ReadDelay(NumberEdit* edit, const char* refusal) {
    char text[32] = "";
    edit->GetText(text, sizeof text);
    std::optional<uint16_t> delay = DelayFromText(text);
    if (!delay) {
        showMessage(Handle, refusal);
        SetFocus(edit->Handle);
        SendMessageA(edit->Handle, EM_SETSEL, 0, -1);
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
    if (length == 0 || std::strspn(digits, "0123456789") != length) return 0;
    // Saturates: any number above the limit is refused the same way.
    uint32_t value = 0;
    for (const char* c = digits; *c != '\0' && value <= 65535; ++c)
        value = value * 10 + static_cast<uint32_t>(*c - '0');
    if (value > 65535 || (negative && value != 0)) return std::nullopt;
    return static_cast<uint16_t>(value);
}
