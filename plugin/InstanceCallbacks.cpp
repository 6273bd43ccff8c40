// The instance entries of the plug-in function table: creation with the page's embed
// attributes, the first window, printing and teardown.
#include <new>

#include "plugin/DocumentRecord.h"
#include "plugin/HostServices.h"
#include "plugin/PluginCallbacks.h"
#include "plugin/PluginInstance.h"
#include "plugin/PrintRecord.h"
#include "plugin/StreamRules.h"
#include "view/ViewWindow.h"

namespace {

PluginInstance* InstanceOf(NPP instance) {
    return instance != nullptr ? static_cast<PluginInstance*>(instance->pdata) : nullptr;
}

// A one-pixel black outline of the rectangle, for a print request before any window.
void DrawPrintFrame(HDC dc, int32_t x, int32_t y, int32_t width, int32_t height) {
    LOGBRUSH penBrush = {BS_SOLID, RGB(0, 0, 0), 0};
    HPEN pen = ExtCreatePen(PS_COSMETIC | PS_SOLID, 1, &penBrush, 0, nullptr);
    LOGBRUSH hollow = {BS_HOLLOW, 0, 0};
    HBRUSH brush = CreateBrushIndirect(&hollow);
    HGDIOBJ previousPen = SelectObject(dc, pen);
    HGDIOBJ previousBrush = SelectObject(dc, brush);
    Rectangle(dc, x, y, x + width, y + height);
    SelectObject(dc, previousBrush);
    SelectObject(dc, previousPen);
    if (brush != nullptr) {
        DeleteObject(brush);
    }
    if (pen != nullptr) {
        DeleteObject(pen);
    }
}

} // namespace

NPError NPP_New(NPMIMEType pluginType, NPP instance, uint16_t mode, int16_t argc, char* argn[],
                char* argv[], NPSavedData* saved) {
    (void)pluginType;
    (void)saved;
    if (instance == nullptr) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    PluginInstance* plugin = static_cast<PluginInstance*>(NPN_MemAlloc(sizeof(PluginInstance)));
    if (plugin == nullptr) {
        return NPERR_OUT_OF_MEMORY_ERROR;
    }
    plugin->view = nullptr;
    plugin->document = nullptr;
    plugin->calls = 0;
    plugin->destroyPending = 0;
    DocumentRecord* document = new (std::nothrow) DocumentRecord();
    if (document != nullptr) {
        document->documentUrl = "";
    }
    if (document == nullptr || document->documentUrl.text == nullptr) {
        delete document;
        NPN_MemFree(plugin);
        return NPERR_OUT_OF_MEMORY_ERROR;
    }
    plugin->document = document;
    plugin->mode = mode;
    document->instance = instance;
    instance->pdata = plugin;
    document->instanceRecord = plugin;

    EmbedAttributes attributes = ReadEmbedAttributes(argc, argn, argv);
    if (attributes.viewport != nullptr) {
        document->viewport = attributes.viewport;
    }
    document->zoomPanAllowed = attributes.zoomPanAllowed;
    document->fileAccessAllowed = attributes.fileAccessAllowed;
    document->scriptLinksAllowed = attributes.scriptLinksAllowed;
    if (attributes.base != nullptr) {
        document->SetBase(attributes.base);
    }
    return NPERR_NO_ERROR;
}

namespace {

void FreeInstance(PluginInstance* plugin) {
    if (plugin->view != nullptr) {
        plugin->view->Unsubclass();
        delete plugin->view;
        plugin->view = nullptr;
    }
    if (plugin->document != nullptr) {
        delete plugin->document;
        plugin->document = nullptr;
    }
    NPN_MemFree(plugin);
}

} // namespace

InstanceCall::InstanceCall(PluginInstance* plugin) : held(plugin) {
    if (held != nullptr) {
        ++held->calls;
    }
}

InstanceCall::~InstanceCall() {
    if (held != nullptr && --held->calls == 0 && held->destroyPending != 0) {
        FreeInstance(held);
    }
}

NPError NPP_Destroy(NPP instance, NPSavedData** save) {
    (void)save;
    if (instance == nullptr) {
        return NPERR_NO_ERROR;
    }
    PluginInstance* plugin = InstanceOf(instance);
    if (plugin != nullptr) {
        if (plugin->calls > 0) {
            // Destroyed from inside one of the instance's own dialogs or menus: the window goes
            // back to the browser now, the records when that call returns.
            if (plugin->view != nullptr) {
                plugin->view->Unsubclass();
            }
            if (plugin->document != nullptr) {
                plugin->document->detached = 1;
                plugin->document->instance = nullptr;
            }
            plugin->destroyPending = 1;
        } else {
            FreeInstance(plugin);
        }
    }
    instance->pdata = nullptr;
    return NPERR_NO_ERROR;
}

NPError NPP_SetWindow(NPP instance, NPWindow* window) {
    if (window == nullptr) {
        return NPERR_GENERIC_ERROR;
    }
    if (instance == nullptr) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    PluginInstance* plugin = InstanceOf(instance);
    if (plugin == nullptr) {
        return NPERR_GENERIC_ERROR;
    }
    InstanceCall call(plugin);
    HWND hwnd = static_cast<HWND>(window->window);
    if (hwnd == nullptr || plugin->view != nullptr) {
        return NPERR_NO_ERROR;
    }
    ViewWindow* view = new (std::nothrow) ViewWindow();
    if (view == nullptr) {
        return NPERR_NO_ERROR;
    }
    plugin->view = view;
    view->AttachInstance(plugin);
    SetWindowLongA(hwnd, GWL_STYLE, GetWindowLongA(hwnd, GWL_STYLE) | WS_CLIPSIBLINGS);
    // The view chooses its cursors itself.
    SetClassLongPtrA(hwnd, GCLP_HCURSOR, 0);
    if (!view->Subclass(hwnd)) {
        MessageBoxA(nullptr, "SubclassWindow Failed", "Plug-in-test", MB_OK);
        return NPERR_GENERIC_ERROR;
    }
    DocumentRecord* document = plugin->document;
    if (document->loadBegun != 0) {
        document->BeginDocumentLoad(view, TextBuffer());
    }
    return NPERR_NO_ERROR;
}

void NPP_Print(NPP instance, NPPrint* printInfo) {
    if (printInfo == nullptr || instance == nullptr) {
        return;
    }
    if (printInfo->mode == NP_FULL) {
        // The browser prints the page itself.
        printInfo->print.fullPrint.pluginPrinted = 0;
        return;
    }
    // The record has the layout of the browser's version of the API.
    const NPNetscapeFuncs* browser = BrowserFunctions();
    const uint16_t version = browser != nullptr
                                 ? browser->version
                                 : uint16_t((NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR);
    const EmbedPrintTarget target = ReadEmbedPrint(*printInfo, version);
    HDC printer = static_cast<HDC>(target.printer);
    PluginInstance* plugin = InstanceOf(instance);
    if (plugin != nullptr && plugin->view != nullptr) {
        plugin->view->PrintView(printer, target.x, target.y, target.width, target.height);
        return;
    }
    DrawPrintFrame(printer, target.x, target.y, target.width, target.height);
}
