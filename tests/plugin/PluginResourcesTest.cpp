// The resources the browser and the plug-in read from NPVemoC.dll: the version block the
// browser registers the plug-in from, and the string table. Both builds are checked: the x86_64
// DLL and the shipped i686 DLL, which a 64-bit process can open as a data file.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "support/BuildPaths.h"

#include "plugin/HostServices.h"
#include "plugin/TextBuffer.h"

namespace {

struct PluginDll {
    const char* name;
    std::string path() const { return buildpaths::PluginDll(name); }
};

const PluginDll kDlls[] = {
    {"x86_64"},
    {"i686"},
};

class PluginResources : public ::testing::TestWithParam<PluginDll> {
protected:
    void SetUp() override {
        path = GetParam().path();
        if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
            FAIL() << "NPVemoC.dll (" << GetParam().name << ") is not at " << path
                   << ": build that preset first (scripts/test.sh builds win32 before win64),"
                   << " or set VEMO_WIN32_PLUGIN_DLL";
        }
    }
    std::string path;
};

std::string VersionString(const std::vector<char>& block, const char* key) {
    std::string query = std::string("\\StringFileInfo\\040904E4\\") + key;
    void* value = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(block.data(), query.c_str(), &value, &length) || value == nullptr) {
        return "<missing>";
    }
    return static_cast<const char*>(value);
}

TEST_P(PluginResources, VersionBlockCarriesTheRegistrationData) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

    const struct {
        const char* key;
        const char* value;
    } expected[] = {
        {"MIMEType", "application/x-AstelVEMO|application/vnd.vemo"},
        {"FileExtents", "vem,web|vem,web"},
        {"FileOpenName", "Vemo (*.vem;*.web)|Vemo (*.vem;*.web)"},
        {"FileDescription", "NPVemoC Vemo Netscape Plugin DLL"},
        {"ProductName", "Vemo plug-in for Netscape and Internet Explorer 3"},
        {"InternalName", "NPVemoC"},
        {"FileVersion", "1, 0, 0, 13"},
        {"ProductVersion", "1, 0, 0, 13"},
    };
    for (const auto& entry : expected) {
        EXPECT_EQ(VersionString(block, entry.key), entry.value) << entry.key;
    }

    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1252);

    VS_FIXEDFILEINFO* fixed = nullptr;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x0000000Du);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x0000000Du);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
    EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS__WINDOWS32));
}

// The registration lists pair up entry by entry.
TEST_P(PluginResources, RegistrationListsHaveEqualLengths) {
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));
    auto entries = [&](const char* key) {
        std::string value = VersionString(block, key);
        return std::count(value.begin(), value.end(), '|') + 1;
    };
    EXPECT_EQ(entries("MIMEType"), 2);
    EXPECT_EQ(entries("FileExtents"), 2);
    EXPECT_EQ(entries("FileOpenName"), 2);
}

TEST_P(PluginResources, StringTableReadsBackByteForByte) {
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << GetLastError();
    HINSTANCE previous = PluginModule();
    SetPluginModule(module);

    const struct {
        uint32_t id;
        const char* text; // null: the id has no text
    } expected[] = {
        {32792, "An internal error has occured"},
        {32793, "Error from "},
        {32795, "Failed to load corrupt file"},
        {32798, "Out of memory"},
        {32799, "Incompatible file version"},
        {32800, nullptr},
        {32801, "http://www.vemo.example/plugin/index.html"},
        {32802, "\x92 contains objects (not from version 1.5) which are not understood"},
        {32803, "\x92 contains version 1.5 objects (such as blends and text) which are not yet "
                "supported"},
        {32804, "The drawing '"},
        {32805, " by the Vemo graphic plug-in.  There may be an upgrade available on the Vemo "
                "web site."},
        {32807, "Vemo graphic plug-in"},
    };
    for (const auto& entry : expected) {
        TextBuffer text("stale");
        bool loaded = text.LoadString(entry.id);
        if (entry.text == nullptr) {
            EXPECT_FALSE(loaded) << entry.id;
            EXPECT_EQ(text.length, 0) << entry.id;
            EXPECT_EQ(text.text, nullptr) << entry.id;
        } else {
            ASSERT_TRUE(loaded) << entry.id;
            EXPECT_EQ(std::string(text.text, text.length), entry.text) << entry.id;
            EXPECT_EQ(text.length, static_cast<int32_t>(strlen(entry.text))) << entry.id;
        }
    }
    SetPluginModule(previous);
    FreeLibrary(module);
}

TEST_P(PluginResources, QuotationMarkIsByte92InCodePage1252) {
    HMODULE module = LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    for (UINT id : {32802u, 32803u}) {
        char text[256] = {};
        ASSERT_GT(LoadStringA(module, id, text, 255), 0);
        EXPECT_EQ(static_cast<unsigned char>(text[0]), 0x92) << id;
    }
    FreeLibrary(module);
}

INSTANTIATE_TEST_SUITE_P(BothBuilds, PluginResources, ::testing::ValuesIn(kDlls),
                         [](const ::testing::TestParamInfo<PluginDll>& info) {
                             return std::string(info.param.name == std::string("i686") ? "i686"
                                                                                       : "x86_64");
                         });

} // namespace
