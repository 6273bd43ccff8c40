// The installer's text rules, as tables of cases.
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include "setup/SetupRules.h"

namespace {

using namespace setup;

// A buffer filled with a marker, to see what a refused call leaves behind.
struct Buffer {
    char text[1024];
    Buffer() { memset(text, 'x', sizeof(text)); }
};

TEST(SetupCommandLine, SkipsProgramNameAndBlanks) {
    struct Case {
        const char* commandLine;
        const char* folder;
    } cases[] = {
        {"setup", ""},
        {"setup ", ""},
        {"setup C:\\Plugins", "C:\\Plugins"},
        {"setup    C:\\My Plugins  ", "C:\\My Plugins  "},
        {"setup \"C:\\My Plugins\"", "\"C:\\My Plugins\""},
        {"\"C:\\Program Files\\setup.exe\" D:\\x", "D:\\x"},
        {"\"C:\\Program Files\\setup.exe\"D:\\x", "D:\\x"},
        {"\"C:\\unclosed setup.exe D:\\x", ""},
        {"setup\tD:\\x", "D:\\x"},
        {"setup \t \x01 D:\\x", "D:\\x"},
        // Bytes of 128 and above are letters, in the program name and in the folder.
        {"C:\\Pr\xfc"
         "fung\\setup.exe C:\\x",
         "C:\\x"},
        {"setup \xc4rger\\Plugins", "\xc4rger\\Plugins"},
        {"", ""},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(SkipProgramName(c.commandLine), c.folder) << c.commandLine;
    }
    EXPECT_STREQ(SkipProgramName(nullptr), "");
}

TEST(SetupCommandLine, MakesDestinationFolder) {
    struct Case {
        const char* folder;
        const char* destination; // nullptr: refused
    } cases[] = {
        {"C:\\Plugins", "C:\\Plugins\\"},
        {"C:\\Plugins\\", "C:\\Plugins\\"},
        {"C:\\", "C:\\"},
        {"C:\\My Plugins", "C:\\My Plugins\\"},
        {"C:\\My Plugins  \t", "C:\\My Plugins\\"},
        // One pair of surrounding quotation marks goes, the way Windows users quote a path.
        {"\"C:\\My Plugins\"", "C:\\My Plugins\\"},
        {"\"C:\\My Plugins\\\"", "C:\\My Plugins\\"},
        {"\"C:\\My Plugins\"  ", "C:\\My Plugins\\"},
        {"\"\"C:\\x\"\"", "\"C:\\x\"\\"},
        {"\"C:\\x", "\"C:\\x\\"},
        {"C:\\x\"", "C:\\x\"\\"},
        {"\"", "\"\\"},
        {"\"\"", nullptr},
        {"\"   \"", nullptr},
        {"\" C:\\My Plugins \"", "C:\\My Plugins\\"},
        {"\t C:\\x", "C:\\x\\"},
        {"   ", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        Buffer b;
        int32_t ok = MakeCommandLineDestination(c.folder, b.text, kFolderCapacity);
        if (c.destination == nullptr) {
            EXPECT_EQ(ok, 0) << c.folder;
            EXPECT_STREQ(b.text, "") << c.folder;
        } else {
            EXPECT_EQ(ok, 1) << c.folder;
            EXPECT_STREQ(b.text, c.destination) << c.folder;
        }
    }
    Buffer b;
    EXPECT_EQ(MakeCommandLineDestination(nullptr, b.text, kFolderCapacity), 0);
}

TEST(SetupCommandLine, RefusesFoldersBeyondTheBuffer) {
    struct Case {
        size_t length;
        bool endsWithSlash;
        bool quoted;
        bool fits;
    } cases[] = {
        {510, false, false, true},  // 510 + "\" + zero = 512
        {511, false, false, false}, // the "\" would not fit
        {511, true, false, true},   {512, true, false, false},  {512, false, false, false},
        {600, false, false, false}, {510, false, true, true}, // quotation marks do not count
        {511, false, true, false},  {4000, false, true, false},
    };
    for (const Case& c : cases) {
        std::string folder = "C:\\" + std::string(c.length - 3 - (c.endsWithSlash ? 1 : 0), 'a');
        if (c.endsWithSlash) {
            folder += "\\";
        }
        ASSERT_EQ(folder.size(), c.length);
        std::string text = c.quoted ? "\"" + folder + "\"" : folder;
        Buffer b;
        int32_t ok = MakeCommandLineDestination(text.c_str(), b.text, kFolderCapacity);
        EXPECT_EQ(ok, c.fits ? 1 : 0) << c.length;
        if (c.fits) {
            EXPECT_EQ(strlen(b.text), c.endsWithSlash ? c.length : c.length + 1);
        } else {
            EXPECT_STREQ(b.text, "");
            EXPECT_EQ(b.text[kFolderCapacity], 'x') << "wrote beyond the buffer";
        }
    }
}

TEST(SetupPaths, JoinAndAppendFitOrRefuse) {
    struct Case {
        const char* first;
        const char* second;
        int32_t capacity;
        const char* joined; // nullptr: refused
    } cases[] = {
        {"C:\\TEMP\\", "NPVemoC.cab", 260, "C:\\TEMP\\NPVemoC.cab"},
        {"", "", 1, ""},
        {"ab", "c", 4, "abc"},
        {"ab", "c", 3, nullptr},
        {"abc", "", 3, nullptr},
        {nullptr, "c", 2, "c"},
        {"a", nullptr, 2, "a"},
        {"a", "b", 0, nullptr},
    };
    for (const Case& c : cases) {
        Buffer joined;
        EXPECT_EQ(JoinText(joined.text, c.capacity, c.first, c.second), c.joined ? 1 : 0);
        if (c.joined != nullptr) {
            EXPECT_STREQ(joined.text, c.joined);
        } else if (c.capacity > 0) {
            EXPECT_STREQ(joined.text, "");
        }
        EXPECT_EQ(joined.text[c.capacity], 'x') << "wrote beyond the buffer";

        Buffer appended;
        if (c.capacity > 0 && c.first != nullptr && strlen(c.first) < size_t(c.capacity)) {
            strcpy(appended.text, c.first);
            EXPECT_EQ(AppendText(appended.text, c.capacity, c.second), c.joined ? 1 : 0);
            EXPECT_STREQ(appended.text, c.joined ? c.joined : c.first);
        }
    }
    Buffer unterminated; // no zero within the capacity: nothing is appended
    EXPECT_EQ(AppendText(unterminated.text, 8, "a"), 0);
    EXPECT_EQ(AppendText(nullptr, 8, "a"), 0);
}

TEST(SetupPaths, FolderMustTakeEveryFileName) {
    struct Case {
        size_t length;
        int32_t takes;
    } cases[] = {{4, 1}, {247, 1}, {248, 1}, {249, 0}, {300, 0}, {600, 0}};
    for (const Case& c : cases) {
        std::string folder = "C:\\" + std::string(c.length - 4, 'f') + "\\";
        EXPECT_EQ(FolderTakesFileNames(folder.c_str()), c.takes) << c.length;
        // Where it takes them, the longest name fits a file path exactly.
        if (c.takes) {
            Buffer path;
            EXPECT_EQ(JoinText(path.text, kPathCapacity, folder.c_str(), "NPVemoC.dll"), 1);
        }
    }
    EXPECT_EQ(FolderTakesFileNames(nullptr), 0);
}

TEST(SetupRegistry, AcceptsOnlyTerminableStrings) {
    struct Case {
        uint32_t type;
        const char* data;
        uint32_t size;
        uint32_t capacity;
        int32_t accepted;
        const char* text;
    } cases[] = {
        {1, "C:\\Netscape", 12, 260, 1, "C:\\Netscape"},
        {1, "C:\\Netscape", 11, 260, 1, "C:\\Netscape"}, // stored without its zero
        {1, "", 0, 260, 1, ""},
        {1, "abcd", 4, 4, 0, nullptr}, // full, no room for the zero
        {1, "abc", 4, 4, 1, "abc"},
        {1, "abcd", 5, 4, 0, nullptr},     // more than the buffer
        {2, "C:\\x", 5, 260, 0, nullptr},  // REG_EXPAND_SZ
        {3, "C:\\x", 5, 260, 0, nullptr},  // REG_BINARY
        {4, "abc", 4, 260, 0, nullptr},    // REG_DWORD
        {7, "a\0b\0", 5, 260, 0, nullptr}, // REG_MULTI_SZ
    };
    for (const Case& c : cases) {
        Buffer b;
        memcpy(b.text, c.data, c.size <= strlen(c.data) + 1 ? c.size : strlen(c.data) + 1);
        EXPECT_EQ(AcceptRegistryText(c.type, b.text, c.size, c.capacity), c.accepted)
            << c.data << " " << c.size;
        if (c.accepted) {
            EXPECT_STREQ(b.text, c.text);
        }
    }
}

TEST(SetupRegistry, ExplorerValueGivesPluginsFolder) {
    struct Case {
        const char* value;
        const char* folder;
    } cases[] = {
        {"C:\\Program Files\\Internet Explorer\\iexplore.exe",
         "C:\\Program Files\\Internet Explorer\\Plugins"},
        {"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\"",
         "C:\\Program Files\\Internet Explorer\\Plugins"},
        {"\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome",
         "C:\\Program Files\\Internet Explorer\\Plugins"},
        {"C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE /automation", "C:\\PROGRA~1\\INTERN~1\\Plugins"},
        // Arguments of a quoted value are left out, also when they hold a "\".
        {"\"C:\\IE\\iexplore.exe\" -file C:\\x\\y", "C:\\IE\\Plugins"},
        {"\"C:\\IE\\iexplore.exe", "C:\\IE\\Plugins"},
        {"iexplore.exe", "\\Plugins"},
        {"\"iexplore.exe\"", "\\Plugins"},
        {"", "\\Plugins"},
        {"C:\\", "C:\\Plugins"},
    };
    for (const Case& c : cases) {
        Buffer b;
        EXPECT_EQ(PluginFolderFromServerValue(c.value, b.text, kFolderCapacity), 1) << c.value;
        EXPECT_STREQ(b.text, c.folder) << c.value;
    }
    Buffer small;
    EXPECT_EQ(PluginFolderFromServerValue("C:\\IE\\iexplore.exe", small.text, 13), 0);
    EXPECT_STREQ(small.text, "");
    Buffer exact;
    EXPECT_EQ(PluginFolderFromServerValue("C:\\IE\\iexplore.exe", exact.text, 14), 1);
    EXPECT_STREQ(exact.text, "C:\\IE\\Plugins");
}

TEST(SetupCommands, RegistrationQuotesThePath) {
    struct Case {
        const char* path;
        int32_t capacity;
        const char* command; // nullptr: refused
    } cases[] = {
        {"C:\\WINDOWS\\SYSTEM\\VemoDoc.dll", 512,
         "regsvr32 /s \"C:\\WINDOWS\\SYSTEM\\VemoDoc.dll\""},
        {"C:\\Win Dir\\system32\\VemoDoc.dll", 512,
         "regsvr32 /s \"C:\\Win Dir\\system32\\VemoDoc.dll\""},
        {"C:\\a", 19, "regsvr32 /s \"C:\\a\""},
        {"C:\\a", 18, nullptr},
        {"C:\\\"a", 512, nullptr}, // no path holds a quotation mark
        {"", 512, nullptr},
        {nullptr, 512, nullptr},
    };
    for (const Case& c : cases) {
        Buffer b;
        EXPECT_EQ(MakeRegisterCommand(c.path, b.text, c.capacity), c.command ? 1 : 0);
        EXPECT_STREQ(b.text, c.command ? c.command : "");
    }
}

TEST(SetupCommands, ExtractCommandNamesFolderAndCabinet) {
    struct Case {
        const char* folder;
        int32_t capacity;
        const char* command; // nullptr: refused
    } cases[] = {
        {"C:\\TEMP\\", 512, "COMMAND.COM /C EXTRACT /Y /E /L C:\\TEMP C:\\TEMP\\NPVemoC.cab"},
        {"C:\\", 512, "COMMAND.COM /C EXTRACT /Y /E /L C: C:\\NPVemoC.cab"},
        {"C:\\TEMP\\", 60, "COMMAND.COM /C EXTRACT /Y /E /L C:\\TEMP C:\\TEMP\\NPVemoC.cab"},
        {"C:\\TEMP\\", 59, nullptr},
        {"C:\\TEMP", 512, nullptr},
        {"", 512, nullptr},
    };
    for (const Case& c : cases) {
        Buffer b;
        EXPECT_EQ(MakeExtractCommand(c.folder, b.text, c.capacity), c.command ? 1 : 0);
        EXPECT_STREQ(b.text, c.command ? c.command : "");
    }
}

} // namespace
