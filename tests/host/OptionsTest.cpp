// The stand-in's command line.
#include <gtest/gtest.h>

#include "host/Options.h"

using namespace vemohost;

namespace {

TEST(Options, EveryOptionLandsInItsField) {
    HostOptions o;
    std::string error;
    ASSERT_TRUE(ParseOptions(
        {"--plugins",     "P",           "--site",       "S",      "--chunk",   "100",
         "--pace",        "50",          "--np-version", "0.11",   "--np-size", "52",
         "--late-window", "--teardown",  "window-first", "--fail", "geturl",    "--fail",
         "memalloc",      "--size",      "300X200",      "--pos",  "-5,7",      "--script",
         "s.txt",         "--do",        "idle",         "--do",   "wait 5",    "--log",
         "l.txt",         "--keep-open", "page.htm"},
        o, error))
        << error;
    EXPECT_EQ(o.pluginDir, "P");
    EXPECT_EQ(o.siteDir, "S");
    EXPECT_EQ(o.chunkSize, 100);
    EXPECT_EQ(o.paceMs, 50);
    EXPECT_EQ(o.tableMajor, 0);
    EXPECT_EQ(o.tableMinor, 11);
    EXPECT_EQ(o.tableSize, 52);
    EXPECT_TRUE(o.lateWindow);
    EXPECT_EQ(o.teardown, Teardown::WindowFirst);
    EXPECT_TRUE(o.failGetUrl);
    EXPECT_TRUE(o.failMemAlloc);
    EXPECT_EQ(o.width, 300);
    EXPECT_EQ(o.height, 200);
    EXPECT_EQ(o.left, -5);
    EXPECT_EQ(o.top, 7);
    EXPECT_EQ(o.scriptFile, "s.txt");
    EXPECT_EQ(o.steps, (std::vector<std::string>{"idle", "wait 5"}));
    EXPECT_EQ(o.logFile, "l.txt");
    EXPECT_TRUE(o.keepOpen);
    EXPECT_EQ(o.address, "page.htm");
}

TEST(Options, DefaultsAreTheDocumentedOnes) {
    HostOptions o;
    std::string error;
    ASSERT_TRUE(ParseOptions({}, o, error));
    EXPECT_EQ(o.chunkSize, 4096);
    EXPECT_EQ(o.paceMs, 0);
    EXPECT_EQ(o.tableMajor, 0);
    EXPECT_EQ(o.tableMinor, 9);
    EXPECT_EQ(o.tableSize, -1);
    EXPECT_EQ(o.teardown, Teardown::DestroyFirst);
    EXPECT_EQ(o.width, 640);
    EXPECT_EQ(o.height, 480);
}

// --modern announces 0.27 unless --np-version, before or after it, names another version.
TEST(Options, TheModernBrowserAnnouncesItsVersion) {
    const struct {
        std::vector<std::string> args;
        bool modern;
        int minor;
    } cases[] = {
        {{"--modern"}, true, 27},
        {{"--modern", "--np-version", "0.11"}, true, 11},
        {{"--np-version", "0.6", "--modern"}, true, 6},
        {{"--np-version", "0.27"}, false, 27},
    };
    for (const auto& c : cases) {
        HostOptions o;
        std::string error;
        ASSERT_TRUE(ParseOptions(c.args, o, error)) << error;
        EXPECT_EQ(o.modern, c.modern) << c.args.size();
        EXPECT_EQ(o.tableMajor, 0);
        EXPECT_EQ(o.tableMinor, c.minor) << c.args.size();
    }
}

TEST(Options, MistakesAreExplained) {
    struct Case {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--chunk"}, "--chunk wants a value"},
        {{"--chunk", "0"}, "--chunk wants a number from 1 to 16777216"},
        {{"--np-version", "1"}, "--np-version wants MAJOR.MINOR, each 0 to 255"},
        {{"--teardown", "later"}, "--teardown is destroy-first or window-first"},
        {{"--fail", "disk"}, "--fail is geturl or memalloc"},
        {{"--size", "10x10"}, "--size wants WIDTHxHEIGHT, each 16 to 8000"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"a.htm", "b.htm"}, "more than one page given: b.htm"},
    };
    for (const Case& c : cases) {
        HostOptions o;
        std::string error;
        EXPECT_FALSE(ParseOptions(c.args, o, error)) << c.error;
        EXPECT_EQ(error, c.error);
    }
}

} // namespace
