// Span compositing (see RasterComposite.h): scalar routines and their SSE2 forms.
#include "renderer/raster/RasterComposite.h"

#if VEMO_RASTER_SSE2
#include <emmintrin.h>
#endif

int32_t gRasterScalar = 0;

void RasterSetScalarCompositing(int32_t scalar) {
    gRasterScalar = scalar ? 1 : 0;
}

void FillRowScalar(uint32_t* p, int32_t n, uint32_t colour) {
    for (int32_t i = 0; i < n; ++i) {
        p[i] = colour;
    }
}

void BlendRowScalar(uint32_t* p, int32_t n, const SolidSource& s, uint32_t a) {
    for (int32_t i = 0; i < n; ++i) {
        p[i] = BlendPixel(p[i], s, a);
    }
}

void BlendCoverScalar(uint32_t* p, const uint8_t* cover, int32_t n, const SolidSource& s,
                      uint32_t a) {
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t pa = MulDiv255(a, cover[i]);
        if (pa == 255) {
            p[i] = s.colour;
        } else if (pa != 0) {
            p[i] = BlendPixel(p[i], s, pa);
        }
    }
}

#if VEMO_RASTER_SSE2

void FillRowSse2(uint32_t* p, int32_t n, uint32_t colour) {
    int32_t i = 0;
    if (n >= 8) {
        const __m128i c = _mm_set1_epi32(int32_t(colour));
        // Up to a 16-byte boundary, then aligned stores four at a time.
        while ((reinterpret_cast<uintptr_t>(p + i) & 15) != 0) {
            p[i++] = colour;
        }
        for (; i + 16 <= n; i += 16) {
            __m128i* q = reinterpret_cast<__m128i*>(p + i);
            _mm_store_si128(q, c);
            _mm_store_si128(q + 1, c);
            _mm_store_si128(q + 2, c);
            _mm_store_si128(q + 3, c);
        }
        for (; i + 4 <= n; i += 4) {
            _mm_store_si128(reinterpret_cast<__m128i*>(p + i), c);
        }
    }
    for (; i < n; ++i) {
        p[i] = colour;
    }
}

namespace {

// Four pixels blended, each channel in a 16-bit lane: (s a + d (255 - a) + 128) * 257 >> 16,
// which is the rounded division by 255 of BlendPixel for every value that can occur.
inline __m128i BlendFour(__m128i d, __m128i sLo, __m128i sHi, __m128i aLo, __m128i aHi) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i k255 = _mm_set1_epi16(255);
    const __m128i k128 = _mm_set1_epi16(128);
    const __m128i k257 = _mm_set1_epi16(257);
    __m128i lo = _mm_add_epi16(_mm_mullo_epi16(sLo, aLo),
                               _mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), _mm_sub_epi16(k255, aLo)));
    __m128i hi = _mm_add_epi16(_mm_mullo_epi16(sHi, aHi),
                               _mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), _mm_sub_epi16(k255, aHi)));
    lo = _mm_mulhi_epu16(_mm_add_epi16(lo, k128), k257);
    hi = _mm_mulhi_epu16(_mm_add_epi16(hi, k128), k257);
    return _mm_packus_epi16(lo, hi);
}

// The source's channels B, G, R, A(255) in 16-bit lanes, twice.
inline __m128i SourceLanes(const SolidSource& s) {
    return _mm_setr_epi16(int16_t(s.rb & 0xFF), int16_t(s.ag & 0xFF), int16_t((s.rb >> 16) & 0xFF),
                          255, int16_t(s.rb & 0xFF), int16_t(s.ag & 0xFF),
                          int16_t((s.rb >> 16) & 0xFF), 255);
}

} // namespace

void BlendRowSse2(uint32_t* p, int32_t n, const SolidSource& s, uint32_t a) {
    int32_t i = 0;
    if (n >= 4) {
        // s a + 128 is the same for every pixel: one multiply and add less per lane.
        const __m128i sa = _mm_add_epi16(_mm_mullo_epi16(SourceLanes(s), _mm_set1_epi16(int16_t(a))),
                                         _mm_set1_epi16(128));
        const __m128i na = _mm_set1_epi16(int16_t(255 - a));
        const __m128i zero = _mm_setzero_si128();
        const __m128i k257 = _mm_set1_epi16(257);
        for (; i + 4 <= n; i += 4) {
            __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            __m128i lo = _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(d, zero), na), sa);
            __m128i hi = _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(d, zero), na), sa);
            lo = _mm_mulhi_epu16(lo, k257);
            hi = _mm_mulhi_epu16(hi, k257);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), _mm_packus_epi16(lo, hi));
        }
    }
    for (; i < n; ++i) {
        p[i] = BlendPixel(p[i], s, a);
    }
}

void BlendCoverSse2(uint32_t* p, const uint8_t* cover, int32_t n, const SolidSource& s,
                    uint32_t a) {
    int32_t i = 0;
    if (n >= 4) {
        const __m128i src = SourceLanes(s);
        const __m128i zero = _mm_setzero_si128();
        const __m128i k128 = _mm_set1_epi16(128);
        const __m128i k257 = _mm_set1_epi16(257);
        const __m128i alpha = _mm_set1_epi16(int16_t(a));
        for (; i + 4 <= n; i += 4) {
            uint32_t four;
            __builtin_memcpy(&four, cover + i, 4);
            if (four == 0) {
                continue;
            }
            // Each pixel's alpha, MulDiv255(a, cover), spread over its four channel lanes.
            __m128i c = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int32_t(four)), zero); // c0..c3
            __m128i pa = _mm_mulhi_epu16(_mm_add_epi16(_mm_mullo_epi16(c, alpha), k128), k257);
            __m128i pair = _mm_unpacklo_epi16(pa, pa);                        // a0 a0 a1 a1 ...
            __m128i aLo = _mm_unpacklo_epi32(pair, pair);                     // a0 x4, a1 x4
            __m128i aHi = _mm_unpackhi_epi32(pair, pair);                     // a2 x4, a3 x4
            __m128i d = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(p + i), BlendFour(d, src, src, aLo, aHi));
        }
    }
    BlendCoverScalar(p + i, cover + i, n - i, s, a);
}

#endif
