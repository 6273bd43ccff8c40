// Splitting addresses into their six components, and joining them again.
#include <gtest/gtest.h>

#include <string.h>

#include "url/Url.h"
#include "url/UrlText.h"

namespace {

struct ParseCase {
    const char* input;
    const char* scheme;
    const char* netLocation;
    const char* path;
    const char* params;
    const char* query;
    const char* fragment;
    int32_t absolute;
};

void ExpectParse(const ParseCase& c) {
    SCOPED_TRACE(c.input);
    ParsedUrl url;
    ASSERT_EQ(ParseUrl(TextBuffer(c.input), &url), 1);
    EXPECT_EQ(Str(url.scheme), c.scheme);
    EXPECT_EQ(Str(url.netLocation), c.netLocation);
    EXPECT_EQ(Str(url.path), c.path);
    EXPECT_EQ(Str(url.params), c.params);
    EXPECT_EQ(Str(url.query), c.query);
    EXPECT_EQ(Str(url.fragment), c.fragment);
    EXPECT_EQ(url.absolute, c.absolute);
    // Every component keeps its delimiters: they join in field order into the address.
    TextBuffer joined;
    ASSERT_EQ(ComposeUrl(url, &joined), 1);
    EXPECT_EQ(Str(joined),
              std::string(c.scheme) + c.netLocation + c.path + c.params + c.query + c.fragment);
}

TEST(ParseUrlComponents, AddressesWithScheme) {
    const ParseCase cases[] = {
        {"http://h/dir/sub/doc.vem", "http:", "//h", "/dir/sub/doc.vem", "", "", "", 1},
        {"http://h/d/doc.vem;p?q#f", "http:", "//h", "/d/doc.vem", ";p", "?q", "#f", 1},
        {"http://h", "http:", "//h", "", "", "", "", 1},
        {"http://h/", "http:", "//h", "/", "", "", "", 1},
        {"file:///c|/dir/doc.vem", "file:", "///c|", "/dir/doc.vem", "", "", "", 1},
        {"mailto:someone", "mailto:", "", "someone", "", "", "", 1},
        {"http:", "http:", "", "", "", "", "", 1},
        {"http:pic.vem", "http:", "", "pic.vem", "", "", "", 1},
        {"a:b#c", "a:", "", "b", "", "", "#c", 1},
        // The first ':' decides, also when a later one follows.
        {"x:y:z", "x:", "", "y:z", "", "", "", 1},
    };
    for (const ParseCase& c : cases) {
        ExpectParse(c);
    }
}

TEST(ParseUrlComponents, OnlyLowerCaseLettersMakeAScheme) {
    const ParseCase cases[] = {
        {"HTTP://h/x", "", "", "HTTP://h/x", "", "", "", 0},
        {"Http://h/x", "", "", "Http://h/x", "", "", "", 0},
        {"C:/dir/a.vem", "", "", "C:/dir/a.vem", "", "", "", 0},
        {"x-y:z", "", "", "x-y:z", "", "", "", 0},
        {"a1:b", "", "", "a1:b", "", "", "", 0},
        {"x.cgi?u=http://a/b", "", "", "x.cgi", "", "?u=http://a/b", "", 0},
        // Nothing before the ':' is all lower-case letters too.
        {":", ":", "", "", "", "", "", 1},
        {":x", ":", "", "x", "", "", "", 1},
        {"://h/x", ":", "//h", "/x", "", "", "", 1},
        // A ':' inside the fragment is gone before the scheme is looked for.
        {"#f:x", "", "", "", "", "", "#f:x", 0},
    };
    for (const ParseCase& c : cases) {
        ExpectParse(c);
    }
}

TEST(ParseUrlComponents, NetworkLocationOnlyAtTheStart) {
    const ParseCase cases[] = {
        {"//other/x.vem", "", "//other", "/x.vem", "", "", "", 0},
        {"//other", "", "//other", "", "", "", "", 0},
        {"//", "", "//", "", "", "", "", 0},
        {"///", "", "///", "", "", "", "", 0}, // position 2 is host even as '/'
        {"////", "", "///", "/", "", "", "", 0},
        {"//h/", "", "//h", "/", "", "", "", 0},
        {"//h?q", "", "//h?q", "", "", "", "", 0}, // up to the next '/' only
        {"//h;p/x?q", "", "//h;p", "/x", "", "?q", "", 0},
        {"//h#f", "", "//h", "", "", "", "#f", 0},
        {"x//y", "", "", "x//y", "", "", "", 0},
        {"/a//b", "", "", "/a//b", "", "", "", 0},
        {"/", "", "", "/", "", "", "", 0},
    };
    for (const ParseCase& c : cases) {
        ExpectParse(c);
    }
}

TEST(ParseUrlComponents, QueryBeforeParametersAndFragmentFirst) {
    const ParseCase cases[] = {
        {"p;a?b;c", "", "", "p", ";a", "?b;c", "", 0},
        {"a#b?c;d", "", "", "a", "", "", "#b?c;d", 0},
        {"?q", "", "", "", "", "?q", "", 0},
        {";p", "", "", "", ";p", "", "", 0},
        {"#", "", "", "", "", "", "#", 0},
        {"?", "", "", "", "", "?", "", 0},
        {";", "", "", "", ";", "", "", 0},
        {";p?q#f", "", "", "", ";p", "?q", "#f", 0},
        {"a;b;c", "", "", "a", ";b;c", "", "", 0},
        {"a?b?c", "", "", "a", "", "?b?c", "", 0},
        {"a#b#c", "", "", "a", "", "", "#b#c", 0},
    };
    for (const ParseCase& c : cases) {
        ExpectParse(c);
    }
}

TEST(ParseUrlComponents, BackslashesBecomeSlashesEverywhere) {
    const ParseCase cases[] = {
        {"sub\\pic.vem", "", "", "sub/pic.vem", "", "", "", 0},
        {"a\\b?x\\y#z\\w", "", "", "a/b", "", "?x/y", "#z/w", 0},
        {"\\\\server\\share\\a.vem", "", "//server", "/share/a.vem", "", "", "", 0},
        {"http:\\\\h\\d\\doc.vem", "http:", "//h", "/d/doc.vem", "", "", "", 1},
        {"\\", "", "", "/", "", "", "", 0},
    };
    for (const ParseCase& c : cases) {
        ExpectParse(c);
    }
}

TEST(ParseUrlDefaultScheme, HostLikePathsGetHttp) {
    const ParseCase cases[] = {
        {"w.x.y/a.vem", "http:", "//w.x.y", "/a.vem", "", "", "", 1},
        {"w.x.y", "http:", "//w.x.y", "", "", "", "", 1},
        {"W.X.Y/a", "http:", "//W.X.Y", "/a", "", "", "", 1},
        {"w.x.y;p?q#f", "http:", "//w.x.y", "", ";p", "?q", "#f", 1},
        {"w.x.y\\a.vem", "http:", "//w.x.y", "/a.vem", "", "", "", 1},
        // The walk stops at the second dot: what follows does not matter.
        {"w.x.2-/a", "http:", "//w.x.2-", "/a", "", "", "", 1},
        {"a..b.c", "http:", "//a..b.c", "", "", "", "", 1},
        // Three dots count as two (the first and the third).
        {"...", "http:", "//...", "", "", "", "", 1},
        {".../a.vem", "http:", "//...", "/a.vem", "", "", "", 1},
        {"...x", "http:", "//...x", "", "", "", "", 1},
        {".a.b", "http:", "//.a.b", "", "", "", "", 1},
    };
    for (const ParseCase& c : cases) {
        ExpectParse(c);
    }
}

TEST(ParseUrlDefaultScheme, OtherPathsStayRelative) {
    const ParseCase cases[] = {
        {"x.y/a.vem", "", "", "x.y/a.vem", "", "", "", 0},
        {"pic.vem", "", "", "pic.vem", "", "", "", 0},
        {"w.x2.y", "", "", "w.x2.y", "", "", "", 0},
        {"w-v.x.y", "", "", "w-v.x.y", "", "", "", 0},
        {"w_v.x.y", "", "", "w_v.x.y", "", "", "", 0},
        {"../x.y.z", "", "", "../x.y.z", "", "", "", 0}, // ".." counts once
        {"..", "", "", "..", "", "", "", 0},
        {"./a.b", "", "", "./a.b", "", "", "", 0},
        {"x.y?a.b.c", "", "", "x.y", "", "?a.b.c", "", 0},
        {"x.y#a.b.c", "", "", "x.y", "", "", "#a.b.c", 0},
        {"/w.x.y", "", "", "/w.x.y", "", "", "", 0},
        // With a scheme or a network location the rule does not apply.
        {"http:w.x.y", "http:", "", "w.x.y", "", "", "", 1},
        {"//w.x.y", "", "//w.x.y", "", "", "", "", 0},
    };
    for (const ParseCase& c : cases) {
        ExpectParse(c);
    }
}

TEST(ParseUrlRecord, EmptyInputGivesEmptyRecord) {
    ParsedUrl url;
    ASSERT_EQ(ParseUrl(TextBuffer("http://h/x"), &url), 1);
    ASSERT_EQ(ParseUrl(TextBuffer(), &url), 1); // replaces what the record held
    ExpectParse({"", "", "", "", "", "", "", 0});
    EXPECT_EQ(url.absolute, 0);
    EXPECT_EQ(url.scheme.length + url.netLocation.length + url.path.length + url.params.length +
                  url.query.length + url.fragment.length,
              0);
    ASSERT_EQ(ParseUrl(TextBuffer(""), &url), 1);
    EXPECT_EQ(url.absolute, 0);
    EXPECT_EQ(url.path.length, 0);
}

TEST(ParseUrlRecord, InputMayBeAComponentOfTheRecord) {
    ParsedUrl url;
    ASSERT_EQ(ParseUrl(TextBuffer("mailto:http://h/a;p?q#f"), &url), 1);
    ASSERT_EQ(Str(url.path), "http://h/a");
    ASSERT_EQ(ParseUrl(url.path, &url), 1);
    EXPECT_EQ(Str(url.scheme), "http:");
    EXPECT_EQ(Str(url.netLocation), "//h");
    EXPECT_EQ(Str(url.path), "/a");
    EXPECT_EQ(Str(url.params), "");
    EXPECT_EQ(Str(url.fragment), "");
}

TEST(ParseUrlRecord, KeepsEveryByte) {
    // Case, percent escapes, blanks, bytes above 127 and zeros pass through untouched.
    const char bytes[] = "Http%3A//H.x/%7Euser/\x92 a b\0z?Q=%20#Frag";
    TextBuffer input;
    input.length = static_cast<int32_t>(sizeof bytes - 1);
    input.text = new char[sizeof bytes];
    memcpy(input.text, bytes, sizeof bytes);
    ParsedUrl url;
    ASSERT_EQ(ParseUrl(input, &url), 1);
    EXPECT_EQ(Str(url.path), std::string("Http%3A//H.x/%7Euser/\x92 a b\0z", 28));
    EXPECT_EQ(Str(url.query), "?Q=%20");
    EXPECT_EQ(Str(url.fragment), "#Frag");
    TextBuffer joined;
    ASSERT_EQ(ComposeUrl(url, &joined), 1);
    EXPECT_EQ(Str(joined), std::string(bytes, sizeof bytes - 1));
}

TEST(ComposeUrlText, JoinsInFieldOrderWhateverTheFields) {
    ParsedUrl url;
    url.scheme = "s:";
    url.netLocation = "//n";
    url.path = "/p";
    url.params = ";a";
    url.query = "?q";
    url.fragment = "#f";
    TextBuffer text;
    ASSERT_EQ(ComposeUrl(url, &text), 1);
    EXPECT_EQ(Str(text), "s://n/p;a?q#f");
    EXPECT_EQ(text.length, 13);
    // The output may be one of the record's own components.
    ASSERT_EQ(ComposeUrl(url, &url.path), 1);
    EXPECT_EQ(Str(url.path), "s://n/p;a?q#f");
    ParsedUrl blank;
    ASSERT_EQ(ComposeUrl(blank, &text), 1);
    EXPECT_EQ(text.length, 0);
}

} // namespace
