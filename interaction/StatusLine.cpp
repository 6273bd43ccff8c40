// Status line and hyperlinks: the link under the pointer, the status texts, and the navigation
// every command that goes to an address shares.
#include <string.h>

#include "interaction/StatusText.h"
#include "plugin/DocumentRenderer.h"
#include "plugin/StringIds.h"
#include "url/ScriptLinks.h"
#include "url/Url.h"
#include "view/PluginRecords.h"
#include "view/ViewWindow.h"

namespace {

// What the renderer may write for one link, and how far around the point it looks (in eighths
// of a pixel).
constexpr LONG kLinkCapacity = 256;
constexpr LONG kLinkTolerance = 16;

// The longest page origin taken from the browser.
constexpr size_t kOriginLimit = 2048;

// The page's origin as the browser tells it (NPNVdocumentOrigin), or an empty text when it cannot.
TextBuffer AskPageOrigin(NPP instance) {
    char* answer = nullptr;
    TextBuffer origin;
    if (NPN_GetValue(instance, NPNVdocumentOrigin, &answer) == NPERR_NO_ERROR &&
        answer != nullptr) {
        if (strnlen(answer, kOriginLimit) < kOriginLimit) { // a longer one is no origin
            origin = answer;
        }
        NPN_MemFree(answer); // the browser's allocation
    }
    return origin;
}

// Whether the drawing's address may go to the browser: script addresses only with the page's
// consent or from the page's own origin (url/ScriptLinks.h).
bool MayHandToBrowser(const DocumentRecord& document, const TextBuffer& address) {
    LinkPermission permission;
    permission.scriptLinksAllowed = document.scriptLinksAllowed;
    permission.drawingUrl = document.streamUrl;
    LinkVerdict verdict = DecideLink(address.text, permission);
    if (verdict == LinkVerdict::AskOrigin) {
        const TextBuffer origin = AskPageOrigin(document.instance);
        permission.originAsked = 1;
        permission.pageOrigin = origin.text;
        verdict = DecideLink(address.text, permission);
    }
    return verdict == LinkVerdict::Follow;
}

// The browser's table may lack an entry (an older or smaller table) or be gone altogether.
bool BrowserHasStatus() {
    const NPNetscapeFuncs* browser = BrowserFunctions();
    return browser != nullptr && browser->status != nullptr;
}

bool BrowserHasGetUrl() {
    const NPNetscapeFuncs* browser = BrowserFunctions();
    return browser != nullptr && browser->geturl != nullptr;
}

} // namespace

void ViewWindow::RefreshHover(int32_t x, int32_t y) {
    DocPoint point = DocPointFromWindow(x, y);
    if (documentReady) {
        char link[kLinkCapacity + 1];
        memset(link, 0, sizeof link);
        LONG length = 0;
        if (renderer != nullptr && IsSet(currentView)) {
            renderer->GetHyperlinkAt(point.x, point.y, matrix, kLinkTolerance, kLinkCapacity,
                                     &length, link);
        }
        // The reported length is the link's full length; a negative one is no link at all.
        if (length < 0) {
            length = 0;
        }
        link[length < kLinkCapacity ? length : kLinkCapacity] = '\0';
        SetHyperlink(link);
    }
    UpdateCursor();
    UpdateStatusLine();
}

void ViewWindow::SetHyperlink(const char* text) {
    if (text == nullptr || text[0] == '\0') {
        hyperlink = TextBuffer();
        return;
    }
    DocumentRecord* document = Document();
    if (document == nullptr || document->streamUrl == nullptr) {
        return; // nothing to resolve against yet: the last link stays
    }
    const char* base = document->base != nullptr ? document->base : document->streamUrl;
    hyperlink = ResolveLink(text, base);
}

void ViewWindow::UpdateStatusLine() {
    POINT pointer{0, 0};
    if (hwnd == nullptr || !GetCursorPos(&pointer) || WindowFromPoint(pointer) != hwnd) {
        return; // the browser's status line keeps its last text
    }
    DocumentRecord* document = Document();
    if (document == nullptr || !BrowserHasStatus()) {
        return;
    }
    char text[kStatusTextCapacity];
    ComposeStatusText(tool, hyperlink.text, hyperlink.length, zoomPercent, text, sizeof text);
    NPN_Status(document->instance, text);
}

void ViewWindow::NavigatePage(const TextBuffer& address) {
    DocumentRecord* document = Document();
    if (document == nullptr || address.length == 0 || address.text == nullptr) {
        return; // no instance to ask for, or no address to go to
    }
    if (!MayHandToBrowser(*document, address)) {
        return; // a script address the page did not allow: the link stays current, nothing else
    }
    // A browser that cannot take the request has failed it.
    NPError result = NPERR_GENERIC_ERROR;
    if (BrowserHasGetUrl()) {
        result = NPN_GetURL(document->instance, address.text, "_self");
    }
    if (uint16_t(result) != NPERR_NO_ERROR) {
        document->ShowErrorBox(kStringMakerPage);
    }
}
