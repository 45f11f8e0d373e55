#include "ui/dialogs/user_message.h"

void ShowUserMessage(HWND owner, const char* text) {
    char caption[64] = "";
    if (owner != nullptr) GetWindowTextA(owner, caption, sizeof caption);
    MessageBoxA(owner, text, caption, MB_OK | MB_ICONEXCLAMATION);
}
