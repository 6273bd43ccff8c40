// Span compositing: the SSE2 routines give the scalar routines' pixels, byte for byte, and the
// scalar ones the exact rounded source-over.
#include "renderer/raster/RasterComposite.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Random {
    uint64_t state = 0x2545F4914F6CDD1Dull;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 32);
    }
};

// Pixels of every kind: random, and the extremes that rounding gets wrong first.
std::vector<uint32_t> Destination(Random& r, int32_t n) {
    std::vector<uint32_t> d(size_t(n) + 2);
    for (uint32_t& v : d) {
        switch (r.Next() % 4) {
        case 0: v = 0; break;
        case 1: v = 0xFFFFFFFFu; break;
        default: v = r.Next(); break;
        }
    }
    return d;
}

TEST(RasterComposite, ScalarBlendIsTheRoundedSourceOver) {
    const uint32_t colours[] = {0xFF000000u, 0x80FFFFFFu, 0x12345678u, 0xFFFF00FFu};
    for (uint32_t c : colours)
        for (uint32_t d : {0u, 0xFFFFFFFFu, 0x7F80817Eu})
            for (uint32_t a = 1; a < 255; a += 7) {
                uint32_t p = d;
                BlendRowScalar(&p, 1, MakeSolidSource(c), a);
                for (int32_t sh = 0; sh < 32; sh += 8) {
                    const uint32_t s = sh == 24 ? 255 : (c >> sh) & 255;
                    const double exact = (s * a + ((d >> sh) & 255) * (255.0 - a)) / 255.0;
                    EXPECT_EQ(uint32_t(exact + 0.5), (p >> sh) & 255) << std::hex << c << " " << d;
                }
            }
}

#if VEMO_RASTER_SSE2
TEST(RasterComposite, VectorRoutinesMatchScalarOnes) {
    Random r;
    for (int32_t round = 0; round < 3000; ++round) {
        const int32_t n = int32_t(r.Next() % 70);
        const int32_t offset = int32_t(r.Next() % 3); // unaligned starts
        const uint32_t colour = r.Next();
        const uint32_t a = round % 5 == 0 ? 255 : r.Next() % 256;
        const SolidSource s = MakeSolidSource(colour);
        std::vector<uint8_t> cover(size_t(n) + 4);
        for (uint8_t& c : cover) {
            const uint32_t k = r.Next() % 4;
            c = uint8_t(k == 0 ? 0 : k == 1 ? 255 : r.Next());
        }
        const std::vector<uint32_t> d = Destination(r, n);
        for (int32_t kind = 0; kind < 3; ++kind) {
            std::vector<uint32_t> scalar = d, vector = d;
            switch (kind) {
            case 0:
                FillRowScalar(scalar.data() + offset, n - offset > 0 ? n - offset : 0, s.colour);
                FillRowSse2(vector.data() + offset, n - offset > 0 ? n - offset : 0, s.colour);
                break;
            case 1:
                if (a == 0 || a == 255)
                    continue;
                BlendRowScalar(scalar.data() + offset, n - offset > 0 ? n - offset : 0, s, a);
                BlendRowSse2(vector.data() + offset, n - offset > 0 ? n - offset : 0, s, a);
                break;
            default:
                BlendCoverScalar(scalar.data() + offset, cover.data(), n - offset > 0 ? n - offset : 0, s, a);
                BlendCoverSse2(vector.data() + offset, cover.data(), n - offset > 0 ? n - offset : 0, s, a);
                break;
            }
            ASSERT_EQ(scalar, vector) << "kind " << kind << " n " << n << " alpha " << a;
        }
    }
}

TEST(RasterComposite, VectorGradientSpansMatchScalarOnes) {
    Random r;
    const uint64_t opaque = 255 * 256;
    for (int32_t round = 0; round < 3000; ++round) {
        const int32_t n = int32_t(r.Next() % 40);
        const int32_t coverage = round % 3 == 0 ? 255 : int32_t(1 + r.Next() % 255);
        std::vector<uint64_t> colours(size_t(n) + 1);
        for (uint64_t& c : colours) {
            const uint32_t k = r.Next() % 4;
            const uint64_t alpha = k == 0 ? opaque : k == 1 ? 0 : r.Next() % (opaque + 1);
            c = (alpha << 48) | (uint64_t(r.Next() % (opaque + 1)) << 32) |
                (uint64_t(r.Next() % (opaque + 1)) << 16) | (r.Next() % (opaque + 1));
        }
        const std::vector<uint32_t> d = Destination(r, n);
        std::vector<uint32_t> scalar = d, vector = d;
        GradientCompositeScalar(scalar.data(), colours.data(), n, coverage);
        GradientCompositeSse2(vector.data(), colours.data(), n, coverage);
        ASSERT_EQ(scalar, vector) << "n " << n << " coverage " << coverage;
    }
}
#endif

} // namespace
