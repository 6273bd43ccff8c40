// ComProbe CLSID [IID]: a program of its own that creates a class through COM, as a client of
// an installed component would. Exit code 0 when the object (and the interface) came.
#include <windows.h>
#include <objbase.h>

#include <stdio.h>

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: ComProbe CLSID [IID]\n");
        return 2;
    }
    wchar_t text[64];
    CLSID clsid;
    IID iid = IID_IUnknown;
    MultiByteToWideChar(CP_ACP, 0, argv[1], -1, text, 64);
    if (FAILED(CLSIDFromString(text, &clsid))) {
        return 2;
    }
    if (argc > 2) {
        MultiByteToWideChar(CP_ACP, 0, argv[2], -1, text, 64);
        if (FAILED(IIDFromString(text, &iid))) {
            return 2;
        }
    }
    CoInitialize(nullptr);
    IUnknown* object = nullptr;
    HRESULT result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, iid,
                                      reinterpret_cast<void**>(&object));
    printf("CoCreateInstance: 0x%08lx\n", static_cast<unsigned long>(result));
    if (object != nullptr) {
        object->Release();
    }
    CoUninitialize();
    return SUCCEEDED(result) && object != nullptr ? 0 : 1;
}
