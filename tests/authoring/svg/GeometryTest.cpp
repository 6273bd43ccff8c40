// Geometry: dashes cut from paths, stroke outlines (caps, joins, miter limit, dots) measured by
// their areas, and the polygon operations behind clip paths.
#include <gtest/gtest.h>

#include <math.h>

#include "SvgTestSupport.h"
#include "authoring/svg/Dash.h"
#include "authoring/svg/Outline.h"
#include "authoring/svg/PathData.h"

namespace vemo::svg {
namespace {

using test::PathText;
using test::PolygonArea;

Path Parse(const char* d) {
    Path p;
    ParsePathData(d, 100000, &p);
    return p;
}

// The area a stroke's outline covers: its non-zero union, measured through Clipper.
double OutlineArea(const char* d, const StrokeStyle& style, double tolerance) {
    Path out;
    EXPECT_TRUE(StrokeOutline(Parse(d), style, tolerance, &out)) << d;
    Region r;
    EXPECT_TRUE(PathRegion(out, 0, tolerance, tolerance / 10, &r)) << d;
    return fabs(PolygonArea(RegionPath(r)));
}

struct DashCase {
    const char* d;
    std::vector<double> dashes;
    double offset;
    const char* expected;
};

TEST(Geometry, DashesCutPathsIntoPieces) {
    const DashCase cases[] = {
        {"M0 0 L10 0", {2, 3}, 0, "M0,0 L2,0 M5,0 L7,0"},
        {"M0 0 L10 0", {2, 3}, 1, "M0,0 L1,0 M4,0 L6,0 M9,0 L10,0"},
        // a negative offset counts backwards round the pattern
        {"M0 0 L10 0", {2, 3}, -1, "M1,0 L3,0 M6,0 L8,0"},
        {"M0 0 L10 0", {2, 3}, 11, "M0,0 L1,0 M4,0 L6,0 M9,0 L10,0"},
        // the pattern goes round corners and starts again with each subpath
        {"M0 0 L4 0 L4 4 M10 0 L14 0", {3, 2}, 0, "M0,0 L3,0 M4,1 L4,4 M10,0 L13,0"},
        // on a ring, a dash through the start point is one piece
        {"M0 0 H10 V10 H0 Z", {5, 5}, 0, "M0,0 L5,0 M10,0 L10,5 M10,10 L5,10 M0,10 L0,5"},
        {"M0 0 H10 V10 H0 Z", {5, 5}, 2.5,
         "M0,2.5 L0,0 L2.5,0 M7.5,0 L10,0 L10,2.5 M10,7.5 L10,10 L7.5,10 M2.5,10 L0,10 L0,7.5"},
        // zero-length dashes are kept as dots
        {"M0 0 L10 0", {0, 5}, 0, "M0,0 L0,0 M5,0 L5,0"},
        // a pattern of zeros is no pattern: the path stays solid
        {"M0 0 L10 0", {0, 0}, 0, "M0,0 L10,0"},
    };
    for (const DashCase& c : cases) {
        Path out;
        EXPECT_TRUE(DashPath(Parse(c.d), c.dashes, c.offset, 0.01, 1000, &out)) << c.d;
        EXPECT_EQ(c.expected, PathText(out)) << c.d << " offset " << c.offset;
    }
    Path out;
    EXPECT_FALSE(DashPath(Parse("M0 0 L1000 0"), {0.1, 0.1}, 0, 0.01, 1000, &out));
    EXPECT_TRUE(out.Empty());
}

struct OutlineCase {
    const char* name;
    const char* d;
    double width;
    uint8_t join, cap;
    double miterLimit;
    double area;
};

TEST(Geometry, StrokeOutlinesCoverTheStroke) {
    const double pi = 3.14159265358979323846;
    const OutlineCase cases[] = {
        {"butt", "M0 0 L100 0", 10, 0, 0, 4, 1000},
        {"square", "M0 0 L100 0", 10, 0, 2, 4, 1100},
        {"round", "M0 0 L100 0", 10, 0, 1, 4, 1000 + pi * 25},
        {"miter", "M0 0 L100 0 L100 100", 10, 0, 0, 4, 2000},
        {"round join", "M0 0 L100 0 L100 100", 10, 1, 0, 4, 1975 + pi * 25 / 4},
        {"bevel join", "M0 0 L100 0 L100 100", 10, 2, 0, 4, 1987.5},
        // a miter longer than the limit becomes a bevel (limits below 2 too)
        {"miter limit", "M0 0 L100 0 L100 100", 10, 0, 0, 1.2, 1987.5},
        {"miter within limit", "M0 0 L100 0 L100 100", 10, 0, 0, 1.5, 2000},
        // turning back: the bevel is flat at the turn
        {"hairpin", "M0 0 L100 0 L0 0", 10, 0, 0, 4, 1000},
        {"bevelled ring", "M0 0 H100 V100 H0 Z", 10, 2, 0, 4, 110 * 110 - 90 * 90 - 4 * 12.5},
        {"ring", "M0 0 H100 V100 H0 Z", 10, 0, 0, 4, 110 * 110 - 90 * 90},
        {"dot", "M50 50 Z", 10, 0, 1, 4, pi * 25},
        {"square dot", "M50 50 L50 50", 10, 0, 2, 4, 100},
        {"butt dot", "M50 50 L50 50", 10, 0, 0, 4, 0},
        // overlapping pieces are covered once
        {"overlap", "M0 0 L100 0 M0 0 L100 0", 10, 0, 0, 4, 1000},
    };
    for (const OutlineCase& c : cases) {
        StrokeStyle s{c.width, c.join, c.cap, c.miterLimit};
        EXPECT_NEAR(c.area, OutlineArea(c.d, s, 0.01), c.area * 0.002 + 0.1) << c.name;
    }
}

TEST(Geometry, MitersLongerThanTheLimitAreCut) {
    // A corner of 40 degrees: its miter is 1 / sin(20 deg) = 2.92 widths long and reaches 14.6
    // beyond the corner; cut at 2.5 widths it loses most of that.
    const char* d = "M0 0 L100 0 L23.4 64.28";
    EXPECT_GT(OutlineArea(d, {10, 0, 0, 4}, 0.01) - OutlineArea(d, {10, 0, 0, 2.5}, 0.01), 20);
}

TEST(Geometry, LongStrokesAreOutlinedInPiecesThatJoin) {
    // A zigzag of 500 segments: outlined in pieces, the union as one would be.
    std::string d = "M0 0";
    for (int i = 1; i <= 500; ++i) {
        d += " L" + std::to_string(i * 10) + " " + std::to_string((i % 2) * 10);
    }
    // each segment is sqrt(200) long, 2 wide, round joins and caps add a disc
    double expected = 500 * sqrt(200.0) * 2 + 3.14159265358979323846;
    EXPECT_NEAR(expected, OutlineArea(d.c_str(), {2, 1, 1, 4}, 0.05), expected * 0.01);
}

TEST(Geometry, RegionsUniteIntersectAndSubtract) {
    Region a, b, both, either, rest;
    ASSERT_TRUE(PathRegion(Parse("M0 0 H10 V10 H0 Z"), 0, 0.01, 0.01, &a));
    ASSERT_TRUE(PathRegion(Parse("M5 5 H15 V15 H5 Z"), 0, 0.01, 0.01, &b));
    ASSERT_TRUE(Intersect(a, b, &both));
    ASSERT_TRUE(Unite(a, b, &either));
    ASSERT_TRUE(Subtract(a, b, &rest));
    EXPECT_NEAR(25, fabs(PolygonArea(RegionPath(both))), 1e-6);
    EXPECT_NEAR(175, fabs(PolygonArea(RegionPath(either))), 1e-6);
    EXPECT_NEAR(75, fabs(PolygonArea(RegionPath(rest))), 1e-6);
    EXPECT_TRUE(IsRectangle(a));
    EXPECT_FALSE(IsRectangle(rest));
    // The fill rule decides the hole of a square inside a square drawn the same way round.
    Region nonzero, evenodd;
    Path nested = Parse("M0 0 H10 V10 H0 Z M2 2 H8 V8 H2 Z");
    ASSERT_TRUE(PathRegion(nested, 0, 0.01, 0.01, &nonzero));
    ASSERT_TRUE(PathRegion(nested, 1, 0.01, 0.01, &evenodd));
    EXPECT_NEAR(100, fabs(PolygonArea(RegionPath(nonzero))), 1e-6);
    EXPECT_NEAR(64, fabs(PolygonArea(RegionPath(evenodd))), 1e-6);
    // Operations with nothing.
    Region none;
    none.resolution = 0.01;
    ASSERT_TRUE(Intersect(a, none, &both));
    EXPECT_TRUE(both.polygons.empty());
    ASSERT_TRUE(Unite(none, a, &either));
    EXPECT_NEAR(100, fabs(PolygonArea(RegionPath(either))), 1e-6);
    // Clipping a path keeps what lies inside.
    Path clipped;
    ASSERT_TRUE(ClipPath(Parse("M-5 -5 H5 V5 H-5 Z"), 0, a, 0.01, &clipped));
    EXPECT_NEAR(25, fabs(PolygonArea(clipped)), 1e-6);
    ASSERT_TRUE(ClipPath(Parse("M50 50 H60 V60 H50 Z"), 0, a, 0.01, &clipped));
    EXPECT_TRUE(clipped.Empty());
}

} // namespace
} // namespace vemo::svg
