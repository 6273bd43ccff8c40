// What `vemo info` and `vemo render` do with a drawing, over bytes in memory: the renderer's own
// parser and rasteriser (renderer/DrawingRenderer.h), the view chosen as the plug-in chooses it.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "plugin/DocGeometry.h"

namespace vemo::cli {

// Where a drawing's default view comes from, in the plug-in's order of preference.
enum class ViewSource { File, Bounds, Drawn };

struct DrawingSummary {
    int32_t loadResult = 0; // kOk, or the failure code of the load or of the end of data
    int32_t warnings = 0;   // the end of data's warning bits
    uint64_t failureOffset = 0;
    uint16_t major = 0;
    uint16_t minor = 0;
    DocRect bounds = NotSetRect();
    DocRect defaultView = NotSetRect();
    int32_t defaultViewFlag = 1;
    ViewSource viewSource = ViewSource::File;
    uint64_t objects = 0;  // drawn objects (path records with operations)
    uint64_t paths = 0;    // subpaths (move operations)
    uint64_t points = 0;
    uint64_t links = 0;    // hyperlink addresses
    uint64_t linkedObjects = 0;
    uint64_t skippedRecords = 0;
    uint64_t linearGradients = 0; // gradient records (version 1.6)
    uint64_t radialGradients = 0;
    uint64_t gradientFills = 0;   // objects whose fill or stroke a gradient paints
    uint64_t gradientStrokes = 0;
};

// Loads the whole drawing (as the plug-in does, then the end of data) and sums it up.
DrawingSummary SummariseDrawing(const uint8_t* data, size_t size);

// The text `vemo info` prints: one "name: value" line each; for a failure, the fields read
// before it and a line "failure: ..." naming the code, the byte offset and what lies there.
std::string DescribeDrawing(const uint8_t* data, size_t size, const DrawingSummary& summary);

// A one-line description of a load failure: "corrupt file (0x80001001) at byte 20: record 6
// (path), 36 bytes".
std::string DescribeFailure(const uint8_t* data, size_t size, const DrawingSummary& summary);

struct RenderRequest {
    int32_t width = 0; // 0: the view at 100 percent (750 document units a pixel)
    bool hasView = false;
    DocRect view = NotSetRect();
    int32_t smoothed = 1;
};

struct RenderedImage {
    int32_t width = 0;
    int32_t height = 0;
    DocRect view = NotSetRect();
    std::vector<uint8_t> rgb; // top-down rows of red, green, blue
};

// The largest image `render` makes, in pixels (one GiB of 32-bit pixels).
constexpr uint64_t kMaxRenderPixels = uint64_t(1) << 28;

// The image size for a view: `width` across (or the view at 100 percent), the height in the
// view's proportions, both rounded up to whole pixels. False when a side passes 65535 or the
// image kMaxRenderPixels.
bool ImageSizeForView(const DocRect& view, int32_t width, int32_t* outWidth, int32_t* outHeight);

// Renders the drawing; false with a one-line reason when it does not load or the size is
// out of range (the image is then empty).
bool RenderDrawing(const uint8_t* data, size_t size, const RenderRequest& request,
                   RenderedImage* image, std::string* error);

} // namespace vemo::cli
