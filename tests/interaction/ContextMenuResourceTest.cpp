// The context menu as the built plug-in libraries carry it (x86_64 and the shipped i686 one,
// read as data files): resource 201, one popup, its twelve items plain and enabled.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "support/BuildPaths.h"

namespace {

struct Library {
    const char* name;
    std::string path() const { return buildpaths::PluginDll(name); }
};

const Library kLibraries[] = {
    {"x86_64"},
    {"i686"},
};

struct Item {
    const char* text; // null for a separator
    UINT id;
};

const Item kItems[] = {
    {"Zoom Tool", 32773},
    {"Push Tool", 32774},
    {nullptr, 0},
    {"Previous Zoom", 32775},
    {"Default View", 32776},
    {"Full View", 32777},
    {nullptr, 0},
    {"Smoothed", 32779},
    {nullptr, 0},
    {"Save Graphic As...", 32804},
    {"About...", 32788},
    {"Go to Vemo", 32803},
};

TEST(ContextMenuResource, EachLibraryCarriesTheMenu) {
    for (const Library& library : kLibraries) {
        SCOPED_TRACE(library.name);
        HMODULE module = LoadLibraryExA(library.path().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << library.path();
        HMENU menu = LoadMenuA(module, MAKEINTRESOURCEA(201));
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(GetMenuItemCount(menu), 1);
        HMENU popup = GetSubMenu(menu, 0);
        ASSERT_NE(popup, nullptr);
        ASSERT_EQ(GetMenuItemCount(popup), 12);
        for (int i = 0; i < 12; ++i) {
            SCOPED_TRACE(i + 1);
            MENUITEMINFOA info{};
            char text[64] = {};
            info.cbSize = sizeof info;
            info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_STRING | MIIM_SUBMENU;
            info.dwTypeData = text;
            info.cch = sizeof text;
            ASSERT_TRUE(GetMenuItemInfoA(popup, UINT(i), TRUE, &info));
            EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, kItems[i].text == nullptr);
            EXPECT_EQ(info.hSubMenu, nullptr);
            if (kItems[i].text != nullptr) {
                EXPECT_EQ(info.fState & (MFS_GRAYED | MFS_CHECKED), 0u) << "plain in the resource";
                EXPECT_STREQ(text, kItems[i].text);
                EXPECT_EQ(info.wID, kItems[i].id);
            }
        }
        DestroyMenu(menu);
        FreeLibrary(module);
    }
}

} // namespace
