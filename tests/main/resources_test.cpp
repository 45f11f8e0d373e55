// The program's resources, linked into this test as into zr3config.exe: icon 1, the version
// block, the manifest and the dialog templates.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "zr3_version.h"

namespace {

std::string ResourceText(LPCSTR name, LPCSTR type) {
    HRSRC found = FindResourceA(nullptr, name, type);
    if (found == nullptr) return std::string();
    HGLOBAL loaded = LoadResource(nullptr, found);
    const char* data = static_cast<const char*>(LockResource(loaded));
    return data != nullptr ? std::string(data, SizeofResource(nullptr, found)) : std::string();
}

// A value of the version block's string table (US English, Windows-1252).
std::string VersionString(const std::string& block, const char* key) {
    std::vector<char> copy(block.begin(), block.end());
    char* value = nullptr;
    UINT length = 0;
    std::string path = std::string("\\StringFileInfo\\040904E4\\") + key;
    if (!VerQueryValueA(copy.data(), path.c_str(), reinterpret_cast<void**>(&value), &length) ||
        value == nullptr)
        return "<none>";
    return std::string(value, strnlen(value, length));
}

TEST(ProgramResourcesTest, TheIconIsOne32By32ImageOf16Colours) {
    // The group entry of icon 1 describes its single image.
    std::string group = ResourceText(MAKEINTRESOURCEA(1), RT_GROUP_ICON);
    ASSERT_EQ(group.size(), 6u + 14u);
    auto byte = [&](size_t i) { return static_cast<uint8_t>(group[i]); };
    EXPECT_EQ(byte(4) | (byte(5) << 8), 1) << "one image";
    EXPECT_EQ(byte(6), 32);  // width
    EXPECT_EQ(byte(7), 32);  // height
    EXPECT_EQ(byte(8), 16);  // colours
    EXPECT_EQ(byte(12), 4);  // bits per pixel
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(1));
    ASSERT_NE(icon, nullptr);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    if (info.hbmColor != nullptr) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

TEST(ProgramResourcesTest, TheVersionBlockNamesTheProductAndTheProjectVersion) {
    std::string block = ResourceText(MAKEINTRESOURCEA(VS_VERSION_INFO), RT_VERSION);
    ASSERT_FALSE(block.empty());
    EXPECT_EQ(VersionString(block, "ProductName"), "ZR3 config");
    EXPECT_EQ(VersionString(block, "FileVersion"), ZR3_VERSION_TEXT);
    std::vector<char> copy(block.begin(), block.end());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(copy.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_NE(fixed, nullptr);
    EXPECT_EQ(fixed->dwFileVersionMS,
              static_cast<DWORD>((ZR3_VERSION_MAJOR << 16) | ZR3_VERSION_MINOR));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(ZR3_VERSION_PATCH << 16));
}

TEST(ProgramResourcesTest, TheManifestAsksForCommonControls6AndPerMonitorDpi) {
    std::string manifest = ResourceText(MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("true/pm"), std::string::npos);
    // One manifest only: the toolchain's default one is not linked in besides.
    EXPECT_EQ(FindResourceA(nullptr, MAKEINTRESOURCEA(2), RT_MANIFEST), nullptr);
}

TEST(ProgramResourcesTest, TheDialogTemplates6To9AreThere) {
    for (int id = 6; id <= 9; ++id)
        EXPECT_NE(FindResourceA(nullptr, MAKEINTRESOURCEA(id), RT_DIALOG), nullptr) << id;
}

}  // namespace
