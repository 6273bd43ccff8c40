// Gradient paint: each pixel takes the colour at its centre's place in a linear or radial
// gradient and is composited with its coverage like a plain colour.
//
// =================================================================================================
// How it works
// =================================================================================================
//
// 1. Frame. The gradient's frame maps unit space (u, v) to the surface point O + u (U - O) +
//    v (V - O). Its inverse, computed once per job in double precision, gives (u, v) as an
//    affine function of the pixel centre (X, Y) = (x + 0.5, y + 0.5):
//        u = cu + X iux + Y iuy,    v = cv + X ivx + Y ivy.
//    Along a row the Y terms are constant; X goes up by exactly 1.0 per pixel (half-integers
//    are exact in double), so a pixel's (u, v) depends on its position only, never on where its
//    span began: however a row is cut into spans, bands or slices, each pixel gets the same t.
//    A frame without area (det 0, or not finite) paints the last stop's colour as a plain paint.
//
// 2. t. Linear: t = u. Radial: the focus F lies inside the unit circle (moved onto radius
//    0.999 if it was not); t at P is |P - F| / |Q - F| where Q is where the ray from F through P
//    leaves the circle. With d = P - F, Q = F + d / t, and |Q| = 1 gives
//        |d|^2 / t^2 + 2 (F.d) / t + |F|^2 - 1 = 0,
//    whose positive root, written without cancellation, is
//        t = (F.d + sqrt((F.d)^2 + |d|^2 (1 - |F|^2))) / (1 - |F|^2),
//    never negative, and 1 - |F|^2 >= 0.002. One square root per pixel.
//
// 3. Spread. t becomes tq in [0, 2^32] (32 fraction bits): pad clamps (below 0 and above 1 it
//    takes the colours of the ends at once), repeat keeps t - floor(t), reflect folds t modulo 2
//    (t - floor(t), or 1 minus it when floor(t) is odd). Beyond 2^52 (no fraction left) it is 0.
//
// 4. Colour. The colour at t is piecewise linear between the stops (straight alpha, each
//    channel in sRGB's 0..255, as cairo's gradients do; at shared offsets it jumps). A ramp of
//    1024 cells over [0, 1] holds, for each cell, the colour at its centre rounded to 8 bits,
//    plus an entry for t = 1. A cell whose colour strays from its centre's by more than a
//    quarter step anywhere inside it (a steep or broken stretch: stops close together) is marked
//    exact: there each pixel's colour is interpolated from the stops themselves, starting from
//    the first stop of the cell (a few steps at most). So every pixel is within 0.75 of a step of
//    the exact colour at its centre (0.5 in exact cells), per channel, before compositing.
//    The ramp costs about 1024 interpolations per job, the cells that hold stops a few more.
//
// 5. Compositing. The colour's alpha times the coverage (the thin stroke's scale folded into
//    the coverage first) gives a; then out = (c a + d (255 - a)) / 255, rounded, exactly like a
//    plain colour's span (an opaque result is stored as it is). Colours are generated a chunk
//    of pixels at a time into a buffer and composited from it.
//
// 6. Work. A gradient pixel costs a few times a plain one (a square root for radial ones), so
//    spans count their pixels into the job's work (kLinearPixelsPerUnit, kRadialPixelsPerUnit)
//    on top of the band's sweep: a piece of work stays about as long as with plain colours.
// =================================================================================================
#include "renderer/raster/RasterInternal.h"

#include <math.h>
#include <new>
#include <string.h>
#if VEMO_RASTER_SSE2
#include <emmintrin.h>
#endif

namespace {

constexpr int32_t kRampShift = 10;
constexpr int32_t kRampCells = 1 << kRampShift;
constexpr int32_t kCellShift = 32 - kRampShift;
constexpr uint64_t kOneQ = uint64_t(1) << 32; // t = 1 in 32 fraction bits
constexpr double kTwo32 = 4294967296.0;
constexpr double kTwo52 = 4503599627370496.0;
constexpr double kFlatness = 0.25; // most a ramp cell may stray from its centre, in 8-bit steps
constexpr double kFocusLimit = 0.999;
constexpr int32_t kChunk = 128;
constexpr int32_t kLinearPixelsPerUnit = 2;
constexpr int32_t kRadialPixelsPerUnit = 1;
constexpr uint32_t kOpaque16 = 255 * 256; // alpha 255 in 8.8
constexpr int32_t kRampWork = 256;        // building a ramp, in units of work

// A channel of 0 ... 255 in 8.8 fixed point.
inline uint64_t Channel(double v) {
    v = v * 256 + 0.5;
    return v <= 0 ? 0u : (v >= double(kOpaque16) ? kOpaque16 : uint64_t(int32_t(v)));
}

// A colour of channels a, r, g, b (0 ... 255) as 16-bit lanes blue, green, red, alpha.
inline uint64_t Pack(const double* c) {
    return (Channel(c[0]) << 48) | (Channel(c[1]) << 32) | (Channel(c[2]) << 16) | Channel(c[3]);
}

// A channel of 8.8 composed over d with the effective alpha.
inline uint32_t Mix(uint32_t d, uint32_t c16, float alpha) {
    const float v = float(d) + (float(c16) * (1.0f / 256) - float(d)) * alpha;
    return uint32_t(v + 0.5f);
}

} // namespace

struct GradientState {
    GradientShape shape = GradientShape::Linear;
    GradientSpread spread = GradientSpread::Pad;
    double cu = 0, iux = 0, iuy = 0; // pixel centre to unit space
    double cv = 0, ivx = 0, ivy = 0;
    double fx = 0, fy = 0;
    double focusC = 1, focusScale = 1; // 1 - |F|^2 and its inverse
    double originX = 0, originY = 0;   // the job's clip corner, surface pixels
    int32_t coverScale = 256;          // a thin stroke's alpha scale
    int64_t pixels = 0;                // pixels painted and not yet counted as work
    int32_t pixelsPerUnit = kLinearPixelsPerUnit;
    int32_t stopCount = 0;
    int32_t strongest = 0;             // the largest alpha of a stop
    uint64_t offset[kRasterMaxStops];  // 32 fraction bits
    double colour[kRasterMaxStops][4]; // a, r, g, b
    double slope[kRasterMaxStops];     // steepest channel between stop i and i + 1, per tq
    uint64_t ramp[kRampCells + 1];     // colour at each cell's centre, then at t = 1 (Pack)
    uint8_t exact[kRampCells + 1];     // the cell is evaluated from the stops
    uint16_t cellStop[kRampCells + 1]; // first stop beyond the cell's start
    uint64_t below = 0, above = 0;     // pad: colours below 0 and above 1
    RasterGradientStop built[kRasterMaxStops]; // the stops the ramp was built from
    int32_t builtCount = 0;

    // The colour right after tq (or right before it: `left`), stops from `i` + 1 on looked at.
    void ColourAt(uint64_t tq, bool left, int32_t i, double* out) const {
        while (i + 1 < stopCount && (left ? offset[i + 1] < tq : offset[i + 1] <= tq)) {
            ++i;
        }
        if (i < 0 || i + 1 >= stopCount) {
            memcpy(out, colour[i < 0 ? 0 : i], sizeof(double) * 4);
            return;
        }
        const double w = double(tq - offset[i]) / double(offset[i + 1] - offset[i]);
        for (int c = 0; c < 4; ++c) {
            out[c] = colour[i][c] + w * (colour[i + 1][c] - colour[i][c]);
        }
    }

    uint64_t Exact(uint64_t tq, uint32_t cell) const {
        double c[4];
        ColourAt(tq, false, int32_t(cellStop[cell]) - 1, c);
        return Pack(c);
    }

    // tq in [0, 2^32].
    uint64_t Lookup(uint64_t tq) const {
        const uint32_t cell = uint32_t(tq >> kCellShift);
        return exact[cell] ? Exact(tq, cell) : ramp[cell];
    }

    void SetStops(const RasterGradientStop* stops, int32_t count);
    void BuildRamp();
};

void GradientState::BuildRamp() {
    for (int32_t i = 0; i + 1 < stopCount; ++i) {
        double steepest = 0;
        for (int c = 0; c < 4; ++c) {
            steepest = fmax(steepest, fabs(colour[i + 1][c] - colour[i][c]));
        }
        const uint64_t width = offset[i + 1] - offset[i];
        slope[i] = width ? steepest / double(width) : 0;
    }
    const uint64_t cellWidth = uint64_t(1) << kCellShift;
    int32_t next = 0; // first stop beyond the cell's start
    double c[4], d[4];
    for (int32_t k = 0; k < kRampCells; ++k) {
        const uint64_t start = uint64_t(k) << kCellShift, end = start + cellWidth;
        while (next < stopCount && offset[next] <= start) {
            ++next;
        }
        cellStop[k] = uint16_t(next);
        ColourAt(start + cellWidth / 2, false, next - 1, c);
        ramp[k] = Pack(c);
        double stray;
        if (next >= stopCount || offset[next] >= end) {
            // one straight piece (or flat beyond the ends): half a cell at its slope
            const int32_t i = next - 1;
            stray = (i < 0 || i + 1 >= stopCount) ? 0 : slope[i] * double(cellWidth / 2);
        } else {
            // stops inside: the extremes lie at the ends and at the stops
            stray = 0;
            auto farthest = [&](uint64_t tq, bool left) {
                ColourAt(tq, left, next - 1, d);
                for (int ch = 0; ch < 4; ++ch) {
                    stray = fmax(stray, fabs(d[ch] - c[ch]));
                }
            };
            farthest(start, false);
            farthest(end, true);
            for (int32_t i = next; i < stopCount && offset[i] < end; ++i) {
                farthest(offset[i], true);
                farthest(offset[i], false);
            }
        }
        exact[k] = stray > kFlatness ? 1 : 0;
    }
    ColourAt(kOneQ, false, next - 1, c);
    ramp[kRampCells] = above = Pack(c);
    exact[kRampCells] = 0;
    cellStop[kRampCells] = uint16_t(stopCount);
    ColourAt(0, true, -1, c);
    below = Pack(c);
}

namespace {

// t (after spread) for repeat and reflect, as tq in [0, 2^32].
inline uint64_t Periodic(double t, bool reflect) {
    if (!(fabs(t) < kTwo52)) {
        return 0; // no fraction left (or not a number)
    }
    double whole = double(int64_t(t));
    if (whole > t) {
        whole -= 1;
    }
    const uint64_t fraction = uint64_t(int64_t((t - whole) * kTwo32));
    if (reflect && (int64_t(whole) & 1) != 0) {
        return kOneQ - fraction;
    }
    return fraction;
}

// Colours of n pixels from the one whose centre is X along the row; tAt(X) gives t.
template <class TAt>
void Generate(const GradientState& g, const TAt& tAt, double X, int32_t n, uint64_t* out) {
    switch (g.spread) {
    case GradientSpread::Pad:
        for (int32_t i = 0; i < n; ++i, X += 1.0) {
            const double t = tAt(X);
            out[i] =
                t < 1.0 ? (t > 0.0 ? g.Lookup(uint64_t(int64_t(t * kTwo32))) : g.below) : g.above;
        }
        break;
    case GradientSpread::Repeat:
        for (int32_t i = 0; i < n; ++i, X += 1.0) {
            out[i] = g.Lookup(Periodic(tAt(X), false));
        }
        break;
    default:
        for (int32_t i = 0; i < n; ++i, X += 1.0) {
            out[i] = g.Lookup(Periodic(tAt(X), true));
        }
        break;
    }
}

} // namespace

// Source-over of n straight-alpha colours (Pack: 8.8 channels, blue lowest, alpha highest) at a
// coverage of 1 ... 255, rounded once.
void GradientCompositeScalar(uint32_t* dst, const uint64_t* src, int32_t n, int32_t coverage) {
    const float unit = 1.0f / (255.0f * float(kOpaque16));
    for (int32_t i = 0; i < n; ++i) {
        const uint64_t c = src[i];
        const uint32_t a16 = uint32_t(c >> 48);
        const uint32_t b16 = uint32_t(c) & 0xFFFF, g16 = uint32_t(c >> 16) & 0xFFFF,
                       r16 = uint32_t(c >> 32) & 0xFFFF;
        if (a16 == kOpaque16 && coverage == 255) {
            dst[i] = 0xFF000000u | (((r16 + 128) >> 8) << 16) | (((g16 + 128) >> 8) << 8) |
                     ((b16 + 128) >> 8);
            continue;
        }
        const uint32_t weight = a16 * uint32_t(coverage);
        if (weight == 0) {
            continue;
        }
        const float alpha = float(weight) * unit;
        const uint32_t d = dst[i];
        dst[i] = (Mix(d >> 24, kOpaque16, alpha) << 24) |
                 (Mix((d >> 16) & 0xFF, r16, alpha) << 16) |
                 (Mix((d >> 8) & 0xFF, g16, alpha) << 8) | Mix(d & 0xFF, b16, alpha);
    }
}

#if VEMO_RASTER_SSE2
// The same, a pixel's four channels at a time in single precision, in the scalar routine's
// order of operations (no fused multiply-add): the same pixels.
void GradientCompositeSse2(uint32_t* dst, const uint64_t* src, int32_t n, int32_t coverage) {
    const float unit = 1.0f / (255.0f * float(kOpaque16));
    const __m128 scale = _mm_set1_ps(1.0f / 256);
    const __m128 half = _mm_set1_ps(0.5f);
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaqueAlpha = _mm_setr_epi32(0, 0, 0, int32_t(kOpaque16));
    for (int32_t i = 0; i < n; ++i) {
        const uint64_t c = src[i];
        const uint32_t a16 = uint32_t(c >> 48);
        if (a16 == kOpaque16 && coverage == 255) {
            const uint32_t b16 = uint32_t(c) & 0xFFFF, g16 = uint32_t(c >> 16) & 0xFFFF,
                           r16 = uint32_t(c >> 32) & 0xFFFF;
            dst[i] = 0xFF000000u | (((r16 + 128) >> 8) << 16) | (((g16 + 128) >> 8) << 8) |
                     ((b16 + 128) >> 8);
            continue;
        }
        const uint32_t weight = a16 * uint32_t(coverage);
        if (weight == 0) {
            continue;
        }
        // The colour's channels B, G, R and alpha 255 (8.8), and the destination's B, G, R, A.
        __m128i c32 =
            _mm_unpacklo_epi16(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(src + i)), zero);
        c32 = _mm_or_si128(_mm_and_si128(c32, _mm_setr_epi32(-1, -1, -1, 0)), opaqueAlpha);
        const __m128i d32 =
            _mm_unpacklo_epi16(_mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(dst[i])), zero), zero);
        const __m128 d = _mm_cvtepi32_ps(d32);
        const __m128 alpha = _mm_set1_ps(float(weight) * unit);
        const __m128 v = _mm_add_ps(
            _mm_add_ps(d, _mm_mul_ps(_mm_sub_ps(_mm_mul_ps(_mm_cvtepi32_ps(c32), scale), d), alpha)),
            half);
        const __m128i out32 = _mm_cvttps_epi32(v);
        const __m128i out16 = _mm_packs_epi32(out32, out32);
        dst[i] = uint32_t(_mm_cvtsi128_si32(_mm_packus_epi16(out16, out16)));
    }
}
#endif

int32_t GradientBegin(RasterJobState& s, const RasterGradient& gradient, int32_t alphaScale256) {
    int32_t count = gradient.stopCount;
    if (count <= 0 || gradient.stops == nullptr) {
        s.alpha = 0; // nothing paints
        return 1;
    }
    count = count > kRasterMaxStops ? kRasterMaxStops : count;
    const uint32_t last = gradient.stops[count - 1].argb;
    // The inverse frame; a frame without area is the last stop's colour.
    const double ax = gradient.ux - gradient.ox, ay = gradient.uy - gradient.oy;
    const double bx = gradient.vx - gradient.ox, by = gradient.vy - gradient.oy;
    const double det = ax * by - ay * bx;
    const double iux = by / det, iuy = -bx / det, ivx = -ay / det, ivy = ax / det;
    const double cu = -(iux * gradient.ox + iuy * gradient.oy);
    const double cv = -(ivx * gradient.ox + ivy * gradient.oy);
    if (!(fabs(det) > 0) || !isfinite(iux) || !isfinite(iuy) || !isfinite(ivx) || !isfinite(ivy) ||
        !isfinite(cu) || !isfinite(cv)) {
        s.SetPaint(last, alphaScale256, s.smoothed);
        return 1;
    }
    if (!s.gradient) {
        s.gradient = new (std::nothrow) GradientState;
        if (!s.gradient) {
            return 0;
        }
    }
    GradientState& g = *s.gradient;
    g.shape =
        gradient.shape == GradientShape::Radial ? GradientShape::Radial : GradientShape::Linear;
    g.spread = gradient.spread == GradientSpread::Reflect  ? GradientSpread::Reflect
               : gradient.spread == GradientSpread::Repeat ? GradientSpread::Repeat
                                                           : GradientSpread::Pad;
    g.iux = iux, g.iuy = iuy, g.cu = cu;
    g.ivx = ivx, g.ivy = ivy, g.cv = cv;
    double fx = isfinite(gradient.fx) ? gradient.fx : 0,
           fy = isfinite(gradient.fy) ? gradient.fy : 0;
    const double r2 = fx * fx + fy * fy;
    if (r2 >= 1.0) {
        const double k = kFocusLimit / sqrt(r2);
        fx *= k;
        fy *= k;
    }
    g.fx = fx;
    g.fy = fy;
    g.focusC = 1.0 - (fx * fx + fy * fy);
    g.focusScale = 1.0 / g.focusC;
    g.pixelsPerUnit =
        g.shape == GradientShape::Radial ? kRadialPixelsPerUnit : kLinearPixelsPerUnit;
    g.originX = s.originX / kRasterOne;
    g.originY = s.originY / kRasterOne;
    g.coverScale = alphaScale256 < 256 ? alphaScale256 : 256;
    s.gradientOn = 1;
    // A drawing often paints many shapes with the same stops: their ramp is built once.
    g.pixels = 0;
    if (count != g.builtCount ||
        memcmp(g.built, gradient.stops, sizeof(RasterGradientStop) * size_t(count)) != 0) {
        g.pixels = int64_t(kRampWork) * g.pixelsPerUnit; // counted with the first span
        memcpy(g.built, gradient.stops, sizeof(RasterGradientStop) * size_t(count));
        g.builtCount = count;
        g.SetStops(gradient.stops, count);
        g.BuildRamp();
    }
    s.alpha = g.coverScale < 256 ? (g.strongest * g.coverScale + 128) >> 8 : g.strongest;
    return 1;
}

// The stops, kept in order and within [0, 1] whatever the caller passed.
void GradientState::SetStops(const RasterGradientStop* stops, int32_t count) {
    stopCount = count;
    uint64_t previous = 0;
    strongest = 0;
    for (int32_t i = 0; i < count; ++i) {
        uint64_t position = uint64_t(stops[i].offset) << 16;
        position = position > kOneQ ? kOneQ : position;
        position = position < previous ? previous : position;
        offset[i] = previous = position;
        const uint32_t argb = stops[i].argb;
        colour[i][0] = double(argb >> 24);
        colour[i][1] = double((argb >> 16) & 0xFF);
        colour[i][2] = double((argb >> 8) & 0xFF);
        colour[i][3] = double(argb & 0xFF);
        strongest = int32_t(argb >> 24) > strongest ? int32_t(argb >> 24) : strongest;
    }
}

void GradientSpan(RasterJobState& s, uint32_t* row, int32_t x0, int32_t x1, int32_t coverage) {
    GradientState& g = *s.gradient;
    if (g.coverScale < 256) {
        coverage = (coverage * g.coverScale + 128) >> 8;
        if (coverage == 0) {
            return;
        }
    }
    const double Y = g.originY + double(s.sweepRow) + 0.5;
    const double X0 = g.originX + double(s.cellShift + x0) + 0.5;
    const double rowU = g.cu + Y * g.iuy, rowV = g.cv + Y * g.ivy;
    uint64_t colours[kChunk];
    for (int32_t x = x0; x < x1; x += kChunk) {
        const int32_t n = x1 - x < kChunk ? x1 - x : kChunk;
        const double X = X0 + double(x - x0);
        if (g.shape == GradientShape::Linear) {
            const double iux = g.iux;
            Generate(
                g, [rowU, iux](double px) { return rowU + px * iux; }, X, n, colours);
        } else {
            const GradientState* q = &g;
            Generate(
                g,
                [rowU, rowV, q](double px) {
                    const double dx = rowU + px * q->iux - q->fx;
                    const double dy = rowV + px * q->ivx - q->fy;
                    const double b = q->fx * dx + q->fy * dy;
                    return (b + sqrt(b * b + (dx * dx + dy * dy) * q->focusC)) * q->focusScale;
                },
                X, n, colours);
        }
#if VEMO_RASTER_SSE2
        if (!gRasterScalar) {
            GradientCompositeSse2(row + x, colours, n, coverage);
            continue;
        }
#endif
        GradientCompositeScalar(row + x, colours, n, coverage);
    }
    g.pixels += x1 - x0;
    s.work -= g.pixels / g.pixelsPerUnit;
    g.pixels %= g.pixelsPerUnit;
}

void GradientDelete(GradientState* g) {
    delete g;
}
