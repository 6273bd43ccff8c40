// PNG encoding of the tool's images with libpng: 8-bit RGB, no interlace.
#pragma once

#include <stdint.h>

#include <string>
#include <vector>

namespace vemo::cli {

// Encodes top-down RGB rows into `png`; false with a one-line reason.
bool EncodePng(const uint8_t* rgb, int32_t width, int32_t height, std::vector<uint8_t>* png,
               std::string* error);

} // namespace vemo::cli
