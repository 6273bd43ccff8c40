// The plug-in's two process-wide values and the browser services every other part calls.
//
// The module handle is stored by the module entry routine on every call; the browser's function
// table by NP_Initialize (cleared by NP_Shutdown). Neither is locked: the browser calls the
// plug-in on its user-interface thread only.
#pragma once

#include <windows.h>
#include <stdint.h>

#include "npapi/npapi.h"

// The library's module handle: strings, cursors, icons and dialogs are loaded from it.
HINSTANCE PluginModule();
// Sets the module handle; the module entry routine calls it, and so may a test program that
// links the plug-in code statically.
void SetPluginModule(HINSTANCE module);

// The browser's function table stored by NP_Initialize, or null.
NPNetscapeFuncs* BrowserFunctions();
void SetBrowserFunctions(NPNetscapeFuncs* functions);

// The browser services. Each calls the matching entry of the stored table and passes the
// arguments through; none checks that the table is set, so they may be used only between
// NP_Initialize and NP_Shutdown.
NPError NPN_GetURL(NPP instance, const char* url, const char* target);
void NPN_Status(NPP instance, const char* message);
void* NPN_MemAlloc(uint32_t size);
void NPN_MemFree(void* pointer);

// NPN_GetValue, for browsers whose table has it (its size covers the entry and the entry is
// set); NPERR_GENERIC_ERROR from the others and for a destroyed instance.
NPError NPN_GetValue(NPP instance, NPNVariable variable, void* value);
