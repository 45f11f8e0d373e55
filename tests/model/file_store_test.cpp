// The file store against what may stand at a file's name or beside it: planted links, a link to
// the file, locked and refused files, folders that refuse new files, a full disk.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "model/file_store.h"
#include "temp_folder.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;

const Bytes Old = {'o', 'l', 'd'};
const Bytes New = {'n', 'e', 'w', '!'};

FileStatus Store(const std::string& path, const Bytes& bytes = New,
                 const BeforeReplace& beforeReplace = nullptr) {
    return StoreFile(path, bytes.data(), bytes.size(), beforeReplace);
}

// Injected faults for one scope.
struct Faults {
    explicit Faults(const FileFaults& faults) { InjectFileFaults(faults); }
    ~Faults() { InjectFileFaults({}); }
};

}  // namespace

TEST(FileStore, FailuresChangeNothingAndLeaveNoTemporaryFile) {
    TempFolder folder;
    const std::string path = folder.File("table.dat");
    WriteBytes(path, Old);

    // Locked by another program, refused, a full disk, an abandoned store: the old file stays.
    struct Case {
        FileFaults faults;
        FileError error;
        bool duringWrite;
    };
    for (const Case& c : {Case{{FileError::None, FileError::InUse}, FileError::InUse, false},
                          Case{{FileError::None, FileError::Denied}, FileError::Denied, false},
                          Case{{.create = FileError::InUse}, FileError::InUse, false},
                          Case{{.create = FileError::NotFound}, FileError::NotFound, false},
                          Case{{.write = FileError::NoSpace}, FileError::NoSpace, true}}) {
        Faults faults(c.faults);
        const FileStatus status = Store(path);
        EXPECT_EQ(status.error, c.error);
        EXPECT_EQ(status.duringWrite, c.duringWrite);
        EXPECT_EQ(ReadBytes(path), Old);
        EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"table.dat"});
    }
    std::string pending;
    const FileStatus abandoned = Store(path, New, [&](const std::string& temporary) {
        pending = temporary;
        return false;
    });
    EXPECT_FALSE(abandoned.ok());
    EXPECT_EQ(ReadBytes(path), Old);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"table.dat"});
    // A fresh name beside the file each time.
    EXPECT_EQ(fs::path(pending).parent_path(), folder.Path());
    EXPECT_EQ(pending.rfind(path + ".", 0), 0u);
    EXPECT_NE(FreshTemporaryName(path), FreshTemporaryName(path));

    EXPECT_EQ(Store(folder.File("no folder/table.dat")).error, FileError::NotFound);
    EXPECT_EQ(Store(folder.Path().string()).error, FileError::NotAFile);
    EXPECT_TRUE(Store(path).ok());
    EXPECT_EQ(ReadBytes(path), New);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"table.dat"});
}

TEST(FileStore, InPlaceOnlyWhereTheFolderRefusesNewFiles) {
    TempFolder folder;
    const std::string path = folder.File("table.dat");
    for (FileError refusal : {FileError::Denied, FileError::ReadOnly, FileError::NameTooLong}) {
        WriteBytes(path, Old);
        Faults faults({.create = refusal});
        EXPECT_TRUE(Store(path).ok());
        EXPECT_EQ(ReadBytes(path), New);
    }
#ifndef _WIN32
    // A name so long that the temporary one is too long for the system.
    const std::string longName = folder.File(std::string(250, 'n'));
    WriteBytes(longName, Old);
    EXPECT_TRUE(Store(longName).ok());
    EXPECT_EQ(ReadBytes(longName), New);
    EXPECT_EQ(FilesIn(folder).size(), 2u);
#endif
}

#ifndef _WIN32
TEST(FileStore, APlantedLinkRedirectsNothing) {
    TempFolder folder;
    const std::string path = folder.File("backup.json");
    const std::string victim = folder.File("victim");
    WriteBytes(path, Old);
    WriteBytes(victim, Old);
    // Whoever may create files in the folder plants links where temporary files were named.
    fs::create_symlink(victim, path + ".tmp");
    for (int i = 0; i < 4; ++i)
        fs::create_symlink(victim, FreshTemporaryName(path));
    EXPECT_TRUE(Store(path, New, [](const std::string& temporary) {
                    return fs::is_regular_file(fs::symlink_status(temporary));
                }).ok());
    EXPECT_EQ(ReadBytes(path), New);
    EXPECT_EQ(ReadBytes(victim), Old);
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(path)));
}

TEST(FileStore, ASaveThroughALinkReplacesItsTargetKeepingModeAndOwner) {
    TempFolder folder;
    fs::create_directory(folder.Path() / "data");
    const std::string target = folder.File("data/table.dat");
    const std::string link = folder.File("table.dat");
    WriteBytes(target, Old);
    ::chmod(target.c_str(), 0600);
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(target.c_str(), 65534, 65534), 0);
    }
    fs::create_symlink("data/table.dat", link);

    ASSERT_TRUE(Store(link).ok());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadBytes(target), New);
    struct stat info {};
    ASSERT_EQ(::stat(target.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);
    if (root) {
        EXPECT_EQ(info.st_uid, 65534u);
    }
    EXPECT_TRUE(SameFile(link, target));
    EXPECT_FALSE(SameFile(link, folder.File("data")));
    EXPECT_FALSE(SameFile(link, folder.File("none")));

    // A link whose target is not there yet: the target is made.
    fs::create_symlink("data/new.dat", folder.File("new.dat"));
    ASSERT_TRUE(Store(folder.File("new.dat")).ok());
    EXPECT_TRUE(fs::is_symlink(folder.File("new.dat")));
    EXPECT_EQ(ReadBytes(folder.File("data/new.dat")), New);
}

TEST(FileStore, RightsAndDevicesAsTheSystemGivesThem) {
    TempFolder folder;
    const std::string path = folder.File("table.dat");
    fs::permissions(folder.Path(),
                    fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    // A folder that refuses new files, a file that may be written: written in place.
    WriteBytes(path, Old);
    fs::permissions(path, fs::perms::all);
    EXPECT_TRUE(AsUnprivilegedUser([&] { return Store(path).ok() && ReadBytes(path) == New; }));
    // A file without the right to write it is not replaced, even where the folder would allow it.
    WriteBytes(path, Old);
    fs::permissions(path, fs::perms::owner_read | fs::perms::others_read);
    fs::permissions(folder.Path(), fs::perms::all);
    EXPECT_TRUE(AsUnprivilegedUser([&] { return Store(path).error == FileError::Denied; }));
    fs::permissions(path, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(path), Old);
    EXPECT_EQ(FilesIn(folder), std::vector<std::string>{"table.dat"});

    // A device is written as it is, never replaced; a full one says so.
    if (!fs::is_character_file("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const FileStatus full = Store("/dev/full");
    EXPECT_EQ(full.error, FileError::NoSpace);
    EXPECT_TRUE(full.duringWrite);
    EXPECT_TRUE(fs::is_character_file("/dev/full"));
    EXPECT_EQ(FileStatusText(full), "no space left on the disk");
}
#endif
