// Painting and printing under Wine: the back buffer copied to the device on 4-pixel columns, the
// loading and failure displays, paints that queue tiles, and the off-screen print.
#include "tests/view/ViewFixture.h"

#include "view/ViewBitmaps.h"

namespace viewtest {
namespace {

constexpr uint32_t kMarker = 0xABCDEF;

class Painting : public ViewFixture {
protected:
    // Fills the 32-bit back buffer so that window pixel (x, y) holds Pattern(x, y).
    static uint32_t Pattern(int x, int y) { return 0x010000u | uint32_t(x) << 8 | uint32_t(y); }
    void FillBackBuffer() {
        ASSERT_EQ(view->backInfo->bmiHeader.biBitCount, 32);
        uint32_t* bits = reinterpret_cast<uint32_t*>(view->backBits);
        for (int y = 0; y < view->clientHeight; ++y) {
            for (int x = 0; x < view->clientWidth; ++x) {
                bits[(view->clientHeight - 1 - y) * view->clientWidth + x] = Pattern(x, y);
            }
        }
    }
    void FillBackBuffer(uint32_t colour) {
        uint32_t* bits = reinterpret_cast<uint32_t*>(view->backBits);
        for (int i = 0; i < view->clientWidth * view->clientHeight; ++i) {
            bits[i] = colour;
        }
    }
    void Paint(Surface& s, int left, int top, int right, int bottom) {
        view->PaintRegion(s.dc, left, top, right, bottom, view->backInfo, view->backBits);
    }
    // Horizontal extent of pixels that are neither `background` nor `other` in rows y0..y1.
    static bool InkExtent(Surface& s, int y0, int y1, uint32_t background, uint32_t other,
                          int* left, int* right) {
        *left = s.width;
        *right = -1;
        for (int y = y0; y <= y1; ++y) {
            for (int x = 0; x < s.width; ++x) {
                uint32_t c = s.At(x, y);
                if (c != background && c != other) {
                    *left = x < *left ? x : *left;
                    *right = x > *right ? x : *right;
                }
            }
        }
        return *right >= 0;
    }
    static int TextWidth(HDC dc, const char* text) {
        SIZE size{};
        GetTextExtentPoint32A(dc, text, int(strlen(text)), &size);
        return size.cx;
    }
};

TEST_F(Painting, UpdateRectangleCopiesWholeGroupsOfFourColumns) {
    MakeView(100, 50);
    StartRenderer();
    view->pictureShown = 1;
    FillBackBuffer();
    Surface s(100, 50, kMarker);
    Paint(s, 5, 0, 9, 10); // columns 4..11, window rows 0..9 (source rows from 40)
    for (int y = 0; y < 12; ++y) {
        for (int x = 0; x < 16; ++x) {
            bool inside = x >= 4 && x < 12 && y < 10;
            EXPECT_EQ(s.At(x, y), inside ? Pattern(x, y) : kMarker) << x << "," << y;
        }
    }
}

TEST_F(Painting, AnEmptyRectangleCopiesTheWholeBuffer) {
    struct Case {
        int left, top, right, bottom;
    } cases[] = {{50, 20, 50, 30}, {120, 0, 130, 10}, {10, 60, 20, 70}, {0, 0, 0, 0}};
    MakeView(100, 50);
    StartRenderer();
    view->pictureShown = 1;
    FillBackBuffer();
    for (const Case& c : cases) {
        Surface s(100, 50, kMarker);
        Paint(s, c.left, c.top, c.right, c.bottom);
        EXPECT_EQ(s.At(0, 0), Pattern(0, 0));
        EXPECT_EQ(s.At(99, 49), Pattern(99, 49));
        EXPECT_EQ(s.At(37, 21), Pattern(37, 21));
    }
}

TEST_F(Painting, RectanglesAreClampedToTheClientArea) {
    MakeView(100, 50);
    StartRenderer();
    view->pictureShown = 1;
    FillBackBuffer();
    Surface s(100, 50, kMarker);
    Paint(s, -30, -10, 2, 3);
    EXPECT_EQ(s.At(0, 0), Pattern(0, 0));
    EXPECT_EQ(s.At(3, 2), Pattern(3, 2));
    EXPECT_EQ(s.At(4, 0), kMarker);
    EXPECT_EQ(s.At(0, 3), kMarker);
}

TEST_F(Painting, NothingIsDrawnBeforeTheBackBufferExists) {
    MakeView(100, 50);
    PumpFor(50);
    HDC dc = GetDC(browser->child);
    RECT all{0, 0, 100, 50};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);
    DeleteObject(red);
    GdiFlush();
    InvalidateRect(browser->child, nullptr, FALSE);
    UpdateWindow(browser->child);
    EXPECT_EQ(GetPixel(dc, 50, 25), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 1), RGB(255, 0, 0));
    ReleaseDC(browser->child, dc);
    EXPECT_EQ(view->tiles.head, nullptr);
}

TEST_F(Painting, LoadingDisplayShowsTheIconAndTheCentredFileName) {
    MakeView(200, 160);
    StartRenderer(); // a back buffer, no picture yet
    const uint32_t window = SystemColour(COLOR_WINDOW);
    Surface s(200, 160, kMarker);
    Paint(s, 0, 0, 200, 160);
    EXPECT_EQ(s.At(0, 0), window);
    EXPECT_EQ(s.At(199, 159), window);

    // The icon's top-left corner at (W - 16, H - 50) = (84, 30).
    Surface expected(200, 160, window);
    HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(2));
    ASSERT_NE(icon, nullptr);
    DrawIcon(expected.dc, 84, 30, icon);
    int differing = 0;
    int inked = 0;
    for (int y = 30; y < 62; ++y) {
        for (int x = 84; x < 116; ++x) {
            differing += s.At(x, y) != expected.At(x, y) ? 1 : 0;
            inked += s.At(x, y) != window ? 1 : 0;
        }
    }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(inked, 100);

    // The file name, centred on (100, 80).
    int left = 0;
    int right = 0;
    ASSERT_TRUE(InkExtent(s, 66, 94, window, window, &left, &right));
    EXPECT_NEAR((left + right + 1) / 2.0, 100.0, 1.5);
    EXPECT_NEAR(right + 1 - left, TextWidth(s.dc, "drawing.vem"), 2);
}

TEST_F(Painting, NoLoadingDisplayWhileDragging) {
    MakeView(100, 80);
    StartRenderer();
    view->dragging = 1;
    Surface s(100, 80, kMarker);
    Paint(s, 0, 0, 100, 80);
    EXPECT_EQ(s.At(50, 40), kMarker);
}

struct FailureCase {
    int32_t refused;
    const char* message;
};

TEST_F(Painting, FailureDisplayIsDrawnOverThePicture) {
    const FailureCase cases[] = {{1, "Incompatible file version"},
                                 {0, "Failed to load corrupt file"}};
    for (const FailureCase& c : cases) {
        MakeView(320, 240);
        StartRenderer();
        view->pictureShown = 1;
        FillBackBuffer(0x00FF00);
        view->loadFailed = 1;
        document->refused = c.refused;
        const uint32_t window = SystemColour(COLOR_WINDOW);
        Surface s(320, 240, kMarker);
        Paint(s, 0, 0, 0, 0);
        // The picture stays outside the 240 x 140 box around (160, 120).
        EXPECT_EQ(s.At(5, 5), 0x00FF00u);
        EXPECT_EQ(s.At(39, 120), 0x00FF00u);
        EXPECT_EQ(s.At(160, 49), 0x00FF00u);
        EXPECT_EQ(s.At(40, 50), window);
        EXPECT_EQ(s.At(279, 189), window);
        EXPECT_EQ(s.At(160, 190), 0x00FF00u);

        // The file name centred in the box, the message 50 pixels lower.
        int left = 0;
        int right = 0;
        ASSERT_TRUE(InkExtent(s, 110, 130, window, 0x00FF00, &left, &right));
        EXPECT_NEAR(right + 1 - left, TextWidth(s.dc, "drawing.vem"), 2);
        ASSERT_TRUE(InkExtent(s, 160, 180, window, 0x00FF00, &left, &right)) << c.message;
        EXPECT_NEAR((left + right + 1) / 2.0, 160.0, 1.5) << c.message;
        EXPECT_NEAR(right + 1 - left, TextWidth(s.dc, c.message), 2) << c.message;
        TearDown();
    }
}

TEST_F(Painting, PaintMessagesCopyFromTheBackBuffer) {
    MakeView(100, 50);
    StartRenderer();
    view->pictureShown = 1;
    FillBackBuffer();
    PumpFor(50);
    ValidateRect(browser->child, nullptr);
    RECT area{20, 10, 30, 20};
    InvalidateRect(browser->child, &area, FALSE);
    UpdateWindow(browser->child);
    HDC dc = GetDC(browser->child);
    COLORREF c = GetPixel(dc, 25, 15);
    ReleaseDC(browser->child, dc);
    uint32_t expected = Pattern(25, 15);
    EXPECT_EQ(c, RGB((expected >> 16) & 0xFF, (expected >> 8) & 0xFF, expected & 0xFF));
    EXPECT_EQ(view->timerStarted, 1);
}

TEST_F(Painting, PaintsWithoutBackBufferQueueATile) {
    MakeView(100, 100);
    ShowFirstView(DocRect{0, 0, 75000, 75000});
    PumpFor(50);
    ValidateRect(browser->child, nullptr);
    view->ClearTiles();
    view->backValid = 0;
    RECT area{10, 20, 30, 50};
    InvalidateRect(browser->child, &area, FALSE);
    int created = renderer.Count("CreateRenderContext");
    UpdateWindow(browser->child);
    ASSERT_NE(view->tiles.head, nullptr);
    EXPECT_EQ(view->tiles.head->rect, (TileRect{10, 20, 30, 50}));
    EXPECT_EQ(renderer.Count("CreateRenderContext"), created + 1);
    const ContextRecord& context = renderer.contexts.rbegin()->second;
    EXPECT_EQ(context.width, 20);
    EXPECT_EQ(context.height, 30);
    EXPECT_EQ(context.view.x0, 7500);  // left edge of the window rectangle
    EXPECT_EQ(context.view.y1, 60000); // its top edge
}

TEST_F(Painting, TilesArePaintedStraightToTheWindowWithoutABackBuffer) {
    MakeView(100, 100);
    ShowFirstView(DocRect{0, 0, 75000, 75000});
    view->backValid = 0;
    renderer.fillColour = 0x00FF0000;
    renderer.sliceResults.push_back(0x10);
    view->RenderTimerTick();
    HDC dc = GetDC(browser->child);
    EXPECT_EQ(GetPixel(dc, 50, 50), RGB(255, 0, 0));
    ReleaseDC(browser->child, dc);
}

TEST_F(Painting, PrintWithoutRendererOrViewPrintsNothing) {
    MakeView(300, 200);
    Surface printer(400, 300, kMarker);
    EXPECT_EQ(view->PrintView(printer.dc, 0, 0, 400, 300), 0);
    StartRenderer(); // no view yet
    EXPECT_EQ(view->PrintView(printer.dc, 0, 0, 400, 300), 0);
    EXPECT_EQ(renderer.Count("RenderSlice"), 0);
    EXPECT_EQ(renderer.LiveContexts(), 0) << "the print context is given back";
    EXPECT_EQ(printer.At(200, 150), kMarker);
    renderer.createResult = E_OUTOFMEMORY;
    view->currentView = DocRect{0, 0, 1000, 1000};
    EXPECT_EQ(view->PrintView(printer.dc, 0, 0, 400, 300), 0);
}

TEST_F(Painting, PrintRendersAtWindowSizeAndStretches) {
    MakeView(300, 200);
    ShowFirstView(DocRect{0, 0, 225000, 150000});
    view->smoothed = 0;
    view->defaultViewFlag = 0;
    renderer.calls.clear();
    renderer.sliceResults = {0x10, 0x10, 0x18};
    renderer.fillColour = 0x00FF0000;
    Surface printer(700, 500, 0xFFFFFF);
    EXPECT_EQ(view->PrintView(printer.dc, 50, 40, 600, 400), 1);
    EXPECT_EQ(renderer.Count("RenderSlice"), 3);
    const ContextRecord& context = renderer.contexts.rbegin()->second;
    EXPECT_EQ(context.width, 300);
    EXPECT_EQ(context.height, 200);
    EXPECT_EQ(context.smoothed, 1) << "printing is always smoothed";
    EXPECT_EQ(context.flag, 0) << "with the default view's flag";
    EXPECT_TRUE(context.destroyed);
    EXPECT_EQ(printer.At(50, 40), 0xFF0000u);
    EXPECT_EQ(printer.At(649, 439), 0xFF0000u);
    EXPECT_EQ(printer.At(49, 40), 0xFFFFFFu);
    EXPECT_EQ(printer.At(650, 439), 0xFFFFFFu);
    EXPECT_EQ(printer.At(50, 440), 0xFFFFFFu);
}

TEST_F(Painting, PrintStopsAtTheIncompleteBitOrAFailure) {
    struct Case {
        std::deque<HRESULT> results;
        int slices;
    } cases[] = {{{0x10, 0x14}, 2}, {{0x10, E_FAIL}, 2}, {{0}, 1}};
    for (const Case& c : cases) {
        MakeView(60, 40);
        ShowFirstView(DocRect{0, 0, 45000, 30000});
        renderer.calls.clear();
        renderer.sliceResults = c.results;
        Surface printer(60, 40, kMarker);
        EXPECT_EQ(view->PrintView(printer.dc, 0, 0, 60, 40), 1);
        EXPECT_EQ(renderer.Count("RenderSlice"), c.slices);
        TearDown();
    }
}

} // namespace
} // namespace viewtest
