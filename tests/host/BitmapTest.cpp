// Image files: what the stand-in writes reads back pixel for pixel, and malformed files are
// refused before anything is allocated for them.
#include <gtest/gtest.h>

#include "host/Bitmap.h"

using namespace vemohost;

namespace {

Image Pattern(int width, int height) {
    Image image;
    image.width = width;
    image.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            image.pixels.push_back(static_cast<uint32_t>((x * 37) << 16 | (y * 91) << 8 | (x ^ y)) &
                                   0xFFFFFF);
        }
    }
    return image;
}

void Put32(std::vector<uint8_t>& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

TEST(Bitmap, RoundTripsEveryRowPadding) {
    for (int width : {1, 2, 3, 4, 5, 17}) {
        Image in = Pattern(width, 3);
        std::vector<uint8_t> bytes = EncodeBmp(in);
        EXPECT_EQ(bytes.size(), 54u + ((width * 3 + 3) & ~3) * 3u);
        Image out;
        ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), out)) << width;
        EXPECT_EQ(out.width, width);
        EXPECT_EQ(out.height, 3);
        EXPECT_EQ(out.pixels, in.pixels) << width;
    }
}

TEST(Bitmap, ReadsTopDownThirtyTwoBitFiles) {
    // 2x2, 32 bits, negative height (top-down), BI_RGB.
    std::vector<uint8_t> bytes(54 + 16, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 10, 54);
    Put32(bytes, 14, 40);
    Put32(bytes, 18, 2);
    Put32(bytes, 22, static_cast<uint32_t>(-2));
    bytes[26] = 1;
    bytes[28] = 32;
    const uint32_t pixels[4] = {0x112233, 0x445566, 0x778899, 0xAABBCC};
    for (int i = 0; i < 4; ++i) {
        Put32(bytes, 54 + 4 * i, pixels[i] | 0xFF000000);
    }
    Image out;
    ASSERT_TRUE(DecodeBmp(bytes.data(), bytes.size(), out));
    EXPECT_EQ(out.At(0, 0), 0x112233u);
    EXPECT_EQ(out.At(1, 1), 0xAABBCCu);
}

TEST(Bitmap, RefusesMalformedFiles) {
    std::vector<uint8_t> good = EncodeBmp(Pattern(4, 4));
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
        bool sixteen;
    } cases[] = {
        {"8 bits", 28, 8, true},
        {"RLE", 30, 1, false},
        {"zero width", 18, 0, false},
        {"huge width", 18, 100000, false},
        {"huge height", 22, 0x7FFFFFFF, false},
        {"data past the end", 10, 60, false},
        {"two planes", 26, 2, true},
        {"short header", 14, 12, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        if (c.sixteen) {
            bytes[c.at] = static_cast<uint8_t>(c.value);
            bytes[c.at + 1] = static_cast<uint8_t>(c.value >> 8);
        } else {
            Put32(bytes, c.at, c.value);
        }
        Image out;
        EXPECT_FALSE(DecodeBmp(bytes.data(), bytes.size(), out)) << c.what;
    }
    Image out;
    EXPECT_FALSE(DecodeBmp(good.data(), good.size() - 1, out)) << "truncated";
    EXPECT_FALSE(DecodeBmp(good.data(), 10, out)) << "no header";
}

} // namespace
