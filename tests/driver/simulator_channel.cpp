#include "tests/driver/simulator_channel.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "base/hex_text.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int ReplyTimeoutMs = 4000;
constexpr int RestartTimeoutMs = 15000;

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

std::string ReadWholeFile(const std::string& unixPath) {
    std::ifstream file(WinePath(unixPath), std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream stream(text);
    std::string line;
    while (std::getline(stream, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

bool ParseHexByte(const std::string& word, uint8_t& value) {
    if (word.size() != 2) return false;
    unsigned number = 0;
    for (char c : word) {
        number <<= 4;
        if (c >= '0' && c <= '9')
            number |= static_cast<unsigned>(c - '0');
        else if (c >= 'A' && c <= 'F')
            number |= static_cast<unsigned>(c - 'A' + 10);
        else
            return false;
    }
    value = static_cast<uint8_t>(number);
    return true;
}

TraceFrame ParseTraceLine(const std::string& line) {
    TraceFrame frame;
    const size_t open = line.find(" (");
    std::string head = line;
    if (open != std::string::npos && line.back() == ')') {
        frame.note = line.substr(open + 2, line.size() - open - 3);
        head = line.substr(0, open);
    }
    std::istringstream words(head);
    std::string time, direction, word;
    if (!(words >> time >> direction) || direction.size() != 1) return frame;
    frame.seconds = std::atof(time.c_str());
    frame.direction = direction[0];
    uint8_t byte = 0;
    while (words >> word && ParseHexByte(word, byte))
        frame.bytes.push_back(byte);
    return frame;
}

bool WriteFifoLine(const std::string& unixPath, const std::string& line) {
    HANDLE fifo =
        CreateFileA(WinePath(unixPath).c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (fifo == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const BOOL ok =
        WriteFile(fifo, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(fifo);
    return ok && written == line.size();
}

bool IsStoredSetting(const std::string& line) {
    // Process values, the clock, faults and counters change without the tool.
    for (const char* moving : {"process ", "sensor-broken ", "fault ", "answered "})
        if (line.rfind(moving, 0) == 0) return false;
    return !line.empty() && line != "ok";
}

}  // namespace

std::string TraceFrame::Hex() const {
    return HexText(bytes);
}

std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

void Pause(int ms) {
    Sleep(static_cast<DWORD>(ms));
}

bool SimulatorChannel::FromEnvironment(std::string& error) {
    control = Environment("ZR3_SIM_CONTROL");
    trace = Environment("ZR3_SIM_TRACE");
    replies = Environment("ZR3_SIM_REPLIES");
    for (const std::string* path : {&control, &trace, &replies}) {
        if (path->empty() || (*path)[0] != '/') {
            error = "ZR3_SIM_CONTROL, ZR3_SIM_TRACE and ZR3_SIM_REPLIES must be Unix paths";
            return false;
        }
    }
    work = Environment("ZR3_FM_WORK");
    if (!work.empty() && work[0] != '/') {
        error = "ZR3_FM_WORK must be a Unix path";
        return false;
    }
    return true;
}

size_t SimulatorChannel::RepliesSize() const {
    return ReadWholeFile(replies).size();
}

std::vector<std::string> SimulatorChannel::ReplyLinesFrom(size_t offset, size_t& end) const {
    const std::string text = ReadWholeFile(replies);
    end = text.size();
    if (offset >= text.size()) return {};
    // Only whole lines: the simulator may be in the middle of writing one.
    const size_t lastNewline = text.rfind('\n');
    if (lastNewline == std::string::npos || lastNewline < offset) return {};
    return SplitLines(text.substr(offset, lastNewline + 1 - offset));
}

bool SimulatorChannel::Control(const std::string& command, std::vector<std::string>* reply) {
    const size_t offset = RepliesSize();
    if (!WriteFifoLine(control, command + "\n")) return false;
    const auto end = Clock::now() + std::chrono::milliseconds(ReplyTimeoutMs);
    for (;;) {
        size_t size = 0;
        std::vector<std::string> lines = ReplyLinesFrom(offset, size);
        for (size_t i = 0; i < lines.size(); ++i) {
            if (lines[i].rfind("ok", 0) == 0 || lines[i].rfind("error:", 0) == 0) {
                lines.resize(i + 1);
                if (reply != nullptr) *reply = lines;
                return lines.back().rfind("ok", 0) == 0;
            }
        }
        if (Clock::now() > end) return false;
        Pause(20);
    }
}

bool SimulatorChannel::Control(const std::string& command, std::string& error) {
    std::vector<std::string> reply;
    if (Control(command, &reply)) return true;
    error = "the simulator refused \"" + command + "\"" +
            (reply.empty() ? std::string(" (no reply)") : ": " + reply.back());
    return false;
}

std::vector<std::string> SimulatorChannel::StoredState() {
    std::vector<std::string> reply;
    if (!Control("show", &reply)) return {"<no show reply>"};
    std::vector<std::string> stored;
    for (const auto& line : reply)
        if (IsStoredSetting(line)) stored.push_back(line);
    return stored;
}

std::string SimulatorChannel::Shown(const std::string& key) {
    std::vector<std::string> reply;
    if (!Control("show", &reply)) return "<no show reply>";
    for (const auto& line : reply)
        if (line.rfind(key + " ", 0) == 0) return line.substr(key.size() + 1);
    return "<not shown>";
}

std::vector<TraceFrame> SimulatorChannel::Trace() const {
    std::vector<TraceFrame> frames;
    const std::string text = ReadWholeFile(trace);
    const size_t lastNewline = text.rfind('\n');
    if (lastNewline == std::string::npos) return frames;
    for (const auto& line : SplitLines(text.substr(0, lastNewline + 1)))
        frames.push_back(ParseTraceLine(line));
    return frames;
}

std::vector<TraceFrame> SimulatorChannel::Since(size_t mark) const {
    std::vector<TraceFrame> frames = Trace();
    if (mark >= frames.size()) return {};
    return std::vector<TraceFrame>(frames.begin() + static_cast<long>(mark), frames.end());
}

bool SimulatorChannel::Quiet() const {
    size_t expecting = 0, answered = 0;
    for (const auto& frame : Trace()) {
        if (frame.IsRequest() && frame.note != "no answer") ++expecting;
        if (frame.IsAnswer()) ++answered;
    }
    return answered >= expecting;
}

bool SimulatorChannel::WaitQuiet(int timeoutMs) const {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!Quiet()) {
        if (Clock::now() > end) return false;
        Pause(50);
    }
    return true;
}

bool SimulatorChannel::Stop(std::string& error) {
    std::vector<std::string> reply;
    if (!Control("quit", &reply)) {
        error = "the simulator did not take \"quit\"";
        return false;
    }
    // It closes its terminal right after the reply.
    Pause(300);
    return true;
}

bool SimulatorChannel::Restart(std::string& error) {
    if (!CanRestart()) {
        error = "no ZR3_FM_WORK: nobody serves a restart";
        return false;
    }
    ++restarts;
    const std::string number = std::to_string(restarts);
    const std::string done = work + "/restart.done." + number;
    {
        std::ofstream request(WinePath(work + "/restart.request." + number));
        request << number << "\n";
    }
    const auto end = Clock::now() + std::chrono::milliseconds(RestartTimeoutMs);
    for (;;) {
        std::vector<std::string> lines = SplitLines(ReadWholeFile(done));
        if (!lines.empty() && lines.back() == "end") {
            std::string newControl, newTrace, newReplies;
            for (const auto& line : lines) {
                if (line.rfind("control=", 0) == 0) newControl = line.substr(8);
                if (line.rfind("trace=", 0) == 0) newTrace = line.substr(6);
                if (line.rfind("replies=", 0) == 0) newReplies = line.substr(8);
            }
            if (newControl.empty() || newTrace.empty() || newReplies.empty()) {
                error = "the restarted simulator's paths are incomplete";
                return false;
            }
            control = newControl;
            trace = newTrace;
            replies = newReplies;
            return true;
        }
        if (Clock::now() > end) {
            error = "no simulator was restarted within 15 s";
            return false;
        }
        Pause(100);
    }
}
