// The plug-in end to end: vemohost.exe (the browser stand-in) loads the built NPVemoC.dll, which
// renders through the registered VemoDoc.dll, at the depth of the display the program runs on.
// The example page's drawing appears like the stored capture (tolerances as in
// RealRendererTest.cpp); a slow stream builds the picture up over several ticks; a corrupt and a
// refused file show their displays; printing the page gives the picture in the printer
// stand-in. VEMO_UPDATE_CAPTURES=1 at depth 24 writes the capture anew.
#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace {

using testfiles::ReadBytes;
using testfiles::RunProgram;
using testfiles::WriteBytes;

std::string FromEnv(const char* variable, const char* relative) {
    return testfiles::PathFromEnv(variable, relative);
}

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

// A 24- or 32-bit BMP as the stand-in writes its captures and prints.
bool ReadBmp(const std::string& path, Picture& picture) {
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
    if ((bits != 24 && bits != 32) || width <= 0 || height == 0) {
        return false;
    }
    bool bottomUp = height > 0;
    height = bottomUp ? height : -height;
    size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
    if (d.size() < offset + stride * size_t(height)) {
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

bool ReadPpm(const std::string& path, Picture& picture) {
    std::vector<uint8_t> d;
    if (!ReadBytes(path, d)) {
        return false;
    }
    int w = 0, h = 0, max = 0, used = 0;
    if (sscanf(reinterpret_cast<const char*>(d.data()), "P6 %d %d %d%n", &w, &h, &max, &used) !=
            3 ||
        max != 255) {
        return false;
    }
    size_t start = size_t(used) + 1;
    if (d.size() != start + size_t(w) * h * 3) {
        return false;
    }
    picture.width = w;
    picture.height = h;
    picture.rgb.assign(d.begin() + long(start), d.end());
    return true;
}

void WritePpm(const std::string& path, const Picture& picture) {
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    fprintf(f, "P6\n%d %d\n255\n", picture.width, picture.height);
    fwrite(picture.rgb.data(), 1, picture.rgb.size(), f);
    fclose(f);
}

int ScreenDepth() {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
}

// Pixels that differ from the top-left one.
int Features(const Picture& p) {
    int n = 0;
    for (size_t i = 0; i < p.rgb.size(); i += 3) {
        n += memcmp(&p.rgb[i], &p.rgb[0], 3) != 0 ? 1 : 0;
    }
    return n;
}

int Differing(const Picture& a, const Picture& b) {
    int n = 0;
    for (size_t i = 0; i < a.rgb.size() && i < b.rgb.size(); i += 3) {
        n += memcmp(&a.rgb[i], &b.rgb[i], 3) != 0 ? 1 : 0;
    }
    return n;
}

// The tolerance of the display depth against a capture taken at 24 bits, as in
// RealRendererTest.cpp: a shade on edges at 24 and 16 bits; block means at 8 bits.
void ExpectLikeCapture(const Picture& stored, const Picture& shown, int depth) {
    ASSERT_EQ(stored.width, shown.width);
    ASSERT_EQ(stored.height, shown.height);
    int worst = 0;
    long long total = 0;
    for (size_t i = 0; i < stored.rgb.size(); ++i) {
        int d = abs(int(stored.rgb[i]) - int(shown.rgb[i]));
        worst = d > worst ? d : worst;
        total += d;
    }
    if (depth == 32 || depth == 16) {
        // Edges may move by a shade when the renderer's anti-aliasing is refined; objects may
        // not. 16 bits add their quantisation (up to 8 per channel).
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
        EXPECT_LE(double(total) / double(stored.rgb.size()), depth == 32 ? 1.0 : 4.0);
    } else {
        EXPECT_LE(double(total) / double(stored.rgb.size()), 24.0);
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

class HostEndToEnd : public ::testing::Test {
protected:
    std::string folder; // a fresh folder for the pages, files and captures of one test
    std::string host;
    std::string plugins;
    std::string renderer;

    void SetUp() override {
        host = FromEnv("VEMO_BINARY_DIR", "host/vemohost.exe");
        plugins = FromEnv("VEMO_BINARY_DIR", "plugin");
        renderer = FromEnv("VEMO_BINARY_DIR", "renderer/VemoDoc.dll");
        ASSERT_EQ(RunProgram("regsvr32.exe /s \"" + renderer + "\""), 0u) << renderer;
        char temp[MAX_PATH];
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "vemo-view-e2e-" + std::to_string(GetCurrentProcessId()) +
                 "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        CreateDirectoryA(folder.c_str(), nullptr);
    }
    void TearDown() override { RunProgram("regsvr32.exe /s /u \"" + renderer + "\""); }

    std::string In(const char* name) const { return folder + "\\" + name; }
    void CopyExample(const char* name) {
        std::string from = FromEnv("VEMO_SOURCE_DIR", (std::string("examples/") + name).c_str());
        ASSERT_TRUE(CopyFileA(from.c_str(), In(name).c_str(), FALSE)) << from;
    }
    // Runs the stand-in with the given options and scenario steps; its log is kept in log.txt.
    DWORD Host(const std::string& options, const std::vector<std::string>& steps) {
        std::string script;
        for (const std::string& step : steps) {
            script += step + "\n";
        }
        if (!WriteBytes(In("scenario.txt"), script)) {
            return ~0u;
        }
        return RunProgram("\"" + host + "\" --plugins \"" + plugins + "\" " + options +
                          " --script \"" + In("scenario.txt") + "\" --log \"" + In("log.txt") +
                          "\"");
    }
    std::string Log() {
        std::vector<uint8_t> d;
        ReadBytes(In("log.txt"), d);
        return std::string(d.begin(), d.end());
    }
    Picture Bmp(const char* name) {
        Picture p;
        EXPECT_TRUE(ReadBmp(In(name), p)) << name;
        return p;
    }
};

// One suite name per display depth, so that the three programs' tests stay apart.
#if VIEW_TEST_DEPTH == 16
#define HOST_SUITE HostEndToEndAt16
#elif VIEW_TEST_DEPTH == 8
#define HOST_SUITE HostEndToEndAt8
#else
#define HOST_SUITE HostEndToEndAt24
#endif
class HOST_SUITE : public HostEndToEnd {};

TEST_F(HOST_SUITE, TheExamplePageShowsTheDrawing) {
    CopyExample("index.html");
    CopyExample("town-map.vem");
    // The page is large enough for the whole 640 x 480 embed.
    ASSERT_EQ(Host("--size 700x600", {"open \"" + In("index.html") + "\"", "idle", "ticks 6",
                                      "capture \"" + In("map.bmp") + "\" in=1"}),
              0u)
        << Log();
    Picture shown = Bmp("map.bmp");
    ASSERT_EQ(shown.width, 640);
    ASSERT_EQ(shown.height, 480);
    std::string stored = FromEnv("VEMO_SOURCE_DIR", "tests/view/expected/town-map-640x480.ppm");
    const char* update = getenv("VEMO_UPDATE_CAPTURES");
    if (ScreenDepth() == 32 && update != nullptr && update[0] == '1') {
        WritePpm(stored, shown);
    }
    Picture expected;
    ASSERT_TRUE(ReadPpm(stored, expected)) << stored;
    ASSERT_GT(Features(expected), 10000);
    ExpectLikeCapture(expected, shown, ScreenDepth());
}

TEST_F(HOST_SUITE, ASlowStreamBuildsThePictureUp) {
    CopyExample("index.html");
    CopyExample("town-map.vem");
    // 1198 bytes in chunks of 128, one every 400 ms: the stream lasts about 4 seconds.
    std::vector<std::string> steps = {"open \"" + In("index.html") + "\""};
    const char* names[] = {"s1.bmp", "s2.bmp", "s3.bmp", "s4.bmp"};
    for (const char* name : names) {
        steps.push_back("ticks 4");
        steps.push_back("capture \"" + In(name) + "\" in=1");
    }
    steps.push_back("idle");
    steps.push_back("ticks 4");
    steps.push_back("capture \"" + In("end.bmp") + "\" in=1");
    ASSERT_EQ(Host("--size 700x600 --chunk 128 --pace 400", steps), 0u) << Log();
    std::vector<Picture> stages;
    for (const char* name : names) {
        stages.push_back(Bmp(name));
    }
    Picture end = Bmp("end.bmp");
    int changes = 0;
    for (size_t i = 1; i < stages.size(); ++i) {
        changes += Differing(stages[i], stages[i - 1]) > 1000 ? 1 : 0;
    }
    changes += Differing(end, stages.back()) > 1000 ? 1 : 0;
    EXPECT_GE(changes, 2) << "the picture grows in steps while the data arrives";
    EXPECT_GT(Features(end), Features(stages[0]));
}

TEST_F(HOST_SUITE, CorruptAndRefusedFilesShowTheirDisplays) {
    CopyExample("failure-corrupt.vem");
    ASSERT_TRUE(WriteBytes(In("not-a-drawing.vem"), "GIF89a: this is not a drawing file at all"));
    ASSERT_TRUE(WriteBytes(In("failures.html"),
                         "<html><body>\n"
                         "<embed src=\"failure-corrupt.vem\" type=\"application/vnd.vemo\" "
                         "width=\"300\" height=\"200\"><br>\n"
                         "<embed src=\"not-a-drawing.vem\" type=\"application/vnd.vemo\" "
                         "width=\"300\" height=\"200\">\n"
                         "</body></html>\n"));
    ASSERT_EQ(Host("--size 700x500", {"open \"" + In("failures.html") + "\"", "idle", "ticks 4",
                                      "capture \"" + In("corrupt.bmp") + "\" in=1",
                                      "capture \"" + In("refused.bmp") + "\" in=2"}),
              0u)
        << Log();
    Picture corrupt = Bmp("corrupt.bmp");
    Picture refused = Bmp("refused.bmp");
    ASSERT_EQ(corrupt.width, 300);
    ASSERT_EQ(refused.width, 300);
    // Both show the box around the centre (150, 100) with the file name and, 50 pixels lower, a
    // message; the two messages differ.
    auto inkIn = [](const Picture& p, int y0, int y1, int* left, int* right) {
        uint32_t background = p.Colour(150, 100 - 60);
        *left = p.width;
        *right = -1;
        for (int y = y0; y <= y1; ++y) {
            for (int x = 30; x < 270; ++x) {
                if (p.Colour(x, y) != background) {
                    *left = x < *left ? x : *left;
                    *right = x > *right ? x : *right;
                }
            }
        }
        return *right >= 0;
    };
    int l1, r1, l2, r2;
    ASSERT_TRUE(inkIn(corrupt, 92, 108, &l1, &r1)) << "file name";
    ASSERT_TRUE(inkIn(corrupt, 142, 158, &l1, &r1)) << "message";
    ASSERT_TRUE(inkIn(refused, 142, 158, &l2, &r2)) << "message";
    // On the palette display the text comes out without smoothing, its ink a few pixels off.
    const double slack = ScreenDepth() == 8 ? 5.0 : 2.0;
    EXPECT_NEAR((l1 + r1) / 2.0, 150.0, slack);
    EXPECT_NEAR((l2 + r2) / 2.0, 150.0, slack);
    EXPECT_NE(r1 - l1, r2 - l2) << "\"Failed to load corrupt file\" against "
                                   "\"Incompatible file version\"";
    EXPECT_GT(r1 - l1, r2 - l2) << "the corrupt file's message is the longer one";
}

TEST_F(HOST_SUITE, PrintingTheEmbeddedDrawingGivesThePicture) {
    CopyExample("index.html");
    CopyExample("town-map.vem");
    ASSERT_EQ(Host("--size 700x600", {"open \"" + In("index.html") + "\"", "idle", "ticks 6",
                                      "capture \"" + In("screen.bmp") + "\" in=1",
                                      "print \"" + In("print.bmp") + "\" scale=2"}),
              0u)
        << Log();
    std::string log = Log();
    size_t call = log.find("call NPP_Print #1 mode=embed");
    ASSERT_NE(call, std::string::npos) << log;
    int x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(sscanf(log.c_str() + call,
                     "call NPP_Print #1 mode=embed x=%d y=%d width=%d height=%d", &x, &y, &w, &h),
              4);
    // Printing renders at 32 bits whatever the display: the reference is the stored capture.
    Picture screen;
    ASSERT_TRUE(
        ReadPpm(FromEnv("VEMO_SOURCE_DIR", "tests/view/expected/town-map-640x480.ppm"), screen));
    Picture print = Bmp("print.bmp");
    ASSERT_EQ(w, screen.width * 2);
    ASSERT_EQ(h, screen.height * 2);
    ASSERT_GE(x, 1);
    ASSERT_LE(x + w, print.width);
    ASSERT_LE(y + h, print.height);
    // The printed picture is the window-sized picture stretched: compare every 2 x 2 block's first
    // pixel away from edges, allowing for anti-aliased edges landing between pixels.
    int compared = 0;
    int close = 0;
    for (int sy = 2; sy < screen.height - 2; sy += 3) {
        for (int sx = 2; sx < screen.width - 2; sx += 3) {
            const uint8_t* a = screen.At(sx, sy);
            const uint8_t* b = print.At(x + 2 * sx, y + 2 * sy);
            int d = abs(a[0] - b[0]) + abs(a[1] - b[1]) + abs(a[2] - b[2]);
            ++compared;
            close += d <= 24 ? 1 : 0;
        }
    }
    EXPECT_GE(close * 100, compared * 95) << close << " of " << compared;
    // Outside the embed the printed page is not the picture.
    EXPECT_EQ(print.Colour(x - 1, y + h / 2) == print.Colour(x + 4, y + h / 2), false);
}

} // namespace
