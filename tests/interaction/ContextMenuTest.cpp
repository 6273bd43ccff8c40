// The context menu as the reader sees it: its items read from the open menu, greyed and marked
// from the view and the page; each command's effect; no menu during a drag; the keyboard's
// context menu placed at the pointer or the window's corner.
#include "tests/interaction/LinkViewFixture.h"
#include "tests/interaction/MenuProbe.h"

namespace linktest {
namespace {

class ContextMenu : public LinkViewTest {
protected:
    // Opens the menu as a right click at window point (x, y) does; returns when it closed.
    void RightClickMenu(int x = 40, int y = 40) {
        POINT p{x, y};
        ClientToScreen(browser->child, &p);
        Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(browser->child), MAKELPARAM(p.x, p.y));
        viewtest::PumpFor(50); // the chosen command arrives as a posted WM_COMMAND
    }
};

const std::vector<UINT> kStateOrder = {kCmdZoomTool,      kCmdPushTool, kCmdPreviousZoom,
                                       kCmdDefaultView,   kCmdFullView, kCmdSmoothed,
                                       kCmdSaveGraphicAs, kCmdAbout,    kCmdGoToVemo};

TEST_F(ContextMenu, ItHoldsTheViewsCommandsInOrder) {
    MakeView();
    ShowDrawing();
    MenuProbe probe;
    RightClickMenu();
    ASSERT_EQ(probe.opened, 1);
    struct Expected {
        const char* text;
        UINT id;
    };
    const Expected expected[] = {
        {"Zoom Tool", 32773},
        {"Push Tool", 32774},
        {"", 0},
        {"Previous Zoom", 32775},
        {"Default View", 32776},
        {"Full View", 32777},
        {"", 0},
        {"Smoothed", 32779},
        {"", 0},
        {"Save Graphic As...", 32804},
        {"About...", 32788},
        {"Go to Vemo", 32803},
    };
    ASSERT_EQ(probe.items.size(), 12u);
    for (size_t i = 0; i < 12; ++i) {
        SCOPED_TRACE(i + 1);
        EXPECT_EQ(probe.items[i].separator, expected[i].id == 0);
        EXPECT_EQ(probe.items[i].text, expected[i].text);
        if (expected[i].id != 0) {
            EXPECT_EQ(probe.items[i].id, expected[i].id);
        }
    }
}

struct StateCase {
    const char* what;
    PageSetup page;
    bool showDrawing;   // the renderer supplied the default view
    bool clickedBefore; // a previous view exists
    int32_t tool;       // set before opening; -1 keeps the view's
    int32_t smoothed;
    const char* states; // zoom push prev default full smooth save about vemo
    int32_t toolAfter;
};

PageSetup Page(bool zoomPan, bool fileAccess, uint16_t mode) {
    PageSetup page;
    page.zoomPan = zoomPan;
    page.fileAccess = fileAccess;
    page.mode = mode;
    return page;
}

TEST_F(ContextMenu, ItemsAreGreyedAndMarkedFromTheViewAndThePage) {
    const StateCase cases[] = {
        {"fresh embedded drawing", Page(true, true, NP_EMBED), true, false, -1, 1, "c.g..c...",
         kToolZoom},
        {"after a view change", Page(true, true, NP_EMBED), true, true, -1, 1, "c....c...",
         kToolZoom},
        {"push tool, not smoothed", Page(true, true, NP_EMBED), true, true, kToolPush, 0,
         ".c.......", kToolPush},
        {"default view not known", Page(true, true, NP_EMBED), false, false, -1, 1, "gggg.c...",
         kToolNone},
        {"zoompan false", Page(false, true, NP_EMBED), true, true, kToolZoom, 1, "gggg.c...",
         kToolNone},
        {"fileaccess false", Page(true, false, NP_EMBED), true, true, -1, 1, "c...gcg..",
         kToolZoom},
        {"full page", Page(true, true, NP_FULL), true, true, -1, 1, "c...gc...", kToolZoom},
    };
    for (const StateCase& c : cases) {
        SCOPED_TRACE(c.what);
        MakeView(c.page);
        if (c.showDrawing) {
            ShowDrawing();
        }
        if (c.clickedBefore) {
            view->previousView = view->currentView;
        }
        if (c.tool >= 0) {
            view->tool = c.tool;
        }
        view->smoothed = c.smoothed;
        MenuProbe probe;
        RightClickMenu();
        ASSERT_EQ(probe.opened, 1);
        EXPECT_EQ(probe.States(kStateOrder), c.states);
        EXPECT_EQ(view->tool, c.toolAfter);
    }
}

// Each opening starts from the resource: a state shown once does not stay.
TEST_F(ContextMenu, StatesDoNotCarryOverBetweenOpenings) {
    PageSetup page;
    page.fileAccess = false;
    MakeView(page);
    ShowDrawing();
    {
        MenuProbe probe;
        RightClickMenu();
        EXPECT_EQ(probe.States(kStateOrder), "c.g.gcg..");
    }
    document->fileAccessAllowed = 1;
    view->previousView = view->currentView;
    view->smoothed = 0;
    view->tool = kToolPush;
    MenuProbe probe;
    RightClickMenu();
    EXPECT_EQ(probe.States(kStateOrder), ".c.......");
}

TEST_F(ContextMenu, NoMenuOpensDuringADrag) {
    MakeView();
    ShowDrawing();
    for (int32_t dragging : {1, 0}) {
        SCOPED_TRACE(dragging);
        view->dragging = dragging;
        MenuProbe probe;
        EXPECT_EQ(
            Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(browser->child), MAKELPARAM(60, 60)), 0);
        viewtest::PumpFor(100);
        EXPECT_EQ(probe.opened, dragging ? 0 : 1);
    }
}

// Shift+F10 or the menu key: the message carries (-1, -1).
TEST_F(ContextMenu, TheKeyboardsMenuOpensAtThePointerOrTheCorner) {
    MakeView();
    ShowDrawing();
    struct Case {
        const char* what;
        bool inside;
    };
    for (Case c : {Case{"pointer over the view", true}, Case{"pointer elsewhere", false}}) {
        SCOPED_TRACE(c.what);
        POINT expected{0, 0};
        if (c.inside) {
            PointerAt(150, 120);
            expected = POINT{150, 120};
        } else {
            PointerOutside();
        }
        ClientToScreen(browser->child, &expected);
        MenuProbe probe;
        Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(browser->child), LPARAM(-1));
        ASSERT_EQ(probe.opened, 1);
        EXPECT_EQ(probe.where.left, expected.x);
        EXPECT_EQ(probe.where.top, expected.y);
    }
}

// Choosing an item through the open menu runs its command.
TEST_F(ContextMenu, ChosenItemsRunTheirCommands) {
    MakeView();
    ShowDrawing();
    ASSERT_EQ(view->tool, kToolZoom);
    {
        MenuProbe probe(kCmdPushTool);
        RightClickMenu();
    }
    EXPECT_EQ(view->tool, kToolPush);
    {
        MenuProbe probe(kCmdZoomTool);
        RightClickMenu();
    }
    EXPECT_EQ(view->tool, kToolZoom);
    {
        MenuProbe probe(kCmdGoToVemo);
        RightClickMenu();
    }
    ASSERT_EQ(Browser().urls.size(), 1u);
    EXPECT_EQ(Browser().urls[0].url, "http://www.vemo.example/plugin/index.html");
    {
        MenuProbe probe(kCmdSmoothed);
        RightClickMenu();
    }
    EXPECT_EQ(view->smoothed, 0);
}

// The commands as WM_COMMAND delivers them.
TEST_F(ContextMenu, ToolCommandsSetTheTool) {
    struct Case {
        bool zoomPan;
        WPARAM command;
        int32_t tool;
    };
    const Case cases[] = {
        {true, kCmdPushTool, kToolPush},
        {true, kCmdZoomTool, kToolZoom},
        {false, kCmdZoomTool, kToolNone}, // the page forbids zooming: no tool, whatever comes
        {false, kCmdPushTool, kToolNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        PageSetup page;
        page.zoomPan = c.zoomPan;
        MakeView(page);
        ShowDrawing();
        EXPECT_EQ(Send(WM_COMMAND, c.command), 0);
        EXPECT_EQ(view->tool, c.tool);
    }
}

TEST_F(ContextMenu, SmoothedTogglesAndRestartsEachTime) {
    MakeView();
    ShowDrawing();
    ASSERT_EQ(view->smoothed, 1);
    for (int32_t expected : {0, 1}) {
        renderer.calls.clear();
        EXPECT_EQ(Send(WM_COMMAND, kCmdSmoothed), 0);
        EXPECT_EQ(view->smoothed, expected);
        std::vector<RendererCall> made = renderer.CallsTo(kSlotCreateRenderContext);
        ASSERT_EQ(made.size(), 1u) << "one restart";
        EXPECT_EQ(made[0].args[2], expected) << "the new tile renders with the new setting";
    }
}

// "Previous Zoom" and "Default View" through the window procedure.
TEST_F(ContextMenu, ViewCommandsExchangeAndRestoreViews) {
    MakeView();
    ShowDrawing();
    const DocRect zoomed{100000, 100000, 200000, 200000};
    view->currentView = zoomed;
    Send(WM_COMMAND, kCmdDefaultView);
    EXPECT_EQ(Corners(view->currentView), Corners(kView));
    EXPECT_EQ(Corners(view->previousView), Corners(zoomed));
    EXPECT_EQ(view->zoomPercent, 100);
    Send(WM_COMMAND, kCmdPreviousZoom);
    EXPECT_EQ(Corners(view->currentView), Corners(zoomed));
    EXPECT_EQ(Corners(view->previousView), Corners(kView));
    EXPECT_EQ(view->zoomPercent, 300);
    Send(WM_COMMAND, kCmdPreviousZoom);
    EXPECT_EQ(Corners(view->currentView), Corners(kView));
}

} // namespace
} // namespace linktest
