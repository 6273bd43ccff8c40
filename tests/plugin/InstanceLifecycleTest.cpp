// Plug-in instances from NPP_New to NPP_Destroy: the records and their values at creation, the
// embed attributes, the first window, the start of the renderer, printing and teardown.
#include "PluginTestFixture.h"
#include "support/DialogDriver.h"

#include <thread>

namespace {

using InstanceLifecycle = PluginTest;

TEST_F(InstanceLifecycle, NewRefusesANullInstance) {
    char mime[] = "application/vnd.vemo";
    EXPECT_EQ(NPP_New(mime, nullptr, NP_EMBED, 0, nullptr, nullptr, nullptr),
              NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(TestBrowser::Get().allocations, 0);
}

TEST_F(InstanceLifecycle, NewCreatesBothRecordsWithTheirFirstValues) {
    NPP instance = NewInstance({}, NP_FULL);
    PluginInstance* plugin = Plugin(instance);
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(TestBrowser::Get().allocations, 1); // the instance record, from the browser
    EXPECT_EQ(plugin->view, nullptr);
    EXPECT_EQ(plugin->mode, NP_FULL);
    DocumentRecord* document = plugin->document;
    ASSERT_NE(document, nullptr);
    EXPECT_EQ(document->renderer, nullptr);
    EXPECT_EQ(document->ownerWindow, nullptr);
    EXPECT_EQ(document->instance, instance);
    EXPECT_EQ(document->streamUrl, nullptr);
    EXPECT_EQ(document->base, nullptr);
    EXPECT_EQ(document->loadBegun, 0);
    EXPECT_EQ(document->zoomPanAllowed, 1);
    EXPECT_EQ(document->fileAccessAllowed, 1);
    EXPECT_EQ(document->viewport.length, 0);
    EXPECT_EQ(document->viewport.text, nullptr);
    EXPECT_EQ(document->rendererRequested, 0);
    EXPECT_EQ(document->documentUrl.length, 0);
    ASSERT_NE(document->documentUrl.text, nullptr);
    EXPECT_STREQ(document->documentUrl.text, "");
    EXPECT_EQ(document->saveMode, 0);
    EXPECT_STREQ(document->fileName, "");
    EXPECT_EQ(document->instanceRecord, plugin);
    EXPECT_EQ(document->firstChunkPending, 1);
    EXPECT_EQ(document->refused, 0);
    EXPECT_EQ(document->lastMessage, 0u);
}

TEST_F(InstanceLifecycle, NewWithoutMemoryLeavesNothingAllocated) {
    NPError result = NPERR_NO_ERROR;
    TestBrowser::Get().failAllocations = 1;
    NPP instance = NewInstance({}, NP_EMBED, &result);
    EXPECT_EQ(result, NPERR_OUT_OF_MEMORY_ERROR);
    EXPECT_EQ(instance->pdata, nullptr);
    EXPECT_EQ(NPP_Destroy(instance, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(instance->pdata, nullptr);
}

TEST_F(InstanceLifecycle, EmbedAttributesReachTheDocument) {
    std::string base256(256, 'b');
    std::string base257(257, 'c');
    const struct {
        const char* name;
        std::vector<std::pair<std::string, std::string>> attributes;
        int32_t zoomPan;
        int32_t fileAccess;
        const char* viewport;
        const char* base;
    } cases[] = {
        {"ZoomPan=FALSE", {{"ZoomPan", "FALSE"}}, 0, 1, nullptr, nullptr},
        {"zoompan=no", {{"zoompan", "no"}}, 1, 1, nullptr, nullptr},
        {"FileAccess=false", {{"FileAccess", "false"}}, 1, 0, nullptr, nullptr},
        {"fileaccess=0", {{"fileaccess", "0"}}, 1, 1, nullptr, nullptr},
        {"viewport", {{"VIEWPORT", "0 0 100 100"}, {"src", "a.vem"}}, 1, 1, "0 0 100 100", nullptr},
        {"base of 256", {{"base", base256}}, 1, 1, nullptr, base256.c_str()},
        {"base of 257", {{"base", base257}}, 1, 1, nullptr, nullptr},
        {"empty base", {{"BASE", ""}}, 1, 1, nullptr, nullptr},
        {"all four",
         {{"zoompan", "False"},
          {"fileaccess", "fAlSe"},
          {"base", "http://x/"},
          {"viewport", "1 2 3 4"}},
         0,
         0,
         "1 2 3 4",
         "http://x/"},
    };
    for (const auto& c : cases) {
        NPP instance = NewInstance(c.attributes);
        DocumentRecord* document = Document(instance);
        EXPECT_EQ(document->zoomPanAllowed, c.zoomPan) << c.name;
        EXPECT_EQ(document->fileAccessAllowed, c.fileAccess) << c.name;
        EXPECT_STREQ(document->viewport.text, c.viewport) << c.name;
        EXPECT_STREQ(document->base, c.base) << c.name;
        NPP_Destroy(instance, nullptr);
    }
}

TEST_F(InstanceLifecycle, DestroyAlwaysClearsPdataAndSucceeds) {
    NPP_t never{nullptr, nullptr};
    EXPECT_EQ(NPP_Destroy(&never, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(never.pdata, nullptr);
    EXPECT_EQ(NPP_Destroy(nullptr, nullptr), NPERR_NO_ERROR);

    NPP instance = NewInstance({{"base", "http://x/"}, {"viewport", "0 0 10 10"}});
    GiveWindow(instance, child);
    OpenStream(instance);
    NPSavedData* saved = reinterpret_cast<NPSavedData*>(0x1234);
    EXPECT_EQ(NPP_Destroy(instance, &saved), NPERR_NO_ERROR);
    EXPECT_EQ(instance->pdata, nullptr);
    EXPECT_EQ(saved, reinterpret_cast<NPSavedData*>(0x1234)); // nothing is saved
    EXPECT_EQ(TestBrowser::Get().LiveBlocks(), 0);
    EXPECT_EQ(NPP_Destroy(instance, nullptr), NPERR_NO_ERROR);
}

// The browser may destroy an instance from inside one of the instance's own modal loops (the
// drawing warning at the end of the data, the About box from the menu, a failure box): the
// window goes back to the browser at once, the records stay until the call that opened the
// dialog returns, and nothing is asked of the browser for the destroyed instance.
struct ModalCase {
    const char* name;
    int answer; // the button pressed once the instance is destroyed
};

const ModalCase kModalCases[] = {
    {"warning dialog, Go to", 1002},
    {"About box, OK", IDOK},
    {"failure box, OK", IDOK},
};

TEST_F(InstanceLifecycle, DestroyedInsideItsOwnDialogTheInstanceGoesWhenTheDialogCloses) {
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vemo\\NPVemoC");
    for (const ModalCase& c : kModalCases) {
        TestBrowser& browser = TestBrowser::Get();
        NPP instance = NewInstance();
        HWND window = MakeChild();
        ASSERT_EQ(GiveWindow(instance, window), NPERR_NO_ERROR) << c.name;
        NPStream* stream = OpenStream(instance);
        ASSERT_EQ(Write(instance, stream, DrawingBytes(5)), 13) << c.name;

        const int liveBefore = browser.LiveBlocks();
        const size_t urlsBefore = browser.urls.size();
        NPError destroyed = NPERR_GENERIC_ERROR;
        int liveDuring = -1;
        LONG_PTR procDuring = 0;
        DialogDriver driver([&](HWND dialog, int tick) {
            if (tick == 0) {
                destroyed = NPP_Destroy(instance, nullptr);
                liveDuring = browser.LiveBlocks();
                procDuring = GetWindowLongPtrA(window, GWLP_WNDPROC);
            } else {
                DialogDriver::Click(dialog, c.answer);
            }
        });
        if (c.answer == 1002) {
            renderer.Queue(kSlotLoadData, {HRESULT(2)}); // the end of data warns
            EXPECT_EQ(NPP_DestroyStream(instance, stream, NPRES_DONE), NPERR_NO_ERROR);
        } else if (strstr(c.name, "About") != nullptr) {
            SendMessageA(window, WM_COMMAND, 32788, 0);
        } else {
            renderer.Queue(kSlotLoadData, {HRESULT(0x8534E107)}); // out of memory: a box
            EXPECT_EQ(Write(instance, stream, DrawingBytes(3)), -1) << c.name;
        }
        EXPECT_EQ(driver.seen.size(), 1u) << c.name;
        EXPECT_FALSE(driver.stuck) << c.name;
        EXPECT_EQ(destroyed, NPERR_NO_ERROR) << c.name;
        EXPECT_EQ(liveDuring, liveBefore) << c.name << ": freed under the open dialog";
        EXPECT_EQ(procDuring, GetClassLongPtrA(window, GCLP_WNDPROC))
            << c.name << ": the window should have its own procedure back at once";
        EXPECT_EQ(instance->pdata, nullptr) << c.name;
        EXPECT_EQ(browser.LiveBlocks(), liveBefore - 1) << c.name << ": not freed afterwards";
        EXPECT_EQ(browser.urls.size(), urlsBefore) << c.name << ": asked for a page when gone";
        DestroyWindow(window);
    }
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vemo\\NPVemoC");
}

TEST_F(InstanceLifecycle, SetWindowRefusesMissingRecords) {
    NPP instance = NewInstance();
    NPWindow window = {};
    window.window = child;
    EXPECT_EQ(NPP_SetWindow(instance, nullptr), NPERR_GENERIC_ERROR);
    EXPECT_EQ(NPP_SetWindow(nullptr, &window), NPERR_INVALID_INSTANCE_ERROR);
    NPP_t empty{nullptr, nullptr};
    EXPECT_EQ(NPP_SetWindow(&empty, &window), NPERR_GENERIC_ERROR);
    EXPECT_EQ(Plugin(instance)->view, nullptr);
}

TEST_F(InstanceLifecycle, FirstRealWindowIsTakenOver) {
    NPP instance = NewInstance();
    WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(child, GWLP_WNDPROC));
    EXPECT_EQ(GiveWindow(instance, nullptr), NPERR_NO_ERROR);
    EXPECT_EQ(Plugin(instance)->view, nullptr) << "a null handle creates nothing";

    EXPECT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    ViewWindow* view = Plugin(instance)->view;
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->hwnd, child);
    EXPECT_EQ(view->instance, Plugin(instance));
    EXPECT_NE(GetWindowLongA(child, GWL_STYLE) & WS_CLIPSIBLINGS, 0);
    EXPECT_EQ(GetClassLongPtrA(child, GCLP_HCURSOR), 0);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(child, GWLP_WNDPROC)), &ViewWndProc);
    EXPECT_EQ(factory.creations, 0) << "no stream yet, so no renderer";

    NPP_Destroy(instance, nullptr);
    EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(child, GWLP_WNDPROC)), original);
}

TEST_F(InstanceLifecycle, LaterWindowsChangeNothing) {
    NPP instance = NewInstance();
    ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    ViewWindow* view = Plugin(instance)->view;
    HWND other = MakeChild(50, 40);
    const struct {
        HWND window;
        uint32_t width;
        uint32_t height;
    } later[] = {{child, 300, 200}, {other, 50, 40}, {nullptr, 0, 0}, {child, 200, 150}};
    for (const auto& call : later) {
        EXPECT_EQ(GiveWindow(instance, call.window, call.width, call.height), NPERR_NO_ERROR);
        EXPECT_EQ(Plugin(instance)->view, view);
        EXPECT_EQ(view->hwnd, child);
    }
    EXPECT_NE(reinterpret_cast<WNDPROC>(GetWindowLongPtrA(other, GWLP_WNDPROC)), &ViewWndProc);
    DestroyWindow(other);
}

TEST_F(InstanceLifecycle, FailedSubclassingIsReportedAndTheViewStays) {
    NPP instance = NewInstance();
    HWND gone = MakeChild();
    DestroyWindow(gone);
    MessageBoxRecorder recorder;
    EXPECT_EQ(GiveWindow(instance, gone), NPERR_GENERIC_ERROR);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].caption, "Plug-in-test");
    EXPECT_EQ(recorder.boxes[0].text, "SubclassWindow Failed");
    EXPECT_EQ(recorder.boxes[0].owner, nullptr);
    EXPECT_NE(Plugin(instance)->view, nullptr);
    EXPECT_EQ(NPP_Destroy(instance, nullptr), NPERR_NO_ERROR);
}

TEST_F(InstanceLifecycle, StreamBeforeWindowWaitsForTheWindow) {
    NPP instance = NewInstance();
    OpenStream(instance, "http://host/dir/pic.vem");
    DocumentRecord* document = Document(instance);
    EXPECT_EQ(document->loadBegun, 1);
    EXPECT_STREQ(document->streamUrl, "http://host/dir/pic.vem");
    EXPECT_STREQ(document->documentUrl.text, "http://host/dir/pic.vem");
    EXPECT_STREQ(document->fileName, "pic.vem");
    EXPECT_EQ(document->rendererRequested, 0);
    EXPECT_EQ(factory.creations, 0);
    EXPECT_EQ(document->renderer, nullptr);

    ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    EXPECT_EQ(factory.creations, 1);
    EXPECT_EQ(document->renderer, static_cast<IDocumentRenderer*>(&renderer));
    EXPECT_EQ(document->ownerWindow, child);
    EXPECT_EQ(Plugin(instance)->view->renderer, static_cast<IDocumentRenderer*>(&renderer));
    EXPECT_STREQ(document->documentUrl.text, "http://host/dir/pic.vem") << "kept";
    EXPECT_STREQ(document->fileName, "pic.vem");
}

TEST_F(InstanceLifecycle, RendererIsCreatedOncePerInstance) {
    NPP instance = NewInstance();
    ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    OpenStream(instance, "http://host/a.vem");
    EXPECT_EQ(factory.creations, 1);
    EXPECT_EQ(renderer.references, 2);
    OpenStream(instance, "http://host/sub/b.web");
    EXPECT_EQ(factory.creations, 1);
    DocumentRecord* document = Document(instance);
    EXPECT_STREQ(document->streamUrl, "http://host/sub/b.web");
    EXPECT_STREQ(document->fileName, "b.web");

    NPP_Destroy(instance, nullptr);
    EXPECT_EQ(renderer.references, 1) << "the instance's reference is released";
    EXPECT_EQ(renderer.releases, 1);
}

TEST_F(InstanceLifecycle, ViewportReachesTheRendererAsDefaultView) {
    NPP instance = NewInstance({{"viewport", "0 0 72000 36000"}});
    ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    OpenStream(instance);
    EXPECT_EQ(renderer.CountOf(kSlotSetDefaultView), 1);
}

TEST_F(InstanceLifecycle, MissingRendererShowsTheBareCaptionOnce) {
    factory.createResult = REGDB_E_CLASSNOTREG;
    NPP instance = NewInstance();
    ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    MessageBoxRecorder recorder;
    OpenStream(instance);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].caption, "Error from Vemo graphic plug-in");
    EXPECT_EQ(recorder.boxes[0].text, "");
    EXPECT_EQ(recorder.boxes[0].owner, nullptr) << "no owner before the renderer exists";
    DocumentRecord* document = Document(instance);
    EXPECT_EQ(document->renderer, nullptr);
    EXPECT_EQ(document->rendererRequested, 1);

    OpenStream(instance);
    EXPECT_EQ(factory.creations, 1) << "no second attempt";
    EXPECT_EQ(recorder.boxes.size(), 1u);
    uint8_t chunk[16] = {'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0D, 0x0A};
    EXPECT_EQ(NPP_Write(instance, streams.back().get(), 0, 16, chunk), -1);
}

// COM is left as it was found when the renderer cannot be created: the thread can still enter
// another apartment kind afterwards.
TEST_F(InstanceLifecycle, FailedCreationBalancesCoInitialize) {
    NPP instance = NewInstance();
    ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    HRESULT afterwards = E_UNEXPECTED;
    int boxes = 0;
    std::thread([&] {
        ScriptedRendererFactory failing;
        failing.createResult = E_OUTOFMEMORY;
        {
            ScriptedRendererRegistration registration(&failing);
            MessageBoxRecorder recorder;
            OpenStream(instance);
            boxes = static_cast<int>(recorder.boxes.size());
        }
        afterwards = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
        if (SUCCEEDED(afterwards)) {
            CoUninitialize();
        }
    }).join();
    EXPECT_EQ(boxes, 1);
    EXPECT_EQ(afterwards, S_OK);
}

TEST_F(InstanceLifecycle, FailedCoInitializeShowsNothing) {
    NPP instance = NewInstance();
    ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    int boxes = -1;
    std::thread([&] {
        ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
        MessageBoxRecorder recorder;
        OpenStream(instance);
        boxes = static_cast<int>(recorder.boxes.size());
        CoUninitialize();
    }).join();
    EXPECT_EQ(boxes, 0);
    DocumentRecord* document = Document(instance);
    EXPECT_EQ(document->renderer, nullptr);
    EXPECT_EQ(document->rendererRequested, 1);
    EXPECT_EQ(factory.creations, 0);
}

// A 32-bit memory device context standing in for the printer.
struct PrinterPage {
    static constexpr int kWidth = 120;
    static constexpr int kHeight = 90;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ previous = nullptr;
    uint32_t* pixels = nullptr;

    PrinterPage() {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        dc = CreateCompatibleDC(nullptr);
        void* bits = nullptr;
        bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<uint32_t*>(bits);
        previous = SelectObject(dc, bitmap);
        for (int i = 0; i < kWidth * kHeight; ++i) {
            pixels[i] = 0x00FFFFFF;
        }
    }
    ~PrinterPage() {
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    uint32_t At(int x, int y) const {
        GdiFlush();
        return pixels[y * kWidth + x] & 0x00FFFFFF;
    }
};

NPPrint EmbeddedPrint(HDC dc, int32_t x, int32_t y, uint32_t width, uint32_t height) {
    NPPrint print = {};
    print.mode = NP_EMBED;
    print.print.embedPrint.window.x = x;
    print.print.embedPrint.window.y = y;
    print.print.embedPrint.window.width = width;
    print.print.embedPrint.window.height = height;
    print.print.embedPrint.platformPrint = dc;
    return print;
}

TEST_F(InstanceLifecycle, FullPagePrintIsLeftToTheBrowser) {
    NPP instance = NewInstance({}, NP_FULL);
    PrinterPage page;
    NPPrint print = {};
    print.mode = NP_FULL;
    print.print.fullPrint.pluginPrinted = 1;
    print.print.fullPrint.platformPrint = page.dc;
    NPP_Print(instance, &print);
    EXPECT_EQ(print.print.fullPrint.pluginPrinted, 0);
    for (int y = 0; y < PrinterPage::kHeight; ++y) {
        for (int x = 0; x < PrinterPage::kWidth; ++x) {
            ASSERT_EQ(page.At(x, y), 0xFFFFFFu) << x << "," << y;
        }
    }
}

TEST_F(InstanceLifecycle, EmbeddedPrintWithoutViewDrawsAOnePixelFrame) {
    NPP instance = NewInstance();
    PrinterPage page;
    const int x0 = 10, y0 = 20, width = 60, height = 40;
    NPPrint print = EmbeddedPrint(page.dc, x0, y0, width, height);
    HGDIOBJ pen = GetCurrentObject(page.dc, OBJ_PEN);
    HGDIOBJ brush = GetCurrentObject(page.dc, OBJ_BRUSH);
    NPP_Print(instance, &print);
    for (int y = 0; y < PrinterPage::kHeight; ++y) {
        for (int x = 0; x < PrinterPage::kWidth; ++x) {
            bool inside = x >= x0 && x < x0 + width && y >= y0 && y < y0 + height;
            bool edge =
                inside && (x == x0 || x == x0 + width - 1 || y == y0 || y == y0 + height - 1);
            ASSERT_EQ(page.At(x, y), edge ? 0x000000u : 0xFFFFFFu) << x << "," << y;
        }
    }
    EXPECT_EQ(GetCurrentObject(page.dc, OBJ_PEN), pen) << "the earlier pen is selected back";
    EXPECT_EQ(GetCurrentObject(page.dc, OBJ_BRUSH), brush);
}

TEST_F(InstanceLifecycle, EmbeddedPrintWithViewLeavesItToTheView) {
    NPP instance = NewInstance();
    ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    OpenStream(instance);
    renderer.SetDefault(kSlotRenderSlice, 0x18);
    renderer.calls.clear();
    PrinterPage page;
    NPPrint print = EmbeddedPrint(page.dc, 10, 20, 60, 40);
    NPP_Print(instance, &print);
    EXPECT_GT(renderer.CountOf(kSlotCreateRenderContext), 0) << "the view renders for print";
    EXPECT_NE(page.At(10, 20), 0x000000u) << "no frame drawn";
}

TEST_F(InstanceLifecycle, PrintWithoutRecordOrInstanceDoesNothing) {
    NPP instance = NewInstance();
    NPP_Print(instance, nullptr);
    PrinterPage page;
    NPPrint print = EmbeddedPrint(page.dc, 0, 0, 10, 10);
    NPP_Print(nullptr, &print);
    EXPECT_EQ(page.At(0, 0), 0xFFFFFFu);
}

} // namespace
