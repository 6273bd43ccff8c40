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
    int32_t calls;            // calls into the instance under way (see InstanceCall)
    int32_t destroyPending;   // the browser destroyed the instance during one of them
};

// A call from the browser or the window system into an instance. Such a call may run a nested
// message loop (a dialog, a menu, a message box), in which the browser may destroy the
// instance; the instance's records then stay until the outermost call returns, cut off from
// the browser, and are freed there instead of under the running code. A null instance is
// allowed and holds nothing.
class InstanceCall {
public:
    explicit InstanceCall(PluginInstance* plugin);
    ~InstanceCall();
    InstanceCall(const InstanceCall&) = delete;
    InstanceCall& operator=(const InstanceCall&) = delete;

private:
    PluginInstance* held;
};
