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

// Whether the chord from (x0, y0) to (x1, y1) turns from the direction (tx, ty) by more than
// the angle of sine s (or goes against it). A direction of length 0 never counts.
inline bool Turned(double x0, double y0, double x1, double y1, double tx, double ty, double s) {
    const double cx = x1 - x0, cy = y1 - y0;
    const double cross = cx * ty - cy * tx, dot = cx * tx + cy * ty;
    const double lengths2 = (cx * cx + cy * cy) * (tx * tx + ty * ty);
    if (lengths2 == 0) {
        return false;
    }
    return dot < 0 || cross * cross > s * s * lengths2;
}

// The first non-zero of the given differences, as a direction.
inline void FirstDirection(const double* d, int n, double* tx, double* ty) {
    *tx = 0;
    *ty = 0;
    for (int i = 0; i < n; ++i) {
        if (d[2 * i] != 0 || d[2 * i + 1] != 0) {
            *tx = d[2 * i];
            *ty = d[2 * i + 1];
            return;
        }
    }
}

} // namespace raster_detail

template <class Out>
void FlattenCubic(const double* p, double w, double h, double margin, Out& out, double endSine) {
    using namespace raster_detail;
    double stack[(kMaxCurveDepth + 1) * 8];
    int depth[kMaxCurveDepth + 1];
    int ends[kMaxCurveDepth + 1]; // bit 0: the piece starts the curve, bit 1: ends it
    int top = 0;
    for (int i = 0; i < 8; ++i) {
        stack[i] = p[i];
    }
    double sx = 0, sy = 0, ex = 0, ey = 0;
    if (endSine > 0) {
        const double starts[6] = {p[2] - p[0], p[3] - p[1], p[4] - p[0], p[5] - p[1],
                                  p[6] - p[0], p[7] - p[1]};
        const double finishes[6] = {p[6] - p[4], p[7] - p[5], p[6] - p[2], p[7] - p[3],
                                    p[6] - p[0], p[7] - p[1]};
        FirstDirection(starts, 3, &sx, &sy);
        FirstDirection(finishes, 3, &ex, &ey);
    }
    depth[0] = 0;
    ends[0] = 3;
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
        if (d >= kMaxCurveDepth || OutsideBox(c, 4, w, h, margin) ||
            (0.75 * dd <= kRasterTolerance &&
             (endSine <= 0 ||
              !(((ends[top] & 1) && Turned(c[0], c[1], c[6], c[7], sx, sy, endSine)) ||
                ((ends[top] & 2) && Turned(c[0], c[1], c[6], c[7], ex, ey, endSine)))))) {
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
        const int e = ends[top];
        ends[top] = e & 2;     // the right half, below
        ends[top + 1] = e & 1; // the left half, on top
        top += 2;
    }
}

template <class Out>
void FlattenQuad(const double* p, double w, double h, double margin, Out& out, double endSine) {
    using namespace raster_detail;
    double stack[(kMaxCurveDepth + 1) * 6];
    int depth[kMaxCurveDepth + 1];
    int ends[kMaxCurveDepth + 1]; // bit 0: the piece starts the curve, bit 1: ends it
    for (int i = 0; i < 6; ++i) {
        stack[i] = p[i];
    }
    double sx = 0, sy = 0, ex = 0, ey = 0;
    if (endSine > 0) {
        const double starts[4] = {p[2] - p[0], p[3] - p[1], p[4] - p[0], p[5] - p[1]};
        const double finishes[4] = {p[4] - p[2], p[5] - p[3], p[4] - p[0], p[5] - p[1]};
        FirstDirection(starts, 2, &sx, &sy);
        FirstDirection(finishes, 2, &ex, &ey);
    }
    depth[0] = 0;
    ends[0] = 3;
    int top = 1;
    while (top > 0) {
        --top;
        double* c = stack + top * 6;
        int d = depth[top];
        // The chord is within 1/4 of the second difference.
        double dd = Abs(c[0] - 2 * c[2] + c[4]) + Abs(c[1] - 2 * c[3] + c[5]);
        if (d >= kMaxCurveDepth || OutsideBox(c, 3, w, h, margin) ||
            (0.25 * dd <= kRasterTolerance &&
             (endSine <= 0 ||
              !(((ends[top] & 1) && Turned(c[0], c[1], c[4], c[5], sx, sy, endSine)) ||
                ((ends[top] & 2) && Turned(c[0], c[1], c[4], c[5], ex, ey, endSine)))))) {
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
        const int e = ends[top];
        ends[top] = e & 2;     // the right half, below
        ends[top + 1] = e & 1; // the left half, on top
        top += 2;
    }
}
