#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>

#include "resources/dialog_ids.h"

// The dialog templates as the resource compiler left them in this program, read back item by
// item and compared with the layout the dialogs are drawn to.
namespace {

struct Item {
    int id = 0;
    std::string windowClass;
    std::string text;
    int x = 0, y = 0, width = 0, height = 0;
    uint32_t style = 0;
    bool operator==(const Item&) const = default;
};

struct Template {
    uint32_t style = 0;
    int x = 0, y = 0, width = 0, height = 0;
    std::string caption;
    std::vector<Item> items;
};

void PrintTo(const Item& item, std::ostream* out) {
    *out << "{" << item.id << ", " << item.windowClass << ", \"" << item.text << "\", " << item.x
         << "," << item.y << "," << item.width << "," << item.height << ", 0x" << std::hex
         << item.style << std::dec << "}";
}

class Reader {
  public:
    explicit Reader(const uint8_t* at) : at(at), start(at) {}
    uint16_t Word() {
        uint16_t value = static_cast<uint16_t>(at[0] | at[1] << 8);
        at += 2;
        return value;
    }
    uint32_t Dword() {
        uint32_t low = Word();
        return low | static_cast<uint32_t>(Word()) << 16;
    }
    int Short() { return static_cast<int16_t>(Word()); }
    // A zero-terminated UTF-16 text (ASCII here), or an ordinal after 0xFFFF.
    std::string NameOrOrdinal() {
        uint16_t first = Word();
        if (first == 0xFFFF) return "#" + std::to_string(Word());
        std::string text;
        for (uint16_t c = first; c != 0; c = Word())
            text.push_back(static_cast<char>(c));
        return text;
    }
    void AlignDword() {
        while ((at - start) % 4 != 0)
            ++at;
    }

  private:
    const uint8_t* at;
    const uint8_t* start;
};

std::string ClassName(std::string name) {
    if (name == "#128") return "button";
    if (name == "#129") return "edit";
    if (name == "#130") return "static";
    if (name == "#131") return "listbox";
    for (char& c : name)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

Template Load(int id) {
    Template result;
    HRSRC resource = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
    if (resource == nullptr) return result;
    auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, resource)));
    Reader reader(bytes);
    result.style = reader.Dword();
    reader.Dword();  // extended style
    const int count = reader.Word();
    result.x = reader.Short();
    result.y = reader.Short();
    result.width = reader.Short();
    result.height = reader.Short();
    EXPECT_EQ(reader.NameOrOrdinal(), "") << "menu";
    EXPECT_EQ(reader.NameOrOrdinal(), "") << "class";
    result.caption = reader.NameOrOrdinal();
    EXPECT_EQ(result.style & DS_SETFONT, 0u) << "the system font";
    for (int i = 0; i < count; ++i) {
        reader.AlignDword();
        Item item;
        item.style = reader.Dword();
        reader.Dword();
        item.x = reader.Short();
        item.y = reader.Short();
        item.width = reader.Short();
        item.height = reader.Short();
        item.id = reader.Short();
        item.windowClass = ClassName(reader.NameOrOrdinal());
        item.text = reader.NameOrOrdinal();
        reader.Word();  // creation data
        result.items.push_back(item);
    }
    return result;
}

constexpr uint32_t DialogStyle = WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr uint32_t Child = WS_CHILD | WS_VISIBLE;
constexpr uint32_t Button = Child | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON;
constexpr uint32_t Check = Child | WS_GROUP | WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr uint32_t Label = Child | WS_GROUP | SS_LEFT;
constexpr uint32_t Centred = Child | WS_GROUP | SS_CENTER;
constexpr uint32_t Frame = Child | WS_GROUP | BS_GROUPBOX;
constexpr uint32_t Value = Child | WS_BORDER | SS_RIGHT;
constexpr uint32_t Edit = Child | WS_GROUP | WS_TABSTOP | WS_BORDER | ES_RIGHT;
constexpr uint32_t Progress = Child | WS_GROUP;

TEST(DialogTemplate, CableCompensation) {
    Template t = Load(IDD_CABLE_COMPENSATION);
    EXPECT_EQ(t.caption, "Cable compensation");
    EXPECT_EQ(t.style, DialogStyle);
    EXPECT_EQ((std::vector<int>{t.x, t.y, t.width, t.height}), (std::vector<int>{81, 50, 170, 58}));
    EXPECT_EQ(t.items, (std::vector<Item>{
                           {1, "button", "OK", 60, 41, 50, 12, Button},
                           {-1, "static", "Capacity:", 5, 6, 35, 10, Label},
                           {101, "static", "", 45, 5, 80, 12, Value},
                           {102, "button", "Start", 130, 5, 35, 12, Button | WS_DISABLED},
                           {103, "msctls_progress32", "", 5, 25, 160, 10, Progress},
                       }));
}

TEST(DialogTemplate, ProbeCalibration) {
    Template t = Load(IDD_PROBE_CALIBRATION);
    EXPECT_EQ(t.caption, "Probe calibration");
    EXPECT_EQ(t.style, DialogStyle);
    EXPECT_EQ((std::vector<int>{t.x, t.y, t.width, t.height}),
              (std::vector<int>{76, 50, 180, 148}));
    EXPECT_EQ(t.items, (std::vector<Item>{
                           {1, "button", "OK", 65, 131, 50, 12, Button},
                           {-1, "static", "Normal [uS/cm]:", 5, 6, 55, 10, Label},
                           {101, "edit", "", 65, 5, 70, 12, Edit},
                           {-1, "static", "Conduct. [uS]:", 5, 21, 55, 10, Label},
                           {102, "static", "", 65, 20, 70, 12, Value},
                           {103, "button", "Start", 140, 5, 35, 27, Button | WS_DISABLED},
                           {104, "msctls_progress32", "", 5, 36, 170, 10, Progress},
                           {-1, "button", "Values:", 5, 51, 170, 75, Frame},
                           {-1, "static", "Normal [uS/cm]:", 10, 66, 60, 10, Label},
                           {105, "static", "", 75, 65, 70, 12, Value},
                           {-1, "static", "Conduct. [uS]:", 10, 81, 60, 10, Label},
                           {106, "static", "", 75, 80, 70, 12, Value},
                           {-1, "static", "Coefficient [1/cm]:", 10, 96, 60, 10, Label},
                           {107, "edit", "", 75, 95, 70, 12, Edit | WS_DISABLED},
                           {108, "button", "Manual entry", 10, 110, 60, 10, Check | WS_DISABLED},
                       }));
}

TEST(DialogTemplate, ProbeTable) {
    Template t = Load(IDD_PROBE_TABLE);
    EXPECT_EQ(t.caption, "Probe calibration");
    EXPECT_EQ(t.style, DialogStyle);
    EXPECT_EQ((std::vector<int>{t.x, t.y, t.width, t.height}),
              (std::vector<int>{76, 50, 180, 241}));
    const uint32_t list =
        Child | WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_TABSTOP | WS_GROUP;
    EXPECT_EQ(t.items, (std::vector<Item>{
                           {1, "button", "OK", 65, 224, 50, 12, Button},
                           {97, "static", "Normal [uS/cm]", 5, 4, 54, 8, Centred},
                           {98, "static", "Conduct. [uS]", 61, 4, 54, 8, Centred},
                           {101, "listbox", "", 5, 13, 110, 55, list},
                           {102, "button", "Delete all", 120, 5, 55, 12, Button},
                           {103, "button", "Delete", 120, 22, 55, 12, Button},
                           {104, "button", "Calculate", 120, 39, 55, 12, Button},
                           {105, "button", "Into file", 120, 56, 55, 12, Button},
                           {-1, "static", "Normal [uS/cm]:", 5, 74, 55, 10, Label},
                           {106, "edit", "", 65, 73, 70, 12, Edit},
                           {-1, "static", "Conduct. [uS]:", 5, 91, 55, 10, Label},
                           {107, "static", "", 65, 90, 70, 12, Value},
                           {108, "button", "Start", 140, 73, 35, 29, Button},
                           {109, "msctls_progress32", "", 5, 107, 170, 10, Progress},
                           {-1, "button", "Coefficients:", 5, 122, 170, 96, Frame},
                           {99, "static", "K [0]:", 10, 136, 20, 10, Label},
                           {110, "edit", "", 35, 135, 110, 12, Edit},
                           {-1, "static", "K [1]:", 10, 153, 20, 10, Label},
                           {111, "edit", "", 35, 152, 110, 12, Edit},
                           {-1, "static", "K [2]:", 10, 170, 20, 10, Label},
                           {112, "edit", "", 35, 169, 110, 12, Edit},
                           {-1, "static", "K [3]:", 10, 187, 20, 10, Label},
                           {113, "edit", "", 35, 186, 110, 12, Edit},
                           {114, "button", "Manual entry", 10, 202, 60, 10, Check},
                       }));
}

TEST(DialogTemplate, Relay) {
    Template t = Load(IDD_RELAY);
    EXPECT_EQ(t.caption, "Relay");
    EXPECT_EQ(t.style, DialogStyle);
    EXPECT_EQ((std::vector<int>{t.x, t.y, t.width, t.height}), (std::vector<int>{86, 50, 160, 87}));
    EXPECT_EQ(t.items, (std::vector<Item>{
                           {1, "button", "OK", 55, 69, 50, 12, Button},
                           {-1, "static", "Variant", 5, 6, 40, 9, Label},
                           {101, "static", "", 50, 5, 106, 11, Value},
                           {-1, "static", "Value", 50, 22, 50, 10, Centred},
                           {-1, "static", "Delay", 105, 22, 50, 10, Centred},
                           {-1, "static", "Close", 5, 36, 40, 10, Label},
                           {102, "edit", "", 50, 35, 50, 12, Edit},
                           {103, "edit", "", 105, 35, 50, 12, Edit | ES_NUMBER},
                           {-1, "static", "Open", 5, 51, 40, 10, Label},
                           {104, "edit", "", 50, 50, 50, 12, Edit},
                           {105, "edit", "", 105, 50, 50, 12, Edit | ES_NUMBER},
                       }));
}

}  // namespace
