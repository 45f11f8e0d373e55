#include "ui/framework/visual_style.h"

#include "ui/framework/system_library.h"

namespace {

using SetWindowThemeFunction = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

// uxtheme is looked up, not linked: the program needs no DLL beyond the oldest system's own. It
// comes from the system folder only, never from beside the program.
SetWindowThemeFunction ThemeFunction() {
    static const auto function = [] {
        HMODULE module = LoadSystemLibrary("uxtheme.dll");
        return module != nullptr ? reinterpret_cast<SetWindowThemeFunction>(reinterpret_cast<void*>(
                                       GetProcAddress(module, "SetWindowTheme")))
                                 : nullptr;
    }();
    return function;
}

}  // namespace

bool DrawWithoutTheme(HWND control) {
    SetWindowThemeFunction function = ThemeFunction();
    if (control == nullptr || function == nullptr) return false;
    // A blank names no theme class: the control falls back to its classic drawing. (An empty
    // name would do on Windows, but not under Wine, which cannot store it.)
    return SUCCEEDED(function(control, L" ", L" "));
}
