// The plug-in end to end: vemohost.exe (the browser stand-in) loads the built NPVemoC.dll, which
// renders through the registered VemoDoc.dll, at the depth of the display the program runs on.
// The example page's drawing appears like the stored capture (testfiles::ExpectLikeCapture); a
// slow stream builds the picture up over several ticks; a corrupt and a refused file show their
// displays; printing the page gives the picture in the printer stand-in. VEMO_UPDATE_CAPTURES=1
// at depth 24 writes the capture anew.
#include <stdlib.h>

#include "support/HostScenario.h"

namespace {

using testfiles::Differing;
using testfiles::ExpectLikeCapture;
using testfiles::Features;
using testfiles::Picture;
using testfiles::ScreenDepth;
using testfiles::WriteBytes;

// The example page's drawing as a true-colour display shows it.
constexpr const char* kStored = "tests/view/expected/town-map-640x480.ppm";

class HostEndToEnd : public HostScenarioTest {};

TEST_F(HostEndToEnd, TheExamplePageShowsTheDrawing) {
    CopyExample("index.html");
    CopyExample("town-map.vem");
    // The page is large enough for the whole 640 x 480 embed.
    HostLog log =
        Run({Open("index.html"), "idle", "ticks 6", CaptureStep("map.bmp")}, "--size 700x600");
    ASSERT_EQ(log.exitCode, 0u) << log.Text();
    Picture shown = Capture("map.bmp");
    ASSERT_EQ(shown.width, 640);
    ASSERT_EQ(shown.height, 480);
    Picture expected;
    ASSERT_TRUE(testfiles::StoredCapture(kStored, shown, expected)) << kStored;
    ASSERT_GT(Features(expected), 10000);
    ExpectLikeCapture(expected, shown, ScreenDepth());
}

TEST_F(HostEndToEnd, ASlowStreamBuildsThePictureUp) {
    CopyExample("index.html");
    CopyExample("town-map.vem");
    // 1198 bytes in chunks of 128, one every 400 ms: the stream lasts about 4 seconds.
    std::vector<std::string> steps = {Open("index.html")};
    const char* names[] = {"s1.bmp", "s2.bmp", "s3.bmp", "s4.bmp"};
    for (const char* name : names) {
        steps.push_back("ticks 4");
        steps.push_back(CaptureStep(name));
    }
    steps.push_back("idle");
    steps.push_back("ticks 4");
    steps.push_back(CaptureStep("end.bmp"));
    HostLog log = Run(steps, "--size 700x600 --chunk 128 --pace 400");
    ASSERT_EQ(log.exitCode, 0u) << log.Text();
    std::vector<Picture> stages;
    for (const char* name : names) {
        stages.push_back(Capture(name));
    }
    Picture end = Capture("end.bmp");
    int changes = 0;
    for (size_t i = 1; i < stages.size(); ++i) {
        changes += Differing(stages[i], stages[i - 1]) > 1000 ? 1 : 0;
    }
    changes += Differing(end, stages.back()) > 1000 ? 1 : 0;
    EXPECT_GE(changes, 2) << "the picture grows in steps while the data arrives";
    EXPECT_GT(Features(end), Features(stages[0]));
}

TEST_F(HostEndToEnd, CorruptAndRefusedFilesShowTheirDisplays) {
    CopyExample("failure-corrupt.vem");
    ASSERT_TRUE(WriteBytes(In("not-a-drawing.vem"), "GIF89a: this is not a drawing file at all"));
    ASSERT_TRUE(WriteBytes(In("failures.html"),
                           "<html><body>\n"
                           "<embed src=\"failure-corrupt.vem\" type=\"application/vnd.vemo\" "
                           "width=\"300\" height=\"200\"><br>\n"
                           "<embed src=\"not-a-drawing.vem\" type=\"application/vnd.vemo\" "
                           "width=\"300\" height=\"200\">\n"
                           "</body></html>\n"));
    HostLog log = Run({Open("failures.html"), "idle", "ticks 4", CaptureStep("corrupt.bmp"),
                       CaptureStep("refused.bmp", 2)},
                      "--size 700x500");
    ASSERT_EQ(log.exitCode, 0u) << log.Text();
    Picture corrupt = Capture("corrupt.bmp");
    Picture refused = Capture("refused.bmp");
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

TEST_F(HostEndToEnd, PrintingTheEmbeddedDrawingGivesThePicture) {
    CopyExample("index.html");
    CopyExample("town-map.vem");
    HostLog run = Run({Open("index.html"), "idle", "ticks 6", CaptureStep("screen.bmp"),
                       "print \"" + In("print.bmp") + "\" scale=2"},
                      "--size 700x600");
    ASSERT_EQ(run.exitCode, 0u) << run.Text();
    std::string log = run.Text();
    size_t call = log.find("call NPP_Print #1 mode=embed");
    ASSERT_NE(call, std::string::npos) << log;
    int x = 0, y = 0, w = 0, h = 0;
    ASSERT_EQ(sscanf(log.c_str() + call,
                     "call NPP_Print #1 mode=embed x=%d y=%d width=%d height=%d", &x, &y, &w, &h),
              4);
    // Printing renders at 32 bits whatever the display: the reference is the stored capture.
    Picture screen;
    ASSERT_TRUE(testfiles::ReadPpm(testfiles::PathFromEnv("VEMO_SOURCE_DIR", kStored), screen));
    Picture print = Capture("print.bmp");
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
