// Render tiles and the render cycle: the view's side of the tile list, the restart after every
// change of view or size, and the timer tick that gives one tile one slice.
#include <new>

#include "plugin/DocumentRenderer.h"
#include "view/PluginRecords.h"
#include "view/ViewBitmaps.h"
#include "view/ViewTileHost.h"
#include "view/ViewWindow.h"

namespace {

int32_t RectWidth(const TileRect& r) {
    return r.right - r.left;
}
int32_t RectHeight(const TileRect& r) {
    return r.bottom - r.top;
}

void FreeRenderBitmap(RenderTile* tile) {
    bool shared = tile->displayBits == tile->renderBits && tile->displayInfo == tile->renderInfo;
    FreeBitmap(&tile->renderInfo, &tile->renderBits);
    if (shared) {
        tile->displayInfo = nullptr;
        tile->displayBits = nullptr;
    }
}

void FreeDisplayBitmap(RenderTile* tile) {
    if (tile->displayBits == tile->renderBits && tile->displayInfo == tile->renderInfo) {
        tile->displayInfo = nullptr; // the render bitmap doubles as the display bitmap
        tile->displayBits = nullptr;
        return;
    }
    FreeBitmap(&tile->displayInfo, &tile->displayBits);
}

} // namespace

RenderTile* ViewWindow::CreateTile(const TileRect& rect, const DocRect& docRect) {
    RenderTile* tile = new (std::nothrow) RenderTile();
    if (tile == nullptr) {
        return nullptr;
    }
    tile->view = this;
    tile->next = nullptr;
    tile->renderer = renderer;
    tile->renderInfo = nullptr;
    tile->renderBits = nullptr;
    tile->context = 0;
    tile->displayInfo = nullptr;
    tile->displayBits = nullptr;
    SetTileArea(tile, rect, docRect);
    return tile;
}

void ViewWindow::SetTileArea(RenderTile* tile, const TileRect& rect, const DocRect& docRect) {
    tile->rect = rect;
    tile->prepared = 0;
    tile->docRect = docRect;
    IDocumentRenderer* r = tile->renderer;
    if (r == nullptr) {
        return;
    }
    if (tile->context != 0) {
        r->DestroyRenderContext(tile->context);
        tile->context = 0;
    }
    FreeRenderBitmap(tile);
    if (MakeBitmap(&tile->renderInfo, &tile->renderBits, RectWidth(rect), RectHeight(rect), 32)) {
        ULONG context = 0;
        r->CreateRenderContext(USHORT(RectWidth(rect)), USHORT(RectHeight(rect)), smoothed,
                               tile->renderBits, &context);
        tile->context = context;
    }
    r->SetContextView(tile->context, &tile->docRect, 1);
    r->GetContextMatrix(tile->context, &tile->matrix);
}

int32_t ViewWindow::StepTile(RenderTile* tile, ULONG slice) {
    IDocumentRenderer* r = tile->renderer;
    if (tile->context == 0 || r == nullptr) {
        return -1;
    }
    if (backIs32 == 1) {
        if (tile->displayBits != tile->renderBits) {
            FreeDisplayBitmap(tile);
        }
        tile->displayInfo = tile->renderInfo;
        tile->displayBits = tile->renderBits;
    } else if (tile->prepared == 0) {
        RECT client{0, 0, 0, 0};
        GetClientRect(hwnd, &client);
        TileRect window{client.left, client.top, client.right, client.bottom};
        TileRect clipped = IntersectRects(tile->rect, window);
        if (clipped != tile->rect) {
            SetTileArea(tile, clipped, DocRectFromWindow(clipped)); // a smaller context
        }
        FreeDisplayBitmap(tile);
        MakeBitmap(&tile->displayInfo, &tile->displayBits, RectWidth(tile->rect),
                   RectHeight(tile->rect), bitsPerPixel);
        tile->prepared = 1;
    }
    DocRect changed{0, 0, 0, 0};
    LONG value1 = 0;
    LONG value2 = 0;
    return int32_t(
        r->RenderSlice(tile->context, slice, 0, &changed, &value1, &value2, tile->renderBits));
}

void ViewWindow::DestroyTile(RenderTile* tile) {
    if (tile == nullptr) {
        return;
    }
    if (tile->context != 0 && tile->renderer != nullptr) {
        tile->renderer->DestroyRenderContext(tile->context);
    }
    tile->context = 0;
    FreeDisplayBitmap(tile);
    FreeBitmap(&tile->renderInfo, &tile->renderBits);
    delete tile;
}

void ViewWindow::InsertTile(RenderTile* tile) {
    ViewTileHost host(this);
    tiles.InsertTile(host, tile);
}

void ViewWindow::RemoveTile(RenderTile* tile) {
    ViewTileHost host(this);
    tiles.RemoveTile(host, tile);
}

void ViewWindow::ClearTiles() {
    ViewTileHost host(this);
    tiles.ClearTiles(host);
    nextTile = nullptr;
}

void ViewWindow::RestartRendering() {
    RECT client{0, 0, 0, 0};
    GetClientRect(hwnd, &client);
    clientWidth = client.right;
    clientHeight = client.bottom;

    FreeBitmap(&backInfo, &backBits);
    backValid = MakeBitmap(&backInfo, &backBits, clientWidth, clientHeight, bitsPerPixel);
    if (!backValid) {
        FreeBitmap(&backInfo, &backBits);
        backValid = MakeBitmap(&backInfo, &backBits, clientWidth, clientHeight, 32);
        if (backValid) {
            backIs32 = 1;
        } else {
            FreeBitmap(&backInfo, &backBits);
        }
    }

    ClearTiles();
    tiles.width = clientWidth;
    tiles.height = clientHeight;

    if (IsSet(currentView)) {
        LimitZoom(*this);
        RenderTile* tile = CreateTile(TileRect{0, 0, clientWidth, clientHeight}, currentView);
        if (tile != nullptr) {
            InsertTile(tile); // an empty list keeps it
            matrix = tile->matrix;
        }
        pictureShown = 0;
        readyHandled = 0;
    }
    if (timerStarted == 0) {
        InvalidateRect(hwnd, nullptr, FALSE); // the first paint starts the timer
    }
}

void ViewWindow::RenderTimerTick() {
    if (renderer == nullptr) {
        return;
    }
    if (!IsSet(defaultView)) {
        LONG flag = defaultViewFlag;
        renderer->GetDefaultView(&defaultView, &flag);
        defaultViewFlag = int32_t(flag);
        if (IsSet(defaultView) && ZoomPanAllowed()) {
            tool = kToolZoom;
            UpdateCursor();
        }
    }
    if (!IsSet(currentView) && IsSet(defaultView)) {
        currentView = defaultView;
        RenderTile* tile = CreateTile(TileRect{0, 0, clientWidth, clientHeight}, currentView);
        if (tile != nullptr) {
            InsertTile(tile);
            if (tiles.ContainsTile(tile)) {
                matrix = tile->matrix;
            }
        }
        ZoomFromView();
    }
    if (!IsSet(currentView)) {
        return;
    }
    RenderTile* tile =
        (nextTile != nullptr && tiles.ContainsTile(nextTile)) ? nextTile : tiles.head;
    if (tile != nullptr) {
        int32_t result = StepTile(tile, kRenderSliceMs);
        nextTile = tile->next;
        SliceActions actions = ActionsForSlice(result);
        if (actions.present) {
            pictureShown = 1;
            PresentTile(tile);
        }
        if (actions.remove) {
            RemoveTile(tile);
            if (actions.makeReady) {
                documentReady = 1;
            }
        }
    }
    if (documentReady == 1 && readyHandled == 0) {
        readyHandled = 1;
        POINT mouse{0, 0};
        GetCursorPos(&mouse);
        ScreenToClient(hwnd, &mouse);
        RefreshHover(mouse.x, mouse.y);
    }
}
