// Matrix arithmetic of render contexts. A context's matrix maps document units (y upwards) to
// pixels of its bottom-up buffer, all in 2^-30 units:
//
//   column = (a * x + c * y + e) / 2^30      row = (b * x + d * y + f) / 2^30
//
// where `row` counts from the bottom row of the buffer upwards (the order of the rows in a
// bottom-up bitmap's memory). b and c are 0; a and d are positive. The view rectangle's centre
// lands on the buffer's centre, which makes the plug-in's window-to-document mapping
//
//   x = x0 + ((((2 px - W) 2^30) / a + (x1 - x0)) >> 1)
//   y = y1 - ((((2 py - H) 2^30) / d + (y1 - y0)) >> 1)     (py counted from the top)
//
// the exact inverse of this matrix.
#pragma once

#include <stdint.h>

#include "plugin/DocGeometry.h"

namespace vemo {

// The matrix that shows `view` in a width x height buffer. keepAspect 1: one scale for both
// axes, the largest that shows the whole view, centred; 0: each axis stretched to fill. A view
// without area or an empty buffer gives the zero matrix.
RenderMatrix MatrixForView(uint32_t width, uint32_t height, const DocRect& view,
                           int32_t keepAspect);

// Document point to buffer pixel, both in 2^-30 pixel units (64-bit, saturating).
struct PixelFixed {
    int64_t column;
    int64_t row; // from the bottom
};
PixelFixed ApplyMatrix(const RenderMatrix& m, int64_t x, int64_t y);

// The plug-in's window-to-document mapping, for tests and tools.
void DocPointFromPixel(const DocRect& view, const RenderMatrix& m, uint32_t width,
                       uint32_t height, int32_t px, int32_t pyFromTop, int32_t* x, int32_t* y);

} // namespace vemo
