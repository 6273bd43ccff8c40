// Adaptive curve flattening by halving (de Casteljau), with an explicit stack of bounded depth.
// Included by RasterInternal.h.
#pragma once

namespace raster_detail {

constexpr int kMaxCurveDepth = 12; // at most 4096 chords per curve

inline double Abs(double v) { return v < 0 ? -v : v; }

// Whether the control box of n points lies wholly outside the widened rectangle.
inline bool OutsideBox(const double* p, int n, double w, double h, double margin) {
    double x0 = p[0], x1 = p[0], y0 = p[1], y1 = p[1];
    for (int i = 1; i < n; ++i) {
        double x = p[2 * i], y = p[2 * i + 1];
        x0 = x < x0 ? x : x0;
        x1 = x > x1 ? x : x1;
        y0 = y < y0 ? y : y0;
        y1 = y > y1 ? y : y1;
    }
    return y1 <= -margin || y0 >= h + margin || x0 >= w + margin || x1 <= -margin;
}

} // namespace raster_detail

template <class Out>
void FlattenCubic(const double* p, double w, double h, double margin, Out& out) {
    using namespace raster_detail;
    double stack[(kMaxCurveDepth + 1) * 8];
    int depth[kMaxCurveDepth + 1];
    int top = 0;
    for (int i = 0; i < 8; ++i) {
        stack[i] = p[i];
    }
    depth[0] = 0;
    top = 1;
    while (top > 0) {
        --top;
        double* c = stack + top * 8;
        int d = depth[top];
        // The chord is within 3/4 of the largest second difference of the curve.
        double ddx0 = c[0] - 2 * c[2] + c[4], ddy0 = c[1] - 2 * c[3] + c[5];
        double ddx1 = c[2] - 2 * c[4] + c[6], ddy1 = c[3] - 2 * c[5] + c[7];
        double dd0 = Abs(ddx0) + Abs(ddy0), dd1 = Abs(ddx1) + Abs(ddy1);
        double dd = dd0 > dd1 ? dd0 : dd1;
        if (d >= kMaxCurveDepth || 0.75 * dd <= kRasterTolerance ||
            OutsideBox(c, 4, w, h, margin)) {
            out(c[6], c[7]);
            continue;
        }
        // Halve: the left half replaces this entry after the right half, so it comes out first.
        double x01 = (c[0] + c[2]) * 0.5, y01 = (c[1] + c[3]) * 0.5;
        double x12 = (c[2] + c[4]) * 0.5, y12 = (c[3] + c[5]) * 0.5;
        double x23 = (c[4] + c[6]) * 0.5, y23 = (c[5] + c[7]) * 0.5;
        double xa = (x01 + x12) * 0.5, ya = (y01 + y12) * 0.5;
        double xb = (x12 + x23) * 0.5, yb = (y12 + y23) * 0.5;
        double xm = (xa + xb) * 0.5, ym = (ya + yb) * 0.5;
        double* r = c + 8;
        r[0] = xm, r[1] = ym, r[2] = xb, r[3] = yb, r[4] = x23, r[5] = y23, r[6] = c[6],
        r[7] = c[7];
        c[2] = x01, c[3] = y01, c[4] = xa, c[5] = ya, c[6] = xm, c[7] = ym;
        // Swap so that the left half (now at c) is popped first: move it above the right one.
        for (int i = 0; i < 8; ++i) {
            double t = c[i];
            c[i] = r[i];
            r[i] = t;
        }
        depth[top] = d + 1;
        depth[top + 1] = d + 1;
        top += 2;
    }
}

template <class Out>
void FlattenQuad(const double* p, double w, double h, double margin, Out& out) {
    using namespace raster_detail;
    double stack[(kMaxCurveDepth + 1) * 6];
    int depth[kMaxCurveDepth + 1];
    for (int i = 0; i < 6; ++i) {
        stack[i] = p[i];
    }
    depth[0] = 0;
    int top = 1;
    while (top > 0) {
        --top;
        double* c = stack + top * 6;
        int d = depth[top];
        // The chord is within 1/4 of the second difference.
        double dd = Abs(c[0] - 2 * c[2] + c[4]) + Abs(c[1] - 2 * c[3] + c[5]);
        if (d >= kMaxCurveDepth || 0.25 * dd <= kRasterTolerance ||
            OutsideBox(c, 3, w, h, margin)) {
            out(c[4], c[5]);
            continue;
        }
        double x01 = (c[0] + c[2]) * 0.5, y01 = (c[1] + c[3]) * 0.5;
        double x12 = (c[2] + c[4]) * 0.5, y12 = (c[3] + c[5]) * 0.5;
        double xm = (x01 + x12) * 0.5, ym = (y01 + y12) * 0.5;
        double* r = c + 6;
        // Right half goes below, left half on top.
        r[0] = c[0], r[1] = c[1], r[2] = x01, r[3] = y01, r[4] = xm, r[5] = ym;
        c[0] = xm, c[1] = ym, c[2] = x12, c[3] = y12;
        depth[top] = d + 1;
        depth[top + 1] = d + 1;
        top += 2;
    }
}
