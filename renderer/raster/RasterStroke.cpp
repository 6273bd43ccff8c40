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
    BlockList<Vec> list;
    int32_t count = 0;
    int32_t failed = 0;
    int32_t drawn = 0; // a drawing verb came after the subpath's start
    const Vec& operator[](int32_t i) const { return list[i]; }
    void Add(double x, double y) {
        if (count > 0) {
            const Vec& last = list[count - 1];
            double dx = x - last.x, dy = y - last.y;
            if (dx * dx + dy * dy < 1e-6) {
                return;
            }
        }
        if (failed || count >= kRasterMaxEdges) {
            failed = 1;
            return;
        }
        list.count = count;
        if (!list.Add(Vec{x, y})) {
            failed = 1;
            return;
        }
        ++count;
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

    Polyline left;
    Polyline right;
};

// A stroke in progress: the walk along the path, and the outline of the subpath at hand. Its
// stages follow one another for each subpath; every loop keeps its index here, so the walk can
// stop after any piece and go on later with the same result.
enum class StrokeStage : int32_t {
    Walking,   // flattening the path's verbs into `line`
    Start,     // a subpath ended: decide how it is drawn
    Segments,  // offsetting segment i, with the join before it
    Reverse,   // open subpath: the right side, backwards, after the left one and the end cap
    EmitLeft,  // edges of the left loop (or of the whole outline of an open subpath)
    EmitRight, // closed subpath: edges of the right loop, backwards
};

// What the verb that ended a subpath still has to do once its outline is stored.
enum class AfterSubpath : int32_t { Move, Close, End };

} // namespace

struct StrokeWalk {
    Stroker st;
    Polyline line;
    double reach = 0; // how far the stroke reaches beyond its centre line
    double curX = 0, curY = 0;
    double moveX = 0, moveY = 0; // where a Move that ended a subpath goes
    int32_t verbIndex = 0;
    int32_t pointIndex = 0;
    StrokeStage stage = StrokeStage::Walking;
    AfterSubpath after = AfterSubpath::End;
    bool closed = false;
    int32_t n = 0; // points of the subpath
    int32_t segments = 0;
    int32_t index = 0;
    Vec firstD{0, 0}, firstN{0, 0}, prevD{0, 0}, prevN{0, 0};
    double firstLen = 0, prevLen = 0;

    void EndSubpath(bool isClosed, AfterSubpath then) {
        closed = isClosed;
        after = then;
        stage = StrokeStage::Start;
    }

    // Points appended to both sides, as work.
    int32_t Sides() const { return st.left.count + st.right.count; }

    // Stores the subpath's outline: the left side forwards, the end cap, the right side
    // backwards and the start cap (open), or the left loop and the reversed right loop
    // (closed). It winds like the sum of its rectangles and join wedges, so non-zero fills
    // exactly the stroke. 1 once done, 0 when the work ran out first.
    int32_t Subpath(RasterJobState& s) {
        Polyline& left = st.left;
        Polyline& right = st.right;
        const Polyline& q = line;
        for (;;) {
            switch (stage) {
            case StrokeStage::Walking:
                return 1;
            case StrokeStage::Start:
                n = line.count;
                if (n == 0 || !line.drawn) {
                    return 1;
                }
                if (closed && n > 1 && q[n - 1].x == q[0].x && q[n - 1].y == q[0].y) {
                    --n;
                }
                if (n == 1) {
                    st.Dot(q[0]);
                    s.work -= 1;
                    return 1;
                }
                left.count = 0;
                right.count = 0;
                segments = closed ? n : n - 1;
                index = 0;
                stage = StrokeStage::Segments;
                break;
            case StrokeStage::Segments:
                while (index < segments) {
                    if (s.work <= 0) {
                        return 0;
                    }
                    const int32_t before = Sides();
                    const int32_t i = index++;
                    Vec p = q[i], e = q[i + 1 == n ? 0 : i + 1];
                    double dx = e.x - p.x, dy = e.y - p.y;
                    double len = sqrt(dx * dx + dy * dy);
                    Vec d{dx / len, dy / len};
                    Vec nrm{-d.y * st.r, d.x * st.r};
                    if (i == 0) {
                        firstD = d;
                        firstN = nrm;
                        firstLen = len;
                        if (!closed) {
                            left.Add(p.x + nrm.x, p.y + nrm.y);
                            right.Add(p.x - nrm.x, p.y - nrm.y);
                        }
                    } else {
                        st.OutlineJoin(p, prevD, d, prevN, nrm, prevLen, len);
                    }
                    prevD = d;
                    prevN = nrm;
                    prevLen = len;
                    s.work -= 1 + (Sides() - before);
                }
                if (closed) {
                    st.OutlineJoin(q[0], prevD, firstD, prevN, firstN, prevLen, firstLen);
                    if (left.failed || right.failed) {
                        s.failed = 1;
                        return 1;
                    }
                    index = 0;
                    stage = StrokeStage::EmitLeft;
                } else {
                    st.OutlineCap(left, q[n - 1], prevD, prevN);
                    index = right.count - 1;
                    stage = StrokeStage::Reverse;
                }
                break;
            case StrokeStage::Reverse:
                while (index >= 0) {
                    if (s.work <= 0) {
                        return 0;
                    }
                    left.Add(right[index].x, right[index].y);
                    --index;
                    s.work -= 1;
                }
                st.OutlineCap(left, q[0], Vec{-firstD.x, -firstD.y}, Vec{-firstN.x, -firstN.y});
                if (left.failed || right.failed) {
                    s.failed = 1;
                    return 1;
                }
                index = 0;
                stage = StrokeStage::EmitLeft;
                break;
            case StrokeStage::EmitLeft:
                if (!Emit(s, left, false)) {
                    return 0;
                }
                if (!closed) {
                    return 1;
                }
                index = 0;
                stage = StrokeStage::EmitRight;
                break;
            case StrokeStage::EmitRight:
                return Emit(s, right, true);
            }
        }
    }

    // Edges of a closed loop of points from `index` on, winding like the segment rectangles.
    int32_t Emit(RasterJobState& s, const Polyline& loop, bool reversed) {
        const int32_t count = loop.count;
        if (count < 2) {
            return 1;
        }
        while (index < count) {
            if (s.work <= 0) {
                return 0;
            }
            const Vec& p = loop[index];
            const Vec& q = loop[index + 1 == count ? 0 : index + 1];
            if (reversed) {
                s.AddLine(q.x, q.y, p.x, p.y, -1);
            } else {
                s.AddLine(p.x, p.y, q.x, q.y, -1);
            }
            ++index;
            s.work -= 1;
        }
        return 1;
    }
};

void StrokeDelete(StrokeWalk* walk) {
    delete walk;
}

int32_t StrokeBegin(RasterJobState& s) {
    if (!s.stroke) {
        s.stroke = new (std::nothrow) StrokeWalk;
        if (!s.stroke) {
            return 0;
        }
    }
    StrokeWalk& k = *s.stroke;
    const StrokeStyle& style = s.strokeStyle;
    Stroker& st = k.st;
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
    k.reach =
        st.r * (st.join == LineJoin::Miter ? (st.miterLimit > 1.5 ? st.miterLimit : 1.5) : 1.5) +
        2 * kRasterOne;
    st.left.count = st.right.count = k.line.count = 0;
    st.left.failed = st.right.failed = k.line.failed = 0;
    k.line.drawn = 0;
    k.curX = -s.originX;
    k.curY = -s.originY;
    k.verbIndex = 0;
    k.pointIndex = 0;
    k.stage = StrokeStage::Walking;
    return 1;
}

int32_t StrokeContinue(RasterJobState& s) {
    StrokeWalk& k = *s.stroke;
    Polyline& line = k.line;
    const double ox = s.originX, oy = s.originY;
    const double w = double(s.width) * kRasterOne, h = double(s.height) * kRasterOne;
    const RasterPoint* pts = s.points;
    for (;;) {
        if (s.failed) {
            return 1;
        }
        if (k.stage != StrokeStage::Walking) {
            if (!k.Subpath(s)) {
                return 0;
            }
            k.stage = StrokeStage::Walking;
            line.count = 0;
            line.drawn = 0;
            if (k.after == AfterSubpath::End) {
                if (line.failed) {
                    s.failed = 1;
                }
                return 1;
            }
            if (k.after == AfterSubpath::Move) {
                k.curX = k.moveX;
                k.curY = k.moveY;
                line.Add(k.curX, k.curY);
            }
            continue;
        }
        if (line.failed) {
            s.failed = 1;
            return 1;
        }
        if (s.work <= 0) {
            return 0;
        }
        const int32_t vi = k.verbIndex, pi = k.pointIndex;
        if (vi >= s.verbCount) {
            k.EndSubpath(false, AfterSubpath::End);
            continue;
        }
        const uint8_t verb = s.verbs[vi];
        const int32_t need = verb == kVerbMove || verb == kVerbLine ? 1
                             : verb == kVerbQuad                    ? 2
                             : verb == kVerbCubic                   ? 3
                                                                    : 0;
        if (pi + need > s.pointCount) {
            k.verbIndex = s.verbCount;
            continue;
        }
        k.verbIndex = vi + 1;
        k.pointIndex = pi + need;
        const int32_t before = line.count;
        if (verb != kVerbMove && verb != kVerbClose) {
            if (line.count == 0) {
                line.Add(k.curX, k.curY);
            }
            line.drawn = 1;
        }
        switch (verb) {
        case kVerbMove:
            k.moveX = pts[pi].x - ox;
            k.moveY = pts[pi].y - oy;
            k.EndSubpath(false, AfterSubpath::Move);
            break;
        case kVerbLine:
            k.curX = pts[pi].x - ox;
            k.curY = pts[pi].y - oy;
            line.Add(k.curX, k.curY);
            break;
        case kVerbQuad: {
            double c[6] = {k.curX,
                           k.curY,
                           pts[pi].x - ox,
                           pts[pi].y - oy,
                           pts[pi + 1].x - ox,
                           pts[pi + 1].y - oy};
            FlattenQuad(c, w, h, k.reach, line);
            k.curX = c[4];
            k.curY = c[5];
            break;
        }
        case kVerbCubic: {
            double c[8] = {k.curX,
                           k.curY,
                           pts[pi].x - ox,
                           pts[pi].y - oy,
                           pts[pi + 1].x - ox,
                           pts[pi + 1].y - oy,
                           pts[pi + 2].x - ox,
                           pts[pi + 2].y - oy};
            FlattenCubic(c, w, h, k.reach, line);
            k.curX = c[6];
            k.curY = c[7];
            break;
        }
        case kVerbClose:
            if (line.count > 0) {
                k.curX = line[0].x;
                k.curY = line[0].y;
                k.EndSubpath(true, AfterSubpath::Close);
            }
            break;
        default:
            break;
        }
        s.work -= 1 + (line.count - before);
    }
}
