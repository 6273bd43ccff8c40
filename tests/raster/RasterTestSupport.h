// Shared helpers of the rasteriser tests: a white canvas and path builders.
#pragma once

#include "renderer/raster/Raster.h"

#include <initializer_list>
#include <vector>

constexpr int32_t P = kRasterOne; // one pixel in 24.8

struct Canvas {
    int32_t width, height;
    std::vector<uint32_t> pixels;
    Canvas(int32_t w, int32_t h, uint32_t background = 0xFFFFFFFFu)
        : width(w), height(h), pixels(size_t(w) * h, background) {}
    RasterSurface Surface() { return TopDownSurface(pixels.data(), width, height); }
    RasterRect All() const { return RasterRect{0, 0, width, height}; }
    uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * width + x]; }
    // Coverage of opaque black drawn on white: 255 - blue.
    int32_t Cover(int32_t x, int32_t y) const { return 255 - int32_t(At(x, y) & 0xFF); }
    // The coverage of every block of scale x scale pixels, rounded: a picture drawn `scale`
    // times as large, at the size of the small one (row by row).
    std::vector<int32_t> AveragedDown(int32_t scale) const {
        std::vector<int32_t> out;
        const int32_t area = scale * scale;
        for (int32_t y = 0; y < height / scale; ++y)
            for (int32_t x = 0; x < width / scale; ++x) {
                int64_t sum = 0;
                for (int32_t v = 0; v < scale; ++v)
                    for (int32_t u = 0; u < scale; ++u)
                        sum += Cover(x * scale + u, y * scale + v);
                out.push_back(int32_t((sum + area / 2) / area));
            }
        return out;
    }
    int64_t TotalCover() const {
        int64_t t = 0;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                t += Cover(x, y);
        return t;
    }
    int32_t CoveredPixels() const {
        int32_t n = 0;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                n += Cover(x, y) != 0;
        return n;
    }
};

inline void Polygon(RasterPath& path, std::initializer_list<RasterPoint> points) {
    bool first = true;
    for (const RasterPoint& p : points) {
        if (first)
            path.MoveTo(p.x, p.y);
        else
            path.LineTo(p.x, p.y);
        first = false;
    }
    path.Close();
}

inline void Rectangle(RasterPath& path, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    Polygon(path, {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}});
}

// A circle of four cubics (the usual 0.5523 handle length).
inline void Circle(RasterPath& path, int32_t cx, int32_t cy, int32_t r) {
    const int32_t k = int32_t(int64_t(r) * 36195 / 65536);
    path.MoveTo(cx + r, cy);
    path.CubicTo(cx + r, cy + k, cx + k, cy + r, cx, cy + r);
    path.CubicTo(cx - k, cy + r, cx - r, cy + k, cx - r, cy);
    path.CubicTo(cx - r, cy - k, cx - k, cy - r, cx, cy - r);
    path.CubicTo(cx + k, cy - r, cx + r, cy - k, cx + r, cy);
    path.Close();
}

// Coverage byte for an exact covered fraction, rounded half up.
inline int32_t CoverOf(double fraction) {
    return int32_t(fraction * 255 + 0.5);
}

const RasterPaint kBlack{0xFF000000u, 1};
const RasterPaint kBlackAliased{0xFF000000u, 0};
