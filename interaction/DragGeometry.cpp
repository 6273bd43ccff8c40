#include "interaction/DragGeometry.h"

#include <string.h>

namespace {

int32_t Min(int32_t a, int32_t b) {
    return a < b ? a : b;
}
int32_t Max(int32_t a, int32_t b) {
    return a > b ? a : b;
}
int64_t Abs64(int32_t v) {
    return v < 0 ? -int64_t(v) : int64_t(v);
}
int32_t Wrap(int64_t v) {
    return int32_t(uint32_t(uint64_t(v)));
}

} // namespace

int32_t DragFrameStrips(WindowPoint a, WindowPoint b, FrameStrip strips[4]) {
    const int32_t left = Min(a.x, b.x);
    const int32_t top = Min(a.y, b.y);
    // Window points are 16-bit values, so the sizes fit.
    const int32_t width = Max(Max(a.x, b.x) - left, 1);
    const int32_t height = Max(Max(a.y, b.y) - top, 1);
    int32_t n = 0;
    strips[n++] = FrameStrip{left, top, width, 1};
    if (height > 1) {
        strips[n++] = FrameStrip{left, top + height - 1, width, 1};
    }
    if (height > 2) {
        // The sides leave out the corners, which the top and bottom rows already invert.
        strips[n++] = FrameStrip{left, top + 1, 1, height - 2};
        if (width > 1) {
            strips[n++] = FrameStrip{left + width - 1, top + 1, 1, height - 2};
        }
    }
    return n;
}

MoveAction DecideMove(const DragState& state, uint32_t keyFlags, bool escapeDown) {
    const bool buttonDown = (keyFlags & kKeyLeftButton) != 0;
    if (state.dragging != 0) {
        // Without the button the release happened where the view could not see it (the
        // capture was taken away): the drag cannot go on.
        if (escapeDown || !buttonDown) {
            return MoveAction::Cancel;
        }
        if (state.tool == kToolZoom) {
            return MoveAction::MoveFrame;
        }
        if (state.tool == kToolPush) {
            return MoveAction::Push;
        }
        return MoveAction::Cancel;
    }
    if (buttonDown && state.dragCancelled == 0 && state.viewSet != 0) {
        if (state.tool == kToolZoom) {
            return MoveAction::StartZoomDrag;
        }
        if (state.tool == kToolPush) {
            return MoveAction::StartPushDrag;
        }
    }
    return MoveAction::Hover;
}

ReleaseAction DecideRelease(const DragState& state, bool hasLink, uint32_t keyFlags) {
    if (state.dragging != 0 || state.dragCancelled != 0) {
        if (state.tool == kToolZoom && state.dragCancelled == 0) {
            return ReleaseAction::FinishZoom;
        }
        return ReleaseAction::EndDrag;
    }
    if (hasLink && (keyFlags & kKeyControl) == 0) {
        return ReleaseAction::FollowLink;
    }
    if (state.tool == kToolZoom && state.viewSet != 0) {
        return ReleaseAction::ZoomStep;
    }
    return ReleaseAction::Nothing;
}

CursorKind ChooseCursor(bool hasLink, bool controlDown, int32_t dragging, int32_t tool) {
    if (hasLink && !controlDown && dragging == 0) {
        return CursorKind::Link;
    }
    if (tool == kToolZoom) {
        return CursorKind::Zoom;
    }
    if (tool == kToolPush) {
        return CursorKind::Push;
    }
    return CursorKind::Arrow;
}

bool IsLargePush(int32_t width, int32_t height, int32_t dx, int32_t dy) {
    return Abs64(dx) > int64_t(width) || Abs64(dy) > int64_t(height);
}

void ShiftMatrix(RenderMatrix* matrix, int32_t dx, int32_t dy) {
    const uint64_t one = uint64_t(1) << 30;
    matrix->e = int64_t(uint64_t(matrix->e) - uint64_t(int64_t(dx)) * one);
    matrix->f = int64_t(uint64_t(matrix->f) - uint64_t(int64_t(dy)) * one);
}

void MoveViewBy(DocRect* view, int32_t moveX, int32_t moveY) {
    view->x0 = Wrap(int64_t(view->x0) - moveX);
    view->x1 = Wrap(int64_t(view->x1) - moveX);
    view->y0 = Wrap(int64_t(view->y0) - moveY);
    view->y1 = Wrap(int64_t(view->y1) - moveY);
}

int32_t UncoveredStrips(int32_t width, int32_t height, int32_t dx, int32_t dy, TileRect strips[2]) {
    int32_t n = 0;
    if (dx != 0) {
        TileRect column;
        column.left = dx < 0 ? width + dx : 0;
        column.right = dx < 0 ? width : dx;
        column.top = dy > 0 ? dy : 0;
        column.bottom = dy > 0 ? height : height + dy;
        strips[n++] = column;
    }
    if (dy != 0) {
        TileRect row;
        row.left = 0;
        row.right = width;
        row.top = dy < 0 ? height + dy : 0;
        row.bottom = dy < 0 ? height : dy;
        strips[n++] = row;
    }
    return n;
}

namespace {

void PaintWhite(uint8_t* pixel, int32_t bytesPerPixel, int64_t count) {
    switch (bytesPerPixel) {
    case 1:
        memset(pixel, 0xFF, size_t(count));
        return;
    case 2: // 5-5-5
        for (int64_t i = 0; i < count; ++i) {
            pixel[i * 2] = 0xFF;
            pixel[i * 2 + 1] = 0x7F;
        }
        return;
    case 3:
        memset(pixel, 0xFF, size_t(count) * 3);
        return;
    default:
        for (int64_t i = 0; i < count; ++i) {
            pixel[i * 4] = 0xFF;
            pixel[i * 4 + 1] = 0xFF;
            pixel[i * 4 + 2] = 0xFF;
            pixel[i * 4 + 3] = 0x00;
        }
        return;
    }
}

} // namespace

void ShiftPixels(uint8_t* bits, int32_t width, int32_t height, int32_t depth, int32_t dx,
                 int32_t dyRows) {
    if (bits == nullptr || width <= 0 || height <= 0 || depth < 8 || depth > 32) {
        return;
    }
    if (Abs64(dx) > width) {
        dx = width;
    }
    if (Abs64(dyRows) > height) {
        dyRows = height;
    }
    const int32_t bytesPerPixel = depth / 8;
    const int64_t stride = ((int64_t(width) * depth + 31) / 32) * 4;
    const int64_t size = (int64_t(height) + 1) * stride;
    const int64_t offset = int64_t(dyRows) * stride + int64_t(dx) * bytesPerPixel;
    if ((offset < 0 ? -offset : offset) < size) {
        if (offset > 0) {
            memmove(bits + offset, bits, size_t(size - offset));
        } else if (offset < 0) {
            memmove(bits, bits - offset, size_t(size + offset));
        }
    } else {
        dx = width;
        dyRows = height;
    }
    // Uncovered columns, in every row; pixels that wrapped over a row end land here too.
    const int32_t columns = int32_t(Abs64(dx));
    const int32_t firstColumn = dx < 0 ? width - columns : 0;
    if (columns > 0) {
        for (int32_t row = 0; row < height; ++row) {
            PaintWhite(bits + row * stride + int64_t(firstColumn) * bytesPerPixel, bytesPerPixel,
                       columns);
        }
    }
    const int32_t rows = int32_t(Abs64(dyRows));
    const int32_t firstRow = dyRows < 0 ? height - rows : 0;
    for (int32_t row = firstRow; row < firstRow + rows; ++row) {
        PaintWhite(bits + row * stride, bytesPerPixel, width);
    }
}
