#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/base_object.h"

// What loading found at the data file.
enum class TableFileState {
    Missing,     // no data file (or no name for one): the table starts empty
    Loaded,      // the points were read
    Unreadable,  // a file is there but cannot be read (fileProblem says why); table unchanged
    Invalid,     // the file is no probe table (fileProblem says why); the table was cleared
};

// Up to ten calibration points (conductance G in uS, normal conductivity kappa in uS/cm), kept
// in a 164-byte data file beside the program: count (u32), then ten G and ten kappa (doubles),
// all little-endian. Order is insertion order.
class ProbeTable : public BaseObject {
  public:
    static constexpr uint32_t Capacity = 10;
    static constexpr size_t FileSize = 4 + 2 * Capacity * 8;

    // The table of the program's own data file, loaded.
    ProbeTable();
    // The table of the given data file, loaded.
    explicit ProbeTable(std::string dataFilePath);
    // Saves the table when it was changed.
    ~ProbeTable() override;

    // Reads the data file, opened for reading only, and tells in fileState what it found. A
    // missing or unreadable file leaves the table as it is; a file of another size than 164
    // bytes, or one counting more than ten points, clears it (and marks it changed when the
    // count it held was not 0).
    void Load();
    // Replaces the data file with the table; never one that was Unreadable. On failure the old
    // file stays intact, modified stays set and saveProblem says why.
    bool Save();
    void Add(double conductanceValue, double normalValue);
    void Delete(int32_t index);
    void Clear();
    bool HasRoom() const { return count < static_cast<uint32_t>(capacity); }

    // The 164-byte file image of the table, and the table from such an image.
    std::array<uint8_t, FileSize> Image() const;
    // Takes count and points from an image; false (and nothing taken) if count exceeds ten.
    bool TakeImage(const std::array<uint8_t, FileSize>& image);

    uint32_t count = 0;
    std::array<double, Capacity> conductance{};
    std::array<double, Capacity> normal{};
    std::string dataFile;
    int32_t capacity = 0;
    bool modified = false;
    TableFileState fileState = TableFileState::Missing;
    // Why the data file was Unreadable or Invalid: "permission denied", "100 bytes, not 164".
    std::string fileProblem;
    // Why the last Save failed; empty after a successful one.
    std::string saveProblem;
    // Called by Save with the temporary file once the new contents are written and closed,
    // before they replace the data file; returning false abandons the save there (tests
    // interrupt a save with it).
    std::function<bool(const std::string& temporary)> beforeReplace;
};
