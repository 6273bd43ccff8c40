// Span compositing: the scalar routines and their SSE2 forms, which give the same pixels.
//
// A solid span is a run of pixels that takes one colour at one alpha: opaque runs are stored,
// others blend source-over with straight colour, out = (c a + d (255 - a) + 127) / 255 per
// channel, rounded to nearest (the exact division, not a shift by 8). Both forms are always
// compiled where the compiler knows SSE2 (x86_64, and i686 with -msse2); which one spans take
// is a switch, on by default, that the benchmarks and tests turn off to measure and compare the
// scalar path.
#pragma once

#include <stdint.h>

#if defined(__SSE2__)
#define VEMO_RASTER_SSE2 1
#else
#define VEMO_RASTER_SSE2 0
#endif

// The source colour of a solid span, split into 16-bit lanes for blending.
struct SolidSource {
    uint32_t colour; // 0xFFRRGGBB: what an opaque span stores
    uint32_t rb;     // red and blue lanes
    uint32_t ag;     // green lane and an alpha lane of 255
};

inline SolidSource MakeSolidSource(uint32_t argb) {
    return SolidSource{argb | 0xFF000000u, argb & 0x00FF00FFu, ((argb >> 8) & 0xFFu) | 0x00FF0000u};
}

inline uint32_t Div255Lanes(uint32_t v) { // two 16-bit lanes, each rounded / 255
    v += 0x00800080u;
    return ((v + ((v >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
}

// One pixel d blended at alpha a, 1..254 (what every form of BlendRow gives it).
inline uint32_t BlendPixel(uint32_t d, const SolidSource& s, uint32_t a) {
    uint32_t na = 255 - a;
    uint32_t outRB = Div255Lanes(s.rb * a + (d & 0x00FF00FFu) * na);
    uint32_t outAG = Div255Lanes(s.ag * a + ((d >> 8) & 0x00FF00FFu) * na);
    return outRB | (outAG << 8);
}

// n pixels from p: stored (FillRow) or blended at alpha a, 1..254 (BlendRow).
void FillRowScalar(uint32_t* p, int32_t n, uint32_t colour);
void BlendRowScalar(uint32_t* p, int32_t n, const SolidSource& s, uint32_t a);
// n pixels from p, pixel i blended at alpha cover[i] * a / 255 (cover 0..255, a 0..255).
void BlendCoverScalar(uint32_t* p, const uint8_t* cover, int32_t n, const SolidSource& s,
                      uint32_t a);
#if VEMO_RASTER_SSE2
void FillRowSse2(uint32_t* p, int32_t n, uint32_t colour);
void BlendRowSse2(uint32_t* p, int32_t n, const SolidSource& s, uint32_t a);
void BlendCoverSse2(uint32_t* p, const uint8_t* cover, int32_t n, const SolidSource& s,
                    uint32_t a);
#endif

// Gradient spans: n colours in 8.8 fixed point (bits 0-15 blue, 16-31 green, 32-47 red, 48-63
// alpha, straight, 0 ... 255 * 256) composed source-over at a coverage of 1 ... 255, in
// single-precision floating point rounded once (RasterGradient.cpp).
void GradientCompositeScalar(uint32_t* dst, const uint64_t* src, int32_t n, int32_t coverage);
#if VEMO_RASTER_SSE2
void GradientCompositeSse2(uint32_t* dst, const uint64_t* src, int32_t n, int32_t coverage);
#endif

// The forms spans take: the vector ones unless RasterSetScalarCompositing(1) was called.
extern int32_t gRasterScalar;

inline void FillRow(uint32_t* p, int32_t n, uint32_t colour) {
#if VEMO_RASTER_SSE2
    if (!gRasterScalar) {
        FillRowSse2(p, n, colour);
        return;
    }
#endif
    FillRowScalar(p, n, colour);
}

inline void BlendRow(uint32_t* p, int32_t n, const SolidSource& s, uint32_t a) {
#if VEMO_RASTER_SSE2
    if (!gRasterScalar) {
        BlendRowSse2(p, n, s, a);
        return;
    }
#endif
    BlendRowScalar(p, n, s, a);
}

inline void BlendCover(uint32_t* p, const uint8_t* cover, int32_t n, const SolidSource& s,
                       uint32_t a) {
#if VEMO_RASTER_SSE2
    if (!gRasterScalar) {
        BlendCoverSse2(p, cover, n, s, a);
        return;
    }
#endif
    BlendCoverScalar(p, cover, n, s, a);
}

// Alpha times a coverage, both 0..255, rounded: (a c + 127) / 255 exactly.
inline uint32_t MulDiv255(uint32_t a, uint32_t c) {
    uint32_t v = a * c + 128;
    return (v + (v >> 8)) >> 8;
}
