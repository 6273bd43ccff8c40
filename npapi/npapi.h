// Declarations of the Netscape Plug-in API as version 0.6 publishes them for Windows, written
// for this project: the records the browser and the plug-in exchange, the two function tables,
// and the result and reason codes.
//
// Version 0.6 differs from later versions in the records that matter here: NPStream ends with
// lastmodified (no notifyData), and NPWindow ends with clipRect (no window type), so in
// NPEmbedPrint the printer's device context follows clipRect directly. From minor version 11
// (NPVERS_HAS_WINDOWLESS) on, browsers fill the window record with the window type after
// clipRect; those records are declared below as NPWindowV11, NPEmbedPrintV11 and NPPrintV11.
#pragma once

#include <stddef.h>
#include <stdint.h>

#ifdef _WIN32
#include <windows.h>
#define NP_EXPORT_CALL WINAPI
#else
#define NP_EXPORT_CALL
#endif

#define NP_VERSION_MAJOR 0
#define NP_VERSION_MINOR 6

// The first minor version whose window record carries the window type.
#define NPVERS_HAS_WINDOWLESS 11

typedef unsigned char NPBool;
typedef int16_t NPError;
typedef int16_t NPReason;
typedef char* NPMIMEType;

// Instance handle: pdata belongs to the plug-in, ndata to the browser.
typedef struct _NPP {
    void* pdata;
    void* ndata;
} NPP_t;
typedef NPP_t* NPP;

typedef struct _NPStream {
    void* pdata; // plug-in private
    void* ndata; // browser private
    const char* url;
    uint32_t end; // length of the stream, 0 when unknown
    uint32_t lastmodified;
} NPStream;

typedef struct _NPByteRange {
    int32_t offset;
    uint32_t length;
    struct _NPByteRange* next;
} NPByteRange;

typedef struct _NPSavedData {
    int32_t len;
    void* buf;
} NPSavedData;

typedef struct _NPRect {
    uint16_t top;
    uint16_t left;
    uint16_t bottom;
    uint16_t right;
} NPRect;

typedef struct _NPWindow {
    void* window; // HWND of the child window (or of nothing, when printing)
    int32_t x;
    int32_t y;
    uint32_t width;
    uint32_t height;
    NPRect clipRect;
} NPWindow;

// The window record of minor version 11 and later.
typedef enum {
    NPWindowTypeWindow = 1,  // window is an HWND
    NPWindowTypeDrawable = 2 // window is a drawable (an HDC on Windows), or null when printing
} NPWindowType;

typedef struct _NPWindowV11 {
    void* window;
    int32_t x;
    int32_t y;
    uint32_t width;
    uint32_t height;
    NPRect clipRect;
    NPWindowType type;
} NPWindowV11;

typedef struct _NPFullPrint {
    NPBool pluginPrinted; // the plug-in sets it to false to let the browser print the page
    NPBool printOne;
    void* platformPrint;
} NPFullPrint;

typedef struct _NPEmbedPrint {
    NPWindow window;     // the rectangle on the printer page, in printer units
    void* platformPrint; // the printer's HDC
} NPEmbedPrint;

typedef struct _NPPrint {
    uint16_t mode; // NP_FULL or NP_EMBED
    union {
        NPFullPrint fullPrint;
        NPEmbedPrint embedPrint;
    } print;
} NPPrint;

// The print record as browsers of minor version 11 and later lay it out: the same but for the
// longer window record, which moves platformPrint.
typedef struct _NPEmbedPrintV11 {
    NPWindowV11 window;
    void* platformPrint;
} NPEmbedPrintV11;

typedef struct _NPPrintV11 {
    uint16_t mode;
    union {
        NPFullPrint fullPrint;
        NPEmbedPrintV11 embedPrint;
    } print;
} NPPrintV11;

// Instance modes.
#define NP_EMBED 1
#define NP_FULL 2

// Stream types.
#define NP_NORMAL 1
#define NP_SEEK 2
#define NP_ASFILE 3
#define NP_ASFILEONLY 4

// Results.
#define NPERR_NO_ERROR 0
#define NPERR_GENERIC_ERROR 1
#define NPERR_INVALID_INSTANCE_ERROR 2
#define NPERR_INVALID_FUNCTABLE_ERROR 3
#define NPERR_MODULE_LOAD_FAILED_ERROR 4
#define NPERR_OUT_OF_MEMORY_ERROR 5
#define NPERR_INVALID_PLUGIN_ERROR 6
#define NPERR_INVALID_PLUGIN_DIR_ERROR 7
#define NPERR_INCOMPATIBLE_VERSION_ERROR 8
#define NPERR_INVALID_PARAM 9
#define NPERR_INVALID_URL 10
#define NPERR_FILE_NOT_FOUND 11
#define NPERR_NO_DATA 12
#define NPERR_STREAM_NOT_SEEKABLE 13

// Reasons a stream ended.
#define NPRES_DONE 0
#define NPRES_NETWORK_ERR 1
#define NPRES_USER_BREAK 2

typedef int NPPVariable;
typedef int NPNVariable;

// Browser values a plug-in may ask for with NPN_GetValue.
enum {
    NPNVnetscapeWindow = 3, // HWND*: the browser's window
    NPNVdocumentOrigin = 22 // char**: the origin of the page that embeds the instance, as
                            // scheme://host[:port] (or "null"); the browser allocates it with
                            // NPN_MemAlloc, the plug-in frees it with NPN_MemFree
};

// Plug-in function table entries (default calling convention).
typedef NPError (*NPP_NewProcPtr)(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc,
                                  char* argn[], char* argv[], NPSavedData* saved);
typedef NPError (*NPP_DestroyProcPtr)(NPP instance, NPSavedData** save);
typedef NPError (*NPP_SetWindowProcPtr)(NPP instance, NPWindow* window);
typedef NPError (*NPP_NewStreamProcPtr)(NPP instance, NPMIMEType type, NPStream* stream,
                                        NPBool seekable, uint16_t* stype);
typedef NPError (*NPP_DestroyStreamProcPtr)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPP_StreamAsFileProcPtr)(NPP instance, NPStream* stream, const char* fname);
typedef int32_t (*NPP_WriteReadyProcPtr)(NPP instance, NPStream* stream);
typedef int32_t (*NPP_WriteProcPtr)(NPP instance, NPStream* stream, int32_t offset, int32_t len,
                                    void* buffer);
typedef void (*NPP_PrintProcPtr)(NPP instance, NPPrint* platformPrint);
typedef int16_t (*NPP_HandleEventProcPtr)(NPP instance, void* event);
typedef void (*NPP_URLNotifyProcPtr)(NPP instance, const char* url, NPReason reason,
                                     void* notifyData);
typedef NPError (*NPP_GetValueProcPtr)(NPP instance, NPPVariable variable, void* value);
typedef NPError (*NPP_SetValueProcPtr)(NPP instance, NPNVariable variable, void* value);

typedef struct _NPPluginFuncs {
    uint16_t size;
    uint16_t version;
    NPP_NewProcPtr newp;
    NPP_DestroyProcPtr destroy;
    NPP_SetWindowProcPtr setwindow;
    NPP_NewStreamProcPtr newstream;
    NPP_DestroyStreamProcPtr destroystream;
    NPP_StreamAsFileProcPtr asfile;
    NPP_WriteReadyProcPtr writeready;
    NPP_WriteProcPtr write;
    NPP_PrintProcPtr print;
    NPP_HandleEventProcPtr event;
    // Later versions.
    NPP_URLNotifyProcPtr urlnotify;
    void* javaClass;
    NPP_GetValueProcPtr getvalue;
    NPP_SetValueProcPtr setvalue;
} NPPluginFuncs;

// Browser function table entries (default calling convention).
typedef NPError (*NPN_GetURLProcPtr)(NPP instance, const char* url, const char* window);
typedef NPError (*NPN_PostURLProcPtr)(NPP instance, const char* url, const char* window,
                                      uint32_t len, const char* buf, NPBool file);
typedef NPError (*NPN_RequestReadProcPtr)(NPStream* stream, NPByteRange* rangeList);
typedef NPError (*NPN_NewStreamProcPtr)(NPP instance, NPMIMEType type, const char* window,
                                        NPStream** stream);
typedef int32_t (*NPN_WriteProcPtr)(NPP instance, NPStream* stream, int32_t len, void* buffer);
typedef NPError (*NPN_DestroyStreamProcPtr)(NPP instance, NPStream* stream, NPReason reason);
typedef void (*NPN_StatusProcPtr)(NPP instance, const char* message);
typedef const char* (*NPN_UserAgentProcPtr)(NPP instance);
typedef void* (*NPN_MemAllocProcPtr)(uint32_t size);
typedef void (*NPN_MemFreeProcPtr)(void* ptr);
typedef uint32_t (*NPN_MemFlushProcPtr)(uint32_t size);
typedef void (*NPN_ReloadPluginsProcPtr)(NPBool reloadPages);
typedef void* (*NPN_GetJavaEnvProcPtr)(void);
typedef void* (*NPN_GetJavaPeerProcPtr)(NPP instance);
typedef NPError (*NPN_GetURLNotifyProcPtr)(NPP instance, const char* url, const char* window,
                                           void* notifyData);
typedef NPError (*NPN_PostURLNotifyProcPtr)(NPP instance, const char* url, const char* window,
                                            uint32_t len, const char* buf, NPBool file,
                                            void* notifyData);
typedef NPError (*NPN_GetValueProcPtr)(NPP instance, NPNVariable variable, void* value);
typedef NPError (*NPN_SetValueProcPtr)(NPP instance, NPPVariable variable, void* value);
typedef void (*NPN_InvalidateRectProcPtr)(NPP instance, NPRect* rect);
typedef void (*NPN_InvalidateRegionProcPtr)(NPP instance, void* region);
typedef void (*NPN_ForceRedrawProcPtr)(NPP instance);

typedef struct _NPNetscapeFuncs {
    uint16_t size;
    uint16_t version; // major in the high byte, minor in the low byte
    NPN_GetURLProcPtr geturl;
    NPN_PostURLProcPtr posturl;
    NPN_RequestReadProcPtr requestread;
    NPN_NewStreamProcPtr newstream;
    NPN_WriteProcPtr write;
    NPN_DestroyStreamProcPtr destroystream;
    NPN_StatusProcPtr status;
    NPN_UserAgentProcPtr uagent;
    NPN_MemAllocProcPtr memalloc;
    NPN_MemFreeProcPtr memfree;
    NPN_MemFlushProcPtr memflush;
    NPN_ReloadPluginsProcPtr reloadplugins;
    // Later versions.
    NPN_GetJavaEnvProcPtr getJavaEnv;
    NPN_GetJavaPeerProcPtr getJavaPeer;
    NPN_GetURLNotifyProcPtr geturlnotify;
    NPN_PostURLNotifyProcPtr posturlnotify;
    NPN_GetValueProcPtr getvalue;
    NPN_SetValueProcPtr setvalue;
    NPN_InvalidateRectProcPtr invalidaterect;
    NPN_InvalidateRegionProcPtr invalidateregion;
    NPN_ForceRedrawProcPtr forceredraw;
} NPNetscapeFuncs;

// The smallest tables a version 0.6 plug-in accepts: up to and including the last entry of 0.6.
#define NP_PLUGIN_FUNCS_MIN_SIZE (offsetof(NPPluginFuncs, event) + sizeof(NPP_HandleEventProcPtr))
#define NP_NETSCAPE_FUNCS_MIN_SIZE                                                                 \
    (offsetof(NPNetscapeFuncs, reloadplugins) + sizeof(NPN_ReloadPluginsProcPtr))
// Size of the browser table of version 0.9 (through forceredraw).
#define NP_NETSCAPE_FUNCS_SIZE_V09                                                                 \
    (offsetof(NPNetscapeFuncs, forceredraw) + sizeof(NPN_ForceRedrawProcPtr))

#if defined(_WIN32) && !defined(_WIN64)
// The 32-bit layouts that browsers of the time pass and expect.
static_assert(NP_PLUGIN_FUNCS_MIN_SIZE == 44, "NPPluginFuncs through event is 44 bytes");
static_assert(NP_NETSCAPE_FUNCS_MIN_SIZE == 52,
              "NPNetscapeFuncs through reloadplugins is 52 bytes");
static_assert(sizeof(NPWindow) == 28, "NPWindow of version 0.6 is 28 bytes");
static_assert(offsetof(NPEmbedPrint, platformPrint) == 28, "platformPrint follows clipRect");
static_assert(sizeof(NPStream) == 20, "NPStream of version 0.6 is 20 bytes");
// Today's 32-bit browsers.
static_assert(sizeof(NPWindowV11) == 32, "NPWindow with its type is 32 bytes");
static_assert(offsetof(NPEmbedPrintV11, platformPrint) == 32, "platformPrint follows the type");
static_assert(offsetof(NPPrintV11, print) == 4 && offsetof(NPPrint, print) == 4,
              "the print union follows mode at 4");
static_assert(offsetof(NPNetscapeFuncs, getvalue) == 68, "getvalue is the 17th entry");
static_assert(sizeof(NPNetscapeFuncs) == 88, "the table through forceredraw is 88 bytes");
#endif
#if defined(__x86_64__) || defined(_M_X64)
// The 64-bit layouts (today's 64-bit browsers and the x86_64 build the tests run).
static_assert(NP_PLUGIN_FUNCS_MIN_SIZE == 88, "NPPluginFuncs through event is 88 bytes");
static_assert(NP_NETSCAPE_FUNCS_MIN_SIZE == 104, "NPNetscapeFuncs through reloadplugins");
static_assert(sizeof(NPWindow) == 32, "NPWindow of version 0.6 is 32 bytes");
static_assert(offsetof(NPEmbedPrint, platformPrint) == 32, "platformPrint follows clipRect");
static_assert(sizeof(NPWindowV11) == 40, "NPWindow with its type is 40 bytes (padded)");
static_assert(offsetof(NPEmbedPrintV11, platformPrint) == 40, "platformPrint follows the type");
static_assert(offsetof(NPPrintV11, print) == 8 && offsetof(NPPrint, print) == 8,
              "the print union follows mode at 8");
static_assert(offsetof(NPNetscapeFuncs, getvalue) == 136, "getvalue is the 17th entry");
#endif
static_assert(offsetof(NPPrintV11, print.fullPrint.platformPrint) ==
                  offsetof(NPPrint, print.fullPrint.platformPrint),
              "the full-page print record is the same in both layouts");
static_assert(offsetof(NPEmbedPrint, platformPrint) ==
                  (offsetof(NPWindow, clipRect) + sizeof(NPRect) + sizeof(void*) - 1) /
                      sizeof(void*) * sizeof(void*),
              "platformPrint follows clipRect directly");

#ifdef _WIN32
#ifdef __cplusplus
extern "C" {
#endif
// The plug-in library's exports.
NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* pFuncs);
NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* pFuncs);
NPError NP_EXPORT_CALL NP_Shutdown(void);
typedef NPError(WINAPI* NP_GetEntryPointsFunc)(NPPluginFuncs*);
typedef NPError(WINAPI* NP_InitializeFunc)(NPNetscapeFuncs*);
typedef NPError(WINAPI* NP_ShutdownFunc)(void);
#ifdef __cplusplus
}
#endif
#endif
