// The colour of a gradient paint computed plainly in double precision, to check the renderer's
// pixels against: the ray from the focus meets the circle, the spread folds t, the stops are
// interpolated (straight alpha), and the colour is composed over the pixel below.
#pragma once

#include <math.h>
#include <stdint.h>

#include <vector>

namespace gradientref {

struct Stop {
    uint32_t offset; // 16.16
    uint32_t argb;
};

enum Spread { kPad = 0, kReflect = 1, kRepeat = 2 };

struct Gradient {
    bool radial;
    int spread;
    double fx, fy; // focus, unit space
    std::vector<Stop> stops;
};

// t at (u, v) of unit space, before the spread.
inline double ParameterAt(const Gradient& g, double u, double v) {
    if (!g.radial) {
        return u;
    }
    double fx = g.fx, fy = g.fy;
    const double r = sqrt(fx * fx + fy * fy);
    if (r >= 1) {
        fx *= 0.999 / r;
        fy *= 0.999 / r;
    }
    const double dx = u - fx, dy = v - fy;
    if (dx == 0 && dy == 0) {
        return 0;
    }
    // F + s d on the unit circle, s > 0; then t = |d| / |s d|.
    const double a = dx * dx + dy * dy, b = 2 * (fx * dx + fy * dy), c = fx * fx + fy * fy - 1;
    const double s = (-b + sqrt(b * b - 4 * a * c)) / (2 * a);
    return 1 / s;
}

// a, r, g, b in 0..255 at t.
inline void ColourAt(const Gradient& g, double t, double* out) {
    if (g.spread == kRepeat) {
        t -= floor(t);
    } else if (g.spread == kReflect) {
        t -= 2 * floor(t / 2);
        t = t > 1 ? 2 - t : t;
    }
    const size_t n = g.stops.size();
    size_t i = 0; // stops at or before t
    while (i < n && g.stops[i].offset / 65536.0 <= t) {
        ++i;
    }
    if (g.spread == kPad && t <= 0) {
        i = 0; // below the start: the first stop
    }
    const uint32_t a = g.stops[i == 0 ? 0 : i - 1].argb;
    const uint32_t b = g.stops[i == 0 || i == n ? (i == 0 ? 0 : n - 1) : i].argb;
    double w = 0;
    if (i > 0 && i < n) {
        const double o0 = g.stops[i - 1].offset / 65536.0, o1 = g.stops[i].offset / 65536.0;
        w = (t - o0) / (o1 - o0);
    }
    for (int c = 0; c < 4; ++c) {
        const int shift = 24 - 8 * c;
        const double ca = double((a >> shift) & 0xFF), cb = double((b >> shift) & 0xFF);
        out[c] = ca + w * (cb - ca);
    }
}

// Blue, green, red of the colour composed over `below` (0x..RRGGBB) at a coverage of 0 ... 1.
inline void Over(const double* colour, uint32_t below, double coverage, double* bgr) {
    const double alpha = colour[0] / 255 * coverage;
    for (int c = 0; c < 3; ++c) {
        const double d = double((below >> (8 * c)) & 0xFF);
        bgr[c] = d + (colour[3 - c] - d) * alpha;
    }
}

// The largest difference of a pixel's blue, green and red from the reference.
inline double Difference(uint32_t pixel, const double* bgr) {
    double worst = 0;
    for (int c = 0; c < 3; ++c) {
        worst = fmax(worst, fabs(double((pixel >> (8 * c)) & 0xFF) - bgr[c]));
    }
    return worst;
}

} // namespace gradientref
