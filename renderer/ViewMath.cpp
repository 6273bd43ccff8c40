#include "renderer/ViewMath.h"

namespace vemo {

namespace {

int32_t ClampScale(int64_t s) {
    if (s < 1) {
        return 1;
    }
    if (s > INT32_MAX) {
        return INT32_MAX;
    }
    return int32_t(s);
}

int64_t SaturatingAdd(int64_t p, int64_t q) {
    int64_t r;
    if (__builtin_add_overflow(p, q, &r)) {
        return q > 0 ? INT64_MAX : INT64_MIN;
    }
    return r;
}

int64_t SaturatingMul(int64_t p, int64_t q) {
    int64_t r;
    if (__builtin_mul_overflow(p, q, &r)) {
        return ((p < 0) != (q < 0)) ? INT64_MIN : INT64_MAX;
    }
    return r;
}

} // namespace

RenderMatrix MatrixForView(uint32_t width, uint32_t height, const DocRect& view,
                           int32_t keepAspect) {
    RenderMatrix m{0, 0, 0, 0, 0, 0};
    int64_t w = int64_t(view.x1) - view.x0;
    int64_t h = int64_t(view.y1) - view.y0;
    if (!IsSet(view) || w <= 0 || h <= 0 || width == 0 || height == 0) {
        return m;
    }
    int32_t sx = ClampScale((int64_t(width) << 30) / w);
    int32_t sy = ClampScale((int64_t(height) << 30) / h);
    if (keepAspect) {
        sx = sy = sx < sy ? sx : sy;
    }
    m.a = sx;
    m.d = sy;
    // centre of the view on the centre of the buffer; a * w never passes width * 2^30
    m.e = (int64_t(width) << 29) - int64_t(sx) * view.x0 - ((int64_t(sx) * w) >> 1);
    m.f = (int64_t(height) << 29) - int64_t(sy) * view.y0 - ((int64_t(sy) * h) >> 1);
    return m;
}

PixelFixed ApplyMatrix(const RenderMatrix& m, int64_t x, int64_t y) {
    PixelFixed p;
    p.column = SaturatingAdd(SaturatingAdd(SaturatingMul(m.a, x), SaturatingMul(m.c, y)), m.e);
    p.row = SaturatingAdd(SaturatingAdd(SaturatingMul(m.b, x), SaturatingMul(m.d, y)), m.f);
    return p;
}

void DocPointFromPixel(const DocRect& view, const RenderMatrix& m, uint32_t width,
                       uint32_t height, int32_t px, int32_t pyFromTop, int32_t* x, int32_t* y) {
    int64_t w = int64_t(view.x1) - view.x0;
    int64_t h = int64_t(view.y1) - view.y0;
    if (m.a == 0) {
        *x = 0;
    } else {
        int64_t q = ((2 * int64_t(px) - int64_t(width)) * (int64_t(1) << 30)) / m.a;
        *x = int32_t(uint32_t(int64_t(view.x0) + ((q + w) >> 1)));
    }
    if (m.d == 0) {
        *y = 0;
    } else {
        int64_t q = ((2 * int64_t(pyFromTop) - int64_t(height)) * (int64_t(1) << 30)) / m.d;
        *y = int32_t(uint32_t(int64_t(view.y1) - ((q + h) >> 1)));
    }
}

} // namespace vemo
