// The view's own costs for a 1920 x 1080 window, without rendering: a restart, one tick's
// present-and-copy of a whole-window tile, and a paint of the whole window. Each is printed as
// a ratio to a plain memcpy of the back buffer measured in the same run.
//
//   ViewBench [rounds]     (run under wine64 with a DISPLAY)
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "plugin/DocumentRenderer.h"
#include "plugin/HostServices.h"
#include "view/ViewBitmaps.h"
#include "view/ViewWindow.h"

namespace {

// A renderer that answers every call at once and draws nothing: what remains is the view's.
struct IdleRenderer final : IDocumentRenderer {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE LoadData(ULONG, const BYTE*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetDefaultView(DocRect* view, LONG* flag) override {
        *view = DocRect{0, 0, 1920 * 750, 1080 * 750};
        *flag = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetDefaultView(const DocRect*, LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetHyperlinkAt(LONG, LONG, RenderMatrix, LONG, LONG, LONG* length,
                                             char*) override {
        *length = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CreateRenderContext(USHORT, USHORT, LONG, void*,
                                                  ULONG* handle) override {
        *handle = ++contexts;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetContextView(ULONG, const DocRect*, LONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetContextMatrix(ULONG, RenderMatrix* m) override {
        *m = RenderMatrix{1431655, 0, 0, -1431655, 0, 0};
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Reserved11() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE RenderSlice(ULONG, ULONG, LONG, DocRect*, LONG*, LONG*,
                                          void*) override {
        return 0x10;
    }
    HRESULT STDMETHODCALLTYPE ConvertBitmap(LONG, LONG, PixelPoint, LONG, const BYTE*, const void*,
                                            void*) override {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DestroyRenderContext(ULONG) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetPalette(LONG, BYTE*) override { return S_OK; }

    ULONG contexts = 0;
};

using Clock = std::chrono::steady_clock;

// Median of `rounds` timings of `work`, in microseconds.
template <class Work> double MedianMicros(int rounds, Work work) {
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        auto start = Clock::now();
        work();
        auto end = Clock::now();
        times.push_back(std::chrono::duration<double, std::micro>(end - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Handles what is queued for the window; pending paints are dropped, not drawn.
void Pump(HWND window) {
    ValidateRect(window, nullptr);
    MSG msg;
    while (PeekMessageA(&msg, window, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_PAINT) {
            ValidateRect(window, nullptr);
        } else if (msg.message != WM_TIMER) {
            DispatchMessageA(&msg);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? atoi(argv[1]) : 30;
    const int width = 1920;
    const int height = 1080;
    SetPluginModule(GetModuleHandleA(nullptr));

    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "ViewBenchWindow";
    RegisterClassA(&wc);
    HWND window = CreateWindowExA(0, wc.lpszClassName, "view bench", WS_POPUP | WS_VISIBLE, 0, 0,
                                  width, height, nullptr, nullptr, wc.hInstance, nullptr);
    if (window == nullptr) {
        fprintf(stderr, "no window\n");
        return 1;
    }
    RECT client;
    GetClientRect(window, &client);

    IdleRenderer renderer;
    ViewWindow* view = new ViewWindow();
    view->Subclass(window);
    view->AttachRenderer(&renderer);
    view->timerStarted = 1; // the bench drives the view itself
    view->currentView = DocRect{0, 0, width * 750, height * 750};
    view->RestartRendering();
    Pump(window);

    const size_t backBytes =
        size_t(BitmapStride(view->clientWidth,
                            view->backInfo ? view->backInfo->bmiHeader.biBitCount : 32)) *
        size_t(view->clientHeight);
    std::vector<uint8_t> from(backBytes, 0x5A);
    std::vector<uint8_t> to(backBytes, 0);

    double copy = MedianMicros(rounds, [&] {
        memcpy(to.data(), from.data(), backBytes);
        __asm__ __volatile__("" : : "r"(to.data()) : "memory");
    });
    double restart = MedianMicros(rounds, [&] { view->RestartRendering(); });
    view->pictureShown = 1;
    RenderTile* tile = view->tiles.head;
    view->StepTile(tile, 200); // makes the display bitmap, as the first tick does
    // Pixels as a renderer would have left them (and every page of both bitmaps in use).
    memset(tile->renderBits, 0x3C, size_t(view->clientWidth) * view->clientHeight * 4);
    if (tile->displayBits != tile->renderBits) {
        memset(tile->displayBits, 0x3C, backBytes);
    }
    memset(view->backBits, 0, backBytes);
    double present = MedianMicros(rounds, [&] {
        view->PresentTile(tile);
        ValidateRect(window, nullptr);
    });
    double copyTile = MedianMicros(rounds, [&] { view->CopyTileToBackBuffer(tile); });
    HDC dc = GetDC(window);
    double paint = MedianMicros(rounds, [&] {
        view->PaintRegion(dc, 0, 0, view->clientWidth, view->clientHeight, view->backInfo,
                          view->backBits);
        GetPixel(dc, 0, 0); // waits until the display has the picture
    });
    ReleaseDC(window, dc);

    printf("view bench: client %d x %d, display %d bits, back buffer %d bits (%zu bytes), "
           "median of %d\n",
           view->clientWidth, view->clientHeight, view->bitsPerPixel,
           view->backInfo ? view->backInfo->bmiHeader.biBitCount : 0, backBytes, rounds);
    printf("  memcpy of the back buffer      %10.1f us   1.00\n", copy);
    printf("  restart (buffers, tile)        %10.1f us   %.2f x memcpy\n", restart, restart / copy);
    printf("  tick: present and copy a tile  %10.1f us   %.2f x memcpy\n", present, present / copy);
    printf("    of which the copy into the back buffer %8.1f us   %.2f x memcpy\n", copyTile,
           copyTile / copy);
    printf("  paint of the whole window      %10.1f us   %.2f x memcpy\n", paint, paint / copy);

    view->Unsubclass();
    delete view;
    DestroyWindow(window);
    return 0;
}
