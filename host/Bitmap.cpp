#include "host/Bitmap.h"

namespace vemohost {

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

void Put32(std::vector<uint8_t>& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

uint32_t Get16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0] | (p[1] << 8));
}
uint32_t Get32(const uint8_t* p) {
    return Get16(p) | (Get16(p + 2) << 16);
}

} // namespace

std::vector<uint8_t> EncodeBmp(const Image& image) {
    const uint32_t stride = (static_cast<uint32_t>(image.width) * 3 + 3) & ~3u;
    const uint32_t dataSize = stride * static_cast<uint32_t>(image.height);
    std::vector<uint8_t> out;
    out.reserve(54 + dataSize);
    out.push_back('B');
    out.push_back('M');
    Put32(out, 54 + dataSize);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(image.width));
    Put32(out, static_cast<uint32_t>(image.height)); // bottom-up
    Put16(out, 1);
    Put16(out, 24);
    Put32(out, 0); // BI_RGB
    Put32(out, dataSize);
    Put32(out, 3780); // 96 dots per inch
    Put32(out, 3780);
    Put32(out, 0);
    Put32(out, 0);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            uint32_t p = image.At(x, y);
            out.push_back(static_cast<uint8_t>(p));
            out.push_back(static_cast<uint8_t>(p >> 8));
            out.push_back(static_cast<uint8_t>(p >> 16));
        }
        for (uint32_t pad = static_cast<uint32_t>(image.width) * 3; pad < stride; ++pad) {
            out.push_back(0);
        }
    }
    return out;
}

bool DecodeBmp(const uint8_t* data, size_t size, Image& image) {
    if (size < 54 || data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    const uint32_t offset = Get32(data + 10);
    const uint32_t headerSize = Get32(data + 14);
    if (headerSize < 40 || headerSize > size - 14) {
        return false;
    }
    const int32_t width = static_cast<int32_t>(Get32(data + 18));
    const int32_t rawHeight = static_cast<int32_t>(Get32(data + 22));
    const uint32_t planes = Get16(data + 26);
    const uint32_t bits = Get16(data + 28);
    const uint32_t compression = Get32(data + 30);
    if (planes != 1 || (bits != 24 && bits != 32) || width <= 0 || width > kMaxImageSide ||
        rawHeight == 0 || rawHeight < -kMaxImageSide || rawHeight > kMaxImageSide) {
        return false;
    }
    if (compression == 3) { // BI_BITFIELDS: only the layout BI_RGB would have
        if (bits != 32 || 14 + 40 + 12 > size) {
            return false;
        }
        const uint8_t* masks = headerSize >= 52 ? data + 54 : data + 14 + headerSize;
        if (masks + 12 > data + size || Get32(masks) != 0xFF0000 || Get32(masks + 4) != 0xFF00 ||
            Get32(masks + 8) != 0xFF) {
            return false;
        }
    } else if (compression != 0) {
        return false;
    }
    const bool topDown = rawHeight < 0;
    const int height = topDown ? -rawHeight : rawHeight;
    const uint64_t stride = (static_cast<uint64_t>(width) * (bits / 8) + 3) & ~3ull;
    if (offset > size || stride * static_cast<uint64_t>(height) > size - offset) {
        return false;
    }
    image.width = width;
    image.height = height;
    image.pixels.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
    for (int row = 0; row < height; ++row) {
        const uint8_t* line = data + offset + stride * static_cast<uint64_t>(row);
        const int y = topDown ? row : height - 1 - row;
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = line + static_cast<size_t>(x) * (bits / 8);
            image.pixels[static_cast<size_t>(y) * width + x] = static_cast<uint32_t>(p[0]) |
                                                               (static_cast<uint32_t>(p[1]) << 8) |
                                                               (static_cast<uint32_t>(p[2]) << 16);
        }
    }
    return true;
}

} // namespace vemohost
