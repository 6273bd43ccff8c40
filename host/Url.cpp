#include "host/Url.h"

#include "host/HostText.h"

namespace vemohost {

UrlParts SplitUrl(std::string_view url) {
    UrlParts parts;
    size_t hash = url.find('#');
    if (hash != std::string_view::npos) {
        parts.hasFragment = true;
        parts.fragment = std::string(url.substr(hash + 1));
        url = url.substr(0, hash);
    }
    size_t question = url.find('?');
    if (question != std::string_view::npos) {
        parts.hasQuery = true;
        parts.query = std::string(url.substr(question + 1));
        url = url.substr(0, question);
    }
    // A scheme: a letter, then letters, digits, '+', '-', '.', then ':'.
    size_t colon = url.find(':');
    if (colon != std::string_view::npos && colon > 0) {
        bool valid = (LowerAscii(url[0]) >= 'a' && LowerAscii(url[0]) <= 'z');
        for (size_t i = 1; i < colon && valid; ++i) {
            char c = LowerAscii(url[i]);
            valid = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
                    c == '.';
        }
        if (valid) {
            parts.scheme = LowerCopy(url.substr(0, colon));
            url = url.substr(colon + 1);
        }
    }
    if (url.size() >= 2 && url[0] == '/' && url[1] == '/') {
        size_t slash = url.find('/', 2);
        parts.hasAuthority = true;
        parts.authority = std::string(
            url.substr(2, slash == std::string_view::npos ? std::string_view::npos : slash - 2));
        url = slash == std::string_view::npos ? std::string_view() : url.substr(slash);
    }
    parts.path = std::string(url);
    return parts;
}

std::string JoinUrlParts(const UrlParts& parts) {
    std::string out;
    if (!parts.scheme.empty()) {
        out += parts.scheme + ":";
    }
    if (parts.hasAuthority) {
        out += "//" + parts.authority;
    }
    out += parts.path;
    if (parts.hasQuery) {
        out += "?" + parts.query;
    }
    if (parts.hasFragment) {
        out += "#" + parts.fragment;
    }
    return out;
}

std::string RemoveDotSegments(std::string_view path) {
    std::string input(path);
    std::string output;
    while (!input.empty()) {
        if (input.compare(0, 3, "../") == 0) {
            input.erase(0, 3);
        } else if (input.compare(0, 2, "./") == 0) {
            input.erase(0, 2);
        } else if (input.compare(0, 3, "/./") == 0) {
            input.erase(0, 2);
        } else if (input == "/.") {
            input = "/";
        } else if (input.compare(0, 4, "/../") == 0 || input == "/..") {
            input = input.size() == 3 ? std::string("/") : input.substr(3);
            size_t last = output.rfind('/');
            output.erase(last == std::string::npos ? 0 : last);
        } else if (input == "." || input == "..") {
            input.clear();
        } else {
            size_t next = input.find('/', input[0] == '/' ? 1 : 0);
            if (next == std::string::npos) {
                next = input.size();
            }
            output += input.substr(0, next);
            input.erase(0, next);
        }
    }
    return output;
}

static std::string MergePaths(const UrlParts& base, const std::string& reference) {
    if (base.hasAuthority && base.path.empty()) {
        return "/" + reference;
    }
    size_t last = base.path.rfind('/');
    if (last == std::string::npos) {
        return reference;
    }
    return base.path.substr(0, last + 1) + reference;
}

std::string ResolveUrl(std::string_view base, std::string_view reference) {
    UrlParts r = SplitUrl(reference);
    UrlParts b = SplitUrl(base);
    UrlParts t;
    if (!r.scheme.empty()) {
        t = r;
        t.path = RemoveDotSegments(r.path);
        return JoinUrlParts(t);
    }
    if (b.scheme.empty()) {
        return std::string(reference);
    }
    t.scheme = b.scheme;
    if (r.hasAuthority) {
        t.hasAuthority = true;
        t.authority = r.authority;
        t.path = RemoveDotSegments(r.path);
        t.hasQuery = r.hasQuery;
        t.query = r.query;
    } else {
        t.hasAuthority = b.hasAuthority;
        t.authority = b.authority;
        if (r.path.empty()) {
            t.path = b.path;
            t.hasQuery = r.hasQuery || b.hasQuery;
            t.query = r.hasQuery ? r.query : b.query;
        } else {
            t.path = RemoveDotSegments(r.path[0] == '/' ? r.path : MergePaths(b, r.path));
            t.hasQuery = r.hasQuery;
            t.query = r.query;
        }
    }
    t.hasFragment = r.hasFragment;
    t.fragment = r.fragment;
    return JoinUrlParts(t);
}

std::string UrlExtension(std::string_view url) {
    UrlParts parts = SplitUrl(url);
    size_t slash = parts.path.rfind('/');
    std::string name = parts.path.substr(slash == std::string::npos ? 0 : slash + 1);
    size_t dot = name.rfind('.');
    if (dot == std::string::npos) {
        return std::string();
    }
    return name.substr(dot + 1);
}

static int HexValue(char c) {
    c = LowerAscii(c);
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool PercentDecode(std::string_view text, std::string& out) {
    out.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size()) {
            return false;
        }
        int high = HexValue(text[i + 1]);
        int low = HexValue(text[i + 2]);
        if (high < 0 || low < 0 || (high == 0 && low == 0)) {
            return false;
        }
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return true;
}

// Joins decoded path segments below a root; refuses segments a Windows path cannot hold or that
// climb out of the root.
static bool AppendSegments(std::string_view path, std::string& out) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        std::string_view raw = path.substr(
            start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        if (!raw.empty()) {
            std::string segment;
            if (!PercentDecode(raw, segment) || segment == "." || segment == "..") {
                return false;
            }
            for (char c : segment) {
                if (c == '\\' || c == '/' || c == ':' || c == '*' || c == '?' || c == '"' ||
                    c == '<' || c == '>' || c == '|' || static_cast<unsigned char>(c) < 0x20) {
                    return false;
                }
            }
            if (!out.empty() && out.back() != '\\') {
                out.push_back('\\');
            }
            out += segment;
        }
        if (slash == std::string_view::npos) {
            break;
        }
        start = slash + 1;
    }
    return true;
}

bool UrlToLocalPath(std::string_view url, std::string_view site, std::string& path) {
    UrlParts parts = SplitUrl(url);
    std::string normalised = RemoveDotSegments(parts.path);
    if (parts.scheme == "http" || parts.scheme == "https") {
        if (site.empty() || !parts.hasAuthority) {
            return false;
        }
        std::string out(site);
        while (out.size() > 1 && (out.back() == '\\' || out.back() == '/')) {
            out.pop_back();
        }
        if (normalised != parts.path && parts.path.find("/..") != std::string::npos) {
            // "/.." above the root is dropped by normalisation; a page may not climb out.
            size_t depth = 0;
            bool escapes = false;
            for (const std::string& segment : SplitTrimmed(parts.path, '/')) {
                if (segment == "..") {
                    if (depth == 0) {
                        escapes = true;
                    } else {
                        --depth;
                    }
                } else if (!segment.empty() && segment != ".") {
                    ++depth;
                }
            }
            if (escapes) {
                return false;
            }
        }
        if (!AppendSegments(normalised, out)) {
            return false;
        }
        path = out;
        return true;
    }
    if (parts.scheme == "file") {
        if (parts.hasAuthority && !parts.authority.empty() &&
            !EqualsNoCase(parts.authority, "localhost")) {
            return false;
        }
        std::string_view rest = normalised;
        while (!rest.empty() && rest[0] == '/') {
            rest.remove_prefix(1);
        }
        // A drive: "C:" or "C|" as old file addresses wrote it.
        if (rest.size() < 2 || !((LowerAscii(rest[0]) >= 'a' && LowerAscii(rest[0]) <= 'z') &&
                                 (rest[1] == ':' || rest[1] == '|'))) {
            return false;
        }
        std::string out;
        out.push_back(rest[0]);
        out += ":\\";
        if (!AppendSegments(rest.substr(2), out)) {
            return false;
        }
        path = out;
        return true;
    }
    return false;
}

std::string LocalPathToUrl(std::string_view path) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out = "file:///";
    for (char ch : path) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (c == '\\') {
            out.push_back('/');
        } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                   c == '-' || c == '_' || c == '.' || c == '~' || c == '/' || c == ':') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(hex[c >> 4]);
            out.push_back(hex[c & 15]);
        }
    }
    return out;
}

std::string UrlOrigin(std::string_view url) {
    UrlParts parts = SplitUrl(url);
    std::string authority = parts.authority;
    size_t at = authority.rfind('@');
    if (at != std::string::npos) {
        authority = authority.substr(at + 1);
    }
    if (parts.scheme.empty() || parts.scheme == "file" || !parts.hasAuthority ||
        authority.empty()) {
        return "null";
    }
    std::string host = LowerCopy(authority);
    size_t colon = host.rfind(':');
    if (colon != std::string::npos && host.find(']', colon) == std::string::npos) {
        std::string port = host.substr(colon + 1);
        host = host.substr(0, colon);
        const bool standard = port.empty() || (parts.scheme == "http" && port == "80") ||
                              (parts.scheme == "https" && port == "443");
        if (!standard) {
            host += ":" + port;
        }
    }
    return host.empty() ? "null" : parts.scheme + "://" + host;
}

} // namespace vemohost
