// The whole renderer (document model, painter's-order slices, the scan converter) against cairo
// drawing the same geometry, in the same run, into 1024 x 768 frames. Prints the least and the
// median of several runs for each scene (the thread's processor time, so that other work on a
// shared machine does not count), the ratios, and the mean channel difference between the two
// pictures, plus a blank-frame fill as the memory-bandwidth floor. Then, for pathological
// drawings, the longest slice against the slice's budget.
//
//   bench_renderer [runs] [town-map.vem]
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <math.h>
#include <time.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <vector>

#include "renderer/DrawingFormat.h"
#include "renderer/DrawingParser.h"
#include "renderer/DrawingRenderer.h"
#include "renderer/DrawingWriter.h"
#include "renderer/RasterBridge.h"
#include "renderer/Results.h"
#include "renderer/ViewMath.h"

using namespace vemo;

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;
constexpr int32_t kUnit = 750; // document units per pixel: 100 percent
const DocRect kView{0, 0, kWidth * kUnit, kHeight * kUnit};

struct Random {
    uint64_t state = 0x9E3779B97F4A7C15ull;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return uint32_t(state >> 33);
    }
    int32_t Range(int32_t lo, int32_t hi) { return lo + int32_t(Next() % uint32_t(hi - lo)); }
};

std::vector<uint8_t> Bytes(const DrawingWriter& w) {
    return std::vector<uint8_t>(w.Data(), w.Data() + w.Size());
}

std::vector<uint8_t> ManySmallPaths() {
    DrawingWriter w;
    Random r;
    for (int i = 0; i < 20000; ++i) {
        w.FillColour(0xC0000000u | (r.Next() & 0xFFFFFF));
        int32_t x = r.Range(0, kWidth * kUnit), y = r.Range(0, kHeight * kUnit);
        if (i % 2) {
            w.Ellipse(x, y, r.Range(2, 8) * kUnit, r.Range(2, 8) * kUnit);
        } else {
            w.MoveTo(x, y);
            w.LineTo(x + r.Range(4, 14) * kUnit, y + r.Range(-6, 6) * kUnit);
            w.LineTo(x + r.Range(-6, 6) * kUnit, y + r.Range(4, 14) * kUnit);
            w.Close();
            w.EndPath();
        }
    }
    return Bytes(w);
}

std::vector<uint8_t> FewHugeShapes() {
    DrawingWriter w;
    w.FillColour(0xFF3060A0);
    w.Rectangle(-100 * kUnit, -100 * kUnit, 1100 * kUnit, 900 * kUnit);
    w.FillColour(0x80E0A040);
    w.Ellipse(512 * kUnit, 384 * kUnit, 500 * kUnit, 380 * kUnit);
    w.FillColour(0xFF208040);
    w.MoveTo(0, 0);
    w.LineTo(1024 * kUnit, 100 * kUnit);
    w.LineTo(300 * kUnit, 768 * kUnit);
    w.Close();
    w.EndPath();
    w.FillRule(kEvenOdd);
    w.FillColour(0x60FFFFFF);
    w.MoveTo(50 * kUnit, 50 * kUnit);
    w.LineTo(974 * kUnit, 50 * kUnit);
    w.LineTo(974 * kUnit, 718 * kUnit);
    w.LineTo(50 * kUnit, 718 * kUnit);
    w.Close();
    w.MoveTo(200 * kUnit, 200 * kUnit);
    w.LineTo(824 * kUnit, 200 * kUnit);
    w.LineTo(824 * kUnit, 568 * kUnit);
    w.LineTo(200 * kUnit, 568 * kUnit);
    w.Close();
    w.EndPath();
    return Bytes(w);
}

std::vector<uint8_t> ThinStrokes() {
    DrawingWriter w;
    Random r;
    w.FillColour(0);
    for (int i = 0; i < 5000; ++i) {
        w.Stroke(0xFF000000u | (r.Next() & 0x7F7F7F), kUnit, kJoinMiter, kCapButt);
        int32_t x = r.Range(0, kWidth * kUnit), y = r.Range(0, kHeight * kUnit);
        w.MoveTo(x, y);
        w.LineTo(x + r.Range(-80, 80) * kUnit, y + r.Range(-80, 80) * kUnit);
        w.LineTo(x + r.Range(-80, 80) * kUnit, y + r.Range(-80, 80) * kUnit);
        w.EndPath();
    }
    return Bytes(w);
}

// One path at the record limit: 43690 cubic curves winding round the frame.
std::vector<uint8_t> GiantPath() {
    DrawingWriter w;
    w.FillColour(0xFF804020);
    w.Stroke(0xFF000000, 2 * kUnit, kJoinRound, kCapRound);
    const int n = (int(kMaxPathRecordBytes) - 4 - 1) / 25;
    w.MoveTo(512 * kUnit, 384 * kUnit);
    for (int i = 0; i < n; ++i) {
        double a = i * 0.37, r = 50 + (i % 300);
        int32_t x = 512 * kUnit + int32_t(r * cos(a) * kUnit);
        int32_t y = 384 * kUnit + int32_t(r * sin(a) * kUnit);
        w.CubicTo(x + 3 * kUnit, y, x, y + 3 * kUnit, x, y);
    }
    w.Close();
    w.EndPath();
    return Bytes(w);
}

// Processor time of this thread, in milliseconds.
double ThreadMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A stroke of a thousand cubics with round joins: flattening and stroking dominate.
std::vector<uint8_t> LongRoundStroke() {
    DrawingWriter w;
    w.FillColour(0);
    w.Stroke(0xFF203040, 3 * kUnit, kJoinRound, kCapRound);
    w.MoveTo(100 * kUnit, 100 * kUnit);
    Random r;
    for (int i = 0; i < 1000; ++i) {
        int32_t x = r.Range(50, 970) * kUnit, y = r.Range(50, 710) * kUnit;
        w.CubicTo(x + r.Range(-40, 40) * kUnit, y + r.Range(-40, 40) * kUnit,
                  x + r.Range(-40, 40) * kUnit, y + r.Range(-40, 40) * kUnit, x, y);
    }
    w.EndPath();
    return Bytes(w);
}

// Curves that swing from the picture to millions of pixels past it and back, filled and
// stroked: their geometry is flattened and cut down before it is scan converted.
std::vector<uint8_t> FarCurves() {
    DrawingWriter w;
    w.FillColour(0x80406080);
    w.Stroke(0xFF203040, 2 * kUnit, kJoinRound, kCapRound);
    w.MoveTo(500 * kUnit, 400 * kUnit);
    Random r;
    for (int i = 0; i < 4000; ++i) {
        int32_t far = r.Range(1000000, 2000000) * 1000 * (r.Range(0, 2) == 0 ? -1 : 1);
        int32_t x = r.Range(0, 1023) * kUnit, y = r.Range(0, 767) * kUnit;
        w.CubicTo(far, y, -far, x, x, y);
    }
    w.Close();
    w.EndPath();
    return Bytes(w);
}

// Layers of whole-frame gradients of 256 stops close together, radial and linear: every pixel
// is interpolated from the stops themselves, the dearest gradient there is.
std::vector<uint8_t> GradientLayers() {
    DrawingWriter w(1, kGradientMinor);
    Random r;
    std::vector<GradientStop> stops;
    for (uint32_t i = 0; i < 256; ++i) {
        stops.push_back(GradientStop{i * 256, 0x80000000u | (r.Next() & 0xFFFFFF)});
    }
    for (int i = 0; i < 40; ++i) {
        const int32_t x = r.Range(0, kWidth) * kUnit, y = r.Range(0, kHeight) * kUnit;
        const uint8_t kind = i % 2 ? kGradientRadial : kGradientLinear;
        w.Gradient(GradientPaint{kPaintFill, kind, kSpreadReflect, x, y, x + 300 * kUnit,
                                 y + 50 * kUnit, x - 40 * kUnit, y + 200 * kUnit,
                                 kind == kGradientRadial ? 30000 : 0, 0, stops.data(), 256});
        w.Rectangle(0, 0, kWidth * kUnit, kHeight * kUnit);
    }
    return Bytes(w);
}

// Ours: every slice until the context is finished.
double RenderOurs(DrawingRenderer& renderer, const DocRect& view, std::vector<uint32_t>& pixels) {
    const double start = ThreadMs();
    uint32_t handle = 0;
    renderer.CreateRenderContext(kWidth, kHeight, 1, pixels.data(), &handle);
    renderer.SetContextView(handle, &view, 1);
    for (;;) {
        int32_t r = renderer.RenderSlice(handle, 1000, 0, nullptr, nullptr, nullptr, nullptr);
        if (r < 0 || (r & kSliceFinished)) {
            break;
        }
    }
    renderer.DestroyRenderContext(handle);
    return ThreadMs() - start;
}

// Slices of a budget of `budget` milliseconds until the drawing is done: the longest one by
// the clock and by processor time, and how many there were.
struct Slices {
    double longestWall = 0;
    double longestCpu = 0;
    int count = 0;
};

Slices LongestSlice(DrawingRenderer& renderer, const DocRect& view, std::vector<uint32_t>& pixels,
                    uint32_t budget) {
    uint32_t handle = 0;
    renderer.CreateRenderContext(kWidth, kHeight, 1, pixels.data(), &handle);
    renderer.SetContextView(handle, &view, 1);
    Slices s;
    for (;;) {
        auto start = std::chrono::steady_clock::now();
        double cpu = ThreadMs();
        int32_t r = renderer.RenderSlice(handle, budget, 0, nullptr, nullptr, nullptr, nullptr);
        cpu = ThreadMs() - cpu;
        double t = Milliseconds(std::chrono::steady_clock::now() - start);
        s.longestWall = t > s.longestWall ? t : s.longestWall;
        s.longestCpu = cpu > s.longestCpu ? cpu : s.longestCpu;
        ++s.count;
        if (r < 0 || (r & kSliceFinished)) {
            break;
        }
    }
    renderer.DestroyRenderContext(handle);
    return s;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// cairo: the same objects, fill then stroke, through the same document-to-pixel mapping.
double RenderCairo(const Document& doc, const RenderMatrix& m, std::vector<uint32_t>& pixels) {
    const double start = ThreadMs();
    cairo_surface_t* surface = cairo_image_surface_create_for_data(
        reinterpret_cast<unsigned char*>(pixels.data()), CAIRO_FORMAT_RGB24, kWidth, kHeight,
        kWidth * 4);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    const double one = 1.0 / double(int64_t(1) << 30);
    cairo_matrix_t matrix;
    cairo_matrix_init(&matrix, m.a * one, 0, 0, -m.d * one, double(m.e) * one,
                      kHeight - double(m.f) * one);
    cairo_set_matrix(cr, &matrix);
    for (size_t i = 0; i < doc.objects.Size(); ++i) {
        const DrawObject& o = doc.objects[i];
        cairo_new_path(cr);
        const uint8_t* ops = doc.ops.Data() + o.firstOp;
        const DocPoint* p = doc.points.Data() + o.firstPoint;
        for (uint32_t k = 0; k < o.opCount; ++k) {
            switch (ops[k]) {
            case kOpMove:
                cairo_move_to(cr, p[0].x, p[0].y);
                p += 1;
                break;
            case kOpLine:
                cairo_line_to(cr, p[0].x, p[0].y);
                p += 1;
                break;
            case kOpQuad: {
                double x0, y0;
                cairo_get_current_point(cr, &x0, &y0);
                cairo_curve_to(cr, x0 + 2.0 / 3 * (p[0].x - x0), y0 + 2.0 / 3 * (p[0].y - y0),
                               p[1].x + 2.0 / 3 * (p[0].x - p[1].x),
                               p[1].y + 2.0 / 3 * (p[0].y - p[1].y), p[1].x, p[1].y);
                p += 2;
                break;
            }
            case kOpCubic:
                cairo_curve_to(cr, p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y);
                p += 3;
                break;
            default:
                cairo_close_path(cr);
                break;
            }
        }
        auto source = [cr](uint32_t argb) {
            cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0,
                                  (argb & 0xFF) / 255.0, (argb >> 24) / 255.0);
        };
        bool stroked = (o.style.strokeColour >> 24) != 0;
        if ((o.style.fillColour >> 24) != 0) {
            source(o.style.fillColour);
            cairo_set_fill_rule(cr, o.style.fillRule == kEvenOdd ? CAIRO_FILL_RULE_EVEN_ODD
                                                                 : CAIRO_FILL_RULE_WINDING);
            if (stroked) {
                cairo_fill_preserve(cr);
            } else {
                cairo_fill(cr);
            }
        }
        if (stroked) {
            source(o.style.strokeColour);
            cairo_set_line_width(cr, o.style.strokeWidth > 0 ? o.style.strokeWidth : kUnit);
            cairo_set_line_join(cr, o.style.join == kJoinRound   ? CAIRO_LINE_JOIN_ROUND
                                    : o.style.join == kJoinBevel ? CAIRO_LINE_JOIN_BEVEL
                                                                 : CAIRO_LINE_JOIN_MITER);
            cairo_set_line_cap(cr, o.style.cap == kCapRound    ? CAIRO_LINE_CAP_ROUND
                                   : o.style.cap == kCapSquare ? CAIRO_LINE_CAP_SQUARE
                                                               : CAIRO_LINE_CAP_BUTT);
            cairo_set_miter_limit(cr, o.style.miterLimit / 65536.0);
            cairo_stroke(cr);
        }
    }
    cairo_destroy(cr);
    cairo_surface_flush(surface);
    cairo_surface_destroy(surface);
    return ThreadMs() - start;
}

// Mean channel difference; cairo's rows are top-down, ours bottom-up.
double MeanDifference(const std::vector<uint32_t>& ours, const std::vector<uint32_t>& theirs) {
    uint64_t sum = 0;
    for (int32_t y = 0; y < kHeight; ++y) {
        const uint32_t* a = &ours[size_t(kHeight - 1 - y) * kWidth];
        const uint32_t* b = &theirs[size_t(y) * kWidth];
        for (int32_t x = 0; x < kWidth; ++x) {
            for (int s = 0; s < 24; s += 8) {
                int32_t d = int32_t((a[x] >> s) & 0xFF) - int32_t((b[x] >> s) & 0xFF);
                sum += uint64_t(d < 0 ? -d : d);
            }
        }
    }
    return double(sum) / (double(kWidth) * kHeight * 3);
}

} // namespace

int main(int argc, char** argv) {
    int runs = argc > 1 ? atoi(argv[1]) : 5;
    runs = runs < 1 ? 1 : runs;
    struct Scene {
        const char* name;
        std::vector<uint8_t> file;
        bool fitDefaultView;
        bool cairoOnce; // cairo takes many seconds
    };
    std::vector<Scene> scenes = {{"many small paths (20000)", ManySmallPaths(), false, false},
                                 {"few huge shapes (4)", FewHugeShapes(), false, false},
                                 {"thin strokes (5000)", ThinStrokes(), false, false},
                                 {"one path at the limit", GiantPath(), false, true}};
    std::string townPath = argc > 2 ? argv[2] : std::string(VEMO_SOURCE_DIR) + "/examples/town-map.vem";
    if (FILE* f = fopen(townPath.c_str(), "rb")) {
        std::vector<uint8_t> town;
        uint8_t buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
            town.insert(town.end(), buffer, buffer + n);
        }
        fclose(f);
        scenes.push_back({"town map", town, true, false});
    }
    std::vector<uint32_t> ours(size_t(kWidth) * (kHeight + 1)), theirs(size_t(kWidth) * kHeight);

    double floor = 1e9;
    for (int i = 0; i < runs * 4; ++i) {
        const double start = ThreadMs();
        PaintWhite(ours.data(), kWidth, kHeight);
        double t = ThreadMs() - start;
        floor = t < floor ? t : floor;
    }
    printf("times: thread processor time in ms, least and median of the runs\n");
    printf("%-26s %9s %9s %9s %9s %7s %7s %9s\n", "scene (1024 x 768)", "ours min", "ours med",
           "cairo min", "cairo med", "ratio", "r(med)", "mean diff");
    printf("%-26s %9.3f\n", "blank frame fill (floor)", floor);
    for (Scene& s : scenes) {
        DrawingRenderer renderer;
        renderer.LoadData(uint32_t(s.file.size()), s.file.data());
        renderer.LoadData(0, nullptr);
        DocRect view = kView;
        int32_t flag = 1;
        if (s.fitDefaultView) {
            renderer.GetDefaultView(&view, &flag);
        }
        RenderMatrix m = MatrixForView(kWidth, kHeight, view, 1);
        std::vector<double> timesOurs, timesCairo;
        for (int i = 0; i < runs; ++i) {
            timesOurs.push_back(RenderOurs(renderer, view, ours));
            if (i == 0 || !s.cairoOnce) {
                timesCairo.push_back(RenderCairo(renderer.GetDocument(), m, theirs));
            }
        }
        double difference = MeanDifference(ours, theirs);
        double minOurs = *std::min_element(timesOurs.begin(), timesOurs.end());
        double minCairo = *std::min_element(timesCairo.begin(), timesCairo.end());
        double medOurs = Median(timesOurs), medCairo = Median(timesCairo);
        printf("%-26s %9.3f %9.3f %9.3f %9.3f %7.2f %7.2f %9.3f\n", s.name, minOurs, medOurs,
               minCairo, medCairo, minCairo / minOurs, medCairo / medOurs, difference);
    }
    printf("ratio = cairo time / our time (above 1: ours is faster); r(med) from the medians\n\n");

    // Pathological drawings: how long one slice takes at most, for a budget of 5 ms.
    const uint32_t budget = 5;
    printf("%-26s %8s %12s %12s %8s\n", "longest slice", "budget", "cpu max ms", "wall max ms",
           "slices");
    // The deep view shows a ten-thousandth of the picture's width: its geometry then reaches
    // millions of pixels past the buffer and is cut down before it is scan converted.
    const int32_t cx = kView.x1 / 2, cy = kView.y1 / 2;
    const int32_t rx = kView.x1 / 20000 + 1, ry = kView.y1 / 20000 + 1;
    const DocRect deep{cx - rx, cy - ry, cx + rx, cy + ry};
    struct Hard {
        const char* name;
        std::vector<uint8_t> file;
        DocRect view;
    } hard[] = {{"1000-cubic round stroke", LongRoundStroke(), kView},
                {"one path at the limit", GiantPath(), kView},
                {"the same, deep view", GiantPath(), deep},
                {"curves reaching far out", FarCurves(), kView},
                {"many small paths (20000)", ManySmallPaths(), kView},
                {"40 layers of gradients", GradientLayers(), kView}};
    for (Hard& h : hard) {
        DrawingRenderer renderer;
        renderer.LoadData(uint32_t(h.file.size()), h.file.data());
        renderer.LoadData(0, nullptr);
        Slices worst;
        for (int i = 0; i < runs; ++i) {
            Slices one = LongestSlice(renderer, h.view, ours, budget);
            worst.longestCpu = std::max(worst.longestCpu, one.longestCpu);
            worst.longestWall = std::max(worst.longestWall, one.longestWall);
            worst.count = one.count;
        }
        printf("%-26s %8u %12.3f %12.3f %8d\n", h.name, budget, worst.longestCpu,
               worst.longestWall, worst.count);
    }
    return 0;
}
