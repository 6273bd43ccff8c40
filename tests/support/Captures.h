// Pictures for tests that look at pixels under Wine: the BMP files the browser stand-in writes
// for its captures and prints, the PPM files stored as expected captures, and simple measures.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace testfiles {

// An RGB picture, rows top-down.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
    uint32_t Colour(int x, int y) const {
        const uint8_t* p = At(x, y);
        return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
};

// Sides larger than this are not pictures these tests make.
constexpr int kLargestSide = 8192;

// A 24- or 32-bit BMP, bottom-up or top-down.
inline bool ReadBmp(const std::string& path, Picture& picture) {
    std::vector<uint8_t> d;
    if (!ReadBytes(path, d) || d.size() < 54 || d[0] != 'B' || d[1] != 'M') {
        return false;
    }
    uint32_t offset;
    int32_t width, height;
    uint16_t bits;
    memcpy(&offset, &d[10], 4);
    memcpy(&width, &d[18], 4);
    memcpy(&height, &d[22], 4);
    memcpy(&bits, &d[28], 2);
    bool bottomUp = height > 0;
    height = bottomUp ? height : -height;
    if ((bits != 24 && bits != 32) || width <= 0 || width > kLargestSide || height <= 0 ||
        height > kLargestSide) {
        return false;
    }
    size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    if (offset > d.size() || d.size() - offset < stride * size_t(height)) {
        return false;
    }
    picture.width = width;
    picture.height = height;
    picture.rgb.resize(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &d[offset + stride * size_t(bottomUp ? height - 1 - y : y)];
        for (int x = 0; x < width; ++x) {
            const uint8_t* s = row + size_t(x) * (bits / 8);
            uint8_t* o = &picture.rgb[(size_t(y) * width + x) * 3];
            o[0] = s[2];
            o[1] = s[1];
            o[2] = s[0];
        }
    }
    return true;
}

// A binary PPM of depth 255 holding exactly its pixels.
inline bool ReadPpm(const std::string& path, Picture& picture) {
    std::vector<uint8_t> d;
    if (!ReadBytes(path, d)) {
        return false;
    }
    d.push_back(0);
    int w = 0, h = 0, max = 0, used = 0;
    if (sscanf(reinterpret_cast<const char*>(d.data()), "P6 %d %d %d%n", &w, &h, &max, &used) !=
            3 ||
        max != 255 || w <= 0 || h <= 0 || w > kLargestSide || h > kLargestSide) {
        return false;
    }
    size_t start = size_t(used) + 1;
    if (d.size() - 1 != start + size_t(w) * h * 3) {
        return false;
    }
    picture.width = w;
    picture.height = h;
    picture.rgb.assign(d.begin() + long(start), d.end() - 1);
    return true;
}

inline bool WritePpm(const std::string& path, const Picture& picture) {
    std::string bytes =
        "P6\n" + std::to_string(picture.width) + " " + std::to_string(picture.height) + "\n255\n";
    bytes.append(picture.rgb.begin(), picture.rgb.end());
    return WriteBytes(path, bytes);
}

// Pixels that differ from the top-left one.
inline int Features(const Picture& p) {
    int n = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        n += memcmp(&p.rgb[i], &p.rgb[0], 3) != 0 ? 1 : 0;
    }
    return n;
}

// Pixels that differ between two pictures of one size.
inline int Differing(const Picture& a, const Picture& b) {
    int n = 0;
    for (size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); i += 3) {
        n += memcmp(&a.rgb[i], &b.rgb[i], 3) != 0 ? 1 : 0;
    }
    return n;
}

// Bits per pixel of the display the test runs on (32 on a 24-bit deep one).
inline int ScreenDepth() {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
}

// The stored capture below the source tree against which `shown` is compared. With
// VEMO_UPDATE_CAPTURES=1 on a true-colour display, `shown` is stored first.
inline bool StoredCapture(const std::string& relative, const Picture& shown, Picture& stored) {
    std::string path = PathFromEnv("VEMO_SOURCE_DIR", relative);
    const char* update = getenv("VEMO_UPDATE_CAPTURES");
    if (update != nullptr && update[0] == '1' && ScreenDepth() == 32 && !WritePpm(path, shown)) {
        return false;
    }
    return ReadPpm(path, stored);
}

// How far a shown picture is from a stored one: the mean and the largest difference of a
// channel.
struct CaptureDifference {
    double mean = 0;
    int largest = 0;
};

// The picture a display of `depth` bits per pixel shows against a capture taken at 24 bits (the
// largest difference of a pixel's three channels):
//   32 (24-bit display): at most 1 percent of the pixels differ by more than 8, and the mean
//      difference is at most 1 (anti-aliased edges may shift by a shade when the renderer is
//      refined; a missing or misplaced object exceeds this at once).
//   16: the same with 16 and 4 (5 or 6 bits per channel add up to 8).
//    8: ordered conversion to the 256-colour palette; the mean difference over all pixels and
//      channels at most 24, and the mean over 8 x 8 blocks at most 24 on 98 percent of the
//      blocks (dithering noise averages out over a block, a missing object does not).
inline void ExpectLikeCapture(const Picture& stored, const Picture& shown, int depth,
                              CaptureDifference* difference = nullptr) {
    ASSERT_EQ(stored.width, shown.width);
    ASSERT_EQ(stored.height, shown.height);
    int largest = 0;
    long long total = 0;
    for (size_t i = 0; i < stored.rgb.size(); ++i) {
        int d = abs(int(stored.rgb[i]) - int(shown.rgb[i]));
        largest = d > largest ? d : largest;
        total += d;
    }
    double mean = double(total) / double(stored.rgb.size());
    if (difference != nullptr) {
        *difference = CaptureDifference{mean, largest};
    }
    if (depth == 32 || depth == 16) {
        const int shade = depth == 32 ? 8 : 16;
        int beyond = 0;
        for (size_t i = 0; i < stored.rgb.size(); i += 3) {
            int d = 0;
            for (int c = 0; c < 3; ++c) {
                int e = abs(int(stored.rgb[i + c]) - int(shown.rgb[i + c]));
                d = e > d ? e : d;
            }
            beyond += d > shade ? 1 : 0;
        }
        EXPECT_LE(beyond * 100, int(stored.rgb.size() / 3)) << beyond << " pixels differ by more";
        EXPECT_LE(mean, depth == 32 ? 1.0 : 4.0);
    } else {
        EXPECT_LE(mean, 24.0);
        int blocks = 0;
        int distant = 0;
        for (int by = 0; by + 8 <= stored.height; by += 8) {
            for (int bx = 0; bx + 8 <= stored.width; bx += 8) {
                long long sum = 0;
                for (int y = by; y < by + 8; ++y) {
                    for (int x = bx; x < bx + 8; ++x) {
                        for (int c = 0; c < 3; ++c) {
                            sum += int(stored.At(x, y)[c]) - int(shown.At(x, y)[c]);
                        }
                    }
                }
                ++blocks;
                distant += llabs(sum) / (64 * 3) > 24 ? 1 : 0;
            }
        }
        EXPECT_LE(distant * 50, blocks) << distant << " of " << blocks << " blocks differ";
    }
}

} // namespace testfiles
