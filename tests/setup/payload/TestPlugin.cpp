// A stand-in for the plug-in in the installer's test cabinets: a DLL that does nothing.
#include <windows.h>

extern "C" __declspec(dllexport) int VemoTestPayload() {
    return 8;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
