#include "ctl/change_progress.h"

#include "ctl/exit_status.h"
#include "ctl/terminal.h"

namespace {

std::string Names(const std::vector<SettingId>& ids) {
    if (ids.empty()) return "nothing";
    std::string text;
    for (SettingId id : ids)
        text += (text.empty() ? "" : ", ") + std::string(NameOf(id));
    return text;
}

}  // namespace

std::string InterruptedChangeText(const ChangeProgress& progress) {
    std::string text = "interrupted; written: " + Names(progress.written);
    if (!progress.failed.empty()) text += "; failed: " + Names(progress.failed);
    if (!progress.left.empty()) text += "; not written: " + Names(progress.left);
    return text;
}

void EndIfInterrupted(const ChangeProgress& progress) {
    if (Interrupted()) throw CommandFailure(InterruptedStatus(), InterruptedChangeText(progress));
}
