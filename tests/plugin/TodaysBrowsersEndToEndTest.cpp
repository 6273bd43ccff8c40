// The plug-in in a browser of today, end to end through the stand-in's --modern mode: embedded
// printing gives the same page as in a browser of the plug-in's time; and the stand-in reads the
// About box as the dialog it is, and dismisses a failure box that comes up while the page named
// on its command line opens. (A release that follows a link is a step like any other:
// LinksEndToEndTest.)
#include "support/HostScenario.h"

namespace {

class TodaysBrowsers : public HostScenarioTest {};

TEST_F(TodaysBrowsers, EmbeddedPrintingGivesTheSamePageInBothLayouts) {
    const struct {
        const char* options;
        const char* file;
        const char* browser;
    } modes[] = {
        {"", "print-0.9.bmp", "browser version=0.9 "},
        {"--modern", "print-0.27.bmp", "browser version=0.27 "},
    };
    testfiles::Picture pages[2];
    for (int i = 0; i < 2; ++i) {
        HostLog log = Show(Example("town-map.vem"), "town-map.vem",
                           {"idle", "ticks 2", std::string("print ") + modes[i].file + " scale=2"},
                           modes[i].options);
        EXPECT_EQ(log.exitCode, 0u) << log.Text();
        EXPECT_EQ(log.Count(modes[i].browser), 1) << log.Text();
        EXPECT_EQ(log.Count("call NPP_Print #1 mode=embed"), 1) << log.Text();
        pages[i] = Capture(modes[i].file);
    }
    ASSERT_EQ(pages[0].width, pages[1].width);
    ASSERT_EQ(pages[0].height, pages[1].height);
    EXPECT_EQ(testfiles::Differing(pages[0], pages[1]), 0) << "the two printed pages differ";
    // The drawing is on the page (on 480 x 360 printer pixels), not only the frame of an
    // instance printed without its picture.
    EXPECT_GT(testfiles::Features(pages[1]), 50000);
}

// The About box has a label with the id -1, as message boxes have their text; it is still a
// dialog, which stays open until a step answers it.
TEST_F(TodaysBrowsers, TheAboutBoxIsADialogAScenarioReadsAndAnswers) {
    HostLog log = Show(Example("town-map.vem"), "town-map.vem",
                       {"idle", "ticks 2", "click 100 80 right", "menu \"About...\"", "wait 700",
                        "dialog button OK"});
    EXPECT_EQ(log.exitCode, 0u) << log.Text();
    EXPECT_EQ(log.Count("messagebox"), 0) << log.Text();
    EXPECT_EQ(log.Count("dialog \"About Vemo graphic plug-in\""), 1) << log.Text();
    EXPECT_EQ(log.Count("dialog-control #1003 Static \"2.0\""), 1) << log.Text();
    EXPECT_EQ(log.Count("dialog-answer \"About Vemo graphic plug-in\" button=\"OK\" id=1"), 1)
        << log.Text();
}

// Without the renderer component the plug-in's error box comes up inside the first stream,
// while the page given on the command line opens: the scenario still dismisses it and goes on.
TEST_F(TodaysBrowsers, ABoxWhileTheCommandLinesPageOpensIsDismissed) {
    testfiles::WriteBytes(In("town-map.vem"), Example("town-map.vem"));
    testfiles::WriteBytes(In("page.html"), "<html><body><embed src=\"town-map.vem\" width=\"240\" "
                                           "height=\"180\"></body></html>");
    ASSERT_TRUE(RegisterRenderer(false));
    HostLog log = Run({"wait 500"}, "\"" + In("page.html") + "\"");
    EXPECT_TRUE(RegisterRenderer(true));
    EXPECT_EQ(log.exitCode, 0u) << log.Text();
    EXPECT_EQ(log.Count("messagebox \"Error from Vemo graphic plug-in\""), 1) << log.Text();
    EXPECT_EQ(log.Count("messagebox-dismissed \"Error from Vemo graphic plug-in\""), 1)
        << log.Text();
}

} // namespace
