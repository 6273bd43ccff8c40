// Real drawings: the renderer against cairo, AGG and Skia on the same geometry, in one run.
//
// The scenes are drawings converted from SVG by `vemo convert` (bench/real-drawings/run.sh
// makes them: scenes.mjs writes the maps, the icon sheet and the clip-art picks as SVG). Each is
// read with the renderer's own parser and taken at its default view, 750 document units to the
// pixel, as geometry in pixels (a gradient becomes the average of its stops, for everyone).
// Each renderer draws it with the same fills, strokes (widths, joins, caps, miter limits) and
// anti-aliasing onto a white frame:
//   - ours: the geometry written as a drawing again (DrawingWriter) and drawn by
//     DrawingRenderer::RenderSlice, the path the plug-in takes; with the vector compositor and
//     with the scalar fallback, taking turns going first;
//   - cairo (libcairo2-dev): paths recorded once (cairo_copy_path), played back with
//     cairo_append_path, fill / stroke;
//   - AGG (libagg-dev): path_storage recorded once; rasterizer_scanline_aa, conv_curve and
//     conv_stroke (miter_join_revert: a miter past the limit becomes a bevel, as ours);
//   - Skia (npm @napi-rs/canvas), in a node child process (skia-peer.mjs): Path2D objects
//     recorded once, the draw calls played back; its time is the process's processor time.
// The renderers take turns scene by scene, run by run (interleaved), each timed by the
// thread's processor time; the least and the median of the runs are printed, and the ratio of
// each peer to ours (above 1: we are faster).
//
// Quality: each picture against a reference that samples the exact geometry of every object at
// 8 x 8 points per pixel, made independently of all four renderers (Reference.cpp tells how).
// PSNR over red, green and blue, and SSIM of the luma over 8 x 8 windows.
//
//   bench_real_drawings [runs] [--only NAME] [--dump FOLDER] [--no-skia] [--ours-only]
//                       [--area-overlaps] FILE...
// FILE: drawings (.vem), or geometry in the scenes text form (as WriteScenes writes it).
// --area-overlaps: ours counts a stroke's overlaps with itself by their area sums (what exact
// overlaps cost, and what they bring).
#include <cairo.h>

#include <agg_conv_curve.h>
#include <agg_conv_stroke.h>
#include <agg_conv_transform.h>
#include <agg_path_storage.h>
#include <agg_pixfmt_rgba.h>
#include <agg_rasterizer_scanline_aa.h>
#include <agg_renderer_base.h>
#include <agg_renderer_scanline.h>
#include <agg_rendering_buffer.h>
#include <agg_scanline_u.h>

#include <algorithm>
#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <string>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "renderer/Document.h"
#include "renderer/DrawingFormat.h"
#include "renderer/DrawingRenderer.h"
#include "renderer/DrawingWriter.h"
#include "renderer/ViewMath.h"
#include "renderer/raster/Raster.h"

#include "Reference.h"
#include "Scene.h"

using namespace vemo;
using namespace realdrawings;

namespace {

constexpr int32_t kUnit = 750; // document units per pixel

std::vector<Scene> ReadScenes(const char* file) {
    std::vector<Scene> scenes;
    FILE* f = fopen(file, "r");
    if (!f) {
        fprintf(stderr, "cannot read %s\n", file);
        exit(1);
    }
    char line[512];
    Object current;
    while (fgets(line, sizeof line, f)) {
        Command c{};
        char name[256];
        switch (line[0]) {
        case 's':
            if (strncmp(line, "scene ", 6) == 0) {
                Scene s;
                sscanf(line + 6, "%255s %d %d", name, &s.width, &s.height);
                s.name = name;
                scenes.push_back(s);
            } else {
                current.stroke = true;
                sscanf(line + 2, "%u %lf %d %d %lf", &current.strokeArgb, &current.width,
                       &current.join, &current.cap, &current.miter);
            }
            break;
        case 'f':
            current.fill = true;
            sscanf(line + 2, "%u %d", &current.fillArgb, &current.rule);
            break;
        case 'M':
        case 'L':
            c.type = line[0];
            sscanf(line + 2, "%lf %lf", &c.p[0], &c.p[1]);
            current.path.push_back(c);
            break;
        case 'C':
            c.type = 'C';
            sscanf(line + 2, "%lf %lf %lf %lf %lf %lf", &c.p[0], &c.p[1], &c.p[2], &c.p[3],
                   &c.p[4], &c.p[5]);
            current.path.push_back(c);
            break;
        case 'Z':
            c.type = 'Z';
            current.path.push_back(c);
            break;
        case 'e':
            if (!scenes.empty()) {
                scenes.back().objects.push_back(current);
            }
            current = Object();
            break;
        default:
            break;
        }
    }
    fclose(f);
    return scenes;
}

// A drawing (made by `vemo convert`) as a scene: the default view at 100 percent (750 units a
// pixel), as `vemo render` draws it, or fitted into the size NAME.size gives. A gradient becomes the average of its stops, for every
// renderer alike.
bool ReadDrawing(const char* file, Scene* scene) {
    FILE* f = fopen(file, "rb");
    if (!f) {
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
    fclose(f);
    DrawingRenderer renderer;
    if (renderer.LoadData(uint32_t(bytes.size()), bytes.data()) < 0 ||
        renderer.LoadData(0, nullptr) < 0) {
        return false;
    }
    DocRect view{};
    int32_t keep = 1;
    if (renderer.GetDefaultView(&view, &keep) != 0) {
        return false;
    }
    int width = int((int64_t(view.x1) - view.x0 + kUnit - 1) / kUnit);
    int height = int((int64_t(view.y1) - view.y0 + kUnit - 1) / kUnit);
    // NAME.size beside NAME.vem, when there is one, gives the size to draw it at.
    std::string sizeFile = file;
    sizeFile = sizeFile.substr(0, sizeFile.rfind(".vem")) + ".size";
    if (FILE* size = fopen(sizeFile.c_str(), "r")) {
        int w = 0, h = 0;
        if (fscanf(size, "%d %d", &w, &h) == 2 && w > 0 && h > 0 && w <= 8192 && h <= 8192) {
            width = w;
            height = h;
        }
        fclose(size);
    }
    const RenderMatrix m = MatrixForView(uint32_t(width), uint32_t(height), view, keep);
    const double one = double(int64_t(1) << 30);
    const Document& d = renderer.GetDocument();
    auto average = [&d](int32_t g) {
        const DocGradient& gradient = d.gradients[size_t(g)];
        double sum[4] = {0, 0, 0, 0};
        for (uint32_t i = 0; i < gradient.stopCount; ++i) {
            const uint32_t argb = d.gradientStops[gradient.firstStop + i].argb;
            for (int k = 0; k < 4; ++k) {
                sum[k] += (argb >> (8 * k)) & 255;
            }
        }
        uint32_t argb = 0;
        for (int k = 0; k < 4; ++k) {
            argb |= uint32_t(lround(sum[k] / gradient.stopCount)) << (8 * k);
        }
        return argb;
    };
    const char* slash = strrchr(file, '/');
    std::string name = slash ? slash + 1 : file;
    scene->name = name.substr(0, name.rfind(".vem"));
    scene->width = width;
    scene->height = height;
    scene->objects.clear();
    for (size_t i = 0; i < d.objects.Size(); ++i) {
        const DrawObject& obj = d.objects[i];
        const Style& st = obj.style;
        Object o;
        o.fill = Fills(st);
        o.fillArgb = st.fillGradient >= 0 ? average(st.fillGradient) : st.fillColour;
        o.rule = st.fillRule;
        o.stroke = Strokes(st);
        o.strokeArgb = st.strokeGradient >= 0 ? average(st.strokeGradient) : st.strokeColour;
        o.width = double(st.strokeWidth) * double(m.a) / one;
        o.join = st.join;
        o.cap = st.cap;
        o.miter = st.miterLimit / 65536.0;
        const uint8_t* ops = d.ops.Data() + obj.firstOp;
        const DocPoint* pts = d.points.Data() + obj.firstPoint;
        auto at = [&](uint32_t k, double* x, double* y) {
            PixelFixed p = ApplyMatrix(m, pts[k].x, pts[k].y);
            *x = double(p.column) / one;
            *y = height - double(p.row) / one;
        };
        uint32_t k = 0;
        double cx = 0, cy = 0, sx = 0, sy = 0;
        for (uint32_t j = 0; j < obj.opCount; ++j) {
            Command c{};
            switch (ops[j]) {
            case kOpMove:
                c.type = 'M';
                at(k++, &c.p[0], &c.p[1]);
                sx = cx = c.p[0], sy = cy = c.p[1];
                break;
            case kOpLine:
                c.type = 'L';
                at(k++, &c.p[0], &c.p[1]);
                cx = c.p[0], cy = c.p[1];
                break;
            case kOpQuad: {
                double qx, qy, ex, ey;
                at(k++, &qx, &qy);
                at(k++, &ex, &ey);
                c.type = 'C'; // the same curve as a cubic
                c.p[0] = cx + (qx - cx) * 2 / 3, c.p[1] = cy + (qy - cy) * 2 / 3;
                c.p[2] = ex + (qx - ex) * 2 / 3, c.p[3] = ey + (qy - ey) * 2 / 3;
                c.p[4] = cx = ex, c.p[5] = cy = ey;
                break;
            }
            case kOpCubic:
                c.type = 'C';
                at(k++, &c.p[0], &c.p[1]);
                at(k++, &c.p[2], &c.p[3]);
                at(k++, &c.p[4], &c.p[5]);
                cx = c.p[4], cy = c.p[5];
                break;
            default:
                c.type = 'Z';
                cx = sx, cy = sy;
                break;
            }
            o.path.push_back(c);
        }
        scene->objects.push_back(o);
    }
    return true;
}

// The scenes in the text form the Skia peer reads.
void WriteScenes(const char* file, const std::vector<Scene>& scenes) {
    FILE* f = fopen(file, "w");
    if (!f) {
        return;
    }
    for (const Scene& s : scenes) {
        fprintf(f, "scene %s %d %d\n", s.name.c_str(), s.width, s.height);
        for (const Object& o : s.objects) {
            if (o.fill) {
                fprintf(f, "f %u %d\n", o.fillArgb, o.rule);
            }
            if (o.stroke) {
                fprintf(f, "s %u %.6f %d %d %.6f\n", o.strokeArgb, o.width, o.join, o.cap, o.miter);
            }
            for (const Command& c : o.path) {
                if (c.type == 'C') {
                    fprintf(f, "C %.6f %.6f %.6f %.6f %.6f %.6f\n", c.p[0], c.p[1], c.p[2], c.p[3],
                            c.p[4], c.p[5]);
                } else if (c.type == 'Z') {
                    fprintf(f, "Z\n");
                } else {
                    fprintf(f, "%c %.6f %.6f\n", c.type, c.p[0], c.p[1]);
                }
            }
            fprintf(f, "e\n");
        }
    }
    fclose(f);
}

double ThreadMs() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// -------------------------------------------------------------------------------------------
// Ours
// -------------------------------------------------------------------------------------------
struct Ours {
    DrawingRenderer renderer;
    DocRect view{};

    void Load(const Scene& s) {
        DrawingWriter w;
        auto X = [](double x) { return int32_t(lround(x * kUnit)); };
        auto Y = [&s](double y) { return int32_t(lround((s.height - y) * kUnit)); };
        for (const Object& o : s.objects) {
            w.FillColour(o.fill ? o.fillArgb : 0);
            w.FillRule(uint8_t(o.rule));
            if (o.stroke) {
                w.Stroke(o.strokeArgb, int32_t(lround(o.width * kUnit)), uint8_t(o.join),
                         uint8_t(o.cap), uint32_t(lround(o.miter * 65536)));
            } else {
                w.NoStroke();
            }
            for (const Command& c : o.path) {
                switch (c.type) {
                case 'M': w.MoveTo(X(c.p[0]), Y(c.p[1])); break;
                case 'L': w.LineTo(X(c.p[0]), Y(c.p[1])); break;
                case 'C':
                    w.CubicTo(X(c.p[0]), Y(c.p[1]), X(c.p[2]), Y(c.p[3]), X(c.p[4]), Y(c.p[5]));
                    break;
                default: w.Close(); break;
                }
            }
            w.EndPath();
        }
        renderer.LoadData(uint32_t(w.Size()), w.Data());
        renderer.LoadData(0, nullptr);
        view = DocRect{0, 0, s.width * kUnit, s.height * kUnit};
    }

    double Draw(const Scene& s, std::vector<uint32_t>& bottomUp) {
        bottomUp.resize(size_t(s.width) * s.height);
        double t0 = ThreadMs();
        uint32_t handle = 0;
        renderer.CreateRenderContext(uint16_t(s.width), uint16_t(s.height), 1, bottomUp.data(),
                                     &handle);
        renderer.SetContextView(handle, &view, 1);
        for (;;) {
            int32_t r = renderer.RenderSlice(handle, 100000, 0, nullptr, nullptr, nullptr, nullptr);
            if (r < 0 || (r & 0x08)) {
                break;
            }
        }
        renderer.DestroyRenderContext(handle);
        return ThreadMs() - t0;
    }

    static Picture ToPicture(const Scene& s, const std::vector<uint32_t>& bottomUp) {
        Picture p(size_t(s.width) * s.height);
        for (int y = 0; y < s.height; ++y) {
            memcpy(&p[size_t(y) * s.width], &bottomUp[size_t(s.height - 1 - y) * s.width],
                   size_t(s.width) * 4);
        }
        for (uint32_t& v : p) {
            v &= 0xFFFFFF;
        }
        return p;
    }
};

// -------------------------------------------------------------------------------------------
// cairo
// -------------------------------------------------------------------------------------------
struct Cairo {
    std::vector<cairo_path_t*> paths;

    void Load(const Scene& s) {
        cairo_surface_t* scratch = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
        cairo_t* cr = cairo_create(scratch);
        for (const Object& o : s.objects) {
            cairo_new_path(cr);
            for (const Command& c : o.path) {
                switch (c.type) {
                case 'M': cairo_move_to(cr, c.p[0], c.p[1]); break;
                case 'L': cairo_line_to(cr, c.p[0], c.p[1]); break;
                case 'C': cairo_curve_to(cr, c.p[0], c.p[1], c.p[2], c.p[3], c.p[4], c.p[5]); break;
                default: cairo_close_path(cr); break;
                }
            }
            paths.push_back(cairo_copy_path(cr));
        }
        cairo_destroy(cr);
        cairo_surface_destroy(scratch);
    }
    ~Cairo() {
        for (cairo_path_t* p : paths) {
            cairo_path_destroy(p);
        }
    }

    static void Source(cairo_t* cr, uint32_t argb) {
        cairo_set_source_rgba(cr, ((argb >> 16) & 255) / 255.0, ((argb >> 8) & 255) / 255.0,
                              (argb & 255) / 255.0, (argb >> 24) / 255.0);
    }

    double Draw(const Scene& s, Picture& out) {
        out.resize(size_t(s.width) * s.height);
        double t0 = ThreadMs();
        cairo_surface_t* surface = cairo_image_surface_create_for_data(
            reinterpret_cast<unsigned char*>(out.data()), CAIRO_FORMAT_RGB24, s.width, s.height,
            s.width * 4);
        cairo_t* cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        for (size_t i = 0; i < s.objects.size(); ++i) {
            const Object& o = s.objects[i];
            cairo_new_path(cr);
            cairo_append_path(cr, paths[i]);
            if (o.fill) {
                Source(cr, o.fillArgb);
                cairo_set_fill_rule(cr, o.rule ? CAIRO_FILL_RULE_EVEN_ODD : CAIRO_FILL_RULE_WINDING);
                if (o.stroke) {
                    cairo_fill_preserve(cr);
                } else {
                    cairo_fill(cr);
                }
            }
            if (o.stroke) {
                Source(cr, o.strokeArgb);
                cairo_set_line_width(cr, o.width);
                cairo_set_line_join(cr, o.join == 1   ? CAIRO_LINE_JOIN_ROUND
                                        : o.join == 2 ? CAIRO_LINE_JOIN_BEVEL
                                                      : CAIRO_LINE_JOIN_MITER);
                cairo_set_line_cap(cr, o.cap == 1   ? CAIRO_LINE_CAP_ROUND
                                       : o.cap == 2 ? CAIRO_LINE_CAP_SQUARE
                                                    : CAIRO_LINE_CAP_BUTT);
                cairo_set_miter_limit(cr, o.miter);
                cairo_stroke(cr);
            }
        }
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        cairo_surface_destroy(surface);
        double t = ThreadMs() - t0;
        for (uint32_t& v : out) {
            v &= 0xFFFFFF;
        }
        return t;
    }
};

// -------------------------------------------------------------------------------------------
// AGG
// -------------------------------------------------------------------------------------------
struct Agg {
    std::vector<agg::path_storage> paths;

    void Load(const Scene& s) {
        paths.clear();
        paths.resize(s.objects.size());
        for (size_t i = 0; i < s.objects.size(); ++i) {
            agg::path_storage& p = paths[i];
            for (const Command& c : s.objects[i].path) {
                switch (c.type) {
                case 'M': p.move_to(c.p[0], c.p[1]); break;
                case 'L': p.line_to(c.p[0], c.p[1]); break;
                case 'C': p.curve4(c.p[0], c.p[1], c.p[2], c.p[3], c.p[4], c.p[5]); break;
                default: p.close_polygon(); break;
                }
            }
        }
    }

    static agg::rgba8 Colour(uint32_t argb) {
        return agg::rgba8((argb >> 16) & 255, (argb >> 8) & 255, argb & 255, argb >> 24);
    }

    void Render(const Scene& s, uint32_t* pixels, int width, int rows) {
        agg::rendering_buffer buffer(reinterpret_cast<agg::int8u*>(pixels), width, rows,
                                     width * 4);
        agg::pixfmt_bgra32 format(buffer);
        agg::renderer_base<agg::pixfmt_bgra32> base(format);
        base.clear(agg::rgba8(255, 255, 255, 255));
        agg::rasterizer_scanline_aa<> ras;
        agg::scanline_u8 sl;
        agg::trans_affine mtx;
        for (size_t i = 0; i < s.objects.size(); ++i) {
            const Object& o = s.objects[i];
            agg::conv_transform<agg::path_storage> moved(paths[i], mtx);
            agg::conv_curve<agg::conv_transform<agg::path_storage>> curve(moved);
            if (o.fill) {
                ras.reset();
                ras.filling_rule(o.rule ? agg::fill_even_odd : agg::fill_non_zero);
                ras.add_path(curve);
                agg::render_scanlines_aa_solid(ras, sl, base, Colour(o.fillArgb));
            }
            if (o.stroke) {
                agg::conv_stroke<agg::conv_curve<agg::conv_transform<agg::path_storage>>> stroke(
                    curve);
                stroke.width(o.width);
                stroke.line_join(o.join == 1   ? agg::round_join
                                 : o.join == 2 ? agg::bevel_join
                                               : agg::miter_join_revert);
                stroke.line_cap(o.cap == 1 ? agg::round_cap
                                : o.cap == 2 ? agg::square_cap
                                             : agg::butt_cap);
                stroke.miter_limit(o.miter);
                ras.reset();
                ras.filling_rule(agg::fill_non_zero);
                ras.add_path(stroke);
                agg::render_scanlines_aa_solid(ras, sl, base, Colour(o.strokeArgb));
            }
        }
    }

    double Draw(const Scene& s, Picture& out) {
        out.resize(size_t(s.width) * s.height);
        double t0 = ThreadMs();
        Render(s, out.data(), s.width, s.height);
        double t = ThreadMs() - t0;
        for (uint32_t& v : out) {
            v &= 0xFFFFFF;
        }
        return t;
    }
};

// -------------------------------------------------------------------------------------------
// Skia, in node
// -------------------------------------------------------------------------------------------
struct Skia {
    pid_t pid = -1;
    FILE* to = nullptr;
    FILE* from = nullptr;

    bool Start(const char* script, const char* scenes) {
        int down[2], up[2];
        if (pipe(down) != 0 || pipe(up) != 0) {
            return false;
        }
        pid = fork();
        if (pid == 0) {
            dup2(down[0], 0);
            dup2(up[1], 1);
            close(down[1]);
            close(up[0]);
            execlp("node", "node", script, scenes, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(down[0]);
        close(up[1]);
        to = fdopen(down[1], "w");
        from = fdopen(up[0], "r");
        char line[256];
        if (!fgets(line, sizeof line, from) || strncmp(line, "ready", 5) != 0) {
            fprintf(stderr, "skia peer did not start: %s\n", line);
            return false;
        }
        return true;
    }
    ~Skia() {
        if (to) {
            fprintf(to, "quit\n");
            fclose(to);
        }
        if (from) {
            fclose(from);
        }
        if (pid > 0) {
            waitpid(pid, nullptr, 0);
        }
    }

    double Draw(size_t scene, const char* dumpFile) {
        fprintf(to, "draw %zu %s\n", scene, dumpFile ? dumpFile : "-");
        fflush(to);
        char line[256];
        if (!fgets(line, sizeof line, from)) {
            return -1;
        }
        return atof(line);
    }

    static Picture ReadPicture(const Scene& s, const char* file) {
        Picture p(size_t(s.width) * s.height);
        FILE* f = fopen(file, "rb");
        std::vector<uint8_t> rgba(p.size() * 4);
        if (!f || fread(rgba.data(), 1, rgba.size(), f) != rgba.size()) {
            fprintf(stderr, "cannot read %s\n", file);
        }
        if (f) {
            fclose(f);
        }
        for (size_t i = 0; i < p.size(); ++i) {
            p[i] = uint32_t(rgba[4 * i]) << 16 | uint32_t(rgba[4 * i + 1]) << 8 | rgba[4 * i + 2];
        }
        return p;
    }
};

// -------------------------------------------------------------------------------------------
// Quality
// -------------------------------------------------------------------------------------------
double Psnr(const Picture& a, const Picture& b) {
    double se = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        for (int sh = 0; sh < 24; sh += 8) {
            double d = double((a[i] >> sh) & 255) - double((b[i] >> sh) & 255);
            se += d * d;
        }
    }
    double mse = se / (3.0 * a.size());
    return mse == 0 ? 99.0 : 10 * log10(255.0 * 255.0 / mse);
}

double Ssim(const Scene& s, const Picture& a, const Picture& b) {
    auto luma = [](uint32_t v) {
        return 0.299 * ((v >> 16) & 255) + 0.587 * ((v >> 8) & 255) + 0.114 * (v & 255);
    };
    const double c1 = (0.01 * 255) * (0.01 * 255), c2 = (0.03 * 255) * (0.03 * 255);
    double total = 0;
    int windows = 0;
    for (int y0 = 0; y0 + 8 <= s.height; y0 += 8) {
        for (int x0 = 0; x0 + 8 <= s.width; x0 += 8) {
            double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
            for (int y = y0; y < y0 + 8; ++y) {
                for (int x = x0; x < x0 + 8; ++x) {
                    double p = luma(a[size_t(y) * s.width + x]), q = luma(b[size_t(y) * s.width + x]);
                    sa += p, sb += q, saa += p * p, sbb += q * q, sab += p * q;
                }
            }
            const double n = 64;
            double ma = sa / n, mb = sb / n;
            double va = saa / n - ma * ma, vb = sbb / n - mb * mb, cov = sab / n - ma * mb;
            total += ((2 * ma * mb + c1) * (2 * cov + c2)) / ((ma * ma + mb * mb + c1) * (va + vb + c2));
            ++windows;
        }
    }
    return windows ? total / windows : 1;
}

void WritePpm(const std::string& file, const Scene& s, const Picture& p) {
    FILE* f = fopen(file.c_str(), "wb");
    if (!f) {
        return;
    }
    fprintf(f, "P6\n%d %d\n255\n", s.width, s.height);
    for (uint32_t v : p) {
        uint8_t rgb[3] = {uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)};
        fwrite(rgb, 1, 3, f);
    }
    fclose(f);
}

double Least(std::vector<double> v) { return *std::min_element(v.begin(), v.end()); }
double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        fprintf(stderr,
                "usage: %s [runs] [--only NAME] [--dump FOLDER] [--no-skia] [--ours-only] "
                "[--area-overlaps] DRAWING.vem... | SCENES.txt\n",
                argv[0]);
        return 2;
    }
    int runs = 7;
    std::string only, dump;
    bool withSkia = true, oursOnly = false;
    std::vector<Scene> all;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--only") && i + 1 < argc) {
            only = argv[++i];
        } else if (!strcmp(argv[i], "--dump") && i + 1 < argc) {
            dump = argv[++i];
        } else if (!strcmp(argv[i], "--ours-only")) {
            oursOnly = true; // for profiling: ours alone, no peers, no reference
        } else if (!strcmp(argv[i], "--area-overlaps")) {
            RasterSetExactOverlaps(0);
        } else if (!strcmp(argv[i], "--no-skia")) {
            withSkia = false;
        } else if (strlen(argv[i]) > 4 && !strcmp(argv[i] + strlen(argv[i]) - 4, ".vem")) {
            Scene s;
            if (!ReadDrawing(argv[i], &s)) {
                fprintf(stderr, "%s: not a drawing that loads\n", argv[i]);
                return 1;
            }
            all.push_back(s);
        } else if (atoi(argv[i]) > 0) {
            runs = atoi(argv[i]);
        } else {
            std::vector<Scene> more = ReadScenes(argv[i]);
            all.insert(all.end(), more.begin(), more.end());
        }
    }
    signal(SIGPIPE, SIG_IGN);
    // The Skia peer reads the scenes from a file of their geometry.
    const std::string scenesFile = "/tmp/vemo-real-drawings-scenes.txt";
    WriteScenes(scenesFile.c_str(), all);
    std::vector<size_t> chosen;
    for (size_t i = 0; i < all.size(); ++i) {
        if (only.empty() || all[i].name.find(only) != std::string::npos) {
            chosen.push_back(i);
        }
    }
    Skia skia;
    std::string script = std::string(VEMO_SOURCE_DIR) + "/bench/real-drawings/skia-peer.mjs";
    if (oursOnly) {
        for (size_t k : chosen) {
            Ours ours;
            ours.Load(all[k]);
            std::vector<uint32_t> bottomUp;
            std::vector<double> t;
            for (int r = 0; r < runs; ++r) {
                t.push_back(ours.Draw(all[k], bottomUp));
            }
            printf("%-28s ours %7.2f/%7.2f\n", all[k].name.c_str(), Least(t), Median(t));
        }
        return 0;
    }
    if (withSkia && !skia.Start(script.c_str(), scenesFile.c_str())) {
        withSkia = false;
    }
    const std::string tmp = "/tmp/vemo-real-drawings-skia.rgba";

    struct Row {
        std::vector<double> t[5]; // ours, ours scalar, cairo, agg, skia
        double psnr[4] = {0, 0, 0, 0};
        double ssim[4] = {0, 0, 0, 0};
    };
    std::vector<Row> rows(chosen.size());
    printf("%d runs; thread processor time (Skia: its process's), ms\n\n", runs);
    for (size_t k = 0; k < chosen.size(); ++k) {
        const Scene& s = all[chosen[k]];
        Ours ours;
        ours.Load(s);
        Cairo cairo;
        cairo.Load(s);
        Agg agg;
        agg.Load(s);
        Row& row = rows[k];
        std::vector<uint32_t> bottomUp;
        Picture pc, pa;
        ours.Draw(s, bottomUp); // warm-up: first touches of memory
        for (int r = 0; r < runs; ++r) {
            // The vector and the scalar compositor take turns going first.
            for (int k = 0; k < 2; ++k) {
                const int scalar = (r + k) % 2;
                RasterSetScalarCompositing(scalar);
                row.t[scalar].push_back(ours.Draw(s, bottomUp));
            }
            RasterSetScalarCompositing(0);
            row.t[2].push_back(cairo.Draw(s, pc));
            row.t[3].push_back(agg.Draw(s, pa));
            if (withSkia) {
                row.t[4].push_back(skia.Draw(chosen[k], r == 0 ? tmp.c_str() : nullptr));
            }
        }
        ours.Draw(s, bottomUp);
        Picture po = Ours::ToPicture(s, bottomUp);
        Picture ref = DrawReference(s);
        Picture pictures[4] = {po, pc, pa, withSkia ? Skia::ReadPicture(s, tmp.c_str()) : ref};
        for (int i = 0; i < 4; ++i) {
            row.psnr[i] = Psnr(pictures[i], ref);
            row.ssim[i] = Ssim(s, pictures[i], ref);
        }
        if (!dump.empty()) {
            const char* names[4] = {"ours", "cairo", "agg", "skia"};
            for (int i = 0; i < 4; ++i) {
                WritePpm(dump + "/" + s.name + "-" + names[i] + ".ppm", s, pictures[i]);
            }
            WritePpm(dump + "/" + s.name + "-reference.ppm", s, ref);
        }
        printf("%-28s %5zu obj  ours %7.2f/%7.2f  scalar %7.2f/%7.2f  cairo %7.2f/%7.2f  agg "
               "%7.2f/%7.2f  skia %7.2f/%7.2f\n",
               s.name.c_str(), s.objects.size(), Least(row.t[0]), Median(row.t[0]),
               Least(row.t[1]), Median(row.t[1]), Least(row.t[2]), Median(row.t[2]),
               Least(row.t[3]), Median(row.t[3]), withSkia ? Least(row.t[4]) : 0,
               withSkia ? Median(row.t[4]) : 0);
        fflush(stdout);
    }
    printf("\nratios peer / ours (least, median; above 1: ours is faster); PSNR dB and SSIM "
           "against the 8x8 supersampled reference\n");
    printf("%-28s %13s %13s %13s %13s | %27s | %23s\n", "scene", "scalar/vector", "cairo", "agg",
           "skia", "PSNR ours cairo agg skia", "SSIM ours cairo agg skia");
    for (size_t k = 0; k < chosen.size(); ++k) {
        const Row& row = rows[k];
        double ol = Least(row.t[0]), om = Median(row.t[0]);
        printf("%-28s %6.2f %6.2f", all[chosen[k]].name.c_str(), Least(row.t[1]) / ol,
               Median(row.t[1]) / om);
        for (int p = 2; p < 5; ++p) {
            if (row.t[p].empty()) {
                printf("   %6s %4s", "-", "-");
            } else {
                printf(" %6.2f %6.2f", Least(row.t[p]) / ol, Median(row.t[p]) / om);
            }
        }
        printf(" | %6.1f %6.1f %6.1f %6.1f | %5.3f %5.3f %5.3f %5.3f\n", row.psnr[0], row.psnr[1],
               row.psnr[2], row.psnr[3], row.ssim[0], row.ssim[1], row.ssim[2], row.ssim[3]);
    }
    return 0;
}
