// The mouse tools under Wine: press, move and release messages as data with each tool and the
// keys, the drag and capture states, Escape, the cursor actually set, and the inverted frame.
#include <vector>

#include "tests/interaction/ToolsFixture.h"

namespace toolstest {
namespace {

constexpr int kSide = 400;
// At 100 percent a 400-pixel window shows 300000 units: window (x, y) is document
// (750 x, 300000 - 750 y).
constexpr DocRect kFirstView{0, 0, 300000, 300000};
constexpr DocRect kNotSet{0, 0, INT32_MIN, 0};

enum StepKind { kDown, kMove, kUp, kEscapeDown, kEscapeUp };

struct Step {
    StepKind kind;
    int x, y;
    WPARAM keys;
};

Step Down(int x, int y, WPARAM keys = MK_LBUTTON) {
    return Step{kDown, x, y, keys};
}
Step Move(int x, int y, WPARAM keys = MK_LBUTTON) {
    return Step{kMove, x, y, keys};
}
Step Up(int x, int y, WPARAM keys = 0) {
    return Step{kUp, x, y, keys};
}
Step EscapeDown() {
    return Step{kEscapeDown, 0, 0, 0};
}
Step EscapeUp() {
    return Step{kEscapeUp, 0, 0, 0};
}

struct Sequence {
    const char* name;
    int32_t tool;
    const char* link; // the hyperlink under the pointer, "" for none
    std::vector<Step> steps;
    // What the steps leave.
    DocRect view;
    int32_t zoom;
    int32_t dragging;
    int32_t cancelled;
    int contexts;  // render contexts made: one per restart, one per tile a push queues
    int links = 0; // requests to the browser for the link, in the plug-in's own page
};

class MouseTools : public ToolsFixture {
protected:
    // Runs the steps; checks that every press copied the view into previousView and that the
    // mouse is captured exactly while dragging.
    void Run(const Sequence& s) {
        ShowView(kSide, kSide, kFirstView);
        view->tool = s.tool;
        view->hyperlink = s.link;
        size_t contextsBefore = renderer.contexts.size();
        DocRect pressed = kNotSet;
        for (const Step& step : s.steps) {
            LPARAM at = MAKELPARAM(step.x, step.y);
            switch (step.kind) {
            case kDown:
                pressed = view->currentView;
                Send(WM_LBUTTONDOWN, step.keys, at);
                EXPECT_TRUE(view->previousView == pressed) << s.name;
                EXPECT_EQ(view->dragCancelled, 0) << s.name << ": a press clears the cancel";
                break;
            case kMove:
                Send(WM_MOUSEMOVE, step.keys, at);
                break;
            case kUp:
                Send(WM_LBUTTONUP, step.keys, at);
                break;
            case kEscapeDown:
                PressKey(VK_ESCAPE, true);
                break;
            case kEscapeUp:
                PressKey(VK_ESCAPE, false);
                break;
            }
            EXPECT_EQ(GetCapture() == browser->child, view->dragging == 1)
                << s.name << ": captured exactly while dragging";
        }
        EXPECT_TRUE(view->currentView == s.view)
            << s.name << ": view (" << view->currentView.x0 << ", " << view->currentView.y0 << ", "
            << view->currentView.x1 << ", " << view->currentView.y1 << ")";
        EXPECT_EQ(view->zoomPercent, s.zoom) << s.name;
        EXPECT_EQ(view->dragging, s.dragging) << s.name;
        EXPECT_EQ(view->dragCancelled, s.cancelled) << s.name;
        EXPECT_EQ(int(renderer.contexts.size() - contextsBefore), s.contexts) << s.name;
        const std::vector<TestBrowser::UrlRequest>& urls = TestBrowser::Get().urls;
        ASSERT_EQ(int(urls.size()), s.links) << s.name;
        for (const TestBrowser::UrlRequest& request : urls) {
            EXPECT_EQ(request.instance, &browserInstance) << s.name;
            EXPECT_EQ(request.url, s.link) << s.name;
            EXPECT_EQ(request.target, "_self") << s.name;
        }
        EXPECT_TRUE(view->previousView == pressed) << s.name << ": the view before the last press";
    }
};

// Zoomed in to 200 percent at window (100, 100): 150000 units wide around (75000, 225000).
constexpr DocRect kInAt100{0, 150000, 150000, 300000};

TEST_F(MouseTools, ZoomToolClicksAndDrags) {
    // clang-format off
    // name, tool, link, steps; then view, zoom, dragging, cancelled, contexts, links
    const Sequence sequences[] = {
        {"click zooms in at the point", kToolZoom, "", {Down(100, 100), Up(100, 100)},
         kInAt100, 200, 0, 0, 1},
        {"shift click zooms out", kToolZoom, "",
         {Down(100, 100, MK_LBUTTON | MK_SHIFT), Up(100, 100, MK_SHIFT)},
         DocRect{-125000, 25000, 275000, 425000}, 75, 0, 0, 1},
        {"ctrl click zooms in", kToolZoom, "",
         {Down(100, 100, MK_LBUTTON | MK_CONTROL), Up(100, 100, MK_CONTROL)},
         kInAt100, 200, 0, 0, 1},
        {"the release point is the centre", kToolZoom, "", {Down(100, 100), Up(300, 300)},
         DocRect{150000, 0, 300000, 150000}, 200, 0, 0, 1},
        {"a drag zooms to the area", kToolZoom, "",
         {Down(100, 100), Move(200, 150), Move(300, 300), Up(300, 300)},
         DocRect{75000, 75000, 225000, 225000}, 200, 0, 0, 1},
        {"a drag backwards zooms to the same area", kToolZoom, "",
         {Down(300, 300), Move(100, 100), Up(100, 100)},
         DocRect{75000, 75000, 225000, 225000}, 200, 0, 0, 1},
        {"a horizontal drag is a click at the press point", kToolZoom, "",
         {Down(100, 100), Move(200, 100), Up(200, 100)}, kInAt100, 200, 0, 0, 1},
        {"a one-pixel move on a link zooms at the press point", kToolZoom, "http://a/b.html",
         {Down(100, 100), Move(101, 100), Up(101, 100)}, kInAt100, 200, 0, 0, 1},
        {"a drag in progress", kToolZoom, "", {Down(100, 100), Move(150, 150)},
         kFirstView, 100, 1, 0, 0},
        {"a click on a link goes there instead of zooming", kToolZoom, "http://a/b.html",
         {Down(100, 100), Up(100, 100)}, kFirstView, 100, 0, 0, 0, 1},
        {"a ctrl click on a link zooms", kToolZoom, "http://a/b.html",
         {Down(100, 100, MK_LBUTTON | MK_CONTROL), Up(100, 100, MK_CONTROL)},
         kInAt100, 200, 0, 0, 1},
    };
    // clang-format on
    for (const Sequence& s : sequences) {
        Run(s);
        TearDown();
        SetUp();
    }
}

TEST_F(MouseTools, EscapeCancelsUntilTheNextPress) {
    // clang-format off
    const Sequence sequences[] = {
        {"escape ends the zoom drag at the next move", kToolZoom, "",
         {Down(100, 100), Move(200, 200), EscapeDown(), Move(210, 210)},
         kFirstView, 100, 0, 1, 0},
        {"escape alone changes nothing until a move", kToolZoom, "",
         {Down(100, 100), Move(200, 200), EscapeDown()}, kFirstView, 100, 1, 0, 0},
        {"the release after escape changes nothing", kToolZoom, "http://a/b.html",
         {Down(100, 100), Move(200, 200), EscapeDown(), Move(200, 200), EscapeUp(), Up(200, 200)},
         kFirstView, 100, 0, 1, 0},
        {"moving on with the button starts no new drag", kToolZoom, "",
         {Down(100, 100), Move(200, 200), EscapeDown(), Move(200, 200), EscapeUp(),
          Move(250, 250), Move(300, 300)},
         kFirstView, 100, 0, 1, 0},
        {"the next press clears the cancel", kToolZoom, "",
         {Down(100, 100), Move(200, 200), EscapeDown(), Move(200, 200), EscapeUp(), Up(200, 200),
          Down(100, 100), Up(100, 100)},
         kInAt100, 200, 0, 0, 1},
        {"a pushed picture stays where escape left it", kToolPush, "",
         {Down(100, 100), Move(110, 100), EscapeDown(), Move(150, 100), EscapeUp(), Up(150, 100)},
         DocRect{-7500, 0, 292500, 300000}, 100, 0, 1, 1},
    };
    // clang-format on
    for (const Sequence& s : sequences) {
        Run(s);
        TearDown();
        SetUp();
    }
}

TEST_F(MouseTools, PushAndNoToolClicksAndDrags) {
    // clang-format off
    const Sequence sequences[] = {
        {"push drag moves the view against the pointer", kToolPush, "",
         {Down(100, 100), Move(110, 100), Move(110, 120), Up(110, 120)},
         DocRect{-7500, 15000, 292500, 315000}, 100, 0, 0, 2},
        {"push drag over a link ignores it", kToolPush, "http://a/b.html",
         {Down(100, 100), Move(90, 100), Up(90, 100)},
         DocRect{7500, 0, 307500, 300000}, 100, 0, 0, 1},
        {"push click on a link goes there", kToolPush, "http://a/b.html",
         {Down(100, 100), Up(100, 100)}, kFirstView, 100, 0, 0, 0, 1},
        {"push shift click on a link goes there", kToolPush, "http://a/b.html",
         {Down(100, 100, MK_LBUTTON | MK_SHIFT), Up(100, 100, MK_SHIFT)},
         kFirstView, 100, 0, 0, 0, 1},
        {"no tool: a click on a link goes there", kToolNone, "http://a/b.html",
         {Down(100, 100), Up(100, 100)}, kFirstView, 100, 0, 0, 0, 1},
        {"push click does nothing", kToolPush, "", {Down(100, 100), Up(100, 100)},
         kFirstView, 100, 0, 0, 0},
        {"push ctrl click on a link does nothing", kToolPush, "http://a/b.html",
         {Down(100, 100, MK_LBUTTON | MK_CONTROL), Up(100, 100, MK_CONTROL)},
         kFirstView, 100, 0, 0, 0},
        {"no tool: a drag does nothing", kToolNone, "",
         {Down(100, 100), Move(200, 200), Up(200, 200)}, kFirstView, 100, 0, 0, 0},
        {"no tool: a click does nothing", kToolNone, "", {Down(100, 100), Up(100, 100)},
         kFirstView, 100, 0, 0, 0},
        {"a push that lost its release ends at the next move", kToolPush, "",
         {Down(100, 100), Move(110, 100), Move(120, 100, 0)},
         DocRect{-7500, 0, 292500, 300000}, 100, 0, 1, 1},
    };
    // clang-format on
    for (const Sequence& s : sequences) {
        Run(s);
        TearDown();
        SetUp();
    }
}

TEST_F(MouseTools, NothingZoomsOrPushesBeforeTheViewIsKnown) {
    for (int32_t tool : {kToolZoom, kToolPush}) {
        MakeView(kSide, kSide);
        view->tool = tool;
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
        Send(WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 150));
        EXPECT_EQ(view->dragging, 0) << tool;
        Send(WM_LBUTTONUP, 0, MAKELPARAM(150, 150));
        Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
        Send(WM_LBUTTONUP, 0, MAKELPARAM(100, 100));
        EXPECT_FALSE(IsSet(view->currentView)) << tool;
        // The first view still comes from the renderer.
        renderer.defaultView = kFirstView;
        StartRenderer();
        view->RenderTimerTick();
        EXPECT_TRUE(view->currentView == kFirstView) << tool;
        TearDown();
        SetUp();
    }
}

// The cursor rule, with the real pointer placed over the view or beside it.
TEST_F(MouseTools, TheCursorFollowsToolLinkCtrlAndDrag) {
    ShowView(200, 200, kFirstView);
    POINT inside{100, 100};
    ClientToScreen(browser->child, &inside);
    POINT beside{-5, 100}; // on the frame, outside the view
    ClientToScreen(browser->child, &beside);
    HCURSOR other = LoadCursorA(nullptr, IDC_CROSS);
    struct Case {
        const char* name;
        POINT at;
        int32_t tool;
        const char* link;
        bool ctrl;
        int32_t dragging;
        HCURSOR expected;
    } cases[] = {
        {"zoom tool", inside, kToolZoom, "", false, 0, view->zoomCursor},
        {"push tool", inside, kToolPush, "", false, 0, view->pushCursor},
        {"no tool", inside, kToolNone, "", false, 0, view->arrowCursor},
        {"over a link", inside, kToolZoom, "http://a/", false, 0, view->linkCursor},
        {"over a link, no tool", inside, kToolNone, "http://a/", false, 0, view->linkCursor},
        {"over a link with ctrl", inside, kToolZoom, "http://a/", true, 0, view->zoomCursor},
        {"over a link while dragging", inside, kToolPush, "http://a/", false, 1, view->pushCursor},
        {"pointer over another window", beside, kToolZoom, "", false, 0, other},
        {"captured, pointer outside", beside, kToolPush, "", false, 1, other},
    };
    ASSERT_NE(view->zoomCursor, nullptr);
    ASSERT_NE(view->pushCursor, nullptr);
    ASSERT_NE(view->linkCursor, nullptr);
    for (const Case& c : cases) {
        SetCursorPos(c.at.x, c.at.y);
        PressKey(VK_CONTROL, c.ctrl);
        view->tool = c.tool;
        view->hyperlink = c.link;
        view->dragging = c.dragging;
        SetCursor(other);
        view->UpdateCursor();
        EXPECT_EQ(GetCursor(), c.expected) << c.name;
    }
    PressKey(VK_CONTROL, false);
    view->dragging = 0;
}

// The frame inverts its outline; drawing it again gives the screen back.
TEST_F(MouseTools, TheDragFrameInvertsAndDrawingTwiceRestores) {
    if (ScreenDepth() != 32) {
        GTEST_SKIP() << "exact colours need a true-colour display";
    }
    ShowView(120, 80, kFirstView);
    // Four colour bands straight into the window.
    HDC dc = GetDC(browser->child);
    const COLORREF bands[] = {RGB(10, 200, 30), RGB(250, 250, 250), RGB(0, 0, 0), RGB(90, 60, 130)};
    for (int i = 0; i < 4; ++i) {
        RECT band{i * 30, 0, i * 30 + 30, 80};
        HBRUSH brush = CreateSolidBrush(bands[i]);
        FillRect(dc, &band, brush);
        DeleteObject(brush);
    }
    ReleaseDC(browser->child, dc);
    Surface before(120, 80, 0), framed(120, 80, 0), after(120, 80, 0);
    Capture(before);
    struct Case {
        WindowPoint a, b;
        int left, top, right, bottom; // the outline
    } cases[] = {
        {{10, 10}, {100, 60}, 10, 10, 100, 60},
        {{100, 60}, {10, 10}, 10, 10, 100, 60},
        {{5, 70}, {115, 70}, 5, 70, 115, 71}, // a horizontal drag shows a line
        {{-20, -20}, {50, 200}, -20, -20, 50, 200},
    };
    for (const Case& c : cases) {
        view->DrawDragFrame(c.a, c.b);
        Capture(framed);
        view->DrawDragFrame(c.b, c.a);
        Capture(after);
        int wrong = 0;
        for (int y = 0; y < 80; ++y) {
            for (int x = 0; x < 120; ++x) {
                bool inside = x >= c.left && x < c.right && y >= c.top && y < c.bottom;
                bool edge =
                    inside && (x == c.left || x == c.right - 1 || y == c.top || y == c.bottom - 1);
                uint32_t expected = edge ? before.At(x, y) ^ 0xFFFFFF : before.At(x, y);
                wrong += framed.At(x, y) != expected ? 1 : 0;
                wrong += after.At(x, y) != before.At(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0) << c.left << "," << c.top << " " << c.right << "," << c.bottom;
    }
}

} // namespace
} // namespace toolstest
