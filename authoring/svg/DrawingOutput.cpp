#include "authoring/svg/DrawingOutput.h"

#include <math.h>
#include <string.h>

#include "authoring/svg/Paint.h"
#include "renderer/DrawingFormat.h"
#include "renderer/DrawingWriter.h"

namespace vemo::svg {

namespace {

const double kCoordinateLimit = double(1 << 30);
const uint32_t kMaxPathPoints = (kMaxPathRecordBytes - 4) / 9;

int32_t Coordinate(double v) {
    if (!(v > -kCoordinateLimit)) {
        return -(1 << 30);
    }
    if (!(v < kCoordinateLimit)) {
        return 1 << 30;
    }
    return int32_t(lround(v));
}

int32_t Fixed16(double v) {
    double s = v * 65536;
    if (!(s > -2147483647.0)) {
        return -2147483647;
    }
    if (!(s < 2147483647.0)) {
        return 2147483647;
    }
    return int32_t(lround(s));
}

// The gradient record (drawing format 1.6), at most 256 stops.
void WriteGradient(DrawingWriter& w, uint8_t target, const Gradient& g) {
    std::vector<svg::GradientStop> stops = g.stops;
    if (stops.size() > kMaxGradientStops) {
        // Keep evenly chosen stops, the first and the last among them.
        std::vector<svg::GradientStop> fewer;
        for (size_t i = 0; i < kMaxGradientStops; ++i) {
            fewer.push_back(stops[i * (stops.size() - 1) / (kMaxGradientStops - 1)]);
        }
        stops.swap(fewer);
    }
    std::vector<vemo::GradientStop> out(stops.size());
    uint32_t previous = 0;
    for (size_t i = 0; i < stops.size(); ++i) {
        double o = stops[i].offset;
        uint32_t off = o <= 0 ? 0 : (o >= 1 ? kGradientStopOne : uint32_t(lround(o * kGradientStopOne)));
        previous = off = off < previous ? previous : off;
        out[i] = vemo::GradientStop{off, stops[i].argb};
    }
    GradientPaint p;
    p.target = target;
    p.kind = g.kind;
    p.spread = g.spread;
    p.ox = Coordinate(g.o.x);
    p.oy = Coordinate(g.o.y);
    p.ux = Coordinate(g.u.x);
    p.uy = Coordinate(g.u.y);
    p.vx = Coordinate(g.v.x);
    p.vy = Coordinate(g.v.y);
    p.fx = g.kind == kGradientRadial ? Fixed16(g.fx) : 0;
    p.fy = g.kind == kGradientRadial ? Fixed16(g.fy) : 0;
    p.stops = out.data();
    p.stopCount = uint32_t(out.size());
    w.Gradient(p);
}

struct StrokeState {
    uint32_t argb = 0;
    int32_t width = 0;
    uint8_t join = 0, cap = 0;
    uint32_t miter = 4u << 16;
    bool operator==(const StrokeState& o) const {
        return argb == o.argb && width == o.width && join == o.join && cap == o.cap &&
               miter == o.miter;
    }
};

} // namespace

bool WriteDrawing(const Scene& scene, const DocRect& bounds, const DocRect& view,
                  uint32_t keepAspect, const OutputLimits& limits, std::vector<uint8_t>* out,
                  OutputResult* result, std::string* error) {
    out->clear();
    bool gradients = false;
    for (const SceneItem& item : scene.items) {
        gradients = gradients || item.fill.kind == ScenePaint::Kind::Gradient ||
                    item.stroke.kind == ScenePaint::Kind::Gradient;
    }
    DrawingWriter w(1, gradients ? kGradientMinor : 5);
    w.Bounds(bounds);
    w.DefaultView(view, keepAspect);

    // The reader's initial state.
    uint32_t fill = 0xFF000000;
    const Gradient* fillGradient = nullptr;
    uint8_t rule = 0;
    StrokeState stroke;
    const Gradient* strokeGradient = nullptr;
    int link = -1;
    size_t objects = 0;

    for (const SceneItem& item : scene.items) {
        bool fillOn = item.fill.Visible();
        bool strokeOn = item.Stroked();
        if ((!fillOn && !strokeOn) || item.path.Empty()) {
            continue;
        }
        if (item.path.pts.size() > kMaxPathPoints) {
            ++result->oversizedPaths;
            continue;
        }
        if (++objects > kMaxObjects) {
            *error = "the drawing would hold more than " + std::to_string(kMaxObjects) + " objects";
            out->clear();
            return false;
        }
        if (item.link != link) {
            if (item.link >= 0 && size_t(item.link) >= scene.links.size()) {
                *error = "an object names link " + std::to_string(item.link) + " of " +
                         std::to_string(scene.links.size());
                out->clear();
                return false;
            }
            link = item.link;
            w.Link(link >= 0 ? scene.links[size_t(link)].c_str() : nullptr);
        }
        // Fill.
        if (!fillOn) {
            if (AlphaOf(fill) != 0 || fillGradient != nullptr) {
                fill = 0;
                fillGradient = nullptr;
                w.FillColour(0);
            }
        } else if (item.fill.kind == ScenePaint::Kind::Solid) {
            if (fill != item.fill.argb || fillGradient != nullptr) {
                fill = item.fill.argb;
                fillGradient = nullptr;
                w.FillColour(fill);
            }
        } else if (fillGradient != item.fill.gradient.get()) {
            fill = item.fill.gradient->AverageColour();
            w.FillColour(fill);
            fillGradient = item.fill.gradient.get();
            WriteGradient(w, kPaintFill, *fillGradient);
        }
        if (fillOn && item.fillRule != rule) {
            rule = item.fillRule;
            w.FillRule(rule);
        }
        // Stroke.
        StrokeState want;
        const Gradient* wantGradient = nullptr;
        if (strokeOn) {
            double width = item.strokeWidth;
            want.width = width < 1 ? 1 : (width > kMaxStrokeWidth ? kMaxStrokeWidth : int32_t(lround(width)));
            want.join = item.join;
            want.cap = item.cap;
            double m = item.miterLimit < 1 ? 1 : (item.miterLimit > 1000 ? 1000 : item.miterLimit);
            want.miter = uint32_t(lround(m * 65536));
            if (item.stroke.kind == ScenePaint::Kind::Solid) {
                want.argb = item.stroke.argb;
            } else {
                wantGradient = item.stroke.gradient.get();
                want.argb = wantGradient->AverageColour();
            }
        }
        if (!strokeOn) {
            if (AlphaOf(stroke.argb) != 0 || strokeGradient != nullptr) {
                stroke = StrokeState();
                strokeGradient = nullptr;
                w.NoStroke();
            }
        } else if (!(want == stroke) || strokeGradient != wantGradient) {
            if (!(want == stroke) || (strokeGradient != nullptr && wantGradient == nullptr)) {
                w.Stroke(want.argb, want.width, want.join, want.cap, want.miter);
                stroke = want;
                strokeGradient = nullptr;
            }
            if (wantGradient != nullptr) {
                WriteGradient(w, kPaintStroke, *wantGradient);
                strokeGradient = wantGradient;
            }
        }
        // The path.
        size_t pi = 0;
        const std::vector<Point>& p = item.path.pts;
        for (Op op : item.path.ops) {
            switch (op) {
            case Op::Move:
                w.MoveTo(Coordinate(p[pi].x), Coordinate(p[pi].y));
                pi += 1;
                break;
            case Op::Line:
                w.LineTo(Coordinate(p[pi].x), Coordinate(p[pi].y));
                pi += 1;
                break;
            case Op::Quad:
                w.QuadTo(Coordinate(p[pi].x), Coordinate(p[pi].y), Coordinate(p[pi + 1].x),
                         Coordinate(p[pi + 1].y));
                pi += 2;
                break;
            case Op::Cubic:
                w.CubicTo(Coordinate(p[pi].x), Coordinate(p[pi].y), Coordinate(p[pi + 1].x),
                          Coordinate(p[pi + 1].y), Coordinate(p[pi + 2].x),
                          Coordinate(p[pi + 2].y));
                pi += 3;
                break;
            case Op::Close:
                w.Close();
                break;
            }
        }
        w.EndPath();
        if (!w.Ok()) {
            *error = "out of memory while writing the drawing";
            return false;
        }
        if (w.Size() > limits.maxBytes) {
            *error = "the drawing would be larger than " + std::to_string(limits.maxBytes >> 20) +
                     " MiB";
            return false;
        }
    }
    if (!w.Ok()) {
        *error = "out of memory while writing the drawing";
        return false;
    }
    out->assign(w.Data(), w.Data() + w.Size());
    return true;
}

} // namespace vemo::svg
