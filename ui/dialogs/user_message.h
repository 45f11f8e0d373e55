#pragma once

#include <functional>

#include <windows.h>

// Tells the user something in a message box owned by a dialog. Dialogs hold one of these so that
// tests can take the message instead of a box appearing.
using UserMessage = std::function<void(HWND owner, const char* text)>;

// The default: MessageBoxA owned by the window, its title as caption, OK and the warning icon.
void ShowUserMessage(HWND owner, const char* text);

// Asks the user with the given buttons (MB_RETRYCANCEL, ...) in a message box owned by a dialog;
// returns the button pressed (IDRETRY, IDCANCEL, ...). Tests answer instead of a box appearing.
using UserQuestion = std::function<int(HWND owner, const char* text, UINT buttons)>;

// The default: MessageBoxA owned by the window, its title as caption, the warning icon.
int AskUser(HWND owner, const char* text, UINT buttons);
