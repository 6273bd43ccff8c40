// Paints: colours, gradients (with the attributes and stops they inherit through href),
// context paints of markers, and patterns, which are expanded into their tiles (clipped to the
// painted area) or, when that would take too many tiles, approximated by their average colour.
#include <math.h>
#include <string.h>

#include <algorithm>

#include "authoring/svg/Converter.h"
#include "authoring/svg/DrawingOutput.h"
#include "renderer/DrawingRenderer.h"
#include "renderer/ExampleRendering.h"

namespace vemo::svg {

namespace {

// The element and those its href leads to (same kinds only), without cycles.
std::vector<const Element*> HrefChain(const SvgDocument& doc, const Element* e, const char* kind1,
                                      const char* kind2) {
    std::vector<const Element*> chain;
    for (const Element* c = e; c != nullptr && chain.size() < 32;) {
        if (std::find(chain.begin(), chain.end(), c) != chain.end()) {
            break;
        }
        chain.push_back(c);
        const std::string* href = c->Attr("href");
        if (href == nullptr || href->empty() || (*href)[0] != '#') {
            break;
        }
        const Element* next = doc.FindById(std::string_view(*href).substr(1));
        if (next == nullptr || (next->name != kind1 && next->name != kind2)) {
            break;
        }
        c = next;
    }
    return chain;
}

const std::string* ChainAttr(const std::vector<const Element*>& chain, const char* name) {
    for (const Element* c : chain) {
        if (const std::string* v = c->Attr(name)) {
            return v;
        }
    }
    return nullptr;
}

} // namespace

void Converter::ResolveGradient(const Element* g, const Box& bbox, const Matrix& ctm,
                                double opacity, ScenePaint* out) {
    // Attributes and stops may come from the gradients that href points to.
    std::vector<const Element*> chain = HrefChain(doc, g, "linearGradient", "radialGradient");
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
        return;
    }
    if (stops.size() == 1) {
        out->kind = ScenePaint::Kind::Solid;
        out->argb = stops[0].argb;
        return;
    }
    bool radial = g->name == "radialGradient";
    const std::string* units = attr("gradientUnits");
    bool userSpace = units != nullptr && Trim(*units) == "userSpaceOnUse";
    Matrix space;
    LengthContext lc = rootViewport;
    if (!userSpace) {
        if (!(bbox.Width() > 0) || !(bbox.Height() > 0)) {
            out->kind = ScenePaint::Kind::None;
            return;
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
    if (!radial) {
        double x1 = len("x1", Axis::X, 0);
        double y1 = len("y1", Axis::Y, 0);
        double x2 = len("x2", Axis::X, userSpace ? lc.viewportWidth : 1); // 100 %
        double y2 = len("y2", Axis::Y, 0);
        g2->kind = 0;
        g2->o = m.Apply({x1, y1});
        g2->u = m.Apply({x2, y2});
        g2->v = m.Apply({x1 - (y2 - y1), y1 + (x2 - x1)});
    } else {
        // Defaults: 50 %.
        double cx = len("cx", Axis::X, userSpace ? lc.viewportWidth / 2 : 0.5);
        double cy = len("cy", Axis::Y, userSpace ? lc.viewportHeight / 2 : 0.5);
        double diagonal = sqrt((lc.viewportWidth * lc.viewportWidth +
                                lc.viewportHeight * lc.viewportHeight) / 2);
        double r = len("r", Axis::Other, userSpace ? diagonal / 2 : 0.5);
        double fx = len("fx", Axis::X, cx);
        double fy = len("fy", Axis::Y, cy);
        if (!(r > 0)) {
            // A zero radius paints the last stop's colour.
            out->kind = ScenePaint::Kind::Solid;
            out->argb = stops.back().argb;
            return;
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
}

void Converter::ResolvePaint(const Paint& paint, const Style& style, double opacity,
                             const Box& bbox, const Context& ctx, ScenePaint* out) {
    *out = ScenePaint();
    Paint::Kind kind = paint.kind;
    uint32_t argb = paint.argb;
    if ((kind == Paint::Kind::ContextFill || kind == Paint::Kind::ContextStroke) &&
        ctx.contextStyle != nullptr) {
        const Style& cs = *ctx.contextStyle;
        bool fill = kind == Paint::Kind::ContextFill;
        Context outer = ctx;
        outer.contextStyle = nullptr;
        ResolvePaint(fill ? cs.fill : cs.stroke, cs,
                     opacity * (fill ? cs.fillOpacity : cs.strokeOpacity), ctx.contextBox, outer, out);
        return;
    }
    if (kind == Paint::Kind::Url) {
        const Element* ref =
            paint.url.empty() || paint.url[0] == '\x01' ? nullptr : doc.FindById(paint.url);
        if (ref != nullptr && (ref->name == "linearGradient" || ref->name == "radialGradient")) {
            ResolveGradient(ref, bbox, ctx.ctm, opacity, out);
            return;
        }
        if (ref != nullptr && ref->name == "pattern") {
            // Strokes and text painted with a pattern: its average colour.
            Approximate("pattern as average colour");
            out->kind = ScenePaint::Kind::Solid;
            out->argb = ScaleAlpha(PatternAverage(ref, bbox, ctx), opacity);
            return;
        }
        if (!paint.hasFallback) {
            if (ref == nullptr) {
                Drop("paint reference");
            }
            return;
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
}

namespace {

struct PatternGeometry {
    std::vector<const Element*> chain;
    const Element* content = nullptr; // the pattern whose children are drawn
    Matrix space;   // pattern space to the user space of the painted element
    Matrix content0; // the first tile's content to pattern space
    double x = 0, y = 0, w = 0, h = 0; // the tile in pattern space
};

bool PatternTile(const SvgDocument& doc, const Element* pattern, const Box& bbox,
                 const LengthContext& vp, PatternGeometry* g) {
    g->chain = HrefChain(doc, pattern, "pattern", "pattern");
    for (const Element* c : g->chain) {
        for (const Element* k : c->children) {
            if (!k->name.empty()) {
                g->content = c;
                break;
            }
        }
        if (g->content != nullptr) {
            break;
        }
    }
    const std::string* units = ChainAttr(g->chain, "patternUnits");
    bool userSpace = units != nullptr && Trim(*units) == "userSpaceOnUse";
    const std::string* cunits = ChainAttr(g->chain, "patternContentUnits");
    bool contentBox = cunits != nullptr && Trim(*cunits) == "objectBoundingBox";
    auto len = [&](const char* name, Axis axis) {
        const std::string* v = ChainAttr(g->chain, name);
        Length l;
        if (v == nullptr || !ParseLength(*v, &l)) {
            return 0.0;
        }
        if (!userSpace) {
            return l.unit == Unit::Percent ? l.value / 100 : l.value;
        }
        return ResolveLength(l, vp, axis);
    };
    double x = len("x", Axis::X), y = len("y", Axis::Y), w = len("width", Axis::X),
           h = len("height", Axis::Y);
    if (!userSpace) {
        if (!(bbox.Width() > 0) || !(bbox.Height() > 0)) {
            return false;
        }
        x = bbox.x0 + x * bbox.Width();
        y = bbox.y0 + y * bbox.Height();
        w *= bbox.Width();
        h *= bbox.Height();
    }
    if (!(w > 0) || !(h > 0)) {
        return false;
    }
    g->x = x;
    g->y = y;
    g->w = w;
    g->h = h;
    if (const std::string* t = ChainAttr(g->chain, "patternTransform")) {
        ParseTransform(*t, &g->space);
    }
    ViewBox vb;
    if (ParseViewBox(ChainAttr(g->chain, "viewBox"), &vb)) {
        AspectRatio ar = ParseAspectRatio(ChainAttr(g->chain, "preserveAspectRatio"));
        g->content0 = ViewBoxMatrix(vb, ar, x, y, w, h);
    } else if (contentBox) {
        g->content0 = Matrix::Translate(x, y) * Matrix::Scale(bbox.Width(), bbox.Height());
    } else {
        g->content0 = Matrix::Translate(x, y);
    }
    return g->content != nullptr;
}

void TranslateItem(SceneItem* item, Point d) {
    for (Point& p : item->path.pts) {
        p.x += d.x;
        p.y += d.y;
    }
    for (ScenePaint* paint : {&item->fill, &item->stroke}) {
        if (paint->kind == ScenePaint::Kind::Gradient) {
            auto g = std::make_shared<Gradient>(*paint->gradient);
            for (Point* q : {&g->o, &g->u, &g->v}) {
                q->x += d.x;
                q->y += d.y;
            }
            paint->gradient = g;
        }
    }
}

} // namespace

bool Converter::ExpandPattern(const Element* pattern, const Path& user, const Style& style,
                              double opacity, const Box& bbox, const Context& ctx, Items* out) {
    PatternGeometry g;
    if (!PatternTile(doc, pattern, bbox, ctx.vp, &g)) {
        return true; // nothing to paint: the fill is none
    }
    // The tiles that meet the painted area.
    Matrix toPattern;
    if (!g.space.Invert(&toPattern)) {
        return true;
    }
    Box area = user.ControlBox().Transformed(toPattern);
    double i0 = floor((area.x0 - g.x) / g.w), i1 = ceil((area.x1 - g.x) / g.w);
    double j0 = floor((area.y0 - g.y) / g.h), j1 = ceil((area.y1 - g.y) / g.h);
    double tiles = (i1 - i0) * (j1 - j0);
    if (!(tiles >= 0) || tiles > double(limits.maxPatternTiles)) {
        return false;
    }
    if (!EnterReference(pattern)) {
        return true;
    }
    // One tile's content, clipped to the tile, in document units.
    Items tile;
    Context tc = ctx;
    tc.ctm = ctx.ctm * g.space * g.content0;
    tc.contextStyle = nullptr;
    const Style& ps = DefinitionStyle(g.content);
    for (const Element* c : g.content->children) {
        RenderElement(c, ps, tc, &tile);
    }
    LeaveReference();
    Matrix tileToDoc = ctx.ctm * g.space;
    Region tileRegion;
    if (!PathRegion(RectPath(g.x, g.y, g.w, g.h).Transformed(tileToDoc), 0, tolerance,
                    kClipResolution, &tileRegion, &regionBudget) ||
        !ClipItems(tileRegion, &tile)) {
        return false;
    }
    size_t points = 0;
    for (const SceneItem& it : tile) {
        points += it.path.pts.size();
    }
    if (double(points) * tiles > 4e6) {
        return false;
    }
    totalPoints += size_t(double(points) * tiles);
    if (totalPoints > limits.maxTotalPoints) {
        Fail("more than " + std::to_string(limits.maxTotalPoints) + " points in all");
        return true;
    }
    // The painted area.
    Region area2;
    if (!PathRegion(user.Transformed(ctx.ctm), style.fillRule, tolerance, kClipResolution, &area2,
                    &regionBudget)) {
        return false;
    }
    Point du = tileToDoc.ApplyVector({g.w, 0});
    Point dv = tileToDoc.ApplyVector({0, g.h});
    // Copies of the same item in different tiles never overlap: solid ones are gathered into
    // one path (in pieces below the record's size), gradient ones stay apart.
    const size_t kPiecePoints = 60000;
    for (SceneItem& base : tile) {
        base.fill.ScaleAlpha(opacity);
        base.stroke.ScaleAlpha(opacity);
        bool solid = base.fill.kind != ScenePaint::Kind::Gradient;
        SceneItem gathered = base;
        gathered.path.Clear();
        auto flush = [&]() {
            if (gathered.path.Empty()) {
                return;
            }
            Path clipped;
            if (ClipPath(gathered.path, 0, area2, tolerance, &clipped) && !clipped.Empty()) {
                SceneItem piece = gathered;
                piece.path = std::move(clipped);
                piece.link = ctx.link;
                out->push_back(std::move(piece));
            }
            gathered.path.Clear();
        };
        for (double i = i0; i < i1; ++i) {
            for (double j = j0; j < j1; ++j) {
                SceneItem copy = base;
                TranslateItem(&copy, {du.x * i + dv.x * j, du.y * i + dv.y * j});
                if (!copy.InkBox().Overlaps(area2.box)) {
                    continue;
                }
                if (solid) {
                    gathered.path.Append(copy.path);
                    if (gathered.path.pts.size() > kPiecePoints) {
                        flush();
                    }
                } else {
                    gathered = copy;
                    flush();
                }
            }
        }
        flush();
    }
    return true;
}

uint32_t Converter::PatternAverage(const Element* pattern, const Box& bbox, const Context& ctx) {
    PatternGeometry g;
    if (!PatternTile(doc, pattern, bbox, ctx.vp, &g) || !EnterReference(pattern)) {
        return 0;
    }
    // The tile drawn alone, at 1 px = 1 tile / 16, over white and over black: the difference
    // gives the coverage, the rest the colour.
    Items tile;
    Context tc;
    tc.vp = ctx.vp;
    double s = 16 * 750 / std::max(g.w, g.h);
    Matrix toDoc{s, 0, 0, -s, -g.x * s, (g.y + g.h) * s};
    tc.ctm = toDoc * g.content0;
    const Style& ps = DefinitionStyle(g.content);
    for (const Element* c : g.content->children) {
        RenderElement(c, ps, tc, &tile);
    }
    LeaveReference();
    // Links inside the tile name the document's link table, not the tile's own scene.
    for (SceneItem& it : tile) {
        it.link = -1;
    }
    DocRect bounds{0, 0, int32_t(lround(g.w * s)), int32_t(lround(g.h * s))};
    if (bounds.x1 < 1 || bounds.y1 < 1) {
        return 0;
    }
    double sum[2][3] = {{0, 0, 0}, {0, 0, 0}};
    for (int pass = 0; pass < 2; ++pass) {
        Scene sc;
        if (pass == 1) {
            SceneItem black;
            black.path = RectPath(-1000, -1000, bounds.x1 + 2000.0, bounds.y1 + 2000.0);
            black.fill.kind = ScenePaint::Kind::Solid;
            black.fill.argb = 0xFF000000;
            sc.items.push_back(black);
        }
        sc.items.insert(sc.items.end(), tile.begin(), tile.end());
        std::vector<uint8_t> drawing;
        OutputResult r;
        std::string error;
        if (!WriteDrawing(sc, bounds, bounds, 0, OutputLimits(), &drawing, &r, &error)) {
            return 0;
        }
        const int n = 16;
        std::vector<uint8_t> pixels(size_t(n) * (n + 1) * 4);
        DrawingRenderer renderer;
        RenderExample(renderer, drawing.data(), uint32_t(drawing.size()), n, n, 1, pixels.data());
        for (int i = 0; i < n * n; ++i) {
            for (int c = 0; c < 3; ++c) {
                sum[pass][c] += pixels[size_t(i) * 4 + size_t(2 - c)];
            }
        }
        for (int c = 0; c < 3; ++c) {
            sum[pass][c] /= n * n;
        }
    }
    // white = a C + (1 - a) 255, black = a C
    double alpha = 0;
    for (int c = 0; c < 3; ++c) {
        alpha += 1 - (sum[0][c] - sum[1][c]) / 255;
    }
    alpha /= 3;
    if (alpha <= 0.002) {
        return 0;
    }
    auto byte = [](double v) { return uint8_t(v <= 0 ? 0 : (v >= 255 ? 255 : lround(v))); };
    return Argb(byte(alpha * 255), byte(sum[1][0] / alpha), byte(sum[1][1] / alpha),
                byte(sum[1][2] / alpha));
}

} // namespace vemo::svg
