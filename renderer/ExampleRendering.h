// How an example drawing is rendered for comparison with its stored expected image: the whole
// file fed in 4096-byte chunks (as the plug-in does), the end of data, a context of the example
// size showing the default view, slices of 200 ms until the context is finished. Shared by the
// tool that makes the expected images and the tests that compare with them (natively and through
// the COM server under Wine).
#pragma once

#include <stdint.h>
#include <vector>

namespace vemo {

class DrawingRenderer;

constexpr int32_t kExampleWidth = 160;
constexpr int32_t kExampleHeight = 120;

struct ExampleOutcome {
    int32_t loadResult; // the first failure of LoadData, else 0
    int32_t endResult;  // the end of data's result
    int32_t slices;     // RenderSlice calls until finished
};

ExampleOutcome RenderExample(DrawingRenderer& renderer, const uint8_t* file, uint32_t size,
                             int32_t width, int32_t height, int32_t smoothed, void* pixels);

// Bottom-up B, G, R, X rows to top-down R, G, B bytes.
void PixelsToTopDownRgb(const void* pixels, int32_t width, int32_t height,
                        std::vector<uint8_t>& rgb);

// Compares two RGB images: the largest channel difference and the number of pixels that
// differ by more than `slack` in any channel.
struct ImageDifference {
    int32_t largest;
    int64_t pixelsOver;
};
ImageDifference CompareRgb(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                           int32_t slack);

} // namespace vemo
