// Going to an address: the browser is asked to show it in the plug-in's own page; a refused
// request shows the error box with the maker's page address. "Full View" and "Go to Vemo" ask
// only once the drawing's address is known.
#include "tests/interaction/LinkViewFixture.h"

namespace linktest {
namespace {

class PageNavigation : public LinkViewTest {};

constexpr const char* kMakerPage = "http://www.vemo.example/plugin/index.html";
constexpr const char* kErrorCaption = "Error from Vemo graphic plug-in";

// Only the low 16 bits of the browser's answer count.
TEST_F(PageNavigation, ARefusedRequestShowsTheErrorBox) {
    struct Case {
        NPError answer;
        bool box;
    };
    const Case cases[] = {
        {NPERR_NO_ERROR, false},   {NPERR_GENERIC_ERROR, true}, {NPERR_INVALID_URL, true},
        {NPError(0x10000), false}, {NPError(0x10001), true},
    };
    MakeView();
    ShowDrawing();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        Browser().urls.clear();
        Browser().getUrlResult = c.answer;
        MessageBoxRecorder boxes;
        view->NavigatePage(TextBuffer("http://host/maps/districts/market.html"));
        ASSERT_EQ(Browser().urls.size(), 1u);
        EXPECT_EQ(Browser().urls[0].url, "http://host/maps/districts/market.html");
        EXPECT_EQ(Browser().urls[0].target, "_self");
        EXPECT_EQ(Browser().urls[0].instance, &npp);
        ASSERT_EQ(boxes.boxes.size(), c.box ? 1u : 0u);
        if (c.box) {
            EXPECT_EQ(boxes.boxes[0].caption, kErrorCaption);
            EXPECT_EQ(boxes.boxes[0].text, kMakerPage);
            // Owned by the page: a box's owner is the top-level window of the view's window.
            EXPECT_EQ(boxes.boxes[0].owner, browser->frame);
        }
    }
}

// The link under the pointer stays current after a refused request.
TEST_F(PageNavigation, TheLinkStaysAfterAFailure) {
    MakeView();
    ShowDrawing();
    renderer.hyperlink = "districts/market.html";
    view->RefreshHover(10, 10);
    Browser().getUrlResult = NPERR_GENERIC_ERROR;
    MessageBoxRecorder boxes;
    view->NavigatePage(view->hyperlink);
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(std::string(view->hyperlink.text), "http://host/maps/districts/market.html");
}

// A browser table without the request entry cannot take the request: that is a failure.
TEST_F(PageNavigation, ABrowserWithoutRequestsFailsTheRequest) {
    MakeView();
    ShowDrawing();
    Browser().table.geturl = nullptr;
    Browser().table.status = nullptr;
    MessageBoxRecorder boxes;
    view->NavigatePage(TextBuffer("http://host/a.html"));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kMakerPage});
    PointerAt(10, 10);
    view->UpdateStatusLine(); // no status entry: nothing to write to
}

struct CommandCase {
    const char* what;
    const char* streamUrl;
    WPARAM command;
    const char* requested; // null: no request
};

TEST_F(PageNavigation, FullViewAndGoToVemoNeedTheDrawingsAddress) {
    const CommandCase cases[] = {
        {"full view", "http://host/maps/town.vem", kCmdFullView, "http://host/maps/town.vem"},
        {"full view before the stream", nullptr, kCmdFullView, nullptr},
        {"go to vemo", "http://host/maps/town.vem", kCmdGoToVemo, kMakerPage},
        {"go to vemo before the stream", nullptr, kCmdGoToVemo, nullptr},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.what);
        PageSetup page;
        page.streamUrl = c.streamUrl;
        MakeView(page);
        Browser().urls.clear();
        MessageBoxRecorder boxes;
        EXPECT_EQ(Send(WM_COMMAND, c.command), 0);
        if (c.requested == nullptr) {
            EXPECT_TRUE(Browser().urls.empty());
        } else {
            ASSERT_EQ(Browser().urls.size(), 1u);
            EXPECT_EQ(Browser().urls[0].url, c.requested);
            EXPECT_EQ(Browser().urls[0].target, "_self");
        }
        EXPECT_TRUE(boxes.boxes.empty());
    }
}

// A refused "Full View" or "Go to Vemo" shows the same box as a refused link.
TEST_F(PageNavigation, RefusedCommandsShowTheSameBox) {
    for (WPARAM command : {kCmdFullView, kCmdGoToVemo}) {
        SCOPED_TRACE(command);
        MakeView();
        Browser().getUrlResult = NPERR_GENERIC_ERROR;
        MessageBoxRecorder boxes;
        Send(WM_COMMAND, command);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].caption, kErrorCaption);
        EXPECT_EQ(boxes.boxes[0].text, kMakerPage);
    }
}

} // namespace
} // namespace linktest
