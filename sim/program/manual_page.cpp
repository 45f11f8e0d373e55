// zr3sim's manual page, made from its --help text so that the two never differ.
#include <sstream>

#include "base/roff_text.h"
#include "sim/program/command_line.h"
#include "zr3_version.h"

namespace {

std::string Trimmed(const std::string& line) {
    const size_t start = line.find_first_not_of(' ');
    return start == std::string::npos ? "" : line.substr(start);
}

}  // namespace

std::string SimManualPage() {
    std::string page = ".TH ZR3SIM 1 \"\" \"zr3sim " ZR3_VERSION "\" \"User Commands\"\n";
    page += ".SH NAME\nzr3sim \\- a simulated ZR3 conductivity converter on a pseudo-terminal\n";
    page += ".SH SYNOPSIS\n.B zr3sim\n[\\fIOPTION\\fR]...\n.SH DESCRIPTION\n";
    std::istringstream usage(SimUsage());
    std::string line;
    std::getline(usage, line);  // the usage line: the synopsis above
    bool inList = false;
    while (std::getline(usage, line)) {
        if (line.empty()) {
            page += ".PP\n";
            inList = false;
        } else if (line.rfind("  --", 0) == 0 || line.rfind("  -", 0) == 0) {
            // "  --name ARG          what it does": the option, then its text.
            const size_t gap = line.find("  ", 2);
            page += ".TP\n.B " + RoffText(Trimmed(line.substr(0, gap))) + "\n";
            if (gap != std::string::npos) page += RoffText(Trimmed(line.substr(gap))) + "\n";
            inList = true;
        } else if (line.rfind("    ", 0) == 0 && inList) {
            page += RoffText(Trimmed(line)) + "\n";
        } else if (line.back() == ':' && line[0] != ' ') {
            page += ".SS " + RoffText(line.substr(0, line.size() - 1)) + "\n";
            inList = false;
        } else if (line.rfind("  ", 0) == 0) {
            page += ".IP \"\" 2\n" + RoffText(Trimmed(line)) + "\n";
        } else {
            page += RoffText(line) + "\n";
        }
    }
    page +=
        ".SH EXIT STATUS\n0 after SIGINT, SIGTERM or the quit command; 1 when the terminal or "
        "the device cannot be served; 2 for a bad option.\n";
    page += ".SH EXAMPLES\n.nf\n" +
            RoffText(
                "zr3sim --line-timing --trace /tmp/zr3.trace\n"
                "zr3sim --firmware 1.01 --fault 'checksum next 2'\n") +
            ".fi\n.SH SEE ALSO\n\\fBzr3ctl\\fR(1)\n";
    return page;
}
