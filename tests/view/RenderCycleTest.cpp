// The render timer's tick and the restart under Wine: the first view from the renderer, what
// each slice result does, turns over the tile list, zoom limits and the one-time refresh.
#include "tests/view/ViewFixture.h"

namespace viewtest {
namespace {

class RenderCycle : public ViewFixture {};

TEST_F(RenderCycle, TicksWithoutRendererDoNothing) {
    MakeView(100, 100, "0 0 75000 75000");
    view->RenderTimerTick();
    EXPECT_FALSE(IsSet(view->currentView));
    EXPECT_EQ(view->tiles.head, nullptr);
}

TEST_F(RenderCycle, TheDefaultViewIsAskedForUntilTheRendererKnowsIt) {
    MakeView(100, 100);
    StartRenderer();
    for (int i = 0; i < 3; ++i) {
        view->RenderTimerTick();
    }
    EXPECT_EQ(renderer.Count("GetDefaultView"), 3);
    EXPECT_EQ(renderer.Count("CreateRenderContext"), 0);
    EXPECT_EQ(view->tool, 0);

    renderer.defaultView = DocRect{0, 0, 75000, 75000};
    renderer.defaultFlag = 0;
    view->RenderTimerTick();
    EXPECT_EQ(view->currentView.x1, 75000);
    EXPECT_EQ(view->defaultViewFlag, 0);
    EXPECT_EQ(view->tool, 1) << "zoom and pan allowed";
    EXPECT_EQ(view->zoomPercent, 100);
    ASSERT_EQ(renderer.contexts.size(), 1u);
    const ContextRecord& context = renderer.contexts.begin()->second;
    EXPECT_EQ(context.width, 100);
    EXPECT_EQ(context.height, 100);
    EXPECT_EQ(context.flag, 1);
    EXPECT_EQ(renderer.Count("RenderSlice"), 1) << "the first slice in the same tick";
    EXPECT_EQ(view->matrix.a, 1431655);

    view->RenderTimerTick();
    EXPECT_EQ(renderer.Count("GetDefaultView"), 4) << "not asked again";
}

TEST_F(RenderCycle, APageViewportIsNotAskedFor) {
    MakeView(100, 100, "0 0 75000 75000", false);
    StartRenderer();
    view->RenderTimerTick();
    EXPECT_EQ(renderer.Count("GetDefaultView"), 0);
    EXPECT_EQ(view->currentView.x1, 75000);
    EXPECT_EQ(view->tool, 0);
}

struct SliceCase {
    HRESULT result;
    int32_t shown, removed, ready;
};

TEST_F(RenderCycle, SliceResultsDecidePresentRemoveAndReady) {
    const SliceCase cases[] = {
        {0x18, 1, 1, 1}, {0x0C, 1, 1, 0}, {0x10, 1, 0, 0}, {0x04, 0, 0, 0}, {E_FAIL, 0, 0, 0},
    };
    for (const SliceCase& c : cases) {
        MakeView(100, 100);
        renderer = RecordingRenderer();
        renderer.defaultView = DocRect{0, 0, 75000, 75000};
        StartRenderer();
        renderer.sliceResults.push_back(c.result);
        view->RenderTimerTick();
        EXPECT_EQ(view->pictureShown, c.shown) << c.result;
        EXPECT_EQ(renderer.Count("ConvertBitmap"), c.shown) << c.result;
        EXPECT_EQ(view->tiles.head == nullptr, c.removed == 1) << c.result;
        EXPECT_EQ(view->documentReady, c.ready) << c.result;
        EXPECT_EQ(view->readyHandled, c.ready) << "the one-time refresh follows at once";
        TearDown();
    }
}

TEST_F(RenderCycle, PresentedPixelsReachTheBackBufferAndAreInvalidated) {
    MakeView(100, 60);
    renderer.fillColour = 0x00123456;
    ShowFirstView(DocRect{0, 0, 75000, 45000});
    ASSERT_EQ(view->backValid, 1);
    const uint32_t* bits = reinterpret_cast<const uint32_t*>(view->backBits);
    EXPECT_EQ(bits[0], 0x00123456u);
    EXPECT_EQ(bits[100 * 60 - 1], 0x00123456u);
    RECT update{};
    ASSERT_TRUE(GetUpdateRect(browser->child, &update, FALSE));
    EXPECT_EQ(update.right, 100);
    EXPECT_EQ(update.bottom, 60);
    ASSERT_EQ(renderer.converts.size(), 1u);
    EXPECT_EQ(renderer.converts[0].width, 100);
    EXPECT_EQ(renderer.converts[0].height, 60);
    EXPECT_EQ(renderer.converts[0].origin.x, 0);
    EXPECT_EQ(renderer.converts[0].origin.y, -60) << "pattern origin: push offset - bottom";
}

TEST_F(RenderCycle, AFailedConversionTurnsTheBackBufferOff) {
    MakeView(100, 100);
    renderer.convertResult = E_FAIL;
    ShowFirstView(DocRect{0, 0, 75000, 75000});
    EXPECT_EQ(view->backValid, 0);
    view->RestartRendering();
    EXPECT_EQ(view->backValid, 1) << "until the next restart";
}

TEST_F(RenderCycle, TilesAreServedInTurn) {
    MakeView(200, 100);
    ShowFirstView(DocRect{0, 0, 150000, 75000});
    view->ClearTiles();
    view->InsertTile(view->CreateTile(TileRect{0, 0, 10, 10}, DocRect{0, 67500, 7500, 75000}));
    view->InsertTile(
        view->CreateTile(TileRect{150, 50, 200, 100}, DocRect{112500, 0, 150000, 37500}));
    ASSERT_NE(view->tiles.head, nullptr);
    ULONG newest = view->tiles.head->context;
    ULONG older = view->tiles.head->next->context;
    renderer.sliceHandles.clear();
    for (int i = 0; i < 5; ++i) {
        view->RenderTimerTick();
    }
    EXPECT_EQ(renderer.sliceHandles, (std::vector<ULONG>{newest, older, newest, older, newest}));
}

TEST_F(RenderCycle, ATileWithoutContextStaysAndOthersGoOn) {
    MakeView(200, 100);
    ShowFirstView(DocRect{0, 0, 150000, 75000});
    view->ClearTiles();
    view->InsertTile(view->CreateTile(TileRect{0, 0, 10, 10}, DocRect{0, 67500, 7500, 75000}));
    renderer.createResult = E_OUTOFMEMORY;
    view->InsertTile(
        view->CreateTile(TileRect{150, 50, 200, 100}, DocRect{112500, 0, 150000, 37500}));
    renderer.createResult = S_OK;
    RenderTile* broken = view->tiles.head;
    ASSERT_EQ(broken->context, 0u);
    renderer.sliceResults = {0x18};
    for (int i = 0; i < 4; ++i) {
        view->RenderTimerTick();
    }
    EXPECT_EQ(view->tiles.head, broken);
    EXPECT_EQ(broken->next, nullptr) << "the working tile finished";
    EXPECT_EQ(view->documentReady, 1);
}

TEST_F(RenderCycle, RestartKeepsZoomsInRangeAroundTheCentre) {
    MakeView(400, 400);
    ShowFirstView(DocRect{0, 0, 6000000, 6000000});
    EXPECT_EQ(view->zoomPercent, 5) << "the first view is not clamped";
    view->RestartRendering();
    EXPECT_EQ(view->zoomPercent, 10);
    EXPECT_EQ(view->currentView.x0, 1500000);
    EXPECT_EQ(view->currentView.x1, 4500000);
    const ContextRecord& context = renderer.contexts.rbegin()->second;
    EXPECT_EQ(context.view.x0, 1500000) << "the whole-window tile renders the snapped view";
    EXPECT_EQ(context.view.y1, 4500000);

    TearDown();
    MakeView(400, 400);
    renderer = RecordingRenderer();
    ShowFirstView(DocRect{0, 0, 300000, 300000});
    view->RestartRendering();
    EXPECT_EQ(view->zoomPercent, 100);
    EXPECT_EQ(view->currentView.x1, 300000);
}

TEST_F(RenderCycle, RestartReplacesTilesAndBackBuffer) {
    MakeView(100, 100);
    ShowFirstView(DocRect{0, 0, 75000, 75000});
    view->pictureShown = 1;
    view->readyHandled = 1;
    SetWindowPos(browser->child, nullptr, 0, 0, 120, 90, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(view->clientWidth, 120) << "WM_SIZE restarted";
    EXPECT_EQ(view->clientHeight, 90);
    EXPECT_EQ(view->backInfo->bmiHeader.biWidth, 120);
    EXPECT_EQ(view->pictureShown, 0);
    EXPECT_EQ(view->readyHandled, 0);
    EXPECT_EQ(renderer.LiveContexts(), 1);
    ASSERT_NE(view->tiles.head, nullptr);
    EXPECT_EQ(view->tiles.head->rect, (TileRect{0, 0, 120, 90}));
}

TEST_F(RenderCycle, TheHoverRefreshRunsOnceAfterReadyAndAgainAfterEachRestart) {
    MakeView(100, 100);
    renderer.defaultView = DocRect{0, 0, 75000, 75000};
    StartRenderer();
    renderer.sliceResults = {0x10, 0x10};
    view->RenderTimerTick();
    view->RenderTimerTick();
    EXPECT_EQ(view->readyHandled, 0) << "not before the drawing is complete";
    view->documentReady = 1; // the end of the stream
    view->RenderTimerTick();
    EXPECT_EQ(view->readyHandled, 1);
    view->RestartRendering();
    EXPECT_EQ(view->readyHandled, 0);
    EXPECT_EQ(view->documentReady, 1) << "never cleared";
    view->RenderTimerTick();
    EXPECT_EQ(view->readyHandled, 1);
}

} // namespace
} // namespace viewtest
