// The view on 16-bit and 8-bit displays: the 32-bit fallback buffer without conversion, and
// the colour table and 8-bit conversion of palette displays. Built into one program per depth.
#include <string.h>

#include "tests/view/ViewFixture.h"
#include "view/ViewBitmaps.h"

namespace viewtest {
namespace {

int ScreenDepth() {
    HDC dc = GetDC(nullptr);
    int bits = GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(nullptr, dc);
    return bits;
}

#if VEMO_TEST_DEPTH == 16
class SixteenBitDisplay : public ViewFixture {};

TEST_F(SixteenBitDisplay, GetsA32BitBufferAndNoConversion) {
    if (ScreenDepth() != 16) {
        GTEST_SKIP() << "needs a 16-bit display";
    }
    MakeView(100, 80);
    renderer.fillColour = 0x00FF0000;
    ShowFirstView(DocRect{0, 0, 75000, 60000});
    EXPECT_EQ(view->bitsPerPixel, 16);
    EXPECT_EQ(view->backIs32, 1);
    EXPECT_EQ(view->backInfo->bmiHeader.biBitCount, 32);
    EXPECT_EQ(view->colourTable, nullptr);
    renderer.sliceResults = {0x10, 0x18};
    view->RenderTimerTick();
    view->RenderTimerTick();
    EXPECT_EQ(renderer.Count("ConvertBitmap"), 0);
    EXPECT_EQ(reinterpret_cast<uint32_t*>(view->backBits)[0], 0x00FF0000u);
    InvalidateRect(browser->child, nullptr, FALSE);
    UpdateWindow(browser->child);
    HDC dc = GetDC(browser->child);
    EXPECT_EQ(GetPixel(dc, 50, 40), RGB(255, 0, 0));
    ReleaseDC(browser->child, dc);
}

#endif

#if VEMO_TEST_DEPTH == 8
class PaletteDisplay : public ViewFixture {};

TEST_F(PaletteDisplay, GetsA256ColourTableAndConversion) {
    if (ScreenDepth() != 8) {
        GTEST_SKIP() << "needs an 8-bit palette display";
    }
    MakeView(100, 80);
    ShowFirstView(DocRect{0, 0, 75000, 60000});
    EXPECT_EQ(view->bitsPerPixel, 8);
    EXPECT_EQ(view->backIs32, 0);
    EXPECT_EQ(view->colourCount, 256u);
    ASSERT_NE(view->colourTable, nullptr);
    EXPECT_EQ(renderer.paletteCalls, 1) << "made once";
    ASSERT_EQ(view->backInfo->bmiHeader.biBitCount, 8);
    // The bitmap's colour table is the palette with red and blue exchanged.
    const RGBQUAD* table = view->backInfo->bmiColors;
    EXPECT_EQ(table[10].rgbRed, 10);
    EXPECT_EQ(table[10].rgbGreen, 245);
    EXPECT_EQ(table[10].rgbBlue, 5);
    ASSERT_EQ(renderer.converts.size(), 1u);
    EXPECT_EQ(renderer.converts[0].bitsPerPixel, 8);
    EXPECT_EQ(renderer.converts[0].colourTable, view->colourTable);
    EXPECT_EQ(view->backBits[0], 1) << "the converted pixels were copied";
    view->RestartRendering();
    EXPECT_EQ(renderer.paletteCalls, 1);
    // Painting selects a palette of its own and gives the device its earlier one back.
    HDC dc = GetDC(browser->child);
    HGDIOBJ before = GetCurrentObject(dc, OBJ_PAL);
    view->pictureShown = 1;
    view->PaintRegion(dc, 0, 0, 100, 80, view->backInfo, view->backBits);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PAL), before);
    ReleaseDC(browser->child, dc);
    // The palette painting selects holds all 256 entries of the colour table.
    HPALETTE palette = MakePaintPalette(view->colourTable, view->colourCount, view->bitsPerPixel);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 256u);
    PALETTEENTRY entries[256];
    ASSERT_EQ(GetPaletteEntries(palette, 0, 256, entries), 256u);
    EXPECT_EQ(memcmp(entries, view->colourTable, sizeof entries), 0);
    DeleteObject(palette);
}

#endif

} // namespace
} // namespace viewtest
