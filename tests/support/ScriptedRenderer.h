// A test double of the renderer component: an IDocumentRenderer that records every call and
// answers what the test scripts.
//
//   ScriptedRenderer renderer;
//   renderer.Queue(kSlotLoadData, {S_OK, HRESULT(0x8534E107)});  // next two LoadData results
//   renderer.SetDefault(kSlotRenderSlice, 0x18);                   // afterwards, always this
//   renderer.defaultView = DocRect{0, 0, 72000, 72000};
//   ... run the code under test ...
//   EXPECT_EQ(renderer.CountOf(kSlotLoadData), 3);
//
// The object is owned by the test: Release only counts down, it never deletes. To hand it out
// through CoCreateInstance, register a ScriptedRendererFactory with CoRegisterClassObject
// (ScriptedRendererRegistration does both and revokes at the end of its scope).
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <string.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "plugin/DocumentRenderer.h"

enum RendererSlot {
    kSlotQueryInterface = 0,
    kSlotAddRef = 1,
    kSlotRelease = 2,
    kSlotLoadData = 3,
    kSlotGetDefaultView = 4,
    kSlotSetDefaultView = 5,
    kSlotGetHyperlinkAt = 6,
    kSlotReserved7 = 7,
    kSlotCreateRenderContext = 8,
    kSlotSetContextView = 9,
    kSlotGetContextMatrix = 10,
    kSlotReserved11 = 11,
    kSlotRenderSlice = 12,
    kSlotConvertBitmap = 13,
    kSlotDestroyRenderContext = 14,
    kSlotGetPalette = 15,
    kRendererSlotCount = 16
};

// One recorded call: the slot, its numeric arguments in order (pointers that carry input are
// copied into rect/bytes), and the result returned.
struct RendererCall {
    int slot = 0;
    std::vector<long long> args;
    std::vector<unsigned char> bytes;      // LoadData's chunk
    DocRect rect{0, 0, 0, 0};              // SetDefaultView's and SetContextView's rectangle
    RenderMatrix matrix{0, 0, 0, 0, 0, 0}; // GetHyperlinkAt's matrix
    HRESULT result = S_OK;
};

class ScriptedRenderer : public IDocumentRenderer {
public:
    std::vector<RendererCall> calls;
    std::deque<HRESULT> queued[kRendererSlotCount];
    HRESULT defaults[kRendererSlotCount];

    // What the renderer reports.
    DocRect defaultView{0, 0, 72000, 72000};
    LONG defaultViewFlag = 0;
    std::string hyperlink; // GetHyperlinkAt's text ("" = none)
    RenderMatrix contextMatrix{kMatrixOne / 750, 0, 0, -kMatrixOne / 750, 0, 0};
    unsigned char palette[1024]; // GetPalette's table (256 x RGBX)
    // RenderSlice paints: by default every pixel of the context's buffer becomes paintColour
    // (0x00RRGGBB); a test may paint by itself instead.
    DWORD paintColour = 0x00336699;
    std::function<void(ULONG handle, void* pixels, int width, int height, DocRect* changed)> paint;
    // ConvertBitmap: 32-bit copies, other depths are filled with convertFill.
    unsigned char convertFill = 0;

    LONG references = 1;
    int releases = 0;
    std::vector<unsigned char> loaded; // every LoadData chunk in order
    int endOfData = 0;                 // LoadData calls with length 0 and null data

    struct Context {
        ULONG handle;
        int width;
        int height;
        void* pixels;
        bool alive;
    };
    std::vector<Context> contexts;

    ScriptedRenderer() {
        for (HRESULT& result : defaults) {
            result = S_OK;
        }
        for (int i = 0; i < 256; ++i) {
            palette[i * 4 + 0] = static_cast<unsigned char>(i);
            palette[i * 4 + 1] = static_cast<unsigned char>(i);
            palette[i * 4 + 2] = static_cast<unsigned char>(i);
            palette[i * 4 + 3] = 0;
        }
    }
    virtual ~ScriptedRenderer() = default;

    // Results of the next calls to a slot, in order; then the slot's default.
    void Queue(int slot, std::initializer_list<HRESULT> results) {
        for (HRESULT result : results) {
            queued[slot].push_back(result);
        }
    }
    void SetDefault(int slot, HRESULT result) { defaults[slot] = result; }

    int CountOf(int slot) const {
        int count = 0;
        for (const RendererCall& call : calls) {
            count += call.slot == slot ? 1 : 0;
        }
        return count;
    }
    std::vector<RendererCall> CallsTo(int slot) const {
        std::vector<RendererCall> found;
        for (const RendererCall& call : calls) {
            if (call.slot == slot) {
                found.push_back(call);
            }
        }
        return found;
    }
    // The slots called, in order, without AddRef/Release.
    std::vector<int> Sequence() const {
        std::vector<int> slots;
        for (const RendererCall& call : calls) {
            if (call.slot != kSlotAddRef && call.slot != kSlotRelease) {
                slots.push_back(call.slot);
            }
        }
        return slots;
    }
    int LiveContexts() const {
        int count = 0;
        for (const Context& context : contexts) {
            count += context.alive ? 1 : 0;
        }
        return count;
    }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        Record(kSlotQueryInterface, {});
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDocumentRenderer)) {
            *object = static_cast<IDocumentRenderer*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        Record(kSlotAddRef, {});
        return static_cast<ULONG>(++references);
    }
    ULONG STDMETHODCALLTYPE Release() override {
        Record(kSlotRelease, {});
        ++releases;
        return static_cast<ULONG>(--references);
    }

    // IDocumentRenderer
    HRESULT STDMETHODCALLTYPE LoadData(ULONG length, const BYTE* data) override {
        RendererCall& call =
            Record(kSlotLoadData, {static_cast<long long>(length), data == nullptr ? 0LL : 1LL});
        if (data != nullptr) {
            call.bytes.assign(data, data + length);
            loaded.insert(loaded.end(), data, data + length);
        } else if (length == 0) {
            ++endOfData;
        }
        return Answer(call);
    }
    HRESULT STDMETHODCALLTYPE GetDefaultView(DocRect* view, LONG* flag) override {
        RendererCall& call = Record(kSlotGetDefaultView, {});
        if (view != nullptr) {
            *view = defaultView;
        }
        if (flag != nullptr) {
            *flag = defaultViewFlag;
        }
        return Answer(call);
    }
    HRESULT STDMETHODCALLTYPE SetDefaultView(const DocRect* view, LONG flag) override {
        RendererCall& call = Record(kSlotSetDefaultView, {flag});
        if (view != nullptr) {
            call.rect = *view;
        }
        return Answer(call);
    }
    HRESULT STDMETHODCALLTYPE GetHyperlinkAt(LONG x, LONG y, RenderMatrix matrix, LONG tolerance,
                                             LONG capacity, LONG* length, char* text) override {
        RendererCall& call = Record(kSlotGetHyperlinkAt, {x, y, tolerance, capacity});
        call.matrix = matrix;
        LONG full = static_cast<LONG>(hyperlink.size());
        if (length != nullptr) {
            *length = full;
        }
        if (text != nullptr && capacity > 0) {
            LONG n = full < capacity ? full : capacity - 1;
            memcpy(text, hyperlink.data(), static_cast<size_t>(n));
            text[n] = '\0';
        }
        return Answer(call);
    }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return Answer(Record(kSlotReserved7, {})); }
    HRESULT STDMETHODCALLTYPE CreateRenderContext(USHORT width, USHORT height, LONG smoothed,
                                                  void* pixels, ULONG* handle) override {
        RendererCall& call = Record(kSlotCreateRenderContext, {width, height, smoothed});
        HRESULT result = Answer(call);
        if (SUCCEEDED(result)) {
            ULONG made = static_cast<ULONG>(contexts.size() + 1);
            contexts.push_back(Context{made, width, height, pixels, true});
            if (handle != nullptr) {
                *handle = made;
            }
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE SetContextView(ULONG handle, const DocRect* view,
                                             LONG flag) override {
        RendererCall& call = Record(kSlotSetContextView, {static_cast<long long>(handle), flag});
        if (view != nullptr) {
            call.rect = *view;
        }
        return Answer(call);
    }
    HRESULT STDMETHODCALLTYPE GetContextMatrix(ULONG handle, RenderMatrix* matrix) override {
        RendererCall& call = Record(kSlotGetContextMatrix, {static_cast<long long>(handle)});
        if (matrix != nullptr) {
            *matrix = contextMatrix;
        }
        return Answer(call);
    }
    HRESULT STDMETHODCALLTYPE Reserved11() override { return Answer(Record(kSlotReserved11, {})); }
    HRESULT STDMETHODCALLTYPE RenderSlice(ULONG handle, ULONG budget, LONG reserved,
                                          DocRect* changed, LONG* value1, LONG* value2,
                                          void* pixels) override {
        RendererCall& call = Record(kSlotRenderSlice, {static_cast<long long>(handle),
                                                       static_cast<long long>(budget), reserved});
        HRESULT result = Answer(call);
        if (value1 != nullptr) {
            *value1 = 0;
        }
        if (value2 != nullptr) {
            *value2 = 0;
        }
        const Context* context = Find(handle);
        if (SUCCEEDED(result) && context != nullptr && pixels != nullptr) {
            if (paint) {
                paint(handle, pixels, context->width, context->height, changed);
            } else {
                DWORD* p = static_cast<DWORD*>(pixels);
                for (int i = 0; i < context->width * context->height; ++i) {
                    p[i] = paintColour;
                }
                if (changed != nullptr) {
                    *changed = DocRect{0, 0, context->width, context->height};
                }
            }
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE ConvertBitmap(LONG width, LONG height, PixelPoint origin,
                                            LONG deviceBitsPerPixel, const BYTE* colourTable,
                                            const void* pixels, void* devicePixels) override {
        RendererCall& call =
            Record(kSlotConvertBitmap, {width, height, origin.x, origin.y, deviceBitsPerPixel,
                                        colourTable == nullptr ? 0LL : 1LL});
        HRESULT result = Answer(call);
        if (SUCCEEDED(result) && pixels != nullptr && devicePixels != nullptr && width > 0 &&
            height > 0) {
            if (deviceBitsPerPixel == 32) {
                memcpy(devicePixels, pixels, static_cast<size_t>(width) * height * 4);
            } else {
                size_t stride = ((static_cast<size_t>(width) * deviceBitsPerPixel + 31) / 32) * 4;
                memset(devicePixels, convertFill, stride * height);
            }
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE DestroyRenderContext(ULONG handle) override {
        RendererCall& call = Record(kSlotDestroyRenderContext, {static_cast<long long>(handle)});
        for (Context& context : contexts) {
            if (context.handle == handle) {
                context.alive = false;
            }
        }
        return Answer(call);
    }
    HRESULT STDMETHODCALLTYPE GetPalette(LONG reserved, BYTE* colourTable) override {
        RendererCall& call = Record(kSlotGetPalette, {reserved});
        HRESULT result = Answer(call);
        if (SUCCEEDED(result) && colourTable != nullptr) {
            memcpy(colourTable, palette, sizeof palette);
        }
        return result;
    }

private:
    RendererCall& Record(int slot, std::initializer_list<long long> args) {
        RendererCall call;
        call.slot = slot;
        call.args = args;
        calls.push_back(call);
        return calls.back();
    }
    HRESULT Answer(RendererCall& call) {
        HRESULT result = defaults[call.slot];
        if (!queued[call.slot].empty()) {
            result = queued[call.slot].front();
            queued[call.slot].pop_front();
        }
        call.result = result;
        return result;
    }
    const Context* Find(ULONG handle) const {
        for (const Context& context : contexts) {
            if (context.handle == handle && context.alive) {
                return &context;
            }
        }
        return nullptr;
    }
};

// A class object that hands out one ScriptedRenderer (or fails with createResult).
class ScriptedRendererFactory : public IClassFactory {
public:
    ScriptedRenderer* renderer = nullptr; // what CreateInstance hands out
    HRESULT createResult = S_OK;          // a failure here makes CreateInstance fail
    int creations = 0;                    // CreateInstance calls

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) {
            return E_POINTER;
        }
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IClassFactory)) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        ++creations;
        if (object == nullptr) {
            return E_POINTER;
        }
        *object = nullptr;
        if (outer != nullptr) {
            return CLASS_E_NOAGGREGATION;
        }
        if (FAILED(createResult)) {
            return createResult;
        }
        if (renderer == nullptr) {
            return E_OUTOFMEMORY;
        }
        return renderer->QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

// Makes CoCreateInstance(CLSID_VemoDocument) answer with the factory on this thread's
// apartment for the life of the object. COM stays initialised on the thread meanwhile.
class ScriptedRendererRegistration {
public:
    explicit ScriptedRendererRegistration(ScriptedRendererFactory* factory) {
        initialised = SUCCEEDED(CoInitialize(nullptr));
        registered = CoRegisterClassObject(CLSID_VemoDocument, factory, CLSCTX_INPROC_SERVER,
                                           REGCLS_MULTIPLEUSE, &cookie);
    }
    ~ScriptedRendererRegistration() {
        if (SUCCEEDED(registered)) {
            CoRevokeClassObject(cookie);
        }
        if (initialised) {
            CoUninitialize();
        }
    }
    ScriptedRendererRegistration(const ScriptedRendererRegistration&) = delete;
    ScriptedRendererRegistration& operator=(const ScriptedRendererRegistration&) = delete;

    bool Registered() const { return SUCCEEDED(registered); }

private:
    bool initialised = false;
    HRESULT registered = E_FAIL;
    DWORD cookie = 0;
};
