// VemoDoc.dll: the in-process COM server of the drawing renderer. The exports and the interface
// methods are shims over DrawingRenderer, which holds all of an object's state.
#include <windows.h>
#include <olectl.h>
#include <new>
#include <string.h>

#include "plugin/DocumentRenderer.h"
#include "renderer/DrawingRenderer.h"

namespace {

HINSTANCE gModule = nullptr;
LONG gObjects = 0; // live renderer objects
LONG gLocks = 0;   // IClassFactory::LockServer

const char kClassName[] = "Vemo Document Renderer";
const char kProgId[] = "Vemo.Document";

class RendererObject final : public IDocumentRenderer {
public:
    RendererObject() { InterlockedIncrement(&gObjects); }
    ~RendererObject() { InterlockedDecrement(&gObjects); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDocumentRenderer)) {
            *out = static_cast<IDocumentRenderer*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&refs)); }
    ULONG STDMETHODCALLTYPE Release() override {
        LONG left = InterlockedDecrement(&refs);
        if (left == 0) {
            delete this;
        }
        return ULONG(left);
    }

    HRESULT STDMETHODCALLTYPE LoadData(ULONG length, const BYTE* data) override {
        return core.LoadData(length, data);
    }
    HRESULT STDMETHODCALLTYPE GetDefaultView(DocRect* view, LONG* flag) override {
        int32_t f = 0;
        HRESULT r = core.GetDefaultView(view, flag ? &f : nullptr);
        if (flag != nullptr && r == S_OK) {
            *flag = f;
        }
        return r;
    }
    HRESULT STDMETHODCALLTYPE SetDefaultView(const DocRect* view, LONG flag) override {
        return core.SetDefaultView(view, flag);
    }
    HRESULT STDMETHODCALLTYPE GetHyperlinkAt(LONG x, LONG y, RenderMatrix matrix,
                                             LONG tolerance, LONG capacity, LONG* length,
                                             char* text) override {
        int32_t n = 0;
        HRESULT r = core.GetHyperlinkAt(x, y, matrix, tolerance, capacity, length ? &n : nullptr,
                                        text);
        if (length != nullptr) {
            *length = n;
        }
        return r;
    }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateRenderContext(USHORT width, USHORT height, LONG smoothed,
                                                  void* pixels, ULONG* handle) override {
        uint32_t h = 0;
        HRESULT r = core.CreateRenderContext(width, height, smoothed, pixels, handle ? &h : nullptr);
        if (handle != nullptr) {
            *handle = h;
        }
        return r;
    }
    HRESULT STDMETHODCALLTYPE SetContextView(ULONG handle, const DocRect* view,
                                             LONG flag) override {
        return core.SetContextView(handle, view, flag);
    }
    HRESULT STDMETHODCALLTYPE GetContextMatrix(ULONG handle, RenderMatrix* matrix) override {
        return core.GetContextMatrix(handle, matrix);
    }
    HRESULT STDMETHODCALLTYPE Reserved11() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RenderSlice(ULONG handle, ULONG budget, LONG reserved,
                                          DocRect* changed, LONG* value1, LONG* value2,
                                          void* pixels) override {
        int32_t v1 = 0, v2 = 0;
        HRESULT r = core.RenderSlice(handle, budget, reserved, changed, &v1, &v2, pixels);
        if (value1 != nullptr) {
            *value1 = v1;
        }
        if (value2 != nullptr) {
            *value2 = v2;
        }
        return r;
    }
    HRESULT STDMETHODCALLTYPE ConvertBitmap(LONG width, LONG height, PixelPoint origin,
                                            LONG deviceBitsPerPixel, const BYTE* colourTable,
                                            const void* pixels, void* devicePixels) override {
        return core.ConvertBitmap(width, height, origin.x, origin.y, deviceBitsPerPixel,
                                  colourTable, pixels, devicePixels);
    }
    HRESULT STDMETHODCALLTYPE DestroyRenderContext(ULONG handle) override {
        return core.DestroyRenderContext(handle);
    }
    HRESULT STDMETHODCALLTYPE GetPalette(LONG reserved, BYTE* colourTable) override {
        return core.GetPalette(reserved, colourTable);
    }

private:
    LONG refs = 1;
    vemo::DrawingRenderer core;
};

class ClassFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *out = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: its references keep the module loaded like a lock.
    ULONG STDMETHODCALLTYPE AddRef() override { return ULONG(InterlockedIncrement(&gLocks) + 1); }
    ULONG STDMETHODCALLTYPE Release() override { return ULONG(InterlockedDecrement(&gLocks) + 1); }

    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (out == nullptr) {
            return E_POINTER;
        }
        *out = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        RendererObject* object = new (std::nothrow) RendererObject;
        if (object == nullptr) {
            return E_OUTOFMEMORY;
        }
        HRESULT r = object->QueryInterface(iid, out);
        object->Release(); // the caller's reference, if any, remains
        return r;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
        if (lock) {
            InterlockedIncrement(&gLocks);
        } else {
            InterlockedDecrement(&gLocks);
        }
        return S_OK;
    }
};

ClassFactory gFactory;

// "{C12047E8-4832-410A-871F-0A452D817E51}"
void ClassIdText(char out[39]) {
    const CLSID& c = CLSID_VemoDocument;
    wsprintfA(out, "{%08lX-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", c.Data1, c.Data2,
              c.Data3, c.Data4[0], c.Data4[1], c.Data4[2], c.Data4[3], c.Data4[4], c.Data4[5],
              c.Data4[6], c.Data4[7]);
}

bool SetKeyValue(const char* keyPath, const char* name, const char* value) {
    HKEY key;
    if (RegCreateKeyExA(HKEY_CLASSES_ROOT, keyPath, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_WRITE, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    LONG r = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            DWORD(strlen(value) + 1));
    RegCloseKey(key);
    return r == ERROR_SUCCESS;
}

} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE module, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) {
        gModule = module;
        DisableThreadLibraryCalls(module);
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** out) {
    if (out == nullptr) {
        return E_POINTER;
    }
    *out = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_VemoDocument)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return gFactory.QueryInterface(iid, out);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return (gObjects == 0 && gLocks == 0) ? S_OK : S_FALSE;
}

extern "C" HRESULT STDAPICALLTYPE DllRegisterServer() {
    char path[MAX_PATH + 1];
    DWORD n = GetModuleFileNameA(gModule, path, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) {
        return SELFREG_E_CLASS;
    }
    path[n] = '\0';
    char id[39];
    ClassIdText(id);
    char key[96];
    wsprintfA(key, "CLSID\\%s", id);
    char server[128];
    wsprintfA(server, "CLSID\\%s\\InprocServer32", id);
    char progIdKey[128];
    wsprintfA(progIdKey, "CLSID\\%s\\ProgID", id);
    char backKey[64];
    wsprintfA(backKey, "%s\\CLSID", kProgId);
    bool ok = SetKeyValue(key, nullptr, kClassName) && SetKeyValue(server, nullptr, path) &&
              SetKeyValue(server, "ThreadingModel", "Apartment") &&
              SetKeyValue(progIdKey, nullptr, kProgId) &&
              SetKeyValue(kProgId, nullptr, kClassName) && SetKeyValue(backKey, nullptr, id);
    return ok ? S_OK : SELFREG_E_CLASS;
}

extern "C" HRESULT STDAPICALLTYPE DllUnregisterServer() {
    char id[39];
    ClassIdText(id);
    char key[160];
    // innermost keys first: RegDeleteKeyA removes only keys without subkeys
    const char* const suffixes[] = {"\\InprocServer32", "\\ProgID", ""};
    HRESULT result = S_OK;
    for (const char* suffix : suffixes) {
        wsprintfA(key, "CLSID\\%s%s", id, suffix);
        LONG r = RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
        if (r != ERROR_SUCCESS && r != ERROR_FILE_NOT_FOUND) {
            result = SELFREG_E_CLASS;
        }
    }
    wsprintfA(key, "%s\\CLSID", kProgId);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, key);
    RegDeleteKeyA(HKEY_CLASSES_ROOT, kProgId);
    return result;
}
