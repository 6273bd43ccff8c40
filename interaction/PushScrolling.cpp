// Push scrolling: the picture follows the pointer. The pixels already rendered move (in the
// back buffer and on the screen); only the strips a move uncovers are rendered anew.
#include "interaction/DragGeometry.h"
#include "view/ViewTileHost.h"
#include "view/ViewWindow.h"

namespace {

int32_t WrapAdd(int32_t a, int32_t b) {
    return int32_t(uint32_t(a) + uint32_t(b));
}

} // namespace

void ViewWindow::PushStep(int32_t x, int32_t y) {
    UpdateCursor();
    dragStart = dragEnd;
    dragEnd = WindowPoint{x, y};
    // Both points are 16-bit window coordinates: their difference needs no wrapping.
    const int32_t dx = x - dragStart.x;
    const int32_t dy = y - dragStart.y;
    pushOffset.x = WrapAdd(pushOffset.x, dx);
    pushOffset.y = WrapAdd(pushOffset.y, dy);
    if (dx == 0 && dy == 0) {
        return;
    }

    // The drawing point under the pointer stays under it.
    DocPoint to = DocPointFromWindow(x, y);
    DocPoint from = DocPointFromWindow(dragStart.x, dragStart.y);
    MoveViewBy(&currentView, int32_t(uint32_t(to.x) - uint32_t(from.x)),
               int32_t(uint32_t(to.y) - uint32_t(from.y)));

    if (IsLargePush(clientWidth, clientHeight, dx, dy)) {
        RestartRendering();
        ShiftBackBuffer(dx, -dy);
        ScrollWindowEx(hwnd, dx, dy, nullptr, nullptr, nullptr, nullptr, 0);
        return;
    }

    if (backValid == 0) {
        ClearTiles();
        RenderTile* tile = CreateTile(TileRect{0, 0, clientWidth, clientHeight}, currentView);
        if (tile != nullptr) {
            InsertTile(tile); // an empty list keeps it
            if (tiles.ContainsTile(tile)) {
                matrix = tile->matrix;
            }
        }
        return;
    }

    ShiftMatrix(&matrix, dx, dy);
    pressDocPoint = DocPointFromWindow(x, y);
    ShiftBackBuffer(dx, -dy); // bottom-up rows: down the screen is towards row 0
    ScrollWindowEx(hwnd, dx, dy, nullptr, nullptr, nullptr, nullptr, SW_INVALIDATE);

    ViewTileHost host(this); // the tiles move with the picture
    tiles.ShiftTiles(host, dx, dy); // tiles in progress move with the picture
    if (nextTile != nullptr && !tiles.ContainsTile(nextTile)) {
        nextTile = nullptr;
    }
    TileRect strips[2];
    int32_t count = UncoveredStrips(clientWidth, clientHeight, dx, dy, strips);
    for (int32_t i = 0; i < count; ++i) {
        InsertTile(CreateTile(strips[i], DocRectFromWindow(strips[i])));
    }
}

void ViewWindow::ShiftBackBuffer(int32_t dx, int32_t dyRows) {
    if (backValid == 0 || backBits == nullptr || backInfo == nullptr) {
        return;
    }
    // The bitmap's own size, which is the client size it was made for.
    const BITMAPINFOHEADER& header = backInfo->bmiHeader;
    int32_t width = header.biWidth;
    int32_t height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    ShiftPixels(backBits, width, height, header.biBitCount, dx, dyRows);
}
