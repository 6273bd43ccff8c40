// Strokes: widths, caps, joins and the miter limit measured by the area they ink, thin strokes.
#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <math.h>
#include <stdlib.h>

#include <algorithm>

#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

StrokeStyle Style(int32_t width, LineJoin join, LineCap cap, int32_t miterLimit16 = 4 << 16) {
    return StrokeStyle{width, join, cap, miterLimit16};
}

// An L: right from (2, 3) to (10, 3), then down to (10, 11), two pixels wide: pixel-aligned.
// Variant 1 is mirrored (turning up), 2 and 3 are the same walked backwards.
void Ell(RasterPath& path, int32_t variant) {
    RasterPoint p[3] = {{2 * P, 3 * P}, {10 * P, 3 * P}, {10 * P, 11 * P}};
    if (variant & 1)
        for (RasterPoint& q : p)
            q.y = 14 * P - q.y;
    if (variant & 2) {
        RasterPoint t = p[0];
        p[0] = p[2];
        p[2] = t;
    }
    path.MoveTo(p[0].x, p[0].y);
    path.LineTo(p[1].x, p[1].y);
    path.LineTo(p[2].x, p[2].y);
}

TEST(RasterStroke, JoinsAndCapsInkTheirArea) {
    // Areas in pixels: the two legs (16 + 16) overlap in one pixel; the outer corner adds a
    // square (miter), half of it (bevel) or a quarter disc (round); caps add their own.
    struct Case {
        const char* name;
        LineJoin join;
        LineCap cap;
        double area;
        double slack; // in coverage steps; round pieces are polygons within 0.1 pixel
    };
    const double quarter = kPi / 4;
    const Case cases[] = {
        {"miter, butt", LineJoin::Miter, LineCap::Butt, 32, 0},
        {"bevel, butt", LineJoin::Bevel, LineCap::Butt, 31.5, 1},
        {"round, butt", LineJoin::Round, LineCap::Butt, 31 + quarter, 20},
        {"miter, square", LineJoin::Miter, LineCap::Square, 36, 0},
        {"miter, round", LineJoin::Miter, LineCap::Round, 32 + 4 * quarter, 60},
    };
    for (const Case& c : cases)
        for (int32_t variant = 0; variant < 4; ++variant) {
            Canvas canvas(16, 16);
            RasterPath path;
            Ell(path, variant);
            ASSERT_EQ(1, StrokePath(path, Style(2 * P, c.join, c.cap), kBlack, canvas.Surface(),
                                    canvas.All()));
            EXPECT_NEAR(c.area * 255, double(canvas.TotalCover()), c.slack + 1)
                << c.name << " variant " << variant;
            const int32_t y = (variant & 1) ? 10 : 3, outerY = (variant & 1) ? 11 : 2;
            EXPECT_EQ(255, canvas.Cover(9, y)) << c.name; // inner corner
            EXPECT_EQ(c.join == LineJoin::Miter ? 255 : 0,
                      canvas.Cover(10, outerY) == 255 ? 255 : 0)
                << c.name << " variant " << variant;
        }
}

TEST(RasterStroke, ShortSegmentsAndSharpTurnsLeaveNoHoles) {
    // Zigzags, hairpins and a ring narrower than the width, with segments shorter than the
    // width: every pixel that one segment alone covers fully is fully covered by the whole
    // stroke, whatever the join.
    const RasterPoint zigzags[][6] = {
        {{10 * P, 10 * P},
         {12 * P, 30 * P},
         {14 * P, 11 * P},
         {15 * P, 29 * P},
         {30 * P, 20 * P},
         {11 * P, 21 * P}},
        {{20 * P, 5 * P},
         {21 * P, 6 * P},
         {20 * P, 7 * P},
         {22 * P, 7 * P + 30},
         {8 * P, 30 * P},
         {9 * P, 30 * P}},
        {{5 * P, 20 * P},
         {35 * P, 20 * P},
         {5 * P, 20 * P + 3},
         {35 * P, 21 * P},
         {5 * P, 22 * P},
         {20 * P, 35 * P}},
        {{22 * P, 20 * P},
         {21 * P, 21 * P + 187},
         {19 * P, 21 * P + 187},
         {18 * P, 20 * P},
         {19 * P, 18 * P + 69},
         {21 * P, 18 * P + 69}},
    };
    for (const auto& zig : zigzags)
        for (LineJoin join : {LineJoin::Miter, LineJoin::Round, LineJoin::Bevel})
            for (int32_t closed = 0; closed < 2; ++closed) {
                Canvas whole(40, 40);
                RasterPath path;
                path.MoveTo(zig[0].x, zig[0].y);
                for (int32_t i = 1; i < 6; ++i)
                    path.LineTo(zig[i].x, zig[i].y);
                if (closed)
                    path.Close();
                const StrokeStyle style = Style(6 * P, join, LineCap::Butt, 10 << 16);
                StrokePath(path, style, kBlack, whole.Surface(), whole.All());
                for (int32_t i = 0; i < (closed ? 6 : 5); ++i) {
                    Canvas one(40, 40);
                    RasterPath segment;
                    segment.MoveTo(zig[i].x, zig[i].y);
                    segment.LineTo(zig[(i + 1) % 6].x, zig[(i + 1) % 6].y);
                    StrokePath(segment, style, kBlack, one.Surface(), one.All());
                    for (int32_t y = 0; y < 40; ++y)
                        for (int32_t x = 0; x < 40; ++x)
                            if (one.Cover(x, y) == 255) {
                                ASSERT_EQ(255, whole.Cover(x, y))
                                    << "segment " << i << " at " << x << "," << y << " join "
                                    << int(join) << " closed " << closed;
                            }
                }
            }
}

TEST(RasterStroke, MiterLimitTurnsSharpCornersIntoBevels) {
    // A 60-degree turn: the miter is 1 / sin(30 deg) = 2 widths long.
    struct Case {
        int32_t limit16;
        bool mitred;
    };
    const Case cases[] = {{int32_t(1.9 * 65536), false}, {int32_t(2.1 * 65536), true}, {0, false}};
    double areas[3];
    for (int32_t i = 0; i < 3; ++i) {
        Canvas canvas(48, 48);
        RasterPath path;
        path.MoveTo(4 * P, 30 * P);
        path.LineTo(24 * P, 30 * P);
        path.LineTo(24 * P - int32_t(20 * P * 0.5), 30 * P - int32_t(20 * P * 0.8660254));
        StrokePath(path, Style(4 * P, LineJoin::Miter, LineCap::Butt, cases[i].limit16), kBlack,
                   canvas.Surface(), canvas.All());
        areas[i] = canvas.TotalCover() / 255.0;
    }
    // The miter adds the triangle beyond the bevel: its base (the bevel) is r * sqrt(3) long
    // and its tip lies 2r from the corner, 1.5r beyond the bevel.
    double r = 2;
    double kite = 0.5 * r * sqrt(3.0) * 1.5 * r;
    EXPECT_NEAR(areas[1] - areas[0], kite, 0.1);
    EXPECT_NEAR(areas[2], areas[0], 0.01);
}

TEST(RasterStroke, WidthsInkLengthTimesWidth) {
    // Horizontal and diagonal strokes with butt caps: area = length x width.
    const int32_t widths[] = {P, 3 * P / 2, 2 * P, 5 * P + 37};
    for (int32_t w : widths)
        for (int32_t diagonal = 0; diagonal < 2; ++diagonal) {
            Canvas canvas(40, 40);
            RasterPath path;
            double length;
            if (diagonal) {
                path.MoveTo(8 * P, 8 * P);
                path.LineTo(32 * P, 32 * P);
                length = 24 * sqrt(2.0);
            } else {
                path.MoveTo(5 * P, 20 * P + 77);
                path.LineTo(35 * P, 20 * P + 77);
                length = 30;
            }
            StrokePath(path, Style(w, LineJoin::Miter, LineCap::Butt), kBlack, canvas.Surface(),
                       canvas.All());
            double expected = length * w / P * 255;
            EXPECT_NEAR(expected, double(canvas.TotalCover()), 0.5 * canvas.CoveredPixels() + 1)
                << "width " << w << (diagonal ? " diagonal" : "");
        }
}

// The area of the convex polygon (x, y pairs) inside the pixel square at (px, py).
double AreaInPixel(std::vector<double> poly, int32_t px, int32_t py) {
    const double bounds[4] = {double(px), double(px + 1), double(py), double(py + 1)};
    for (int32_t side = 0; side < 4 && !poly.empty(); ++side) {
        std::vector<double> next;
        const size_t n = poly.size() / 2;
        auto inside = [&](size_t i) {
            const double v = poly[2 * i + (side >> 1)];
            return (side & 1) ? bounds[side] - v : v - bounds[side];
        };
        for (size_t i = 0; i < n; ++i) {
            const size_t j = (i + 1) % n;
            const double di = inside(i), dj = inside(j);
            if (di >= 0) {
                next.push_back(poly[2 * i]);
                next.push_back(poly[2 * i + 1]);
            }
            if ((di >= 0) != (dj >= 0)) {
                const double t = di / (di - dj);
                next.push_back(poly[2 * i] + (poly[2 * j] - poly[2 * i]) * t);
                next.push_back(poly[2 * i + 1] + (poly[2 * j + 1] - poly[2 * i + 1]) * t);
            }
        }
        poly = next;
    }
    double area = 0;
    const size_t n = poly.size() / 2;
    for (size_t i = 0; i < n; ++i) {
        const size_t j = (i + 1) % n;
        area += poly[2 * i] * poly[2 * j + 1] - poly[2 * j] * poly[2 * i + 1];
    }
    return fabs(area) / 2;
}

TEST(RasterStroke, StrokesOfAnyWidthCoverTheirExactArea) {
    // A segment with butt caps is a rectangle: every pixel takes the area of it that lies
    // inside, within one coverage step, at any width (thin ones included) and angle.
    const double widths[] = {0.05, 0.25, 0.5, 0.75, 1.0, 1.3, 2.5};
    const double angles[] = {0, 0.1, 0.7853981, 1.2, 1.5707963, 2.9};
    for (double w : widths)
        for (double a : angles) {
            Canvas canvas(32, 32);
            const double cx = 16.3, cy = 15.6, half = 11;
            const double dx = cos(a) * half, dy = sin(a) * half;
            const RasterPoint p0{int32_t(lround((cx - dx) * P)), int32_t(lround((cy - dy) * P))};
            const RasterPoint p1{int32_t(lround((cx + dx) * P)), int32_t(lround((cy + dy) * P))};
            RasterPath path;
            path.MoveTo(p0.x, p0.y);
            path.LineTo(p1.x, p1.y);
            StrokePath(path, Style(int32_t(lround(w * P)), LineJoin::Miter, LineCap::Butt),
                       kBlack, canvas.Surface(), canvas.All());
            // The rectangle from the rounded end points, as drawn.
            const double x0 = p0.x / double(P), y0 = p0.y / double(P);
            const double x1 = p1.x / double(P), y1 = p1.y / double(P);
            const double len = hypot(x1 - x0, y1 - y0), r = lround(w * P) / double(P) / 2;
            const double nx = -(y1 - y0) / len * r, ny = (x1 - x0) / len * r;
            const std::vector<double> rect = {x0 + nx, y0 + ny, x1 + nx, y1 + ny,
                                              x1 - nx, y1 - ny, x0 - nx, y0 - ny};
            for (int32_t y = 0; y < 32; ++y)
                for (int32_t x = 0; x < 32; ++x)
                    ASSERT_NEAR(CoverOf(AreaInPixel(rect, x, y)), canvas.Cover(x, y), 1)
                        << "width " << w << " angle " << a << " at " << x << "," << y;
        }
}

TEST(RasterStroke, DenseThinPolylinesInkTheirOutlineOnce) {
    // Where consecutive segments' rectangles overlap (turns, segments shorter than the width)
    // the overlap is inked once: the total matches the same stroke drawn 16 times as large,
    // whose overlaps fall inside fully covered pixels, within 2 percent. Pixel by pixel the
    // two differ by the points the stroke leaves out (within a fraction of a pixel of the
    // lines that replace them; 16 times as large, within a sixteenth of that) and the overlaps
    // followed along sample lines: a root mean square over the inked pixels (coverage steps)
    // of at most `rms`: 1.0 and 0.8 for the strokes up to a pixel wide (1.6 and 1.7 while they
    // left out every point within 1/16 pixel, as the wider one still does: 2.7).
    struct Case {
        const char* name;
        double width;
        LineJoin join;
        double rms;
    };
    const Case cases[] = {{"0.5 round", 0.5, LineJoin::Round, 1.15},
                          {"0.75 miter", 0.75, LineJoin::Miter, 1.0},
                          {"1.5 bevel", 1.5, LineJoin::Bevel, 3.0}};
    for (const Case& c : cases) {
        // A wobbly ring of 300 points, steps of about a third of a pixel.
        std::vector<RasterPoint> ring;
        for (int32_t i = 0; i < 300; ++i) {
            const double a = 2 * kPi * i / 300, rr = 14 + 0.6 * sin(37 * a);
            ring.push_back(RasterPoint{int32_t(lround((20 + rr * cos(a)) * P)),
                                       int32_t(lround((20 + rr * sin(a)) * P))});
        }
        double ink[2];
        std::vector<int32_t> cover[2];
        for (int32_t scale = 1, k = 0; k < 2; scale = 16, ++k) {
            Canvas canvas(40 * scale, 40 * scale);
            RasterPath path;
            for (size_t i = 0; i < ring.size(); ++i) {
                if (i == 0)
                    path.MoveTo(ring[i].x * scale, ring[i].y * scale);
                else
                    path.LineTo(ring[i].x * scale, ring[i].y * scale);
            }
            path.Close();
            StrokePath(path, Style(int32_t(lround(c.width * P * scale)), c.join, LineCap::Butt),
                       kBlack, canvas.Surface(), canvas.All());
            ink[k] = double(canvas.TotalCover()) / (scale * scale);
            cover[k] = canvas.AveragedDown(scale);
        }
        EXPECT_NEAR(ink[1], ink[0], 0.02 * ink[1]) << c.name;
        double squares = 0;
        int32_t inked = 0;
        for (size_t i = 0; i < cover[0].size(); ++i) {
            squares += double(cover[0][i] - cover[1][i]) * (cover[0][i] - cover[1][i]);
            inked += cover[0][i] || cover[1][i];
        }
        EXPECT_LE(sqrt(squares / inked), c.rms) << c.name;
    }
}

TEST(RasterStroke, CornersCutOnShortSegmentsInkEachPixelOnce) {
    // A segment shorter than the inner cuts of the turns at its ends (both the same way): the
    // cuts overlap, and every pixel still takes its share of the union, as the same stroke
    // drawn 16 times as large (whose overlaps lie inside fully covered pixels) averaged down.
    // Where the first and the third segment's rectangles overlap beyond the middle one, the
    // overlap pass finds that along its sample lines, a few steps off (leaving the corners'
    // overlaps to it as well was 5 to 7 off).
    struct Case {
        const char* name;
        double width, turn, middle; // degrees at each end of the middle segment; its length
        LineJoin join;
        int32_t slack; // coverage steps
    };
    const Case cases[] = {
        {"0.5 wide, 2 x 45", 0.5, 45, 0.18, LineJoin::Round, 1},
        {"0.75 wide, 2 x 60", 0.75, 60, 0.3, LineJoin::Bevel, 1},
        {"3 wide, 2 x 45", 3, 45, 1.0, LineJoin::Miter, 2},
        {"3 wide, 2 x 80", 3, 80, 1.5, LineJoin::Round, 3},
        {"6 wide, 2 x 30", 6, 30, 0.9, LineJoin::Bevel, 5},
        // Turns of more than a right angle: the first segment's rectangle reaches past the
        // middle one into the join after it (13 to 31 off while their tags lay one apart);
        // the miter tips of 2 x 150 reach far into the third segment.
        {"2 wide, 2 x 100", 2, 100, 0.3, LineJoin::Bevel, 6},
        {"4 wide, 2 x 120", 4, 120, 0.8, LineJoin::Round, 4},
        {"5 wide, 2 x 170", 5, 170, 2.0, LineJoin::Miter, 10},
        {"4 wide, 2 x 150", 4, 150, 0.6, LineJoin::Miter, 17},
    };
    for (const Case& c : cases) {
        // In from the left, the short middle segment, out again: turns of c.turn to the left.
        const double a = c.turn * kPi / 180;
        const double x1 = 12.3, y1 = 14.6, x2 = x1 + c.middle * cos(a), y2 = y1 - c.middle * sin(a);
        const double pts[4][2] = {{2.1, y1}, {x1, y1}, {x2, y2},
                                  {x2 + 9 * cos(2 * a), y2 - 9 * sin(2 * a)}};
        std::vector<int32_t> cover[2];
        for (int32_t scale = 1, k = 0; k < 2; scale = 16, ++k) {
            Canvas canvas(28 * scale, 28 * scale);
            RasterPath path;
            for (int32_t i = 0; i < 4; ++i) {
                const int32_t x = int32_t(lround(pts[i][0] * P)) * scale;
                const int32_t y = int32_t(lround(pts[i][1] * P)) * scale;
                if (i == 0)
                    path.MoveTo(x, y);
                else
                    path.LineTo(x, y);
            }
            StrokePath(path, Style(int32_t(lround(c.width * P)) * scale, c.join, LineCap::Butt),
                       kBlack, canvas.Surface(), canvas.All());
            cover[k] = canvas.AveragedDown(scale);
        }
        int32_t worst = 0;
        for (size_t i = 0; i < cover[0].size(); ++i)
            worst = std::max(worst, abs(cover[0][i] - cover[1][i]));
        EXPECT_LE(worst, c.slack) << c.name;
    }
}

TEST(RasterStroke, DensePolylinesStayOnTheirPoints) {
    // Rings of points closer than a pixel, which the stroke thins out: the ink keeps its place,
    // measured as its mean distance from the centre, against the circle the points lie on
    // (drawn as curves). Lines through every few points of a circle would all cut inside it,
    // by up to the tolerance of leaving points out.
    struct Case {
        double radius, step, width;
    };
    const Case cases[] = {{14, 0.3, 0.5}, {9, 0.25, 0.75}, {16, 0.5, 0.5}, {12, 0.2, 1.5}};
    for (const Case& c : cases) {
        const int32_t n = int32_t(2 * kPi * c.radius / c.step);
        double mean[2];
        for (int32_t k = 0; k < 2; ++k) {
            Canvas canvas(40, 40);
            RasterPath path;
            if (k == 0) {
                for (int32_t i = 0; i < n; ++i) {
                    const double a = 2 * kPi * i / n;
                    const int32_t x = int32_t(lround((20 + c.radius * cos(a)) * P));
                    const int32_t y = int32_t(lround((20 + c.radius * sin(a)) * P));
                    i == 0 ? path.MoveTo(x, y) : path.LineTo(x, y);
                }
                path.Close();
            } else {
                Circle(path, 20 * P, 20 * P, int32_t(lround(c.radius * P)));
            }
            StrokePath(path, Style(int32_t(lround(c.width * P)), LineJoin::Round, LineCap::Butt),
                       kBlack, canvas.Surface(), canvas.All());
            double ink = 0, moment = 0;
            for (int32_t y = 0; y < canvas.height; ++y) {
                for (int32_t x = 0; x < canvas.width; ++x) {
                    const double cover = canvas.Cover(x, y);
                    ink += cover;
                    moment += cover * hypot(x + 0.5 - 20, y + 0.5 - 20);
                }
            }
            mean[k] = moment / ink;
        }
        EXPECT_NEAR(mean[0], mean[1], 0.008) << "radius " << c.radius << " step " << c.step;
    }
}

// Paths whose strokes overlap themselves away from their turns (pixels; drawn 16 times as large
// too, where the overlaps fall inside fully covered pixels).
template <int32_t Copies> void SquareCopies(RasterPath& path, int32_t scale) {
    for (int32_t copy = 0; copy < Copies; ++copy)
        Polygon(path, {{(5 * P + 37) * scale, (4 * P + 90) * scale},
                       {(30 * P + 11) * scale, (6 * P + 3) * scale},
                       {(28 * P + 200) * scale, (31 * P + 60) * scale},
                       {(3 * P + 150) * scale, (29 * P + 17) * scale}});
}

void CrossingLines(RasterPath& path, int32_t scale) {
    path.MoveTo((3 * P + 20) * scale, (4 * P + 70) * scale);
    path.LineTo((33 * P + 9) * scale, (30 * P + 200) * scale);
    path.MoveTo((4 * P + 140) * scale, (31 * P + 5) * scale);
    path.LineTo((32 * P + 61) * scale, (2 * P + 99) * scale);
}

// A pentagram: five long lines, each crossed by two others.
void Star(RasterPath& path, int32_t scale) {
    for (int32_t i = 0; i <= 5; ++i) {
        const double a = 2 * kPi * (2 * i % 5) / 5 - kPi / 2;
        const int32_t x = int32_t(lround((18 + 15 * cos(a)) * P)) * scale;
        const int32_t y = int32_t(lround((18 + 15 * sin(a)) * P)) * scale;
        if (i == 0)
            path.MoveTo(x, y);
        else
            path.LineTo(x, y);
    }
}

TEST(RasterStroke, OverlapsOfAStrokeWithItselfAreInkedOnce) {
    // Where pieces of one stroke that are not neighbours overlap inside a pixel, the pixel
    // takes the area of their union: the total matches the stroke drawn 16 times as large
    // within half a percent (counted twice, a crossing of these lines is 0.7 percent). Forty
    // copies put more than a hundred parts into a pixel of a side, and what the sample lines
    // miss of one layer counts 39 times there: within a fifth (their area sums ink 1.8 times).
    struct Case {
        const char* name;
        void (*build)(RasterPath&, int32_t);
        double width;
        LineJoin join;
        double tolerance;
    };
    const Case cases[] = {{"square drawn twice", SquareCopies<2>, 0.5, LineJoin::Miter, 0.005},
                          {"square drawn 40 times", SquareCopies<40>, 0.5, LineJoin::Miter, 0.2},
                          {"two lines crossing", CrossingLines, 0.375, LineJoin::Miter, 0.005},
                          {"pentagram", Star, 0.375, LineJoin::Bevel, 0.005}};
    for (const Case& c : cases) {
        double ink[2];
        std::vector<int32_t> cover[2];
        for (int32_t scale = 1, k = 0; k < 2; scale = 16, ++k) {
            Canvas canvas(40 * scale, 40 * scale);
            RasterPath path;
            c.build(path, scale);
            StrokePath(path, Style(int32_t(lround(c.width * P * scale)), c.join, LineCap::Butt),
                       kBlack, canvas.Surface(), canvas.All());
            ink[k] = double(canvas.TotalCover()) / (scale * scale);
        }
        EXPECT_NEAR(ink[1], ink[0], c.tolerance * ink[1]) << c.name;
    }
}

TEST(RasterStroke, ThinStrokesStayVisibleAndInkTheirArea) {
    // Below a pixel, a smoothed stroke inks length x width with no column left empty (a
    // hairline, width 0, inks length x 1 pixel); an aliased one takes one or two pixels per
    // column (the line is a little over a pixel tall).
    const int32_t widths[] = {0, 8, P / 4, P / 2, 3 * P / 4};
    for (int32_t w : widths)
        for (int32_t smooth = 0; smooth < 2; ++smooth) {
            Canvas canvas(40, 20);
            RasterPath path;
            path.MoveTo(2 * P, 5 * P + 100);
            path.LineTo(38 * P, 14 * P + 3);
            StrokePath(path, Style(w, LineJoin::Miter, LineCap::Butt),
                       RasterPaint{0xFF000000u, smooth}, canvas.Surface(), canvas.All());
            for (int32_t x = 3; x < 37; ++x) {
                int32_t column = 0, pixels = 0;
                for (int32_t y = 0; y < 20; ++y) {
                    column += canvas.Cover(x, y);
                    pixels += canvas.Cover(x, y) != 0;
                }
                EXPECT_GT(column, 0) << "width " << w << " column " << x;
                if (!smooth) {
                    EXPECT_TRUE(pixels == 1 || pixels == 2) << "width " << w << " column " << x;
                }
            }
            if (smooth) {
                double length = sqrt(36.0 * 36 + (14 * P + 3 - 5 * P - 100) / double(P) *
                                                     ((14 * P + 3 - 5 * P - 100) / double(P)));
                double weight = w == 0 ? 1.0 : double(w) / P;
                EXPECT_NEAR(length * weight * 255, double(canvas.TotalCover()),
                            0.01 * length * 255 + canvas.CoveredPixels())
                    << "width " << w;
            }
        }
}

TEST(RasterStroke, ClosedOutlinesJoinAllAround) {
    // A closed square outline, 2 pixels wide, on whole pixels: the ring between 3..13 and 5..11.
    for (LineJoin join : {LineJoin::Miter, LineJoin::Bevel, LineJoin::Round}) {
        Canvas canvas(16, 16);
        RasterPath path;
        Rectangle(path, 4 * P, 4 * P, 12 * P, 12 * P);
        StrokePath(path, Style(2 * P, join, LineCap::Round), kBlack, canvas.Surface(),
                   canvas.All());
        double corners = join == LineJoin::Miter ? 4 : join == LineJoin::Bevel ? 2 : kPi;
        EXPECT_NEAR((100 - 36 - 4 + corners) * 255, double(canvas.TotalCover()),
                    join == LineJoin::Round ? 60 : 2);
        EXPECT_EQ(0, canvas.Cover(8, 8));
        EXPECT_EQ(255, canvas.Cover(4, 8));
    }
}

TEST(RasterStroke, ThereAndBackInksTheSegmentOnce) {
    // A subpath that goes along a segment and back turns half round at the far end (and, when
    // closed, at the start too): a bevel or miter adds nothing there, a round join a half disc.
    // So it inks, pixel for pixel, what the segment alone inks with butt or round caps. (Closed
    // with two points, it used to take their overlap out at both ends: no ink; wide strokes
    // inked the rectangle's edges twice.) The overlap is counted once on sample lines: within
    // two coverage steps.
    struct Case {
        const char* name;
        bool closed;
        double width;
        LineJoin join;
        LineCap cap; // of the lone segment it must match
        int32_t slack;
    };
    const Case cases[] = {
        {"closed, thin, bevel", true, 0.5, LineJoin::Bevel, LineCap::Butt, 2},
        {"closed, thin, miter", true, 0.5, LineJoin::Miter, LineCap::Butt, 2},
        {"closed, thin, round", true, 0.5, LineJoin::Round, LineCap::Round, 3},
        {"closed, 3 px, bevel", true, 3, LineJoin::Bevel, LineCap::Butt, 2},
        {"open, thin, bevel", false, 0.5, LineJoin::Bevel, LineCap::Butt, 2},
        {"closed, 6 px, bevel", true, 6, LineJoin::Bevel, LineCap::Butt, 2},
        {"open, 6 px, miter", false, 6, LineJoin::Miter, LineCap::Butt, 2},
    };
    const RasterPoint a{int32_t(3.3 * P), int32_t(4.6 * P)}, b{int32_t(12.7 * P), int32_t(9.1 * P)};
    for (const Case& c : cases) {
        const StrokeStyle style = Style(int32_t(lround(c.width * P)), c.join, c.cap);
        Canvas back(16, 16), once(16, 16);
        RasterPath there, segment;
        there.MoveTo(a.x, a.y);
        there.LineTo(b.x, b.y);
        there.LineTo(a.x, a.y);
        if (c.closed)
            there.Close();
        segment.MoveTo(a.x, a.y);
        segment.LineTo(b.x, b.y);
        StrokePath(there, style, kBlack, back.Surface(), back.All());
        StrokePath(segment, style, kBlack, once.Surface(), once.All());
        int32_t worst = 0;
        for (int32_t y = 0; y < 16; ++y)
            for (int32_t x = 0; x < 16; ++x)
                worst = std::max(worst, abs(back.Cover(x, y) - once.Cover(x, y)));
        EXPECT_LE(worst, c.slack) << c.name;
        EXPECT_GT(once.TotalCover(), 0) << c.name;
    }
}

TEST(RasterStroke, ZeroLengthSubpathsDrawDotsForRoundAndSquareCaps) {
    struct Case {
        LineCap cap;
        double area;
    };
    const Case cases[] = {{LineCap::Butt, 0}, {LineCap::Square, 16}, {LineCap::Round, 4 * kPi}};
    for (const Case& c : cases) {
        Canvas canvas(16, 16);
        RasterPath path;
        path.MoveTo(8 * P, 8 * P);
        path.LineTo(8 * P, 8 * P);
        path.MoveTo(1 * P, 1 * P); // a lone move draws nothing
        StrokePath(path, Style(4 * P, LineJoin::Miter, c.cap), kBlack, canvas.Surface(),
                   canvas.All());
        EXPECT_NEAR(c.area * 255, double(canvas.TotalCover()), c.area * 255 * 0.02 + 1);
    }
}

TEST(RasterStroke, CurvesAreStrokedAlongTheirLength) {
    // A half circle of radius 10 as two cubics: a 2-pixel stroke inks about pi * 10 * 2.
    Canvas canvas(32, 32);
    RasterPath path;
    const int32_t r = 10 * P, k = int32_t(int64_t(r) * 36195 / 65536);
    path.MoveTo(6 * P, 16 * P);
    path.CubicTo(6 * P, 16 * P - k, 16 * P - k, 6 * P, 16 * P, 6 * P);
    path.CubicTo(16 * P + k, 6 * P, 26 * P, 16 * P - k, 26 * P, 16 * P);
    StrokePath(path, Style(2 * P, LineJoin::Round, LineCap::Butt), kBlack, canvas.Surface(),
               canvas.All());
    EXPECT_NEAR(kPi * 10 * 2 * 255, double(canvas.TotalCover()), 0.02 * kPi * 20 * 255);
}

TEST(RasterStroke, HostileWidthsAndCoordinatesStayBounded) {
    struct Case {
        int32_t width;
        RasterPoint a, b, c;
    };
    const Case cases[] = {
        {INT32_MAX, {0, 0}, {P, 0}, {0, P}},
        {3 * P, {INT32_MIN, INT32_MIN}, {INT32_MAX, INT32_MAX}, {INT32_MIN, INT32_MAX}},
        {-5, {P, P}, {10 * P, P}, {P, P}},
        {2 * P, {INT32_MAX, 0}, {INT32_MIN, 1}, {INT32_MAX, 2}}, // hairpin turns
    };
    for (const Case& c : cases)
        for (LineJoin join : {LineJoin::Miter, LineJoin::Round, LineJoin::Bevel}) {
            Canvas canvas(16, 16);
            RasterPath path;
            path.MoveTo(c.a.x, c.a.y);
            path.LineTo(c.b.x, c.b.y);
            path.CubicTo(c.a.x, c.b.y, c.b.x, c.a.y, c.c.x, c.c.y);
            EXPECT_EQ(1, StrokePath(path, Style(c.width, join, LineCap::Round, INT32_MAX), kBlack,
                                    canvas.Surface(), canvas.All()));
        }
    // A stroke wider than everything covers everything.
    Canvas canvas(16, 16);
    RasterPath path;
    path.MoveTo(-1000 * P, 8 * P);
    path.LineTo(1000 * P, 8 * P);
    StrokePath(path, Style(INT32_MAX, LineJoin::Miter, LineCap::Butt), kBlack, canvas.Surface(),
               canvas.All());
    EXPECT_EQ(255 * 256, canvas.TotalCover());
}

TEST(RasterStroke, HitTestsReachTheStrokeNotItsInside) {
    RasterPath path;
    Rectangle(path, 10 * P, 10 * P, 30 * P, 30 * P);
    const StrokeStyle style = Style(2 * P, LineJoin::Miter, LineCap::Butt);
    EXPECT_EQ(1, HitTestStroke(path, style, RasterPoint{10 * P, 20 * P}, 0));
    EXPECT_EQ(0, HitTestStroke(path, style, RasterPoint{20 * P, 20 * P}, 2 * P));
    EXPECT_EQ(1, HitTestStroke(path, style, RasterPoint{13 * P, 20 * P}, 3 * P));
    EXPECT_EQ(0, HitTestStroke(path, style, RasterPoint{5 * P, 20 * P}, 3 * P));
}

} // namespace

namespace {

// Ink of an open path of two pieces meeting at a corner, stroked with miter joins and butt caps:
// lines, or cubics whose end tangents meet at the corner.
double CornerInk(bool curves, double bend, double theta, int32_t limit16) {
    const double px = 40, py = 24, w = 8;
    const double ux = 1, uy = 0;                            // arriving along u
    const double vx = -cos(theta), vy = -sin(theta);        // leaving along v
    auto fx = [](double v) { return int32_t(lround(v * P)); };
    Canvas canvas(64, 48);
    RasterPath path;
    if (!curves) {
        path.MoveTo(fx(px - 30 * ux), fx(py - 30 * uy));
        path.LineTo(fx(px), fx(py));
        path.LineTo(fx(px + 30 * vx), fx(py + 30 * vy));
    } else {
        // The arriving cubic's last control point is the corner (its tangent there points from
        // the one before); the leaving one's first control point likewise. Both bend by `bend`.
        path.MoveTo(fx(px - 30 * ux - bend * uy * 20 + bend * ux), fx(py - 30 * uy + bend * 20));
        path.CubicTo(fx(px - 12 * ux), fx(py - 12 * uy), fx(px), fx(py), fx(px), fx(py));
        path.CubicTo(fx(px), fx(py), fx(px + 12 * vx), fx(py + 12 * vy),
                     fx(px + 30 * vx - bend * 20 * vy), fx(py + 30 * vy + bend * 20 * vx));
    }
    StrokePath(path, StrokeStyle{int32_t(w * P), LineJoin::Miter, LineCap::Butt, limit16}, kBlack,
               canvas.Surface(), canvas.All());
    return canvas.TotalCover() / 255.0;
}

TEST(RasterStroke, MiterLimitHoldsExactlyAtTheBoundaryForLinesAndCurves) {
    // A miter is drawn when its length over the width, 1 / sin(theta / 2) for segments meeting
    // at the angle theta, is at most the limit: for a right angle sqrt(2), for the other corner
    // 3.95; limits one 16.16 step either side, and a little either side. At curves' ends the
    // corner's angle is that of their tangents, not of the chords that stand for them.
    const double right = 3.14159265358979 / 2;
    const double sharp = 2 * asin(1 / 3.95);
    const int32_t rootTwo = int32_t(sqrt(2.0) * 65536); // just below sqrt(2)
    struct Case {
        const char* name;
        bool curves;
        double bend;
        double theta;
        int32_t limit16;
        bool mitred;
    };
    const Case cases[] = {
        {"right angle, limit a step above sqrt 2", false, 0, right, rootTwo + 1, true},
        {"right angle, limit a step below sqrt 2", false, 0, right, rootTwo, false},
        {"3.95, lines, limit 4", false, 0, sharp, 4 << 16, true},
        {"3.95, lines, limit 3.9", false, 0, sharp, int32_t(3.9 * 65536), false},
        {"3.95, curves bending in, limit 4", true, 0.5, sharp, 4 << 16, true},
        {"3.95, curves bending out, limit 4", true, -0.5, sharp, 4 << 16, true},
        {"3.95, curves bending in, limit 3.9", true, 0.5, sharp, int32_t(3.9 * 65536), false},
        {"3.95, curves bending out, limit 3.9", true, -0.5, sharp, int32_t(3.9 * 65536), false},
    };
    for (const Case& c : cases) {
        const double ink = CornerInk(c.curves, c.bend, c.theta, c.limit16);
        const double bevel = CornerInk(c.curves, c.bend, c.theta, 1 << 16);
        const double miter = CornerInk(c.curves, c.bend, c.theta, 100 << 16);
        ASSERT_GT(miter - bevel, 2.0) << c.name; // the tip is worth telling apart
        EXPECT_NEAR(c.mitred ? miter : bevel, ink, 0.05) << c.name;
    }
}

} // namespace
