// Helpers for the converter's tests: paths written out as short text, and documents converted
// and rendered by the renderer core into RGB pixels.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

#include "authoring/svg/Path.h"
#include "authoring/svg/SvgConverter.h"
#include "renderer/DrawingRenderer.h"
#include "renderer/ExampleRendering.h"

namespace vemo::svg::test {

// "M0,0 L10,0 C1,2 3,4 5,6 Z": numbers with up to 3 decimals, trailing zeros dropped.
inline std::string Number(double v) {
    char b[64];
    snprintf(b, sizeof b, "%.3f", v);
    std::string s = b;
    while (s.find('.') != std::string::npos && (s.back() == '0' || s.back() == '.')) {
        bool dot = s.back() == '.';
        s.pop_back();
        if (dot) {
            break;
        }
    }
    return s == "-0" ? "0" : s;
}

inline std::string PathText(const Path& p) {
    std::string out;
    size_t pi = 0;
    auto pt = [&](size_t n) {
        for (size_t i = 0; i < n; ++i, ++pi) {
            out += (i ? " " : "") + Number(p.pts[pi].x) + "," + Number(p.pts[pi].y);
        }
    };
    for (Op op : p.ops) {
        if (!out.empty()) {
            out += ' ';
        }
        switch (op) {
        case Op::Move: out += 'M'; pt(1); break;
        case Op::Line: out += 'L'; pt(1); break;
        case Op::Quad: out += 'Q'; pt(2); break;
        case Op::Cubic: out += 'C'; pt(3); break;
        case Op::Close: out += 'Z'; break;
        }
    }
    return out;
}

struct Rendered {
    bool converted = false;
    std::string error;
    ConvertReport report;
    int32_t width = 0, height = 0;
    int32_t endResult = 0;
    std::vector<uint8_t> rgb; // top-down

    uint32_t At(int32_t x, int32_t y) const {
        const uint8_t* p = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
        return (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
    }
};

// Converts and renders the default view into width x height pixels.
inline Rendered ConvertAndRender(const std::string& svg, int32_t width, int32_t height,
                                 const ConvertOptions& options = ConvertOptions()) {
    Rendered r;
    std::vector<uint8_t> drawing;
    r.converted = ConvertSvg(svg, options, &drawing, &r.report, &r.error);
    r.width = width;
    r.height = height;
    if (!r.converted) {
        return r;
    }
    std::vector<uint8_t> pixels(size_t(width) * size_t(height + 1) * 4);
    DrawingRenderer renderer;
    ExampleOutcome o = RenderExample(renderer, drawing.data(), uint32_t(drawing.size()), width,
                                     height, 1, pixels.data());
    r.endResult = o.loadResult != 0 ? o.loadResult : o.endResult;
    PixelsToTopDownRgb(pixels.data(), width, height, r.rgb);
    return r;
}

// Colours within `slack` per channel.
inline bool Near(uint32_t a, uint32_t b, int slack = 3) {
    for (int s = 0; s < 24; s += 8) {
        int d = int((a >> s) & 255) - int((b >> s) & 255);
        if (d > slack || d < -slack) {
            return false;
        }
    }
    return true;
}

} // namespace vemo::svg::test

#include "renderer/Document.h"
#include "renderer/DrawingParser.h"

namespace vemo::svg::test {

// Converts and reads the drawing back with the renderer's parser.
struct Parsed {
    bool converted = false;
    std::string error;
    ConvertReport report;
    int32_t end = -1; // the parser's end of data
    Document document;
};

inline void ConvertAndParse(const std::string& svg, Parsed* p,
                            const ConvertOptions& options = ConvertOptions()) {
    std::vector<uint8_t> drawing;
    p->converted = ConvertSvg(svg, options, &drawing, &p->report, &p->error);
    if (!p->converted) {
        return;
    }
    DrawingParser parser(p->document);
    if (parser.Feed(drawing.data(), uint32_t(drawing.size())) >= 0) {
        p->end = parser.Finish();
    }
}

// The signed area of a path's polygons (curves taken by their end points).
inline double PolygonArea(const Path& path) {
    double area = 0;
    size_t pi = 0;
    Point start, last;
    for (Op op : path.ops) {
        int n = op == Op::Move || op == Op::Line ? 1 : (op == Op::Quad ? 2 : (op == Op::Cubic ? 3 : 0));
        if (op == Op::Close) {
            area += last.x * start.y - start.x * last.y;
            last = start;
            continue;
        }
        Point p = path.pts[pi + size_t(n) - 1];
        pi += size_t(n);
        if (op == Op::Move) {
            start = last = p;
            continue;
        }
        area += last.x * p.y - p.x * last.y;
        last = p;
    }
    return area / 2;
}

} // namespace vemo::svg::test
