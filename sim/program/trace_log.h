#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// The frame trace: "12.345678 > 01 44 00 BB", one line per frame, written at once.
class TraceLog {
  public:
    TraceLog() = default;
    TraceLog(const TraceLog&) = delete;
    TraceLog& operator=(const TraceLog&) = delete;
    ~TraceLog();

    bool Open(const std::string& path);
    bool IsOpen() const { return file != nullptr; }
    // direction: '>' request, '<' answer, '?' bytes skipped on the line.
    void Write(uint64_t microseconds, char direction, const std::vector<uint8_t>& bytes,
               const std::string& note = {});

  private:
    std::FILE* file = nullptr;
};

// "12.345678": seconds with six decimals.
std::string TraceTime(uint64_t microseconds);
