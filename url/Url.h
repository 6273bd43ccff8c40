// Relative hyperlink addresses: splitting an address into its components, resolving a link's
// components against those of a base address, and joining them again.
//
// The model is that of relative URLs (scheme, network location, path, parameters, query,
// fragment), with these rules of our own:
// - a scheme is made of lower-case letters only ("HTTP:" is not one, and ":" alone is);
// - a network location starts only at the very beginning of what follows the scheme;
// - a link without scheme whose path starts like a host name (w.x.y/a.vem) gets "http://";
// - dot segments are removed from merged paths only, and the removal stops at the first
//   segment it cannot remove;
// - a relative path against a base with a network location and an empty path (http://h) gets
//   a "/" in front.
// Every component keeps its delimiter, so joining the components in order gives back the
// address; nothing is re-encoded or changed in case. Lengths are not limited.
//
// Operations that allocate return 1, or 0 when memory ran out; their outputs are then empty.
#pragma once

#include <stdint.h>

#include "plugin/TextBuffer.h"

struct ParsedUrl {
    int32_t absolute = 0;   // 1 when scheme is not empty
    TextBuffer scheme;      // "http:" (with its ':'), or empty
    TextBuffer netLocation; // "//host" (with both slashes), or empty
    TextBuffer path;        // with its leading '/' if it has one, or empty
    TextBuffer params;      // ";..." or empty
    TextBuffer query;       // "?..." or empty
    TextBuffer fragment;    // "#..." or empty
};

// Splits text into *url (whatever *url held before is replaced). Backslashes become slashes.
int32_t ParseUrl(const TextBuffer& text, ParsedUrl* url);

// Rewrites *link into its absolute form against base. The base is left unchanged.
int32_t ResolveUrl(ParsedUrl* link, const ParsedUrl& base);

// *text := the six components of url joined in order.
int32_t ComposeUrl(const ParsedUrl& url, TextBuffer* text);

// The absolute address of a hyperlink: link resolved against base. An empty text for an empty
// link, and when memory runs out (so that no half-built address is ever shown or followed).
TextBuffer ResolveLink(const TextBuffer& link, const TextBuffer& base);
TextBuffer ResolveLink(const char* link, const char* base);
