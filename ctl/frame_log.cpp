#include "ctl/frame_log.h"

#include <chrono>
#include <cstdio>

#include "ctl/time_stamp.h"

FrameLogPort::FrameLogPort(std::unique_ptr<SerialPort> port, std::ostream& log)
    : port(std::move(port)), log(&log) {}

FrameLogPort::~FrameLogPort() {
    FlushAnswer();
}

bool FrameLogPort::Open(const char* path) {
    return port->Open(path);
}

void FrameLogPort::Close() {
    FlushAnswer();
    port->Close();
}

bool FrameLogPort::IsOpen() const {
    return port->IsOpen();
}

void FrameLogPort::Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize, uint8_t parity,
                             uint8_t stopBits) {
    port->Configure(flags, baudRate, byteSize, parity, stopBits);
}

bool FrameLogPort::SetTimeouts(const LineTimeouts& timeouts) {
    return port->SetTimeouts(timeouts);
}

size_t FrameLogPort::Read(uint8_t* buffer, size_t count) {
    const size_t n = port->Read(buffer, count);
    answer.insert(answer.end(), buffer, buffer + n);
    // A whole answer frame, or a read that ran into its time-out, ends the line.
    const bool whole = answer.size() >= 2 && answer[0] == 0x06 && answer.size() >= answer[1] + 3u;
    if (whole || n < count) FlushAnswer();
    return n;
}

size_t FrameLogPort::Write(const uint8_t* buffer, size_t count) {
    FlushAnswer();
    Line('>', buffer, count);
    return port->Write(buffer, count);
}

void FrameLogPort::Purge(uint32_t flags) {
    FlushAnswer();
    port->Purge(flags);
}

bool FrameLogPort::LineGone() const {
    return port->LineGone();
}

OpenProblem FrameLogPort::LastOpenProblem() const {
    return port->LastOpenProblem();
}

void FrameLogPort::FlushAnswer() {
    if (answer.empty()) return;
    Line('<', answer.data(), answer.size());
    answer.clear();
}

void FrameLogPort::Line(char direction, const uint8_t* bytes, size_t count) {
    std::string text = IsoTimeStamp(std::chrono::system_clock::now(), true) + ' ' + direction;
    for (size_t i = 0; i < count; ++i) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        text += hex;
    }
    *log << text << '\n';
    log->flush();
}
