#include "url/ScriptLinks.h"

#include <string.h>

namespace {

// Longest scheme and host compared; longer ones are never script schemes or same origins.
constexpr int32_t kSchemeLimit = 32;
constexpr int32_t kHostLimit = 255;

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool IsAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool IsSchemeChar(char c) {
    return IsAlpha(c) || (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
}

// Characters a browser drops: tab, line feed, carriage return.
bool IsDropped(char c) {
    return c == '\t' || c == '\n' || c == '\r';
}

// The scheme of an address as a browser reads it, lower-cased into scheme (kSchemeLimit + 1
// bytes); the position after its ':' in *rest. False when the address has no scheme.
bool ReadScheme(const char* address, char* scheme, const char** rest) {
    const char* p = address;
    while (*p != '\0' && static_cast<unsigned char>(*p) <= 0x20) {
        ++p; // leading controls and blanks
    }
    int32_t length = 0;
    for (; *p != '\0'; ++p) {
        if (IsDropped(*p)) {
            continue;
        }
        if (*p == ':') {
            break;
        }
        if (!(length == 0 ? IsAlpha(*p) : IsSchemeChar(*p)) || length == kSchemeLimit) {
            return false;
        }
        scheme[length++] = Lower(*p);
    }
    if (*p != ':' || length == 0) {
        return false;
    }
    scheme[length] = '\0';
    *rest = p + 1;
    return true;
}

bool IsScriptAddress(const char* address) {
    char scheme[kSchemeLimit + 1];
    const char* rest = nullptr;
    if (address == nullptr || !ReadScheme(address, scheme, &rest)) {
        return false;
    }
    static const char* const kScripts[] = {"javascript", "vbscript", "livescript", "mocha"};
    for (const char* script : kScripts) {
        if (strcmp(scheme, script) == 0) {
            return true;
        }
    }
    return false;
}

// Scheme, host and port of an address with a network location (scheme://host[:port]...).
struct Origin {
    char scheme[kSchemeLimit + 1];
    char host[kHostLimit + 1];
    int32_t port; // -1 when the scheme has no default and none is given
};

int32_t DefaultPort(const char* scheme) {
    const struct {
        const char* scheme;
        int32_t port;
    } ports[] = {{"http", 80},   {"https", 443}, {"ftp", 21},
                 {"gopher", 70}, {"ws", 80},     {"wss", 443}};
    for (const auto& entry : ports) {
        if (strcmp(scheme, entry.scheme) == 0) {
            return entry.port;
        }
    }
    return -1;
}

bool IsSlash(char c) {
    return c == '/' || c == '\\';
}

bool IsAuthorityEnd(char c) {
    return c == '\0' || IsSlash(c) || c == '?' || c == '#';
}

// False for an address without scheme, network location or host (a file path, "null").
bool ReadOrigin(const char* address, Origin& origin) {
    const char* p = nullptr;
    if (address == nullptr || !ReadScheme(address, origin.scheme, &p)) {
        return false;
    }
    if (!IsSlash(p[0]) || !IsSlash(p[1])) {
        return false;
    }
    p += 2;
    // User information ends at the authority's last '@'.
    const char* start = p;
    for (const char* q = p; !IsAuthorityEnd(*q); ++q) {
        if (*q == '@') {
            start = q + 1;
        }
    }
    p = start;
    int32_t length = 0;
    bool bracket = *p == '[';
    for (; !IsAuthorityEnd(*p) && (bracket || *p != ':'); ++p) {
        if (length == kHostLimit) {
            return false;
        }
        origin.host[length++] = Lower(*p);
        if (bracket && *p == ']') {
            bracket = false;
            ++p;
            break;
        }
    }
    if (length == 0 || bracket) {
        return false;
    }
    origin.host[length] = '\0';
    origin.port = DefaultPort(origin.scheme);
    if (*p == ':') {
        ++p;
        if (!IsAuthorityEnd(*p)) {
            int32_t port = 0;
            for (; !IsAuthorityEnd(*p); ++p) {
                if (*p < '0' || *p > '9' || port > 65535) {
                    return false;
                }
                port = port * 10 + (*p - '0');
            }
            if (port > 65535) {
                return false;
            }
            origin.port = port;
        }
    }
    return IsAuthorityEnd(*p);
}

// Files have no origin that two addresses could share.
bool SameOrigin(const char* a, const char* b) {
    Origin first, second;
    return ReadOrigin(a, first) && ReadOrigin(b, second) && strcmp(first.scheme, "file") != 0 &&
           strcmp(first.scheme, second.scheme) == 0 && strcmp(first.host, second.host) == 0 &&
           first.port == second.port;
}

} // namespace

LinkVerdict DecideLink(const char* address, const LinkPermission& permission) {
    if (!IsScriptAddress(address) || permission.scriptLinksAllowed) {
        return LinkVerdict::Follow;
    }
    if (!permission.originAsked) {
        return LinkVerdict::AskOrigin;
    }
    return SameOrigin(permission.pageOrigin, permission.drawingUrl) ? LinkVerdict::Follow
                                                                    : LinkVerdict::Refuse;
}
