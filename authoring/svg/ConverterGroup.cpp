// Groups: clip paths, masks, filters and opacity applied to the items an element drew, and the
// markers on a path's vertices.
//
// Clip paths are exact up to flattening: the clip path's children (shapes, text, uses of them,
// each with its clip rule and transform, and clip paths of their own) are united into a
// region, and every item is cut to it (strokes become their outlines first).
// Masks: each mask item's luminance times alpha is the opacity it lends. Opaque mask items are
// made disjoint (each loses what later ones cover); the masked items are then cut to each
// piece and faded by its value: exact for solid mask items; a mask item painted with a
// gradient over solid items makes those items gradients of their own colour (exact as well);
// anything else uses the average value and is reported.
// Filters are not drawn: the content is shown unfiltered and the filter reported.
// Opacity is folded into the colours of the leaves: exact when no two leaves overlap (and no
// leaf strokes over its own fill), or when the leaves are opaque (each is first cut down to
// what shows of it); otherwise the overlaps show through and it is reported.
#include <math.h>

#include <algorithm>

#include "authoring/svg/Converter.h"

namespace vemo::svg {

namespace {

SceneItem WithoutStroke(const SceneItem& it) {
    SceneItem f = it;
    f.stroke = ScenePaint();
    f.strokeWidth = 0;
    return f;
}

bool Inside(const Box& inner, const Box& outer) {
    return !inner.Empty() && inner.x0 >= outer.x0 && inner.x1 <= outer.x1 && inner.y0 >= outer.y0 &&
           inner.y1 <= outer.y1;
}

double Luminance(uint32_t argb) {
    double r = double((argb >> 16) & 255), g = double((argb >> 8) & 255), b = double(argb & 255);
    return (0.2125 * r + 0.7154 * g + 0.0721 * b) / 255 * double(argb >> 24) / 255;
}

// The union of regions, in one pass (their polygons' windings add up).
bool UniteAll(const std::vector<Region>& regions, Region* out) {
    Region all;
    all.resolution = kClipResolution;
    for (const Region& r : regions) {
        if (r.everything) {
            *out = r;
            return true;
        }
        all.polygons.insert(all.polygons.end(), r.polygons.begin(), r.polygons.end());
        all.box.Add(r.box);
    }
    Region none;
    none.resolution = kClipResolution;
    return Unite(all, none, out);
}

} // namespace

Box Converter::ItemsBox(const Items& items, const Matrix& ctm) {
    Box box;
    Matrix inverse;
    if (!ctm.Invert(&inverse)) {
        return box;
    }
    for (const SceneItem& it : items) {
        if (it.strokeOutline) {
            box.Add(it.geometry.Transformed(inverse));
        } else {
            box.Add(it.path.Transformed(inverse).Bounds());
        }
    }
    return box;
}

bool Converter::CutToVisible(Items* items) {
    // Only opaque leaves hide what lies below them completely.
    size_t points = 0;
    for (const SceneItem& it : *items) {
        for (const ScenePaint* p : {&it.fill, &it.stroke}) {
            if (p->kind == ScenePaint::Kind::Solid && (p->argb >> 24) != 255 && (p->argb >> 24) != 0) {
                return false;
            }
            if (p->kind == ScenePaint::Kind::Gradient) {
                for (const GradientStop& s : p->gradient->stops) {
                    if ((s.argb >> 24) != 255) {
                        return false;
                    }
                }
            }
        }
        points += it.path.pts.size();
    }
    if (items->size() > 500 || points > 200000) {
        return false;
    }
    Items flat = *items;
    if (!StrokesToOutlines(&flat)) {
        return false;
    }
    Region covered;
    covered.resolution = kClipResolution;
    Items out;
    // Each leaf is cut by all above it, so the work grows with the leaves times the area covered:
    // the points handed to Clipper are counted (the most in the openclipart files: 37,000).
    size_t work = 0;
    const size_t kMaxWork = 200000;
    auto pointsOf = [](const Region& r) {
        size_t n = 0;
        for (const auto& polygon : r.polygons) {
            n += polygon.size();
        }
        return n;
    };
    for (size_t k = flat.size(); k-- > 0;) {
        SceneItem& it = flat[k];
        if (!it.fill.Visible()) {
            continue;
        }
        Region r, visible, grown;
        if (!PathRegion(it.path, it.fillRule, tolerance, kClipResolution, &r, &regionBudget)) {
            return false;
        }
        work += pointsOf(r) + pointsOf(covered);
        if (work > kMaxWork || !Subtract(r, covered, &visible) || !Unite(covered, r, &grown)) {
            return false;
        }
        covered = std::move(grown);
        if (visible.polygons.empty()) {
            continue;
        }
        it.path = RegionPath(visible);
        it.fillRule = 0;
        out.push_back(std::move(it));
    }
    std::reverse(out.begin(), out.end());
    *items = std::move(out);
    return true;
}

void Converter::ApplyOpacity(double opacity, Items* items) {
    if (opacity >= 1 || items->empty()) {
        return;
    }
    // Exact when the leaves do not overlap (and none strokes over its own fill).
    bool overlap = false;
    std::vector<Box> boxes;
    boxes.reserve(items->size());
    for (const SceneItem& it : *items) {
        if (it.fill.Visible() && it.Stroked()) {
            overlap = true;
        }
        boxes.push_back(it.InkBox());
    }
    if (!overlap && boxes.size() > 1) {
        std::sort(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.x0 < b.x0; });
        for (size_t i = 0; i < boxes.size() && !overlap; ++i) {
            for (size_t j = i + 1; j < boxes.size() && boxes[j].x0 < boxes[i].x1; ++j) {
                if (boxes[i].Overlaps(boxes[j])) {
                    overlap = true;
                    break;
                }
            }
        }
    }
    if (overlap && !CutToVisible(items)) {
        Approximate("group opacity");
    }
    for (SceneItem& it : *items) {
        it.fill.ScaleAlpha(opacity);
        it.stroke.ScaleAlpha(opacity);
    }
}

void Converter::ClipToRect(double x, double y, double w, double h, const Matrix& ctm,
                           Items* items) {
    Region region;
    if (PathRegion(RectPath(x, y, w, h).Transformed(ctm), 0, tolerance, kClipResolution, &region,
                   &regionBudget)) {
        ClipItems(region, items);
    }
}

bool Converter::ClipItems(const Region& region, Items* items) {
    if (region.everything) {
        return true;
    }
    bool rectangle = IsRectangle(region);
    Items out;
    bool ok = true;
    for (SceneItem& it : *items) {
        Box ink = it.InkBox();
        if (!ink.Overlaps(region.box)) {
            continue;
        }
        if (rectangle && Inside(ink, region.box)) {
            out.push_back(std::move(it));
            continue;
        }
        if (it.fill.Visible()) {
            SceneItem f = WithoutStroke(it);
            if (ClipPath(it.path, it.fillRule, region, tolerance, &f.path)) {
                f.fillRule = 0;
                if (!f.path.Empty()) {
                    out.push_back(std::move(f));
                }
            } else {
                ok = false;
            }
        }
        if (it.Stroked()) {
            SceneItem s;
            Path clipped;
            if (OutlineOfStroke(it, &s) && ClipPath(s.path, 0, region, tolerance, &clipped)) {
                s.path = std::move(clipped);
                if (!s.path.Empty()) {
                    out.push_back(std::move(s));
                }
            } else {
                ok = false;
            }
        }
    }
    if (!ok) {
        Drop("clipped object (polygon clipping failed)");
    }
    *items = std::move(out);
    return ok;
}

bool Converter::ClipRegion(const std::string& id, const Context& ctx, const Box& bbox,
                           Region* out) {
    const Element* clip = id.empty() || id[0] == '\x01' ? nullptr : doc.FindById(id);
    if (clip == nullptr || clip->name != "clipPath") {
        Drop("clip-path reference");
        return false;
    }
    if (!EnterReference(clip)) {
        return false;
    }
    Context cc = ctx;
    cc.link = -1;
    if (const std::string* t = clip->Attr("transform")) {
        Matrix m;
        ParseTransform(*t, &m);
        cc.ctm = cc.ctm * m;
    }
    const std::string* units = clip->Attr("clipPathUnits");
    if (units != nullptr && Trim(*units) == "objectBoundingBox") {
        if (!(bbox.Width() > 0) || !(bbox.Height() > 0)) {
            LeaveReference();
            *out = Region();
            out->resolution = kClipResolution;
            return true; // nothing is visible
        }
        cc.ctm = cc.ctm * Matrix{bbox.Width(), 0, 0, bbox.Height(), bbox.x0, bbox.y0};
    }
    Items geometry;
    ++clipMode;
    const Style& cs = DefinitionStyle(clip);
    RenderChildren(clip, cs, cc, &geometry);
    --clipMode;
    std::vector<Region> regions;
    bool ok = true;
    for (const SceneItem& it : geometry) {
        Region r;
        if (!PathRegion(it.path, it.fillRule, tolerance, kClipResolution, &r, &regionBudget)) {
            ok = false;
            continue;
        }
        regions.push_back(std::move(r));
    }
    Region united;
    united.resolution = kClipResolution;
    if (!regions.empty() && !UniteAll(regions, &united)) {
        ok = false;
    }
    // A clip path may be clipped itself.
    if (!cs.clipPath.empty()) {
        Style own;
        ComputeStyle(doc.Declarations(clip), cs, cc.vp, &own);
        Region further;
        if (ClipRegion(cs.clipPath, ctx, bbox, &further)) {
            Region both;
            if (Intersect(united, further, &both)) {
                united = std::move(both);
            }
        }
    }
    LeaveReference();
    if (!ok) {
        Drop("clip-path (polygon clipping failed)");
    }
    *out = std::move(united);
    return true;
}

void Converter::ApplyMask(const std::string& id, const Context& ctx, const Box& bbox, Items* items) {
    const Element* mask = id.empty() || id[0] == '\x01' ? nullptr : doc.FindById(id);
    if (mask == nullptr || mask->name != "mask") {
        Drop("mask reference");
        return;
    }
    if (!EnterReference(mask)) {
        return;
    }
    // The mask's rectangle: -10 % -10 % 120 % 120 % of the box by default.
    const std::string* units = mask->Attr("maskUnits");
    bool userSpace = units != nullptr && Trim(*units) == "userSpaceOnUse";
    const std::string* cunits = mask->Attr("maskContentUnits");
    bool contentBox = cunits != nullptr && Trim(*cunits) == "objectBoundingBox";
    auto frac = [&](const char* name, double fallback, Axis axis) {
        const std::string* v = mask->Attr(name);
        Length l;
        if (v == nullptr || !ParseLength(*v, &l)) {
            return userSpace ? ResolveLength(Length{fallback * 100, Unit::Percent}, ctx.vp, axis)
                             : fallback;
        }
        if (userSpace) {
            return ResolveLength(l, ctx.vp, axis);
        }
        return l.unit == Unit::Percent ? l.value / 100 : l.value;
    };
    double x = frac("x", -0.1, Axis::X), y = frac("y", -0.1, Axis::Y);
    double w = frac("width", 1.2, Axis::X), h = frac("height", 1.2, Axis::Y);
    bool emptyBox = !(bbox.Width() > 0) || !(bbox.Height() > 0);
    if (!userSpace) {
        if (emptyBox) {
            LeaveReference();
            items->clear();
            return;
        }
        x = bbox.x0 + x * bbox.Width();
        y = bbox.y0 + y * bbox.Height();
        w *= bbox.Width();
        h *= bbox.Height();
    }
    Items maskItems;
    Context mc = ctx;
    mc.link = -1;
    mc.contextStyle = nullptr;
    if (contentBox) {
        if (emptyBox) {
            LeaveReference();
            items->clear();
            return;
        }
        mc.ctm = ctx.ctm * Matrix{bbox.Width(), 0, 0, bbox.Height(), bbox.x0, bbox.y0};
    }
    const Style& ms = DefinitionStyle(mask);
    RenderChildren(mask, ms, mc, &maskItems);
    LeaveReference();
    Region rect;
    if (!(w > 0) || !(h > 0) ||
        !PathRegion(RectPath(x, y, w, h).Transformed(ctx.ctm), 0, tolerance, kClipResolution, &rect,
                    &regionBudget)) {
        items->clear();
        return;
    }
    // The masked items as plain fills (strokes become their outlines).
    if (!StrokesToOutlines(items) || !StrokesToOutlines(&maskItems)) {
        Drop("stroke (too large to outline)");
    }
    // Each mask item's visible region (later opaque items take their area from earlier ones)
    // and the value it lends.
    struct Piece {
        Region region;
        double value;
        std::shared_ptr<const Gradient> gradient; // the mask item's gradient, if any
    };
    std::vector<Piece> pieces;
    bool approximate = false;
    Region covered;
    covered.resolution = kClipResolution;
    std::vector<Box> boxes;
    for (const SceneItem& it : maskItems) {
        boxes.push_back(it.path.ControlBox());
    }
    for (size_t i = maskItems.size() <= 64 ? maskItems.size() : 0; i-- > 0;) {
        const SceneItem& it = maskItems[i];
        Region r;
        if (!PathRegion(it.path, it.fillRule, tolerance, kClipResolution, &r, &regionBudget) ||
            !Intersect(r, rect, &r)) {
            approximate = true;
            continue;
        }
        Region visible;
        if (!Subtract(r, covered, &visible)) {
            approximate = true;
            continue;
        }
        if (visible.polygons.empty()) {
            continue;
        }
        Piece p;
        bool opaque = true;
        if (it.fill.kind == ScenePaint::Kind::Solid) {
            p.value = Luminance(it.fill.argb);
            opaque = (it.fill.argb >> 24) == 255;
        } else {
            p.gradient = it.fill.gradient;
            p.value = Luminance(it.fill.gradient->AverageColour());
            for (const GradientStop& s : it.fill.gradient->stops) {
                opaque = opaque && (s.argb >> 24) == 255;
            }
        }
        if (!opaque) {
            // A translucent mask item lends its own value only where nothing lies below it.
            for (size_t j = 0; j < i && !approximate; ++j) {
                approximate = boxes[j].Overlaps(boxes[i]);
            }
        }
        Region grown;
        if (Unite(covered, r, &grown)) {
            covered = std::move(grown);
        }
        p.region = std::move(visible);
        pieces.push_back(std::move(p));
    }
    if (maskItems.size() > 64) {
        // Too many pieces to cut every item by: one region with the average value.
        double sum = 0, area = 0;
        std::vector<Region> regions;
        for (const SceneItem& it : maskItems) {
            Region r;
            if (!PathRegion(it.path, it.fillRule, tolerance, kClipResolution, &r, &regionBudget)) {
                continue;
            }
            double a = r.box.Width() * r.box.Height();
            uint32_t c = it.fill.kind == ScenePaint::Kind::Solid ? it.fill.argb
                                                                  : it.fill.gradient->AverageColour();
            sum += Luminance(c) * a;
            area += a;
            regions.push_back(std::move(r));
        }
        Piece one;
        one.region.resolution = kClipResolution;
        if (UniteAll(regions, &one.region) && Intersect(one.region, rect, &one.region)) {
            one.value = area > 0 ? sum / area : 0;
            pieces.push_back(std::move(one));
        }
        approximate = true;
    }
    Items out;
    for (const Piece& p : pieces) {
        if (p.value <= 0.0005 && !p.gradient) {
            continue;
        }
        Items part = *items;
        ClipItems(p.region, &part);
        for (SceneItem& it : part) {
            if (p.gradient && it.fill.kind == ScenePaint::Kind::Solid) {
                // The item's colour, its alpha shaped by the mask gradient's luminance.
                auto g = std::make_shared<Gradient>(*p.gradient);
                for (GradientStop& s : g->stops) {
                    s.argb = ScaleAlpha(it.fill.argb, Luminance(s.argb));
                }
                it.fill.kind = ScenePaint::Kind::Gradient;
                it.fill.gradient = g;
            } else {
                if (p.gradient) {
                    approximate = true;
                }
                it.fill.ScaleAlpha(p.value);
            }
            out.push_back(std::move(it));
        }
    }
    if (approximate) {
        Approximate("mask");
    }
    *items = std::move(out);
}

bool Converter::OutlineOfStroke(const SceneItem& it, SceneItem* outline) {
    *outline = SceneItem();
    outline->link = it.link;
    outline->fill = it.stroke;
    outline->strokeOutline = true;
    outline->geometry = it.path.ControlBox();
    StrokeStyle ss{it.strokeWidth, it.join, it.cap, it.miterLimit};
    return StrokeOutline(it.path, ss, tolerance, &outline->path, &outlineBudget);
}

bool Converter::StrokesToOutlines(Items* items) {
    Items out;
    bool ok = true;
    for (SceneItem& it : *items) {
        if (!it.Stroked()) {
            out.push_back(std::move(it));
            continue;
        }
        if (it.fill.Visible()) {
            out.push_back(WithoutStroke(it));
        }
        SceneItem s;
        if (OutlineOfStroke(it, &s)) {
            out.push_back(std::move(s));
        } else {
            ok = false;
        }
    }
    *items = std::move(out);
    return ok;
}

void Converter::ApplyFilter(const std::string& id) {
    const Element* filter = id.empty() || id[0] == '\x01' ? nullptr : doc.FindById(id);
    if (filter == nullptr || filter->name != "filter") {
        Drop("filter reference"); // the content is drawn as it is
        return;
    }
    Approximate("filter ignored");
}

void Converter::FinishGroup(const Style& style, const Context& ctx, Items* local, Items* out) {
    if (!local->empty()) {
        Box bbox;
        bool haveBox = false;
        auto box = [&]() -> const Box& {
            if (!haveBox) {
                bbox = ItemsBox(*local, ctx.ctm);
                haveBox = true;
            }
            return bbox;
        };
        if (!style.clipPath.empty()) {
            Region region;
            if (ClipRegion(style.clipPath, ctx, box(), &region)) {
                ClipItems(region, local);
            }
        }
        if (clipMode == 0) {
            if (!style.mask.empty() && !local->empty()) {
                ApplyMask(style.mask, ctx, box(), local);
            }
            if (!style.filter.empty()) {
                ApplyFilter(style.filter);
            }
            ApplyOpacity(style.opacity, local);
        }
    }
    for (SceneItem& it : *local) {
        out->push_back(std::move(it));
    }
}

namespace {

struct Vertex {
    Point p;
    double in = 0, out = 0; // directions of the segments arriving and leaving, in radians
    bool hasIn = false, hasOut = false;
};

double Direction(Point a, Point b) { return atan2(b.y - a.y, b.x - a.x); }

bool Same(Point a, Point b) { return a.x == b.x && a.y == b.y; }

// The directions at the start and at the end of a segment from the current point through its
// control points; a control point on the end point counts for nothing.
void SegmentDirections(Point from, const Point* c, int n, double* start, double* end) {
    Point pts[4] = {from};
    for (int i = 0; i < n; ++i) {
        pts[i + 1] = c[i];
    }
    int last = n;
    int a = 1;
    while (a < last && Same(pts[0], pts[a])) {
        ++a;
    }
    *start = Direction(pts[0], pts[a <= last ? a : last]);
    int b = last - 1;
    while (b > 0 && Same(pts[last], pts[b])) {
        --b;
    }
    *end = Direction(pts[b >= 0 ? b : 0], pts[last]);
}

// The vertices of a path with the directions of the segments around them. A closed subpath's
// first vertex gets the closing segment as its arrival and its last (the same point) the first
// segment as its departure.
std::vector<Vertex> Vertices(const Path& path) {
    std::vector<Vertex> out;
    size_t pi = 0;
    size_t subpathFirst = 0;
    Point current;
    Point start;
    for (size_t k = 0; k < path.ops.size(); ++k) {
        Op op = path.ops[k];
        if (op == Op::Move) {
            current = start = path.pts[pi++];
            subpathFirst = out.size();
            Vertex v;
            v.p = current;
            out.push_back(v);
            continue;
        }
        int n = op == Op::Line ? 1 : (op == Op::Quad ? 2 : (op == Op::Cubic ? 3 : 0));
        Point closing[1] = {start};
        const Point* c = op == Op::Close ? closing : &path.pts[pi];
        int count = op == Op::Close ? 1 : n;
        double a0 = 0, a1 = 0;
        SegmentDirections(current, c, count, &a0, &a1);
        out.back().out = a0;
        out.back().hasOut = true;
        Vertex v;
        v.p = c[count - 1];
        v.in = a1;
        v.hasIn = true;
        out.push_back(v);
        pi += size_t(n);
        current = v.p;
        if (op == Op::Close) {
            // The closing vertex meets the subpath's first segment again.
            if (subpathFirst + 1 < out.size()) {
                Vertex& first = out[subpathFirst];
                out.back().out = first.out;
                out.back().hasOut = first.hasOut;
                first.in = a1;
                first.hasIn = true;
            }
            current = start;
        }
    }
    return out;
}

double Bisector(const Vertex& v) {
    if (v.hasIn && v.hasOut) {
        double s = sin(v.in) + sin(v.out), c = cos(v.in) + cos(v.out);
        if (fabs(s) < 1e-12 && fabs(c) < 1e-12) {
            return v.in; // a reversal: along the arriving segment
        }
        return atan2(s, c);
    }
    return v.hasIn ? v.in : v.out;
}

} // namespace

void Converter::RenderMarkers(const Path& user, const Style& style, const Context& ctx, Items* out) {
    if ((style.markerStart.empty() && style.markerMid.empty() && style.markerEnd.empty()) ||
        clipMode > 0) {
        return;
    }
    std::vector<Vertex> vertices = Vertices(user);
    if (vertices.empty()) {
        return;
    }
    const Box pathBox = user.Bounds();
    for (size_t i = 0; i < vertices.size() && !failed; ++i) {
        const std::string& id = i == 0 ? style.markerStart
                                       : (i + 1 == vertices.size() ? style.markerEnd : style.markerMid);
        if (id.empty()) {
            continue;
        }
        const Element* marker = id[0] == '\x01' ? nullptr : doc.FindById(id);
        if (marker == nullptr || marker->name != "marker") {
            continue;
        }
        if (++markers > limits.maxMarkers) {
            Fail("more than " + std::to_string(limits.maxMarkers) + " markers");
            return;
        }
        const Style& ms = DefinitionStyle(marker);
        if (!ms.display) {
            continue;
        }
        LengthContext vp = ctx.vp;
        double mw = AttrLength(marker, "markerWidth", vp, Axis::X, 3);
        double mh = AttrLength(marker, "markerHeight", vp, Axis::Y, 3);
        if (!(mw > 0) || !(mh > 0)) {
            continue;
        }
        double angle = 0;
        const std::string* orient = marker->Attr("orient");
        if (orient != nullptr) {
            std::string_view o = Trim(*orient);
            if (o == "auto" || o == "auto-start-reverse") {
                angle = Bisector(vertices[i]) * 180 / 3.14159265358979323846;
                if (o == "auto-start-reverse" && i == 0) {
                    angle += 180;
                }
            } else {
                Scanner scan(o);
                double a = 0;
                if (scan.Number(&a)) {
                    std::string_view unit = scan.Word();
                    if (unit == "rad") {
                        a *= 180 / 3.14159265358979323846;
                    } else if (unit == "grad") {
                        a *= 0.9;
                    } else if (unit == "turn") {
                        a *= 360;
                    }
                    angle = a;
                }
            }
        }
        const std::string* units = marker->Attr("markerUnits");
        double scale = units != nullptr && Trim(*units) == "userSpaceOnUse" ? 1 : style.strokeWidth;
        Matrix content;
        ViewBox vb;
        bool hasViewBox = ParseViewBox(marker->Attr("viewBox"), &vb);
        if (hasViewBox) {
            content = ViewBoxMatrix(vb, ParseAspectRatio(marker->Attr("preserveAspectRatio")), 0, 0, mw, mh);
        }
        Point ref{AttrLength(marker, "refX", vp, Axis::X, 0), AttrLength(marker, "refY", vp, Axis::Y, 0)};
        Point refVp = content.Apply(ref);
        Matrix place = ctx.ctm * Matrix::Translate(vertices[i].p.x, vertices[i].p.y) *
                       Matrix::Rotate(angle) * Matrix::Scale(scale, scale) *
                       Matrix::Translate(-refVp.x, -refVp.y);
        if (!EnterReference(marker)) {
            continue;
        }
        Context mc = ctx;
        mc.ctm = place * content;
        mc.contextStyle = &style;
        mc.contextBox = pathBox;
        if (hasViewBox) {
            mc.vp.viewportWidth = vb.w;
            mc.vp.viewportHeight = vb.h;
        } else {
            mc.vp.viewportWidth = mw;
            mc.vp.viewportHeight = mh;
        }
        Items local;
        RenderChildren(marker, ms, mc, &local);
        LeaveReference();
        if (!ms.overflowVisible && !local.empty()) {
            // The marker's viewport clips its content.
            Path clip = RectPath(0, 0, mw, mh).Transformed(place);
            Region region;
            if (PathRegion(clip, 0, tolerance, kClipResolution, &region, &regionBudget)) {
                ClipItems(region, &local);
            }
        }
        for (SceneItem& it : local) {
            out->push_back(std::move(it));
        }
    }
}

} // namespace vemo::svg
