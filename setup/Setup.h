// The installer's routines. The main flow (SetupMain.cpp) finds the destination folder; the
// payload routines (Payload.cpp) unpack the cabinet resource and install its two files.
#pragma once

#include <windows.h>

#include <stdint.h>

namespace setup {

// 1 while the run is interactive (no folder on the command line): only then are messages shown.
extern int32_t g_interactive;

// The caption of every message box.
inline constexpr const char* kMessageCaption = "Vemo graphic plug-in installer";

// Shows an OK message box without owner when the run is interactive.
void ShowSetupMessage(const char* text, UINT icon);

// Finds the plug-in folder of the installed browser (512 characters). 0 after its message.
int32_t DetectPluginFolder(char* folder);
// Runs the setup dialog on the detected folder; destination (512) receives the chosen folder
// with a "\" appended. 0 when the user cancelled or the folder cannot be taken.
int32_t ChooseDestination(const char* detectedFolder, char* destination);
INT_PTR CALLBACK SetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// Lets the user pick a folder, starting at startFolder; folder (260) receives it. 0 when the
// user cancelled.
int32_t BrowseForFolder(HWND owner, const char* startFolder, char* folder);
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM lParam, LPARAM data);

// Starts a command line, waits for it and gives its exit code (1 when it cannot start).
DWORD RunAndWait(const char* commandLine);
// Writes the cabinet resource into the temporary folder (512, ends with "\") and unpacks it
// there. 1 when both files lie there.
int32_t ExtractPayload(char* temporaryFolder);
UINT CALLBACK CabinetCallback(PVOID context, UINT notification, UINT_PTR param1, UINT_PTR param2);
// Copies the plug-in into the destination and the renderer into the system folder, registers
// the renderer and renames an older plug-in. 0 after its message.
int32_t InstallFiles(const char* temporaryFolder, const char* destination);
void RemoveTemporaryFiles(const char* temporaryFolder);

} // namespace setup
