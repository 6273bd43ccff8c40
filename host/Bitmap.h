// Images the stand-in captures and prints: 32-bit pixels 0x00RRGGBB, rows top-down, saved as
// uncompressed 24-bit BMP files; 24- and 32-bit BMP files of either row order read back.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vemohost {

struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // width * height, row after row from the top

    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// Largest side accepted when reading, to bound the allocation.
constexpr int kMaxImageSide = 16384;

std::vector<uint8_t> EncodeBmp(const Image& image);

// False for anything but an uncompressed (BI_RGB, or BI_BITFIELDS with the usual masks) 24- or
// 32-bit BMP whose sizes fit the data.
bool DecodeBmp(const uint8_t* data, size_t size, Image& image);

} // namespace vemohost
