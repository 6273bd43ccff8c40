// The view's record at creation, taking the window over and giving it back, and its window
// procedure's message table, under Wine with the recording renderer.
#include "tests/view/ViewFixture.h"
#include "support/DialogDriver.h"

namespace viewtest {
namespace {

class ViewWindowMessages : public ViewFixture {};

TEST_F(ViewWindowMessages, ConstructionSetsTheValuesOfANewView) {
    ViewWindow v;
    EXPECT_EQ(v.hwnd, nullptr);
    EXPECT_EQ(v.instance, nullptr);
    EXPECT_EQ(v.tiles.head, nullptr);
    EXPECT_EQ(v.hInstance, GetModuleHandleA(nullptr));
    EXPECT_EQ(v.tool, 0);
    EXPECT_FALSE(IsSet(v.defaultView));
    EXPECT_FALSE(IsSet(v.currentView));
    EXPECT_FALSE(IsSet(v.previousView));
    EXPECT_EQ(v.clientWidth, 100);
    EXPECT_EQ(v.clientHeight, 100);
    EXPECT_EQ(v.smoothed, 1);
    EXPECT_EQ(v.backValid, 0);
    EXPECT_EQ(v.hyperlink.text, nullptr);
    EXPECT_NE(v.zoomCursor, nullptr) << "cursor 10403";
    EXPECT_NE(v.pushCursor, nullptr) << "cursor 20102";
    EXPECT_NE(v.linkCursor, nullptr) << "cursor 19475";
    EXPECT_EQ(v.arrowCursor, LoadCursorA(nullptr, IDC_ARROW));
    EXPECT_NE(LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(2)), nullptr) << "icon 2";
}

TEST_F(ViewWindowMessages, CursorsHaveTheirHotSpots) {
    struct Case {
        int id;
        DWORD x, y;
    } cases[] = {{10403, 8, 8}, {20102, 9, 14}, {19475, 5, 0}};
    for (const Case& c : cases) {
        HCURSOR cursor = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(c.id));
        ASSERT_NE(cursor, nullptr) << c.id;
        ICONINFO info{};
        ASSERT_TRUE(GetIconInfo(cursor, &info));
        EXPECT_FALSE(info.fIcon);
        EXPECT_EQ(info.xHotspot, c.x) << c.id;
        EXPECT_EQ(info.yHotspot, c.y) << c.id;
        BITMAP mask{};
        GetObjectA(info.hbmMask, sizeof(mask), &mask);
        EXPECT_EQ(mask.bmWidth, 32);
        EXPECT_EQ(mask.bmHeight, 64) << "monochrome: AND and XOR masks stacked";
        DeleteObject(info.hbmMask);
        if (info.hbmColor) {
            DeleteObject(info.hbmColor);
        }
    }
}

TEST_F(ViewWindowMessages, AttachInstanceReadsTheViewportAndChoosesTheZoomTool) {
    struct Case {
        const char* viewport;
        bool zoomPan;
        bool set;
        int32_t flag, tool;
    } cases[] = {
        {"10 20 300 400", true, true, 1, 1},
        {"10 20 300 400 false", true, true, 0, 1},
        {"10 20 300 400", false, true, 1, 0}, // zoompan="false" keeps the tool off
        {"", true, true, 1, 1},
        {nullptr, true, false, 0, 0}, // the renderer supplies the view later
    };
    for (const Case& c : cases) {
        MakeView(100, 100, c.viewport, c.zoomPan);
        EXPECT_EQ(view->instance, &instance);
        EXPECT_EQ(IsSet(view->defaultView), c.set) << (c.viewport ? c.viewport : "(none)");
        EXPECT_EQ(view->defaultViewFlag, c.flag) << (c.viewport ? c.viewport : "(none)");
        EXPECT_EQ(view->tool, c.tool) << (c.viewport ? c.viewport : "(none)");
        TearDown();
    }
}

TEST_F(ViewWindowMessages, AttachRendererPassesAPageViewport) {
    MakeView(100, 100, "10 20 300 400 FALSE");
    view->AttachRenderer(&renderer);
    ASSERT_EQ(renderer.defaultViewsSet.size(), 1u);
    EXPECT_EQ(renderer.defaultViewsSet[0].x1, 300);
    TearDown();
    MakeView(100, 100, nullptr);
    view->AttachRenderer(&renderer);
    EXPECT_EQ(renderer.defaultViewsSet.size(), 1u) << "no viewport: nothing to pass";
}

TEST_F(ViewWindowMessages, SubclassTakesTheWindowAndUnsubclassGivesItBack) {
    MakeView(100, 100);
    HWND child = browser->child;
    EXPECT_EQ(view->hwnd, child);
    EXPECT_EQ(view->prevWndProc, &BrowserWindow::ChildProc);
    EXPECT_EQ(GetWindowLongPtrA(child, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(view));
    HDC dc = GetDC(child);
    EXPECT_EQ(view->bitsPerPixel, GetDeviceCaps(dc, BITSPIXEL));
    ReleaseDC(child, dc);

    // While the view is installed the browser's procedure gets nothing.
    BrowserWindow::Received() = 0;
    Send(WM_USER + 7);
    Send(WM_ERASEBKGND);
    EXPECT_EQ(BrowserWindow::Received(), 0);

    view->Unsubclass();
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(child, GWLP_WNDPROC)),
              &BrowserWindow::ChildProc);
    EXPECT_EQ(GetWindowLongPtrA(child, GWLP_USERDATA), reinterpret_cast<LONG_PTR>(view))
        << "the user-data slot keeps its value";
    Send(WM_USER + 7);
    EXPECT_EQ(BrowserWindow::Received(), 1);
    EXPECT_EQ(BrowserWindow::LastMessage(), UINT(WM_USER + 7));
}

TEST_F(ViewWindowMessages, AWindowWithoutViewGoesToTheDefaultProcedure) {
    MakeView(100, 100);
    SetWindowLongPtrA(browser->child, GWLP_USERDATA, 0);
    EXPECT_EQ(Send(WM_ERASEBKGND), DefWindowProcA(browser->child, WM_ERASEBKGND, 0, 0));
    SetWindowLongPtrA(browser->child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(view));
}

TEST_F(ViewWindowMessages, EraseBackgroundDrawsNothingAndAnswersOne) {
    MakeView(100, 100);
    HDC dc = GetDC(browser->child);
    RECT all{0, 0, 100, 100};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &all, red);
    DeleteObject(red);
    EXPECT_EQ(Send(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc)), 1);
    EXPECT_EQ(GetPixel(dc, 50, 50), RGB(255, 0, 0));
    ReleaseDC(browser->child, dc);
}

TEST_F(ViewWindowMessages, SizeRestartsRendering) {
    MakeView(120, 80);
    view->AttachRenderer(&renderer);
    EXPECT_EQ(view->backValid, 0);
    EXPECT_EQ(Send(WM_SIZE, SIZE_RESTORED, MAKELPARAM(120, 80)), 0);
    EXPECT_EQ(view->clientWidth, 120);
    EXPECT_EQ(view->clientHeight, 80);
    EXPECT_EQ(view->backValid, 1);
    EXPECT_EQ(view->tiles.width, 120);
}

TEST_F(ViewWindowMessages, CommandsRunTheirHandlersAndOthersGoOn) {
    MakeView(100, 100, "0 0 75000 75000");
    ShowFirstView(DocRect{0, 0, 75000, 75000});
    EXPECT_EQ(Send(WM_COMMAND, 32779), 0);
    EXPECT_EQ(view->smoothed, 0) << "Smoothed toggles";
    int created = renderer.Count("CreateRenderContext");
    Send(WM_COMMAND, 32779);
    EXPECT_EQ(view->smoothed, 1);
    EXPECT_GT(renderer.Count("CreateRenderContext"), created) << "and restarts rendering";

    // The whole wParam is compared: a notification code in the high word is another command.
    Send(WM_COMMAND, MAKEWPARAM(32779, 1));
    EXPECT_EQ(view->smoothed, 1);
    Send(WM_COMMAND, 32780);
    EXPECT_EQ(view->smoothed, 1);
    BrowserWindow::Received() = 0;
    Send(WM_COMMAND, 40000);
    EXPECT_EQ(BrowserWindow::Received(), 0) << "unknown commands go to DefWindowProcA";

    // "Default View" then "Previous Zoom".
    view->currentView = DocRect{0, 0, 150000, 150000};
    Send(WM_COMMAND, 32776);
    EXPECT_EQ(view->currentView.x1, 75000);
    EXPECT_EQ(view->previousView.x1, 150000);
    Send(WM_COMMAND, 32775);
    EXPECT_EQ(view->currentView.x1, 150000);
    EXPECT_EQ(view->previousView.x1, 75000);

    // Commands whose features answer elsewhere are taken, not passed on. Their dialogs (About,
    // Save Graphic As) are cancelled.
    DialogDriver cancel([](HWND dialog, int) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    for (WPARAM id : {32773, 32774, 32777, 32788, 32803, 32804}) {
        EXPECT_EQ(Send(WM_COMMAND, id), 0) << id;
    }
}

TEST_F(ViewWindowMessages, ContextMenuDuringADragShowsNothing) {
    MakeView(100, 100);
    view->dragging = 1;
    EXPECT_EQ(Send(WM_CONTEXTMENU, reinterpret_cast<WPARAM>(browser->child), MAKELPARAM(5, 5)), 0);
    EXPECT_EQ(FindWindowA("#32768", nullptr), nullptr);
}

TEST_F(ViewWindowMessages, PaletteChangeInvalidatesTheWholeClientArea) {
    MakeView(100, 60);
    ValidateRect(browser->child, nullptr);
    EXPECT_EQ(Send(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(browser->frame)), 0);
    RECT update{};
    ASSERT_TRUE(GetUpdateRect(browser->child, &update, FALSE));
    EXPECT_EQ(update.left, 0);
    EXPECT_EQ(update.right, 100);
    EXPECT_EQ(update.bottom, 60);
}

// Counts the WM_TIMER messages for the view's window that arrive within `ms`.
int TimerMessagesWithin(HWND window, DWORD ms) {
    int count = 0;
    DWORD end = GetTickCount() + ms;
    while (int32_t(GetTickCount() - end) < 0) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_TIMER && msg.hwnd == window && msg.wParam == 1000) {
                ++count;
            }
            DispatchMessageA(&msg);
        }
        Sleep(10);
    }
    return count;
}

TEST_F(ViewWindowMessages, TheFirstPaintStartsTheTimerOnce) {
    MakeView(100, 100);
    EXPECT_EQ(view->timerStarted, 0);
    ValidateRect(browser->child, nullptr); // no paint yet
    EXPECT_EQ(TimerMessagesWithin(browser->child, 300), 0) << "no timer before a paint";
    InvalidateRect(browser->child, nullptr, FALSE);
    UpdateWindow(browser->child);
    EXPECT_EQ(view->timerStarted, 1);
    EXPECT_GE(TimerMessagesWithin(browser->child, 600), 1);

    // A later paint does not restart the period: ticks keep their 250 ms rhythm.
    for (int i = 0; i < 8; ++i) {
        InvalidateRect(browser->child, nullptr, FALSE);
        UpdateWindow(browser->child);
        Sleep(40);
    }
    EXPECT_GE(TimerMessagesWithin(browser->child, 10), 1)
        << "repainting every 40 ms must not keep pushing the tick back";

    // Other events leave it running; WM_CLOSE stops it (and closes the window).
    Send(WM_SIZE);
    Send(WM_PALETTECHANGED);
    EXPECT_GE(TimerMessagesWithin(browser->child, 600), 1);
    HWND child = browser->child;
    Send(WM_CLOSE);
    EXPECT_EQ(TimerMessagesWithin(child, 600), 0);
}

TEST_F(ViewWindowMessages, TimerMessagesTickTheRenderCycle) {
    MakeView(100, 100);
    view->AttachRenderer(&renderer);
    EXPECT_EQ(Send(WM_TIMER, 1234), 0) << "the identifier is not examined";
    EXPECT_EQ(renderer.Count("GetDefaultView"), 1);
}

TEST_F(ViewWindowMessages, MouseMessagesAreTaken) {
    MakeView(100, 100);
    BrowserWindow::Received() = 0;
    EXPECT_EQ(Send(WM_MOUSEMOVE, 0, MAKELPARAM(5, 5)), 0);
    EXPECT_EQ(Send(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5)), 0);
    EXPECT_EQ(Send(WM_LBUTTONUP, 0, MAKELPARAM(5, 5)), 0);
    EXPECT_EQ(BrowserWindow::Received(), 0);
}

TEST_F(ViewWindowMessages, DestructionFreesTilesAndContextsButLeavesTheRenderer) {
    MakeView(100, 100);
    ShowFirstView(DocRect{0, 0, 75000, 75000});
    ASSERT_NE(view->tiles.head, nullptr);
    EXPECT_EQ(renderer.LiveContexts(), 1);
    view->Unsubclass();
    delete view;
    view = nullptr;
    EXPECT_EQ(renderer.LiveContexts(), 0);
    EXPECT_EQ(renderer.Count("Release"), 0);
}

} // namespace
} // namespace viewtest
