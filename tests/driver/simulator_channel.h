// The simulated converter as a driver sees it from inside Wine: its control FIFO, the replies it
// prints, its frame trace, and a restart through the script that runs the fault matrix.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// One line of the simulator's trace: "12.345678 > 01 44 00 BB (note)".
struct TraceFrame {
    double seconds = 0.0;
    char direction = 0;  // '>' request, '<' answer, '?' skipped bytes
    std::vector<uint8_t> bytes;
    std::string note;

    bool IsRequest() const { return direction == '>'; }
    bool IsAnswer() const { return direction == '<'; }
    uint8_t Code() const { return bytes.size() > 1 ? bytes[1] : 0; }
    // A request that carries data: every write, and the sensor commit.
    bool IsWrite() const { return IsRequest() && bytes.size() > 4 && bytes[2] > 0; }
    bool Faulted() const { return note.rfind("fault", 0) == 0; }
    std::string Hex() const;
};

class SimulatorChannel {
  public:
    // Paths from ZR3_SIM_CONTROL, ZR3_SIM_TRACE and ZR3_SIM_REPLIES (Unix paths, as sim-com1
    // sets them), and ZR3_FM_WORK where the fault matrix's script serves restarts.
    bool FromEnvironment(std::string& error);
    bool CanRestart() const { return !work.empty(); }

    // Sends one control command and waits for its reply: the lines up to the first that begins
    // with "ok" or "error:". False when no such line came within the time-out.
    bool Control(const std::string& command, std::vector<std::string>* reply = nullptr);
    bool Control(const std::string& command, std::string& error);

    // The converter's stored settings (the lines of "show" that the tool can change).
    std::vector<std::string> StoredState();
    // The value of the "key value" line of "show"; "<not shown>" when there is none.
    std::string Shown(const std::string& key);

    std::vector<TraceFrame> Trace() const;
    // The number of trace lines so far: frames from here on are "since the mark".
    size_t Mark() const { return Trace().size(); }
    std::vector<TraceFrame> Since(size_t mark) const;
    // Every request has had its answer (or its silence) and nothing is left to send.
    bool Quiet() const;
    bool WaitQuiet(int timeoutMs) const;

    // Ends the simulator ("quit"): its pseudo-terminal closes, COM1 points nowhere.
    bool Stop(std::string& error);
    // Asks the matrix script for a new simulator on COM1 and switches to its paths.
    bool Restart(std::string& error);

  private:
    std::vector<std::string> ReplyLinesFrom(size_t offset, size_t& end) const;
    size_t RepliesSize() const;

    std::string control;
    std::string trace;
    std::string replies;
    std::string work;
    int restarts = 0;
};

// A Windows path for a Unix path (Wine's drive Z: is the Unix root).
std::string WinePath(const std::string& unixPath);
void Pause(int ms);
