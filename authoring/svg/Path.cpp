#include "authoring/svg/Path.h"

#include <math.h>

#include <algorithm>

namespace vemo::svg {

static const double kPi = 3.14159265358979323846;

void Box::Add(Point p) {
    if (Empty()) {
        x0 = x1 = p.x;
        y0 = y1 = p.y;
        return;
    }
    x0 = std::min(x0, p.x);
    y0 = std::min(y0, p.y);
    x1 = std::max(x1, p.x);
    y1 = std::max(y1, p.y);
}

void Box::Add(const Box& b) {
    if (b.Empty()) {
        return;
    }
    Add(Point{b.x0, b.y0});
    Add(Point{b.x1, b.y1});
}

Box Box::Transformed(const Matrix& m) const {
    Box b;
    if (Empty()) {
        return b;
    }
    b.Add(m.Apply({x0, y0}));
    b.Add(m.Apply({x1, y0}));
    b.Add(m.Apply({x0, y1}));
    b.Add(m.Apply({x1, y1}));
    return b;
}

bool Box::Overlaps(const Box& b) const {
    return !Empty() && !b.Empty() && x0 < b.x1 && b.x0 < x1 && y0 < b.y1 && b.y0 < y1;
}

void Path::MoveTo(Point p) {
    // Consecutive moves: only the last one counts.
    if (!ops.empty() && ops.back() == Op::Move) {
        pts.back() = p;
    } else {
        ops.push_back(Op::Move);
        pts.push_back(p);
    }
    current = start = p;
}

void Path::BeginSegment() {
    if (ops.empty()) {
        MoveTo(current);
    } else if (ops.back() == Op::Close) {
        MoveTo(start);
    }
}

void Path::LineTo(Point p) {
    BeginSegment();
    ops.push_back(Op::Line);
    pts.push_back(p);
    current = p;
}

void Path::QuadTo(Point c, Point p) {
    BeginSegment();
    ops.push_back(Op::Quad);
    pts.push_back(c);
    pts.push_back(p);
    current = p;
}

void Path::CubicTo(Point c1, Point c2, Point p) {
    BeginSegment();
    ops.push_back(Op::Cubic);
    pts.push_back(c1);
    pts.push_back(c2);
    pts.push_back(p);
    current = p;
}

void Path::Close() {
    if (ops.empty() || ops.back() == Op::Close) {
        return;
    }
    ops.push_back(Op::Close);
    current = start;
}

Path RectPath(double x, double y, double w, double h) {
    Path p;
    p.MoveTo({x, y});
    p.LineTo({x + w, y});
    p.LineTo({x + w, y + h});
    p.LineTo({x, y + h});
    p.Close();
    return p;
}

static double VectorAngle(double ux, double uy, double vx, double vy) {
    return atan2(ux * vy - uy * vx, ux * vx + uy * vy);
}

void Path::ArcTo(double rx, double ry, double angle, bool largeArc, bool sweep, Point p) {
    Point p0 = current;
    if (ops.empty()) {
        MoveTo(p0);
    }
    if (p0.x == p.x && p0.y == p.y) {
        return; // the arc is omitted
    }
    rx = fabs(rx);
    ry = fabs(ry);
    if (rx == 0 || ry == 0) {
        LineTo(p);
        return;
    }
    double phi = fmod(angle, 360) * kPi / 180;
    double cs = cos(phi);
    double sn = sin(phi);
    double hx = (p0.x - p.x) / 2;
    double hy = (p0.y - p.y) / 2;
    double x1 = cs * hx + sn * hy;
    double y1 = -sn * hx + cs * hy;
    double lambda = (x1 * x1) / (rx * rx) + (y1 * y1) / (ry * ry);
    if (lambda > 1) {
        double s = sqrt(lambda);
        rx *= s;
        ry *= s;
    }
    double num = rx * rx * ry * ry - rx * rx * y1 * y1 - ry * ry * x1 * x1;
    double den = rx * rx * y1 * y1 + ry * ry * x1 * x1;
    double coef = den > 0 && num > 0 ? sqrt(num / den) : 0;
    if (largeArc == sweep) {
        coef = -coef;
    }
    double cx1 = coef * rx * y1 / ry;
    double cy1 = -coef * ry * x1 / rx;
    double cx = cs * cx1 - sn * cy1 + (p0.x + p.x) / 2;
    double cy = sn * cx1 + cs * cy1 + (p0.y + p.y) / 2;
    double theta = VectorAngle(1, 0, (x1 - cx1) / rx, (y1 - cy1) / ry);
    double delta = VectorAngle((x1 - cx1) / rx, (y1 - cy1) / ry, (-x1 - cx1) / rx, (-y1 - cy1) / ry);
    if (!sweep && delta > 0) {
        delta -= 2 * kPi;
    } else if (sweep && delta < 0) {
        delta += 2 * kPi;
    }
    if (!isfinite(delta) || !isfinite(cx) || !isfinite(cy)) {
        LineTo(p);
        return;
    }
    int n = int(ceil(fabs(delta) / (kPi / 2) - 1e-9));
    n = std::max(1, std::min(n, 4));
    double step = delta / n;
    double k = 4.0 / 3.0 * tan(step / 4);
    auto onEllipse = [&](double ux, double uy) {
        double ex = rx * ux;
        double ey = ry * uy;
        return Point{cs * ex - sn * ey + cx, sn * ex + cs * ey + cy};
    };
    double t = theta;
    for (int i = 0; i < n; ++i) {
        double c0 = cos(t), s0 = sin(t);
        double t1 = t + step;
        double c1 = cos(t1), s1 = sin(t1);
        Point a = onEllipse(c0 - k * s0, s0 + k * c0);
        Point b = onEllipse(c1 + k * s1, s1 - k * c1);
        Point e = i == n - 1 ? p : onEllipse(c1, s1);
        CubicTo(a, b, e);
        t = t1;
    }
}

void Path::Append(const Path& other) {
    ops.insert(ops.end(), other.ops.begin(), other.ops.end());
    pts.insert(pts.end(), other.pts.begin(), other.pts.end());
    if (!other.ops.empty()) {
        current = other.current;
        start = other.start;
    }
}

Path Path::Transformed(const Matrix& m) const {
    Path out;
    out.ops = ops;
    out.pts.resize(pts.size());
    for (size_t i = 0; i < pts.size(); ++i) {
        out.pts[i] = m.Apply(pts[i]);
    }
    out.current = m.Apply(current);
    out.start = m.Apply(start);
    return out;
}

Box Path::ControlBox() const {
    Box b;
    for (const Point& p : pts) {
        b.Add(p);
    }
    return b;
}

// Adds the extremes of one coordinate of a cubic (p0 p1 p2 p3) between t = 0 and 1.
static void CubicExtremes(double p0, double p1, double p2, double p3, double* ts, int* n) {
    double a = -p0 + 3 * p1 - 3 * p2 + p3;
    double b = 2 * (p0 - 2 * p1 + p2);
    double c = p1 - p0;
    // derivative / 3 = a t^2 + b t + c
    if (fabs(a) < 1e-12) {
        if (fabs(b) > 1e-12) {
            double t = -c / b;
            if (t > 0 && t < 1) {
                ts[(*n)++] = t;
            }
        }
        return;
    }
    double disc = b * b - 4 * a * c;
    if (disc < 0) {
        return;
    }
    double r = sqrt(disc);
    double t1 = (-b + r) / (2 * a);
    double t2 = (-b - r) / (2 * a);
    if (t1 > 0 && t1 < 1) {
        ts[(*n)++] = t1;
    }
    if (t2 > 0 && t2 < 1) {
        ts[(*n)++] = t2;
    }
}

static Point CubicAt(Point p0, Point p1, Point p2, Point p3, double t) {
    double u = 1 - t;
    double a = u * u * u, b = 3 * u * u * t, c = 3 * u * t * t, d = t * t * t;
    return {a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y};
}

Box Path::Bounds() const {
    Box b;
    size_t pi = 0;
    Point last;
    auto addCubic = [&](Point c1, Point c2, Point e) {
        double ts[4];
        int n = 0;
        CubicExtremes(last.x, c1.x, c2.x, e.x, ts, &n);
        CubicExtremes(last.y, c1.y, c2.y, e.y, ts, &n);
        for (int i = 0; i < n; ++i) {
            b.Add(CubicAt(last, c1, c2, e, ts[i]));
        }
        b.Add(e);
        last = e;
    };
    for (Op op : ops) {
        switch (op) {
        case Op::Move:
        case Op::Line:
            last = pts[pi++];
            b.Add(last);
            break;
        case Op::Quad: {
            Point c = pts[pi], e = pts[pi + 1];
            pi += 2;
            // A quadratic is the cubic with controls two thirds of the way to its control.
            addCubic({last.x + 2.0 / 3 * (c.x - last.x), last.y + 2.0 / 3 * (c.y - last.y)},
                     {e.x + 2.0 / 3 * (c.x - e.x), e.y + 2.0 / 3 * (c.y - e.y)}, e);
            break;
        }
        case Op::Cubic:
            addCubic(pts[pi], pts[pi + 1], pts[pi + 2]);
            pi += 3;
            break;
        case Op::Close:
            break;
        }
    }
    return b;
}

static const int kMaxPiecesPerCurve = 4096;

int CubicPieces(Point p0, Point p1, Point p2, Point p3, double tolerance) {
    double ax = p0.x - 2 * p1.x + p2.x, ay = p0.y - 2 * p1.y + p2.y;
    double bx = p1.x - 2 * p2.x + p3.x, by = p1.y - 2 * p2.y + p3.y;
    double dd = std::max(sqrt(ax * ax + ay * ay), sqrt(bx * bx + by * by));
    double n = ceil(sqrt(3 * dd / (4 * tolerance)));
    if (!(n >= 1)) {
        return 1;
    }
    return n > kMaxPiecesPerCurve ? kMaxPiecesPerCurve : int(n);
}

void Flatten(const Path& path, double tolerance, std::vector<Polyline>* out) {
    size_t pi = 0;
    Polyline* cur = nullptr;
    Point last;
    Point start;
    for (Op op : path.ops) {
        switch (op) {
        case Op::Move:
            out->emplace_back();
            cur = &out->back();
            last = start = path.pts[pi++];
            cur->points.push_back(last);
            break;
        case Op::Line:
            last = path.pts[pi++];
            cur->points.push_back(last);
            break;
        case Op::Quad: {
            Point c = path.pts[pi], e = path.pts[pi + 1];
            pi += 2;
            double dx = last.x - 2 * c.x + e.x, dy = last.y - 2 * c.y + e.y;
            double nn = ceil(sqrt(sqrt(dx * dx + dy * dy) / (4 * tolerance)));
            int n = !(nn >= 1) ? 1 : (nn > kMaxPiecesPerCurve ? kMaxPiecesPerCurve : int(nn));
            for (int i = 1; i < n; ++i) {
                double t = double(i) / n, u = 1 - t;
                cur->points.push_back({u * u * last.x + 2 * u * t * c.x + t * t * e.x,
                                       u * u * last.y + 2 * u * t * c.y + t * t * e.y});
            }
            cur->points.push_back(e);
            last = e;
            break;
        }
        case Op::Cubic: {
            Point c1 = path.pts[pi], c2 = path.pts[pi + 1], e = path.pts[pi + 2];
            pi += 3;
            int n = CubicPieces(last, c1, c2, e, tolerance);
            for (int i = 1; i < n; ++i) {
                cur->points.push_back(CubicAt(last, c1, c2, e, double(i) / n));
            }
            cur->points.push_back(e);
            last = e;
            break;
        }
        case Op::Close:
            cur->closed = true;
            last = start;
            break;
        }
    }
}

} // namespace vemo::svg
