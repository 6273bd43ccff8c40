// The library's three exports. The browser calls NP_GetEntryPoints and NP_Initialize in the
// order it chooses, and NP_Shutdown once it has destroyed every instance.
#include "plugin/HostServices.h"
#include "plugin/PluginCallbacks.h"

namespace {

// Process-wide start-up and shut-down work: there is none.
NPError StartPlugin() {
    return NPERR_NO_ERROR;
}
void StopPlugin() {}

} // namespace

extern "C" NPError NP_EXPORT_CALL NP_GetEntryPoints(NPPluginFuncs* functions) {
    if (functions == nullptr || functions->size < NP_PLUGIN_FUNCS_MIN_SIZE) {
        return NPERR_INVALID_FUNCTABLE_ERROR;
    }
    // The slots after event belong to later versions: they stay as the browser left them, and
    // so does size.
    functions->newp = NPP_New;
    functions->destroy = NPP_Destroy;
    functions->setwindow = NPP_SetWindow;
    functions->newstream = NPP_NewStream;
    functions->destroystream = NPP_DestroyStream;
    functions->asfile = NPP_StreamAsFile;
    functions->writeready = NPP_WriteReady;
    functions->write = NPP_Write;
    functions->print = NPP_Print;
    functions->event = nullptr;
    functions->version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
    return NPERR_NO_ERROR;
}

extern "C" NPError NP_EXPORT_CALL NP_Initialize(NPNetscapeFuncs* functions) {
    if (functions == nullptr) {
        return NPERR_INVALID_FUNCTABLE_ERROR;
    }
    // Kept whatever the checks below say.
    SetBrowserFunctions(functions);
    if ((functions->version >> 8) != NP_VERSION_MAJOR) {
        return NPERR_INCOMPATIBLE_VERSION_ERROR;
    }
    if (functions->size < NP_NETSCAPE_FUNCS_MIN_SIZE) {
        return NPERR_INVALID_FUNCTABLE_ERROR;
    }
    return StartPlugin();
}

extern "C" NPError NP_EXPORT_CALL NP_Shutdown(void) {
    StopPlugin();
    SetBrowserFunctions(nullptr);
    return NPERR_NO_ERROR;
}
