// The view with the real renderer component (VemoDoc.dll, loaded from the build), at the depth
// of the display the program runs on (24, 16 or 8 bits): the example drawing builds up in the
// window and ends like the stored capture; the 16-bit display gets a 32-bit back buffer without
// conversion, the palette display a colour table of 256 entries and conversion.
//
// Stored capture: tests/view/expected/town-map-320x240.ppm, taken at depth 24; the tolerances
// of each depth against it are those of testfiles::ExpectLikeCapture. VEMO_UPDATE_CAPTURES=1 at
// depth 24 writes the capture anew.
#include "tests/view/ViewFixture.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "support/Captures.h"
#include "support/TestFiles.h"

namespace viewtest {
namespace {

std::string FromBuild(const char* variable, const char* relative) {
    return testfiles::PathFromEnv(variable, relative);
}

// Forwards every call to the real renderer and counts what the view asks for.
class CountingRenderer final : public IDocumentRenderer {
public:
    explicit CountingRenderer(IDocumentRenderer* inner) : real(inner) {}
    IDocumentRenderer* real;
    int converts = 0;
    int palettes = 0;
    int presentingSlices = 0;
    std::vector<HRESULT> slices;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
        return real->QueryInterface(iid, out);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return real->AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return real->Release(); }
    HRESULT STDMETHODCALLTYPE LoadData(ULONG n, const BYTE* d) override {
        return real->LoadData(n, d);
    }
    HRESULT STDMETHODCALLTYPE GetDefaultView(DocRect* v, LONG* f) override {
        return real->GetDefaultView(v, f);
    }
    HRESULT STDMETHODCALLTYPE SetDefaultView(const DocRect* v, LONG f) override {
        return real->SetDefaultView(v, f);
    }
    HRESULT STDMETHODCALLTYPE GetHyperlinkAt(LONG x, LONG y, RenderMatrix m, LONG t, LONG c,
                                             LONG* l, char* s) override {
        return real->GetHyperlinkAt(x, y, m, t, c, l, s);
    }
    HRESULT STDMETHODCALLTYPE Reserved7() override { return real->Reserved7(); }
    HRESULT STDMETHODCALLTYPE CreateRenderContext(USHORT w, USHORT h, LONG s, void* p,
                                                  ULONG* out) override {
        return real->CreateRenderContext(w, h, s, p, out);
    }
    HRESULT STDMETHODCALLTYPE SetContextView(ULONG c, const DocRect* v, LONG f) override {
        return real->SetContextView(c, v, f);
    }
    HRESULT STDMETHODCALLTYPE GetContextMatrix(ULONG c, RenderMatrix* m) override {
        return real->GetContextMatrix(c, m);
    }
    HRESULT STDMETHODCALLTYPE Reserved11() override { return real->Reserved11(); }
    HRESULT STDMETHODCALLTYPE RenderSlice(ULONG c, ULONG b, LONG r, DocRect* ch, LONG* v1, LONG* v2,
                                          void* p) override {
        HRESULT result = real->RenderSlice(c, b, r, ch, v1, v2, p);
        slices.push_back(result);
        presentingSlices += (result >= 0 && (result & 0x18) != 0) ? 1 : 0;
        return result;
    }
    HRESULT STDMETHODCALLTYPE ConvertBitmap(LONG w, LONG h, PixelPoint o, LONG bpp,
                                            const BYTE* table, const void* s, void* d) override {
        ++converts;
        return real->ConvertBitmap(w, h, o, bpp, table, s, d);
    }
    HRESULT STDMETHODCALLTYPE DestroyRenderContext(ULONG c) override {
        return real->DestroyRenderContext(c);
    }
    HRESULT STDMETHODCALLTYPE GetPalette(LONG r, BYTE* t) override {
        ++palettes;
        return real->GetPalette(r, t);
    }
};

using testfiles::Differing;
using testfiles::ExpectLikeCapture;
using testfiles::Features;
using testfiles::Picture;
using testfiles::ScreenDepth;

class RealRenderer : public ViewFixture {
protected:
    static constexpr int kWidth = 320;
    static constexpr int kHeight = 240;
    HMODULE library = nullptr;
    IDocumentRenderer* real = nullptr;
    CountingRenderer* counting = nullptr;
    std::vector<uint8_t> file;
    size_t fed = 0;

    void SetUp() override {
        ViewFixture::SetUp();
        std::string dll = FromBuild("VEMO_BINARY_DIR", "renderer/VemoDoc.dll");
        library = LoadLibraryA(dll.c_str());
        ASSERT_NE(library, nullptr) << dll;
        using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
        auto get = reinterpret_cast<GetClassObject>(
            reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
        ASSERT_NE(get, nullptr);
        IClassFactory* factory = nullptr;
        ASSERT_EQ(get(CLSID_VemoDocument, IID_IClassFactory, reinterpret_cast<void**>(&factory)),
                  S_OK);
        ASSERT_EQ(factory->CreateInstance(nullptr, IID_IDocumentRenderer,
                                          reinterpret_cast<void**>(&real)),
                  S_OK);
        factory->Release();
        counting = new CountingRenderer(real);
        ASSERT_TRUE(
            testfiles::ReadBytes(FromBuild("VEMO_SOURCE_DIR", "examples/town-map.vem"), file));
    }
    void TearDown() override {
        ViewFixture::TearDown();
        delete counting;
        counting = nullptr;
        if (real != nullptr) {
            real->Release();
            real = nullptr;
        }
        // The library stays loaded: the process ends soon, and its objects are gone.
    }

    // Delivers the file up to `end` bytes in chunks of 4096, and its end when all is in.
    void Feed(size_t end) {
        while (fed < end) {
            ULONG n = ULONG(end - fed < 4096 ? end - fed : 4096);
            ASSERT_GE(counting->LoadData(n, file.data() + fed), 0);
            fed += n;
        }
        if (fed == file.size()) {
            counting->LoadData(0, nullptr);
        }
    }
    void Start() {
        MakeView(kWidth, kHeight);
        view->AttachRenderer(counting);
        view->RestartRendering();
        PumpFor(30);
    }
    // One timer turn and the paint it caused.
    void Tick() {
        view->RenderTimerTick();
        UpdateWindow(browser->child);
    }
    // Ticks until no tile is left (at most `limit`); the number of ticks.
    int TickUntilDone(int limit) {
        int ticks = 0;
        do {
            Tick();
            ++ticks;
        } while (ticks < limit && (view->tiles.head != nullptr || !IsSet(view->currentView)));
        PumpFor(30);
        return ticks;
    }
    Picture Capture() {
        UpdateWindow(browser->child);
        GdiFlush();
        Surface s(kWidth, kHeight, 0);
        HDC dc = GetDC(browser->child);
        BitBlt(s.dc, 0, 0, kWidth, kHeight, dc, 0, 0, SRCCOPY);
        ReleaseDC(browser->child, dc);
        Picture p;
        p.width = kWidth;
        p.height = kHeight;
        p.rgb.resize(size_t(kWidth) * kHeight * 3);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                uint32_t c = s.At(x, y);
                uint8_t* o = &p.rgb[(size_t(y) * kWidth + x) * 3];
                o[0] = uint8_t(c >> 16);
                o[1] = uint8_t(c >> 8);
                o[2] = uint8_t(c);
            }
        }
        return p;
    }
};

TEST_F(RealRenderer, TheDrawingAppearsLikeTheStoredCapture) {
    Feed(file.size());
    Start();
    int ticks = TickUntilDone(400);
    ASSERT_EQ(view->tiles.head, nullptr) << "not finished after " << ticks << " ticks";
    EXPECT_EQ(view->documentReady, 1);
    EXPECT_EQ(view->pictureShown, 1);
    Picture shown = Capture();
    const int depth = ScreenDepth();
    Picture stored;
    const char* path = "tests/view/expected/town-map-320x240.ppm";
    ASSERT_TRUE(testfiles::StoredCapture(path, shown, stored)) << path;
    ASSERT_GT(Features(stored), 1000) << "the capture shows a drawing";
    testfiles::CaptureDifference difference;
    ExpectLikeCapture(stored, shown, depth, &difference);
    printf("depth %d: %d ticks, mean difference %.2f, largest %d\n", depth, ticks, difference.mean,
           difference.largest);
}

TEST_F(RealRenderer, ASlowStreamBuildsThePictureUpOverSeveralTicks) {
    // The file arrives in three parts with ticks in between, as over a slow line.
    Feed(file.size() / 3);
    Start();
    std::vector<Picture> stages;
    std::vector<int> presented;
    for (int part = 1; part <= 3; ++part) {
        Feed(file.size() * size_t(part) / 3);
        for (int i = 0; i < 4; ++i) {
            Tick();
        }
        EXPECT_TRUE(IsSet(view->currentView)) << "the default view comes with the first part";
        EXPECT_EQ(view->documentReady, part == 3 ? 1 : 0) << part;
        stages.push_back(Capture());
        presented.push_back(counting->presentingSlices);
    }
    EXPECT_GE(presented[0], 1);
    for (int part = 1; part < 3; ++part) {
        EXPECT_GT(presented[size_t(part)], presented[size_t(part) - 1]) << part;
        EXPECT_GT(Differing(stages[size_t(part)], stages[size_t(part) - 1]), 500)
            << "part " << part + 1 << " adds to the picture";
    }
    EXPECT_GT(Features(stages[0]), 1000) << "the first part already shows";
    EXPECT_GT(Features(stages[2]), Features(stages[0]));
}

TEST_F(RealRenderer, DisplayDepthDecidesBufferAndConversion) {
    Feed(file.size());
    Start();
    TickUntilDone(400);
    switch (ScreenDepth()) {
    case 32:
        EXPECT_EQ(view->backIs32, 0);
        EXPECT_EQ(view->backInfo->bmiHeader.biBitCount, 32);
        EXPECT_EQ(view->colourTable, nullptr);
        break;
    case 16:
        EXPECT_EQ(view->backIs32, 1);
        EXPECT_EQ(view->backInfo->bmiHeader.biBitCount, 32);
        EXPECT_EQ(counting->converts, 0) << "ConvertBitmap is never called";
        break;
    case 8:
        EXPECT_EQ(view->backIs32, 0);
        EXPECT_EQ(view->backInfo->bmiHeader.biBitCount, 8);
        EXPECT_EQ(view->colourCount, 256u);
        EXPECT_EQ(counting->palettes, 1);
        EXPECT_GE(counting->converts, 1);
        break;
    default:
        GTEST_SKIP() << "display depth " << ScreenDepth();
    }
}

} // namespace
} // namespace viewtest
