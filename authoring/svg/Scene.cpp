#include "authoring/svg/Scene.h"

#include <math.h>

#include "authoring/svg/Paint.h"

namespace vemo::svg {

uint32_t Gradient::AverageColour() const {
    if (stops.empty()) {
        return 0;
    }
    // Integrates the piecewise linear colour over t in [0, 1], weighting colours by alpha.
    double sum[4] = {0, 0, 0, 0}; // alpha, red * alpha, green * alpha, blue * alpha
    auto channels = [](uint32_t c, double* v) {
        v[0] = double(c >> 24) / 255;
        v[1] = double((c >> 16) & 255) * v[0];
        v[2] = double((c >> 8) & 255) * v[0];
        v[3] = double(c & 255) * v[0];
    };
    double first[4], last[4];
    channels(stops.front().argb, first);
    channels(stops.back().argb, last);
    double lead = stops.front().offset < 0 ? 0 : stops.front().offset;
    double tail = stops.back().offset > 1 ? 0 : 1 - stops.back().offset;
    for (int k = 0; k < 4; ++k) {
        sum[k] += first[k] * lead + last[k] * tail;
    }
    for (size_t i = 0; i + 1 < stops.size(); ++i) {
        double a[4], b[4];
        channels(stops[i].argb, a);
        channels(stops[i + 1].argb, b);
        double w = stops[i + 1].offset - stops[i].offset;
        for (int k = 0; k < 4; ++k) {
            sum[k] += (a[k] + b[k]) / 2 * w;
        }
    }
    if (sum[0] <= 0) {
        return 0;
    }
    auto byte = [](double v) { return uint8_t(v <= 0 ? 0 : (v >= 255 ? 255 : lround(v))); };
    return Argb(byte(sum[0] * 255), byte(sum[1] / sum[0]), byte(sum[2] / sum[0]),
                byte(sum[3] / sum[0]));
}

bool ScenePaint::Visible() const {
    if (kind == Kind::Solid) {
        return AlphaOf(argb) != 0;
    }
    if (kind == Kind::Gradient) {
        for (const GradientStop& s : gradient->stops) {
            if (AlphaOf(s.argb) != 0) {
                return true;
            }
        }
    }
    return false;
}

void ScenePaint::ScaleAlpha(double factor) {
    if (factor >= 1) {
        return;
    }
    if (kind == Kind::Solid) {
        argb = svg::ScaleAlpha(argb, factor);
    } else if (kind == Kind::Gradient) {
        std::shared_ptr<Gradient> g = std::make_shared<Gradient>(*gradient);
        for (GradientStop& s : g->stops) {
            s.argb = svg::ScaleAlpha(s.argb, factor);
        }
        gradient = g;
    }
}

Box SceneItem::InkBox() const {
    Box b = path.ControlBox();
    if (Stroked() && !b.Empty()) {
        // Miters reach at most limit * width / 2 beyond the path; square caps w / sqrt(2).
        double reach = strokeWidth / 2 * (join == 0 ? (miterLimit > 1.5 ? miterLimit : 1.5) : 1.5);
        b.x0 -= reach;
        b.y0 -= reach;
        b.x1 += reach;
        b.y1 += reach;
    }
    return b;
}

} // namespace vemo::svg
