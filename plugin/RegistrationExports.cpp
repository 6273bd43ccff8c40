// The library's two registration exports, called by regsvr32 (and regsvr32 /u).
#include "plugin/SelfRegistration.h"

extern "C" HRESULT WINAPI DllRegisterServer(void) {
    return RegisterThisPlugin();
}

extern "C" HRESULT WINAPI DllUnregisterServer(void) {
    return UnregisterThisPlugin();
}
