// The VemoDoc COM server as another program sees it: registration with regsvr32, the registry
// keys it writes, objects made with CoCreateInstance, reference counts, many objects at once,
// and unregistration.
#include <windows.h>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string>

#include "plugin/DocumentRenderer.h"
#include "renderer/ComTestSupport.h"

namespace {

const char kClassKey[] = "CLSID\\{C12047E8-4832-410A-871F-0A452D817E51}";

std::string ReadClassValue(const char* subkey, const char* name) {
    std::string path = std::string(kClassKey) + subkey;
    HKEY key;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return "<missing>";
    }
    char value[MAX_PATH * 2] = {};
    DWORD size = sizeof value - 1, type = 0;
    LONG r = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS || type != REG_SZ) {
        return "<missing>";
    }
    return value;
}

TEST(ComServer, RegistersCreatesAndUnregisters) {
    std::string dll = RendererDllPath();
    ASSERT_EQ(0u, RunRegsvr32(dll, false));
    EXPECT_EQ("Apartment", ReadClassValue("\\InprocServer32", "ThreadingModel"));
    std::string server = ReadClassValue("\\InprocServer32", nullptr);
    EXPECT_EQ(0, _stricmp(dll.c_str(), server.c_str())) << server;

    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    IDocumentRenderer* renderer = nullptr;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VemoDocument, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDocumentRenderer, reinterpret_cast<void**>(&renderer)));
    ASSERT_NE(nullptr, renderer);
    EXPECT_EQ(2u, renderer->AddRef());
    IUnknown* unknown = nullptr;
    EXPECT_EQ(S_OK, renderer->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)));
    EXPECT_EQ(2u, unknown->Release());
    void* other = nullptr;
    EXPECT_EQ(E_NOINTERFACE, renderer->QueryInterface(IID_IClassFactory, &other));
    EXPECT_EQ(nullptr, other);
    EXPECT_EQ(1u, renderer->Release());
    EXPECT_EQ(0u, renderer->Release());
    CoUninitialize();

    ASSERT_EQ(0u, RunRegsvr32(dll, true));
    EXPECT_EQ("<missing>", ReadClassValue("\\InprocServer32", nullptr));
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    EXPECT_EQ(REGDB_E_CLASSNOTREG,
              CoCreateInstance(CLSID_VemoDocument, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDocumentRenderer, reinterpret_cast<void**>(&renderer)));
    CoUninitialize();
}

TEST(ComServer, ClassObjectAndUnloadFollowTheObjects) {
    HMODULE module = LoadLibraryA(RendererDllPath().c_str());
    ASSERT_NE(nullptr, module) << RendererDllPath() << " error " << GetLastError();
    auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
    auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
    ASSERT_NE(nullptr, getClassObject);
    ASSERT_NE(nullptr, canUnload);

    void* factoryPointer = nullptr;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
              getClassObject(IID_IDocumentRenderer, IID_IClassFactory, &factoryPointer));
    ASSERT_EQ(S_OK, getClassObject(CLSID_VemoDocument, IID_IClassFactory, &factoryPointer));
    IClassFactory* factory = static_cast<IClassFactory*>(factoryPointer);
    EXPECT_EQ(S_FALSE, canUnload()); // the factory is held

    IDocumentRenderer* objects[16] = {};
    for (IDocumentRenderer*& object : objects) {
        ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IDocumentRenderer,
                                                reinterpret_cast<void**>(&object)));
    }
    IUnknown* outer = reinterpret_cast<IUnknown*>(objects[0]);
    void* aggregated = nullptr;
    EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer, IID_IUnknown, &aggregated));
    factory->Release();
    EXPECT_EQ(S_FALSE, canUnload()); // objects live

    // Objects share nothing: each keeps its own page view.
    for (int i = 0; i < 16; ++i) {
        DocRect view{i, 0, 1000 + i, 1000};
        EXPECT_EQ(S_OK, objects[i]->SetDefaultView(&view, i & 1));
    }
    for (int i = 0; i < 16; ++i) {
        DocRect view{};
        LONG flag = -1;
        EXPECT_EQ(S_OK, objects[i]->GetDefaultView(&view, &flag));
        EXPECT_EQ(i, view.x0);
        EXPECT_EQ(i & 1, flag);
    }
    for (IDocumentRenderer* object : objects) {
        EXPECT_EQ(0u, object->Release());
    }
    EXPECT_EQ(S_OK, canUnload());
    FreeLibrary(module);
}

} // namespace
