#include "url/Url.h"

namespace {

bool IsLowerCaseLetter(char c) {
    return c >= 'a' && c <= 'z';
}

bool IsLetter(char c) {
    return IsLowerCaseLetter(c) || (c >= 'A' && c <= 'Z');
}

bool IsBlank(const ParsedUrl& url) {
    return url.scheme.length == 0 && url.netLocation.length == 0 && url.path.length == 0 &&
           url.params.length == 0 && url.query.length == 0 && url.fragment.length == 0;
}

void Clear(ParsedUrl* url) {
    url->absolute = 0;
    TextBuffer* parts[] = {&url->scheme, &url->netLocation, &url->path,
                           &url->params, &url->query,       &url->fragment};
    for (TextBuffer* part : parts) {
        *part = TextBuffer(); // frees the text; allocates nothing
    }
}

// A failed copy leaves a buffer shorter than its source: that is how running out of memory shows.
int32_t CopyText(TextBuffer* to, const TextBuffer& from) {
    *to = from;
    return to->length == from.length;
}

int32_t CopyUrl(ParsedUrl* to, const ParsedUrl& from) {
    if (to == &from) {
        return 1;
    }
    to->absolute = from.absolute;
    return CopyText(&to->scheme, from.scheme) && CopyText(&to->netLocation, from.netLocation) &&
           CopyText(&to->path, from.path) && CopyText(&to->params, from.params) &&
           CopyText(&to->query, from.query) && CopyText(&to->fragment, from.fragment);
}

// *head := the first count characters of *text, which keeps the rest. 0 <= count <= length.
int32_t CutHead(TextBuffer* text, int32_t count, TextBuffer* head) {
    int32_t total = text->length;
    text->SplitAt(head, text, count, 0);
    return head->length == count && text->length == total - count;
}

// *tail := the characters of *text from position on; *text keeps those before. 0 <= position <=
// length.
int32_t CutTail(TextBuffer* text, int32_t position, TextBuffer* tail) {
    int32_t total = text->length;
    text->SplitAt(text, tail, position, 0);
    return text->length == position && tail->length == total - position;
}

int32_t FindCharFrom(const TextBuffer& text, char c, int32_t start) {
    for (int32_t i = start; i < text.length; ++i) {
        if (text.text[i] == c) {
            return i;
        }
    }
    return -1;
}

// First position at or after start where the zero-terminated pattern occurs, or -1.
int32_t FindFrom(const TextBuffer& text, const char* pattern, int32_t start) {
    int32_t patternLength = 0;
    while (pattern[patternLength] != '\0') {
        ++patternLength;
    }
    for (int32_t i = start; i <= text.length - patternLength; ++i) {
        int32_t k = 0;
        while (k < patternLength && text.text[i + k] == pattern[k]) {
            ++k;
        }
        if (k == patternLength) {
            return i;
        }
    }
    return -1;
}

// The nearest position before end that holds c, or -1.
int32_t FindLastCharBefore(const TextBuffer& text, char c, int32_t end) {
    for (int32_t i = end - 1; i >= 0; --i) {
        if (text.text[i] == c) {
            return i;
        }
    }
    return -1;
}

// True when the path starts like a host name: from its start, letters and dots only up to the
// second counted dot. A dot right after a counted dot does not count, so ".." counts once and
// "..." twice.
bool StartsLikeHostName(const TextBuffer& path) {
    int32_t dots = 0;
    bool previousCounted = false;
    for (int32_t i = 0; i < path.length && dots < 2; ++i) {
        char c = path.text[i];
        if (c == '.') {
            if (previousCounted) {
                previousCounted = false;
            } else {
                ++dots;
                previousCounted = true;
            }
        } else if (IsLetter(c)) {
            previousCounted = false;
        } else {
            break;
        }
    }
    return dots >= 2;
}

// Host-like path w.x.y/a.vem: scheme "http:", network location //w.x.y, path /a.vem.
int32_t ApplyDefaultScheme(ParsedUrl* url) {
    int32_t slash = url->path.FindChar('/');
    TextBuffer host;
    if (!CutHead(&url->path, slash >= 0 ? slash : url->path.length, &host)) {
        return 0;
    }
    url->netLocation = "//";
    url->netLocation.Append(host);
    url->scheme = "http:";
    return url->netLocation.length == host.length + 2 && url->scheme.length == 5;
}

// The parse proper, on the working copy w (consumed). *url is blank on entry.
int32_t Parse(TextBuffer* w, ParsedUrl* url) {
    for (int32_t i = 0; i < w->length; ++i) {
        if (w->text[i] == '\\') {
            w->text[i] = '/';
        }
    }

    int32_t hash = w->FindChar('#');
    if (hash >= 0 && !CutTail(w, hash, &url->fragment)) {
        return 0;
    }

    int32_t colon = w->FindChar(':');
    if (colon >= 0) {
        bool lowerCase = true;
        for (int32_t i = 0; i < colon && lowerCase; ++i) {
            lowerCase = IsLowerCaseLetter(w->text[i]);
        }
        if (lowerCase && !CutHead(w, colon + 1, &url->scheme)) {
            return 0;
        }
    }

    if (w->length >= 2 && w->text[0] == '/' && w->text[1] == '/') {
        // The character after the two slashes belongs to the host even when it is a slash.
        int32_t end = FindCharFrom(*w, '/', 3);
        if (!CutHead(w, end >= 0 ? end : w->length, &url->netLocation)) {
            return 0;
        }
    }

    // The query first: a ';' after the '?' is part of the query.
    int32_t question = w->FindChar('?');
    if (question >= 0 && !CutTail(w, question, &url->query)) {
        return 0;
    }
    int32_t semicolon = w->FindChar(';');
    if (semicolon >= 0 && !CutTail(w, semicolon, &url->params)) {
        return 0;
    }
    if (!CopyText(&url->path, *w)) {
        return 0;
    }

    if (url->scheme.length == 0 && StartsLikeHostName(url->path) && !ApplyDefaultScheme(url)) {
        return 0;
    }
    url->absolute = url->scheme.length > 0 ? 1 : 0;
    return 1;
}

// Removes "." and "<segment>/.." from a merged path, each time at the first place the text
// occurs. After a removal the text before the place is unchanged, so the next first occurrence
// cannot start before it and the search resumes there. Allocates nothing.
void RemoveDotSegments(TextBuffer* path) {
    for (int32_t at = FindFrom(*path, "/./", 0); at >= 0; at = FindFrom(*path, "/./", at)) {
        path->EraseRange(at + 1, at + 2); // "/./" -> "/"
    }
    int32_t from = 0;
    for (;;) {
        int32_t dots = FindFrom(*path, "/../", from);
        if (dots <= 0) {
            return; // none, or nothing before it to remove: the first that cannot go ends it
        }
        int32_t previous = FindLastCharBefore(*path, '/', dots);
        if (previous < 0) {
            return;
        }
        path->EraseRange(previous + 1, dots + 3); // "/seg/../" -> "/"
        from = previous;
    }
}

// A relative path joins the base path's directory (everything up to its last '/').
int32_t MergePath(ParsedUrl* link, const ParsedUrl& base) {
    TextBuffer merged;
    int32_t slash = base.path.FindLastChar('/');
    if (slash >= 0) {
        if (!CopyText(&merged, base.path)) {
            return 0;
        }
        if (slash + 1 < merged.length) {
            merged.EraseRange(slash + 1, merged.length - 1);
        }
    } else if (base.path.length == 0 && base.netLocation.length > 0) {
        // http://h with pic.vem: the path needs its root, or the host would run into it.
        merged = "/";
        if (merged.length != 1) {
            return 0;
        }
    }
    if (merged.length > 0) {
        int32_t total = merged.length + link->path.length;
        merged.Append(link->path);
        if (merged.length != total || !CopyText(&link->path, merged)) {
            return 0;
        }
    }
    RemoveDotSegments(&link->path);
    return 1;
}

} // namespace

int32_t ParseUrl(const TextBuffer& text, ParsedUrl* url) {
    TextBuffer w(text); // first: text may be a component of *url
    int32_t expected = text.text != nullptr ? text.length : 0;
    Clear(url);
    if (expected == 0) {
        return 1;
    }
    if (w.length != expected || !Parse(&w, url)) {
        Clear(url);
        return 0;
    }
    return 1;
}

int32_t ResolveUrl(ParsedUrl* link, const ParsedUrl& base) {
    if (link == &base) {
        ParsedUrl copy;
        return CopyUrl(&copy, base) && ResolveUrl(link, copy);
    }
    if (IsBlank(base)) {
        return 1;
    }
    if (IsBlank(*link)) {
        return CopyUrl(link, base);
    }
    if (link->absolute != 0) {
        return 1;
    }
    if (!CopyText(&link->scheme, base.scheme)) {
        return 0;
    }
    link->absolute = link->scheme.length > 0 ? 1 : 0;
    if (link->netLocation.length > 0) {
        return 1;
    }
    if (!CopyText(&link->netLocation, base.netLocation)) {
        return 0;
    }
    if (link->path.length > 0 && link->path.text[0] == '/') {
        return 1; // kept as written, dot segments included
    }
    if (link->path.length == 0) {
        // Only a fragment, query or parameters: the base address with those replaced.
        if (!CopyText(&link->path, base.path)) {
            return 0;
        }
        if (link->params.length == 0) {
            if (!CopyText(&link->params, base.params)) {
                return 0;
            }
            if (link->query.length == 0 && !CopyText(&link->query, base.query)) {
                return 0;
            }
        }
        return 1;
    }
    return MergePath(link, base);
}

int32_t ComposeUrl(const ParsedUrl& url, TextBuffer* text) {
    const TextBuffer* parts[] = {&url.scheme, &url.netLocation, &url.path,
                                 &url.params, &url.query,       &url.fragment};
    TextBuffer joined;
    int64_t total = 0;
    for (const TextBuffer* part : parts) {
        total += part->length;
        joined.Append(*part);
        if (joined.length != total) {
            *text = TextBuffer();
            return 0;
        }
    }
    if (!CopyText(text, joined)) {
        *text = TextBuffer();
        return 0;
    }
    return 1;
}

TextBuffer ResolveLink(const TextBuffer& link, const TextBuffer& base) {
    TextBuffer result;
    if (link.length < 1) {
        return result;
    }
    ParsedUrl linkUrl;
    ParsedUrl baseUrl;
    if (!ParseUrl(link, &linkUrl) || !ParseUrl(base, &baseUrl) || !ResolveUrl(&linkUrl, baseUrl) ||
        !ComposeUrl(linkUrl, &result)) {
        result = TextBuffer();
    }
    return result;
}

TextBuffer ResolveLink(const char* link, const char* base) {
    TextBuffer linkText(link);
    TextBuffer baseText(base);
    if (base != nullptr && base[0] != '\0' && baseText.text == nullptr) {
        return TextBuffer(); // without its base a relative link would come out unresolved
    }
    return ResolveLink(linkText, baseText);
}
