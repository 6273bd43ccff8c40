#include "renderer/RasterBridge.h"

#include <math.h>
#include <new>
#include <string.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "renderer/DrawingFormat.h"
#include "renderer/ViewMath.h"

#include "renderer/raster/Raster.h"

namespace vemo {

void PaintWhite(void* pixels, int32_t width, int32_t height) {
    if (pixels == nullptr || width <= 0 || height <= 0) {
        return;
    }
    // 0x00FFFFFF: bytes FF FF FF 00
    uint32_t* p = static_cast<uint32_t*>(pixels);
    size_t n = size_t(width) * size_t(height);
    const uint8_t white[4] = {0xFF, 0xFF, 0xFF, 0x00};
    uint32_t v;
    memcpy(&v, white, 4);
    for (size_t i = 0; i < n; ++i) {
        p[i] = v;
    }
}

namespace {

// Geometry is handed to the scan converter in 24.8 pixels; within this many pixels of the
// buffer's origin it passes as it is, beyond it is cut (fills) or broken up (strokes) first.
constexpr double kGuard = double(1 << 21);

struct Affine {
    double a, b, c, d, e, f; // pixel = (a x + c y + e, f - (b x + d y)), y downwards
    void Apply(double x, double y, double* px, double* py) const {
        *px = a * x + c * y + e;
        *py = f - (b * x + d * y);
    }
};

// The document-to-raster mapping for a matrix and a surface `height` rows high. With
// `centreX/Y` set, the offsets are replaced so that that document point lands on (0, 0).
Affine MakeAffine(const RenderMatrix& m, int32_t height) {
    const double one = 1.0 / double(int64_t(1) << 30);
    Affine t;
    t.a = m.a * one;
    t.b = m.b * one;
    t.c = m.c * one;
    t.d = m.d * one;
    t.e = double(m.e) * one;
    t.f = double(height) - double(m.f) * one;
    return t;
}

int32_t ToFixed(double v) {
    double s = v * kRasterOne;
    if (s > 2147483000.0) {
        return 2147483000;
    }
    if (s < -2147483000.0) {
        return -2147483000;
    }
#if defined(__SSE2__)
    return _mm_cvtsd_si32(_mm_set_sd(s)); // lrint: to nearest, ties to even, without a call
#else
    return int32_t(lrint(s));
#endif
}

struct PointD {
    double x, y;
};

bool Inside(const PointD& p) { return fabs(p.x) <= kGuard && fabs(p.y) <= kGuard; }

// Collects subpaths as polylines in pixels, flattening curves only where they can come near
// the guard box.
class Flattener {
public:
    PodArray<PointD> pts;
    PodArray<uint32_t> starts; // first point of each subpath
    PodArray<uint8_t> closed;
    bool ok = true;

    void Move(PointD p) {
        ok = ok && Room() && starts.Push(uint32_t(pts.Size())) && closed.Push(0) && pts.Push(p);
    }
    void Line(PointD p) { ok = ok && Room() && pts.Push(p); }
    void Close() {
        if (!closed.Empty()) {
            closed.Back() = 1;
        }
    }
    void Quad(PointD p0, PointD p1, PointD p2, int depth) {
        Cubic(p0, PointD{p0.x + (p1.x - p0.x) * 2 / 3, p0.y + (p1.y - p0.y) * 2 / 3},
              PointD{p2.x + (p1.x - p2.x) * 2 / 3, p2.y + (p1.y - p2.y) * 2 / 3}, p2, depth);
    }
    // Pieces of curves whose control points all lie outside this rectangle become their chords
    // at once: the guard box, or where the painted buffer is (widened by how far a stroke
    // reaches), since a chord outside the buffer changes nothing in it (a fill's piece left of
    // it adds the same winding, from the same first to the same last row, as the curve).
    double nearX0 = -kGuard, nearY0 = -kGuard, nearX1 = kGuard, nearY1 = kGuard;

    void Cubic(PointD p0, PointD p1, PointD p2, PointD p3, int depth) {
        if (!ok) {
            return;
        }
        double x0 = fmin(fmin(p0.x, p1.x), fmin(p2.x, p3.x));
        double x1 = fmax(fmax(p0.x, p1.x), fmax(p2.x, p3.x));
        double y0 = fmin(fmin(p0.y, p1.y), fmin(p2.y, p3.y));
        double y1 = fmax(fmax(p0.y, p1.y), fmax(p2.y, p3.y));
        bool away = x1 < nearX0 || x0 > nearX1 || y1 < nearY0 || y0 > nearY1;
        double flat = fmax(Distance(p1, p0, p3), Distance(p2, p0, p3));
        if (away || flat < 0.05 || depth >= 20) {
            Line(p3);
            return;
        }
        PointD a = Mid(p0, p1), b = Mid(p1, p2), c = Mid(p2, p3);
        PointD ab = Mid(a, b), bc = Mid(b, c), m = Mid(ab, bc);
        Cubic(p0, a, ab, m, depth + 1);
        Cubic(m, bc, c, p3, depth + 1);
    }

private:
    // The points of a far-reaching object are bounded like the scan converter's edges: beyond
    // that the object is left out (and its cost stays bounded).
    bool Room() const { return pts.Size() < size_t(kRasterMaxEdges); }
    static PointD Mid(PointD p, PointD q) { return PointD{(p.x + q.x) / 2, (p.y + q.y) / 2}; }
    static double Distance(PointD p, PointD a, PointD b) {
        double dx = b.x - a.x, dy = b.y - a.y;
        double len = sqrt(dx * dx + dy * dy);
        if (len < 1e-9) {
            return sqrt((p.x - a.x) * (p.x - a.x) + (p.y - a.y) * (p.y - a.y));
        }
        return fabs((p.x - a.x) * dy - (p.y - a.y) * dx) / len;
    }
};

// Clips closed polygons to the guard box (Sutherland-Hodgman), a point at a time: each of the
// four sides of the box is a stage that passes the points on its inner side, and the crossings,
// to the next. Inside the box the winding numbers do not change. Points come out through
// `emit` (a move for the first of a polygon, then lines).
class PolygonClipper {
public:
    explicit PolygonClipper(RasterPath* output) : path(output) {}

    void Point(PointD p) { Feed(0, p); }
    // Closes the polygon: the last point back to the first, stage by stage.
    void Close() {
        for (int side = 0; side < 4; ++side) {
            Stage& s = stages[side];
            if (s.any && (s.valuePrevious >= 0) != (s.valueFirst >= 0)) {
                Feed(side + 1, Crossing(s.previous, s.valuePrevious, s.first, s.valueFirst));
            }
            s.any = false;
        }
        started = false;
    }

private:
    struct Stage {
        PointD first, previous;
        double valueFirst, valuePrevious;
        bool any;
    };

    // How far inside side `side` of the box a point lies (negative: outside).
    static double Value(int side, PointD r) {
        switch (side) {
        case 0:
            return r.x + kGuard; // x >= -G
        case 1:
            return kGuard - r.x; // x <= G
        case 2:
            return r.y + kGuard;
        default:
            return kGuard - r.y;
        }
    }
    static PointD Crossing(PointD p, double vp, PointD q, double vq) {
        double t = vp / (vp - vq);
        return PointD{p.x + (q.x - p.x) * t, p.y + (q.y - p.y) * t};
    }

    void Feed(int side, PointD p) {
        if (side == 4) {
            Emit(p);
            return;
        }
        Stage& s = stages[side];
        double v = Value(side, p);
        if (!s.any) {
            s.first = p;
            s.valueFirst = v;
            s.any = true;
        } else if ((s.valuePrevious >= 0) != (v >= 0)) {
            Feed(side + 1, Crossing(s.previous, s.valuePrevious, p, v));
        }
        if (v >= 0) {
            Feed(side + 1, p);
        }
        s.previous = p;
        s.valuePrevious = v;
    }
    void Emit(PointD p) {
        int32_t x = ToFixed(p.x), y = ToFixed(p.y);
        if (started) {
            path->LineTo(x, y);
        } else {
            path->MoveTo(x, y);
            started = true;
        }
    }

    RasterPath* path;
    Stage stages[4] = {};
    bool started = false;
};

// Liang-Barsky: the part of p-q inside the guard box.
bool ClipSegment(PointD& p, PointD& q) {
    double t0 = 0, t1 = 1;
    double dx = q.x - p.x, dy = q.y - p.y;
    const double pp[4] = {-dx, dx, -dy, dy};
    const double qq[4] = {p.x + kGuard, kGuard - p.x, p.y + kGuard, kGuard - p.y};
    for (int i = 0; i < 4; ++i) {
        if (pp[i] == 0) {
            if (qq[i] < 0) {
                return false;
            }
            continue;
        }
        double r = qq[i] / pp[i];
        if (pp[i] < 0) {
            t0 = r > t0 ? r : t0;
        } else {
            t1 = r < t1 ? r : t1;
        }
    }
    if (t0 > t1) {
        return false;
    }
    PointD a{p.x + dx * t0, p.y + dy * t0}, b{p.x + dx * t1, p.y + dy * t1};
    p = a;
    q = b;
    return true;
}

// Whether every point of the object maps inside the guard box, so that its path can be handed
// over as it is (the curves stay in their points' hull). The box's corners settle it at once
// when they are inside; else each point is looked at.
bool DirectGeometry(const Document& doc, const DrawObject& obj, const Affine& t) {
    const double xs[2] = {double(obj.box.x0), double(obj.box.x1)};
    const double ys[2] = {double(obj.box.y0), double(obj.box.y1)};
    bool corners = true;
    for (int i = 0; i < 4 && corners; ++i) {
        PointD p;
        t.Apply(xs[i & 1], ys[i >> 1], &p.x, &p.y);
        corners = Inside(p);
    }
    if (corners) {
        return true;
    }
    const DocPoint* pts = doc.points.Data() + obj.firstPoint;
    for (uint32_t i = 0; i < obj.pointCount; ++i) {
        PointD p;
        t.Apply(pts[i].x, pts[i].y, &p.x, &p.y);
        if (!Inside(p)) {
            return false;
        }
    }
    return true;
}

// Appends the object's operations from *op (its points from *point) to the path, at most
// maxOps of them; true once all are in.
bool AppendDirect(const Document& doc, const DrawObject& obj, const Affine& t, RasterPath& path,
                  uint32_t* op, uint32_t* point, uint32_t maxOps) {
    const uint8_t* ops = doc.ops.Data() + obj.firstOp;
    const DocPoint* pts = doc.points.Data() + obj.firstPoint;
    auto fixed = [&t](const DocPoint& q, int32_t* x, int32_t* y) {
        double px, py;
        t.Apply(q.x, q.y, &px, &py);
        *x = ToFixed(px);
        *y = ToFixed(py);
    };
    uint32_t k = *point;
    uint32_t i = *op;
    const uint32_t end = obj.opCount - i > maxOps ? i + maxOps : obj.opCount;
    int32_t x[3], y[3];
    for (; i < end; ++i) {
        switch (ops[i]) {
        case kOpMove:
            fixed(pts[k++], &x[0], &y[0]);
            path.MoveTo(x[0], y[0]);
            break;
        case kOpLine:
            fixed(pts[k++], &x[0], &y[0]);
            path.LineTo(x[0], y[0]);
            break;
        case kOpQuad:
            fixed(pts[k], &x[0], &y[0]);
            fixed(pts[k + 1], &x[1], &y[1]);
            k += 2;
            path.QuadTo(x[0], y[0], x[1], y[1]);
            break;
        case kOpCubic:
            fixed(pts[k], &x[0], &y[0]);
            fixed(pts[k + 1], &x[1], &y[1]);
            fixed(pts[k + 2], &x[2], &y[2]);
            k += 3;
            path.CubicTo(x[0], y[0], x[1], y[1], x[2], y[2]);
            break;
        default:
            path.Close();
            break;
        }
    }
    *op = i;
    *point = k;
    return i >= obj.opCount;
}

// Builds the raster path of an object whose points reach beyond the guard box, in pieces of
// bounded work: first the curves are flattened in floating point (only where they can come near
// the box), an operation at a time, then each subpath is cut down to the box a point at a
// time: polygons (fills) by PolygonClipper, polylines (strokes) segment by segment, so that the
// far-away parts of a stroke leave no lines along the box's sides. How the work is cut changes
// nothing in the path.
class FarPathBuilder {
public:
    void Reset(const Document& document, const DrawObject& object, const Affine& mapping,
               bool stroke) {
        doc = &document;
        obj = object;
        t = mapping;
        forStroke = stroke;
        flattening = true;
        op = point = 0;
        current = start = PointD{0, 0};
        fl.pts.Clear();
        fl.starts.Clear();
        fl.closed.Clear();
        fl.ok = true;
        fl.nearX0 = fl.nearY0 = -kGuard;
        fl.nearX1 = fl.nearY1 = kGuard;
        subpath = 0;
        index = 0;
    }

    // Curves far from the rectangle [x0, x1] x [y0, y1] (pixels) are not flattened finely.
    void Near(double x0, double y0, double x1, double y1) {
        fl.nearX0 = x0 > -kGuard ? x0 : -kGuard;
        fl.nearY0 = y0 > -kGuard ? y0 : -kGuard;
        fl.nearX1 = x1 < kGuard ? x1 : kGuard;
        fl.nearY1 = y1 < kGuard ? y1 : kGuard;
    }

    // One piece of about `work` units (a point made or cut is two: it is flattened or clipped
    // in double precision, then stored): 0 while building, 1 once the path is built, -1 when
    // memory ran out or the points passed the limit.
    int32_t Step(uint32_t work, RasterPath& path) {
        budget = uint64_t(work) / 2 + 1;
        while (flattening) {
            if (op >= obj.opCount) {
                flattening = false;
                break;
            }
            if (budget == 0) {
                return 0;
            }
            size_t before = fl.pts.Size();
            FlattenOne();
            if (!fl.ok) {
                return -1;
            }
            uint64_t made = fl.pts.Size() - before + 1;
            budget = made >= budget ? 0 : budget - made;
        }
        const size_t subpaths = fl.starts.Size();
        while (subpath < subpaths) {
            if (budget == 0) {
                return 0;
            }
            size_t first = fl.starts[subpath];
            size_t end = subpath + 1 < subpaths ? fl.starts[subpath + 1] : fl.pts.Size();
            size_t n = end - first;
            size_t stop = n - index > budget ? index + size_t(budget) : n;
            budget -= stop - index;
            if (forStroke) {
                CutPolyline(fl.pts.Data() + first, n, stop, path);
            } else {
                PolygonClipper& clip = clipper(path);
                for (; index < stop; ++index) {
                    clip.Point(fl.pts[first + index]);
                }
                if (index == n) {
                    clip.Close();
                }
            }
            if (index == n) {
                ++subpath;
                index = 0;
            }
            if (path.failed()) {
                return -1;
            }
        }
        return 1;
    }

    // The units the last Step of `work` units did.
    int64_t Spent(uint32_t work) const { return (int64_t(work) / 2 + 1 - int64_t(budget)) * 2; }

private:
    void FlattenOne() {
        const uint8_t* ops = doc->ops.Data() + obj.firstOp;
        const DocPoint* pts = doc->points.Data() + obj.firstPoint;
        auto at = [this](const DocPoint& q) {
            PointD p;
            t.Apply(q.x, q.y, &p.x, &p.y);
            return p;
        };
        switch (ops[op]) {
        case kOpMove:
            current = start = at(pts[point++]);
            fl.Move(current);
            break;
        case kOpLine:
            current = at(pts[point++]);
            fl.Line(current);
            break;
        case kOpQuad: {
            PointD c1 = at(pts[point]), p = at(pts[point + 1]);
            point += 2;
            fl.Quad(current, c1, p, 0);
            current = p;
            break;
        }
        case kOpCubic: {
            PointD c1 = at(pts[point]), c2 = at(pts[point + 1]), p = at(pts[point + 2]);
            point += 3;
            fl.Cubic(current, c1, c2, p, 0);
            current = p;
            break;
        }
        default:
            fl.Close();
            // drawing after a close goes on from the subpath's start
            current = start;
            if (op + 1 < obj.opCount && ops[op + 1] != kOpMove) {
                fl.Move(start);
            }
            break;
        }
        ++op;
    }

    PolygonClipper& clipper(RasterPath& path) {
        if (index == 0) {
            polygon = PolygonClipper(&path);
        }
        return polygon;
    }

    // Points [index, stop) of a subpath of n points as stroke segments cut to the box: each
    // point starts the segment to the next (closed subpaths also back to the first).
    void CutPolyline(const PointD* p, size_t n, size_t stop, RasterPath& path) {
        const bool closedPath = fl.closed[subpath] != 0;
        const size_t segments = closedPath ? n : n - 1;
        if (index == 0) {
            pen = false;
            allInside = true;
        }
        for (; index < stop; ++index) {
            allInside = allInside && Inside(p[index]);
            if (index >= segments) {
                continue;
            }
            PointD a = p[index], b = p[(index + 1) % n];
            bool whole = Inside(a) && Inside(b);
            if (!ClipSegment(a, b)) {
                pen = false;
                continue;
            }
            if (!pen) {
                path.MoveTo(ToFixed(a.x), ToFixed(a.y));
                pen = true;
            }
            path.LineTo(ToFixed(b.x), ToFixed(b.y));
            if (!whole) {
                pen = Inside(p[(index + 1) % n]);
            }
        }
        if (index < n) {
            return;
        }
        if (n == 1) {
            path.MoveTo(ToFixed(p[0].x), ToFixed(p[0].y));
            path.LineTo(ToFixed(p[0].x), ToFixed(p[0].y));
        }
        if (closedPath && allInside) {
            path.Close();
        }
    }

    const Document* doc = nullptr;
    DrawObject obj{};
    Affine t{};
    bool forStroke = false;
    bool flattening = false;
    uint32_t op = 0; // flattening progress
    uint32_t point = 0;
    PointD current{0, 0}, start{0, 0};
    Flattener fl;
    size_t subpath = 0; // cutting progress
    size_t index = 0;
    uint64_t budget = 0; // points the current piece may still make or cut
    PolygonClipper polygon{nullptr};
    bool pen = false;
    bool allInside = true;
};

bool BuildFarPath(const Document& doc, const DrawObject& obj, const Affine& t, bool forStroke,
                  RasterPath& path) {
    path.Clear();
    FarPathBuilder builder;
    builder.Reset(doc, obj, t, forStroke);
    return builder.Step(UINT32_MAX, path) > 0;
}

// Builds the raster path of an object in one go. forStroke selects how far-away geometry is cut.
bool BuildPath(const Document& doc, const DrawObject& obj, const Affine& t, bool forStroke,
               RasterPath& path) {
    if (!DirectGeometry(doc, obj, t)) {
        return BuildFarPath(doc, obj, t, forStroke, path);
    }
    path.Clear();
    uint32_t op = 0, point = 0;
    AppendDirect(doc, obj, t, path, &op, &point, obj.opCount);
    return !path.failed();
}

StrokeStyle MakeStrokeStyle(const Style& s, const Affine& t) {
    StrokeStyle st;
    double scale = sqrt(fabs(t.a * t.d - t.b * t.c));
    double w = double(s.strokeWidth) * scale * kRasterOne;
    st.width = w > double(1 << 29) ? (1 << 29) : int32_t(lrint(w));
    st.join = ::LineJoin(s.join);
    st.cap = ::LineCap(s.cap);
    st.miterLimit = int32_t(s.miterLimit);
    return st;
}

// Whether the gradient's frame has no area: O, U and V on one line, decided exactly (the
// products need 66 bits: equal modulo 2^64 and close in double means equal).
bool FlatFrame(const DocGradient& g) {
    const int64_t ax = int64_t(g.ux) - g.ox, ay = int64_t(g.uy) - g.oy;
    const int64_t bx = int64_t(g.vx) - g.ox, by = int64_t(g.vy) - g.oy;
    const bool sameLow = uint64_t(ax) * uint64_t(by) == uint64_t(ay) * uint64_t(bx);
    const double apart = double(ax) * double(by) - double(ay) * double(bx);
    return sameLow && fabs(apart) < 4611686018427387904.0; // 2^62
}

// The paint of a fill or stroke: its colour, or its gradient with the frame in pixels.
struct PaintSource {
    RasterGradient gradient;
    RasterGradientStop stops[kMaxGradientStops];

    RasterPaint Of(const Document& doc, int32_t index, uint32_t colour, const Affine& t,
                   int32_t smoothed) {
        if (index < 0) {
            return RasterPaint{colour, smoothed};
        }
        const DocGradient& g = doc.gradients[size_t(index)];
        const GradientStop* list = doc.gradientStops.Data() + g.firstStop;
        if (FlatFrame(g)) {
            return RasterPaint{list[g.stopCount - 1].argb, smoothed};
        }
        for (uint32_t i = 0; i < g.stopCount; ++i) {
            stops[i] = RasterGradientStop{list[i].offset, list[i].argb};
        }
        gradient.shape =
            g.kind == kGradientRadial ? ::GradientShape::Radial : ::GradientShape::Linear;
        gradient.spread = g.spread == kSpreadReflect  ? ::GradientSpread::Reflect
                          : g.spread == kSpreadRepeat ? ::GradientSpread::Repeat
                                                      : ::GradientSpread::Pad;
        t.Apply(g.ox, g.oy, &gradient.ox, &gradient.oy);
        t.Apply(g.ux, g.uy, &gradient.ux, &gradient.uy);
        t.Apply(g.vx, g.vy, &gradient.vx, &gradient.vy);
        gradient.fx = g.fx / 65536.0;
        gradient.fy = g.fy / 65536.0;
        gradient.stops = stops;
        gradient.stopCount = int32_t(g.stopCount);
        return RasterPaint{0, smoothed, &gradient};
    }
};

} // namespace

namespace {

// The pixel rectangle (top-down rows, clipped to the buffer) of an aligned rectangle object.
bool AlignedRectangleOf(const Document& doc, const DrawObject& obj, const RenderMatrix& m,
                        int32_t width, int32_t height, RasterRect* out) {
    if (!Fills(obj.style) || obj.style.fillGradient >= 0 || Strokes(obj.style) || m.b != 0 ||
        m.c != 0) {
        return false;
    }
    const uint8_t* ops = doc.ops.Data() + obj.firstOp;
    uint32_t n = obj.opCount;
    if (n > 0 && ops[n - 1] == kOpClose) {
        --n;
    }
    if (n != 4 && n != 5) {
        return false;
    }
    if (ops[0] != kOpMove) {
        return false;
    }
    for (uint32_t i = 1; i < n; ++i) {
        if (ops[i] != kOpLine) {
            return false;
        }
    }
    const DocPoint* p = doc.points.Data() + obj.firstPoint;
    if (n == 5 && (p[4].x != p[0].x || p[4].y != p[0].y)) {
        return false;
    }
    // sides alternate between vertical and horizontal
    bool firstVertical = p[0].x == p[1].x;
    for (int i = 0; i < 4; ++i) {
        const DocPoint& q = p[i];
        const DocPoint& r = p[(i + 1) % 4];
        bool vertical = (i % 2 == 0) == firstVertical;
        if (vertical ? q.x != r.x : q.y != r.y) {
            return false;
        }
    }
    int64_t xs[2] = {p[0].x, p[2].x}, ys[2] = {p[0].y, p[2].y};
    const int64_t one = int64_t(1) << 30;
    int64_t edge[4]; // left, right columns; bottom, top rows (from the bottom)
    for (int k = 0; k < 2; ++k) {
        PixelFixed a = ApplyMatrix(m, xs[k], ys[k]);
        edge[k] = a.column;
        edge[2 + k] = a.row;
    }
    int64_t limits[4] = {int64_t(width) * one, int64_t(width) * one, int64_t(height) * one,
                         int64_t(height) * one};
    int32_t pixel[4];
    for (int k = 0; k < 4; ++k) {
        int64_t v = edge[k];
        if (v <= 0) {
            pixel[k] = 0;
        } else if (v >= limits[k]) {
            pixel[k] = int32_t(limits[k] / one);
        } else if (v % one == 0) {
            pixel[k] = int32_t(v / one);
        } else {
            return false; // an edge inside a pixel needs coverage
        }
    }
    int32_t x0 = pixel[0] < pixel[1] ? pixel[0] : pixel[1];
    int32_t x1 = pixel[0] < pixel[1] ? pixel[1] : pixel[0];
    int32_t r0 = pixel[2] < pixel[3] ? pixel[2] : pixel[3];
    int32_t r1 = pixel[2] < pixel[3] ? pixel[3] : pixel[2];
    *out = RasterRect{x0, height - r1, x1, height - r0};
    return true;
}

} // namespace

int32_t AlignedRectangle(const Document& doc, const DrawObject& obj, const RenderMatrix& m,
                         int32_t width, int32_t height, int32_t* covers) {
    RasterRect r;
    if (!AlignedRectangleOf(doc, obj, m, width, height, &r)) {
        *covers = 0;
        return 0;
    }
    *covers = (obj.style.fillColour >> 24) == 0xFF && r.x0 == 0 && r.y0 == 0 && r.x1 == width &&
              r.y1 == height;
    return 1;
}

// What the painter does next for its object.
enum class PaintStage { Idle, BuildFill, RunFill, BuildStroke, RunStroke };

// Operations converted per unit of work when a path is built in pieces.
constexpr uint32_t kOpsPerUnit = 2;

struct PainterState {
    PaintSource paint;
    RasterPath path;
    RasterJob job;
    const Document* doc = nullptr;
    DrawObject obj{};
    Affine t{};
    RasterSurface surface{};
    RasterRect clip{};
    int32_t smoothed = 1;
    PaintStage stage = PaintStage::Idle;
    bool direct = true;    // the points fit the guard box: one path serves fill and stroke
    FarPathBuilder far;    // builds the path when they do not
    bool pathDone = false; // `path` holds the whole direct geometry
    bool pathFresh = false; // the direct path is built into memory it never used before
    uint32_t op = 0;       // building progress
    uint32_t point = 0;

    RasterPaint FillPaint() {
        return paint.Of(*doc, obj.style.fillGradient, obj.style.fillColour, t, smoothed);
    }
    RasterPaint StrokePaint() {
        return paint.Of(*doc, obj.style.strokeGradient, obj.style.strokeColour, t, smoothed);
    }

    void StartBuilding(PaintStage build) {
        stage = build;
        op = point = 0;
        path.Clear();
        pathDone = false;
        // Room for the whole direct path at once: no copies of it while it grows.
        pathFresh = direct && path.Reserve(int32_t(obj.opCount), int32_t(obj.pointCount)) == 1;
        if (!direct) {
            const bool stroke = build == PaintStage::BuildStroke;
            far.Reset(*doc, obj, t, stroke);
            // Within reach of the buffer, curves are flattened finely; beyond, chords do.
            double margin = 2;
            if (stroke) {
                const StrokeStyle st = MakeStrokeStyle(obj.style, t);
                const double limit = st.miterLimit / 65536.0;
                const double half = (st.width > kRasterOne ? st.width : kRasterOne) / 2.0 / kRasterOne;
                margin += half * (st.join == ::LineJoin::Miter && limit > 1.5 ? limit : 1.5);
            }
            far.Near(-margin, -margin, surface.width + margin, surface.height + margin);
        }
    }

    // One piece of building the path: 0 while building, 1 once built, -1 when memory ran out.
    // *spent takes the units it did.
    int32_t Build(int32_t work, int64_t* spent) {
        if (!direct) {
            const int32_t built = far.Step(uint32_t(work), path);
            *spent = far.Spent(uint32_t(work));
            return built;
        }
        // Operations stored in fresh memory cost the first touch of its pages as well.
        const uint32_t before = op;
        const uint32_t ops = pathFresh ? (uint32_t(work) + 1) / 2 : uint32_t(work) * kOpsPerUnit;
        pathDone = AppendDirect(*doc, obj, t, path, &op, &point, ops);
        *spent = pathFresh ? int64_t(op - before) * 2 : (op - before) / kOpsPerUnit + 1;
        if (path.failed()) {
            pathDone = false;
            return -1;
        }
        return pathDone ? 1 : 0;
    }
};

ObjectPainter::~ObjectPainter() { delete state; }

int32_t ObjectPainter::Begin(const Document& doc, const DrawObject& obj, const RenderMatrix& m,
                             void* pixels, int32_t width, int32_t height, int32_t smoothed) {
    if (state == nullptr) {
        state = new (std::nothrow) PainterState;
        if (state == nullptr) {
            return 0;
        }
        // The path stays as it is while its job runs (it is only rebuilt after the job ended
        // or was cancelled): the job reads it in place rather than copying it whole at once.
        state->job.ReadPathInPlace(1);
    }
    PainterState& s = *state;
    s.job.Cancel();
    s.stage = PaintStage::Idle;
    s.surface = BottomUpSurface(pixels, width, height);
    s.clip = RasterRect{0, 0, width, height};
    RasterRect spans;
    if (AlignedRectangleOf(doc, obj, m, width, height, &spans)) {
        FillRectangle(s.surface, spans, obj.style.fillColour);
        return 1;
    }
    if (!Fills(obj.style) && !Strokes(obj.style)) {
        return 1;
    }
    s.doc = &doc;
    s.obj = obj;
    s.t = MakeAffine(m, height);
    s.smoothed = smoothed ? 1 : 0;
    s.direct = DirectGeometry(doc, obj, s.t);
    s.StartBuilding(Fills(obj.style) ? PaintStage::BuildFill : PaintStage::BuildStroke);
    return 1;
}

int32_t ObjectPainter::Step(int32_t work) {
    lastWork = 0;
    if (state == nullptr) {
        return 1;
    }
    PainterState& s = *state;
    // What the stages of the object did so far in this piece: the next stage gets the rest.
    int64_t left = work;
    for (;;) {
        switch (s.stage) {
        case PaintStage::Idle:
            lastWork = work - left;
            return 1;
        case PaintStage::BuildFill:
        case PaintStage::BuildStroke: {
            const bool stroke = s.stage == PaintStage::BuildStroke;
            if (left <= 0) {
                lastWork = work - left;
                return 0;
            }
            int64_t spent = 0;
            const int32_t built = s.Build(int32_t(left), &spent);
            left -= spent;
            if (built == 0) {
                lastWork = work - left;
                return 0;
            }
            if (built < 0) {
                // out of memory: this part of the object is left out
                if (!stroke && Strokes(s.obj.style) && !s.direct) {
                    s.StartBuilding(PaintStage::BuildStroke);
                } else {
                    s.stage = PaintStage::Idle;
                }
                break;
            }
            if (stroke) {
                s.job.StartStroke(s.path, MakeStrokeStyle(s.obj.style, s.t), s.StrokePaint(),
                                  s.surface, s.clip);
                s.stage = PaintStage::RunStroke;
            } else {
                ::FillRule rule =
                    s.obj.style.fillRule == kEvenOdd ? ::FillRule::EvenOdd : ::FillRule::NonZero;
                s.job.StartFill(s.path, rule, s.FillPaint(), s.surface, s.clip);
                s.stage = PaintStage::RunFill;
            }
            break;
        }
        case PaintStage::RunFill: {
            const int32_t done = s.job.Advance(left > 0 ? int32_t(left) : 0);
            left -= s.job.LastWork();
            if (!done) {
                lastWork = work - left;
                return 0;
            }
            if (!Strokes(s.obj.style)) {
                s.stage = PaintStage::Idle;
                break;
            }
            if (s.direct && s.pathDone) {
                s.job.StartStroke(s.path, MakeStrokeStyle(s.obj.style, s.t), s.StrokePaint(),
                                  s.surface, s.clip);
                s.stage = PaintStage::RunStroke;
            } else {
                s.StartBuilding(PaintStage::BuildStroke);
            }
            break;
        }
        case PaintStage::RunStroke: {
            const int32_t done = s.job.Advance(left > 0 ? int32_t(left) : 0);
            left -= s.job.LastWork();
            if (!done) {
                lastWork = work - left;
                return 0;
            }
            s.stage = PaintStage::Idle;
            break;
        }
        }
    }
}

int64_t ObjectPainter::LastWork() const { return lastWork; }

int32_t ObjectPainter::Busy() const {
    return state != nullptr && state->stage != PaintStage::Idle ? 1 : 0;
}

void ObjectPainter::Cancel() {
    if (state != nullptr) {
        state->job.Cancel();
        state->stage = PaintStage::Idle;
    }
}

void ObjectPainter::Adopt(ObjectPainter& other) {
    if (state == nullptr && &other != this) {
        other.Cancel();
        state = other.state;
        other.state = nullptr;
    }
}

int32_t HitObject(const Document& doc, const DrawObject& obj, const RenderMatrix& m, int32_t x,
                  int32_t y, int32_t tolerance) {
    if (!Fills(obj.style) && !Strokes(obj.style)) {
        return 0;
    }
    RenderMatrix local = m;
    if (int64_t(local.a) * local.d - int64_t(local.b) * local.c == 0) {
        // no usable scale: 100 percent, 750 document units to the pixel
        local = RenderMatrix{int32_t((int64_t(1) << 30) / 750), 0, 0,
                             int32_t((int64_t(1) << 30) / 750), 0, 0};
    }
    Affine t = MakeAffine(local, 0);
    // the query point goes to (0, 0), whatever the matrix's offsets say
    double px, py;
    t.e = 0;
    t.f = 0;
    t.Apply(double(x), double(y), &px, &py);
    t.e = -px;
    t.f = -py;
    int32_t radius = tolerance <= 0 ? 0 : (tolerance > (1 << 20) ? (1 << 20) : tolerance) * 32;
    RasterPoint origin{0, 0};
    RasterPath path;
    if (Fills(obj.style) && BuildPath(doc, obj, t, false, path)) {
        ::FillRule rule = obj.style.fillRule == kEvenOdd ? ::FillRule::EvenOdd : ::FillRule::NonZero;
        if (HitTestFill(path, rule, origin, radius)) {
            return 1;
        }
    }
    if (Strokes(obj.style) && BuildPath(doc, obj, t, true, path)) {
        if (HitTestStroke(path, MakeStrokeStyle(obj.style, t), origin, radius)) {
            return 1;
        }
    }
    return 0;
}


} // namespace vemo
