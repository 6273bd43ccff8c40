// Gradient paints: every pixel within one 8-bit step per channel of the colour computed in
// double precision at its centre and composed with its coverage, for fills and strokes of every
// kind of gradient; and a gradient's pixels are the same however the job is cut into pieces.
#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include "support/GradientReference.h"

namespace {

using gradientref::Stop;

constexpr int32_t kW = 96, kH = 72;

struct Frame {
    double ox, oy, ux, uy, vx, vy;
};

enum class Shape { Cover, Disc, Ring, Hairline, Thin };

struct Case {
    const char* name;
    GradientShape shape;
    GradientSpread spread;
    Frame frame;
    double fx, fy;
    std::vector<Stop> stops;
    Shape geometry;
    int32_t smoothed;
    uint32_t background;
};

const std::vector<Stop> kRedToBlue = {{0, 0xFFFF0000u}, {0x10000, 0xFF0000FFu}};
const std::vector<Stop> kThree = {
    {0x2000, 0xFF20E040u}, {0x9000, 0xFFFFFFFFu}, {0xE000, 0xFF101010u}};
const std::vector<Stop> kTranslucent = {
    {0, 0x00FF0000u}, {0x8000, 0x80FFFF00u}, {0x10000, 0xFF0000FFu}};

// 256 stops of pseudo-random colours, offsets rising in small and zero steps.
std::vector<Stop> ManyStops() {
    std::vector<Stop> stops;
    uint32_t seed = 99, offset = 0;
    for (int32_t i = 0; i < kRasterMaxStops; ++i) {
        seed = seed * 1103515245u + 12345u;
        offset += (seed >> 16) % 4 == 0 ? 0 : (seed >> 8) % 500;
        stops.push_back(Stop{offset > 0x10000 ? 0x10000 : offset, seed | 0x40000000u});
    }
    return stops;
}

std::vector<Case> Cases() {
    const Frame across{10, 0, 86, 0, 10, 1};
    const Frame round{48, 36, 78, 36, 48, 66};
    const Frame skewed{40, 30, 52, 35, 47, 48};
    const Frame ellipse{48, 36, 78, 46, 43, 56};
    const Frame small{30, 40, 37, 44, 26, 47};
    const GradientShape L = GradientShape::Linear, R = GradientShape::Radial;
    const GradientSpread pad = GradientSpread::Pad, reflect = GradientSpread::Reflect,
                         repeat = GradientSpread::Repeat;
    const uint32_t white = 0xFFFFFFFFu, tinted = 0xFF3366CCu;
    return {
        {"linear pad", L, pad, across, 0, 0, kRedToBlue, Shape::Cover, 1, white},
        {"linear reflect", L, reflect, small, 0, 0, kThree, Shape::Cover, 1, white},
        {"linear repeat", L, repeat, small, 0, 0, kThree, Shape::Cover, 1, white},
        {"linear on a skewed frame", L, repeat, skewed, 0, 0, kRedToBlue, Shape::Cover, 1, white},
        {"linear, translucent stops", L, reflect, skewed, 0, 0, kTranslucent, Shape::Cover, 1,
         tinted},
        {"radial pad", R, pad, round, 0, 0, kThree, Shape::Cover, 1, white},
        {"radial with a focus, reflect", R, reflect, ellipse, 0.4, -0.3, kThree, Shape::Cover, 1,
         white},
        {"radial, focus outside, repeat", R, repeat, small, 1.6, 0.5, kRedToBlue, Shape::Cover, 1,
         white},
        {"radial, focus on the circle", R, pad, ellipse, 0, 1, kTranslucent, Shape::Cover, 1,
         tinted},
        {"radial on a skewed frame", R, repeat, skewed, -0.2, 0.1, kThree, Shape::Cover, 1, white},
        {"a frame without area",
         L,
         pad,
         {0, 0, 10, 10, 20, 20},
         0,
         0,
         kThree,
         Shape::Cover,
         1,
         white},
        {"a radial frame without area",
         R,
         reflect,
         {5, 5, 5, 5, 9, 2},
         0,
         0,
         kTranslucent,
         Shape::Cover,
         1,
         tinted},
        {"one stop", R, pad, round, 0, 0, {{0x4000, 0x80FF8000u}}, Shape::Cover, 1, tinted},
        {"many stops", L, reflect, ellipse, 0, 0, ManyStops(), Shape::Cover, 1, tinted},
        {"many stops, radial", R, repeat, round, 0.3, 0.3, ManyStops(), Shape::Cover, 1, white},
        {"stops a step apart",
         L,
         pad,
         across,
         0,
         0,
         {{0x8000, 0xFF000000u}, {0x8001, 0xFFFFFFFFu}, {0x8001, 0xFFFF0000u}},
         Shape::Cover,
         1,
         white},
        {"fill of a disc", R, reflect, small, 0.5, 0, kThree, Shape::Disc, 1, tinted},
        {"aliased fill", L, repeat, skewed, 0, 0, kTranslucent, Shape::Disc, 0, white},
        {"stroke", R, pad, ellipse, 0.2, 0.6, kThree, Shape::Ring, 1, white},
        {"aliased stroke", L, reflect, small, 0, 0, kRedToBlue, Shape::Ring, 0, tinted},
        {"hairline", L, repeat, skewed, 0, 0, kThree, Shape::Hairline, 1, white},
        {"stroke thinner than a pixel", R, reflect, small, 0, 0, kTranslucent, Shape::Thin, 1,
         tinted},
    };
}

RasterGradient Paint(const Case& c, std::vector<RasterGradientStop>& stops) {
    stops.clear();
    for (const Stop& s : c.stops)
        stops.push_back(RasterGradientStop{s.offset, s.argb});
    const Frame& f = c.frame;
    return RasterGradient{c.shape, c.spread, f.ox, f.oy, f.ux,         f.uy,
                          f.vx,    f.vy,     c.fx, c.fy, stops.data(), int32_t(stops.size())};
}

// Starts the case's job (fill or stroke) with the paint.
void Start(RasterJob& job, const Case& c, const RasterPaint& paint, Canvas& canvas) {
    RasterPath path;
    switch (c.geometry) {
    case Shape::Cover:
        Rectangle(path, -5 * P, -5 * P, (kW + 5) * P, (kH + 5) * P);
        break;
    default:
        Circle(path, 47 * P + 100, 35 * P + 30, 28 * P + 77);
        break;
    }
    const int32_t widths[] = {0, 0, 7 * P + 40, 0, P * 2 / 5};
    const StrokeStyle style{widths[int(c.geometry)], LineJoin::Round, LineCap::Butt, 4 << 16};
    if (c.geometry == Shape::Cover || c.geometry == Shape::Disc)
        ASSERT_EQ(1, job.StartFill(path, FillRule::NonZero, paint, canvas.Surface(), canvas.All()));
    else
        ASSERT_EQ(1, job.StartStroke(path, style, paint, canvas.Surface(), canvas.All()));
}

TEST(RasterGradient, EveryPixelIsWithinAStepOfTheExactColourAtItsCentre) {
    for (const Case& c : Cases()) {
        std::vector<RasterGradientStop> stops;
        const RasterGradient gradient = Paint(c, stops);
        // The coverage of each pixel: the same geometry in opaque black on white.
        Canvas mask(kW, kH), canvas(kW, kH, c.background);
        RasterJob job;
        Start(job, c, RasterPaint{0xFF000000u, c.smoothed}, mask);
        job.Run();
        Start(job, c, RasterPaint{0, c.smoothed, &gradient}, canvas);
        EXPECT_EQ(1, job.Run()) << c.name;
        // The reference maps each centre back into the frame's unit space.
        const Frame& f = c.frame;
        const double ax = f.ux - f.ox, ay = f.uy - f.oy, bx = f.vx - f.ox, by = f.vy - f.oy;
        const double det = ax * by - ay * bx;
        gradientref::Gradient ref{c.shape == GradientShape::Radial, int(c.spread), c.fx, c.fy,
                                  c.stops};
        double worst = 0;
        int32_t painted = 0;
        for (int32_t y = 0; y < kH; ++y) {
            for (int32_t x = 0; x < kW; ++x) {
                const double px = x + 0.5 - f.ox, py = y + 0.5 - f.oy;
                double colour[4], bgr[3];
                if (det == 0) {
                    gradientref::ColourAt(ref, 1, colour); // the last stop
                } else {
                    const double u = (px * by - py * bx) / det, v = (ax * py - ay * px) / det;
                    gradientref::ColourAt(ref, gradientref::ParameterAt(ref, u, v), colour);
                }
                const int32_t cover = mask.Cover(x, y);
                gradientref::Over(colour, c.background, cover / 255.0, bgr);
                const double d = gradientref::Difference(canvas.At(x, y), bgr);
                worst = d > worst ? d : worst;
                painted += cover > 0;
                if (cover == 0) {
                    ASSERT_EQ(c.background, canvas.At(x, y)) << c.name << " " << x << "," << y;
                }
            }
        }
        EXPECT_GT(painted, 100) << c.name;
        EXPECT_LE(worst, 1.0) << c.name;
    }
}

} // namespace
