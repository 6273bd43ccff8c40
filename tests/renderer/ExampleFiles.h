// The example drawings of examples/, what loading each must answer, and their stored expected
// images (tests/renderer/expected/<name>.ppm, made by vemo_render_ppm at the example size).
//
// Tolerance of the comparison: no channel of any pixel may differ by more than
// kExampleLargestDifference, and at most kExampleDifferingPixels pixels may differ by more than
// kExampleSlack in some channel. Rendering is integer arithmetic apart from the placement of
// points, so builds for different processors agree to within rounding of edge coverage.
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <string>
#include <vector>

struct ExampleFile {
    const char* name;   // in examples/, without ".vem"
    int32_t loadResult; // first failure of LoadData, or 0
    int32_t endResult;  // the end of data's success value (when loading did not fail)
};

constexpr ExampleFile kExampleFiles[] = {
    {"town-map", 0, 0},
    {"chart", 0, 0},
    {"logo", 0, 0},
    {"gradients", 0, 0},
    {"warning-blend", 0, 1},
    {"warning-text", 0, 1},
    {"warning-unknown", 0, 2},
    {"failure-corrupt", int32_t(0x80001001u), 0},
    {"failure-out-of-memory", int32_t(0x8534E107u), 0},
    {"failure-version", int32_t(0x8534E10Bu), 0},
};

constexpr int32_t kExampleLargestDifference = 16;
constexpr int32_t kExampleSlack = 2;
constexpr int64_t kExampleDifferingPixels = 96; // 0.5 percent of 160 x 120

inline bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    bytes.clear();
    uint8_t buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    fclose(f);
    return true;
}

// The RGB bytes of a binary PPM written by vemo_render_ppm.
inline bool ReadPpm(const std::string& path, int32_t* width, int32_t* height,
                    std::vector<uint8_t>& rgb) {
    std::vector<uint8_t> file;
    if (!ReadWholeFile(path, file)) {
        return false;
    }
    int w = 0, h = 0, depth = 0, used = 0;
    std::string head(file.begin(), file.begin() + (file.size() < 64 ? file.size() : 64));
    if (sscanf(head.c_str(), "P6 %d %d %d%n", &w, &h, &depth, &used) != 3 || depth != 255) {
        return false;
    }
    size_t start = size_t(used) + 1;
    if (file.size() < start + size_t(w) * size_t(h) * 3) {
        return false;
    }
    rgb.assign(file.begin() + long(start), file.begin() + long(start + size_t(w) * size_t(h) * 3));
    *width = w;
    *height = h;
    return true;
}
