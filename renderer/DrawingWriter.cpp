#include "renderer/DrawingWriter.h"

#include <string.h>

#include "renderer/DrawingFormat.h"

namespace vemo {

DrawingWriter::DrawingWriter(uint16_t major, uint16_t minor) {
    Bytes(kFileMagic, kMagicSize);
    U16(major);
    U16(minor);
}

void DrawingWriter::Bytes(const void* data, size_t length) {
    ok = out.Append(static_cast<const uint8_t*>(data), length) && ok;
}
void DrawingWriter::U8(uint8_t v) { ok = out.Push(v) && ok; }
void DrawingWriter::U16(uint16_t v) {
    U8(uint8_t(v));
    U8(uint8_t(v >> 8));
}
void DrawingWriter::U32(uint32_t v) {
    U16(uint16_t(v));
    U16(uint16_t(v >> 16));
}

void DrawingWriter::Record(uint16_t tag, const void* payload, uint32_t length) {
    U16(tag);
    U32(length);
    Bytes(payload, length);
}

void DrawingWriter::Bounds(const DocRect& r) {
    U16(kTagBounds);
    U32(kFixedSizeBounds);
    U32(uint32_t(r.x0));
    U32(uint32_t(r.y0));
    U32(uint32_t(r.x1));
    U32(uint32_t(r.y1));
}

void DrawingWriter::DefaultView(const DocRect& r, uint32_t keepAspect) {
    U16(kTagDefaultView);
    U32(kFixedSizeDefaultView);
    U32(uint32_t(r.x0));
    U32(uint32_t(r.y0));
    U32(uint32_t(r.x1));
    U32(uint32_t(r.y1));
    U32(keepAspect);
}

void DrawingWriter::FillColour(uint32_t argb) {
    const uint8_t p[4] = {uint8_t(argb >> 16), uint8_t(argb >> 8), uint8_t(argb),
                          uint8_t(argb >> 24)};
    Record(kTagFillColour, p, 4);
}

void DrawingWriter::FillRule(uint8_t rule) { Record(kTagFillRule, &rule, 1); }

void DrawingWriter::Stroke(uint32_t argb, int32_t width, uint8_t join, uint8_t cap,
                           uint32_t miterLimit) {
    U16(kTagStroke);
    U32(kFixedSizeStroke);
    U8(uint8_t(argb >> 16));
    U8(uint8_t(argb >> 8));
    U8(uint8_t(argb));
    U8(uint8_t(argb >> 24));
    U32(uint32_t(width));
    U8(join);
    U8(cap);
    U16(0);
    U32(miterLimit);
}

void DrawingWriter::Link(const char* address) {
    uint32_t n = address ? uint32_t(strlen(address)) : 0;
    Record(kTagLink, address, n);
}

void DrawingWriter::Gradient(const GradientPaint& g) {
    U16(kTagGradient);
    U32(kGradientHeadSize + kGradientStopSize * g.stopCount);
    U8(g.target);
    U8(g.kind);
    U8(g.spread);
    U8(0);
    const int32_t frame[8] = {g.ox, g.oy, g.ux, g.uy, g.vx, g.vy, g.fx, g.fy};
    for (int32_t v : frame) {
        U32(uint32_t(v));
    }
    U16(uint16_t(g.stopCount));
    U16(0);
    for (uint32_t i = 0; i < g.stopCount; ++i) {
        U32(g.stops[i].offset);
        U8(uint8_t(g.stops[i].argb >> 16));
        U8(uint8_t(g.stops[i].argb >> 8));
        U8(uint8_t(g.stops[i].argb));
        U8(uint8_t(g.stops[i].argb >> 24));
    }
}

void DrawingWriter::Point(int32_t x, int32_t y) {
    ok = coords.Push(x) && coords.Push(y) && ok;
}
void DrawingWriter::MoveTo(int32_t x, int32_t y) {
    ok = ops.Push(kOpMove) && ok;
    Point(x, y);
}
void DrawingWriter::LineTo(int32_t x, int32_t y) {
    ok = ops.Push(kOpLine) && ok;
    Point(x, y);
}
void DrawingWriter::QuadTo(int32_t cx, int32_t cy, int32_t x, int32_t y) {
    ok = ops.Push(kOpQuad) && ok;
    Point(cx, cy);
    Point(x, y);
}
void DrawingWriter::CubicTo(int32_t c1x, int32_t c1y, int32_t c2x, int32_t c2y, int32_t x,
                            int32_t y) {
    ok = ops.Push(kOpCubic) && ok;
    Point(c1x, c1y);
    Point(c2x, c2y);
    Point(x, y);
}
void DrawingWriter::Close() { ok = ops.Push(kOpClose) && ok; }

void DrawingWriter::EndPath() {
    uint32_t length = uint32_t(4 + ops.Size() + coords.Size() * 4);
    U16(kTagPath);
    U32(length);
    U32(uint32_t(ops.Size()));
    Bytes(ops.Data(), ops.Size());
    for (size_t i = 0; i < coords.Size(); ++i) {
        U32(uint32_t(coords[i]));
    }
    ops.Clear();
    coords.Clear();
}

void DrawingWriter::Rectangle(int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
    MoveTo(x0, y0);
    LineTo(x1, y0);
    LineTo(x1, y1);
    LineTo(x0, y1);
    Close();
    EndPath();
}

void DrawingWriter::Ellipse(int32_t cx, int32_t cy, int32_t rx, int32_t ry) {
    // four cubic quarter arcs, control distance 0.5523 of the radius
    int64_t kx = int64_t(rx) * 5523 / 10000, ky = int64_t(ry) * 5523 / 10000;
    int32_t ox = int32_t(kx), oy = int32_t(ky);
    MoveTo(cx + rx, cy);
    CubicTo(cx + rx, cy + oy, cx + ox, cy + ry, cx, cy + ry);
    CubicTo(cx - ox, cy + ry, cx - rx, cy + oy, cx - rx, cy);
    CubicTo(cx - rx, cy - oy, cx - ox, cy - ry, cx, cy - ry);
    CubicTo(cx + ox, cy - ry, cx + rx, cy - oy, cx + rx, cy);
    Close();
    EndPath();
}

} // namespace vemo
