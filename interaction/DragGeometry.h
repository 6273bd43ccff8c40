// The arithmetic of the mouse tools and of push scrolling, free of Win32: the strips of the
// inverted drag frame, what a press, move or release does, which cursor shows, and how a push
// moves the matrix, the back-buffer pixels and the tiles.
#pragma once

#include <stdint.h>

#include "interaction/ViewTransform.h"
#include "plugin/DocGeometry.h"
#include "view/TileRules.h"

// Mouse tools.
constexpr int32_t kToolNone = 0;
constexpr int32_t kToolZoom = 1;
constexpr int32_t kToolPush = 2;

// Key flags of the mouse messages (MK_LBUTTON, MK_SHIFT, MK_CONTROL).
constexpr uint32_t kKeyLeftButton = 0x0001;
constexpr uint32_t kKeyControl = 0x0008;

// One strip to invert: origin and extent in window pixels, extents at least 1.
struct FrameStrip {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
};

// The strips that invert the outline of the frame spanned by the corners a and b, every pixel
// of the outline exactly once (so drawing the frame twice restores the screen). The frame
// covers the columns min(a.x, b.x) to max(a.x, b.x) - 1 and the rows likewise; a frame with no
// width or height is shown as a one-pixel line. Returns the number of strips (1 to 4).
int32_t DragFrameStrips(WindowPoint a, WindowPoint b, FrameStrip strips[4]);

// What a mouse move does with the drag state.
enum class MoveAction {
    Hover,         // no drag: only the hover refresh
    StartZoomDrag, // the first move with the button down: frame drawn, mouse captured
    StartPushDrag, // likewise, the picture follows from the press point
    MoveFrame,     // a zoom drag goes on: the frame follows the pointer
    Push,          // a push drag goes on: the picture follows the pointer
    Cancel,        // Escape (or a button released out of sight): the drag ends, nothing applied
};

struct DragState {
    int32_t dragging;
    int32_t dragCancelled;
    int32_t tool;
    int32_t viewSet; // the current view is known; zoom and push wait for it
};

MoveAction DecideMove(const DragState& state, uint32_t keyFlags, bool escapeDown);

// What a button release does.
enum class ReleaseAction {
    Nothing,
    EndDrag,    // a push drag or a cancelled drag: only the capture goes
    FinishZoom, // a zoom drag: frame erased, then a click or zoom to the area
    FollowLink, // a click on a hyperlink
    ZoomStep,   // a click with the zoom tool: one step in (SHIFT: out) at the release point
};

ReleaseAction DecideRelease(const DragState& state, bool hasLink, uint32_t keyFlags);

enum class CursorKind { Arrow, Zoom, Push, Link };

// The cursor shown over the view: the link hand over a hyperlink (not with CTRL, not while
// dragging), else the tool's cursor.
CursorKind ChooseCursor(bool hasLink, bool controlDown, int32_t dragging, int32_t tool);

// A push of (dx, dy) window pixels moves the picture so far that nothing of it can be kept.
bool IsLargePush(int32_t width, int32_t height, int32_t dx, int32_t dy);

// The matrix offsets follow a picture pushed by (dx, dy) pixels.
void ShiftMatrix(RenderMatrix* matrix, int32_t dx, int32_t dy);

// The view rectangle moved by (-moveX, -moveY) document units (wrapping like the window
// arithmetic does), so that the drawing moves by (moveX, moveY).
void MoveViewBy(DocRect* view, int32_t moveX, int32_t moveY);

// The window strips that a push of (dx, dy) uncovers in a width x height window: the column
// strip (when dx is not 0) without the rows of the row strip, then the row strip (when dy is
// not 0). Returns the number written (0 to 2).
int32_t UncoveredStrips(int32_t width, int32_t height, int32_t dx, int32_t dy, TileRect strips[2]);

// Moves the pixels of a bottom-up bitmap of width x height pixels at `depth` bits (rows padded to
// 4 bytes, memory for height + 1 rows) by dx pixels to the right and dyRows rows upwards, and
// paints the uncovered columns and rows white (index 255 at 8 bits, 0x00FFFFFF at 32). Depths
// below 8 are left alone. Displacements beyond the bitmap are clamped: the whole bitmap turns
// white.
void ShiftPixels(uint8_t* bits, int32_t width, int32_t height, int32_t depth, int32_t dx,
                 int32_t dyRows);
