// The record the browser's instance handle carries in its pdata field, from NPP_New to
// NPP_Destroy. It comes from the browser's allocator (NPN_MemAlloc) and owns the view and the
// document record.
#pragma once

#include <stdint.h>

struct ViewWindow;
struct DocumentRecord;

struct PluginInstance {
    ViewWindow* view;         // null until the first usable window arrives
    DocumentRecord* document; // never null after NPP_New succeeded
    uint16_t mode;            // NP_EMBED or NP_FULL
};
