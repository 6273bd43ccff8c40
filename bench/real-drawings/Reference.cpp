// The reference picture of a scene, against which every renderer's picture is measured.
//
// It samples the exact geometric definition of each object, made from nothing any of the
// renderers uses (no scan converter, no stroker, no offset curves, no outline, no winding of a
// stroke's pieces), at 64 points per pixel, and box-filters them:
//
// Samples. Sample (i, j) of pixel (x, y) lies at (x + (i + 0.5) / 8, y + (j + 0.5) / 8), i and j
// from 0 to 7. An object's fill or stroke covers the number n of the pixel's samples that lie in
// it, and paints the pixel with its colour at alpha * n / 64.
//
// Curves. Cubics are halved (de Casteljau) until both inner control points lie within 1/1000
// pixel of the chord; the chords stand for the curve.
//
// Fills. Every subpath is closed by a line back to its start. On each row of samples the
// chords are crossed, counting +1 for a chord going down and -1 for one going up; a sample is
// inside where the count left of it is non-zero (non-zero rule) or odd (even-odd rule).
//
// Strokes. A stroke of half-width r is the union of simple shapes; a sample is covered when it
// lies in at least one of them (a shape's boundary counts as inside; it holds no sample but by
// chance):
//   - every chord: the rectangle of the chord pushed r to either side (butt ends);
//   - inside a curve, where two chords meet, and between a curve's end tangent and its first or
//     last chord: the sector of radius r between the two normals on the outer side of the turn
//     (the ground the normal sweeps as it turns, which is what the curve's own stroke is made of
//     as its chords get shorter);
//   - at every corner between two segments (lines or curves), and at the start of a closed
//     subpath, on the outer side of the turn: the miter, the quadrilateral of the corner, the
//     ends of the two normals and the tip where the outer edges meet, when the miter length over
//     the width, 1 / sin(theta / 2) with theta the angle between the segments, is at most the
//     miter limit, else the bevel triangle (the corner and the ends of the two normals); the
//     sector between the two normals for round joins; the bevel triangle for bevel joins. The
//     directions at a corner are the segments' tangents there (for a curve, from its control
//     points), not its chords';
//   - at the two ends of an open subpath: nothing (butt); the rectangle r deep beyond the end
//     (square); the half disc beyond the end (round). A subpath that draws but has no length is
//     a disc of radius r (round caps), a square of side 2r along the axes (square caps) or
//     nothing (butt).
// A width of 0 is a hairline, one pixel wide, as the drawing format has it.
//
// Compositing. Source over, in double precision: out = colour * a + out * (1 - a) per channel,
// a = alpha / 255 * n / 64, each object's fill and then its stroke, on white; the picture is
// rounded to 8 bits once, at the end.
#include "Reference.h"

#include <algorithm>
#include <math.h>

namespace realdrawings {
namespace {

constexpr int kGrid = 8;                 // samples along each side of a pixel
constexpr double kFlatness = 1.0 / 1000; // pixels

struct Vec {
    double x, y;
};
inline Vec operator+(Vec a, Vec b) { return Vec{a.x + b.x, a.y + b.y}; }
inline Vec operator-(Vec a, Vec b) { return Vec{a.x - b.x, a.y - b.y}; }
inline Vec operator*(Vec a, double k) { return Vec{a.x * k, a.y * k}; }
inline double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y; }
inline double Cross(Vec a, Vec b) { return a.x * b.y - a.y * b.x; }
inline double Length(Vec a) { return sqrt(Dot(a, a)); }
inline Vec Unit(Vec a) { return a * (1 / Length(a)); }

double DistanceToSegment(Vec p, Vec a, Vec b) {
    const Vec ab = b - a, ap = p - a;
    const double len2 = Dot(ab, ab);
    double t = len2 > 0 ? Dot(ap, ab) / len2 : 0;
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return Length(ap - ab * t);
}

void FlattenCubic(Vec p0, Vec p1, Vec p2, Vec p3, std::vector<Vec>& out, int depth = 0) {
    if (depth >= 24 ||
        std::max(DistanceToSegment(p1, p0, p3), DistanceToSegment(p2, p0, p3)) <= kFlatness) {
        out.push_back(p3);
        return;
    }
    const Vec a = (p0 + p1) * 0.5, b = (p1 + p2) * 0.5, c = (p2 + p3) * 0.5;
    const Vec d = (a + b) * 0.5, e = (b + c) * 0.5, m = (d + e) * 0.5;
    FlattenCubic(p0, a, d, m, out, depth + 1);
    FlattenCubic(m, e, c, p3, out, depth + 1);
}

// A segment of a subpath: its chords' points (the first is where it starts) and its unit
// tangents at the start and the end (zero for a segment without length).
struct Segment {
    std::vector<Vec> points;
    Vec startDir{0, 0}, endDir{0, 0};
};

struct Subpath {
    Vec start{0, 0};
    std::vector<Segment> segments;
    bool closed = false;
};

std::vector<Subpath> Subpaths(const Object& o) {
    std::vector<Subpath> list;
    Vec pen{0, 0};
    bool open = false; // list.back() takes segments
    auto begin = [&](Vec at) {
        list.push_back(Subpath());
        list.back().start = at;
        open = true;
    };
    auto line = [&](Vec to) {
        if (!open) {
            begin(pen);
        }
        Segment s;
        s.points = {pen, to};
        if (Length(to - pen) > 0) {
            s.startDir = s.endDir = Unit(to - pen);
        }
        list.back().segments.push_back(s);
        pen = to;
    };
    for (const Command& c : o.path) {
        switch (c.type) {
        case 'M':
            pen = Vec{c.p[0], c.p[1]};
            begin(pen);
            break;
        case 'L':
            line(Vec{c.p[0], c.p[1]});
            break;
        case 'C': {
            if (!open) {
                begin(pen);
            }
            const Vec p1{c.p[0], c.p[1]}, p2{c.p[2], c.p[3]}, p3{c.p[4], c.p[5]};
            Segment s;
            s.points.push_back(pen);
            FlattenCubic(pen, p1, p2, p3, s.points);
            // Tangents from the control points: the first one that differs from the end.
            const Vec starts[3] = {p1, p2, p3}, ends[3] = {p2, p1, pen};
            for (const Vec& q : starts) {
                if (Length(q - pen) > 0) {
                    s.startDir = Unit(q - pen);
                    break;
                }
            }
            for (const Vec& q : ends) {
                if (Length(p3 - q) > 0) {
                    s.endDir = Unit(p3 - q);
                    break;
                }
            }
            list.back().segments.push_back(s);
            pen = p3;
            break;
        }
        default: // Z
            if (open) {
                Subpath& sp = list.back();
                if (Length(pen - sp.start) > 0) {
                    line(sp.start);
                }
                sp.closed = true;
                pen = sp.start;
                open = false;
            }
            break;
        }
    }
    return list;
}

// Runs of covered samples: on sample row `row`, samples [k0, k1).
struct Run {
    int32_t row, k0, k1;
};

// The samples whose centres lie in [lo, hi) on a row, clipped to the picture; false if none.
inline bool SampleRange(double lo, double hi, int32_t samplesWide, int32_t* k0, int32_t* k1) {
    double a = ceil(lo * kGrid - 0.5), b = ceil(hi * kGrid - 0.5);
    a = a < 0 ? 0 : a;
    b = b > samplesWide ? samplesWide : b;
    if (!(a < b)) {
        return false;
    }
    *k0 = int32_t(a);
    *k1 = int32_t(b);
    return true;
}

inline double RowY(int32_t row) { return (row + 0.5) / kGrid; }

// The sample rows whose centres lie in [top, bottom], within the picture.
inline void RowRange(double top, double bottom, int32_t samplesHigh, int32_t* first,
                     int32_t* last) {
    double a = ceil(top * kGrid - 0.5), b = floor(bottom * kGrid - 0.5);
    *first = a < 0 ? 0 : int32_t(std::min<double>(a, samplesHigh));
    *last = b >= samplesHigh ? samplesHigh - 1 : int32_t(std::max<double>(b, -1));
}

// -------------------------------------------------------------------------------------------
// Fills
// -------------------------------------------------------------------------------------------
void FillRuns(const Object& o, int32_t samplesWide, int32_t samplesHigh, std::vector<Run>& runs) {
    struct Edge {
        double x0, y0, x1, y1;
        int dir;
    };
    std::vector<Edge> edges;
    for (const Subpath& sp : Subpaths(o)) {
        std::vector<Vec> chain{sp.start};
        for (const Segment& s : sp.segments) {
            chain.insert(chain.end(), s.points.begin() + 1, s.points.end());
        }
        chain.push_back(sp.start);
        for (size_t i = 0; i + 1 < chain.size(); ++i) {
            const Vec a = chain[i], b = chain[i + 1];
            if (a.y < b.y) {
                edges.push_back(Edge{a.x, a.y, b.x, b.y, 1});
            } else if (a.y > b.y) {
                edges.push_back(Edge{b.x, b.y, a.x, a.y, -1});
            }
        }
    }
    if (edges.empty()) {
        return;
    }
    std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
    double bottom = edges[0].y1;
    for (const Edge& e : edges) {
        bottom = std::max(bottom, e.y1);
    }
    int32_t first, last;
    RowRange(edges[0].y0, bottom, samplesHigh, &first, &last);
    std::vector<const Edge*> active;
    std::vector<std::pair<double, int>> crossings;
    size_t next = 0;
    for (int32_t row = first; row <= last; ++row) {
        const double y = RowY(row);
        while (next < edges.size() && edges[next].y0 <= y) {
            active.push_back(&edges[next++]);
        }
        crossings.clear();
        size_t kept = 0;
        for (const Edge* e : active) {
            if (e->y1 <= y) {
                continue; // ended above this row
            }
            active[kept++] = e;
            crossings.emplace_back(e->x0 + (y - e->y0) * (e->x1 - e->x0) / (e->y1 - e->y0), e->dir);
        }
        active.resize(kept);
        std::sort(crossings.begin(), crossings.end());
        int winding = 0;
        double from = 0;
        for (const auto& c : crossings) {
            const bool was = o.rule ? (winding & 1) != 0 : winding != 0;
            winding += c.second;
            const bool is = o.rule ? (winding & 1) != 0 : winding != 0;
            if (!was && is) {
                from = c.first;
            } else if (was && !is) {
                int32_t k0, k1;
                if (SampleRange(from, c.first, samplesWide, &k0, &k1)) {
                    runs.push_back(Run{row, k0, k1});
                }
            }
        }
    }
}

// -------------------------------------------------------------------------------------------
// Strokes: the union of convex shapes, each the intersection of half-planes a x + b y <= c
// and, for the round ones, a disc.
// -------------------------------------------------------------------------------------------
struct Shape {
    double top = 0, bottom = 0;
    int planes = 0;
    double a[4], b[4], c[4];
    bool disc = false;
    Vec centre{0, 0};
    double r = 0;

    void Plane(double pa, double pb, double pc) {
        a[planes] = pa;
        b[planes] = pb;
        c[planes] = pc;
        ++planes;
    }
    // Where the horizontal line at y crosses the shape: [lo, hi]; false if it does not.
    bool Interval(double y, double* lo, double* hi) const {
        double l = -1e300, h = 1e300;
        if (disc) {
            const double dy = y - centre.y, d2 = r * r - dy * dy;
            if (d2 < 0) {
                return false;
            }
            const double d = sqrt(d2);
            l = centre.x - d;
            h = centre.x + d;
        }
        for (int i = 0; i < planes; ++i) {
            const double rest = c[i] - b[i] * y;
            if (a[i] > 0) {
                h = std::min(h, rest / a[i]);
            } else if (a[i] < 0) {
                l = std::max(l, rest / a[i]);
            } else if (rest < 0) {
                return false;
            }
        }
        *lo = l;
        *hi = h;
        return l <= h;
    }
};

struct StrokeShapes {
    double r;
    int join, cap;
    double miterLimit;
    std::vector<Shape> shapes;

    // A convex polygon of up to four corners, either way round.
    void Polygon(const Vec* v, int n) {
        double area = 0;
        for (int i = 0; i < n; ++i) {
            area += Cross(v[i], v[(i + 1) % n]);
        }
        if (!(fabs(area) > 1e-12)) {
            return;
        }
        const double s = area > 0 ? 1 : -1;
        Shape shape;
        shape.top = shape.bottom = v[0].y;
        for (int i = 0; i < n; ++i) {
            const Vec p = v[i], e = v[(i + 1) % n] - p;
            // Inside: s * cross(e, q - p) >= 0.
            shape.Plane(s * e.y, -s * e.x, s * (e.y * p.x - e.x * p.y));
            shape.top = std::min(shape.top, p.y);
            shape.bottom = std::max(shape.bottom, p.y);
        }
        shapes.push_back(shape);
    }
    // The chord p-q pushed r to either side.
    void Body(Vec p, Vec q) {
        const Vec d = Unit(q - p), n{-d.y * r, d.x * r};
        const Vec v[4] = {p + n, q + n, q - n, p - n};
        Polygon(v, 4);
    }
    // The disc of radius r round p, cut by the half-planes (q - p) . u >= 0 (when u is given)
    // and (q - p) . v <= 0 (when v is given).
    void Round(Vec p, const Vec* u, const Vec* v) {
        Shape shape;
        shape.disc = true;
        shape.centre = p;
        shape.r = r;
        shape.top = p.y - r;
        shape.bottom = p.y + r;
        if (u) {
            shape.Plane(-u->x, -u->y, -Dot(*u, p));
        }
        if (v) {
            shape.Plane(v->x, v->y, Dot(*v, p));
        }
        shapes.push_back(shape);
    }
    // The sector the normal sweeps at p turning from direction u to direction v (outer side).
    void Sweep(Vec p, Vec u, Vec v) {
        if (fabs(Cross(u, v)) < 1e-12 && Dot(u, v) > 0) {
            return;
        }
        Round(p, &u, &v);
    }
    void Join(Vec p, Vec u, Vec v) {
        const double cross = Cross(u, v), dot = Dot(u, v);
        if (fabs(cross) < 1e-12 && dot > 0) {
            return; // straight on
        }
        if (join == 1) {
            Sweep(p, u, v);
            return;
        }
        if (cross == 0) {
            return; // a turn back: the bevel has no area and no miter is within any limit
        }
        // The ends of the normals on the outer side of the turn.
        const double side = cross > 0 ? -1 : 1;
        const Vec a = p + Vec{-u.y, u.x} * (side * r), b = p + Vec{-v.y, v.x} * (side * r);
        const Vec sum = (a - p) + (b - p);
        const double sumLength = Length(sum); // 2 r sin(theta / 2)
        if (join == 0 && 2 * r <= miterLimit * sumLength) {
            const Vec tip = p + sum * (2 * r * r / Dot(sum, sum));
            const Vec v4[4] = {p, a, tip, b};
            Polygon(v4, 4);
            return;
        }
        const Vec v3[3] = {p, a, b};
        Polygon(v3, 3);
    }
    void Cap(Vec p, Vec d) { // d: the direction out of the stroke
        if (cap == 1) {
            Round(p, &d, nullptr);
        } else if (cap == 2) {
            Body(p, p + d * r);
        }
    }
    void LonePoint(Vec p) {
        if (cap == 1) {
            Round(p, nullptr, nullptr);
        } else if (cap == 2) {
            const Vec v[4] = {p + Vec{-r, -r}, p + Vec{r, -r}, p + Vec{r, r}, p + Vec{-r, r}};
            Polygon(v, 4);
        }
    }

    void Add(const Subpath& sp) {
        std::vector<const Segment*> segments;
        for (const Segment& s : sp.segments) {
            if (Length(s.startDir) > 0) {
                segments.push_back(&s);
            }
        }
        if (segments.empty()) {
            if (!sp.segments.empty()) {
                LonePoint(sp.start);
            }
            return;
        }
        for (size_t i = 0; i < segments.size(); ++i) {
            const Segment& s = *segments[i];
            Vec dir = s.startDir;
            for (size_t k = 0; k + 1 < s.points.size(); ++k) {
                const Vec p = s.points[k], q = s.points[k + 1];
                if (!(Length(q - p) > 0)) {
                    continue;
                }
                const Vec d = Unit(q - p);
                Sweep(p, dir, d);
                Body(p, q);
                dir = d;
            }
            const Vec end = s.points.back();
            Sweep(end, dir, s.endDir);
            if (i + 1 < segments.size()) {
                Join(end, s.endDir, segments[i + 1]->startDir);
            }
        }
        const Segment& first = *segments.front();
        const Segment& last = *segments.back();
        if (sp.closed) {
            Join(first.points.front(), last.endDir, first.startDir);
        } else {
            Cap(first.points.front(), first.startDir * -1);
            Cap(last.points.back(), last.endDir);
        }
    }
};

void StrokeRuns(const Object& o, int32_t samplesWide, int32_t samplesHigh,
                std::vector<Run>& runs) {
    StrokeShapes k;
    k.r = o.width > 0 ? o.width / 2 : 0.5;
    k.join = o.join;
    k.cap = o.cap;
    k.miterLimit = o.miter;
    for (const Subpath& sp : Subpaths(o)) {
        k.Add(sp);
    }
    for (const Shape& shape : k.shapes) {
        int32_t first, last;
        RowRange(shape.top, shape.bottom, samplesHigh, &first, &last);
        for (int32_t row = first; row <= last; ++row) {
            double lo, hi;
            int32_t k0, k1;
            if (shape.Interval(RowY(row), &lo, &hi) &&
                SampleRange(lo, std::nextafter(hi, 1e300), samplesWide, &k0, &k1)) {
                runs.push_back(Run{row, k0, k1});
            }
        }
    }
    // The union: runs sorted along each row and merged.
    std::sort(runs.begin(), runs.end(), [](const Run& a, const Run& b) {
        return a.row != b.row ? a.row < b.row : a.k0 < b.k0;
    });
    size_t kept = 0;
    for (const Run& run : runs) {
        if (kept > 0 && runs[kept - 1].row == run.row && run.k0 <= runs[kept - 1].k1) {
            runs[kept - 1].k1 = std::max(runs[kept - 1].k1, run.k1);
        } else {
            runs[kept++] = run;
        }
    }
    runs.resize(kept);
}

// -------------------------------------------------------------------------------------------
// Compositing
// -------------------------------------------------------------------------------------------
struct Canvas {
    int32_t width, height;
    std::vector<double> rgb;      // 0..255 per channel
    std::vector<uint8_t> samples; // covered samples per pixel, for the object at hand

    // Paints the runs' samples with the colour, and forgets them.
    void Paint(const std::vector<Run>& runs, uint32_t argb) {
        if (runs.empty()) {
            return;
        }
        int32_t x0 = width, x1 = 0, y0 = height, y1 = 0;
        for (const Run& run : runs) {
            const int32_t y = run.row / kGrid;
            for (int32_t k = run.k0; k < run.k1;) {
                const int32_t x = k / kGrid, end = std::min(run.k1, (x + 1) * kGrid);
                samples[size_t(y) * width + x] += uint8_t(end - k);
                x0 = std::min(x0, x);
                x1 = std::max(x1, x + 1);
                k = end;
            }
            y0 = std::min(y0, y);
            y1 = std::max(y1, y + 1);
        }
        const double alpha = (argb >> 24) / 255.0;
        const double colour[3] = {double((argb >> 16) & 255), double((argb >> 8) & 255),
                                  double(argb & 255)};
        for (int32_t y = y0; y < y1; ++y) {
            for (int32_t x = x0; x < x1; ++x) {
                uint8_t& n = samples[size_t(y) * width + x];
                if (n) {
                    const double a = alpha * n / (kGrid * kGrid);
                    double* p = &rgb[3 * (size_t(y) * width + x)];
                    for (int i = 0; i < 3; ++i) {
                        p[i] = colour[i] * a + p[i] * (1 - a);
                    }
                    n = 0;
                }
            }
        }
    }
};

} // namespace

Picture DrawReference(const Scene& scene) {
    Canvas canvas{scene.width, scene.height,
                  std::vector<double>(size_t(scene.width) * scene.height * 3, 255.0),
                  std::vector<uint8_t>(size_t(scene.width) * scene.height, 0)};
    const int32_t samplesWide = scene.width * kGrid, samplesHigh = scene.height * kGrid;
    std::vector<Run> runs;
    for (const Object& o : scene.objects) {
        if (o.fill) {
            runs.clear();
            FillRuns(o, samplesWide, samplesHigh, runs);
            canvas.Paint(runs, o.fillArgb);
        }
        if (o.stroke) {
            runs.clear();
            StrokeRuns(o, samplesWide, samplesHigh, runs);
            canvas.Paint(runs, o.strokeArgb);
        }
    }
    Picture out(size_t(scene.width) * scene.height);
    for (size_t i = 0; i < out.size(); ++i) {
        uint32_t v = 0;
        for (int c = 0; c < 3; ++c) {
            const double d = canvas.rgb[3 * i + c];
            v = v << 8 | uint32_t(d <= 0 ? 0 : (d >= 255 ? 255 : lround(d)));
        }
        out[i] = v;
    }
    return out;
}

} // namespace realdrawings
