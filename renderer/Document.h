// The drawing as the parser builds it: drawn objects in painter's order, their geometry and
// style, the hyperlink addresses and the views. Plain values only.
#pragma once

#include <stdint.h>

#include "plugin/DocGeometry.h"
#include "renderer/DrawingFormat.h"
#include "renderer/PodArray.h"

namespace vemo {

struct DocPoint {
    int32_t x;
    int32_t y;
};

// Colours are packed 0xAARRGGBB. Each of fill and stroke is painted by its colour or, when it
// has one, by its gradient (an index into Document::gradients), whatever the colour's alpha.
struct Style {
    uint32_t fillColour;   // alpha 0 (and no gradient): not filled
    uint32_t strokeColour; // alpha 0 (and no gradient): not stroked; width 0 is a hairline
    int32_t strokeWidth;   // document units
    uint32_t miterLimit;   // 16.16
    uint8_t fillRule;      // FillRule
    uint8_t join;          // LineJoin
    uint8_t cap;           // LineCap
    uint8_t reserved;
    int32_t fillGradient;   // -1: the fill colour paints
    int32_t strokeGradient; // -1: the stroke colour paints
};

Style DefaultStyle();

inline bool Fills(const Style& s) {
    return s.fillGradient >= 0 || (s.fillColour >> 24) != 0;
}
inline bool Strokes(const Style& s) {
    return s.strokeGradient >= 0 || (s.strokeColour >> 24) != 0;
}

// A gradient paint as the drawing keeps it (the record's values, checked); its stops are
// Document::gradientStops[firstStop, firstStop + stopCount).
struct DocGradient {
    uint8_t kind;   // GradientKind
    uint8_t spread; // GradientSpread
    uint16_t stopCount;
    uint32_t firstStop;
    int32_t ox, oy, ux, uy, vx, vy; // the frame, document units
    int32_t fx, fy;                 // focus in unit space, 16.16
};

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
    PodArray<DocGradient> gradients;
    PodArray<GradientStop> gradientStops;

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
