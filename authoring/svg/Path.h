// Paths in floating point: the shape every SVG element becomes before it is transformed, dashed,
// stroked, clipped and written. Operations as in the drawing format: move, line, quadratic and
// cubic curves, close. Arcs are turned into cubics on the way in (at most 90 degrees per cubic,
// radii corrected as SVG requires when they are too small, a zero radius is a line).
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "authoring/svg/Transform.h"

namespace vemo::svg {

enum class Op : uint8_t { Move, Line, Quad, Cubic, Close };

struct Box {
    double x0 = 0, y0 = 0, x1 = -1, y1 = -1; // empty while x1 < x0
    bool Empty() const { return x1 < x0 || y1 < y0; }
    void Add(Point p);
    void Add(const Box& b);
    bool Overlaps(const Box& b) const;
    // The box around the transformed corners.
    Box Transformed(const Matrix& m) const;
    double Width() const { return Empty() ? 0 : x1 - x0; }
    double Height() const { return Empty() ? 0 : y1 - y0; }
};

struct Path {
    std::vector<Op> ops;
    std::vector<Point> pts;

    bool Empty() const { return ops.empty(); }
    void Clear() {
        ops.clear();
        pts.clear();
    }
    void MoveTo(Point p);
    void LineTo(Point p);
    void QuadTo(Point c, Point p);
    void CubicTo(Point c1, Point c2, Point p);
    void Close();
    // Arc from the current point, SVG's endpoint parameters; angle in degrees.
    void ArcTo(double rx, double ry, double angle, bool largeArc, bool sweep, Point p);
    void Append(const Path& other);

    // The current point (after a close: the start of that subpath). Only when not Empty().
    Point Current() const { return current; }
    Point SubpathStart() const { return start; }

    Path Transformed(const Matrix& m) const;
    // The box around the points, control points included (a little larger than the curve's).
    Box ControlBox() const;
    // The exact box around the curves.
    Box Bounds() const;

private:
    // Before a segment: a move to the current point where no subpath is open.
    void BeginSegment();

    Point current;
    Point start;
};

// The closed rectangle from (x, y), w wide and h high.
Path RectPath(double x, double y, double w, double h);

// Calls back for each subpath as a polyline: the curves divided until no point strays more than
// `tolerance` from the curve. `closed` tells whether the subpath ended with a close.
struct Polyline {
    std::vector<Point> points;
    bool closed = false;
};
void Flatten(const Path& path, double tolerance, std::vector<Polyline>* out);

// The number of line pieces Flatten would use for one cubic (at least 1).
int CubicPieces(Point p0, Point p1, Point p2, Point p3, double tolerance);

} // namespace vemo::svg
