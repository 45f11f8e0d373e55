#include "tests/realport/sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

#ifndef ZR3SIM_PATH
#error "ZR3SIM_PATH names the zr3sim program under test"
#endif

namespace {

using Clock = std::chrono::steady_clock;

pid_t Spawn(const std::string& program, const std::vector<std::string>& arguments, int& in,
            int& out, int* err) {
    int inPipe[2], outPipe[2], errPipe[2] = {-1, -1};
    if (pipe(inPipe) != 0) return -1;
    if (pipe(outPipe) != 0) return -1;
    if (err && pipe(errPipe) != 0) return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(inPipe[0], 0);
        dup2(outPipe[1], 1);
        if (err) dup2(errPipe[1], 2);
        for (int fd : {inPipe[0], inPipe[1], outPipe[0], outPipe[1], errPipe[0], errPipe[1]}) {
            if (fd > 2) close(fd);
        }
        std::vector<char*> argv;
        std::string path = program;
        argv.push_back(path.data());
        std::vector<std::string> copies = arguments;
        for (auto& a : copies)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(path.c_str(), argv.data());
        _exit(127);
    }
    close(inPipe[0]);
    close(outPipe[1]);
    if (err) close(errPipe[1]);
    in = inPipe[1];
    out = outPipe[0];
    if (err) *err = errPipe[0];
    return pid;
}

int WaitFor(pid_t pid, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (Clock::now() >= end) return -1;
        usleep(5000);
    }
}

}  // namespace

SimProcess::~SimProcess() {
    if (child > 0 && Stop() < 0) {
        kill(child, SIGKILL);
        WaitFor(child, 2000);
    }
    if (toChild >= 0) close(toChild);
    if (fromChild >= 0) close(fromChild);
    if (ownLink) unlink(shortName.c_str());
}

bool SimProcess::Start(const std::vector<std::string>& arguments) {
    signal(SIGPIPE, SIG_IGN);
    child = Spawn(ZR3SIM_PATH, arguments, toChild, fromChild, nullptr);
    if (child < 0) return false;
    if (!ReadLine(slavePath, 5000) || slavePath.empty()) return false;
    shortName = slavePath;
    // A port name has at most 11 characters.
    if (shortName.size() > 11) {
        for (int attempt = 0; attempt < 100 && !ownLink; ++attempt) {
            shortName = "/tmp/z" + std::to_string((getpid() * 100 + attempt) % 100000);
            ownLink = symlink(slavePath.c_str(), shortName.c_str()) == 0;
        }
        if (!ownLink) return false;
    }
    return true;
}

bool SimProcess::ReadLine(std::string& line, int ms) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        const size_t newline = buffered.find('\n');
        if (newline != std::string::npos) {
            line = buffered.substr(0, newline);
            buffered.erase(0, newline + 1);
            return true;
        }
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(end - Clock::now()).count();
        if (left <= 0) return false;
        pollfd entry{fromChild, POLLIN, 0};
        if (poll(&entry, 1, static_cast<int>(left)) <= 0) return false;
        char chunk[512];
        const ssize_t n = read(fromChild, chunk, sizeof(chunk));
        if (n <= 0) return false;
        buffered.append(chunk, static_cast<size_t>(n));
    }
}

std::vector<std::string> SimProcess::Command(const std::string& line) {
    std::vector<std::string> reply;
    const std::string text = line + "\n";
    if (write(toChild, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        return reply;
    }
    std::string answer;
    while (ReadLine(answer, 5000)) {
        reply.push_back(answer);
        if (answer.rfind("ok", 0) == 0 || answer.rfind("error", 0) == 0) break;
    }
    return reply;
}

bool SimProcess::Ok(const std::string& line) {
    const auto reply = Command(line);
    return !reply.empty() && reply.back().rfind("ok", 0) == 0;
}

void SimProcess::CloseStdin() {
    if (toChild >= 0) close(toChild);
    toChild = -1;
}

int SimProcess::Stop() {
    if (child <= 0) return -1;
    kill(child, SIGTERM);
    const int status = WaitFor(child, 5000);
    if (status >= 0) child = -1;
    return status;
}

int SimProcess::WaitExit(int ms) {
    if (child <= 0) return -1;
    const int status = WaitFor(child, ms);
    if (status >= 0) child = -1;
    return status;
}

ProgramRun RunSimToEnd(const std::vector<std::string>& arguments, int timeoutMs) {
    return RunProgram(ZR3SIM_PATH, arguments, timeoutMs);
}

BackgroundProgram::~BackgroundProgram() {
    if (child > 0) Finish(0);
}

bool BackgroundProgram::Start(const std::string& program,
                              const std::vector<std::string>& arguments) {
    int in = -1;
    child = Spawn(program, arguments, in, out, &err);
    if (child < 0) return false;
    close(in);
    return true;
}

void BackgroundProgram::Signal(int signal) {
    if (child > 0) kill(child, signal);
}

ProgramRun BackgroundProgram::Finish(int timeoutMs) {
    ProgramRun run;
    if (child <= 0) return run;
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    bool outOpen = true, errOpen = true;
    while ((outOpen || errOpen) && Clock::now() < end) {
        pollfd entries[2] = {{out, POLLIN, 0}, {err, POLLIN, 0}};
        if (poll(entries, 2, 100) < 0) break;
        char chunk[1024];
        for (int i = 0; i < 2; ++i) {
            if (!(entries[i].revents & (POLLIN | POLLHUP))) continue;
            const ssize_t n = read(entries[i].fd, chunk, sizeof(chunk));
            if (n > 0) {
                (i == 0 ? run.out : run.err).append(chunk, static_cast<size_t>(n));
            } else {
                (i == 0 ? outOpen : errOpen) = false;
            }
        }
    }
    close(out);
    close(err);
    run.status = WaitFor(child, 2000);
    if (run.status < 0) {
        kill(child, SIGKILL);
        WaitFor(child, 2000);
    }
    child = -1;
    return run;
}

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                      int timeoutMs) {
    BackgroundProgram background;
    if (!background.Start(program, arguments)) return {};
    return background.Finish(timeoutMs);
}
