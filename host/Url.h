// Addresses as the stand-in's browser side needs them: joining a relative reference to the
// page's address (the generic syntax of RFC 3986, section 5), and mapping an address to a local
// file. http:// addresses of any host are served from the site folder; file:// addresses name
// local files. There is no network.
#pragma once

#include <string>
#include <string_view>

namespace vemohost {

struct UrlParts {
    std::string scheme; // lower case, without ':'; empty for a relative reference
    bool hasAuthority = false;
    std::string authority;
    std::string path;
    bool hasQuery = false;
    std::string query;
    bool hasFragment = false;
    std::string fragment;
};

UrlParts SplitUrl(std::string_view url);
std::string JoinUrlParts(const UrlParts& parts);

// The address `reference` resolves to against `base`. An absolute reference is returned
// normalised (dot segments removed); a reference against a base without scheme is returned as
// it is.
std::string ResolveUrl(std::string_view base, std::string_view reference);

// Removes "." and ".." segments from a path (RFC 3986, 5.2.4).
std::string RemoveDotSegments(std::string_view path);

// The extension of the last path segment (no dot, as written), or empty.
std::string UrlExtension(std::string_view url);

// Decodes %XX escapes; false when an escape is malformed or decodes to a NUL byte.
bool PercentDecode(std::string_view text, std::string& out);

// Maps an address to a local file (Windows path syntax, backslashes):
//   http://HOST/a/b.vem   -> SITE\a\b.vem      (any HOST; fails when `site` is empty)
//   file:///C:/a/b.vem    -> C:\a\b.vem        (also file://localhost/..., file:/C:/...)
// Fails for other schemes, for a path that leaves the site (a decoded ".." segment), and for
// bytes a Windows path cannot hold.
bool UrlToLocalPath(std::string_view url, std::string_view site, std::string& path);

// The origin of a page as today's browsers tell it to plug-ins (NPNVdocumentOrigin):
// "scheme://host" with ":port" unless it is the scheme's default, host and scheme lower-cased,
// user information dropped; "null" for files and addresses without a host.
std::string UrlOrigin(std::string_view url);

// "C:\a b\x.htm" -> "file:///C:/a%20b/x.htm".
std::string LocalPathToUrl(std::string_view path);

} // namespace vemohost
