// The view with the real renderer component (VemoDoc.dll, loaded from the build), at the depth
// of the display the program runs on (24, 16 or 8 bits): the example drawing builds up in the
// window and ends like the stored capture; the 16-bit display gets a 32-bit back buffer without
// conversion, the palette display a colour table of 256 entries and conversion.
//
// Stored capture: tests/view/expected/town-map-320x240.ppm, taken at depth 24. Tolerances
// against it (largest difference of a pixel's three channels):
//   24 bits: at most 1 percent of the pixels differ by more than 8, and the mean difference is
//            at most 1 (anti-aliased edges may shift by a shade when the renderer is refined;
//            a missing or misplaced object exceeds this at once).
//   16 bits: the same with 16 and 4 (5 or 6 bits per channel add up to 8).
//    8 bits: ordered conversion to the 256-colour palette; the mean difference over all pixels
//            and channels at most 24, and the mean over 8 x 8 blocks at most 24 on 98 percent
//            of the blocks (dithering noise averages out over a block, a missing object does
//            not).
// VEMO_UPDATE_CAPTURES=1 at depth 24 writes the capture anew.
#include "tests/view/ViewFixture.h"

#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

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

using Picture = std::vector<uint8_t>; // 320 x 240 x RGB

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
        ASSERT_TRUE(testfiles::ReadBytes(FromBuild("VEMO_SOURCE_DIR", "examples/town-map.vem"), file));
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
        Picture p(size_t(kWidth) * kHeight * 3);
        for (int y = 0; y < kHeight; ++y) {
            for (int x = 0; x < kWidth; ++x) {
                uint32_t c = s.At(x, y);
                uint8_t* o = &p[(size_t(y) * kWidth + x) * 3];
                o[0] = uint8_t(c >> 16);
                o[1] = uint8_t(c >> 8);
                o[2] = uint8_t(c);
            }
        }
        return p;
    }
    static std::string CapturePath() {
        return FromBuild("VEMO_SOURCE_DIR", "tests/view/expected/town-map-320x240.ppm");
    }
    static bool ReadCapture(Picture& p) {
        std::vector<uint8_t> data;
        if (!testfiles::ReadBytes(CapturePath(), data)) {
            return false;
        }
        const char header[] = "P6\n320 240\n255\n";
        size_t h = sizeof header - 1;
        if (data.size() != h + size_t(kWidth) * kHeight * 3 || memcmp(data.data(), header, h)) {
            return false;
        }
        p.assign(data.begin() + long(h), data.end());
        return true;
    }
    static void WriteCapture(const Picture& p) {
        FILE* f = fopen(CapturePath().c_str(), "wb");
        ASSERT_NE(f, nullptr);
        fprintf(f, "P6\n%d %d\n255\n", kWidth, kHeight);
        fwrite(p.data(), 1, p.size(), f);
        fclose(f);
    }
    static int Depth() {
        HDC dc = GetDC(nullptr);
        int bits = GetDeviceCaps(dc, BITSPIXEL);
        ReleaseDC(nullptr, dc);
        return bits;
    }
    // Pixels that differ from the top-left one (the drawing's background).
    static int Features(const Picture& p) {
        int n = 0;
        for (size_t i = 0; i < p.size(); i += 3) {
            n += (p[i] != p[0] || p[i + 1] != p[1] || p[i + 2] != p[2]) ? 1 : 0;
        }
        return n;
    }
    static int Differing(const Picture& a, const Picture& b) {
        int n = 0;
        for (size_t i = 0; i < a.size(); i += 3) {
            n += (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) ? 1 : 0;
        }
        return n;
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
    const int depth = Depth();
    const char* update = getenv("VEMO_UPDATE_CAPTURES");
    if (depth == 32 && update != nullptr && update[0] == '1') {
        WriteCapture(shown);
    }
    Picture stored;
    ASSERT_TRUE(ReadCapture(stored)) << CapturePath();
    ASSERT_GT(Features(stored), 1000) << "the capture shows a drawing";

    long long total = 0;
    int worst = 0;
    for (size_t i = 0; i < stored.size(); ++i) {
        int d = abs(int(stored[i]) - int(shown[i]));
        total += d;
        worst = d > worst ? d : worst;
    }
    double mean = double(total) / double(stored.size());
    if (depth == 32 || depth == 16) {
        // Edges may move by a shade when the renderer's anti-aliasing is refined; objects may
        // not. 16 bits add their quantisation (up to 8 per channel).
        const int shade = depth == 32 ? 8 : 16;
        int beyond = 0;
        for (size_t i = 0; i < stored.size(); i += 3) {
            int d = 0;
            for (int c = 0; c < 3; ++c) {
                int e = abs(int(stored[i + c]) - int(shown[i + c]));
                d = e > d ? e : d;
            }
            beyond += d > shade ? 1 : 0;
        }
        EXPECT_LE(beyond * 100, int(stored.size() / 3)) << beyond << " pixels differ by more";
        EXPECT_LE(double(total) / double(stored.size()), depth == 32 ? 1.0 : 4.0);
    } else {
        EXPECT_LE(mean, 24.0);
        int blocks = 0;
        int distant = 0;
        for (int by = 0; by < kHeight; by += 8) {
            for (int bx = 0; bx < kWidth; bx += 8) {
                long long sum = 0;
                for (int y = by; y < by + 8; ++y) {
                    for (int x = bx; x < bx + 8; ++x) {
                        for (int c = 0; c < 3; ++c) {
                            size_t i = (size_t(y) * kWidth + x) * 3 + c;
                            sum += int(stored[i]) - int(shown[i]);
                        }
                    }
                }
                ++blocks;
                distant += llabs(sum) / (64 * 3) > 24 ? 1 : 0;
            }
        }
        EXPECT_LE(distant * 50, blocks) << distant << " of " << blocks << " blocks differ";
    }
    printf("depth %d: %d ticks, mean difference %.2f, largest %d\n", depth, ticks, mean, worst);
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
    switch (Depth()) {
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
        GTEST_SKIP() << "display depth " << Depth();
    }
}

} // namespace
} // namespace viewtest
