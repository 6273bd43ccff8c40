// Loading and streaming as a browser does: the order of the calls and their arguments, chunks,
// partial writes, aborted streams, requested streams, navigation, fault injection, teardown.
#include <gtest/gtest.h>

#include "HostProcess.h"
#include "npapi/npapi.h"

using namespace hosttest;

namespace {

class Streaming : public testing::Test {
protected:
    void SetUp() override {
        folder_ = FreshFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        data_ = PatternData(10000, 1);
        WriteText(folder_ + "\\data.hts", data_);
        second_ = PatternData(3000, 2);
        WriteText(folder_ + "\\second.hts", second_);
        WriteText(folder_ + "\\other.htm", "<title>Other</title>Other page");
    }

    // A page with one embed of the test plug-in and these extra attributes.
    HostRun Run(const std::string& attributes, std::vector<std::string> args) {
        WriteText(folder_ + "\\page.htm",
                  "<html><title>T</title>Text <embed src=\"data.hts\" width=120 height=80 " +
                      attributes + "> after</html>");
        args.push_back("page.htm");
        args.push_back("--do");
        args.push_back("idle");
        HostRun run = RunHost(args, folder_);
        EXPECT_FALSE(run.timedOut) << run.Text();
        return run;
    }

    // Line indexes of these prefixes must rise.
    static void ExpectOrder(const HostRun& run, const std::vector<std::string>& prefixes) {
        int at = 0;
        for (const std::string& prefix : prefixes) {
            int found = run.Find(prefix, at);
            ASSERT_GE(found, 0) << "missing after line " << at << ": " << prefix << "\n"
                                << run.Text();
            at = found + 1;
        }
    }

    std::string StreamStatus(int stream, const std::string& name, const std::string& data,
                             int reason) {
        return "status #1 \"stream " + std::to_string(stream) + " url=" + PageUrl(name) +
               " bytes=" + std::to_string(data.size()) + " sum=" + Checksum(data) +
               " reason=" + std::to_string(reason) + "\"";
    }

    std::string PageUrl(const std::string& name) {
        std::string url = "file:///";
        for (char c : folder_ + "\\" + name) {
            url += c == '\\' ? '/' : c;
        }
        return url;
    }

    std::string folder_, data_, second_;
};

TEST_F(Streaming, CallsComeInTheBrowsersOrderWithTheirArguments) {
    HostRun run = Run("Echo ZOOMPAN=false name=\"a b\"", {});
    EXPECT_EQ(run.exitCode, 0) << run.Text();
    ExpectOrder(
        run,
        {
            "load \"nphtest.dll\"",
            "call NP_GetEntryPoints size=",
            "call NP_Initialize version=0.9 size=" + std::to_string(NP_NETSCAPE_FUNCS_SIZE_V09) +
                " -> 0",
            "status #1 \"args mode=1 argc=6 src=data.hts width=120 height=80 Echo= ZOOMPAN=false "
            "name=a b\"",
            "call NPP_New #1 type=\"application/x-hosttest\" mode=embed argc=6 "
            "args=[src=\"data.hts\" "
            "width=\"120\" height=\"80\" Echo=\"\" ZOOMPAN=\"false\" name=\"a b\"] -> 0",
            "call NPP_SetWindow #1 x=",
            "call NPP_NewStream #1 stream=1 url=\"" + PageUrl("data.hts") +
                "\" type=\"application/x-hosttest\" end=10000 -> 0 stype=1",
            "call NPP_WriteReady #1 stream=1 -> ",
            "call NPP_Write #1 stream=1 offset=0 len=4096 -> 4096",
            "call NPP_Write #1 stream=1 offset=8192 len=1808 -> 1808",
            StreamStatus(1, "data.hts", data_, 0),
            "call NPP_DestroyStream #1 stream=1 reason=0 -> 0",
            "call NPP_Destroy #1 -> 0 pdata=null",
            "window-destroyed #1",
            "call NP_Shutdown -> 0",
            "unload \"nphtest.dll\"",
        });
    EXPECT_TRUE(run.Has("call NPP_SetWindow #1 x=") &&
                run.lines[run.Find("call NPP_SetWindow #1")].find("width=120 height=80 -> 0") !=
                    std::string::npos)
        << run.Text();
}

TEST_F(Streaming, ChunksHaveTheChosenSize) {
    HostRun run = Run("", {"--chunk", "3000"});
    ExpectOrder(run, {"call NPP_Write #1 stream=1 offset=0 len=3000 -> 3000",
                      "call NPP_Write #1 stream=1 offset=3000 len=3000 -> 3000",
                      "call NPP_Write #1 stream=1 offset=6000 len=3000 -> 3000",
                      "call NPP_Write #1 stream=1 offset=9000 len=1000 -> 1000",
                      StreamStatus(1, "data.hts", data_, 0)});
    EXPECT_EQ(run.Count("call NPP_Write #1"), 4);
}

TEST_F(Streaming, BytesAWriteDidNotTakeAreOfferedAgain) {
    HostRun run = Run("write=700", {"--chunk", "1000"});
    ExpectOrder(run, {"call NPP_Write #1 stream=1 offset=0 len=1000 -> 700",
                      "call NPP_Write #1 stream=1 offset=700 len=1000 -> 700",
                      "call NPP_Write #1 stream=1 offset=1400 len=1000 -> 700",
                      "call NPP_Write #1 stream=1 offset=9800 len=200 -> 200",
                      StreamStatus(1, "data.hts", data_, 0)});
    EXPECT_FALSE(run.Has("status #1 \"write at an unexpected offset\"")) << run.Text();
}

TEST_F(Streaming, WriteReadyLimitsTheOffer) {
    HostRun run = Run("ready=500", {"--chunk", "4096"});
    ExpectOrder(run, {"call NPP_WriteReady #1 stream=1 -> 500",
                      "call NPP_Write #1 stream=1 offset=0 len=500 -> 500",
                      StreamStatus(1, "data.hts", data_, 0)});
    EXPECT_EQ(run.Count("call NPP_Write #1"), 20);
}

TEST_F(Streaming, ANegativeWriteEndsTheStreamWithANetworkError) {
    HostRun run = Run("failat=2500", {"--chunk", "1000"});
    ExpectOrder(run, {"call NPP_Write #1 stream=1 offset=1000 len=1000 -> 1000",
                      "call NPP_Write #1 stream=1 offset=2000 len=1000 -> -1",
                      "call NPP_DestroyStream #1 stream=1 reason=1 -> 0"});
    EXPECT_EQ(run.Count("call NPP_Write #1"), 3) << "nothing after the failed write";
    EXPECT_EQ(run.Count("call NPP_DestroyStream"), 1);
}

TEST_F(Streaming, GetUrlWithoutTargetStreamsToTheSameInstanceAfterTheCall) {
    HostRun run = Run("geturl=second.hts", {});
    ExpectOrder(run, {StreamStatus(1, "data.hts", data_, 0),
                      "geturl #1 \"second.hts\" target=null -> 0 resolved=\"" +
                          PageUrl("second.hts") + "\"",
                      "status #1 \"geturl -> 0\"", "call NPP_DestroyStream #1 stream=1 reason=0",
                      "call NPP_NewStream #1 stream=2 url=\"" + PageUrl("second.hts") + "\"",
                      StreamStatus(2, "second.hts", second_, 0),
                      "call NPP_DestroyStream #1 stream=2 reason=0 -> 0"});
    EXPECT_EQ(run.Count("call NPP_New #"), 1) << "no second instance";
}

TEST_F(Streaming, GetUrlNotifyReportsTheEndOfItsStream) {
    HostRun run = Run("geturl=second.hts notify", {});
    ExpectOrder(run, {"geturl #1 \"second.hts\" target=null service=NPN_GetURLNotify -> 0",
                      "call NPP_NewStream #1 stream=2", StreamStatus(2, "second.hts", second_, 0),
                      "call NPP_DestroyStream #1 stream=2 reason=0 -> 0",
                      "status #1 \"notify " + PageUrl("second.hts") + " reason=0 data=1234\"",
                      "call NPP_URLNotify #1 url=\"" + PageUrl("second.hts") + "\" reason=0"});
    HostRun missing = Run("geturl=missing.hts notify", {});
    ExpectOrder(missing, {"stream-failed #1", "status #1 \"notify " + PageUrl("missing.hts") +
                                                  " reason=1 data=1234\""});
}

TEST_F(Streaming, GetUrlToSelfNavigatesToAPageOfTheSite) {
    HostRun run = Run("geturl=other.htm target=_self", {});
    ExpectOrder(run,
                {"geturl #1 \"other.htm\" target=\"_self\" -> 0 resolved=\"" +
                     PageUrl("other.htm") + "\" navigate",
                 "call NPP_DestroyStream #1 stream=1 reason=0", "call NPP_Destroy #1",
                 "page-closed", "page \"" + PageUrl("other.htm") + "\" title=\"Other\" embeds=0"});
}

TEST_F(Streaming, OtherTargetsAndUnknownAddressesAreOnlyRecorded) {
    HostRun run = Run("geturl=http://elsewhere/x.htm target=_blank", {});
    EXPECT_TRUE(run.Has("geturl #1 \"http://elsewhere/x.htm\" target=\"_blank\" -> 0 "
                        "resolved=\"http://elsewhere/x.htm\" recorded"))
        << run.Text();
    EXPECT_EQ(run.Count("page \""), 1);
    HostRun self = Run("geturl=missing.htm target=_self", {});
    EXPECT_TRUE(self.Has("geturl #1 \"missing.htm\" target=\"_self\" -> 0")) << self.Text();
    EXPECT_EQ(self.Count("page \""), 1) << "no navigation to a page that is not there";
}

TEST_F(Streaming, InjectedFaults) {
    HostRun geturl = Run("geturl=second.hts", {"--fail", "geturl"});
    EXPECT_TRUE(geturl.Has("geturl #1 \"second.hts\" target=null -> 1 injected")) << geturl.Text();
    EXPECT_TRUE(geturl.Has("status #1 \"geturl -> 1\""));
    EXPECT_FALSE(geturl.Has("call NPP_NewStream #1 stream=2"));

    HostRun memalloc = Run("", {"--fail", "memalloc"});
    EXPECT_TRUE(memalloc.Has("npn NPN_MemAlloc size=")) << memalloc.Text();
    EXPECT_TRUE(memalloc.Has("call NPP_New #1 type=\"application/x-hosttest\" mode=embed"));
    EXPECT_NE(memalloc.lines[memalloc.Find("call NPP_New #1")].find("-> 5"), std::string::npos);
    EXPECT_FALSE(memalloc.Has("call NPP_SetWindow")) << "a failed instance gets no window";
    EXPECT_FALSE(memalloc.Has("call NPP_Destroy")) << "nor NPP_Destroy";
    EXPECT_TRUE(memalloc.Has("call NP_Shutdown -> 0")) << "the library still ends";
}

TEST_F(Streaming, BrowserTableVersionAndSizeCanBeChosen) {
    // The sizes are those of this build's records (x86_64 here, where 0.6's table is 104 bytes).
    const std::string small = std::to_string(NP_NETSCAPE_FUNCS_MIN_SIZE);
    const std::string below = std::to_string(NP_NETSCAPE_FUNCS_MIN_SIZE - 1);
    const std::string full = std::to_string(NP_NETSCAPE_FUNCS_SIZE_V09);
    struct Case {
        std::vector<std::string> args;
        std::string initialize;
        bool instance;
    } cases[] = {
        {{"--np-version", "0.6"}, "call NP_Initialize version=0.6 size=" + small + " -> 0", true},
        {{"--np-version", "0.9", "--np-size", below},
         "call NP_Initialize version=0.9 size=" + below + " -> 3",
         false},
        {{"--np-version", "1.0"}, "call NP_Initialize version=1.0 size=" + full + " -> 8", false},
    };
    for (const Case& c : cases) {
        HostRun run = Run("", c.args);
        EXPECT_TRUE(run.Has(c.initialize)) << c.initialize << "\n" << run.Text();
        EXPECT_EQ(run.Has("call NPP_New #1"), c.instance) << c.initialize;
    }
}

TEST_F(Streaming, TeardownOrderIsAnOption) {
    HostRun destroyFirst = Run("", {"--teardown", "destroy-first"});
    ExpectOrder(destroyFirst, {"call NPP_Destroy #1", "window-destroyed #1"});
    HostRun windowFirst = Run("", {"--teardown", "window-first"});
    ExpectOrder(windowFirst, {"window-destroyed #1", "call NPP_Destroy #1"});
}

TEST_F(Streaming, PacedChunksArriveFromTheMessageLoop) {
    HostRun run = Run("timer=20", {"--chunk", "2000", "--pace", "40"});
    EXPECT_EQ(run.Count("call NPP_Write #1"), 5) << run.Text();
    EXPECT_TRUE(run.Has(StreamStatus(1, "data.hts", data_, 0)));
}

TEST_F(Streaming, ADrawingOpenedByItselfIsAFullPageInstance) {
    HostRun run = RunHost({"data.hts", "--do", "idle"}, folder_);
    ExpectOrder(run, {"drawing \"" + PageUrl("data.hts") + "\" type=\"application/x-hosttest\"",
                      "call NPP_New #1 type=\"application/x-hosttest\" mode=full argc=0 args=[] "
                      "-> 0",
                      "call NPP_SetWindow #1 x=0 y=0 width=640 height=480 -> 0",
                      "call NPP_NewStream #1 stream=1", StreamStatus(1, "data.hts", data_, 0)});
    HostRun late =
        RunHost({"data.hts", "--late-window", "--size", "300x200", "--do", "idle"}, folder_);
    ExpectOrder(late,
                {"call NPP_New #1", "call NPP_NewStream #1 stream=1",
                 "call NPP_SetWindow #1 x=0 y=0 width=300 height=200 -> 0", "call NPP_Write #1"});
}

TEST_F(Streaming, EmbedsWithoutAPluginAreShownAsPlaceholders) {
    WriteText(folder_ + "\\mixed.htm", "<embed src=\"x.unknown\" width=10 height=10><embed "
                                       "src=data.hts type=\"application/x-hosttest2\">");
    HostRun run = RunHost({"mixed.htm", "--do", "idle"}, folder_);
    EXPECT_TRUE(run.Has("embed-unhandled index=1")) << run.Text();
    EXPECT_TRUE(run.Has("call NPP_New #1 type=\"application/x-hosttest2\"")) << run.Text();
}

} // namespace
