// Addresses: relative references resolve as RFC 3986 says, and addresses map to local files
// only inside the site folder or as file addresses.
#include <gtest/gtest.h>

#include "host/Url.h"

using namespace vemohost;

namespace {

struct ResolveCase {
    const char* reference;
    const char* expected;
};

// The normal and abnormal examples of RFC 3986, section 5.4, against its base.
class ResolveRfc : public testing::TestWithParam<ResolveCase> {};

TEST_P(ResolveRfc, MatchesTheStandardsExamples) {
    EXPECT_EQ(ResolveUrl("http://a/b/c/d;p?q", GetParam().reference), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Examples, ResolveRfc,
    testing::Values(ResolveCase{"g:h", "g:h"}, ResolveCase{"g", "http://a/b/c/g"},
                    ResolveCase{"./g", "http://a/b/c/g"}, ResolveCase{"g/", "http://a/b/c/g/"},
                    ResolveCase{"/g", "http://a/g"}, ResolveCase{"//g", "http://g"},
                    ResolveCase{"?y", "http://a/b/c/d;p?y"}, ResolveCase{"g?y", "http://a/b/c/g?y"},
                    ResolveCase{"#s", "http://a/b/c/d;p?q#s"},
                    ResolveCase{"g#s", "http://a/b/c/g#s"}, ResolveCase{";x", "http://a/b/c/;x"},
                    ResolveCase{"", "http://a/b/c/d;p?q"}, ResolveCase{".", "http://a/b/c/"},
                    ResolveCase{"./", "http://a/b/c/"}, ResolveCase{"..", "http://a/b/"},
                    ResolveCase{"../g", "http://a/b/g"}, ResolveCase{"../..", "http://a/"},
                    ResolveCase{"../../g", "http://a/g"}, ResolveCase{"../../../g", "http://a/g"},
                    ResolveCase{"/./g", "http://a/g"}, ResolveCase{"/../g", "http://a/g"},
                    ResolveCase{"g.", "http://a/b/c/g."}, ResolveCase{"..g", "http://a/b/c/..g"},
                    ResolveCase{"./../g", "http://a/b/g"}, ResolveCase{"g/./h", "http://a/b/c/g/h"},
                    ResolveCase{"g/../h", "http://a/b/c/h"},
                    ResolveCase{"g;x=1/../y", "http://a/b/c/y"}));

TEST(ResolveUrl, FileAddressesAndBaselessReferences) {
    EXPECT_EQ(ResolveUrl("file:///C:/site/page.htm", "img/a.vem"), "file:///C:/site/img/a.vem");
    EXPECT_EQ(ResolveUrl("file:///C:/site/page.htm", "../a.vem"), "file:///C:/a.vem");
    EXPECT_EQ(ResolveUrl("", "a.vem"), "a.vem");
    EXPECT_EQ(ResolveUrl("http://x/p/q.htm", "HTTP://Y/./z"), "http://Y/z");
}

TEST(UrlExtension, IgnoresQueryFragmentAndFolders) {
    EXPECT_EQ(UrlExtension("http://a/b/c.VEM?x=1#f"), "VEM");
    EXPECT_EQ(UrlExtension("http://a/b.d/c"), "");
    EXPECT_EQ(UrlExtension("file:///C:/x/page.htm"), "htm");
}

TEST(UrlToLocalPath, MapsSiteAndFileAddresses) {
    struct Case {
        const char* url;
        bool ok;
        const char* path;
    } cases[] = {
        {"http://example.com/a/b.vem", true, "C:\\site\\a\\b.vem"},
        {"http://localhost/a%20b.vem?x#y", true, "C:\\site\\a b.vem"},
        {"http://h/a/./c/../b.vem", true, "C:\\site\\a\\b.vem"},
        {"http://h/", true, "C:\\site"},
        {"http://h/../../windows/win.ini", false, ""},
        {"http://h/%2e%2e/secret", false, ""},
        {"http://h/a%5cb", false, ""},
        {"http://h/a%00b", false, ""},
        {"http://h/a%zz", false, ""},
        {"http://h/c:x", false, ""},
        {"file:///C:/x/y.htm", true, "C:\\x\\y.htm"},
        {"file://localhost/D:/x", true, "D:\\x"},
        {"file:///C|/old/style.htm", true, "C:\\old\\style.htm"},
        {"file://server/share/x", false, ""},
        {"file:///no-drive/x", false, ""},
        {"ftp://h/x", false, ""},
        {"relative/x", false, ""},
    };
    for (const Case& c : cases) {
        std::string path;
        EXPECT_EQ(UrlToLocalPath(c.url, "C:\\site\\", path), c.ok) << c.url;
        if (c.ok) {
            EXPECT_EQ(path, c.path) << c.url;
        }
    }
    std::string path;
    EXPECT_FALSE(UrlToLocalPath("http://h/a", "", path)) << "no site folder, no http";
}

TEST(LocalPathToUrl, EscapesWhatAnAddressCannotHold) {
    EXPECT_EQ(LocalPathToUrl("C:\\a b\\x#1.htm"), "file:///C:/a%20b/x%231.htm");
    std::string path;
    ASSERT_TRUE(UrlToLocalPath(LocalPathToUrl("C:\\a b\\x#1.htm"), "", path));
    EXPECT_EQ(path, "C:\\a b\\x#1.htm");
}

TEST(UrlOrigin, SchemeHostAndPortAsTodaysBrowsersTellThem) {
    const struct {
        const char* url;
        const char* origin;
    } cases[] = {
        {"http://site.example/page.html", "http://site.example"},
        {"HTTP://Site.Example:80/a/b.htm?q#f", "http://site.example"},
        {"https://site.example:443/", "https://site.example"},
        {"http://site.example:8080/page.html", "http://site.example:8080"},
        {"http://reader:pw@site.example/page.html", "http://site.example"},
        {"http://[::1]:8080/p.htm", "http://[::1]:8080"},
        {"http://site.example", "http://site.example"},
        {"file:///C:/pages/page.html", "null"},
        {"C:\\pages\\page.html", "null"},
        {"page.html", "null"},
        {"http:///page.html", "null"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UrlOrigin(c.url), c.origin) << c.url;
    }
}

} // namespace
