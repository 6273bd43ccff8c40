// Mouse tools: the button and move handlers, the cursor rule and the drag frame. The decisions
// are the tables of DragGeometry; this file carries them out with the window.
#include "interaction/DragGeometry.h"
#include "view/ViewWindow.h"

namespace {

bool KeyDown(SHORT state) {
    return (uint16_t(state) & 0x8000) != 0;
}

} // namespace

void ViewWindow::UpdateCursor() {
    POINT pointer{0, 0};
    if (!GetCursorPos(&pointer) || WindowFromPoint(pointer) != hwnd || hwnd == nullptr) {
        return; // the pointer is over another window: its cursor is not ours to change
    }
    bool hasLink = hyperlink.length > 0;
    bool controlDown = KeyDown(GetKeyState(VK_CONTROL));
    switch (ChooseCursor(hasLink, controlDown, dragging, tool)) {
    case CursorKind::Link:
        SetCursor(linkCursor);
        break;
    case CursorKind::Zoom:
        SetCursor(zoomCursor);
        break;
    case CursorKind::Push:
        SetCursor(pushCursor);
        break;
    case CursorKind::Arrow:
        SetCursor(arrowCursor);
        break;
    }
}

void ViewWindow::DrawDragFrame(WindowPoint a, WindowPoint b) {
    HDC dc = GetDC(hwnd);
    if (dc == nullptr) {
        return;
    }
    FrameStrip strips[4];
    int32_t count = DragFrameStrips(a, b, strips);
    for (int32_t i = 0; i < count; ++i) {
        PatBlt(dc, strips[i].x, strips[i].y, strips[i].width, strips[i].height, DSTINVERT);
    }
    ReleaseDC(hwnd, dc);
}

void ViewWindow::OnButtonDown(WPARAM, int32_t x, int32_t y) {
    pressDocPoint = DocPointFromWindow(x, y);
    dragStart = WindowPoint{x, y};
    dragCancelled = 0;
    previousView = currentView; // what "Previous Zoom" returns to
}

void ViewWindow::OnMouseMove(WPARAM keys, int32_t x, int32_t y) {
    bool escapeDown = KeyDown(GetAsyncKeyState(VK_ESCAPE));
    DragState state{dragging, dragCancelled, tool, IsSet(currentView) ? 1 : 0};
    switch (DecideMove(state, uint32_t(keys), escapeDown)) {
    case MoveAction::Cancel:
        dragCancelled = 1;
        if (tool == kToolZoom) {
            DrawDragFrame(dragStart, dragEnd); // erase
        }
        if (GetCapture() == hwnd) {
            ReleaseCapture();
        }
        dragging = 0; // a pushed picture stays where it is
        return;
    case MoveAction::MoveFrame:
        UpdateCursor();
        DrawDragFrame(dragStart, dragEnd);
        dragEnd = WindowPoint{x, y};
        DrawDragFrame(dragStart, dragEnd);
        return;
    case MoveAction::Push:
        PushStep(x, y);
        return;
    case MoveAction::StartZoomDrag:
        dragging = 1;
        dragEnd = WindowPoint{x, y};
        DrawDragFrame(dragStart, dragEnd);
        SetCapture(hwnd);
        break;
    case MoveAction::StartPushDrag:
        dragging = 1;
        dragEnd = dragStart; // the first step moves the picture the whole way from the press
        PushStep(x, y);
        SetCapture(hwnd);
        break;
    case MoveAction::Hover:
        break;
    }
    RefreshHover(x, y);
}

void ViewWindow::OnButtonUp(WPARAM keys, int32_t x, int32_t y) {
    pressDocPoint = DocPointFromWindow(x, y);
    DragState state{dragging, dragCancelled, tool, IsSet(currentView) ? 1 : 0};
    ReleaseAction action = DecideRelease(state, hyperlink.length > 0, uint32_t(keys));
    if (action == ReleaseAction::EndDrag || action == ReleaseAction::FinishZoom) {
        if (GetCapture() == hwnd) {
            ReleaseCapture();
        }
        dragging = 0; // dragCancelled stays until the next press
    }
    switch (action) {
    case ReleaseAction::FinishZoom:
        DrawDragFrame(dragStart, dragEnd); // erase
        FinishZoomDrag(uint32_t(keys));
        break;
    case ReleaseAction::FollowLink:
        NavigatePage(hyperlink);
        break;
    case ReleaseAction::ZoomStep:
        ZoomStepAt(uint32_t(keys), pressDocPoint);
        RestartRendering();
        break;
    case ReleaseAction::EndDrag:
    case ReleaseAction::Nothing:
        break;
    }
}
