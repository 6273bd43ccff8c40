// The three exports of NPVemoC.dll as a browser calls them: the function table handed out, the
// browser table accepted or refused, shut-down.
#include <gtest/gtest.h>

#include <windows.h>

#include <string.h>

#include "npapi/npapi.h"
#include "MessageBoxRecorder.h"
#include "TestBrowser.h"
#include "support/BuildPaths.h"
#include "support/ScriptedRenderer.h"

namespace {

class EntryPoints : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module = LoadLibraryA(buildpaths::PluginDll("x86_64").c_str());
        ASSERT_NE(module, nullptr) << "cannot load " << buildpaths::PluginDll("x86_64");
        getEntryPoints = reinterpret_cast<NP_GetEntryPointsFunc>(
            reinterpret_cast<void*>(GetProcAddress(module, "NP_GetEntryPoints")));
        initialize = reinterpret_cast<NP_InitializeFunc>(
            reinterpret_cast<void*>(GetProcAddress(module, "NP_Initialize")));
        shutdown = reinterpret_cast<NP_ShutdownFunc>(
            reinterpret_cast<void*>(GetProcAddress(module, "NP_Shutdown")));
    }
    static void TearDownTestSuite() { FreeLibrary(module); }

    void SetUp() override {
        ASSERT_NE(getEntryPoints, nullptr);
        ASSERT_NE(initialize, nullptr);
        ASSERT_NE(shutdown, nullptr);
    }
    void TearDown() override { shutdown(); }

    // Creates and destroys one instance through the plug-in's table: the instance record
    // comes from the browser's allocator, so this shows which table the plug-in calls.
    static void CreateAndDestroyInstance() {
        NPPluginFuncs functions;
        memset(&functions, 0, sizeof functions);
        functions.size = sizeof functions;
        ASSERT_EQ(getEntryPoints(&functions), NPERR_NO_ERROR);
        NPP_t instance{nullptr, nullptr};
        char mime[] = "application/vnd.vemo";
        ASSERT_EQ(functions.newp(mime, &instance, NP_EMBED, 0, nullptr, nullptr, nullptr),
                  NPERR_NO_ERROR);
        EXPECT_EQ(functions.destroy(&instance, nullptr), NPERR_NO_ERROR);
        EXPECT_EQ(instance.pdata, nullptr);
    }

    static inline HMODULE module = nullptr;
    static inline NP_GetEntryPointsFunc getEntryPoints = nullptr;
    static inline NP_InitializeFunc initialize = nullptr;
    static inline NP_ShutdownFunc shutdown = nullptr;
};

TEST_F(EntryPoints, GetEntryPointsRefusesANullRecord) {
    EXPECT_EQ(getEntryPoints(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
}

TEST_F(EntryPoints, GetEntryPointsBelowTheSmallestSizeLeavesTheRecordUntouched) {
    NPPluginFuncs functions;
    memset(&functions, 0xAB, sizeof functions);
    functions.size = NP_PLUGIN_FUNCS_MIN_SIZE - 1;
    NPPluginFuncs before = functions;
    EXPECT_EQ(getEntryPoints(&functions), NPERR_INVALID_FUNCTABLE_ERROR);
    EXPECT_EQ(memcmp(&functions, &before, sizeof functions), 0);
}

TEST_F(EntryPoints, GetEntryPointsFillsTheVersionSlotsOnly) {
    for (uint16_t size : {uint16_t(NP_PLUGIN_FUNCS_MIN_SIZE), uint16_t(sizeof(NPPluginFuncs))}) {
        NPPluginFuncs functions;
        memset(&functions, 0xAB, sizeof functions);
        functions.size = size;
        NPPluginFuncs before = functions;
        ASSERT_EQ(getEntryPoints(&functions), NPERR_NO_ERROR) << size;
        EXPECT_EQ(functions.size, size);
        EXPECT_EQ(functions.version, 6);
        void* entries[] = {
            reinterpret_cast<void*>(functions.newp),
            reinterpret_cast<void*>(functions.destroy),
            reinterpret_cast<void*>(functions.setwindow),
            reinterpret_cast<void*>(functions.newstream),
            reinterpret_cast<void*>(functions.destroystream),
            reinterpret_cast<void*>(functions.asfile),
            reinterpret_cast<void*>(functions.writeready),
            reinterpret_cast<void*>(functions.write),
            reinterpret_cast<void*>(functions.print),
        };
        for (size_t i = 0; i < 9; ++i) {
            EXPECT_NE(entries[i], nullptr) << i;
            EXPECT_NE(entries[i], reinterpret_cast<void*>(~uintptr_t(0) / 0xFF * 0xAB)) << i;
            for (size_t j = 0; j < i; ++j) {
                EXPECT_NE(entries[i], entries[j]) << i << " " << j;
            }
        }
        EXPECT_EQ(functions.event, nullptr);
        size_t after = offsetof(NPPluginFuncs, urlnotify);
        EXPECT_EQ(memcmp(reinterpret_cast<char*>(&functions) + after,
                         reinterpret_cast<char*>(&before) + after, sizeof functions - after),
                  0);
    }
}

TEST_F(EntryPoints, WriteReadyOffersFourKilobytes) {
    NPPluginFuncs functions{};
    functions.size = sizeof functions;
    ASSERT_EQ(getEntryPoints(&functions), NPERR_NO_ERROR);
    EXPECT_EQ(functions.writeready(nullptr, nullptr), 4096);
}

TEST_F(EntryPoints, InitializeRefusesANullTable) {
    EXPECT_EQ(initialize(nullptr), NPERR_INVALID_FUNCTABLE_ERROR);
}

// Every table is kept, also those refused: the host services still reach it.
TEST_F(EntryPoints, InitializeChecksMajorVersionThenSizeAndKeepsTheTable) {
    const struct {
        uint16_t version;
        int sizeDelta; // relative to the smallest table
        NPError expected;
    } cases[] = {
        {0x0100, 0, NPERR_INCOMPATIBLE_VERSION_ERROR},
        {0x0106, -1, NPERR_INCOMPATIBLE_VERSION_ERROR},
        {0xFF00, 100, NPERR_INCOMPATIBLE_VERSION_ERROR},
        {0x0006, -1, NPERR_INVALID_FUNCTABLE_ERROR},
        {0x00FF, -1, NPERR_INVALID_FUNCTABLE_ERROR},
        {0x0000, -52, NPERR_INVALID_FUNCTABLE_ERROR},
        {0x0006, 0, NPERR_NO_ERROR},
        {0x0000, 0, NPERR_NO_ERROR},
        {0x00FF, 0, NPERR_NO_ERROR},
        {0x0009, int(sizeof(NPNetscapeFuncs)) - int(NP_NETSCAPE_FUNCS_MIN_SIZE), NPERR_NO_ERROR},
    };
    for (const auto& c : cases) {
        TestBrowser& browser = TestBrowser::Get();
        int size = int(NP_NETSCAPE_FUNCS_MIN_SIZE) + c.sizeDelta;
        NPNetscapeFuncs* table = browser.Reset(uint16_t(size < 0 ? 0 : size), c.version);
        EXPECT_EQ(initialize(table), c.expected) << std::hex << c.version << " " << c.sizeDelta;
        CreateAndDestroyInstance();
        EXPECT_EQ(browser.allocations, 1) << std::hex << c.version << " " << c.sizeDelta;
        EXPECT_EQ(browser.frees, 1);
    }
}

TEST_F(EntryPoints, ShutdownTwiceSucceedsBothTimes) {
    ASSERT_EQ(initialize(TestBrowser::Get().Reset()), NPERR_NO_ERROR);
    EXPECT_EQ(shutdown(), NPERR_NO_ERROR);
    EXPECT_EQ(shutdown(), NPERR_NO_ERROR);
}

TEST_F(EntryPoints, ShutdownThenInitializeStartsAgain) {
    ASSERT_EQ(initialize(TestBrowser::Get().Reset()), NPERR_NO_ERROR);
    ASSERT_EQ(shutdown(), NPERR_NO_ERROR);
    TestBrowser& browser = TestBrowser::Get();
    ASSERT_EQ(initialize(browser.Reset()), NPERR_NO_ERROR);
    CreateAndDestroyInstance();
    EXPECT_EQ(browser.allocations, 1);
}

// This program has no string table: the error box's texts can only come from the library's
// own module handle, stored when it was loaded.
TEST_F(EntryPoints, ErrorBoxTextsComeFromTheLibrary) {
    ASSERT_EQ(initialize(TestBrowser::Get().Reset()), NPERR_NO_ERROR);
    NPPluginFuncs functions{};
    functions.size = sizeof functions;
    ASSERT_EQ(getEntryPoints(&functions), NPERR_NO_ERROR);
    ScriptedRendererFactory factory;
    factory.createResult = REGDB_E_CLASSNOTREG;
    ScriptedRendererRegistration registration(&factory);
    HWND page = CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
    HWND child = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 100, 80, page,
                                 nullptr, nullptr, nullptr);
    NPP_t instance{nullptr, nullptr};
    char mime[] = "application/vnd.vemo";
    ASSERT_EQ(functions.newp(mime, &instance, NP_EMBED, 0, nullptr, nullptr, nullptr),
              NPERR_NO_ERROR);
    NPWindow window = {};
    window.window = child;
    window.width = 100;
    window.height = 80;
    ASSERT_EQ(functions.setwindow(&instance, &window), NPERR_NO_ERROR);
    NPStream stream = {};
    stream.url = "http://host/a.vem";
    uint16_t type = 0;
    MessageBoxRecorder recorder;
    ASSERT_EQ(functions.newstream(&instance, mime, &stream, 0, &type), NPERR_NO_ERROR);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].caption, "Error from Vemo graphic plug-in");
    EXPECT_EQ(recorder.boxes[0].text, "");
    EXPECT_EQ(factory.creations, 1);
    EXPECT_EQ(functions.destroy(&instance, nullptr), NPERR_NO_ERROR);
    DestroyWindow(child);
    DestroyWindow(page);
}

} // namespace
