// The renderer core against arbitrary files: fed in chunks of varying size, ended, then drawn
// into small contexts (smoothed and aliased, the file's view and a hostile one), hyperlinks
// queried and the result converted to palette pixels. Any crash, sanitizer report or memory
// beyond the documented limits is a finding, and so are pixels drawn in short slices that
// differ from those of one long slice.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include "renderer/DrawingRenderer.h"
#include "renderer/Results.h"
#include "renderer/ViewMath.h"

namespace {

uint64_t FakeMilliseconds(void* user) {
    uint64_t* now = static_cast<uint64_t*>(user);
    return ++*now;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace vemo;
    DrawingRenderer renderer;
    uint64_t clock = 0;
    renderer.SetClock(&FakeMilliseconds, &clock); // slices stop after a few steps

    // chunk sizes from a generator seeded by the size: the whole input stays the file
    uint32_t seed = uint32_t(size) * 2654435761u + 1;
    size_t at = 0;
    int32_t failed = 0;
    while (at < size) {
        seed = seed * 1103515245u + 12345u;
        uint32_t pick = (seed >> 16) & 0xFF;
        size_t n = pick < 200 ? 1 + pick % 17 : (pick < 250 ? 1 + pick * 7 : 4096);
        n = n < size - at ? n : size - at;
        if (renderer.LoadData(uint32_t(n), data + at) < 0) {
            failed = 1;
            break;
        }
        at += n;
    }
    if (!failed) {
        renderer.LoadData(0, nullptr);
    }

    DocRect view{};
    int32_t flag = 1;
    if (renderer.GetDefaultView(&view, &flag) != kOk) {
        view = DocRect{0, 0, 72000, 72000};
    }
    const DocRect views[] = {view, DocRect{-2000000000, -5, 2000000000, 5},
                             DocRect{view.x0, view.y0, view.x0 + 3, view.y0 + 2}};
    static uint32_t pixels[32 * 25], whole[32 * 25];
    static uint8_t device[32 * 24];
    uint8_t palette[256 * 4];
    renderer.GetPalette(0, palette);
    for (int k = 0; k < 3; ++k) {
        uint32_t handle = 0;
        if (renderer.CreateRenderContext(32, 24, k != 1, pixels, &handle) != kOk) {
            continue;
        }
        renderer.SetContextView(handle, &views[k], k == 2 ? 0 : flag);
        int32_t r = 0;
        for (int i = 0; i < 400; ++i) {
            r = renderer.RenderSlice(handle, 5, 0, nullptr, nullptr, nullptr, pixels);
            if (r < 0 || (r & (kSliceFinished | kSliceIncomplete))) {
                break;
            }
        }
        // the same view in one slice that never runs out of time
        uint32_t one = 0;
        if (r >= 0 && (r & kSliceFinished) &&
            renderer.CreateRenderContext(32, 24, k != 1, whole, &one) == kOk) {
            renderer.SetContextView(one, &views[k], k == 2 ? 0 : flag);
            const int32_t ends = kSliceFinished | kSliceIncomplete;
            const int32_t w =
                renderer.RenderSlice(one, 0xFFFFFFFFu, 0, nullptr, nullptr, nullptr, whole);
            if ((w & ends) != (r & ends) || memcmp(pixels, whole, 32 * 24 * 4) != 0) {
                abort();
            }
            renderer.DestroyRenderContext(one);
        }
        RenderMatrix m{};
        renderer.GetContextMatrix(handle, &m);
        char text[64];
        int32_t length = 0;
        for (int32_t p = 0; p < 4; ++p) {
            int32_t x, y;
            DocPointFromPixel(views[k], m, 32, 24, p * 9, p * 7, &x, &y);
            renderer.GetHyperlinkAt(x, y, m, 16, int32_t(sizeof text), &length, text);
        }
        renderer.ConvertBitmap(32, 24, int32_t(size), -int32_t(size), 8, palette, pixels, device);
        renderer.DestroyRenderContext(handle);
    }
    return 0;
}
