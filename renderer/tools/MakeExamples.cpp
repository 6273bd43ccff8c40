// Writes the example drawings of examples/ with DrawingWriter:
//   vemo_make_examples <output folder>
#include <math.h>
#include <stdio.h>
#include <string.h>
#include <string>

#include "renderer/DrawingFormat.h"
#include "renderer/DrawingWriter.h"

using vemo::DrawingWriter;

namespace {

constexpr int32_t kInch = 72000;

bool Save(const std::string& folder, const char* name, const DrawingWriter& w) {
    std::string path = folder + "/" + name;
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr || !w.Ok()) {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = fwrite(w.Data(), 1, w.Size(), f) == w.Size();
    return fclose(f) == 0 && ok;
}

void Polygon(DrawingWriter& w, const int32_t* xy, int n) {
    w.MoveTo(xy[0], xy[1]);
    for (int i = 1; i < n; ++i) {
        w.LineTo(xy[2 * i], xy[2 * i + 1]);
    }
    w.Close();
    w.EndPath();
}

// A town of six districts, each linked to its page, with a river, roads and a park.
DrawingWriter TownMap() {
    DrawingWriter w;
    const int32_t W = 8 * kInch, H = 6 * kInch;
    w.Bounds(DocRect{0, 0, W, H});
    w.DefaultView(DocRect{0, 0, W, H}, 1);
    w.NoStroke();
    w.FillColour(0xFFF4F1E6);
    w.Rectangle(0, 0, W, H);
    struct District {
        const char* link;
        uint32_t colour;
        int32_t xy[12];
        int n;
    };
    const District districts[] = {
        {"districts/old-town.html", 0xFFE8C39E,
         {20000, 230000, 190000, 250000, 210000, 410000, 30000, 420000}, 4},
        {"districts/harbour.html", 0xFFA9C8E8,
         {190000, 250000, 380000, 230000, 400000, 400000, 210000, 410000}, 4},
        {"districts/market.html", 0xFFF2D16B,
         {380000, 230000, 560000, 240000, 570000, 420000, 400000, 400000}, 4},
        {"districts/university.html", 0xFFC6E0B4,
         {20000, 30000, 200000, 20000, 190000, 250000, 20000, 230000}, 4},
        {"districts/station.html", 0xFFD9B3D9,
         {200000, 20000, 370000, 30000, 380000, 230000, 190000, 250000}, 4},
        {"districts/gardens.html", 0xFFB4D9C8,
         {370000, 30000, 560000, 20000, 560000, 240000, 380000, 230000}, 4},
    };
    w.Stroke(0xFF6B5B4B, 1500, vemo::kJoinRound, vemo::kCapRound);
    for (const District& d : districts) {
        w.Link(d.link);
        w.FillColour(d.colour);
        Polygon(w, d.xy, d.n);
    }
    w.Link(nullptr);
    // the river: a wide band with round ends, drawn over the districts
    w.FillColour(0);
    w.Stroke(0xCC3F7FBF, 14000, vemo::kJoinRound, vemo::kCapRound);
    w.MoveTo(-10000, 300000);
    w.CubicTo(120000, 360000, 200000, 160000, 300000, 220000);
    w.CubicTo(400000, 280000, 470000, 120000, 590000, 160000);
    w.EndPath();
    // roads with miter joins
    w.Stroke(0xFF505050, 4000, vemo::kJoinMiter, vemo::kCapSquare, 6u << 16);
    w.MoveTo(40000, 40000);
    w.LineTo(280000, 130000);
    w.LineTo(520000, 60000);
    w.EndPath();
    w.MoveTo(100000, 400000);
    w.LineTo(300000, 300000);
    w.LineTo(480000, 390000);
    w.EndPath();
    // the park inside the gardens, linked to its own page
    w.Link("districts/gardens.html#park");
    w.Stroke(0xFF2E6B2E, 2000, vemo::kJoinRound, vemo::kCapButt);
    w.FillColour(0xFF5FA55F);
    w.Ellipse(470000, 120000, 50000, 35000);
    w.Link(nullptr);
    // the town hall: an even-odd courtyard building
    w.FillRule(vemo::kEvenOdd);
    w.FillColour(0xFF8B3A3A);
    w.NoStroke();
    w.MoveTo(90000, 300000);
    w.LineTo(150000, 300000);
    w.LineTo(150000, 360000);
    w.LineTo(90000, 360000);
    w.Close();
    w.MoveTo(105000, 315000);
    w.LineTo(135000, 315000);
    w.LineTo(135000, 345000);
    w.LineTo(105000, 345000);
    w.Close();
    w.EndPath();
    w.FillRule(vemo::kNonZero);
    return w;
}

// Bars, a line series with its markers, grid lines and a ring chart.
DrawingWriter Chart() {
    DrawingWriter w;
    const int32_t W = 6 * kInch, H = 4 * kInch;
    w.Bounds(DocRect{0, 0, W, H});
    w.DefaultView(DocRect{0, 0, W, H}, 1);
    w.NoStroke();
    w.FillColour(0xFFFFFFFF);
    w.Rectangle(0, 0, W, H);
    // grid: hairlines (width 0) at every 50000 units
    w.FillColour(0);
    w.Stroke(0xFFBBBBBB, 0, vemo::kJoinMiter, vemo::kCapButt);
    for (int32_t y = 40000; y <= 260000; y += 40000) {
        w.MoveTo(40000, y);
        w.LineTo(300000, y);
        w.EndPath();
    }
    const int32_t values[] = {120000, 180000, 90000, 220000, 150000, 200000};
    const uint32_t colours[] = {0xFF4472C4, 0xFFED7D31, 0xFFA5A5A5,
                                0xFFFFC000, 0xFF5B9BD5, 0xFF70AD47};
    w.NoStroke();
    for (int i = 0; i < 6; ++i) {
        w.FillColour(colours[i]);
        int32_t x = 55000 + i * 40000;
        w.Rectangle(x, 40000, x + 28000, 40000 + values[i]);
    }
    // the series line over the bars
    w.FillColour(0);
    w.Stroke(0xFF202020, 2500, vemo::kJoinMiter, vemo::kCapRound, 10u << 16);
    for (int i = 0; i < 6; ++i) {
        int32_t x = 69000 + i * 40000, y = 40000 + values[(i + 2) % 6];
        if (i == 0) {
            w.MoveTo(x, y);
        } else {
            w.LineTo(x, y);
        }
    }
    w.EndPath();
    // axes
    w.Stroke(0xFF000000, 1500, vemo::kJoinMiter, vemo::kCapSquare);
    w.MoveTo(40000, 270000);
    w.LineTo(40000, 40000);
    w.LineTo(305000, 40000);
    w.EndPath();
    // ring chart: even-odd ring split into translucent segments
    w.NoStroke();
    w.FillRule(vemo::kEvenOdd);
    const int32_t cx = 370000, cy = 160000, r0 = 30000, r1 = 60000;
    const double shares[] = {0.4, 0.25, 0.2, 0.15};
    double start = 0;
    for (int s = 0; s < 4; ++s) {
        w.FillColour((colours[s] & 0x00FFFFFF) | 0xD0000000);
        double end = start + shares[s] * 2 * M_PI;
        const int steps = 24;
        for (int k = 0; k <= steps; ++k) {
            double a = start + (end - start) * k / steps;
            int32_t x = cx + int32_t(lround(r1 * cos(a))), y = cy + int32_t(lround(r1 * sin(a)));
            if (k == 0) {
                w.MoveTo(x, y);
            } else {
                w.LineTo(x, y);
            }
        }
        for (int k = steps; k >= 0; --k) {
            double a = start + (end - start) * k / steps;
            w.LineTo(cx + int32_t(lround(r0 * cos(a))), cy + int32_t(lround(r0 * sin(a))));
        }
        w.Close();
        w.EndPath();
        start = end;
    }
    w.FillRule(vemo::kNonZero);
    return w;
}

// A curved emblem: an even-odd star in a ring, bevelled and mitred outlines, quadratic waves.
DrawingWriter Logo() {
    DrawingWriter w;
    const int32_t S = 3 * kInch;
    w.Bounds(DocRect{-S / 2, -S / 2, S / 2, S / 2});
    w.DefaultView(DocRect{-S / 2, -S / 2, S / 2, S / 2}, 1);
    w.Stroke(0xFF1F3A5F, 6000, vemo::kJoinRound, vemo::kCapButt);
    w.FillColour(0xFFFFF4D6);
    w.Ellipse(0, 0, 95000, 95000);
    // the star, even-odd: its centre pentagon stays empty
    w.FillRule(vemo::kEvenOdd);
    w.FillColour(0xFFD9534F);
    w.Stroke(0xFF7A1F1D, 3000, vemo::kJoinMiter, vemo::kCapButt, 8u << 16);
    for (int k = 0; k < 5; ++k) {
        double a = M_PI / 2 + k * 4 * M_PI / 5;
        int32_t x = int32_t(lround(80000 * cos(a))), y = int32_t(lround(80000 * sin(a)));
        if (k == 0) {
            w.MoveTo(x, y);
        } else {
            w.LineTo(x, y);
        }
    }
    w.Close();
    w.EndPath();
    w.FillRule(vemo::kNonZero);
    // waves below, quadratic curves, bevel joins
    w.FillColour(0);
    w.Stroke(0xFF2A7AB8, 5000, vemo::kJoinBevel, vemo::kCapRound);
    for (int row = 0; row < 2; ++row) {
        int32_t y = -70000 - row * 12000;
        w.MoveTo(-60000, y);
        for (int k = 0; k < 4; ++k) {
            int32_t x = -60000 + k * 30000;
            w.QuadTo(x + 15000, y + (k % 2 ? -12000 : 12000), x + 30000, y);
        }
        w.EndPath();
    }
    // a translucent highlight over everything
    w.NoStroke();
    w.FillColour(0x40FFFFFF);
    w.Ellipse(-25000, 35000, 45000, 25000);
    return w;
}

// Gradient paints (format 1.6): a sky, a sun with its glow, a glossy ball with a highlight,
// hills, a repeated awning on a skewed frame and a ring stroked with a reflected gradient.
DrawingWriter Gradients() {
    using vemo::GradientPaint;
    using vemo::GradientStop;
    DrawingWriter w(1, vemo::kGradientMinor);
    const int32_t W = 4 * kInch, H = 3 * kInch;
    w.Bounds(DocRect{0, 0, W, H});
    w.DefaultView(DocRect{0, 0, W, H}, 1);
    w.NoStroke();
    auto paint = [&w](uint8_t target, uint8_t kind, uint8_t spread, const int32_t* frame,
                      int32_t fx, int32_t fy, const GradientStop* stops, uint32_t count) {
        w.Gradient(GradientPaint{target, kind, spread, frame[0], frame[1], frame[2], frame[3],
                                 frame[4], frame[5], fx, fy, stops, count});
    };
    // the sky, bottom to top
    const GradientStop sky[] = {{0, 0xFFFFD9A0}, {0x6000, 0xFFF3A0B8}, {0x10000, 0xFF3A4E8C}};
    const int32_t skyFrame[] = {0, 60000, 0, H, -1000, 60000};
    paint(vemo::kPaintFill, vemo::kGradientLinear, vemo::kSpreadPad, skyFrame, 0, 0, sky, 3);
    w.Rectangle(0, 0, W, H);
    // the sun's glow and the sun
    const GradientStop glow[] = {{0, 0xC0FFF4C0}, {0x10000, 0x00FFD9A0}};
    const int32_t glowFrame[] = {200000, 120000, 260000, 120000, 200000, 180000};
    paint(vemo::kPaintFill, vemo::kGradientRadial, vemo::kSpreadPad, glowFrame, 0, 0, glow, 2);
    w.Ellipse(200000, 120000, 60000, 60000);
    const GradientStop sun[] = {{0, 0xFFFFFBE0}, {0xB000, 0xFFFFD54A}, {0x10000, 0xFFF08A24}};
    const int32_t sunFrame[] = {200000, 120000, 225000, 120000, 200000, 145000};
    paint(vemo::kPaintFill, vemo::kGradientRadial, vemo::kSpreadPad, sunFrame, -16000, 16000, sun,
          3);
    w.Ellipse(200000, 120000, 25000, 25000);
    // hills: a linear gradient across each
    const GradientStop hill[] = {{0, 0xFF2E6B3A}, {0x10000, 0xFF8CC063}};
    const int32_t hillFrame[] = {0, 0, 0, 90000, 1000, 0};
    paint(vemo::kPaintFill, vemo::kGradientLinear, vemo::kSpreadPad, hillFrame, 0, 0, hill, 2);
    w.MoveTo(0, 0);
    w.LineTo(0, 70000);
    w.CubicTo(80000, 110000, 150000, 40000, W, 80000);
    w.LineTo(W, 0);
    w.Close();
    w.EndPath();
    // the ball: a focus up and to the left, then a translucent highlight
    const GradientStop ball[] = {{0, 0xFFFFB0B0}, {0x5000, 0xFFE0403A}, {0x10000, 0xFF5A0E10}};
    const int32_t ballFrame[] = {70000, 70000, 110000, 70000, 70000, 110000};
    paint(vemo::kPaintFill, vemo::kGradientRadial, vemo::kSpreadPad, ballFrame, -26000, 26000, ball,
          3);
    w.Ellipse(70000, 70000, 40000, 40000);
    const GradientStop shine[] = {{0, 0xB0FFFFFF}, {0x10000, 0x00FFFFFF}};
    const int32_t shineFrame[] = {58000, 86000, 76000, 92000, 54000, 98000};
    paint(vemo::kPaintFill, vemo::kGradientRadial, vemo::kSpreadPad, shineFrame, 0, 0, shine, 2);
    w.Ellipse(60000, 88000, 22000, 14000);
    // an awning of stripes: a repeated gradient on a skewed frame, with hard stops
    const GradientStop stripes[] = {
        {0, 0xFFFFFFFF}, {0x8000, 0xFFFFFFFF}, {0x8000, 0xFF2A7AB8}, {0x10000, 0xFF2A7AB8}};
    const int32_t stripeFrame[] = {130000, 20000, 142000, 20000, 136000, 60000};
    paint(vemo::kPaintFill, vemo::kGradientLinear, vemo::kSpreadRepeat, stripeFrame, 0, 0, stripes,
          4);
    w.Stroke(0xFF1F3A5F, 2000, vemo::kJoinMiter, vemo::kCapButt);
    w.MoveTo(130000, 20000);
    w.LineTo(270000, 20000);
    w.LineTo(250000, 60000);
    w.LineTo(150000, 60000);
    w.Close();
    w.EndPath();
    // a ring stroked with a reflected gradient
    w.FillColour(0);
    w.Stroke(0, 9000, vemo::kJoinRound, vemo::kCapRound);
    const GradientStop ring[] = {{0, 0xFF6A3FA0}, {0x10000, 0xFFF2C14E}};
    const int32_t ringFrame[] = {240000, 160000, 255000, 170000, 230000, 175000};
    paint(vemo::kPaintStroke, vemo::kGradientLinear, vemo::kSpreadReflect, ringFrame, 0, 0, ring,
          2);
    w.Ellipse(245000, 165000, 28000, 28000);
    return w;
}

// A small valid picture that the warning files share.
void Picture(DrawingWriter& w) {
    w.Bounds(DocRect{0, 0, 144000, 144000});
    w.DefaultView(DocRect{0, 0, 144000, 144000}, 1);
    w.FillColour(0xFF3C78D8);
    w.NoStroke();
    w.Rectangle(20000, 20000, 124000, 124000);
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    std::string out = argv[1];
    bool ok = Save(out, "town-map.vem", TownMap()) && Save(out, "chart.vem", Chart()) &&
              Save(out, "logo.vem", Logo()) && Save(out, "gradients.vem", Gradients());

    // Warning bit 0: a version 1.5 blend, skipped.
    {
        DrawingWriter w;
        Picture(w);
        const uint8_t blend[12] = {1, 0, 0, 0, 2, 0, 0, 0, 8, 0, 0, 0};
        w.Record(vemo::kTagBlend, blend, sizeof blend);
        w.FillColour(0xFFE69138);
        w.Ellipse(72000, 72000, 30000, 30000);
        ok = Save(out, "warning-blend.vem", w) && ok;
    }
    // Warning bit 0: version 1.5 text, skipped.
    {
        DrawingWriter w;
        Picture(w);
        const char text[] = "\x10\x27\x00\x00\x10\x27\x00\x00Town Hall";
        w.Record(vemo::kTagText, text, sizeof text - 1);
        ok = Save(out, "warning-text.vem", w) && ok;
    }
    // Warning bit 1: a record of a kind this reader does not know.
    {
        DrawingWriter w;
        Picture(w);
        const uint8_t future[5] = {9, 8, 7, 6, 5};
        w.Record(0x4001, future, sizeof future);
        w.FillColour(0xFF6AA84F);
        w.Rectangle(50000, 50000, 94000, 94000);
        ok = Save(out, "warning-unknown.vem", w) && ok;
    }
    // 0x80001001: a path record whose length does not match its operations.
    {
        DrawingWriter w;
        Picture(w);
        const uint8_t broken[13] = {3, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 0, 0};
        w.Record(vemo::kTagPath, broken, sizeof broken);
        ok = Save(out, "failure-corrupt.vem", w) && ok;
    }
    // 0x8534E107: a path record that declares more bytes than the documented limit.
    {
        DrawingWriter w;
        Picture(w);
        const uint8_t header[6] = {vemo::kTagPath, 0, 0, 0, 0, 0x40}; // 1 GiB
        w.Bytes(header, sizeof header);
        ok = Save(out, "failure-out-of-memory.vem", w) && ok;
    }
    // 0x8534E10B: a drawing of a newer major version.
    {
        DrawingWriter w(2, 0);
        Picture(w);
        ok = Save(out, "failure-version.vem", w) && ok;
    }
    return ok ? 0 : 1;
}
