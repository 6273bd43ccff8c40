// regsvr32's two entry points of the plug-in, over the current user's registry (see
// plugin/Registration.h for what they write).
#pragma once

#include <windows.h>

// Registers the library at `path` for the current user (HKEY_CURRENT_USER).
HRESULT RegisterPluginFile(const char* path);
// Registers the plug-in's own library where it lies.
HRESULT RegisterThisPlugin();
// Removes the current user's registration.
HRESULT UnregisterThisPlugin();
