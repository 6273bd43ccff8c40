// Polygon operations through Clipper (Debian's polyclipping, Clipper 6.4): stroke outlines and
// clipping. Curves are flattened first with the tolerance the caller gives (in the path's own
// units); Clipper works on integers, so coordinates are scaled by `1 / resolution` (the
// resolution being finer than the tolerance) and back.
//
// Stroke outlines follow SVG's geometry with Clipper's offsetting: the outline of each subpath
// is the area within width / 2 of it; closed subpaths are outlined as rings, open ones get
// their caps (butt, square, round). Joins are mitred up to the miter limit (the ratio of miter
// length to width), round, or bevelled: where SVG bevels (bevel joins turning more than 30
// degrees, miters past their limit) the subpath is cut at the corner and the bevel's triangle
// added, since Clipper itself would square the corner off at half the width from it (far
// beyond the bevel at a sharp turn) and takes limits below 2 as 2. A subpath of zero length with
// round or square caps becomes a dot or a square, as SVG draws it. Long subpaths go in pieces
// of bounded size (overlapping by a segment, so every join is made); the result is filled
// non-zero, which covers each point once however the pieces overlap, so it can be painted with
// a translucent colour.
//
// A region is a set of polygons on the integer grid, filled non-zero. Clipper's own failures
// (coordinates out of its range, memory) are caught here and reported as false; nothing
// escapes.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "authoring/svg/Path.h"

namespace vemo::svg {

struct StrokeStyle {
    double width = 1;
    uint8_t join = 0; // 0 miter, 1 round, 2 bevel
    uint8_t cap = 0;  // 0 butt, 1 round, 2 square
    double miterLimit = 4;
};

// Paths that flatten to more points than this are not outlined (the union would take long).
inline constexpr size_t kMaxOutlinePoints = 400000;

// The outline of the stroke of `path` as a fillable path (non-zero rule). False when Clipper
// failed or the path is too large; *out is then empty.
// With a budget, the flattened points are taken from it (and a path that needs more than is
// left fails).
bool StrokeOutline(const Path& path, const StrokeStyle& style, double tolerance, Path* out,
                   size_t* budget = nullptr);

// A clipping region: polygons on an integer grid of `resolution` units per step.
struct Region {
    std::vector<std::vector<std::pair<int64_t, int64_t>>> polygons;
    double resolution = 1;
    bool everything = false; // no clipping at all (the region of an unclipped element)
    Box box;                 // around the polygons, in path units
};

// The area that `path` fills with the rule (0 non-zero, 1 even-odd), as a region.
// Paths that flatten to more points than this are not made into regions: Clipper's time grows
// with the points times the edges that cross each scan line (the most in the openclipart files:
// 4,040 points in one region).
inline constexpr size_t kMaxRegionPoints = 100000;

// With a budget, the flattened points are taken from it; a path of more than kMaxRegionPoints
// points, or more than is left, fails.
bool PathRegion(const Path& path, uint8_t rule, double tolerance, double resolution, Region* out,
                size_t* budget = nullptr);
bool Unite(const Region& a, const Region& b, Region* out);
bool Intersect(const Region& a, const Region& b, Region* out);
bool Subtract(const Region& a, const Region& b, Region* out); // a without b
// The part of the path's fill (with its rule) inside the region, as a path.
bool ClipPath(const Path& path, uint8_t rule, const Region& region, double tolerance, Path* out);
// A region's polygons as a path.
Path RegionPath(const Region& region);
// True when the region is one axis-aligned rectangle (then only its box counts).
bool IsRectangle(const Region& region);

} // namespace vemo::svg
