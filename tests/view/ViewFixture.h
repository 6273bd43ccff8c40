// A view over a browser-like child window, with an instance, a document record and the
// recording renderer, as NPP_SetWindow and the stream delivery set it up.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "tests/view/ViewTestSupport.h"
#include "view/PluginRecords.h"
#include "view/ViewWindow.h"

namespace viewtest {

class ViewFixture : public ::testing::Test {
protected:
    std::unique_ptr<BrowserWindow> browser;
    std::unique_ptr<DocumentRecord> document;
    PluginInstance instance{};
    RecordingRenderer renderer;
    ViewWindow* view = nullptr;

    void SetUp() override { SetPluginModule(GetModuleHandleA(nullptr)); }

    // The view over a width x height window, without renderer; `viewport` null for no attribute.
    void MakeView(int width, int height, const char* viewport = nullptr, bool zoomPan = true) {
        browser.reset(new BrowserWindow(width, height));
        document.reset(new DocumentRecord());
        if (viewport != nullptr) {
            document->viewport = viewport;
        }
        document->zoomPanAllowed = zoomPan ? 1 : 0;
        strcpy(document->fileName, "drawing.vem");
        instance.view = nullptr;
        instance.document = document.get();
        view = new ViewWindow();
        instance.view = view;
        view->AttachInstance(&instance);
        ASSERT_EQ(view->Subclass(browser->child), 1);
    }

    // The renderer started: attached, then rendering restarted.
    void StartRenderer() {
        view->AttachRenderer(&renderer);
        view->RestartRendering();
    }

    // Shows `docView` as the first view through the timer's first tick.
    void ShowFirstView(DocRect docView) {
        renderer.defaultView = docView;
        StartRenderer();
        renderer.sliceResults.push_back(0x10);
        view->RenderTimerTick();
    }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(browser->child, message, wParam, lParam);
    }

    void TearDown() override {
        if (view != nullptr) {
            view->Unsubclass();
            delete view;
            view = nullptr;
        }
        browser.reset();
        document.reset();
    }
};

} // namespace viewtest
