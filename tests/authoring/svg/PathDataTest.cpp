// Path data as SVG writes it: every command, relative and absolute, implicit repeats, numbers
// run together, smooth curves, arcs, and data in error drawn up to the error.
#include <gtest/gtest.h>

#include <math.h>

#include "SvgTestSupport.h"
#include "authoring/svg/PathData.h"

namespace vemo::svg {
namespace {

using test::PathText;

struct PathCase {
    const char* d;
    const char* expected;
    PathDataResult result;
};

TEST(PathData, CommandsRepeatsAndNumbers) {
    const PathCase cases[] = {
        {"M10 20 L30 40", "M10,20 L30,40", PathDataResult::Ok},
        {"m10 20 l5 5 5 5", "M10,20 L15,25 L20,30", PathDataResult::Ok},
        // pairs after a move are line-tos, relative after m
        {"M1 2 3 4 5 6", "M1,2 L3,4 L5,6", PathDataResult::Ok},
        {"m1 2 3 4", "M1,2 L4,6", PathDataResult::Ok},
        {"M0 0H10V5h-2v-1", "M0,0 L10,0 L10,5 L8,5 L8,4", PathDataResult::Ok},
        // numbers run together: sign and second dot start a new number
        {"M1-2.5.5.5L-1e1,2E-1", "M1,-2.5 L0.5,0.5 L-10,0.2", PathDataResult::Ok},
        {"M1-2.5.5L3 3", "M1,-2.5", PathDataResult::Error},
        {"M 1,2 , 3,4", "M1,2 L3,4", PathDataResult::Ok},
        {"M1,2,,3,4", "M1,2", PathDataResult::Error},
        {"M1,2 L3,4,L5,6", "M1,2 L3,4", PathDataResult::Error},
        {"M0 0 C1 1 2 2 3 3 S5 5 6 6", "M0,0 C1,1 2,2 3,3 C4,4 5,5 6,6", PathDataResult::Ok},
        // S without a cubic before it: the first control is the current point
        {"M0 0 S5 5 6 6", "M0,0 C0,0 5,5 6,6", PathDataResult::Ok},
        {"M0 0 Q1 1 2 0 T4 0", "M0,0 Q1,1 2,0 Q3,-1 4,0", PathDataResult::Ok},
        {"M0 0 L5 0 T8 0", "M0,0 L5,0 Q5,0 8,0", PathDataResult::Ok},
        {"m0 0 c1 1 2 2 3 3 s1 1 2 2", "M0,0 C1,1 2,2 3,3 C4,4 4,4 5,5", PathDataResult::Ok},
        // after Z the next relative command starts from the subpath's start
        {"M10 10 l5 0 z l0 5", "M10,10 L15,10 Z M10,10 L10,15", PathDataResult::Ok},
        {"M10 10 l5 0 z m1 1 l1 0", "M10,10 L15,10 Z M11,11 L12,11", PathDataResult::Ok},
        // errors: drawn up to the last complete command
        {"M0 0 L10 0 L20", "M0,0 L10,0", PathDataResult::Error},
        {"M0 0 L10 0 X 5", "M0,0 L10,0", PathDataResult::Error},
        {"L10 0", "", PathDataResult::Error},
        {"M0 0 L10 0 z 5 5", "M0,0 L10,0 Z", PathDataResult::Error},
        {"M0 0 L1e999 0", "M0,0", PathDataResult::Error},
        {"", "", PathDataResult::Ok},
        {"  \n", "", PathDataResult::Ok},
    };
    for (const PathCase& c : cases) {
        Path p;
        PathDataResult r = ParsePathData(c.d, 1000, &p);
        EXPECT_EQ(c.expected, PathText(p)) << c.d;
        EXPECT_EQ(int(c.result), int(r)) << c.d;
    }
}

TEST(PathData, TooManyPointsStopsEarly) {
    std::string d = "M0 0";
    for (int i = 0; i < 100; ++i) {
        d += " L1 1";
    }
    Path p;
    EXPECT_EQ(int(PathDataResult::TooLarge), int(ParsePathData(d, 50, &p)));
    EXPECT_LE(p.pts.size(), 52u);
}

struct ArcCase {
    const char* d;
    const char* expected; // cubics with their control points
};

TEST(PathData, ArcsBecomeCubics) {
    const ArcCase cases[] = {
        // a quarter circle of radius 10: one cubic with the usual control distance
        {"M10 0 A10 10 0 0 1 0 10", "M10,0 C10,5.523 5.523,10 0,10"},
        // a half circle: two quarters
        {"M10 0 A10 10 0 0 1 -10 0", "M10,0 C10,5.523 5.523,10 0,10 C-5.523,10 -10,5.523 -10,0"},
        // the other sweep goes the other way round
        {"M10 0 A10 10 0 0 0 -10 0",
         "M10,0 C10,-5.523 5.523,-10 0,-10 C-5.523,-10 -10,-5.523 -10,0"},
        // radii too small are scaled up until the arc fits: a half circle of radius 5
        {"M0 0 A1 1 0 0 1 10 0", "M0,0 C0,-2.761 2.239,-5 5,-5 C7.761,-5 10,-2.761 10,0"},
        // a zero radius is a line; the same end point draws nothing
        {"M0 0 A0 5 0 0 1 10 0", "M0,0 L10,0"},
        {"M0 0 A5 5 0 0 1 0 0", "M0,0"},
        // flags written without separators
        {"M10 0a10 10 0 0110 10", "M10,0 C15.523,0 20,4.477 20,10"},
        // negative radii count as positive; a rotated ellipse
        {"M0 0 A-10 -10 0 0 1 10 10", "M0,0 C5.523,0 10,4.477 10,10"},
        {"M0 0 A20 10 90 0 1 10 20", "M0,0 C5.523,0 10,8.954 10,20"},
        // the large arc flag takes the long way round: three quarters, through (-10, 0)
        {"M10 0 A10 10 0 1 1 0 -10", "M10,0 C10,5.523 5.523,10 0,10 C-5.523,10 -10,5.523 -10,0 "
                                     "C-10,-5.523 -5.523,-10 0,-10"},
    };
    for (const ArcCase& c : cases) {
        Path p;
        EXPECT_EQ(int(PathDataResult::Ok), int(ParsePathData(c.d, 1000, &p))) << c.d;
        EXPECT_EQ(c.expected, PathText(p)) << c.d;
    }
}

} // namespace
} // namespace vemo::svg
