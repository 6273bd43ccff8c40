// The plug-in records the view reads: the instance and its document record, and the module
// handle.
#pragma once

#if __has_include("plugin/DocumentRecord.h")
#include "plugin/DocumentRecord.h"
#include "plugin/HostServices.h"
#include "plugin/PluginInstance.h"
#else
#include <windows.h>
#include <stdint.h>

#include "npapi/npapi.h"
#include "plugin/DocumentRenderer.h"
#include "plugin/TextBuffer.h"

struct ViewWindow;
struct PluginInstance;

struct DocumentRecord {
    IDocumentRenderer* renderer;
    HWND ownerWindow;
    NPP instance;
    char* streamUrl;
    char* base;
    int32_t loadBegun;
    int32_t zoomPanAllowed;
    int32_t fileAccessAllowed;
    TextBuffer viewport;
    int32_t rendererRequested;
    TextBuffer documentUrl;
    int32_t saveMode;
    char fileName[256];
    HANDLE saveFile;
    PluginInstance* instanceRecord;
    int32_t firstChunkPending;
    int32_t refused;
    uint32_t lastMessage;
};

struct PluginInstance {
    ViewWindow* view;
    DocumentRecord* document;
    uint16_t mode;
};

HINSTANCE PluginModule();
#endif
