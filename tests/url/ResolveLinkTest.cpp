// Resolving hyperlinks against the address of their page or drawing.
#include <gtest/gtest.h>

#include "url/Url.h"
#include "url/UrlText.h"

namespace {

struct LinkCase {
    const char* link;
    const char* expected;
};

struct BaseCase {
    const char* link;
    const char* base;
    const char* expected;
};

const char* const kDocument = "http://h/dir/sub/doc.vem";

void ExpectResolved(const char* link, const char* base, const char* expected) {
    SCOPED_TRACE(std::string(link) + " against " + base);
    EXPECT_EQ(Str(ResolveLink(TextBuffer(link), TextBuffer(base))), expected);
    EXPECT_EQ(Str(ResolveLink(link, base)), expected);
}

TEST(ResolveLinkDocumentBase, RelativePathsJoinTheDocumentsFolder) {
    const LinkCase cases[] = {
        {"pic.vem", "http://h/dir/sub/pic.vem"},
        {"./pic.vem", "http://h/dir/sub/pic.vem"},
        {"../pic.vem", "http://h/dir/pic.vem"},
        {"../../pic.vem", "http://h/pic.vem"},
        {"../../../pic.vem", "http://h/../pic.vem"},
        {"a/./b/../c.vem", "http://h/dir/sub/a/c.vem"},
        {"a/b/../../c.vem", "http://h/dir/sub/c.vem"},
        {"././a", "http://h/dir/sub/a"},
        {".//a", "http://h/dir/sub//a"},
        {"a//../b", "http://h/dir/sub/a/b"},
        {"a/./../b", "http://h/dir/sub/b"},
        {"a/.../b", "http://h/dir/sub/a/.../b"},
        {"..a/b", "http://h/dir/sub/..a/b"},
        {"./", "http://h/dir/sub/"},
        {"../", "http://h/dir/"},
        {"sub\\pic.vem", "http://h/dir/sub/sub/pic.vem"},
        {"..\\pic.vem", "http://h/dir/pic.vem"},
        {"x.y/a.vem", "http://h/dir/sub/x.y/a.vem"},
        {"C:/dir/a.vem", "http://h/dir/sub/C:/dir/a.vem"},
        {"x.cgi?u=http://a/b", "http://h/dir/sub/x.cgi?u=http://a/b"},
        {"g;x", "http://h/dir/sub/g;x"},
        {"g?y#s", "http://h/dir/sub/g?y#s"},
    };
    for (const LinkCase& c : cases) {
        ExpectResolved(c.link, kDocument, c.expected);
    }
}

TEST(ResolveLinkDocumentBase, DotSegmentsThatStay) {
    const LinkCase cases[] = {
        // At the end of the path.
        {"a/..", "http://h/dir/sub/a/.."},
        {"a/.", "http://h/dir/sub/a/."},
        {".", "http://h/dir/sub/."},
        {"..", "http://h/dir/sub/.."},
        // Above the root: the first that cannot go ends the removal.
        {"../../../x/../y", "http://h/../x/../y"},
        // In paths that are not merged.
        {"/a/../b", "http://h/a/../b"},
        {"/a/./b", "http://h/a/./b"},
        {"//o/a/../b", "http://o/a/../b"},
    };
    for (const LinkCase& c : cases) {
        ExpectResolved(c.link, kDocument, c.expected);
    }
}

TEST(ResolveLinkDocumentBase, PartsTakenFromTheBase) {
    const LinkCase cases[] = {
        {"/top/pic.vem", "http://h/top/pic.vem"},
        {"//other/x.vem", "http://other/x.vem"},
        {"//other", "http://other"},
        {"//other?q", "http://other?q"},
        {"#part", "http://h/dir/sub/doc.vem#part"},
        {"?q=1", "http://h/dir/sub/doc.vem?q=1"},
        {";p", "http://h/dir/sub/doc.vem;p"},
    };
    for (const LinkCase& c : cases) {
        ExpectResolved(c.link, kDocument, c.expected);
    }
}

TEST(ResolveLinkDocumentBase, AbsoluteAndHostLikeLinksStay) {
    const LinkCase cases[] = {
        {"w.x.y/a.vem", "http://w.x.y/a.vem"},
        {"w.x.y", "http://w.x.y"},
        {".../a.vem", "http://.../a.vem"},
        {"mailto:someone", "mailto:someone"},
        {"ftp://f/a/../b", "ftp://f/a/../b"},
        {"http:pic.vem", "http:pic.vem"},
        {"http:\\\\o\\x.vem", "http://o/x.vem"},
        {":", ":"},
        {":x", ":x"},
        {"://x", "://x"},
    };
    for (const LinkCase& c : cases) {
        ExpectResolved(c.link, kDocument, c.expected);
    }
}

TEST(ResolveLinkDocumentBase, NotHostsNorSchemesAreRelativePaths) {
    const LinkCase cases[] = {
        {"w.x2.y", "http://h/dir/sub/w.x2.y"},
        {"w-v.x.y", "http://h/dir/sub/w-v.x.y"},
        {"w.x2.y/a.vem", "http://h/dir/sub/w.x2.y/a.vem"},
        {"HTTP://other/x.vem", "http://h/dir/sub/HTTP://other/x.vem"},
        {"Mailto:someone", "http://h/dir/sub/Mailto:someone"},
    };
    for (const LinkCase& c : cases) {
        ExpectResolved(c.link, kDocument, c.expected);
    }
}

TEST(ResolveLinkOtherBases, PathsParamsAndQueries) {
    const BaseCase cases[] = {
        {"pic.vem", "http://h/doc.vem", "http://h/pic.vem"},
        {"pic.vem", "http://h/", "http://h/pic.vem"},
        {"#f", "http://h/d/doc.vem?q", "http://h/d/doc.vem?q#f"},
        {";p2", "http://h/d/doc.vem;p?q", "http://h/d/doc.vem;p2"},
        {"?q2", "http://h/d/doc.vem;p?q", "http://h/d/doc.vem;p?q2"},
        {"#f", "http://h/d/doc.vem;p?q#g", "http://h/d/doc.vem;p?q#f"},
        {";p2#f", "http://h/d/doc.vem;p?q", "http://h/d/doc.vem;p2#f"},
        {"?q2#f", "http://h/d/doc.vem;p?q#g", "http://h/d/doc.vem;p?q2#f"},
        {"g", "http://h/d/doc.vem;p?q#g", "http://h/d/g"},
        {"/g", "http://h/d/doc.vem;p?q#g", "http://h/g"},
        {"pic.vem", "file:///c|/dir/doc.vem", "file:///c|/dir/pic.vem"},
        {"pic.vem", "file:///c|\\dir\\doc.vem", "file:///c|/dir/pic.vem"},
        {"../pic.vem", "http://h/doc.vem", "http://h/../pic.vem"},
        {"../x/../y", "http://h/doc.vem", "http://h/../x/../y"},
        // Dot segments of the base go too once the path is merged.
        {"x", "http://h/a/../b/doc.vem", "http://h/b/x"},
        {"x", "http://h/a/./doc.vem", "http://h/a/x"},
        {"x", "http://h/a/..", "http://h/a/x"},
        {"pic.vem", "w.x.y/d/doc.vem", "http://w.x.y/d/pic.vem"},
        {"pic.vem", "mailto:someone", "mailto:pic.vem"},
        // A base path without '/': the link's path stays, and "a/../" has nothing before it.
        {"a/../b", "mailto:someone", "mailto:a/../b"},
        {"a/./b", "mailto:someone", "mailto:a/b"},
        // Relative bases give relative results.
        {"pic.vem", "dir/doc.vem", "dir/pic.vem"},
        {"pic.vem", "/dir/doc.vem", "/dir/pic.vem"},
        {"#f", "doc.vem", "doc.vem#f"},
    };
    for (const BaseCase& c : cases) {
        ExpectResolved(c.link, c.base, c.expected);
    }
}

TEST(ResolveLinkOtherBases, BaseWithoutPathGetsItsRoot) {
    const BaseCase cases[] = {
        {"pic.vem", "http://h", "http://h/pic.vem"},
        {"./pic.vem", "http://h", "http://h/pic.vem"},
        {"a/../pic.vem", "http://h", "http://h/pic.vem"},
        {"../pic.vem", "http://h", "http://h/../pic.vem"},
        // The network location runs to the next '/': a query without a path belongs to it.
        {"pic.vem", "http://h?q", "http://h?q/pic.vem"},
        {"pic.vem", "http://h#f", "http://h/pic.vem"},
        {"pic.vem", "w.x.y", "http://w.x.y/pic.vem"},
        {"pic.vem", "//h", "//h/pic.vem"},
        {"pic.vem", "file://", "file:///pic.vem"},
        // Nothing to merge into: no root is made up.
        {"/pic.vem", "http://h", "http://h/pic.vem"},
        {"#f", "http://h", "http://h#f"},
        {"#f", "http://h?q", "http://h?q#f"},
        {"pic.vem", "news:", "news:pic.vem"},
        {"pic.vem", "?q", "pic.vem"},
    };
    for (const BaseCase& c : cases) {
        ExpectResolved(c.link, c.base, c.expected);
    }
}

TEST(ResolveLinkEmptyTexts, EmptyLinkGivesEmptyText) {
    const char* const bases[] = {"", kDocument, "http://h", "mailto:x", "#f"};
    for (const char* base : bases) {
        SCOPED_TRACE(base);
        TextBuffer result = ResolveLink(TextBuffer(""), TextBuffer(base));
        EXPECT_EQ(result.length, 0);
        EXPECT_EQ(ResolveLink(TextBuffer(), TextBuffer(base)).length, 0);
        EXPECT_EQ(ResolveLink(nullptr, base).length, 0);
    }
}

TEST(ResolveLinkEmptyTexts, EmptyBaseLeavesTheLink) {
    const LinkCase cases[] = {
        {"pic.vem", "pic.vem"},
        {"../a\\b.vem", "../a/b.vem"},
        {"#f", "#f"},
        {"w.x.y", "http://w.x.y"},
    };
    for (const LinkCase& c : cases) {
        ExpectResolved(c.link, "", c.expected);
        EXPECT_EQ(Str(ResolveLink(c.link, nullptr)), c.expected);
    }
}

TEST(ResolveUrlRecord, BaseStaysUnchanged) {
    ParsedUrl base;
    ASSERT_EQ(ParseUrl(TextBuffer("http://h/d/doc.vem;p?q#g"), &base), 1);
    const char* const links[] = {"pic.vem", "#f", "", "//o", "/x", "../a/./b"};
    for (const char* text : links) {
        SCOPED_TRACE(text);
        ParsedUrl link;
        ASSERT_EQ(ParseUrl(TextBuffer(text), &link), 1);
        ASSERT_EQ(ResolveUrl(&link, base), 1);
        EXPECT_EQ(base.absolute, 1);
        TextBuffer baseText;
        ASSERT_EQ(ComposeUrl(base, &baseText), 1);
        EXPECT_EQ(Str(baseText), "http://h/d/doc.vem;p?q#g");
    }
}

TEST(ResolveUrlRecord, ResultIsAbsoluteWhenTheBaseIs) {
    const BaseCase cases[] = {
        {"", kDocument, kDocument}, // a blank link becomes the base, flag included
        {"pic.vem", kDocument, "http://h/dir/sub/pic.vem"},
        {"#f", kDocument, "http://h/dir/sub/doc.vem#f"},
        {"//o", kDocument, "http://o"},
        {"pic.vem", "dir/doc.vem", "dir/pic.vem"},
    };
    for (const BaseCase& c : cases) {
        SCOPED_TRACE(c.link);
        ParsedUrl link;
        ParsedUrl base;
        ASSERT_EQ(ParseUrl(TextBuffer(c.link), &link), 1);
        ASSERT_EQ(ParseUrl(TextBuffer(c.base), &base), 1);
        ASSERT_EQ(ResolveUrl(&link, base), 1);
        EXPECT_EQ(link.absolute, base.absolute);
        TextBuffer text;
        ASSERT_EQ(ComposeUrl(link, &text), 1);
        EXPECT_EQ(Str(text), c.expected);
    }
}

TEST(ResolveUrlRecord, RecordResolvedAgainstItself) {
    const LinkCase cases[] = {
        {"a/b/c", "a/b/a/b/c"},
        {"http://h/x", "http://h/x"},
        {"#f", "#f"},
    };
    for (const LinkCase& c : cases) {
        SCOPED_TRACE(c.link);
        ParsedUrl url;
        ASSERT_EQ(ParseUrl(TextBuffer(c.link), &url), 1);
        ASSERT_EQ(ResolveUrl(&url, url), 1);
        TextBuffer text;
        ASSERT_EQ(ComposeUrl(url, &text), 1);
        EXPECT_EQ(Str(text), c.expected);
    }
}

TEST(ResolveLinkLength, LongAddressesAreNotCut) {
    std::string folder = "http://h";
    for (int i = 0; i < 200; ++i) {
        folder += "/segment" + std::to_string(i);
    }
    std::string link;
    for (int i = 0; i < 150; ++i) {
        link += "../";
    }
    link += std::string(5000, 'x');
    std::string expected = "http://h";
    for (int i = 0; i < 50; ++i) {
        expected += "/segment" + std::to_string(i);
    }
    expected += "/" + std::string(5000, 'x');
    EXPECT_EQ(Str(ResolveLink(link.c_str(), (folder + "/doc.vem").c_str())), expected);
}

} // namespace
