#include "authoring/svg/Image.h"

#include <png.h>
#include <string.h>
#include <turbojpeg.h>

#include <algorithm>

#include "authoring/svg/Values.h"

namespace vemo::svg {

bool DecodeBase64(std::string_view text, std::vector<uint8_t>* out) {
    out->clear();
    out->reserve(text.size() / 4 * 3 + 3);
    uint32_t bits = 0;
    int count = 0;   // six-bit groups in `bits`
    int padding = 0; // '=' seen: only padding and white space may follow
    for (char c : text) {
        int v;
        if (c >= 'A' && c <= 'Z') {
            v = c - 'A';
        } else if (c >= 'a' && c <= 'z') {
            v = c - 'a' + 26;
        } else if (c >= '0' && c <= '9') {
            v = c - '0' + 52;
        } else if (c == '+' || c == '-') {
            v = 62;
        } else if (c == '/' || c == '_') {
            v = 63;
        } else if (c == '=') {
            ++padding;
            continue;
        } else if (IsSpace(c)) {
            continue;
        } else {
            return false;
        }
        if (padding > 0) {
            return false;
        }
        bits = (bits << 6) | uint32_t(v);
        if (++count == 4) {
            out->push_back(uint8_t(bits >> 16));
            out->push_back(uint8_t(bits >> 8));
            out->push_back(uint8_t(bits));
            bits = 0;
            count = 0;
        }
    }
    // What is left: two groups are one byte, three are two; one alone is a cut.
    if (count == 1 || padding > 2) {
        return false;
    }
    if (count == 2) {
        out->push_back(uint8_t(bits >> 4));
    } else if (count == 3) {
        out->push_back(uint8_t(bits >> 10));
        out->push_back(uint8_t(bits >> 2));
    }
    return true;
}

namespace {

bool SizeFits(uint32_t width, uint32_t height, size_t maxPixels) {
    return width > 0 && height > 0 && width <= 0x7FFFFFFF && height <= 0x7FFFFFFF &&
           uint64_t(width) * height <= maxPixels;
}

ImageResult DecodePng(const std::vector<uint8_t>& bytes, size_t maxPixels, RasterImage* out) {
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) {
        return ImageResult::Unreadable;
    }
    if (!SizeFits(image.width, image.height, maxPixels)) {
        png_image_free(&image);
        return ImageResult::TooLarge;
    }
    image.format = PNG_FORMAT_BGRA; // as little-endian 0xAARRGGBB words
    out->width = int32_t(image.width);
    out->height = int32_t(image.height);
    out->argb.assign(size_t(image.width) * image.height, 0);
    if (!png_image_finish_read(&image, nullptr, out->argb.data(), 0, nullptr)) {
        png_image_free(&image);
        return ImageResult::Unreadable;
    }
    return ImageResult::Ok;
}

ImageResult DecodeJpeg(const std::vector<uint8_t>& bytes, size_t maxPixels, RasterImage* out) {
    tjhandle jpeg = tjInitDecompress();
    if (jpeg == nullptr) {
        return ImageResult::Unreadable;
    }
    ImageResult result = ImageResult::Unreadable;
    int width = 0, height = 0, subsampling = 0, colourSpace = 0;
    if (tjDecompressHeader3(jpeg, bytes.data(), static_cast<unsigned long>(bytes.size()), &width,
                            &height, &subsampling, &colourSpace) == 0) {
        if (width <= 0 || height <= 0 || !SizeFits(uint32_t(width), uint32_t(height), maxPixels)) {
            result = ImageResult::TooLarge;
        } else {
            out->width = width;
            out->height = height;
            out->argb.assign(size_t(width) * size_t(height), 0);
            if (tjDecompress2(jpeg, bytes.data(), static_cast<unsigned long>(bytes.size()),
                              reinterpret_cast<unsigned char*>(out->argb.data()), width, 0, height,
                              TJPF_BGRA, 0) == 0) {
                result = ImageResult::Ok;
            }
        }
    }
    tjDestroy(jpeg);
    return result;
}

} // namespace

ImageResult DecodeDataImage(std::string_view url, size_t maxPixels, RasterImage* out) {
    *out = RasterImage();
    url = Trim(url);
    if (!StartsWithNoCase(url, "data:")) {
        return ImageResult::NotEmbedded;
    }
    size_t comma = url.find(',');
    if (comma == std::string_view::npos) {
        return ImageResult::Unreadable;
    }
    std::string header = Lower(url.substr(5, comma - 5));
    std::vector<uint8_t> bytes;
    if (header.find(";base64") == std::string::npos || !DecodeBase64(url.substr(comma + 1), &bytes)) {
        return ImageResult::Unreadable;
    }
    static const uint8_t kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    ImageResult r = ImageResult::Unreadable;
    if (bytes.size() >= 8 && memcmp(bytes.data(), kPng, 8) == 0) {
        r = DecodePng(bytes, maxPixels, out);
    } else if (bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) {
        r = DecodeJpeg(bytes, maxPixels, out);
    }
    if (r != ImageResult::Ok) {
        *out = RasterImage();
    }
    return r;
}

ImageSamples SampleImage(const RasterImage& image, int32_t maxColumns, int32_t maxRows) {
    ImageSamples s;
    if (image.width <= 0 || image.height <= 0 || maxColumns <= 0 || maxRows <= 0) {
        return s;
    }
    s.columns = image.width < maxColumns ? image.width : maxColumns;
    s.rows = image.height < maxRows ? image.height : maxRows;
    for (int32_t i = 0; i <= s.columns; ++i) {
        s.xs.push_back(int32_t(int64_t(i) * image.width / s.columns));
    }
    for (int32_t j = 0; j <= s.rows; ++j) {
        s.ys.push_back(int32_t(int64_t(j) * image.height / s.rows));
    }
    s.argb.assign(size_t(s.columns) * size_t(s.rows), 0);
    std::vector<uint64_t> sums(size_t(s.columns) * 4);
    for (int32_t j = 0; j < s.rows; ++j) {
        std::fill(sums.begin(), sums.end(), 0);
        for (int32_t y = s.ys[j]; y < s.ys[j + 1]; ++y) {
            const uint32_t* row = &image.argb[size_t(y) * size_t(image.width)];
            for (int32_t i = 0; i < s.columns; ++i) {
                uint64_t* sum = &sums[size_t(i) * 4];
                for (int32_t x = s.xs[i]; x < s.xs[i + 1]; ++x) {
                    uint32_t p = row[x];
                    uint64_t a = p >> 24;
                    sum[0] += a;
                    sum[1] += a * ((p >> 16) & 255);
                    sum[2] += a * ((p >> 8) & 255);
                    sum[3] += a * (p & 255);
                }
            }
        }
        for (int32_t i = 0; i < s.columns; ++i) {
            const uint64_t* sum = &sums[size_t(i) * 4];
            uint64_t n = uint64_t(s.xs[i + 1] - s.xs[i]) * uint64_t(s.ys[j + 1] - s.ys[j]);
            if (sum[0] == 0) {
                continue;
            }
            uint32_t a = uint32_t((sum[0] + n / 2) / n);
            uint32_t r = uint32_t((sum[1] + sum[0] / 2) / sum[0]);
            uint32_t g = uint32_t((sum[2] + sum[0] / 2) / sum[0]);
            uint32_t b = uint32_t((sum[3] + sum[0] / 2) / sum[0]);
            s.argb[size_t(j) * size_t(s.columns) + size_t(i)] = (a << 24) | (r << 16) | (g << 8) | b;
        }
    }
    return s;
}

} // namespace vemo::svg
