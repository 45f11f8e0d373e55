#include "ctl/terminal.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <thread>

#include "base/number_text.h"

void PauseSeconds(double seconds) {
    using namespace std::chrono;
    const auto end = steady_clock::now() + duration_cast<steady_clock::duration>(
                                               duration<double>(seconds > 0 ? seconds : 0));
    while (!Interrupted() && steady_clock::now() < end) {
        const auto left = end - steady_clock::now();
        std::this_thread::sleep_for(std::min<steady_clock::duration>(left, milliseconds(50)));
    }
}

std::string ProgressLine(int done, int total) {
    constexpr int Width = 20;
    const int filled = total > 0 ? done * Width / total : Width;
    std::string line = "[";
    line.append(static_cast<size_t>(filled), '#');
    line.append(static_cast<size_t>(Width - filled), '-');
    line += "] ";
    const std::string count = FormatInteger(done);
    const std::string of = FormatInteger(total);
    line += std::string(of.size() > count.size() ? of.size() - count.size() : 0, ' ');
    return line + count + "/" + of;
}

void ShowProgress(int done, int total) {
    if (!StderrIsTerminal()) return;
    std::cerr << '\r' << ProgressLine(done, total);
    if (done >= total) std::cerr << '\n';
    std::cerr.flush();
}

bool OutputWritten(std::string& why) {
    errno = 0;
    std::cout.flush();
    const bool written = std::cout.good() && std::fflush(stdout) == 0 && !std::ferror(stdout);
    if (!written) why = errno != 0 ? std::strerror(errno) : "write error";
    return written;
}

bool Confirm(const std::string& question) {
    std::cerr << question << " [y/N] ";
    std::cerr.flush();
    std::string answer;
    if (!std::getline(std::cin, answer)) return false;
    if (!answer.empty() && answer.back() == '\r') answer.pop_back();
    return answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes";
}
