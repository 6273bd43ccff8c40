// Window-to-document mapping, the zoom ladder and the zoom commands, on a plain view record.
#include <gtest/gtest.h>

#include <string.h>

#include "interaction/ViewTransform.h"

bool operator==(const DocRect& a, const DocRect& b) {
    return a.x0 == b.x0 && a.y0 == b.y0 && a.x1 == b.x1 && a.y1 == b.y1;
}

void PrintTo(const DocRect& r, std::ostream* os) {
    *os << "(" << r.x0 << ", " << r.y0 << ", " << r.x1 << ", " << r.y1 << ")";
}

namespace {

constexpr int32_t kNotSet = INT32_MIN;

// The fields the zoom commands read and write, with counters for the calls they make.
struct PlainView {
    int32_t clientWidth = 400;
    int32_t clientHeight = 400;
    DocRect currentView{0, 0, kNotSet, 0};
    DocRect previousView{0, 0, kNotSet, 0};
    DocRect defaultView{0, 0, kNotSet, 0};
    RenderMatrix matrix{0, 0, 0, 0, 0, 0};
    int32_t zoomPercent = 0;
    WindowPoint dragStart{0, 0};
    WindowPoint dragEnd{0, 0};
    int restarts = 0;
    int statusUpdates = 0;

    void RestartRendering() { ++restarts; }
    void UpdateStatusLine() { ++statusUpdates; }

    // Shows `view` with the scales a renderer computes for a square view in this window.
    void Show(DocRect view) {
        currentView = view;
        int32_t scale = int32_t((int64_t(clientWidth) << 30) / (int64_t(view.x1) - view.x0));
        matrix = RenderMatrix{scale, 0, 0, scale, 0, 0};
    }
};

TEST(DocPointFromWindow, MapsWindowPointsOfA400SquareAt100Percent) {
    const DocRect view{0, 0, 300000, 300000};
    const RenderMatrix m{1431655, 0, 0, 1431655, 0, 0};
    struct Case {
        int32_t px, py, x, y;
    } cases[] = {
        {200, 200, 150000, 150000}, // centre to centre
        {0, 0, 0, 300000},          // top-left to the view's left and top
        {400, 400, 300000, 0},      // bottom-right
        {100, 100, 75000, 225000},  // y downwards becomes y upwards
        {102, 101, 76500, 224250},
    };
    for (const Case& c : cases) {
        DocPoint p = DocPointFromWindow(400, 400, view, m, c.px, c.py);
        EXPECT_EQ(p.x, c.x) << c.px << "," << c.py;
        EXPECT_EQ(p.y, c.y) << c.px << "," << c.py;
    }
}

TEST(DocPointFromWindow, GivesZeroForAMissingScaleAndWrapsAt32Bits) {
    const DocRect view{0, 0, 300000, 300000};
    DocPoint noScale = DocPointFromWindow(400, 400, view, RenderMatrix{0, 0, 0, 0, 0, 0}, 10, 10);
    EXPECT_EQ(noScale.x, 0);
    EXPECT_EQ(noScale.y, 0);
    DocPoint onlyD = DocPointFromWindow(400, 400, view, RenderMatrix{0, 0, 0, 1431655, 0, 0}, 0, 0);
    EXPECT_EQ(onlyD.x, 0);
    EXPECT_EQ(onlyD.y, 300000);

    // Far right of a view near the top of the 32-bit range: the result wraps.
    const DocRect high{2147483000, 0, 2147483600, 600};
    DocPoint wrapped =
        DocPointFromWindow(400, 400, high, RenderMatrix{1 << 30, 0, 0, 1 << 30, 0, 0}, 2000, 0);
    EXPECT_EQ(wrapped.x, -2147482196);

    // A negative scale (mirrored) still truncates towards zero before the shift.
    DocPoint mirrored =
        DocPointFromWindow(400, 400, view, RenderMatrix{-1431655, 0, 0, -1431655, 0, 0}, 0, 0);
    EXPECT_EQ(mirrored.x, 300000);
    EXPECT_EQ(mirrored.y, 0);
}

TEST(DocRectFromWindow, TakesBottomLeftAndTopRightCorners) {
    const DocRect view{0, 0, 300000, 300000};
    const RenderMatrix m{1431655, 0, 0, 1431655, 0, 0};
    EXPECT_EQ(DocRectFromWindow(400, 400, view, m, 0, 0, 400, 400),
              (DocRect{0, 0, 300000, 300000}));
    EXPECT_EQ(DocRectFromWindow(400, 400, view, m, 100, 100, 102, 101),
              (DocRect{75000, 224250, 76500, 225000}));
}

TEST(ZoomOfView, IsTheSmallerOfBothDirections) {
    struct Case {
        uint32_t w, h;
        DocRect view;
        bool changes;
        int32_t zoom;
    } cases[] = {
        {400, 400, {0, 0, 300000, 300000}, true, 100},
        {400, 300, {0, 0, 300000, 300000}, true, 75},   // height limits
        {800, 400, {0, 0, 300000, 300000}, true, 100},  // width would allow 200
        {400, 400, {0, 0, 0, 300000}, false, 0},        // zero width
        {400, 400, {5, 7, 300000, 7}, false, 0},        // zero height
        {400, 400, {0, 300000, 300000, 0}, true, -100}, // upside down: negative
        {400, 400, {0, 0, 150, 150}, true, 200000},
    };
    for (const Case& c : cases) {
        int32_t zoom = 0;
        EXPECT_EQ(ZoomOfView(c.w, c.h, c.view, &zoom), c.changes);
        if (c.changes) {
            EXPECT_EQ(zoom, c.zoom);
        }
    }
}

TEST(ViewAroundPoint, SpansTheShorterSideOfTheWindow) {
    DocRect view{1, 2, 3, 4};
    ASSERT_TRUE(ViewAroundPoint(400, 300, 100, DocPoint{0, 0}, &view));
    EXPECT_EQ(view, (DocRect{-112500, -112500, 112500, 112500}));
    ASSERT_TRUE(ViewAroundPoint(400, 400, 25601, DocPoint{7500, 22500}, &view));
    EXPECT_EQ(view, (DocRect{6915, 21915, 8085, 23085}));
    DocRect untouched{1, 2, 3, 4};
    EXPECT_FALSE(ViewAroundPoint(400, 400, 0, DocPoint{0, 0}, &untouched));
    EXPECT_FALSE(ViewAroundPoint(400, 400, -5, DocPoint{0, 0}, &untouched));
    EXPECT_EQ(untouched, (DocRect{1, 2, 3, 4}));
}

TEST(SnapZoom, ClampsAndSnapsWithinTwoPercent) {
    struct Case {
        int32_t in, out;
    } cases[] = {
        {9, 10},        {-40, 10},      {INT32_MIN, 10}, {25602, 25601}, {INT32_MAX, 25601},
        {99, 100},      {98, 98},       {101, 100},      {102, 100},     {103, 103},
        {197, 200},     {196, 196},     {150, 150},      {10, 10},       {25601, 25601},
        {25500, 25601}, {16300, 16000}, {24, 24},        {76, 75},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SnapZoom(c.in), c.out) << c.in;
    }
}

TEST(ZoomSteps, GoUpAndDownTheLadder) {
    struct Case {
        int32_t from, up, down;
    } cases[] = {
        {10, 25, 10},  {25601, 25601, 16000}, {150, 200, 100}, {100, 200, 75},
        {98, 100, 75}, {16000, 25601, 8000},  {11, 25, 10},    {20000, 25601, 16000},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ZoomStepUp(c.from), c.up) << c.from;
        EXPECT_EQ(ZoomStepDown(c.from), c.down) << c.from;
    }
}

TEST(ZoomStepAt, SnapsFirstThenStepsAroundThePoint) {
    struct Case {
        int32_t zoom;
        uint32_t keys;
        int32_t expected;
    } cases[] = {
        {98, 0, 100},              // 98 is not within 2 percent of 100
        {99, 0, 200},              // 99 snaps to 100 first
        {10, kKeyShift, 10},       // out at the smallest step stays
        {25601, 0, 25601},         // in at the largest step stays
        {150, kKeyShift, 100},     // shift zooms out
        {5, 0, 25},                // a zoom below the ladder is clamped first
        {30000, kKeyShift, 16000}, // and one above it
    };
    for (const Case& c : cases) {
        PlainView v;
        v.zoomPercent = c.zoom;
        ZoomStepAt(v, c.keys, DocPoint{1000, -1000});
        EXPECT_EQ(v.zoomPercent, c.expected) << c.zoom;
        DocRect around;
        ASSERT_TRUE(ViewAroundPoint(400, 400, c.expected, DocPoint{1000, -1000}, &around));
        EXPECT_EQ(v.currentView, around) << "centred on the point";
        EXPECT_EQ(v.statusUpdates, 1);
        EXPECT_EQ(v.restarts, 0) << "the caller restarts";
    }
}

TEST(ZoomFromView, ZeroWidthLeavesTheZoom) {
    PlainView v;
    v.zoomPercent = 321;
    v.currentView = DocRect{5, 0, 5, 1000};
    ZoomFromView(v);
    EXPECT_EQ(v.zoomPercent, 321);
    v.currentView = DocRect{0, 0, 300000, 300000};
    ZoomFromView(v);
    EXPECT_EQ(v.zoomPercent, 100);
}

struct DragCase {
    const char* name;
    DocRect shown;
    WindowPoint start, end;
    uint32_t keys;
    int32_t zoom;
    DocRect view;
};

TEST(FinishZoomDrag, ClicksAndAreas) {
    const DragCase cases[] = {
        // 2 x 1 pixels is a click: one step in around the press point.
        {"click 2x1",
         {0, 0, 300000, 300000},
         {100, 100},
         {102, 101},
         0,
         200,
         {75000 - 75000, 225000 - 75000, 75000 + 75000, 225000 + 75000}},
        {"shift click",
         {0, 0, 300000, 300000},
         {100, 100},
         {100, 100},
         kKeyShift,
         75,
         {75000 - 200000, 225000 - 200000, 75000 + 200000, 225000 + 200000}},
        // 2 x 2 pixels zooms to the dragged area itself.
        {"area 2x2",
         {0, 0, 300000, 300000},
         {100, 100},
         {102, 102},
         0,
         20000,
         {75000, 223500, 76500, 225000}},
        {"area dragged backwards",
         {0, 0, 300000, 300000},
         {102, 102},
         {100, 100},
         0,
         20000,
         {75000, 223500, 76500, 225000}},
        // Too small for 25601 percent: 25601 around the press corner, not the frame's middle.
        {"too small",
         {0, 0, 30000, 30000},
         {100, 100},
         {102, 102},
         0,
         25601,
         {6915, 21915, 8085, 23085}},
        // Too large for 10 percent: 25 percent (the step above 10) around the press corner.
        {"too large",
         {0, 0, 3000000, 3000000},
         {0, 0},
         {800, 800},
         0,
         25,
         {-6 - 600000, 3000006 - 600000, -6 + 600000, 3000006 + 600000}},
    };
    for (const DragCase& c : cases) {
        PlainView v;
        v.Show(c.shown);
        ZoomFromView(v);
        v.dragStart = c.start;
        v.dragEnd = c.end;
        FinishZoomDrag(v, c.keys);
        EXPECT_EQ(v.zoomPercent, c.zoom) << c.name;
        EXPECT_EQ(v.currentView, c.view) << c.name;
        EXPECT_EQ(v.restarts, 1) << c.name;
    }
}

TEST(FinishZoomDrag, AFlatAreaKeepsTheEarlierZoom) {
    PlainView v;
    v.Show(DocRect{0, 0, 300000, 300000});
    v.zoomPercent = 100;
    v.dragStart = WindowPoint{100, 100};
    v.dragEnd = WindowPoint{100, 300}; // area 0 is a click
    FinishZoomDrag(v, 0);
    EXPECT_EQ(v.zoomPercent, 200);

    // 4 x 1 pixels is an area, but at two pixels per unit its document height is zero: the
    // zoom stays as it was.
    PlainView flat;
    flat.currentView = DocRect{0, 0, 200, 200};
    flat.matrix = RenderMatrix{INT32_MAX, 0, 0, INT32_MAX, 0, 0};
    flat.zoomPercent = 1234;
    flat.dragStart = WindowPoint{10, 10};
    flat.dragEnd = WindowPoint{14, 11};
    FinishZoomDrag(flat, 0);
    EXPECT_EQ(flat.currentView, (DocRect{5, 195, 7, 195}));
    EXPECT_EQ(flat.zoomPercent, 1234);
    EXPECT_EQ(flat.restarts, 1);
}

TEST(LimitZoom, SnapsAnOutOfRangeViewAroundTheWindowCentre) {
    PlainView low;
    low.Show(DocRect{0, 0, 6000000, 6000000}); // 5 percent
    LimitZoom(low);
    EXPECT_EQ(low.zoomPercent, 10);
    EXPECT_EQ(low.currentView, (DocRect{1500000, 1500000, 4500000, 4500000}));

    PlainView keep;
    keep.Show(DocRect{0, 0, 300000, 300000}); // 100 percent
    LimitZoom(keep);
    EXPECT_EQ(keep.zoomPercent, 100);
    EXPECT_EQ(keep.currentView, (DocRect{0, 0, 300000, 300000}));

    PlainView high;
    high.Show(DocRect{1000, 1000, 2000, 2000}); // 30000 percent
    LimitZoom(high);
    EXPECT_EQ(high.zoomPercent, 25601);
    EXPECT_EQ(high.currentView, (DocRect{1500 - 585, 1500 - 585, 1500 + 585, 1500 + 585}));
}

TEST(ViewCommands, PreviousZoomAfterDefaultViewReturns) {
    PlainView v;
    v.Show(DocRect{0, 0, 300000, 300000});
    v.defaultView = DocRect{0, 0, 600000, 600000};
    GoToDefaultView(v);
    EXPECT_EQ(v.currentView, (DocRect{0, 0, 600000, 600000}));
    EXPECT_EQ(v.previousView, (DocRect{0, 0, 300000, 300000}));
    EXPECT_EQ(v.zoomPercent, 50);
    PreviousZoom(v);
    EXPECT_EQ(v.currentView, (DocRect{0, 0, 300000, 300000}));
    EXPECT_EQ(v.previousView, (DocRect{0, 0, 600000, 600000}));
    EXPECT_EQ(v.zoomPercent, 100);
    PreviousZoom(v);
    EXPECT_EQ(v.currentView, (DocRect{0, 0, 600000, 600000}));
    EXPECT_EQ(v.restarts, 3);
}

struct ViewportCase {
    const char* text; // null: no attribute
    bool set;
    DocRect view;
    int32_t flag;
};

TEST(ParseViewport, ReadsTheAttribute) {
    const ViewportCase cases[] = {
        {"10 20 300 400", true, {10, 20, 300, 400}, 1},
        {"10 20 300 400 false", true, {10, 20, 300, 400}, 0},
        {"10 20 300 400 FaLsE", true, {10, 20, 300, 400}, 0},
        {"10 20 300 400    FALSE", true, {10, 20, 300, 400}, 0},
        {"10 20 300 400 FALSE ", true, {10, 20, 300, 400}, 1},
        {"10 20 300 400 FALS", true, {10, 20, 300, 400}, 1},
        {"10 20 300 400 FALSEX", true, {10, 20, 300, 400}, 1},
        {"+5 -7 ++12 - 3", true, {5, -7, 12, 0}, 1},
        {"1,2,3,4", true, {1, 0, 0, 0}, 1},
        {"", true, {0, 0, 0, 0}, 1},
        {"7", true, {7, 0, 0, 0}, 1},
        {"4294967296 4294967295 2147483648 -2147483648", true, {0, -1, INT32_MIN, INT32_MIN}, 1},
        {"  -12  +-3 x", true, {-12, -3, 0, 0}, 1},
        {"FALSE", true, {0, 0, 0, 0}, 0},
        {nullptr, false, {0, 0, kNotSet, 0}, 9},
    };
    for (const ViewportCase& c : cases) {
        DocRect view{0, 0, kNotSet, 0};
        int32_t flag = 9;
        int32_t length = c.text ? int32_t(strlen(c.text)) : 0;
        EXPECT_EQ(ParseViewport(c.text, length, &view, &flag), c.set) << c.text;
        EXPECT_EQ(view, c.view) << (c.text ? c.text : "(absent)");
        EXPECT_EQ(flag, c.flag) << (c.text ? c.text : "(absent)");
    }
}

TEST(ParseViewport, StopsAtTheGivenLength) {
    const char text[] = "1 2 3 4 FALSE and more";
    DocRect view{};
    int32_t flag = 9;
    ASSERT_TRUE(ParseViewport(text, 13, &view, &flag));
    EXPECT_EQ(view, (DocRect{1, 2, 3, 4}));
    EXPECT_EQ(flag, 0);
    ASSERT_TRUE(ParseViewport(text, 3, &view, &flag));
    EXPECT_EQ(view, (DocRect{1, 2, 0, 0}));
}

} // namespace
