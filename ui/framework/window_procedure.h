#pragma once

#include <windows.h>

class WindowObject;

// The binding of native windows to window objects, without executable code: the object's address
// is kept in a window property, and one common window procedure and one common dialog procedure
// look it up for every message. A window that has no binding yet takes CreatingObject on its first
// message. The binding goes away on WM_NCDESTROY (the object's Handle becomes null); later messages
// never reach the object.

// Window procedure of the class "ZR3Window" and of every subclassed control.
LRESULT CALLBACK ObjectWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Dialog procedure of every dialog object (modal and modeless).
INT_PTR CALLBACK ObjectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The object bound to a window of this process, or null (no messages sent).
WindowObject* BoundObject(HWND window);
// Binds object to window (sets the property); the object's Handle is set as well.
void BindObject(HWND window, WindowObject* object);
