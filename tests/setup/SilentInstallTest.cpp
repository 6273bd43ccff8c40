// Silent runs: a folder on the command line, no window at all, the outcome in the exit code.
#include "SetupFixture.h"
#include "payload/TestServer.h"

namespace setuptest {
namespace {

const char kOldPlugin[] = "an older plug-in";
const char kOldRenamed[] = "an older plug-in, renamed before";

std::string RegisteredServer(const char* clsid) {
    std::string path = std::string("CLSID\\") + clsid + "\\InprocServer32";
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<none>";
    }
    char data[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    RegQueryValueExA(key, nullptr, nullptr, nullptr, reinterpret_cast<BYTE*>(data), &size);
    RegCloseKey(key);
    return data;
}

bool SamePath(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

using SilentInstall = SetupProgramTest;

TEST_F(SilentInstall, InstallsRegistersAndRenamesTheOlderPlugin) {
    struct Case {
        const char* name;
        bool oldPlugin;  // "NPVemo.dll" in the folder before
        bool oldRenamed; // "NPVemo.dlx" in the folder before
        const char* expectedDll;
        const char* expectedDlx;
    } cases[] = {
        {"no older plug-in", false, false, nullptr, nullptr},
        {"older plug-in", true, false, nullptr, kOldPlugin},
        {"older plug-in renamed before", true, true, kOldPlugin, kOldRenamed},
        {"only the renamed one", false, true, nullptr, kOldRenamed},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string folder = scratch + "Plugins " + std::to_string(&c - cases) + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        if (c.oldPlugin) {
            WriteWholeFile(folder + "NPVemo.dll", kOldPlugin);
        }
        if (c.oldRenamed) {
            WriteWholeFile(folder + "NPVemo.dlx", kOldRenamed);
        }
        // Unquoted, blanks and all, without the final "\".
        SetupRun run = RunSetup(TestSetup(), folder.substr(0, folder.size() - 1));
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_FALSE(run.timedOut);
        EXPECT_TRUE(run.windows.empty()) << run.windows.front();

        EXPECT_EQ(ReadWholeFile(folder + "NPVemoC.dll"), ReadWholeFile(TestPluginFile()));
        EXPECT_EQ(ReadWholeFile(InstalledRenderer()), ReadWholeFile(TestServerFile()));
        EXPECT_TRUE(SamePath(RegisteredServer(SETUP_TEST_SERVER_CLSID), InstalledRenderer()))
            << RegisteredServer(SETUP_TEST_SERVER_CLSID);
        EXPECT_EQ(RunProgram("\"" + ComProbe() + "\" " SETUP_TEST_SERVER_CLSID), 0u);

        EXPECT_EQ(FileExists(folder + "NPVemo.dll"), c.expectedDll != nullptr);
        if (c.expectedDll != nullptr) {
            EXPECT_EQ(ReadWholeFile(folder + "NPVemo.dll"), c.expectedDll);
        }
        EXPECT_EQ(FileExists(folder + "NPVemo.dlx"), c.expectedDlx != nullptr);
        if (c.expectedDlx != nullptr) {
            EXPECT_EQ(ReadWholeFile(folder + "NPVemo.dlx"), c.expectedDlx);
        }
        ExpectNoTemporaryFiles();
    }
}

TEST_F(SilentInstall, TakesTheFolderInTheFormsUsersWriteIt) {
    struct Case {
        const char* name;
        const char* folder;   // below the scratch folder; created before the run
        const char* argument; // %s stands for the scratch folder
    } cases[] = {
        {"quoted, with blanks", "My Plugins", "\"%sMy Plugins\""},
        {"quoted, with a final \\", "Quoted Slash", "\"%sQuoted Slash\\\""},
        {"quoted, blanks after it", "Quoted Blanks", "\"%sQuoted Blanks\"   "},
        {"unquoted, with a final \\", "Plain", "%sPlain\\"},
        {"blanks before it", "Indented", "    %sIndented"},
        {"a letter above 127", "\xc4rger", "%s\xc4rger"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string folder = scratch + c.folder + "\\";
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
        std::string argument = c.argument;
        argument.replace(argument.find("%s"), 2, scratch);
        SetupRun run = RunSetup(TestSetup(), argument);
        EXPECT_EQ(run.exitCode, 0u) << argument;
        EXPECT_TRUE(run.windows.empty());
        EXPECT_TRUE(FileExists(folder + "NPVemoC.dll")) << folder;
        ExpectNoTemporaryFiles();
    }
}

TEST_F(SilentInstall, MissingOrEmptyFolderFailsWithoutMessage) {
    struct Case {
        const char* name;
        std::string argument;
    } cases[] = {
        {"missing folder", scratch + "missing"},
        {"missing folder, quoted", "\"" + scratch + "missing\\\""},
        {"empty quotation marks", "\"\""},
        {"quotation marks around blanks", "\"   \""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetupRun run = RunSetup(TestSetup(), c.argument);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_FALSE(run.timedOut);
        EXPECT_TRUE(run.windows.empty()) << run.windows.front();
        EXPECT_FALSE(FolderExists(scratch + "missing"));
        EXPECT_FALSE(FileExists(InstalledRenderer())) << "the renderer comes after the plug-in";
        ExpectNoTemporaryFiles();
    }
}

TEST_F(SilentInstall, FailedRegistrationKeepsCopiesAndTheOlderPlugin) {
    WriteWholeFile(scratch + "NPVemo.dll", kOldPlugin);
    SetupRun run = RunSetup(FailingSetup(), scratch);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(run.windows.empty()) << run.windows.front();
    EXPECT_EQ(ReadWholeFile(scratch + "NPVemoC.dll"), ReadWholeFile(TestPluginFile()));
    EXPECT_EQ(ReadWholeFile(InstalledRenderer()), ReadWholeFile(FailingServerFile()));
    EXPECT_EQ(ReadWholeFile(scratch + "NPVemo.dll"), kOldPlugin);
    EXPECT_FALSE(FileExists(scratch + "NPVemo.dlx"));
    ExpectNoTemporaryFiles();
}

TEST_F(SilentInstall, RefusesFoldersTooLongForItsBuffers) {
    struct Case {
        const char* name;
        size_t length;  // of the folder with its final "\"
        bool create;    // the folder exists
        bool withSlash; // given with its final "\"
        DWORD exitCode;
    } cases[] = {
        {"folder and file name fill a path", 248, true, true, 0},
        {"same folder without its \\", 248, true, false, 0},
        {"one more and a file name does not fit", 249, true, true, 1},
        {"long for a path, short for the command line", 400, false, true, 1},
        {"as long as the command line buffer", 512, false, true, 1},
        {"longer than the command line buffer", 2000, false, false, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string folder;
        if (c.create) {
            folder = MakeFolderOfLength(scratch + "long\\", c.length);
            ASSERT_TRUE(FolderExists(folder)) << folder.size();
        } else {
            folder = scratch + std::string(c.length - scratch.size() - 1, 'n') + "\\";
        }
        ASSERT_EQ(folder.size(), c.length);
        std::string argument = c.withSlash ? folder : folder.substr(0, folder.size() - 1);
        SetupRun run = RunSetup(TestSetup(), argument);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_TRUE(run.windows.empty());
        EXPECT_EQ(FileExists(InstalledRenderer()), c.exitCode == 0);
        if (c.create) {
            EXPECT_EQ(FileExists(folder + "NPVemoC.dll"), c.exitCode == 0);
        }
        ExpectNoTemporaryFiles();
        RemoveTree(scratch + "long");
        RemoveInstalledRenderer();
    }
}

} // namespace
} // namespace setuptest
