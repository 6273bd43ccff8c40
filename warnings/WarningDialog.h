// The drawing warning dialog (template 102) and the per-user silencing kept in the registry
// under HKEY_CURRENT_USER\Software\Vemo\NPVemoC.
#pragma once

#include <windows.h>
#include <stdint.h>

constexpr int kWarningDialogId = 102;
extern const char kWarningRegistryKey[];

// Dialog procedure of template 102; the creation parameter is the message text.
INT_PTR CALLBACK WarningDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The time at which the user silenced the warning kept under valueName, or 0 when never.
uint64_t ReadSilencedTime(const char* valueName);
// Stores time under valueName; false when the key or value cannot be written.
bool StoreSilencedTime(const char* valueName, uint64_t time);
