// Internals shared by the scan converter (Raster.cpp) and the stroker (RasterStroke.cpp).
#pragma once

#include "renderer/raster/Raster.h"
#include "renderer/raster/RasterComposite.h"

#include <math.h>
#include <new>

// A line edge in the job's local 24.8 coordinates (origin at the clip's top left corner),
// always running downwards (y0 < y1); dir is +1 or -1, the sign of its winding. tag names the
// piece of a stroke the edge belongs to (Raster.cpp, "Overlaps"); 0 for fills.
struct RasterEdge {
    int32_t x0;
    int32_t y0;
    int32_t x1;
    int32_t y1;
    int32_t dir;
    int32_t tag;
};

// The part of an edge inside one cell, kept while a band is converted where overlaps are
// resolved: x offsets inside the cell, y offsets inside the row (0 ... 256), ya <= yb (equal
// for a level edge, and for a part too flat to rise 1/256 pixel).
struct OverlapPiece {
    int32_t next; // the cell's previous piece, 1-based; 0 ends the list
    int16_t xa, ya, xb, yb;
    int32_t dir;
};

// Where overlaps are resolved a cell takes four words: the accumulator, the head of its list
// of pieces (1-based, 0 when it has none), and the least and the greatest tag among them (set
// with the first piece).
constexpr int32_t kCellWordsKept = 4;
constexpr int32_t kCellHead = 1;
constexpr int32_t kCellLow = 2;
constexpr int32_t kCellHigh = 3;

struct StrokeWalk;
struct GradientState;

// An end point of a path's line or curve: how far along its subpath it lies, the subpath's
// length (24.8), and the line that reaches it.
struct OutlineVertex {
    int32_t x, y;
    int32_t subpath;
    int64_t along, length;
    float dx, dy;
};

// A list that grows a block at a time and never moves what it holds, so that adding to it
// costs the same at any size (no large copies, no large fresh allocations at once). Blocks
// are kept for reuse after Clear.
template <class T> struct BlockList {
    static constexpr int32_t kShift = 12;
    static constexpr int32_t kBlock = 1 << kShift;
    static constexpr int32_t kMask = kBlock - 1;

    T** blocks = nullptr;
    int32_t blockCount = 0;    // blocks allocated
    int32_t blockCapacity = 0; // room in `blocks`
    int32_t count = 0;
    int32_t reached = 0; // the most elements ever held: beyond, the blocks are fresh memory

    BlockList() = default;
    BlockList(const BlockList&) = delete;
    BlockList& operator=(const BlockList&) = delete;
    ~BlockList() {
        for (int32_t i = 0; i < blockCount; ++i) {
            delete[] blocks[i];
        }
        delete[] blocks;
    }
    // Room for the next elements: where the next one goes, and in *left how many fit there in
    // a row (the rest of its block); nullptr when memory ran out. Writers fill some of them
    // and then move `count` (and `reached`) on themselves.
    T* Room(int32_t* left) {
        if ((count >> kShift) == blockCount && !Grow()) {
            return nullptr;
        }
        *left = kBlock - (count & kMask);
        return &blocks[count >> kShift][count & kMask];
    }
    T& operator[](int32_t i) { return blocks[i >> kShift][i & kMask]; }
    const T& operator[](int32_t i) const { return blocks[i >> kShift][i & kMask]; }
    void Clear() { count = 0; }
    // Appends; false when memory ran out (the list is unchanged).
    bool Add(const T& value) {
        const int32_t block = count >> kShift;
        if (block == blockCount && !Grow()) {
            return false;
        }
        blocks[block][count & kMask] = value;
        ++count;
        reached = count > reached ? count : reached;
        return true;
    }
    // One more block; false when memory ran out (the list is unchanged).
    bool Grow() {
        if (blockCount == blockCapacity) {
            int32_t grown = blockCapacity ? blockCapacity * 2 : 16;
            T** fresh = new (std::nothrow) T*[size_t(grown)];
            if (!fresh) {
                return false;
            }
            for (int32_t i = 0; i < blockCount; ++i) {
                fresh[i] = blocks[i];
            }
            delete[] blocks;
            blocks = fresh;
            blockCapacity = grown;
        }
        T* storage = new (std::nothrow) T[kBlock];
        if (!storage) {
            return false;
        }
        blocks[blockCount++] = storage;
        return true;
    }
};

// What a job is doing; preparation runs through the first ones in order.
enum class JobPhase : int32_t {
    Rings,   // an even-odd fill: whether rings of its outline meet inside a pixel (RingsMeet)
    Outline, // walking the path: flattening (and stroking), clipping, storing edges
    Arrange, // band layout and buffers
    Count,   // counting sort by first band: counting
    Place,   // counting sort: placing
    Bands,   // converting and compositing bands
    Done,
};

struct RasterJobState {
    // Where the pixels go: origin is the pixel at the clip's top left corner.
    uint8_t* origin = nullptr;
    ptrdiff_t stride = 0;
    int32_t width = 0; // clip size in pixels
    int32_t height = 0;
    double clipW = 0, clipH = 0; // the same in 24.8, while the outline is walked
    double originX = 0; // the clip's top left corner in the caller's 24.8 coordinates
    double originY = 0;

    // Paint.
    SolidSource source{}; // the colour, for solid spans
    int32_t alpha = 0;     // effective alpha 0..255
    int32_t smoothed = 1;
    int32_t evenOdd = 0;
    int32_t hitOnly = 0; // only find out whether anything is covered
    int32_t hit = 0;
    // A gradient paint (RasterGradient.cpp) replaces the colour while gradientOn is set.
    GradientState* gradient = nullptr; // kept for reuse
    int32_t gradientOn = 0;
    int32_t sweepRow = 0; // the row being swept, local

    // The path the job walks: its own copy, or the caller's path read in place.
    const uint8_t* verbs = nullptr;
    const RasterPoint* points = nullptr;
    int32_t verbCount = 0;
    int32_t pointCount = 0;
    uint8_t* verbCopy = nullptr;
    RasterPoint* pointCopy = nullptr;
    int32_t verbCapacity = 0;
    int32_t pointCapacity = 0;

    // Progress. `work` is what the current call may still spend (see RasterJob).
    JobPhase phase = JobPhase::Done;
    int64_t work = 0;
    int32_t stroking = 0;
    StrokeStyle strokeStyle{};
    StrokeWalk* stroke = nullptr; // the stroker's progress, kept for reuse
    // The fill walk: next verb and point, pen and subpath start (local 24.8).
    int32_t verbIndex = 0;
    int32_t pointIndex = 0;
    double penX = 0, penY = 0, startX = 0, startY = 0;
    // Sorting and bands.
    int32_t sortIndex = 0;
    int32_t firstBand = 0;
    int32_t bandUnits = 0;
    uint64_t bandReciprocal = 0; // 2^32 / bandRows, rounded up
    int32_t bandBegun = 0;       // the current band's edges are being converted or swept
    int32_t bandEdge = 0;        // next active edge of the current band
    int32_t bandKept = 0;        // active edges kept for the next band so far
    int32_t sweepNext = 0;       // the band's next row to sweep (local to the band)

    // Edges after clipping, then sorted by their first band, and the active ones.
    BlockList<RasterEdge> edges;
    RasterEdge* sorted = nullptr;
    RasterEdge* active = nullptr;
    int32_t edgeCount = 0;
    int32_t listCapacity = 0;
    int32_t listsFresh = 0; // `sorted` and `active` were allocated for this job: still unused
    int32_t activeCapacity = 0;
    int32_t activeCount = 0;
    int32_t nextEdge = 0;
    int32_t failed = 0;
    int32_t minX = 0; // bounds of the edges, 24.8 local
    int32_t maxX = 0;
    int32_t rightCut = 0; // parts of edges right of the clip were dropped (see Arrange)
    int32_t cellShift = 0; // the cells' first column, in pixels right of the clip's left side
    int32_t minY = 0;
    int32_t maxY = 0;

    // Overlaps (strokes with smoothing): per band the pieces, the rows holding a cell whose
    // tags are two or more apart, and the progress of the pass that resolves them.
    int32_t exact = 0;
    int32_t edgeTag = 0; // the tag the stroker gives the edges it adds now
    int32_t cellWords = 1; // words a cell takes: 1, or kCellWordsKept
    BlockList<OverlapPiece> pieces;
    int32_t piecesBlocks = 0; // blocks of `pieces` already charged as work when fresh
    int32_t piecesLost = 0; // memory or the band's limit of pieces ran out: area sums
    int32_t keptFirst = INT32_MIN; // the local rows whose cells keep their parts
    int32_t keptLast = INT32_MAX;
    uint64_t overlapRows = 0;
    int32_t mixedLast[64] = {}; // per row of the band, the last cell whose tags lie 2 apart
    int32_t exactRow = 0;
    int32_t exactX = 0;
    uint32_t exactSum = 0;
    int32_t exactWinding[9] = {}; // per sample line (8) as differences from the line above

    // The vertices of an even-odd outline, looked at before its edges are made (RingsMeet),
    // their keys in order (sorted by merging runs into vertexMerge, pass by pass), and the
    // progress of the look.
    OutlineVertex* vertices = nullptr;
    uint64_t* vertexOrder = nullptr;
    uint64_t* vertexMerge = nullptr;
    int32_t vertexCapacity = 0;
    int32_t vertexOrderCapacity = 0;
    int32_t vertexMergeCapacity = 0;
    struct RingsProgress {
        int32_t stage = 0; // 0 vertices, 1 sorting runs, 2 merging them, 3 pairs
        int32_t verbWork = 1; // units a verb costs
        int32_t vi = 0;       // vertices: the next verb, and the walk's state
        int32_t pi = 0, n = 0, first = 0, subpath = 0, rings = 0, turns = 0;
        int32_t signX = 0, signY = 0, firstX = 0, firstY = 0;
        int64_t along = 0, longest = 0;
        RasterPoint start{0, 0}, pen{0, 0};
        int32_t at = 0;    // the next run, or the next vertex to pair
        int32_t width = 0; // runs being merged
        int64_t pairs = 0; // pairs left to look at
        double low = 0, high = 0;
    } rings;

    int32_t* bandCounts = nullptr;
    int32_t bandCountCapacity = 0;

    // Per band: an accumulator per cell and a bit per cell telling which ones were touched.
    uint32_t* cells = nullptr;
    uint64_t* touched = nullptr;
    int32_t cellCapacity = 0;
    int32_t touchedCapacity = 0;
    int32_t cellsClean = 0; // the first cells known to be 0: fresh ones are cleared in pieces
    int32_t cellStride = 0;    // width + 2
    int32_t touchedStride = 0; // 64-bit words per row
    int32_t bandRows = 1;
    int32_t currentBand = 0;
    int32_t endBand = 0;
    int32_t finished = 1;

    ~RasterJobState();

    // Sets the clip and origin for a new job and empties the edge list.
    int32_t Begin(const RasterSurface& surface, const RasterRect& clip);
    // Copies the path into the job; 0 when memory ran out.
    int32_t CopyPath(const RasterPath& path);
    // Reads the caller's path in place: it must stay unchanged while the job runs.
    void ReadPath(const RasterPath& path);
    // Whether two rings of the outline may meet inside a pixel (see Overlaps): RingsBegin
    // prepares the look (1 when the outline is too long to look at, or memory ran out: then
    // they are taken to meet everywhere), RingsMeet looks while there is work left (-1 when
    // it ran out first).
    int32_t RingsBegin();
    int32_t RingsMeet();
    // Runs the job until `budget` units are spent or `maxBands` bands are complete (0: the
    // preparation only); 1 once finished.
    int32_t Work(int64_t budget, int32_t maxBands);
    // One piece of the fill outline; 1 once the whole path is walked.
    int32_t OutlineFill();
    void Fail();
    void SetPaint(uint32_t colour, int32_t alphaScale256, int32_t smoothed);

    // Adds a line in local 24.8 coordinates; clips it to the job's rectangle first.
    void AddLine(double x0, double y0, double x1, double y1, int32_t dir);
    // Adds a closed convex polygon, oriented so that its winding is `sign` (+1 or -1).
    void AddPolygon(const double* xy, int32_t count, int32_t sign = 1);
    // Band layout and buffers once the edges are known; 0 when memory ran out.
    int32_t Arrange();

    void StoreEdge(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t dir);
    // The band of a local height y >= 0: y / bandUnits without a division (exact for rows
    // below 2^16 and bands of at most 64 rows).
    int32_t BandOf(int32_t y) const {
        return int32_t((uint64_t(uint32_t(y) >> kRasterShift) * bandReciprocal) >> 32);
    }
    // Converts the current band's edges while there is work left, then sweeps it; 1 once the
    // band is complete.
    int32_t DrawBand();
    void ChargeFreshPieces();
    // Sweeps the band's rows from sweepNext while there is work left; 1 once all are swept.
    template <int32_t K> int32_t SweepBand(int32_t band, int32_t rows);
    // Converts the band's edges (24.8 heights top ... bottom) into its cells while there is
    // work left; 1 once all are done (Raster.cpp).
    template <class Sink> int32_t ConvertEdges(int32_t top, int32_t bottom);
    // Resolves the band's cells where pieces of a stroke that are not neighbours meet; 1 once
    // done, 0 when the work ran out first.
    int32_t ResolveOverlaps(int32_t rows);
    // The part of an edge inside the band, without smoothing; the work done (rows).
    int32_t EdgeAliased(const RasterEdge& e, int32_t top, int32_t bottom, int32_t bandTopRow);
    void Span(uint32_t* row, int32_t x0, int32_t x1, uint32_t sum);
    void OnePixel(uint32_t* pixel, uint32_t sum);
};

// Curve flattening tolerance in 24.8 units (a sixteenth of a pixel).
constexpr double kRasterTolerance = 16;

// Flattens a quadratic or cubic (given in local 24.8 coordinates) into points handed to
// out(x, y), the first point excluded. Pieces whose control box lies wholly outside the
// rectangle [-margin, w + margin] x [-margin, h + margin], or left of it, become chords. With
// endSine > 0 (strokes), the first and the last chord also keep within the angle of that sine
// of the curve's direction at its ends, where caps and corners are turned by them.
template <class Out>
void FlattenCubic(const double* p, double w, double h, double margin, Out& out,
                  double endSine = 0);
template <class Out>
void FlattenQuad(const double* p, double w, double h, double margin, Out& out,
                 double endSine = 0);

// The stroke outline of the job's path, in pieces: begins a walk (0 when memory ran out), then
// continues it while s.work lasts; 1 once the whole outline is stored.
// The gradient paint: GradientBegin prepares it for the job (after SetPaint; a frame without
// area becomes the solid colour of its last stop), 0 when memory ran out. GradientSpan paints
// pixels [x0, x1) of the local row s.sweepRow at the given coverage (1 ... 255) and counts its
// work.
int32_t GradientBegin(RasterJobState& s, const RasterGradient& g, int32_t alphaScale256);
void GradientSpan(RasterJobState& s, uint32_t* row, int32_t x0, int32_t x1, int32_t coverage);
void GradientDelete(GradientState* g);

int32_t StrokeBegin(RasterJobState& s);
int32_t StrokeContinue(RasterJobState& s);
void StrokeDelete(StrokeWalk* walk);

#include "renderer/raster/RasterFlatten.inl"
