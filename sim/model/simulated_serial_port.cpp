#include "sim/model/simulated_serial_port.h"

#include <algorithm>
#include <limits>

#include "sim/model/line_timing.h"

namespace sim {
namespace {

constexpr uint32_t MaxTimeout = std::numeric_limits<uint32_t>::max();
constexpr double Never = std::numeric_limits<double>::infinity();

}  // namespace

SimulatedSerialPort::SimulatedSerialPort(DeviceModel& model)
    : device(std::shared_ptr<void>(), &model) {}

SimulatedSerialPort::SimulatedSerialPort(std::shared_ptr<DeviceModel> model)
    : device(std::move(model)) {}

SimulatedSerialPort::~SimulatedSerialPort() {
    Close();
}

bool SimulatedSerialPort::Open(const char* portPath) {
    if (missing || portPath == nullptr) return false;
    path = portPath;
    open = true;
    ++opens;
    return true;
}

void SimulatedSerialPort::Close() {
    if (!open) return;
    open = false;
    incoming.clear();
    device->parser().Reset();
}

void SimulatedSerialPort::Configure(uint32_t flags, uint32_t baudRate, uint8_t byteSize,
                                    uint8_t parity, uint8_t stopBits) {
    if (!open) return;
    settings = LineSettings{flags, baudRate, byteSize, parity, stopBits};
}

bool SimulatedSerialPort::SetTimeouts(const LineTimeouts& timeouts) {
    if (!open) return false;
    readTimeouts = timeouts;
    return true;
}

void SimulatedSerialPort::SetLineTiming(bool on, double reaction) {
    lineTiming = on;
    reactionMs = reaction < 0.0 ? 0.0 : reaction;
}

void SimulatedSerialPort::SyncModelClock() {
    if (!driveModelClock || now <= modelSyncedMs) return;
    const auto step = static_cast<uint64_t>(now - modelSyncedMs);
    device->Advance(step);
    modelSyncedMs += static_cast<double>(step);
}

size_t SimulatedSerialPort::Read(uint8_t* buffer, size_t count) {
    if (!open || buffer == nullptr || count == 0) return 0;
    const LineTimeouts& t = readTimeouts;
    // The Win32 rules: MAXDWORD interval with no totals returns at once with what has arrived;
    // no time-outs at all waits for every byte; otherwise a total and an interval limit.
    double deadline = Never;
    double interval = t.ReadIntervalTimeout == 0 ? Never : t.ReadIntervalTimeout;
    bool firstByteOnly = false;
    if (t.ReadIntervalTimeout == MaxTimeout && t.ReadTotalTimeoutMultiplier == 0 &&
        t.ReadTotalTimeoutConstant == 0) {
        deadline = now;
        interval = Never;
    } else if (t.ReadIntervalTimeout == MaxTimeout && t.ReadTotalTimeoutMultiplier == MaxTimeout) {
        deadline = now + t.ReadTotalTimeoutConstant;
        interval = Never;
        firstByteOnly = true;
    } else if (t.ReadTotalTimeoutConstant != 0 || t.ReadTotalTimeoutMultiplier != 0) {
        deadline = now + t.ReadTotalTimeoutConstant +
                   static_cast<double>(t.ReadTotalTimeoutMultiplier) * static_cast<double>(count);
    }

    size_t taken = 0;
    double last = now;
    bool intervalExpired = false;
    while (taken < count && !incoming.empty()) {
        const ArrivingByte next = incoming.front();
        const double arrival = std::max(next.arrivalMs, now);
        if (arrival > deadline) break;
        if (taken > 0 && arrival - last > interval) {
            intervalExpired = true;
            break;
        }
        buffer[taken++] = next.value;
        incoming.pop_front();
        last = arrival;
        if (firstByteOnly) break;
    }
    if (intervalExpired) {
        now = last + interval;
    } else if (taken == count || (firstByteOnly && taken > 0)) {
        now = std::max(now, last);
    } else if (deadline != Never) {
        now = std::max(now, deadline);
    } else {
        now = std::max(now, last);
    }
    return taken;
}

size_t SimulatedSerialPort::Write(const uint8_t* buffer, size_t count) {
    if (!open || buffer == nullptr) return 0;
    writes.emplace_back(buffer, buffer + count);
    SyncModelClock();
    // The request is in the converter once its last byte has crossed the line.
    const double received = now + (lineTiming ? LineTimeMs(count) : 0.0);
    const double byteTime = lineTiming ? ByteTimeMs : 0.0;
    for (const Exchange& exchange : device->Receive(buffer, count)) {
        const Transmission& answer = exchange.answer;
        double at = std::max(received + reactionMs, lineFreeMs);
        for (size_t i = 0; i < answer.bytes.size(); ++i) {
            at += static_cast<double>(answer.gapMs[i]) + byteTime;
            incoming.push_back(ArrivingByte{answer.bytes[i], at});
        }
        lineFreeMs = at;
    }
    return count;
}

void SimulatedSerialPort::Purge(uint32_t flags) {
    if (!open) return;
    purgeFlags.push_back(flags);
    // Only what has already arrived is in the receive buffer; bytes still on the line come later.
    if (flags & PurgeRxClear) {
        while (!incoming.empty() && incoming.front().arrivalMs <= now)
            incoming.pop_front();
    }
}

void SimulatedSerialPort::ClearRecords() {
    writes.clear();
    purgeFlags.clear();
}

}  // namespace sim
