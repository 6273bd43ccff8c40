// vemo_raster: the scan converter behind the drawing renderer.
//
// Fills and strokes paths into 32-bit BGRA pixel buffers with exact-area anti-aliasing (or
// pixel-centre sampling when smoothing is off), in pieces of bounded work (preparation
// included), so that a caller with a time budget can stop between any two pieces and continue
// later. Pure C++: no platform headers, no threads,
// no exceptions; allocation failures are reported as 0 results.
//
// Coordinates are pixels of the surface in 24.8 fixed point (256 is one pixel), x to the right,
// y downwards; the pixel (x, y) covers [x, x + 1) x [y, y + 1). Any int32 value is accepted:
// geometry outside the clip rectangle costs little and never draws outside it. Lines are cut
// where they cross the clip's sides, at points rounded to 1/256 pixel, so a pixel next to a
// clip side may differ by one step per channel from the same pixel drawn with a wider clip.
//
// Colours are 0xAARRGGBB with straight (not premultiplied) alpha, stored little-endian as the
// bytes B, G, R, A. Drawing blends source-over.
//
// Limits: a job holds at most kRasterMaxEdges line edges after flattening and clipping (a
// job beyond that fails and draws nothing); each edge takes 72 bytes while the job lives
// (so at most 144 MiB), plus 64 KiB to 1 MiB of accumulators (and, for a stroke, 16 bytes for
// each piece of an edge inside one pixel of the band at hand, at most 32 MiB); a curve becomes
// at most 4096 lines; a surface is at most kRasterMaxSize pixels wide and high. With the
// non-zero rule, winding numbers whose magnitude passes 16383 inside one path may be drawn as
// if uncovered (the accumulators wrap; nothing else goes wrong).
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr int32_t kRasterShift = 8;
constexpr int32_t kRasterOne = 1 << kRasterShift; // one pixel in 24.8
constexpr int32_t kRasterMaxEdges = 1 << 21;
constexpr int32_t kRasterMaxSize = 65535;

struct RasterPoint {
    int32_t x;
    int32_t y;
};

// A pixel rectangle, half-open: [x0, x1) x [y0, y1).
struct RasterRect {
    int32_t x0;
    int32_t y0;
    int32_t x1;
    int32_t y1;
};

// Pixel (x, y) lives at firstRow + y * stride + 4 * x. A bottom-up buffer (the last row first
// in memory) has firstRow at its last row and a negative stride. Pixels are 32-bit words:
// firstRow and stride must be multiples of 4.
struct RasterSurface {
    uint8_t* firstRow;
    ptrdiff_t stride; // bytes from one row to the row below it
    int32_t width;
    int32_t height;
};

RasterSurface TopDownSurface(void* pixels, int32_t width, int32_t height);
RasterSurface BottomUpSurface(void* pixels, int32_t width, int32_t height);

enum class FillRule : int32_t { NonZero = 0, EvenOdd = 1 };
enum class LineJoin : int32_t { Miter = 0, Round = 1, Bevel = 2 };
enum class LineCap : int32_t { Butt = 0, Round = 1, Square = 2 };

// Path verbs; the points each consumes: Move 1, Line 1, Quad 2, Cubic 3, Close 0.
enum RasterVerb : uint8_t {
    kVerbMove = 0,
    kVerbLine = 1,
    kVerbQuad = 2,
    kVerbCubic = 3,
    kVerbClose = 4,
};

// A growable list of verbs and points. A drawing verb without a preceding Move starts at the
// last point (or at 0, 0). Fills close every subpath; strokes close only those with Close.
// Appends return 1, or 0 when memory ran out or the path passed kMaxPoints points (the
// path then keeps what it had and `failed` stays set until Clear).
class RasterPath {
public:
    static constexpr int32_t kMaxPoints = 1 << 24;

    RasterPath() = default;
    ~RasterPath();
    RasterPath(const RasterPath&) = delete;
    RasterPath& operator=(const RasterPath&) = delete;

    int32_t MoveTo(int32_t x, int32_t y) { return AppendOne(kVerbMove, x, y); }
    int32_t LineTo(int32_t x, int32_t y) { return AppendOne(kVerbLine, x, y); }
    int32_t QuadTo(int32_t cx, int32_t cy, int32_t x, int32_t y);
    int32_t CubicTo(int32_t c1x, int32_t c1y, int32_t c2x, int32_t c2y, int32_t x, int32_t y);
    int32_t Close();
    void Clear(); // empties the path, keeps its memory
    // Makes room for `verbs` verbs and `points` points in all, keeping what the path holds: 1
    // when it took fresh memory for them, 0 when the room was there (or memory ran out, or
    // the counts pass the limit: appending then grows the lists as it goes).
    int32_t Reserve(int32_t verbs, int32_t points);

    // Bounding box of all points (control points included), 24.8; 0 when the path is empty.
    int32_t Bounds(RasterPoint* minimum, RasterPoint* maximum) const;

    const uint8_t* verbs() const { return verbList; }
    const RasterPoint* points() const { return pointList; }
    int32_t verbCount() const { return verbUsed; }
    int32_t pointCount() const { return pointUsed; }
    int32_t failed() const { return appendFailed; }

private:
    int32_t Append(uint8_t verb, const RasterPoint* p, int32_t n);
    // A move or a line: stored at once while there is room, else through Append.
    int32_t AppendOne(uint8_t verb, int32_t x, int32_t y) {
        if (verbUsed < verbCapacity && pointUsed < pointCapacity && !appendFailed) {
            verbList[verbUsed++] = verb;
            pointList[pointUsed++] = RasterPoint{x, y};
            return 1;
        }
        RasterPoint p{x, y};
        return Append(verb, &p, 1);
    }

    uint8_t* verbList = nullptr;
    RasterPoint* pointList = nullptr;
    int32_t verbUsed = 0;
    int32_t pointUsed = 0;
    int32_t verbCapacity = 0;
    int32_t pointCapacity = 0;
    int32_t appendFailed = 0;
};

// Stroke geometry. With smoothing, a stroke of any width above 0 covers exactly the area of its
// outline (a 0.3-pixel line inks 0.3 of each pixel it crosses fully); without smoothing,
// widths below one pixel are drawn one pixel wide, so that thin lines never break up. Width 0
// is a one-pixel hairline at every zoom.
struct StrokeStyle {
    int32_t width; // 24.8 pixels
    LineJoin join;
    LineCap cap;
    int32_t miterLimit; // 16.16: longest miter as a multiple of the width; below 1.0 acts as 1.0
};

// A gradient paint (RasterGradient.cpp has the details). The frame maps the gradient's unit
// space (u, v) to the surface point O + u (U - O) + v (V - O), in pixels (not 24.8), y down.
// Linear: t = u. Radial: t is 0 at the focus F (unit space) and 1 on the unit circle, along
// each ray from F; a focus on or outside the circle is moved onto radius 0.999. The spread
// maps t outside [0, 1] (pad, reflect, repeat), and the stops give the colour at t: linear
// interpolation in straight alpha between them. Each pixel takes the colour at its centre.
// A frame without area paints the last stop's colour.
struct RasterGradientStop {
    uint32_t offset; // 16.16 in [0, 65536], non-decreasing
    uint32_t argb;   // 0xAARRGGBB, straight alpha
};
enum class GradientShape : int32_t { Linear = 0, Radial = 1 };
enum class GradientSpread : int32_t { Pad = 0, Reflect = 1, Repeat = 2 };
constexpr int32_t kRasterMaxStops = 256;
struct RasterGradient {
    GradientShape shape;
    GradientSpread spread;
    double ox, oy, ux, uy, vx, vy; // the frame, surface pixels
    double fx, fy;                 // radial focus, unit space
    const RasterGradientStop* stops;
    int32_t stopCount; // 1 ... kRasterMaxStops; the job copies what it needs at its start
};

struct RasterPaint {
    uint32_t colour;  // 0xAARRGGBB, straight alpha
    int32_t smoothed; // 1 exact-area anti-aliasing, 0 pixel-centre sampling
    const RasterGradient* gradient = nullptr; // when set, it paints instead of the colour
};

struct RasterJobState;

// One fill or stroke in progress. Start copies the path and the settings; the work is then done
// in pieces as small as the caller likes: preparation (flattening, stroking, clipping, sorting
// the edges, whose cost grows with the path's size, not with the clip), then converting and
// compositing a band of rows at a time, top to bottom. However the work is cut, the pixels are
// the same. A job may be reused: Start again once finished or after Cancel; its buffers are
// kept and grow as needed. The surface's pixels must stay valid until the job is finished or
// cancelled; the path may change as soon as Start returned (unless read in place).
//
// Work is counted in units of roughly equal cost (a line flattened, stroked or stored, an edge
// sorted, an edge crossing a band; a band's sweep counts as kRasterBandWork units), so that
// Advance(n) takes time in proportion to n whatever the geometry. One unit may stand for a few
// more pieces (a curve's lines, a round join's arc), never for more than a bounded handful.
constexpr int32_t kRasterBandWork = 256;

class RasterJob {
public:
    RasterJob() = default;
    ~RasterJob();
    RasterJob(const RasterJob&) = delete;
    RasterJob& operator=(const RasterJob&) = delete;

    // 1 when the job is ready to run (possibly with nothing to draw), 0 when memory ran out
    // copying the path: then the job is finished. The clip is intersected with the surface.
    int32_t StartFill(const RasterPath& path, FillRule rule, const RasterPaint& paint,
                      const RasterSurface& surface, const RasterRect& clip);
    int32_t StartStroke(const RasterPath& path, const StrokeStyle& style, const RasterPaint& paint,
                        const RasterSurface& surface, const RasterRect& clip);

    // Jobs started from now on read the caller's path in place (1) instead of copying it (0,
    // the default): the path must then stay unchanged until the job is finished or cancelled.
    // It saves a copy of the path's size at the start.
    void ReadPathInPlace(int32_t inPlace);

    // Does at most about `work` units (at least one piece when work > 0); 1 once finished.
    int32_t Advance(int32_t work);
    // The units the last Advance did (its budget may be passed by the piece that used it up).
    int64_t LastWork() const;
    // Does at most `work` units of the preparation only; 1 once it is complete (then
    // BandsLeft tells the bands to draw).
    int32_t Prepare(int32_t work);
    // Completes the preparation, then draws at most maxBands bands (none for maxBands < 1);
    // 1 once everything is drawn.
    int32_t Step(int32_t maxBands);
    // Draws everything that is left; 1 when the job succeeded, 0 when it failed.
    int32_t Run();
    int32_t Finished() const;
    // 1 when memory ran out or the limits were passed: then nothing is drawn and the job is
    // finished.
    int32_t Failed() const;
    // Drops the rest of the job.
    void Cancel();

    // Rows per band of the current job (at least 1), and bands left to draw (0 until the
    // preparation is complete).
    int32_t BandHeight() const;
    int32_t BandsLeft() const;

private:
    int32_t Start(const RasterPath& path, const RasterPaint& paint, const RasterSurface& surface,
                  const RasterRect& clip, int32_t alphaScale256);
    RasterJobState* state = nullptr;
    int32_t pathInPlace = 0;
    int64_t lastWork = 0;
};

// One-call forms: start and run a job. 1 on success, 0 when memory ran out or the limits were
// passed (then nothing is drawn).
int32_t FillPath(const RasterPath& path, FillRule rule, const RasterPaint& paint,
                 const RasterSurface& surface, const RasterRect& clip);
int32_t StrokePath(const RasterPath& path, const StrokeStyle& style, const RasterPaint& paint,
                   const RasterSurface& surface, const RasterRect& clip);

// Fills (opaque colour) or blends (translucent colour) the rectangle, clipped to the surface.
void FillRectangle(const RasterSurface& surface, const RasterRect& rect, uint32_t colour);

// Spans are composited with SSE2 where the build has it; 1 switches to the scalar routines
// (the same pixels), 0 back. For benchmarks and tests; not thread-safe.
void RasterSetScalarCompositing(int32_t scalar);

// Where pieces of one stroke that are not neighbours overlap inside a pixel, the pixel takes
// the area of their union (Raster.cpp, "Overlaps"); 0 switches that off (the pixel then takes
// the sum of their areas, capped at one: faster on densely overlapping strokes), 1 back on,
// the default. For benchmarks and tests; not thread-safe.
void RasterSetExactOverlaps(int32_t exact);

// Whether the fill (or the stroke) of the path touches the square of half-size `radius`
// (24.8) centred on `point` (24.8): any coverage there counts. Bounded work, like a job.
int32_t HitTestFill(const RasterPath& path, FillRule rule, RasterPoint point, int32_t radius);
int32_t HitTestStroke(const RasterPath& path, const StrokeStyle& style, RasterPoint point,
                      int32_t radius);
