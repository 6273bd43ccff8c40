// The renderer's palette for 8-bit displays and the conversion of rendered 32-bit buffers to
// display pixels.
//
// Palette (256 entries of red, green, blue, flags): the 20 static system colours at 0-9 and
// 246-255 (black at 0, white at 255), a 6 x 6 x 6 colour cube at 10-225 (index 10 + 36 r +
// 6 g + b, levels 0, 51, ..., 255) and 20 greys at 226-245 that split each step of the cube's
// grey diagonal into five (levels 10.2 apart). Entries 10-245 carry PC_NOCOLLAPSE.
#pragma once

#include <stdint.h>

namespace vemo {

constexpr uint8_t kPaletteNoCollapse = 0x04;

void FillPalette(uint8_t table[256 * 4]);

// Converts a bottom-up 32-bit buffer (B, G, R, X per pixel, rows of width * 4 bytes) to a
// bottom-up device buffer of the same size.
//   32 bits: copy. 24 bits: B, G, R. 16 bits: 5-5-5. 8 bits: palette indices, rows padded to
//   4 bytes, through an 8 x 8 ordered dither.
// The dither's cell for the pixel in column i and bottom-up row j is
//   ((i - origin.x) mod 8, (-1 - j - origin.y) mod 8),
// so the pattern is fixed to the window point origin + (i, top-down row): a picture moved by
// (dx, dy) with its origin moved by the same amount keeps its pattern. `table` is the display's
// colour table (red, green, blue, flags; 256 entries): null or this renderer's own palette use
// the cube directly; any other table is matched by the nearest colour after dithering.
// Returns 0, or kInvalidArgument / kNullPointer.
int32_t ConvertPixels(int32_t width, int32_t height, int32_t originX, int32_t originY,
                      int32_t deviceBits, const uint8_t* table, const void* pixels,
                      void* devicePixels);

// The palette index for one pixel at dither threshold t (0..63), using this renderer's palette.
uint8_t DitherToPalette(uint8_t red, uint8_t green, uint8_t blue, int32_t t);

extern const uint8_t kBayer8[8][8];

} // namespace vemo
