// Jobs done in pieces: however the work is cut, preparation included, the pixels (and a failure
// at the limits) are those of one go; long paths really are cut into many pieces.
#include "RasterTestSupport.h"

#include <gtest/gtest.h>

#include <math.h>

namespace {

// Lines, curves, a subpath partly outside the clip, a closed and an open subpath and a lone
// point: every kind of piece the walks and the stroker have.
void Mixed(RasterPath& path) {
    Circle(path, 50 * P + 17, 60 * P + 3, 45 * P);
    Polygon(path, {{-30 * P, 10 * P}, {130 * P, 40 * P + 99}, {20 * P, 119 * P}});
    path.MoveTo(5 * P, 100 * P);
    path.QuadTo(60 * P, -20 * P, 95 * P, 110 * P);
    path.LineTo(100 * P, 20 * P);
    path.CubicTo(140 * P, 10 * P, 40 * P, 70 * P + 31, 150 * P, 90 * P);
    path.MoveTo(30 * P + 100, 30 * P + 50); // a lone point: a dot for round and square caps
    path.LineTo(30 * P + 100, 30 * P + 50);
}

// A zigzag of sharp turns, long enough to need many pieces.
void Zigzag(RasterPath& path) {
    path.MoveTo(2 * P, 2 * P);
    for (int32_t i = 0; i < 300; ++i)
        path.LineTo((i * 37 % 150) * P + 5, (i % 2 ? 110 : 8) * P + i);
}

// A thousand cubics winding round a centre.
void Spiral(RasterPath& path) {
    path.MoveTo(80 * P, 60 * P);
    for (int32_t i = 0; i < 1000; ++i) {
        double a = i * 0.37, r = 10 + (i % 50);
        int32_t x = int32_t((80 + r * cos(a)) * P), y = int32_t((60 + r * sin(a)) * P);
        path.CubicTo(x + 3 * P, y, x, y + 3 * P, x, y);
    }
    path.Close();
}

// Forty squares nested 0.4 pixel apart in one subpath (connectors between them), all wound the
// same way: rings closer than a pixel, which even-odd follows inside the pixels.
void NestedRings(RasterPath& path) {
    path.MoveTo(3 * P, 3 * P);
    for (int32_t i = 0; i < 40; ++i) {
        const int32_t a = 3 * P + i * 2 * P / 5, b = 117 * P - i * 2 * P / 5;
        path.LineTo(a, a);
        path.LineTo(a, b);
        path.LineTo(b + 40 * P, b);
        path.LineTo(b + 40 * P, a);
        path.LineTo(a, a);
    }
    path.Close();
}

// The same after a zigzag of 3000 vertices off the canvas: the look for rings that meet sorts
// its vertices in runs and merges them.
void NestedRingsAfterAZigzag(RasterPath& path) {
    path.MoveTo(200 * P, 0);
    for (int32_t i = 1; i < 3000; ++i)
        path.LineTo((200 + 2 * i) * P, (i % 2) * 10 * P);
    path.Close();
    NestedRings(path);
}

// More lines than a job may hold.
void PastTheEdgeLimit(RasterPath& path) {
    path.MoveTo(0, 0);
    for (int32_t i = 0; i <= kRasterMaxEdges + 2; ++i)
        path.LineTo((i % 7) * P + 3, (i % 2) ? 40 * P : 0);
}

// A wide stroke with a round join at every one of many sharp turns: its outline passes the
// limit of points a side may hold.
void PastTheOutlineLimit(RasterPath& path) {
    path.MoveTo(0, 0);
    for (int32_t i = 0; i < 60000; ++i)
        path.LineTo((i % 2) * 300 * P, (i % 3) * P);
}

struct Case {
    const char* name;
    void (*build)(RasterPath&);
    int32_t stroke;
    FillRule rule;
    StrokeStyle style;
    int32_t smoothed;
    RasterRect clip;
    int32_t fails;
};

constexpr RasterRect kWhole{0, 0, 160, 120};
constexpr RasterRect kInner{13, 9, 141, 97};

std::vector<Case> Cases() {
    std::vector<Case> cases = {
        {"fill non-zero", Mixed, 0, FillRule::NonZero, {}, 1, kWhole, 0},
        {"fill even-odd", Mixed, 0, FillRule::EvenOdd, {}, 1, kWhole, 0},
        {"fill aliased", Mixed, 0, FillRule::NonZero, {}, 0, kWhole, 0},
        {"fill clipped", Mixed, 0, FillRule::EvenOdd, {}, 1, kInner, 0},
        {"fill zigzag", Zigzag, 0, FillRule::NonZero, {}, 1, kWhole, 0},
        {"fill spiral", Spiral, 0, FillRule::EvenOdd, {}, 1, kWhole, 0},
        {"fill nested rings", NestedRings, 0, FillRule::EvenOdd, {}, 1, kInner, 0},
        {"fill nested rings after a zigzag", NestedRingsAfterAZigzag, 0, FillRule::EvenOdd, {}, 1,
         kInner, 0},
        {"stroke spiral round",
         Spiral,
         1,
         FillRule::NonZero,
         {2 * P, LineJoin::Round, LineCap::Round, 4 << 16},
         1,
         kWhole,
         0},
        {"stroke thinner than a pixel",
         Zigzag,
         1,
         FillRule::NonZero,
         {P / 3, LineJoin::Miter, LineCap::Butt, 4 << 16},
         1,
         kWhole,
         0},
        {"stroke aliased",
         Zigzag,
         1,
         FillRule::NonZero,
         {3 * P, LineJoin::Bevel, LineCap::Square, 4 << 16},
         0,
         kInner,
         0},
        {"fill past the edge limit", PastTheEdgeLimit, 0, FillRule::NonZero, {}, 1, kWhole, 1},
        {"stroke past the outline limit",
         PastTheOutlineLimit,
         1,
         FillRule::NonZero,
         {200 * P, LineJoin::Round, LineCap::Round, 4 << 16},
         1,
         kWhole,
         1},
    };
    // Every join with every cap, on open and closed subpaths, curves and a lone point.
    const LineJoin joins[] = {LineJoin::Miter, LineJoin::Round, LineJoin::Bevel};
    const LineCap caps[] = {LineCap::Butt, LineCap::Round, LineCap::Square};
    for (LineJoin join : joins)
        for (LineCap cap : caps)
            cases.push_back({"stroke join x cap",
                             Mixed,
                             1,
                             FillRule::NonZero,
                             {7 * P + 77, join, cap, 3 << 15},
                             1,
                             kInner,
                             0});
    return cases;
}

// The paints each case is drawn with: a plain colour and a gradient (whose pixels each depend
// on their place).
const RasterGradientStop kStops[] = {
    {0, 0x00FF0000u}, {0x6000, 0xC0306090u}, {0x6000, 0xFF000000u}, {0x10000, 0x80FFFF00u}};
const RasterGradient kGradient{
    GradientShape::Radial, GradientSpread::Reflect, 80, 60, 110, 70, 75, 100, 0.3, -0.2, kStops, 4};

// Runs a job in pieces of `piece` units (0: in one go), reading the path in place or from
// the job's copy; the number of calls it took.
int64_t Draw(const Case& c, const RasterPath& path, Canvas& canvas, int32_t piece, int32_t* failed,
             bool gradient, bool inPlace = false) {
    RasterJob job;
    job.ReadPathInPlace(inPlace);
    RasterPaint paint{0xC0306090u, c.smoothed, gradient ? &kGradient : nullptr};
    int32_t started = c.stroke ? job.StartStroke(path, c.style, paint, canvas.Surface(), c.clip)
                               : job.StartFill(path, c.rule, paint, canvas.Surface(), c.clip);
    EXPECT_EQ(1, started);
    int64_t calls = 1;
    if (piece == 0) {
        job.Run();
    } else {
        while (!job.Advance(piece)) {
            EXPECT_GE(job.LastWork(), piece) << "a piece that stops short has used its work";
            ++calls;
            if (calls > (int64_t(1) << 26)) {
                ADD_FAILURE() << "no progress";
                break;
            }
        }
    }
    EXPECT_EQ(1, job.Finished());
    *failed = job.Failed();
    return calls;
}

TEST(RasterJobPieces, AnyPieceSizeGivesThePixelsOfOneGo) {
    for (const Case& c : Cases()) {
        for (bool gradient : {false, true}) {
            RasterPath path;
            c.build(path);
            ASSERT_EQ(0, path.failed());
            Canvas once(160, 120);
            int32_t onceFailed = 0;
            Draw(c, path, once, 0, &onceFailed, gradient);
            EXPECT_EQ(c.fails, onceFailed) << c.name;
            if (c.fails)
                EXPECT_EQ(0, once.CoveredPixels()) << c.name << ": a failed job draws nothing";
            else
                EXPECT_GT(once.CoveredPixels(), 0) << c.name;
            const struct {
                int32_t piece;
                bool inPlace;
            } runs[] = {{1, false}, {7, true}, {1000, false}, {INT32_MAX, true}};
            for (auto [piece, inPlace] : runs) {
                if (c.fails && piece == 1 && c.stroke)
                    continue; // the same cut points as 7, only slower
                Canvas pieces(160, 120);
                int32_t failed = 0;
                Draw(c, path, pieces, piece, &failed, gradient, inPlace);
                EXPECT_EQ(onceFailed, failed) << c.name << ", pieces of " << piece;
                EXPECT_TRUE(once.pixels == pieces.pixels)
                    << c.name << " (" << int(c.style.join) << ", " << int(c.style.cap)
                    << "), pieces of " << piece << (gradient ? ", gradient" : "");
            }
        }
    }
}

TEST(RasterJobPieces, LongPathsArePreparedInManySmallPieces) {
    struct Long {
        const char* name;
        void (*build)(RasterPath&);
        int32_t stroke;
        int32_t verbs;
    } const longs[] = {{"fill", Spiral, 0, 1000},
                       {"stroke", Spiral, 1, 1000},
                       {"stroke of lines", Zigzag, 1, 300}};
    for (const Long& l : longs) {
        RasterPath path;
        l.build(path);
        Canvas canvas(160, 120);
        RasterJob job;
        StrokeStyle style{2 * P, LineJoin::Round, LineCap::Round, 4 << 16};
        if (l.stroke)
            job.StartStroke(path, style, kBlack, canvas.Surface(), canvas.All());
        else
            job.StartFill(path, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All());
        // Every verb costs at least a unit: pieces of 16 units need a call per 16 verbs.
        int32_t calls = 1;
        while (!job.Prepare(16))
            ++calls;
        EXPECT_GE(calls, l.verbs / 16) << l.name;
        EXPECT_EQ(0, canvas.CoveredPixels()) << l.name << ": preparing draws nothing";
        EXPECT_GT(job.BandsLeft(), 1) << l.name;
        job.Run();
        EXPECT_GT(canvas.CoveredPixels(), 0) << l.name;
    }
}

TEST(RasterJobPieces, CancellingAtAnyStageLeavesNothingForTheNextJob) {
    RasterPath path, square;
    Spiral(path);
    Rectangle(square, 10 * P + 64, 20 * P, 30 * P, 100 * P + 128);
    Canvas reference(160, 120);
    FillPath(square, FillRule::NonZero, kBlack, reference.Surface(), reference.All());
    // Units after which the first job is cancelled: in the walk, the sort and inside a band.
    for (int32_t units : {1, 500, 3000, 6000, 20000}) {
        for (int32_t stroke = 0; stroke < 2; ++stroke) {
            Canvas scratch(160, 120), canvas(160, 120);
            RasterJob job;
            StrokeStyle style{3 * P, LineJoin::Miter, LineCap::Butt, 4 << 16};
            if (stroke)
                job.StartStroke(path, style, kBlack, scratch.Surface(), scratch.All());
            else
                job.StartFill(path, FillRule::NonZero, kBlack, scratch.Surface(), scratch.All());
            job.Advance(units);
            job.Cancel();
            EXPECT_EQ(1, job.Finished());
            EXPECT_EQ(0, job.BandsLeft());
            job.StartFill(square, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All());
            EXPECT_EQ(1, job.Run());
            EXPECT_TRUE(reference.pixels == canvas.pixels) << units << " units, stroke " << stroke;
        }
    }
}

} // namespace
