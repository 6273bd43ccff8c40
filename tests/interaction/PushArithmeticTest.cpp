// Push scrolling's arithmetic: uncovered strips, large moves, matrix and view offsets, and the
// back-buffer pixel move with its white edges, at 8 and 32 bits.
#include <gtest/gtest.h>

#include <string.h>

#include <vector>

#include "interaction/DragGeometry.h"

void PrintTo(const TileRect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace {

struct StripCase {
    int32_t dx, dy;
    std::vector<TileRect> strips; // column strip first
};

TEST(PushStrips, OnlyTheUncoveredStripsAreRendered) {
    // A 200 x 100 window.
    const StripCase cases[] = {
        {10, 0, {{0, 0, 10, 100}}},
        {-10, 0, {{190, 0, 200, 100}}},
        {0, 5, {{0, 0, 200, 5}}},
        {0, -5, {{0, 95, 200, 100}}},
        {10, 5, {{0, 5, 10, 100}, {0, 0, 200, 5}}},
        {-10, -5, {{190, 0, 200, 95}, {0, 95, 200, 100}}},
        {10, -5, {{0, 0, 10, 95}, {0, 95, 200, 100}}},
        {-10, 5, {{190, 5, 200, 100}, {0, 0, 200, 5}}},
        {200, 100, {{0, 100, 200, 100}, {0, 0, 200, 100}}}, // the whole window
        {0, 0, {}},
    };
    for (const StripCase& c : cases) {
        TileRect strips[2];
        int32_t count = UncoveredStrips(200, 100, c.dx, c.dy, strips);
        ASSERT_EQ(count, int32_t(c.strips.size())) << c.dx << "," << c.dy;
        for (int32_t i = 0; i < count; ++i) {
            EXPECT_EQ(strips[i], c.strips[size_t(i)]) << c.dx << "," << c.dy << " strip " << i;
        }
    }
}

TEST(PushStrips, StripsAndTheKeptPictureCoverTheWindowOnce) {
    const int32_t width = 37, height = 23;
    const int32_t moves[][2] = {{3, 4}, {-5, 2}, {7, -9}, {-1, -1}, {36, 0}, {0, -22}};
    for (const auto& move : moves) {
        std::vector<int> covered(size_t(width * height), 0);
        TileRect strips[2];
        int32_t count = UncoveredStrips(width, height, move[0], move[1], strips);
        for (int32_t i = 0; i < count; ++i) {
            for (int32_t y = strips[i].top; y < strips[i].bottom; ++y) {
                for (int32_t x = strips[i].left; x < strips[i].right; ++x) {
                    ++covered[size_t(y * width + x)];
                }
            }
        }
        // The pixels that came from inside the window.
        for (int32_t y = 0; y < height; ++y) {
            for (int32_t x = 0; x < width; ++x) {
                int32_t fromX = x - move[0], fromY = y - move[1];
                if (fromX >= 0 && fromX < width && fromY >= 0 && fromY < height) {
                    ++covered[size_t(y * width + x)];
                }
            }
        }
        for (int32_t i = 0; i < width * height; ++i) {
            ASSERT_EQ(covered[size_t(i)], 1) << move[0] << "," << move[1] << " pixel " << i;
        }
    }
}

struct LargeCase {
    int32_t dx, dy;
    bool large;
};

TEST(PushStrips, OnlyMovesBeyondTheWindowRestart) {
    const LargeCase cases[] = {
        {200, 0, false}, {201, 0, true}, {-200, 0, false}, {-201, 0, true},   {250, 0, true},
        {0, 100, false}, {0, 101, true}, {0, -101, true},  {-32768, 0, true}, {0, 0, false},
    };
    for (const LargeCase& c : cases) {
        EXPECT_EQ(IsLargePush(200, 100, c.dx, c.dy), c.large) << c.dx << "," << c.dy;
    }
}

TEST(PushOffsets, MatrixOffsetsAndViewMoveWithThePicture) {
    struct Case {
        int32_t dx, dy;
        int64_t e, f;
    } cases[] = {
        {10, 0, 5 - 10 * (int64_t(1) << 30), 7},
        {-3, 4, 5 + 3 * (int64_t(1) << 30), 7 - 4 * (int64_t(1) << 30)},
        {0, 0, 5, 7},
    };
    for (const Case& c : cases) {
        RenderMatrix m{11, 12, 13, 14, 5, 7};
        ShiftMatrix(&m, c.dx, c.dy);
        EXPECT_EQ(m.e, c.e) << c.dx;
        EXPECT_EQ(m.f, c.f) << c.dy;
        EXPECT_EQ(m.a, 11) << "the scales stay";
        EXPECT_EQ(m.d, 14);
    }

    DocRect view{100, 200, 300, 400};
    MoveViewBy(&view, 7500, -750);
    EXPECT_EQ(view.x0, 100 - 7500);
    EXPECT_EQ(view.x1, 300 - 7500);
    EXPECT_EQ(view.y0, 200 + 750);
    EXPECT_EQ(view.y1, 400 + 750);
    DocRect edge{INT32_MAX - 5, 0, INT32_MAX, 10};
    MoveViewBy(&edge, -10, 0);
    EXPECT_EQ(edge.x1, INT32_MIN + 9) << "no limits: the view wraps like the window arithmetic";
}

// A bottom-up bitmap of w x h at `depth` bits whose pixel (x, row) holds a value made from its
// place, never white.
struct Bitmap {
    int32_t width, height, depth, stride;
    std::vector<uint8_t> bytes;

    Bitmap(int32_t w, int32_t h, int32_t d) : width(w), height(h), depth(d) {
        stride = ((w * d + 31) / 32) * 4;
        bytes.assign(size_t(stride) * size_t(h + 1), 0xAB);
        for (int32_t row = 0; row < h; ++row) {
            for (int32_t x = 0; x < w; ++x) {
                Set(x, row, Original(x, row));
            }
        }
    }
    uint32_t Original(int32_t x, int32_t row) const {
        return depth == 8 ? uint32_t((x * 7 + row * 3) % 250)
                          : uint32_t(0x00010000 * x + 0x100 * row + 0x2A);
    }
    uint32_t White() const { return depth == 8 ? 0xFFu : 0x00FFFFFFu; }
    uint32_t At(int32_t x, int32_t row) const {
        const uint8_t* p = &bytes[size_t(row * stride + x * depth / 8)];
        if (depth == 8) {
            return *p;
        }
        uint32_t v;
        memcpy(&v, p, 4);
        return v;
    }
    void Set(int32_t x, int32_t row, uint32_t v) {
        uint8_t* p = &bytes[size_t(row * stride + x * depth / 8)];
        if (depth == 8) {
            *p = uint8_t(v);
        } else {
            memcpy(p, &v, 4);
        }
    }
};

struct ShiftCase {
    int32_t dx, dyRows;
};

TEST(BackBufferShift, PixelsMoveAndUncoveredEdgesTurnWhite) {
    const ShiftCase cases[] = {{10, 0}, {-10, 0}, {0, 5},   {0, -5}, {10, -5}, {-10, 5},
                               {3, 7},  {-1, -1}, {199, 0}, {0, 99}, {0, 0}};
    for (int32_t depth : {8, 32}) {
        // 8-bit rows of a 198-pixel width are padded; the padding must not leak in.
        for (int32_t width : {200, 198}) {
            for (const ShiftCase& c : cases) {
                Bitmap b(width, 100, depth);
                ShiftPixels(b.bytes.data(), width, 100, depth, c.dx, c.dyRows);
                for (int32_t row = 0; row < 100; ++row) {
                    for (int32_t x = 0; x < width; ++x) {
                        int32_t fromX = x - c.dx, fromRow = row - c.dyRows;
                        bool kept = fromX >= 0 && fromX < width && fromRow >= 0 && fromRow < 100;
                        uint32_t expected = kept ? b.Original(fromX, fromRow) : b.White();
                        ASSERT_EQ(b.At(x, row), expected)
                            << "depth " << depth << " width " << width << " move " << c.dx << ","
                            << c.dyRows << " at " << x << "," << row;
                    }
                }
            }
        }
    }
}

TEST(BackBufferShift, MovesBeyondTheBitmapLeaveItWhite) {
    const ShiftCase cases[] = {{250, 0}, {-250, 0}, {0, 101}, {0, -300}, {200, 100}, {-200, -100}};
    for (int32_t depth : {8, 32}) {
        for (const ShiftCase& c : cases) {
            Bitmap b(200, 100, depth);
            ShiftPixels(b.bytes.data(), 200, 100, depth, c.dx, c.dyRows);
            for (int32_t row = 0; row < 100; ++row) {
                for (int32_t x = 0; x < 200; ++x) {
                    ASSERT_EQ(b.At(x, row), b.White())
                        << depth << " " << c.dx << "," << c.dyRows << " at " << x << "," << row;
                }
            }
        }
    }
}

TEST(BackBufferShift, NothingHappensWithoutUsablePixels) {
    Bitmap b(20, 10, 8);
    std::vector<uint8_t> before = b.bytes;
    ShiftPixels(b.bytes.data(), 20, 10, 4, 5, 5); // below 8 bits
    ShiftPixels(nullptr, 20, 10, 8, 5, 5);
    ShiftPixels(b.bytes.data(), 0, 10, 8, 5, 5);
    ShiftPixels(b.bytes.data(), 20, -1, 8, 5, 5);
    EXPECT_EQ(b.bytes, before);
}

} // namespace
