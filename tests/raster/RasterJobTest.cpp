// Jobs: drawing band by band gives the pixels of one go; cancel and reuse; failures.
#include "RasterTestSupport.h"

#include <gtest/gtest.h>

namespace {

void Scene(RasterPath& path) {
    Circle(path, 50 * P + 17, 60 * P + 3, 45 * P);
    Polygon(path, {{-30 * P, 10 * P}, {130 * P, 40 * P + 99}, {20 * P, 119 * P}});
    path.MoveTo(5 * P, 100 * P);
    path.QuadTo(60 * P, -20 * P, 95 * P, 110 * P);
}

TEST(RasterJob, SteppingBandByBandGivesThePixelsOfOneGo) {
    const int32_t widths[] = {100, 700, 5000}; // different band heights
    for (int32_t width : widths)
        for (int32_t stroke = 0; stroke < 2; ++stroke)
            for (int32_t smooth = 0; smooth < 2; ++smooth) {
                RasterPath path;
                Scene(path);
                StrokeStyle style{3 * P, LineJoin::Round, LineCap::Square, 4 << 16};
                RasterPaint paint{0xC0306090u, smooth};
                Canvas once(width, 120), stepped(width, 120);
                RasterRect clip{0, 0, width, 120};
                RasterJob a, b;
                ASSERT_EQ(
                    1, stroke ? a.StartStroke(path, style, paint, once.Surface(), clip)
                              : a.StartFill(path, FillRule::EvenOdd, paint, once.Surface(), clip));
                EXPECT_EQ(1, a.Run());
                ASSERT_EQ(1, stroke ? b.StartStroke(path, style, paint, stepped.Surface(), clip)
                                    : b.StartFill(path, FillRule::EvenOdd, paint, stepped.Surface(),
                                                  clip));
                path.Clear(); // the job keeps its own copy of the geometry
                EXPECT_EQ(0, b.BandsLeft()) << "nothing is known before the preparation";
                EXPECT_EQ(1, b.Prepare(INT32_MAX));
                int32_t bands = b.BandsLeft(), steps = 0;
                EXPECT_GT(bands, 1);
                EXPECT_EQ(0, b.Step(0));
                while (!b.Step(1)) {
                    ++steps;
                    EXPECT_EQ(bands - steps, b.BandsLeft());
                }
                EXPECT_EQ(bands - 1, steps);
                EXPECT_EQ(1, b.Finished());
                EXPECT_EQ(1, b.Step(1));
                EXPECT_EQ(once.pixels, stepped.pixels) << "width " << width << " stroke " << stroke;
            }
}

TEST(RasterJob, BandsCoverTheRowsOfTheGeometryOnly) {
    Canvas canvas(64, 1000);
    RasterPath path;
    Rectangle(path, 0, 500 * P, 10 * P, 510 * P);
    RasterJob job;
    job.StartFill(path, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All());
    job.Prepare(INT32_MAX);
    int32_t h = job.BandHeight();
    EXPECT_EQ(509 / h - 500 / h + 1, job.BandsLeft());
}

TEST(RasterJob, CancelledJobLeavesNothingBehindForTheNext) {
    Canvas canvas(50, 400), reference(50, 400);
    RasterPath big, small;
    Rectangle(big, 0, 0, 50 * P, 400 * P);
    Rectangle(small, 10 * P + 64, 20 * P, 30 * P, 300 * P + 128);
    RasterJob job;
    job.StartFill(big, FillRule::NonZero, kBlack, canvas.Surface(), RasterRect{0, 0, 0, 0});
    EXPECT_EQ(1, job.Finished()); // empty clip: nothing to do
    job.StartFill(big, FillRule::NonZero, RasterPaint{0xFF000000u, 1}, canvas.Surface(),
                  RasterRect{0, 0, 50, 400});
    job.Step(1);
    job.Cancel();
    EXPECT_EQ(1, job.Finished());
    EXPECT_EQ(0, job.BandsLeft());
    // The cancelled job drew its first band only.
    EXPECT_EQ(255, canvas.Cover(0, 0));
    EXPECT_EQ(0, canvas.Cover(0, 399));
    Canvas fresh(50, 400);
    job.StartFill(small, FillRule::NonZero, kBlack, fresh.Surface(), fresh.All());
    job.Run();
    FillPath(small, FillRule::NonZero, kBlack, reference.Surface(), reference.All());
    EXPECT_EQ(reference.pixels, fresh.pixels);
}

TEST(RasterJob, AFillAfterAStrokeOnOneJobGivesThePixelsOfAFreshJob) {
    // A stroke keeps more in its accumulators than a fill (the pieces of its overlaps): none
    // of it may reach the next job.
    Canvas stroked(60, 60), filled(60, 60), reference(60, 60);
    RasterPath star, blob;
    star.MoveTo(30 * P, 3 * P);
    star.LineTo(47 * P + 50, 55 * P);
    star.LineTo(3 * P + 90, 22 * P);
    star.LineTo(56 * P, 22 * P + 70);
    star.LineTo(12 * P, 55 * P + 10);
    star.Close();
    Circle(blob, 31 * P + 40, 29 * P + 7, 20 * P);
    RasterJob job;
    job.StartStroke(star, StrokeStyle{P / 2, LineJoin::Miter, LineCap::Butt, 4 << 16}, kBlack,
                    stroked.Surface(), stroked.All());
    job.Run();
    EXPECT_GT(stroked.TotalCover(), 0);
    job.StartFill(blob, FillRule::NonZero, kBlack, filled.Surface(), filled.All());
    job.Run();
    FillPath(blob, FillRule::NonZero, kBlack, reference.Surface(), reference.All());
    EXPECT_EQ(reference.pixels, filled.pixels);
}

TEST(RasterJob, AStrokeBandPastItsLimitOfPartsKeepsItsAreaSums) {
    // 20 lines on top of one another across a row 60000 pixels wide: 2.4 million parts of
    // edges in one band, past the 2^21 a band keeps; the band is drawn with its overlaps
    // added up, as when they are not resolved at all, instead of taking more memory.
    Canvas resolved(60000, 1), added(60000, 1);
    RasterPath path;
    for (int32_t i = 0; i < 20; ++i) {
        path.MoveTo(0, 100);
        path.LineTo(60000 * P, 110 + i);
    }
    const StrokeStyle thin{26, LineJoin::Bevel, LineCap::Butt, 4 << 16};
    EXPECT_EQ(1, StrokePath(path, thin, kBlack, resolved.Surface(), resolved.All()));
    RasterSetExactOverlaps(0);
    StrokePath(path, thin, kBlack, added.Surface(), added.All());
    RasterSetExactOverlaps(1);
    EXPECT_GT(resolved.TotalCover(), 0);
    EXPECT_EQ(added.pixels, resolved.pixels);
}

TEST(RasterJob, ATransparentColourOrAnEmptyPathFinishesAtOnce) {
    Canvas canvas(8, 8);
    RasterPath empty, square;
    Rectangle(square, 0, 0, 8 * P, 8 * P);
    RasterJob job;
    EXPECT_EQ(1, job.StartFill(empty, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All()));
    EXPECT_EQ(1, job.Finished());
    EXPECT_EQ(1, job.StartFill(square, FillRule::NonZero, RasterPaint{0x00000000u, 1},
                               canvas.Surface(), canvas.All()));
    EXPECT_EQ(1, job.Finished());
    EXPECT_EQ(0, canvas.TotalCover());
}

TEST(RasterJob, MoreEdgesThanTheLimitFailAndDrawNothing) {
    // A zigzag of kRasterMaxEdges + 2 slanted lines, all inside the surface.
    Canvas canvas(8, 8);
    RasterPath path;
    path.MoveTo(0, 0);
    for (int32_t i = 0; i <= kRasterMaxEdges + 2; ++i)
        ASSERT_EQ(1, path.LineTo((i % 7) * P + 3, (i % 2) ? 8 * P : 0));
    RasterJob job;
    EXPECT_EQ(1, job.StartFill(path, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All()));
    EXPECT_EQ(0, job.Run());
    EXPECT_EQ(1, job.Finished());
    EXPECT_EQ(1, job.Failed());
    EXPECT_EQ(0, canvas.TotalCover());
    EXPECT_EQ(0, FillPath(path, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All()));
    // The job is still usable.
    RasterPath square;
    Rectangle(square, 0, 0, P, P);
    EXPECT_EQ(1, job.StartFill(square, FillRule::NonZero, kBlack, canvas.Surface(), canvas.All()));
    EXPECT_EQ(1, job.Run());
    EXPECT_EQ(0, job.Failed());
    EXPECT_EQ(255, canvas.TotalCover());
}

TEST(RasterPath, RecordsVerbsAndPointsAndBounds) {
    RasterPath path;
    RasterPoint lo, hi;
    EXPECT_EQ(0, path.Bounds(&lo, &hi));
    EXPECT_EQ(1, path.MoveTo(5, -7));
    EXPECT_EQ(1, path.QuadTo(1, 2, 3, 4));
    EXPECT_EQ(1, path.CubicTo(-9, 0, 0, 0, 0, 99));
    EXPECT_EQ(1, path.Close());
    EXPECT_EQ(4, path.verbCount());
    EXPECT_EQ(6, path.pointCount());
    EXPECT_EQ(kVerbCubic, path.verbs()[2]);
    EXPECT_EQ(1, path.Bounds(&lo, &hi));
    EXPECT_EQ(-9, lo.x);
    EXPECT_EQ(-7, lo.y);
    EXPECT_EQ(5, hi.x);
    EXPECT_EQ(99, hi.y);
    // Room made ahead keeps what the path holds; room that is there takes nothing fresh.
    EXPECT_EQ(1, path.Reserve(2000, 3000));
    EXPECT_EQ(0, path.Reserve(1004, 1006));
    EXPECT_EQ(kVerbCubic, path.verbs()[2]);
    EXPECT_EQ(99, path.points()[5].y);
    for (int32_t i = 0; i < 1000; ++i)
        ASSERT_EQ(1, path.LineTo(i, i));
    EXPECT_EQ(1006, path.pointCount());
    EXPECT_EQ(999, path.points()[1005].x);
    EXPECT_EQ(0, path.Reserve(-1, RasterPath::kMaxPoints + 1)) << "past the limits";
    path.Clear();
    EXPECT_EQ(0, path.verbCount());
    EXPECT_EQ(0, path.failed());
}

} // namespace
