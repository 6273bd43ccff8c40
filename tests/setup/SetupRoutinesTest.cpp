// The installer's routines called in this process: the folder browser's callback, the cabinet
// notifications and the process runner.
#include <gtest/gtest.h>

#include <windows.h>
#include <setupapi.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "setup/Setup.h"

namespace {

struct Received {
    UINT message;
    WPARAM wParam;
    std::string text;
};
std::vector<Received> g_received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_USER) {
        g_received.push_back({message, wParam, reinterpret_cast<const char*>(lParam)});
        return TRUE;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

TEST(SetupBrowseCallback, SelectsTheStartFolderOnceInitialised) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = RecordingProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SetupBrowseRecorder";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("SetupBrowseRecorder", "", 0, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    const char start[] = "C:\\Program Files\\Plugins";
    struct Case {
        UINT notification;
        size_t sent;
    } cases[] = {{BFFM_INITIALIZED, 1}, {BFFM_SELCHANGED, 0}, {BFFM_VALIDATEFAILEDA, 0}};
    for (const Case& c : cases) {
        g_received.clear();
        EXPECT_EQ(setup::BrowseCallback(window, c.notification, 0, reinterpret_cast<LPARAM>(start)),
                  0);
        ASSERT_EQ(g_received.size(), c.sent) << c.notification;
        if (c.sent == 1) {
            EXPECT_EQ(g_received[0].message, static_cast<UINT>(BFFM_SETSELECTIONA));
            EXPECT_EQ(g_received[0].wParam, static_cast<WPARAM>(TRUE));
            EXPECT_EQ(g_received[0].text, start);
        }
    }
    DestroyWindow(window);
}

TEST(SetupCabinetCallback, ExtractsEveryFileIntoTheFolder) {
    struct Case {
        std::string folder;
        const char* name;
        UINT result;
        std::string target;
    } cases[] = {
        {"C:\\TEMP\\", "NPVemoC.dll", FILEOP_DOIT, "C:\\TEMP\\NPVemoC.dll"},
        {"C:\\TEMP\\", "VemoDoc.dll", FILEOP_DOIT, "C:\\TEMP\\VemoDoc.dll"},
        {"C:\\TEMP\\", "readme.txt", FILEOP_DOIT, "C:\\TEMP\\readme.txt"},
        {"C:\\" + std::string(244, 't') + "\\", "NPVemoC.dll", FILEOP_DOIT,
         "C:\\" + std::string(244, 't') + "\\NPVemoC.dll"},
        // A target name that does not fit stops the extraction instead of being cut short.
        {"C:\\" + std::string(245, 't') + "\\", "NPVemoC.dll", FILEOP_ABORT, ""},
    };
    for (const Case& c : cases) {
        FILE_IN_CABINET_INFO_A info = {};
        info.NameInCabinet = c.name;
        memset(info.FullTargetName, 'x', sizeof(info.FullTargetName));
        UINT result =
            setup::CabinetCallback(const_cast<char*>(c.folder.c_str()), SPFILENOTIFY_FILEINCABINET,
                                   reinterpret_cast<UINT_PTR>(&info), 0);
        EXPECT_EQ(result, c.result) << c.target;
        if (c.result == FILEOP_DOIT) {
            EXPECT_EQ(std::string(info.FullTargetName), c.target);
        }
    }
    for (UINT other :
         {SPFILENOTIFY_CABINETINFO, SPFILENOTIFY_NEEDNEWCABINET, SPFILENOTIFY_FILEEXTRACTED}) {
        EXPECT_EQ(setup::CabinetCallback(const_cast<char*>("C:\\"), other, 0, 0),
                  static_cast<UINT>(NO_ERROR));
    }
}

TEST(SetupRunAndWait, GivesTheExitCode) {
    struct Case {
        const char* command;
        DWORD exitCode;
    } cases[] = {
        {"cmd /c exit 0", 0},
        {"cmd /c exit 7", 7},
        {"C:\\no\\such\\program.exe", 1},
        {"", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(setup::RunAndWait(c.command), c.exitCode) << c.command;
    }
    EXPECT_EQ(setup::RunAndWait(std::string(600, 'a').c_str()), 1u) << "longer than its buffer";
}

} // namespace
