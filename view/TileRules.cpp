#include "view/TileRules.h"

int32_t RectArea(const TileRect& r) {
    uint32_t w = uint32_t(r.right) - uint32_t(r.left);
    uint32_t h = uint32_t(r.bottom) - uint32_t(r.top);
    return int32_t(w * h);
}

TileRect IntersectRects(const TileRect& a, const TileRect& b) {
    TileRect r;
    r.left = a.left > b.left ? a.left : b.left;
    r.top = a.top > b.top ? a.top : b.top;
    r.right = a.right < b.right ? a.right : b.right;
    r.bottom = a.bottom < b.bottom ? a.bottom : b.bottom;
    if (r.right < r.left) {
        r.left = r.right;
    }
    if (r.bottom < r.top) {
        r.top = r.bottom;
    }
    return r;
}

bool PointInRect(const TileRect& r, int32_t x, int32_t y) {
    return r.left <= x && x <= r.right && r.top <= y && y <= r.bottom;
}

TileRect BoundingRect(const TileRect& a, const TileRect& b) {
    TileRect r;
    r.left = a.left < b.left ? a.left : b.left;
    r.top = a.top < b.top ? a.top : b.top;
    r.right = a.right > b.right ? a.right : b.right;
    r.bottom = a.bottom > b.bottom ? a.bottom : b.bottom;
    return r;
}

bool TrimmedRect(const TileRect& a, const TileRect& b, TileRect* out) {
    bool topLeft = PointInRect(b, a.left, a.top);
    bool bottomLeft = PointInRect(b, a.left, a.bottom);
    bool topRight = PointInRect(b, a.right, a.top);
    bool bottomRight = PointInRect(b, a.right, a.bottom);
    TileRect r = a;
    bool applied = false;
    if (topLeft && topRight) {
        r.top = b.bottom;
        applied = true;
    }
    if (bottomLeft && bottomRight) {
        r.bottom = b.top;
        applied = true;
    }
    if (topLeft && bottomLeft) {
        r.left = b.right;
        applied = true;
    }
    if (topRight && bottomRight) {
        r.right = b.left;
        applied = true;
    }
    if (!applied || r.right <= r.left || r.bottom <= r.top) {
        *out = a;
        return false;
    }
    *out = r;
    return true;
}

bool ShouldMergeTiles(int32_t aN, int32_t aT, int32_t aU, int32_t existingPrepared) {
    uint32_t bounding = 3u * uint32_t(aU);
    uint32_t both = 4u * (uint32_t(aN) + uint32_t(aT));
    if (!(bounding < both)) {
        return false;
    }
    // A tile that has rendered already is only given up when it is small.
    return existingPrepared == 0 || int64_t(2) * aT < aN || aT < 1000;
}

SliceActions ActionsForSlice(int32_t result) {
    SliceActions actions{false, false, false};
    if (result < 0) {
        return actions;
    }
    actions.present = (result & 0x18) != 0;
    actions.remove = (result & 0x08) != 0;
    actions.makeReady = actions.remove && (result & 0x04) == 0;
    return actions;
}

int32_t TrimTile(TileHost& host, RenderTile* tile, const RenderTile* other) {
    TileRect r;
    if (!TrimmedRect(tile->rect, other->rect, &r)) {
        return 0;
    }
    host.SetTileArea(tile, r, host.DocRectOf(r));
    return 1;
}

void TileList::InsertTile(TileHost& host, RenderTile* tile) {
    if (tile == nullptr) {
        return;
    }
    const TileRect window{0, 0, width, height};
    TileRect clipped = IntersectRects(tile->rect, window);
    if (clipped != tile->rect) {
        host.SetTileArea(tile, clipped, host.DocRectOf(clipped));
    }
    RenderTile* previous = nullptr;
    RenderTile* current = head;
    while (current != nullptr) {
        int32_t newArea = RectArea(tile->rect);
        if (newArea == 0) {
            host.DestroyTile(tile);
            return;
        }
        int32_t overlap = RectArea(IntersectRects(current->rect, tile->rect));
        if (overlap == newArea) {
            host.DestroyTile(tile); // already covered
            return;
        }
        if (overlap != 0 && TrimTile(host, tile, current) == 1) {
            continue; // compare the trimmed tile with the same neighbour again
        }
        int32_t oldArea = RectArea(current->rect);
        TileRect joined = BoundingRect(tile->rect, IntersectRects(current->rect, window));
        if (ShouldMergeTiles(newArea, oldArea, RectArea(joined), current->prepared)) {
            if (previous != nullptr) {
                previous->next = current->next;
            } else {
                head = current->next;
            }
            current->next = nullptr;
            host.SetTileArea(current, joined, host.DocRectOf(joined));
            host.DestroyTile(tile);
            InsertTile(host, current);
            return;
        }
        previous = current;
        current = current->next;
    }
    tile->next = head;
    head = tile;
}

void TileList::RemoveTile(TileHost& host, RenderTile* tile) {
    RenderTile** link = &head;
    while (*link != nullptr) {
        if (*link == tile) {
            *link = tile->next;
            host.DestroyTile(tile);
            return;
        }
        link = &(*link)->next;
    }
}

void TileList::ClearTiles(TileHost& host) {
    RenderTile* tile = head;
    head = nullptr;
    while (tile != nullptr) {
        RenderTile* next = tile->next;
        host.DestroyTile(tile);
        tile = next;
    }
}

int32_t TileList::ContainsTile(const RenderTile* tile) const {
    for (const RenderTile* t = head; t != nullptr; t = t->next) {
        if (t == tile) {
            return 1;
        }
    }
    return 0;
}

void TileList::ShiftTiles(TileHost& host, int32_t dx, int32_t dy) {
    RenderTile** link = &head;
    while (*link != nullptr) {
        RenderTile* tile = *link;
        TileRect& r = tile->rect;
        r.left = int32_t(uint32_t(r.left) + uint32_t(dx));
        r.right = int32_t(uint32_t(r.right) + uint32_t(dx));
        r.top = int32_t(uint32_t(r.top) + uint32_t(dy));
        r.bottom = int32_t(uint32_t(r.bottom) + uint32_t(dy));
        bool empty = r.right <= r.left || r.bottom <= r.top;
        bool outside = r.right <= 0 || r.bottom <= 0 || r.left >= width || r.top >= height;
        if (empty || outside) {
            *link = tile->next;
            host.DestroyTile(tile);
        } else {
            link = &tile->next;
        }
    }
}
