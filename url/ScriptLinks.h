// Script links: which addresses of a drawing the plug-in may hand to the browser.
//
// Every address a drawing makes (a hyperlink, resolved against the page's base or the drawing's
// address) goes to the browser to be opened in the plug-in's own page. A browser runs an
// address whose scheme is a script scheme ("javascript:", "vbscript:", and Navigator's older
// names for the first, "livescript:" and "mocha:") as script inside that page, with its cookies
// and its origin. A drawing from another site (a map service, a user's upload) would thereby run
// its script in the page at the reader's first click, which no image ever could. So a script
// address is handed over only with the page's consent or from the page's own site:
//
// 1. The page allows it: its embed attribute scriptlinks="true".
// 2. The browser tells the page's origin (NPN_GetValue with NPNVdocumentOrigin) and it equals the
//    origin (scheme, host, port) of the drawing's address.
//
// Otherwise the address is refused: the click does nothing (the status line still shows the
// address). Addresses of every other scheme, and relative ones, are handed over as before.
//
// The scheme is read the way a browser reads it, not by the plug-in's own URL rules (under which
// "JavaScript:" is no scheme at all and is resolved as a relative path): controls and blanks
// before it are skipped, tabs and line ends inside it are dropped, letters compare in any case.
// So a base attribute or a link that only a browser would take for a script address is caught
// too, and a link that is relative to any browser (such as "./javascript:x" or "x/javascript:y")
// is not. The origin query is the only thing asked of the browser, and only when its answer
// decides: for a script address on a page that gave no consent.
#pragma once

#include <stdint.h>

enum class LinkVerdict {
    Follow,    // hand the address to the browser
    Refuse,    // a script address the page did not allow
    AskOrigin, // ask the browser for the page's origin, then decide again
};

struct LinkPermission {
    int32_t scriptLinksAllowed = 0;   // the page's scriptlinks="true"
    const char* drawingUrl = nullptr; // the drawing's address (its stream URL), or null
    int32_t originAsked = 0;          // the browser has been asked for the page's origin
    const char* pageOrigin = nullptr; // its answer, or null when it gave none
};

// Whether the address (null-terminated) may be handed to the browser.
LinkVerdict DecideLink(const char* address, const LinkPermission& permission);
