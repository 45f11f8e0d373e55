#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

// zr3sim as a child process: its slave path, its control channel on stdin, its replies on stdout.
class SimProcess {
  public:
    SimProcess() = default;
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;
    ~SimProcess();

    // Starts zr3sim with these options and waits for the path line; false if it does not come.
    bool Start(const std::vector<std::string>& arguments);
    const std::string& path() const { return slavePath; }
    // A name for ConverterLink::Open: the slave path, or a short link to it when the path is
    // longer than a port name may be.
    const std::string& portName() const { return shortName; }
    // Sends one control command and returns its reply lines up to the "ok"/"error" line.
    std::vector<std::string> Command(const std::string& line);
    // True if the command was answered with "ok".
    bool Ok(const std::string& line);
    void CloseStdin();
    // SIGTERM and wait; the exit status (or -1 when it did not end within the time).
    int Stop();
    // Waits for the process to end by itself; -1 after `ms` without an end.
    int WaitExit(int ms);
    pid_t pid() const { return child; }

  private:
    bool ReadLine(std::string& line, int ms);

    pid_t child = -1;
    int toChild = -1;
    int fromChild = -1;
    std::string buffered;
    std::string slavePath;
    std::string shortName;
    bool ownLink = false;
};

struct ProgramRun {
    int status = -1;
    std::string out;
    std::string err;
};

// A program started in the background with no input, to be signalled while it runs.
class BackgroundProgram {
  public:
    BackgroundProgram() = default;
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;
    ~BackgroundProgram();

    bool Start(const std::string& program, const std::vector<std::string>& arguments);
    void Signal(int signal);
    // Collects its output until it ends (killed after `timeoutMs`) and its exit status: the
    // program's own, or 128 + the signal that ended it.
    ProgramRun Finish(int timeoutMs);

  private:
    pid_t child = -1;
    int out = -1;
    int err = -1;
};

// Runs zr3sim to its end with no input (for --help and bad options).
ProgramRun RunSimToEnd(const std::vector<std::string>& arguments, int timeoutMs = 5000);
// Runs any program to its end with no input (stdin closed at once), collecting its output.
ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      int timeoutMs = 5000);
