// Running out of memory while resolving: the result is the right address or no address, never a
// half-built one that the status line would show or a click would follow.
//
// This program replaces the allocation the product code uses (new (std::nothrow) char[n]) so that
// a chosen allocation fails.
#include <gtest/gtest.h>

#include <new>

#include "url/Url.h"
#include "url/UrlText.h"

namespace {

int64_t gCount = 0;     // nothrow array allocations since Arm()
int64_t gFailFrom = -1; // the first allocation to fail (1-based), or -1
bool gFailOnce = false; // fail only that one, or every one from it on
bool gFailed = false;

void Arm(int64_t failFrom, bool once) {
    gCount = 0;
    gFailFrom = failFrom;
    gFailOnce = once;
    gFailed = false;
}

void Disarm() {
    gFailFrom = -1;
}

} // namespace

void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    if (gFailFrom > 0) {
        ++gCount;
        if (gCount == gFailFrom || (!gFailOnce && gCount > gFailFrom)) {
            gFailed = true;
            return nullptr;
        }
    }
    return ::operator new[](size);
}

namespace {

struct Case {
    const char* link;
    const char* base;
    const char* expected;
};

const Case kCases[] = {
    {"pic.vem", "http://h/dir/sub/doc.vem", "http://h/dir/sub/pic.vem"},
    {"a/./b/../c.vem", "http://h/dir/sub/doc.vem", "http://h/dir/sub/a/c.vem"},
    {"../../../pic.vem", "http://h/dir/sub/doc.vem", "http://h/../pic.vem"},
    {"#f", "http://h/d/doc.vem;p?q", "http://h/d/doc.vem;p?q#f"},
    {"?q2", "http://h/d/doc.vem;p?q", "http://h/d/doc.vem;p?q2"},
    {"//other", "http://h/dir/sub/doc.vem", "http://other"},
    {"/top/pic.vem", "http://h/dir/sub/doc.vem", "http://h/top/pic.vem"},
    {"w.x.y/a.vem", "http://h/dir/sub/doc.vem", "http://w.x.y/a.vem"},
    {"sub\\pic.vem", "http://h/dir/sub/doc.vem", "http://h/dir/sub/sub/pic.vem"},
    {"pic.vem", "http://h", "http://h/pic.vem"},
    {"pic.vem", "file:///c|/dir/doc.vem", "file:///c|/dir/pic.vem"},
    {"mailto:someone", "http://h/doc.vem", "mailto:someone"},
    {"pic.vem", "", "pic.vem"},
};

void CheckEveryFailurePoint(bool once) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.link) + " against " + c.base + (once ? " (one)" : " (all)"));
        TextBuffer link(c.link);
        TextBuffer base(c.base);
        int emptied = 0;
        for (int64_t failFrom = 1;; ++failFrom) {
            Arm(failFrom, once);
            TextBuffer result = ResolveLink(link, base);
            bool failed = gFailed;
            Disarm();
            std::string text = Str(result);
            if (text != c.expected) {
                EXPECT_EQ(text, "") << "allocation " << failFrom << " failed";
                ++emptied;
            }
            if (!failed) {
                EXPECT_EQ(text, c.expected); // every allocation went through
                break;
            }
        }
        EXPECT_GT(emptied, 0); // failures were noticed, not papered over
    }
}

TEST(ResolveLinkOutOfMemory, OneFailedAllocationGivesRightAddressOrNone) {
    CheckEveryFailurePoint(true);
}

TEST(ResolveLinkOutOfMemory, NoMemoryLeftGivesRightAddressOrNone) {
    CheckEveryFailurePoint(false);
}

TEST(ParseUrlOutOfMemory, FailureLeavesAnEmptyRecord) {
    for (int64_t failFrom = 1;; ++failFrom) {
        TextBuffer text("http://h/d/doc.vem;p?q#f");
        ParsedUrl url;
        Arm(failFrom, false);
        int32_t ok = ParseUrl(text, &url);
        bool failed = gFailed;
        Disarm();
        TextBuffer joined;
        ASSERT_EQ(ComposeUrl(url, &joined), 1);
        if (ok) {
            EXPECT_EQ(Str(joined), "http://h/d/doc.vem;p?q#f") << failFrom;
        } else {
            EXPECT_EQ(joined.length, 0) << failFrom;
            EXPECT_EQ(url.absolute, 0) << failFrom;
        }
        if (!failed) {
            EXPECT_EQ(ok, 1);
            break;
        }
    }
}

} // namespace
