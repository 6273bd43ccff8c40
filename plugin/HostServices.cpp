#include "plugin/HostServices.h"

namespace {

HINSTANCE moduleHandle = nullptr;
NPNetscapeFuncs* browserFunctions = nullptr;

} // namespace

HINSTANCE PluginModule() {
    return moduleHandle;
}

void SetPluginModule(HINSTANCE module) {
    moduleHandle = module;
}

NPNetscapeFuncs* BrowserFunctions() {
    return browserFunctions;
}

void SetBrowserFunctions(NPNetscapeFuncs* functions) {
    browserFunctions = functions;
}

// An instance the browser has destroyed (its record then holds no handle) asks for nothing.
NPError NPN_GetURL(NPP instance, const char* url, const char* target) {
    if (instance == nullptr) {
        return NPERR_INVALID_INSTANCE_ERROR;
    }
    return browserFunctions->geturl(instance, url, target);
}

void NPN_Status(NPP instance, const char* message) {
    if (instance == nullptr) {
        return;
    }
    browserFunctions->status(instance, message);
}

NPError NPN_GetValue(NPP instance, NPNVariable variable, void* value) {
    const size_t needed = offsetof(NPNetscapeFuncs, getvalue) + sizeof(NPN_GetValueProcPtr);
    if (instance == nullptr || browserFunctions == nullptr || browserFunctions->size < needed ||
        browserFunctions->getvalue == nullptr) {
        return NPERR_GENERIC_ERROR;
    }
    return browserFunctions->getvalue(instance, variable, value);
}

void* NPN_MemAlloc(uint32_t size) {
    return browserFunctions->memalloc(size);
}

void NPN_MemFree(void* pointer) {
    browserFunctions->memfree(pointer);
}
