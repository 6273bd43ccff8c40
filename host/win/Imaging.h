// Window captures and image files.
#pragma once

#include <windows.h>

#include <string>

#include "host/Bitmap.h"

namespace vemohost {

// The pixels of a window's client area (or of the whole window): from the screen by default
// (what the user sees, also for windows that paint only on WM_PAINT), or through PrintWindow.
bool CaptureWindow(HWND window, bool wholeWindow, bool usePrintWindow, Image& image);

bool SaveImage(const Image& image, const std::string& path);

// Depth of calls into plug-ins in progress (work that would pull an instance from under a call
// waits until it is 0).
extern int g_hostCallDepth;
// Depth of plug-in window procedures running from the stand-in's message loop.
extern int g_hostWindowDepth;
// Inside either: instances must stay where they are.
bool InsidePlugin();

} // namespace vemohost
