// Curve flattening: every chord within the tolerance of its curve, no area lost along convex
// stretches, end chords along the curve's end directions, and the same points whatever clip a
// curve is flattened for.
#include "renderer/raster/RasterInternal.h"

#include <gtest/gtest.h>

#include <math.h>
#include <string.h>
#include <vector>

namespace {

struct Point {
    double x, y;
};

struct Collect {
    std::vector<Point> points;
    void operator()(double x, double y) { points.push_back({x, y}); }
};

// Control points in 24.8 units (256 to a pixel); quadratics leave the last pair unused.
struct CurveCase {
    const char* name;
    int degree;
    double p[8];
};

const CurveCase kCurves[] = {
    {"gentle arc", 3, {0, 2000, 2560, 720, 7680, 720, 10240, 2000}},
    {"quarter circle", 3, {0, 0, 0, 14139, 11461, 25600, 25600, 25600}},
    {"S bend", 3, {0, 0, 20000, 0, -10000, 15000, 10000, 15000}},
    {"loop", 3, {0, 0, 30000, 20000, -20000, 20000, 10000, 0}},
    {"cusp", 3, {0, 0, 20000, 20000, 0, 20000, 20000, 0}},
    {"flat", 3, {0, 0, 100, 1, 200, -1, 300, 0}},
    {"tiny", 3, {5, 5, 9, 30, 40, 35, 50, 6}},
    {"doubled ends", 3, {0, 0, 0, 0, 8000, 8000, 8000, 8000}},
    {"huge", 3, {0, 0, 900000, 400000, -300000, 800000, 600000, 700000}},
    {"quadratic arc", 2, {0, 0, 12800, 12800, 25600, 0, 0, 0}},
    {"quadratic sharp", 2, {0, 0, 40000, 200, 0, 400, 0, 0}},
    {"quadratic tiny", 2, {0, 0, 20, 30, 60, 0, 0, 0}},
};

Point At(const CurveCase& c, double t) {
    const double u = 1 - t;
    const double* p = c.p;
    if (c.degree == 2) {
        return {u * u * p[0] + 2 * u * t * p[2] + t * t * p[4],
                u * u * p[1] + 2 * u * t * p[3] + t * t * p[5]};
    }
    const double a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
    return {a * p[0] + b * p[2] + d * p[4] + e * p[6], a * p[1] + b * p[3] + d * p[5] + e * p[7]};
}

double DistanceToSegment(Point q, Point a, Point b) {
    const double dx = b.x - a.x, dy = b.y - a.y, l2 = dx * dx + dy * dy;
    double t = l2 > 0 ? ((q.x - a.x) * dx + (q.y - a.y) * dy) / l2 : 0;
    t = t < 0 ? 0 : t > 1 ? 1 : t;
    return hypot(q.x - a.x - t * dx, q.y - a.y - t * dy);
}

std::vector<Point> Flatten(const CurveCase& c, double w, double h, double margin, double endSine) {
    Collect out;
    out.points.push_back({c.p[0], c.p[1]});
    if (c.degree == 2) {
        FlattenQuad(c.p, w, h, margin, out, endSine);
    } else {
        FlattenCubic(c.p, w, h, margin, out, endSine);
    }
    return out.points;
}

TEST(RasterFlatten, ChordsStayWithinTheToleranceOfTheCurve) {
    for (const CurveCase& c : kCurves) {
        for (double endSine : {0.0, 0.05}) {
            const std::vector<Point> line = Flatten(c, 1e7, 1e7, 0, endSine);
            const Point end = c.degree == 2 ? Point{c.p[4], c.p[5]} : Point{c.p[6], c.p[7]};
            EXPECT_EQ(end.x, line.back().x) << c.name;
            EXPECT_EQ(end.y, line.back().y) << c.name;
            // Every point of the curve lies near a chord of its own stretch (the chords come
            // in the curve's order, so the search keeps moving forwards).
            size_t chord = 0;
            double worst = 0;
            for (int i = 0; i <= 4000; ++i) {
                const Point q = At(c, i / 4000.0);
                double best = DistanceToSegment(q, line[chord], line[chord + 1]);
                for (size_t k = chord + 1; k + 1 < line.size() && k <= chord + 2; ++k) {
                    const double dk = DistanceToSegment(q, line[k], line[k + 1]);
                    if (dk < best) {
                        best = dk;
                        chord = k;
                    }
                }
                worst = best > worst ? best : worst;
            }
            EXPECT_LE(worst, kRasterTolerance * 1.0001) << c.name << " endSine " << endSine;
        }
    }
}

// The area between a polyline and the chord from its first point to its last (shoelace).
double AreaToChord(const std::vector<Point>& line) {
    double a = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const Point& p = line[i];
        const Point& q = line[i + 1 < line.size() ? i + 1 : 0];
        a += p.x * q.y - q.x * p.y;
    }
    return a / 2;
}

TEST(RasterFlatten, ConvexCurvesKeepTheirArea) {
    // Chords through points of a convex curve would all cut inside it, losing 2/3 of their
    // sagitta over their length: a third of the tolerance along the curve or more here.
    const char* convex[] = {"gentle arc", "quarter circle", "quadratic arc", "quadratic sharp"};
    for (const CurveCase& c : kCurves) {
        bool wanted = false;
        for (const char* name : convex) {
            wanted = wanted || strcmp(name, c.name) == 0;
        }
        if (!wanted) {
            continue;
        }
        std::vector<Point> exact;
        double length = 0;
        for (int i = 0; i <= 20000; ++i) {
            exact.push_back(At(c, i / 20000.0));
            if (i > 0) {
                length += hypot(exact[i].x - exact[i - 1].x, exact[i].y - exact[i - 1].y);
            }
        }
        const double lost = AreaToChord(exact) - AreaToChord(Flatten(c, 1e7, 1e7, 0, 0));
        EXPECT_LE(fabs(lost), kRasterTolerance * length / 8) << c.name;
    }
}

TEST(RasterFlatten, EndChordsFollowTheCurvesEndDirections) {
    const double endSine = 0.02;
    for (const CurveCase& c : kCurves) {
        const std::vector<Point> line = Flatten(c, 1e7, 1e7, 0, endSine);
        const int n = c.degree;
        // The directions at the ends: the first control point apart from the end point.
        Point start{0, 0}, finish{0, 0};
        for (int i = 1; i <= n && start.x == 0 && start.y == 0; ++i) {
            start = {c.p[2 * i] - c.p[0], c.p[2 * i + 1] - c.p[1]};
        }
        for (int i = n - 1; i >= 0 && finish.x == 0 && finish.y == 0; --i) {
            finish = {c.p[2 * n] - c.p[2 * i], c.p[2 * n + 1] - c.p[2 * i + 1]};
        }
        const Point ends[2][3] = {{start, line[0], line[1]},
                                  {finish, line[line.size() - 2], line.back()}};
        for (const auto& e : ends) {
            const double cx = e[2].x - e[1].x, cy = e[2].y - e[1].y;
            const double lengths = hypot(cx, cy) * hypot(e[0].x, e[0].y);
            if (lengths == 0) {
                continue;
            }
            EXPECT_GE(cx * e[0].x + cy * e[0].y, 0) << c.name;
            EXPECT_LE(fabs(cx * e[0].y - cy * e[0].x), endSine * lengths * 1.0001) << c.name;
        }
    }
}

TEST(RasterFlatten, PointsInsideAClipAreTheSameAsWithoutIt) {
    // Clips that cut through the curves; the margin is a stroke's reach.
    struct Clip {
        double w, h, margin;
    };
    const Clip clips[] = {{3000, 3000, 0}, {8000, 1000, 512}, {40, 40, 0}, {200000, 90000, 0}};
    for (const CurveCase& c : kCurves) {
        const std::vector<Point> full = Flatten(c, 1e7, 1e7, 0, 0);
        for (const Clip& clip : clips) {
            const std::vector<Point> part = Flatten(c, clip.w, clip.h, clip.margin, 0);
            size_t from = 0;
            for (const Point& q : part) {
                if (q.x < -clip.margin || q.x > clip.w + clip.margin || q.y < -clip.margin ||
                    q.y > clip.h + clip.margin) {
                    continue;
                }
                size_t k = from;
                while (k < full.size() && !(full[k].x == q.x && full[k].y == q.y)) {
                    ++k;
                }
                EXPECT_LT(k, full.size()) << c.name << " clip " << clip.w << " x " << clip.h
                                          << " point " << q.x << ", " << q.y;
                from = k < full.size() ? k : from;
            }
        }
    }
}

} // namespace
