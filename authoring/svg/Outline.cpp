#include "authoring/svg/Outline.h"

#include <math.h>

#include <algorithm>
#include <new>
#include <polyclipping/clipper.hpp>

namespace vemo::svg {

namespace {

using ClipperLib::cInt;
using ClipperLib::IntPoint;

const double kLimit = 4.0e15; // well inside Clipper's range (2^62)

bool ToInt(double v, double scale, cInt* out) {
    double s = v * scale;
    if (!(s > -kLimit && s < kLimit)) {
        return false;
    }
    *out = cInt(llround(s));
    return true;
}

bool ToClipper(const std::vector<Polyline>& lines, double scale, ClipperLib::Paths* out,
               std::vector<bool>* closed) {
    out->clear();
    for (const Polyline& l : lines) {
        ClipperLib::Path p;
        p.reserve(l.points.size());
        for (const Point& pt : l.points) {
            IntPoint ip;
            if (!ToInt(pt.x, scale, &ip.X) || !ToInt(pt.y, scale, &ip.Y)) {
                return false;
            }
            if (p.empty() || !(p.back() == ip)) {
                p.push_back(ip);
            }
        }
        out->push_back(std::move(p));
        if (closed) {
            closed->push_back(l.closed);
        }
    }
    return true;
}

Region FromClipper(const ClipperLib::Paths& paths, double resolution) {
    Region r;
    r.resolution = resolution;
    for (const ClipperLib::Path& p : paths) {
        if (p.size() < 3) {
            continue;
        }
        std::vector<std::pair<int64_t, int64_t>> poly;
        poly.reserve(p.size());
        for (const IntPoint& ip : p) {
            poly.emplace_back(int64_t(ip.X), int64_t(ip.Y));
            r.box.Add(Point{double(ip.X) * resolution, double(ip.Y) * resolution});
        }
        r.polygons.push_back(std::move(poly));
    }
    return r;
}

ClipperLib::Paths ToPaths(const Region& r) {
    ClipperLib::Paths out;
    out.reserve(r.polygons.size());
    for (const auto& poly : r.polygons) {
        ClipperLib::Path p;
        p.reserve(poly.size());
        for (const auto& pt : poly) {
            p.push_back(IntPoint(cInt(pt.first), cInt(pt.second)));
        }
        out.push_back(std::move(p));
    }
    return out;
}

Path PathFromClipper(const ClipperLib::Paths& paths, double resolution) {
    Path out;
    for (const ClipperLib::Path& p : paths) {
        if (p.size() < 3) {
            continue;
        }
        out.MoveTo({double(p[0].X) * resolution, double(p[0].Y) * resolution});
        for (size_t i = 1; i < p.size(); ++i) {
            out.LineTo({double(p[i].X) * resolution, double(p[i].Y) * resolution});
        }
        out.Close();
    }
    return out;
}

} // namespace

bool StrokeOutline(const Path& path, const StrokeStyle& style, double tolerance, Path* out,
                   size_t* budget) {
    out->Clear();
    if (!(style.width > 0) || !(tolerance > 0)) {
        return true;
    }
    double resolution = tolerance / 16;
    double scale = 1 / resolution;
    std::vector<Polyline> lines;
    Flatten(path, tolerance, &lines);
    size_t points = 0;
    for (const Polyline& l : lines) {
        points += l.points.size();
    }
    if (points > kMaxOutlinePoints || (budget != nullptr && points > *budget)) {
        return false;
    }
    if (budget != nullptr) {
        *budget -= points;
    }
    ClipperLib::Paths paths;
    std::vector<bool> closed;
    if (!ToClipper(lines, scale, &paths, &closed)) {
        return false;
    }
    ClipperLib::JoinType join = style.join == 1 ? ClipperLib::jtRound
                                : style.join == 2 ? ClipperLib::jtSquare
                                                  : ClipperLib::jtMiter;
    ClipperLib::EndType openEnd = style.cap == 1 ? ClipperLib::etOpenRound
                                  : style.cap == 2 ? ClipperLib::etOpenSquare
                                                   : ClipperLib::etOpenButt;
    ClipperLib::JoinType capJoin = style.cap == 1 ? ClipperLib::jtRound : ClipperLib::jtSquare;
    double half = style.width / 2 * scale;
    // Long polylines go to Clipper in pieces that share a segment, a bounded number of points
    // at a time: the pieces' outlines overlap, and the non-zero rule fills their union, so no
    // union over the whole path is needed (whose cost grows with every crossing).
    const size_t kPiece = 128;
    const size_t kBatch = 512;
    const double h = style.width / 2 * scale;
    try {
        ClipperLib::ClipperOffset offset(style.miterLimit < 1 ? 1 : style.miterLimit,
                                         tolerance / 4 * scale);
        size_t held = 0;
        ClipperLib::Paths bevels; // bevel triangles of this batch, united with its outlines
        auto flush = [&]() {
            if (held == 0) {
                return;
            }
            ClipperLib::Paths solution;
            offset.Execute(solution, half);
            if (!bevels.empty()) {
                // Clipper's outer rings run one way round; the triangles are made to as well.
                for (ClipperLib::Path& t : bevels) {
                    if (!ClipperLib::Orientation(t)) {
                        ClipperLib::ReversePath(t);
                    }
                }
                ClipperLib::Clipper c;
                c.AddPaths(solution, ClipperLib::ptSubject, true);
                c.AddPaths(bevels, ClipperLib::ptSubject, true);
                ClipperLib::Paths united;
                if (c.Execute(ClipperLib::ctUnion, united, ClipperLib::pftNonZero,
                              ClipperLib::pftNonZero)) {
                    solution.swap(united);
                }
                bevels.clear();
            }
            out->Append(PathFromClipper(solution, resolution));
            offset.Clear();
            held = 0;
        };
        auto add = [&](const ClipperLib::Path& p, ClipperLib::JoinType j, ClipperLib::EndType e) {
            offset.AddPath(p, j, e);
            held += p.size();
            if (held >= kBatch) {
                flush();
            }
        };
        // A cap by itself: a segment of one grid step at the end point, pointing outwards.
        auto cap = [&](const IntPoint& end, const IntPoint& before) {
            double dx = double(end.X - before.X), dy = double(end.Y - before.Y);
            double len = sqrt(dx * dx + dy * dy);
            if (len <= 0) {
                return;
            }
            IntPoint tip(end.X + cInt(llround(dx / len)), end.Y + cInt(llround(dy / len)));
            add(ClipperLib::Path{end, tip}, capJoin, openEnd);
        };
        // An open run with butt ends, in pieces that share a segment when it is long.
        auto run = [&](const ClipperLib::Path& r) {
            if (r.size() <= kPiece) {
                add(r, join, ClipperLib::etOpenButt);
                return;
            }
            for (size_t start = 0; start + 1 < r.size(); start += kPiece - 1) {
                size_t stop = std::min(start + kPiece, r.size() - 1);
                add(ClipperLib::Path(r.begin() + long(start), r.begin() + long(stop) + 1), join,
                    ClipperLib::etOpenButt);
            }
        };
        // Where SVG bevels a corner (a bevel join; a miter join past its limit) Clipper would
        // square it off at half the width from the corner, which for a sharp turn reaches far
        // beyond the bevel: the path is cut there, and the bevel's triangle added.
        auto bevelAt = [&](const IntPoint& a, const IntPoint& v, const IntPoint& b,
                           ClipperLib::Path* triangle) {
            if (style.join == 1) {
                return false;
            }
            double ux = double(v.X - a.X), uy = double(v.Y - a.Y);
            double wx = double(b.X - v.X), wy = double(b.Y - v.Y);
            double lu = sqrt(ux * ux + uy * uy), lw = sqrt(wx * wx + wy * wy);
            if (lu <= 0 || lw <= 0) {
                return false;
            }
            ux /= lu, uy /= lu, wx /= lw, wy /= lw;
            double dot = ux * wx + uy * wy;
            bool cut;
            if (style.join == 2) {
                cut = dot < 0.866; // turns of more than 30 degrees
            } else {
                // The miter is 1 / sin(half the corner's angle) widths long.
                double s = sqrt(std::max(0.0, (1 + dot) / 2));
                cut = s * std::max(1.0, style.miterLimit) < 1;
            }
            if (!cut) {
                return false;
            }
            double cross = ux * wy - uy * wx;
            double side = cross > 0 ? 1 : -1; // the outer side: away from the turn
            IntPoint p1(v.X + cInt(llround(side * uy * h)), v.Y + cInt(llround(-side * ux * h)));
            IntPoint p2(v.X + cInt(llround(side * wy * h)), v.Y + cInt(llround(-side * wx * h)));
            *triangle = ClipperLib::Path{v, p1, p2};
            return true;
        };
        for (size_t i = 0; i < paths.size(); ++i) {
            ClipperLib::Path& p = paths[i];
            if (lines[i].points.size() == 1 && !closed[i]) {
                continue; // a move alone draws nothing
            }
            if (p.size() == 1 || (p.size() == 2 && p[0] == p[1])) {
                // A subpath of zero length: a dot with round caps, a square with square caps.
                if (style.cap == 1 || style.cap == 2) {
                    add(ClipperLib::Path{p[0]}, capJoin, openEnd);
                }
                continue;
            }
            bool ring = closed[i] && p.size() >= 3;
            if (ring && p.front() == p.back()) {
                p.pop_back();
            }
            size_t n = p.size();
            std::vector<size_t> cuts;
            ClipperLib::Path triangle;
            for (size_t k = ring ? 0 : 1; k < (ring ? n : n - 1); ++k) {
                if (bevelAt(p[(k + n - 1) % n], p[k], p[(k + 1) % n], &triangle)) {
                    cuts.push_back(k);
                    bevels.push_back(triangle);
                    held += 3;
                }
            }
            if (cuts.empty()) {
                if (ring && n <= kPiece) {
                    add(p, join, ClipperLib::etClosedLine);
                } else if (!ring && n <= kPiece) {
                    add(p, join, openEnd);
                } else {
                    ClipperLib::Path r = p;
                    if (ring) {
                        r.push_back(p[0]); // round again to the first segment, for its join
                        r.push_back(p[1]);
                    }
                    run(r);
                    if (!ring && style.cap != 0) {
                        cap(p.front(), p[1]);
                        cap(p.back(), p[n - 2]);
                    }
                }
                continue;
            }
            // Runs from cut to cut (round the ring from its first cut back to it).
            if (ring) {
                for (size_t c = 0; c < cuts.size(); ++c) {
                    size_t from = cuts[c];
                    size_t to = cuts[(c + 1) % cuts.size()];
                    size_t count = (to + n - from) % n;
                    if (count == 0) {
                        count = n; // one cut: the whole ring
                    }
                    ClipperLib::Path r;
                    for (size_t k = 0; k <= count; ++k) {
                        r.push_back(p[(from + k) % n]);
                    }
                    run(r);
                }
            } else {
                size_t from = 0;
                for (size_t c = 0; c <= cuts.size(); ++c) {
                    size_t to = c < cuts.size() ? cuts[c] : n - 1;
                    run(ClipperLib::Path(p.begin() + long(from), p.begin() + long(to) + 1));
                    from = to;
                }
                if (style.cap != 0) {
                    cap(p.front(), p[1]);
                    cap(p.back(), p[n - 2]);
                }
            }
        }
        flush();
    } catch (...) {
        out->Clear();
        return false;
    }
    return true;
}

bool PathRegion(const Path& path, uint8_t rule, double tolerance, double resolution, Region* out,
                size_t* budget) {
    *out = Region();
    out->resolution = resolution;
    std::vector<Polyline> lines;
    Flatten(path, tolerance, &lines);
    size_t points = 0;
    for (const Polyline& l : lines) {
        points += l.points.size();
    }
    if (points > kMaxRegionPoints || (budget != nullptr && points > *budget)) {
        return false;
    }
    if (budget != nullptr) {
        *budget -= points;
    }
    ClipperLib::Paths paths;
    if (!ToClipper(lines, 1 / resolution, &paths, nullptr)) {
        return false;
    }
    try {
        // A plain union, not Clipper's strictly simple polygons: splitting rings where they
        // touch compares every vertex of a ring with every other, which takes seconds on one
        // ring of tens of thousands of points (a glyph of a huge font). Rings that touch at a
        // vertex fill the same under either rule, and the other operations take them as they are.
        ClipperLib::Clipper c;
        c.AddPaths(paths, ClipperLib::ptSubject, true);
        ClipperLib::PolyFillType fill = rule == 1 ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero;
        ClipperLib::Paths united;
        c.Execute(ClipperLib::ctUnion, united, fill, fill); // false only for no input at all
        *out = FromClipper(united, resolution);
    } catch (...) {
        *out = Region();
        return false;
    }
    return true;
}

static bool Combine(const Region& a, const Region& b, ClipperLib::ClipType type, Region* out) {
    if (a.resolution != b.resolution) {
        return false;
    }
    // Clipper answers false for no input at all: empty operands are settled here.
    if (a.polygons.empty() || b.polygons.empty()) {
        const Region* keep = nullptr;
        if (type == ClipperLib::ctUnion) {
            keep = a.polygons.empty() ? &b : &a;
        } else if (type == ClipperLib::ctDifference) {
            keep = &a;
        }
        bool resolve = keep == &a && !a.polygons.empty() && type == ClipperLib::ctUnion;
        if (!resolve) { // (a union with nothing still resolves the polygons' own overlaps)
            Region r;
            r.resolution = a.resolution;
            *out = keep != nullptr ? *keep : r;
            return true;
        }
    }
    try {
        ClipperLib::Clipper c;
        c.AddPaths(ToPaths(a), ClipperLib::ptSubject, true);
        c.AddPaths(ToPaths(b), ClipperLib::ptClip, true);
        ClipperLib::Paths solution;
        // False from Clipper means that no edge was left to work on: an empty result.
        if (!c.Execute(type, solution, ClipperLib::pftNonZero, ClipperLib::pftNonZero)) {
            solution.clear();
        }
        *out = FromClipper(solution, a.resolution);
    } catch (...) {
        return false;
    }
    return true;
}

bool Unite(const Region& a, const Region& b, Region* out) {
    if (a.everything || b.everything) {
        *out = Region();
        out->everything = true;
        return true;
    }
    return Combine(a, b, ClipperLib::ctUnion, out);
}

bool Intersect(const Region& a, const Region& b, Region* out) {
    if (a.everything) {
        *out = b;
        return true;
    }
    if (b.everything) {
        *out = a;
        return true;
    }
    return Combine(a, b, ClipperLib::ctIntersection, out);
}

bool Subtract(const Region& a, const Region& b, Region* out) {
    if (b.everything) {
        *out = Region();
        out->resolution = a.resolution;
        return true;
    }
    if (a.everything) {
        return false; // no complement of an unbounded region here
    }
    if (b.polygons.empty() || !a.box.Overlaps(b.box)) {
        *out = a;
        return true;
    }
    return Combine(a, b, ClipperLib::ctDifference, out);
}

bool ClipPath(const Path& path, uint8_t rule, const Region& region, double tolerance, Path* out) {
    out->Clear();
    if (region.everything) {
        *out = path;
        return true;
    }
    std::vector<Polyline> lines;
    Flatten(path, tolerance, &lines);
    ClipperLib::Paths paths;
    if (!ToClipper(lines, 1 / region.resolution, &paths, nullptr)) {
        return false;
    }
    // Only the region's polygons that reach the subject's box can matter.
    Box subject;
    for (const Polyline& l : lines) {
        for (const Point& p : l.points) {
            subject.Add(p);
        }
    }
    ClipperLib::Paths clip;
    double inv = 1 / region.resolution;
    for (const auto& poly : region.polygons) {
        int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN;
        for (const auto& pt : poly) {
            x0 = std::min(x0, pt.first);
            y0 = std::min(y0, pt.second);
            x1 = std::max(x1, pt.first);
            y1 = std::max(y1, pt.second);
        }
        if (double(x1) < subject.x0 * inv - 2 || double(x0) > subject.x1 * inv + 2 ||
            double(y1) < subject.y0 * inv - 2 || double(y0) > subject.y1 * inv + 2) {
            continue;
        }
        ClipperLib::Path p;
        p.reserve(poly.size());
        for (const auto& pt : poly) {
            p.push_back(IntPoint(cInt(pt.first), cInt(pt.second)));
        }
        clip.push_back(std::move(p));
    }
    if (clip.empty()) {
        return true; // nothing of the region here: nothing is left
    }
    try {
        ClipperLib::Clipper c;
        c.AddPaths(paths, ClipperLib::ptSubject, true);
        c.AddPaths(clip, ClipperLib::ptClip, true);
        ClipperLib::Paths solution;
        if (!c.Execute(ClipperLib::ctIntersection, solution,
                       rule == 1 ? ClipperLib::pftEvenOdd : ClipperLib::pftNonZero,
                       ClipperLib::pftNonZero)) {
            solution.clear(); // no edge to work on: nothing is left
        }
        *out = PathFromClipper(solution, region.resolution);
    } catch (...) {
        out->Clear();
        return false;
    }
    return true;
}

Path RegionPath(const Region& region) { return PathFromClipper(ToPaths(region), region.resolution); }

bool IsRectangle(const Region& region) {
    if (region.polygons.size() != 1 || region.polygons[0].size() != 4) {
        return false;
    }
    const auto& p = region.polygons[0];
    for (size_t i = 0; i < 4; ++i) {
        const auto& a = p[i];
        const auto& b = p[(i + 1) % 4];
        if (a.first != b.first && a.second != b.second) {
            return false;
        }
    }
    return true;
}

} // namespace vemo::svg
