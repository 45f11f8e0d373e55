#include "ui/dialogs/user_message.h"

void ShowUserMessage(HWND owner, const char* text) {
    AskUser(owner, text, MB_OK);
}

int AskUser(HWND owner, const char* text, UINT buttons) {
    char caption[64] = "";
    if (owner != nullptr) GetWindowTextA(owner, caption, sizeof caption);
    return MessageBoxA(owner, text, caption, buttons | MB_ICONEXCLAMATION);
}
