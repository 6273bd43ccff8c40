// The vemo command line: which argument lists run (and what they ask for) and which are refused
// with which one-line message.
#include <gtest/gtest.h>

#include <sstream>

#include "authoring/cli/CommandLine.h"

namespace vemo::cli {
namespace {

std::vector<std::string> Split(const char* line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    std::string w;
    while (in >> w) {
        words.push_back(w);
    }
    return words;
}

// A command line that runs, and a digest of what it asks for.
struct Accepted {
    const char* line;
    const char* digest;
};

std::string Digest(const Command& c) {
    std::ostringstream o;
    const char* kinds[] = {"none", "convert", "render", "info"};
    o << kinds[int(c.kind)];
    if (c.help) {
        o << " help";
    }
    for (const std::string& in : c.inputs) {
        o << " in=" << in;
    }
    if (!c.output.empty()) {
        o << " out=" << c.output;
    }
    if (!c.outDir.empty()) {
        o << " dir=" << c.outDir;
    }
    if (c.width != 0) {
        o << " width=" << c.width;
    }
    if (c.scale != 0) {
        o << " scale=" << c.scale;
    }
    if (!c.base.empty()) {
        o << " base=" << c.base;
    }
    if (c.hasView) {
        o << " view=" << c.view.x0 << "," << c.view.y0 << "," << c.view.x1 << "," << c.view.y1;
    }
    if (c.smoothed != 1) {
        o << " smoothed=" << c.smoothed;
    }
    if (c.quiet) {
        o << " quiet";
    }
    return o.str();
}

const Accepted kAccepted[] = {
    {"--help", "none help"},
    {"convert --help", "convert help"},
    {"render -h", "render help"},
    {"info --help extra words", "info help"},
    {"convert a.svg b.vem", "convert in=a.svg out=b.vem"},
    {"convert a.svg b.vem --width 640 --base http://x/y/", "convert in=a.svg out=b.vem width=640 base=http://x/y/"},
    {"convert --scale=1.5 a.svg b.vem -q", "convert in=a.svg out=b.vem scale=1.5 quiet"},
    {"convert --out-dir out a.svg b/c.svg", "convert in=a.svg in=b/c.svg dir=out"},
    {"convert --out-dir out --quiet a.svg", "convert in=a.svg dir=out quiet"},
    {"convert -- -odd.svg b.vem", "convert in=-odd.svg out=b.vem"},
    {"render a.vem b.png", "render in=a.vem out=b.png"},
    {"render a.vem b.png --width 1920 --smoothed 0", "render in=a.vem out=b.png width=1920 smoothed=0"},
    {"render a.vem b.png --view=-10,-20,30,40", "render in=a.vem out=b.png view=-10,-20,30,40"},
    {"info a.vem", "info in=a.vem"},
};

TEST(VemoCommandLine, AcceptsEachForm) {
    for (const Accepted& a : kAccepted) {
        Command c;
        std::string error;
        ASSERT_TRUE(ParseCommandLine(Split(a.line), &c, &error)) << a.line << ": " << error;
        EXPECT_EQ(a.digest, Digest(c)) << a.line;
    }
}

// A refused command line and a piece of its message.
struct Refused {
    const char* line;
    const char* message;
};

const Refused kRefused[] = {
    {"", "no command"},
    {"draw a.svg", "unknown command 'draw'"},
    {"convert a.svg", "needs IN.svg and OUT.vem"},
    {"convert a.svg b.svg c.vem", "more than one input needs --out-dir"},
    {"convert a.svg b.vem --width 10 --scale 2", "--width or --scale, not both"},
    {"convert a.svg b.vem --width", "--width needs a value"},
    {"convert a.svg b.vem --width -3", "--width needs a positive number, not '-3'"},
    {"convert a.svg b.vem --width 12px", "not '12px'"},
    {"convert a.svg b.vem --scale 0", "--scale needs a positive number"},
    {"convert a.svg b.vem --scale nan", "--scale needs a positive number"},
    {"convert a.svg b.vem --smoothed 1", "unknown option '--smoothed'"},
    {"convert a.svg b.vem --quiet=yes", "--quiet takes no value"},
    {"convert --out-dir out", "--out-dir needs at least one input"},
    {"convert --out-dir out x/a.svg y/a.svg", "both be written to out/a.vem"},
    {"render a.vem", "needs IN.vem and OUT.png"},
    {"render a.vem b.png --width 1.5", "--width needs a positive whole number"},
    {"render a.vem b.png --width 70000", "up to 65535"},
    {"render a.vem b.png --view 1,2,3", "--view needs X0,Y0,X1,Y1"},
    {"render a.vem b.png --view 5,0,5,10", "not '5,0,5,10'"},
    {"render a.vem b.png --view 0,0,10,3000000000", "--view needs"},
    {"render a.vem b.png --view 0,0,10,10,", "--view needs"},
    {"render a.vem b.png --smoothed 2", "--smoothed is 0 or 1"},
    {"render a.vem b.png --scale 2", "unknown option '--scale'"},
    {"info", "needs one IN.vem"},
    {"info a.vem b.vem", "needs one IN.vem"},
    {"info a.vem --width 3", "unknown option '--width'"},
};

TEST(VemoCommandLine, RefusesWithOneLine) {
    for (const Refused& r : kRefused) {
        Command c;
        std::string error;
        EXPECT_FALSE(ParseCommandLine(Split(r.line), &c, &error)) << r.line;
        EXPECT_NE(std::string::npos, error.find(r.message)) << r.line << ": " << error;
        EXPECT_EQ(std::string::npos, error.find('\n')) << r.line;
    }
}

TEST(VemoCommandLine, BatchOutputNames) {
    const char* const kCases[][3] = {
        {"out", "a.svg", "out/a.vem"},
        {"out/", "dir/b.SVG", "out/b.vem"},
        {"out", "noext", "out/noext.vem"},
        {"out", ".hidden", "out/.hidden.vem"},
        {"/", "x/y.z.svg", "/y.z.vem"},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(c[2], BatchOutputPath(c[0], c[1])) << c[1];
    }
}

} // namespace
} // namespace vemo::cli
