// Value types shared by the plug-in and the renderer: a rectangle in document units and the
// renderer's document-to-pixel transformation. Free of Win32 so the core builds anywhere.
#pragma once

#include <stdint.h>

// A rectangle in document units (1/72000 inch), y growing upwards: x0 left, y0 bottom,
// x1 right, y1 top. INT32_MIN in x1 marks a rectangle that is not set.
struct DocRect {
    int32_t x0;
    int32_t y0;
    int32_t x1;
    int32_t y1;
};

constexpr int32_t kDocRectNotSet = INT32_MIN;

inline bool IsSet(const DocRect& r) { return r.x1 != kDocRectNotSet; }
inline DocRect NotSetRect() { return DocRect{0, 0, kDocRectNotSet, 0}; }

// Document point (x, y) to buffer pixel (px, py), all in 2.30 fixed point, py counting the rows
// of the bottom-up buffer from its bottom row upwards (so d is positive, like a):
//   px = (a * x + c * y + e) / 2^30,  py = (b * x + d * y + f) / 2^30
struct RenderMatrix {
    int32_t a;
    int32_t b;
    int32_t c;
    int32_t d;
    int64_t e;
    int64_t f;
};

static_assert(sizeof(DocRect) == 16, "DocRect is four 32-bit integers");
static_assert(sizeof(RenderMatrix) == 32, "RenderMatrix is a 32-byte record");

constexpr int64_t kMatrixOne = int64_t(1) << 30;
