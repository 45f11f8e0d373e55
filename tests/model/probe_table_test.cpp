#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "model/data_file_path.h"
#include "model/file_store.h"
#include "model/probe_table.h"
#include "model/stored_points.h"
#include "temp_folder.h"

namespace {

using Bytes = std::vector<unsigned char>;

// The eight little-endian bytes of a double as the data file holds them.
Bytes DoubleBytes(double value) {
    const uint64_t bits = std::bit_cast<uint64_t>(value);
    Bytes bytes;
    for (int i = 0; i < 8; ++i)
        bytes.push_back(static_cast<unsigned char>(bits >> (8 * i)));
    return bytes;
}

Bytes Slice(const Bytes& bytes, size_t offset, size_t size) {
    return Bytes(bytes.begin() + offset, bytes.begin() + offset + size);
}

// A data file holding the given points.
Bytes ImageOf(uint32_t count, const std::vector<double>& g, const std::vector<double>& kappa) {
    Bytes image(164, 0);
    for (int i = 0; i < 4; ++i)
        image[i] = static_cast<unsigned char>(count >> (8 * i));
    for (size_t i = 0; i < g.size(); ++i) {
        Bytes a = DoubleBytes(g[i]);
        Bytes b = DoubleBytes(kappa[i]);
        std::memcpy(&image[4 + 8 * i], a.data(), 8);
        std::memcpy(&image[84 + 8 * i], b.data(), 8);
    }
    return image;
}

}  // namespace

TEST(ProbeTable, WithoutADataFileStartsEmptyAndWritesNothing) {
    TempFolder folder;
    const std::string path = folder.File("tool.dat");
    {
        ProbeTable table(path);
        EXPECT_EQ(table.count, 0u);
        EXPECT_EQ(table.capacity, 10);
        EXPECT_FALSE(table.modified);
        EXPECT_TRUE(table.HasRoom());
        EXPECT_EQ(table.dataFile, path);
    }
    EXPECT_FALSE(std::filesystem::exists(path));
}

TEST(ProbeTable, ThreePointsGoToA164ByteFileAndComeBack) {
    TempFolder folder;
    const std::string path = folder.File("tool.dat");
    {
        ProbeTable table(path);
        table.Add(1000.5, 1413.0);
        table.Add(9.1, 12.88);
        table.Add(100.0, 141.0);
        EXPECT_TRUE(table.modified);
    }
    const Bytes file = ReadBytes(path);
    ASSERT_EQ(file.size(), 164u);
    EXPECT_EQ(Slice(file, 0, 4), (Bytes{0x03, 0x00, 0x00, 0x00}));
    // 1000.5 is 0x408F440000000000, 1413 is 0x4096140000000000.
    EXPECT_EQ(Slice(file, 4, 8), (Bytes{0, 0, 0, 0, 0, 0x44, 0x8F, 0x40}));
    EXPECT_EQ(Slice(file, 84, 8), (Bytes{0, 0, 0, 0, 0, 0x14, 0x96, 0x40}));
    EXPECT_EQ(Slice(file, 12, 8), DoubleBytes(9.1));
    EXPECT_EQ(Slice(file, 100, 8), DoubleBytes(141.0));
    // Slots 3..9 of both arrays are zero.
    EXPECT_EQ(Slice(file, 4 + 24, 56), Bytes(56, 0));
    EXPECT_EQ(Slice(file, 84 + 24, 56), Bytes(56, 0));
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"tool.dat"});

    ProbeTable again(path);
    EXPECT_EQ(again.count, 3u);
    EXPECT_FALSE(again.modified);
    EXPECT_EQ(again.conductance[0], 1000.5);
    EXPECT_EQ(again.normal[1], 12.88);
    EXPECT_EQ(again.conductance[2], 100.0);
    EXPECT_EQ(again.normal[2], 141.0);
}

TEST(ProbeTable, AddDeleteAndClearFollowTheTableRules) {
    TempFolder folder;
    ProbeTable table(folder.File("tool.dat"));
    table.Add(1.0, 10.0);  // a
    table.Add(2.0, 20.0);  // b
    table.Add(3.0, 30.0);  // c
    table.modified = false;

    table.Delete(0);
    EXPECT_TRUE(table.modified);
    ASSERT_EQ(table.count, 2u);
    EXPECT_EQ(table.conductance[0], 2.0);
    EXPECT_EQ(table.normal[1], 30.0);
    // The former last point stays in the slot behind the new last one.
    EXPECT_EQ(table.conductance[2], 3.0);
    EXPECT_EQ(table.normal[2], 30.0);

    table.modified = false;
    table.Delete(-1);
    table.Delete(2);
    table.Delete(2147483647);
    EXPECT_EQ(table.count, 2u);
    EXPECT_FALSE(table.modified);

    for (int i = 0; i < 8; ++i)
        table.Add(10.0 + i, 100.0 + i);
    EXPECT_EQ(table.count, 10u);
    EXPECT_FALSE(table.HasRoom());
    const auto conductance = table.conductance;
    const auto normal = table.normal;
    table.modified = false;
    table.Add(99.0, 999.0);
    EXPECT_EQ(table.count, 10u);
    EXPECT_EQ(table.conductance, conductance);
    EXPECT_EQ(table.normal, normal);
    EXPECT_FALSE(table.modified);

    table.Clear();
    EXPECT_TRUE(table.modified);
    EXPECT_EQ(table.count, 0u);
    EXPECT_EQ(table.conductance, (std::array<double, 10>{}));
    EXPECT_EQ(table.normal, (std::array<double, 10>{}));
    table.modified = false;
    table.Clear();
    EXPECT_FALSE(table.modified);
}

TEST(ProbeTable, ShortFilesAndImpossibleCountsGiveAnEmptyTable) {
    TempFolder folder;
    // 100 bytes counting 2 points: empty, and rewritten as zeros at the end.
    const std::string counted = folder.File("counted.dat");
    Bytes image = ImageOf(2, {1.0, 2.0}, {3.0, 4.0});
    image.resize(100);
    WriteBytes(counted, image);
    {
        ProbeTable table(counted);
        EXPECT_EQ(table.count, 0u);
        EXPECT_EQ(table.conductance[0], 0.0);
        EXPECT_TRUE(table.modified);
        EXPECT_EQ(table.fileState, TableFileState::Invalid);
        EXPECT_EQ(table.fileProblem, "100 bytes, not 164");
    }
    EXPECT_EQ(ReadBytes(counted), Bytes(164, 0));

    // 100 bytes counting none: empty, and the file is left alone.
    const std::string empty = folder.File("empty.dat");
    WriteBytes(empty, Bytes(100, 0));
    {
        ProbeTable table(empty);
        EXPECT_EQ(table.count, 0u);
        EXPECT_FALSE(table.modified);
    }
    EXPECT_EQ(ReadBytes(empty).size(), 100u);

    // Three bytes: the count arrives only in part and is still not 0.
    const std::string stub = folder.File("stub.dat");
    WriteBytes(stub, Bytes{0x01, 0x00, 0x00});
    EXPECT_TRUE(ProbeTable(stub).modified);

    // A full-length file counting 11 points: cleared, never read past ten slots.
    const std::string eleven = folder.File("eleven.dat");
    WriteBytes(eleven, ImageOf(11, {5.0, 6.0}, {7.0, 8.0}));
    {
        ProbeTable table(eleven);
        EXPECT_EQ(table.count, 0u);
        EXPECT_EQ(table.conductance[0], 0.0);
        EXPECT_TRUE(table.modified);
        EXPECT_EQ(table.fileProblem, "counts 11 points, more than 10");
    }
    EXPECT_EQ(ReadBytes(eleven), Bytes(164, 0));

    // A longer file is no table either, and is not written over.
    const std::string longer = folder.File("longer.dat");
    Bytes tail = ImageOf(2, {1.0, 2.0}, {3.0, 4.0});
    tail.push_back(0);
    WriteBytes(longer, tail);
    {
        ProbeTable table(longer);
        EXPECT_EQ(table.fileState, TableFileState::Invalid);
        EXPECT_EQ(table.fileProblem, "more than 164 bytes");
        EXPECT_EQ(table.count, 0u);
        EXPECT_FALSE(table.modified);
    }
    EXPECT_EQ(ReadBytes(longer), tail);

    // A huge count is refused by the image reader itself.
    ProbeTable table(folder.File("none.dat"));
    std::array<uint8_t, ProbeTable::FileSize> raw{};
    raw[3] = 0x80;
    EXPECT_FALSE(table.TakeImage(raw));
    EXPECT_EQ(table.count, 0u);
    raw[3] = 0;
    raw[0] = 10;
    EXPECT_TRUE(table.TakeImage(raw));
    EXPECT_EQ(table.count, 10u);
    table.modified = false;
}

TEST(ProbeTable, AnInterruptedSaveLeavesTheOldFileIntact) {
    TempFolder folder;
    const std::string path = folder.File("tool.dat");
    const Bytes old = ImageOf(2, {1.0, 2.0}, {3.0, 4.0});
    WriteBytes(path, old);

    ProbeTable table(path);
    ASSERT_EQ(table.count, 2u);
    table.Add(5.0, 6.0);
    size_t pendingSize = 0;
    table.beforeReplace = [&](const std::string& temporary) {
        // The new contents are complete and closed by now; the data file is still the old one.
        pendingSize = ReadBytes(temporary).size();
        return false;
    };
    EXPECT_FALSE(table.Save());
    EXPECT_EQ(pendingSize, 164u);
    EXPECT_TRUE(table.modified);
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"tool.dat"});

    table.beforeReplace = nullptr;
    EXPECT_TRUE(table.Save());
    EXPECT_FALSE(table.modified);
    EXPECT_EQ(ReadBytes(path), ImageOf(3, {1.0, 2.0, 5.0}, {3.0, 4.0, 6.0}));
}

TEST(ProbeTable, AFailedSaveKeepsTheTableModified) {
    TempFolder folder;
    ProbeTable table(folder.File("missing/tool.dat"));
    table.Add(1.0, 2.0);
    EXPECT_FALSE(table.Save());
    EXPECT_TRUE(table.modified);
    EXPECT_EQ(table.saveProblem, "no such file");
    EXPECT_FALSE(std::filesystem::exists(folder.File("missing")));
    table.modified = false;
}

TEST(ProbeTable, AFileThatCannotBeReadIsNeverTakenAsEmpty) {
    TempFolder folder;
    const std::string path = folder.File("tool.dat");
    const Bytes image = ImageOf(2, {1.0, 2.0}, {3.0, 4.0});
    WriteBytes(path, image);

    // Locked by another program, or without the right to read it: unreadable, with the reason.
    for (FileError fault : {FileError::InUse, FileError::Denied}) {
        InjectFileFaults({fault});
        ProbeTable table(path);
        InjectFileFaults({});
        EXPECT_EQ(table.fileState, TableFileState::Unreadable);
        EXPECT_EQ(table.fileProblem,
                  fault == FileError::InUse ? "in use by another program" : "permission denied");
        EXPECT_EQ(table.count, 0u);
        EXPECT_FALSE(table.modified);
        // Its points are not replaced by the ones added now.
        table.Add(7.0, 8.0);
        EXPECT_FALSE(table.Save());
        EXPECT_EQ(table.saveProblem, "it could not be read (" + table.fileProblem + ")");
        table.modified = false;
    }
    ProbeTable folderTable(folder.Path().string());
    EXPECT_EQ(folderTable.fileState, TableFileState::Unreadable);
    EXPECT_EQ(folderTable.fileProblem, "not a file");

    ProbeTable missing(folder.File("none.dat"));
    EXPECT_EQ(missing.fileState, TableFileState::Missing);
    EXPECT_EQ(missing.fileProblem, "");
    ProbeTable loaded(path);
    EXPECT_EQ(loaded.fileState, TableFileState::Loaded);
    EXPECT_EQ(loaded.count, 2u);
    EXPECT_EQ(ReadBytes(path), image);
}

TEST(ProbeTable, AReadOnlyFileIsReadAndAWriteOnlyOneIsUnreadable) {
    TempFolder folder;
    const std::string path = folder.File("tool.dat");
    const Bytes image = ImageOf(2, {1.0, 2.0}, {3.0, 4.0});
    WriteBytes(path, image);
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    // Read for reading: the points are there; the save is refused and the file kept.
    const auto readOnly = [&] {
        ProbeTable table(path);
        const bool read = table.fileState == TableFileState::Loaded && table.count == 2;
        table.Add(7.0, 8.0);
        const bool refused =
            !table.Save() && table.modified && table.saveProblem == "permission denied";
        table.modified = false;
        return read && refused;
    };
#ifdef _WIN32
    // The read-only attribute refuses the write access only.
    EXPECT_TRUE(readOnly());
#else
    fs::permissions(folder.Path(),
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    EXPECT_TRUE(AsUnprivilegedUser(readOnly));
    EXPECT_EQ(ReadBytes(path), image);

    fs::permissions(path,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read,
                    fs::perm_options::remove);
    EXPECT_TRUE(AsUnprivilegedUser([&] {
        ProbeTable table(path);
        return table.fileState == TableFileState::Unreadable &&
               table.fileProblem == "permission denied" && table.count == 0 && !table.modified;
    }));
#endif
    fs::permissions(path, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(path), image);
}

TEST(DataFilePath, ReplacesTheLastExtensionOrAppendsOne) {
    EXPECT_EQ(DataFilePath("C:\\Tools\\tool.exe"), "C:\\Tools\\tool.dat");
    EXPECT_EQ(DataFilePath("C:\\Tools\\zr3config.EXE"), "C:\\Tools\\zr3config.dat");
    EXPECT_EQ(DataFilePath("C:\\Tools\\tool.v2.exe"), "C:\\Tools\\tool.v2.dat");
    EXPECT_EQ(DataFilePath("C:\\Tools\\tool."), "C:\\Tools\\tool.dat");
    // The last "." of the whole path counts, wherever it stands.
    EXPECT_EQ(DataFilePath("C:\\My.Tools\\tool"), "C:\\My.dat");
    EXPECT_EQ(DataFilePath("/opt/zr3/tool"), "/opt/zr3/tool.dat");
    EXPECT_EQ(DataFilePath(""), ".dat");
}

TEST(DataFilePath, ACutProgramPathNamesNoDataFile) {
    // 259 characters and the zero fit the buffer of 260; a longer path fills it, cut anywhere.
    const std::string whole = "C:\\" + std::string(250, 'a') + "\\t.exe";
    ASSERT_EQ(whole.size(), 259u);
    EXPECT_EQ(UncutPath(whole.c_str(), whole.size(), 260), whole);
    const std::string cut = "C:\\tools.v2\\" + std::string(250, 'b');
    EXPECT_EQ(UncutPath(cut.c_str(), 260, 260), "");
    EXPECT_EQ(UncutPath("", 0, 260), "");
    // Without a data file the table works, and a save says it failed.
    ProbeTable table{std::string()};
    EXPECT_EQ(table.count, 0u);
    table.Add(1.0, 2.0);
    EXPECT_FALSE(table.Save());
    EXPECT_TRUE(table.modified);
    table.modified = false;
}

TEST(DataFilePath, TheProgramsOwnTableLivesBesideIt) {
    const std::string program = ProgramPath();
    ASSERT_FALSE(program.empty());
    EXPECT_TRUE(std::filesystem::exists(program)) << program;
#ifdef _WIN32
    EXPECT_EQ(DataFilePath(program).substr(program.size() - 15), "model_tests.dat");
#else
    EXPECT_EQ(DataFilePath(program), program + ".dat");
#endif
    ProbeTable table;
    EXPECT_EQ(table.dataFile, DataFilePath(program));
}

// Three points stored; the file is locked when the table opens and one point is measured.
TEST(StoredPoints, AFileThatCouldNotBeReadKeepsEveryPointAtSaveTime) {
    TempFolder folder;
    const std::string path = folder.File("tool.dat");
    const Bytes three = ImageOf(3, {1.0, 2.0, 3.0}, {10.0, 20.0, 30.0});
    WriteBytes(path, three);
    InjectFileFaults({FileError::InUse});
    ProbeTable table(path);
    ASSERT_EQ(table.fileState, TableFileState::Unreadable);
    table.Add(4.0, 40.0);

    // Still locked at save time: nothing may be written, the file stays byte for byte.
    std::string problem;
    EXPECT_EQ(KeepStoredPoints(table, problem), StoredPoints::Unreadable);
    EXPECT_EQ(problem, "in use by another program");
    EXPECT_EQ(table.fileState, TableFileState::Unreadable);
    EXPECT_EQ(table.count, 1u);
    InjectFileFaults({});
    EXPECT_EQ(ReadBytes(path), three);

    // Free again: the stored points first, then the new one.
    EXPECT_EQ(KeepStoredPoints(table, problem), StoredPoints::Kept);
    EXPECT_EQ(table.fileState, TableFileState::Loaded);
    ASSERT_TRUE(table.Save());
    EXPECT_EQ(ReadBytes(path), ImageOf(4, {1.0, 2.0, 3.0, 4.0}, {10.0, 20.0, 30.0, 40.0}));
}

TEST(StoredPoints, MoreThanTenTogetherAreNotWrittenAndAGoneFileKeepsNothing) {
    TempFolder folder;
    const std::string path = folder.File("tool.dat");
    const Bytes nine = ImageOf(9, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {1, 2, 3, 4, 5, 6, 7, 8, 9});
    WriteBytes(path, nine);
    InjectFileFaults({FileError::Denied});
    ProbeTable table(path);
    InjectFileFaults({});
    table.Add(10.0, 10.0);
    table.Add(11.0, 11.0);
    std::string problem;
    EXPECT_EQ(KeepStoredPoints(table, problem), StoredPoints::TooMany);
    EXPECT_EQ(problem, "it holds 9 points, and with the 2 measured now they are more than 10");
    EXPECT_EQ(table.count, 2u);
    EXPECT_EQ(ReadBytes(path), nine);

    std::filesystem::remove(path);
    EXPECT_EQ(KeepStoredPoints(table, problem), StoredPoints::Kept);
    EXPECT_EQ(table.count, 2u);
    table.modified = false;
    EXPECT_FALSE(std::filesystem::exists(path));
}
