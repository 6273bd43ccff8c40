// The walk over the SVG tree: structure (groups, use, nested viewports, switch), shapes and
// their fills and strokes. See Converter.h.
#include "authoring/svg/SvgConverter.h"

#include <math.h>
#include <string.h>

#include <algorithm>

#include "authoring/svg/Converter.h"
#include "authoring/svg/Dash.h"
#include "authoring/svg/DrawingOutput.h"
#include "authoring/svg/PathData.h"
#include "authoring/svg/Text.h"
#include "url/Url.h"

namespace vemo::svg {

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
    if (!scan.AtEnd() || !(v[2] > 0) || !(v[3] > 0)) {
        return false;
    }
    *vb = ViewBox{v[0], v[1], v[2], v[3]};
    return true;
}

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
        auto align = [](std::string_view s) {
            return s == "Min" ? 0 : (s == "Mid" ? 1 : (s == "Max" ? 2 : -1));
        };
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
    r.slice = scan.Word() == "slice";
    return r;
}

Matrix ViewBoxMatrix(const ViewBox& vb, const AspectRatio& ar, double x, double y, double w,
                     double h) {
    double sx = w / vb.w;
    double sy = h / vb.h;
    if (ar.none) {
        return Matrix{sx, 0, 0, sy, x - vb.x * sx, y - vb.y * sy};
    }
    double s = ar.slice ? std::max(sx, sy) : std::min(sx, sy);
    double tx = x - vb.x * s + (w - vb.w * s) * ar.alignX / 2;
    double ty = y - vb.y * s + (h - vb.h * s) * ar.alignY / 2;
    return Matrix{s, 0, 0, s, tx, ty};
}

double AttrLength(const Element* e, const char* name, const LengthContext& vp, Axis axis,
                  double fallback, bool* present) {
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

Converter::Converter(const SvgDocument& document, const ConvertOptions& options,
                     ConvertReport* report)
    : doc(document), options(options), report(report) {
    limits.maxRendered = options.maxElements;
    limits.maxTotalPoints = options.maxPoints;
    limits.maxOutlinePoints = options.maxOutlinePoints;
    outlineBudget = limits.maxOutlinePoints;
    regionBudget = limits.maxRegionPoints;
}

Converter::~Converter() = default;

void Converter::Fail(const std::string& reason) {
    if (!failed) {
        failed = true;
        failure = reason;
    }
}

int Converter::LinkIndex(const std::string& href) {
    std::string address(Trim(href));
    if (!options.base.empty() && !address.empty() && address[0] != '#') {
        TextBuffer resolved = ResolveLink(address.c_str(), options.base.c_str());
        if (resolved.length > 0 && resolved.text != nullptr) {
            address.assign(resolved.text, size_t(resolved.length));
        }
    }
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

bool Converter::EnterReference(const Element* e) {
    if (std::find(references.begin(), references.end(), e) != references.end()) {
        Drop("reference cycle");
        return false;
    }
    if (references.size() >= limits.maxReferenceDepth) {
        Fail("references nest more than " + std::to_string(limits.maxReferenceDepth) + " deep");
        return false;
    }
    references.push_back(e);
    return true;
}

void Converter::LeaveReference() { references.pop_back(); }

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
            *path = RectPath(x, y, w, h);
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


void Converter::EmitPath(const Path& user, const Style& style, const Context& ctx, Items* out,
                         const Box* bboxOverride) {
    totalPoints += user.pts.size();
    if (totalPoints > limits.maxTotalPoints) {
        Fail("more than " + std::to_string(limits.maxTotalPoints) + " points in all");
        return;
    }
    Box bbox = bboxOverride != nullptr ? *bboxOverride : user.Bounds();
    Path docPath = user.Transformed(ctx.ctm);
    if (clipMode > 0) {
        // Inside a clip path only the geometry counts, filled with the clip rule.
        SceneItem item;
        item.path = std::move(docPath);
        item.fillRule = style.clipRule;
        item.fill.kind = ScenePaint::Kind::Solid;
        item.fill.argb = 0xFF000000;
        out->push_back(std::move(item));
        return;
    }
    bool painted = false; // the fill went out as items of its own (a pattern)
    SceneItem fill;
    fill.link = ctx.link;
    fill.fillRule = style.fillRule;
    const Element* pattern = nullptr;
    if (style.fill.kind == Paint::Kind::Url && !style.fill.url.empty()) {
        const Element* ref = doc.FindById(style.fill.url);
        if (ref != nullptr && ref->name == "pattern") {
            pattern = ref;
        }
    }
    if (pattern != nullptr) {
        painted = ExpandPattern(pattern, user, style, style.fillOpacity, bbox, ctx, out);
        if (!painted) {
            fill.fill.kind = ScenePaint::Kind::Solid;
            fill.fill.argb = ScaleAlpha(PatternAverage(pattern, bbox, ctx), style.fillOpacity);
        }
    } else {
        ResolvePaint(style.fill, style, style.fillOpacity, bbox, ctx, &fill.fill);
    }
    ScenePaint stroke;
    if (style.strokeWidth > 0) {
        ResolvePaint(style.stroke, style, style.strokeOpacity, bbox, ctx, &stroke);
    }
    bool fillOn = !painted && fill.fill.Visible();
    bool strokeOn = stroke.Visible();
    if (!strokeOn) {
        if (fillOn) {
            fill.path = std::move(docPath);
            out->push_back(std::move(fill));
        }
        RenderMarkers(user, style, ctx, out);
        return;
    }
    // The stroke: drawn by the renderer when one width describes it (a similarity transform or
    // a non-scaling stroke), however thin: the renderer covers its true area, keeps it a pixel
    // wide when not smoothing and flattens its curves afresh at every zoom.
    bool uniform = style.nonScalingStroke || ctx.ctm.IsSimilarity();
    double scale = style.nonScalingStroke ? rootScale : ctx.ctm.MeanScale();
    double docWidth = style.strokeWidth * scale;
    const Path* strokeUser = &user;
    Path dashed;
    if (!style.dashes.empty() && measure == nullptr) {
        // Dashes are cut in user space (their lengths are user lengths).
        double tol = tolerance / std::max(1e-12, ctx.ctm.MaxScale());
        size_t left = limits.maxDashPiecesInAll - std::min(limits.maxDashPiecesInAll, dashPieces);
        if (!DashPath(user, style.dashes, style.dashOffset, tol,
                      std::min(limits.maxDashPieces, left), &dashed)) {
            Drop("dashes (too many)");
            dashed = user;
        } else {
            dashPieces += dashed.ops.size() / 2;
        }
        strokeUser = &dashed;
    }
    SceneItem item; // the stroke
    item.link = ctx.link;
    item.fillRule = style.fillRule;
    bool outlined = false;
    if (!uniform && measure == nullptr) {
        // Its outline, made in user space, is filled (while measuring, the box is all that counts).
        StrokeStyle ss{style.strokeWidth, style.join, style.cap, style.miterLimit};
        double tol = tolerance / std::max(1e-12, ctx.ctm.MaxScale());
        Path outline;
        outlined = StrokeOutline(*strokeUser, ss, tol, &outline, &outlineBudget);
        if (outlined) {
            item.path = outline.Transformed(ctx.ctm);
            item.fill = stroke;
            item.fillRule = 0;
            item.strokeOutline = true;
            item.geometry = docPath.ControlBox();
        } else {
            // Too large to outline: the renderer strokes it with one width.
            Approximate("stroke under a non-uniform transform drawn with one width");
        }
    }
    if (!outlined) {
        item.path = strokeUser == &user ? docPath : strokeUser->Transformed(ctx.ctm);
        item.stroke = stroke;
        item.strokeWidth = docWidth;
        item.join = style.join;
        item.cap = style.cap;
        item.miterLimit = style.miterLimit;
    }
    if (fillOn && !outlined && strokeUser == &user && !style.strokeFirst) {
        item.fill = fill.fill; // fill and stroke of the same path: one object
        fillOn = false;
    }
    // paint-order decides whether the fill goes below or above the stroke.
    if (fillOn && !style.strokeFirst) {
        fill.path = docPath;
        out->push_back(fill);
    }
    out->push_back(std::move(item));
    if (fillOn && style.strokeFirst) {
        fill.path = std::move(docPath);
        out->push_back(std::move(fill));
    }
    RenderMarkers(user, style, ctx, out);
}

void Converter::RenderShape(const Element* e, const Style& style, const Context& ctx, Items* out) {
    Path path;
    if (!ShapePath(e, ctx.vp, &path) || !style.visible) {
        return;
    }
    EmitPath(path, style, ctx, out);
}

void Converter::RenderChildren(const Element* e, const Style& style, const Context& ctx,
                               Items* out) {
    for (const Element* c : e->children) {
        if (failed) {
            return;
        }
        RenderElement(c, style, ctx, out);
    }
}

void Converter::RenderViewport(const Element* e, const Style& style, const Context& ctx,
                               double x, double y, double w, double h, Items* out) {
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
    if (style.overflowVisible) {
        RenderChildren(e, style, inner, out);
        return;
    }
    // The viewport clips what lies outside it.
    Items local;
    RenderChildren(e, style, inner, &local);
    if (local.empty()) {
        return;
    }
    ClipToRect(x, y, w, h, ctx.ctm, &local);
    for (SceneItem& it : local) {
        out->push_back(std::move(it));
    }
}

void Converter::RenderUse(const Element* e, const Style& style, const Context& ctx, Items* out) {
    const std::string* href = e->Attr("href");
    if (href == nullptr) {
        return;
    }
    std::string_view h = Trim(*href);
    if (h.empty() || h[0] != '#') {
        Drop("use of another file");
        return;
    }
    const Element* ref = doc.FindById(h.substr(1));
    if (ref == nullptr || ref->name.empty()) {
        return;
    }
    // A reference to itself or to an ancestor is a cycle.
    for (const Element* p = e; p != nullptr; p = p->parent) {
        if (p == ref) {
            Drop("reference cycle");
            return;
        }
    }
    if (!EnterReference(ref)) {
        return;
    }
    double x = AttrLength(e, "x", ctx.vp, Axis::X, 0);
    double y = AttrLength(e, "y", ctx.vp, Axis::Y, 0);
    Context inner = ctx;
    inner.ctm = ctx.ctm * Matrix::Translate(x, y);
    if (ref->name == "symbol" || ref->name == "svg") {
        // The use's width and height replace the symbol's or the svg's own.
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
            Context sc = inner;
            const std::string* t = ref->name == "symbol" ? ref->Attr("transform") : nullptr;
            if (t != nullptr) {
                Matrix own;
                ParseTransform(*t, &own);
                sc.ctm = inner.ctm * own;
            }
            Items local;
            RenderViewport(ref, rs, sc, AttrLength(ref, "x", ctx.vp, Axis::X, 0),
                           AttrLength(ref, "y", ctx.vp, Axis::Y, 0), w, hgt, &local);
            FinishGroup(rs, sc, &local, out);
        }
    } else {
        RenderElement(ref, style, inner, out);
    }
    LeaveReference();
}

void Converter::RenderElement(const Element* e, const Style& parent, const Context& ctx,
                              Items* out) {
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
    if (clipMode > 0 && !shape && n != "text" && n != "use") {
        return; // a clip path draws shapes, text and uses of them only
    }
    bool group = !style.clipPath.empty() ||
                 (clipMode == 0 && (style.opacity < 1 || !style.mask.empty() || !style.filter.empty()));
    Items local;
    Items* target = group ? &local : out;
    if (shape) {
        RenderShape(e, style, inner, target);
    } else if (n == "g" || n == "a") {
        RenderChildren(e, style, inner, target);
    } else if (n == "switch") {
        for (const Element* c : e->children) {
            if (c->name.empty() || c->Attr("requiredExtensions") != nullptr) {
                continue;
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
        RenderText(e, style, inner, target);
    } else if (n == "image") {
        RenderImage(e, style, inner, target);
    } else if (n == "foreignObject") {
        Drop("foreignObject");
    }
    if (group) {
        FinishGroup(style, inner, &local, out);
    }
}

bool Converter::Convert(std::vector<uint8_t>* out, std::string* error) {
    const Element* root = doc.Root();
    // The root's size: width and height, else the view box's, else (measured by a first pass)
    // the box of what it draws, else 100 x 100.
    ViewBox vb;
    bool hasViewBox = ParseViewBox(root->Attr("viewBox"), &vb);
    if (!hasViewBox && hasAssumed) {
        vb = assumed;
        hasViewBox = true;
    }
    LengthContext base;
    base.viewportWidth = hasViewBox ? vb.w : 100;
    base.viewportHeight = hasViewBox ? vb.h : 100;
    double size[2] = {base.viewportWidth, base.viewportHeight};
    bool given[2] = {false, false};
    const char* names[2] = {"width", "height"};
    for (int i = 0; i < 2; ++i) {
        const std::string* v = root->Attr(names[i]);
        Length l;
        if (v == nullptr || !ParseLength(*v, &l)) {
            continue;
        }
        if (!(l.value > 0)) {
            *error = "the drawing has no size";
            return false;
        }
        if (l.unit == Unit::Percent) {
            size[i] = (i == 0 ? base.viewportWidth : base.viewportHeight) * l.value / 100;
        } else {
            size[i] = ResolveLength(l, base, i == 0 ? Axis::X : Axis::Y);
            given[i] = true;
        }
    }
    if (hasViewBox && given[0] != given[1]) {
        // One of width and height: the other follows the view box's aspect ratio.
        if (given[0]) {
            size[1] = size[0] * vb.h / vb.w;
        } else {
            size[0] = size[1] * vb.w / vb.h;
        }
    }
    double width = size[0];
    double height = size[1];
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
    if (!(docW <= double(1 << 30)) || !(docH <= double(1 << 30)) || !(docW >= 1) || !(docH >= 1)) {
        *error = "the drawing's size is out of range";
        return false;
    }
    rootScale = unit;
    tolerance = std::min(kMaxTolerance, std::max(1.0, std::max(docW, docH) / 30000));
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
        Items local;
        RenderChildren(root, rootStyle, ctx, &local);
        FinishGroup(rootStyle, ctx, &local, &scene.items);
        // What lies wholly outside the viewport is never shown by a browser: left out.
        if (measure == nullptr) {
            Box page;
            page.Add(Point{0, 0});
            page.Add(Point{docW, docH});
            scene.items.erase(
                std::remove_if(scene.items.begin(), scene.items.end(),
                               [&](const SceneItem& it) { return !it.InkBox().Overlaps(page); }),
                scene.items.end());
        }
    }
    if (failed) {
        *error = failure;
        return false;
    }
    if (measure != nullptr) {
        Matrix inverse;
        if (ctx.ctm.Invert(&inverse)) {
            for (const SceneItem& it : scene.items) {
                measure->Add(it.InkBox().Transformed(inverse));
            }
        }
        return true;
    }
    DocRect bounds{0, 0, int32_t(lround(docW)), int32_t(lround(docH))};
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

bool Converter::Measure(Box* box, std::string* error) {
    *box = Box();
    measure = box;
    bool ok = Convert(nullptr, error);
    measure = nullptr;
    return ok;
}

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
    const Element* root = doc.Root();
    if (root->Attr("viewBox") == nullptr && root->Attr("width") == nullptr &&
        root->Attr("height") == nullptr) {
        // No size at all: the drawing is as large as what it draws (as SVG renderers that
        // make images of such documents do).
        ConvertReport scratch;
        Converter probe(doc, options, &scratch);
        Box box;
        if (!probe.Measure(&box, error)) {
            return false;
        }
        if (box.Width() > 0 && box.Height() > 0) {
            converter.AssumeViewBox(ViewBox{box.x0, box.y0, box.Width(), box.Height()});
        }
    }
    if (!converter.Convert(drawing, error)) {
        drawing->clear();
        return false;
    }
    return true;
}

} // namespace vemo::svg
