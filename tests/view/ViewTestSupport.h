// What the view's Windows tests share: a renderer double that records the calls the view makes
// and answers what the test scripts, a browser-like child window, and pixel helpers.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <string.h>

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "plugin/DocumentRenderer.h"

namespace viewtest {

struct ContextRecord {
    USHORT width = 0;
    USHORT height = 0;
    LONG smoothed = 0;
    uint32_t* pixels = nullptr;
    DocRect view{0, 0, INT32_MIN, 0};
    LONG flag = -1;
    bool destroyed = false;
};

struct ConvertCall {
    LONG width, height;
    PixelPoint origin;
    LONG bitsPerPixel;
    const BYTE* colourTable;
    const void* source;
    void* destination;
};

// The renderer side of the view's calls. Slices fill their context's pixels with `fillColour`
// (0x00RRGGBB) and return the scripted results in order (then `defaultSlice`).
class RecordingRenderer final : public IDocumentRenderer {
public:
    std::vector<std::string> calls; // slot names in call order
    std::map<ULONG, ContextRecord> contexts;
    std::vector<ConvertCall> converts;
    std::vector<DocRect> defaultViewsSet;
    std::vector<ULONG> sliceHandles;         // the context of every RenderSlice
    DocRect defaultView{0, 0, INT32_MIN, 0}; // what GetDefaultView reports
    LONG defaultFlag = 1;
    std::deque<HRESULT> sliceResults;
    HRESULT defaultSlice = 0x10;
    HRESULT convertResult = S_OK;
    HRESULT createResult = S_OK;
    uint32_t fillColour = 0x000000FF; // blue
    int paletteCalls = 0;
    ULONG nextHandle = 1;

    int Count(const char* name) const {
        int n = 0;
        for (const std::string& c : calls) {
            n += c == name ? 1 : 0;
        }
        return n;
    }
    int LiveContexts() const {
        int n = 0;
        for (const auto& entry : contexts) {
            n += entry.second.destroyed ? 0 : 1;
        }
        return n;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override {
        calls.push_back("Release");
        return 1;
    }
    HRESULT STDMETHODCALLTYPE LoadData(ULONG, const BYTE*) override {
        calls.push_back("LoadData");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDefaultView(DocRect* view, LONG* flag) override {
        calls.push_back("GetDefaultView");
        *view = defaultView;
        *flag = defaultFlag;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetDefaultView(const DocRect* view, LONG) override {
        calls.push_back("SetDefaultView");
        defaultViewsSet.push_back(*view);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetHyperlinkAt(LONG, LONG, RenderMatrix, LONG, LONG, LONG* length,
                                             char*) override {
        calls.push_back("GetHyperlinkAt");
        *length = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateRenderContext(USHORT width, USHORT height, LONG smoothed,
                                                  void* pixels, ULONG* handle) override {
        calls.push_back("CreateRenderContext");
        if (FAILED(createResult)) {
            return createResult;
        }
        ContextRecord record;
        record.width = width;
        record.height = height;
        record.smoothed = smoothed;
        record.pixels = static_cast<uint32_t*>(pixels);
        *handle = nextHandle++;
        contexts[*handle] = record;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetContextView(ULONG handle, const DocRect* view,
                                             LONG flag) override {
        calls.push_back("SetContextView");
        auto found = contexts.find(handle);
        if (found == contexts.end()) {
            return E_INVALIDARG;
        }
        found->second.view = *view;
        found->second.flag = flag;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetContextMatrix(ULONG handle, RenderMatrix* m) override {
        calls.push_back("GetContextMatrix");
        auto found = contexts.find(handle);
        if (found == contexts.end()) {
            return E_INVALIDARG;
        }
        const ContextRecord& c = found->second;
        int64_t w = int64_t(c.view.x1) - c.view.x0;
        int64_t h = int64_t(c.view.y1) - c.view.y0;
        *m = RenderMatrix{w ? int32_t((int64_t(c.width) << 30) / w) : 0,  0, 0,
                          h ? int32_t((int64_t(c.height) << 30) / h) : 0, 0, 0};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reserved11() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RenderSlice(ULONG handle, ULONG, LONG, DocRect*, LONG*, LONG*,
                                          void* pixels) override {
        calls.push_back("RenderSlice");
        sliceHandles.push_back(handle);
        auto found = contexts.find(handle);
        if (found == contexts.end()) {
            return E_INVALIDARG;
        }
        const ContextRecord& c = found->second;
        uint32_t* p = static_cast<uint32_t*>(pixels);
        for (size_t i = 0; i < size_t(c.width) * c.height; ++i) {
            p[i] = fillColour;
        }
        HRESULT result = defaultSlice;
        if (!sliceResults.empty()) {
            result = sliceResults.front();
            sliceResults.pop_front();
        }
        return result;
    }
    HRESULT STDMETHODCALLTYPE ConvertBitmap(LONG width, LONG height, PixelPoint origin,
                                            LONG bitsPerPixel, const BYTE* colourTable,
                                            const void* source, void* destination) override {
        calls.push_back("ConvertBitmap");
        converts.push_back(
            ConvertCall{width, height, origin, bitsPerPixel, colourTable, source, destination});
        if (FAILED(convertResult)) {
            return convertResult;
        }
        if (bitsPerPixel == 32) {
            memcpy(destination, source, size_t(width) * height * 4);
        } else if (bitsPerPixel == 8) {
            uint8_t* d = static_cast<uint8_t*>(destination);
            size_t stride = (size_t(width) + 3) & ~size_t(3);
            for (LONG y = 0; y < height; ++y) {
                memset(d + y * stride, 1, size_t(width));
            }
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DestroyRenderContext(ULONG handle) override {
        calls.push_back("DestroyRenderContext");
        auto found = contexts.find(handle);
        if (found != contexts.end()) {
            found->second.destroyed = true;
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPalette(LONG, BYTE* table) override {
        calls.push_back("GetPalette");
        ++paletteCalls;
        for (int i = 0; i < 256; ++i) {
            table[i * 4 + 0] = BYTE(i);       // red
            table[i * 4 + 1] = BYTE(255 - i); // green
            table[i * 4 + 2] = BYTE(i / 2);   // blue
            table[i * 4 + 3] = 0;
        }
        return S_OK;
    }
};

// A top-level frame with one child window whose own procedure counts what reaches it, as the
// browser's window would.
struct BrowserWindow {
    HWND frame = nullptr;
    HWND child = nullptr;

    static int& Received() {
        static int received = 0;
        return received;
    }
    static UINT& LastMessage() {
        static UINT last = 0;
        return last;
    }
    static LRESULT CALLBACK ChildProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
        ++Received();
        LastMessage() = m;
        return DefWindowProcA(w, m, wp, lp);
    }

    BrowserWindow(int width, int height) {
        HINSTANCE module = GetModuleHandleA(nullptr);
        WNDCLASSA frameClass{};
        frameClass.lpfnWndProc = DefWindowProcA;
        frameClass.hInstance = module;
        frameClass.lpszClassName = "ViewTestFrame";
        frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassA(&frameClass);
        WNDCLASSA childClass{};
        childClass.lpfnWndProc = ChildProc;
        childClass.hInstance = module;
        childClass.lpszClassName = "ViewTestChild";
        RegisterClassA(&childClass);
        frame = CreateWindowExA(0, "ViewTestFrame", "view test", WS_POPUP | WS_VISIBLE, 20, 20,
                                width + 40, height + 40, nullptr, nullptr, module, nullptr);
        child = CreateWindowExA(0, "ViewTestChild", "", WS_CHILD | WS_VISIBLE, 10, 10, width,
                                height, frame, nullptr, module, nullptr);
        Received() = 0;
    }
    ~BrowserWindow() {
        if (IsWindow(frame)) {
            DestroyWindow(frame);
        }
    }
};

// Dispatches what is queued for the thread, for at most `ms` milliseconds.
inline void PumpFor(DWORD ms) {
    DWORD end = GetTickCount() + ms;
    do {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        Sleep(5);
    } while (int32_t(GetTickCount() - end) < 0);
}

// A 32-bit top-down memory surface with a device context, for painting into and reading back.
struct Surface {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint32_t* pixels = nullptr;
    int width = 0;
    int height = 0;

    Surface(int w, int h, uint32_t fill) : width(w), height(h) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HDC screen = GetDC(nullptr);
        dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<uint32_t*>(bits);
        old = SelectObject(dc, bitmap);
        Fill(fill);
    }
    ~Surface() {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    void Fill(uint32_t colour) {
        GdiFlush();
        for (int i = 0; i < width * height; ++i) {
            pixels[i] = colour;
        }
    }
    uint32_t At(int x, int y) {
        GdiFlush();
        return pixels[y * width + x] & 0xFFFFFF;
    }
};

// 0x00RRGGBB of a system colour.
inline uint32_t SystemColour(int index) {
    COLORREF c = GetSysColor(index);
    return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c);
}

} // namespace viewtest
