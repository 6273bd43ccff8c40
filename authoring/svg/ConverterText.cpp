// Text layout: <text> with <tspan>, <a>, <tref> and <textPath> becomes glyph outlines.
//
// Characters are gathered in document order with the span (element) that styles them. White
// space follows xml:space: by default line breaks are removed, tabs become spaces, runs of
// spaces collapse to one (across spans) and leading and trailing spaces go; with "preserve"
// every line break and tab is a space and nothing collapses.
// Positions: x, y, dx, dy and rotate are lists, one value per character from the element's
// first character on; an inner element's value wins over an outer one's. An absolute x or y
// starts a new text chunk; text-anchor moves each chunk by its advance (none, half, all).
// Characters without their own position are shaped together (HarfBuzz) in runs of one span;
// letter-spacing follows every character, word-spacing every space.
// textPath: the characters' advances are measured along the referenced path from startOffset,
// each glyph centred on its position and turned with the path; glyphs off the path's ends are
// not drawn.
// Underline, overline and line-through are rectangles at the font's own positions.
#include <math.h>

#include <algorithm>
#include <mutex>

#include "authoring/svg/Converter.h"
#include "authoring/svg/PathData.h"
#include "authoring/svg/Text.h"

namespace vemo::svg {

namespace {

struct Char {
    char32_t c = 0;
    int span = 0;
    bool hasX = false, hasY = false, hasDx = false, hasDy = false, hasRotate = false;
    double x = 0, y = 0, dx = 0, dy = 0, rotate = 0;
};

struct Span {
    Style style;
    int link = -1;
    int textPath = -1; // index into the text paths
};

struct TextPathInfo {
    std::vector<Point> points; // the flattened path
    std::vector<double> lengths; // running length at each point
    double startOffset = 0;

    double Length() const { return lengths.empty() ? 0 : lengths.back(); }
    // The point and direction at a distance along the path; false beyond its ends.
    bool At(double s, Point* p, double* angle) const {
        if (points.size() < 2 || s < 0 || s > Length()) {
            return false;
        }
        size_t i = size_t(std::upper_bound(lengths.begin(), lengths.end(), s) - lengths.begin());
        i = std::min(std::max<size_t>(i, 1), points.size() - 1);
        Point a = points[i - 1], b = points[i];
        double seg = lengths[i] - lengths[i - 1];
        double t = seg > 0 ? (s - lengths[i - 1]) / seg : 0;
        *p = {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t};
        *angle = atan2(b.y - a.y, b.x - a.x);
        return true;
    }
};

// A list of lengths ("10 20,30"), each resolved on its axis; numbers only for rotate.
std::vector<double> LengthList(const std::string* text, const LengthContext& vp, Axis axis,
                               bool numbers) {
    std::vector<double> out;
    if (text == nullptr) {
        return out;
    }
    Scanner scan(*text);
    scan.SkipSpace();
    while (!scan.AtEnd() && out.size() < 100000) {
        if (numbers) {
            double v;
            if (!scan.Number(&v)) {
                break;
            }
            out.push_back(v);
        } else {
            Length l;
            if (!ScanLength(scan, &l)) {
                break;
            }
            out.push_back(ResolveLength(l, vp, axis));
        }
        scan.SkipCommaSpace();
    }
    return out;
}

} // namespace

void Converter::RenderText(const Element* text, const Style& textStyle, const Context& ctx,
                           Items* out) {
    // One shaper for the process: fontconfig's set-up and the fonts' faces are kept from one
    // document to the next (batch conversions); the lock keeps them to one converter at a time.
    static std::mutex lock;
    static TextShaper* shared = nullptr;
    std::lock_guard<std::mutex> hold(lock);
    if (shared == nullptr) {
        shared = new TextShaper();
    }
    TextShaper* shaper = shared;
    if (!shaper->Ready()) {
        Drop("text (no fonts)");
        return;
    }
    std::vector<Char> chars;
    std::vector<Span> spans;
    std::vector<TextPathInfo> paths;
    bool lastSpace = true; // at the start, spaces are leading spaces

    // Gathers the characters of one element (text, tspan, a, textPath, tref) and its own
    // position lists; those of inner elements were set first and win.
    struct Gatherer {
        Converter& c;
        const Context& ctx;
        std::vector<Char>& chars;
        std::vector<Span>& spans;
        std::vector<TextPathInfo>& paths;
        bool& lastSpace;
        size_t limit;
        bool overflow = false;

        void Add(const std::string& utf8, int span, bool preserve) {
            for (char32_t ch : DecodeUtf8(utf8)) {
                if (preserve) {
                    if (ch == '\n' || ch == '\r' || ch == '\t') {
                        ch = ' ';
                    }
                } else {
                    if (ch == '\n' || ch == '\r') {
                        continue;
                    }
                    if (ch == '\t') {
                        ch = ' ';
                    }
                    if (ch == ' ' && lastSpace) {
                        continue;
                    }
                }
                lastSpace = ch == ' ';
                if (chars.size() >= limit) {
                    overflow = true;
                    return;
                }
                Char k;
                k.c = ch;
                k.span = span;
                chars.push_back(k);
            }
        }

        void Gather(const Element* e, const Style& style, int link, int textPath, int depth) {
            size_t first = chars.size();
            int span = int(spans.size());
            Span s;
            s.style = style;
            s.link = link;
            s.textPath = textPath;
            spans.push_back(s);
            const std::string* space = e->Attr("xml:space");
            bool preserve = space != nullptr ? *space == "preserve" : style.preserveSpace;
            spans.back().style.preserveSpace = preserve;
            if (e->name == "tref") {
                const std::string* href = e->Attr("href");
                const Element* ref = href && !href->empty() && (*href)[0] == '#'
                                         ? c.doc.FindById(std::string_view(*href).substr(1))
                                         : nullptr;
                if (ref != nullptr && depth < 16) {
                    // The referenced element's character data, without its markup.
                    std::string textData;
                    for (const Node& n : ref->content) {
                        if (n.element == nullptr) {
                            textData += n.text;
                        }
                    }
                    Add(textData, span, preserve);
                }
            }
            for (const Node& n : e->content) {
                if (overflow) {
                    return;
                }
                if (n.element == nullptr) {
                    Add(n.text, span, preserve);
                    continue;
                }
                const Element* k = n.element;
                if (k->name != "tspan" && k->name != "a" && k->name != "textPath" &&
                    k->name != "tref") {
                    continue;
                }
                Style ks;
                ComputeStyle(c.doc.Declarations(k), style, ctx.vp, &ks);
                if (!ks.display || depth > 64) {
                    continue;
                }
                if (k->Attr("xml:space") == nullptr) {
                    ks.preserveSpace = preserve;
                }
                int klink = link;
                if (k->name == "a") {
                    const std::string* href = k->Attr("href");
                    if (href != nullptr && !Trim(*href).empty()) {
                        klink = c.LinkIndex(*href);
                    }
                }
                int kpath = textPath;
                if (k->name == "textPath") {
                    kpath = -2; // no usable path: its characters are not drawn
                    const std::string* href = k->Attr("href");
                    const Element* ref = href && !href->empty() && (*href)[0] == '#'
                                             ? c.doc.FindById(std::string_view(*href).substr(1))
                                             : nullptr;
                    Path p;
                    if (ref != nullptr && ref->name == "path" && c.ShapePath(ref, ctx.vp, &p)) {
                        Matrix m;
                        if (const std::string* t = ref->Attr("transform")) {
                            ParseTransform(*t, &m);
                        }
                        std::vector<Polyline> lines;
                        Flatten(p.Transformed(m), 0.01, &lines);
                        TextPathInfo info;
                        for (const Polyline& l : lines) {
                            for (const Point& q : l.points) {
                                if (info.points.empty()) {
                                    info.lengths.push_back(0);
                                } else {
                                    Point b = info.points.back();
                                    info.lengths.push_back(info.lengths.back() +
                                                           hypot(q.x - b.x, q.y - b.y));
                                }
                                info.points.push_back(q);
                            }
                            if (l.closed && !l.points.empty()) {
                                Point q = l.points[0];
                                Point b = info.points.back();
                                info.lengths.push_back(info.lengths.back() + hypot(q.x - b.x, q.y - b.y));
                                info.points.push_back(q);
                            }
                        }
                        if (const std::string* so = k->Attr("startOffset")) {
                            Length l;
                            if (ParseLength(*so, &l)) {
                                info.startOffset = l.unit == Unit::Percent
                                                       ? l.value / 100 * info.Length()
                                                       : ResolveLength(l, ctx.vp, Axis::X);
                            }
                        }
                        paths.push_back(std::move(info));
                        kpath = int(paths.size() - 1);
                    } else {
                        c.Drop("textPath reference");
                    }
                }
                Gather(k, ks, klink, kpath, depth + 1);
            }
            // This element's position lists, where inner elements set nothing.
            size_t n = chars.size() - first;
            if (n == 0) {
                return;
            }
            std::vector<double> xs = LengthList(e->Attr("x"), ctx.vp, Axis::X, false);
            std::vector<double> ys = LengthList(e->Attr("y"), ctx.vp, Axis::Y, false);
            std::vector<double> dxs = LengthList(e->Attr("dx"), ctx.vp, Axis::X, false);
            std::vector<double> dys = LengthList(e->Attr("dy"), ctx.vp, Axis::Y, false);
            std::vector<double> rs = LengthList(e->Attr("rotate"), ctx.vp, Axis::Other, true);
            if (e->name == "textPath") {
                xs.clear(); // along a path only dx and dy count
                ys.clear();
            }
            // The list's i-th value, where an inner element set none.
            auto take = [](const std::vector<double>& list, size_t i, bool* has, double* value) {
                if (i < list.size() && !*has) {
                    *has = true;
                    *value = list[i];
                }
            };
            for (size_t i = 0; i < n; ++i) {
                Char& k = chars[first + i];
                take(xs, i, &k.hasX, &k.x);
                take(ys, i, &k.hasY, &k.y);
                take(dxs, i, &k.hasDx, &k.dx);
                take(dys, i, &k.hasDy, &k.dy);
                // The last rotation goes on for the remaining characters.
                if (!rs.empty() && !k.hasRotate) {
                    k.hasRotate = true;
                    k.rotate = rs[std::min(i, rs.size() - 1)];
                }
            }
        }
    };

    Gatherer g{*this, ctx, chars, spans, paths, lastSpace,
               limits.maxTextCharacters - std::min(limits.maxTextCharacters, textCharacters)};
    g.Gather(text, textStyle, ctx.link, -1, 0);
    if (g.overflow) {
        Fail("more than " + std::to_string(limits.maxTextCharacters) + " characters of text");
        return;
    }
    textCharacters += chars.size();
    // Trailing spaces go (unless preserved).
    while (!chars.empty() && chars.back().c == ' ' && !spans[size_t(chars.back().span)].style.preserveSpace) {
        chars.pop_back();
    }
    if (chars.empty()) {
        return;
    }

    // Layout: runs of characters shaped together, chunks moved by their anchor.
    struct PlacedGlyph {
        Path local;   // user units, the origin on the baseline at the pen (rotation applied)
        double x, y;  // the pen position
        double advance;
        Path outline; // at its place, once anchors are known
    };
    struct Run {
        int span;
        size_t chunk;
        double x0, x1, y; // the pen's extent along the baseline
        std::vector<size_t> glyphs;
    };
    struct Chunk {
        TextAnchor anchor;
        double start, end;
        int textPath;
    };
    std::vector<PlacedGlyph> placed;
    std::vector<Run> runs;
    std::vector<Chunk> chunks;
    Point pen{0, 0};
    size_t i = 0;
    size_t layoutPoints = 0; // counted against the limit as the glyphs are placed
    std::vector<ShapedGlyph> shaped;
    while (i < chars.size() && !failed) {
        const Char& first = chars[i];
        const Span& span = spans[size_t(first.span)];
        bool newChunk = chunks.empty() || first.hasX || first.hasY ||
                        span.textPath != chunks.back().textPath;
        if (span.textPath >= 0 && (chunks.empty() || span.textPath != chunks.back().textPath)) {
            pen.x = paths[size_t(span.textPath)].startOffset; // along the path from here
            pen.y = 0;
        }
        if (first.hasX) {
            pen.x = first.x;
        }
        if (first.hasY) {
            pen.y = first.y;
        }
        pen.x += first.dx;
        pen.y += first.dy;
        if (newChunk) {
            chunks.push_back(Chunk{span.style.textAnchor, pen.x, pen.x, span.textPath});
        }
        // The run: up to a character of another span or with a position of its own.
        size_t end = i + 1;
        bool rotated = first.hasRotate && first.rotate != 0;
        if (!rotated) {
            while (end < chars.size()) {
                const Char& k = chars[end];
                if (k.span != first.span || k.hasX || k.hasY || k.hasDx || k.hasDy ||
                    (k.hasRotate && k.rotate != 0)) {
                    break;
                }
                ++end;
            }
        }
        std::u32string str;
        for (size_t k = i; k < end; ++k) {
            str += chars[k].c;
        }
        const Style& st = span.style;
        FontRequest request{st.fontFamily, st.fontWeight, int(st.fontStyle), st.fontStretch};
        double advance = 0;
        Run run{first.span, chunks.size() - 1, pen.x, pen.x, pen.y, {}};
        if (st.fontSize > 0 && shaper->Shape(str, request, st.fontSize, &shaped, &advance)) {
            double extra = 0;
            for (size_t k = 0; k < shaped.size(); ++k) {
                ShapedGlyph& sg = shaped[k];
                double gx = pen.x + sg.x + extra;
                double gy = pen.y - st.baselineShift;
                layoutPoints += sg.outline.pts.size();
                if (totalPoints + layoutPoints > limits.maxTotalPoints) {
                    Fail("more than " + std::to_string(limits.maxTotalPoints) + " points in all");
                    return;
                }
                PlacedGlyph pg;
                pg.local = rotated ? sg.outline.Transformed(Matrix::Rotate(first.rotate)) : sg.outline;
                pg.x = gx;
                pg.y = gy;
                pg.advance = sg.advance;
                run.glyphs.push_back(placed.size());
                placed.push_back(std::move(pg));
                bool lastOfCluster = k + 1 == shaped.size() || shaped[k + 1].cluster != sg.cluster;
                if (lastOfCluster) {
                    extra += st.letterSpacing;
                    if (sg.cluster < str.size() && str[sg.cluster] == ' ') {
                        extra += st.wordSpacing;
                    }
                }
            }
            pen.x += advance + extra;
        } else if (st.fontSize > 0) {
            Drop("text (no font)");
        }
        run.x1 = pen.x;
        chunks.back().end = pen.x;
        runs.push_back(std::move(run));
        i = end;
    }

    // Anchors and text paths.
    for (size_t r = 0; r < runs.size(); ++r) {
        Run& run = runs[r];
        const Chunk& chunk = chunks[run.chunk];
        double width = chunk.end - chunk.start;
        double shift = chunk.anchor == TextAnchor::Middle ? -width / 2
                       : chunk.anchor == TextAnchor::End  ? -width
                                                           : 0;
        if (chunk.textPath >= 0) {
            // Each glyph's middle on the path, the glyph turned with the path there.
            const TextPathInfo& tp = paths[size_t(chunk.textPath)];
            for (size_t gi : run.glyphs) {
                PlacedGlyph& pg = placed[gi];
                Point at;
                double angle = 0;
                if (!tp.At(pg.x + shift + pg.advance / 2, &at, &angle)) {
                    continue;
                }
                Matrix m = Matrix::Translate(at.x, at.y) * Matrix::Rotate(angle * 180 / 3.14159265358979323846) *
                           Matrix::Translate(-pg.advance / 2, pg.y);
                pg.outline = pg.local.Transformed(m);
            }
            run.x0 = run.x1 = 0; // no decorations along paths
            continue;
        }
        for (size_t gi : run.glyphs) {
            PlacedGlyph& pg = placed[gi];
            pg.outline = pg.local.Transformed(Matrix::Translate(pg.x + shift, pg.y));
        }
        run.x0 += shift;
        run.x1 += shift;
    }

    // The whole text's box, for paints in objectBoundingBox units.
    Box textBox;
    for (const PlacedGlyph& pg : placed) {
        textBox.Add(pg.outline.Bounds());
    }
    for (const Run& run : runs) {
        const Span& span = spans[size_t(run.span)];
        const Style& st = span.style;
        if (!st.visible || span.textPath == -2) {
            continue;
        }
        Path path;
        for (size_t gi : run.glyphs) {
            path.Append(placed[gi].outline);
        }
        if ((st.underline || st.overline || st.lineThrough) && run.x1 > run.x0) {
            FontRequest request{st.fontFamily, st.fontWeight, int(st.fontStyle), st.fontStretch};
            FontMetrics fm;
            if (shaper->Metrics(request, &fm)) {
                auto bar = [&](double position, double thickness) {
                    double top = run.y - (position + thickness / 2) * st.fontSize;
                    double h = thickness * st.fontSize;
                    path.MoveTo({run.x0, top});
                    path.LineTo({run.x1, top});
                    path.LineTo({run.x1, top + h});
                    path.LineTo({run.x0, top + h});
                    path.Close();
                };
                if (st.underline) {
                    bar(fm.underlinePosition, fm.underlineThickness);
                }
                if (st.overline) {
                    bar(fm.ascent, fm.underlineThickness);
                }
                if (st.lineThrough) {
                    bar(fm.strikeoutPosition, fm.strikeoutThickness);
                }
            }
        }
        if (path.Empty()) {
            continue;
        }
        Context rc = ctx;
        rc.link = span.link;
        Style noMarkers = st;
        noMarkers.markerStart.clear();
        noMarkers.markerMid.clear();
        noMarkers.markerEnd.clear();
        EmitPath(path, noMarkers, rc, out, &textBox);
    }
}

} // namespace vemo::svg
