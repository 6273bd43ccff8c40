// The bridge to the drawing format: writes a scene with the renderer's own DrawingWriter.
//
// State records are written only when they change: the fill colour (or gradient), the fill
// rule, the stroke (colour or gradient, width, join, cap, miter limit) and the hyperlink. A
// gradient is written as a solid colour record with the gradient's average colour (what a
// reader without gradients shows) followed by the gradient record; a drawing with gradients is
// version 1.6, one without stays 1.5. Coordinates are rounded to whole units and kept within
// +-2^30; stroke widths are at least one unit (a width of 0 would be a hairline).
//
// Limits (the reader's own): a path record holds at most 131068 points, a drawing at most
// 2^20 objects; the whole file is kept below maxBytes. A path beyond the record limit is left
// out and counted; the others fail the conversion.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "authoring/svg/Scene.h"
#include "plugin/DocGeometry.h"

namespace vemo::svg {

struct OutputLimits {
    size_t maxBytes = size_t(192) << 20;
};

struct OutputResult {
    size_t oversizedPaths = 0; // left out
};

bool WriteDrawing(const Scene& scene, const DocRect& bounds, const DocRect& view,
                  uint32_t keepAspect, const OutputLimits& limits, std::vector<uint8_t>* out,
                  OutputResult* result, std::string* error);

} // namespace vemo::svg
