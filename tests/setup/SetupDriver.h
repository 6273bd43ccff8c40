// Runs the installer as its own process and drives its windows from outside: message boxes are
// read and answered, the setup dialog is handed to a script of the test.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace setuptest {

inline constexpr const char* kMessageCaption = "Vemo graphic plug-in installer";
inline constexpr const char* kDialogTitle = "Vemo graphic plug-in 2.0 Setup";

std::string ModuleFolder(); // this test program's folder, with "\"
std::string TemporaryFolder();
std::string SystemFolder();
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
std::string ReadWholeFile(const std::string& path); // "<missing>" when it cannot be read
inline bool WriteWholeFile(const std::string& path, const std::string& data) {
    return testfiles::WriteBytes(path, data);
}
using testfiles::RemoveTree;
// Creates base + nested folders so that the result (ending with "\") has length characters.
std::string MakeFolderOfLength(const std::string& base, size_t length);
// Runs a command line without a window and gives its exit code (~0u when it did not end).
DWORD RunProgram(const std::string& commandLine);

std::string WindowText(HWND window);
std::string ClassName(HWND window);
// The text of a message box: its non-empty static control.
std::string MessageText(HWND box);
void Click(HWND dialog, int id);
// Which of the system's icons (MB_ICONERROR, MB_ICONWARNING, MB_ICONINFORMATION,
// MB_ICONQUESTION) the message box shows, told by the pixels on the screen; 0 for none.
UINT RecogniseIcon(HWND box);
// Waits for a visible top-level window of the process other than the ones given.
HWND WaitForWindow(DWORD processId, const std::vector<HWND>& known, DWORD timeoutMs = 10000);
// Waits until the window is gone; false on timeout.
bool WaitUntilGone(HWND window, DWORD timeoutMs = 10000);

struct SetupRun {
    DWORD exitCode = ~0u;
    bool timedOut = false;
    std::vector<std::string> windows;  // titles of every visible window the program showed
    std::vector<std::string> messages; // texts of its message boxes, in order
    std::vector<UINT> icons;           // their icons: MB_ICONERROR, ... (0: none recognised)
};

// Called once with the setup dialog; it must end the dialog (a click on a button, say).
using DialogScript = std::function<void(HWND dialog)>;

// Runs program with arguments (appended after a blank, as they are), answers each message box
// with OK and hands the setup dialog to script (without one, the dialog is cancelled).
SetupRun RunSetup(const std::string& program, const std::string& arguments,
                  const DialogScript& script = {});

} // namespace setuptest
