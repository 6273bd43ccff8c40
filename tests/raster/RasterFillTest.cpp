// Fills: exact coverage of known shapes, fill rules, aliased sampling, clipping, buffers.
#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

namespace {

// ---------------------------------------------------------------------------------------------
// Exact coverage
// ---------------------------------------------------------------------------------------------

struct RectCase {
    const char* name;
    int32_t x0, y0, x1, y1; // 24.8
};

double Overlap(int32_t a0, int32_t a1, int32_t pixel) {
    double lo = a0 > pixel * P ? a0 : pixel * P;
    double hi = a1 < (pixel + 1) * P ? a1 : (pixel + 1) * P;
    return hi > lo ? (hi - lo) / P : 0;
}

TEST(RasterFillCoverage, AxisAlignedRectanglesCoverTheirExactArea) {
    const RectCase cases[] = {
        {"whole pixels", 1 * P, 1 * P, 4 * P, 3 * P},
        {"half pixels", P / 2, P / 2, 7 * P / 2, 7 * P / 2},
        {"quarter offsets", P / 4, 3 * P / 4, 5 * P / 4 + P, 2 * P + P / 4},
        {"thinner than a pixel", 2 * P + 10, P, 2 * P + 100, 5 * P},
        {"flatter than a pixel", P, 3 * P + 200, 6 * P, 3 * P + 250},
        {"inside one pixel", 3 * P + 64, 3 * P + 64, 3 * P + 192, 3 * P + 192},
        {"odd 1/256 offsets", 1 * P + 37, 2 * P + 201, 5 * P + 3, 6 * P + 77},
    };
    for (const RectCase& c : cases) {
        for (int32_t reversed = 0; reversed < 2; ++reversed) {
            Canvas canvas(8, 8);
            RasterPath path;
            if (reversed)
                Polygon(path, {{c.x0, c.y0}, {c.x0, c.y1}, {c.x1, c.y1}, {c.x1, c.y0}});
            else
                Rectangle(path, c.x0, c.y0, c.x1, c.y1);
            ASSERT_EQ(1, FillPath(path, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All()));
            for (int32_t y = 0; y < 8; ++y)
                for (int32_t x = 0; x < 8; ++x)
                    EXPECT_EQ(CoverOf(Overlap(c.x0, c.x1, x) * Overlap(c.y0, c.y1, y)),
                              canvas.Cover(x, y))
                        << c.name << (reversed ? " reversed" : "") << " at " << x << "," << y;
        }
    }
}

TEST(RasterFillCoverage, DiagonalTrianglesSplitPixelsInHalves) {
    // Right triangles with 45-degree hypotenuses: every pixel is full, half or empty.
    struct Case {
        const char* name;
        RasterPoint a, b, c;
        int32_t (*expected)(int32_t x, int32_t y); // 2 full, 1 half, 0 empty
    };
    const Case cases[] = {
        {"lower left",
         {0, 0},
         {0, 4 * P},
         {4 * P, 4 * P},
         [](int32_t x, int32_t y) { return y >= 4  ? 0
                                           : x < y ? 2
                                                   : (x == y ? 1 : 0); }},
        {"upper left",
         {0, 0},
         {4 * P, 0},
         {0, 4 * P},
         [](int32_t x, int32_t y) {
             return y < 4 && x + y < 3 ? 2 : (y < 4 && x + y == 3 ? 1 : 0);
         }},
        {"upper right",
         {0, 0},
         {4 * P, 0},
         {4 * P, 4 * P},
         [](int32_t x, int32_t y) { return x < 4 && x > y ? 2 : (x == y && x < 4 ? 1 : 0); }},
    };
    for (const Case& c : cases) {
        Canvas canvas(6, 6);
        RasterPath path;
        Polygon(path, {c.a, c.b, c.c});
        FillPath(path, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All());
        for (int32_t y = 0; y < 6; ++y)
            for (int32_t x = 0; x < 6; ++x) {
                int32_t e = c.expected(x, y);
                EXPECT_EQ(e == 2   ? 255
                          : e == 1 ? 128
                                   : 0,
                          canvas.Cover(x, y))
                    << c.name << " at " << x << "," << y;
            }
    }
}

TEST(RasterFillCoverage, TrianglesInkTheirArea) {
    // Total coverage is the area within the rounding of each pixel (half a step each).
    struct Case {
        RasterPoint a, b, c;
    };
    const Case cases[] = {
        {{P, P}, {30 * P + 17, 5 * P + 100}, {7 * P + 3, 27 * P + 201}},
        {{2 * P + 128, 28 * P}, {29 * P, 30 * P}, {15 * P, 1 * P + 77}},
        {{0, 0}, {31 * P, 1 * P}, {0, 2 * P}},               // long and flat
        {{5 * P, 0}, {6 * P, 31 * P}, {5 * P + 10, 31 * P}}, // tall and thin
    };
    for (const Case& c : cases) {
        Canvas canvas(32, 32);
        RasterPath path;
        Polygon(path, {c.a, c.b, c.c});
        FillPath(path, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All());
        double area = fabs(double(c.b.x - c.a.x) * (c.c.y - c.a.y) -
                           double(c.c.x - c.a.x) * (c.b.y - c.a.y)) /
                      2 / (double(P) * P);
        double slack = 0.5 * canvas.CoveredPixels() + 1;
        EXPECT_NEAR(area * 255, double(canvas.TotalCover()), slack);
    }
}

TEST(RasterFillCoverage, CirclesOfCubicsInkTheirArea) {
    const int32_t radii[] = {P / 2, 3 * P, 10 * P + 77, 30 * P};
    for (int32_t r : radii) {
        Canvas canvas(64, 64);
        RasterPath path;
        Circle(path, 32 * P, 32 * P, r);
        FillPath(path, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All());
        double area = 3.14159265358979 * (double(r) / P) * (double(r) / P) * 255;
        // The cubic circle is within 0.03 % of the radius; flattening within 0.1 pixel.
        double slack = 2 * 3.14159265358979 * (double(r) / P) * 0.1 * 255 + 255;
        EXPECT_NEAR(area, double(canvas.TotalCover()), slack) << "radius " << r;
        if (r >= 2 * P) {
            EXPECT_EQ(255, canvas.Cover(32, 32 + r / P / 2));
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Fill rules
// ---------------------------------------------------------------------------------------------

TEST(RasterFillRules, OverlapsFollowTheRule) {
    struct Case {
        const char* name;
        bool secondReversed;
        FillRule rule;
        int32_t overlap; // coverage expected where the squares overlap
    };
    const Case cases[] = {
        {"same direction, non-zero", false, FillRule::NonZero, 255},
        {"same direction, even-odd", false, FillRule::EvenOdd, 0},
        {"opposite directions, non-zero", true, FillRule::NonZero, 0},
        {"opposite directions, even-odd", true, FillRule::EvenOdd, 0},
    };
    for (const Case& c : cases) {
        Canvas canvas(8, 8);
        RasterPath path;
        Rectangle(path, 0, 0, 5 * P, 5 * P);
        if (c.secondReversed)
            Polygon(path, {{3 * P, 3 * P}, {3 * P, 8 * P}, {8 * P, 8 * P}, {8 * P, 3 * P}});
        else
            Rectangle(path, 3 * P, 3 * P, 8 * P, 8 * P);
        FillPath(path, c.rule, kBlack, canvas.Surface(), canvas.All());
        EXPECT_EQ(c.overlap, canvas.Cover(3, 3)) << c.name;
        EXPECT_EQ(c.overlap, canvas.Cover(4, 4)) << c.name;
        EXPECT_EQ(255, canvas.Cover(1, 1)) << c.name;
        EXPECT_EQ(255, canvas.Cover(6, 6)) << c.name;
        EXPECT_EQ(0, canvas.Cover(6, 1)) << c.name;
    }
}

TEST(RasterFillRules, ThreeLayersAlternateUnderEvenOdd) {
    for (FillRule rule : {FillRule::NonZero, FillRule::EvenOdd}) {
        Canvas canvas(8, 1);
        RasterPath path;
        for (int32_t i = 0; i < 3; ++i)
            Rectangle(path, i * P, 0, 8 * P - i * P, P);
        FillPath(path, rule, kBlack, canvas.Surface(), canvas.All());
        const int32_t nonZero[8] = {255, 255, 255, 255, 255, 255, 255, 255};
        const int32_t evenOdd[8] = {255, 0, 255, 255, 255, 255, 0, 255};
        for (int32_t x = 0; x < 8; ++x)
            EXPECT_EQ(rule == FillRule::NonZero ? nonZero[x] : evenOdd[x], canvas.Cover(x, 0));
    }
}

TEST(RasterFillRules, PartialCoverageOfTwoLayersFoldsUnderEvenOdd) {
    // Two half-pixel layers in one pixel: non-zero gives the union, even-odd the difference.
    Canvas nonZero(1, 1), evenOdd(1, 1);
    RasterPath path;
    Rectangle(path, 0, 0, P / 2, P);
    Rectangle(path, 0, 0, P, P);
    FillPath(path, FillRule::NonZero, kBlack, nonZero.Surface(), nonZero.All());
    FillPath(path, FillRule::EvenOdd, kBlack, evenOdd.Surface(), evenOdd.All());
    EXPECT_EQ(255, nonZero.Cover(0, 0));
    EXPECT_EQ(128, evenOdd.Cover(0, 0));
}

TEST(RasterFillRules, EvenOddRingsNarrowerThanAPixelInkOnlyTheRing) {
    // A square with a square hole inset by less than a pixel, as blends of nested rings draw
    // them: where both squares wind the same way the hole is wound twice, and a pixel holding
    // both sides must not count it. Two squares side by side wound against each other put
    // windings 1 and -1 in the pixel between them, which must not cancel.
    // With a long zigzag elsewhere drawn between them, the squares' corners are found among
    // many vertices.
    enum Shape {
        TwoSubpaths,
        OneSubpathThroughAConnector,
        HoleWoundBackwards,
        SideBySide,
        ZigzagBetween
    };
    struct Case {
        const char* name;
        Shape shape;
        int32_t outer, inner; // insets of the squares from (0, 0) and (8, 8)
        int32_t x, y;         // the pixel looked at
        double ring;          // the ring's area in it
    };
    const Case cases[] = {
        {"side of a half-pixel ring", TwoSubpaths, P / 4, 3 * P / 4, 0, 4, 0.5},
        {"corner of a half-pixel ring", TwoSubpaths, P / 4, 3 * P / 4, 0, 0, 0.5},
        {"far side of a half-pixel ring", TwoSubpaths, P / 4, 3 * P / 4, 7, 4, 0.5},
        {"top of a half-pixel ring", TwoSubpaths, P / 4, 3 * P / 4, 4, 0, 0.5},
        {"side of a 3/8-pixel ring", TwoSubpaths, P / 8, P / 2, 0, 3, 0.375},
        {"corner of a 3/8-pixel ring", TwoSubpaths, P / 8, P / 2, 0, 0, 0.875 * 0.875 - 0.25},
        {"one subpath, side", OneSubpathThroughAConnector, P / 4, 3 * P / 4, 0, 4, 0.5},
        {"one subpath, corner with the connector", OneSubpathThroughAConnector, P / 4,
         3 * P / 4, 0, 0, 0.5},
        {"inside the hole", TwoSubpaths, P / 4, 3 * P / 4, 4, 4, 0},
        {"hole wound backwards", HoleWoundBackwards, P / 4, 3 * P / 4, 0, 4, 0.5},
        {"ring wider than a pixel", TwoSubpaths, P / 4, 3 * P / 2, 1, 4, 0.5},
        {"side by side, between", SideBySide, 3 * P + P / 4, 3 * P + 3 * P / 4, 3, 4, 0.5},
        {"side by side, inside", SideBySide, 3 * P + P / 4, 3 * P + 3 * P / 4, 2, 4, 1},
        {"side of a half-pixel ring, a zigzag between", ZigzagBetween, P / 4, 3 * P / 4, 0, 4,
         0.5},
    };
    for (const Case& c : cases) {
        const int32_t a = c.outer, b = c.inner, A = 8 * P - a, B = 8 * P - b;
        RasterPath path;
        if (c.shape == OneSubpathThroughAConnector) {
            path.MoveTo(a, a);
            for (RasterPoint p : {RasterPoint{a, A}, {A, A}, {A, a}, {a, a}, {b, b}, {b, B},
                                  {B, B}, {B, b}, {b, b}, {a, a}})
                path.LineTo(p.x, p.y);
            path.Close();
        } else if (c.shape == SideBySide) { // `outer` and `inner`: the right and left sides
            Rectangle(path, 0, 0, a, 8 * P);
            Polygon(path, {{b, 0}, {b, 8 * P}, {8 * P, 8 * P}, {8 * P, 0}});
        } else {
            Rectangle(path, a, a, A, A);
            if (c.shape == ZigzagBetween) {
                path.MoveTo(100 * P, 0);
                for (int32_t i = 1; i < 3000; ++i)
                    path.LineTo((100 + 2 * i) * P, (i % 2) * 10 * P);
                path.Close();
            }
            if (c.shape == HoleWoundBackwards)
                Polygon(path, {{b, b}, {b, B}, {B, B}, {B, b}});
            else
                Rectangle(path, b, b, B, B);
        }
        Canvas canvas(8, 8);
        FillPath(path, FillRule::EvenOdd, kBlack, canvas.Surface(), canvas.All());
        EXPECT_NEAR(CoverOf(c.ring), canvas.Cover(c.x, c.y), 1) << c.name;
    }
}

TEST(RasterFillRules, PentagramHasAHoleOnlyUnderEvenOdd) {
    RasterPath path;
    const int32_t c = 32 * P, r = 30 * P;
    for (int32_t k = 0; k < 5; ++k) {
        double a = -3.14159265358979 / 2 + k * 4 * 3.14159265358979 / 5;
        int32_t x = c + int32_t(r * cos(a)), y = c + int32_t(r * sin(a));
        k ? path.LineTo(x, y) : path.MoveTo(x, y);
    }
    path.Close();
    Canvas nonZero(64, 64), evenOdd(64, 64);
    FillPath(path, FillRule::NonZero, kBlack, nonZero.Surface(), nonZero.All());
    FillPath(path, FillRule::EvenOdd, kBlack, evenOdd.Surface(), evenOdd.All());
    EXPECT_EQ(255, nonZero.Cover(32, 32));
    EXPECT_EQ(0, evenOdd.Cover(32, 32));
    EXPECT_EQ(255, evenOdd.Cover(32, 10)); // a point of the star
}

// ---------------------------------------------------------------------------------------------
// Aliased sampling
// ---------------------------------------------------------------------------------------------

TEST(RasterFillAliased, PixelIsInWhenItsCentreIs) {
    struct Case {
        const char* name;
        int32_t x0, y0, x1, y1;     // a rectangle, 24.8
        int32_t px0, py0, px1, py1; // the pixels expected inside, half-open
    };
    const Case cases[] = {
        {"edges on centres: left and top in, right and bottom out", P / 2, P / 2, 5 * P / 2,
         5 * P / 2, 0, 0, 2, 2},
        {"edges just past centres", P / 2 + 1, P / 2 + 1, 5 * P / 2 + 1, 5 * P / 2 + 1, 1, 1, 3, 3},
        {"edges just before centres", P / 2 - 1, P / 2 - 1, 5 * P / 2 - 1, 5 * P / 2 - 1, 0, 0, 2,
         2},
        {"whole pixels", P, 2 * P, 4 * P, 3 * P, 1, 2, 4, 3},
        {"between centres: nothing", P + 130, P, P + 250, 4 * P, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        Canvas canvas(6, 6);
        RasterPath path;
        Rectangle(path, c.x0, c.y0, c.x1, c.y1);
        FillPath(path, FillRule::NonZero, kBlackAliased, canvas.Surface(), canvas.All());
        for (int32_t y = 0; y < 6; ++y)
            for (int32_t x = 0; x < 6; ++x) {
                bool in = x >= c.px0 && x < c.px1 && y >= c.py0 && y < c.py1;
                EXPECT_EQ(in ? 255 : 0, canvas.Cover(x, y)) << c.name << " at " << x << "," << y;
            }
    }
}

TEST(RasterFillAliased, SlantedEdgeTakesExactlyTheCentresLeftOfIt) {
    // The edge x = y / 3 (in pixels): centre (x + 0.5, y + 0.5) is inside when right of it.
    Canvas canvas(16, 16);
    RasterPath path;
    Polygon(path, {{0, 0}, {16 * P, 0}, {16 * P, 16 * P}, {16 * P / 3, 16 * P}});
    FillPath(path, FillRule::NonZero, kBlackAliased, canvas.Surface(), canvas.All());
    for (int32_t y = 0; y < 16; ++y)
        for (int32_t x = 0; x < 16; ++x) {
            bool in = 3 * (2 * x + 1) >= (2 * y + 1); // x + 0.5 >= (y + 0.5) / 3
            EXPECT_EQ(in ? 255 : 0, canvas.Cover(x, y)) << x << "," << y;
        }
}

TEST(RasterFillAliased, EvenOddHolesAreExact) {
    Canvas canvas(8, 8);
    RasterPath path;
    Rectangle(path, 0, 0, 8 * P, 8 * P);
    Rectangle(path, 2 * P, 2 * P, 6 * P, 6 * P);
    FillPath(path, FillRule::EvenOdd, kBlackAliased, canvas.Surface(), canvas.All());
    for (int32_t y = 0; y < 8; ++y)
        for (int32_t x = 0; x < 8; ++x) {
            bool hole = x >= 2 && x < 6 && y >= 2 && y < 6;
            EXPECT_EQ(hole ? 0 : 255, canvas.Cover(x, y));
        }
}

// ---------------------------------------------------------------------------------------------
// Colour and blending
// ---------------------------------------------------------------------------------------------

TEST(RasterFillColour, SourceOverBlendsEachChannelRounded) {
    struct Case {
        uint32_t background, colour;
    };
    const Case cases[] = {
        {0xFFFFFFFFu, 0x80FF0000u}, {0xFFFFFFFFu, 0x01123456u}, {0xFF204060u, 0xC0A0B0C0u},
        {0xFF000000u, 0xFFFFFFFFu}, {0xFF102030u, 0x00FFFFFFu}, {0xFFFFFFFFu, 0xFE0000FFu},
    };
    for (const Case& c : cases) {
        // Runs of every length up to 11 whole pixels (blended several at a time), then half a
        // pixel.
        for (int32_t run = 1; run < 12; ++run) {
            Canvas canvas(run + 2, 2, c.background);
            RasterPath path;
            Rectangle(path, 0, 0, run * P, P);               // whole pixels
            Rectangle(path, run * P, 0, run * P + P / 2, P); // half a pixel
            FillPath(path, FillRule::NonZero, RasterPaint{c.colour, 1}, canvas.Surface(),
                     canvas.All());
            for (int32_t x = 0; x <= run; ++x) {
                int32_t cover = x < run ? 255 : 128;
                int32_t a = int32_t(((c.colour >> 24) * cover + 127) / 255);
                for (int32_t shift = 0; shift < 24; shift += 8) {
                    int32_t s = (c.colour >> shift) & 255, d = (c.background >> shift) & 255;
                    int32_t expected = (s * a + d * (255 - a) + 127) / 255;
                    EXPECT_EQ(expected, int32_t((canvas.At(x, 0) >> shift) & 255))
                        << std::hex << c.colour << " over " << c.background << " x " << x;
                }
                EXPECT_EQ(255u, canvas.At(x, 0) >> 24);
                EXPECT_EQ(c.background, canvas.At(x, 1));
            }
            EXPECT_EQ(c.background, canvas.At(run + 1, 0));
        }
    }
}

TEST(RasterFillColour, EveryAlphaBlendsLikeTheExactFormula) {
    // Runs of 13 pixels: blended four at a time and one by one; channel values at the ends and
    // the middle of their range, where rounding goes wrong first.
    const uint32_t levels[] = {0, 1, 127, 128, 254, 255};
    for (uint32_t a = 1; a < 256; ++a)
        for (uint32_t s : levels)
            for (uint32_t d : levels) {
                const uint32_t background = 0xFF000000u | d << 16 | (255 - d) << 8 | d;
                const uint32_t colour = a << 24 | s << 16 | (255 - s) << 8 | s;
                Canvas canvas(13, 1, background);
                FillRectangle(canvas.Surface(), canvas.All(), colour);
                for (int32_t shift = 0; shift < 24; shift += 8) {
                    uint32_t cs = (colour >> shift) & 255, cd = (background >> shift) & 255;
                    uint32_t expected = (cs * a + cd * (255 - a) + 127) / 255;
                    for (int32_t x = 0; x < 13; ++x)
                        ASSERT_EQ(expected, (canvas.At(x, 0) >> shift) & 255)
                            << "alpha " << a << " source " << cs << " under " << cd << " x " << x;
                }
            }
}

TEST(RasterFillColour, FillRectangleFillsOrBlendsOnlyInside) {
    Canvas canvas(4, 4, 0xFF000000u);
    FillRectangle(canvas.Surface(), RasterRect{-5, 1, 2, 99}, 0xFF123456u);
    FillRectangle(canvas.Surface(), RasterRect{1, 0, 3, 1}, 0x80FFFFFFu);
    EXPECT_EQ(0xFF123456u, canvas.At(0, 1));
    EXPECT_EQ(0xFF123456u, canvas.At(1, 3));
    EXPECT_EQ(0xFF000000u, canvas.At(2, 1));
    EXPECT_EQ(0xFF808080u, canvas.At(1, 0));
    EXPECT_EQ(0xFF000000u, canvas.At(3, 0));
}

// ---------------------------------------------------------------------------------------------
// Clipping and buffers
// ---------------------------------------------------------------------------------------------

void Shapes(RasterPath& path) {
    Polygon(path, {{-40 * P, 3 * P + 50}, {20 * P + 100, -7 * P}, {27 * P, 25 * P + 9}});
    Circle(path, 12 * P + 33, 14 * P + 90, 9 * P + 40);
    path.MoveTo(35 * P, 2 * P);
    path.QuadTo(-10 * P, 10 * P, 30 * P, 31 * P);
    path.Close();
    // Squares nested 0.4 pixel apart in one subpath, as blends draw them (rings that even-odd
    // follows inside the pixels).
    path.MoveTo(17 * P, 17 * P);
    for (int32_t i = 0; i < 6; ++i) {
        const int32_t a = 17 * P + 7 + i * 2 * P / 5, b = 30 * P - i * 2 * P / 5;
        for (RasterPoint p : {RasterPoint{a, a}, {a, b}, {b, b}, {b, a}, {a, a}})
            path.LineTo(p.x, p.y);
    }
    path.Close();
}

// Within one step per channel: lines crossing the clip's sides are cut there, and the cut
// points are rounded to 1/256 pixel.
bool Near(uint32_t a, uint32_t b) {
    for (int32_t shift = 0; shift < 32; shift += 8) {
        int32_t d = int32_t((a >> shift) & 255) - int32_t((b >> shift) & 255);
        if (d < -1 || d > 1)
            return false;
    }
    return true;
}

TEST(RasterClip, ClippedDrawingMatchesTheFullOneInsideAndTouchesNothingOutside) {
    const RasterRect clips[] = {
        {0, 0, 32, 32},  {5, 7, 19, 12},    {0, 13, 32, 14},
        {31, 0, 32, 32}, {-10, -10, 3, 40}, {20, 18, 26, 30}, {8, 8, 8, 20}, // empty
    };
    RasterPath path;
    Shapes(path);
    for (int32_t smooth = 0; smooth < 2; ++smooth)
        for (FillRule rule : {FillRule::NonZero, FillRule::EvenOdd}) {
            Canvas full(32, 32);
            RasterPaint paint{0xFF000000u, smooth};
            FillPath(path, rule, paint, full.Surface(), full.All());
            for (const RasterRect& clip : clips) {
                Canvas part(32, 32);
                FillPath(path, rule, paint, part.Surface(), clip);
                for (int32_t y = 0; y < 32; ++y)
                    for (int32_t x = 0; x < 32; ++x) {
                        bool inside = x >= clip.x0 && x < clip.x1 && y >= clip.y0 && y < clip.y1;
                        if (inside)
                            EXPECT_PRED2(Near, full.At(x, y), part.At(x, y))
                                << "clip " << clip.x0 << "," << clip.y0 << "," << clip.x1 << ","
                                << clip.y1 << " at " << x << "," << y << " smooth " << smooth;
                        else
                            EXPECT_EQ(0xFFFFFFFFu, part.At(x, y))
                                << "clip " << clip.x0 << "," << clip.y0 << "," << clip.x1 << ","
                                << clip.y1 << " at " << x << "," << y << " smooth " << smooth;
                    }
            }
        }
}

TEST(RasterClip, BottomUpAndPaddedBuffersHoldTheSamePicture) {
    RasterPath path;
    Shapes(path);
    Canvas reference(32, 32);
    FillPath(path, FillRule::NonZero, kBlack, reference.Surface(), reference.All());

    // Bottom-up: row y of the picture is row 31 - y in memory.
    std::vector<uint32_t> bottomUp(32 * 32, 0xFFFFFFFFu);
    RasterSurface s = BottomUpSurface(bottomUp.data(), 32, 32);
    FillPath(path, FillRule::NonZero, kBlack, s, RasterRect{0, 0, 32, 32});
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x)
            ASSERT_EQ(reference.At(x, y), bottomUp[size_t(31 - y) * 32 + x]) << x << "," << y;

    // A 32 x 32 window inside a larger, bottom-up buffer with guard pixels all around.
    const int32_t W = 40, H = 36;
    std::vector<uint32_t> big(size_t(W) * H, 0x12345678u);
    for (int32_t y = 0; y < 32; ++y)
        for (int32_t x = 0; x < 32; ++x)
            big[size_t(y + 2) * W + x + 4] = 0xFFFFFFFFu;
    RasterSurface window{reinterpret_cast<uint8_t*>(&big[size_t(33) * W + 4]), -ptrdiff_t(W) * 4,
                         32, 32};
    FillPath(path, FillRule::NonZero, kBlack, window, RasterRect{-100, -100, 100, 100});
    for (int32_t y = 0; y < H; ++y)
        for (int32_t x = 0; x < W; ++x) {
            bool in = x >= 4 && x < 36 && y >= 2 && y < 34;
            uint32_t expected = in ? reference.At(x - 4, 31 - (y - 2)) : 0x12345678u;
            ASSERT_EQ(expected, big[size_t(y) * W + x]) << x << "," << y;
        }
}

// ---------------------------------------------------------------------------------------------
// Hostile input
// ---------------------------------------------------------------------------------------------

TEST(RasterHostile, ExtremeCoordinatesStayBoundedAndCorrect) {
    struct Case {
        const char* name;
        void (*build)(RasterPath&);
        int32_t expectCentre; // coverage expected at pixel (8, 8)
    };
    const Case cases[] = {
        {"the whole int32 plane",
         [](RasterPath& p) { Rectangle(p, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX); }, 255},
        {"a huge triangle around the surface",
         [](RasterPath& p) {
             Polygon(p, {{INT32_MIN, INT32_MAX}, {0, INT32_MIN}, {INT32_MAX, INT32_MAX}});
         },
         255},
        {"far away", [](RasterPath& p) { Rectangle(p, INT32_MAX - 10 * P, 0, INT32_MAX, 5 * P); },
         0},
        {"far left covers the rows it spans",
         [](RasterPath& p) {
             Polygon(p, {{INT32_MIN, 0},
                         {INT32_MIN + 1, 0},
                         {INT32_MIN + 1, 16 * P},
                         {INT32_MIN, 16 * P}});
             Polygon(p, {{INT32_MIN + 1, 0},
                         {INT32_MAX, 0},
                         {INT32_MAX, 16 * P},
                         {INT32_MIN + 1, 16 * P}});
         },
         255},
        {"a point",
         [](RasterPath& p) {
             Polygon(p, {{8 * P, 8 * P}, {8 * P, 8 * P}, {8 * P, 8 * P}});
         },
         0},
        {"a line there and back",
         [](RasterPath& p) {
             Polygon(p, {{0, 0}, {16 * P, 16 * P}, {0, 0}});
         },
         0},
        {"a huge cubic",
         [](RasterPath& p) {
             p.MoveTo(INT32_MIN, INT32_MIN);
             p.CubicTo(INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, INT32_MAX);
             p.LineTo(INT32_MAX, INT32_MIN);
             p.Close();
         },
         -1},
        {"a huge quad through the surface",
         [](RasterPath& p) {
             p.MoveTo(INT32_MIN, 0);
             p.QuadTo(8 * P, INT32_MAX, INT32_MAX, 0);
             p.LineTo(INT32_MAX, INT32_MIN);
             p.LineTo(INT32_MIN, INT32_MIN);
             p.Close();
         },
         255},
        {"verbs without a move",
         [](RasterPath& p) {
             p.LineTo(16 * P, 0);
             p.LineTo(16 * P, 16 * P);
             p.LineTo(0, 16 * P);
         },
         255},
    };
    for (const Case& c : cases)
        for (int32_t smooth = 0; smooth < 2; ++smooth) {
            Canvas canvas(16, 16);
            RasterPath path;
            c.build(path);
            ASSERT_EQ(1, FillPath(path, FillRule::NonZero, RasterPaint{0xFF000000u, smooth},
                                  canvas.Surface(), canvas.All()))
                << c.name;
            if (c.expectCentre >= 0) {
                EXPECT_EQ(c.expectCentre, canvas.Cover(8, 8)) << c.name << " smooth " << smooth;
            }
        }
}

TEST(RasterHostile, ManyCoincidentLayersDoNotOverflowBelowTheLimit) {
    // 10000 windings of the same square stay covered under non-zero and alternate under
    // even-odd.
    for (int32_t layers : {9999, 10000}) {
        RasterPath path;
        for (int32_t i = 0; i < layers; ++i)
            Rectangle(path, P / 2, 0, 2 * P, P);
        Canvas nonZero(2, 1), evenOdd(2, 1);
        FillPath(path, FillRule::NonZero, kBlack, nonZero.Surface(), nonZero.All());
        FillPath(path, FillRule::EvenOdd, kBlack, evenOdd.Surface(), evenOdd.All());
        EXPECT_EQ(255, nonZero.Cover(0, 0));
        EXPECT_EQ(255, nonZero.Cover(1, 0));
        EXPECT_EQ(layers % 2 ? 128 : 0, evenOdd.Cover(0, 0));
        EXPECT_EQ(layers % 2 ? 255 : 0, evenOdd.Cover(1, 0));
    }
}

TEST(RasterHostile, DegenerateSurfacesDrawNothing) {
    RasterPath path;
    Rectangle(path, 0, 0, 4 * P, 4 * P);
    uint32_t pixel = 0xFFFFFFFFu;
    const RasterSurface surfaces[] = {
        {nullptr, 4, 1, 1},
        {reinterpret_cast<uint8_t*>(&pixel), 4, 0, 1},
        {reinterpret_cast<uint8_t*>(&pixel), 4, 1, -3},
        {reinterpret_cast<uint8_t*>(&pixel), 4, 70000, 1},
        {reinterpret_cast<uint8_t*>(&pixel) + 1, 4, 1, 1}, // not on a 32-bit word
        {reinterpret_cast<uint8_t*>(&pixel), 6, 1, 2},     // rows not on 32-bit words
    };
    for (const RasterSurface& s : surfaces) {
        EXPECT_EQ(1, FillPath(path, FillRule::NonZero, kBlack, s, RasterRect{0, 0, 1, 1}));
        FillRectangle(s, RasterRect{0, 0, 1, 1}, 0xFF000000u);
        EXPECT_EQ(0xFFFFFFFFu, pixel);
    }
    RasterSurface one{reinterpret_cast<uint8_t*>(&pixel), 4, 1, 1};
    EXPECT_EQ(1, FillPath(path, FillRule::NonZero, kBlack, one, RasterRect{1, 0, 0, 1}));
    EXPECT_EQ(0xFFFFFFFFu, pixel);
}

// ---------------------------------------------------------------------------------------------
// Hit tests
// ---------------------------------------------------------------------------------------------

TEST(RasterHitTest, FindsFillsNearThePoint) {
    RasterPath path;
    Rectangle(path, 10 * P, 10 * P, 20 * P, 20 * P);
    Rectangle(path, 13 * P, 13 * P, 17 * P, 17 * P);
    struct Case {
        RasterPoint point;
        int32_t radius;
        FillRule rule;
        int32_t hit;
    };
    const Case cases[] = {
        {{15 * P, 11 * P}, 0, FillRule::NonZero, 1},
        {{15 * P, 15 * P}, 0, FillRule::NonZero, 1},
        {{15 * P, 15 * P}, 0, FillRule::EvenOdd, 0},
        {{15 * P, 15 * P}, 3 * P, FillRule::EvenOdd, 1}, // reaches the ring
        {{5 * P, 5 * P}, 2 * P, FillRule::NonZero, 0},
        {{8 * P, 15 * P}, 3 * P, FillRule::NonZero, 1},
        {{INT32_MAX, INT32_MIN}, INT32_MAX, FillRule::NonZero, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.hit, HitTestFill(path, c.rule, c.point, c.radius))
            << c.point.x / P << "," << c.point.y / P << " r " << c.radius;
}

} // namespace
