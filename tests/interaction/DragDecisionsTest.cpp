// The drag frame's strips and the decisions of the mouse handlers (move, release, cursor), as
// tables.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "interaction/DragGeometry.h"

namespace {

using Pixel = std::pair<int32_t, int32_t>;

// Every pixel the strips invert, with how often.
std::multiset<Pixel> Inverted(const FrameStrip* strips, int32_t count) {
    std::multiset<Pixel> pixels;
    for (int32_t i = 0; i < count; ++i) {
        EXPECT_GE(strips[i].width, 1);
        EXPECT_GE(strips[i].height, 1);
        for (int32_t y = strips[i].y; y < strips[i].y + strips[i].height; ++y) {
            for (int32_t x = strips[i].x; x < strips[i].x + strips[i].width; ++x) {
                pixels.insert(Pixel{x, y});
            }
        }
    }
    return pixels;
}

// The outline of the columns left..right-1 and rows top..bottom-1.
std::multiset<Pixel> Outline(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    std::multiset<Pixel> pixels;
    for (int32_t y = top; y < bottom; ++y) {
        for (int32_t x = left; x < right; ++x) {
            if (y == top || y == bottom - 1 || x == left || x == right - 1) {
                pixels.insert(Pixel{x, y});
            }
        }
    }
    return pixels;
}

struct FrameCase {
    const char* name;
    WindowPoint a, b;
    int32_t left, top, right, bottom; // the outline expected
    int32_t strips;
};

TEST(DragFrame, InvertsTheOutlineOnceWhateverTheCornerOrder) {
    const FrameCase cases[] = {
        {"down right", {10, 20}, {50, 60}, 10, 20, 50, 60, 4},
        {"up left", {50, 60}, {10, 20}, 10, 20, 50, 60, 4},
        {"down left", {50, 20}, {10, 60}, 10, 20, 50, 60, 4},
        {"beyond the window", {-30, -5}, {20, 400}, -30, -5, 20, 400, 4},
        {"two rows: no sides", {0, 0}, {5, 2}, 0, 0, 5, 2, 2},
        {"three rows, one column", {7, 3}, {8, 6}, 7, 3, 8, 6, 3},
        {"a horizontal drag is a line", {10, 30}, {110, 30}, 10, 30, 110, 31, 1},
        {"a vertical drag is a line", {10, 30}, {10, 80}, 10, 30, 11, 80, 3},
        {"no move at all is one pixel", {4, 4}, {4, 4}, 4, 4, 5, 5, 1},
    };
    for (const FrameCase& c : cases) {
        FrameStrip strips[4];
        int32_t count = DragFrameStrips(c.a, c.b, strips);
        EXPECT_EQ(count, c.strips) << c.name;
        EXPECT_EQ(Inverted(strips, count), Outline(c.left, c.top, c.right, c.bottom)) << c.name;
    }
}

constexpr uint32_t kButton = kKeyLeftButton;
constexpr uint32_t kShift = kKeyShift;
constexpr uint32_t kCtrl = kKeyControl;

struct MoveCase {
    const char* name;
    DragState state; // dragging, dragCancelled, tool, viewSet
    uint32_t keys;
    bool escape;
    MoveAction expected;
};

TEST(DragDecisions, MovesStartContinueAndCancelDrags) {
    const MoveCase cases[] = {
        // Idle
        {"zoom, button down starts a frame",
         {0, 0, kToolZoom, 1},
         kButton,
         false,
         MoveAction::StartZoomDrag},
        {"push, button down starts pushing",
         {0, 0, kToolPush, 1},
         kButton,
         false,
         MoveAction::StartPushDrag},
        {"no tool never drags", {0, 0, kToolNone, 1}, kButton, false, MoveAction::Hover},
        {"button up only hovers", {0, 0, kToolZoom, 1}, 0, false, MoveAction::Hover},
        {"modifiers alone only hover",
         {0, 0, kToolZoom, 1},
         kShift | kCtrl,
         false,
         MoveAction::Hover},
        {"start with shift held",
         {0, 0, kToolZoom, 1},
         kButton | kShift,
         false,
         MoveAction::StartZoomDrag},
        {"escape while idle changes nothing",
         {0, 0, kToolZoom, 1},
         kButton,
         true,
         MoveAction::StartZoomDrag},
        {"no view yet: no zoom drag", {0, 0, kToolZoom, 0}, kButton, false, MoveAction::Hover},
        {"no view yet: no push drag", {0, 0, kToolPush, 0}, kButton, false, MoveAction::Hover},
        // Cancelled
        {"cancelled: no new zoom drag", {0, 1, kToolZoom, 1}, kButton, false, MoveAction::Hover},
        {"cancelled: no new push drag", {0, 1, kToolPush, 1}, kButton, false, MoveAction::Hover},
        // Dragging
        {"zoom frame follows", {1, 0, kToolZoom, 1}, kButton, false, MoveAction::MoveFrame},
        {"push follows", {1, 0, kToolPush, 1}, kButton | kCtrl, false, MoveAction::Push},
        {"escape cancels a zoom drag", {1, 0, kToolZoom, 1}, kButton, true, MoveAction::Cancel},
        {"escape cancels a push drag", {1, 0, kToolPush, 1}, kButton, true, MoveAction::Cancel},
        {"a release out of sight ends the drag",
         {1, 0, kToolPush, 1},
         0,
         false,
         MoveAction::Cancel},
    };
    for (const MoveCase& c : cases) {
        EXPECT_EQ(DecideMove(c.state, c.keys, c.escape), c.expected) << c.name;
    }
}

struct ReleaseCase {
    const char* name;
    DragState state;
    bool link;
    uint32_t keys;
    ReleaseAction expected;
};

TEST(DragDecisions, ReleasesFollowTheToolAndKeyTable) {
    const ReleaseCase cases[] = {
        // Clicks with the zoom tool
        {"zoom: plain click", {0, 0, kToolZoom, 1}, false, 0, ReleaseAction::ZoomStep},
        {"zoom: shift click", {0, 0, kToolZoom, 1}, false, kShift, ReleaseAction::ZoomStep},
        {"zoom: click on link", {0, 0, kToolZoom, 1}, true, 0, ReleaseAction::FollowLink},
        {"zoom: shift click on link",
         {0, 0, kToolZoom, 1},
         true,
         kShift,
         ReleaseAction::FollowLink},
        {"zoom: ctrl click on link zooms",
         {0, 0, kToolZoom, 1},
         true,
         kCtrl,
         ReleaseAction::ZoomStep},
        {"zoom: ctrl shift click on link zooms",
         {0, 0, kToolZoom, 1},
         true,
         kCtrl | kShift,
         ReleaseAction::ZoomStep},
        {"zoom: no view yet", {0, 0, kToolZoom, 0}, false, 0, ReleaseAction::Nothing},
        // Push and no tool
        {"push: click on link", {0, 0, kToolPush, 1}, true, 0, ReleaseAction::FollowLink},
        {"push: shift click on link",
         {0, 0, kToolPush, 1},
         true,
         kShift,
         ReleaseAction::FollowLink},
        {"push: ctrl click on link", {0, 0, kToolPush, 1}, true, kCtrl, ReleaseAction::Nothing},
        {"push: plain click", {0, 0, kToolPush, 1}, false, 0, ReleaseAction::Nothing},
        {"none: click on link", {0, 0, kToolNone, 1}, true, 0, ReleaseAction::FollowLink},
        {"none: ctrl click on link", {0, 0, kToolNone, 1}, true, kCtrl, ReleaseAction::Nothing},
        {"none: plain click", {0, 0, kToolNone, 1}, false, 0, ReleaseAction::Nothing},
        // After a drag
        {"zoom drag ends", {1, 0, kToolZoom, 1}, true, 0, ReleaseAction::FinishZoom},
        {"push drag ends, link ignored", {1, 0, kToolPush, 1}, true, 0, ReleaseAction::EndDrag},
        {"cancelled zoom drag changes nothing",
         {0, 1, kToolZoom, 1},
         true,
         0,
         ReleaseAction::EndDrag},
        {"cancelled push drag changes nothing",
         {0, 1, kToolPush, 1},
         false,
         kShift,
         ReleaseAction::EndDrag},
    };
    for (const ReleaseCase& c : cases) {
        EXPECT_EQ(DecideRelease(c.state, c.link, c.keys), c.expected) << c.name;
    }
}

struct CursorCase {
    bool link, control;
    int32_t dragging, tool;
    CursorKind expected;
};

TEST(DragDecisions, TheLinkHandWinsOnlyWithoutCtrlAndDrag) {
    const CursorCase cases[] = {
        {false, false, 0, kToolZoom, CursorKind::Zoom},
        {false, false, 0, kToolPush, CursorKind::Push},
        {false, false, 0, kToolNone, CursorKind::Arrow},
        {false, false, 0, 7, CursorKind::Arrow},
        {true, false, 0, kToolZoom, CursorKind::Link},
        {true, false, 0, kToolNone, CursorKind::Link},
        {true, true, 0, kToolZoom, CursorKind::Zoom},
        {true, true, 0, kToolNone, CursorKind::Arrow},
        {true, false, 1, kToolPush, CursorKind::Push},
        {true, false, 1, kToolZoom, CursorKind::Zoom},
    };
    for (const CursorCase& c : cases) {
        EXPECT_EQ(ChooseCursor(c.link, c.control, c.dragging, c.tool), c.expected)
            << c.link << c.control << c.dragging << c.tool;
    }
}

} // namespace
