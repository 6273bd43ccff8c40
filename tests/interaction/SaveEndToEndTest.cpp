// "Save Graphic As..." end to end: chosen from the context menu in the browser stand-in, the
// save dialog answered with a path, the drawing fetched again and written byte for byte.
#include "support/HostScenario.h"

namespace {

class SaveEndToEnd : public HostScenarioTest {};

TEST_F(SaveEndToEnd, MenuSavesTheDrawingByteForByte) {
    std::string drawing = Example("town-map.vem");
    ASSERT_GT(drawing.size(), 8u);
    std::string target = folder + "\\saved-town-map.vem";
    HostLog log = Show(drawing, "town-map.vem",
                       {"idle", "ticks 2", "click 100 80 right", "menu \"Save Graphic As...\"",
                        "dialog file " + target, "idle", "wait 300"});
    EXPECT_EQ(log.exitCode, 0u) << log.Text();
    ASSERT_EQ(log.Count("geturl "), 1) << log.Text();
    EXPECT_NE(log.Starting("geturl ")[0].find("town-map.vem\" target=null"), std::string::npos)
        << log.Starting("geturl ")[0];
    EXPECT_EQ(testfiles::ReadText(target), drawing);
    EXPECT_EQ(log.Count("messagebox"), 0) << log.Text();
}

TEST_F(SaveEndToEnd, CancelledDialogFetchesNothing) {
    HostLog log = Show(
        Example("town-map.vem"), "town-map.vem",
        {"idle", "click 100 80 right", "menu \"Save Graphic As...\"", "dialog cancel", "wait 300"});
    EXPECT_EQ(log.exitCode, 0u) << log.Text();
    EXPECT_EQ(log.Count("geturl "), 0) << log.Text();
    EXPECT_EQ(log.Count("dialog-answer"), 1) << log.Text();
}

} // namespace
