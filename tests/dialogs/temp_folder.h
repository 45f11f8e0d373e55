#pragma once

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <windows.h>

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempFolder {
  public:
    TempFolder() {
        static std::atomic<int> serial{0};
        path = std::filesystem::temp_directory_path() /
               ("zr3-dialogs-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(serial++));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    std::string File(const std::string& name) const { return (path / name).string(); }

  private:
    std::filesystem::path path;
};

inline std::string ReadFileText(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool FileExists(const std::string& name) {
    return std::filesystem::exists(name);
}
