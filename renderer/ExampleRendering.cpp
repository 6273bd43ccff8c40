#include "renderer/ExampleRendering.h"

#include "renderer/DrawingRenderer.h"
#include "renderer/Results.h"

namespace vemo {

ExampleOutcome RenderExample(DrawingRenderer& renderer, const uint8_t* file, uint32_t size,
                             int32_t width, int32_t height, int32_t smoothed, void* pixels) {
    ExampleOutcome outcome{0, 0, 0};
    for (uint32_t at = 0; at < size; at += 4096) {
        uint32_t n = size - at < 4096 ? size - at : 4096;
        int32_t r = renderer.LoadData(n, file + at);
        if (r < 0) {
            outcome.loadResult = r;
            break;
        }
    }
    if (outcome.loadResult == 0) {
        outcome.endResult = renderer.LoadData(0, nullptr);
    }
    DocRect view;
    int32_t flag = 1;
    if (renderer.GetDefaultView(&view, &flag) != kOk) {
        view = DocRect{0, 0, 72000, 72000};
    }
    uint32_t handle = 0;
    if (renderer.CreateRenderContext(uint16_t(width), uint16_t(height), smoothed, pixels,
                                     &handle) != kOk) {
        return outcome;
    }
    renderer.SetContextView(handle, &view, flag);
    for (int i = 0; i < 10000; ++i) {
        int32_t r = renderer.RenderSlice(handle, 200, 0, nullptr, nullptr, nullptr, pixels);
        ++outcome.slices;
        if (r < 0 || (r & (kSliceFinished | kSliceIncomplete))) {
            break;
        }
    }
    renderer.DestroyRenderContext(handle);
    return outcome;
}

void PixelsToTopDownRgb(const void* pixels, int32_t width, int32_t height,
                        std::vector<uint8_t>& rgb) {
    rgb.resize(size_t(width) * size_t(height) * 3);
    const uint8_t* p = static_cast<const uint8_t*>(pixels);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = p + size_t(height - 1 - y) * size_t(width) * 4;
        for (int32_t x = 0; x < width; ++x) {
            uint8_t* o = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            o[0] = row[x * 4 + 2];
            o[1] = row[x * 4 + 1];
            o[2] = row[x * 4];
        }
    }
}

ImageDifference CompareRgb(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                           int32_t slack) {
    ImageDifference d{0, 0};
    if (a.size() != b.size()) {
        d.largest = 255;
        d.pixelsOver = int64_t(a.size() > b.size() ? a.size() : b.size()) / 3;
        return d;
    }
    for (size_t i = 0; i + 2 < a.size(); i += 3) {
        int32_t worst = 0;
        for (int c = 0; c < 3; ++c) {
            int32_t diff = a[i + c] > b[i + c] ? a[i + c] - b[i + c] : b[i + c] - a[i + c];
            worst = diff > worst ? diff : worst;
        }
        d.largest = worst > d.largest ? worst : d.largest;
        if (worst > slack) {
            ++d.pixelsOver;
        }
    }
    return d;
}

} // namespace vemo
