#include "authoring/svg/Transform.h"

#include <math.h>

#include "authoring/svg/Values.h"

namespace vemo::svg {

static const double kPi = 3.14159265358979323846;

Matrix Matrix::operator*(const Matrix& q) const {
    Matrix r;
    r.a = a * q.a + c * q.b;
    r.b = b * q.a + d * q.b;
    r.c = a * q.c + c * q.d;
    r.d = b * q.c + d * q.d;
    r.e = a * q.e + c * q.f + e;
    r.f = b * q.e + d * q.f + f;
    return r;
}

bool Matrix::Invert(Matrix* out) const {
    double det = Determinant();
    if (!isfinite(det) || fabs(det) < 1e-300) {
        return false;
    }
    Matrix r;
    r.a = d / det;
    r.b = -b / det;
    r.c = -c / det;
    r.d = a / det;
    r.e = (c * f - d * e) / det;
    r.f = (b * e - a * f) / det;
    if (!r.IsFinite()) {
        return false;
    }
    *out = r;
    return true;
}

bool Matrix::IsFinite() const {
    return isfinite(a) && isfinite(b) && isfinite(c) && isfinite(d) && isfinite(e) &&
           isfinite(f);
}

double Matrix::MeanScale() const { return sqrt(fabs(Determinant())); }

double Matrix::MaxScale() const {
    // The largest singular value of [a c; b d].
    double p = a * a + b * b + c * c + d * d;
    double det = Determinant();
    double disc = p * p - 4 * det * det;
    return sqrt((p + sqrt(disc > 0 ? disc : 0)) / 2);
}

bool Matrix::IsSimilarity() const {
    // The columns are orthogonal and of equal length.
    double l1 = a * a + b * b;
    double l2 = c * c + d * d;
    double dot = a * c + b * d;
    double scale = l1 > l2 ? l1 : l2;
    if (scale == 0) {
        return true;
    }
    return fabs(l1 - l2) <= 1e-6 * scale && fabs(dot) <= 1e-6 * scale;
}

Matrix Matrix::Rotate(double degrees) {
    double r = degrees * kPi / 180;
    double cs = cos(r);
    double sn = sin(r);
    return {cs, sn, -sn, cs, 0, 0};
}

Matrix Matrix::SkewX(double degrees) { return {1, 0, tan(degrees * kPi / 180), 1, 0, 0}; }

Matrix Matrix::SkewY(double degrees) { return {1, tan(degrees * kPi / 180), 0, 1, 0, 0}; }

bool ParseTransform(std::string_view text, Matrix* m) {
    *m = Matrix();
    Matrix total;
    Scanner scan(text);
    scan.SkipSpace();
    while (!scan.AtEnd()) {
        std::string_view name = scan.Word();
        scan.SkipSpace();
        if (name.empty() || !scan.Consume('(')) {
            return false;
        }
        double v[6];
        int n = 0;
        scan.SkipSpace();
        while (n < 6 && scan.Number(&v[n])) {
            ++n;
            scan.SkipCommaSpace();
        }
        if (!scan.Consume(')')) {
            return false;
        }
        Matrix t;
        if (name == "matrix" && n == 6) {
            t = Matrix{v[0], v[1], v[2], v[3], v[4], v[5]};
        } else if (name == "translate" && (n == 1 || n == 2)) {
            t = Matrix::Translate(v[0], n == 2 ? v[1] : 0);
        } else if (name == "scale" && (n == 1 || n == 2)) {
            t = Matrix::Scale(v[0], n == 2 ? v[1] : v[0]);
        } else if (name == "rotate" && (n == 1 || n == 3)) {
            t = Matrix::Rotate(v[0]);
            if (n == 3) {
                t = Matrix::Translate(v[1], v[2]) * t * Matrix::Translate(-v[1], -v[2]);
            }
        } else if (name == "skewX" && n == 1) {
            t = Matrix::SkewX(v[0]);
        } else if (name == "skewY" && n == 1) {
            t = Matrix::SkewY(v[0]);
        } else {
            return false;
        }
        total = total * t;
        scan.SkipCommaSpace();
    }
    if (!total.IsFinite()) {
        return false;
    }
    *m = total;
    return true;
}

} // namespace vemo::svg
