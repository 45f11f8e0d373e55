#include <time.h>

#include "model/report_system.h"

namespace {

std::string LocalTimeText(const char* format) {
    time_t now = time(nullptr);
    struct tm local {};
    if (localtime_r(&now, &local) == nullptr) return std::string();
    char buffer[260];
    size_t length = strftime(buffer, sizeof buffer, format, &local);
    return std::string(buffer, length);
}

class PosixReportSystem : public ReportSystem {
  public:
    std::optional<std::string> AskFileName(void*) override { return std::nullopt; }
    std::string DateText() override { return LocalTimeText("%x"); }
    std::string TimeText() override { return LocalTimeText("%X"); }
};

}  // namespace

ReportSystem& PlatformReportSystem() {
    static PosixReportSystem system;
    return system;
}
