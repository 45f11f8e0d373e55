#include "model/probe_table.h"

#include <algorithm>
#include <bit>
#include <utility>

#include "model/data_file_path.h"
#include "model/file_store.h"

namespace {

constexpr size_t ConductanceOffset = 4;
constexpr size_t NormalOffset = ConductanceOffset + ProbeTable::Capacity * 8;

void PutU32(uint8_t* at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t GetU32(const uint8_t* at) {
    uint32_t value = 0;
    for (int i = 0; i < 4; ++i)
        value |= static_cast<uint32_t>(at[i]) << (8 * i);
    return value;
}

// A double is its 64-bit pattern, the low half first.
void PutDouble(uint8_t* at, double value) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    PutU32(at, static_cast<uint32_t>(bits));
    PutU32(at + 4, static_cast<uint32_t>(bits >> 32));
}

double GetDouble(const uint8_t* at) {
    return std::bit_cast<double>(GetU32(at) | (static_cast<uint64_t>(GetU32(at + 4)) << 32));
}

// The program's own data file; none when the program's path is unknown.
std::string OwnDataFile() {
    std::string program = ProgramPath();
    return program.empty() ? std::string() : DataFilePath(program);
}

}  // namespace

ProbeTable::ProbeTable() : ProbeTable(OwnDataFile()) {}

ProbeTable::ProbeTable(std::string dataFilePath)
    : dataFile(std::move(dataFilePath)), capacity(Capacity) {
    Load();
}

ProbeTable::~ProbeTable() {
    if (modified) Save();
}

std::array<uint8_t, ProbeTable::FileSize> ProbeTable::Image() const {
    std::array<uint8_t, FileSize> image{};
    PutU32(image.data(), count);
    for (size_t i = 0; i < Capacity; ++i) {
        PutDouble(image.data() + ConductanceOffset + 8 * i, conductance[i]);
        PutDouble(image.data() + NormalOffset + 8 * i, normal[i]);
    }
    return image;
}

bool ProbeTable::TakeImage(const std::array<uint8_t, FileSize>& image) {
    const uint32_t stored = GetU32(image.data());
    if (stored > Capacity) return false;
    count = stored;
    for (size_t i = 0; i < Capacity; ++i) {
        conductance[i] = GetDouble(image.data() + ConductanceOffset + 8 * i);
        normal[i] = GetDouble(image.data() + NormalOffset + 8 * i);
    }
    return true;
}

void ProbeTable::Load() {
    fileProblem.clear();
    const FileContents contents = ReadFileContents(dataFile, FileSize);
    if (contents.status.error == FileError::NotFound) {
        fileState = TableFileState::Missing;
        return;
    }
    if (!contents.status.ok()) {
        fileState = TableFileState::Unreadable;
        fileProblem = FileStatusText(contents.status);
        return;
    }
    std::array<uint8_t, FileSize> image{};
    std::copy(contents.bytes.begin(), contents.bytes.end(), image.begin());
    if (contents.bytes.size() == FileSize && !contents.longer && TakeImage(image)) {
        fileState = TableFileState::Loaded;
        return;
    }
    fileState = TableFileState::Invalid;
    if (contents.longer) {
        // Something else than a table: cleared, but not to be written over.
        fileProblem = "more than " + std::to_string(FileSize) + " bytes";
        count = 0;
        Clear();
        return;
    }
    if (contents.bytes.size() != FileSize)
        fileProblem =
            std::to_string(contents.bytes.size()) + " bytes, not " + std::to_string(FileSize);
    else
        fileProblem = "counts " + std::to_string(GetU32(image.data())) + " points, more than " +
                      std::to_string(Capacity);
    // A short table or an impossible count is cleared; it is marked changed (and rewritten) when
    // the count it held, as far as it arrived, was not 0.
    count = GetU32(image.data());
    Clear();
}

bool ProbeTable::Save() {
    const std::array<uint8_t, FileSize> image = Image();
    if (dataFile.empty()) {
        saveProblem = "no data file";
        return false;
    }
    // Points that could not be read are never written over.
    if (fileState == TableFileState::Unreadable) {
        saveProblem = "it could not be read (" + fileProblem + ")";
        return false;
    }
    const FileStatus status = StoreFile(dataFile, image.data(), image.size(), beforeReplace);
    if (!status.ok()) {
        saveProblem = FileStatusText(status);
        return false;
    }
    saveProblem.clear();
    modified = false;
    return true;
}

void ProbeTable::Add(double conductanceValue, double normalValue) {
    if (!HasRoom() || count >= Capacity) return;
    conductance[count] = conductanceValue;
    normal[count] = normalValue;
    ++count;
    modified = true;
}

void ProbeTable::Delete(int32_t index) {
    if (index < 0 || static_cast<uint32_t>(index) >= count || count > Capacity) return;
    --count;
    for (uint32_t i = static_cast<uint32_t>(index); i < count; ++i) {
        conductance[i] = conductance[i + 1];
        normal[i] = normal[i + 1];
    }
    modified = true;
}

void ProbeTable::Clear() {
    if (count != 0) modified = true;
    count = 0;
    conductance.fill(0.0);
    normal.fill(0.0);
}
