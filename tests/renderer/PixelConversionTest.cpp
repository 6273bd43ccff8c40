// Conversion of rendered 32-bit pixels to the 16- and 24-bit formats of true-colour displays:
// the channel packing of each format and the row layout (bottom-up rows padded to 4 bytes).
#include <gtest/gtest.h>

#include <stdint.h>
#include <vector>

#include "renderer/Palette.h"
#include "renderer/Results.h"

namespace vemo {
namespace {

// One pixel, 0x00RRGGBB, and the bytes each display format stores for it.
struct PackingCase {
    uint32_t pixel;
    uint16_t rgb555; // stored little-endian
    uint8_t bgr[3];
};

const PackingCase kPacking[] = {
    {0x00000000, 0x0000, {0x00, 0x00, 0x00}},
    {0x00FFFFFF, 0x7FFF, {0xFF, 0xFF, 0xFF}},
    {0x00FF0000, 0x7C00, {0x00, 0x00, 0xFF}},
    {0x0000FF00, 0x03E0, {0x00, 0xFF, 0x00}},
    {0x000000FF, 0x001F, {0xFF, 0x00, 0x00}},
    {0x00808080, 0x4210, {0x80, 0x80, 0x80}},
    // five bits keep the top of each channel: 7 is lost, 8 is the first step
    {0x00070707, 0x0000, {0x07, 0x07, 0x07}},
    {0x00080808, 0x0421, {0x08, 0x08, 0x08}},
    {0x00F8F0E8, 0x7FDD, {0xE8, 0xF0, 0xF8}},
    // the spare byte of the rendered pixel never reaches the display
    {0xFF123456, 0x08CA, {0x56, 0x34, 0x12}},
};

TEST(ConvertBitmap, PacksEachChannelForTrueColourDisplays) {
    for (const PackingCase& c : kPacking) {
        uint32_t source = c.pixel;
        uint8_t out16[4] = {0xEE, 0xEE, 0xEE, 0xEE};
        ASSERT_EQ(kOk, ConvertPixels(1, 1, 0, 0, 16, nullptr, &source, out16));
        EXPECT_EQ(c.rgb555, uint16_t(out16[0] | (out16[1] << 8))) << std::hex << c.pixel;

        uint8_t out24[4] = {0xEE, 0xEE, 0xEE, 0xEE};
        ASSERT_EQ(kOk, ConvertPixels(1, 1, 0, 0, 24, nullptr, &source, out24));
        EXPECT_EQ(c.bgr[0], out24[0]) << std::hex << c.pixel;
        EXPECT_EQ(c.bgr[1], out24[1]) << std::hex << c.pixel;
        EXPECT_EQ(c.bgr[2], out24[2]) << std::hex << c.pixel;
    }
}

// Rows of the display bitmap are padded to 4 bytes; each row keeps its place (bottom-up in
// both buffers), and nothing is written past a row's pixels.
struct LayoutCase {
    int32_t width;
    int32_t height;
    int32_t bits;
    size_t stride; // bytes per display row
};

const LayoutCase kLayouts[] = {
    {1, 3, 24, 4}, {3, 2, 24, 12}, {4, 2, 24, 12}, {5, 3, 24, 16}, {7, 1, 24, 24},
    {1, 3, 16, 4}, {2, 2, 16, 4},  {3, 2, 16, 8},  {5, 3, 16, 12}, {8, 1, 16, 16},
};

TEST(ConvertBitmap, KeepsRowsInPlaceAndPadsThemToFourBytes) {
    for (const LayoutCase& c : kLayouts) {
        const int32_t pixelBytes = c.bits / 8;
        std::vector<uint32_t> source(size_t(c.width) * size_t(c.height));
        for (int32_t j = 0; j < c.height; ++j) {
            for (int32_t i = 0; i < c.width; ++i) {
                // every pixel distinct in every channel's top five bits
                source[size_t(j) * c.width + i] =
                    (uint32_t(j * 40 + 8) << 16) | (uint32_t(i * 24 + 16) << 8) | uint32_t(i * 8);
            }
        }
        std::vector<uint8_t> out(c.stride * size_t(c.height) + 8, 0xEE);
        ASSERT_EQ(kOk, ConvertPixels(c.width, c.height, 3, -5, c.bits, nullptr, source.data(),
                                     out.data()))
            << c.width << "x" << c.height << "@" << c.bits;
        for (int32_t j = 0; j < c.height; ++j) {
            for (int32_t i = 0; i < c.width; ++i) {
                uint32_t pixel = source[size_t(j) * c.width + i];
                uint8_t single[4];
                ASSERT_EQ(kOk, ConvertPixels(1, 1, 0, 0, c.bits, nullptr, &pixel, single));
                const uint8_t* at = out.data() + size_t(j) * c.stride + size_t(i) * pixelBytes;
                for (int32_t k = 0; k < pixelBytes; ++k) {
                    EXPECT_EQ(single[k], at[k]) << c.width << "x" << c.height << "@" << c.bits
                                                << " pixel " << i << "," << j << " byte " << k;
                }
            }
        }
        for (size_t k = c.stride * size_t(c.height); k < out.size(); ++k) {
            EXPECT_EQ(0xEE, out[k]) << "written past the bitmap: " << c.width << "x" << c.height
                                    << "@" << c.bits;
        }
    }
}

TEST(ConvertBitmap, TrueColourDepthsCheckTheirArguments) {
    uint32_t source[4] = {0, 0, 0, 0};
    uint8_t out[16] = {};
    for (int32_t bits : {16, 24}) {
        EXPECT_EQ(kOk, ConvertPixels(0, 5, 0, 0, bits, nullptr, nullptr, nullptr)) << bits;
        EXPECT_EQ(kInvalidArgument, ConvertPixels(2, -1, 0, 0, bits, nullptr, source, out));
        EXPECT_EQ(kNullPointer, ConvertPixels(2, 2, 0, 0, bits, nullptr, source, nullptr));
        EXPECT_EQ(kNullPointer, ConvertPixels(2, 2, 0, 0, bits, nullptr, nullptr, out));
    }
}

} // namespace
} // namespace vemo
