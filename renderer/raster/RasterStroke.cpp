// The stroker: a stroke as one outline per subpath, filled with the non-zero rule.
//
// A stroke of half-width r around a polyline is the union of
//   - one rectangle per segment (the segment pushed r to each side),
//   - one wedge per join, filling the gap on the outer side of the turn: a triangle for a
//     bevel, the triangle plus the miter tip for a miter (when the miter's length over the
//     width, 1 / sin(theta / 2) for segments meeting at the angle theta, is at most the miter
//     limit, else the bevel), a fan of the arc for a round join,
//   - a cap at each end of an open subpath: nothing for butt, a half-square of depth r for
//     square, a half disc for round.
// All these pieces are convex and, traversed the same way round, each winds +1 inside, so
// the sum of their windings is positive exactly inside the union. The outline is that sum
// with the shared edges cancelled: walk the left side forwards and the right side backwards;
// at a join the outer side takes the wedge's outer points, and the inner side goes round the
// far side of the two rectangles' overlap (the quadrilateral between the corner, their inner
// corners and the crossing of their inner offset lines, cut short by the segments' far ends),
// which takes that overlap off once: straight to the crossing when the quadrilateral lies
// within both segments, else along its outline. Overlaps taken off at both ends of a short
// segment may overlap each other: what both took off lies in all three rectangles, so one
// layer is left, and where the first and the third rectangle overlap beyond the middle one
// the overlap pass sees them (tags two apart). A point inside every rectangle of a closed
// subpath would lie in every overlap as well and lose its last layer, so the last join of
// such a ring leaves its overlap in, going through the corner point itself (which is what
// adding two rectangles gives), as a turn straight back does.
// An open subpath adds its caps at both ends; a closed one is two loops, the left side and
// the right side backwards. A lone point draws a dot for round and square caps.
//
// Exact-area coverage adds up windings, so an area wound twice would be inked twice: where the
// outline goes through the corner point, the two rectangles overlap and are left to the
// scan converter's overlap pass (Raster.cpp, "Overlaps"), which counts them once: the edges
// across the corner and the next piece take a tag two on, so the cells where the two
// rectangles meet are looked at. (Adding the overlap, a convex polygon, once more winding the
// other way was exact too, but a quarter of a map's border edges were such polygons, and
// their corners, rounded apart from the outline's, left slivers inside wide strokes.) That is
// what keeps thin strokes along densely sampled outlines (map borders) at their true weight.
// Before offsetting, centre-line points close to the line that replaces them are dropped
// (Polyline): fewer, longer segments, whose inner corners can be cut. A stroke wider than a
// pixel shows its sides, as a fill its outline, and drops the points within 1/16 pixel (the
// tolerance of flattening). One up to a pixel wide shows its ink: it drops a point within
// 1/20 pixel whose triangle with the line, the ink that leaving it out moves, is under 1/64
// square pixel; along a dense outline's short steps the distance decides, along long ones
// the area. (Dropping those within 1/16 pixel as well moved a map's thin borders by enough to
// cost 0.5 to 1 dB against an exact picture; now they keep within 0.3 dB of keeping every
// point, and a map of longer steps loses nothing.) Along a convex
// stretch the points dropped all lie on one side of their line, so each kept vertex is then
// moved by half the sideways shift that would balance its two segments' areas (Balance): the
// lines run through the dropped points on average, and a dense coastline's border keeps its
// place to within a fraction of the tolerance instead of sitting inwards by up to all of it.
//
// Round joins and caps step round the circle by one angle per stroke, worked out once with its
// sine and cosine (Stroker::Prepare), so a join costs no trigonometry; a round join whose
// difference from a bevel is below half a coverage step is drawn as the bevel.
//
// Curves are flattened first (the same tolerance as fills); pieces of curves far outside the
// clip (beyond the stroke's reach) become chords. A corner where a curve ends or starts is
// decided (miter or bevel) and its miter tip placed by the curve's own tangent there, taken
// from its control points (Polyline::Tangents), not by the chord that stands for the curve:
// the chord may turn from the tangent by up to the flattening's tolerance over r, which moves
// the miter's length by enough to bevel a corner a little inside the limit. Everything is in
// double precision on local 24.8 coordinates, and clipped when the outline becomes edges.
#include "renderer/raster/RasterInternal.h"

#include <math.h>
#include <new>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int32_t kMaxArcSteps = 256;
// Round joins and caps: chords within a tenth of a pixel (their pieces are area-true anyway).
constexpr double kArcTolerance = 25.6;

struct Vec {
    double x, y;
};

// Points of one subpath, growing; reused for every subpath.
struct Polyline {
    BlockList<Vec> list;
    int32_t count = 0;
    uint32_t fed = 0; // points handed to Add, kept or not (the work done); wraps round
    int32_t failed = 0;
    int32_t drawn = 0; // a drawing verb came after the subpath's start
    // Centre lines only: a point that lies within the tolerance of the straight line that
    // replaces it (and the points it already replaced) is dropped, so that densely sampled
    // outlines (maps, traced drawings) are stroked along fewer, longer segments.
    double tolerance2 = 0; // squared, 24.8 units; 0 keeps every point
    double crossLimit2 = 0; // the squared limit of twice the triangle's area (24.8 units)
    static constexpr int32_t kMaxDropped = 16;
    Vec dropped[kMaxDropped];
    int32_t droppedCount = 0;
    int32_t droppedAt = -1; // the count for which `dropped` holds
    // Twice the signed area between the points dropped and the line that replaced them, for
    // the last segment and the one before it (valid while the count is areaAt).
    double runArea = 0, prevArea = 0;
    int32_t areaAt = -1;

    // The directions of curves where they start and end, at the points where they do: a
    // corner between curves (or a curve and a line) is joined by these, not by the chords
    // that stand for the curves there (whose directions may differ by the flattening's
    // tolerance, enough to turn a miter near its limit into a bevel). In order of index.
    struct Tangents {
        int32_t index;
        int32_t has; // 1: in, 2: out
        Vec in, out;
    };
    BlockList<Tangents> tangents;
    int32_t tangentCount = 0;

    const Vec& operator[](int32_t i) const { return list[i]; }

    // Empties the list for the next subpath; nothing of the last one's dropping carries over.
    void Restart() {
        count = 0;
        tangentCount = 0;
        drawn = 0;
        droppedAt = -1;
        areaAt = -1;
    }

    Tangents* TangentsOfLast() {
        if (count == 0 || failed) {
            return nullptr;
        }
        if (tangentCount > 0 && tangents[tangentCount - 1].index == count - 1) {
            return &tangents[tangentCount - 1];
        }
        tangents.count = tangentCount;
        if (!tangents.Add(Tangents{count - 1, 0, Vec{0, 0}, Vec{0, 0}})) {
            return nullptr; // memory ran out: the chords' directions stand in
        }
        return &tangents[tangentCount++];
    }
    // The direction (tx, ty) in which a curve leaves the last point, or arrives at it.
    void NoteOut(double tx, double ty) { Note(tx, ty, 2); }
    void NoteIn(double tx, double ty) { Note(tx, ty, 1); }
    void Note(double tx, double ty, int32_t which) {
        const double len = sqrt(tx * tx + ty * ty);
        if (!(len > 0)) {
            return;
        }
        if (Tangents* t = TangentsOfLast()) {
            t->has |= which;
            (which == 1 ? t->in : t->out) = Vec{tx / len, ty / len};
        }
    }

    // Whether p lies within the tolerance of the segment a-b, and the triangle a, p, b within
    // the limit of its area.
    bool Near(const Vec& a, const Vec& b, const Vec& p) const {
        const double dx = b.x - a.x, dy = b.y - a.y, px = p.x - a.x, py = p.y - a.y;
        const double len2 = dx * dx + dy * dy;
        const double t = px * dx + py * dy;
        if (len2 < 1e-6 || t < 0 || t > len2) {
            return false; // beyond an end (a turn back), or a loop back: kept
        }
        const double c = px * dy - py * dx; // the distance times the length
        return c * c <= tolerance2 * len2 && c * c <= crossLimit2;
    }

    void Add(double x, double y) {
        ++fed;
        if (count > 0) {
            const Vec& last = list[count - 1];
            double dx = x - last.x, dy = y - last.y;
            if (dx * dx + dy * dy < 1e-6) {
                return;
            }
        }
        if (tolerance2 > 0 && count >= 2) {
            if (droppedAt != count) {
                droppedCount = 0;
                droppedAt = count;
            }
            const Vec anchor = list[count - 2], p{x, y};
            bool near = droppedCount < kMaxDropped && Near(anchor, p, list[count - 1]);
            for (int32_t i = 0; near && i < droppedCount; ++i) {
                near = Near(anchor, p, dropped[i]);
            }
            if (areaAt != count) {
                runArea = prevArea = 0;
                areaAt = count;
            }
            if (near) {
                const Vec q = list[count - 1];
                runArea +=
                    (q.x - anchor.x) * (p.y - anchor.y) - (q.y - anchor.y) * (p.x - anchor.x);
                dropped[droppedCount++] = q;
                list[count - 1] = p;
                if (tangentCount > 0 && tangents[tangentCount - 1].index == count - 1) {
                    --tangentCount; // the point is gone, and its corner with it
                }
                return;
            }
            droppedCount = 0;
            droppedAt = count + 1;
            if (count >= 3) {
                Balance(count - 2);
            }
            prevArea = runArea;
            runArea = 0;
            areaAt = count + 1;
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

    // Moves vertex i, once the segments either side of it are final, so that the lines that
    // replaced dropped points run through those points on average instead of along one side
    // of them (along a convex stretch, all of them lie outside the line). A segment would move
    // sideways by its area over its length; the vertex takes half of what each of its two
    // segments wants, at most the tolerance. Corners between curves stay where they are.
    void Balance(int32_t i) {
        if (prevArea == 0 && runArea == 0) {
            return;
        }
        for (int32_t t = tangentCount - 1; t >= 0 && tangents[t].index >= i; --t) {
            if (tangents[t].index == i) {
                return;
            }
        }
        const Vec a = list[i - 1], b = list[i], c = list[i + 1];
        const double ux = b.x - a.x, uy = b.y - a.y, vx = c.x - b.x, vy = c.y - b.y;
        const double lu2 = ux * ux + uy * uy, lv2 = vx * vx + vy * vy;
        if (!(lu2 > 0) || !(lv2 > 0)) {
            return;
        }
        // The area is twice the signed area, negative left of the line; the segment's unit
        // normal to the left is (-y, x) / length, its move -area / 2 / length.
        const double ku = prevArea / lu2 / 4, kv = runArea / lv2 / 4;
        double mx = ku * uy + kv * vy, my = -ku * ux - kv * vx;
        const double m2 = mx * mx + my * my;
        if (m2 > tolerance2) {
            const double f = sqrt(tolerance2 / m2);
            mx *= f;
            my *= f;
        }
        list[i] = Vec{b.x + mx, b.y + my};
    }
};

// One side of a stroke's outline, turned into edges as its points come: the left side winds
// -1 forwards, the right side +1 forwards (which is -1 walked backwards, as the outline goes).
// The edges only add up, so their order does not matter and the sides need not be kept.
struct Side {
    RasterJobState* s = nullptr;
    int32_t dir = -1;
    Vec first{0, 0}, last{0, 0};
    int32_t count = 0;
    int32_t* points = nullptr; // the subpath's outline points so far, both sides

    void Start(double x, double y) {
        first = last = Vec{x, y};
        count = 1;
    }
    void Add(double x, double y) {
        if (count == 0) {
            Start(x, y);
            return;
        }
        const double dx = x - last.x, dy = y - last.y;
        if (dx * dx + dy * dy < 1e-6) {
            return;
        }
        if (++*points > kRasterMaxEdges) {
            s->failed = 1; // an outline of more points than a job may hold edges
            return;
        }
        s->AddLine(last.x, last.y, x, y, dir);
        last = Vec{x, y};
        ++count;
    }
    // The edge back to the first point, for a closed loop.
    void Close() {
        if (count > 1) {
            s->AddLine(last.x, last.y, first.x, first.y, dir);
        }
    }
};

struct Stroker {
    RasterJobState* s;
    double r;          // half width, 24.8 units
    double miterLimit; // ratio of miter length to width
    LineJoin join;
    LineCap cap;

    int32_t ArcSteps(double sweep) const {
        // Chords of an arc of radius r stay within the tolerance of it.
        double ratio = 1 - kArcTolerance / 2 / r;
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

    // Round joins and caps turn the radius vector a fixed step at a time: the step, its sine
    // and cosine and the cosines of its multiples are worked out once per stroke (Prepare),
    // so an arc costs a multiply-add per point and no trigonometry.
    double step = 0;         // the largest angle whose chord stays within the tolerance
    double stepCos = 1, stepSin = 0;
    double outerScale = 1;   // area-true radius of the points between the ends, over r
    double cosSkip = 1;      // turns with a cosine above this are drawn as bevels
    double cosTipRound = 1;  // and above these as miters (round joins, bevels)
    double cosTipBevel = 1;
    int32_t stepCount = 0;   // multiples of the step up to a half turn
    double stepCosines[kMaxArcSteps / 2 + 2];

    void Prepare() {
        double ratio = 1 - kArcTolerance / 2 / r;
        step = ratio <= 0 ? kPi / 2 : 2 * acos(ratio);
        step = step > kPi / 2 ? kPi / 2 : (step < 2 * kPi / kMaxArcSteps ? 2 * kPi / kMaxArcSteps : step);
        stepCos = cos(step);
        stepSin = sin(step);
        outerScale = sqrt(step / stepSin);
        stepCount = int32_t(ceil(kPi / step));
        for (int32_t k = 0; k <= stepCount && k < kMaxArcSteps / 2 + 2; ++k) {
            stepCosines[k] = cos(k * step);
        }
        // A round join and a bevel differ by the circular segment r^2 (t - sin t) / 2 over a
        // turn t (about r^2 t^3 / 12): below half a coverage step (1/512 pixel) nobody can
        // see the difference, and the bevel is drawn.
        const double invisible = double(kRasterOne) * kRasterOne / 512;
        const double turn = cbrt(12 * invisible / (r * r));
        cosSkip = turn >= kPi ? -2 : cos(turn);
        // The miter tip stands for a round join or a bevel where they differ from it by less
        // than that: by about r^2 t^3 / 24 and r^2 t^3 / 8 (close up to a turn of 1 radian).
        const double round = cbrt(24 * invisible / (r * r)), bevel = cbrt(8 * invisible / (r * r));
        cosTipRound = cos(round < 1 ? round : 1);
        cosTipBevel = cos(bevel < 1 ? bevel : 1);
    }

    // The points strictly between the ends of an arc of centre c that starts at c + from
    // (|from| = r) and turns by the angle whose cosine is `turnCos` (0 to a half turn, given by
    // its cosine), clockwise or not as `sign` (+1 or -1) says; area-true as in ArcPiece.
    void ArcInterior(Side& out, Vec c, Vec from, double turnCos, double sign) {
        if (turnCos >= cosSkip) {
            return;
        }
        int32_t n = 1; // steps: the least n with n * step >= the turn
        while (n < stepCount && stepCosines[n] > turnCos) {
            ++n;
        }
        const double cs = stepCos, sn = stepSin * sign;
        double ux = from.x * outerScale, uy = from.y * outerScale;
        for (int32_t i = 1; i < n; ++i) {
            const double x = ux * cs - uy * sn;
            uy = ux * sn + uy * cs;
            ux = x;
            out.Add(c.x + ux, c.y + uy);
        }
    }

    // The join at p between a segment of length lenIn arriving along dIn and one of length
    // lenOut leaving along dOut: points appended to the left (+n) and right (-n) sides, each in
    // the direction of travel.
    // tanIn and tanOut, when given, are the directions of the curves that end and start at p
    // (unit vectors): the miter is decided, and its tip placed, by them.
    // Returns 1 when the join took the rectangles' overlap off, 0 when it left it in (or
    // went straight on). `ring`, when not negative, says that this join closes a subpath
    // whose other joins all took theirs off, and how far its farthest segment lies from p.
    // Inlined into the walk, its one caller in the loop: called, its arguments went through
    // the stack and cost the clip art 4 % of its time.
    __attribute__((always_inline)) int32_t
    OutlineJoin(Vec p, Vec dIn, Vec dOut, Vec nIn, Vec nOut, double lenIn, double lenOut,
                const Vec* tanIn = nullptr, const Vec* tanOut = nullptr, double ring = -1) {
        double cross = dIn.x * dOut.y - dIn.y * dOut.x;
        double dot = dIn.x * dOut.x + dIn.y * dOut.y;
        if (fabs(cross) < 1e-9 && dot > 0) {
            return 0; // straight on: both sides go on along their lines
        }
        double side = (nIn.x * dOut.x + nIn.y * dOut.y) > 0 ? -1 : 1; // the outer side
        Side& outer = side > 0 ? left : right;
        Side& inner = side > 0 ? right : left;
        // The outer side: the miter tip alone when the join is a miter within the limit, or a
        // round join or bevel that differs from the miter by less than half a coverage step
        // (the points a and b lie on the lines through the tip: they add nothing to it);
        // else a, the arc or nothing, b.
        // The miter's length over the width is 1 / sin(theta / 2), theta the angle between the
        // two directions; with n the normals of length r, |nIn + nOut| = 2 r sin(theta / 2), so
        // the miter is within the limit when 2 r <= limit * |nIn + nOut|.
        const Vec mIn = tanIn ? Vec{-tanIn->y * r, tanIn->x * r} : nIn;
        const Vec mOut = tanOut ? Vec{-tanOut->y * r, tanOut->x * r} : nOut;
        const double sx = mIn.x + mOut.x, sy = mIn.y + mOut.y;
        const double len2 = sx * sx + sy * sy;
        const bool tip = len2 > 1e-12 &&
                         (join == LineJoin::Miter ? 4 * r * r <= miterLimit * miterLimit * len2
                                                  : dot >= (join == LineJoin::Round ? cosTipRound
                                                                                    : cosTipBevel));
        if (tip) {
            const double k = 2 * r * r / len2;
            outer.Add(p.x + side * sx * k, p.y + side * sy * k);
        } else {
            Vec a{p.x + side * nIn.x, p.y + side * nIn.y};
            Vec b{p.x + side * nOut.x, p.y + side * nOut.y};
            outer.Add(a.x, a.y);
            if (join == LineJoin::Round) {
                // From a to b the short way round: the turn of the path, the way it turns.
                const Vec u{a.x - p.x, a.y - p.y};
                ArcInterior(outer, p, u, dot, cross > 0 ? 1 : -1);
            }
            outer.Add(b.x, b.y);
        }
        // Inner side. The two rectangles overlap in the quadrilateral between the corner, their
        // inner corners and the crossing of their inner offset lines, cut short by the far
        // ends of the segments where it reaches beyond one of them. The inner side goes round
        // the far side of that overlap, which takes it off once: straight to the crossing
        // when the quadrilateral lies within both segments (the side's points before and after
        // lie on the two offset lines), else along the overlap's outline (InnerOverlap), leaving
        // out its inner corners where the side's points before and after lie on their lines.
        // A turn straight back has no crossing: the side goes through the corner point itself
        // (always right, the sum of the rectangles), leaving the overlap in, and the edges
        // across the corner, which bound the outgoing rectangle where it starts, take the next
        // piece's tag, two on, so that the overlap pass sees both rectangles wherever they
        // overlap. So does a closed subpath's last join when every other join took its overlap
        // off and a point could lie inside all of its rectangles: such a point lies in all of
        // their overlaps too, and taking every one of them off would leave it uncovered (n
        // rectangles less n overlaps); along an open path, or with one overlap left in, it
        // keeps one layer. It would lie in this join's overlap, within sqrt(r^2 + t^2) of p,
        // so a segment farther away than r more than that rules it out.
        // The quadrilateral reaches t along both segments from the corner (the crossing), and
        // r sin(theta) (the other rectangle's inner corner, for turns under a right angle).
        const double t = 1 + dot > 1e-9 ? r * fabs(cross) / (1 + dot) : -1;
        const double reach = t > r * fabs(cross) ? t : r * fabs(cross);
        const bool takeOff = ring < 0 || ring > r + sqrt(r * r + t * t);
        if (takeOff && t >= 0 && reach <= lenIn && reach <= lenOut) {
            inner.Add(p.x - side * nIn.x - dIn.x * t, p.y - side * nIn.y - dIn.y * t);
            return 1;
        }
        const Vec in{-side * nIn.x, -side * nIn.y}, out{-side * nOut.x, -side * nOut.y};
        if (takeOff && t >= 0) {
            AroundOverlap(inner, p, in, out, dIn, dOut, t, lenIn, lenOut);
            return 1;
        }
        inner.Add(p.x + in.x, p.y + in.y);
        s->edgeTag += 2;
        inner.Add(p.x, p.y);
        inner.Add(p.x + out.x, p.y + out.y);
        return 0;
    }

    // Appends to `inner` the far side of the overlap of two rectangles that meet at the corner
    // p (InnerOverlap), leaving out `in` and `out` where the side's points before and after
    // lie on their lines. Seldom needed, and kept out of OutlineJoin, which is inlined.
    __attribute__((noinline)) void AroundOverlap(Side& inner, Vec p, Vec in, Vec out, Vec dIn,
                                                 Vec dOut, double t, double lenIn,
                                                 double lenOut) {
        Vec chain[8];
        int32_t n = InnerOverlap(in, out, dIn, dOut, t, lenIn, lenOut, chain);
        const int32_t first = n > 0 && chain[0].x == in.x && chain[0].y == in.y ? 1 : 0;
        if (n > first && chain[n - 1].x == out.x && chain[n - 1].y == out.y) {
            --n;
        } else {
            chain[n++] = out;
        }
        if (!first) {
            inner.Add(p.x + in.x, p.y + in.y);
        }
        for (int32_t i = first; i < n; ++i) {
            inner.Add(p.x + chain[i].x, p.y + chain[i].y);
        }
    }

    // The far side of the overlap of two rectangles that meet at a corner (the origin): the
    // incoming one ends there (its inner corner at `in`, its length lenIn along dIn), the
    // outgoing one starts there (`out`, lenOut along dOut), and their inner offset lines cross
    // t back from `in`. The overlap is the quadrilateral corner, in, crossing, out, less what
    // lies beyond either rectangle's far end; its outline from the corner's neighbour on the
    // incoming side round to the one on the outgoing side goes to `chain` (at most 5 points:
    // each far end adds one). Where `in` or `out` itself lies beyond a far end, the chain
    // starts or ends where that end crosses the line from the corner to it; the side's edges
    // to and from `in` and `out` then run back along that line over a part the overlap does
    // not reach, which the rectangles' sum inked once, so it stays once.
    static int32_t InnerOverlap(Vec in, Vec out, Vec dIn, Vec dOut, double t, double lenIn,
                                double lenOut, Vec* chain) {
        Vec first[8] = {Vec{0, 0}, in, Vec{in.x - dIn.x * t, in.y - dIn.y * t}, out};
        Vec second[8];
        Vec* poly = first;
        Vec* next = second;
        int32_t n = 4;
        // Within the incoming rectangle: x . dIn >= -lenIn; the outgoing: x . dOut <= lenOut.
        // Each cut keeps the points on the inner side, and where the outline crosses the far
        // end, the crossing.
        const Vec normals[2] = {dIn, Vec{-dOut.x, -dOut.y}};
        const double limits[2] = {lenIn, lenOut};
        for (int32_t k = 0; k < 2; ++k) {
            double h[8];
            bool cut = false;
            for (int32_t i = 0; i < n; ++i) {
                h[i] = poly[i].x * normals[k].x + poly[i].y * normals[k].y + limits[k];
                cut |= h[i] < 0;
            }
            if (!cut) {
                continue; // wholly within this far end
            }
            int32_t m = 0;
            for (int32_t i = 0; i < n; ++i) {
                const int32_t j = i + 1 == n ? 0 : i + 1;
                const Vec a = poly[i], b = poly[j];
                const double ha = h[i], hb = h[j];
                if (ha >= 0) {
                    next[m++] = a;
                }
                if ((ha >= 0) != (hb >= 0) && m < 8) {
                    const double f = ha / (ha - hb);
                    next[m++] = Vec{a.x + (b.x - a.x) * f, a.y + (b.y - a.y) * f};
                }
            }
            n = m;
            Vec* const swap = poly;
            poly = next;
            next = swap;
        }
        // The corner lies strictly inside both far ends, so it is still the first point.
        for (int32_t i = 1; i < n; ++i) {
            chain[i - 1] = poly[i];
        }
        return n - 1;
    }

    // The cap at p for a stroke leaving along d: points from p + nrm to p - nrm.
    void OutlineCap(Side& out, Vec p, Vec d, Vec nrm) {
        out.Add(p.x + nrm.x, p.y + nrm.y);
        if (cap == LineCap::Square) {
            out.Add(p.x + nrm.x + d.x * r, p.y + nrm.y + d.y * r);
            out.Add(p.x - nrm.x + d.x * r, p.y - nrm.y + d.y * r);
        } else if (cap == LineCap::Round) {
            // A half turn from +nrm through the direction of travel d to -nrm.
            const double towards = nrm.x * d.y - nrm.y * d.x;
            ArcInterior(out, p, nrm, -1, towards > 0 ? 1 : -1);
        }
        out.Add(p.x - nrm.x, p.y - nrm.y);
    }

    Side left;
    Side right;
    int32_t outlinePoints = 0;
};

// A stroke in progress: the walk along the path, and the outline of the subpath at hand. Its
// stages follow one another for each subpath; every loop keeps its index here, so the walk can
// stop after any piece and go on later with the same result.
enum class StrokeStage : int32_t {
    Walking,   // flattening the path's verbs into `line`
    Start,     // a subpath ended: decide how it is drawn
    Segments,  // offsetting segment i, with the join before it; then the caps or the last join
};

// What the verb that ended a subpath still has to do once its outline is stored.
enum class AfterSubpath : int32_t { Move, Close, End };

} // namespace

struct StrokeWalk {
    Stroker st;
    Polyline line;
    double reach = 0; // how far the stroke reaches beyond its centre line
    double endSine = 0; // how far the end chords of curves may turn from the end directions
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
    int32_t tangentAt = 0; // the next of the line's tangent records to look at
    int32_t overlapsLeft = 0; // joins of the subpath so far that left their overlap in
    double farthest = 0; // a closed subpath's: the squared distance of its farthest segment
                         // from its first point
    // Tags of the outline's edges (Raster.cpp, "Overlaps"): the sides of segment i - 1 and the
    // join at point i make a piece, whose tag is one more than the last one's, so neighbours
    // differ by one, or two more where they may overlap (so the overlap pass looks there):
    // where the join left the two segments' overlap in, and where the piece's join (or end
    // cap) may reach into the segment before last (Apart); subpaths lie apart.
    int32_t tagBase = 2;
    int32_t base = 0;
    int32_t tag = 0; // the last piece's
    // The next piece's tag: the one the edges across the last corner took, if the join set
    // them two on, else one more, or two more when `apart`.
    int32_t NextTag(const RasterJobState& s, bool apart) {
        tag = s.edgeTag != tag ? s.edgeTag : tag + (apart ? 2 : 1);
        return tag;
    }
    // A piece and the one before it overlap only where their joins took the overlap of their
    // rectangles off, with one exception: the join (or end cap) at the far end of the piece's
    // segment b lies beyond the end of that segment, where the segment before it, a, may
    // reach at a sharp turn between short segments (a's rectangle reaches r |sin theta| past
    // the corner, and its whole length back again for a turn of more than a right angle).
    // With a the segment before (direction da, length la) and b the piece's own (db, lb).
    bool Apart(Vec da, double la, Vec db, double lb) const {
        const double cos = da.x * db.x + da.y * db.y, sin = da.x * db.y - da.y * db.x;
        return (cos < 0 ? -la * cos : 0) + st.r * fabs(sin) >= lb;
    }
    // The start cap of an open subpath (behind its first point) and the second piece: the
    // rectangle of segment 1 may reach back past the first point, its join come near it.
    bool CapApart(Vec d0, double l0, Vec d1, double l1, Vec q0, Vec q2) const {
        if (st.cap == LineCap::Butt) {
            return false;
        }
        const double cos = d0.x * d1.x + d0.y * d1.y, sin = d0.x * d1.y - d0.y * d1.x;
        const double back = l0 + (cos < 0 ? l1 * cos : 0) - st.r * fabs(sin);
        const double reach = st.r * (st.join == LineJoin::Miter && st.miterLimit > 1.42
                                         ? st.miterLimit
                                         : 1.42);
        return back <= 0 || (q2.x - q0.x) * d0.x + (q2.y - q0.y) * d0.y <= reach;
    }
    Vec firstD{0, 0}, firstN{0, 0}, prevD{0, 0}, prevN{0, 0}, prevPrevD{0, 0};

    // The tangent record of point i of the line, if it has one (points asked in order).
    const Polyline::Tangents* TangentsAt(int32_t i) {
        while (tangentAt < line.tangentCount && line.tangents[tangentAt].index < i) {
            ++tangentAt;
        }
        return tangentAt < line.tangentCount && line.tangents[tangentAt].index == i
                   ? &line.tangents[tangentAt]
                   : nullptr;
    }
    double firstLen = 0, prevLen = 0, prevPrevLen = 0;
    // The direction and length of segment `aheadIndex`, worked out while the segment before it
    // is offset: its square root and divisions then overlap that work instead of holding up
    // the start of its own.
    int32_t aheadIndex = -1;
    Vec aheadD{0, 0};
    double aheadLen = 0;

    // Segment i's unit direction and length.
    void Direction(int32_t i, int32_t n, Vec& d, double& len) const {
        const Vec p = line[i], e = line[i + 1 == n ? 0 : i + 1];
        const double dx = e.x - p.x, dy = e.y - p.y;
        len = sqrt(dx * dx + dy * dy);
        d = Vec{dx / len, dy / len};
    }

    void EndSubpath(bool isClosed, AfterSubpath then) {
        closed = isClosed;
        after = then;
        stage = StrokeStage::Start;
    }

    // Points appended to both sides, as work.
    int32_t Sides() const { return st.left.count + st.right.count; }

    // Stores the subpath's outline as edges: the left side, the end cap, the right side and
    // the start cap (open), or the left loop and the right loop (closed). It winds like the sum
    // of its rectangles and join wedges, so non-zero fills exactly the stroke. 1 once done, 0
    // when the work ran out first.
    int32_t Subpath(RasterJobState& s) {
        Side& left = st.left;
        Side& right = st.right;
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
                    s.edgeTag = tagBase;
                    tagBase += 3;
                    st.Dot(q[0]);
                    s.work -= 1;
                    return 1;
                }
                left.count = 0;
                right.count = 0;
                st.outlinePoints = 0;
                segments = closed ? n : n - 1;
                aheadIndex = -1;
                base = tagBase;
                tagBase = int64_t(tagBase) + 2 * int64_t(segments) + 3 < INT32_MAX
                              ? tagBase + 2 * segments + 3
                              : 2;
                tag = base;
                s.edgeTag = base + 1;
                index = 0;
                tangentAt = 0;
                overlapsLeft = 0;
                farthest = 0;
                stage = StrokeStage::Segments;
                break;
            case StrokeStage::Segments:
                while (index < segments) {
                    if (s.work <= 0) {
                        return 0;
                    }
                    const int32_t before = Sides();
                    const int32_t i = index++;
                    const Vec p = q[i];
                    Vec d;
                    double len;
                    if (aheadIndex == i) {
                        d = aheadD;
                        len = aheadLen;
                    } else {
                        Direction(i, n, d, len);
                    }
                    if (i + 1 < segments) {
                        aheadIndex = i + 1;
                        Direction(i + 1, n, aheadD, aheadLen);
                    }
                    Vec nrm{-d.y * st.r, d.x * st.r};
                    if (closed && overlapsLeft == 0) {
                        // From q[0] to the nearest point of the segment (needed only while
                        // every join so far took its overlap off).
                        const Vec o = q[0];
                        const double along = (o.x - p.x) * d.x + (o.y - p.y) * d.y;
                        const double u = along < 0 ? 0 : (along > len ? len : along);
                        const double fx = p.x + d.x * u - o.x, fy = p.y + d.y * u - o.y;
                        const double far2 = fx * fx + fy * fy;
                        farthest = far2 > farthest ? far2 : farthest;
                    }
                    if (i == 0) {
                        firstD = d;
                        firstN = nrm;
                        firstLen = len;
                        if (!closed) {
                            left.Start(p.x + nrm.x, p.y + nrm.y);
                            right.Start(p.x - nrm.x, p.y - nrm.y);
                        }
                    } else {
                        const Polyline::Tangents* t = TangentsAt(i);
                        const bool apart =
                            (i >= 2 && Apart(prevPrevD, prevPrevLen, prevD, prevLen)) ||
                            (i == 2 && !closed &&
                             CapApart(firstD, firstLen, prevD, prevLen, q[0], p));
                        s.edgeTag = NextTag(s, apart);
                        overlapsLeft += 1 - st.OutlineJoin(p, prevD, d, prevN, nrm, prevLen, len,
                                                           t && (t->has & 1) ? &t->in : nullptr,
                                                           t && (t->has & 2) ? &t->out : nullptr);
                    }
                    prevPrevD = prevD;
                    prevPrevLen = prevLen;
                    prevD = d;
                    prevN = nrm;
                    prevLen = len;
                    s.work -= 1 + (Sides() - before);
                }
                if (closed) {
                    // Where a closed subpath starts: the way its first piece leaves, and the
                    // way its last curve arrives (at the point dropped as the start's twin).
                    const Vec* in = nullptr;
                    const Vec* out = nullptr;
                    if (line.tangentCount > 0 && line.tangents[0].index == 0 &&
                        (line.tangents[0].has & 2)) {
                        out = &line.tangents[0].out;
                    }
                    if (n < line.count && line.tangentCount > 0) {
                        const Polyline::Tangents& t = line.tangents[line.tangentCount - 1];
                        if (t.index == line.count - 1 && (t.has & 1)) {
                            in = &t.in;
                        }
                    }
                    // The last piece's join at q[0] meets the first piece too.
                    s.edgeTag = NextTag(s, Apart(prevPrevD, prevPrevLen, prevD, prevLen) ||
                                               (n == 2 && Apart(prevD, prevLen, firstD, firstLen)));
                    st.OutlineJoin(q[0], prevD, firstD, prevN, firstN, prevLen, firstLen, in, out,
                                   overlapsLeft > 0 ? -1 : sqrt(farthest));
                    s.edgeTag = base + 1; // the first segment's sides
                    left.Close();
                    right.Close();
                } else {
                    // The right side's last piece, then the end cap from the left side's end
                    // round to it, and the start cap from the right side's start to the left's.
                    const Vec end = q[n - 1];
                    const bool apart =
                        (n >= 3 && Apart(prevPrevD, prevPrevLen, prevD, prevLen)) ||
                        (n == 3 && CapApart(firstD, firstLen, prevD, prevLen, q[0], end));
                    s.edgeTag = NextTag(s, apart);
                    right.Add(end.x - prevN.x, end.y - prevN.y);
                    st.OutlineCap(left, end, prevD, prevN);
                    Side cap;
                    cap.s = &s;
                    cap.dir = left.dir;
                    cap.points = &st.outlinePoints;
                    cap.Start(right.first.x, right.first.y);
                    s.edgeTag = base + 1;
                    st.OutlineCap(cap, q[0], Vec{-firstD.x, -firstD.y}, Vec{-firstN.x, -firstN.y});
                }
                s.work -= 4;
                return 1;
            }
        }
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
    // Width 0 (a hairline) is one pixel at any zoom; without smoothing nothing is thinner
    // than a pixel either, or thin lines would break up.
    int32_t width = style.width;
    if (width <= 0 || (!s.smoothed && width < kRasterOne)) {
        width = kRasterOne;
    }
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
    st.Prepare();
    // A cap or a corner at a curve's end is turned by the direction of the chord there: off
    // by an angle, it moves r times that angle. The end chords of curves follow the curve's
    // end directions within tolerance / r (at most 0.2 radians).
    k.endSine = st.r * 0.2 > kRasterTolerance ? kRasterTolerance / st.r : 0.2;
    k.reach =
        st.r * (st.join == LineJoin::Miter ? (st.miterLimit > 1.5 ? st.miterLimit : 1.5) : 1.5) +
        2 * kRasterOne;
    st.left.count = st.right.count = 0;
    k.line.Restart();
    st.left.s = st.right.s = &s;
    st.left.points = st.right.points = &st.outlinePoints;
    st.left.dir = -1;
    st.right.dir = 1;
    k.line.failed = 0;
    // Which centre-line points go. A stroke up to a pixel wide shows the ink in each pixel,
    // both its sides falling in the same ones: a point goes when it lies within 1/20 pixel of
    // the line that replaces it and their triangle (the ink moved) is under 1/64 square pixel.
    // A wider stroke shows its sides, as a fill shows its outline: a point goes within 1/16
    // pixel (the tolerance of flattening), and for strokes wider than two pixels proportionally
    // less, as the sides (and caps) turn with the centre line, r times as far out.
    if (st.r <= kRasterOne / 2) {
        constexpr double kThinDistance = kRasterOne / 20.0;
        constexpr double kThinCross = 2.0 * kRasterOne * kRasterOne / 64; // twice the area
        k.line.tolerance2 = kThinDistance * kThinDistance;
        k.line.crossLimit2 = kThinCross * kThinCross;
    } else {
        const double distance =
            st.r > kRasterOne ? double(kRasterOne / 16) * kRasterOne / st.r : kRasterOne / 16;
        k.line.tolerance2 = distance * distance;
        k.line.crossLimit2 = HUGE_VAL;
    }
    k.curX = -s.originX;
    k.curY = -s.originY;
    k.verbIndex = 0;
    k.pointIndex = 0;
    k.stage = StrokeStage::Walking;
    k.tagBase = 2;
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
            line.Restart();
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
        const uint32_t before = line.fed;
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
            double t0[4] = {c[2] - c[0], c[3] - c[1], c[4] - c[0], c[5] - c[1]};
            double t1[4] = {c[4] - c[2], c[5] - c[3], c[4] - c[0], c[5] - c[1]};
            double tx, ty;
            raster_detail::FirstDirection(t0, 2, &tx, &ty);
            line.NoteOut(tx, ty);
            FlattenQuad(c, w, h, k.reach, line, k.endSine);
            raster_detail::FirstDirection(t1, 2, &tx, &ty);
            line.NoteIn(tx, ty);
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
            double t0[6] = {c[2] - c[0], c[3] - c[1], c[4] - c[0], c[5] - c[1], c[6] - c[0],
                            c[7] - c[1]};
            double t1[6] = {c[6] - c[4], c[7] - c[5], c[6] - c[2], c[7] - c[3], c[6] - c[0],
                            c[7] - c[1]};
            double tx, ty;
            raster_detail::FirstDirection(t0, 3, &tx, &ty);
            line.NoteOut(tx, ty);
            FlattenCubic(c, w, h, k.reach, line, k.endSine);
            raster_detail::FirstDirection(t1, 3, &tx, &ty);
            line.NoteIn(tx, ty);
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
        s.work -= 1 + int64_t(uint32_t(line.fed - before));
    }
}
