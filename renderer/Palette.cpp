#include "renderer/Palette.h"

#include <new>
#include <string.h>

#include "renderer/PodArray.h"
#include "renderer/Results.h"

namespace vemo {

const uint8_t kBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
    {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
    {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21},
};

namespace {

const uint8_t kStaticLow[10][3] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
};
const uint8_t kStaticHigh[10][3] = {
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255},
};

// Index of grey level k of 26 (value k * 51 / 5).
uint8_t GreyIndex(int32_t k) {
    if (k == 0) {
        return 0;
    }
    if (k == 25) {
        return 255;
    }
    if (k % 5 == 0) {
        int32_t c = k / 5;
        return uint8_t(10 + 36 * c + 6 * c + c);
    }
    return uint8_t(226 + (k / 5) * 4 + (k % 5) - 1);
}

// Dithers a value 0..255 onto `steps` + 1 equally spaced levels; t in 0..63.
inline int32_t DitherLevel(int32_t v, int32_t steps, int32_t t) {
    int32_t scaled = v * steps;    // level * 255 + remainder
    int32_t level = scaled / 255;
    int32_t rest = scaled - level * 255;
    // the remainder picks the upper level for that share of the 64 thresholds
    return level + ((rest * 64) / 255 > t ? 1 : 0);
}

} // namespace

void FillPalette(uint8_t table[256 * 4]) {
    for (int i = 0; i < 10; ++i) {
        uint8_t* lo = table + i * 4;
        uint8_t* hi = table + (246 + i) * 4;
        memcpy(lo, kStaticLow[i], 3);
        memcpy(hi, kStaticHigh[i], 3);
        lo[3] = hi[3] = 0;
    }
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                uint8_t* e = table + (10 + 36 * r + 6 * g + b) * 4;
                e[0] = uint8_t(r * 51);
                e[1] = uint8_t(g * 51);
                e[2] = uint8_t(b * 51);
                e[3] = kPaletteNoCollapse;
            }
        }
    }
    for (int i = 0; i < 20; ++i) {
        int32_t k = (i / 4) * 5 + (i % 4) + 1;
        uint8_t v = uint8_t((k * 51 + 2) / 5);
        uint8_t* e = table + (226 + i) * 4;
        e[0] = e[1] = e[2] = v;
        e[3] = kPaletteNoCollapse;
    }
}

namespace {

// The dithered levels of every value at every threshold, made once.
struct DitherTables {
    uint8_t cube[64][256]; // level 0..5, already multiplied: red 36, green 6, blue 1 by the user
    uint8_t grey[64][256]; // palette index on the grey ramp
    DitherTables() {
        for (int t = 0; t < 64; ++t) {
            for (int v = 0; v < 256; ++v) {
                cube[t][v] = uint8_t(DitherLevel(v, 5, t));
                grey[t][v] = GreyIndex(DitherLevel(v, 25, t));
            }
        }
    }
};

const DitherTables& Tables() {
    static const DitherTables tables;
    return tables;
}

inline uint8_t DitherWith(const DitherTables& d, uint8_t red, uint8_t green, uint8_t blue,
                          int32_t t) {
    if (red == green && green == blue) {
        return d.grey[t][red];
    }
    int32_t r = d.cube[t][red], g = d.cube[t][green], b = d.cube[t][blue];
    if (r == g && g == b && (r == 0 || r == 5)) {
        return r == 0 ? 0 : 255;
    }
    return uint8_t(10 + 36 * r + 6 * g + b);
}

} // namespace

uint8_t DitherToPalette(uint8_t red, uint8_t green, uint8_t blue, int32_t t) {
    return DitherWith(Tables(), red, green, blue, t & 63);
}

namespace {

// Nearest entry of a foreign table for a 5-bit-per-channel colour, built once per conversion.
struct InverseMap {
    uint8_t index[32 * 32 * 32];
    void Build(const uint8_t* table) {
        for (int r = 0; r < 32; ++r) {
            for (int g = 0; g < 32; ++g) {
                for (int b = 0; b < 32; ++b) {
                    int32_t cr = r * 255 / 31, cg = g * 255 / 31, cb = b * 255 / 31;
                    int32_t best = 0, bestDistance = INT32_MAX;
                    for (int i = 0; i < 256; ++i) {
                        const uint8_t* e = table + i * 4;
                        int32_t dr = e[0] - cr, dg = e[1] - cg, db = e[2] - cb;
                        int32_t distance = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
                        if (distance < bestDistance) {
                            bestDistance = distance;
                            best = i;
                        }
                    }
                    index[(r << 10) | (g << 5) | b] = uint8_t(best);
                }
            }
        }
    }
};

inline int32_t Spread(int32_t v, int32_t t) {
    // dither offset of up to one 5-bit step (8.2 levels) around the value
    int32_t d = v + ((t - 32) * 8) / 64;
    return d < 0 ? 0 : (d > 255 ? 255 : d);
}

} // namespace

int32_t ConvertPixels(int32_t width, int32_t height, int32_t originX, int32_t originY,
                      int32_t deviceBits, const uint8_t* table, const void* pixels,
                      void* devicePixels) {
    if (width < 0 || height < 0) {
        return kInvalidArgument;
    }
    if (width == 0 || height == 0) {
        return kOk;
    }
    if (pixels == nullptr || devicePixels == nullptr) {
        return kNullPointer;
    }
    const uint8_t* src = static_cast<const uint8_t*>(pixels);
    uint8_t* dst = static_cast<uint8_t*>(devicePixels);
    size_t srcStride = size_t(width) * 4;
    switch (deviceBits) {
    case 32:
        if (src != dst) {
            memmove(dst, src, srcStride * size_t(height));
        }
        return kOk;
    case 24:
    case 16: {
        size_t stride = ((size_t(width) * size_t(deviceBits) + 31) / 32) * 4;
        for (int32_t j = 0; j < height; ++j) {
            const uint8_t* s = src + size_t(j) * srcStride;
            uint8_t* d = dst + size_t(j) * stride;
            for (int32_t i = 0; i < width; ++i, s += 4) {
                if (deviceBits == 24) {
                    d[3 * i] = s[0];
                    d[3 * i + 1] = s[1];
                    d[3 * i + 2] = s[2];
                } else {
                    uint16_t v = uint16_t(((s[2] >> 3) << 10) | ((s[1] >> 3) << 5) | (s[0] >> 3));
                    d[2 * i] = uint8_t(v);
                    d[2 * i + 1] = uint8_t(v >> 8);
                }
            }
        }
        return kOk;
    }
    case 8:
        break;
    default:
        return kInvalidArgument;
    }
    size_t stride = (size_t(width) + 3) & ~size_t(3);
    bool own = table == nullptr;
    if (!own) {
        uint8_t mine[256 * 4];
        FillPalette(mine);
        own = true;
        for (int i = 0; i < 256 && own; ++i) {
            own = memcmp(mine + i * 4, table + i * 4, 3) == 0;
        }
    }
    InverseMap* inverse = nullptr;
    if (!own) {
        inverse = new (std::nothrow) InverseMap;
        if (inverse == nullptr) {
            return kOutOfMemory;
        }
        inverse->Build(table);
    }
    const DitherTables& tables = Tables();
    for (int32_t j = 0; j < height; ++j) {
        const uint8_t* s = src + size_t(j) * srcStride;
        uint8_t* d = dst + size_t(j) * stride;
        const uint8_t* bayerRow = kBayer8[uint32_t(-1 - j - originY) & 7];
        uint32_t column = uint32_t(-originX);
        for (int32_t i = 0; i < width; ++i, s += 4, ++column) {
            int32_t t = bayerRow[column & 7];
            if (inverse == nullptr) {
                d[i] = DitherWith(tables, s[2], s[1], s[0], t);
            } else {
                int32_t r = Spread(s[2], t) >> 3, g = Spread(s[1], t) >> 3, b = Spread(s[0], t) >> 3;
                d[i] = inverse->index[(r << 10) | (g << 5) | b];
            }
        }
        for (size_t i = size_t(width); i < stride; ++i) {
            d[i] = 0;
        }
    }
    delete inverse;
    return kOk;
}

} // namespace vemo
