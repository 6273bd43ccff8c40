// Whole documents converted and rendered by the renderer core: the pixels show what a browser
// shows, and what could not be converted exactly is reported.
#include <gtest/gtest.h>

#include <string>

#include "SvgTestSupport.h"
#include "renderer/DrawingFormat.h"

namespace vemo::svg {
namespace {

using test::ConvertAndRender;
using test::Near;
using test::Rendered;

struct Probe {
    int32_t x, y;
    uint32_t rgb;
};

struct DocumentCase {
    const char* name;
    const char* svg;
    std::vector<Probe> probes; // pixels of a 100 x 100 rendering
};

const uint32_t kWhite = 0xFFFFFF, kRed = 0xFF0000, kGreen = 0x008000, kBlue = 0x0000FF;

// A 100 x 100 pixel document around the content.
std::string Document(const std::string& content) {
    return R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">)~" + content + "</svg>";
}

// Each converted exactly: nothing reported dropped or approximated.
TEST(Conversion, DocumentsShowWhatABrowserShows) {
    const DocumentCase cases[] = {
        {"shapes",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <rect x="10" y="10" width="30" height="20" fill="red"/>
              <circle cx="70" cy="70" r="20" fill="green"/>
              <ellipse cx="20" cy="80" rx="10" ry="5" fill="blue"/>
              <polygon points="60,10 90,10 90,40" fill="blue"/>
              <line x1="0" y1="50" x2="100" y2="50" stroke="red" stroke-width="4"/>
            </svg>)~",
         {{25, 20, kRed}, {5, 5, kWhite}, {70, 70, kGreen}, {20, 80, kBlue}, {85, 15, kBlue},
          {65, 35, kWhite}, {30, 50, kRed}, {30, 55, kWhite}}},
        {"view box scaled and centred",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100" viewBox="0 0 10 20">
              <rect width="10" height="10" fill="red"/><rect y="10" width="10" height="10" fill="blue"/>
            </svg>)~",
         // 10 x 20 into 100 x 100 keeps the aspect: 50 wide, centred
         {{50, 25, kRed}, {50, 75, kBlue}, {20, 25, kWhite}, {80, 75, kWhite}}},
        {"view box stretched",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100" viewBox="0 0 10 20" preserveAspectRatio="none">
              <rect width="10" height="10" fill="red"/>
            </svg>)~",
         {{10, 25, kRed}, {90, 40, kRed}, {50, 60, kWhite}}},
        {"view box aligned to the end",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100" viewBox="0 0 10 20" preserveAspectRatio="xMaxYMax">
              <rect width="10" height="20" fill="red"/>
            </svg>)~",
         {{75, 50, kRed}, {25, 50, kWhite}}},
        {"no size: the box of what it draws",
         R"~(<svg xmlns="http://www.w3.org/2000/svg"><rect x="150" y="-50" width="20" height="10" fill="red"/></svg>)~",
         // 20 x 10 shown in 100 x 100: across the whole width, 50 high in the middle
         {{2, 50, kRed}, {97, 50, kRed}, {50, 27, kRed}, {50, 22, kWhite}, {50, 78, kWhite}}},
        {"transforms nest",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <g transform="translate(50 50)"><g transform="scale(2)"><rect width="10" height="10" fill="red" transform="rotate(45)"/></g></g>
            </svg>)~",
         {{50, 60, kRed}, {45, 55, kRed}, {60, 55, kWhite}}},
        {"use and symbol",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="100" height="100">
              <defs><rect id="r" width="10" height="10"/>
                <symbol id="s" viewBox="0 0 1 1"><rect width="1" height="1" fill="blue"/></symbol></defs>
              <use xlink:href="#r" x="10" y="10" fill="red"/>
              <use href="#s" x="50" y="50" width="40" height="40"/>
            </svg>)~",
         {{15, 15, kRed}, {70, 70, kBlue}, {30, 30, kWhite}}},
        {"display and visibility",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <g display="none"><rect width="100" height="100" fill="red"/></g>
              <g visibility="hidden"><rect width="50" height="50" fill="red"/><rect x="50" width="50" height="50" fill="blue" visibility="visible"/></g>
            </svg>)~",
         {{25, 25, kWhite}, {75, 25, kBlue}}},
        {"opacity folded into colours",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <rect width="50" height="50" fill="#0000ff" fill-opacity="0.5"/>
              <g opacity="0.5"><rect x="50" width="50" height="50" fill="#0000ff"/></g>
            </svg>)~",
         {{25, 25, 0x7F7FFF}, {75, 25, 0x7F7FFF}}},
        {"text as glyph outlines",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <text x="50" y="90" font-family="DejaVu Sans" font-size="100" text-anchor="middle" fill="blue">I</text>
              <text x="50" y="10" font-size="0">hidden</text></svg>)~",
         // a big "I" in a sans-serif font: a stem around the advance's middle, on the baseline
         {{50, 50, kBlue}, {30, 50, kWhite}, {70, 50, kWhite}, {50, 95, kWhite}, {50, 5, kWhite}}},
        {"clip path in the box's units",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <clipPath id="c" clipPathUnits="objectBoundingBox"><circle cx=".5" cy=".5" r=".5"/></clipPath>
              <rect x="20" y="20" width="60" height="60" fill="red" clip-path="url(#c)"/></svg>)~",
         {{50, 50, kRed}, {23, 23, kWhite}, {77, 77, kWhite}, {50, 22, kRed}}},
        {"clip path of a group, with its own transform and clip rule",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <clipPath id="c" transform="translate(50 0)"><path clip-rule="evenodd" d="M0 0H50V50H0Z M10 10H40V40H10Z"/></clipPath>
              <g clip-path="url(#c)"><rect width="100" height="100" fill="blue"/><circle cx="75" cy="25" r="40" fill="none" stroke="red" stroke-width="10"/></g></svg>)~",
         {{55, 5, kBlue}, {75, 25, kWhite}, {25, 25, kWhite}, {75, 75, kWhite}}},
        {"nested svg clips to its viewport",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <svg x="10" y="10" width="30" height="30"><rect width="80" height="80" fill="red"/></svg></svg>)~",
         {{20, 20, kRed}, {50, 50, kWhite}}},
        {"mask of two shades",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <mask id="m"><rect width="100" height="50" fill="white"/><rect y="50" width="100" height="50" fill="#808080"/></mask>
              <rect width="100" height="100" fill="blue" mask="url(#m)"/></svg>)~",
         // grey 128 lends 0.2125 + 0.7154 + 0.0721 = 1 times 128/255
         {{50, 25, kBlue}, {50, 75, 0x7F7FFF}}},
        {"pattern tiles",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <pattern id="p" width="20" height="20" patternUnits="userSpaceOnUse"><rect width="10" height="10" fill="green"/></pattern>
              <circle cx="50" cy="50" r="45" fill="url(#p)"/></svg>)~",
         {{45, 45, kGreen}, {55, 45, kWhite}, {45, 55, kWhite}, {65, 65, kGreen}, {5, 5, kWhite}}},
        {"markers on the vertices, turned with the path",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <marker id="m" markerWidth="10" markerHeight="10" refX="5" refY="5" orient="auto" markerUnits="userSpaceOnUse">
                <rect width="10" height="10" fill="red"/><rect x="5" width="5" height="10" fill="blue"/></marker>
              <path d="M20 50 H50 V80" fill="none" stroke="none" marker-start="url(#m)" marker-end="url(#m)"/></svg>)~",
         // at the start the blue half points along +x; at the end (going down) it points down
         {{18, 50, kRed}, {22, 50, kBlue}, {50, 78, kRed}, {50, 82, kBlue}}},
        {"dashes",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <line x1="0" y1="50" x2="100" y2="50" stroke="blue" stroke-width="10" stroke-dasharray="20 10"/></svg>)~",
         {{10, 50, kBlue}, {25, 50, kWhite}, {40, 50, kBlue}, {55, 50, kWhite}}},
        {"dashes below the fill (paint-order)",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <rect x="20" y="20" width="60" height="60" fill="blue" stroke="red" stroke-width="20" stroke-dasharray="30 10" paint-order="stroke"/></svg>)~",
         // dashes on the top side from x 20 to 50 and 60 to 80, on the left (drawn upwards
         // last) from y 80 to 70 and 60 to 30
         {{35, 15, kRed}, {35, 25, kBlue}, {55, 15, kWhite}, {15, 45, kRed}, {25, 45, kBlue},
          {15, 65, kWhite}}},
        {"a stroke under a non-uniform scale is its outline",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100">
              <line x1="10" y1="10" x2="10" y2="90" stroke="blue" stroke-width="4" transform="scale(4 1)"/></svg>)~",
         // 4 wide in user space is 16 px across, 4 px along
         {{40, 50, kBlue}, {33, 50, kBlue}, {47, 50, kBlue}, {30, 50, kWhite}, {50, 50, kWhite},
          {40, 89, kBlue}, {40, 91, kWhite}}},
    };
    for (const DocumentCase& c : cases) {
        Rendered r = ConvertAndRender(c.svg, 100, 100);
        ASSERT_TRUE(r.converted) << c.name << ": " << r.error;
        EXPECT_EQ(0, r.endResult) << c.name;
        EXPECT_TRUE(r.report.dropped.empty()) << c.name;
        EXPECT_TRUE(r.report.approximated.empty()) << c.name;
        for (const Probe& p : c.probes) {
            EXPECT_PRED3(Near, p.rgb, r.At(p.x, p.y), 3) << c.name << " at " << p.x << "," << p.y;
        }
    }
}

// The columns of the leftmost and rightmost pixels darker than mid grey in a row band.
std::pair<int, int> InkColumns(const Rendered& r, int y0, int y1) {
    int left = r.width, right = -1;
    for (int y = y0; y < y1; ++y) {
        for (int x = 0; x < r.width; ++x) {
            if ((r.At(x, y) & 0xFF) < 128) {
                left = std::min(left, x);
                right = std::max(right, x);
            }
        }
    }
    return {left, right};
}

TEST(Conversion, TextChunksAnchorsSpacingAndPositions) {
    struct Case {
        const char* name;
        const char* text; // inside <text y="60" font-family="DejaVu Sans" font-size="40">
        int left, right;  // ink columns, within 1
    };
    // In DejaVu Sans an "I" at 40 px is a stem from 3.9 to 7.9 px after its pen position; its
    // advance is 11.8 px.
    const Case cases[] = {
        {"start", R"~(<tspan x="20">I</tspan>)~", 24, 27},
        {"end", R"~(<tspan x="80" text-anchor="end">I</tspan>)~", 72, 75},
        {"middle", R"~(<tspan x="50" text-anchor="middle">II</tspan>)~", 42, 57},
        {"letter spacing", R"~(<tspan x="20" letter-spacing="10">II</tspan>)~", 24, 49},
        {"positions per character", R"~(<tspan x="10 60">II</tspan>)~", 14, 67},
        {"dx moves on", R"~(<tspan x="10" dx="0 20">II</tspan>)~", 14, 49},
    };
    for (const Case& c : cases) {
        Rendered r = ConvertAndRender(
            Document(std::string(R"~(<text y="60" font-family="DejaVu Sans" font-size="40">)~") + c.text + "</text>"),
            100, 100);
        ASSERT_TRUE(r.converted) << c.name;
        std::pair<int, int> ink = InkColumns(r, 35, 60);
        EXPECT_NEAR(c.left, ink.first, 1) << c.name;
        EXPECT_NEAR(c.right, ink.second, 1) << c.name;
    }
}

TEST(Conversion, GradientsAreWrittenWithTheirFrames) {
    test::Parsed p;
    test::ConvertAndParse(
        R"~(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="100" height="100">
             <linearGradient id="a"><stop offset="0" stop-color="red"/><stop offset="1" stop-color="blue" stop-opacity="0.5"/></linearGradient>
             <radialGradient id="b" xlink:href="#a" gradientUnits="userSpaceOnUse" cx="50" cy="50" r="10" fx="80" fy="50" spreadMethod="reflect"/>
             <rect x="10" y="20" width="40" height="20" fill="url(#a)"/>
             <rect width="100" height="100" fill="none" stroke="url(#b)" stroke-width="2"/></svg>)~",
        &p);
    ASSERT_TRUE(p.converted) << p.error;
    EXPECT_EQ(0, p.end);
    ASSERT_EQ(2u, p.document.gradients.Size());
    // the box's gradient runs along the box: from its left to its right edge (y up, 750 a px)
    const DocGradient& a = p.document.gradients[0];
    EXPECT_EQ(kGradientLinear, a.kind);
    EXPECT_EQ(7500, a.ox);
    EXPECT_EQ(75000 - 15000, a.oy);
    EXPECT_EQ(37500, a.ux);
    EXPECT_EQ(60000, a.uy);
    ASSERT_EQ(2, a.stopCount);
    EXPECT_EQ(0xFFFF0000u, p.document.gradientStops[a.firstStop].argb);
    EXPECT_EQ(0x800000FFu, p.document.gradientStops[a.firstStop + 1].argb);
    EXPECT_EQ(65536u, p.document.gradientStops[a.firstStop + 1].offset);
    // the radial one inherits the stops; its focus, outside the circle, moves onto 0.999 of it
    const DocGradient& b = p.document.gradients[1];
    EXPECT_EQ(kGradientRadial, b.kind);
    EXPECT_EQ(kSpreadReflect, b.spread);
    EXPECT_EQ(37500, b.ox);
    EXPECT_EQ(45000, b.ux);
    EXPECT_EQ(37500, b.vx);
    EXPECT_EQ(37500 - 7500, b.vy);
    EXPECT_NEAR(0.999 * 65536, b.fx, 1);
    EXPECT_EQ(0, b.fy);
    EXPECT_EQ(2, b.stopCount);
    ASSERT_EQ(2u, p.document.objects.Size());
    EXPECT_EQ(0, p.document.objects[0].style.fillGradient);
    EXPECT_EQ(1, p.document.objects[1].style.strokeGradient);
}

TEST(Conversion, LinksSizesAndThinStrokes) {
    const char* svg = R"~(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" width="200" height="100" viewBox="0 0 20 10">
        <a xlink:href="pages/one.html"><rect width="10" height="10"/></a>
        <a href="#two"><rect x="10" width="10" height="10" stroke="red" stroke-width="0.01"/></a></svg>)~";
    struct Case {
        ConvertOptions options;
        int32_t width; // bounds in document units
        const char* first;
    };
    ConvertOptions wide;
    wide.width = 400;
    ConvertOptions scaled;
    scaled.scale = 0.5;
    ConvertOptions based;
    based.base = "http://example.com/maps/world.html";
    const Case cases[] = {
        {ConvertOptions(), 150000, "pages/one.html"},
        {wide, 300000, "pages/one.html"},
        {scaled, 75000, "pages/one.html"},
        {based, 150000, "http://example.com/maps/pages/one.html"},
    };
    for (const Case& c : cases) {
        test::Parsed p;
        test::ConvertAndParse(svg, &p, c.options);
        ASSERT_TRUE(p.converted) << p.error;
        EXPECT_EQ(c.width, p.document.bounds.x1);
        EXPECT_EQ(c.width / 2, p.document.bounds.y1);
        EXPECT_EQ(c.width, p.document.defaultView.x1);
        ASSERT_EQ(2u, p.document.links.Size());
        const LinkEntry& l = p.document.links[0];
        EXPECT_EQ(c.first, std::string(&p.document.linkText[l.offset], l.length));
        const LinkEntry& l2 = p.document.links[1];
        EXPECT_EQ("#two", std::string(&p.document.linkText[l2.offset], l2.length));
    }
    // The thin stroke (0.1 px) stays a stroke at its true width, in one object with the fill.
    test::Parsed p;
    test::ConvertAndParse(svg, &p);
    ASSERT_EQ(2u, p.document.objects.Size());
    EXPECT_EQ(0xFF000000u, p.document.objects[1].style.fillColour);
    EXPECT_EQ(0xFFFF0000u, p.document.objects[1].style.strokeColour);
    EXPECT_EQ(75, p.document.objects[1].style.strokeWidth);
}

TEST(Conversion, ReferencesThatLoopOrExplodeEndCleanly) {
    struct Case {
        const char* name;
        std::string svg;
        const char* error; // empty: converts, with the cycle reported
    };
    std::string bomb = R"~(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><rect id="g0" width="1" height="1"/>)~";
    for (int i = 1; i <= 4; ++i) {
        bomb += "<g id=\"g" + std::to_string(i) + "\">";
        for (int j = 0; j < 10; ++j) {
            bomb += "<use href=\"#g" + std::to_string(i - 1) + "\"/>";
        }
        bomb += "</g>";
    }
    bomb += "</svg>";
    const Case cases[] = {
        {"use of itself",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><g id="a"><use href="#a"/></g></svg>)~", ""},
        {"uses in a circle",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><defs><g id="a"><use href="#b"/></g><g id="b"><use href="#a"/></g></defs><use href="#a"/></svg>)~",
         ""},
        {"clip path clipped by itself",
         R"~(<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10"><clipPath id="c" clip-path="url(#c)"><rect width="5" height="5"/></clipPath><rect width="10" height="10" clip-path="url(#c)"/></svg>)~",
         ""},
        {"ten thousand rectangles", bomb, "more than 5000 elements after use expansion"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> drawing;
        ConvertReport report;
        std::string error;
        ConvertOptions options;
        options.maxElements = 5000;
        bool ok = ConvertSvg(c.svg, options, &drawing, &report, &error);
        if (*c.error == 0) {
            EXPECT_TRUE(ok) << c.name << ": " << error;
            EXPECT_GE(report.dropped["reference cycle"], 1) << c.name;
        } else {
            EXPECT_FALSE(ok) << c.name;
            EXPECT_EQ(c.error, error) << c.name;
            EXPECT_TRUE(drawing.empty());
        }
    }
}

// What is not converted exactly is reported by kind, and what is drawn shows where it can.
TEST(Conversion, GroupOpacityAndOutlineLimitsReportedWhereNotExact) {
    struct Case {
        const char* name;
        const char* content;
        size_t outlineLimit; // 0: the default
        const char* kind;    // "dropped: KIND" or "approximated: KIND"
        int count;
        Probe probe;
    };
    const Case cases[] = {
        // disjoint leaves: the opacity goes into each (the pixel is where they would overlap)
        {"apart", R"~(<g opacity="0.5"><rect width="20" height="40"/><rect x="50" width="40" height="40"/></g>)~",
         0, "approximated: group opacity", 0, {30, 20, kWhite}},
        // opaque leaves over each other: the lower one is cut away below the upper one
        {"opaque", R"~(<g opacity="0.5"><rect width="40" height="40" fill="blue"/><rect x="20" width="40" height="40" fill="red"/></g>)~",
         0, "approximated: group opacity", 0, {30, 20, 0xFF7F7F}},
        {"stroked", R"~(<g opacity="0.5"><rect x="5" y="5" width="40" height="30" fill="blue" stroke="red" stroke-width="4"/></g>)~",
         0, "approximated: group opacity", 0, {30, 20, 0x7F7FFF}},
        // a translucent leaf over another: the overlap shows through, reported
        {"translucent", R"~(<g opacity="0.5"><rect width="40" height="40" fill="blue"/><rect x="20" width="40" height="40" fill="red" fill-opacity="0.5"/></g>)~",
         0, "approximated: group opacity", 1, {30, 20, 0x9F5FBF}},
        // strokes past the outline limit (the pixel is on the stroke, outside the shape)
        {"stroke under a mask past the limit", R"~(<mask id="m"><rect width="100" height="100" fill="white"/></mask>
            <rect x="10" y="10" width="80" height="80" fill="blue" stroke="red" stroke-width="6" mask="url(#m)"/>)~",
         1, "dropped: stroke (too large to outline)", 1, {50, 8, kWhite}},
        {"group opacity over a stroke past the limit",
         R"~(<g opacity="0.5"><rect x="10" y="10" width="80" height="80" fill="blue" stroke="red" stroke-width="6"/></g>)~",
         1, "approximated: group opacity", 1, {50, 8, 0xFF7F7F}},
        {"non-uniform transform past the limit",
         R"~(<rect x="5" y="10" width="40" height="80" fill="none" stroke="red" stroke-width="6" transform="scale(2 1)"/>)~",
         1, "approximated: stroke under a non-uniform transform drawn with one width", 1, {50, 8, kRed}},
        // glyphs of a huge font flatten to 120,000 points: the clip path is not made,
        // and what it clips is not drawn
        {"clip path past the region limit",
         R"~(<clipPath id="c"><text y="70" font-size="8888888888">AbAb</text></clipPath>
            <rect width="100" height="100" fill="red" clip-path="url(#c)"/>)~",
         0, "dropped: clip-path (polygon clipping failed)", 1, {50, 50, kWhite}},
        // three opaque leaves of 60,000 points each: cutting each by those above is past the
        // work limit, so they are drawn translucent over each other
        {"group opacity over leaves past the work limit",
         R"~(<g opacity="0.5"><text y="70" font-size="8888888888">Ab</text><text y="70" font-size="8888888888">Ab</text>
            <text y="70" font-size="8888888888">Ab</text><rect width="100" height="100" fill="red"/></g>)~",
         0, "approximated: group opacity", 1, {50, 50, 0xFF7F7F}},
        // a pattern's link names nothing in the drawing; the stroke takes the tile's average
        {"stroke painted with a pattern holding a link",
         R"~(<pattern id="p" width="10" height="10" patternUnits="userSpaceOnUse"><a href="x.html"><rect width="5" height="10" fill="teal"/></a></pattern>
            <path d="M10 50H90" stroke="url(#p)" stroke-width="6"/>)~",
         0, "approximated: pattern as average colour", 1, {50, 50, 0x7FBFBF}},
    };
    for (const Case& c : cases) {
        ConvertOptions options;
        if (c.outlineLimit != 0) {
            options.maxOutlinePoints = c.outlineLimit;
        }
        Rendered r = ConvertAndRender(Document(c.content), 100, 100, options);
        ASSERT_TRUE(r.converted) << c.name;
        std::string kind = c.kind;
        std::map<std::string, int>& counts =
            kind.compare(0, 9, "dropped: ") == 0 ? r.report.dropped : r.report.approximated;
        EXPECT_EQ(c.count, counts[kind.substr(kind.find(": ") + 2)]) << c.name;
        EXPECT_PRED3(Near, c.probe.rgb, r.At(c.probe.x, c.probe.y), 3) << c.name;
    }
}

TEST(Conversion, FailuresGiveOneLineReasons) {
    std::string deep = "<svg>";
    for (int i = 0; i < 300; ++i) {
        deep += "<g>";
    }
    for (int i = 0; i < 300; ++i) {
        deep += "</g>";
    }
    deep += "</svg>";
    struct Case {
        std::string svg;
        const char* error; // the start of the reason
    };
    const Case cases[] = {
        {"<svg", "XML error at byte "},
        {"", "XML error"},
        {"<html/>", "the root element is not <svg>"},
        {"<!DOCTYPE x [<!ENTITY a \"&a;&a;\">]><svg a=\"&a;\"/>", "entities nest too deeply"},
        {deep, "elements nest too deeply"},
        {"<svg xmlns='http://www.w3.org/2000/svg' width='0' height='10'/>", "the drawing has no size"},
        {"<svg xmlns='http://www.w3.org/2000/svg' width='1e12' height='10'/>",
         "the drawing's size is out of range"},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> drawing(3, 1);
        ConvertReport report;
        std::string error;
        EXPECT_FALSE(ConvertSvg(c.svg, ConvertOptions(), &drawing, &report, &error)) << c.svg;
        EXPECT_TRUE(drawing.empty());
        EXPECT_EQ(0u, error.find(c.error)) << error;
        EXPECT_EQ(std::string::npos, error.find('\n'));
    }
}

} // namespace
} // namespace vemo::svg
