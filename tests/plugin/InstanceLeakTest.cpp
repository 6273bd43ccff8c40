// A thousand instances created, fed, rendered, printed and destroyed through the function table
// of the built NPVemoC.dll, as a browser would: afterwards the process holds no more GDI or
// USER objects, kernel handles or heap memory than before.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ProcessResources.h"
#include "TestBrowser.h"
#include "npapi/npapi.h"
#include "plugin/DocumentRecord.h"
#include "plugin/PluginInstance.h"
#include "support/BuildPaths.h"
#include "support/ScriptedRenderer.h"

namespace {

void Pump() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

class InstanceLeak : public ::testing::Test {
protected:
    void SetUp() override {
        module = LoadLibraryA(buildpaths::PluginDll("x86_64").c_str());
        ASSERT_NE(module, nullptr);
        auto getEntryPoints = reinterpret_cast<NP_GetEntryPointsFunc>(
            reinterpret_cast<void*>(GetProcAddress(module, "NP_GetEntryPoints")));
        auto initialize = reinterpret_cast<NP_InitializeFunc>(
            reinterpret_cast<void*>(GetProcAddress(module, "NP_Initialize")));
        shutdown = reinterpret_cast<NP_ShutdownFunc>(
            reinterpret_cast<void*>(GetProcAddress(module, "NP_Shutdown")));
        functions = NPPluginFuncs{};
        functions.size = sizeof functions;
        ASSERT_EQ(getEntryPoints(&functions), NPERR_NO_ERROR);
        ASSERT_EQ(initialize(TestBrowser::Get().Reset()), NPERR_NO_ERROR);
        registration = new ScriptedRendererRegistration(&factory);
        ASSERT_TRUE(registration->Registered());
        page = CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300,
                               240, nullptr, nullptr, nullptr, nullptr);
        GetTempPathA(MAX_PATH, folder);
        savePath = std::string(folder) + "vemo-leak-test.vem";
    }
    void TearDown() override {
        DestroyWindow(page);
        delete registration;
        shutdown();
        FreeLibrary(module);
        DeleteFileA(savePath.c_str());
    }

    // One instance from creation to teardown; cycle picks one of several roads.
    void Cycle(int cycle) {
        ScriptedRenderer renderer;
        renderer.SetDefault(kSlotRenderSlice, 0x18);
        factory.renderer = &renderer;
        TestBrowser::Get().statusTexts.clear();

        HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 5, 5, 160, 120, page,
                                     nullptr, nullptr, nullptr);
        NPP_t instance{nullptr, nullptr};
        std::string names[] = {"viewport", "base", "zoompan"};
        std::string values[] = {"0 0 72000 54000", "http://host/base/", "true"};
        char* argn[] = {&names[0][0], &names[1][0], &names[2][0]};
        char* argv[] = {&values[0][0], &values[1][0], &values[2][0]};
        char mime[] = "application/vnd.vemo";
        ASSERT_EQ(functions.newp(mime, &instance, NP_EMBED, 3, argn, argv, nullptr),
                  NPERR_NO_ERROR);
        NPWindow window = {};
        window.window = child;
        window.width = 160;
        window.height = 120;
        ASSERT_EQ(functions.setwindow(&instance, &window), NPERR_NO_ERROR);

        NPStream stream = {};
        stream.url = "http://host/drawings/leak.vem";
        uint16_t type = 0;
        ASSERT_EQ(functions.newstream(&instance, mime, &stream, 0, &type), NPERR_NO_ERROR);
        std::vector<uint8_t> bytes(6000, 0x5A);
        const uint8_t header[8] = {'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0D, 0x0A};
        memcpy(bytes.data(), header, 8);
        switch (cycle % 4) {
        case 1: // a refused header
            bytes[6] = 0x0A;
            break;
        case 2: // a corrupt drawing
            renderer.SetDefault(kSlotLoadData, HRESULT(0x80001001));
            break;
        default:
            break;
        }
        size_t offset = 0;
        while (offset < bytes.size()) {
            int32_t taken = functions.write(&instance, &stream, int32_t(offset),
                                            int32_t(bytes.size() - offset), bytes.data() + offset);
            if (taken <= 0) {
                break;
            }
            offset += size_t(taken);
        }
        functions.destroystream(&instance, &stream, cycle % 4 == 3 ? NPRES_USER_BREAK : NPRES_DONE);
        // A few turns of the render timer and a paint.
        for (int tick = 0; tick < 3; ++tick) {
            SendMessageA(child, WM_TIMER, 1000, 0);
        }
        RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        Pump();

        if (cycle % 5 == 0) {
            // A save stream to a real file, then an embedded print.
            NPStream save = {};
            save.url = stream.url;
            PluginInstanceSave(&instance);
            ASSERT_EQ(functions.newstream(&instance, mime, &save, 0, &type), NPERR_NO_ERROR);
            functions.write(&instance, &save, 0, 4096, bytes.data());
            functions.destroystream(&instance, &save, NPRES_DONE);
        }
        HDC screen = GetDC(nullptr);
        HDC printer = CreateCompatibleDC(screen);
        HBITMAP page = CreateCompatibleBitmap(screen, 200, 200);
        HGDIOBJ previous = SelectObject(printer, page);
        NPPrint print = {};
        print.mode = NP_EMBED;
        print.print.embedPrint.window.x = 10;
        print.print.embedPrint.window.y = 10;
        print.print.embedPrint.window.width = 100;
        print.print.embedPrint.window.height = 80;
        print.print.embedPrint.platformPrint = printer;
        functions.print(&instance, &print);
        SelectObject(printer, previous);
        DeleteObject(page);
        DeleteDC(printer);
        ReleaseDC(nullptr, screen);

        EXPECT_EQ(functions.destroy(&instance, nullptr), NPERR_NO_ERROR);
        EXPECT_EQ(instance.pdata, nullptr);
        DestroyWindow(child);
        Pump();
        EXPECT_EQ(renderer.references, 1) << "cycle " << cycle;
        EXPECT_EQ(renderer.LiveContexts(), 0) << "cycle " << cycle;
        factory.renderer = nullptr;
    }

    // "Save Graphic As...": the save mode and path live in the document record, reached here
    // the way the view reaches it.
    void PluginInstanceSave(NPP instance);

    HMODULE module = nullptr;
    NP_ShutdownFunc shutdown = nullptr;
    NPPluginFuncs functions{};
    ScriptedRendererFactory factory;
    ScriptedRendererRegistration* registration = nullptr;
    HWND page = nullptr;
    char folder[MAX_PATH] = {};
    std::string savePath;
};

void InstanceLeak::PluginInstanceSave(NPP instance) {
    DocumentRecord* document = static_cast<PluginInstance*>(instance->pdata)->document;
    lstrcpynA(document->fileName, savePath.c_str(), sizeof document->fileName);
    document->saveMode = 1;
}

TEST_F(InstanceLeak, ThousandCyclesLeaveNothingBehind) {
    for (int cycle = 0; cycle < 40; ++cycle) {
        Cycle(cycle);
    }
    ProcessResources before = ProcessResources::Measure();
    for (int cycle = 0; cycle < 1000; ++cycle) {
        Cycle(cycle);
        if (HasFatalFailure()) {
            return;
        }
    }
    ProcessResources after = ProcessResources::Measure();
    printf("GDI objects %ld -> %ld, USER objects %ld -> %ld, handles %ld -> %ld, "
           "heap bytes %llu -> %llu\n",
           before.gdiObjects, after.gdiObjects, before.userObjects, after.userObjects,
           before.handles, after.handles, (unsigned long long)before.heapBytes,
           (unsigned long long)after.heapBytes);
    ASSERT_GT(before.gdiObjects, 0);
    ASSERT_GT(before.userObjects, 0);
    ASSERT_GT(before.handles, 0);
    EXPECT_EQ(after.gdiObjects, before.gdiObjects);
    EXPECT_EQ(after.userObjects, before.userObjects);
    EXPECT_LE(after.handles, before.handles + 2);
    // Less than 64 bytes a cycle: one leaked document record alone is several hundred.
    EXPECT_LT(after.heapBytes, before.heapBytes + 64 * 1000);
    EXPECT_EQ(TestBrowser::Get().LiveBlocks(), 0);
}

} // namespace
