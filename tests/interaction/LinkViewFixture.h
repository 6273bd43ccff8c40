// A view as the plug-in sets it up in a page: instance, document record with its addresses,
// the browser's function table (address requests and status texts recorded), a renderer that
// answers hyperlink look-ups like the real one, and the real pointer placed over the window.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/plugin/MessageBoxRecorder.h"
#include "tests/plugin/TestBrowser.h"
#include "tests/support/ScriptedRenderer.h"
#include "tests/view/ViewTestSupport.h"
#include "view/PluginRecords.h"
#include "view/ViewWindow.h"

namespace linktest {

// Writes the link as the real renderer does: at most `capacity` bytes, then a zero when there
// is room. `reportedLength`, when set, is what it claims as the length.
class LinkRenderer : public ScriptedRenderer {
public:
    bool claimLength = false;
    LONG reportedLength = 0;

    HRESULT STDMETHODCALLTYPE GetHyperlinkAt(LONG x, LONG y, RenderMatrix matrix, LONG tolerance,
                                             LONG capacity, LONG* length, char* text) override {
        HRESULT result =
            ScriptedRenderer::GetHyperlinkAt(x, y, matrix, tolerance, capacity, length, text);
        LONG full = LONG(hyperlink.size());
        if (text != nullptr && capacity > 0) {
            LONG n = full < capacity ? full : capacity;
            memcpy(text, hyperlink.data(), size_t(n));
            if (n < capacity) {
                text[n] = '\0';
            }
        }
        if (claimLength && length != nullptr) {
            *length = reportedLength;
        }
        return result;
    }
};

// The four coordinates of a DocRect, for comparisons.
inline std::vector<int32_t> Corners(const DocRect& r) {
    return {r.x0, r.y0, r.x1, r.y1};
}

struct PageSetup {
    const char* streamUrl = "http://host/maps/town.vem"; // null: no display stream yet
    const char* base = nullptr;
    bool zoomPan = true;
    bool fileAccess = true;
    uint16_t mode = NP_EMBED;
    const char* viewport = nullptr;
};

class LinkViewTest : public ::testing::Test {
protected:
    // A 400 x 400 window showing (0, 0, 300000, 300000): 100 percent, 750 units per pixel.
    static constexpr int kSize = 400;
    const DocRect kView{0, 0, 300000, 300000};

    std::unique_ptr<viewtest::BrowserWindow> browser;
    std::unique_ptr<DocumentRecord> document;
    PluginInstance instance{};
    NPP_t npp{};
    LinkRenderer renderer;
    ViewWindow* view = nullptr;

    TestBrowser& Browser() { return TestBrowser::Get(); }

    void SetUp() override {
        SetPluginModule(GetModuleHandleA(nullptr));
        SetBrowserFunctions(TestBrowser::Get().Reset());
        // A renderer's matrix for this window and view: 400 pixels over 300000 units.
        int32_t scale = int32_t((int64_t(kSize) << 30) / 300000);
        renderer.contextMatrix = RenderMatrix{scale, 0, 0, scale, 0, 0};
        renderer.defaultView = kView;
        PointerOutside();
    }

    void TearDown() override {
        ReleaseView();
        SetBrowserFunctions(nullptr);
    }

    void ReleaseView() {
        if (view != nullptr) {
            view->Unsubclass();
            delete view;
            view = nullptr;
        }
        browser.reset();
        document.reset();
    }

    // A new view (any earlier one released) over a new window.
    void MakeView(const PageSetup& page = PageSetup()) {
        ReleaseView();
        browser.reset(new viewtest::BrowserWindow(kSize, kSize));
        document.reset(new DocumentRecord());
        document->instance = &npp;
        if (page.streamUrl != nullptr) {
            ASSERT_EQ(document->SetStreamUrl(page.streamUrl), 1);
        }
        if (page.base != nullptr) {
            document->SetBase(page.base);
        }
        if (page.viewport != nullptr) {
            document->viewport = page.viewport;
        }
        document->zoomPanAllowed = page.zoomPan ? 1 : 0;
        document->fileAccessAllowed = page.fileAccess ? 1 : 0;
        document->ownerWindow = browser->child;
        instance.document = document.get();
        instance.mode = page.mode;
        view = new ViewWindow();
        instance.view = view;
        view->AttachInstance(&instance);
        ASSERT_EQ(view->Subclass(browser->child), 1);
    }

    // The renderer attached and the first view shown by one tick whose slice answers `slice`
    // (0x18: the drawing is complete; 0x10: pixels, more to come).
    void ShowDrawing(HRESULT slice = 0x18) {
        view->AttachRenderer(&renderer);
        view->RestartRendering();
        renderer.Queue(kSlotRenderSlice, {slice});
        view->RenderTimerTick();
    }

    // The real pointer at a point of the view's window, or well away from it.
    void PointerAt(int x, int y) {
        POINT p{x, y};
        ClientToScreen(browser->child, &p);
        SetCursorPos(p.x, p.y);
    }
    void PointerOutside() { SetCursorPos(900, 700); }

    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageA(browser->child, message, wParam, lParam);
    }

    std::string Hyperlink() const {
        return view->hyperlink.text != nullptr ? std::string(view->hyperlink.text) : "";
    }
    std::string LastStatus() {
        return Browser().statusTexts.empty() ? "<none>" : Browser().statusTexts.back();
    }
};

} // namespace linktest
