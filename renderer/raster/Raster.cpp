// The scan converter: exact-area coverage with integer accumulation, band by band.
//
// =================================================================================================
// How it works
// =================================================================================================
//
// 1. Geometry to edges. A path (24.8 fixed point, pixel units, y downwards) is walked verb by
//    verb in the clip's local coordinates. Quadratic and cubic curves are cut into the fewest
//    even steps whose chords stay within 1/16 pixel of the curve (RasterFlatten.inl), their
//    inner points moved outwards so that the chords lose no area; a curve that needs more
//    than 16 steps is halved (de Casteljau) first, at most 12 times, and a piece whose control
//    points all lie outside the clip rectangle is replaced by its chord at once, so a huge
//    curve costs work only where it is visible. Every line is then clipped:
//      - parts above or below the clip are dropped (they cover nothing inside it);
//      - parts right of the clip are dropped (a line only affects pixels to its right);
//      - parts left of the clip are projected onto its left side: there they add their full
//        winding to every pixel of the row, which is exactly what they did before.
//    What is left is rounded to 24.8 and stored as an edge running downwards with a winding
//    sign. Clipping happens in double precision on values that started as int32, so any input
//    is safe; after clipping every coordinate lies inside the clip, whose size is at most
//    65535 pixels, and all later arithmetic fits easily in 64 bits (mostly in 32).
//
// 2. Edges to cells. The columns the edges span (not the whole clip: a narrow shape gets tall
//    bands) are cut into bands of a few rows (about 64 KiB of accumulators, at most 64 rows).
//    Each band owns one 32-bit accumulator per pixel ("cell") plus one, and a bit per cell
//    that says it was touched. For every edge crossing the band, and every row it crosses, the
//    piece of the edge inside the row is split at the cell borders. A piece inside one cell,
//    with height dy (in 1/256 pixel, signed by the winding) and entering and leaving at x
//    offsets fx0, fx1 (0..256) inside the cell, covers the part of the row to its right:
//        in its own cell     dy * (256 - (fx0 + fx1) / 2)
//        in every cell right of it  dy * 256
//    (areas in 1/65536 pixel). Kept doubled to stay integral, the piece adds
//        cells[x]     += dy * (512 - fx0 - fx1)
//        cells[x + 1] += dy * (fx0 + fx1)
//    so that the running sum of the cells along the row is the signed covered area of each
//    pixel: 131072 (2^17) for a pixel fully covered once. This is the accumulation of
//    FreeType's smooth rasteriser and font-rs, with one array instead of (cover, area) pairs.
//    The split points are computed from the edge's end points (never incrementally), so a row
//    gives the same cells whichever band draws it.
//
//    Without smoothing the same cells take a pixel-centre test instead: an edge crossing the
//    horizontal line through the centres of a row, at x = xc, adds its full winding 2^17 to
//    the first pixel whose centre is at or right of xc (an exact integer ceiling), so a pixel
//    is inside when its centre is; centres on a top edge are in, on a bottom edge out.
//
// 3. Cells to pixels. Each row of the band is swept through its touched bits only (a count of
//    trailing zeros at a time), adding cells into the running sum and clearing them behind.
//    Between two touched cells the coverage cannot change, so the row comes out as runs of
//    constant coverage: a run of full coverage with an opaque colour is a plain fill, other runs
//    blend (a run of one pixel, an edge's, right there in the sweep). The sum becomes a
//    coverage by the fill rule: non-zero takes |sum| capped at 2^17; even-odd folds sum modulo
//    2^18 (which the 32-bit wrap-around keeps exact). Coverage is rounded to 0..255 and
//    multiplies the colour's alpha.
//
// 4. Blending is source-over with straight colour: out = (c * a + d * (255 - a)) / 255 per
//    channel, rounded, computed two channels at a time in 32-bit lanes.
//
// 5. Resuming. Everything a job does is cut into pieces of bounded work, each loop keeping its
//    index in the job: the walk along the path (a verb at a time; a curve is at most 4096
//    lines), the stroker (a segment, a join's arc or an outline edge at a time), the counting
//    sort (edges are bucketed by first band, a range of edges at a time), and the bands (an edge
//    at a time, then the band's sweep, a row at a time). The cells only add up, so the pieces
//    may fall anywhere and the pixels are the same as in one go. Edges and outline points live
//    in lists that grow a block at a time, so growing them never copies what they hold. Memory
//    the job never wrote before costs the first touch of its pages too (the system maps and
//    clears them), several times the work of using it, and is counted so (kFreshBytes): edges
//    stored there, fresh blocks of overlap parts, and the sorted and active lists and the
//    accumulators grown for a job, which the counting touches or clears a range at a time.
//    (Start copies the path itself unless it is read in place: one memcpy, a millisecond for
//    the largest path a drawing can hold.) Edges stay in the active list until their last
//    band, so a band only looks at edges that cross it.
//
// Strokes (RasterStroke.cpp) become one outline per subpath that winds like the sum of the
// stroke's pieces (a rectangle per segment, a wedge per join, the caps), with the overlaps of
// neighbouring pieces taken out, so that exact-area coverage counts their union once; then
// they are drawn like fills, at their true width however thin (a hairline, width 0, is one
// pixel wide). Pieces that are not neighbours overlap too (a line crossing itself, a dense
// coastline folding back within a pixel, a shape drawn twice): step 6 counts those once.
//
// 6. Overlaps. The sum of signed areas is the covered area only while the winding inside the
//    pixel stays within {0, 1} (or {0, -1}), or nowhere falls to 0: where two pieces of a
//    stroke overlap in part of a pixel, the overlap would be inked twice. The stroker tags
//    every edge with the piece it bounds (segment i - 1 with the join at point i; subpaths and
//    dots apart), so that neighbouring pieces differ by 1, or by 2 where the outline goes
//    through a corner point and leaves the two segments' overlap in. While a stroke's band
//    is converted, every part of an edge inside a pixel is also kept (x inside the cell, y
//    inside the row, 1/256 pixel, and its winding), listed per cell, and each cell keeps the
//    least and greatest tag among its parts (the four words of a cell: accumulator, list,
//    least, greatest, in one cache line). Level edges, which change no winding and are dropped
//    by fills, are kept for strokes as parts of no height, so that a side running along a row
//    still shows its tag in the cells it passes. A cell whose tags lie 2 or more apart may hold
//    an overlap the stroker did not take out; before the band is swept, the rows holding one
//    are walked left to right through their touched cells, following
//      - the running sum of the accumulators (what the sweep will see), and
//      - the winding on each of 8 sample lines (y = 16, 48, ... 240 in the row) just left of
//        the cell: each kept part adds its winding to the lines it crosses (ya <= y < yb),
//        kept as differences between lines, so a part costs two additions.
//    In such a cell the parts' crossings of each line are sorted by x, and the winding is
//    followed from its value at the left side: a stretch of winding w with |w| > 1 counts
//    (|w| - 1) times its length as excess. The cell's coverage is its area sum less the excess
//    (scaled to 2^17 over the lines), capped at one layer: exact wherever the winding stays
//    within one layer, and sampled in y only where the overlap is. If no line finds a stretch
//    of winding 0, nothing is taken off (the capped sum is right there already); nor where no
//    line can reach winding 2, which its winding at the left side and the counts of parts
//    going up and down across it tell before any crossing is sorted (most cells of a dense
//    thin outline: three short segments in a pixel differ by 2 in tags, but seldom overlap).
//    The cell's accumulator takes the difference and the next cell gives it back, so the
//    pixels to the right keep theirs. Only rows and cells where overlaps can be pay: a row's
//    walk ends at its last such cell. A cell of more than 256 parts (coastlines folding back
//    on themselves many times inside a pixel) keeps its area sum, and one of more than 4096
//    ends the walk of its row (the rest keep theirs), which bounds the work of a cell; the
//    walk is counted as work and resumes at any cell, so bands still cut anywhere.
//    If memory for the parts runs out, or a band would keep more than 2^21 of them (32 MiB),
//    the band keeps its area sums. Non-zero fills keep the area sum (two coincident copies of a
//    filled shape still add up at its edges). Even-odd fills go the same way with every line of
//    the outline tagged by its place (subpaths 2 apart): the folded sum is exact while the
//    windings inside a pixel span two neighbouring values, but rings of one path closer than a
//    pixel (a blend of nested squares, each drawn as a square with a hole) put windings 0, 1
//    and 2 in one pixel, and the fold would count the doubly wound part twice instead of not
//    at all (and windings 1 and -1 of two shapes wound against each other would cancel). Such
//    a cell takes the length of odd winding along the lines instead. Keeping the parts costs
//    a sixth of a fill's time or more, so an even-odd fill keeps them only when its vertices
//    show two passes of its outline going the same way within a pixel (RingsMeet).
// =================================================================================================
#include "renderer/raster/RasterInternal.h"

#include "renderer/raster/RasterComposite.h"

#include <algorithm>
#include <math.h>
#include <new>
#include <string.h>
#include <type_traits>

namespace {

constexpr int32_t kFullCover = 1 << 17; // a pixel covered once, in doubled area units
constexpr int32_t kMaxBandPieces = 1 << 21; // 32 MiB of parts a band; beyond, its area sums
int32_t gExactOverlaps = 1;
constexpr int32_t kBandCells = 16384;   // accumulator cells per band (64 KiB)
// Memory the job never wrote before costs the first touch of its pages (the system maps and
// clears them), a few times the work of using it: a unit for every kFreshBytes bytes, so an
// edge written there costs kFreshEdgeWork units more.
constexpr int32_t kFreshBytes = 8;
constexpr int32_t kFreshEdgeWork = int32_t(sizeof(RasterEdge)) / kFreshBytes;

inline int64_t FloorDiv(int64_t a, int64_t b) { // b > 0
    int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

// Nearest integer of a value within +-2^25 (halves upwards), without a library call.
inline int32_t RoundNear(double v) {
    return int32_t(v + (0.5 + 33554432.0)) - 33554432;
}

inline int32_t ClampRound(double v, int32_t hi) {
    if (!(v > 0)) {
        return 0;
    }
    if (v >= hi) {
        return hi;
    }
    return int32_t(v + 0.5);
}

// Makes room for `needed` elements, keeping the first `keep`; false when memory ran out.
template <class T> bool Grow(T*& array, int32_t& capacity, int64_t needed, int32_t keep = 0) {
    if (needed <= capacity) {
        return true;
    }
    int64_t grown = capacity ? int64_t(capacity) * 2 : 256;
    if (grown < needed) {
        grown = needed;
    }
    if (grown > INT32_MAX / int64_t(sizeof(T))) {
        return false;
    }
    T* fresh = new (std::nothrow) T[size_t(grown)];
    if (!fresh) {
        return false;
    }
    if (keep > 0) {
        memcpy(fresh, array, sizeof(T) * size_t(keep));
    }
    delete[] array;
    array = fresh;
    capacity = int32_t(grown);
    return true;
}

inline int32_t Div255(int32_t v) {
    return (v + 128 + ((v + 128) >> 8)) >> 8;
}

// A surface the converter can draw on: pixels of 32-bit words, sizes within the limits.
bool UsableSurface(const RasterSurface& s) {
    return s.firstRow && s.width > 0 && s.height > 0 && s.width <= kRasterMaxSize &&
           s.height <= kRasterMaxSize && (reinterpret_cast<uintptr_t>(s.firstRow) & 3) == 0 &&
           (s.stride & 3) == 0;
}

} // namespace

RasterSurface TopDownSurface(void* pixels, int32_t width, int32_t height) {
    return RasterSurface{static_cast<uint8_t*>(pixels), ptrdiff_t(width) * 4, width, height};
}

RasterSurface BottomUpSurface(void* pixels, int32_t width, int32_t height) {
    uint8_t* base = static_cast<uint8_t*>(pixels);
    ptrdiff_t stride = ptrdiff_t(width) * 4;
    return RasterSurface{height > 0 ? base + stride * (height - 1) : base, -stride, width, height};
}

// ------------------------------------------------------------------------------------------------
// Job state
// ------------------------------------------------------------------------------------------------

RasterJobState::~RasterJobState() {
    delete[] sorted;
    delete[] active;
    delete[] bandCounts;
    delete[] vertices;
    delete[] vertexOrder;
    delete[] vertexMerge;
    delete[] cells;
    delete[] touched;
    delete[] verbCopy;
    delete[] pointCopy;
    StrokeDelete(stroke);
    GradientDelete(gradient);
}

int32_t RasterJobState::Begin(const RasterSurface& surface, const RasterRect& clip) {
    edgeCount = 0;
    edges.Clear();
    activeCount = 0;
    nextEdge = 0;
    failed = 0;
    hit = 0;
    hitOnly = 0;
    gradientOn = 0;
    exact = 0;
    edgeTag = 0;
    keptFirst = INT32_MIN;
    keptLast = INT32_MAX;
    finished = 1;
    phase = JobPhase::Done;
    bandBegun = 0;
    minX = minY = INT32_MAX;
    maxX = maxY = INT32_MIN;
    rightCut = 0;
    cellShift = 0;
    int32_t sw = surface.width, sh = surface.height;
    if (!UsableSurface(surface)) {
        width = height = 0;
        return 1;
    }
    int32_t x0 = clip.x0 > 0 ? clip.x0 : 0;
    int32_t y0 = clip.y0 > 0 ? clip.y0 : 0;
    int32_t x1 = clip.x1 < sw ? clip.x1 : sw;
    int32_t y1 = clip.y1 < sh ? clip.y1 : sh;
    if (x1 <= x0 || y1 <= y0) {
        width = height = 0;
        return 1;
    }
    origin = surface.firstRow + surface.stride * y0 + ptrdiff_t(x0) * 4;
    stride = surface.stride;
    width = x1 - x0;
    height = y1 - y0;
    clipW = double(width) * kRasterOne;
    clipH = double(height) * kRasterOne;
    originX = double(x0) * kRasterOne;
    originY = double(y0) * kRasterOne;
    return 1;
}

void RasterJobState::SetPaint(uint32_t paintColour, int32_t alphaScale256, int32_t smooth) {
    int32_t a = int32_t(paintColour >> 24);
    if (alphaScale256 < 256) {
        a = (a * alphaScale256 + 128) >> 8;
    }
    alpha = a;
    source = MakeSolidSource(paintColour);
    smoothed = smooth ? 1 : 0;
}

inline void RasterJobState::StoreEdge(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t dir) {
    int32_t below = y1;
    if (y0 == y1) {
        // Level: it changes no winding, but where overlaps are resolved it tells which pieces
        // meet in the cells along it (a stroke's side along a row has no other edge there).
        if (!exact || x0 == x1 || y0 >= height * kRasterOne) {
            return;
        }
        below = y0 + 1;
    }
    // Into the list's room, with the job's count of edges and the charge for fresh memory.
    const int32_t i = edgeCount; // the list's count too
    int32_t left = 0;
    RasterEdge* const at = failed || i >= kRasterMaxEdges ? nullptr : edges.Room(&left);
    if (!at) {
        failed = 1;
        return;
    }
    *at = RasterEdge{x0, y0, x1, y1, dir, edgeTag};
    edgeCount = edges.count = i + 1;
    if (i >= edges.reached) {
        edges.reached = i + 1;
        work -= kFreshEdgeWork;
    }
    int32_t lo = x0 < x1 ? x0 : x1, hi = x0 < x1 ? x1 : x0;
    minX = lo < minX ? lo : minX;
    maxX = hi > maxX ? hi : maxX;
    minY = y0 < minY ? y0 : minY;
    maxY = below > maxY ? below : maxY;
}

void RasterJobState::AddLine(double x0, double y0, double x1, double y1, int32_t dir) {
    if (width <= 0) {
        return;
    }
    if (y0 == y1) {
        const double w = clipW;
        if (exact && y0 >= 0 && y0 < clipH && (x0 < w || x1 < w) &&
            (x0 > 0 || x1 > 0)) {
            const int32_t wi = width * kRasterOne;
            StoreEdge(ClampRound(x0, wi), RoundNear(y0), ClampRound(x1, wi), RoundNear(y0), dir);
        }
        return;
    }
    if (y0 > y1) {
        std::swap(x0, x1);
        std::swap(y0, y1);
        dir = -dir;
    }
    const double w = clipW, h = clipH;
    if (y1 <= 0 || y0 >= h) {
        return;
    }
    if (x0 >= w && x1 >= w) {
        rightCut = 1;
        return;
    }
    if (y0 >= 0 && y1 <= h && x0 >= 0 && x0 <= w && x1 >= 0 && x1 <= w) {
        StoreEdge(RoundNear(x0), RoundNear(y0), RoundNear(x1), RoundNear(y1), dir); // inside
        return;
    }
    // Clip to the rows of the clip.
    double dx = x1 - x0, dy = y1 - y0;
    double cx0 = x0, cy0 = y0, cx1 = x1, cy1 = y1;
    if (y0 < 0) {
        cx0 = x0 + dx * (0 - y0) / dy;
        cy0 = 0;
    }
    if (y1 > h) {
        cx1 = x0 + dx * (h - y0) / dy;
        cy1 = h;
    }
    // Cut at the left and right sides: x = 0 and x = w.
    double px[4], py[4];
    int n = 0;
    px[n] = cx0, py[n] = cy0, ++n;
    double ex = cx1 - cx0, ey = cy1 - cy0;
    double cuts[2];
    int cutCount = 0;
    if ((cx0 < 0) != (cx1 < 0) && ex != 0) {
        cuts[cutCount++] = (0 - cx0) / ex;
    }
    if ((cx0 < w) != (cx1 < w) && ex != 0) {
        cuts[cutCount++] = (w - cx0) / ex;
    }
    if (cutCount == 2 && cuts[0] > cuts[1]) {
        double t = cuts[0];
        cuts[0] = cuts[1];
        cuts[1] = t;
    }
    for (int i = 0; i < cutCount; ++i) {
        double t = cuts[i] < 0 ? 0 : (cuts[i] > 1 ? 1 : cuts[i]);
        px[n] = cx0 + ex * t;
        py[n] = cy0 + ey * t;
        ++n;
    }
    px[n] = cx1, py[n] = cy1, ++n;
    const int32_t wi = width * kRasterOne, hi = height * kRasterOne;
    for (int i = 0; i + 1 < n; ++i) {
        double mx = (px[i] + px[i + 1]) * 0.5;
        int32_t ya = ClampRound(py[i], hi), yb = ClampRound(py[i + 1], hi);
        if (ya >= yb) {
            continue;
        }
        if (mx >= w) {
            rightCut = 1;
            continue; // right of the clip: nothing to its right is drawn
        }
        if (mx <= 0) {
            StoreEdge(0, ya, 0, yb, dir); // left of the clip: its winding, at the left side
        } else {
            StoreEdge(ClampRound(px[i], wi), ya, ClampRound(px[i + 1], wi), yb, dir);
        }
    }
}

void RasterJobState::AddPolygon(const double* xy, int32_t count, int32_t sign) {
    if (count < 3) {
        return;
    }
    double area = 0;
    for (int32_t i = 0; i < count; ++i) {
        int32_t j = i + 1 == count ? 0 : i + 1;
        area += xy[2 * i] * xy[2 * j + 1] - xy[2 * j] * xy[2 * i + 1];
    }
    if (area == 0) {
        return;
    }
    int32_t dir = (area > 0 ? 1 : -1) * sign;
    for (int32_t i = 0; i < count; ++i) {
        int32_t j = i + 1 == count ? 0 : i + 1;
        AddLine(xy[2 * i], xy[2 * i + 1], xy[2 * j], xy[2 * j + 1], dir);
    }
}

int32_t RasterJobState::CopyPath(const RasterPath& path) {
    verbCount = pointCount = 0;
    if (!Grow(verbCopy, verbCapacity, path.verbCount()) ||
        !Grow(pointCopy, pointCapacity, path.pointCount())) {
        return 0;
    }
    verbCount = path.verbCount();
    pointCount = path.pointCount();
    if (verbCount > 0) {
        memcpy(verbCopy, path.verbs(), size_t(verbCount));
    }
    if (pointCount > 0) {
        memcpy(pointCopy, path.points(), sizeof(RasterPoint) * size_t(pointCount));
    }
    verbs = verbCopy;
    points = pointCopy;
    return 1;
}

void RasterJobState::ReadPath(const RasterPath& path) {
    verbs = path.verbs();
    points = path.points();
    verbCount = path.verbCount();
    pointCount = path.pointCount();
}

void RasterJobState::Fail() {
    failed = 1;
    edgeCount = 0;
    edges.Clear();
    activeCount = 0;
    finished = 1;
    phase = JobPhase::Done;
}

int32_t RasterJobState::Arrange() {
    // The cells span the columns of the edges, not the whole clip: a narrow shape gets bands
    // of many rows (fewer bands to set up, fewer edges drawn in two of them). Left of the
    // edges every row's sum is 0, and right of them as well (each row's edges wind back to
    // where they started) unless parts of edges right of the clip were dropped: then the rows
    // may run on covered to the clip's right side. The edges move left by whole pixels as
    // they are sorted, so the cells' arithmetic and the pixels are the same.
    int32_t left = minX >> kRasterShift;
    left = left < width - 1 ? left : width - 1;
    const int32_t last = maxX >> kRasterShift; // its c[K] goes one further: cellStride has room
    int32_t right = rightCut || last >= width ? width : last + 1;
    right = right > left ? right : left + 1;
    cellShift = left;
    origin += ptrdiff_t(left) * 4;
    width = right - left;
    minX -= left * kRasterOne;
    maxX -= left * kRasterOne;
    cellWords = exact ? kCellWordsKept : 1;
    int64_t rows = kBandCells / (int64_t(width + 2) * cellWords);
    bandRows = rows < 1 ? 1 : (rows > 64 ? 64 : int32_t(rows));
    cellStride = width + 2;
    touchedStride = (cellStride + 63) / 64;
    bandUnits = bandRows * kRasterOne;
    bandReciprocal = ((uint64_t(1) << 32) + uint64_t(bandRows) - 1) / uint64_t(bandRows);
    firstBand = minY / bandUnits;
    endBand = (maxY - 1) / bandUnits + 1;
    int32_t bands = endBand - firstBand;
    const int64_t cellsNeeded = int64_t(cellStride) * bandRows * cellWords;
    const int64_t touchedNeeded = int64_t(touchedStride) * bandRows;
    const int32_t oldCells = cellCapacity, oldTouched = touchedCapacity;
    const int32_t oldLists = listCapacity + activeCapacity;
    if (!Grow(cells, cellCapacity, cellsNeeded) || !Grow(touched, touchedCapacity, touchedNeeded) ||
        !Grow(bandCounts, bandCountCapacity, int64_t(bands) + 1) ||
        !Grow(sorted, listCapacity, edgeCount) || !Grow(active, activeCapacity, edgeCount)) {
        return 0;
    }
    // The sweep leaves the accumulators cleared behind it; fresh ones are cleared by the
    // counting below, a piece at a time, as the fresh lists are first touched there.
    listsFresh = listCapacity + activeCapacity != oldLists;
    if (cellCapacity != oldCells) {
        cellsClean = 0;
    }
    if (touchedCapacity != oldTouched) {
        memset(touched, 0, sizeof(uint64_t) * size_t(touchedCapacity));
    }
    for (int32_t b = 0; b <= bands; ++b) {
        bandCounts[b] = 0;
    }
    return 1;
}

int32_t RasterJobState::Work(int64_t budget, int32_t maxBands) {
    work = budget;
    int32_t bandsDone = 0;
    while (!finished) {
        switch (phase) {
        case JobPhase::Rings: {
            const int32_t meet = RingsMeet();
            if (meet < 0) {
                return 0;
            }
            exact = meet;
            phase = JobPhase::Outline;
            break;
        }
        case JobPhase::Outline: {
            int32_t done = stroking ? StrokeContinue(*this) : OutlineFill();
            if (failed) {
                Fail();
                return 1;
            }
            if (!done) {
                return 0;
            }
            phase = JobPhase::Arrange;
            break;
        }
        case JobPhase::Arrange:
            if (edgeCount == 0) {
                finished = 1;
                phase = JobPhase::Done;
                return 1;
            }
            if (!Arrange()) {
                Fail();
                return 1;
            }
            sortIndex = 0;
            phase = JobPhase::Count;
            break;
        case JobPhase::Count: {
            // Fresh accumulators are cleared and fresh lists touched here, in pieces, at the
            // cost of fresh memory (kFreshBytes).
            if (work <= 0) {
                return 0;
            }
            if (cellsClean < cellCapacity) {
                constexpr int32_t kWords = kFreshBytes / int32_t(sizeof(uint32_t));
                const int64_t words = cellCapacity - cellsClean;
                const int32_t n =
                    work < (words + kWords - 1) / kWords ? int32_t(work * kWords) : int32_t(words);
                memset(cells + cellsClean, 0, sizeof(uint32_t) * size_t(n));
                cellsClean += n;
                work -= (n + kWords - 1) / kWords;
                if (cellsClean < cellCapacity) {
                    return 0;
                }
                if (work <= 0) {
                    return 0;
                }
            }
            // Counting sort by first band: how many edges start in each band...
            const int32_t perEdge = listsFresh ? 1 + 2 * kFreshEdgeWork : 1;
            int64_t left = int64_t(edgeCount) - sortIndex;
            int32_t end = work < left * perEdge
                              ? sortIndex + int32_t((work + perEdge - 1) / perEdge)
                              : edgeCount;
            int32_t* const counts = bandCounts + 1;
            const int32_t band0 = firstBand;
            for (int32_t i = sortIndex; i < end;) {
                // A block of the list at a time.
                const RasterEdge* block = &edges[i];
                const int32_t run = std::min(end - i, edges.kBlock - (i & edges.kMask));
                for (int32_t j = 0; j < run; ++j) {
                    ++counts[BandOf(block[j].y0) - band0];
                }
                i += run;
            }
            if (listsFresh) {
                memset(sorted + sortIndex, 0, sizeof(RasterEdge) * size_t(end - sortIndex));
                memset(active + sortIndex, 0, sizeof(RasterEdge) * size_t(end - sortIndex));
            }
            work -= int64_t(end - sortIndex) * perEdge;
            sortIndex = end;
            if (sortIndex < edgeCount) {
                return 0;
            }
            for (int32_t b = 1; b <= endBand - firstBand; ++b) {
                bandCounts[b] += bandCounts[b - 1];
            }
            sortIndex = 0;
            phase = JobPhase::Place;
            break;
        }
        case JobPhase::Place: {
            // ...then each edge to its place.
            if (work <= 0) {
                return 0;
            }
            int64_t left = int64_t(edgeCount) - sortIndex;
            int32_t end = work < left ? sortIndex + int32_t(work) : edgeCount;
            const int32_t shift = cellShift * kRasterOne;
            int32_t* const places = bandCounts;
            const int32_t band0 = firstBand;
            for (int32_t i = sortIndex; i < end;) {
                const RasterEdge* block = &edges[i];
                const int32_t run = std::min(end - i, edges.kBlock - (i & edges.kMask));
                for (int32_t j = 0; j < run; ++j) {
                    RasterEdge e = block[j];
                    e.x0 -= shift;
                    e.x1 -= shift;
                    sorted[places[BandOf(e.y0) - band0]++] = e;
                }
                i += run;
            }
            work -= end - sortIndex;
            sortIndex = end;
            if (sortIndex < edgeCount) {
                return 0;
            }
            currentBand = firstBand;
            nextEdge = 0;
            activeCount = 0;
            bandBegun = 0;
            phase = JobPhase::Bands;
            break;
        }
        case JobPhase::Bands:
            if (bandsDone >= maxBands || work <= 0 || !DrawBand()) {
                return 0;
            }
            ++bandsDone;
            if (++currentBand >= endBand) {
                finished = 1;
                phase = JobPhase::Done;
            }
            break;
        case JobPhase::Done:
            finished = 1;
            break;
        }
    }
    return 1;
}

// ------------------------------------------------------------------------------------------------
// Edges into cells
// ------------------------------------------------------------------------------------------------

namespace {

inline void Touch(uint64_t* bits, int32_t cell) {
    bits[cell >> 6] |= uint64_t(1) << (cell & 63);
}

// The edge's x at height y, rounded to 1/256 pixel: a function of the edge and y only, so
// every band and row that asks gets the same answer.
inline int32_t XAt(const RasterEdge& e, double dxdy, int32_t y) {
    if (y <= e.y0) {
        return e.x0;
    }
    if (y >= e.y1) {
        return e.x1;
    }
    return e.x0 + RoundNear(double(y - e.y0) * dxdy);
}

} // namespace

namespace {

// Marks cells c and c + 1 touched.
inline void TouchTwo(uint64_t* bits, int32_t cell) {
    if ((cell & 63) != 63) {
        bits[cell >> 6] |= uint64_t(3) << (cell & 63);
    } else {
        bits[cell >> 6] |= uint64_t(1) << 63;
        bits[(cell >> 6) + 1] |= 1;
    }
}

// Where the pieces of a row go besides the cells: nowhere (fills), or into the band's lists
// (strokes, and the rows of even-odd fills where rings meet; see "Overlaps").
struct NoPieces {
    static constexpr int32_t kWords = 1; // words a cell takes
    explicit NoPieces(RasterJobState*) {}
    void Edge(int32_t) {}
    void Row(int32_t, int32_t) {}
    void Add(uint32_t*, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}
};

// InRows: only the rows from keptFirst to keptLast keep them (even-odd fills).
template <bool InRows> struct KeptPieces {
    static constexpr int32_t kWords = kCellWordsKept;
    // The parts are written through a cursor of its own into the band's list, which takes
    // their count when the band's edges are done (or the work runs out): kept in the state,
    // the list's count and blocks would be read again after every store into the cells, which
    // may be the same memory for all the compiler knows.
    explicit KeptPieces(RasterJobState* state) : s(state), count(state->pieces.count) {
        const BlockList<OverlapPiece>& list = state->pieces;
        if ((count >> list.kShift) < list.blockCount) {
            Aim(&list.blocks[count >> list.kShift][count & list.kMask],
                list.kBlock - (count & list.kMask));
        }
    }
    ~KeptPieces() {
        s->pieces.count = count;
        s->pieces.reached = count > s->pieces.reached ? count : s->pieces.reached;
    }
    RasterJobState* s;
    int32_t tag = 0;              // the edge's
    int32_t count;                // parts in the list
    OverlapPiece* slot = nullptr; // where the next one goes
    int32_t room = 0;             // places from slot on in its block
    int32_t rowTop = 0; // 24.8
    int32_t rowBit = 0; // the row inside the band
    bool keep = true;   // whether the row keeps its parts
    void Edge(int32_t edgeTag) { tag = edgeTag; }
    void Row(int32_t local, int32_t top) {
        rowTop = top;
        rowBit = local;
        if (InRows) {
            const int32_t row = top >> kRasterShift;
            keep = row >= s->keptFirst && row <= s->keptLast;
        }
    }
    // The piece of cell `cell` (whose words are at `c`) from (xa, ya) to (xb, yb), row
    // coordinates in 24.8.
    void Add(uint32_t* c, int32_t cell, int32_t xa, int32_t ya, int32_t xb, int32_t yb,
             int32_t dir) {
        if (InRows && !keep) {
            return;
        }
        if (ya > yb) {
            std::swap(xa, xb);
            std::swap(ya, yb);
        }
        const int32_t base = cell << kRasterShift;
        const int32_t head = int32_t(c[kCellHead]);
        if (room == 0 && !MoreRoom()) {
            return;
        }
        *slot++ = OverlapPiece{head, int16_t(xa - base), int16_t(ya - rowTop),
                               int16_t(xb - base), int16_t(yb - rowTop), dir};
        --room;
        c[kCellHead] = uint32_t(++count);
        // The first piece sets both tags. (Selects, not jumps: which way they go is a coin
        // toss along a dense outline.)
        int32_t low = head ? int32_t(c[kCellLow]) : tag;
        int32_t high = head ? int32_t(c[kCellHigh]) : tag;
        low = tag < low ? tag : low;
        high = tag > high ? tag : high;
        c[kCellLow] = uint32_t(low);
        c[kCellHigh] = uint32_t(high);
        if (high - low >= 2) {
            s->overlapRows |= uint64_t(1) << rowBit;
            int32_t& last = s->mixedLast[rowBit];
            last = cell > last ? cell : last;
        }
    }
    // The next block's room (within the band's limit); false, and the parts are lost, when
    // memory or the limit ran out.
    __attribute__((noinline)) bool MoreRoom() {
        int32_t left = 0;
        s->pieces.count = count;
        OverlapPiece* const at = count < kMaxBandPieces ? s->pieces.Room(&left) : nullptr;
        if (s->pieces.blockCount != s->piecesBlocks) {
            s->ChargeFreshPieces();
        }
        Aim(at, left);
        if (room == 0) {
            s->piecesLost = 1;
            return false;
        }
        return true;
    }
    // The cursor at `at`, with `left` places there (none without `at`), within the band's limit.
    void Aim(OverlapPiece* at, int32_t left) {
        const int32_t limit = kMaxBandPieces - count;
        slot = at;
        room = !at || limit <= 0 ? 0 : (left < limit ? left : limit);
    }
};

// The part of an edge inside one row, from (xa, ya) to (xb, yb), split at the cell borders.
// The edge's slope, dy / dx, is only needed (and only divided out) when the piece crosses a
// cell border. Inlined always: for every edge of a thin stroke it is most of the work.
template <class Sink>
__attribute__((always_inline)) inline void
RowPieceCells(uint32_t* row, uint64_t* bits, int32_t xa, int32_t ya, int32_t xb, int32_t yb,
              int32_t dir, const RasterEdge& e, Sink& sink) {
    constexpr int32_t K = Sink::kWords;
    if (xa > xb) {
        std::swap(xa, xb);
        std::swap(ya, yb);
    }
    const int32_t first = xa >> kRasterShift;
    const int32_t last = xb > xa ? (xb - 1) >> kRasterShift : first;
    if (first == last) {
        // Within one cell (the common case): one piece.
        const int32_t dy = (yb > ya ? yb - ya : ya - yb) * dir;
        const int32_t fsum = xa + xb - 2 * (first << kRasterShift);
        const int32_t inCell = dy * (2 * kRasterOne - fsum);
        uint32_t* c = row + first * K;
        c[0] += uint32_t(inCell);
        c[K] += uint32_t(dy * 2 * kRasterOne - inCell);
        TouchTwo(bits, first);
        sink.Add(c, first, xa, ya, xb, yb, dir);
        return;
    }
    const double dydx = double(e.y1 - e.y0) / double(e.x1 - e.x0);
    const int32_t lo = ya < yb ? ya : yb, hi = ya < yb ? yb : ya;
    int32_t xs = xa, ys = ya;
    for (int32_t cell = first; cell <= last; ++cell) {
        int32_t xe, ye;
        if (cell == last) {
            xe = xb;
            ye = yb;
        } else {
            xe = (cell + 1) << kRasterShift;
            ye = ya + RoundNear(double(xe - xa) * dydx);
            ye = ye < lo ? lo : (ye > hi ? hi : ye);
        }
        int32_t dy = (ye > ys ? ye - ys : ys - ye) * dir;
        int32_t base = cell << kRasterShift;
        int32_t fsum = (xs - base) + (xe - base);
        int32_t inCell = dy * (2 * kRasterOne - fsum);
        uint32_t* c = row + cell * K;
        c[0] += uint32_t(inCell);
        c[K] += uint32_t(dy * 2 * kRasterOne - inCell);
        TouchTwo(bits, cell);
        sink.Add(c, cell, xs, ys, xe, ye, dir);
        xs = xe;
        ys = ye;
    }
}

// The part of edge e inside the band (rows from bandTopRow, 24.8 heights top ... bottom) into
// its cells; the work done (rows and cells).
template <class Sink>
__attribute__((always_inline)) inline int32_t
EdgeSmooth(RasterJobState& st, const RasterEdge& e, int32_t top, int32_t bottom,
           int32_t bandTopRow, Sink& sink) {
    constexpr bool Pieces = Sink::kWords != 1;
    uint32_t* const cells = st.cells;
    uint64_t* const touched = st.touched;
    const int32_t cellStride = st.cellStride, touchedStride = st.touchedStride;
    sink.Edge(e.tag);
    if (Pieces && e.y0 == e.y1) {
        // A level edge: pieces of no height in the cells along it, for their tags.
        if (e.y0 < top || e.y0 >= bottom) {
            return 1;
        }
        const int32_t r = e.y0 >> kRasterShift;
        const int32_t lo = e.x0 < e.x1 ? e.x0 : e.x1, hi = e.x0 < e.x1 ? e.x1 : e.x0;
        const int32_t first = lo >> kRasterShift, last = (hi - 1) >> kRasterShift;
        uint32_t* row = cells + ptrdiff_t(r - bandTopRow) * cellStride * Sink::kWords;
        uint64_t* bits = touched + ptrdiff_t(r - bandTopRow) * touchedStride;
        sink.Row(r - bandTopRow, r << kRasterShift);
        for (int32_t cell = first; cell <= last; ++cell) {
            const int32_t base = cell << kRasterShift;
            const int32_t xa = lo > base ? lo : base;
            const int32_t xb = hi < base + kRasterOne ? hi : base + kRasterOne;
            sink.Add(row + cell * Sink::kWords, cell, xa, e.y0, xb, e.y0, 0);
            TouchTwo(bits, cell);
        }
        return 1 + last - first;
    }
    int32_t ya = e.y0 > top ? e.y0 : top;
    int32_t yb = e.y1 < bottom ? e.y1 : bottom;
    if (ya >= yb) {
        return 1;
    }
    const int32_t rowFirst = ya >> kRasterShift, rowLast = (yb - 1) >> kRasterShift;
    constexpr int32_t K = Sink::kWords;
    const ptrdiff_t rowWords = ptrdiff_t(cellStride) * K;
    uint32_t* row = cells + ptrdiff_t(rowFirst - bandTopRow) * rowWords;
    uint64_t* bits = touched + ptrdiff_t(rowFirst - bandTopRow) * touchedStride;
    if (e.x0 == e.x1) {
        // Vertical: one cell column.
        const int32_t cell = e.x0 >> kRasterShift;
        const int32_t fx = e.x0 & (kRasterOne - 1);
        const int32_t left = (2 * kRasterOne - 2 * fx), right = 2 * fx;
        for (int32_t r = rowFirst; r <= rowLast; ++r) {
            int32_t y0 = r << kRasterShift, y1 = y0 + kRasterOne;
            y0 = y0 > ya ? y0 : ya;
            y1 = y1 < yb ? y1 : yb;
            const int32_t dy = (y1 - y0) * e.dir;
            uint32_t* c = row + cell * K;
            c[0] += uint32_t(dy * left);
            c[K] += uint32_t(dy * right);
            TouchTwo(bits, cell);
            if (Pieces) {
                sink.Row(r - bandTopRow, r << kRasterShift);
                sink.Add(c, cell, e.x0, y0, e.x0, y1, e.dir);
            }
            row += rowWords;
            bits += touchedStride;
        }
        return rowLast - rowFirst + 1;
    }
    if (rowFirst == rowLast && ya == e.y0 && yb == e.y1) {
        // The whole edge inside one row (short pieces of thin strokes): from end to end.
        sink.Row(rowFirst - bandTopRow, rowFirst << kRasterShift);
        RowPieceCells(row, bits, e.x0, e.y0, e.x1, e.y1, e.dir, e, sink);
        const int32_t across = e.x1 > e.x0 ? e.x1 - e.x0 : e.x0 - e.x1;
        return 1 + (across >> kRasterShift);
    }
    const double dxdy = double(e.x1 - e.x0) / double(e.y1 - e.y0);
    const int32_t xStart = XAt(e, dxdy, ya);
    int32_t xPrev = xStart;
    for (int32_t r = rowFirst; r <= rowLast; ++r) {
        int32_t y0 = r << kRasterShift, y1 = y0 + kRasterOne;
        y0 = y0 > ya ? y0 : ya;
        y1 = y1 < yb ? y1 : yb;
        const int32_t xNext = XAt(e, dxdy, y1);
        sink.Row(r - bandTopRow, r << kRasterShift);
        RowPieceCells(row, bits, xPrev, y0, xNext, y1, e.dir, e, sink);
        xPrev = xNext;
        row += rowWords;
        bits += touchedStride;
    }
    // rows plus the cell borders crossed
    const int32_t across = xPrev > xStart ? xPrev - xStart : xStart - xPrev;
    return rowLast - rowFirst + 1 + (across >> kRasterShift);
}

} // namespace

int32_t RasterJobState::EdgeAliased(const RasterEdge& e, int32_t top, int32_t bottom,
                                    int32_t bandTopRow) {
    int32_t ya = e.y0 > top ? e.y0 : top;
    int32_t yb = e.y1 < bottom ? e.y1 : bottom;
    if (ya >= yb) {
        return 1;
    }
    const int32_t half = kRasterOne / 2;
    // Rows whose centre line y = r * 256 + 128 lies in [ya, yb).
    int32_t rowFirst = int32_t(-FloorDiv(-(int64_t(ya) - half), kRasterOne));
    int32_t rowLast = int32_t(-FloorDiv(-(int64_t(yb) - half), kRasterOne)) - 1;
    const int64_t dx = e.x1 - e.x0, dy = e.y1 - e.y0;
    const int64_t den = dy * kRasterOne;
    for (int32_t r = rowFirst; r <= rowLast; ++r) {
        int64_t yc = int64_t(r) * kRasterOne + half;
        // The first pixel p with p * 256 + 128 >= x0 + (yc - y0) * dx / dy.
        int64_t num = (int64_t(e.x0) - half) * dy + (yc - e.y0) * dx;
        int64_t p = -FloorDiv(-num, den);
        if (p < 0) {
            p = 0;
        }
        if (p > width) {
            p = width;
        }
        int32_t local = r - bandTopRow;
        uint32_t* row = cells + ptrdiff_t(local) * cellStride;
        row[p] += uint32_t(e.dir * kFullCover);
        Touch(touched + ptrdiff_t(local) * touchedStride, int32_t(p));
    }
    return rowLast >= rowFirst ? rowLast - rowFirst + 1 : 1;
}

// ------------------------------------------------------------------------------------------------
// Cells into pixels
// ------------------------------------------------------------------------------------------------

void RasterJobState::Span(uint32_t* row, int32_t x0, int32_t x1, uint32_t sum) {
    if (x1 > width) {
        x1 = width;
    }
    if (x0 >= x1) {
        return;
    }
    uint32_t cover;
    if (evenOdd) {
        cover = sum & (2 * kFullCover - 1);
        if (cover > uint32_t(kFullCover)) {
            cover = 2 * kFullCover - cover;
        }
    } else {
        cover = int32_t(sum) < 0 ? 0u - sum : sum;
        if (cover > uint32_t(kFullCover)) {
            cover = kFullCover;
        }
    }
    int32_t coverage = int32_t((cover * 255 + kFullCover / 2) >> 17);
    if (coverage == 0) {
        return;
    }
    if (hitOnly) {
        hit = 1;
        return;
    }
    if (gradientOn) {
        GradientSpan(*this, row, x0, x1, coverage);
        return;
    }
    int32_t a = coverage == 255 ? alpha : Div255(alpha * coverage);
    if (a == 0) {
        return;
    }
    if (a == 255) {
        FillRow(row + x0, x1 - x0, source.colour);
    } else {
        BlendRow(row + x0, x1 - x0, source, uint32_t(a));
    }
}

// Span for one pixel, a solid colour and the non-zero rule.
inline void RasterJobState::OnePixel(uint32_t* pixel, uint32_t sum) {
    uint32_t cover = int32_t(sum) < 0 ? 0u - sum : sum;
    cover = cover > uint32_t(kFullCover) ? uint32_t(kFullCover) : cover;
    const int32_t coverage = int32_t((cover * 255 + kFullCover / 2) >> 17);
    const int32_t a = coverage == 255 ? alpha : Div255(alpha * coverage);
    if (a == 255) {
        *pixel = source.colour;
    } else if (a != 0) {
        *pixel = BlendPixel(*pixel, source, uint32_t(a));
    }
}

// A fresh block of pieces costs the first touch of its pages (kFreshBytes), charged when it
// is taken.
void RasterJobState::ChargeFreshPieces() {
    work -= int64_t(pieces.blockCount - piecesBlocks) *
            (BlockList<OverlapPiece>::kBlock * int64_t(sizeof(OverlapPiece)) / kFreshBytes);
    piecesBlocks = pieces.blockCount;
}

// The edges still active from earlier bands, then those that start in this one, into the
// band's cells through one sink (Sink void: without smoothing); 1 once all are converted, 0
// when the work ran out first. Edges that go on below are kept (in place: never ahead of the
// one being read). The cells only add up, so the order and the pieces the work is cut into do
// not matter.
template <class Sink> int32_t RasterJobState::ConvertEdges(int32_t top, int32_t bottom) {
    const int32_t bandTopRow = top >> kRasterShift;
    constexpr bool kAliased = std::is_void<Sink>::value;
    typename std::conditional<kAliased, NoPieces, Sink>::type sink{this};
    for (;;) {
        const bool fromActive = bandEdge < activeCount;
        if (!fromActive && !(nextEdge < edgeCount && sorted[nextEdge].y0 < bottom)) {
            return 1;
        }
        if (work <= 0) {
            return 0;
        }
        const RasterEdge* e = fromActive ? &active[bandEdge++] : &sorted[nextEdge++];
        if (kAliased) {
            work -= EdgeAliased(*e, top, bottom, bandTopRow);
        } else {
            work -= EdgeSmooth(*this, *e, top, bottom, bandTopRow, sink);
        }
        if (e->y1 > bottom) {
            active[bandKept++] = *e;
        }
    }
}

int32_t RasterJobState::DrawBand() {
    const int32_t band = currentBand;
    const int32_t bandTopRow = band * bandRows;
    int32_t rows = height - bandTopRow;
    rows = rows < bandRows ? rows : bandRows;
    const int32_t top = bandTopRow * kRasterOne;
    const int32_t bottom = (bandTopRow + rows) * kRasterOne;
    // Whether the band keeps parts: a stroke's every band, an even-odd fill's bands that hold
    // rows where its rings meet. The others take the plain cells (one word each, in the room
    // of the kept ones); their rows come out the same either way.
    const bool keep = exact && bandTopRow <= keptLast && bandTopRow + rows - 1 >= keptFirst;
    if (!bandBegun) {
        bandBegun = 1;
        bandEdge = 0;
        bandKept = 0;
        sweepNext = 0;
        if (keep) {
            pieces.Clear();
            piecesLost = 0;
            overlapRows = 0;
            for (int32_t& last : mixedLast) {
                last = -1;
            }
            exactRow = 0;
            exactX = 0;
            exactSum = 0;
            memset(exactWinding, 0, sizeof exactWinding);
        }
        // Ask for the band's pixels now: they arrive while the edges are converted. (The start
        // of each row's stretch is enough; the hardware follows longer runs by itself.)
        if (!hitOnly) {
            int32_t rowFirst = minY >> kRasterShift, rowLast = (maxY - 1) >> kRasterShift;
            rowFirst = rowFirst > bandTopRow ? rowFirst : bandTopRow;
            rowLast = rowLast < bandTopRow + rows - 1 ? rowLast : bandTopRow + rows - 1;
            const int32_t x0 = minX >> kRasterShift;
            int32_t x1 = maxX >> kRasterShift;
            x1 = x1 < width ? x1 : width - 1;
            const int32_t lines = (x1 - x0) / 16 + 1 < 4 ? (x1 - x0) / 16 + 1 : 4;
            for (int32_t y = rowFirst; y <= rowLast; ++y) {
                const uint8_t* p = origin + stride * y + ptrdiff_t(x0) * 4;
                for (int32_t i = 0; i < lines; ++i) {
                    __builtin_prefetch(p + 64 * i, 1, 3);
                }
            }
        }
    }
    const int32_t converted = keep       ? (stroking ? ConvertEdges<KeptPieces<false>>(top, bottom)
                                                     : ConvertEdges<KeptPieces<true>>(top, bottom))
                              : smoothed ? ConvertEdges<NoPieces>(top, bottom)
                                         : ConvertEdges<void>(top, bottom);
    if (!converted) {
        return 0;
    }
    activeCount = bandKept;
    bandEdge = bandKept; // converted: a call that comes back to resolve overlaps skips it all
    if (keep && overlapRows && !piecesLost && !ResolveOverlaps(rows)) {
        return 0;
    }
    if (!(keep ? SweepBand<kCellWordsKept>(band, rows) : SweepBand<1>(band, rows))) {
        return 0;
    }
    bandBegun = 0;
    return 1;
}

template <int32_t K>
int32_t RasterJobState::SweepBand(int32_t band, int32_t rows) {
    const int32_t bandTopRow = band * bandRows;
    // Sweep the rows through their touched cells, a row at a time while there is work left
    // (rows are independent: each starts from a sum of 0 and clears its own cells). A row
    // counts its share of kRasterBandWork, and gradient spans their pixels on top.
    const int32_t wordFirst = (minX >> kRasterShift) >> 6;
    const int32_t wordLast = ((maxX >> kRasterShift) + 1) >> 6;
    const int32_t rowWork = (kRasterBandWork + bandRows - 1) / bandRows;
    // Runs of one pixel (an edge's, mostly) in a solid colour are blended here, not by Span.
    const bool plain = !evenOdd && !hitOnly && !gradientOn;
    // Only the rows of the edges hold touched cells.
    const int32_t rowFirst = (minY >> kRasterShift) - bandTopRow;
    const int32_t rowEnd = ((maxY - 1) >> kRasterShift) + 1 - bandTopRow;
    rows = rows < rowEnd ? rows : rowEnd;
    for (int32_t local = sweepNext > rowFirst ? sweepNext : rowFirst; local < rows; ++local) {
        if (work <= 0) {
            sweepNext = local;
            return 0;
        }
        work -= rowWork;
        uint32_t* acc = cells + ptrdiff_t(local) * cellStride * K;
        uint64_t* bits = touched + ptrdiff_t(local) * touchedStride;
        uint32_t* pixels = reinterpret_cast<uint32_t*>(origin + stride * (bandTopRow + local));
        sweepRow = bandTopRow + local;
        uint32_t sum = 0;
        int32_t runStart = 0;
        for (int32_t w = wordFirst; w <= wordLast; ++w) {
            uint64_t word = bits[w];
            if (!word) {
                continue;
            }
            bits[w] = 0;
            do {
                int32_t x = (w << 6) + __builtin_ctzll(word);
                word &= word - 1;
                if (sum == 0) {
                } else if (plain && x - runStart == 1 && runStart < width) {
                    OnePixel(pixels + runStart, sum);
                } else {
                    Span(pixels, runStart, x, sum);
                }
                uint32_t* c = acc + x * K;
                sum += c[0];
                c[0] = 0;
                for (int32_t i = 1; i < K; ++i) {
                    c[i] = 0; // the words of pieces too: other jobs take these as accumulators
                }
                runStart = x;
            } while (word);
        }
        if (sum != 0) {
            Span(pixels, runStart, width, sum);
        }
    }
    sweepNext = rows;
    return 1;
}

// ------------------------------------------------------------------------------------------------
// Overlaps
// ------------------------------------------------------------------------------------------------

namespace {

constexpr int32_t kCellPieces = 256;               // a cell with more parts keeps its area sum
constexpr int32_t kCellWalk = 4096;                // one with more ends the walk of its row
constexpr int32_t kLineShift = 3;                  // sample lines a row: 2^3
constexpr int32_t kLines = 1 << kLineShift;
constexpr int32_t kLineStep = kRasterOne / kLines; // lines at y = step / 2, 3 step / 2, ...

// The first line at or below y (0 ... 256) inside the row: y_k = 16 k + 8 >= y.
inline int32_t LineAtOrBelow(int32_t y) {
    return (y + kLineStep / 2 - 1) >> (kRasterShift - kLineShift);
}

// (2^39 / d rounded up) for d = 1 ... 256: n * it >> 39 is n / d, exactly for n <= 2^24 (the
// error n * (it - 2^39 / d) / 2^39 stays below 2^-15, and n / d sits at least 1 / d below the
// next integer), and the product fits in 63 bits.
struct Reciprocals {
    uint64_t of[kRasterOne + 1] = {};
    constexpr Reciprocals() {
        for (int32_t d = 1; d <= kRasterOne; ++d) {
            of[d] = ((uint64_t(1) << 39) + uint64_t(d) - 1) / uint64_t(d);
        }
    }
};
constexpr Reciprocals kReciprocals;

// Calls visit(winding, length) for every stretch of the sample lines first ... end - 1 across
// a cell: on line k the winding starts at entering[k] (kept as differences from line to line)
// at the cell's left side and changes by each part's dir where the part crosses the line.
// A cell of a dense outline holds a dozen parts, crossing a line two to four times in no
// telling order, so the common case goes without jumps that depend on the data: the parts
// that cross any of the lines are taken first, each line takes its crossings from them, and
// a line of four crossings or fewer orders them by a fixed network of exchanges (padded with
// crossings at the cell's right side that change nothing); a line of more sorts them.
template <class Visit>
void FollowLines(const OverlapPiece* const* list, int32_t n, const int32_t* entering,
                 Visit& visit, int32_t first, int32_t end) {
    // A crossing: its x above two bits that say how the winding goes there (0 down, 1 not at
    // all, 2 up).
    constexpr int32_t kStill = (kRasterOne << 2) | 1;
    // The parts crossing a line first ... end - 1, and the lines they cross.
    int32_t which[kCellPieces], from[kCellPieces], to[kCellPieces];
    int32_t crossing = 0;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t k0 = LineAtOrBelow(list[i]->ya), k1 = LineAtOrBelow(list[i]->yb);
        which[crossing] = i;
        from[crossing] = k0 > first ? k0 : first;
        to[crossing] = k1 < end ? k1 : end;
        crossing += from[crossing] < to[crossing];
    }
    // Each line's crossings.
    int32_t lines[kLines][kCellPieces + 4];
    int32_t counts[kLines];
    for (int32_t k = first; k < end; ++k) {
        counts[k] = 0;
    }
    for (int32_t i = 0; i < crossing; ++i) {
        const OverlapPiece& p = *list[which[i]];
        // x per y in 16.16, (xb - xa) * 65536 / (yb - ya) rounded towards 0, without a
        // division: |xb - xa| <= 256 inside the cell, 0 < yb - ya <= 256 inside the row.
        const int32_t dx = p.xb - p.xa;
        const uint64_t step =
            (uint64_t(dx < 0 ? -dx : dx) * 65536 * kReciprocals.of[p.yb - p.ya]) >> 39;
        const int32_t slope = dx < 0 ? -int32_t(step) : int32_t(step);
        const int32_t way = p.dir > 0 ? 2 : 0;
        for (int32_t k = from[i]; k < to[i]; ++k) {
            const int32_t y = kLineStep * k + kLineStep / 2;
            const int32_t x = p.xa + int32_t((int64_t(y - p.ya) * slope) >> 16);
            lines[k][counts[k]++] = (x << 2) | way;
        }
    }
    int32_t w = 0;
    for (int32_t k = 0; k < first; ++k) {
        w += entering[k];
    }
    for (int32_t k = first; k < end; ++k) {
        w += entering[k];
        int32_t* const at = lines[k];
        int32_t m = counts[k];
        if (m == 0) {
            visit(w, kRasterOne); // a line no part crosses (most of them, for even-odd fills)
            continue;
        }
        if (m <= 4) {
            at[m] = at[m + 1] = at[m + 2] = at[m + 3] = kStill;
            auto exchange = [&](int32_t i, int32_t j) {
                const int32_t low = at[i] < at[j] ? at[i] : at[j];
                at[j] = at[i] < at[j] ? at[j] : at[i];
                at[i] = low;
            };
            exchange(0, 1);
            exchange(2, 3);
            exchange(0, 2);
            exchange(1, 3);
            exchange(1, 2);
            m = 4;
        } else if (m > 16) {
            std::sort(at, at + m);
        } else {
            for (int32_t i = 1; i < m; ++i) {
                const int32_t key = at[i];
                int32_t j = i;
                for (; j > 0 && at[j - 1] > key; --j) {
                    at[j] = at[j - 1];
                }
                at[j] = key;
            }
        }
        int32_t x = 0, v = w;
        for (int32_t i = 0; i < m; ++i) {
            const int32_t next = at[i] >> 2;
            visit(v, next - x);
            x = next;
            v += (at[i] & 3) - 1;
        }
        visit(v, kRasterOne - x);
    }
}

// What a cell's area sum counts beyond its covered area, 0 ... 2^17 a layer, measured along the
// sample lines: a stretch of winding w counts (|w| - 1) times its length where |w| > 1. Where
// no line finds an uncovered stretch, nothing: the sum, capped at one layer, is right there
// already. Only lines first ... end - 1 can be wound twice: the others are followed only when
// those hold excess but no uncovered stretch.
int32_t LineExcess(const OverlapPiece* const* list, int32_t n, const int32_t* winding,
                   int32_t first, int32_t end) {
    struct {
        int32_t excess = 0, uncovered = 0;
        void operator()(int32_t v, int32_t length) {
            const int32_t layers = (v < 0 ? -v : v) - 1;
            excess += (layers > 0 ? layers : 0) * length;
            uncovered += layers < 0 ? length : 0;
        }
    } visit;
    FollowLines(list, n, winding, visit, first, end);
    if (visit.excess && !visit.uncovered) {
        FollowLines(list, n, winding, visit, 0, first);
        FollowLines(list, n, winding, visit, end, kLines);
    }
    return visit.uncovered ? visit.excess * (kFullCover / (kLines * kRasterOne)) : 0;
}

// The even-odd coverage of a cell, 0 ... 2^17, measured along the sample lines (the length of
// odd winding), or -1 where its area sum folds right already: folding the sum is exact while
// the windings inside the pixel span two neighbouring values at most (w in {k, k + 1} covers
// sum - k or k + 1 - sum); windings 0 and 2 in one pixel (two rings of a path closer than a
// pixel) would count the doubly wound part twice instead of not at all.
int32_t LineParity(const OverlapPiece* const* list, int32_t n, const int32_t* winding) {
    struct {
        int32_t odd = 0, low = INT32_MAX, high = INT32_MIN;
        void operator()(int32_t v, int32_t length) {
            if (length <= 0) {
                return;
            }
            odd += (v & 1) * length;
            low = v < low ? v : low;
            high = v > high ? v : high;
        }
    } visit;
    FollowLines(list, n, winding, visit, 0, kLines);
    return visit.high - visit.low >= 2 ? visit.odd * (kFullCover / (kLines * kRasterOne)) : -1;
}

} // namespace

// Goes along the rows that hold overlaps, through their touched cells, keeping the area sum
// the sweep will see and the winding on each sample line left of the cell; each cell whose
// pieces' tags lie two or more apart gets its coverage along the lines instead of its area
// sum (its accumulator takes the difference, the next one gives it back).
int32_t RasterJobState::ResolveOverlaps(int32_t rows) {
    for (; exactRow < rows; ++exactRow, exactX = 0, exactSum = 0,
                            memset(exactWinding, 0, sizeof exactWinding)) {
        if (!((overlapRows >> exactRow) & 1)) {
            continue;
        }
        constexpr int32_t K = kCellWordsKept;
        uint32_t* acc = cells + ptrdiff_t(exactRow) * cellStride * K;
        const uint64_t* bits = touched + ptrdiff_t(exactRow) * touchedStride;
        int32_t w = exactX >> 6;
        uint64_t word = bits[w] & (~uint64_t(0) << (exactX & 63));
        for (;;) {
            while (!word && ++w < touchedStride) {
                word = bits[w];
            }
            if (!word) {
                break;
            }
            const int32_t x = (w << 6) + __builtin_ctzll(word);
            if (x > mixedLast[exactRow]) {
                break; // no cell right of here holds pieces that are not neighbours
            }
            if (work <= 0) {
                exactX = x;
                return 0;
            }
            word &= word - 1;
            uint32_t* c = acc + x * K;
            exactSum += c[0];
            work -= 1;
            const int32_t head = int32_t(c[kCellHead]);
            if (!head) {
                continue;
            }
            const bool mixed = int32_t(c[kCellHigh]) - int32_t(c[kCellLow]) >= 2;
            int32_t entering[kLines + 1]; // the winding at the cell's left side (mixed cells)
            // On each line the parts going up and going down, as differences from line to line
            // (mixed cells only): they bound the windings the line can reach.
            int32_t ups[kLines + 1], downs[kLines + 1];
            if (mixed) {
                memcpy(entering, exactWinding, sizeof entering);
                memset(ups, 0, sizeof ups);
                memset(downs, 0, sizeof downs);
            }
            const OverlapPiece* list[kCellPieces];
            int32_t n = 0, parts = 0;
            for (int32_t i = head; i && parts <= kCellWalk; i = pieces[i - 1].next, ++parts) {
                const OverlapPiece& p = pieces[i - 1];
                const int32_t k0 = LineAtOrBelow(p.ya), k1 = LineAtOrBelow(p.yb);
                exactWinding[k0] += p.dir;
                exactWinding[k1] -= p.dir;
                if (mixed && n < kCellPieces) {
                    list[n++] = &p;
                    int32_t* counts = p.dir > 0 ? ups : downs;
                    const int32_t d = p.dir > 0 ? p.dir : -p.dir;
                    counts[k0] += d;
                    counts[k1] -= d;
                }
            }
            if (parts > kCellWalk) {
                break; // too crowded to follow: the rest of the row keeps its area sums
            }
            work -= parts;
            if (parts <= kCellPieces && mixed) {
                // The area sum less what it counts twice or more, capped at one layer, with the
                // sum's sign.
                const int32_t sum = int32_t(exactSum);
                // The windings the parts allow inside the cell: a line entering at w with u
                // parts going up and d going down stays within w - d ... w + u.
                int32_t low = INT32_MAX, high = INT32_MIN, deepFirst = kLines, deepEnd = 0;
                for (int32_t k = 0, w = 0, u = 0, d = 0; k < kLines; ++k) {
                    w += entering[k];
                    u += ups[k];
                    d += downs[k];
                    low = w - d < low ? w - d : low;
                    high = w + u > high ? w + u : high;
                    const bool twice = w + u >= 2 || w - d <= -2;
                    deepFirst = twice && k < deepFirst ? k : deepFirst;
                    deepEnd = twice ? k + 1 : deepEnd;
                }
                const bool deep = deepEnd > 0;
                int32_t delta = 0;
                if (evenOdd) {
                    // Windings within two neighbouring values: the folded sum is exact.
                    const int32_t cover = high - low >= 2 ? LineParity(list, n, entering) : -1;
                    delta = cover < 0 ? 0 : int32_t(uint32_t(cover) - exactSum);
                } else {
                    // Nowhere wound twice: nothing to take off.
                    const int32_t excess =
                        deep ? LineExcess(list, n, entering, deepFirst, deepEnd) : 0;
                    int32_t cover = (sum < 0 ? -sum : sum) - excess;
                    cover = cover < 0 ? 0 : (cover > kFullCover ? kFullCover : cover);
                    delta = (sum < 0 ? -cover : cover) - sum;
                }
                c[0] += uint32_t(delta);
                c[K] -= uint32_t(delta);
                exactSum += uint32_t(delta);
                // Every part crosses up to kLines lines, and crowded lines sort more.
                work -= n * kLines + ((n * n) >> 4);
            }
        }
    }
    return 1;
}

// ------------------------------------------------------------------------------------------------
// Fills
// ------------------------------------------------------------------------------------------------

namespace {

struct FillWalker {
    RasterJobState* s;
    double x, y;
    int64_t lines;
    void operator()(double nx, double ny) {
        ++s->edgeTag; // neighbouring lines differ by 1
        s->AddLine(x, y, nx, ny, 1);
        x = nx;
        y = ny;
        ++lines;
    }
};

inline int32_t PointsOf(uint8_t verb) {
    return verb == kVerbMove || verb == kVerbLine ? 1
           : verb == kVerbQuad                    ? 2
           : verb == kVerbCubic                   ? 3
                                                  : 0;
}

// Whether two rings of the outline may meet inside a pixel, and in which rows, which
// its vertices tell cheaply: two of them less than a pixel apart (in x and in y), reached
// going the same way (the lines into them less than 45 degrees apart), that lie on different
// subpaths or on one subpath but more than kRingsApart apart along it both ways round. Passes
// going the same way step the winding the same way twice, 0, 1, 2; going opposite ways (the
// two sides of a thin shape, a hole wound against its outline) they wind 0, 1, 0, which the
// fold gets right, and a curve's or a small shape's own vertices lie close along the outline.
// Nested rings drawn in one go have their corners side by side; the rows from the highest
// such pair to the lowest (and one more either way) keep their parts, the rest of the fill
// its area sums. A single subpath whose lines change direction in x twice and in y twice (a
// ring without a bay) cannot come back to itself going the same way, and is not looked at.
// Outlines of more than kRingVertices verbs are taken as meeting in every row (the look stays
// cheap next to the fill), and so are those whose vertices crowd together beyond the pairs
// looked at. The look is the job's first phase, done in pieces like the rest: a verb, a key
// sorted or merged, a vertex or a pair is a unit.
constexpr int64_t kRingsApart = 4 * kRasterOne;
constexpr int32_t kRingVertices = 1 << 14;
constexpr int32_t kRingRun = 1024; // keys sorted at once, before the runs are merged
constexpr uint32_t kGridIndex = (1u << 15) - 1;

// Orders vertices by pixel column, then row (each -2^23 ... 2^23 - 1), with 15 bits left for
// an index.
inline uint64_t GridKey(int32_t col, int32_t row) {
    return (uint64_t(uint32_t(col + (1 << 23)) & 0xFFFFFF) << 39) |
           (uint64_t(uint32_t(row + (1 << 23)) & 0xFFFFFF) << 15);
}

} // namespace

int32_t RasterJobState::RingsBegin() {
    const int32_t old = vertexCapacity;
    if (verbCount > kRingVertices || !Grow(vertices, vertexCapacity, int64_t(verbCount) + 1) ||
        !Grow(vertexOrder, vertexOrderCapacity, int64_t(verbCount) + 1) ||
        !Grow(vertexMerge, vertexMergeCapacity, int64_t(verbCount) + 1)) {
        return 1;
    }
    rings = RingsProgress{};
    // Fresh lists cost the first touch of their pages (kFreshBytes), counted per verb.
    if (vertexCapacity != old) {
        rings.verbWork += int32_t(sizeof(OutlineVertex) + 2 * sizeof(uint64_t)) / kFreshBytes;
    }
    rings.low = INT32_MAX;
    rings.high = INT32_MIN;
    return 0;
}

int32_t RasterJobState::RingsMeet() {
    RingsProgress& r = rings;
    if (r.stage == 0) {
        // The vertices, with lengths along the outline measured as |dx| + |dy| (enough to
        // tell near from far), and their keys by pixel column, then row (with the index
        // below). A vertex within a pixel of the last one is left out (the lines join up):
        // the outline is looked at a pixel at a time.
        // `turns`: the changes of direction in x and in y (signs of the lines' dx and dy),
        // the last line's against the first's too. A verb at a time, resuming.
        int32_t n = r.n, first = r.first, subpath = r.subpath, pi = r.pi, ringCount = r.rings;
        int32_t turns = r.turns, signX = r.signX, signY = r.signY, firstX = r.firstX;
        int32_t firstY = r.firstY;
        int64_t along = r.along, longest = r.longest;
        RasterPoint start = r.start, pen = r.pen;
        auto save = [&]() {
            r.n = n, r.first = first, r.subpath = subpath, r.pi = pi, r.rings = ringCount;
            r.turns = turns, r.signX = signX, r.signY = signY, r.firstX = firstX;
            r.firstY = firstY, r.along = along, r.longest = longest, r.start = start;
            r.pen = pen;
        };
        auto step = [&](RasterPoint a, RasterPoint b) {
            const int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
            const int32_t sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
            turns += (sx && sx == -signX) + (sy && sy == -signY);
            signX = sx ? sx : signX;
            signY = sy ? sy : signY;
            firstX = firstX ? firstX : sx;
            firstY = firstY ? firstY : sy;
            return (dx < 0 ? -dx : dx) + (dy < 0 ? -dy : dy);
        };
        // Ends a subpath (closed by a line back to its start): its vertices learn its length.
        auto endSubpath = [&]() {
            along += step(pen, start);
            for (int32_t i = first; i < n; ++i) {
                vertices[i].length = along;
            }
            if (first < n) { // the subpath's start is reached by the line that closes it
                vertices[first].dx = float(double(start.x) - pen.x);
                vertices[first].dy = float(double(start.y) - pen.y);
                ++ringCount;
                longest = along > longest ? along : longest;
            }
            first = n;
            ++subpath;
            along = 0;
            turns += (firstX && firstX == -signX) + (firstY && firstY == -signY);
            signX = signY = firstX = firstY = 0;
        };
        for (; r.vi < verbCount; ++r.vi) {
            if (work <= 0) {
                save();
                return -1;
            }
            work -= r.verbWork;
            const uint8_t verb = verbs[r.vi];
            const int32_t need = PointsOf(verb);
            if (pi + need > pointCount) {
                break;
            }
            RasterPoint p = start; // a Close goes back to the start
            if (verb == kVerbMove) {
                endSubpath();
                start = pen = p = points[pi];
            } else if (need > 0) {
                p = points[pi + need - 1];
            } else if (verb != kVerbClose) {
                continue;
            }
            pi += need;
            const int64_t dx = int64_t(p.x) - pen.x, dy = int64_t(p.y) - pen.y;
            if (verb != kVerbMove && dx < kRasterOne && dx > -kRasterOne && dy < kRasterOne &&
                dy > -kRasterOne) {
                continue; // within a pixel of the last vertex: the next line starts there
            }
            along += step(pen, p);
            vertexOrder[n] = GridKey(p.x >> kRasterShift, p.y >> kRasterShift) | uint32_t(n);
            vertices[n++] = OutlineVertex{p.x, p.y, subpath, along, 0, float(dx), float(dy)};
            pen = p;
        }
        endSubpath();
        save();
        if (ringCount < 2 && (longest <= 2 * kRingsApart || turns <= 4)) {
            return 0; // one ring, too short or too plain to come back to itself
        }
        r.stage = 1;
        r.at = 0;
    }
    const int32_t n = r.n;
    // The keys in order: runs of kRingRun sorted, then merged pairwise, pass by pass.
    while (r.stage == 1) {
        if (r.at >= n) {
            r.stage = 2;
            r.at = 0;
            r.width = kRingRun;
            break;
        }
        if (work <= 0) {
            return -1;
        }
        const int32_t end = n - r.at > kRingRun ? r.at + kRingRun : n;
        std::sort(vertexOrder + r.at, vertexOrder + end);
        work -= 2 * int64_t(end - r.at);
        r.at = end;
    }
    while (r.stage == 2) {
        if (r.width >= n) {
            r.stage = 3;
            r.at = 0;
            r.pairs = 16 * int64_t(n) + 1024;
            break;
        }
        if (r.at >= n) {
            std::swap(vertexOrder, vertexMerge);
            std::swap(vertexOrderCapacity, vertexMergeCapacity);
            r.width *= 2;
            r.at = 0;
            continue;
        }
        if (work <= 0) {
            return -1;
        }
        const int32_t mid = n - r.at > r.width ? r.at + r.width : n;
        const int32_t end = n - mid > r.width ? mid + r.width : n;
        std::merge(vertexOrder + r.at, vertexOrder + mid, vertexOrder + mid, vertexOrder + end,
                   vertexMerge + r.at);
        work -= end - r.at;
        r.at = end;
    }
    // Each vertex against those after it in its column (rows up to one below) and those in
    // the next column (rows from one above to one below), a vertex at a time.
    double& low = r.low; // where pairs meet (24.8)
    double& high = r.high;
    for (; r.at < n; ++r.at) {
        if (work <= 0) {
            return -1;
        }
        --work;
        const int32_t i = r.at;
        const OutlineVertex& a = vertices[uint32_t(vertexOrder[i]) & kGridIndex];
        const int32_t col = a.x >> kRasterShift, row = a.y >> kRasterShift;
        for (int32_t side = 0; side < 2; ++side) {
            const uint64_t* from =
                side ? std::lower_bound(vertexOrder + i + 1, vertexOrder + n,
                                        GridKey(col + 1, row - 1))
                     : vertexOrder + i + 1;
            const uint64_t end = GridKey(col + side, row + 2);
            for (const uint64_t* k = from; k < vertexOrder + n && *k < end; ++k) {
                --work;
                if (--r.pairs < 0) {
                    return 1; // every row
                }
                const OutlineVertex& b = vertices[uint32_t(*k) & kGridIndex];
                const int64_t dx = int64_t(b.x) - a.x, dy = int64_t(b.y) - a.y;
                if (dx >= kRasterOne || dx <= -kRasterOne || dy >= kRasterOne ||
                    dy <= -kRasterOne) {
                    continue;
                }
                const int64_t apart = a.along > b.along ? a.along - b.along : b.along - a.along;
                const bool far = apart > kRingsApart && a.length - apart > kRingsApart;
                const double dot = double(a.dx) * b.dx + double(a.dy) * b.dy;
                const double squares = (double(a.dx) * a.dx + double(a.dy) * a.dy) *
                                       (double(b.dx) * b.dx + double(b.dy) * b.dy);
                if (dot > 0 && 2 * dot * dot > squares && (a.subpath != b.subpath || far)) {
                    // The pair and the lines into it, which run side by side up to it.
                    for (double y : {double(a.y), double(b.y), a.y - double(a.dy),
                                     b.y - double(b.dy)}) {
                        low = y < low ? y : low;
                        high = y > high ? y : high;
                    }
                }
            }
        }
    }
    if (low > high) {
        return 0;
    }
    // Their rows, and one more either way (local rows).
    const double firstRow = floor((low - originY) / kRasterOne) - 1;
    const double lastRow = floor((high - originY) / kRasterOne) + 1;
    keptFirst = firstRow < INT32_MIN ? INT32_MIN : int32_t(firstRow);
    keptLast = lastRow > INT32_MAX ? INT32_MAX : int32_t(lastRow);
    return 1;
}

int32_t RasterJobState::OutlineFill() {
    const double ox = originX, oy = originY;
    const double w = double(width) * kRasterOne, h = double(height) * kRasterOne;
    const RasterPoint* pts = points;
    FillWalker walk{this, penX, penY, 0};
    int32_t vi = verbIndex, pi = pointIndex;
    for (; vi < verbCount && !failed; ++vi) {
        if (work - walk.lines <= 0) {
            break;
        }
        const uint8_t verb = verbs[vi];
        const int32_t need = PointsOf(verb);
        if (pi + need > pointCount) {
            vi = verbCount;
            break;
        }
        ++walk.lines;
        switch (verb) {
        case kVerbMove:
            walk(startX, startY); // closes the previous subpath
            edgeTag += 2; // subpaths are never neighbours
            walk.x = startX = pts[pi].x - ox;
            walk.y = startY = pts[pi].y - oy;
            break;
        case kVerbLine:
            walk(pts[pi].x - ox, pts[pi].y - oy);
            break;
        case kVerbQuad: {
            double c[6] = {walk.x,
                           walk.y,
                           pts[pi].x - ox,
                           pts[pi].y - oy,
                           pts[pi + 1].x - ox,
                           pts[pi + 1].y - oy};
            FlattenQuad(c, w, h, 0, walk);
            break;
        }
        case kVerbCubic: {
            double c[8] = {walk.x,
                           walk.y,
                           pts[pi].x - ox,
                           pts[pi].y - oy,
                           pts[pi + 1].x - ox,
                           pts[pi + 1].y - oy,
                           pts[pi + 2].x - ox,
                           pts[pi + 2].y - oy};
            FlattenCubic(c, w, h, 0, walk);
            break;
        }
        case kVerbClose:
            walk(startX, startY);
            break;
        default:
            break;
        }
        pi += need;
    }
    work -= walk.lines;
    verbIndex = vi;
    pointIndex = pi;
    penX = walk.x;
    penY = walk.y;
    if (vi < verbCount && !failed) {
        return 0;
    }
    walk(startX, startY);
    return 1;
}

// ------------------------------------------------------------------------------------------------
// RasterJob
// ------------------------------------------------------------------------------------------------

RasterJob::~RasterJob() {
    delete state;
}

int32_t RasterJob::Start(const RasterPath& path, const RasterPaint& paint,
                         const RasterSurface& surface, const RasterRect& clip,
                         int32_t alphaScale256) {
    if (!state) {
        state = new (std::nothrow) RasterJobState;
        if (!state) {
            return 0;
        }
    }
    RasterJobState& s = *state;
    s.Begin(surface, clip);
    s.SetPaint(paint.colour, alphaScale256, paint.smoothed);
    if (paint.gradient && s.width > 0 && !GradientBegin(s, *paint.gradient, alphaScale256)) {
        s.Fail();
        return 0;
    }
    if (s.width <= 0 || s.alpha == 0 || path.verbCount() == 0) {
        return 1; // nothing to draw
    }
    if (pathInPlace) {
        s.ReadPath(path);
    } else if (!s.CopyPath(path)) {
        s.Fail();
        return 0;
    }
    s.verbIndex = 0;
    s.pointIndex = 0;
    s.penX = s.startX = -s.originX;
    s.penY = s.startY = -s.originY;
    s.phase = JobPhase::Outline;
    s.finished = 0;
    return 1;
}

int32_t RasterJob::StartFill(const RasterPath& path, FillRule rule, const RasterPaint& paint,
                             const RasterSurface& surface, const RasterRect& clip) {
    int32_t ok = Start(path, paint, surface, clip, 256);
    if (state) {
        state->evenOdd = rule == FillRule::EvenOdd ? 1 : 0;
        state->stroking = 0;
        // Even-odd rings closer than a pixel need their windings followed inside the pixel:
        // whether they come so close is looked at first (a long outline is taken as if they
        // did at once).
        state->exact = 0;
        if (state->evenOdd && state->smoothed && gExactOverlaps && !state->finished) {
            state->exact = state->RingsBegin();
            state->phase = state->exact ? JobPhase::Outline : JobPhase::Rings;
        }
    }
    return ok;
}

int32_t RasterJob::StartStroke(const RasterPath& path, const StrokeStyle& style,
                               const RasterPaint& paint, const RasterSurface& surface,
                               const RasterRect& clip) {
    if (!Start(path, paint, surface, clip, 256)) {
        return 0;
    }
    RasterJobState& s = *state;
    s.evenOdd = 0;
    s.stroking = 1;
    s.exact = s.smoothed && gExactOverlaps;
    s.strokeStyle = style;
    if (!s.finished && !StrokeBegin(s)) {
        s.Fail();
        return 0;
    }
    return 1;
}

void RasterJob::ReadPathInPlace(int32_t inPlace) {
    pathInPlace = inPlace ? 1 : 0;
}

int32_t RasterJob::Advance(int32_t work) {
    lastWork = 0;
    if (!state || state->finished) {
        return 1;
    }
    if (work <= 0) {
        return 0;
    }
    const int32_t done = state->Work(work, INT32_MAX);
    lastWork = work - state->work;
    return done;
}

int64_t RasterJob::LastWork() const {
    return lastWork;
}

int32_t RasterJob::Prepare(int32_t work) {
    if (!state || state->finished) {
        return 1;
    }
    if (work > 0) {
        state->Work(work, 0);
    }
    return state->finished || state->phase == JobPhase::Bands;
}

int32_t RasterJob::Step(int32_t maxBands) {
    if (!state || state->finished) {
        return 1;
    }
    return state->Work(INT64_MAX, maxBands < 0 ? 0 : maxBands);
}

int32_t RasterJob::Run() {
    Step(INT32_MAX);
    return Failed() ? 0 : 1;
}

int32_t RasterJob::Finished() const {
    return !state || state->finished;
}

int32_t RasterJob::Failed() const {
    return state && state->failed;
}

void RasterJob::Cancel() {
    if (!state || state->finished) {
        return;
    }
    // Clear what the current band may have left in the accumulators.
    RasterJobState& s = *state;
    if (s.phase == JobPhase::Bands) {
        memset(s.cells, 0, sizeof(uint32_t) * size_t(s.cellCapacity));
        memset(s.touched, 0, sizeof(uint64_t) * size_t(s.touchedCapacity));

    }
    s.finished = 1;
    s.phase = JobPhase::Done;
    s.bandBegun = 0;
}

int32_t RasterJob::BandHeight() const {
    return state ? state->bandRows : 1;
}

int32_t RasterJob::BandsLeft() const {
    return (!state || state->finished || state->phase != JobPhase::Bands)
               ? 0
               : state->endBand - state->currentBand;
}

int32_t FillPath(const RasterPath& path, FillRule rule, const RasterPaint& paint,
                 const RasterSurface& surface, const RasterRect& clip) {
    RasterJob job;
    if (!job.StartFill(path, rule, paint, surface, clip)) {
        return 0;
    }
    return job.Run();
}

int32_t StrokePath(const RasterPath& path, const StrokeStyle& style, const RasterPaint& paint,
                   const RasterSurface& surface, const RasterRect& clip) {
    RasterJob job;
    if (!job.StartStroke(path, style, paint, surface, clip)) {
        return 0;
    }
    return job.Run();
}

void RasterSetExactOverlaps(int32_t exact) {
    gExactOverlaps = exact ? 1 : 0;
}

void FillRectangle(const RasterSurface& surface, const RasterRect& rect, uint32_t colour) {
    if (!UsableSurface(surface)) {
        return;
    }
    int32_t x0 = rect.x0 > 0 ? rect.x0 : 0;
    int32_t y0 = rect.y0 > 0 ? rect.y0 : 0;
    int32_t x1 = rect.x1 < surface.width ? rect.x1 : surface.width;
    int32_t y1 = rect.y1 < surface.height ? rect.y1 : surface.height;
    uint32_t a = colour >> 24;
    if (x1 <= x0 || y1 <= y0 || a == 0) {
        return;
    }
    const SolidSource source = MakeSolidSource(colour);
    for (int32_t y = y0; y < y1; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(surface.firstRow + surface.stride * y) + x0;
        if (a == 255) {
            FillRow(row, x1 - x0, colour);
        } else {
            BlendRow(row, x1 - x0, source, a);
        }
    }
}

// ------------------------------------------------------------------------------------------------
// Hit tests: the same conversion over a small window around the point, counting instead of
// drawing.
// ------------------------------------------------------------------------------------------------

namespace {

constexpr int32_t kHitMaxPixels = 64;

int32_t HitWindow(RasterJobState& s, RasterPoint point, int32_t radius) {
    if (radius < 0) {
        radius = 0;
    }
    int64_t size = (int64_t(radius) * 2 + kRasterOne - 1) / kRasterOne;
    if (size < 1) {
        size = 1;
    }
    if (size > kHitMaxPixels) {
        size = kHitMaxPixels;
    }
    static uint32_t dummy;
    RasterSurface surface{reinterpret_cast<uint8_t*>(&dummy), 0, int32_t(size), int32_t(size)};
    RasterRect clip{0, 0, int32_t(size), int32_t(size)};
    s.Begin(surface, clip);
    s.originX = double(point.x) - double(radius);
    s.originY = double(point.y) - double(radius);
    s.SetPaint(0xFF000000u, 256, 1);
    s.hitOnly = 1;
    return 1;
}

// Runs the window's job until something is covered or everything is converted.
int32_t HitRun(RasterJobState& s, const RasterPath& path) {
    if (s.width <= 0 || path.verbCount() == 0) {
        return 0;
    }
    if (!s.CopyPath(path)) {
        return 0;
    }
    s.verbIndex = 0;
    s.pointIndex = 0;
    s.penX = s.startX = -s.originX;
    s.penY = s.startY = -s.originY;
    s.phase = JobPhase::Outline;
    s.finished = 0;
    if (s.stroking && !StrokeBegin(s)) {
        return 0;
    }
    while (!s.finished && !s.hit) {
        s.Work(INT64_MAX, 1);
    }
    return s.hit;
}

} // namespace

int32_t HitTestFill(const RasterPath& path, FillRule rule, RasterPoint point, int32_t radius) {
    RasterJobState s;
    HitWindow(s, point, radius);
    s.evenOdd = rule == FillRule::EvenOdd ? 1 : 0;
    s.stroking = 0;
    return HitRun(s, path);
}

int32_t HitTestStroke(const RasterPath& path, const StrokeStyle& style, RasterPoint point,
                      int32_t radius) {
    RasterJobState s;
    HitWindow(s, point, radius);
    s.stroking = 1;
    s.strokeStyle = style;
    return HitRun(s, path);
}
