// The one-line help texts the view writes into the browser's status line: one row per mouse
// tool and per "pointer over a hyperlink or not". Free of Win32.
#pragma once

#include <stdint.h>

// Room for a status text, its terminating zero included.
constexpr int32_t kStatusTextCapacity = 264;

// The format of the row for `tool` (0 none, 1 zoom, 2 push; any other value is treated as no
// tool) and `overLink`, in the notation of wsprintf ("%s", "%d", "%%").
const char* StatusFormat(int32_t tool, bool overLink);

// Writes the status text into out (capacity characters, zero included) and returns its length.
// `link` (linkLength characters) fills the row's "Go to %s" and may be null when linkLength is
// 0; zoomPercent fills "%d". When the whole text would not fit, the address is cut and ends in
// "..." so that the rest of the row stays readable; a capacity below 1 writes nothing.
int32_t ComposeStatusText(int32_t tool, const char* link, int32_t linkLength, int32_t zoomPercent,
                          char* out, int32_t capacity);
