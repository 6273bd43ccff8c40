// The stroker: a stroke as a union of convex pieces that all wind the same way.
//
// A stroke of half-width r around a polyline is the union of
//   - one rectangle per segment (the segment pushed r to each side),
//   - one wedge per join, filling the gap on the outer side of the turn: a triangle for a
//     bevel, the triangle plus the miter tip for a miter (when the tip lies within the miter
//     limit, else the bevel), a fan of the arc for a round join,
//   - a cap at each end of an open subpath: nothing for butt, a half-square of depth r for
//     square, a half disc for round.
// Each piece is a closed convex polygon; AddPolygon orients it so that it winds +1. The sum
// of windings is then positive exactly inside the union, which the non-zero rule draws. The
// inner side of a join needs no piece: the rectangles overlap there already.
//
// Curves are flattened first (the same tolerance as fills); pieces of curves far outside the
// clip (beyond the stroke's reach) become chords. Everything is in double precision on local
// 24.8 coordinates, and clipped when the pieces become edges.
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

    void Segment(Vec p, Vec q, Vec nrm) {
        double xy[8] = {p.x + nrm.x, p.y + nrm.y, q.x + nrm.x, q.y + nrm.y,
                        q.x - nrm.x, q.y - nrm.y, p.x - nrm.x, p.y - nrm.y};
        s->AddPolygon(xy, 4);
    }

    // The outer wedge at p between the segment arriving along dIn and the one leaving along
    // dOut (unit directions, normals nIn and nOut of length r).
    void Join(Vec p, Vec dIn, Vec dOut, Vec nIn, Vec nOut) {
        double cross = dIn.x * dOut.y - dIn.y * dOut.x;
        double dot = dIn.x * dOut.x + dIn.y * dOut.y;
        if (fabs(cross) < 1e-12 && dot > 0) {
            return; // straight on
        }
        // The outer side is the one the next segment turns away from.
        double side = (nIn.x * dOut.x + nIn.y * dOut.y) > 0 ? -1 : 1;
        Vec a{p.x + side * nIn.x, p.y + side * nIn.y};
        Vec b{p.x + side * nOut.x, p.y + side * nOut.y};
        if (join == LineJoin::Round) {
            double a0 = atan2(a.y - p.y, a.x - p.x);
            double a1 = atan2(b.y - p.y, b.x - p.x);
            double sweep = a1 - a0;
            while (sweep > kPi) {
                sweep -= 2 * kPi;
            }
            while (sweep < -kPi) {
                sweep += 2 * kPi;
            }
            // The outer arc bulges forwards along dIn and backwards along dOut.
            double mid = a0 + sweep / 2;
            double fx = dIn.x - dOut.x, fy = dIn.y - dOut.y;
            if (cos(mid) * fx + sin(mid) * fy < 0) {
                sweep = sweep > 0 ? sweep - 2 * kPi : sweep + 2 * kPi;
            }
            ArcPiece(p, a0, sweep, true, false);
            return;
        }
        if (join == LineJoin::Miter) {
            double sx = nIn.x + nOut.x, sy = nIn.y + nOut.y;
            double len2 = sx * sx + sy * sy;
            // Miter length over width is 2r / |nIn + nOut|.
            if (len2 > 1e-12 && 4 * r * r <= miterLimit * miterLimit * len2) {
                double k = 2 * r * r / len2;
                Vec tip{p.x + side * sx * k, p.y + side * sy * k};
                double xy[8] = {p.x, p.y, a.x, a.y, tip.x, tip.y, b.x, b.y};
                s->AddPolygon(xy, 4);
                return;
            }
        }
        double xy[6] = {p.x, p.y, a.x, a.y, b.x, b.y};
        s->AddPolygon(xy, 3);
    }

    // The cap at p for a stroke leaving along d (unit) with normal nrm.
    void Cap(Vec p, Vec d, Vec nrm) {
        if (cap == LineCap::Square) {
            double ex = d.x * r, ey = d.y * r;
            double xy[8] = {p.x + nrm.x,      p.y + nrm.y,      p.x + nrm.x + ex, p.y + nrm.y + ey,
                            p.x - nrm.x + ex, p.y - nrm.y + ey, p.x - nrm.x,      p.y - nrm.y};
            s->AddPolygon(xy, 4);
        } else if (cap == LineCap::Round) {
            double a0 = atan2(nrm.y, nrm.x);
            // From +n to -n through d.
            double sweep = kPi;
            double mid = a0 + sweep / 2;
            if (cos(mid) * d.x + sin(mid) * d.y < 0) {
                sweep = -kPi;
            }
            ArcPiece(p, a0, sweep, false, false);
        }
    }

    void Dot(Vec p) {
        if (cap == LineCap::Round) {
            ArcPiece(p, 0, 2 * kPi, false, true);
        } else if (cap == LineCap::Square) {
            double xy[8] = {p.x - r, p.y - r, p.x + r, p.y - r, p.x + r, p.y + r, p.x - r, p.y + r};
            s->AddPolygon(xy, 4);
        }
    }

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
        int32_t segments = closed ? n : n - 1;
        Vec firstD{0, 0}, firstN{0, 0}, prevD{0, 0}, prevN{0, 0};
        for (int32_t i = 0; i < segments && !s->failed; ++i) {
            Vec p = q[i], e = q[i + 1 == n ? 0 : i + 1];
            double dx = e.x - p.x, dy = e.y - p.y;
            double len = sqrt(dx * dx + dy * dy);
            Vec d{dx / len, dy / len};
            Vec nrm{-d.y * r, d.x * r};
            Segment(p, e, nrm);
            if (i == 0) {
                firstD = d;
                firstN = nrm;
            } else {
                Join(p, prevD, d, prevN, nrm);
            }
            prevD = d;
            prevN = nrm;
        }
        if (closed) {
            Join(q[0], prevD, firstD, prevN, firstN);
        } else {
            Cap(q[n - 1], prevD, prevN);
            Cap(q[0], Vec{-firstD.x, -firstD.y}, firstN);
        }
    }
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
