// Every example drawing through the registered COM server, as the plug-in drives it: chunks of
// 4096 bytes, the end of data, the default view, a context, slices until finished; the picture
// is compared with the stored expected image. Also a hyperlink of the town map and the 8-bit
// conversion through the interface.
#include <windows.h>

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "ComTestSupport.h"
#include "ExampleFiles.h"
#include "plugin/DocumentRenderer.h"
#include "renderer/ExampleRendering.h"

namespace {

class ComExamples : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(0u, RunRegsvr32(RendererDllPath(), false));
        ASSERT_EQ(S_OK, CoInitialize(nullptr));
    }
    void TearDown() override {
        CoUninitialize();
        RunRegsvr32(RendererDllPath(), true);
    }
    IDocumentRenderer* Create() {
        IDocumentRenderer* r = nullptr;
        HRESULT h = CoCreateInstance(CLSID_VemoDocument, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IDocumentRenderer, reinterpret_cast<void**>(&r));
        EXPECT_EQ(S_OK, h);
        return r;
    }
};

struct Loaded {
    HRESULT load = S_OK;
    HRESULT end = S_OK;
};

Loaded Feed(IDocumentRenderer* r, const std::vector<uint8_t>& file) {
    Loaded l;
    for (size_t at = 0; at < file.size(); at += 4096) {
        ULONG n = ULONG(file.size() - at < 4096 ? file.size() - at : 4096);
        HRESULT h = r->LoadData(n, file.data() + at);
        if (FAILED(h)) {
            l.load = h;
            return l;
        }
    }
    l.end = r->LoadData(0, nullptr);
    return l;
}

TEST_F(ComExamples, EveryExampleRendersLikeItsExpectedImage) {
    for (const ExampleFile& example : kExampleFiles) {
        std::vector<uint8_t> file;
        ASSERT_TRUE(ReadWholeFile(SourcePath("examples/") + example.name + ".vem", file))
            << example.name;
        int32_t width = 0, height = 0;
        std::vector<uint8_t> expected;
        ASSERT_TRUE(ReadPpm(SourcePath("tests/renderer/expected/") + example.name + ".ppm",
                            &width, &height, expected));
        IDocumentRenderer* r = Create();
        ASSERT_NE(nullptr, r);
        Loaded l = Feed(r, file);
        EXPECT_EQ(example.loadResult, l.load) << example.name;
        EXPECT_EQ(example.endResult, l.end) << example.name;
        DocRect view{};
        LONG flag = 1;
        if (r->GetDefaultView(&view, &flag) != S_OK) {
            view = DocRect{0, 0, 72000, 72000};
        }
        std::vector<uint32_t> pixels(size_t(width) * size_t(height + 1));
        ULONG context = 0;
        ASSERT_EQ(S_OK, r->CreateRenderContext(USHORT(width), USHORT(height), 1, pixels.data(),
                                               &context));
        ASSERT_EQ(S_OK, r->SetContextView(context, &view, flag));
        HRESULT slice = 0;
        for (int i = 0; i < 1000; ++i) {
            DocRect changed;
            LONG v1 = 0, v2 = 0;
            slice = r->RenderSlice(context, 200, 0, &changed, &v1, &v2, pixels.data());
            if (FAILED(slice) || (slice & (kSliceFinished | kSliceIncomplete))) {
                break;
            }
        }
        EXPECT_TRUE(slice & kSliceFinished) << example.name;
        EXPECT_EQ(S_OK, r->DestroyRenderContext(context));
        std::vector<uint8_t> rgb;
        vemo::PixelsToTopDownRgb(pixels.data(), width, height, rgb);
        vemo::ImageDifference d = vemo::CompareRgb(expected, rgb, kExampleSlack);
        EXPECT_LE(d.largest, kExampleLargestDifference) << example.name;
        EXPECT_LE(d.pixelsOver, kExampleDifferingPixels) << example.name;
        EXPECT_EQ(0u, r->Release());
    }
}

TEST_F(ComExamples, TownMapDistrictsLinkToTheirPages) {
    std::vector<uint8_t> file;
    ASSERT_TRUE(ReadWholeFile(SourcePath("examples/town-map.vem"), file));
    IDocumentRenderer* r = Create();
    ASSERT_NE(nullptr, r);
    ASSERT_EQ(0, Feed(r, file).end);
    std::vector<uint32_t> pixels(400 * 301);
    ULONG context = 0;
    ASSERT_EQ(S_OK, r->CreateRenderContext(400, 300, 1, pixels.data(), &context));
    DocRect view{0, 0, 576000, 432000};
    ASSERT_EQ(S_OK, r->SetContextView(context, &view, 1));
    RenderMatrix m{};
    ASSERT_EQ(S_OK, r->GetContextMatrix(context, &m));
    EXPECT_EQ(m.a, m.d);
    char text[256];
    LONG length = 0;
    ASSERT_EQ(S_OK, r->GetHyperlinkAt(60000, 60000, m, 16, 256, &length, text));
    EXPECT_EQ("districts/university.html", std::string(text, size_t(length)));
    ASSERT_EQ(S_OK, r->GetHyperlinkAt(470000, 120000, m, 16, 256, &length, text));
    EXPECT_EQ("districts/gardens.html#park", std::string(text, size_t(length)));
    EXPECT_EQ(S_FALSE, r->GetHyperlinkAt(-50000, -50000, m, 16, 256, &length, text));
    EXPECT_EQ(0, length);
    EXPECT_EQ(S_OK, r->DestroyRenderContext(context));
    r->Release();
}

TEST_F(ComExamples, ConvertsToThePaletteThroughTheInterface) {
    IDocumentRenderer* r = Create();
    ASSERT_NE(nullptr, r);
    BYTE table[256 * 4];
    ASSERT_EQ(S_OK, r->GetPalette(0, table));
    const uint32_t source[4] = {0x00FFFFFF, 0x00000000, 0x00FF0000, 0x000000FF};
    BYTE device[4] = {};
    ASSERT_EQ(S_OK, r->ConvertBitmap(4, 1, PixelPoint{0, 0}, 8, table, source, device));
    EXPECT_EQ(255, device[0]);
    EXPECT_EQ(0, device[1]);
    EXPECT_EQ(0xFF, table[device[2] * 4]);     // red
    EXPECT_EQ(0xFF, table[device[3] * 4 + 2]); // blue
    r->Release();
}

} // namespace
