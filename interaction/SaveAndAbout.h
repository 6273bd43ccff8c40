// "Save Graphic As..." and the About box (template 101).
#pragma once

#include <windows.h>

constexpr int kAboutDialogId = 101;
constexpr int kAboutVersionId = 1003;
// The version the About box shows; fixed here, independent of the version resource.
constexpr char kAboutVersionText[] = "2.0";

// Dialog procedure of template 101.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
