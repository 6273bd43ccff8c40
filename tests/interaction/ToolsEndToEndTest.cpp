// The zoom and push tools end to end: the browser stand-in (vemohost.exe) shows the example town
// map through the built plug-in and the registered renderer; real pointer input drags a zoom
// frame or pushes the picture, and the captures before and after show the effect. The results
// are also compared with stored captures (VEMO_UPDATE_CAPTURES=1 writes them anew).
#include <stdlib.h>

#include "support/HostScenario.h"

namespace {

using testfiles::Features;
using testfiles::Picture;
using testfiles::ScreenDepth;

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

class ToolsEndToEnd : public HostScenarioTest {
protected:
    void SetUp() override {
        HostScenarioTest::SetUp();
        CopyExample("town-map.vem");
        CopyExample("index.html");
    }

    // Shows the example page, captures the drawing, runs the steps, lets the rendering finish
    // and captures again.
    void CaptureAround(const std::vector<std::string>& steps, Picture& before, Picture& after) {
        std::vector<std::string> all = {Open("index.html"), "idle", "ticks 6",
                                        CaptureStep("before.bmp")};
        all.insert(all.end(), steps.begin(), steps.end());
        all.push_back("ticks 10");
        all.push_back(CaptureStep("after.bmp"));
        HostLog log = Run(all, "--size 700x600");
        ASSERT_EQ(log.exitCode, 0u) << log.Text();
        ASSERT_TRUE(testfiles::ReadBmp(In("before.bmp"), before));
        ASSERT_TRUE(testfiles::ReadBmp(In("after.bmp"), after));
        ASSERT_EQ(before.width, 640);
        ASSERT_EQ(before.height, 480);
        ASSERT_EQ(after.width, 640);
        ASSERT_EQ(after.height, 480);
        ASSERT_GT(Features(before), 10000) << "the drawing is shown";
    }

    // The capture against the stored one: anti-aliased edges may move by a shade.
    void ExpectLikeStored(const Picture& shown, const char* name) {
        Picture expected;
        ASSERT_TRUE(testfiles::StoredCapture(std::string("tests/interaction/expected/") + name,
                                             shown, expected))
            << name;
        ASSERT_EQ(expected.width, shown.width);
        ASSERT_EQ(expected.height, shown.height);
        int share = MatchingShare(shown, expected, 24, [](int x, int y, int* rx, int* ry) {
            *rx = x;
            *ry = y;
        });
        EXPECT_GE(share, 99) << name;
    }
};

TEST_F(ToolsEndToEnd, AZoomDragShowsTheFramedAreaInTheWholeWindow) {
    if (ScreenDepth() != 32) {
        GTEST_SKIP() << "compares colours of a true-colour display";
    }
    Picture before, after;
    // The frame spans half the window each way: the zoom doubles.
    CaptureAround({"drag 160 120 480 360"}, before, after);
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
    CaptureAround({"click 300 200 right", "menu \"Push Tool\"", "drag 300 200 400 250"}, before,
                  after);
    std::string log = testfiles::ReadText(In("log.txt"));
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
