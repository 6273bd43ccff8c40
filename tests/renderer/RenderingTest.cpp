// Views and matrices, progressive rendering in slices, hyperlink look-up, the palette and the
// conversion to display pixels.
#include <gtest/gtest.h>

#include <algorithm>

#include <string.h>
#include <string>
#include <vector>

#include "renderer/DrawingFormat.h"
#include "renderer/DrawingRenderer.h"
#include "renderer/DrawingWriter.h"
#include "renderer/Palette.h"
#include "renderer/Results.h"
#include "renderer/ViewMath.h"
#include "support/GradientReference.h"

namespace vemo {
namespace {

// ---- matrix ---------------------------------------------------------------------------------

struct MatrixCase {
    uint32_t width, height;
    DocRect view;
    int32_t keep;
    RenderMatrix expected;
};

TEST(ContextMatrix, ScalesAndCentresTheView) {
    const MatrixCase cases[] = {
        // 400 x 400 pixels for 300000 units: 400 * 2^30 / 300000 truncated
        {400, 400, {0, 0, 300000, 300000}, 1,
         {1431655, 0, 0, 1431655, (int64_t(400) << 29) - ((int64_t(1431655) * 300000) >> 1),
          (int64_t(400) << 29) - ((int64_t(1431655) * 300000) >> 1)}},
        // aspect kept: the smaller scale for both axes, the view centred across
        {400, 200, {0, 0, 300000, 300000}, 1,
         {715827, 0, 0, 715827, (int64_t(400) << 29) - ((int64_t(715827) * 300000) >> 1),
          (int64_t(200) << 29) - ((int64_t(715827) * 300000) >> 1)}},
        // stretched: each axis on its own
        {400, 200, {0, 0, 300000, 300000}, 0,
         {1431655, 0, 0, 715827, (int64_t(400) << 29) - ((int64_t(1431655) * 300000) >> 1),
          (int64_t(200) << 29) - ((int64_t(715827) * 300000) >> 1)}},
        // an offset view
        {100, 100, {1000, 2000, 1100, 2100}, 1,
         {1073741824, 0, 0, 1073741824, -(int64_t(1000) << 30), -(int64_t(2000) << 30)}},
        // no area, or no buffer: the zero matrix
        {100, 100, {0, 0, 0, 100}, 1, {0, 0, 0, 0, 0, 0}},
        {0, 100, {0, 0, 100, 100}, 1, {0, 0, 0, 0, 0, 0}},
        {100, 100, {0, 0, kDocRectNotSet, 100}, 1, {0, 0, 0, 0, 0, 0}},
        // a tiny view clamps the scale instead of overflowing
        {65535, 65535, {0, 0, 1, 1}, 1,
         {INT32_MAX, 0, 0, INT32_MAX, (int64_t(65535) << 29) - (int64_t(INT32_MAX) >> 1),
          (int64_t(65535) << 29) - (int64_t(INT32_MAX) >> 1)}},
    };
    for (const MatrixCase& c : cases) {
        RenderMatrix m = MatrixForView(c.width, c.height, c.view, c.keep);
        EXPECT_EQ(c.expected.a, m.a) << c.width << "x" << c.height;
        EXPECT_EQ(c.expected.b, m.b);
        EXPECT_EQ(c.expected.c, m.c);
        EXPECT_EQ(c.expected.d, m.d) << c.width << "x" << c.height;
        EXPECT_EQ(c.expected.e, m.e) << c.width << "x" << c.height;
        EXPECT_EQ(c.expected.f, m.f) << c.width << "x" << c.height;
    }
}

TEST(ContextMatrix, ThePlugInsWindowMappingIsItsInverse) {
    const DocRect views[] = {{0, 0, 300000, 300000},
                             {-500000, 100000, 700000, 450000},
                             {2000000000, -2000000000, 2000100000, -1999900000},
                             {-7, -3, 11, 5}};
    const uint32_t sizes[][2] = {{400, 400}, {640, 480}, {33, 517}};
    for (const DocRect& v : views) {
        for (const auto& size : sizes) {
            for (int32_t keep = 0; keep < 2; ++keep) {
                RenderMatrix m = MatrixForView(size[0], size[1], v, keep);
                // pixel centres of the corners and the middle, window rows from the top
                const int32_t probes[][2] = {{0, 0},
                                             {int32_t(size[0]) - 1, int32_t(size[1]) - 1},
                                             {int32_t(size[0]) / 2, int32_t(size[1]) / 3}};
                for (const auto& p : probes) {
                    int32_t x, y;
                    DocPointFromPixel(v, m, size[0], size[1], p[0], p[1], &x, &y);
                    PixelFixed back = ApplyMatrix(m, x, y);
                    double column = double(back.column) / double(int64_t(1) << 30);
                    double rowFromTop = size[1] - double(back.row) / double(int64_t(1) << 30);
                    // within one document unit of the pixel's corner
                    double unitX = double(int64_t(1) << 30) / m.a / 1.0;
                    double unitY = double(int64_t(1) << 30) / m.d / 1.0;
                    EXPECT_NEAR(p[0], column, 1.0 / unitX + 1e-6) << v.x0 << " " << keep;
                    EXPECT_NEAR(p[1], rowFromTop, 1.0 / unitY + 1e-6)
                        << v.x0 << " " << keep << " " << size[0] << "x" << size[1] << " " << y;
                }
            }
        }
    }
    // the plug-in's own examples
    RenderMatrix m = MatrixForView(400, 400, DocRect{0, 0, 300000, 300000}, 1);
    int32_t x, y;
    DocPointFromPixel(DocRect{0, 0, 300000, 300000}, m, 400, 400, 200, 200, &x, &y);
    EXPECT_EQ(150000, x);
    EXPECT_EQ(150000, y);
    DocPointFromPixel(DocRect{0, 0, 300000, 300000}, m, 400, 400, 0, 0, &x, &y);
    EXPECT_EQ(0, x);
    EXPECT_EQ(300000, y);
}

// ---- rendering ------------------------------------------------------------------------------

struct FakeClock {
    uint64_t now = 0;
    uint64_t step = 0; // added on every reading
    static uint64_t Read(void* user) {
        FakeClock* c = static_cast<FakeClock*>(user);
        c->now += c->step;
        return c->now;
    }
};

std::vector<uint8_t> File(const DrawingWriter& w) {
    return std::vector<uint8_t>(w.Data(), w.Data() + w.Size());
}

// Pixel (column, row from the top) of a bottom-up buffer as 0xRRGGBB.
uint32_t PixelAt(const std::vector<uint32_t>& buffer, int32_t width, int32_t height,
                 int32_t column, int32_t rowFromTop) {
    return buffer[size_t(height - 1 - rowFromTop) * size_t(width) + size_t(column)] & 0xFFFFFF;
}

class Rendering : public ::testing::Test {
protected:
    DrawingRenderer renderer;
    std::vector<uint32_t> pixels = std::vector<uint32_t>(100 * 101, 0x12345678);
    uint32_t handle = 0;

    void Load(const DrawingWriter& w, bool end = true) {
        std::vector<uint8_t> f = File(w);
        ASSERT_EQ(kOk, renderer.LoadData(uint32_t(f.size()), f.data()));
        if (end) {
            ASSERT_LE(0, renderer.LoadData(0, nullptr));
        }
    }
    void MakeContext(DocRect view = DocRect{0, 0, 1000, 1000}) {
        ASSERT_EQ(kOk, renderer.CreateRenderContext(100, 100, 1, pixels.data(), &handle));
        ASSERT_EQ(kOk, renderer.SetContextView(handle, &view, 1));
    }
    int32_t Slice(uint32_t budget = 200) {
        return renderer.RenderSlice(handle, budget, 0, nullptr, nullptr, nullptr, pixels.data());
    }
    uint32_t At(int32_t column, int32_t rowFromTop) {
        return PixelAt(pixels, 100, 100, column, rowFromTop);
    }
    // Draws the view again from scratch in slices whose budget is over at the first look at the
    // clock (a piece of work each): how many slices it took.
    int32_t RedrawInSlicesOfOnePiece(DocRect view) {
        sliceClock.step = 1;
        renderer.SetClock(&FakeClock::Read, &sliceClock);
        std::fill(pixels.begin(), pixels.end(), 0x12345678u);
        EXPECT_EQ(kOk, renderer.SetContextView(handle, &view, 1));
        int32_t slices = 0, r = 0;
        do {
            r = Slice(1);
            ++slices;
            EXPECT_GE(r, 0);
        } while (r >= 0 && !(r & kSliceFinished) && slices < 100000);
        return slices;
    }
    FakeClock sliceClock;
};

TEST_F(Rendering, FirstSlicePaintsWhiteAndWaitsForData) {
    MakeContext();
    EXPECT_EQ(kSliceNewPixels | kSliceIncomplete, Slice());
    EXPECT_EQ(0xFFFFFFu, At(0, 0));
    EXPECT_EQ(0xFFFFFFu, At(99, 99));
    EXPECT_EQ(kSliceIncomplete, Slice()); // nothing new
}

TEST_F(Rendering, DrawsInPaintersOrderAsDataArrives) {
    MakeContext();
    DrawingWriter w;
    w.FillColour(0xFFFF0000);
    w.Rectangle(0, 0, 1000, 1000);
    std::vector<uint8_t> f = File(w);
    ASSERT_EQ(kOk, renderer.LoadData(uint32_t(f.size()), f.data()));
    EXPECT_EQ(kSliceNewPixels | kSliceIncomplete, Slice());
    EXPECT_EQ(0xFF0000u, At(50, 50));
    // a second, later object lands on top: the lower-left quarter (y upwards) turns blue
    DrawingWriter more(1, 5);
    more.FillColour(0xFF0000FF);
    more.Rectangle(0, 0, 500, 500);
    const uint8_t* records = more.Data() + 12; // without header and version
    ASSERT_EQ(kOk, renderer.LoadData(uint32_t(more.Size() - 12), records));
    EXPECT_EQ(kSliceNewPixels | kSliceIncomplete, Slice());
    EXPECT_EQ(0x0000FFu, At(10, 90));
    EXPECT_EQ(0xFF0000u, At(10, 10));
    EXPECT_EQ(0xFF0000u, At(90, 90));
    ASSERT_EQ(0, renderer.LoadData(0, nullptr));
    EXPECT_EQ(kSliceFinished, Slice());
}

TEST_F(Rendering, CorruptDataFinishesContextsAsIncomplete) {
    MakeContext();
    DrawingWriter w;
    w.Rectangle(0, 0, 10, 10);
    w.Bytes("\x04\x00\x01\x00\x00\x00\x07", 7); // fill rule 7
    std::vector<uint8_t> f = File(w);
    EXPECT_EQ(kCorruptFile, renderer.LoadData(uint32_t(f.size()), f.data()));
    EXPECT_EQ(kSliceNewPixels | kSliceFinished | kSliceIncomplete, Slice());
}

TEST_F(Rendering, SmoothingSelectsAntiAliasedEdges) {
    DrawingWriter w;
    w.FillColour(0xFF000000);
    w.Rectangle(0, 0, 505, 1000); // ends halfway through column 50
    Load(w);
    for (int32_t smoothed = 0; smoothed < 2; ++smoothed) {
        uint32_t h = 0;
        ASSERT_EQ(kOk, renderer.CreateRenderContext(100, 100, smoothed, pixels.data(), &h));
        DocRect view{0, 0, 1000, 1000};
        renderer.SetContextView(h, &view, 1);
        EXPECT_EQ(kSliceNewPixels | kSliceFinished,
                  renderer.RenderSlice(h, 200, 0, nullptr, nullptr, nullptr, nullptr));
        uint32_t edge = At(50, 50) & 0xFF;
        if (smoothed) {
            EXPECT_NEAR(0x80, int(edge), 2);
        } else {
            EXPECT_TRUE(edge == 0 || edge == 0xFF) << edge;
        }
        EXPECT_EQ(0u, At(49, 50));
        EXPECT_EQ(0xFFFFFFu, At(51, 50));
        renderer.DestroyRenderContext(h);
    }
}

// Small objects share a clock reading among a few; objects that each finish within a piece
// but do most of a piece's work read it every piece's work. 20 readings a slice never cover
// them all.
TEST_F(Rendering, SlicesStopAtTheirBudget) {
    struct Case {
        const char* name;
        int32_t objects;
        int32_t lines; // 0: an ellipse
        int32_t minimumSlices;
    } const cases[] = {{"small ellipses", 500, 0, 3}, {"flat zigzags of 300 lines", 200, 300, 5}};
    for (const Case& c : cases) {
        DrawingWriter w;
        for (int i = 0; i < c.objects; ++i) {
            w.FillColour(0xFF000000 | uint32_t(i * 997));
            if (c.lines == 0) {
                w.Ellipse(500, 500, 100 + i, 400);
                continue;
            }
            w.MoveTo(0, 0);
            for (int k = 0; k < c.lines; ++k) {
                w.LineTo(k * 1000 / c.lines, k % 2 ? 520 : 480 + i % 7);
            }
            w.Close();
            w.EndPath();
        }
        DrawingRenderer renderer; // a fresh one per case
        std::vector<uint8_t> f = File(w);
        ASSERT_EQ(kOk, renderer.LoadData(uint32_t(f.size()), f.data()));
        ASSERT_LE(0, renderer.LoadData(0, nullptr));
        FakeClock clock;
        clock.step = 1; // every reading of the clock takes a millisecond
        renderer.SetClock(&FakeClock::Read, &clock);
        const DocRect view{0, 0, 1000, 1000};
        ASSERT_EQ(kOk, renderer.CreateRenderContext(100, 100, 1, pixels.data(), &handle));
        ASSERT_EQ(kOk, renderer.SetContextView(handle, &view, 1));
        int32_t slices = 0, r = 0;
        int32_t drawn = 0, known = 0;
        do {
            r = renderer.RenderSlice(handle, 20, 0, nullptr, &drawn, &known, nullptr);
            ++slices;
            ASSERT_GE(r, 0) << c.name;
        } while (!(r & kSliceFinished) && slices < 10000);
        EXPECT_EQ(c.objects, known) << c.name;
        EXPECT_EQ(c.objects, drawn) << c.name;
        EXPECT_GE(slices, c.minimumSlices) << c.name;
        EXPECT_EQ(kSliceNewPixels | kSliceFinished, r) << c.name;
    }
}

TEST_F(Rendering, OneHugeObjectIsDrawnAcrossSlicesWithThePixelsOfOne) {
    // A long filled and stroked path of curves with round joins: its preparation alone is far
    // more than a slice's work.
    DrawingWriter w;
    w.FillColour(0xC0208040);
    w.Stroke(0xFF102030, 15, kJoinRound, kCapRound);
    w.MoveTo(500, 500);
    uint32_t seed = 12345;
    auto next = [&seed](int32_t range) {
        seed = seed * 1103515245u + 12345u;
        return int32_t((seed >> 8) % uint32_t(range));
    };
    for (int i = 0; i < 1500; ++i) {
        int32_t x = 50 + next(900), y = 50 + next(900);
        w.CubicTo(x + next(200) - 100, y + next(200) - 100, x + next(200) - 100,
                  y + next(200) - 100, x, y);
    }
    w.Close();
    w.EndPath();
    Load(w);
    // One slice with time enough for everything.
    MakeContext();
    EXPECT_EQ(kSliceNewPixels | kSliceFinished, Slice(100000));
    std::vector<uint32_t> whole = pixels;
    EXPECT_GE(RedrawInSlicesOfOnePiece(DocRect{0, 0, 1000, 1000}), 10)
        << "the object was drawn in too few pieces";
    EXPECT_TRUE(whole == pixels);
    // A context given up in the middle of the object hands its working memory to the next one,
    // which draws the same pixels.
    DocRect view{0, 0, 1000, 1000};
    ASSERT_EQ(kOk, renderer.SetContextView(handle, &view, 1));
    for (int i = 0; i < 5; ++i) {
        ASSERT_EQ(0, Slice(1) & kSliceFinished);
    }
    ASSERT_EQ(kOk, renderer.DestroyRenderContext(handle));
    std::fill(pixels.begin(), pixels.end(), 0x12345678u);
    MakeContext();
    int32_t r = 0;
    for (int slices = 0; r >= 0 && !(r & kSliceFinished) && slices < 1000; ++slices) {
        r = Slice(100000);
    }
    EXPECT_TRUE(whole == pixels);
}

TEST_F(Rendering, AFarReachingObjectIsCutAcrossSlicesWithThePixelsOfOne) {
    // Curves that swing between the buffer and two billion pixels away, filled and stroked: the
    // path is flattened and cut down to the scan converter's range, which is itself far more
    // than a slice's work (only the curves that pass the buffer are flattened finely: there
    // are enough of them).
    DrawingWriter w;
    w.FillColour(0xC0208040);
    w.FillRule(kEvenOdd);
    w.Stroke(0xFF102030, 1, kJoinRound, kCapRound);
    w.MoveTo(50, 50);
    uint32_t seed = 777;
    auto next = [&seed](int32_t range) {
        seed = seed * 1103515245u + 12345u;
        return int32_t((seed >> 8) % uint32_t(range));
    };
    for (int i = 0; i < 600; ++i) {
        int32_t reach = (next(2) == 0 ? -1 : 1) * (1000000000 + next(1000000000));
        if (i % 4 != 0) {
            // across the scan converter's range, above the buffer
            w.CubicTo(reach, 1000 + next(1000000), -reach, 1000 + next(1000000),
                      next(1000000) - 500000, 1000 + next(1000000));
            continue;
        }
        int32_t x = next(100), y = next(100);
        w.LineTo(reach, x * 1000);
        w.CubicTo(reach, y, -reach, x, x, y);
    }
    w.Close();
    w.EndPath();
    Load(w);
    MakeContext(DocRect{0, 0, 100, 100});
    EXPECT_EQ(kSliceNewPixels | kSliceFinished, Slice(100000));
    std::vector<uint32_t> whole = pixels;
    int32_t white = 0, stroke = 0;
    for (int32_t row = 0; row < 100; ++row) {
        for (int32_t column = 0; column < 100; ++column) {
            white += At(column, row) == 0xFFFFFFu;
            stroke += At(column, row) == 0x102030u;
        }
    }
    EXPECT_GT(white, 0) << "the fill should leave gaps";
    EXPECT_GT(stroke, 0) << "the stroke should cross the buffer";
    EXPECT_GE(RedrawInSlicesOfOnePiece(DocRect{0, 0, 100, 100}), 10)
        << "the object was cut in too few pieces";
    EXPECT_TRUE(whole == pixels);
}

TEST_F(Rendering, PixelAlignedRectanglesFillWholePixels) {
    DrawingWriter w;
    w.FillColour(0xFF00FF00); // covers the buffer: no white under it
    w.Rectangle(-50, -50, 150, 150);
    w.FillColour(0xFFFF0000);
    w.Rectangle(10, 10, 30, 40);
    w.FillColour(0x800000FF); // translucent, drawn without a path
    w.MoveTo(60, 60);
    w.LineTo(60, 70);
    w.LineTo(80, 70);
    w.LineTo(80, 60);
    w.LineTo(60, 60);
    w.EndPath();
    Load(w);
    MakeContext(DocRect{0, 0, 100, 100});
    EXPECT_EQ(kSliceNewPixels | kSliceFinished, Slice());
    // columns 10-29, rows 10-39 from the bottom = 60-89 from the top
    EXPECT_EQ(0xFF0000u, At(10, 89));
    EXPECT_EQ(0xFF0000u, At(29, 60));
    EXPECT_EQ(0x00FF00u, At(9, 89));
    EXPECT_EQ(0x00FF00u, At(30, 60));
    EXPECT_EQ(0x00FF00u, At(10, 59));
    EXPECT_EQ(0x00FF00u, At(10, 90));
    uint32_t blend = At(70, 35);
    EXPECT_NEAR(0x00, int((blend >> 16) & 0xFF), 1);
    EXPECT_NEAR(0x7F, int((blend >> 8) & 0xFF), 2);
    EXPECT_NEAR(0x80, int(blend & 0xFF), 2);
    EXPECT_EQ(0x00FF00u, At(70, 40));
}

TEST_F(Rendering, FarReachingGeometryIsCutNotWrapped) {
    // one document unit to the pixel: these shapes reach two billion pixels past the buffer
    DrawingWriter w;
    w.FillColour(0xFFFF0000);
    w.Rectangle(-2000000000, -2000000000, 2000000000, 50);
    w.FillColour(0);
    w.Stroke(0xFF0000FF, 10, kJoinMiter, kCapButt);
    w.MoveTo(-2000000000, 75);
    w.LineTo(2000000000, 75);
    w.EndPath();
    w.FillColour(0xFF00FF00);
    w.NoStroke();
    w.MoveTo(-2000000000, 2000000000);
    // dips to y 90 in the middle: 2e9 / 4 + 3 c / 4 = 90
    w.CubicTo(0, -666666547, 0, -666666547, 2000000000, 2000000000);
    w.Close();
    w.EndPath();
    Load(w);
    MakeContext(DocRect{0, 0, 100, 100});
    EXPECT_EQ(kSliceNewPixels | kSliceFinished, Slice());
    EXPECT_EQ(0xFF0000u, At(10, 80)); // y 19: in the rectangle
    EXPECT_EQ(0xFF0000u, At(90, 60));
    EXPECT_EQ(0x0000FFu, At(50, 25)); // y 74: on the stroke
    EXPECT_EQ(0xFFFFFFu, At(50, 35)); // y 64: white
    EXPECT_EQ(0x00FF00u, At(50, 1));  // y 98: above the curve's lowest point
    EXPECT_EQ(0xFFFFFFu, At(50, 15)); // y 84: below it
    // the same answers from the hyperlink test's geometry path
    RenderMatrix m = MatrixForView(100, 100, DocRect{0, 0, 100, 100}, 1);
    int32_t length = 0;
    char text[8];
    EXPECT_EQ(1, renderer.GetHyperlinkAt(50, 60, m, 16, 8, &length, text));
}

TEST_F(Rendering, ContextsAreIndependentAndHandlesAreChecked) {
    DrawingWriter w;
    w.FillColour(0xFF00FF00);
    w.Rectangle(0, 0, 1000, 1000);
    Load(w);
    std::vector<uint32_t> other(10 * 11);
    uint32_t second = 0;
    MakeContext(DocRect{2000, 2000, 3000, 3000}); // shows nothing of the square
    ASSERT_EQ(kOk, renderer.CreateRenderContext(10, 10, 1, other.data(), &second));
    DocRect view{0, 0, 1000, 1000};
    ASSERT_EQ(kOk, renderer.SetContextView(second, &view, 1));
    EXPECT_NE(handle, second);
    EXPECT_EQ(kSliceNewPixels | kSliceFinished, Slice());
    EXPECT_EQ(kSliceNewPixels | kSliceFinished,
              renderer.RenderSlice(second, 200, 0, nullptr, nullptr, nullptr, nullptr));
    EXPECT_EQ(0xFFFFFFu, At(50, 50));
    EXPECT_EQ(0x00FF00u, PixelAt(other, 10, 10, 5, 5));
    EXPECT_EQ(kOk, renderer.DestroyRenderContext(second));
    EXPECT_EQ(kBadHandle, renderer.DestroyRenderContext(second));
    EXPECT_EQ(kBadHandle, renderer.RenderSlice(second, 200, 0, nullptr, nullptr, nullptr, nullptr));
    RenderMatrix m{1, 1, 1, 1, 1, 1};
    EXPECT_EQ(kBadHandle, renderer.GetContextMatrix(0, &m));
    EXPECT_EQ(0, m.a);
    EXPECT_EQ(kBadHandle, renderer.SetContextView(0, &view, 1));
    EXPECT_EQ(kNullPointer, renderer.CreateRenderContext(10, 10, 1, nullptr, &second));
}

TEST_F(Rendering, DefaultViewWaitsForItsRecordOrTheEnd) {
    DocRect view{};
    int32_t flag = 7;
    renderer.GetDefaultView(&view, &flag);
    EXPECT_EQ(kDocRectNotSet, view.x1);
    DrawingWriter w;
    w.Rectangle(10, 20, 30, 40);
    std::vector<uint8_t> f = File(w);
    ASSERT_EQ(kOk, renderer.LoadData(uint32_t(f.size()), f.data()));
    renderer.GetDefaultView(&view, &flag);
    EXPECT_EQ(kDocRectNotSet, view.x1);
    ASSERT_EQ(0, renderer.LoadData(0, nullptr));
    // no default view in the file: the box of what it draws
    ASSERT_EQ(kOk, renderer.GetDefaultView(&view, &flag));
    EXPECT_EQ(10, view.x0);
    EXPECT_EQ(40, view.y1);
    EXPECT_EQ(1, flag);
    // the page's view wins
    DocRect page{0, 0, 5, 5};
    ASSERT_EQ(kOk, renderer.SetDefaultView(&page, 0));
    ASSERT_EQ(kOk, renderer.GetDefaultView(&view, &flag));
    EXPECT_EQ(5, view.x1);
    EXPECT_EQ(0, flag);
    DocRect bad{0, 0, kDocRectNotSet, 0};
    EXPECT_EQ(kInvalidArgument, renderer.SetDefaultView(&bad, 1));
}

TEST_F(Rendering, DefaultViewRecordIsGivenAsSoonAsItArrives) {
    DrawingWriter w;
    w.DefaultView(DocRect{-5, -6, 7, 8}, 0);
    std::vector<uint8_t> f = File(w);
    ASSERT_EQ(kOk, renderer.LoadData(uint32_t(f.size()), f.data()));
    DocRect view{};
    int32_t flag = 1;
    ASSERT_EQ(kOk, renderer.GetDefaultView(&view, &flag));
    EXPECT_EQ(-5, view.x0);
    EXPECT_EQ(8, view.y1);
    EXPECT_EQ(0, flag);
}

// ---- gradients ------------------------------------------------------------------------------

struct GradientCase {
    const char* what;
    GradientPaint paint; // its stops from `stops`
    std::vector<GradientStop> stops;
};

// Every pixel of a view filled by a gradient against the colour computed at its centre: the
// centre is taken back through the context's matrix into the document and the gradient's frame.
TEST(GradientRendering, EveryPixelIsWithinAStepOfTheColourAtItsCentre) {
    const std::vector<GradientStop> three = {
        {0x1000, 0xFF20E040}, {0x9000, 0x80FFFFFF}, {0xE000, 0xFF101010}};
    const int32_t kMin = INT32_MIN, kMax = INT32_MAX;
    const GradientCase cases[] = {
        {"linear, turned",
         {kPaintFill, kGradientLinear, kSpreadPad, 100, 200, 800, 600, -300, 900, 0, 0, nullptr, 0},
         three},
        {"linear, skewed and repeated",
         {kPaintFill, kGradientLinear, kSpreadRepeat, 300, 300, 420, 350, 390, 480, 0, 0, nullptr,
          0},
         three},
        {"radial with a focus, reflected",
         {kPaintFill, kGradientRadial, kSpreadReflect, 500, 500, 800, 550, 450, 750, 19661, -32768,
          nullptr, 0},
         three},
        {"radial, focus outside, repeated",
         {kPaintFill, kGradientRadial, kSpreadRepeat, 400, 600, 550, 600, 400, 700, 131072, 0,
          nullptr, 0},
         {{0, 0xFFFF0000}, {0x10000, 0xFF0000FF}}},
        {"a frame at the ends of the coordinates",
         {kPaintFill, kGradientLinear, kSpreadPad, kMin, kMin, kMax, kMax, 0, 0, 0, 0, nullptr, 0},
         three},
        {"a frame without area",
         {kPaintFill, kGradientRadial, kSpreadPad, kMin, kMin, kMax, kMax, 1, 1, 0, 0, nullptr, 0},
         three},
    };
    const int32_t kSide = 100;
    for (const GradientCase& c : cases) {
        DrawingWriter w(1, kGradientMinor);
        GradientPaint paint = c.paint;
        paint.stops = c.stops.data();
        paint.stopCount = uint32_t(c.stops.size());
        w.Gradient(paint);
        w.Rectangle(-10, -10, 1010, 1010);
        std::vector<uint8_t> f = File(w);
        DrawingRenderer renderer;
        ASSERT_EQ(kOk, renderer.LoadData(uint32_t(f.size()), f.data()));
        ASSERT_EQ(0, renderer.LoadData(0, nullptr));
        std::vector<uint32_t> pixels(kSide * kSide);
        uint32_t h = 0;
        DocRect view{0, 0, 1000, 1000};
        ASSERT_EQ(kOk, renderer.CreateRenderContext(kSide, kSide, 1, pixels.data(), &h));
        ASSERT_EQ(kOk, renderer.SetContextView(h, &view, 1));
        ASSERT_EQ(kSliceNewPixels | kSliceFinished,
                  renderer.RenderSlice(h, 1000, 0, nullptr, nullptr, nullptr, nullptr));
        RenderMatrix m{};
        renderer.GetContextMatrix(h, &m);
        gradientref::Gradient ref{paint.kind == kGradientRadial,
                                  paint.spread,
                                  paint.fx / 65536.0,
                                  paint.fy / 65536.0,
                                  {}};
        for (const GradientStop& s : c.stops) {
            ref.stops.push_back(gradientref::Stop{s.offset, s.argb});
        }
        const double ax = double(paint.ux) - paint.ox, ay = double(paint.uy) - paint.oy;
        const double bx = double(paint.vx) - paint.ox, by = double(paint.vy) - paint.oy;
        const double det = ax * by - ay * bx, one = double(int64_t(1) << 30);
        double worst = 0;
        for (int32_t row = 0; row < kSide; ++row) { // from the bottom
            for (int32_t column = 0; column < kSide; ++column) {
                const double x = ((column + 0.5) * one - double(m.e)) / m.a - paint.ox;
                const double y = ((row + 0.5) * one - double(m.f)) / m.d - paint.oy;
                double colour[4], bgr[3];
                if (det == 0) {
                    gradientref::ColourAt(ref, 1, colour);
                } else {
                    const double u = (x * by - y * bx) / det, v = (ax * y - ay * x) / det;
                    gradientref::ColourAt(ref, gradientref::ParameterAt(ref, u, v), colour);
                }
                gradientref::Over(colour, 0xFFFFFF, 1, bgr);
                const double d =
                    gradientref::Difference(pixels[size_t(row) * kSide + size_t(column)], bgr);
                worst = d > worst ? d : worst;
            }
        }
        EXPECT_LE(worst, 1.0) << c.what;
    }
}

TEST_F(Rendering, GradientStrokesAreDrawnWhateverTheStrokeColour) {
    const GradientStop stops[] = {{0, 0xFF0000FF}, {0x10000, 0xFF0000FF}};
    DrawingWriter w(1, kGradientMinor);
    w.FillColour(0);
    w.Stroke(0, 100, kJoinMiter, kCapButt);
    w.Gradient(GradientPaint{kPaintStroke, kGradientLinear, kSpreadPad, 0, 0, 1000, 0, 0, 1000, 0,
                             0, stops, 2});
    w.Rectangle(200, 200, 800, 800);
    w.Stroke(0xFFFF0000, 100, kJoinMiter, kCapButt); // the solid record ends the gradient
    w.Rectangle(400, 400, 600, 600);
    Load(w);
    MakeContext();
    Slice(1000);
    EXPECT_EQ(0x0000FFu, At(20, 50)) << "on the stroke";
    EXPECT_EQ(0xFFFFFFu, At(30, 50)) << "inside: not filled";
    EXPECT_EQ(0xFF0000u, At(40, 50)) << "the second stroke";
}

TEST_F(Rendering, GradientsAreDrawnAcrossSlicesWithThePixelsOfOne) {
    std::vector<GradientStop> stops;
    for (uint32_t i = 0; i < 40; ++i) {
        stops.push_back(GradientStop{i * 1600, 0x80000000u | (i * 0x0612F3u)});
    }
    DrawingWriter w(1, kGradientMinor);
    w.Stroke(0xFF000000, 30, kJoinRound, kCapRound);
    for (int32_t i = 0; i < 40; ++i) {
        const uint8_t target = i % 3 == 2 ? kPaintStroke : kPaintFill;
        const uint8_t kind = i % 2 ? kGradientRadial : kGradientLinear;
        const int32_t focus = kind == kGradientRadial ? 20000 : 0;
        w.Gradient(GradientPaint{target, kind, uint8_t(i % 3), 100 * i, 50, 300 + 50 * i, 200,
                                 40 * i, 400, focus, -focus, stops.data(), uint32_t(stops.size())});
        w.Ellipse(500, 500, 480 - 10 * i, 200 + 7 * i);
    }
    Load(w);
    MakeContext();
    EXPECT_EQ(kSliceNewPixels | kSliceFinished, Slice(100000));
    std::vector<uint32_t> whole = pixels;
    EXPECT_GE(RedrawInSlicesOfOnePiece(DocRect{0, 0, 1000, 1000}), 5);
    EXPECT_TRUE(whole == pixels);
}

// ---- hyperlinks -----------------------------------------------------------------------------

struct LinkCase {
    const char* what;
    int32_t x, y;
    const char* expected; // "" for none
};

TEST_F(Rendering, HyperlinksFindTheTopmostLinkedObject) {
    DrawingWriter w(1, kGradientMinor);
    w.Link("under");
    w.FillColour(0xFF808080);
    w.Rectangle(0, 0, 100000, 100000);
    w.Link("over");
    w.Rectangle(50000, 50000, 100000, 100000);
    w.Link(nullptr);
    w.Rectangle(90000, 90000, 100000, 100000); // unlinked objects do not hide links
    w.Link("line");
    w.FillColour(0);
    w.Stroke(0xFF000000, 1500, kJoinMiter, kCapButt);
    w.MoveTo(200000, 0);
    w.LineTo(200000, 100000);
    w.EndPath();
    w.Link("ring");
    w.FillColour(0xFF000000);
    w.NoStroke();
    w.FillRule(kEvenOdd);
    w.MoveTo(300000, 0);
    w.LineTo(400000, 0);
    w.LineTo(400000, 100000);
    w.LineTo(300000, 100000);
    w.Close();
    w.MoveTo(320000, 20000);
    w.LineTo(380000, 20000);
    w.LineTo(380000, 80000);
    w.LineTo(320000, 80000);
    w.Close();
    w.EndPath();
    // a gradient paints whatever the colour records say: the look-up goes by the geometry
    const GradientStop stops[] = {{0, 0x00FFFFFF}, {0x10000, 0x00000000}};
    w.Link("shaded");
    w.FillColour(0);
    w.FillRule(kNonZero);
    w.Gradient(
        GradientPaint{kPaintFill, kGradientLinear, kSpreadPad, 0, 0, 9, 0, 0, 9, 0, 0, stops, 2});
    w.Rectangle(500000, 0, 600000, 100000);
    w.Link("shaded line");
    w.FillColour(0);
    w.Stroke(0, 1500, kJoinMiter, kCapButt);
    w.Gradient(
        GradientPaint{kPaintStroke, kGradientRadial, kSpreadPad, 0, 0, 9, 0, 0, 9, 0, 0, stops, 2});
    w.MoveTo(700000, 0);
    w.LineTo(700000, 100000);
    w.EndPath();
    Load(w);
    // 750 units to the pixel; tolerance 16 = 2 pixels = 1500 units
    RenderMatrix m = MatrixForView(1000, 1000, DocRect{0, 0, 750000, 750000}, 1);
    const LinkCase cases[] = {
        {"inside the lower square", 10000, 10000, "under"},
        {"inside both squares", 60000, 60000, "over"},
        {"under the unlinked square", 95000, 95000, "over"},
        {"outside everything", 150000, 50000, ""},
        {"on the line", 200000, 50000, "line"},
        {"beside the line within its half width and the tolerance", 201400, 50000, "line"},
        {"beside the line beyond the tolerance", 200000 + 750 + 1500 + 800, 50000, ""},
        {"just outside the square within the tolerance", 101000, 10000, "under"},
        {"in the ring", 310000, 50000, "ring"},
        {"in the ring's hole", 350000, 50000, ""},
        {"in a square filled by a gradient", 550000, 50000, "shaded"},
        {"on a line stroked by a gradient", 700000, 50000, "shaded line"},
        {"beside it", 705000, 50000, ""},
    };
    for (const LinkCase& c : cases) {
        char text[256];
        int32_t length = -1;
        renderer.GetHyperlinkAt(c.x, c.y, m, 16, 256, &length, text);
        EXPECT_EQ(std::string(c.expected), std::string(text, size_t(length))) << c.what;
    }
    // at most the capacity is written; the full length comes back
    char small[3] = {'x', 'x', 'x'};
    int32_t length = 0;
    EXPECT_EQ(kOk, renderer.GetHyperlinkAt(10000, 10000, m, 16, 2, &length, small));
    EXPECT_EQ(5, length);
    EXPECT_EQ('u', small[0]);
    EXPECT_EQ('n', small[1]);
    EXPECT_EQ('x', small[2]);
    // pushing the picture moves the offsets, not the answer
    RenderMatrix pushed = m;
    pushed.e -= int64_t(37) << 30;
    pushed.f += int64_t(11) << 30;
    char text[256];
    EXPECT_EQ(kOk, renderer.GetHyperlinkAt(201400, 50000, pushed, 16, 256, &length, text));
    EXPECT_EQ(4, length);
}

// ---- palette and conversion ------------------------------------------------------------------

TEST(Palette, HasTheSystemColoursAtBothEndsAndACubeBetween) {
    uint8_t table[256 * 4];
    DrawingRenderer renderer;
    ASSERT_EQ(kOk, renderer.GetPalette(0, table));
    auto rgb = [&table](int i) {
        return (uint32_t(table[i * 4]) << 16) | (uint32_t(table[i * 4 + 1]) << 8) |
               table[i * 4 + 2];
    };
    EXPECT_EQ(0x000000u, rgb(0));
    EXPECT_EQ(0x800000u, rgb(1));
    EXPECT_EQ(0xC0C0C0u, rgb(7));
    EXPECT_EQ(0xFFFBF0u, rgb(246));
    EXPECT_EQ(0xFF0000u, rgb(249));
    EXPECT_EQ(0xFFFFFFu, rgb(255));
    EXPECT_EQ(0x000000u, rgb(10));
    EXPECT_EQ(0x330000u, rgb(10 + 36));
    EXPECT_EQ(0xFFFFFFu, rgb(225));
    EXPECT_EQ(0x0A0A0Au, rgb(226)); // first grey: 10.2
    for (int i = 10; i < 246; ++i) {
        EXPECT_EQ(kPaletteNoCollapse, table[i * 4 + 3]) << i;
    }
    EXPECT_EQ(0, table[3]);
    EXPECT_EQ(kNullPointer, renderer.GetPalette(0, nullptr));
}

TEST(Palette, SolidColoursOfThePaletteConvertExactly) {
    uint8_t table[256 * 4];
    FillPalette(table);
    for (int i = 0; i < 256; ++i) {
        if (i >= 1 && i <= 9) {
            continue; // the dark system colours lie off the cube
        }
        if (i >= 226 && i <= 254) {
            continue; // the greys between the cube's levels are rounded; dark and light extras
        }
        for (int t = 0; t < 64; ++t) {
            uint8_t index = DitherToPalette(table[i * 4], table[i * 4 + 1], table[i * 4 + 2], t);
            ASSERT_EQ(0, memcmp(table + i * 4, table + index * 4, 3)) << i << " " << t;
        }
    }
}

TEST(Palette, DitherAveragesToTheColour) {
    uint8_t table[256 * 4];
    FillPalette(table);
    const uint8_t colours[][3] = {{100, 150, 200}, {77, 77, 77}, {250, 10, 128}, {1, 2, 3}};
    for (const auto& c : colours) {
        int32_t sum[3] = {0, 0, 0};
        for (int t = 0; t < 64; ++t) {
            uint8_t index = DitherToPalette(c[0], c[1], c[2], t);
            for (int k = 0; k < 3; ++k) {
                sum[k] += table[index * 4 + k];
            }
        }
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(c[k], sum[k] / 64.0, 3.0) << int(c[0]) << " channel " << k;
        }
    }
}

std::vector<uint8_t> Convert8(const std::vector<uint32_t>& source, int32_t w, int32_t h,
                              int32_t ox, int32_t oy) {
    std::vector<uint8_t> out(size_t((w + 3) & ~3) * size_t(h), 0xEE);
    EXPECT_EQ(kOk, ConvertPixels(w, h, ox, oy, 8, nullptr, source.data(), out.data()));
    return out;
}

TEST(ConvertBitmap, PatternFollowsTheOrigin) {
    // a flat mid colour shows the whole pattern
    const int32_t w = 24, h = 16;
    std::vector<uint32_t> flat(size_t(w) * h, 0x00667788);
    std::vector<uint8_t> base = Convert8(flat, w, h, 0, 0);
    const int32_t stride = (w + 3) & ~3;
    const int32_t shifts[][2] = {{3, 0}, {0, 5}, {-2, 7}, {11, -3}};
    for (const auto& s : shifts) {
        // the picture moved by (dx, dy) window pixels and its origin with it: the pixel now at
        // (x + dx, y + dy) shows the index the pixel at (x, y) showed
        std::vector<uint8_t> moved = Convert8(flat, w, h, s[0], s[1]);
        for (int32_t row = 0; row < h; ++row) {       // top-down window rows
            for (int32_t x = 0; x < w; ++x) {
                int32_t mx = x + s[0], my = row + s[1];
                if (mx < 0 || mx >= w || my < 0 || my >= h) {
                    continue;
                }
                uint8_t before = base[size_t(h - 1 - row) * stride + x];
                uint8_t after = moved[size_t(h - 1 - my) * stride + mx];
                ASSERT_EQ(before, after) << s[0] << "," << s[1] << " at " << x << "," << row;
            }
        }
    }
    // the pattern repeats every 8 pixels, so an origin moved by 8 changes nothing
    EXPECT_EQ(base, Convert8(flat, w, h, 8, -16));
    // row padding is written
    std::vector<uint32_t> narrow(3 * 2, 0x00FFFFFF);
    std::vector<uint8_t> out = Convert8(narrow, 3, 2, 0, 0);
    EXPECT_EQ(255, out[0]);
    EXPECT_EQ(0, out[3]);
}

TEST(ConvertBitmap, CopiesAt32BitsAndRejectsOtherDepths) {
    std::vector<uint32_t> source = {1, 2, 3, 4, 5, 6};
    std::vector<uint32_t> copy(6, 0);
    EXPECT_EQ(kOk, ConvertPixels(3, 2, 5, 5, 32, nullptr, source.data(), copy.data()));
    EXPECT_EQ(source, copy);
    EXPECT_EQ(kInvalidArgument, ConvertPixels(3, 2, 0, 0, 4, nullptr, source.data(), copy.data()));
    EXPECT_EQ(kNullPointer, ConvertPixels(3, 2, 0, 0, 8, nullptr, nullptr, copy.data()));
    EXPECT_EQ(kInvalidArgument, ConvertPixels(-1, 2, 0, 0, 8, nullptr, source.data(), copy.data()));
}

TEST(ConvertBitmap, AForeignTableIsMatchedByNearestColour) {
    uint8_t table[256 * 4] = {};
    table[4 * 1 + 0] = 255; // 1: red; everything else black
    std::vector<uint32_t> source = {0x00FF0000, 0x00000000, 0x00F00000, 0x00000010};
    std::vector<uint8_t> out(4 * 1);
    ASSERT_EQ(kOk, ConvertPixels(4, 1, 0, 0, 8, table, source.data(), out.data()));
    EXPECT_EQ(1, out[0]);
    EXPECT_EQ(1, out[2]);
    EXPECT_NE(1, out[1]);
    EXPECT_NE(1, out[3]);
}

} // namespace
} // namespace vemo
