// The probe table's data file survives the tool being killed at any moment of a save. A child
// process loads the table, changes it and saves it, over and over; the test kills it with
// SIGKILL after a random short time and then finds the data file holding exactly the table of
// the last save that completed, or of the one that was under way, and never anything else.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "model/probe_table.h"
#include "tests/model/temp_folder.h"

namespace {

using Clock = std::chrono::steady_clock;
using Image = std::vector<unsigned char>;

constexpr int Iterations = 200;
// Every so often the data file is removed first, so that a kill also hits its first creation.
constexpr int FreshFileEvery = 20;
// A state below 0 is "no data file".
constexpr int NoFile = -1;

// The points of the table after save number `state`: 1 to 10 points that differ in every save.
std::vector<std::pair<double, double>> PointsOf(int state) {
    std::vector<std::pair<double, double>> points;
    for (int j = 0; j <= state % 10; ++j)
        points.emplace_back(1000.0 * state + j, 0.5 * state + j);
    return points;
}

void PutLittleEndian(Image& image, size_t at, uint64_t value, int size) {
    for (int i = 0; i < size; ++i)
        image[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// The 164-byte file of a state, laid out by hand: count, ten conductances, ten normals.
Image FileOf(int state) {
    Image image(164, 0);
    const auto points = PointsOf(state);
    PutLittleEndian(image, 0, points.size(), 4);
    for (size_t j = 0; j < points.size(); ++j) {
        PutLittleEndian(image, 4 + 8 * j, std::bit_cast<uint64_t>(points[j].first), 8);
        PutLittleEndian(image, 84 + 8 * j, std::bit_cast<uint64_t>(points[j].second), 8);
    }
    return image;
}

// The child: from state `start` on, load, check, change to the next state, save; one byte on
// `report` first when it runs and then after every completed save. It never returns.
[[noreturn]] void SaveForever(const std::string& path, int start, int report) {
    const char mark = 's';
    if (::write(report, &mark, 1) != 1) ::_exit(2);
    for (int state = start + 1;; ++state) {
        ProbeTable table(path);
        const auto image = table.Image();
        const Image loaded(image.begin(), image.end());
        const Image expected = state - 1 == NoFile ? Image(164, 0) : FileOf(state - 1);
        if (loaded != expected || table.modified) ::_exit(3);
        table.Clear();
        for (const auto& [g, k] : PointsOf(state))
            table.Add(g, k);
        if (!table.Save()) ::_exit(4);
        if (::write(report, &mark, 1) != 1) ::_exit(2);
    }
}

std::optional<Image> FileContents(const std::string& path) {
    if (!std::filesystem::exists(path)) return std::nullopt;
    return ReadBytes(path);
}

int ReadAll(int fd) {
    int count = 0;
    char buffer[256];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0)
        count += static_cast<int>(n);
    return count;
}

TEST(ProbeTableDataSafety, KilledDuringSavesLeavesTheOldOrTheNewFile) {
    TempFolder folder;
    const std::string path = folder.File("zr3config.dat");
    // The temporary files of interrupted saves: "zr3config.dat.XXXXXXXX.tmp".
    const auto isTemporary = [&](const std::string& name) {
        return name.size() == path.size() + 13 && name.rfind(path + ".", 0) == 0 &&
               name.substr(name.size() - 4) == ".tmp";
    };
    const auto temporaries = [&] {
        int n = 0;
        for (const auto& entry : std::filesystem::directory_iterator(folder.Path()))
            n += isTemporary(entry.path().string());
        return n;
    };
    int leftOver = 0;

    const unsigned seed = std::random_device{}();
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);

    int state = NoFile;
    int saves = 0;
    int killsBeforeRename = 0;  // a temporary file was left behind
    int killsAfterRename = 0;   // the new file was in place, the save had not returned
    int iterations = 0;
    // Mean time per save seen so far, to spread the kills over the first few saves.
    double aliveMicroseconds = 0.0;
    const auto begin = Clock::now();

    for (; iterations < Iterations; ++iterations) {
        if (iterations % FreshFileEvery == 0 && iterations > 0) {
            std::filesystem::remove(path);
            state = NoFile;
        }
        int pipe[2];
        ASSERT_EQ(::pipe(pipe), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipe[0]);
            SaveForever(path, state, pipe[1]);
        }
        ::close(pipe[1]);
        char mark;
        ASSERT_EQ(::read(pipe[0], &mark, 1), 1) << "child did not start";

        const double period = saves > 0 ? aliveMicroseconds / saves : 2000.0;
        std::uniform_int_distribution<int> delay(0, static_cast<int>(4 * period) + 200);
        const auto started = Clock::now();
        std::this_thread::sleep_for(std::chrono::microseconds(delay(random)));
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        aliveMicroseconds +=
            std::chrono::duration<double, std::micro>(Clock::now() - started).count();
        const int completed = ReadAll(pipe[0]);
        ::close(pipe[0]);

        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "child ended by itself (exit code " << (WIFEXITED(status) ? WEXITSTATUS(status) : -1)
            << "): it found a data file other than the one it saved";

        // Either the last completed save, or the one under way if the kill came after its rename.
        const auto contents = FileContents(path);
        const int last = state + completed;
        const auto matches = [&](int s) {
            return s == NoFile ? !contents.has_value() : contents == FileOf(s);
        };
        if (matches(last)) {
            state = last;
        } else if (matches(last + 1)) {
            state = last + 1;
            ++killsAfterRename;
        } else {
            FAIL() << "iteration " << iterations << ": the data file is neither state " << last
                   << " nor state " << last + 1 << " ("
                   << (contents ? std::to_string(contents->size()) + " bytes" : "missing") << ")";
        }
        saves += completed;
        if (temporaries() > leftOver) ++killsBeforeRename;
        leftOver = temporaries();
        // Stay within the test's time budget on a slow disk.
        if (Clock::now() - begin > std::chrono::seconds(25)) {
            ++iterations;
            break;
        }
    }

    // Nothing but the data file and the temporary files of interrupted saves, at most one each.
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        const std::string name = entry.path().string();
        EXPECT_TRUE(name == path || isTemporary(name)) << "stray file " << name;
    }
    EXPECT_LE(leftOver, killsBeforeRename);
    // The loop must really have saved and been cut in the middle of saving, or it proved nothing.
    EXPECT_GE(iterations, 50);
    EXPECT_GT(saves, iterations);
    EXPECT_GT(killsBeforeRename, 0);
    std::printf(
        "iterations %d, saves completed %d, kills before the rename %d, kills after the "
        "rename %d, mean save %.0f us\n",
        iterations, saves, killsBeforeRename, killsAfterRename,
        saves > 0 ? aliveMicroseconds / saves : 0.0);
}

}  // namespace
