// The link under the pointer: looked up once the drawing is complete, resolved against the
// page's base or the drawing's address, shown in the status line; kept while nothing can be
// looked up; refreshed by the render timer after the drawing became ready and after restarts.
#include "tests/interaction/LinkViewFixture.h"

namespace linktest {
namespace {

class HyperlinkHover : public LinkViewTest {};

struct Resolution {
    const char* what;
    const char* streamUrl;
    const char* base;
    const char* link;
    const char* expected;
};

const Resolution kResolutions[] = {
    {"relative to the drawing", "http://host/maps/town.vem", nullptr, "districts/market.html",
     "http://host/maps/districts/market.html"},
    {"up a folder", "http://host/maps/town.vem", nullptr, "../index.html#top",
     "http://host/index.html#top"},
    {"absolute link kept", "http://host/maps/town.vem", "http://base.example/dir/",
     "ftp://files.example/a.txt", "ftp://files.example/a.txt"},
    {"relative to the base attribute", "http://host/maps/town.vem", "http://base.example/dir/",
     "districts/market.html", "http://base.example/dir/districts/market.html"},
    {"fragment only", "http://host/maps/town.vem", nullptr, "#park",
     "http://host/maps/town.vem#park"},
};

TEST_F(HyperlinkHover, LinksResolveAgainstTheBaseOrTheDrawingsAddress) {
    for (const Resolution& r : kResolutions) {
        SCOPED_TRACE(r.what);
        PageSetup page;
        page.streamUrl = r.streamUrl;
        page.base = r.base;
        MakeView(page);
        ShowDrawing();
        renderer.hyperlink = r.link;
        PointerAt(100, 100);
        view->RefreshHover(100, 100);
        EXPECT_EQ(Hyperlink(), r.expected);
    }
}

// The renderer is asked at the document point under the pointer, with the view's matrix, a
// tolerance of two pixels and room for 256 characters.
TEST_F(HyperlinkHover, TheRendererIsAskedAtTheDocumentPoint) {
    MakeView();
    ShowDrawing();
    renderer.calls.clear();
    struct Point {
        int x, y;
        int32_t docX, docY;
    };
    for (Point p : {Point{200, 200, 150000, 150000}, Point{0, 0, 0, 300000},
                    Point{400, 400, 300000, 0}, Point{-20, 10, -15000, 292500}}) {
        view->RefreshHover(p.x, p.y);
        std::vector<RendererCall> asked = renderer.CallsTo(kSlotGetHyperlinkAt);
        ASSERT_EQ(asked.size(), 1u);
        EXPECT_EQ(asked[0].args, (std::vector<long long>{p.docX, p.docY, 16, 256}));
        EXPECT_EQ(memcmp(&asked[0].matrix, &view->matrix, sizeof(RenderMatrix)), 0);
        renderer.calls.clear();
    }
}

// The status line over the view, for each tool with and without a link.
TEST_F(HyperlinkHover, TheStatusLineShowsTheRowOfTheToolAndLink) {
    struct Row {
        int32_t tool;
        const char* link;
        const char* status;
    };
    const Row rows[] = {
        {kToolZoom, "",
         "Zoom: 100%. Click: Zoom in. SHIFT-click: Zoom out. Drag: Zoom to area. Right click: "
         "Menu."},
        {kToolZoom, "a.html",
         "Go to http://host/maps/a.html. CTRL-click: Zoom in. CTRL-SHIFT-click: Zoom out. Drag: "
         "AreaZoom. Right click: Menu."},
        {kToolPush, "", "Drag to move the page. Right click: Menu."},
        {kToolPush, "a.html",
         "Go to http://host/maps/a.html. Drag to move the page. Right click: "
         "Menu."},
        {kToolNone, "", "Right click: Menu."},
        {kToolNone, "a.html", "Go to http://host/maps/a.html. Right click: Menu."},
    };
    MakeView();
    ShowDrawing();
    EXPECT_EQ(view->zoomPercent, 100);
    PointerAt(50, 60);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.status);
        view->tool = row.tool;
        renderer.hyperlink = row.link;
        Browser().statusTexts.clear();
        view->RefreshHover(50, 60);
        ASSERT_EQ(Browser().statusTexts.size(), 1u);
        EXPECT_EQ(LastStatus(), row.status);
    }
}

// Outside the view the status line keeps what it had; the link is still looked up.
TEST_F(HyperlinkHover, ThePointerOutsideTheViewLeavesTheStatusLineAlone) {
    MakeView();
    ShowDrawing();
    renderer.hyperlink = "a.html";
    PointerOutside();
    Browser().statusTexts.clear();
    view->RefreshHover(100, 100);
    EXPECT_TRUE(Browser().statusTexts.empty());
    EXPECT_EQ(Hyperlink(), "http://host/maps/a.html");
    view->UpdateStatusLine();
    EXPECT_TRUE(Browser().statusTexts.empty());
}

// Before the drawing is complete nothing is looked up and the link stays; cursor and status
// line still follow.
TEST_F(HyperlinkHover, BeforeTheDrawingIsReadyTheLinkIsKept) {
    MakeView();
    ShowDrawing(0x10);
    ASSERT_EQ(view->documentReady, 0);
    view->hyperlink = "http://kept.example/";
    renderer.hyperlink = "other.html";
    renderer.calls.clear();
    PointerAt(10, 10);
    Browser().statusTexts.clear();
    view->RefreshHover(10, 10);
    EXPECT_EQ(renderer.CountOf(kSlotGetHyperlinkAt), 0);
    EXPECT_EQ(Hyperlink(), "http://kept.example/");
    EXPECT_EQ(LastStatus(), "Go to http://kept.example/. CTRL-click: Zoom in. CTRL-SHIFT-click: "
                            "Zoom out. Drag: AreaZoom. Right click: Menu.");
}

// Without a display stream a link cannot be resolved: the last one stays. An empty answer
// clears it all the same.
TEST_F(HyperlinkHover, WithoutTheDrawingsAddressOnlyClearingWorks) {
    PageSetup page;
    page.streamUrl = nullptr;
    MakeView(page);
    ShowDrawing();
    view->hyperlink = "http://kept.example/";
    renderer.hyperlink = "a.html";
    view->RefreshHover(100, 100);
    EXPECT_EQ(Hyperlink(), "http://kept.example/");
    renderer.hyperlink = "";
    view->RefreshHover(100, 100);
    EXPECT_EQ(view->hyperlink.length, 0);
}

// What the renderer reports as the length decides where the text ends.
TEST_F(HyperlinkHover, TheReportedLengthEndsTheLinkText) {
    const std::string longLink = "http://h/" + std::string(291, 'a'); // 300 characters
    struct Case {
        const char* what;
        std::string link;
        bool claim;
        LONG length;
        std::string expected;
    };
    const Case cases[] = {
        {"300 characters give the first 256", longLink, false, 0, longLink.substr(0, 256)},
        {"exactly 256", longLink.substr(0, 256), false, 0, longLink.substr(0, 256)},
        {"a shorter length cuts the text", "http://h/abcdef", true, 12, "http://h/abc"},
        {"length 0 is no link", "http://h/abcdef", true, 0, ""},
        {"a negative length is no link", "http://h/abcdef", true, -7, ""},
        {"a huge length stops at 256", longLink, true, 0x7FFFFFFF, longLink.substr(0, 256)},
    };
    MakeView();
    ShowDrawing();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        view->hyperlink = "http://before.example/";
        renderer.hyperlink = c.link;
        renderer.claimLength = c.claim;
        renderer.reportedLength = c.length;
        view->RefreshHover(5, 5);
        EXPECT_EQ(Hyperlink(), c.expected);
    }
}

// Without a current view there is nothing to ask: the answer is "no link".
TEST_F(HyperlinkHover, NoViewMeansNoLink) {
    MakeView();
    view->documentReady = 1;
    view->hyperlink = "http://before.example/";
    renderer.hyperlink = "a.html";
    view->RefreshHover(5, 5);
    EXPECT_EQ(renderer.CountOf(kSlotGetHyperlinkAt), 0);
    EXPECT_EQ(view->hyperlink.length, 0);
}

// The timer looks the link up once when the drawing becomes complete and once after each
// restart, at the pointer's position.
TEST_F(HyperlinkHover, TheTimerRefreshesAfterReadyAndAfterEachRestart) {
    MakeView();
    renderer.hyperlink = "districts/market.html";
    PointerAt(120, 80);
    renderer.SetDefault(kSlotRenderSlice, 0x10);
    view->AttachRenderer(&renderer);
    view->RestartRendering();
    view->RenderTimerTick();
    view->RenderTimerTick();
    EXPECT_EQ(renderer.CountOf(kSlotGetHyperlinkAt), 0) << "not ready yet";
    EXPECT_EQ(view->hyperlink.length, 0);

    renderer.Queue(kSlotRenderSlice, {0x18});
    Browser().statusTexts.clear();
    view->RenderTimerTick();
    ASSERT_EQ(renderer.CountOf(kSlotGetHyperlinkAt), 1);
    std::vector<RendererCall> asked = renderer.CallsTo(kSlotGetHyperlinkAt);
    EXPECT_EQ(asked[0].args[0], 120 * 750);
    EXPECT_EQ(asked[0].args[1], 300000 - 80 * 750);
    EXPECT_EQ(Hyperlink(), "http://host/maps/districts/market.html");
    EXPECT_EQ(LastStatus(), "Go to http://host/maps/districts/market.html. CTRL-click: Zoom in. "
                            "CTRL-SHIFT-click: Zoom out. Drag: AreaZoom. Right click: Menu.");

    view->RenderTimerTick();
    view->RenderTimerTick();
    EXPECT_EQ(renderer.CountOf(kSlotGetHyperlinkAt), 1) << "once per readiness";

    // A view change: the pointer now lies over no link.
    renderer.hyperlink = "";
    view->RestartRendering();
    view->RenderTimerTick();
    EXPECT_EQ(renderer.CountOf(kSlotGetHyperlinkAt), 2);
    EXPECT_EQ(view->hyperlink.length, 0);
    EXPECT_EQ(LastStatus(), "Zoom: 100%. Click: Zoom in. SHIFT-click: Zoom out. Drag: Zoom to "
                            "area. Right click: Menu.");

    // Also with the pointer outside the view, where the status line is left alone.
    renderer.hyperlink = "b.html";
    PointerOutside();
    Browser().statusTexts.clear();
    view->RestartRendering();
    view->RenderTimerTick();
    EXPECT_EQ(renderer.CountOf(kSlotGetHyperlinkAt), 3);
    EXPECT_EQ(Hyperlink(), "http://host/maps/b.html");
    EXPECT_TRUE(Browser().statusTexts.empty());
}

// A long address still gives a status text within its area.
TEST_F(HyperlinkHover, ALongAddressIsCutInTheStatusLine) {
    MakeView();
    ShowDrawing();
    view->tool = kToolPush;
    renderer.hyperlink = "http://h/" + std::string(247, 'q');
    PointerAt(30, 30);
    view->RefreshHover(30, 30);
    EXPECT_EQ(view->hyperlink.length, 256);
    std::string status = LastStatus();
    EXPECT_EQ(status.size(), 263u);
    EXPECT_EQ(status.substr(0, 15), "Go to http://h/");
    EXPECT_NE(status.find("qqq.... Drag to move the page. Right click: Menu."), std::string::npos)
        << status;
}

} // namespace
} // namespace linktest
