// Push scrolling under Wine, at the depth of the display the program runs on (24, 16 or 8
// bits): the picture on the screen and in the back buffer moves with the pointer, only the
// uncovered strips are queued for rendering, tiles in progress move along, and the large-move
// and no-back-buffer paths.
#include <string.h>

#include <vector>

#include "tests/interaction/ToolsFixture.h"

void PrintTo(const TileRect& r, std::ostream* os) {
    *os << "(" << r.left << ", " << r.top << ", " << r.right << ", " << r.bottom << ")";
}

namespace toolstest {
namespace {

constexpr int kWidth = 200;
constexpr int kHeight = 100;
// 100 percent: a pixel is 750 units.
constexpr DocRect kFirstView{0, 0, 150000, 75000};
constexpr int64_t kOne = int64_t(1) << 30;

std::vector<TileRect> TileRects(const TileList& list) {
    std::vector<TileRect> rects;
    for (const RenderTile* t = list.head; t != nullptr; t = t->next) {
        rects.push_back(t->rect);
    }
    return rects;
}

class PushScrolling : public ToolsFixture {
protected:
    int bytesPerPixel = 4;
    uint32_t white = 0x00FFFFFF;

    // A 200 x 100 view whose first tile has finished, so that no tile is pending; the back
    // buffer then holds a pattern (one patch of it white) that is painted to the screen.
    void ShowPattern() {
        ShowView(kWidth, kHeight, kFirstView, true);
        ASSERT_EQ(view->backValid, 1);
        ASSERT_EQ(view->tiles.head, nullptr);
        bytesPerPixel = view->backInfo->bmiHeader.biBitCount / 8;
        white = bytesPerPixel == 1 ? 0xFF : 0x00FFFFFF;
        for (int row = 0; row < kHeight; ++row) {
            for (int x = 0; x < kWidth; ++x) {
                bool patch = x >= 150 && x < 160 && row >= 40 && row < 50;
                SetBack(x, row, patch ? white : Pattern(x, row));
            }
        }
        view->tool = kToolPush;
        InvalidateRect(browser->child, nullptr, FALSE);
        UpdateWindow(browser->child);
    }
    uint32_t Pattern(int x, int row) const {
        return bytesPerPixel == 1 ? uint32_t((x * 7 + row * 3) % 240)
                                  : uint32_t((x * 5) << 16 | (row * 2) << 8 | 0x40);
    }
    uint8_t* BackPixel(int x, int row) {
        uint32_t stride = uint32_t(((kWidth * bytesPerPixel * 8) + 31) / 32 * 4);
        return view->backBits + size_t(row) * stride + size_t(x) * bytesPerPixel;
    }
    void SetBack(int x, int row, uint32_t v) { memcpy(BackPixel(x, row), &v, bytesPerPixel); }
    uint32_t Back(int x, int row) {
        uint32_t v = 0;
        memcpy(&v, BackPixel(x, row), bytesPerPixel);
        return v;
    }
    // A push drag from (50, 50) by (dx, dy), the picture then painted.
    void Push(int dx, int dy) {
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(50, 50));
        Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50 + dx, 50 + dy));
        UpdateWindow(browser->child);
    }
};

struct PushCase {
    int dx, dy;
    std::vector<TileRect> queued; // newest first
};

TEST_F(PushScrolling, ThePictureFollowsThePointerAndOnlyStripsAreRendered) {
    const PushCase cases[] = {
        {10, 0, {{0, 0, 10, 100}}},
        {-10, 0, {{190, 0, 200, 100}}},
        {10, 5, {{0, 0, 200, 5}, {0, 5, 10, 100}}},
        {-10, -5, {{0, 95, 200, 100}, {190, 0, 200, 95}}},
        {0, -30, {{0, 70, 200, 100}}},
    };
    for (const PushCase& c : cases) {
        ShowPattern();
        Surface before(kWidth, kHeight, 0), after(kWidth, kHeight, 0);
        Capture(before);
        const uint32_t shownWhite = before.At(155, kHeight - 1 - 45);
        const RenderMatrix matrix = view->matrix;
        size_t contexts = renderer.contexts.size();
        Push(c.dx, c.dy);
        Capture(after);

        EXPECT_EQ(TileRects(view->tiles), c.queued) << c.dx << "," << c.dy;
        EXPECT_EQ(renderer.contexts.size() - contexts, c.queued.size()) << "nothing else renders";
        for (const RenderTile* t = view->tiles.head; t != nullptr; t = t->next) {
            DocRect d = t->docRect;
            EXPECT_EQ(d.x0, view->currentView.x0 + 750 * t->rect.left) << "strip's drawing part";
            EXPECT_EQ(d.y1, view->currentView.y1 - 750 * t->rect.top);
            EXPECT_EQ(d.x1 - d.x0, 750 * (t->rect.right - t->rect.left));
        }
        EXPECT_EQ(view->currentView.x0, -750 * c.dx) << "the drawing moved with the pointer";
        EXPECT_EQ(view->currentView.y1, 75000 + 750 * c.dy);
        EXPECT_EQ(view->matrix.e, matrix.e - c.dx * kOne);
        EXPECT_EQ(view->matrix.f, matrix.f - c.dy * kOne);
        EXPECT_EQ(view->pushOffset.x, c.dx);
        EXPECT_EQ(view->pushOffset.y, c.dy);
        EXPECT_EQ(view->pressDocPoint.x, (50 + c.dx) * 750 + view->currentView.x0);

        int wrongBack = 0, wrongScreen = 0;
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                int fromX = x - c.dx, fromY = y - c.dy;
                bool kept = fromX >= 0 && fromX < kWidth && fromY >= 0 && fromY < kHeight;
                int row = kHeight - 1 - y, fromRow = kHeight - 1 - fromY;
                uint32_t expectedBack = white;
                uint32_t expectedScreen = shownWhite;
                if (kept) {
                    bool patch = fromX >= 150 && fromX < 160 && fromRow >= 40 && fromRow < 50;
                    expectedBack = patch ? white : Pattern(fromX, fromRow);
                    expectedScreen = before.At(fromX, fromY);
                }
                wrongBack += Back(x, row) != expectedBack ? 1 : 0;
                wrongScreen += after.At(x, y) != expectedScreen ? 1 : 0;
            }
        }
        EXPECT_EQ(wrongBack, 0) << c.dx << "," << c.dy;
        EXPECT_EQ(wrongScreen, 0) << c.dx << "," << c.dy << " at " << ScreenDepth() << " bits";
        TearDown();
        SetUp();
    }
}

TEST_F(PushScrolling, TheSamePositionChangesNothing) {
    ShowPattern();
    Push(10, 0);
    std::vector<TileRect> tiles = TileRects(view->tiles);
    DocRect current = view->currentView;
    RenderMatrix matrix = view->matrix;
    size_t contexts = renderer.contexts.size();
    Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 50));
    EXPECT_EQ(TileRects(view->tiles), tiles);
    EXPECT_TRUE(view->currentView == current);
    EXPECT_EQ(view->matrix.e, matrix.e);
    EXPECT_EQ(view->pushOffset.x, 10);
    EXPECT_EQ(renderer.contexts.size(), contexts);
}

TEST_F(PushScrolling, TilesInProgressMoveWithThePicture) {
    ShowPattern();
    view->InsertTile(view->CreateTile(TileRect{0, 0, 50, 50}, DocRect{0, 37500, 37500, 75000}));
    view->InsertTile(
        view->CreateTile(TileRect{195, 60, 200, 100}, DocRect{146250, 0, 150000, 30000}));
    ASSERT_EQ(TileRects(view->tiles).size(), 2u);
    ULONG moving = view->tiles.head->next->context;
    Push(10, 0);
    // The tile at the right edge left the window; the other kept its context.
    std::vector<TileRect> rects = TileRects(view->tiles);
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], (TileRect{0, 0, 10, 100}));
    EXPECT_EQ(rects[1], (TileRect{10, 0, 60, 50}));
    EXPECT_EQ(view->tiles.head->next->context, moving);
    EXPECT_FALSE(renderer.contexts[moving].destroyed);
    EXPECT_TRUE(renderer.contexts[moving].view.x0 == 0) << "still rendering the same part";
    EXPECT_EQ(renderer.LiveContexts(), 2);
}

TEST_F(PushScrolling, AMoveBeyondTheWindowRestartsWithAWhiteBuffer) {
    ShowPattern();
    size_t contexts = renderer.contexts.size();
    Push(250, 0);
    EXPECT_EQ(renderer.contexts.size() - contexts, 1u);
    EXPECT_EQ(TileRects(view->tiles), (std::vector<TileRect>{{0, 0, 200, 100}}));
    EXPECT_EQ(view->currentView.x0, -250 * 750);
    EXPECT_EQ(renderer.contexts.rbegin()->second.view.x0, -250 * 750);
    EXPECT_EQ(view->pictureShown, 0);
    int notWhite = 0;
    for (int row = 0; row < kHeight; ++row) {
        for (int x = 0; x < kWidth; ++x) {
            notWhite += Back(x, row) != white ? 1 : 0;
        }
    }
    EXPECT_EQ(notWhite, 0);
    EXPECT_EQ(view->pushOffset.x, 250);
}

TEST_F(PushScrolling, WithoutBackBufferEachStepRendersTheWholeNewView) {
    ShowPattern();
    view->backValid = 0;
    const int moves[][2] = {{10, 0}, {10, 10}, {-20, 30}};
    int x = 50, y = 50;
    Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
    for (const auto& move : moves) {
        x += move[0];
        y += move[1];
        Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, y));
        ASSERT_EQ(TileRects(view->tiles), (std::vector<TileRect>{{0, 0, 200, 100}}));
        EXPECT_EQ(renderer.LiveContexts(), 1) << "the earlier tiles are dropped";
        EXPECT_TRUE(view->tiles.head->docRect == view->currentView);
        EXPECT_EQ(view->currentView.x0, -750 * (x - 50));
        EXPECT_EQ(view->currentView.y1, 75000 + 750 * (y - 50));
        EXPECT_EQ(view->matrix.a, view->tiles.head->matrix.a);
    }
}

} // namespace
} // namespace toolstest
