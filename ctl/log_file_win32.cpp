#include <windows.h>

#include "ctl/log_file.h"

namespace {

std::string Reason(const char* what) {
    return std::string(what) + " (Windows error " + std::to_string(GetLastError()) + ")";
}

class Win32LogFile : public LogFile {
  public:
    explicit Win32LogFile(HANDLE file) : file(file) {}
    ~Win32LogFile() override { CloseHandle(file); }

    bool Append(const std::string& line, std::string& why) override {
        OVERLAPPED whole{};
        if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK, 0, MAXDWORD, MAXDWORD, &whole)) {
            why = Reason("cannot lock the log");
            return false;
        }
        const bool ok = AppendLocked(line, why);
        OVERLAPPED again{};
        UnlockFileEx(file, 0, MAXDWORD, MAXDWORD, &again);
        return ok;
    }

  private:
    bool AppendLocked(const std::string& line, std::string& why) {
        LARGE_INTEGER size{};
        if (!GetFileSizeEx(file, &size)) {
            why = Reason("cannot read the log");
            return false;
        }
        char last = '\n';
        if (size.QuadPart > 0) {
            OVERLAPPED at{};
            const ULONGLONG offset = static_cast<ULONGLONG>(size.QuadPart - 1);
            at.Offset = static_cast<DWORD>(offset);
            at.OffsetHigh = static_cast<DWORD>(offset >> 32);
            DWORD got = 0;
            if (!ReadFile(file, &last, 1, &got, &at) || got != 1) {
                why = Reason("cannot read the log");
                return false;
            }
        }
        std::string text = last == '\n' ? "" : "\n";
        text += line + "\n";
        // Opened for appending data only: every write goes to the end.
        OVERLAPPED end{};
        end.Offset = MAXDWORD;
        end.OffsetHigh = MAXDWORD;
        DWORD written = 0;
        if (!WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, &end) ||
            written != text.size()) {
            why = Reason("cannot write the log");
            return false;
        }
        if (!FlushFileBuffers(file)) {
            why = Reason("cannot flush the log to the disk");
            return false;
        }
        return true;
    }

    HANDLE file = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<LogFile> OpenLogFile(const std::string& path, std::string& why) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | FILE_APPEND_DATA,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        why = Reason("cannot open");
        return nullptr;
    }
    return std::make_unique<Win32LogFile>(file);
}
