// The rasteriser against cairo: the same generated scenes, drawn by both in the same run into
// 1024 x 768 frames. Prints the best time of several runs for each, their ratio, and how far
// the two pictures differ (mean and largest channel difference), plus a blank-frame fill as
// the memory-bandwidth floor. Times are the thread's processor time, so that other work on a
// shared machine does not count.
//
//   bench_renderer_raster [runs]
#include "renderer/raster/Raster.h"

#include <cairo.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <vector>

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;
constexpr double kPi = 3.14159265358979323846;

struct Command {
    uint8_t verb;
    int32_t p[6]; // 24.8
};

struct Object {
    int32_t stroke;
    uint32_t colour;
    FillRule rule;
    StrokeStyle style;
    size_t first;
    size_t count;
    int32_t gradient = -1; // into Scene::gradients: paints instead of the colour
};

// A gradient paint and its stops (RasterGradient's pointer is set when it is drawn).
struct GradientPaint {
    RasterGradient g;
    std::vector<RasterGradientStop> stops;
};

struct Scene {
    const char* name;
    std::vector<Command> commands;
    std::vector<Object> objects;
    std::vector<GradientPaint> gradients;
    size_t begun = 0;

    // Paints the last object with a gradient.
    void Shade(GradientShape shape, GradientSpread spread, double ox, double oy, double ux,
               double uy, double vx, double vy, double fx, double fy,
               std::vector<RasterGradientStop> stops) {
        gradients.push_back(
            GradientPaint{{shape, spread, ox, oy, ux, uy, vx, vy, fx, fy, nullptr, 0}, stops});
        objects.back().gradient = int32_t(gradients.size() - 1);
    }
    void Begin() { begun = commands.size(); }
    void Move(double x, double y) { commands.push_back({kVerbMove, {Fx(x), Fx(y), 0, 0, 0, 0}}); }
    void Line(double x, double y) { commands.push_back({kVerbLine, {Fx(x), Fx(y), 0, 0, 0, 0}}); }
    void Cubic(double a, double b, double c, double d, double e, double f) {
        commands.push_back({kVerbCubic, {Fx(a), Fx(b), Fx(c), Fx(d), Fx(e), Fx(f)}});
    }
    void Close() { commands.push_back({kVerbClose, {0, 0, 0, 0, 0, 0}}); }
    void Fill(uint32_t colour, FillRule rule = FillRule::NonZero) {
        objects.push_back(Object{0, colour, rule, StrokeStyle{}, begun, commands.size() - begun});
    }
    void Stroke(uint32_t colour, double width, LineJoin join, LineCap cap) {
        StrokeStyle style{Fx(width), join, cap, 4 << 16};
        objects.push_back(
            Object{1, colour, FillRule::NonZero, style, begun, commands.size() - begun});
    }
    static int32_t Fx(double v) { return int32_t(lround(v * kRasterOne)); }

    // A circle of four cubics.
    void Circle(double cx, double cy, double r) {
        const double k = 0.5522847498 * r;
        Move(cx + r, cy);
        Cubic(cx + r, cy + k, cx + k, cy + r, cx, cy + r);
        Cubic(cx - k, cy + r, cx - r, cy + k, cx - r, cy);
        Cubic(cx - r, cy - k, cx - k, cy - r, cx, cy - r);
        Cubic(cx + k, cy - r, cx + r, cy - k, cx + r, cy);
        Close();
    }
};

struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33);
    }
    double Uniform(double lo, double hi) { return lo + (hi - lo) * (Next() / 2147483648.0); }
    uint32_t Colour(uint32_t alpha) { return (alpha << 24) | (Next() & 0xFFFFFF); }
};

Scene SmallFills() {
    Scene s;
    s.name = "many small fills";
    Random rnd;
    for (int i = 0; i < 20000; ++i) {
        double x = rnd.Uniform(0, kWidth), y = rnd.Uniform(0, kHeight);
        double r = rnd.Uniform(2, 10);
        uint32_t alpha = (i % 3) ? 255 : 160;
        s.Begin();
        if (i % 2) {
            s.Circle(x, y, r);
        } else {
            int n = 3 + int(rnd.Next() % 5);
            for (int k = 0; k < n; ++k) {
                double a = 2 * kPi * k / n + rnd.Uniform(0, 0.5);
                double rr = r * rnd.Uniform(0.6, 1.4);
                if (k == 0)
                    s.Move(x + rr * cos(a), y + rr * sin(a));
                else
                    s.Line(x + rr * cos(a), y + rr * sin(a));
            }
            s.Close();
        }
        s.Fill(rnd.Colour(alpha));
    }
    return s;
}

Scene HugeShapes() {
    Scene s;
    s.name = "few huge shapes";
    Random rnd;
    // A rotated rectangle larger than the frame, a big circle, a star (even-odd), a wedge.
    s.Begin();
    s.Move(-300, 100);
    s.Line(900, -250);
    s.Line(1350, 700);
    s.Line(150, 1050);
    s.Close();
    s.Fill(0xFF3060A0u);
    s.Begin();
    s.Circle(512, 384, 350);
    s.Fill(0xFFE0C040u);
    s.Begin();
    for (int k = 0; k < 5; ++k) {
        double a = -kPi / 2 + k * 4 * kPi / 5;
        if (k == 0)
            s.Move(512 + 380 * cos(a), 384 + 380 * sin(a));
        else
            s.Line(512 + 380 * cos(a), 384 + 380 * sin(a));
    }
    s.Close();
    s.Fill(0xA0208040u, FillRule::EvenOdd);
    s.Begin();
    s.Move(0, 768);
    s.Line(1024, 0);
    s.Line(1024, 768);
    s.Close();
    s.Fill(0x80C02020u);
    s.Begin();
    s.Circle(200, 600, 500);
    s.Fill(0xFF40A0A0u);
    (void)rnd;
    return s;
}

Scene ThinStrokes() {
    Scene s;
    s.name = "thin strokes";
    Random rnd;
    for (int i = 0; i < 5000; ++i) {
        s.Begin();
        double x = rnd.Uniform(0, kWidth), y = rnd.Uniform(0, kHeight);
        s.Move(x, y);
        int n = 1 + int(rnd.Next() % 4);
        for (int k = 0; k < n; ++k) {
            x += rnd.Uniform(-60, 60);
            y += rnd.Uniform(-60, 60);
            s.Line(x, y);
        }
        s.Stroke(rnd.Colour(255), rnd.Uniform(0.3, 1.5), LineJoin::Miter, LineCap::Butt);
    }
    return s;
}

Scene TownMap() {
    Scene s;
    s.name = "town map";
    Random rnd;
    // Districts: a jittered grid of polygons with many vertices, then parks (curves), then
    // roads (wide strokes with round joins), then paths (thin strokes), then a river.
    const int cols = 24, rows = 18;
    double gx[cols + 1][rows + 1], gy[cols + 1][rows + 1];
    for (int i = 0; i <= cols; ++i)
        for (int j = 0; j <= rows; ++j) {
            gx[i][j] = i * kWidth / double(cols) + ((i % cols) ? rnd.Uniform(-10, 10) : 0);
            gy[i][j] = j * kHeight / double(rows) + ((j % rows) ? rnd.Uniform(-10, 10) : 0);
        }
    for (int i = 0; i < cols; ++i)
        for (int j = 0; j < rows; ++j) {
            s.Begin();
            double cx[4] = {gx[i][j], gx[i + 1][j], gx[i + 1][j + 1], gx[i][j + 1]};
            double cy[4] = {gy[i][j], gy[i + 1][j], gy[i + 1][j + 1], gy[i][j + 1]};
            for (int e = 0; e < 4; ++e) {
                double x0 = cx[e], y0 = cy[e], x1 = cx[(e + 1) % 4], y1 = cy[(e + 1) % 4];
                for (int k = 0; k < 6; ++k) {
                    double t = k / 6.0;
                    double x = x0 + (x1 - x0) * t + (k ? rnd.Uniform(-1.5, 1.5) : 0);
                    double y = y0 + (y1 - y0) * t + (k ? rnd.Uniform(-1.5, 1.5) : 0);
                    if (e == 0 && k == 0)
                        s.Move(x, y);
                    else
                        s.Line(x, y);
                }
            }
            s.Close();
            s.Fill(0xFF000000u | (0xE0 + rnd.Next() % 0x20) << 16 |
                   (0xD8 + rnd.Next() % 0x20) << 8 | (0xC0 + rnd.Next() % 0x20));
        }
    for (int i = 0; i < 60; ++i) {
        s.Begin();
        s.Circle(rnd.Uniform(0, kWidth), rnd.Uniform(0, kHeight), rnd.Uniform(8, 40));
        s.Fill(0xFF90C878u);
    }
    for (int i = 0; i < 800; ++i) { // buildings
        s.Begin();
        double x = rnd.Uniform(0, kWidth), y = rnd.Uniform(0, kHeight);
        double w = rnd.Uniform(4, 14), h = rnd.Uniform(4, 14), a = rnd.Uniform(0, kPi);
        double c = cos(a), si = sin(a);
        s.Move(x, y);
        s.Line(x + w * c, y + w * si);
        s.Line(x + w * c - h * si, y + w * si + h * c);
        s.Line(x - h * si, y + h * c);
        s.Close();
        s.Fill(0xFFB0A090u);
    }
    for (int i = 0; i <= cols; ++i) { // main roads along the grid
        s.Begin();
        for (int j = 0; j <= rows; ++j)
            j ? s.Line(gx[i][j], gy[i][j]) : s.Move(gx[i][j], gy[i][j]);
        s.Stroke(0xFFFFFFFFu, (i % 4) ? 3 : 7, LineJoin::Round, LineCap::Round);
    }
    for (int j = 0; j <= rows; ++j) {
        s.Begin();
        for (int i = 0; i <= cols; ++i)
            i ? s.Line(gx[i][j], gy[i][j]) : s.Move(gx[i][j], gy[i][j]);
        s.Stroke(0xFFFFFFFFu, (j % 4) ? 3 : 7, LineJoin::Round, LineCap::Round);
    }
    for (int i = 0; i < 1500; ++i) { // footpaths and borders
        s.Begin();
        double x = rnd.Uniform(0, kWidth), y = rnd.Uniform(0, kHeight);
        s.Move(x, y);
        s.Cubic(x + rnd.Uniform(-30, 30), y + rnd.Uniform(-30, 30), x + rnd.Uniform(-30, 30),
                y + rnd.Uniform(-30, 30), x + rnd.Uniform(-40, 40), y + rnd.Uniform(-40, 40));
        s.Stroke(0xFF606060u, 0.8, LineJoin::Bevel, LineCap::Butt);
    }
    s.Begin(); // the river
    s.Move(-50, 200);
    s.Cubic(200, 100, 300, 500, 520, 420);
    s.Cubic(740, 340, 800, 700, 1100, 650);
    s.Stroke(0xC04080E0u, 18, LineJoin::Round, LineCap::Butt);
    return s;
}

// Whole-frame gradients and many small shaded discs and rings, as drawings of clip-art have.
Scene Gradients(GradientShape shape) {
    Scene s;
    s.name = shape == GradientShape::Linear ? "linear gradients" : "radial gradients";
    const bool radial = shape == GradientShape::Radial;
    const std::vector<RasterGradientStop> two = {{0, 0xFF204080u}, {0x10000, 0xFFF0E0A0u}};
    const std::vector<RasterGradientStop> three = {
        {0x1000, 0xFFFF4000u}, {0x9000, 0x80FFFFFFu}, {0xE000, 0xFF002060u}};
    s.Begin();
    s.Move(0, 0);
    s.Line(kWidth, 0);
    s.Line(kWidth, kHeight);
    s.Line(0, kHeight);
    s.Close();
    s.Fill(0);
    s.Shade(shape, GradientSpread::Pad, 100, 50, 900, 700, -400, 900, radial ? 0.3 : 0, 0, two);
    s.Begin();
    s.Circle(512, 384, 360);
    s.Fill(0);
    s.Shade(shape, GradientSpread::Reflect, 512, 384, 600, 420, 480, 480, radial ? -0.4 : 0,
            radial ? 0.2 : 0, three);
    Random rnd;
    for (int i = 0; i < 400; ++i) {
        double x = rnd.Uniform(0, kWidth), y = rnd.Uniform(0, kHeight), r = rnd.Uniform(5, 40);
        s.Begin();
        s.Circle(x, y, r);
        if (i % 4 == 3)
            s.Stroke(0, r / 4, LineJoin::Round, LineCap::Round);
        else
            s.Fill(0);
        s.Shade(shape, i % 3 == 0 ? GradientSpread::Pad : GradientSpread(i % 3), x - r / 3,
                y - r / 2, x + r, y, x - r / 3, y + r / 2, radial ? 0.5 : 0, 0,
                i % 2 ? two : three);
    }
    return s;
}

double Now() {
    timespec t;
    // Processor time of this thread: the machine may be shared, and both renderers run on
    // this thread only.
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec * 1e-9;
}

void DrawOurs(const Scene& s, uint32_t* pixels) {
    RasterSurface surface = TopDownSurface(pixels, kWidth, kHeight);
    RasterRect clip{0, 0, kWidth, kHeight};
    FillRectangle(surface, clip, 0xFFFFFFFFu);
    RasterPath path;
    RasterJob job;
    for (const Object& o : s.objects) {
        path.Clear();
        for (size_t i = o.first; i < o.first + o.count; ++i) {
            const Command& c = s.commands[i];
            switch (c.verb) {
            case kVerbMove:
                path.MoveTo(c.p[0], c.p[1]);
                break;
            case kVerbLine:
                path.LineTo(c.p[0], c.p[1]);
                break;
            case kVerbCubic:
                path.CubicTo(c.p[0], c.p[1], c.p[2], c.p[3], c.p[4], c.p[5]);
                break;
            case kVerbClose:
                path.Close();
                break;
            }
        }
        RasterGradient g;
        RasterPaint paint{o.colour, 1};
        if (o.gradient >= 0) {
            const GradientPaint& p = s.gradients[size_t(o.gradient)];
            g = p.g;
            g.stops = p.stops.data();
            g.stopCount = int32_t(p.stops.size());
            paint.gradient = &g;
        }
        if (o.stroke)
            job.StartStroke(path, o.style, paint, surface, clip);
        else
            job.StartFill(path, o.rule, paint, surface, clip);
        job.Run();
    }
}

void DrawCairo(const Scene& s, cairo_t* cr) {
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    const double k = 1.0 / kRasterOne;
    for (const Object& o : s.objects) {
        cairo_new_path(cr);
        for (size_t i = o.first; i < o.first + o.count; ++i) {
            const Command& c = s.commands[i];
            switch (c.verb) {
            case kVerbMove:
                cairo_move_to(cr, c.p[0] * k, c.p[1] * k);
                break;
            case kVerbLine:
                cairo_line_to(cr, c.p[0] * k, c.p[1] * k);
                break;
            case kVerbCubic:
                cairo_curve_to(cr, c.p[0] * k, c.p[1] * k, c.p[2] * k, c.p[3] * k, c.p[4] * k,
                               c.p[5] * k);
                break;
            case kVerbClose:
                cairo_close_path(cr);
                break;
            }
        }
        cairo_pattern_t* pattern = nullptr;
        if (o.gradient >= 0) {
            // The unit frame as the pattern's space: its matrix maps the frame back.
            const GradientPaint& p = s.gradients[size_t(o.gradient)];
            const RasterGradient& g = p.g;
            pattern = g.shape == GradientShape::Radial
                          ? cairo_pattern_create_radial(g.fx, g.fy, 0, 0, 0, 1)
                          : cairo_pattern_create_linear(0, 0, 1, 0);
            for (const RasterGradientStop& stop : p.stops)
                cairo_pattern_add_color_stop_rgba(
                    pattern, stop.offset / 65536.0, ((stop.argb >> 16) & 255) / 255.0,
                    ((stop.argb >> 8) & 255) / 255.0, (stop.argb & 255) / 255.0,
                    (stop.argb >> 24) / 255.0);
            cairo_pattern_set_extend(pattern,
                                     g.spread == GradientSpread::Reflect  ? CAIRO_EXTEND_REFLECT
                                     : g.spread == GradientSpread::Repeat ? CAIRO_EXTEND_REPEAT
                                                                          : CAIRO_EXTEND_PAD);
            cairo_matrix_t m;
            cairo_matrix_init(&m, g.ux - g.ox, g.uy - g.oy, g.vx - g.ox, g.vy - g.oy, g.ox, g.oy);
            cairo_matrix_invert(&m);
            cairo_pattern_set_matrix(pattern, &m);
            cairo_set_source(cr, pattern);
        } else {
            cairo_set_source_rgba(cr, ((o.colour >> 16) & 255) / 255.0,
                                  ((o.colour >> 8) & 255) / 255.0, (o.colour & 255) / 255.0,
                                  (o.colour >> 24) / 255.0);
        }
        if (o.stroke) {
            // Our strokes below one pixel are one pixel wide at reduced alpha; cairo draws them
            // at their width, which inks the same.
            cairo_set_line_width(cr, o.style.width * k);
            cairo_set_line_join(cr, o.style.join == LineJoin::Round   ? CAIRO_LINE_JOIN_ROUND
                                    : o.style.join == LineJoin::Bevel ? CAIRO_LINE_JOIN_BEVEL
                                                                      : CAIRO_LINE_JOIN_MITER);
            cairo_set_line_cap(cr, o.style.cap == LineCap::Round    ? CAIRO_LINE_CAP_ROUND
                                   : o.style.cap == LineCap::Square ? CAIRO_LINE_CAP_SQUARE
                                                                    : CAIRO_LINE_CAP_BUTT);
            cairo_set_miter_limit(cr, o.style.miterLimit / 65536.0);
            cairo_stroke(cr);
        } else {
            cairo_set_fill_rule(cr, o.rule == FillRule::EvenOdd ? CAIRO_FILL_RULE_EVEN_ODD
                                                                : CAIRO_FILL_RULE_WINDING);
            cairo_fill(cr);
        }
        if (pattern)
            cairo_pattern_destroy(pattern);
    }
    cairo_surface_flush(cairo_get_target(cr));
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 7;
    if (runs < 1)
        runs = 1;
    std::vector<uint32_t> ours(size_t(kWidth) * kHeight), theirs(size_t(kWidth) * kHeight);
    cairo_surface_t* surface =
        cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(theirs.data()),
                                            CAIRO_FORMAT_ARGB32, kWidth, kHeight, kWidth * 4);
    cairo_t* cr = cairo_create(surface);

    Scene scenes[] = {SmallFills(),
                      HugeShapes(),
                      ThinStrokes(),
                      TownMap(),
                      Gradients(GradientShape::Linear),
                      Gradients(GradientShape::Radial)};
    printf("%-18s %10s %10s %8s %10s %9s\n", "scene (1024x768)", "ours ms", "cairo ms", "ratio",
           "mean diff", "max diff");

    // The floor: one opaque fill of the whole frame.
    const char* only = getenv("VEMO_BENCH_SCENE"); // a scene's number, for profiling
    if (!only) {
        double best = 1e9, bestCairo = 1e9;
        RasterSurface s = TopDownSurface(ours.data(), kWidth, kHeight);
        for (int r = 0; r < runs * 10; ++r) {
            double t0 = Now();
            FillRectangle(s, RasterRect{0, 0, kWidth, kHeight}, 0xFFFFFFFFu);
            double t1 = Now();
            cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
            cairo_set_source_rgb(cr, 1, 1, 1);
            cairo_paint(cr);
            cairo_surface_flush(surface);
            double t2 = Now();
            best = t1 - t0 < best ? t1 - t0 : best;
            bestCairo = t2 - t1 < bestCairo ? t2 - t1 : bestCairo;
        }
        printf("%-18s %10.3f %10.3f %8.2f\n", "blank frame fill", best * 1e3, bestCairo * 1e3,
               bestCairo / best);
    }
    for (const Scene& s : scenes) {
        if (only && atoi(only) != int(&s - scenes))
            continue;
        double best = 1e9, bestCairo = 1e9;
        for (int r = 0; r < runs; ++r) {
            double t0 = Now();
            DrawOurs(s, ours.data());
            double t1 = Now();
            if (!getenv("VEMO_BENCH_OURS_ONLY"))
                DrawCairo(s, cr);
            double t2 = Now();
            best = t1 - t0 < best ? t1 - t0 : best;
            bestCairo = t2 - t1 < bestCairo ? t2 - t1 : bestCairo;
        }
        double sum = 0;
        int maxDiff = 0;
        for (size_t i = 0; i < ours.size(); ++i) {
            for (int c = 0; c < 24; c += 8) {
                int d = abs(int((ours[i] >> c) & 255) - int((theirs[i] >> c) & 255));
                sum += d;
                maxDiff = d > maxDiff ? d : maxDiff;
            }
        }
        printf("%-18s %10.3f %10.3f %8.2f %10.4f %9d   (%zu objects)\n", s.name, best * 1e3,
               bestCairo * 1e3, bestCairo / best, sum / (ours.size() * 3.0), maxDiff,
               s.objects.size());
        if (getenv("VEMO_BENCH_DUMP")) {
            char name[64];
            snprintf(name, sizeof name, "/tmp/raster-%zu.ppm", size_t(&s - scenes));
            FILE* f = fopen(name, "wb");
            if (f) {
                fprintf(f, "P6 %d %d 255\n", kWidth * 2, kHeight);
                for (int y = 0; y < kHeight; ++y)
                    for (int half = 0; half < 2; ++half)
                        for (int x = 0; x < kWidth; ++x) {
                            uint32_t p = (half ? theirs : ours)[size_t(y) * kWidth + x];
                            unsigned char rgb[3] = {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
                            fwrite(rgb, 1, 3, f);
                        }
                fclose(f);
            }
        }
    }
    printf("ratio = cairo time / our time (above 1: we are faster); best of %d runs, thread "
           "processor time\n",
           runs);
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
    return 0;
}
