// The rasteriser on arbitrary geometry: paths of any coordinates, widths, joins, clips and
// surfaces, painted with a colour or a gradient of any frame, focus and stops, drawn in random
// band steps into a buffer with guard pixels all around, plus hit tests. A guard pixel that
// changes, a job that does not finish, or pixels that differ from the same job drawn in one go
// are findings.
#include "renderer/raster/Raster.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    uint8_t Byte() { return at < size ? data[at++] : 0; }
    int32_t Int32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v |= uint32_t(Byte()) << (8 * i);
        return int32_t(v);
    }
    // Mostly coordinates near the surface, sometimes anything at all.
    int32_t Coordinate() {
        uint8_t kind = Byte();
        if (kind < 200)
            return int32_t(int8_t(Byte())) * 64 + (kind & 63) - 512;
        return Int32();
    }
    bool Done() const { return at >= size; }
};

constexpr uint32_t kGuard = 0x5A5AA5A5u;
constexpr int32_t kBorder = 3;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Reader in{data, size};
    const int32_t width = 1 + in.Byte() % 48, height = 1 + in.Byte() % 48;
    const uint8_t flags = in.Byte();
    RasterRect clip{int32_t(int8_t(in.Byte())), int32_t(int8_t(in.Byte())),
                    int32_t(int8_t(in.Byte())) + 40, int32_t(int8_t(in.Byte())) + 40};
    RasterPaint paint{uint32_t(in.Int32()), flags & 1};
    const FillRule rule = (flags & 2) ? FillRule::EvenOdd : FillRule::NonZero;
    const bool stroke = flags & 4;
    StrokeStyle style{(flags & 8) ? in.Int32() : int32_t(in.Byte()) * 8,
                      LineJoin(in.Byte() % 4), LineCap(in.Byte() % 4), in.Int32()};

    // A gradient paint when the selector's bit 0 is set.
    const uint8_t shade = in.Byte();
    RasterGradient gradient{};
    std::vector<RasterGradientStop> stops;
    if (shade & 1) {
        gradient.shape = GradientShape((shade >> 1) & 1);
        gradient.spread = GradientSpread((shade >> 2) & 3); // 3 is no spread: taken as pad
        double* frame[6] = {&gradient.ox, &gradient.oy, &gradient.ux,
                            &gradient.uy, &gradient.vx, &gradient.vy};
        for (double* v : frame)
            *v = in.Coordinate() / 256.0;
        gradient.fx = in.Int32() / 65536.0;
        gradient.fy = in.Int32() / 65536.0;
        const int32_t count = (shade & 16) ? 300 : in.Byte(); // 0 and beyond the most too
        for (int32_t i = 0; i < count; ++i) {
            const int32_t offset = in.Int32();
            stops.push_back(RasterGradientStop{uint32_t(offset) & 0x1FFFFu, uint32_t(in.Int32())});
        }
        gradient.stops = stops.data();
        gradient.stopCount = count;
        paint.gradient = &gradient;
    }

    RasterPath path;
    for (int32_t i = 0; i < 300 && !in.Done(); ++i) {
        switch (in.Byte() % 6) {
        case 0: path.MoveTo(in.Coordinate(), in.Coordinate()); break;
        case 1:
        case 5: path.LineTo(in.Coordinate(), in.Coordinate()); break;
        case 2: {
            int32_t a = in.Coordinate(), b = in.Coordinate();
            path.QuadTo(a, b, in.Coordinate(), in.Coordinate());
            break;
        }
        case 3: {
            int32_t a = in.Coordinate(), b = in.Coordinate(), c = in.Coordinate(),
                    d = in.Coordinate();
            path.CubicTo(a, b, c, d, in.Coordinate(), in.Coordinate());
            break;
        }
        case 4: path.Close(); break;
        }
    }

    // The surface sits inside a guarded buffer; top-down or bottom-up.
    const int32_t fullWidth = width + 2 * kBorder, fullHeight = height + 2 * kBorder;
    std::vector<uint32_t> buffer(size_t(fullWidth) * fullHeight, kGuard);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            buffer[size_t(y + kBorder) * fullWidth + x + kBorder] = 0xFFFFFFFFu;
    RasterSurface surface;
    if (flags & 16) {
        surface = RasterSurface{
            reinterpret_cast<uint8_t*>(&buffer[size_t(kBorder + height - 1) * fullWidth + kBorder]),
            -ptrdiff_t(fullWidth) * 4, width, height};
    } else {
        surface = RasterSurface{
            reinterpret_cast<uint8_t*>(&buffer[size_t(kBorder) * fullWidth + kBorder]),
            ptrdiff_t(fullWidth) * 4, width, height};
    }

    // The same job in one go, on a copy of the buffer, for the pixels to compare with.
    std::vector<uint32_t> once = buffer;
    RasterSurface onceSurface = surface;
    onceSurface.firstRow +=
        (reinterpret_cast<uint8_t*>(once.data()) - reinterpret_cast<uint8_t*>(buffer.data()));
    RasterJob job;
    if (stroke ? job.StartStroke(path, style, paint, onceSurface, clip)
               : job.StartFill(path, rule, paint, onceSurface, clip))
        job.Run();
    int32_t started = stroke ? job.StartStroke(path, style, paint, surface, clip)
                             : job.StartFill(path, rule, paint, surface, clip);
    if (started) {
        // The preparation in pieces of a size the input picks, then band by band.
        const int32_t piece = 1 + (flags >> 5) * 131;
        while (!job.Prepare(piece)) {
        }
        int32_t bands = job.BandsLeft();
        int32_t steps = 0;
        while (!job.Step(1 + (flags >> 5)))
            if (++steps > bands)
                abort(); // more steps than bands
    }
    if (once != buffer)
        abort(); // the pieces changed the pixels
    FillRectangle(surface, clip, paint.colour);

    for (int32_t y = 0; y < fullHeight; ++y)
        for (int32_t x = 0; x < fullWidth; ++x) {
            bool inside = x >= kBorder && x < kBorder + width && y >= kBorder && y < kBorder + height;
            if (!inside && buffer[size_t(y) * fullWidth + x] != kGuard)
                abort(); // drawn outside the surface
        }

    RasterPoint point{in.Coordinate(), in.Coordinate()};
    int32_t radius = in.Int32();
    if (stroke)
        HitTestStroke(path, style, point, radius);
    else
        HitTestFill(path, rule, point, radius);
    return 0;
}
