// Render tiles and the list that schedules them. The list logic (clipping, trimming, merging,
// shifting) is free of Win32: the operations that touch the renderer or bitmaps go through a
// TileHost, which the view implements and tests replace.
#pragma once

#include <stdint.h>

#include "plugin/DocGeometry.h"

struct ViewWindow;
struct IDocumentRenderer;
struct tagBITMAPINFO;

// A window rectangle in pixels; right and bottom are exclusive.
struct TileRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

inline bool operator==(const TileRect& a, const TileRect& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
inline bool operator!=(const TileRect& a, const TileRect& b) {
    return !(a == b);
}

// (right - left) * (bottom - top) as a 32-bit product (wraps like the window arithmetic does).
int32_t RectArea(const TileRect& r);
// Larger left and top, smaller right and bottom; an inverted result collapses to zero size.
TileRect IntersectRects(const TileRect& a, const TileRect& b);
// Edges included.
bool PointInRect(const TileRect& r, int32_t x, int32_t y);
// Smallest rectangle holding both.
TileRect BoundingRect(const TileRect& a, const TileRect& b);
// The rectangle `a` cut back where `b` covers one whole side of it. False (and `a` unchanged in
// *out) when no side is covered or nothing would remain.
bool TrimmedRect(const TileRect& a, const TileRect& b, TileRect* out);
// Whether a new tile of area aN merges with an existing tile of area aT whose clipped rectangle
// joined with the new one has area aU.
bool ShouldMergeTiles(int32_t aN, int32_t aT, int32_t aU, int32_t existingPrepared);

// What a tick does with the result of one render slice.
struct SliceActions {
    bool present;   // show the new pixels
    bool remove;    // the tile is finished
    bool makeReady; // the whole drawing is done
};
SliceActions ActionsForSlice(int32_t result);

// One pending render job of a view: a window rectangle and the part of the drawing it shows,
// with its own render context and bitmaps.
struct RenderTile {
    TileRect rect;
    int32_t prepared;
    RenderTile* next;
    ViewWindow* view;
    IDocumentRenderer* renderer;
    tagBITMAPINFO* renderInfo;
    uint8_t* renderBits;
    uint32_t context;
    tagBITMAPINFO* displayInfo;
    uint8_t* displayBits;
    RenderMatrix matrix;
    DocRect docRect;
};

// The work behind the list that needs the view: its transform, the renderer and the bitmaps.
class TileHost {
public:
    // The part of the drawing that a window rectangle shows.
    virtual DocRect DocRectOf(const TileRect& rect) = 0;
    // Gives the tile a new area (and render context).
    virtual void SetTileArea(RenderTile* tile, const TileRect& rect, const DocRect& docRect) = 0;
    // Frees the tile with its context and bitmaps.
    virtual void DestroyTile(RenderTile* tile) = 0;

protected:
    ~TileHost() = default;
};

// Cuts the tile back when `other` covers one whole side of it: 1 when cut, else 0.
int32_t TrimTile(TileHost& host, RenderTile* tile, const RenderTile* other);

// The pending tiles of a view, newest first, and the client size that clips new ones.
struct TileList {
    RenderTile* head;
    int32_t width;
    int32_t height;

    // Clips the tile to the window, then drops it when an existing tile holds it, trims it
    // against tiles covering one of its sides and merges it with a close neighbour. A tile
    // inserted into an empty list is kept whatever its area.
    void InsertTile(TileHost& host, RenderTile* tile);
    // Unlinks and destroys the tile when it is in the list.
    void RemoveTile(TileHost& host, RenderTile* tile);
    void ClearTiles(TileHost& host);
    int32_t ContainsTile(const RenderTile* tile) const;
    // Moves every tile; tiles left with no area or wholly outside the window are destroyed.
    void ShiftTiles(TileHost& host, int32_t dx, int32_t dy);
};
