// Fuzzes the probe table's loader: the input is the data file, any size and contents. After the
// load the table must hold exactly the file's points (a sound 164-byte image) or nothing, every
// slot access stays within the ten slots through the edits the input drives, and a save followed
// by a load gives the same table back.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "model/probe_table.h"

namespace {

constexpr size_t ImageSize = 164;

[[noreturn]] void Fail(const char* what) {
    std::fprintf(stderr, "probe table fuzz: %s\n", what);
    std::abort();
}

void Require(bool condition, const char* what) {
    if (!condition) Fail(what);
}

// One folder per fuzzing process, in memory where there is /dev/shm (saves sync to the disk).
const std::string& Folder() {
    static const std::string folder = [] {
        std::string pattern = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        pattern += "/zr3-fuzz-XXXXXX";
        if (mkdtemp(pattern.data()) == nullptr) Fail("no temporary folder");
        return pattern;
    }();
    return folder;
}

std::string DataPath() {
    return Folder() + "/zr3config.dat";
}

void RemoveFolder() {
    unlink(DataPath().c_str());
    unlink((DataPath() + ".tmp").c_str());
    rmdir(Folder().c_str());
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) Fail("cannot write the data file");
    while (size > 0) {
        ssize_t n = write(fd, data, size);
        if (n <= 0) Fail("cannot write the data file");
        data += n;
        size -= static_cast<size_t>(n);
    }
    close(fd);
}

std::vector<uint8_t> ReadFile(const std::string& path) {
    std::vector<uint8_t> bytes;
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) return bytes;
    uint8_t buffer[512];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    close(fd);
    return bytes;
}

uint64_t LittleEndianAt(const uint8_t* at, int size) {
    uint64_t value = 0;
    for (int i = 0; i < size; ++i)
        value |= static_cast<uint64_t>(at[i]) << (8 * i);
    return value;
}

uint64_t Bits(double value) {
    return std::bit_cast<uint64_t>(value);
}

// The points the table must hold, kept apart from the table's own code.
using Points = std::vector<std::pair<uint64_t, uint64_t>>;

void RequireHolds(const ProbeTable& table, const Points& points) {
    Require(table.count <= 10 && table.count == points.size(), "wrong point count");
    Require(table.HasRoom() == (table.count < 10), "wrong room");
    for (size_t i = 0; i < points.size(); ++i) {
        Require(Bits(table.conductance[i]) == points[i].first &&
                    Bits(table.normal[i]) == points[i].second,
                "wrong point");
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Folder();
    std::atexit(RemoveFolder);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string path = DataPath();
    WriteFile(path, data, size);

    Points points;
    {
        ProbeTable table(path);
        // A sound image is 164 bytes and counts at most ten points.
        const size_t taken = size < ImageSize ? size : ImageSize;
        uint8_t header[4] = {};
        std::memcpy(header, data, taken < 4 ? taken : 4);
        const uint64_t storedCount = LittleEndianAt(header, 4);
        if (size == ImageSize && storedCount <= 10) {
            for (size_t i = 0; i < storedCount; ++i) {
                points.emplace_back(LittleEndianAt(data + 4 + 8 * i, 8),
                                    LittleEndianAt(data + 84 + 8 * i, 8));
            }
            Require(!table.modified, "sound file loaded as modified");
            const auto image = table.Image();
            Require(std::memcmp(image.data(), data, ImageSize) == 0, "image differs from file");
        } else {
            // A short file, or one counting more than ten points, gives an empty table that is
            // rewritten when the count it held was not 0; a longer one is never written over.
            Require(table.fileState == TableFileState::Invalid, "no table taken as one");
            Require(table.modified == (size <= ImageSize && storedCount != 0),
                    "wrong modified flag after clear");
            for (size_t i = 0; i < 10; ++i) {
                Require(table.conductance[i] == 0.0 && table.normal[i] == 0.0, "slot not cleared");
            }
        }
        RequireHolds(table, points);

        // Edits driven by the input's own bytes, each checked against the expected points.
        for (size_t i = 0; i < size && i < 24; ++i) {
            const uint8_t b = data[i];
            switch (b & 3) {
                case 0:
                case 1: {
                    const double g = static_cast<double>(b) * 1.5 + static_cast<double>(i);
                    const double k = -static_cast<double>(b) / 7.0;
                    table.Add(g, k);
                    if (points.size() < 10) points.emplace_back(Bits(g), Bits(k));
                    break;
                }
                case 2: {
                    // Indexes from -8 to 55: mostly out of range, some in.
                    const int32_t index = static_cast<int32_t>(b >> 2) - 8;
                    const bool effective = index >= 0 && static_cast<size_t>(index) < points.size();
                    const bool wasModified = table.modified;
                    table.Delete(index);
                    if (effective) {
                        points.erase(points.begin() + index);
                        Require(table.modified, "delete not marked");
                    } else {
                        Require(table.modified == wasModified, "ignored delete marked");
                    }
                    break;
                }
                default:
                    if ((b & 0xF0) == 0xF0) {
                        table.Clear();
                        points.clear();
                    }
                    break;
            }
            RequireHolds(table, points);
        }

        // Save, then the file is the table's image and a fresh load gives the table back.
        Require(table.Save() && !table.modified, "save failed");
        const auto image = table.Image();
        const std::vector<uint8_t> stored = ReadFile(path);
        Require(
            stored.size() == ImageSize && std::memcmp(stored.data(), image.data(), ImageSize) == 0,
            "saved file is not the image");
        ProbeTable again(path);
        Require(!again.modified && again.Image() == image, "reload differs");
        RequireHolds(again, points);
    }
    return 0;
}
