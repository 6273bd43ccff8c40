// Scenario steps driving a plug-in through real input, menus, dialogs, captures and printing,
// and the log that records them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "HostProcess.h"

using namespace hosttest;
using vemohost::Image;

namespace {

class Scenario : public testing::Test {
protected:
    void SetUp() override {
        folder_ = FreshFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
        WriteText(folder_ + "\\data.hts", PatternData(5000, 3));
        WriteText(folder_ + "\\page.htm",
                  "<title>Scenario</title>Before <embed src=data.hts width=200 height=150 "
                  "color=00C000 box=\"Hello box\" timer=30> after");
    }

    HostRun RunScript(const std::string& script, std::vector<std::string> args = {}) {
        WriteText(folder_ + "\\script.txt", script);
        args.insert(args.begin(), {"page.htm", "--script", "script.txt"});
        HostRun run = RunHost(args, folder_);
        EXPECT_FALSE(run.timedOut) << run.Text();
        return run;
    }

    static void ExpectOrder(const HostRun& run, const std::vector<std::string>& prefixes) {
        int at = 0;
        for (const std::string& prefix : prefixes) {
            int found = run.Find(prefix, at);
            ASSERT_GE(found, 0) << "missing after line " << at << ": " << prefix << "\n"
                                << run.Text();
            at = found + 1;
        }
    }

    std::string folder_;
};

TEST_F(Scenario, MouseInputArrivesAtWindowPointsWithModifierKeys) {
    HostRun run = RunScript("idle\n"
                            "click 10 20 shift\n"
                            "click 30 40 ctrl\n"
                            "drag 10 10 50 40 steps=4\n"
                            "down 60 70\n"
                            "up 61 71\n");
    EXPECT_EQ(run.exitCode, 0) << run.Text();
    ExpectOrder(run, {"status #1 \"ldown 10 20 shift\"", "status #1 \"lup 10 20 shift\"",
                      "input click 10 20 left shift in=1", "status #1 \"ldown 30 40 ctrl\"",
                      "status #1 \"lup 30 40 ctrl\"", "status #1 \"ldown 10 10\"",
                      "status #1 \"drag 20 17\"", "status #1 \"drag 50 40\"",
                      "status #1 \"lup 50 40\"", "input drag 10 10 50 40 left in=1",
                      "status #1 \"ldown 60 70\"", "status #1 \"lup 61 71\""});
}

TEST_F(Scenario, KeysGoToTheFocusedPluginWindow) {
    HostRun run = RunScript("idle\nclick 5 5\nkey escape\nkey f5 shift\n");
    ExpectOrder(run, {"input click 5 5", "status #1 \"key 27\"", "status #1 \"key 16 shift\"",
                      "status #1 \"key 116 shift\""});
}

TEST_F(Scenario, MenuItemsAreLoggedAndPickedByTextOrNumber) {
    HostRun run = RunScript("idle\n"
                            "click 30 30 right\nmenu \"second\"\n"
                            "click 30 30 right\nmenu #5\n"
                            "click 30 30 right\nmenu Grayed\n"
                            "click 30 30 right\nmenu cancel\n");
    EXPECT_EQ(run.exitCode, 0) << run.Text();
    ExpectOrder(run, {"menu items=5", "menu-item 1 \"First\" id=1", "menu-item 2 \"Second\" id=2",
                      "menu-item 3 separator", "menu-item 4 \"Grayed\" id=3 grayed",
                      "menu-item 5 \"Checked\" id=4 checked", "menu-pick \"Second\" item=2",
                      "status #1 \"menu -> 2\"", "menu-pick \"Checked\" item=5",
                      "status #1 \"menu -> 4\"", "menu-pick \"Grayed\" grayed",
                      "status #1 \"menu -> 0\"", "menu-cancel", "status #1 \"menu -> 0\""});
}

TEST_F(Scenario, MessageBoxesAreLoggedAnsweredOrDismissed) {
    HostRun run = RunScript("idle\nclick 5 5\n"
                            "key b\ndialog button Cancel\n"
                            "key b\nwait 1000\n");
    ExpectOrder(run, {"messagebox \"Test box\" \"Hello box\"",
                      "dialog-answer \"Test box\" button=\"Cancel\" id=2", "status #1 \"box -> 2\"",
                      "messagebox \"Test box\" \"Hello box\"",
                      "messagebox-dismissed \"Test box\" button=\"OK\"", "status #1 \"box -> 1\""});
}

TEST_F(Scenario, DialogsAreLoggedCapturedAndAnswered) {
    HostRun run = RunScript("idle\nclick 5 5\nkey d\n"
                            "dialog check \"Remember this\" capture dialog.bmp button OK\n"
                            "key d\ndialog cancel\n");
    ExpectOrder(
        run,
        {"dialog \"Test dialog\"", "dialog-control #101 Button \"&Remember this\" unchecked",
         "dialog-control #1 Button \"OK\"", "dialog-answer \"Test dialog\" check=\"Remember this\"",
         "capture dialog \"Test dialog\" file=\"dialog.bmp\"",
         "dialog-answer \"Test dialog\" button=\"OK\" id=1", "status #1 \"dialog -> 11\"",
         "dialog-answer \"Test dialog\" cancel", "status #1 \"dialog -> 0\""});
    Image image;
    ASSERT_TRUE(ReadImage(folder_ + "\\dialog.bmp", image));
    EXPECT_GT(image.width, 100);
}

TEST_F(Scenario, TheSaveDialogTakesAFileName) {
    HostRun run = RunScript("idle\nclick 5 5\nkey s\ndialog file \"" + folder_ +
                            "\\saved.hts\"\n"
                            "wait 300\n");
    ExpectOrder(
        run, {"dialog \"Save As\"", "dialog-answer \"Save As\" file=", "status #1 \"save -> 1 "});
    EXPECT_NE(run.lines[run.Find("status #1 \"save -> 1")].find("saved.hts"), std::string::npos);
}

TEST_F(Scenario, CapturesShowWhatThePluginPainted) {
    HostRun run = RunScript("idle\ncapture plugin.bmp\ncapture page.bmp in=page\n"
                            "capture printed.bmp method=print\ncapture window.bmp in=window\n");
    EXPECT_EQ(run.exitCode, 0) << run.Text();
    Image plugin, page;
    ASSERT_TRUE(ReadImage(folder_ + "\\plugin.bmp", plugin));
    EXPECT_EQ(plugin.width, 200);
    EXPECT_EQ(plugin.height, 150);
    for (uint32_t pixel : plugin.pixels) {
        ASSERT_EQ(pixel, 0x00C000u);
    }
    ASSERT_TRUE(ReadImage(folder_ + "\\page.bmp", page));
    EXPECT_EQ(page.width, 640);
    EXPECT_EQ(page.height, 480);
    int at = run.Find("call NPP_SetWindow #1 x=");
    ASSERT_GE(at, 0);
    int x = 0, y = 0;
    ASSERT_EQ(sscanf(run.lines[at].c_str(), "call NPP_SetWindow #1 x=%d y=%d", &x, &y), 2);
    EXPECT_EQ(page.At(x, y), 0x00C000u);
    EXPECT_EQ(page.At(x + 199, y + 149), 0x00C000u);
    EXPECT_EQ(page.At(x + 200, y + 149), 0xFFFFFFu) << "white page beside the plug-in";
    // The whole window as the screen shows it: frame and status line around the page.
    Image window;
    ASSERT_TRUE(ReadImage(folder_ + "\\window.bmp", window));
    EXPECT_GT(window.width, 640);
    EXPECT_GT(window.height, 480);
    EXPECT_EQ(std::count(window.pixels.begin(), window.pixels.end(), 0x00C000u), 200 * 150);
}

TEST_F(Scenario, PrintingGivesEmbeddedInstancesTheirRectangleInPrinterUnits) {
    HostRun run = RunScript("idle\nprint p1.bmp\nprint p2.bmp scale=2\n");
    int at = run.Find("call NPP_SetWindow #1 x=");
    ASSERT_GE(at, 0) << run.Text();
    int x = 0, y = 0;
    ASSERT_EQ(sscanf(run.lines[at].c_str(), "call NPP_SetWindow #1 x=%d y=%d", &x, &y), 2);
    ExpectOrder(run, {"call NPP_Print #1 mode=embed x=" + std::to_string(x) +
                          " y=" + std::to_string(y) + " width=200 height=150",
                      "print file=\"p1.bmp\" width=640 height=480",
                      "call NPP_Print #1 mode=embed x=" + std::to_string(2 * x) +
                          " y=" + std::to_string(2 * y) + " width=400 height=300",
                      "print file=\"p2.bmp\" width=1280 height=960"});
    Image printed;
    ASSERT_TRUE(ReadImage(folder_ + "\\p2.bmp", printed));
    EXPECT_EQ(printed.At(2 * x, 2 * y), 0x00C000u);
    EXPECT_EQ(printed.At(2 * x + 399, 2 * y + 299), 0x00C000u);
    EXPECT_EQ(printed.At(2 * x + 400, 2 * y), 0xFFFFFFu);
}

TEST_F(Scenario, FullPagePrintingAsksTheFullPageCallFirst) {
    HostRun accepted = RunHost({"data.hts", "--do", "idle", "--do", "print f.bmp"}, folder_);
    ExpectOrder(accepted, {"call NPP_Print #1 mode=full -> pluginPrinted=1", "print file="});
    EXPECT_FALSE(accepted.Has("call NPP_Print #1 mode=embed"));

    WriteText(folder_ + "\\decline.hts", "x");
    HostRun declined = RunHost({"decline.hts", "--do", "idle", "--do", "print d.bmp"}, folder_);
    ExpectOrder(declined, {"call NPP_Print #1 mode=full -> pluginPrinted=0",
                           "call NPP_Print #1 mode=embed x=0 y=0 width=640 height=480",
                           "print file=\"d.bmp\""});
    Image printed;
    ASSERT_TRUE(ReadImage(folder_ + "\\d.bmp", printed));
    EXPECT_EQ(printed.At(639, 479), 0x000000u) << "the plug-in printed the whole page";
}

TEST_F(Scenario, TicksCountTheInstancesTimerMessages) {
    HostRun run = RunScript("idle\nticks 3 timeout=5000\n");
    EXPECT_EQ(run.exitCode, 0) << run.Text();
    EXPECT_FALSE(run.Has("step-failed")) << run.Text();
    HostRun none = RunHost({"data.hts", "--do", "ticks 1 timeout=300"}, folder_);
    EXPECT_TRUE(none.Has("step-failed 1 ticks line=-1 why=\"timeout after 0 ticks\""))
        << none.Text();
}

TEST_F(Scenario, ResizingAFullPageCallsSetWindowAgain) {
    HostRun run = RunHost(
        {"data.hts", "--do", "idle", "--do", "resize 300 200", "--do", "wait 200"}, folder_);
    EXPECT_EQ(run.exitCode, 0) << run.Text();
    ExpectOrder(run, {"call NPP_SetWindow #1 x=0 y=0 width=640 height=480", "step 2 resize",
                      "resize width=300 height=200",
                      "call NPP_SetWindow #1 x=0 y=0 width=300 height=200 -> 0"});
}

TEST_F(Scenario, OpenResolvesAgainstTheCurrentPageAndNavigationReplacesIt) {
    CreateDirectoryA((folder_ + "\\sub").c_str(), nullptr);
    WriteText(folder_ + "\\sub\\inner.htm", "<embed src=../data.hts>");
    HostRun run = RunScript("idle\nopen sub/inner.htm\nidle\n");
    ExpectOrder(run, {"call NPP_Destroy #1", "page-closed", "page \"file:///", "call NPP_New #2",
                      "call NPP_NewStream #2 stream=2 url=\"file:///"});
    EXPECT_NE(
        run.lines[run.Find("page \"file:///", run.Find("page-closed"))].find("/sub/inner.htm"),
        std::string::npos)
        << run.Text();
}

TEST_F(Scenario, FaultsCanBeSwitchedDuringARun) {
    WriteText(folder_ + "\\two.htm", "<embed src=data.hts><embed src=data.hts>");
    HostRun run =
        RunHost({"--do", "fail memalloc once", "--do", "open two.htm", "--do", "idle"}, folder_);
    ExpectOrder(run, {"fail memalloc once", "npn NPN_MemAlloc size=", "call NPP_New #1",
                      "npn NPN_MemAlloc size=", "call NPP_New #2"});
    EXPECT_NE(run.lines[run.Find("call NPP_New #1")].find("-> 5"), std::string::npos);
    EXPECT_NE(run.lines[run.Find("call NPP_New #2")].find("-> 0"), std::string::npos);
}

TEST_F(Scenario, FailedStepsAreLoggedAndSetTheExitCode) {
    HostRun run = RunScript("idle\nmenu First timeout=300\ndialog ok timeout=300\n"
                            "click 1 1 in=3\n");
    EXPECT_EQ(run.exitCode, 1) << run.Text();
    EXPECT_TRUE(run.Has("step-failed 2 menu line=2 why=\"no menu opened\"")) << run.Text();
    EXPECT_TRUE(run.Has("step-failed 3 dialog line=3 why=\"no dialog opened\""));
    EXPECT_TRUE(run.Has("step-failed 4 click line=4 why=\"no instance 3\""));
    EXPECT_TRUE(run.Has("scenario-end failures=3"));
}

TEST_F(Scenario, ABadScriptStopsBeforeAnythingRuns) {
    HostRun run = RunScript("idle\nclick here\n");
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_TRUE(run.Has("vemohost: script.txt: line 2: x wants a number from -100000 to 100000, "
                        "not \"here\""))
        << run.Text();
    EXPECT_FALSE(run.Has("load "));
}

TEST_F(Scenario, LogNotesAndCloseTearDownBeforeTheEnd) {
    HostRun run = RunScript("idle\nlog \"checkpoint one\"\nclose\nlog two\n");
    ExpectOrder(run, {"note \"checkpoint one\"", "call NPP_Destroy #1", "call NP_Shutdown",
                      "page-closed", "note \"two\"", "scenario-end failures=0", "exit"});
}

} // namespace
