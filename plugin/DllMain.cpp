// The module entry routine of NPVemoC.dll: it only remembers the module handle.
#include "plugin/HostServices.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID reserved) {
    (void)reason;
    (void)reserved;
    SetPluginModule(module);
    return TRUE;
}
