// Raster images embedded in SVG as data: URLs, for the converter to draw in the drawing
// format, which has no images: decoded (PNG by libpng, JPEG by TurboJPEG), then reduced to a
// grid of samples that the converter paints as gradient rows.
//
// A data URL is "data:[type][;base64],DATA"; only base64 data is read (white space inside it
// is skipped, padding may be missing), and the bytes are recognised by their signature, not by
// the type, which drawing programs often leave out. The image's size is checked against
// maxPixels before anything is allocated for its pixels.
//
// Sampling divides the image into columns x rows cells, as even as whole pixels allow, and
// gives each cell the mean of its pixels' alpha and their alpha-weighted mean colour (what the
// cell shows, seen from afar); a cell with no opacity at all is 0.
#pragma once

#include <stddef.h>
#include <stdint.h>

#include <string>
#include <string_view>
#include <vector>

namespace vemo::svg {

struct RasterImage {
    int32_t width = 0, height = 0;
    std::vector<uint32_t> argb; // width x height, rows top to bottom, straight alpha
};

enum class ImageResult { Ok, NotEmbedded, Unreadable, TooLarge };

// Decodes the image a data: URL holds.
ImageResult DecodeDataImage(std::string_view url, size_t maxPixels, RasterImage* out);

// The bytes of base64 text (white space skipped); false on any other character or a cut.
bool DecodeBase64(std::string_view text, std::vector<uint8_t>* out);

struct ImageSamples {
    int32_t columns = 0, rows = 0;
    std::vector<uint32_t> argb;     // columns x rows, straight alpha
    std::vector<int32_t> xs, ys;    // cell edges in image pixels: columns + 1 and rows + 1
};

// At most maxColumns x maxRows cells, never more than the image has pixels.
ImageSamples SampleImage(const RasterImage& image, int32_t maxColumns, int32_t maxRows);

} // namespace vemo::svg
