// An object is drawn in pieces of bounded work; where the pieces end must not show in the
// pixels. Objects near the buffer and objects reaching far past it (whose paths are cut down to
// the scan converter's range first) are drawn with piece sizes from one unit up to unlimited.
#include <gtest/gtest.h>

#include <stdint.h>
#include <vector>

#include "renderer/Document.h"
#include "renderer/DrawingFormat.h"
#include "renderer/DrawingParser.h"
#include "renderer/DrawingWriter.h"
#include "renderer/RasterBridge.h"
#include "renderer/ViewMath.h"

namespace vemo {
namespace {

constexpr int32_t kSide = 64;

struct Lcg {
    uint32_t seed;
    int32_t Next(int32_t range) {
        seed = seed * 1103515245u + 12345u;
        return int32_t((seed >> 8) % uint32_t(range));
    }
};

// Curves that swing between the buffer (document units 0 to kSide) and `reach` units away, to
// the right only when `rightOnly` is set.
void SwingingPath(DrawingWriter& w, int32_t reach, bool rightOnly, int32_t curves,
                  uint32_t seed) {
    Lcg r{seed};
    w.MoveTo(kSide / 2, kSide / 2);
    for (int32_t i = 0; i < curves; ++i) {
        int32_t distance = reach / 2 + r.Next(reach / 2);
        int32_t x = r.Next(kSide), y = r.Next(kSide);
        if (!rightOnly && r.Next(2) == 0) {
            distance = -distance;
        }
        if (i % 4 == 0) {
            w.LineTo(distance, y);
        }
        w.CubicTo(distance, y, rightOnly ? distance : -distance, x, x, y);
    }
}

struct PieceCase {
    const char* name;
    int32_t reach;
    uint8_t fillRule;
    uint8_t join;
    uint8_t cap;
    bool closed;
    bool rightOnly;
};

const PieceCase kCases[] = {
    {"near, non-zero, miter, closed", 200, kNonZero, kJoinMiter, kCapButt, true, true},
    {"near, even-odd, round, open", 200, kEvenOdd, kJoinRound, kCapRound, false, false},
    {"far, non-zero, bevel, closed", 2000000000, kNonZero, kJoinBevel, kCapSquare, true, true},
    {"far, even-odd, round, open", 2000000000, kEvenOdd, kJoinRound, kCapRound, false, false},
    {"far, even-odd, miter, closed", 1500000000, kEvenOdd, kJoinMiter, kCapButt, true, true},
};

std::vector<uint32_t> Draw(const Document& doc, int32_t work) {
    std::vector<uint32_t> pixels(size_t(kSide) * kSide, 0x00FFFFFF);
    RenderMatrix m = MatrixForView(kSide, kSide, DocRect{0, 0, kSide, kSide}, 1);
    ObjectPainter painter;
    for (size_t i = 0; i < doc.objects.Size(); ++i) {
        EXPECT_EQ(1, painter.Begin(doc, doc.objects[i], m, pixels.data(), kSide, kSide, 1));
        int32_t steps = 0;
        while (painter.Step(work) == 0) {
            ++steps;
            if (steps > 10000000) {
                ADD_FAILURE() << "no end in sight";
                break;
            }
        }
    }
    return pixels;
}

TEST(ObjectPieces, WherePiecesEndDoesNotShow) {
    for (const PieceCase& c : kCases) {
        // the fill alone, the stroke alone, then both
        for (int32_t paint = 1; paint <= 3; ++paint) {
            DrawingWriter w;
            w.FillColour((paint & 1) != 0 ? 0xC0208040 : 0);
            w.FillRule(c.fillRule);
            w.Stroke((paint & 2) != 0 ? 0xFF102030 : 0, 1, c.join, c.cap);
            SwingingPath(w, c.reach, c.rightOnly, 24, 99);
            if (c.closed) {
                w.Close();
            }
            SwingingPath(w, c.reach, c.rightOnly, 8, 7); // a second subpath
            w.EndPath();
            Document doc;
            DrawingParser parser(doc);
            ASSERT_EQ(0, parser.Feed(w.Data(), uint32_t(w.Size()))) << c.name;
            ASSERT_LE(0, parser.Finish()) << c.name;
            ASSERT_EQ(1u, doc.objects.Size()) << c.name;

            std::vector<uint32_t> whole = Draw(doc, INT32_MAX);
            size_t inked = 0;
            for (uint32_t p : whole) {
                inked += p != 0x00FFFFFFu;
            }
            EXPECT_GT(inked, whole.size() / 10) << c.name << ", paint " << paint
                                                << ": the object should reach the buffer";
            EXPECT_LT(inked, whole.size() * 9 / 10) << c.name << ", paint " << paint
                                                    << ": the object should leave gaps";
            for (int32_t work : {1, 7, 1000}) {
                EXPECT_TRUE(Draw(doc, work) == whole)
                    << c.name << ", paint " << paint << ", pieces of " << work;
            }
        }
    }
}

} // namespace
} // namespace vemo
