#pragma once

#include <memory>
#include <string>

// A log that is only ever appended to. Each Append writes one whole line under an exclusive lock
// of the file (so that several processes may append at once), starting it on a line of its own
// when the file does not end with a line end (a line cut by a crash stays alone), and flushes it
// to the disk before it returns.
class LogFile {
  public:
    virtual ~LogFile() = default;
    // line without its line end; false with the reason in words when it is not on the disk.
    virtual bool Append(const std::string& line, std::string& why) = 0;
};

// Opens (or creates) the log at path for appending; nothing, with the reason, when it cannot.
std::unique_ptr<LogFile> OpenLogFile(const std::string& path, std::string& why);
