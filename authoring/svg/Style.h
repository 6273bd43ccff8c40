// Computed styles: the cascade's declarations applied over the parent's computed style.
//
// Inherited properties start from the parent's values, the others from their initial values.
// Declarations apply in cascade order; one that cannot be read is ignored (the earlier value
// stays), "inherit" takes the parent's value, "initial" the initial one. font-size is resolved
// first, so that em lengths in the same element use it. Lengths become user units here;
// percentages of stroke widths and dashes use the viewport's normalised diagonal.
// currentColor stays a keyword in paints and is resolved where it is painted, with that
// element's color.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

#include "authoring/svg/Css.h"
#include "authoring/svg/Paint.h"
#include "authoring/svg/Values.h"

namespace vemo::svg {

enum class TextAnchor : uint8_t { Start, Middle, End };
enum class FontStyle : uint8_t { Normal, Italic, Oblique };

struct Style {
    // Inherited.
    Paint fill = BlackPaint();
    Paint stroke;
    double fillOpacity = 1;
    double strokeOpacity = 1;
    uint8_t fillRule = 0; // 0 non-zero, 1 even-odd
    uint8_t clipRule = 0;
    double strokeWidth = 1;
    double miterLimit = 4;
    uint8_t join = 0; // 0 miter, 1 round, 2 bevel (miter-clip and arcs read as miter)
    uint8_t cap = 0;  // 0 butt, 1 round, 2 square
    std::vector<double> dashes; // empty: solid
    double dashOffset = 0;
    uint32_t colour = 0xFF000000;
    bool visible = true;
    std::string markerStart, markerMid, markerEnd; // ids; empty: none
    std::string fontFamily = "Times New Roman";
    double fontSize = 16;
    int fontWeight = 400;
    FontStyle fontStyle = FontStyle::Normal;
    int fontStretch = 100; // percent
    TextAnchor textAnchor = TextAnchor::Start;
    double letterSpacing = 0;
    double wordSpacing = 0;
    bool strokeFirst = false; // paint-order puts the stroke below the fill
    bool preserveSpace = false; // xml:space="preserve" (an attribute, but inherited like this)

    // Not inherited.
    double opacity = 1;
    bool display = true;
    std::string clipPath, mask, filter; // ids; "\x01external" for references into other files
    Paint stopColour = BlackPaint();
    double stopOpacity = 1;
    bool overflowVisible = false; // viewports of nested svg, symbol, marker clip unless visible
    bool nonScalingStroke = false;
    double baselineShift = 0; // user units, positive up
    bool underline = false, overline = false, lineThrough = false;

    static Paint BlackPaint() {
        Paint p;
        p.kind = Paint::Kind::Colour;
        p.argb = 0xFF000000;
        return p;
    }
};

// The computed style of an element from its declarations.
void ComputeStyle(const std::vector<Declaration>& declarations, const Style& parent,
                  const LengthContext& viewport, Style* out);

// Font weight from a keyword or number, relative to the parent's for bolder/lighter.
bool ParseFontWeight(std::string_view text, int parentWeight, int* weight);

} // namespace vemo::svg
