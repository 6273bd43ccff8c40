// Affine matrices and the SVG transform attribute.
//
// A matrix maps (x, y) to (a x + c y + e, b x + d y + f), as SVG writes matrix(a b c d e f).
// Product order: (P * Q) applies Q first, then P, so an element's user space maps to its
// parent's by Parent * Own. A transform list is applied right to left: "translate(10) scale(2)"
// scales first. A list with a syntax error is ignored whole (the identity), as browsers do.
#pragma once

#include <string_view>

namespace vemo::svg {

struct Point {
    double x = 0;
    double y = 0;
};

struct Matrix {
    double a = 1, b = 0, c = 0, d = 1, e = 0, f = 0;

    Point Apply(Point p) const { return {a * p.x + c * p.y + e, b * p.x + d * p.y + f}; }
    // The linear part only (directions, not positions).
    Point ApplyVector(Point p) const { return {a * p.x + c * p.y, b * p.x + d * p.y}; }
    Matrix operator*(const Matrix& q) const;
    double Determinant() const { return a * d - b * c; }
    bool Invert(Matrix* out) const;
    bool IsFinite() const;
    // The geometric mean of the two scale factors: sqrt(|det|).
    double MeanScale() const;
    // The largest factor by which a length can grow.
    double MaxScale() const;
    // True when lengths scale the same in every direction (rotation, uniform scale, mirror):
    // a stroke width then transforms into one width.
    bool IsSimilarity() const;

    static Matrix Translate(double tx, double ty) { return {1, 0, 0, 1, tx, ty}; }
    static Matrix Scale(double sx, double sy) { return {sx, 0, 0, sy, 0, 0}; }
    static Matrix Rotate(double degrees);
    static Matrix SkewX(double degrees);
    static Matrix SkewY(double degrees);
};

// Parses a transform list into *m. False (and *m the identity) on a syntax error.
bool ParseTransform(std::string_view text, Matrix* m);

} // namespace vemo::svg
