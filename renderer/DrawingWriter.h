// Writes drawings in the renderer's file format (docs/drawing-format.md). Used by the tests,
// the example generator and tools. Paths are built with MoveTo ... Close and written by EndPath.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include "plugin/DocGeometry.h"
#include "renderer/DrawingFormat.h"
#include "renderer/PodArray.h"

namespace vemo {

class DrawingWriter {
public:
    // Starts the file: the 8-byte header and the version. Drawings with gradients are written
    // as 1.6 (DrawingWriter(1, kGradientMinor)).
    explicit DrawingWriter(uint16_t major = 1, uint16_t minor = 5);

    void Bounds(const DocRect& r);
    void DefaultView(const DocRect& r, uint32_t keepAspect);
    void FillColour(uint32_t argb); // 0xAARRGGBB; alpha 0: no fill
    void FillRule(uint8_t rule);
    void Stroke(uint32_t argb, int32_t width, uint8_t join, uint8_t cap,
                uint32_t miterLimit = 4u << 16);
    void NoStroke() { Stroke(0, 0, 0, 0); }
    void Link(const char* address); // null or "": the objects that follow carry no link
    // Paints the target (fill or stroke) of the paths that follow with the gradient, until the
    // target's next FillColour or Stroke record or its next gradient. Written as given: the
    // caller keeps to the record's rules (1 to 256 stops, offsets non-decreasing in [0, 1]).
    void Gradient(const GradientPaint& g);

    void MoveTo(int32_t x, int32_t y);
    void LineTo(int32_t x, int32_t y);
    void QuadTo(int32_t cx, int32_t cy, int32_t x, int32_t y);
    void CubicTo(int32_t c1x, int32_t c1y, int32_t c2x, int32_t c2y, int32_t x, int32_t y);
    void Close();
    void EndPath(); // writes the path record built since the last EndPath

    // Shapes that end their path themselves.
    void Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1);
    void Ellipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry);

    // Any record, as it is (version 1.5 blends and text, unknown kinds, broken records).
    void Record(uint16_t tag, const void* payload, uint32_t length);
    // Raw bytes, for files that break the format on purpose.
    void Bytes(const void* data, size_t length);

    const uint8_t* Data() const { return out.Data(); }
    size_t Size() const { return out.Size(); }
    bool Ok() const { return ok; }

private:
    void U8(uint8_t v);
    void U16(uint16_t v);
    void U32(uint32_t v);
    void Point(int32_t x, int32_t y);

    PodArray<uint8_t> out;
    PodArray<uint8_t> ops;
    PodArray<int32_t> coords;
    bool ok = true;
};

} // namespace vemo
