// Heap blocks of the view's device-independent bitmaps.
#pragma once

#include <windows.h>
#include <stdint.h>

// An uninitialised block of `size` bytes from the heap, or null (also for 0 and for 2 GB or
// more).
uint8_t* AllocateBlock(uint64_t size);
void FreeBlock(void* block);
// Frees the pixels, then the header, and clears both pointers.
void FreeBitmap(BITMAPINFO** info, uint8_t** bits);
// Bytes in one row of a bitmap, padded to 4 bytes.
inline uint32_t BitmapStride(int32_t width, int32_t depth) {
    return uint32_t(((uint64_t(uint32_t(depth)) * uint32_t(width) + 31) / 32) * 4);
}
// The logical palette that painting selects on a palette display: the first 2^depth entries of
// the view's colour table (at most 256, at most colourCount), or null without a table.
HPALETTE MakePaintPalette(const uint8_t* colourTable, uint32_t colourCount, int32_t depth);
