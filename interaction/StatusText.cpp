#include "interaction/StatusText.h"

#include <string.h>

namespace {

constexpr const char* kMenuHint = "Right click: Menu.";
constexpr const char* kCutMark = "...";
constexpr int32_t kCutMarkLength = 3;

// Rows by tool (none, zoom, push), then by "over a link" (no, yes).
constexpr const char* kFormats[3][2] = {
    {"%s", "Go to %s. %s"},
    {"Zoom: %d%%. Click: Zoom in. SHIFT-click: Zoom out. Drag: Zoom to area. %s",
     "Go to %s. CTRL-click: Zoom in. CTRL-SHIFT-click: Zoom out. Drag: AreaZoom. %s"},
    {"Drag to move the page. %s", "Go to %s. Drag to move the page. %s"},
};

int32_t ToolRow(int32_t tool) {
    return tool == 1 || tool == 2 ? tool : 0;
}

// Decimal digits of value (with its sign) into digits; returns their count (at most 11).
int32_t FormatInt(int32_t value, char* digits) {
    char reversed[12];
    int32_t count = 0;
    uint32_t magnitude = value < 0 ? 0u - uint32_t(value) : uint32_t(value);
    do {
        reversed[count++] = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    int32_t n = 0;
    if (value < 0) {
        digits[n++] = '-';
    }
    while (count > 0) {
        digits[n++] = reversed[--count];
    }
    return n;
}

// Appends up to count characters of text to out, never past limit; returns the new end.
int32_t Put(char* out, int32_t at, int32_t limit, const char* text, int32_t count) {
    int32_t room = limit - at;
    int32_t n = count < room ? count : room;
    if (n > 0) {
        memcpy(out + at, text, size_t(n));
        at += n;
    }
    return at;
}

// Expands format with the given values: the first "%s" is the link when there is one (the rows
// over a link start with it), every other "%s" the menu hint. With out null only the length is
// measured. The link takes at most linkRoom characters, followed by the cut mark when cut.
int32_t Expand(const char* format, const char* link, int32_t linkLength, int32_t linkRoom,
               int32_t zoomPercent, char* out, int32_t limit) {
    char scratch[16];
    int32_t at = 0;
    bool linkUsed = false;
    for (const char* p = format; *p != '\0'; ++p) {
        const char* piece = p;
        int32_t pieceLength = 1;
        bool cut = false;
        if (p[0] == '%' && p[1] == 's') {
            ++p;
            if (!linkUsed && link != nullptr) {
                linkUsed = true;
                piece = link;
                pieceLength = linkLength;
                if (pieceLength > linkRoom) {
                    pieceLength = linkRoom;
                    cut = true;
                }
            } else {
                piece = kMenuHint;
                pieceLength = int32_t(strlen(kMenuHint));
            }
        } else if (p[0] == '%' && p[1] == 'd') {
            ++p;
            pieceLength = FormatInt(zoomPercent, scratch);
            piece = scratch;
        } else if (p[0] == '%' && p[1] == '%') {
            ++p;
        }
        if (out != nullptr) {
            at = Put(out, at, limit, piece, pieceLength);
            if (cut) {
                at = Put(out, at, limit, kCutMark, kCutMarkLength);
            }
        } else {
            at += pieceLength + (cut ? kCutMarkLength : 0);
        }
    }
    return at;
}

} // namespace

const char* StatusFormat(int32_t tool, bool overLink) {
    return kFormats[ToolRow(tool)][overLink ? 1 : 0];
}

int32_t ComposeStatusText(int32_t tool, const char* link, int32_t linkLength, int32_t zoomPercent,
                          char* out, int32_t capacity) {
    if (out == nullptr || capacity < 1) {
        return 0;
    }
    if (link == nullptr || linkLength < 0) {
        linkLength = 0;
    }
    bool overLink = linkLength > 0;
    const char* format = StatusFormat(tool, overLink);
    int32_t limit = capacity - 1;
    int32_t linkRoom = linkLength;
    if (overLink) {
        int32_t rest = Expand(format, "", 0, 0, zoomPercent, nullptr, 0); // without the address
        if (linkLength > limit - rest) {
            linkRoom = limit - rest - kCutMarkLength;
            linkRoom = linkRoom < 0 ? 0 : linkRoom;
        }
    }
    int32_t length =
        Expand(format, overLink ? link : nullptr, linkLength, linkRoom, zoomPercent, out, limit);
    out[length] = '\0';
    return length;
}
