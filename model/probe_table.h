#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/base_object.h"

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

    // Reads the data file, opened for reading and writing. A missing or unopenable file leaves
    // the table as it is; a short file, or one counting more than ten points, clears it.
    void Load();
    // Replaces the data file with the table. On failure the old file stays intact and modified
    // stays set.
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
    // Called by Save after the new contents are written and closed, before they replace the
    // data file; returning false abandons the save there (tests interrupt a save with it).
    std::function<bool()> beforeReplace;
};
