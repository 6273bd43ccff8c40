// Which libraries a browser takes from its plug-in folder, and what they declare.
#include <gtest/gtest.h>

#include "host/PluginList.h"

using namespace vemohost;

namespace {

VersionStrings Good() {
    VersionStrings s;
    s.hasMimeType = s.hasFileExtents = s.hasFileOpenName = s.hasProductName = s.hasFileDescription =
        true;
    s.mimeType = "application/x-AstelVEMO|application/vnd.vemo";
    s.fileExtents = "vem,web|vem,web";
    s.fileOpenName = "Vemo (*.vem;*.web)|Vemo (*.vem;*.web)";
    s.productName = "Product";
    s.fileDescription = "Description";
    return s;
}

TEST(PluginFileName, NpPrefixDllSuffixAndSevenCharacters) {
    struct Case {
        const char* name;
        bool plugin;
    } cases[] = {{"NPVemoC.dll", true},      {"npvemoc.DLL", true}, {"npa.dll", true},
                 {"np.dll", false},          {"xnp.dll", false},    {"npvemoc.exe", false},
                 {"npvemoc.dll.bak", false}, {"NPX.DLL", true},     {"", false}};
    for (const Case& c : cases) {
        EXPECT_EQ(IsPluginFileName(c.name), c.plugin) << c.name;
    }
}

TEST(DescribePlugin, PairsTheNthEntriesOfTheThreeLists) {
    PluginDescription d;
    std::string why;
    ASSERT_TRUE(DescribePlugin(Good(), d, why)) << why;
    ASSERT_EQ(d.types.size(), 2u);
    EXPECT_EQ(d.types[0].type, "application/x-AstelVEMO");
    EXPECT_EQ(d.types[1].type, "application/vnd.vemo");
    EXPECT_EQ(d.types[1].extensions, (std::vector<std::string>{"vem", "web"}));
    EXPECT_EQ(d.types[0].description, "Vemo (*.vem;*.web)");
    EXPECT_EQ(d.productName, "Product");
    EXPECT_EQ(d.description, "Description");
}

TEST(DescribePlugin, RejectsWhatBrowsersReject) {
    struct Case {
        const char* what;
        void (*change)(VersionStrings&);
        const char* why;
    } cases[] = {
        {"no MIMEType", [](VersionStrings& s) { s.hasMimeType = false; }, "no MIMEType"},
        {"no ProductName", [](VersionStrings& s) { s.hasProductName = false; }, "no ProductName"},
        {"no FileDescription", [](VersionStrings& s) { s.hasFileDescription = false; },
         "no FileDescription"},
        {"short extents", [](VersionStrings& s) { s.fileExtents = "vem"; },
         "FileExtents has 1 entries, MIMEType 2"},
        {"long open names", [](VersionStrings& s) { s.fileOpenName = "a|b|c"; },
         "FileOpenName has 3 entries, MIMEType 2"},
        {"empty type", [](VersionStrings& s) { s.mimeType = "application/x-a|"; },
         "empty MIME type"},
    };
    for (const Case& c : cases) {
        VersionStrings s = Good();
        c.change(s);
        PluginDescription d;
        std::string why;
        EXPECT_FALSE(DescribePlugin(s, d, why)) << c.what;
        EXPECT_EQ(why, c.why) << c.what;
    }
}

TEST(DescribePlugin, MissingExtentsOrOpenNamesAreNoLists) {
    VersionStrings s = Good();
    s.hasFileExtents = s.hasFileOpenName = false;
    PluginDescription d;
    std::string why;
    ASSERT_TRUE(DescribePlugin(s, d, why));
    EXPECT_TRUE(d.types[0].extensions.empty());
    EXPECT_EQ(d.types[0].description, "");
}

TEST(DescribePlugin, SpacesAndDotsAroundExtensionsAreDropped) {
    VersionStrings s = Good();
    s.mimeType = " application/x-a ";
    s.fileExtents = " .aa , bb ,, ";
    s.fileOpenName = "A";
    PluginDescription d;
    std::string why;
    ASSERT_TRUE(DescribePlugin(s, d, why));
    EXPECT_EQ(d.types[0].type, "application/x-a");
    EXPECT_EQ(d.types[0].extensions, (std::vector<std::string>{"aa", "bb"}));
}

TEST(FindPlugin, ByTypeAndByExtensionInAnyCaseFirstMatchWins) {
    std::vector<PluginDescription> list(2);
    list[0].types = {{"application/x-one", {"one", "both"}, ""}};
    list[1].types = {{"application/x-two", {"two", "both"}, ""}};
    std::string type;
    EXPECT_EQ(FindPluginForType(list, "APPLICATION/X-TWO"), 1);
    EXPECT_EQ(FindPluginForType(list, "application/x-three"), -1);
    EXPECT_EQ(FindPluginForExtension(list, "TWO", &type), 1);
    EXPECT_EQ(type, "application/x-two");
    EXPECT_EQ(FindPluginForExtension(list, "both", &type), 0);
    EXPECT_EQ(type, "application/x-one");
    EXPECT_EQ(FindPluginForExtension(list, "", &type), -1);
}

} // namespace
