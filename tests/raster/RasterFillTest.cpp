// Fills: exact coverage of known shapes, fill rules, aliased sampling, clipping, buffers.
#include "renderer/raster/Raster.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr int32_t P = kRasterOne; // one pixel in 24.8

struct Canvas {
    int32_t width, height;
    std::vector<uint32_t> pixels;
    Canvas(int32_t w, int32_t h) : width(w), height(h), pixels(size_t(w) * h, 0xFFFFFFFFu) {}
    RasterSurface Surface() { return TopDownSurface(pixels.data(), width, height); }
    RasterRect All() const { return RasterRect{0, 0, width, height}; }
    uint32_t At(int32_t x, int32_t y) const { return pixels[size_t(y) * width + x]; }
    // Coverage of black drawn on white: 255 - blue.
    int32_t Cover(int32_t x, int32_t y) const { return 255 - int32_t(At(x, y) & 0xFF); }
    int64_t TotalCover() const {
        int64_t t = 0;
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                t += Cover(x, y);
        return t;
    }
};

void Polygon(RasterPath& path, std::initializer_list<RasterPoint> points) {
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

const RasterPaint kBlack{0xFF000000u, 1};
const RasterPaint kBlackAliased{0xFF000000u, 0};

TEST(RasterFill, SquareOnHalfPixelsCoversHalvesAndQuarters) {
    Canvas c(4, 4);
    RasterPath path;
    Polygon(path, {{P / 2, P / 2}, {7 * P / 2, P / 2}, {7 * P / 2, 7 * P / 2}, {P / 2, 7 * P / 2}});
    ASSERT_EQ(1, FillPath(path, FillRule::NonZero, kBlack, c.Surface(), c.All()));
    const int32_t expected[4][4] = {
        {64, 128, 128, 64}, {128, 255, 255, 128}, {128, 255, 255, 128}, {64, 128, 128, 64}};
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ(expected[y][x], c.Cover(x, y)) << x << "," << y;
}

} // namespace

namespace {

TEST(RasterFill, TriangleAreaIsExact) {
    Canvas c(8, 8);
    RasterPath path;
    Polygon(path, {{0, 0}, {4 * P, 0}, {0, 4 * P}});
    FillPath(path, FillRule::NonZero, kBlack, c.Surface(), c.All());
    EXPECT_EQ(255, c.Cover(0, 0));
    EXPECT_EQ(128, c.Cover(3, 0));
    EXPECT_EQ(0, c.Cover(3, 1));
    EXPECT_EQ(255, c.Cover(2, 0));
}

TEST(RasterFill, AliasedSamplesPixelCentres) {
    Canvas c(4, 4);
    RasterPath path;
    Polygon(path, {{P / 2, P / 2}, {7 * P / 2, P / 2}, {7 * P / 2, 7 * P / 2}, {P / 2, 7 * P / 2}});
    FillPath(path, FillRule::NonZero, kBlackAliased, c.Surface(), c.All());
    for (int32_t y = 0; y < 4; ++y)
        for (int32_t x = 0; x < 4; ++x)
            EXPECT_EQ((x < 3 && y < 3) ? 255 : 0, c.Cover(x, y)) << x << "," << y;
}

TEST(RasterFill, StrokeOfOnePixelCoversItsLength) {
    Canvas c(16, 8);
    RasterPath path;
    path.MoveTo(2 * P, 4 * P);
    path.LineTo(12 * P, 4 * P);
    StrokeStyle style{P, LineJoin::Miter, LineCap::Butt, 4 << 16};
    ASSERT_EQ(1, StrokePath(path, style, kBlack, c.Surface(), c.All()));
    EXPECT_EQ(10 * 256, c.TotalCover()); // two half-covered rows per column
    EXPECT_EQ(128, c.Cover(5, 3));
    EXPECT_EQ(128, c.Cover(5, 4));
}

} // namespace
