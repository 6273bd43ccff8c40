#include "interaction/ViewTransform.h"

namespace {

// Window offset (2p - size) to document units through a 2.30 scale; 0 without a scale.
int64_t HalfSpan(int64_t twicePixel, int32_t scale, int64_t extent) {
    int64_t units = (twicePixel * kMatrixOne) / scale;
    return (units + extent) >> 1;
}

} // namespace

DocPoint DocPointFromWindow(uint32_t width, uint32_t height, const DocRect& view,
                            const RenderMatrix& matrix, int32_t px, int32_t py) {
    DocPoint p{0, 0};
    if (matrix.a != 0) {
        int64_t half = HalfSpan(2 * int64_t(px) - int64_t(width), matrix.a,
                                int64_t(view.x1) - int64_t(view.x0));
        p.x = int32_t(uint32_t(uint64_t(int64_t(view.x0) + half)));
    }
    if (matrix.d != 0) {
        int64_t half = HalfSpan(2 * int64_t(py) - int64_t(height), matrix.d,
                                int64_t(view.y1) - int64_t(view.y0));
        p.y = int32_t(uint32_t(uint64_t(int64_t(view.y1) - half)));
    }
    return p;
}

DocRect DocRectFromWindow(uint32_t width, uint32_t height, const DocRect& view,
                          const RenderMatrix& matrix, int32_t left, int32_t top, int32_t right,
                          int32_t bottom) {
    DocPoint lowerLeft = DocPointFromWindow(width, height, view, matrix, left, bottom);
    DocPoint upperRight = DocPointFromWindow(width, height, view, matrix, right, top);
    return DocRect{lowerLeft.x, lowerLeft.y, upperRight.x, upperRight.y};
}

bool ZoomOfView(uint32_t width, uint32_t height, const DocRect& view, int32_t* zoom) {
    int32_t w = int32_t(uint32_t(view.x1) - uint32_t(view.x0));
    int32_t h = int32_t(uint32_t(view.y1) - uint32_t(view.y0));
    if (w == 0 || h == 0) {
        return false;
    }
    int64_t vertical = (int64_t(height) * 7200000) / (int64_t(h) * 96);
    int64_t horizontal = (int64_t(width) * 7200000) / (int64_t(w) * 96);
    *zoom = int32_t(uint32_t(uint64_t(vertical < horizontal ? vertical : horizontal)));
    return true;
}

bool ViewAroundPoint(uint32_t width, uint32_t height, int32_t zoom, DocPoint centre,
                     DocRect* view) {
    if (zoom <= 0) {
        return false;
    }
    int64_t shorter = width < height ? width : height;
    int64_t half = ((shorter * 7200000) / (int64_t(zoom) * 96)) >> 1;
    uint32_t h = uint32_t(uint64_t(half));
    view->x0 = int32_t(uint32_t(centre.x) - h);
    view->y0 = int32_t(uint32_t(centre.y) - h);
    view->x1 = int32_t(uint32_t(centre.x) + h);
    view->y1 = int32_t(uint32_t(centre.y) + h);
    return true;
}

int32_t SnapZoom(int32_t zoom) {
    if (zoom < kMinZoom) {
        return kMinZoom;
    }
    if (zoom > kMaxZoom) {
        return kMaxZoom;
    }
    int64_t v = zoom;
    for (int32_t step : kZoomSteps) {
        int64_t t = int64_t(step) * 1000;
        if (v * 980 < t && t < v * 1020) {
            return step;
        }
    }
    return zoom;
}

namespace {

int32_t FirstStepNotBelow(int32_t zoom) {
    for (int32_t i = 0; i < kZoomStepCount; ++i) {
        if (kZoomSteps[i] >= zoom) {
            return i;
        }
    }
    return kZoomStepCount - 1;
}

} // namespace

int32_t ZoomStepUp(int32_t zoom) {
    int32_t i = FirstStepNotBelow(zoom);
    if (kZoomSteps[i] == zoom && i < kZoomStepCount - 1) {
        return kZoomSteps[i + 1];
    }
    return kZoomSteps[i];
}

int32_t ZoomStepDown(int32_t zoom) {
    int32_t i = FirstStepNotBelow(zoom);
    return i > 0 ? kZoomSteps[i - 1] : kZoomSteps[0];
}

namespace {

// Reads one number of the viewport text: spaces and '+' skipped, one '-' negates, then digits
// (wrapping, no overflow check). The character that ends it is not consumed.
int32_t ReadViewportNumber(const char* text, int32_t length, int32_t* position) {
    int32_t i = *position;
    while (i < length && (text[i] == ' ' || text[i] == '+')) {
        ++i;
    }
    bool negative = false;
    if (i < length && text[i] == '-') {
        negative = true;
        ++i;
    }
    uint32_t value = 0;
    while (i < length && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + uint32_t(text[i] - '0');
        ++i;
    }
    *position = i;
    return int32_t(negative ? 0u - value : value);
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c;
}

} // namespace

bool ParseViewport(const char* text, int32_t length, DocRect* view, int32_t* flag) {
    if (text == nullptr) {
        return false;
    }
    if (length < 0) {
        length = 0;
    }
    *flag = 1;
    int32_t position = 0;
    view->x0 = ReadViewportNumber(text, length, &position);
    view->y0 = ReadViewportNumber(text, length, &position);
    view->x1 = ReadViewportNumber(text, length, &position);
    view->y1 = ReadViewportNumber(text, length, &position);
    while (position < length && text[position] == ' ') {
        ++position;
    }
    static const char kFalse[] = "FALSE";
    if (length - position == 5) {
        bool same = true;
        for (int32_t i = 0; i < 5; ++i) {
            same = same && Upper(text[position + i]) == kFalse[i];
        }
        if (same) {
            *flag = 0;
        }
    }
    return true;
}
