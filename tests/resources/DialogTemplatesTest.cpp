// Dialog templates 101 (About) and 102 (drawing warning) as stored in both builds of
// NPVemoC.dll (the x86_64 one and the shipped i686 one, opened as a data file): frame styles,
// placement and size, font, and every control in template order with its class, text, id,
// style and rectangle.
#include <gtest/gtest.h>

#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <string>

#include "support/BuildPaths.h"
#include <vector>

namespace {

struct ParsedControl {
    std::string className; // "Button", "Static", ... or the class name
    std::string text;      // "#N" for an ordinal (an icon)
    int id;
    DWORD style;
    int x, y, cx, cy;
};

struct ParsedDialog {
    DWORD style = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    int pointSize = 0;
    std::string font;
    std::vector<ParsedControl> controls;
};

// Reads a DLGTEMPLATE with its items; false when it runs past size.
class TemplateReader {
public:
    TemplateReader(const uint8_t* data, size_t size) : data(data), size(size) {}

    bool Read(ParsedDialog& dialog) {
        uint32_t exStyle = 0;
        uint16_t count = 0;
        if (!Dword(dialog.style) || !Dword(exStyle) || !Word(count) || !Short(dialog.x) ||
            !Short(dialog.y) || !Short(dialog.cx) || !Short(dialog.cy)) {
            return false;
        }
        std::string menu, windowClass;
        if (!NameOrOrdinal(menu) || !NameOrOrdinal(windowClass) || !Text(dialog.caption)) {
            return false;
        }
        if (dialog.style & DS_SETFONT) {
            uint16_t points = 0;
            if (!Word(points) || !Text(dialog.font)) {
                return false;
            }
            dialog.pointSize = points;
        }
        for (uint16_t i = 0; i < count; ++i) {
            at = (at + 3) & ~size_t(3);
            ParsedControl control{};
            uint32_t itemExStyle = 0;
            uint16_t id = 0;
            uint32_t style = 0;
            if (!Dword(style) || !Dword(itemExStyle) || !Short(control.x) || !Short(control.y) ||
                !Short(control.cx) || !Short(control.cy) || !Word(id)) {
                return false;
            }
            control.style = style;
            control.id = id;
            uint16_t extra = 0;
            if (!ClassName(control.className) || !NameOrOrdinal(control.text) || !Word(extra)) {
                return false;
            }
            at += extra;
            dialog.controls.push_back(control);
        }
        return at <= size;
    }

private:
    const uint8_t* data;
    size_t size;
    size_t at = 0;

    bool Word(uint16_t& value) {
        if (at + 2 > size) {
            return false;
        }
        value = uint16_t(data[at] | data[at + 1] << 8);
        at += 2;
        return true;
    }
    bool Short(int& value) {
        uint16_t word = 0;
        if (!Word(word)) {
            return false;
        }
        value = int16_t(word);
        return true;
    }
    bool Dword(uint32_t& value) {
        uint16_t low = 0, high = 0;
        if (!Word(low) || !Word(high)) {
            return false;
        }
        value = uint32_t(low) | uint32_t(high) << 16;
        return true;
    }
    bool Dword(DWORD& value) {
        uint32_t v = 0;
        bool ok = Dword(v);
        value = v;
        return ok;
    }
    // A zero-terminated UTF-16 text, kept as bytes below 256 (cp1252 for U+2019 is not needed
    // here: the templates hold ASCII and the copyright sign).
    bool Text(std::string& text) {
        text.clear();
        for (;;) {
            uint16_t c = 0;
            if (!Word(c)) {
                return false;
            }
            if (c == 0) {
                return true;
            }
            text.push_back(c < 256 ? char(c) : '?');
        }
    }
    bool NameOrOrdinal(std::string& text) {
        if (at + 2 <= size && data[at] == 0xFF && data[at + 1] == 0xFF) {
            at += 2;
            uint16_t ordinal = 0;
            if (!Word(ordinal)) {
                return false;
            }
            text = "#" + std::to_string(ordinal);
            return true;
        }
        return Text(text);
    }
    bool ClassName(std::string& name) {
        if (!NameOrOrdinal(name)) {
            return false;
        }
        static const struct {
            const char* atom;
            const char* name;
        } atoms[] = {{"#128", "Button"},  {"#129", "Edit"},      {"#130", "Static"},
                     {"#131", "ListBox"}, {"#132", "ScrollBar"}, {"#133", "ComboBox"}};
        // A class given by atom or by name, in any case.
        for (const auto& known : atoms) {
            if (name == known.atom || lstrcmpiA(name.c_str(), known.name) == 0) {
                name = known.name;
            }
        }
        return true;
    }
};

struct PluginDll {
    const char* name;
    std::string path() const { return buildpaths::PluginDll(name); }
};

const PluginDll kDlls[] = {
    {"x86_64"},
    {"i686"},
};

class DialogTemplates : public ::testing::TestWithParam<PluginDll> {
protected:
    void SetUp() override {
        module = LoadLibraryExA(GetParam().path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << GetParam().path() << ": build that preset first";
    }
    void TearDown() override {
        if (module != nullptr) {
            FreeLibrary(module);
        }
    }

    ParsedDialog Load(int id) {
        ParsedDialog dialog;
        HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));
        EXPECT_NE(found, nullptr) << "dialog " << id;
        if (found == nullptr) {
            return dialog;
        }
        HGLOBAL loaded = LoadResource(module, found);
        const uint8_t* bytes = static_cast<const uint8_t*>(LockResource(loaded));
        TemplateReader reader(bytes, SizeofResource(module, found));
        EXPECT_TRUE(reader.Read(dialog)) << "dialog " << id << " is cut short";
        return dialog;
    }

    HMODULE module = nullptr;
};

struct ExpectedControl {
    const char* className;
    const char* text;
    int id;
    DWORD styleBits; // bits that must be set
    int x, y, cx, cy;
};

void ExpectControls(const ParsedDialog& dialog, const std::vector<ExpectedControl>& expected) {
    ASSERT_EQ(dialog.controls.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        const ParsedControl& got = dialog.controls[i];
        const ExpectedControl& want = expected[i];
        SCOPED_TRACE(testing::Message() << "control " << i << " " << want.text);
        EXPECT_EQ(got.className, want.className);
        EXPECT_EQ(got.text, want.text);
        EXPECT_EQ(got.id, want.id);
        EXPECT_EQ(got.style & want.styleBits, want.styleBits);
        EXPECT_EQ(got.style & WS_VISIBLE, DWORD(WS_VISIBLE));
        EXPECT_EQ(got.x, want.x);
        EXPECT_EQ(got.y, want.y);
        EXPECT_EQ(got.cx, want.cx);
        EXPECT_EQ(got.cy, want.cy);
    }
}

TEST_P(DialogTemplates, AboutBox) {
    ParsedDialog about = Load(101);
    EXPECT_EQ(about.caption, "About Vemo graphic plug-in");
    const DWORD frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    EXPECT_EQ(about.style & frame, frame);
    EXPECT_EQ(about.x, 34);
    EXPECT_EQ(about.y, 22);
    EXPECT_EQ(about.cx, 211);
    EXPECT_EQ(about.cy, 62);
    EXPECT_EQ(about.font, "MS Sans Serif");
    EXPECT_EQ(about.pointSize, 8);
    ExpectControls(about,
                   {
                       {"Static", "#2", 0xFFFF, SS_ICON, 10, 10, 21, 20},
                       {"Static", "Vemo graphic plug-in for Netscape and Internet Explorer 3",
                        0xFFFF, 0, 45, 10, 113, 18},
                       {"Static", "Copyright \xA9 Vemo", 32789, 0, 44, 45, 94, 8},
                       {"Button", "OK", IDOK, BS_DEFPUSHBUTTON, 164, 7, 40, 14},
                       {"Static", "", 1003, SS_NOPREFIX, 70, 31, 131, 8},
                       {"Static", "Version", 1004, SS_NOPREFIX, 44, 31, 24, 8},
                   });
}

TEST_P(DialogTemplates, DrawingWarning) {
    ParsedDialog warning = Load(102);
    EXPECT_EQ(warning.caption, "Warning from Vemo graphic plug-in");
    const DWORD frame = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    EXPECT_EQ(warning.style & frame, frame);
    EXPECT_EQ(warning.style & (DS_CENTER | DS_ABSALIGN), 0u) << "placed relative to the owner";
    EXPECT_EQ(warning.x, 0);
    EXPECT_EQ(warning.y, 0);
    EXPECT_EQ(warning.cx, 277);
    EXPECT_EQ(warning.cy, 77);
    EXPECT_EQ(warning.font, "MS Sans Serif");
    EXPECT_EQ(warning.pointSize, 8);
    // Template order is the tab order.
    ExpectControls(warning,
                   {
                       {"Button", "&Ignore", 1001, BS_DEFPUSHBUTTON | WS_TABSTOP, 80, 56, 50, 14},
                       {"Button", "&Go to Vemo", 1002, BS_PUSHBUTTON | WS_TABSTOP, 146, 56, 50, 14},
                       {"Button", "Don't show this warning again", 1000,
                        BS_AUTOCHECKBOX | WS_TABSTOP, 8, 40, 118, 10},
                       {"Static", "", 1003, SS_LEFT | SS_NOPREFIX, 8, 6, 261, 28},
                   });
    EXPECT_EQ(warning.controls[1].style & 0xF, DWORD(BS_PUSHBUTTON));
    EXPECT_EQ(warning.controls[2].style & 0xF, DWORD(BS_AUTOCHECKBOX));
    EXPECT_EQ(warning.controls[3].style & SS_TYPEMASK, DWORD(SS_LEFT)) << "word-wrapped";
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, DialogTemplates, ::testing::ValuesIn(kDlls),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
