// The plug-in in a browser of today, end to end through the stand-in's --modern mode: embedded
// printing gives the same page as in a 0.6-era browser; and the stand-in itself reads the About
// box as the dialog it is and follows a link clicked with separate press and release steps.
#include "support/HostScenario.h"

#include <set>

#include "host/Bitmap.h"

namespace {

class TodaysBrowsers : public HostScenarioTest {
protected:
    bool ReadImage(const std::string& name, vemohost::Image& image) {
        std::vector<uint8_t> bytes;
        return testfiles::ReadBytes(In(name), bytes) &&
               vemohost::DecodeBmp(bytes.data(), bytes.size(), image);
    }
};

TEST_F(TodaysBrowsers, EmbeddedPrintingGivesTheSamePageInBothLayouts) {
    const struct {
        const char* options;
        const char* file;
        const char* browser;
    } modes[] = {
        {"", "print-0.9.bmp", "browser version=0.9 "},
        {"--modern", "print-0.27.bmp", "browser version=0.27 "},
    };
    vemohost::Image pages[2];
    for (int i = 0; i < 2; ++i) {
        HostLog log = Show(Example("town-map.vem"), "town-map.vem",
                           {"idle", "ticks 2", std::string("print ") + modes[i].file + " scale=2"},
                           modes[i].options);
        EXPECT_EQ(log.exitCode, 0u) << log.Text();
        EXPECT_EQ(log.Count(modes[i].browser), 1) << log.Text();
        EXPECT_EQ(log.Count("call NPP_Print #1 mode=embed"), 1) << log.Text();
        ASSERT_TRUE(ReadImage(modes[i].file, pages[i])) << modes[i].file;
    }
    ASSERT_EQ(pages[0].width, pages[1].width);
    ASSERT_EQ(pages[0].height, pages[1].height);
    EXPECT_TRUE(pages[0].pixels == pages[1].pixels) << "the two printed pages differ";
    // The drawing is on the page, not only the frame of an unprinted instance.
    std::set<uint32_t> colours(pages[1].pixels.begin(), pages[1].pixels.end());
    EXPECT_GT(colours.size(), 50u);
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

// A release on a district navigates to its page; the "up" step that made it still succeeds.
TEST_F(TodaysBrowsers, TheReleaseThatFollowsALinkIsAStepLikeAnyOther) {
    testfiles::WriteBytes(In("town-map.vem"), Example("town-map.vem"));
    CreateDirectoryA(In("districts").c_str(), nullptr);
    testfiles::WriteBytes(In("districts\\market.html"), Example("districts/market.html"));
    testfiles::WriteBytes(In("map.html"), "<html><body><embed src=\"town-map.vem\" width=\"640\" "
                                          "height=\"480\" viewport=\"0 0 576000 432000\">"
                                          "</body></html>");
    HostLog log = RunSteps({"open map.html", "idle", "ticks 6", "move 556 113", "ticks 1",
                            "down 556 113", "up 556 113", "wait 500"},
                           "--size 700x600");
    EXPECT_EQ(log.exitCode, 0u) << log.Text();
    EXPECT_EQ(log.Count("step-failed"), 0) << log.Text();
    EXPECT_EQ(log.Count("page \""), 2) << log.Text();
    EXPECT_NE(log.Starting("page \"").back().find("market.html\" title=\"Market\""),
              std::string::npos)
        << log.Text();
}

} // namespace
