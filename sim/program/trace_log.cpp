#include "sim/program/trace_log.h"

#include "base/hex_text.h"

TraceLog::~TraceLog() {
    if (file) std::fclose(file);
}

bool TraceLog::Open(const std::string& path) {
    if (file) std::fclose(file);
    file = std::fopen(path.c_str(), "w");
    return file != nullptr;
}

std::string TraceTime(uint64_t microseconds) {
    std::string fraction = std::to_string(microseconds % 1000000);
    fraction.insert(0, 6 - fraction.size(), '0');
    return std::to_string(microseconds / 1000000) + "." + fraction;
}

void TraceLog::Write(uint64_t microseconds, char direction, const std::vector<uint8_t>& bytes,
                     const std::string& note) {
    if (!file) return;
    std::string line = TraceTime(microseconds) + " " + direction;
    if (!bytes.empty()) {
        line += ' ';
        line += HexText(bytes);
    }
    if (!note.empty()) {
        line += " (";
        line += note;
        line += ')';
    }
    line += "\n";
    std::fputs(line.c_str(), file);
    std::fflush(file);
}
