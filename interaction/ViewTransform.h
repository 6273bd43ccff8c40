// The arithmetic between window pixels, document units and zoom percentages, and the zoom
// commands built on it. Integer only, with 64-bit intermediates; free of Win32.
//
// A document unit is 1/72000 inch and a pixel 1/96 inch: at 100 percent a pixel covers 750
// units. The commands are templates over any record with the view's field names (the view
// itself, or a plain record in tests); they call its UpdateStatusLine and RestartRendering.
#pragma once

#include <stdint.h>

#include "plugin/DocGeometry.h"

struct WindowPoint {
    int32_t x;
    int32_t y;
};

struct DocPoint {
    int32_t x;
    int32_t y;
};

constexpr int32_t kZoomStepCount = 13;
constexpr int32_t kZoomSteps[kZoomStepCount] = {10,   25,   50,   75,   100,   200,  500,
                                                1000, 2000, 4000, 8000, 16000, 25601};
constexpr int32_t kMinZoom = 10;
constexpr int32_t kMaxZoom = 25601;
constexpr uint32_t kKeyShift = 0x0004; // MK_SHIFT

// The document point shown at window pixel (px, py) of a width x height window that shows
// `view` with the horizontal and vertical scales of `matrix`.
DocPoint DocPointFromWindow(uint32_t width, uint32_t height, const DocRect& view,
                            const RenderMatrix& matrix, int32_t px, int32_t py);
// (x0, y0) from the bottom-left corner, (x1, y1) from the top-right one.
DocRect DocRectFromWindow(uint32_t width, uint32_t height, const DocRect& view,
                          const RenderMatrix& matrix, int32_t left, int32_t top, int32_t right,
                          int32_t bottom);
// The zoom at which `view` fits the window; false when the view has no width or height.
bool ZoomOfView(uint32_t width, uint32_t height, const DocRect& view, int32_t* zoom);
// The square view around `centre` that spans the window's shorter side at `zoom`; false for a
// zoom of 0 or below.
bool ViewAroundPoint(uint32_t width, uint32_t height, int32_t zoom, DocPoint centre, DocRect* view);
// Clamped to 10..25601; within 2 percent of a step it becomes that step.
int32_t SnapZoom(int32_t zoom);
int32_t ZoomStepUp(int32_t zoom);
int32_t ZoomStepDown(int32_t zoom);
// The viewport attribute "x0 y0 x1 y1 [FALSE]". False (nothing written) for an absent
// attribute (null text); an empty one gives four zeros.
bool ParseViewport(const char* text, int32_t length, DocRect* view, int32_t* flag);

template <class View> DocPoint DocPointFromWindow(const View& v, int32_t px, int32_t py) {
    return DocPointFromWindow(uint32_t(v.clientWidth), uint32_t(v.clientHeight), v.currentView,
                              v.matrix, px, py);
}

template <class View> void ZoomFromView(View& v) {
    int32_t zoom;
    if (ZoomOfView(uint32_t(v.clientWidth), uint32_t(v.clientHeight), v.currentView, &zoom)) {
        v.zoomPercent = zoom;
    }
    v.UpdateStatusLine();
}

template <class View> void CentreViewAt(View& v, int32_t zoom, DocPoint centre) {
    DocRect view;
    if (!ViewAroundPoint(uint32_t(v.clientWidth), uint32_t(v.clientHeight), zoom, centre, &view)) {
        return;
    }
    v.currentView = view;
    v.zoomPercent = zoom;
    v.UpdateStatusLine();
}

template <class View> void ZoomStepAt(View& v, uint32_t keyFlags, DocPoint centre) {
    v.zoomPercent = SnapZoom(v.zoomPercent);
    int32_t zoom = (keyFlags & kKeyShift) ? ZoomStepDown(v.zoomPercent) : ZoomStepUp(v.zoomPercent);
    CentreViewAt(v, zoom, centre);
}

// After a restart the zoom lies within 10..25601; a view brought back into range keeps the
// document point at the window centre.
template <class View> void LimitZoom(View& v) {
    ZoomFromView(v);
    if (v.zoomPercent >= kMinZoom && v.zoomPercent <= kMaxZoom) {
        return;
    }
    DocPoint centre = DocPointFromWindow(v, int32_t(uint32_t(v.clientWidth) / 2),
                                         int32_t(uint32_t(v.clientHeight) / 2));
    v.zoomPercent = SnapZoom(v.zoomPercent);
    CentreViewAt(v, v.zoomPercent, centre);
}

// End of a zoom-tool drag: a click steps the zoom at the press point, a dragged area becomes
// the view (at 25 or 25601 percent around the press point when out of range).
template <class View> void FinishZoomDrag(View& v, uint32_t keyFlags) {
    DocPoint a = DocPointFromWindow(v, v.dragStart.x, v.dragStart.y);
    DocPoint b = DocPointFromWindow(v, v.dragEnd.x, v.dragEnd.y);
    uint32_t dx = uint32_t(v.dragEnd.x) - uint32_t(v.dragStart.x);
    uint32_t dy = uint32_t(v.dragEnd.y) - uint32_t(v.dragStart.y);
    int32_t product = int32_t(dx * dy);
    uint32_t area = product < 0 ? 0u - uint32_t(product) : uint32_t(product);
    if (area < 4) {
        ZoomStepAt(v, keyFlags, a);
    } else {
        DocRect view;
        view.x0 = a.x < b.x ? a.x : b.x;
        view.y0 = a.y < b.y ? a.y : b.y;
        view.x1 = a.x > b.x ? a.x : b.x;
        view.y1 = a.y > b.y ? a.y : b.y;
        v.currentView = view;
        if (view.x1 != view.x0 && view.y1 != view.y0) {
            ZoomFromView(v);
        }
        if (v.zoomPercent < kMinZoom || v.zoomPercent > kMaxZoom) {
            v.zoomPercent = SnapZoom(v.zoomPercent);
            CentreViewAt(v, ZoomStepUp(v.zoomPercent), a);
        }
    }
    v.RestartRendering();
}

template <class View> void PreviousZoom(View& v) {
    DocRect current = v.currentView;
    v.currentView = v.previousView;
    v.previousView = current;
    v.RestartRendering();
    ZoomFromView(v);
}

template <class View> void GoToDefaultView(View& v) {
    v.previousView = v.currentView;
    v.currentView = v.defaultView;
    v.RestartRendering();
    ZoomFromView(v);
}
