// Only the system's DLLs: the program's own loads name the system folder, the search of the whole
// process is limited to it, and zr3config.exe's load configuration asks the loader to take its
// imports from there too. zr3plant.dll lies beside this test and is loaded as native.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "ui/framework/system_library.h"

namespace {

constexpr char Planted[] = "zr3plant.dll";

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

std::string Lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// Declared in order: the planted DLL must not be loaded when the first case runs, and the last
// limits the whole process.
TEST(DllSearchTest, TheProgramsOwnLoadsTakeOnlyTheSystemsDll) {
    EXPECT_EQ(LoadSystemLibrary(Planted), nullptr);
    EXPECT_EQ(GetModuleHandleA(Planted), nullptr) << "the planted DLL was loaded";

    HMODULE theme = LoadSystemLibrary("uxtheme.dll");
    ASSERT_NE(theme, nullptr);
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(Lower(ModulePath(theme)), Lower(std::string(system) + "\\uxtheme.dll"));
    EXPECT_EQ(LoadSystemLibrary("..\\zr3plant.dll"), nullptr) << "a path is no system DLL";
}

TEST(DllSearchTest, APlainLoadByNameFindsThePlantedDll) {
    // Without the limit the search starts in the program's folder: the plant is there to find.
    HMODULE planted = LoadLibraryA(Planted);
    ASSERT_NE(planted, nullptr) << "the planted DLL is missing beside the test";
    EXPECT_NE(GetProcAddress(planted, "PlantedMarker"), nullptr);
    FreeLibrary(planted);
    EXPECT_EQ(GetModuleHandleA(Planted), nullptr);
}

TEST(DllSearchTest, AfterTheLimitEvenAPlainLoadSkipsTheProgramsFolder) {
    ASSERT_TRUE(LimitDllSearchToSystem());
    EXPECT_EQ(LoadLibraryA(Planted), nullptr);
    EXPECT_EQ(GetModuleHandleA(Planted), nullptr);
    EXPECT_NE(LoadLibraryA("uxtheme.dll"), nullptr);
}

// The image of zr3config.exe as the file holds it.
class LoadConfigurationTest : public ::testing::Test {
  protected:
    void SetUp() override {
        const char* path = std::getenv("ZR3_CONFIG_EXE");
        ASSERT_NE(path, nullptr) << "ZR3_CONFIG_EXE names no program";
        // A Unix path reaches a Windows program through drive Z:.
        std::string name = path[0] == '/' ? std::string("Z:") + path : path;
        std::ifstream file(name, std::ios::binary);
        ASSERT_TRUE(file) << "cannot read " << name;
        image.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    }

    template <typename Record>
    bool ReadAt(size_t offset, Record& record) const {
        if (offset > image.size() || image.size() - offset < sizeof record) return false;
        std::memcpy(&record, image.data() + offset, sizeof record);
        return true;
    }

    // The file offset of a relative virtual address, through the section table.
    bool FileOffset(const IMAGE_NT_HEADERS64& headers, size_t headersAt, DWORD rva,
                    size_t& offset) const {
        size_t sections = headersAt + offsetof(IMAGE_NT_HEADERS64, OptionalHeader) +
                          headers.FileHeader.SizeOfOptionalHeader;
        for (WORD i = 0; i < headers.FileHeader.NumberOfSections; ++i) {
            IMAGE_SECTION_HEADER section{};
            if (!ReadAt(sections + i * sizeof section, section)) return false;
            if (rva >= section.VirtualAddress &&
                rva < section.VirtualAddress + section.SizeOfRawData) {
                offset = rva - section.VirtualAddress + section.PointerToRawData;
                return true;
            }
        }
        return false;
    }

    std::vector<char> image;
};

TEST_F(LoadConfigurationTest, DependentLoadsAreLimitedToTheSystemFolder) {
    IMAGE_DOS_HEADER dos{};
    ASSERT_TRUE(ReadAt(0, dos));
    ASSERT_EQ(dos.e_magic, IMAGE_DOS_SIGNATURE);
    IMAGE_NT_HEADERS64 headers{};
    const auto headersAt = static_cast<size_t>(dos.e_lfanew);
    ASSERT_TRUE(ReadAt(headersAt, headers));
    ASSERT_EQ(headers.Signature, IMAGE_NT_SIGNATURE);
    ASSERT_EQ(headers.OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);

    const IMAGE_DATA_DIRECTORY& directory =
        headers.OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
    ASSERT_NE(directory.VirtualAddress, 0u) << "no load configuration";
    size_t at = 0;
    ASSERT_TRUE(FileOffset(headers, headersAt, directory.VirtualAddress, at));
    uint32_t size = 0;
    uint16_t dependentLoadFlags = 0;
    ASSERT_TRUE(ReadAt(at, size));
    // DependentLoadFlags: 16 bits at byte 78 of the 64-bit structure.
    ASSERT_TRUE(ReadAt(at + 78, dependentLoadFlags));
    EXPECT_EQ(directory.Size, size) << "the directory's size is the structure's own";
    EXPECT_GE(size, 80u) << "the structure ends before DependentLoadFlags";
    EXPECT_EQ(dependentLoadFlags, 0x0800) << "LOAD_LIBRARY_SEARCH_SYSTEM32";
}

}  // namespace
