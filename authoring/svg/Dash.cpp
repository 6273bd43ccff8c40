#include "authoring/svg/Dash.h"

#include <math.h>

namespace vemo::svg {

bool DashPath(const Path& path, const std::vector<double>& dashes, double offset,
              double tolerance, size_t maxPieces, Path* out) {
    out->Clear();
    double total = 0;
    for (double d : dashes) {
        if (!(d >= 0) || !isfinite(d)) {
            return false;
        }
        total += d;
    }
    if (!(total > 0) || dashes.size() % 2 != 0) {
        *out = path; // no pattern: solid
        return true;
    }
    std::vector<Polyline> lines;
    Flatten(path, tolerance, &lines);
    // Estimate the number of pieces first.
    double length = 0;
    for (const Polyline& l : lines) {
        for (size_t i = 1; i < l.points.size(); ++i) {
            length += hypot(l.points[i].x - l.points[i - 1].x, l.points[i].y - l.points[i - 1].y);
        }
        if (l.closed && l.points.size() > 1) {
            length += hypot(l.points[0].x - l.points.back().x, l.points[0].y - l.points.back().y);
        }
    }
    if (length / total * double(dashes.size() / 2) + double(lines.size()) > double(maxPieces)) {
        return false;
    }
    double start = fmod(offset, total);
    if (start < 0) {
        start += total;
    }
    for (const Polyline& l : lines) {
        std::vector<Point> pts = l.points;
        if (l.closed && pts.size() > 1) {
            pts.push_back(pts[0]);
        }
        if (pts.size() < 2) {
            continue;
        }
        // Where in the pattern the subpath starts.
        size_t index = 0;
        double left = start; // of the pattern, to skip
        while (left > 0 && left >= dashes[index]) {
            left -= dashes[index];
            index = (index + 1) % dashes.size();
        }
        double remain = dashes[index] - left; // of the current dash or gap
        bool on = index % 2 == 0;
        bool startsOn = on;
        std::vector<std::vector<Point>> pieces;
        std::vector<Point> current;
        // At p the dash or gap ends: a dash's piece ends there, a gap's end starts one.
        auto next = [&](Point p) {
            current.push_back(p);
            if (on) {
                pieces.push_back(std::move(current));
                current.clear();
            }
            on = !on;
            index = (index + 1) % dashes.size();
            remain = dashes[index];
        };
        if (on) {
            current.push_back(pts[0]);
        }
        for (size_t i = 1; i < pts.size(); ++i) {
            Point a = pts[i - 1];
            Point b = pts[i];
            double seg = hypot(b.x - a.x, b.y - a.y);
            double done = 0;
            while (seg - done > remain) {
                done += remain;
                double t = done / seg;
                Point p{a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
                next(p);
                while (remain == 0) {
                    next(p); // a zero-length dash: a piece of two equal points
                }
            }
            remain -= seg - done;
            if (on) {
                current.push_back(b);
            }
        }
        if (on && current.size() >= 1) {
            if (l.closed && startsOn && !pieces.empty() && pieces.front().front().x == pts[0].x &&
                pieces.front().front().y == pts[0].y) {
                // The dash runs through the start of the ring: one piece.
                current.insert(current.end(), pieces.front().begin() + 1, pieces.front().end());
                pieces.front() = std::move(current);
            } else if (current.size() >= 2) {
                pieces.push_back(std::move(current));
            }
        }
        for (const std::vector<Point>& piece : pieces) {
            if (piece.size() < 2) {
                continue;
            }
            out->MoveTo(piece[0]);
            for (size_t i = 1; i < piece.size(); ++i) {
                out->LineTo(piece[i]);
            }
        }
    }
    return true;
}

} // namespace vemo::svg
