// Interactive runs: the installer finds the browser's plug-in folder, shows it in the setup
// dialog, and reports in message boxes. The test drives the dialog from outside.
#include "SetupFixture.h"

namespace setuptest {
namespace {

const char kCancelled[] = "Installation cancelled";
const char kSuccessful[] = "Installation successful";
const char kTooLong[] = "The destination folder name is too long.";

std::string Field(HWND dialog) {
    char text[2048] = {};
    GetDlgItemTextA(dialog, 105, text, sizeof(text));
    return text;
}

void SetField(HWND dialog, const std::string& text) {
    SetDlgItemTextA(dialog, 105, text.c_str());
}

// Types a key into the dialog's focused field, as the keyboard would.
void PressKey(HWND dialog, WPARAM key) {
    HWND field = GetDlgItem(dialog, 105);
    PostMessageA(field, WM_KEYDOWN, key, 1);
    PostMessageA(field, WM_KEYUP, key, 0xC0000001);
}

std::string Joined(const std::vector<std::string>& texts) {
    std::string all;
    for (const std::string& t : texts) {
        all += "[" + t + "]";
    }
    return all;
}

using InteractiveInstall = SetupProgramTest;

TEST_F(InteractiveInstall, DetectsTheBrowsersPluginFolder) {
    enum Netscape { kNoNetscape, kNoValue, kNotText, kFolder, kFolderWithProgram };
    const char* kNoKey = "<no key>";
    struct Case {
        const char* name;
        Netscape netscape;
        const char* explorer; // nullptr: key without value
        const char* field;    // expected in the dialog; %s is the scratch folder
        const char* message;  // expected instead of the dialog
    } cases[] = {
        {"Netscape with a Program folder", kFolderWithProgram, kExplorerValue,
         "%sNetscape\\Program\\Plugins", nullptr},
        {"Netscape without a Program folder", kFolder, kExplorerValue, "%sNetscape\\Plugins",
         nullptr},
        {"Netscape without its value", kNoValue, kExplorerValue, nullptr,
         "Netscape seems to be incorrectly installed."},
        {"Netscape's value not a text", kNotText, kExplorerValue, nullptr,
         "Netscape seems to be incorrectly installed."},
        {"Explorer quoted with arguments", kNoNetscape,
         "\"C:\\Program Files\\Internet Explorer\\iexplore.exe\" -nohome",
         "C:\\Program Files\\Internet Explorer\\Plugins", nullptr},
        {"Explorer unquoted", kNoNetscape, "C:\\PROGRA~1\\INTERN~1\\IEXPLORE.EXE",
         "C:\\PROGRA~1\\INTERN~1\\Plugins", nullptr},
        {"Explorer without its value", kNoNetscape, nullptr, nullptr,
         "Internet Explorer seems to be incorrectly installed."},
        {"neither browser", kNoNetscape, kNoKey, nullptr, "No browser installed."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string netscape = scratch + "Netscape";
        RemoveTree(netscape);
        RemoveNetscape();
        switch (c.netscape) {
        case kNoNetscape:
            break;
        case kNoValue:
            SetNetscape(nullptr);
            break;
        case kNotText:
            SetNetscape(netscape.c_str(), REG_EXPAND_SZ);
            break;
        case kFolderWithProgram:
            CreateDirectoryA(netscape.c_str(), nullptr);
            CreateDirectoryA((netscape + "\\Program").c_str(), nullptr);
            SetNetscape(netscape.c_str());
            break;
        case kFolder:
            CreateDirectoryA(netscape.c_str(), nullptr);
            SetNetscape(netscape.c_str());
            break;
        }
        if (c.explorer == kNoKey) {
            RemoveExplorer();
        } else {
            SetExplorer(c.explorer);
        }
        std::string field = "<no dialog>";
        SetupRun run = RunSetup(TestSetup(), "", [&](HWND dialog) {
            field = Field(dialog);
            Click(dialog, 108);
        });
        EXPECT_EQ(run.exitCode, 1u);
        if (c.field != nullptr) {
            std::string expected = c.field;
            if (expected.find("%s") != std::string::npos) {
                expected.replace(expected.find("%s"), 2, scratch);
            }
            EXPECT_EQ(field, expected);
            EXPECT_EQ(Joined(run.messages), Joined({kCancelled}));
        } else {
            EXPECT_EQ(field, "<no dialog>");
            EXPECT_EQ(Joined(run.messages), Joined({c.message}));
        }
        EXPECT_FALSE(FileExists(InstalledRenderer()));
        ExpectNoTemporaryFiles();
    }
}

TEST_F(InteractiveInstall, ButtonsCloseBoxAndEscape) {
    enum Action { kInstall, kCancel, kCloseBox, kEscapeThenInstall, kEnter };
    struct Case {
        const char* name;
        Action action;
        DWORD exitCode;
        const char* message;
    } cases[] = {
        {"Install", kInstall, 0, kSuccessful},
        {"Cancel", kCancel, 1, kCancelled},
        {"close box", kCloseBox, 1, kCancelled},
        {"Escape does nothing", kEscapeThenInstall, 0, kSuccessful},
        {"Enter is Install", kEnter, 0, kSuccessful},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA((scratch + "NPVemoC.dll").c_str());
        RemoveInstalledRenderer();
        bool openAfterEscape = false;
        SetupRun run = RunSetup(TestSetup(), "", [&](HWND dialog) {
            SetField(dialog, scratch);
            switch (c.action) {
            case kInstall:
                Click(dialog, 107);
                break;
            case kCancel:
                Click(dialog, 108);
                break;
            case kCloseBox:
                PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
                break;
            case kEscapeThenInstall:
                PressKey(dialog, VK_ESCAPE);
                Sleep(500);
                openAfterEscape = IsWindowVisible(dialog) != FALSE;
                Click(dialog, 107);
                break;
            case kEnter:
                PressKey(dialog, VK_RETURN);
                break;
            }
        });
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(Joined(run.messages), Joined({c.message}));
        EXPECT_EQ(FileExists(scratch + "NPVemoC.dll"), c.exitCode == 0);
        EXPECT_EQ(FileExists(InstalledRenderer()), c.exitCode == 0);
        if (c.action == kEscapeThenInstall) {
            EXPECT_TRUE(openAfterEscape);
        }
        ExpectNoTemporaryFiles();
    }
}

TEST_F(InteractiveInstall, FailuresShowTheirMessage) {
    struct Case {
        const char* name;
        bool failingServer;
        std::string folder;
        const char* message;
    } cases[] = {
        {"missing folder", false, scratch + "missing", "Failed to copy NpVemoC.dll"},
        {"failing registration", true, scratch, "Failed to register VemoDoc.dll"},
        {"field longer than its buffer", false, scratch + std::string(300, 'x'), kTooLong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetupRun run =
            RunSetup(c.failingServer ? FailingSetup() : TestSetup(), "", [&](HWND dialog) {
                SetField(dialog, c.folder);
                Click(dialog, 107);
            });
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(Joined(run.messages), Joined({c.message}));
        ExpectNoTemporaryFiles();
    }
}

TEST_F(InteractiveInstall, MessagesShowTheirIcons) {
    struct Case {
        const char* name;
        bool browser;
        const char* folder; // typed into the dialog, below the scratch folder
        const char* message;
        UINT icon;
    } cases[] = {
        {"no browser", false, nullptr, "No browser installed.", MB_ICONERROR},
        {"cancelled", true, nullptr, kCancelled, MB_ICONERROR},
        {"successful", true, "", kSuccessful, MB_ICONINFORMATION},
        {"copy failed", true, "missing", "Failed to copy NpVemoC.dll", MB_ICONERROR},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (!c.browser) {
            RemoveExplorer();
        } else {
            SetExplorer(kExplorerValue);
        }
        SetupRun run = RunSetup(TestSetup(), "", [&](HWND dialog) {
            if (c.folder == nullptr) {
                Click(dialog, 108);
                return;
            }
            SetField(dialog, scratch + c.folder);
            Click(dialog, 107);
        });
        EXPECT_EQ(Joined(run.messages), Joined({c.message}));
        EXPECT_EQ(run.icons, std::vector<UINT>{c.icon});
    }
}

// The dialog's folder always gets a "\", also when it already ends with one; so a folder typed
// with its "\" takes one character more than the same folder given on the command line.
TEST_F(InteractiveInstall, DialogFolderGetsASecondBackslash) {
    struct Case {
        size_t length; // of the folder with its final "\"
        bool typedWithSlash;
        DWORD exitCode;
        const char* message;
    } cases[] = {
        {247, true, 0, kSuccessful},
        {248, false, 0, kSuccessful},
        {248, true, 1, kTooLong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        std::string folder = MakeFolderOfLength(scratch + "long\\", c.length);
        ASSERT_EQ(folder.size(), c.length);
        std::string typed = c.typedWithSlash ? folder : folder.substr(0, folder.size() - 1);
        SetupRun run = RunSetup(TestSetup(), "", [&](HWND dialog) {
            SetField(dialog, typed);
            Click(dialog, 107);
        });
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_EQ(Joined(run.messages), Joined({c.message}));
        EXPECT_EQ(FileExists(folder + "NPVemoC.dll"), c.exitCode == 0);
        RemoveTree(scratch + "long");
        ExpectNoTemporaryFiles();
    }
}

// Opens the folder browser from the dialog, presses button in it and gives the field's text
// afterwards ("<no browser>" when none opened).
std::string BrowseAndPress(const std::string& program, const std::string& field, int button,
                           std::string* browserText) {
    std::string after = "<no browser>";
    RunSetup(program, "", [&](HWND dialog) {
        SetField(dialog, field);
        Click(dialog, 106);
        DWORD processId = 0;
        GetWindowThreadProcessId(dialog, &processId);
        HWND browser = WaitForWindow(processId, {dialog});
        if (browser != nullptr) {
            *browserText = MessageText(browser);
            Sleep(300);
            Click(browser, button);
            WaitUntilGone(browser);
            Sleep(100);
            after = Field(dialog);
        }
        Click(dialog, 108);
    });
    return after;
}

TEST_F(InteractiveInstall, BrowseStartsAtTheFieldsFolder) {
    // Wine's folder browser does not reach into hidden folders (the temporary folder lies in
    // one), so this test's folder lies on the drive's root.
    std::string top = "C:\\vemo-setup-browse";
    RemoveTree(top);
    ASSERT_TRUE(CreateDirectoryA(top.c_str(), nullptr));
    std::string start = top + "\\Browse Start";
    ASSERT_TRUE(CreateDirectoryA(start.c_str(), nullptr));

    // Cancel leaves the field as it was, even a text that only leads to the folder.
    std::string text;
    std::string roundabout = start + "\\..\\Browse Start";
    EXPECT_EQ(BrowseAndPress(TestSetup(), roundabout, IDCANCEL, &text), roundabout);
    EXPECT_EQ(text, "Select an alternative folder and click OK");

    // OK takes the folder the browser opened on. Wine's browser now and then fails to select
    // a path it is given (its tree is filled while it searches), and then opens on the desktop;
    // a few attempts get past that.
    std::string chosen;
    for (int attempt = 0; attempt < 5; ++attempt) {
        chosen = BrowseAndPress(TestSetup(), start, IDOK, &text);
        if (lstrcmpiA(chosen.c_str(), start.c_str()) == 0) {
            break;
        }
    }
    EXPECT_TRUE(lstrcmpiA(chosen.c_str(), start.c_str()) == 0) << chosen;
    RemoveTree(top);
}

} // namespace
} // namespace setuptest
