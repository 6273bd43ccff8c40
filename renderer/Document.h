// The drawing as the parser builds it: drawn objects in painter's order, their geometry and
// style, the hyperlink addresses and the views. Plain values only.
#pragma once

#include <stdint.h>

#include "plugin/DocGeometry.h"
#include "renderer/PodArray.h"

namespace vemo {

struct DocPoint {
    int32_t x;
    int32_t y;
};

// Colours are packed 0xAARRGGBB.
struct Style {
    uint32_t fillColour;   // alpha 0: not filled
    uint32_t strokeColour; // alpha 0 or width 0: not stroked
    int32_t strokeWidth;   // document units
    uint32_t miterLimit;   // 16.16
    uint8_t fillRule;      // FillRule
    uint8_t join;          // LineJoin
    uint8_t cap;           // LineCap
    uint8_t reserved;
};

Style DefaultStyle();

// Bounding box in document units, 64-bit so that a stroke's half width never overflows.
struct DocBox {
    int64_t x0;
    int64_t y0;
    int64_t x1;
    int64_t y1;
};

struct DrawObject {
    uint32_t firstOp;
    uint32_t opCount;
    uint32_t firstPoint;
    uint32_t pointCount;
    Style style;
    int32_t link; // index into the link table, -1 without a link
    DocBox box;   // covers the fill and the stroke (miter joins included)
};

struct LinkEntry {
    uint32_t offset; // into linkText
    uint32_t length;
};

struct Document {
    PodArray<uint8_t> ops;
    PodArray<DocPoint> points;
    PodArray<DrawObject> objects;
    PodArray<char> linkText;
    PodArray<LinkEntry> links;

    DocRect bounds = NotSetRect();
    DocRect defaultView = NotSetRect();
    int32_t defaultViewFlag = 1;

    // State that applies to the objects that follow.
    Style style = DefaultStyle();
    int32_t currentLink = -1;

    void Clear();
    uint64_t BytesHeld() const;
};

} // namespace vemo
