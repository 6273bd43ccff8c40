// The zoom and push tools end to end: the browser stand-in (vemohost.exe) shows the example town
// map through the built plug-in and the registered renderer; real pointer input drags a zoom
// frame or pushes the picture, and the captures before and after show the effect. The results
// are also compared with stored captures (VEMO_UPDATE_CAPTURES=1 writes them anew).
#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace {

using testfiles::PathFromEnv;
using testfiles::ReadBytes;
using testfiles::ReadText;
using testfiles::RunProgram;
using testfiles::WriteBytes;

// An RGB picture, rows top-down.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;

    const uint8_t* At(int x, int y) const { return &rgb[(size_t(y) * width + x) * 3]; }
};

uint32_t Le32(const std::vector<uint8_t>& d, size_t at) {
    return uint32_t(d[at]) | uint32_t(d[at + 1]) << 8 | uint32_t(d[at + 2]) << 16 |
           uint32_t(d[at + 3]) << 24;
}

// The stand-in's captures: 24-bit bottom-up BMP files.
bool ReadCapture(const std::string& path, Picture& p) {
    std::vector<uint8_t> d;
    if (!ReadBytes(path, d) || d.size() < 54 || d[0] != 'B' || d[1] != 'M' || d[28] != 24) {
        return false;
    }
    size_t offset = Le32(d, 10);
    int32_t width = int32_t(Le32(d, 18));
    int32_t height = int32_t(Le32(d, 22));
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) {
        return false;
    }
    size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    if (d.size() < offset + stride * size_t(height)) {
        return false;
    }
    p.width = width;
    p.height = height;
    p.rgb.resize(size_t(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &d[offset + stride * size_t(height - 1 - y)];
        for (int x = 0; x < width; ++x) {
            uint8_t* o = &p.rgb[(size_t(y) * width + x) * 3];
            o[0] = row[x * 3 + 2];
            o[1] = row[x * 3 + 1];
            o[2] = row[x * 3];
        }
    }
    return true;
}

bool ReadPpm(const std::string& path, Picture& p) {
    std::vector<uint8_t> d;
    if (!ReadBytes(path, d)) {
        return false;
    }
    d.push_back(0);
    int w = 0, h = 0, max = 0, used = 0;
    if (sscanf(reinterpret_cast<const char*>(d.data()), "P6 %d %d %d%n", &w, &h, &max, &used) !=
            3 ||
        max != 255 || w <= 0 || h <= 0) {
        return false;
    }
    size_t start = size_t(used) + 1;
    if (d.size() - 1 != start + size_t(w) * h * 3) {
        return false;
    }
    p.width = w;
    p.height = h;
    p.rgb.assign(d.begin() + long(start), d.end() - 1);
    return true;
}

bool WritePpm(const std::string& path, const Picture& p) {
    std::string bytes =
        "P6\n" + std::to_string(p.width) + " " + std::to_string(p.height) + "\n255\n";
    bytes.append(p.rgb.begin(), p.rgb.end());
    return WriteBytes(path, bytes);
}

int ColourDistance(const uint8_t* a, const uint8_t* b) {
    return abs(a[0] - b[0]) + abs(a[1] - b[1]) + abs(a[2] - b[2]);
}

// Share (in percent) of the sampled pixels (x, y) of `shown` that match `reference` at
// `map(x, y)` within `tolerance`; points that map outside the reference are not sampled.
template <class Map>
int MatchingShare(const Picture& shown, const Picture& reference, int tolerance, Map map) {
    int sampled = 0, matching = 0;
    for (int y = 1; y < shown.height - 1; y += 3) {
        for (int x = 1; x < shown.width - 1; x += 3) {
            int rx = 0, ry = 0;
            map(x, y, &rx, &ry);
            if (rx < 0 || ry < 0 || rx >= reference.width || ry >= reference.height) {
                continue;
            }
            ++sampled;
            matching += ColourDistance(shown.At(x, y), reference.At(rx, ry)) <= tolerance ? 1 : 0;
        }
    }
    return sampled == 0 ? 0 : matching * 100 / sampled;
}

// Pixels that differ from the top-left one.
int Features(const Picture& p) {
    int n = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        n += memcmp(&p.rgb[i], &p.rgb[0], 3) != 0 ? 1 : 0;
    }
    return n;
}

class ToolsEndToEnd : public ::testing::Test {
protected:
    std::string folder;
    std::string host;
    std::string plugins;
    std::string renderer;

    void SetUp() override {
        host = PathFromEnv("VEMO_BINARY_DIR", "host/vemohost.exe");
        plugins = PathFromEnv("VEMO_BINARY_DIR", "plugin");
        renderer = PathFromEnv("VEMO_BINARY_DIR", "renderer/VemoDoc.dll");
        ASSERT_EQ(RunProgram("regsvr32.exe /s \"" + renderer + "\""), 0u) << renderer;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "vemo-tools-e2e-" + std::to_string(GetCurrentProcessId()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder.c_str(), nullptr);
        for (const char* name : {"town-map.vem", "index.html"}) {
            std::string from = PathFromEnv("VEMO_SOURCE_DIR", std::string("examples/") + name);
            ASSERT_TRUE(CopyFileA(from.c_str(), In(name).c_str(), FALSE)) << from;
        }
    }
    void TearDown() override { RunProgram("regsvr32.exe /s /u \"" + renderer + "\""); }

    std::string In(const std::string& name) const { return folder + "\\" + name; }

    // Shows the example page, captures the drawing, runs the steps, lets the rendering finish
    // and captures again.
    void Run(const std::vector<std::string>& steps, Picture& before, Picture& after) {
        std::vector<std::string> all = {"open \"" + In("index.html") + "\"", "idle", "ticks 6",
                                        "capture \"" + In("before.bmp") + "\" in=1"};
        all.insert(all.end(), steps.begin(), steps.end());
        all.push_back("ticks 10");
        all.push_back("capture \"" + In("after.bmp") + "\" in=1");
        std::string script;
        for (const std::string& step : all) {
            script += step + "\n";
        }
        ASSERT_TRUE(WriteBytes(In("scenario.txt"), script));
        DWORD code =
            RunProgram("\"" + host + "\" --plugins \"" + plugins + "\" --size 700x600 --script \"" +
                       In("scenario.txt") + "\" --log \"" + In("log.txt") + "\"");
        ASSERT_EQ(code, 0u) << ReadText(In("log.txt"));
        ASSERT_TRUE(ReadCapture(In("before.bmp"), before));
        ASSERT_TRUE(ReadCapture(In("after.bmp"), after));
        ASSERT_EQ(before.width, 640);
        ASSERT_EQ(before.height, 480);
        ASSERT_EQ(after.width, 640);
        ASSERT_EQ(after.height, 480);
        ASSERT_GT(Features(before), 10000) << "the drawing is shown";
    }

    // The capture against the stored one: anti-aliased edges may move by a shade.
    void ExpectLikeStored(const Picture& shown, const char* name) {
        std::string stored =
            PathFromEnv("VEMO_SOURCE_DIR", std::string("tests/interaction/expected/") + name);
        const char* update = getenv("VEMO_UPDATE_CAPTURES");
        if (update != nullptr && update[0] == '1') {
            ASSERT_TRUE(WritePpm(stored, shown)) << stored;
        }
        Picture expected;
        ASSERT_TRUE(ReadPpm(stored, expected)) << stored;
        ASSERT_EQ(expected.width, shown.width);
        ASSERT_EQ(expected.height, shown.height);
        int share = MatchingShare(shown, expected, 24, [](int x, int y, int* rx, int* ry) {
            *rx = x;
            *ry = y;
        });
        EXPECT_GE(share, 99) << name;
    }
};

int ScreenDepth() {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
}

TEST_F(ToolsEndToEnd, AZoomDragShowsTheFramedAreaInTheWholeWindow) {
    if (ScreenDepth() != 32) {
        GTEST_SKIP() << "compares colours of a true-colour display";
    }
    Picture before, after;
    // The frame spans half the window each way: the zoom doubles.
    Run({"drag 160 120 480 360"}, before, after);
    // Every window point now shows what the frame's point halfway to it showed.
    int share = MatchingShare(after, before, 60, [](int x, int y, int* rx, int* ry) {
        *rx = 160 + x / 2;
        *ry = 120 + y / 2;
    });
    EXPECT_GE(share, 90) << "the framed area fills the window";
    int unchanged = MatchingShare(after, before, 0, [](int x, int y, int* rx, int* ry) {
        *rx = x;
        *ry = y;
    });
    EXPECT_LT(unchanged, 80) << "the picture changed";
    ExpectLikeStored(after, "town-map-zoom-drag.ppm");
}

TEST_F(ToolsEndToEnd, APushDragMovesThePictureWithThePointer) {
    if (ScreenDepth() != 32) {
        GTEST_SKIP() << "compares colours of a true-colour display";
    }
    Picture before, after;
    Run({"click 300 200 right", "menu \"Push Tool\"", "drag 300 200 400 250"}, before, after);
    std::string log = ReadText(In("log.txt"));
    EXPECT_NE(log.find("menu-pick \"Push Tool\""), std::string::npos) << log;
    // What was shown moved 100 pixels right and 50 down; the kept part is the same pixels.
    int share = MatchingShare(after, before, 0, [](int x, int y, int* rx, int* ry) {
        *rx = x - 100;
        *ry = y - 50;
    });
    EXPECT_GE(share, 99) << "the picture follows the pointer";
    // The uncovered strips lie beyond the paper, where only the river's end is drawn: it
    // shows once the strips are rendered.
    int drawn = 0;
    for (int y = 0; y < 480; ++y) {
        for (int x = 0; x < 640; ++x) {
            if (x < 100 || y < 50) {
                const uint8_t* p = after.At(x, y);
                drawn += p[0] != 255 || p[1] != 255 || p[2] != 255 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(drawn, 100) << "the strips are rendered";
    ExpectLikeStored(after, "town-map-push-drag.ppm");
}

} // namespace
