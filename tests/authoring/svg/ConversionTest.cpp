// Whole documents converted and rendered by the renderer core: the pixels show what a browser
// shows, and what could not be converted exactly is reported.
#include <gtest/gtest.h>

#include <string>

#include "SvgTestSupport.h"

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
    };
    for (const DocumentCase& c : cases) {
        Rendered r = ConvertAndRender(c.svg, 100, 100);
        ASSERT_TRUE(r.converted) << c.name << ": " << r.error;
        EXPECT_EQ(0, r.endResult) << c.name;
        for (const Probe& p : c.probes) {
            EXPECT_PRED3(Near, p.rgb, r.At(p.x, p.y), 3) << c.name << " at " << p.x << "," << p.y;
        }
    }
}

TEST(Conversion, GroupOpacityOverOverlapsIsReported) {
    Rendered exact = ConvertAndRender(
        R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100"><g opacity="0.5">
             <rect width="40" height="40"/><rect x="50" width="40" height="40"/></g></svg>)~",
        100, 100);
    ASSERT_TRUE(exact.converted);
    EXPECT_TRUE(exact.report.approximated.empty());
    Rendered overlapping = ConvertAndRender(
        R"~(<svg xmlns="http://www.w3.org/2000/svg" width="100" height="100"><g opacity="0.5">
             <rect width="40" height="40"/><rect x="20" width="40" height="40"/></g></svg>)~",
        100, 100);
    ASSERT_TRUE(overlapping.converted);
    EXPECT_EQ(1, overlapping.report.approximated["group opacity"]);
}

TEST(Conversion, FailuresGiveOneLineReasons) {
    struct Case {
        const char* svg;
        const char* error;
    };
    const Case cases[] = {
        {"<svg", "XML error at byte "},
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
