#include "authoring/svg/Style.h"

#include <math.h>

namespace vemo::svg {

namespace {

bool ParseFontSize(std::string_view text, double parentSize, const LengthContext& vp, double* out) {
    struct Named {
        const char* name;
        double px;
    };
    static const Named named[] = {{"xx-small", 9}, {"x-small", 10}, {"small", 13},
                                  {"medium", 16},  {"large", 18},   {"x-large", 24},
                                  {"xx-large", 32}, {"xxx-large", 48}};
    std::string_view t = Trim(text);
    for (const Named& n : named) {
        if (EqualsNoCase(t, n.name)) {
            *out = n.px;
            return true;
        }
    }
    if (EqualsNoCase(t, "larger")) {
        *out = parentSize * 1.2;
        return true;
    }
    if (EqualsNoCase(t, "smaller")) {
        *out = parentSize / 1.2;
        return true;
    }
    Length l;
    if (!ParseLength(t, &l) || l.value < 0) {
        return false;
    }
    LengthContext c = vp;
    c.fontSize = parentSize;
    if (l.unit == Unit::Percent) {
        *out = parentSize * l.value / 100;
    } else {
        *out = ResolveLength(l, c, Axis::Other);
    }
    return true;
}

bool ParseOpacity(std::string_view text, double* out) {
    Length l;
    if (!ParseLength(text, &l) || (l.unit != Unit::None && l.unit != Unit::Percent)) {
        return false;
    }
    double v = l.unit == Unit::Percent ? l.value / 100 : l.value;
    *out = v < 0 ? 0 : (v > 1 ? 1 : v);
    return true;
}

bool ParseNonNegativeLength(std::string_view text, const LengthContext& c, double* out) {
    Length l;
    if (!ParseLength(text, &l) || l.value < 0) {
        return false;
    }
    *out = ResolveLength(l, c, Axis::Other);
    return true;
}

bool ParseDashes(std::string_view text, const LengthContext& c, std::vector<double>* out) {
    std::string_view t = Trim(text);
    out->clear();
    if (EqualsNoCase(t, "none")) {
        return true;
    }
    Scanner scan(t);
    while (!scan.AtEnd()) {
        Length l;
        if (!ScanLength(scan, &l) || l.value < 0 || out->size() >= 1024) {
            out->clear();
            return false;
        }
        out->push_back(ResolveLength(l, c, Axis::Other));
        scan.SkipCommaSpace();
    }
    double sum = 0;
    for (double d : *out) {
        sum += d;
    }
    if (sum <= 0) {
        out->clear(); // all zero: solid
    } else if (out->size() % 2 == 1) {
        std::vector<double> twice = *out;
        out->insert(out->end(), twice.begin(), twice.end());
    }
    return true;
}

// "url(#id)" or "none".
bool ParseReference(std::string_view text, std::string* id) {
    std::string_view t = Trim(text);
    if (EqualsNoCase(t, "none")) {
        id->clear();
        return true;
    }
    return ParseUrlReference(t, id);
}

void ApplyFontShorthand(std::string_view text, const Style& parent, const LengthContext& vp,
                        Style* s) {
    // [style] [variant] [weight] [stretch] size[/line-height] family
    std::string_view t = Trim(text);
    Style r = *s;
    r.fontStyle = FontStyle::Normal;
    r.fontWeight = 400;
    for (int guard = 0; guard < 8 && !t.empty(); ++guard) {
        size_t sp = 0;
        while (sp < t.size() && !IsSpace(t[sp])) {
            ++sp;
        }
        std::string_view word = t.substr(0, sp);
        int w = 0;
        if (EqualsNoCase(word, "italic")) {
            r.fontStyle = FontStyle::Italic;
        } else if (EqualsNoCase(word, "oblique")) {
            r.fontStyle = FontStyle::Oblique;
        } else if (EqualsNoCase(word, "normal") || EqualsNoCase(word, "small-caps")) {
        } else if (!(word[0] >= '0' && word[0] <= '9') || word.size() == 3) {
            if (ParseFontWeight(word, parent.fontWeight, &w)) {
                r.fontWeight = w;
            } else {
                break;
            }
        } else {
            break;
        }
        t = Trim(t.substr(sp));
    }
    size_t sp = 0;
    while (sp < t.size() && !IsSpace(t[sp])) {
        ++sp;
    }
    std::string_view size = t.substr(0, sp);
    size_t slash = size.find('/');
    if (slash != std::string_view::npos) {
        size = size.substr(0, slash);
    }
    double px = 0;
    if (!ParseFontSize(size, parent.fontSize, vp, &px)) {
        return;
    }
    std::string_view family = Trim(t.substr(sp));
    if (!family.empty() && family[0] == '/') {
        // "12px / 1.5 serif": skip the line height
        family = Trim(family.substr(1));
        size_t e = 0;
        while (e < family.size() && !IsSpace(family[e])) {
            ++e;
        }
        family = Trim(family.substr(e));
    }
    if (family.empty()) {
        return;
    }
    r.fontSize = px;
    r.fontFamily = std::string(family);
    *s = r;
}

void Apply(const Declaration& d, const Style& parent, const LengthContext& c, Style* s) {
    const std::string& n = d.name;
    std::string_view v = Trim(d.value);
    bool inherit = EqualsNoCase(v, "inherit");
    static const Style initial;
    bool reset = EqualsNoCase(v, "initial");
    const Style* from = inherit ? &parent : (reset ? &initial : nullptr);

#define VEMO_TAKE(field)            \
    if (from != nullptr) {          \
        s->field = from->field;     \
        return;                     \
    }

    if (n == "fill") {
        VEMO_TAKE(fill);
        ParsePaint(v, &s->fill);
    } else if (n == "stroke") {
        VEMO_TAKE(stroke);
        ParsePaint(v, &s->stroke);
    } else if (n == "fill-opacity") {
        VEMO_TAKE(fillOpacity);
        ParseOpacity(v, &s->fillOpacity);
    } else if (n == "stroke-opacity") {
        VEMO_TAKE(strokeOpacity);
        ParseOpacity(v, &s->strokeOpacity);
    } else if (n == "opacity") {
        VEMO_TAKE(opacity);
        ParseOpacity(v, &s->opacity);
    } else if (n == "fill-rule" || n == "clip-rule") {
        uint8_t* rule = n == "fill-rule" ? &s->fillRule : &s->clipRule;
        if (from != nullptr) {
            *rule = n == "fill-rule" ? from->fillRule : from->clipRule;
        } else if (EqualsNoCase(v, "nonzero")) {
            *rule = 0;
        } else if (EqualsNoCase(v, "evenodd")) {
            *rule = 1;
        }
    } else if (n == "stroke-width") {
        VEMO_TAKE(strokeWidth);
        ParseNonNegativeLength(v, c, &s->strokeWidth);
    } else if (n == "stroke-miterlimit") {
        VEMO_TAKE(miterLimit);
        double m = 0;
        if (ParseNumber(v, &m) && m >= 1) {
            s->miterLimit = m;
        }
    } else if (n == "stroke-linejoin") {
        VEMO_TAKE(join);
        if (EqualsNoCase(v, "miter") || EqualsNoCase(v, "miter-clip") || EqualsNoCase(v, "arcs")) {
            s->join = 0;
        } else if (EqualsNoCase(v, "round")) {
            s->join = 1;
        } else if (EqualsNoCase(v, "bevel")) {
            s->join = 2;
        }
    } else if (n == "stroke-linecap") {
        VEMO_TAKE(cap);
        if (EqualsNoCase(v, "butt")) {
            s->cap = 0;
        } else if (EqualsNoCase(v, "round")) {
            s->cap = 1;
        } else if (EqualsNoCase(v, "square")) {
            s->cap = 2;
        }
    } else if (n == "stroke-dasharray") {
        VEMO_TAKE(dashes);
        std::vector<double> dashes;
        if (ParseDashes(v, c, &dashes)) {
            s->dashes = dashes;
        }
    } else if (n == "stroke-dashoffset") {
        VEMO_TAKE(dashOffset);
        Length l;
        if (ParseLength(v, &l)) {
            s->dashOffset = ResolveLength(l, c, Axis::Other);
        }
    } else if (n == "color") {
        VEMO_TAKE(colour);
        uint32_t argb = 0;
        bool current = false;
        if (ParseColour(v, &argb, &current)) {
            s->colour = current ? parent.colour : argb;
        }
    } else if (n == "visibility") {
        VEMO_TAKE(visible);
        if (EqualsNoCase(v, "visible")) {
            s->visible = true;
        } else if (EqualsNoCase(v, "hidden") || EqualsNoCase(v, "collapse")) {
            s->visible = false;
        }
    } else if (n == "display") {
        VEMO_TAKE(display);
        s->display = !EqualsNoCase(v, "none");
    } else if (n == "marker-start" || n == "marker-mid" || n == "marker-end" || n == "marker") {
        std::string id;
        bool ok = from != nullptr || ParseReference(v, &id);
        if (!ok) {
            return;
        }
        if (n == "marker-start" || n == "marker") {
            s->markerStart = from ? from->markerStart : id;
        }
        if (n == "marker-mid" || n == "marker") {
            s->markerMid = from ? from->markerMid : id;
        }
        if (n == "marker-end" || n == "marker") {
            s->markerEnd = from ? from->markerEnd : id;
        }
    } else if (n == "clip-path") {
        VEMO_TAKE(clipPath);
        ParseReference(v, &s->clipPath);
    } else if (n == "mask") {
        VEMO_TAKE(mask);
        ParseReference(v, &s->mask);
    } else if (n == "filter") {
        VEMO_TAKE(filter);
        std::string id;
        if (ParseReference(v, &id)) {
            s->filter = id;
        } else if (!v.empty()) {
            s->filter = "\x01function"; // CSS filter functions
        }
    } else if (n == "font-family") {
        VEMO_TAKE(fontFamily);
        if (!v.empty()) {
            s->fontFamily = std::string(v);
        }
    } else if (n == "font-size") {
        // resolved before the others
    } else if (n == "font-weight") {
        VEMO_TAKE(fontWeight);
        ParseFontWeight(v, parent.fontWeight, &s->fontWeight);
    } else if (n == "font-style") {
        VEMO_TAKE(fontStyle);
        if (EqualsNoCase(v, "normal")) {
            s->fontStyle = FontStyle::Normal;
        } else if (EqualsNoCase(v, "italic")) {
            s->fontStyle = FontStyle::Italic;
        } else if (StartsWithNoCase(v, "oblique")) {
            s->fontStyle = FontStyle::Oblique;
        }
    } else if (n == "font-stretch") {
        VEMO_TAKE(fontStretch);
        struct Named {
            const char* name;
            int percent;
        };
        static const Named named[] = {
            {"ultra-condensed", 50}, {"extra-condensed", 63}, {"condensed", 75},
            {"semi-condensed", 88},  {"normal", 100},         {"semi-expanded", 113},
            {"expanded", 125},       {"extra-expanded", 150}, {"ultra-expanded", 200}};
        for (const Named& k : named) {
            if (EqualsNoCase(v, k.name)) {
                s->fontStretch = k.percent;
            }
        }
    } else if (n == "font") {
        if (from != nullptr) {
            s->fontFamily = from->fontFamily;
            s->fontSize = from->fontSize;
            s->fontWeight = from->fontWeight;
            s->fontStyle = from->fontStyle;
        } else {
            ApplyFontShorthand(v, parent, c, s);
        }
    } else if (n == "text-anchor") {
        VEMO_TAKE(textAnchor);
        if (EqualsNoCase(v, "start")) {
            s->textAnchor = TextAnchor::Start;
        } else if (EqualsNoCase(v, "middle")) {
            s->textAnchor = TextAnchor::Middle;
        } else if (EqualsNoCase(v, "end")) {
            s->textAnchor = TextAnchor::End;
        }
    } else if (n == "letter-spacing" || n == "word-spacing") {
        double* field = n == "letter-spacing" ? &s->letterSpacing : &s->wordSpacing;
        if (from != nullptr) {
            *field = n == "letter-spacing" ? from->letterSpacing : from->wordSpacing;
        } else if (EqualsNoCase(v, "normal")) {
            *field = 0;
        } else {
            Length l;
            if (ParseLength(v, &l)) {
                LengthContext fc = c;
                fc.fontSize = s->fontSize;
                *field = ResolveLength(l, fc, Axis::X);
            }
        }
    } else if (n == "paint-order") {
        VEMO_TAKE(strokeFirst);
        if (EqualsNoCase(v, "normal")) {
            s->strokeFirst = false;
        } else {
            size_t st = v.find("stroke");
            size_t fi = v.find("fill");
            s->strokeFirst = st != std::string_view::npos && (fi == std::string_view::npos || st < fi);
        }
    } else if (n == "stop-color") {
        VEMO_TAKE(stopColour);
        uint32_t argb = 0;
        bool current = false;
        if (ParseColour(v, &argb, &current)) {
            s->stopColour.kind = current ? Paint::Kind::CurrentColour : Paint::Kind::Colour;
            s->stopColour.argb = argb;
        }
    } else if (n == "stop-opacity") {
        VEMO_TAKE(stopOpacity);
        ParseOpacity(v, &s->stopOpacity);
    } else if (n == "overflow") {
        VEMO_TAKE(overflowVisible);
        s->overflowVisible = EqualsNoCase(v, "visible") || EqualsNoCase(v, "auto");
    } else if (n == "vector-effect") {
        VEMO_TAKE(nonScalingStroke);
        s->nonScalingStroke = EqualsNoCase(v, "non-scaling-stroke");
    } else if (n == "baseline-shift") {
        VEMO_TAKE(baselineShift);
        if (EqualsNoCase(v, "baseline")) {
            s->baselineShift = 0;
        } else if (EqualsNoCase(v, "super")) {
            s->baselineShift = s->fontSize * 0.4;
        } else if (EqualsNoCase(v, "sub")) {
            s->baselineShift = -s->fontSize * 0.2;
        } else {
            Length l;
            if (ParseLength(v, &l)) {
                LengthContext fc = c;
                fc.fontSize = s->fontSize;
                s->baselineShift = l.unit == Unit::Percent ? l.value / 100 * s->fontSize
                                                           : ResolveLength(l, fc, Axis::Y);
            }
        }
    } else if (n == "text-decoration" || n == "text-decoration-line") {
        if (from != nullptr) {
            s->underline = from->underline;
            s->overline = from->overline;
            s->lineThrough = from->lineThrough;
        } else {
            s->underline = v.find("underline") != std::string_view::npos;
            s->overline = v.find("overline") != std::string_view::npos;
            s->lineThrough = v.find("line-through") != std::string_view::npos;
        }
    }
#undef VEMO_TAKE
}

} // namespace

bool ParseFontWeight(std::string_view text, int parentWeight, int* weight) {
    std::string_view t = Trim(text);
    if (EqualsNoCase(t, "normal")) {
        *weight = 400;
    } else if (EqualsNoCase(t, "bold")) {
        *weight = 700;
    } else if (EqualsNoCase(t, "bolder")) {
        *weight = parentWeight < 350 ? 400 : (parentWeight < 550 ? 700 : 900);
    } else if (EqualsNoCase(t, "lighter")) {
        *weight = parentWeight < 550 ? 100 : (parentWeight < 750 ? 400 : 700);
    } else {
        double w = 0;
        if (!ParseNumber(t, &w) || w < 1 || w > 1000) {
            return false;
        }
        *weight = int(w);
    }
    return true;
}

void ComputeStyle(const std::vector<Declaration>& declarations, const Style& parent,
                  const LengthContext& viewport, Style* out) {
    static const Style initial;
    Style s = parent;
    // Not inherited: back to the initial values.
    s.opacity = initial.opacity;
    s.display = initial.display;
    s.clipPath.clear();
    s.mask.clear();
    s.filter.clear();
    s.stopColour = initial.stopColour;
    s.stopOpacity = initial.stopOpacity;
    s.overflowVisible = initial.overflowVisible;
    s.nonScalingStroke = initial.nonScalingStroke;
    s.baselineShift = 0;

    for (const Declaration& d : declarations) {
        if (d.name == "font-size") {
            std::string_view v = Trim(d.value);
            if (EqualsNoCase(v, "inherit")) {
                s.fontSize = parent.fontSize;
            } else if (EqualsNoCase(v, "initial")) {
                s.fontSize = initial.fontSize;
            } else {
                double px = 0;
                if (ParseFontSize(v, parent.fontSize, viewport, &px)) {
                    s.fontSize = px;
                }
            }
        } else if (d.name == "font") {
            Apply(d, parent, viewport, &s);
        }
    }
    LengthContext c = viewport;
    c.fontSize = s.fontSize;
    for (const Declaration& d : declarations) {
        if (d.name != "font-size" && d.name != "font") {
            Apply(d, parent, c, &s);
        }
    }
    *out = std::move(s);
}

} // namespace vemo::svg
