// The renderer's one meeting point with the scan converter (renderer/raster): drawing an object
// into a context's buffer band by band, the white background, and hit tests of objects.
#pragma once

#include <stdint.h>

#include "plugin/DocGeometry.h"
#include "renderer/Document.h"

namespace vemo {

struct PainterState;

// Draws one object at a time: its fill, then its stroke, in pieces of bounded work (see
// RasterJob), so that a slice can stop between any two pieces.
class ObjectPainter {
public:
    ObjectPainter() = default;
    ~ObjectPainter();
    ObjectPainter(const ObjectPainter&) = delete;
    ObjectPainter& operator=(const ObjectPainter&) = delete;

    // Prepares the object. 0 when memory ran out (the object is then left out).
    int32_t Begin(const Document& doc, const DrawObject& obj, const RenderMatrix& m,
                  void* pixels, int32_t width, int32_t height, int32_t smoothed);
    // Does up to about `work` units of the scan converter's work (building the path, filling,
    // stroking: each stage takes what the ones before left); 1 once the object is complete.
    int32_t Step(int32_t work);
    // The units the last Step did (0 for an object that needed none).
    int64_t LastWork() const;
    int32_t Busy() const;
    void Cancel();
    // Takes over the other painter's working memory (paths, the scan converter's cells and
    // lists) when this one has none yet; the other stops what it was doing and is left with
    // none. A new context so starts with the memory of one that ended: no fresh pages to fault
    // in and clear.
    void Adopt(ObjectPainter& other);

private:
    PainterState* state = nullptr;
    int64_t lastWork = 0;
};

// Whether the object is a filled, unstroked rectangle whose edges fall on pixel boundaries of the
// buffer (or outside it); `covers` tells whether it is opaque and covers the whole buffer. Such
// objects are drawn as plain spans.
int32_t AlignedRectangle(const Document& doc, const DrawObject& obj, const RenderMatrix& m,
                         int32_t width, int32_t height, int32_t* covers);

// Paints the whole bottom-up buffer white (0x00FFFFFF).
void PaintWhite(void* pixels, int32_t width, int32_t height);

// Whether (x, y) hits the object's fill or stroke, with `tolerance` in eighths of a pixel of the
// given matrix (only its scale is used: the test is the same wherever the picture was pushed).
int32_t HitObject(const Document& doc, const DrawObject& obj, const RenderMatrix& m, int32_t x,
                  int32_t y, int32_t tolerance);

} // namespace vemo
