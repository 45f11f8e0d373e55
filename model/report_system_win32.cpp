#include <windows.h>

#include <commdlg.h>

#include "model/report_system.h"

namespace {

// The 32-bit structure is 88 bytes; a 64-bit build passes its own, larger size.
static_assert(sizeof(void*) != 4 || sizeof(OPENFILENAMEA) == 88);

constexpr DWORD SaveDialogFlags =
    OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_ENABLEHOOK | OFN_OVERWRITEPROMPT;
static_assert(SaveDialogFlags == 0x80822);

// The hook leaves every message to the dialog's own handling.
UINT_PTR CALLBACK SaveDialogHook(HWND, UINT, WPARAM, LPARAM) {
    return 0;
}

// Date and time texts of at most 259 characters.
constexpr int TextLimit = 259;

class Win32ReportSystem : public ReportSystem {
  public:
    std::optional<std::string> AskFileName(void* owner) override {
        char fileName[MAX_PATH] = {};
        OPENFILENAMEA dialog{};
        dialog.lStructSize = sizeof(OPENFILENAMEA);
        dialog.hwndOwner = static_cast<HWND>(owner);
        // One entry, the list ended by an empty string (the literal's own zero).
        dialog.lpstrFilter = "Text file\0*.txt\0";
        dialog.nFilterIndex = 0;
        dialog.lpstrFile = fileName;
        dialog.nMaxFile = MAX_PATH;
        dialog.Flags = SaveDialogFlags;
        dialog.lpstrDefExt = "txt";
        dialog.lpfnHook = SaveDialogHook;
        if (!GetSaveFileNameA(&dialog)) return std::nullopt;
        fileName[MAX_PATH - 1] = '\0';
        return std::string(fileName);
    }

    std::string DateText() override {
        char buffer[TextLimit + 1] = {};
        int length = GetDateFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buffer, TextLimit);
        return length > 0 ? std::string(buffer) : std::string();
    }

    std::string TimeText() override {
        char buffer[TextLimit + 1] = {};
        int length = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buffer, TextLimit);
        return length > 0 ? std::string(buffer) : std::string();
    }
};

}  // namespace

ReportSystem& PlatformReportSystem() {
    static Win32ReportSystem system;
    return system;
}
