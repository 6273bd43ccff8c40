// A browser around the plug-in code linked into the test program: the browser function table,
// a page window with a child window for the plug-in, and the scripted renderer registered as
// the renderer component.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "MessageBoxRecorder.h"
#include "TestBrowser.h"
#include "plugin/DocumentRecord.h"
#include "plugin/HostServices.h"
#include "plugin/PluginCallbacks.h"
#include "plugin/PluginInstance.h"
#include "support/ScriptedRenderer.h"
#include "view/ViewWindow.h"

// The first eight bytes of every drawing file.
inline std::vector<uint8_t> DrawingHeader() {
    return {'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0D, 0x0A};
}

// A drawing's bytes: the header, then count bytes of a running pattern.
inline std::vector<uint8_t> DrawingBytes(size_t count) {
    std::vector<uint8_t> bytes = DrawingHeader();
    for (size_t i = 0; i < count; ++i) {
        bytes.push_back(static_cast<uint8_t>(i * 7 + 3));
    }
    return bytes;
}

class PluginTest : public ::testing::Test {
protected:
    static constexpr const char* kChildClass = "VemoTestPluginChild";

    void SetUp() override {
        SetPluginModule(GetModuleHandleA(nullptr));
        SetBrowserFunctions(TestBrowser::Get().Reset());
        factory.renderer = &renderer;
        registration = std::make_unique<ScriptedRendererRegistration>(&factory);
        ASSERT_TRUE(registration->Registered());

        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kChildClass;
        RegisterClassA(&windowClass);
        page = CreateWindowExA(0, "STATIC", "page", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400,
                               300, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(page, nullptr);
        child = MakeChild();
    }

    void TearDown() override {
        for (NPP_t& instance : instances) {
            if (instance.pdata != nullptr) {
                NPP_Destroy(&instance, nullptr);
            }
        }
        instances.clear();
        if (IsWindow(child)) {
            DestroyWindow(child);
        }
        DestroyWindow(page);
        registration.reset();
        EXPECT_EQ(TestBrowser::Get().LiveBlocks(), 0) << "instance records left allocated";
        SetBrowserFunctions(nullptr);
    }

    HWND MakeChild(int width = 200, int height = 150) {
        return CreateWindowExA(0, kChildClass, "", WS_CHILD | WS_VISIBLE, 10, 10, width, height,
                               page, nullptr, GetModuleHandleA(nullptr), nullptr);
    }

    // A new instance with the given embed attributes; stays valid for the test (a deque-like
    // vector reserved up front keeps the handles in place).
    NPP NewInstance(std::vector<std::pair<std::string, std::string>> attributes = {},
                    uint16_t mode = NP_EMBED, NPError* result = nullptr) {
        instances.reserve(64);
        instances.push_back(NPP_t{nullptr, nullptr});
        NPP instance = &instances.back();
        std::vector<char*> names;
        std::vector<char*> values;
        for (auto& pair : attributes) {
            names.push_back(&pair.first[0]);
            values.push_back(&pair.second[0]);
        }
        char mime[] = "application/vnd.vemo";
        NPError error = NPP_New(mime, instance, mode, static_cast<int16_t>(names.size()),
                                names.data(), values.data(), nullptr);
        if (result != nullptr) {
            *result = error;
        } else {
            EXPECT_EQ(error, NPERR_NO_ERROR);
        }
        return instance;
    }

    static PluginInstance* Plugin(NPP instance) {
        return static_cast<PluginInstance*>(instance->pdata);
    }
    static DocumentRecord* Document(NPP instance) { return Plugin(instance)->document; }

    NPError GiveWindow(NPP instance, HWND window, uint32_t width = 200, uint32_t height = 150) {
        NPWindow record = {};
        record.window = window;
        record.width = width;
        record.height = height;
        record.clipRect = NPRect{0, 0, uint16_t(height), uint16_t(width)};
        return NPP_SetWindow(instance, &record);
    }

    // Opens a stream (kept for the test) and returns it.
    NPStream* OpenStream(NPP instance, const char* url = "http://host/drawings/pic.vem",
                         NPError expected = NPERR_NO_ERROR) {
        streams.push_back(std::make_unique<NPStream>());
        NPStream* stream = streams.back().get();
        *stream = NPStream{};
        stream->url = url;
        uint16_t type = 0;
        char mime[] = "application/vnd.vemo";
        EXPECT_EQ(NPP_NewStream(instance, mime, stream, 0, &type), expected);
        EXPECT_EQ(type, NP_NORMAL);
        return stream;
    }

    int32_t Write(NPP instance, NPStream* stream, std::vector<uint8_t> bytes) {
        return NPP_Write(instance, stream, 0, static_cast<int32_t>(bytes.size()), bytes.data());
    }

    ScriptedRenderer renderer;
    ScriptedRendererFactory factory;
    std::unique_ptr<ScriptedRendererRegistration> registration;
    HWND page = nullptr;
    HWND child = nullptr;
    std::vector<NPP_t> instances;
    std::vector<std::unique_ptr<NPStream>> streams;
};
