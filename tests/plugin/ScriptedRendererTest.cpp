// The renderer double the plug-in's and the view's tests rely on: COM hands it out, it answers
// what is scripted and records what it was asked.
#include <gtest/gtest.h>

#include "support/ScriptedRenderer.h"

namespace {

TEST(ScriptedRenderer, IsHandedOutByCoCreateInstanceWhileRegistered) {
    ScriptedRenderer renderer;
    ScriptedRendererFactory factory;
    factory.renderer = &renderer;
    {
        ScriptedRendererRegistration registration(&factory);
        ASSERT_TRUE(registration.Registered());
        IDocumentRenderer* created = nullptr;
        ASSERT_EQ(CoCreateInstance(CLSID_VemoDocument, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IDocumentRenderer, reinterpret_cast<void**>(&created)),
                  S_OK);
        EXPECT_EQ(created, static_cast<IDocumentRenderer*>(&renderer));
        EXPECT_EQ(renderer.references, 2);
        created->Release();
    }
    EXPECT_EQ(renderer.references, 1);
    EXPECT_EQ(factory.creations, 1);
}

TEST(ScriptedRenderer, FactoryFailureReachesTheCaller) {
    ScriptedRendererFactory factory;
    factory.createResult = E_OUTOFMEMORY;
    ScriptedRendererRegistration registration(&factory);
    IDocumentRenderer* created = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_VemoDocument, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDocumentRenderer, reinterpret_cast<void**>(&created)),
              E_OUTOFMEMORY);
    EXPECT_EQ(created, nullptr);
}

TEST(ScriptedRenderer, AnswersQueuedResultsThenTheDefault) {
    ScriptedRenderer renderer;
    renderer.Queue(kSlotLoadData, {E_FAIL, S_FALSE});
    renderer.SetDefault(kSlotLoadData, 3);
    const BYTE chunk[3] = {1, 2, 3};
    EXPECT_EQ(renderer.LoadData(3, chunk), E_FAIL);
    EXPECT_EQ(renderer.LoadData(3, chunk), S_FALSE);
    EXPECT_EQ(renderer.LoadData(0, nullptr), 3);
    EXPECT_EQ(renderer.CountOf(kSlotLoadData), 3);
    EXPECT_EQ(renderer.loaded.size(), 6u);
    EXPECT_EQ(renderer.endOfData, 1);
}

TEST(ScriptedRenderer, RenderSlicePaintsTheContextsBuffer) {
    ScriptedRenderer renderer;
    renderer.SetDefault(kSlotRenderSlice, 0x18);
    DWORD pixels[4 * 3] = {};
    ULONG handle = 0;
    ASSERT_EQ(renderer.CreateRenderContext(4, 3, 0, pixels, &handle), S_OK);
    DocRect changed{};
    LONG a = 7, b = 7;
    EXPECT_EQ(renderer.RenderSlice(handle, 200, 0, &changed, &a, &b, pixels), 0x18);
    EXPECT_EQ(pixels[11], renderer.paintColour);
    EXPECT_EQ(changed.x1, 4);
    renderer.DestroyRenderContext(handle);
    EXPECT_EQ(renderer.LiveContexts(), 0);
}

} // namespace
