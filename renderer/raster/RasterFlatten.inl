// Curve flattening. Included by RasterInternal.h.
//
// A Bezier curve strays from its chord by at most a fixed share of the largest second difference
// of its control points (3/4 for cubics, 1/4 for quadratics), and the part of a curve over a
// parameter step of 1/n has second differences n * n times smaller. So the number of even steps
// that keeps every chord within the tolerance follows from the control points at once, and the
// points are evaluated directly: no chord is shorter than it must be, as chords from repeated
// halving are (their count is a power of two), and there are no flatness tests per chord.
//
// Chords through points of the curve all lie on its inner side: a flattened shape loses area
// along every convex stretch (2/3 of each chord's sagitta over its length), and a thin
// stroke's centre line sits inwards. Over a step h the curve bulges from the chord by about
// h * h / 8 times its second derivative, 2/3 of that on average; so the inner points of even
// steps are moved outwards by h * h / 12 times the second derivative there, and the chords
// cross the curve instead of cutting inside it: no area lost to first order, and the largest
// distance falls to about 2/3 of the sagitta. (The curve's own ends stay, where other
// segments meet it.)
//
// Halving (de Casteljau) remains for what even steps cannot see: a curve that needs more than
// kMaxEvenSteps steps is halved first, so that pieces wholly outside the clip become one chord
// each and a huge curve at a deep zoom costs the pieces near the clip only (the choice depends
// on the curve alone, never on the clip, so tiles of one drawing flatten a curve alike); and for
// strokes, the first and the last chord must keep close to the curve's end directions, so an
// end step that turns too far is split off and halved on its own. An explicit stack bounds the
// depth.
#pragma once

namespace raster_detail {

constexpr int kMaxCurveDepth = 12; // at most 4096 chords per curve
constexpr int kMaxEvenSteps = 16;

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

// The number of even parameter steps whose chords stray at most the tolerance from a curve
// that strays at most `stray` from its own chord; above kMaxEvenSteps, kMaxEvenSteps + 1.
inline int EvenSteps(double stray) {
    if (!(stray > kRasterTolerance)) {
        return 1;
    }
    const double n = ceil(sqrt(stray / kRasterTolerance));
    return n < double(kMaxEvenSteps) ? int(n) : kMaxEvenSteps + 1;
}

// A curve of N control points (3: quadratic, 4: cubic), one coordinate in powers of t
// (Horner's rule), how far it may stray from its chord, and de Casteljau's split.
template <int N> struct Curve;

template <> struct Curve<4> {
    double a, b, c, d;
    Curve(double p0, double p1, double p2, double p3)
        : a(p3 - p0 + 3 * (p1 - p2)), b(3 * (p0 - 2 * p1 + p2)), c(3 * (p1 - p0)), d(p0) {}
    double At(double t) const { return ((a * t + b) * t + c) * t + d; }
    // The point at t moved by k times the second derivative there.
    double AtShifted(double t, double k) const { return At(t) + k * (6 * a * t + 2 * b); }
    // 3/4 of the largest second difference.
    static double Stray(const double* c) {
        const double ddx0 = c[0] - 2 * c[2] + c[4], ddy0 = c[1] - 2 * c[3] + c[5];
        const double ddx1 = c[2] - 2 * c[4] + c[6], ddy1 = c[3] - 2 * c[5] + c[7];
        const double dd0 = ddx0 * ddx0 + ddy0 * ddy0, dd1 = ddx1 * ddx1 + ddy1 * ddy1;
        return 0.75 * sqrt(dd0 > dd1 ? dd0 : dd1);
    }
    // The part after t stays in c, the part before goes to r.
    static void Split(double* c, double t, double* r) {
        const double u = 1 - t;
        const double x01 = u * c[0] + t * c[2], y01 = u * c[1] + t * c[3];
        const double x12 = u * c[2] + t * c[4], y12 = u * c[3] + t * c[5];
        const double x23 = u * c[4] + t * c[6], y23 = u * c[5] + t * c[7];
        const double xa = u * x01 + t * x12, ya = u * y01 + t * y12;
        const double xb = u * x12 + t * x23, yb = u * y12 + t * y23;
        const double xm = u * xa + t * xb, ym = u * ya + t * yb;
        r[0] = c[0], r[1] = c[1], r[2] = x01, r[3] = y01, r[4] = xa, r[5] = ya, r[6] = xm,
        r[7] = ym;
        c[0] = xm, c[1] = ym, c[2] = xb, c[3] = yb, c[4] = x23, c[5] = y23;
    }
    static Curve X(const double* c) { return Curve(c[0], c[2], c[4], c[6]); }
    static Curve Y(const double* c) { return Curve(c[1], c[3], c[5], c[7]); }
};

template <> struct Curve<3> {
    double a, b, c;
    Curve(double p0, double p1, double p2) : a(p0 - 2 * p1 + p2), b(2 * (p1 - p0)), c(p0) {}
    double At(double t) const { return (a * t + b) * t + c; }
    double AtShifted(double t, double k) const { return At(t) + k * (2 * a); }
    // 1/4 of the second difference.
    static double Stray(const double* c) {
        const double ddx = c[0] - 2 * c[2] + c[4], ddy = c[1] - 2 * c[3] + c[5];
        return 0.25 * sqrt(ddx * ddx + ddy * ddy);
    }
    static void Split(double* c, double t, double* r) {
        const double u = 1 - t;
        const double x01 = u * c[0] + t * c[2], y01 = u * c[1] + t * c[3];
        const double x12 = u * c[2] + t * c[4], y12 = u * c[3] + t * c[5];
        const double xm = u * x01 + t * x12, ym = u * y01 + t * y12;
        r[0] = c[0], r[1] = c[1], r[2] = x01, r[3] = y01, r[4] = xm, r[5] = ym;
        c[0] = xm, c[1] = ym, c[2] = x12, c[3] = y12;
    }
    static Curve X(const double* c) { return Curve(c[0], c[2], c[4]); }
    static Curve Y(const double* c) { return Curve(c[1], c[3], c[5]); }
};

template <int N, class Out>
void Flatten(const double* p, double w, double h, double margin, Out& out, double endSine) {
    constexpr int kLast = 2 * (N - 1); // the end point's x
    double stack[(kMaxCurveDepth + 1) * 2 * N];
    int depth[kMaxCurveDepth + 1];
    int ends[kMaxCurveDepth + 1]; // bit 0: the piece starts the curve, bit 1: ends it
    for (int i = 0; i < 2 * N; ++i) {
        stack[i] = p[i];
    }
    // The directions at the ends: to the first control point apart from the start, from the
    // last one apart from the end.
    double sx = 0, sy = 0, ex = 0, ey = 0;
    if (endSine > 0) {
        double starts[2 * (N - 1)], finishes[2 * (N - 1)];
        for (int i = 1; i < N; ++i) {
            starts[2 * (i - 1)] = p[2 * i] - p[0];
            starts[2 * (i - 1) + 1] = p[2 * i + 1] - p[1];
            finishes[2 * (i - 1)] = p[kLast] - p[kLast - 2 * i];
            finishes[2 * (i - 1) + 1] = p[kLast + 1] - p[kLast - 2 * i + 1];
        }
        FirstDirection(starts, N - 1, &sx, &sy);
        FirstDirection(finishes, N - 1, &ex, &ey);
    }
    depth[0] = 0;
    ends[0] = 3;
    int top = 1;
    while (top > 0) {
        --top;
        double* c = stack + top * 2 * N;
        const int d = depth[top];
        const int e = endSine > 0 ? ends[top] : 0;
        if (d >= kMaxCurveDepth || OutsideBox(c, N, w, h, margin)) {
            out(c[kLast], c[kLast + 1]);
            continue;
        }
        const int n = EvenSteps(Curve<N>::Stray(c));
        double t = 0.5; // where the piece is split, when it is
        if (n == 1) {
            if (!(((e & 1) && Turned(c[0], c[1], c[kLast], c[kLast + 1], sx, sy, endSine)) ||
                  ((e & 2) && Turned(c[0], c[1], c[kLast], c[kLast + 1], ex, ey, endSine)))) {
                out(c[kLast], c[kLast + 1]);
                continue;
            }
        } else if (n <= kMaxEvenSteps) {
            const Curve<N> px = Curve<N>::X(c), py = Curve<N>::Y(c);
            const double step = 1.0 / n, k = -step * step / 12;
            if ((e & 1) &&
                Turned(c[0], c[1], px.AtShifted(step, k), py.AtShifted(step, k), sx, sy, endSine)) {
                t = step;
            } else if ((e & 2) && Turned(px.AtShifted(1 - step, k), py.AtShifted(1 - step, k),
                                         c[kLast], c[kLast + 1], ex, ey, endSine)) {
                t = 1 - step;
            } else {
                for (int i = 1; i < n; ++i) {
                    out(px.AtShifted(i * step, k), py.AtShifted(i * step, k));
                }
                out(c[kLast], c[kLast + 1]);
                continue;
            }
        }
        // Split at t: the part after it stays in this entry, the part before goes on top, so
        // it comes out first.
        Curve<N>::Split(c, t, c + 2 * N);
        depth[top] = d + 1;
        depth[top + 1] = d + 1;
        ends[top] = e & 2;
        ends[top + 1] = e & 1;
        top += 2;
    }
}

} // namespace raster_detail

template <class Out>
void FlattenCubic(const double* p, double w, double h, double margin, Out& out, double endSine) {
    raster_detail::Flatten<4>(p, w, h, margin, out, endSine);
}

template <class Out>
void FlattenQuad(const double* p, double w, double h, double margin, Out& out, double endSine) {
    raster_detail::Flatten<3>(p, w, h, margin, out, endSine);
}
