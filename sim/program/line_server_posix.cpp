#include "sim/program/line_server_posix.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "sim/model/control_commands.h"
#include "sim/model/line_timing.h"

namespace {

int stopPipe[2] = {-1, -1};

void OnStopSignal(int) {
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(stopPipe[1], &byte, 1);
}

// A converter's receiver starts afresh after a pause in the middle of a frame.
constexpr uint64_t FrameGapUs = 100000;
// Answers nobody has read for this long belong to a client that has gone.
constexpr uint64_t StaleAnswerUs = 2000000;
// Housekeeping (clock, stale answers, reopening a device) at least this often.
constexpr uint64_t TickUs = 200000;
// More unsent answer bytes than this: the client is not reading, drop the oldest.
constexpr size_t MaxQueuedBytes = 4096;
constexpr size_t MaxControlLine = 4096;

bool MakeRaw(int fd) {
    termios t{};
    if (tcgetattr(fd, &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, B9600);
    cfsetospeed(&t, B9600);
    return tcsetattr(fd, TCSANOW, &t) == 0;
}

void SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0) fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

void WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

}  // namespace

bool InstallStopSignals(std::string& error) {
    if (pipe(stopPipe) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    SetNonBlocking(stopPipe[0]);
    SetNonBlocking(stopPipe[1]);
    fcntl(stopPipe[0], F_SETFD, FD_CLOEXEC);
    fcntl(stopPipe[1], F_SETFD, FD_CLOEXEC);
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);
    return true;
}

LineServer::LineServer(sim::DeviceModel& model, const SimCommandLine& options)
    : model(model), options(options) {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    startNs = static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

LineServer::~LineServer() {
    CloseLine();
    if (heldSlaveFd >= 0) close(heldSlaveFd);
    for (auto& control : controls) {
        if (!control.isStdin && control.fd >= 0) close(control.fd);
    }
    if (linkMade) {
        // Only our own link, in case someone has pointed it elsewhere meanwhile.
        char target[512];
        const ssize_t n = readlink(options.linkPath.c_str(), target, sizeof(target) - 1);
        if (n > 0 && std::string(target, static_cast<size_t>(n)) == path) {
            unlink(options.linkPath.c_str());
        }
    }
    if (fifoMade) unlink(options.controlPath.c_str());
}

uint64_t LineServer::NowUs() const {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    const int64_t ns = static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec - startNs;
    return static_cast<uint64_t>(ns / 1000);
}

bool LineServer::Start(std::string& error) {
    // Wake-ups on time to the microsecond, not to the default 50 us slack.
    prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);
    if (!options.tracePath.empty() && !trace.Open(options.tracePath)) {
        error = "cannot write the trace " + options.tracePath + ": " + std::strerror(errno);
        return false;
    }
    if (options.devicePath.empty() ? !OpenPseudoTerminal(error) : !OpenDevice(error)) {
        return false;
    }
    if (!options.linkPath.empty()) {
        struct stat st {};
        if (lstat(options.linkPath.c_str(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                error = options.linkPath + " exists and is not a symbolic link";
                return false;
            }
            unlink(options.linkPath.c_str());
        }
        if (symlink(path.c_str(), options.linkPath.c_str()) != 0) {
            error = "cannot link " + options.linkPath + ": " + std::strerror(errno);
            return false;
        }
        linkMade = true;
    }
    controls.push_back(ControlInput{STDIN_FILENO, {}, true});
    if (!options.controlPath.empty()) {
        struct stat st {};
        if (stat(options.controlPath.c_str(), &st) != 0) {
            if (mkfifo(options.controlPath.c_str(), 0600) != 0) {
                error = "cannot make the FIFO " + options.controlPath + ": " + std::strerror(errno);
                return false;
            }
            fifoMade = true;
        }
        // Read and write: the FIFO never reports an end when its writers come and go.
        const int fd = open(options.controlPath.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) {
            error = "cannot open " + options.controlPath + ": " + std::strerror(errno);
            return false;
        }
        controls.push_back(ControlInput{fd, {}, false});
    }
    return true;
}

bool LineServer::OpenPseudoTerminal(std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        error = std::string("cannot make a pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0) close(master);
        return false;
    }
    char name[256];
    if (ptsname_r(master, name, sizeof(name)) != 0) {
        error = std::string("ptsname: ") + std::strerror(errno);
        close(master);
        return false;
    }
    heldSlaveFd = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (heldSlaveFd < 0) {
        error = std::string("cannot open ") + name + ": " + std::strerror(errno);
        close(master);
        return false;
    }
    // Raw on the slave side, so that a client that sets nothing still sees the bytes as sent.
    MakeRaw(heldSlaveFd);
    SetNonBlocking(master);
    lineFd = master;
    path = name;
    return true;
}

bool LineServer::OpenDevice(std::string& error) {
    const int fd = open(options.devicePath.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + options.devicePath + ": " + std::strerror(errno);
        return false;
    }
    if (!MakeRaw(fd)) {
        error = options.devicePath + " is not a serial line: " + std::strerror(errno);
        close(fd);
        return false;
    }
    lineFd = fd;
    path = options.devicePath;
    return true;
}

void LineServer::CloseLine() {
    if (lineFd >= 0) close(lineFd);
    lineFd = -1;
}

void LineServer::Reply(const std::string& text) {
    if (!options.quiet) WriteAll(STDOUT_FILENO, text + "\n");
}

void LineServer::RunCommand(const std::string& line) {
    const sim::ControlReply reply = sim::ExecuteControl(model, line);
    for (const auto& text : reply.lines)
        Reply(text);
    if (reply.quit) quit = true;
}

bool LineServer::ReadControl(ControlInput& input) {
    char buffer[512];
    const ssize_t n = read(input.fd, buffer, sizeof(buffer));
    if (n < 0) return errno == EAGAIN || errno == EINTR;
    if (n == 0) return false;
    input.pending.append(buffer, static_cast<size_t>(n));
    size_t end;
    while ((end = input.pending.find('\n')) != std::string::npos) {
        RunCommand(input.pending.substr(0, end));
        input.pending.erase(0, end + 1);
    }
    if (input.pending.size() > MaxControlLine) {
        Reply("error: control line too long");
        input.pending.clear();
    }
    return true;
}

void LineServer::ReadLine(uint64_t now) {
    uint8_t buffer[256];
    for (;;) {
        const ssize_t n = read(lineFd, buffer, sizeof(buffer));
        if (n > 0) {
            HandleBytes(buffer, static_cast<size_t>(n), now);
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EINTR)) return;
        // A device gone away (or a pseudo-terminal without any slave): try again shortly.
        if (!options.devicePath.empty()) {
            CloseLine();
            reopenAtUs = now + 500000;
        }
        return;
    }
}

void LineServer::HandleBytes(const uint8_t* bytes, size_t count, uint64_t now) {
    sim::RequestParser& parser = model.parser();
    if (!parser.Idle() && now - lastInputUs > FrameGapUs) parser.Reset();
    lastInputUs = now;
    lastActivityUs = now;
    const auto exchanges = model.Receive(bytes, count);
    const auto skipped = parser.TakeSkipped();
    if (!skipped.empty()) trace.Write(now, '?', skipped, "skipped");
    for (const auto& exchange : exchanges) {
        trace.Write(now, '>', sim::RequestBytes(exchange.request),
                    exchange.ignored ? "no answer" : "");
        if (!exchange.ignored) Schedule(exchange, now);
    }
}

void LineServer::Schedule(const sim::Exchange& exchange, uint64_t now) {
    const sim::Transmission& answer = exchange.answer;
    if (answer.bytes.empty()) {
        trace.Write(now, '<', {}, "fault silence");
        return;
    }
    const double byteUs = options.lineTiming ? sim::ByteTimeMs * 1000.0 : 0.0;
    const double requestUs = byteUs * static_cast<double>(exchange.request.length + 4);
    double at = static_cast<double>(now) + requestUs + options.reactionMs * 1000.0;
    at = std::max(at, static_cast<double>(lineFreeUs));
    OutgoingFrame frame;
    frame.bytes = answer.bytes;
    frame.fault = answer.fault;
    for (size_t i = 0; i < answer.bytes.size(); ++i) {
        at += answer.gapMs[i] * 1000.0 + byteUs;
        frame.dueUs.push_back(static_cast<uint64_t>(at));
    }
    lineFreeUs = frame.dueUs.back();
    outgoing.push_back(std::move(frame));

    size_t queued = 0;
    for (const auto& f : outgoing)
        queued += f.bytes.size() - f.sent;
    while (queued > MaxQueuedBytes && outgoing.size() > 1) {
        queued -= outgoing.front().bytes.size() - outgoing.front().sent;
        trace.Write(now, '<', outgoing.front().bytes, "dropped: nobody reads");
        outgoing.pop_front();
    }
}

void LineServer::WriteDue(uint64_t now) {
    while (!outgoing.empty() && lineFd >= 0) {
        OutgoingFrame& frame = outgoing.front();
        size_t end = frame.sent;
        while (end < frame.bytes.size() && frame.dueUs[end] <= now)
            ++end;
        if (end > frame.sent) {
            const ssize_t n = write(lineFd, frame.bytes.data() + frame.sent, end - frame.sent);
            if (n < 0) return;  // full: POLLOUT brings us back
            frame.sent += static_cast<size_t>(n);
            lastActivityUs = now;
        }
        if (frame.sent < frame.bytes.size()) return;
        const bool spoiled = frame.fault != sim::FaultKind::None;
        trace.Write(now, '<', frame.bytes,
                    spoiled ? "fault " + std::string(sim::FaultKindName(frame.fault)) : "");
        outgoing.pop_front();
    }
}

void LineServer::DropStaleAnswers(uint64_t now) {
    if (heldSlaveFd < 0 || !outgoing.empty() || now - lastActivityUs < StaleAnswerUs) return;
    int unread = 0;
    if (ioctl(heldSlaveFd, FIONREAD, &unread) == 0 && unread > 0) {
        tcflush(heldSlaveFd, TCIFLUSH);
        trace.Write(now, '?', {}, "dropped " + std::to_string(unread) + " unread answer bytes");
    }
    lastActivityUs = now;
}

int64_t LineServer::NextWakeUs(uint64_t now) const {
    uint64_t wake = now + TickUs;
    if (!outgoing.empty()) {
        const OutgoingFrame& frame = outgoing.front();
        wake = std::min(wake, frame.dueUs[frame.sent]);
    }
    if (!model.parser().Idle()) wake = std::min(wake, lastInputUs + FrameGapUs + 1);
    return wake > now ? static_cast<int64_t>(wake - now) : 0;
}

void LineServer::Run() {
    lastClockUs = NowUs();
    while (!quit) {
        uint64_t now = NowUs();
        std::vector<pollfd> fds;
        fds.push_back(pollfd{stopPipe[0], POLLIN, 0});
        for (const auto& control : controls)
            fds.push_back(pollfd{control.fd, POLLIN, 0});
        const size_t lineIndex = fds.size();
        if (lineFd >= 0) {
            short events = POLLIN;
            if (!outgoing.empty() && outgoing.front().dueUs[outgoing.front().sent] <= now) {
                events |= POLLOUT;
            }
            fds.push_back(pollfd{lineFd, events, 0});
        }
        const int64_t waitUs = NextWakeUs(now);
        timespec timeout{static_cast<time_t>(waitUs / 1000000),
                         static_cast<long>((waitUs % 1000000) * 1000)};
        const int ready = ppoll(fds.data(), fds.size(), &timeout, nullptr);
        if (ready < 0 && errno != EINTR) break;
        now = NowUs();

        if (fds[0].revents & POLLIN) break;
        // Control commands first: one sent before a request applies to that request.
        for (size_t i = 0; i < controls.size(); ++i) {
            if (!(fds[1 + i].revents & (POLLIN | POLLHUP))) continue;
            if (ReadControl(controls[i])) continue;
            if (controls[i].isStdin && options.stdinEofQuits) quit = true;
            // An input that has ended is not polled again.
            controls.erase(controls.begin() + static_cast<long>(i));
            break;
        }
        if (quit) break;
        if (lineFd >= 0 && lineIndex < fds.size()) {
            if (fds[lineIndex].revents & POLLIN) {
                ReadLine(now);
            } else if (fds[lineIndex].revents & (POLLHUP | POLLERR)) {
                ReadLine(now);
                // Nothing to read but a hang-up: do not spin on it.
                if (lineFd >= 0) usleep(20000);
            }
        }
        if (lineFd < 0 && !options.devicePath.empty() && now >= reopenAtUs) {
            std::string error;
            if (!OpenDevice(error)) reopenAtUs = now + 500000;
        }
        if (!model.parser().Idle() && now - lastInputUs > FrameGapUs) {
            model.parser().Reset();
            const auto skipped = model.parser().TakeSkipped();
            if (!skipped.empty()) trace.Write(now, '?', skipped, "incomplete, dropped");
        }
        WriteDue(now);
        DropStaleAnswers(now);
        if (now - lastClockUs >= 1000) {
            const uint64_t ms = (now - lastClockUs) / 1000;
            model.Advance(ms);
            lastClockUs += ms * 1000;
        }
    }
}
