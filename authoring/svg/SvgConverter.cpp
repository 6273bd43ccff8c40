// The walk over the SVG tree that turns elements into scene items (the rendering model:
// painter's order, styles cascaded and inherited, transforms multiplied into one matrix from
// each element's user space to document units), then writes the scene.
#include "authoring/svg/SvgConverter.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include "authoring/svg/DrawingOutput.h"
#include "authoring/svg/Paint.h"
#include "authoring/svg/Path.h"
#include "authoring/svg/PathData.h"
#include "authoring/svg/Scene.h"
#include "authoring/svg/Style.h"
#include "authoring/svg/SvgDocument.h"
#include "authoring/svg/Transform.h"
#include "authoring/svg/Values.h"

namespace vemo::svg {

namespace {

const double kUnitsPerPx = 750; // 72000 / 96
const double kKappa = 0.5522847498307936; // cubic control distance for a quarter circle

struct Limits {
    size_t maxRendered = 4000000;   // elements rendered, use instances counted each time
    size_t maxUseDepth = 40;        // nested use references
    size_t maxPathPoints = 4000000; // points in one element's path data
    size_t maxTotalPoints = 30000000;
};

// A viewport: its size (for percentages) and where the user space maps.
struct ViewBox {
    double x = 0, y = 0, w = 0, h = 0;
    bool valid = false;
};

bool ParseViewBox(const std::string* text, ViewBox* vb) {
    if (text == nullptr) {
        return false;
    }
    Scanner scan(*text);
    double v[4];
    scan.SkipSpace();
    for (int i = 0; i < 4; ++i) {
        if (!scan.Number(&v[i])) {
            return false;
        }
        scan.SkipCommaSpace();
    }
    if (!scan.AtEnd() || v[2] <= 0 || v[3] <= 0) {
        return false;
    }
    *vb = ViewBox{v[0], v[1], v[2], v[3], true};
    return true;
}

struct AspectRatio {
    int alignX = 1, alignY = 1; // 0 min, 1 mid, 2 max
    bool none = false;
    bool slice = false;
};

AspectRatio ParseAspectRatio(const std::string* text) {
    AspectRatio r;
    if (text == nullptr) {
        return r;
    }
    Scanner scan(*text);
    scan.SkipSpace();
    std::string_view word = scan.Word();
    if (word == "defer") {
        scan.SkipSpace();
        word = scan.Word();
    }
    if (word == "none") {
        r.none = true;
    } else if (word.size() == 8 && word[0] == 'x' && word[4] == 'Y') {
        auto align = [](std::string_view s) { return s == "Min" ? 0 : (s == "Mid" ? 1 : (s == "Max" ? 2 : -1)); };
        int ax = align(word.substr(1, 3));
        int ay = align(word.substr(5, 3));
        if (ax < 0 || ay < 0) {
            return AspectRatio();
        }
        r.alignX = ax;
        r.alignY = ay;
    } else {
        return AspectRatio();
    }
    scan.SkipSpace();
    std::string_view mode = scan.Word();
    r.slice = mode == "slice";
    return r;
}

// The matrix that maps the view box into the viewport (x, y, w, h).
Matrix ViewBoxMatrix(const ViewBox& vb, const AspectRatio& ar, double x, double y, double w,
                     double h) {
    double sx = w / vb.w;
    double sy = h / vb.h;
    if (ar.none) {
        return Matrix{sx, 0, 0, sy, x - vb.x * sx, y - vb.y * sy};
    }
    double s = ar.slice ? std::max(sx, sy) : std::min(sx, sy);
    double tx = x - vb.x * s;
    double ty = y - vb.y * s;
    double extraX = w - vb.w * s;
    double extraY = h - vb.h * s;
    tx += extraX * ar.alignX / 2;
    ty += extraY * ar.alignY / 2;
    return Matrix{s, 0, 0, s, tx, ty};
}

double AttrLength(const Element* e, const char* name, const LengthContext& vp, Axis axis,
                  double fallback, bool* present = nullptr) {
    const std::string* v = e->Attr(name);
    Length l;
    if (v == nullptr || !ParseLength(*v, &l)) {
        if (present) {
            *present = false;
        }
        return fallback;
    }
    if (present) {
        *present = true;
    }
    return ResolveLength(l, vp, axis);
}

bool IsShape(std::string_view n) {
    return n == "path" || n == "rect" || n == "circle" || n == "ellipse" || n == "line" ||
           n == "polyline" || n == "polygon";
}

class Converter {
public:
    Converter(const SvgDocument& document, const ConvertOptions& options, ConvertReport* report)
        : doc(document), options(options), report(report) {}

    bool Convert(std::vector<uint8_t>* out, std::string* error);

private:
    struct Context {
        Matrix ctm;      // user space to document units
        LengthContext vp; // the viewport of percentages
        int link = -1;
    };

    void Drop(const std::string& kind) { ++report->dropped[kind]; }
    void Approximate(const std::string& kind) { ++report->approximated[kind]; }
    void Fail(const std::string& reason) {
        if (!failed) {
            failed = true;
            failure = reason;
        }
    }

    void RenderElement(const Element* e, const Style& parent, const Context& ctx,
                       std::vector<SceneItem>* out);
    void RenderChildren(const Element* e, const Style& style, const Context& ctx,
                        std::vector<SceneItem>* out);
    void RenderUse(const Element* e, const Style& style, const Context& ctx,
                   std::vector<SceneItem>* out);
    void RenderViewport(const Element* e, const Style& style, const Context& ctx, double x,
                        double y, double w, double h, std::vector<SceneItem>* out);
    bool ShapePath(const Element* e, const LengthContext& vp, Path* path);
    void RenderShape(const Element* e, const Style& style, const Context& ctx,
                     std::vector<SceneItem>* out);
    void EmitPath(const Path& user, const Style& style, const Context& ctx,
                  std::vector<SceneItem>* out);
    bool ResolvePaint(const Paint& paint, const Style& style, double opacity, const Box& bbox,
                      const Matrix& ctm, ScenePaint* out);
    bool ResolveGradient(const Element* g, const Box& bbox, const Matrix& ctm, double opacity,
                         const Style& style, ScenePaint* out);
    // The computed style of an element in the place where it is defined (for gradients' stops,
    // markers, clip paths and patterns, which inherit from their own ancestors).
    const Style& DefinitionStyle(const Element* e);
    void FinishGroup(const Style& style, std::vector<SceneItem>* local, std::vector<SceneItem>* out);
    int LinkIndex(const std::string& href);

    const SvgDocument& doc;
    const ConvertOptions& options;
    ConvertReport* report;
    Limits limits;
    Scene scene;
    bool failed = false;
    std::string failure;
    size_t rendered = 0;
    size_t totalPoints = 0;
    std::vector<const Element*> useStack;
    std::map<const Element*, Style> definitionStyles;
    LengthContext rootViewport;
    double rootScale = 1; // document units per root user unit... for non-scaling strokes
};

int Converter::LinkIndex(const std::string& href) {
    std::string address(Trim(href));
    for (size_t i = 0; i < scene.links.size(); ++i) {
        if (scene.links[i] == address) {
            return int(i);
        }
    }
    if (address.empty() || address.size() > 4096) {
        return -1;
    }
    for (char& c : address) {
        if ((unsigned char)c < 0x20 || c == 0x7F) {
            c = ' ';
        }
    }
    scene.links.push_back(address);
    return int(scene.links.size() - 1);
}

const Style& Converter::DefinitionStyle(const Element* e) {
    auto it = definitionStyles.find(e);
    if (it != definitionStyles.end()) {
        return it->second;
    }
    // Ancestors first, without recursion (elements may nest deeply).
    std::vector<const Element*> chain;
    for (const Element* p = e; p != nullptr && definitionStyles.find(p) == definitionStyles.end();
         p = p->parent) {
        chain.push_back(p);
    }
    for (size_t i = chain.size(); i-- > 0;) {
        const Element* c = chain[i];
        static const Style initial;
        const Style& parent = c->parent ? definitionStyles[c->parent] : initial;
        Style s;
        ComputeStyle(doc.Declarations(c), parent, rootViewport, &s);
        definitionStyles[c] = s;
    }
    return definitionStyles[e];
}

bool Converter::ShapePath(const Element* e, const LengthContext& vp, Path* path) {
    const std::string& n = e->name;
    if (n == "path") {
        const std::string* d = e->Attr("d");
        if (d == nullptr) {
            return false;
        }
        PathDataResult r = ParsePathData(*d, limits.maxPathPoints, path);
        if (r == PathDataResult::TooLarge) {
            Drop("oversized path");
            path->Clear();
            return false;
        }
        return !path->Empty();
    }
    if (n == "rect") {
        double x = AttrLength(e, "x", vp, Axis::X, 0);
        double y = AttrLength(e, "y", vp, Axis::Y, 0);
        double w = AttrLength(e, "width", vp, Axis::X, 0);
        double h = AttrLength(e, "height", vp, Axis::Y, 0);
        if (!(w > 0) || !(h > 0)) {
            return false;
        }
        bool hasRx = false, hasRy = false;
        double rx = AttrLength(e, "rx", vp, Axis::X, 0, &hasRx);
        double ry = AttrLength(e, "ry", vp, Axis::Y, 0, &hasRy);
        if (hasRx && rx < 0) {
            hasRx = false;
        }
        if (hasRy && ry < 0) {
            hasRy = false;
        }
        if (!hasRx && hasRy) {
            rx = ry;
        } else if (hasRx && !hasRy) {
            ry = rx;
        } else if (!hasRx && !hasRy) {
            rx = ry = 0;
        }
        rx = std::min(rx, w / 2);
        ry = std::min(ry, h / 2);
        if (rx > 0 && ry > 0) {
            double kx = rx * (1 - kKappa), ky = ry * (1 - kKappa);
            path->MoveTo({x + rx, y});
            path->LineTo({x + w - rx, y});
            path->CubicTo({x + w - kx, y}, {x + w, y + ky}, {x + w, y + ry});
            path->LineTo({x + w, y + h - ry});
            path->CubicTo({x + w, y + h - ky}, {x + w - kx, y + h}, {x + w - rx, y + h});
            path->LineTo({x + rx, y + h});
            path->CubicTo({x + kx, y + h}, {x, y + h - ky}, {x, y + h - ry});
            path->LineTo({x, y + ry});
            path->CubicTo({x, y + ky}, {x + kx, y}, {x + rx, y});
            path->Close();
        } else {
            path->MoveTo({x, y});
            path->LineTo({x + w, y});
            path->LineTo({x + w, y + h});
            path->LineTo({x, y + h});
            path->Close();
        }
        return true;
    }
    if (n == "circle" || n == "ellipse") {
        double cx = AttrLength(e, "cx", vp, Axis::X, 0);
        double cy = AttrLength(e, "cy", vp, Axis::Y, 0);
        double rx, ry;
        if (n == "circle") {
            rx = ry = AttrLength(e, "r", vp, Axis::Other, 0);
        } else {
            bool hasRx = false, hasRy = false;
            rx = AttrLength(e, "rx", vp, Axis::X, 0, &hasRx);
            ry = AttrLength(e, "ry", vp, Axis::Y, 0, &hasRy);
            if (!hasRx && hasRy) {
                rx = ry; // "auto"
            } else if (hasRx && !hasRy) {
                ry = rx;
            }
        }
        if (!(rx > 0) || !(ry > 0)) {
            return false;
        }
        double kx = rx * kKappa, ky = ry * kKappa;
        path->MoveTo({cx + rx, cy});
        path->CubicTo({cx + rx, cy + ky}, {cx + kx, cy + ry}, {cx, cy + ry});
        path->CubicTo({cx - kx, cy + ry}, {cx - rx, cy + ky}, {cx - rx, cy});
        path->CubicTo({cx - rx, cy - ky}, {cx - kx, cy - ry}, {cx, cy - ry});
        path->CubicTo({cx + kx, cy - ry}, {cx + rx, cy - ky}, {cx + rx, cy});
        path->Close();
        return true;
    }
    if (n == "line") {
        double x1 = AttrLength(e, "x1", vp, Axis::X, 0);
        double y1 = AttrLength(e, "y1", vp, Axis::Y, 0);
        double x2 = AttrLength(e, "x2", vp, Axis::X, 0);
        double y2 = AttrLength(e, "y2", vp, Axis::Y, 0);
        path->MoveTo({x1, y1});
        path->LineTo({x2, y2});
        return true;
    }
    if (n == "polyline" || n == "polygon") {
        const std::string* pts = e->Attr("points");
        if (pts == nullptr) {
            return false;
        }
        Scanner scan(*pts);
        scan.SkipSpace();
        bool first = true;
        while (!scan.AtEnd()) {
            double x, y;
            if (!scan.Number(&x)) {
                break;
            }
            scan.SkipCommaSpace();
            if (!scan.Number(&y)) {
                break; // an odd coordinate is ignored
            }
            scan.SkipCommaSpace();
            if (first) {
                path->MoveTo({x, y});
                first = false;
            } else {
                path->LineTo({x, y});
            }
            if (path->pts.size() > limits.maxPathPoints) {
                Drop("oversized path");
                path->Clear();
                return false;
            }
        }
        if (path->Empty()) {
            return false;
        }
        if (n == "polygon") {
            path->Close();
        }
        return true;
    }
    return false;
}

bool Converter::ResolveGradient(const Element* g, const Box& bbox, const Matrix& ctm,
                                double opacity, const Style& style, ScenePaint* out) {
    (void)style;
    // Attributes and stops may come from the gradients that href points to.
    std::vector<const Element*> chain;
    for (const Element* c = g; c != nullptr && chain.size() < 32;) {
        if (std::find(chain.begin(), chain.end(), c) != chain.end()) {
            break;
        }
        chain.push_back(c);
        const std::string* href = c->Attr("href");
        if (href == nullptr || href->empty() || (*href)[0] != '#') {
            break;
        }
        const Element* next = doc.FindById(std::string_view(*href).substr(1));
        if (next == nullptr || (next->name != "linearGradient" && next->name != "radialGradient")) {
            break;
        }
        c = next;
    }
    auto attr = [&](const char* name) -> const std::string* {
        for (const Element* c : chain) {
            if (const std::string* v = c->Attr(name)) {
                // x1... belong to linear gradients, cx... to radial ones
                bool linearOnly = strcmp(name, "x1") == 0 || strcmp(name, "y1") == 0 ||
                                  strcmp(name, "x2") == 0 || strcmp(name, "y2") == 0;
                bool radialOnly = strcmp(name, "cx") == 0 || strcmp(name, "cy") == 0 ||
                                  strcmp(name, "r") == 0 || strcmp(name, "fx") == 0 ||
                                  strcmp(name, "fy") == 0 || strcmp(name, "fr") == 0;
                if ((linearOnly && c->name != "linearGradient") ||
                    (radialOnly && c->name != "radialGradient")) {
                    continue;
                }
                return v;
            }
        }
        return nullptr;
    };
    const Element* stopsFrom = nullptr;
    for (const Element* c : chain) {
        for (const Element* k : c->children) {
            if (k->name == "stop") {
                stopsFrom = c;
                break;
            }
        }
        if (stopsFrom) {
            break;
        }
    }
    std::vector<GradientStop> stops;
    if (stopsFrom != nullptr) {
        double last = 0;
        for (const Element* k : stopsFrom->children) {
            if (k->name != "stop") {
                continue;
            }
            const Style& ks = DefinitionStyle(k);
            double offset = 0;
            if (const std::string* o = k->Attr("offset")) {
                Length l;
                if (ParseLength(*o, &l)) {
                    offset = l.unit == Unit::Percent ? l.value / 100 : l.value;
                }
            }
            offset = std::min(1.0, std::max(0.0, offset));
            offset = std::max(offset, last);
            last = offset;
            uint32_t c = ks.stopColour.kind == Paint::Kind::CurrentColour ? ks.colour
                                                                            : ks.stopColour.argb;
            c = ScaleAlpha(c, ks.stopOpacity * opacity);
            stops.push_back({offset, c});
            if (stops.size() > 4096) {
                break;
            }
        }
    }
    if (stops.empty()) {
        out->kind = ScenePaint::Kind::None;
        return true;
    }
    if (stops.size() == 1) {
        out->kind = ScenePaint::Kind::Solid;
        out->argb = stops[0].argb;
        return true;
    }
    bool radial = g->name == "radialGradient";
    const std::string* units = attr("gradientUnits");
    bool userSpace = units != nullptr && Trim(*units) == "userSpaceOnUse";
    Matrix space;
    LengthContext lc = rootViewport;
    if (!userSpace) {
        if (!(bbox.Width() > 0) || !(bbox.Height() > 0)) {
            out->kind = ScenePaint::Kind::None;
            return true;
        }
        space = Matrix{bbox.Width(), 0, 0, bbox.Height(), bbox.x0, bbox.y0};
        lc.viewportWidth = lc.viewportHeight = 1;
    }
    Matrix gt;
    if (const std::string* t = attr("gradientTransform")) {
        ParseTransform(*t, &gt);
    }
    Matrix m = ctm * space * gt;
    auto len = [&](const char* name, Axis axis, double fallback) {
        const std::string* v = attr(name);
        Length l;
        if (v == nullptr || !ParseLength(*v, &l)) {
            return fallback;
        }
        if (!userSpace && l.unit == Unit::Percent) {
            return l.value / 100;
        }
        return ResolveLength(l, lc, axis);
    };
    auto g2 = std::make_shared<Gradient>();
    g2->stops = stops;
    const std::string* spread = attr("spreadMethod");
    if (spread != nullptr && Trim(*spread) == "reflect") {
        g2->spread = 1;
    } else if (spread != nullptr && Trim(*spread) == "repeat") {
        g2->spread = 2;
    }
    double hundred = userSpace ? -1 : 1; // 100 % in gradient space when not in user space
    if (!radial) {
        double x1 = len("x1", Axis::X, 0);
        double y1 = len("y1", Axis::Y, 0);
        double x2 = len("x2", Axis::X, userSpace ? lc.viewportWidth : hundred);
        double y2 = len("y2", Axis::Y, 0);
        g2->kind = 0;
        g2->o = m.Apply({x1, y1});
        g2->u = m.Apply({x2, y2});
        g2->v = m.Apply({x1 - (y2 - y1), y1 + (x2 - x1)});
    } else {
        double half = userSpace ? 0.5 : 0.5;
        double cx = len("cx", Axis::X, userSpace ? lc.viewportWidth * half : half);
        double cy = len("cy", Axis::Y, userSpace ? lc.viewportHeight * half : half);
        double r = len("r", Axis::Other, userSpace ? 0.5 * sqrt((lc.viewportWidth * lc.viewportWidth + lc.viewportHeight * lc.viewportHeight) / 2) : 0.5);
        double fx = len("fx", Axis::X, cx);
        double fy = len("fy", Axis::Y, cy);
        if (!(r > 0)) {
            // A zero radius paints the last stop's colour.
            out->kind = ScenePaint::Kind::Solid;
            out->argb = stops.back().argb;
            return true;
        }
        g2->kind = 1;
        g2->o = m.Apply({cx, cy});
        g2->u = m.Apply({cx + r, cy});
        g2->v = m.Apply({cx, cy + r});
        double ux = (fx - cx) / r, uy = (fy - cy) / r;
        double d = sqrt(ux * ux + uy * uy);
        if (d > 0.999) {
            ux *= 0.999 / d;
            uy *= 0.999 / d;
        }
        g2->fx = ux;
        g2->fy = uy;
    }
    out->kind = ScenePaint::Kind::Gradient;
    out->gradient = g2;
    return true;
}

bool Converter::ResolvePaint(const Paint& paint, const Style& style, double opacity,
                             const Box& bbox, const Matrix& ctm, ScenePaint* out) {
    out->kind = ScenePaint::Kind::None;
    Paint::Kind kind = paint.kind;
    uint32_t argb = paint.argb;
    if (kind == Paint::Kind::Url) {
        const Element* ref = paint.url.empty() || paint.url[0] == '\x01' ? nullptr
                                                                          : doc.FindById(paint.url);
        if (ref != nullptr && (ref->name == "linearGradient" || ref->name == "radialGradient")) {
            return ResolveGradient(ref, bbox, ctm, opacity, style, out);
        }
        if (ref != nullptr && ref->name == "pattern") {
            Approximate("pattern as average colour");
            // TODO(pattern): average colour of the tile
            out->kind = ScenePaint::Kind::Solid;
            out->argb = ScaleAlpha(0xFF808080, opacity);
            return true;
        }
        if (!paint.hasFallback) {
            if (ref == nullptr) {
                Drop("paint reference");
            }
            return true;
        }
        kind = paint.fallback;
        argb = paint.fallbackArgb;
    }
    if (kind == Paint::Kind::CurrentColour) {
        argb = style.colour;
        kind = Paint::Kind::Colour;
    }
    if (kind == Paint::Kind::Colour) {
        out->kind = ScenePaint::Kind::Solid;
        out->argb = ScaleAlpha(argb, opacity);
    }
    return true;
}

void Converter::EmitPath(const Path& user, const Style& style, const Context& ctx,
                         std::vector<SceneItem>* out) {
    totalPoints += user.pts.size();
    if (totalPoints > limits.maxTotalPoints) {
        Fail("more than " + std::to_string(limits.maxTotalPoints) + " points in all");
        return;
    }
    Box bbox = user.Bounds();
    SceneItem item;
    item.link = ctx.link;
    item.fillRule = style.fillRule;
    ResolvePaint(style.fill, style, style.fillOpacity, bbox, ctx.ctm, &item.fill);
    ScenePaint stroke;
    if (style.strokeWidth > 0) {
        ResolvePaint(style.stroke, style, style.strokeOpacity, bbox, ctx.ctm, &stroke);
    }
    bool strokeOn = stroke.Visible();
    if (!item.fill.Visible() && !strokeOn) {
        return;
    }
    item.path = user.Transformed(ctx.ctm);
    if (strokeOn) {
        double scale = style.nonScalingStroke ? rootScale : ctx.ctm.MeanScale();
        item.stroke = stroke;
        item.strokeWidth = style.strokeWidth * scale;
        item.join = style.join;
        item.cap = style.cap;
        item.miterLimit = style.miterLimit;
    }
    out->push_back(std::move(item));
}

void Converter::RenderShape(const Element* e, const Style& style, const Context& ctx,
                            std::vector<SceneItem>* out) {
    Path path;
    if (!ShapePath(e, ctx.vp, &path)) {
        return;
    }
    if (!style.visible) {
        return;
    }
    EmitPath(path, style, ctx, out);
}

void Converter::FinishGroup(const Style& style, std::vector<SceneItem>* local,
                            std::vector<SceneItem>* out) {
    if (style.opacity < 1 && !local->empty()) {
        // Exact when the leaves do not overlap (and none paints over itself).
        bool overlap = false;
        std::vector<std::pair<Box, size_t>> boxes;
        for (size_t i = 0; i < local->size(); ++i) {
            const SceneItem& it = (*local)[i];
            if (it.fill.Visible() && it.stroke.Visible() && it.strokeWidth > 0) {
                overlap = true;
            }
            boxes.emplace_back(it.InkBox(), i);
        }
        if (!overlap && boxes.size() > 1) {
            std::sort(boxes.begin(), boxes.end(),
                      [](const auto& a, const auto& b) { return a.first.x0 < b.first.x0; });
            for (size_t i = 0; i < boxes.size() && !overlap; ++i) {
                for (size_t j = i + 1; j < boxes.size() && boxes[j].first.x0 < boxes[i].first.x1; ++j) {
                    if (boxes[i].first.Overlaps(boxes[j].first)) {
                        overlap = true;
                        break;
                    }
                }
            }
        }
        if (overlap) {
            Approximate("group opacity");
        }
        for (SceneItem& it : *local) {
            it.fill.ScaleAlpha(style.opacity);
            it.stroke.ScaleAlpha(style.opacity);
        }
    }
    for (SceneItem& it : *local) {
        out->push_back(std::move(it));
    }
}

void Converter::RenderChildren(const Element* e, const Style& style, const Context& ctx,
                               std::vector<SceneItem>* out) {
    for (const Element* c : e->children) {
        if (failed) {
            return;
        }
        RenderElement(c, style, ctx, out);
    }
}

void Converter::RenderViewport(const Element* e, const Style& style, const Context& ctx,
                               double x, double y, double w, double h,
                               std::vector<SceneItem>* out) {
    if (!(w > 0) || !(h > 0)) {
        return;
    }
    Context inner = ctx;
    ViewBox vb;
    if (ParseViewBox(e->Attr("viewBox"), &vb)) {
        AspectRatio ar = ParseAspectRatio(e->Attr("preserveAspectRatio"));
        inner.ctm = ctx.ctm * ViewBoxMatrix(vb, ar, x, y, w, h);
        inner.vp.viewportWidth = vb.w;
        inner.vp.viewportHeight = vb.h;
    } else {
        inner.ctm = ctx.ctm * Matrix::Translate(x, y);
        inner.vp.viewportWidth = w;
        inner.vp.viewportHeight = h;
    }
    // TODO(clip): overflow hidden clips to the viewport
    RenderChildren(e, style, inner, out);
}

void Converter::RenderUse(const Element* e, const Style& style, const Context& ctx,
                          std::vector<SceneItem>* out) {
    const std::string* href = e->Attr("href");
    if (href == nullptr) {
        return;
    }
    std::string_view h = Trim(*href);
    if (h.empty() || h[0] != '#') {
        Drop("external use");
        return;
    }
    const Element* ref = doc.FindById(h.substr(1));
    if (ref == nullptr || ref->name.empty()) {
        return;
    }
    // A reference to itself or to an ancestor, directly or through other uses, is an error.
    for (const Element* p = e; p != nullptr; p = p->parent) {
        if (p == ref) {
            Drop("use cycle");
            return;
        }
    }
    if (std::find(useStack.begin(), useStack.end(), ref) != useStack.end()) {
        Drop("use cycle");
        return;
    }
    if (useStack.size() >= limits.maxUseDepth) {
        Fail("use references nest more than " + std::to_string(limits.maxUseDepth) + " deep");
        return;
    }
    double x = AttrLength(e, "x", ctx.vp, Axis::X, 0);
    double y = AttrLength(e, "y", ctx.vp, Axis::Y, 0);
    Context inner = ctx;
    inner.ctm = ctx.ctm * Matrix::Translate(x, y);
    useStack.push_back(ref);
    if (ref->name == "symbol" || ref->name == "svg") {
        Style rs;
        ComputeStyle(doc.Declarations(ref), style, ctx.vp, &rs);
        if (rs.display) {
            bool hw = false, hh = false;
            double w = AttrLength(e, "width", ctx.vp, Axis::X, 0, &hw);
            double hgt = AttrLength(e, "height", ctx.vp, Axis::Y, 0, &hh);
            if (!hw) {
                w = AttrLength(ref, "width", ctx.vp, Axis::X, ctx.vp.viewportWidth);
            }
            if (!hh) {
                hgt = AttrLength(ref, "height", ctx.vp, Axis::Y, ctx.vp.viewportHeight);
            }
            double sx = ref->name == "svg" ? AttrLength(ref, "x", ctx.vp, Axis::X, 0) : 0;
            double sy = ref->name == "svg" ? AttrLength(ref, "y", ctx.vp, Axis::Y, 0) : 0;
            std::vector<SceneItem> local;
            Matrix own;
            if (const std::string* t = ref->Attr("transform")) {
                ParseTransform(*t, &own);
            }
            Context sc = inner;
            sc.ctm = inner.ctm * own;
            RenderViewport(ref, rs, sc, sx, sy, w, hgt, &local);
            FinishGroup(rs, &local, out);
        }
    } else {
        RenderElement(ref, style, inner, out);
    }
    useStack.pop_back();
}

void Converter::RenderElement(const Element* e, const Style& parent, const Context& ctx,
                              std::vector<SceneItem>* out) {
    if (failed) {
        return;
    }
    const std::string& n = e->name;
    bool shape = IsShape(n);
    bool container = n == "g" || n == "a" || n == "switch" || n == "svg";
    bool other = n == "use" || n == "text" || n == "image" || n == "foreignObject";
    if (!shape && !container && !other) {
        return; // definitions, descriptions, unknown elements: not rendered
    }
    if (++rendered > limits.maxRendered) {
        Fail("more than " + std::to_string(limits.maxRendered) + " elements after use expansion");
        return;
    }
    Style style;
    ComputeStyle(doc.Declarations(e), parent, ctx.vp, &style);
    if (!style.display) {
        return;
    }
    Context inner = ctx;
    if (const std::string* t = e->Attr("transform")) {
        Matrix m;
        ParseTransform(*t, &m);
        inner.ctm = ctx.ctm * m;
    }
    if (n == "a") {
        const std::string* href = e->Attr("href");
        if (href != nullptr && !Trim(*href).empty()) {
            inner.link = LinkIndex(*href);
        }
    }
    bool group = style.opacity < 1 || !style.clipPath.empty() || !style.mask.empty() ||
                 !style.filter.empty();
    std::vector<SceneItem> local;
    std::vector<SceneItem>* target = group ? &local : out;
    if (shape) {
        RenderShape(e, style, inner, target);
    } else if (n == "g" || n == "a") {
        RenderChildren(e, style, inner, target);
    } else if (n == "switch") {
        for (const Element* c : e->children) {
            if (c->name.empty() || c->Attr("requiredExtensions") != nullptr) {
                continue;
            }
            if (const std::string* f = c->Attr("requiredFeatures")) {
                (void)f; // features of SVG 1.1 are all there
            }
            if (const std::string* lang = c->Attr("systemLanguage")) {
                if (Lower(*lang).find("en") == std::string::npos) {
                    continue;
                }
            }
            RenderElement(c, style, inner, target);
            break;
        }
    } else if (n == "svg") {
        double x = AttrLength(e, "x", ctx.vp, Axis::X, 0);
        double y = AttrLength(e, "y", ctx.vp, Axis::Y, 0);
        double w = AttrLength(e, "width", ctx.vp, Axis::X, ctx.vp.viewportWidth);
        double h = AttrLength(e, "height", ctx.vp, Axis::Y, ctx.vp.viewportHeight);
        RenderViewport(e, style, inner, x, y, w, h, target);
    } else if (n == "use") {
        RenderUse(e, style, inner, target);
    } else if (n == "text") {
        Drop("text"); // TODO(text)
    } else if (n == "image") {
        Drop("image");
    } else if (n == "foreignObject") {
        Drop("foreignObject");
    }
    if (group) {
        if (!style.clipPath.empty()) {
            Drop("clip-path"); // TODO(clip)
        }
        if (!style.mask.empty()) {
            Drop("mask"); // TODO(mask)
        }
        if (!style.filter.empty()) {
            Approximate("filter ignored"); // TODO(filter)
        }
        FinishGroup(style, &local, out);
    }
}

bool Converter::Convert(std::vector<uint8_t>* out, std::string* error) {
    const Element* root = doc.Root();
    // The root's size: width and height, else the view box's, else 100 x 100.
    ViewBox vb;
    bool hasViewBox = ParseViewBox(root->Attr("viewBox"), &vb);
    LengthContext base;
    base.viewportWidth = hasViewBox ? vb.w : 100;
    base.viewportHeight = hasViewBox ? vb.h : 100;
    double width = base.viewportWidth;
    double height = base.viewportHeight;
    Length l;
    for (const char* name : {"width", "height"}) {
        const std::string* v = root->Attr(name);
        if (v != nullptr && ParseLength(*v, &l) && !(l.value > 0)) {
            *error = "the drawing has no size";
            return false;
        }
    }
    if (const std::string* w = root->Attr("width")) {
        if (ParseLength(*w, &l) && l.unit != Unit::Percent && l.value > 0) {
            width = ResolveLength(l, base, Axis::X);
        } else if (ParseLength(*w, &l) && l.unit == Unit::Percent && l.value > 0) {
            width = base.viewportWidth * l.value / 100;
        }
    }
    if (const std::string* h = root->Attr("height")) {
        if (ParseLength(*h, &l) && l.unit != Unit::Percent && l.value > 0) {
            height = ResolveLength(l, base, Axis::Y);
        } else if (ParseLength(*h, &l) && l.unit == Unit::Percent && l.value > 0) {
            height = base.viewportHeight * l.value / 100;
        }
    }
    if (hasViewBox) {
        // Only one of width and height given: the other follows the view box's aspect ratio.
        bool hasW = root->Attr("width") != nullptr && ParseLength(*root->Attr("width"), &l) &&
                    l.unit != Unit::Percent;
        bool hasH = root->Attr("height") != nullptr && ParseLength(*root->Attr("height"), &l) &&
                    l.unit != Unit::Percent;
        if (hasW && !hasH) {
            height = width * vb.h / vb.w;
        } else if (hasH && !hasW) {
            width = height * vb.w / vb.h;
        }
    }
    if (!(width > 0) || !(height > 0) || !isfinite(width) || !isfinite(height)) {
        *error = "the drawing has no size";
        return false;
    }
    double k = 1;
    if (options.width > 0) {
        k = options.width / width;
    }
    if (options.scale > 0) {
        k *= options.scale;
    }
    double unit = kUnitsPerPx * k;
    double docW = width * unit;
    double docH = height * unit;
    if (docW > double(1 << 30) || docH > double(1 << 30) || docW < 1 || docH < 1) {
        *error = "the drawing's size is out of range";
        return false;
    }
    rootScale = unit;
    Context ctx;
    // SVG user space (y down) to document units (y up).
    ctx.ctm = Matrix{unit, 0, 0, -unit, 0, docH};
    AspectRatio ar = ParseAspectRatio(root->Attr("preserveAspectRatio"));
    if (hasViewBox) {
        ctx.ctm = ctx.ctm * ViewBoxMatrix(vb, ar, 0, 0, width, height);
        ctx.vp.viewportWidth = vb.w;
        ctx.vp.viewportHeight = vb.h;
    } else {
        ctx.vp.viewportWidth = width;
        ctx.vp.viewportHeight = height;
    }
    rootViewport = ctx.vp;
    Style initial;
    Style rootStyle;
    ComputeStyle(doc.Declarations(root), initial, ctx.vp, &rootStyle);
    if (rootStyle.display) {
        std::vector<SceneItem> local;
        RenderChildren(root, rootStyle, ctx, &local);
        FinishGroup(rootStyle, &local, &scene.items);
    }
    if (failed) {
        *error = failure;
        return false;
    }
    DocRect bounds{0, 0, int32_t(lround(docW)), int32_t(lround(docH))};
    if (bounds.x1 <= 0) {
        bounds.x1 = 1;
    }
    if (bounds.y1 <= 0) {
        bounds.y1 = 1;
    }
    OutputResult result;
    OutputLimits outLimits;
    if (!WriteDrawing(scene, bounds, bounds, ar.none && hasViewBox ? 0 : 1, outLimits, out,
                      &result, error)) {
        out->clear();
        return false;
    }
    if (result.oversizedPaths > 0) {
        report->dropped["oversized path"] += int(result.oversizedPaths);
    }
    return true;
}

} // namespace

bool ConvertSvg(const std::string& svgText, const ConvertOptions& options,
                std::vector<uint8_t>* drawing, ConvertReport* report, std::string* error) {
    drawing->clear();
    ConvertReport scratch;
    if (report == nullptr) {
        report = &scratch;
    }
    std::string scratchError;
    if (error == nullptr) {
        error = &scratchError;
    }
    SvgDocument doc;
    LoadLimits limits;
    if (!doc.Load(svgText, limits, error)) {
        return false;
    }
    Converter converter(doc, options, report);
    if (!converter.Convert(drawing, error)) {
        drawing->clear();
        return false;
    }
    return true;
}

} // namespace vemo::svg
