// Properties of hyperlink resolution over arbitrary bytes.
//
// Input: the link, then optionally a line feed and the base address. Both are handed over as
// heap arrays of exactly their size, without a terminating zero, so that AddressSanitizer
// reports any read past the end of a text.
//
// Checked for every input:
// - the parse of each text joins back into that text with '\' made '/' (behind "http://" when
//   the text starts like a host name), and each component has its delimiters where they belong;
// - an absolute link resolves to itself, against any base;
// - against an absolute base a link resolves to an absolute address, which in turn resolves to
//   itself; an empty link resolves to nothing;
// - resolving leaves the base record unchanged and the result is no longer than both texts
//   together plus the "/" and "http://" that may be added;
// - the script-link rule (url/ScriptLinks.h) for the result: the page's consent lets every
//   address through; without it an address is followed at once or needs the origin, and once the
//   origin is known it is decided; an address followed at once does not depend on the origin; a
//   browser that tells no origin gets no script address; a relative link resolved against an
//   http address is never taken for a script address.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#include "url/ScriptLinks.h"
#include "url/Url.h"

namespace {

std::string Str(const TextBuffer& b) {
    return b.text != nullptr ? std::string(b.text, static_cast<size_t>(b.length)) : std::string();
}

[[noreturn]] void Fail(const char* what, const std::string& detail) {
    fprintf(stderr, "property violated: %s\n  [%s]\n", what, detail.c_str());
    abort();
}

void Check(bool holds, const char* what, const std::string& detail) {
    if (!holds) {
        Fail(what, detail);
    }
}

// A buffer owning an exact-size copy of the bytes (no terminating zero).
void Fill(TextBuffer* buffer, const uint8_t* data, size_t size) {
    if (size == 0) {
        return;
    }
    buffer->text = new char[size];
    memcpy(buffer->text, data, size);
    buffer->length = static_cast<int32_t>(size);
}

bool Has(const std::string& s, char c, size_t from = 0) {
    return s.find(c, from) != s.npos;
}

void CheckComponents(const ParsedUrl& url, const std::string& input) {
    std::string scheme = Str(url.scheme), net = Str(url.netLocation), path = Str(url.path);
    std::string params = Str(url.params), query = Str(url.query), fragment = Str(url.fragment);
    std::string all = scheme + net + path + params + query + fragment;
    Check(!Has(all, '\\'), "no backslash survives", input);
    Check(url.absolute == (scheme.empty() ? 0 : 1), "absolute flag follows the scheme", input);
    if (!scheme.empty()) {
        Check(scheme.back() == ':', "scheme ends with ':'", input);
        for (size_t i = 0; i + 1 < scheme.size(); ++i) {
            Check(scheme[i] >= 'a' && scheme[i] <= 'z', "scheme is lower-case letters", input);
        }
    }
    Check(net.empty() || (net.compare(0, 2, "//") == 0 && !Has(net, '/', 3) && !Has(net, '#')),
          "network location is // and a host", input);
    Check(!Has(path, '#') && !Has(path, '?') && !Has(path, ';'), "path holds no delimiters", input);
    Check(params.empty() || (params[0] == ';' && !Has(params, '?') && !Has(params, '#')),
          "parameters start with ';'", input);
    Check(query.empty() || (query[0] == '?' && !Has(query, '#')), "query starts with '?'", input);
    Check(fragment.empty() || fragment[0] == '#', "fragment starts with '#'", input);
    if (!net.empty() && !path.empty()) {
        Check(path[0] == '/', "a path after a network location starts with '/'", input);
    }
}

// The parse of text joins back into it, backslashes made slashes.
void CheckRoundTrip(const TextBuffer& text, const ParsedUrl& url) {
    std::string input = Str(text);
    std::string normal = input;
    for (char& c : normal) {
        if (c == '\\') {
            c = '/';
        }
    }
    CheckComponents(url, normal);
    TextBuffer joined;
    Check(ComposeUrl(url, &joined) == 1, "compose", input);
    std::string expected = normal;
    if (Str(url.scheme) == "http:" && normal.compare(0, 5, "http:") != 0) {
        expected = "http://" + normal; // a host-like start such as w.x.y/a.vem
    }
    Check(Str(joined) == expected, "components join into the input", input);
}

// The rule for handing the resolved address to the browser, with the base as the drawing's
// address and as the page's origin.
void CheckScriptLinks(const std::string& address, const std::string& base, bool relativeToHttp,
                      const std::string& detail) {
    LinkPermission permission;
    permission.drawingUrl = base.c_str();
    permission.scriptLinksAllowed = 1;
    Check(DecideLink(address.c_str(), permission) == LinkVerdict::Follow,
          "consent lets every address through", detail);
    permission.scriptLinksAllowed = 0;
    const LinkVerdict first = DecideLink(address.c_str(), permission);
    Check(first != LinkVerdict::Refuse, "nothing is refused before the origin is asked", detail);
    permission.originAsked = 1;
    for (const char* origin :
         {base.c_str(), "http://other.example", static_cast<const char*>(nullptr)}) {
        permission.pageOrigin = origin;
        const LinkVerdict known = DecideLink(address.c_str(), permission);
        Check(known != LinkVerdict::AskOrigin, "a known origin decides", detail);
        if (first == LinkVerdict::Follow) {
            Check(known == LinkVerdict::Follow, "other addresses do not depend on the origin",
                  detail);
        } else if (origin == nullptr) {
            Check(known == LinkVerdict::Refuse, "no origin, no script", detail);
        }
    }
    if (relativeToHttp) {
        Check(first == LinkVerdict::Follow, "a relative link against http is no script", detail);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 1 << 16) {
        return 0;
    }
    const uint8_t* split = static_cast<const uint8_t*>(memchr(data, '\n', size));
    size_t linkSize = split != nullptr ? static_cast<size_t>(split - data) : size;
    TextBuffer link;
    TextBuffer base;
    Fill(&link, data, linkSize);
    if (split != nullptr) {
        Fill(&base, split + 1, size - linkSize - 1);
    }
    std::string detail = Str(link) + "] against [" + Str(base);

    ParsedUrl linkUrl;
    ParsedUrl baseUrl;
    Check(ParseUrl(link, &linkUrl) == 1, "parse link", detail);
    Check(ParseUrl(base, &baseUrl) == 1, "parse base", detail);
    CheckRoundTrip(link, linkUrl);
    CheckRoundTrip(base, baseUrl);

    TextBuffer result = ResolveLink(link, base);
    if (link.length == 0) {
        Check(result.length == 0, "an empty link resolves to nothing", detail);
        return 0;
    }
    TextBuffer linkJoined;
    ComposeUrl(linkUrl, &linkJoined);
    if (linkUrl.absolute != 0) {
        Check(Str(result) == Str(linkJoined), "an absolute link resolves to itself", detail);
    }
    Check(static_cast<int64_t>(result.length) <= int64_t{link.length} + base.length + 8,
          "result no longer than its sources", detail);

    // The record operations: the base record stays as it was.
    TextBuffer baseBefore;
    ComposeUrl(baseUrl, &baseBefore);
    ParsedUrl resolved;
    ParseUrl(link, &resolved);
    Check(ResolveUrl(&resolved, baseUrl) == 1, "resolve", detail);
    TextBuffer baseAfter;
    ComposeUrl(baseUrl, &baseAfter);
    Check(Str(baseBefore) == Str(baseAfter), "the base record is left unchanged", detail);
    TextBuffer resolvedText;
    ComposeUrl(resolved, &resolvedText);
    Check(Str(resolvedText) == Str(result), "ResolveLink is parse, resolve, compose", detail);

    CheckScriptLinks(Str(result), Str(base),
                     linkUrl.absolute == 0 && Str(baseUrl.scheme) == "http:", detail);

    if (baseUrl.absolute != 0) {
        Check(resolved.absolute == 1, "resolved against an absolute base is absolute", detail);
        ParsedUrl again;
        ParseUrl(result, &again);
        Check(again.absolute == 1, "the result parses as absolute", detail);
        Check(Str(ResolveLink(result, base)) == Str(result), "the result resolves to itself",
              detail);
    }
    return 0;
}
