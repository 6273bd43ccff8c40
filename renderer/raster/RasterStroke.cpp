// The stroker: a stroke as one outline per subpath, filled with the non-zero rule.
//
// A stroke of half-width r around a polyline is the union of
//   - one rectangle per segment (the segment pushed r to each side),
//   - one wedge per join, filling the gap on the outer side of the turn: a triangle for a
//     bevel, the triangle plus the miter tip for a miter (when the tip lies within the miter
//     limit, else the bevel), a fan of the arc for a round join,
//   - a cap at each end of an open subpath: nothing for butt, a half-square of depth r for
//     square, a half disc for round.
// All these pieces are convex and, traversed the same way round, each winds +1 inside, so
// the sum of their windings is positive exactly inside the union. The outline is that sum
// with the shared edges cancelled: walk the left side forwards and the right side backwards;
// at a join the outer side takes the wedge's outer points, the inner side goes through the
// corner point itself (which is what adding two rectangles gives) or, when the crossing of the
// two inner offset lines lies within the first half of both segments, through that crossing
// only (which drops one of the two layers where the rectangles overlap, never the last one).
// An open subpath adds its caps at both ends; a closed one is two loops, the left side and
// the right side backwards. A lone point draws a dot for round and square caps.
//
// Curves are flattened first (the same tolerance as fills); pieces of curves far outside the
// clip (beyond the stroke's reach) become chords. Everything is in double precision on local
// 24.8 coordinates, and clipped when the outline becomes edges.
#include "renderer/raster/RasterInternal.h"

#include <math.h>
#include <new>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kMaxArcSteps = 256;

struct Vec {
    double x, y;
};

// Points of one subpath, growing; reused for every subpath.
struct Polyline {
    Vec* points = nullptr;
    int32_t count = 0;
    int32_t capacity = 0;
    int32_t failed = 0;
    int32_t drawn = 0; // a drawing verb came after the subpath's start
    ~Polyline() { delete[] points; }
    void Add(double x, double y) {
        if (count > 0) {
            double dx = x - points[count - 1].x, dy = y - points[count - 1].y;
            if (dx * dx + dy * dy < 1e-6) {
                return;
            }
        }
        if (count == capacity) {
            if (failed || capacity >= kRasterMaxEdges) {
                failed = 1;
                return;
            }
            int32_t grown = capacity ? capacity * 2 : 64;
            Vec* fresh = new (std::nothrow) Vec[size_t(grown)];
            if (!fresh) {
                failed = 1;
                return;
            }
            for (int32_t i = 0; i < count; ++i) {
                fresh[i] = points[i];
            }
            delete[] points;
            points = fresh;
            capacity = grown;
        }
        points[count++] = Vec{x, y};
    }
    void operator()(double x, double y) { Add(x, y); }
};

struct Stroker {
    RasterJobState* s;
    double r;          // half width, 24.8 units
    double miterLimit; // ratio of miter length to width
    LineJoin join;
    LineCap cap;

    int32_t ArcSteps(double sweep) const {
        // Chords of an arc of radius r stay within the tolerance of it.
        double ratio = 1 - kRasterTolerance / 2 / r;
        double step = ratio <= 0 ? kPi / 2 : 2 * acos(ratio);
        if (step > kPi / 2) {
            step = kPi / 2;
        }
        double n = ceil(fabs(sweep) / step);
        if (n < 1) {
            n = 1;
        }
        return n > kMaxArcSteps ? kMaxArcSteps : int32_t(n);
    }

    // A fan polygon: the centre (when withCentre), then the arc from angle a0 over `sweep`.
    // Inner vertices sit a little outside the circle so that each chord's piece has the
    // area of its sector (r'^2 sin t = r^2 t): the ink of round caps and joins is right even
    // for small radii.
    void ArcPiece(Vec c, double a0, double sweep, bool withCentre, bool fullCircle) {
        double xy[2 * (kMaxArcSteps + 2)];
        int32_t n = 0;
        if (withCentre) {
            xy[n++] = c.x;
            xy[n++] = c.y;
        }
        int32_t steps = ArcSteps(sweep);
        double t = fabs(sweep) / steps;
        double outer = t > 1e-9 ? r * sqrt(t / sin(t)) : r;
        for (int32_t i = 0; i <= steps; ++i) {
            double a = a0 + sweep * i / steps;
            double radius = (fullCircle || (i > 0 && i < steps)) ? outer : r;
            xy[n++] = c.x + radius * cos(a);
            xy[n++] = c.y + radius * sin(a);
        }
        s->AddPolygon(xy, n / 2);
    }

    void Dot(Vec p) {
        if (cap == LineCap::Round) {
            ArcPiece(p, 0, 2 * kPi, false, true);
        } else if (cap == LineCap::Square) {
            double xy[8] = {p.x - r, p.y - r, p.x + r, p.y - r, p.x + r, p.y + r, p.x - r, p.y + r};
            s->AddPolygon(xy, 4);
        }
    }

    // Arc points strictly between the ends, from angle a0 over `sweep`, area-true as in
    // ArcPiece.
    void ArcInterior(Polyline& out, Vec c, double a0, double sweep) {
        int32_t steps = ArcSteps(sweep);
        double t = fabs(sweep) / steps;
        double outer = t > 1e-9 ? r * sqrt(t / sin(t)) : r;
        for (int32_t i = 1; i < steps; ++i) {
            double a = a0 + sweep * i / steps;
            out.Add(c.x + outer * cos(a), c.y + outer * sin(a));
        }
    }

    // The sweep from u to v (vectors from a centre) that bulges towards `towards`.
    static double SweepTowards(Vec u, Vec v, Vec towards, double* start) {
        double a0 = atan2(u.y, u.x);
        double sweep = atan2(v.y, v.x) - a0;
        while (sweep > kPi) {
            sweep -= 2 * kPi;
        }
        while (sweep < -kPi) {
            sweep += 2 * kPi;
        }
        double mid = a0 + sweep / 2;
        if (cos(mid) * towards.x + sin(mid) * towards.y < 0) {
            sweep = sweep > 0 ? sweep - 2 * kPi : sweep + 2 * kPi;
        }
        *start = a0;
        return sweep;
    }

    // The join at p between a segment of length lenIn arriving along dIn and one of length
    // lenOut leaving along dOut: points appended to the left (+n) and right (-n) sides, each in
    // the direction of travel.
    void OutlineJoin(Vec p, Vec dIn, Vec dOut, Vec nIn, Vec nOut, double lenIn, double lenOut) {
        double cross = dIn.x * dOut.y - dIn.y * dOut.x;
        double dot = dIn.x * dOut.x + dIn.y * dOut.y;
        if (fabs(cross) < 1e-9 && dot > 0) {
            left.Add(p.x + nOut.x, p.y + nOut.y);
            right.Add(p.x - nOut.x, p.y - nOut.y);
            return;
        }
        double side = (nIn.x * dOut.x + nIn.y * dOut.y) > 0 ? -1 : 1; // the outer side
        Polyline& outer = side > 0 ? left : right;
        Polyline& inner = side > 0 ? right : left;
        Vec a{p.x + side * nIn.x, p.y + side * nIn.y};
        Vec b{p.x + side * nOut.x, p.y + side * nOut.y};
        outer.Add(a.x, a.y);
        if (join == LineJoin::Round) {
            double a0;
            double sweep = SweepTowards(Vec{a.x - p.x, a.y - p.y}, Vec{b.x - p.x, b.y - p.y},
                                        Vec{dIn.x - dOut.x, dIn.y - dOut.y}, &a0);
            ArcInterior(outer, p, a0, sweep);
        } else if (join == LineJoin::Miter) {
            double sx = nIn.x + nOut.x, sy = nIn.y + nOut.y;
            double len2 = sx * sx + sy * sy;
            if (len2 > 1e-12 && 4 * r * r <= miterLimit * miterLimit * len2) {
                double k = 2 * r * r / len2;
                outer.Add(p.x + side * sx * k, p.y + side * sy * k);
            }
        }
        outer.Add(b.x, b.y);
        // Inner side: where the two offset lines cross, when that lies within the first half
        // of both segments; else through the corner point itself (always right, since the
        // segments' rectangles overlap there).
        double t = 1 + dot > 1e-9 ? r * fabs(cross) / (1 + dot) : -1;
        if (t >= 0 && 2 * t <= lenIn && 2 * t <= lenOut) {
            inner.Add(p.x - side * nIn.x - dIn.x * t, p.y - side * nIn.y - dIn.y * t);
        } else {
            inner.Add(p.x - side * nIn.x, p.y - side * nIn.y);
            inner.Add(p.x, p.y);
            inner.Add(p.x - side * nOut.x, p.y - side * nOut.y);
        }
    }

    // The cap at p for a stroke leaving along d: points from p + nrm to p - nrm.
    void OutlineCap(Polyline& out, Vec p, Vec d, Vec nrm) {
        out.Add(p.x + nrm.x, p.y + nrm.y);
        if (cap == LineCap::Square) {
            out.Add(p.x + nrm.x + d.x * r, p.y + nrm.y + d.y * r);
            out.Add(p.x - nrm.x + d.x * r, p.y - nrm.y + d.y * r);
        } else if (cap == LineCap::Round) {
            double a0;
            double sweep = SweepTowards(nrm, Vec{-nrm.x, -nrm.y}, d, &a0);
            ArcInterior(out, p, a0, sweep);
        }
        out.Add(p.x - nrm.x, p.y - nrm.y);
    }

    // Emits a closed loop of points as edges, winding like the segment rectangles.
    void EmitLoop(const Polyline& loop, int32_t from, int32_t to, bool reversed) {
        int32_t count = to - from;
        if (count < 2) {
            return;
        }
        for (int32_t i = 0; i < count; ++i) {
            const Vec& p = loop.points[from + i];
            const Vec& q = loop.points[from + (i + 1 == count ? 0 : i + 1)];
            if (reversed) {
                s->AddLine(q.x, q.y, p.x, p.y, -1);
            } else {
                s->AddLine(p.x, p.y, q.x, q.y, -1);
            }
        }
    }

    // A subpath's outline: the left side forwards, the end cap, the right side backwards and
    // the start cap (open), or the left loop and the reversed right loop (closed). It winds
    // like the sum of its rectangles and join wedges, so non-zero fills exactly the stroke.
    void Subpath(Polyline& line, bool closed) {
        Vec* q = line.points;
        int32_t n = line.count;
        if (n == 0 || !line.drawn) {
            return;
        }
        if (closed && n > 1 && q[n - 1].x == q[0].x && q[n - 1].y == q[0].y) {
            --n;
        }
        if (n == 1) {
            Dot(q[0]);
            return;
        }
        left.count = 0;
        right.count = 0;
        const int32_t segments = closed ? n : n - 1;
        Vec firstD{0, 0}, firstN{0, 0}, prevD{0, 0}, prevN{0, 0};
        double firstLen = 0, prevLen = 0;
        for (int32_t i = 0; i < segments; ++i) {
            Vec p = q[i], e = q[i + 1 == n ? 0 : i + 1];
            double dx = e.x - p.x, dy = e.y - p.y;
            double len = sqrt(dx * dx + dy * dy);
            Vec d{dx / len, dy / len};
            Vec nrm{-d.y * r, d.x * r};
            if (i == 0) {
                firstD = d;
                firstN = nrm;
                firstLen = len;
                if (!closed) {
                    left.Add(p.x + nrm.x, p.y + nrm.y);
                    right.Add(p.x - nrm.x, p.y - nrm.y);
                }
            } else {
                OutlineJoin(p, prevD, d, prevN, nrm, prevLen, len);
            }
            prevD = d;
            prevN = nrm;
            prevLen = len;
        }
        if (closed) {
            OutlineJoin(q[0], prevD, firstD, prevN, firstN, prevLen, firstLen);
            if (left.failed || right.failed) {
                s->failed = 1;
                return;
            }
            EmitLoop(left, 0, left.count, false);
            EmitLoop(right, 0, right.count, true);
            return;
        }
        // Open: left side, end cap, right side backwards, start cap, all in `left`.
        const Vec end = q[n - 1];
        OutlineCap(left, end, prevD, prevN);
        for (int32_t i = right.count - 1; i >= 0; --i) {
            left.Add(right.points[i].x, right.points[i].y);
        }
        OutlineCap(left, q[0], Vec{-firstD.x, -firstD.y}, Vec{-firstN.x, -firstN.y});
        if (left.failed || right.failed) {
            s->failed = 1;
            return;
        }
        EmitLoop(left, 0, left.count, false);
    }

    Polyline left;
    Polyline right;
};

} // namespace

int32_t StrokeIntoJob(RasterJobState& s, const RasterPath& path, const StrokeStyle& style) {
    Stroker st;
    st.s = &s;
    int32_t width = style.width < kRasterOne ? kRasterOne : style.width;
    st.r = double(width) / 2;
    st.miterLimit = double(style.miterLimit) / 65536.0;
    if (!(st.miterLimit >= 1)) {
        st.miterLimit = 1;
    }
    st.join = style.join;
    st.cap = style.cap;
    if (st.join != LineJoin::Miter && st.join != LineJoin::Round) {
        st.join = LineJoin::Bevel;
    }
    if (st.cap != LineCap::Round && st.cap != LineCap::Square) {
        st.cap = LineCap::Butt;
    }
    // How far the stroke reaches beyond its centre line.
    double reach =
        st.r * (st.join == LineJoin::Miter ? (st.miterLimit > 1.5 ? st.miterLimit : 1.5) : 1.5) +
        2 * kRasterOne;

    const double ox = s.originX, oy = s.originY;
    const double w = double(s.width) * kRasterOne, h = double(s.height) * kRasterOne;
    const uint8_t* verbs = path.verbs();
    const RasterPoint* pts = path.points();
    const int32_t verbCount = path.verbCount(), pointCount = path.pointCount();
    Polyline line;
    double curX = -ox, curY = -oy;
    int32_t pi = 0;
    for (int32_t vi = 0; vi < verbCount && !s.failed; ++vi) {
        uint8_t verb = verbs[vi];
        int32_t need = verb == kVerbMove || verb == kVerbLine ? 1
                       : verb == kVerbQuad                    ? 2
                       : verb == kVerbCubic                   ? 3
                                                              : 0;
        if (pi + need > pointCount) {
            break;
        }
        if (verb != kVerbMove && verb != kVerbClose) {
            if (line.count == 0) {
                line.Add(curX, curY);
            }
            line.drawn = 1;
        }
        switch (verb) {
        case kVerbMove:
            st.Subpath(line, false);
            line.count = 0;
            line.drawn = 0;
            curX = pts[pi].x - ox;
            curY = pts[pi].y - oy;
            line.Add(curX, curY);
            break;
        case kVerbLine:
            curX = pts[pi].x - ox;
            curY = pts[pi].y - oy;
            line.Add(curX, curY);
            break;
        case kVerbQuad: {
            double c[6] = {
                curX, curY, pts[pi].x - ox, pts[pi].y - oy, pts[pi + 1].x - ox, pts[pi + 1].y - oy};
            FlattenQuad(c, w, h, reach, line);
            curX = c[4];
            curY = c[5];
            break;
        }
        case kVerbCubic: {
            double c[8] = {curX,
                           curY,
                           pts[pi].x - ox,
                           pts[pi].y - oy,
                           pts[pi + 1].x - ox,
                           pts[pi + 1].y - oy,
                           pts[pi + 2].x - ox,
                           pts[pi + 2].y - oy};
            FlattenCubic(c, w, h, reach, line);
            curX = c[6];
            curY = c[7];
            break;
        }
        case kVerbClose:
            if (line.count > 0) {
                curX = line.points[0].x;
                curY = line.points[0].y;
                st.Subpath(line, true);
                line.count = 0;
                line.drawn = 0;
            }
            break;
        default:
            break;
        }
        pi += need;
    }
    st.Subpath(line, false);
    if (line.failed) {
        s.failed = 1;
    }
    return s.failed ? 0 : 1;
}
