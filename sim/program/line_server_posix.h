#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/model/device_model.h"
#include "sim/program/command_line.h"
#include "sim/program/trace_log.h"

// Serves the simulated converter on a pseudo-terminal or a serial device: takes the requests
// off the line, sends the answers at their time (line timing, reaction, slow faults) and runs
// the control commands from stdin and the control FIFO, all in one poll loop.
class LineServer {
  public:
    LineServer(sim::DeviceModel& model, const SimCommandLine& options);
    LineServer(const LineServer&) = delete;
    LineServer& operator=(const LineServer&) = delete;
    ~LineServer();

    // Opens the line (and the control FIFO and the trace); false with a message on failure.
    bool Start(std::string& error);
    // The path a client opens: the slave of the pseudo-terminal or the device.
    const std::string& clientPath() const { return path; }
    // Serves until "quit", SIGINT/SIGTERM/SIGHUP, or the end of stdin when asked.
    void Run();

  private:
    struct OutgoingFrame {
        std::vector<uint8_t> bytes;
        std::vector<uint64_t> dueUs;
        size_t sent = 0;
        sim::FaultKind fault = sim::FaultKind::None;
    };
    struct ControlInput {
        int fd = -1;
        std::string pending;
        bool isStdin = false;
    };

    uint64_t NowUs() const;
    bool OpenPseudoTerminal(std::string& error);
    bool OpenDevice(std::string& error);
    void CloseLine();
    void ReadLine(uint64_t now);
    void HandleBytes(const uint8_t* bytes, size_t count, uint64_t now);
    void Schedule(const sim::Exchange& exchange, uint64_t now);
    void WriteDue(uint64_t now);
    void DropStaleAnswers(uint64_t now);
    bool ReadControl(ControlInput& input);
    void RunCommand(const std::string& line);
    void Reply(const std::string& text);
    int64_t NextWakeUs(uint64_t now) const;

    sim::DeviceModel& model;
    const SimCommandLine& options;
    TraceLog trace;
    std::string path;
    int lineFd = -1;
    int heldSlaveFd = -1;  // keeps the pseudo-terminal alive while no client has it open
    bool linkMade = false;
    bool fifoMade = false;
    std::vector<ControlInput> controls;
    std::deque<OutgoingFrame> outgoing;
    uint64_t lineFreeUs = 0;
    uint64_t lastInputUs = 0;
    uint64_t lastActivityUs = 0;
    uint64_t lastClockUs = 0;
    uint64_t reopenAtUs = 0;
    bool quit = false;
    int64_t startNs = 0;
};

// The descriptor SIGINT, SIGTERM and SIGHUP write to; installed by InstallStopSignals.
bool InstallStopSignals(std::string& error);
