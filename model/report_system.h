#pragma once

#include <optional>
#include <string>

#include "base/base_object.h"

// What the probe report needs from the system: a file name chosen by the user and the current
// local date and time as texts. Tests supply their own.
class ReportSystem : public BaseObject {
  public:
    // The name of the file to write, asked with owner (a native window, or null) as the parent
    // of the question; nothing when the user cancels or no name can be asked for.
    virtual std::optional<std::string> AskFileName(void* owner) = 0;
    // The user's short date form of today.
    virtual std::string DateText() = 0;
    // The user's time form of now.
    virtual std::string TimeText() = 0;
};

// The platform's own: the save-file dialog and the user's date and time formats on Windows;
// elsewhere no dialog (always cancelled) and the C locale's short forms.
ReportSystem& PlatformReportSystem();
