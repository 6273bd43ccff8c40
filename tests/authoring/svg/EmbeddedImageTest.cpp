// Embedded images: base64 data URLs decoded (PNG by libpng, JPEG by TurboJPEG, made here with
// the same libraries), reduced to samples, and drawn in place as rows of their samples.
#include <gtest/gtest.h>

#include <png.h>
#include <turbojpeg.h>

#include "SvgTestSupport.h"
#include "authoring/svg/Image.h"

namespace vemo::svg {
namespace {

using test::ConvertAndRender;
using test::Near;
using test::Rendered;

std::string Base64(const std::vector<uint8_t>& bytes) {
    static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        uint32_t v = uint32_t(bytes[i]) << 16;
        v |= i + 1 < bytes.size() ? uint32_t(bytes[i + 1]) << 8 : 0;
        v |= i + 2 < bytes.size() ? bytes[i + 2] : 0;
        for (size_t k = 0; k < 4; ++k) {
            out += k <= (bytes.size() - i) ? kDigits[(v >> (18 - 6 * k)) & 63] : '=';
        }
    }
    return out;
}

// A PNG of the pixels (0xAARRGGBB, rows top to bottom).
std::vector<uint8_t> Png(int32_t width, int32_t height, const std::vector<uint32_t>& argb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = uint32_t(width);
    image.height = uint32_t(height);
    image.format = PNG_FORMAT_BGRA;
    png_alloc_size_t size = 0;
    EXPECT_TRUE(png_image_write_to_memory(&image, nullptr, &size, 0, argb.data(), 0, nullptr));
    std::vector<uint8_t> out(size);
    EXPECT_TRUE(png_image_write_to_memory(&image, out.data(), &size, 0, argb.data(), 0, nullptr));
    out.resize(size);
    return out;
}

// A JPEG of one colour, 16 x 8 pixels.
std::vector<uint8_t> Jpeg(uint32_t rgb) {
    std::vector<uint32_t> pixels(16 * 8, 0xFF000000 | rgb);
    tjhandle h = tjInitCompress();
    unsigned char* data = nullptr;
    unsigned long size = 0;
    EXPECT_EQ(0, tjCompress2(h, reinterpret_cast<const unsigned char*>(pixels.data()), 16, 0, 8,
                             TJPF_BGRA, &data, &size, TJSAMP_444, 95, 0));
    std::vector<uint8_t> out(data, data + size);
    tjFree(data);
    tjDestroy(h);
    return out;
}

const uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF, kWhite = 0xFFFFFFFF;

TEST(EmbeddedImage, Base64) {
    const struct {
        const char* text;
        bool ok;
        const char* bytes;
    } cases[] = {
        {"TWFu", true, "Man"},
        {"TWE=", true, "Ma"},
        {"TQ==", true, "M"},
        {"TWE", true, "Ma"}, // padding left out
        {" T W\nF\tu\r\n ", true, "Man"},
        {"-_-_", true, "\xfb\xff\xbf"}, // the URL-safe digits
        {"", true, ""},
        {"TW*u", false, ""},
        {"T", false, ""},          // a cut
        {"TQ==TQ==", false, ""},   // data after padding
        {"TQ===", false, ""},
    };
    for (const auto& c : cases) {
        std::vector<uint8_t> out;
        EXPECT_EQ(c.ok, DecodeBase64(c.text, &out)) << c.text;
        if (c.ok) {
            EXPECT_EQ(c.bytes, std::string(out.begin(), out.end())) << c.text;
        }
    }
}

TEST(EmbeddedImage, DataUrlsDecodeOrSayWhyNot) {
    const std::vector<uint32_t> pixels = {kRed, 0x80000000 | (kGreen & 0xFFFFFF), kBlue,
                                          kWhite, 0x00000000, kRed};
    const std::string png = Base64(Png(3, 2, pixels));
    std::string cut = png.substr(0, png.size() / 2);
    cut.resize(cut.size() / 4 * 4);
    const struct {
        std::string url;
        size_t maxPixels;
        ImageResult result;
        int32_t width, height;
    } cases[] = {
        {"data:image/png;base64," + png, 100, ImageResult::Ok, 3, 2},
        {" DATA:;BASE64,\n" + png + "\n", 100, ImageResult::Ok, 3, 2}, // no type, as drawing programs write it
        {"data:image/jpeg;base64," + Base64(Jpeg(0x3060C0)), 1000, ImageResult::Ok, 16, 8},
        {"data:image/png;base64," + png, 5, ImageResult::TooLarge, 0, 0},
        {"data:image/png;base64," + cut, 100, ImageResult::Unreadable, 0, 0},
        {"data:image/png;base64,AAAAAAAA", 100, ImageResult::Unreadable, 0, 0},
        {"data:image/png,%89PNG", 100, ImageResult::Unreadable, 0, 0}, // not base64
        {"data:image/png;base64", 100, ImageResult::Unreadable, 0, 0},
        {"pictures/a.png", 100, ImageResult::NotEmbedded, 0, 0},
    };
    for (const auto& c : cases) {
        RasterImage image;
        EXPECT_EQ(int(c.result), int(DecodeDataImage(c.url, c.maxPixels, &image))) << c.url.substr(0, 40);
        EXPECT_EQ(c.width, image.width);
        EXPECT_EQ(c.height, image.height);
    }
    RasterImage image;
    ASSERT_EQ(int(ImageResult::Ok), int(DecodeDataImage("data:;base64," + png, 100, &image)));
    EXPECT_EQ(pixels[0], image.argb[0]);
    EXPECT_EQ(pixels[1], image.argb[1]);
    EXPECT_EQ(pixels[3], image.argb[3]);
    ASSERT_EQ(int(ImageResult::Ok),
              int(DecodeDataImage("data:;base64," + Base64(Jpeg(0x3060C0)), 1000, &image)));
    EXPECT_PRED3(Near, 0x3060C0, image.argb[77] & 0xFFFFFF, 3);
}

TEST(EmbeddedImage, SamplesAverageWhatTheyCover) {
    // 5 x 2 pixels into at most 2 x 1 cells: columns 0-1 and 2-4.
    RasterImage image;
    image.width = 5;
    image.height = 2;
    image.argb = {kRed, kRed, kBlue, 0x00000000, kBlue,
                  kRed, 0x00FFFFFF, kBlue, 0x00000000, kBlue};
    ImageSamples s = SampleImage(image, 2, 1);
    ASSERT_EQ(2, s.columns);
    ASSERT_EQ(1, s.rows);
    EXPECT_EQ((std::vector<int32_t>{0, 2, 5}), s.xs);
    EXPECT_EQ((std::vector<int32_t>{0, 2}), s.ys);
    // three of four pixels red and opaque; four of six blue: the colour of what shows
    EXPECT_EQ(0xBFFF0000u, s.argb[0]);
    EXPECT_EQ(0xAA0000FFu, s.argb[1]);
    // never more cells than pixels
    s = SampleImage(image, 64, 64);
    EXPECT_EQ(5, s.columns);
    EXPECT_EQ(2, s.rows);
    EXPECT_EQ(0u, s.argb[3]); // a cell with nothing visible
}

TEST(EmbeddedImage, DrawnInPlaceAndReported) {
    // 2 x 2 pixels: red, green over blue, white.
    const std::string quad =
        "data:image/png;base64," + Base64(Png(2, 2, {kRed, kGreen, kBlue, kWhite}));
    const uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, white = 0xFFFFFF;
    struct Probe {
        int32_t x, y;
        uint32_t rgb;
    };
    const struct {
        const char* name;
        std::string image; // the attributes of <image>
        int approximated, dropped;
        std::vector<Probe> probes;
    } cases[] = {
        // each row a gradient through its samples' centres: the quadrants' colours there
        {"filling the page", "width='100' height='100' href='" + quad + "'", 1, 0,
         {{25, 25, red}, {75, 25, green}, {25, 75, blue}, {75, 75, white}, {2, 25, red}}},
        // no size: the image's own, one unit a pixel
        {"its own size", "x='10' y='10' href='" + quad + "'", 1, 0,
         {{10, 10, red}, {11, 10, green}, {10, 11, blue}, {11, 11, white}, {9, 10, white}}},
        // a wide viewport: the image keeps its proportions, centred (meet) or cut (slice)
        {"meet", "y='25' width='100' height='50' href='" + quad + "'", 1, 0,
         {{10, 50, white}, {30, 30, red}, {30, 70, blue}, {70, 70, white}, {90, 50, white}}},
        {"slice", "y='25' width='100' height='50' preserveAspectRatio='xMidYMid slice' href='" + quad + "'", 1, 0,
         {{10, 35, red}, {10, 65, blue}, {10, 20, white}, {10, 80, white}}},
        {"stretched", "width='100' height='50' preserveAspectRatio='none' href='" + quad + "'", 1, 0,
         {{10, 10, red}, {10, 40, blue}, {10, 60, white}}},
        {"linked, not embedded", "width='100' height='100' href='a.png'", 0, 1, {{50, 50, white}}},
        {"not an image", "width='100' height='100' href='data:;base64,AAAA'", 0, 1, {{50, 50, white}}},
    };
    for (const auto& c : cases) {
        Rendered r = ConvertAndRender("<svg xmlns='http://www.w3.org/2000/svg' width='100' height='100'><image " +
                                          c.image + "/></svg>",
                                      100, 100);
        ASSERT_TRUE(r.converted) << c.name << ": " << r.error;
        EXPECT_EQ(c.approximated, r.report.approximated["image"]) << c.name;
        EXPECT_EQ(c.dropped, r.report.dropped["image"]) << c.name;
        for (const Probe& p : c.probes) {
            EXPECT_PRED3(Near, p.rgb, r.At(p.x, p.y), 3) << c.name << " at " << p.x << "," << p.y;
        }
    }
}

} // namespace
} // namespace vemo::svg
