// The embedded print request as the browser laid it out.
//
// A browser fills the print record in the layout of the plug-in API version it implements, the
// version in its function table. From minor version 11 on the window record carries the window
// type after clipRect, which moves the printer's device context (platformPrint) from offset 28 to
// 32 in 32-bit browsers and from 32 to 40 in 64-bit ones. Reading a newer browser's record in the
// 0.6 layout would take the window type for the device context.
#pragma once

#include <stdint.h>

#include "npapi/npapi.h"

// 1 when a browser whose function table carries `browserVersion` (major in the high byte, minor in
// the low byte) lays its window and print records out with the window type.
int32_t HasWindowTypeLayout(uint16_t browserVersion);

// Where an embedded instance is to be printed: the printer's device context and the rectangle
// on the printer page.
struct EmbedPrintTarget {
    void* printer = nullptr;
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
};

// Reads the embedded print request of `record` in the layout of `browserVersion`.
EmbedPrintTarget ReadEmbedPrint(const NPPrint& record, uint16_t browserVersion);
