// The installer's resources as the program carries them: dialog 102, icon 110 and the cabinet.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "SetupDriver.h"

namespace setuptest {
namespace {

// Reads a dialog template (the DIALOG form, not DIALOGEX) through a bounded cursor.
struct TemplateReader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool ok = true;

    uint16_t Word() {
        if (at + 2 > size) {
            ok = false;
            return 0;
        }
        uint16_t w = static_cast<uint16_t>(data[at] | data[at + 1] << 8);
        at += 2;
        return w;
    }
    uint32_t Dword() {
        uint32_t low = Word();
        return low | static_cast<uint32_t>(Word()) << 16;
    }
    // A text or an ordinal (0xFFFF, number), given as "#number".
    std::string TextOrOrdinal() {
        uint16_t first = Word();
        if (first == 0xFFFF) {
            return "#" + std::to_string(Word());
        }
        std::string text;
        for (uint16_t c = first; ok && c != 0; c = Word()) {
            text += c < 128 ? static_cast<char>(c) : '?';
        }
        return text;
    }
    void AlignDword() { at = (at + 3) & ~size_t(3); }
};

struct Control {
    uint32_t style;
    int x, y, cx, cy;
    int id;
    std::string kind;
    std::string text;
};

struct Module {
    HMODULE handle;
    explicit Module(const std::string& path)
        : handle(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~Module() {
        if (handle != nullptr) {
            FreeLibrary(handle);
        }
    }
    std::string Resource(const char* type, int id) const {
        HRSRC found = FindResourceA(handle, MAKEINTRESOURCEA(id), type);
        if (found == nullptr) {
            return "";
        }
        HGLOBAL loaded = LoadResource(handle, found);
        return std::string(static_cast<const char*>(LockResource(loaded)),
                           SizeofResource(handle, found));
    }
};

// The predefined window classes by their ordinals, whichever way the template names them.
std::string KindOrdinal(const std::string& kind) {
    const char* const names[][2] = {{"BUTTON", "#128"}, {"EDIT", "#129"}, {"STATIC", "#130"}};
    for (const auto& n : names) {
        if (lstrcmpiA(kind.c_str(), n[0]) == 0) {
            return n[1];
        }
    }
    return kind;
}

std::string Program() {
    return ModuleFolder() + "SetupWithTestPayload.exe";
}

TEST(SetupResources, DialogTemplateIsAsDesigned) {
    Module module(Program());
    ASSERT_NE(module.handle, nullptr);
    std::string bytes = module.Resource(MAKEINTRESOURCEA(5), 102); // RT_DIALOG
    ASSERT_FALSE(bytes.empty());
    TemplateReader r{reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()};
    uint32_t style = r.Dword();
    r.Dword(); // extended style
    uint16_t count = r.Word();
    int x = static_cast<int16_t>(r.Word()), y = static_cast<int16_t>(r.Word());
    int cx = r.Word(), cy = r.Word();
    EXPECT_EQ(r.TextOrOrdinal(), ""); // no menu
    EXPECT_EQ(r.TextOrOrdinal(), ""); // the standard dialog class
    EXPECT_EQ(r.TextOrOrdinal(), "Vemo graphic plug-in 2.0 Setup");
    ASSERT_TRUE(style & DS_SETFONT);
    EXPECT_EQ(r.Word(), 8);
    EXPECT_EQ(r.TextOrOrdinal(), "MS Sans Serif");
    uint32_t wanted = DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    EXPECT_EQ(style & wanted, wanted);
    EXPECT_EQ(style & (WS_CHILD | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(cx, 274);
    EXPECT_EQ(cy, 140);

    std::vector<Control> controls;
    for (int i = 0; i < count && r.ok; ++i) {
        r.AlignDword();
        Control c;
        c.style = r.Dword();
        r.Dword();
        c.x = static_cast<int16_t>(r.Word());
        c.y = static_cast<int16_t>(r.Word());
        c.cx = r.Word();
        c.cy = r.Word();
        c.id = r.Word();
        c.kind = KindOrdinal(r.TextOrOrdinal());
        c.text = r.TextOrOrdinal();
        r.at += r.Word(); // creation data
        controls.push_back(c);
    }
    ASSERT_TRUE(r.ok);
    // Kinds: #128 button, #129 edit, #130 static.
    struct Expected {
        int id;
        const char* kind;
        uint32_t typeMask;
        uint32_t type;
        uint32_t flags; // also set
        const char* text;
        int x, y, cx, cy;
    } expected[] = {
        {103, "#130", SS_TYPEMASK, SS_LEFT, 0,
         "Welcome to the Vemo graphic plug-in 2.0 Setup program.\n\nThis will install the Vemo "
         "graphic plug-in 2.0 for Netscape Navigator and Internet Explorer.",
         37, 7, 230, 34},
        {104, "#128", BS_TYPEMASK, BS_GROUPBOX, 0, "Destination Folder", 7, 80, 260, 32},
        {105, "#129", 0, 0, WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, "", 13, 92, 190, 14},
        {106, "#128", BS_TYPEMASK, BS_PUSHBUTTON, WS_TABSTOP, "&Browse...", 210, 92, 50, 14},
        {107, "#128", BS_TYPEMASK, BS_DEFPUSHBUTTON, WS_TABSTOP, "&Install", 79, 119, 50, 14},
        {108, "#128", BS_TYPEMASK, BS_PUSHBUTTON, WS_TABSTOP, "&Cancel", 145, 119, 50, 14},
        {1006, "#130", SS_TYPEMASK, SS_ICON, 0, "#110", 7, 7, 18, 20},
        {109, "#130", SS_TYPEMASK, SS_LEFT, 0,
         "Click Install to install the plug-in to the folder below.\nClick Browse... to change "
         "the destination folder.\nClick Cancel to quit Setup.",
         37, 47, 230, 26},
    };
    ASSERT_EQ(controls.size(), std::size(expected));
    for (size_t i = 0; i < controls.size(); ++i) {
        const Control& c = controls[i];
        const Expected& e = expected[i];
        SCOPED_TRACE(e.id);
        EXPECT_EQ(c.id, e.id);
        EXPECT_EQ(c.kind, e.kind);
        EXPECT_EQ(c.style & e.typeMask, e.type);
        EXPECT_EQ(c.style & e.flags, e.flags);
        EXPECT_TRUE(c.style & WS_VISIBLE);
        EXPECT_EQ(c.text, e.text);
        EXPECT_EQ(c.x, e.x);
        EXPECT_EQ(c.y, e.y);
        EXPECT_EQ(c.cx, e.cx);
        EXPECT_EQ(c.cy, e.cy);
    }
}

TEST(SetupResources, IconHasBothSizes) {
    Module module(Program());
    ASSERT_NE(module.handle, nullptr);
    std::string group = module.Resource(MAKEINTRESOURCEA(14), 110); // RT_GROUP_ICON
    ASSERT_GE(group.size(), 6u);
    const uint8_t* g = reinterpret_cast<const uint8_t*>(group.data());
    size_t count = g[4] | g[5] << 8;
    ASSERT_EQ(group.size(), 6 + 14 * count);
    std::vector<int> sizes;
    for (size_t i = 0; i < count; ++i) {
        sizes.push_back(g[6 + 14 * i] == 0 ? 256 : g[6 + 14 * i]);
    }
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
    HICON icon =
        static_cast<HICON>(LoadImageA(module.handle, MAKEINTRESOURCEA(110), IMAGE_ICON, 16, 16, 0));
    EXPECT_NE(icon, nullptr);
    if (icon != nullptr) {
        DestroyIcon(icon);
    }
}

TEST(SetupResources, CarriesTheCabinetAsMade) {
    Module module(Program());
    ASSERT_NE(module.handle, nullptr);
    std::string carried = module.Resource("CABINET", 101);
    std::string made = ReadWholeFile(ModuleFolder() + "SetupWithTestPayload-payload\\NPVemoC.cab");
    ASSERT_GT(made.size(), 36u);
    EXPECT_EQ(carried.size(), made.size());
    EXPECT_TRUE(carried == made);
}

} // namespace
} // namespace setuptest
