// Only the system's DLLs: the program's own loads name the system folder, the search of the whole
// process is limited to it, and zr3config.exe's load configuration asks the loader to take its
// imports from there too. zr3plant.dll lies beside this test and is loaded as native.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

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

// zr3config.exe's image, mapped as the loader maps it but not run.
TEST(LoadConfigurationTest, DependentLoadsAreLimitedToTheSystemFolder) {
    const char* path = std::getenv("ZR3_CONFIG_EXE");
    ASSERT_NE(path, nullptr) << "ZR3_CONFIG_EXE names no program";
    // A Unix path reaches a Windows program through drive Z:.
    const std::string name = path[0] == '/' ? std::string("Z:") + path : path;
    HMODULE mapped = LoadLibraryExA(name.c_str(), nullptr, LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(mapped, nullptr) << "cannot map " << name;
    const auto* base = reinterpret_cast<const uint8_t*>(reinterpret_cast<uintptr_t>(mapped) &
                                                        ~static_cast<uintptr_t>(3));
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* headers = reinterpret_cast<const IMAGE_NT_HEADERS64*>(base + dos->e_lfanew);
    ASSERT_EQ(headers->OptionalHeader.Magic, IMAGE_NT_OPTIONAL_HDR64_MAGIC);
    const IMAGE_DATA_DIRECTORY& directory =
        headers->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG];
    ASSERT_NE(directory.VirtualAddress, 0u) << "no load configuration";
    uint32_t size = 0;
    uint16_t dependentLoadFlags = 0;
    std::memcpy(&size, base + directory.VirtualAddress, sizeof size);
    // DependentLoadFlags: 16 bits at byte 78 of the 64-bit structure.
    std::memcpy(&dependentLoadFlags, base + directory.VirtualAddress + 78,
                sizeof dependentLoadFlags);
    EXPECT_EQ(directory.Size, size) << "the directory's size is the structure's own";
    EXPECT_GE(size, 80u) << "the structure ends before DependentLoadFlags";
    EXPECT_EQ(dependentLoadFlags, 0x0800) << "LOAD_LIBRARY_SEARCH_SYSTEM32";
    FreeLibrary(mapped);
}

}  // namespace
