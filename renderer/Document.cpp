#include "renderer/Document.h"

#include "renderer/DrawingFormat.h"

namespace vemo {

Style DefaultStyle() {
    Style s{};
    s.fillColour = 0xFF000000u; // opaque black
    s.strokeColour = 0;         // no stroke
    s.strokeWidth = 0;
    s.miterLimit = 4u << 16;
    s.fillRule = kNonZero;
    s.join = kJoinMiter;
    s.cap = kCapButt;
    s.fillGradient = -1;
    s.strokeGradient = -1;
    return s;
}

void Document::Clear() {
    ops.Release();
    points.Release();
    objects.Release();
    linkText.Release();
    links.Release();
    gradients.Release();
    gradientStops.Release();
    bounds = NotSetRect();
    defaultView = NotSetRect();
    defaultViewFlag = 1;
    style = DefaultStyle();
    currentLink = -1;
}

uint64_t Document::BytesHeld() const {
    return uint64_t(ops.BytesHeld()) + points.BytesHeld() + objects.BytesHeld() +
           linkText.BytesHeld() + links.BytesHeld() + gradients.BytesHeld() +
           gradientStops.BytesHeld();
}

} // namespace vemo
