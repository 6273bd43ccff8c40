// The text value's rules, as tables of cases.
#include <gtest/gtest.h>

#include <string.h>
#include <string>

#include "plugin/TextBuffer.h"

namespace {

std::string Text(const TextBuffer& b) {
    return b.text != nullptr ? std::string(b.text) : "<null>";
}

TEST(TextBufferValue, EmptyHasNoText) {
    TextBuffer b;
    EXPECT_EQ(b.length, 0);
    EXPECT_EQ(b.text, nullptr);
    TextBuffer copy(b);
    EXPECT_EQ(copy.text, nullptr);
    EXPECT_EQ(copy.length, 0);
}

TEST(TextBufferValue, CopiesOwnTheirText) {
    TextBuffer a("abc");
    TextBuffer b(a);
    TextBuffer c;
    c = a;
    EXPECT_NE(a.text, b.text);
    EXPECT_NE(a.text, c.text);
    EXPECT_EQ(Text(b), "abc");
    EXPECT_EQ(c.length, 3);
    TextBuffer& same = c;
    c = same; // self-assignment keeps the text
    EXPECT_EQ(Text(c), "abc");
    c = "xy";
    EXPECT_EQ(Text(c), "xy");
    EXPECT_EQ(c.length, 2);
    TextBuffer emptyText("");
    EXPECT_NE(emptyText.text, nullptr);
    EXPECT_EQ(emptyText.length, 0);
}

TEST(TextBufferValue, AppendSumsLengths) {
    struct Case {
        const char* left;
        const char* right;
        const char* expected;
    } cases[] = {
        {"Error from ", "Vemo graphic plug-in", "Error from Vemo graphic plug-in"},
        {nullptr, "abc", "abc"},
        {"abc", nullptr, "abc"},
        {"", "", ""},
    };
    for (const Case& c : cases) {
        TextBuffer a(c.left);
        TextBuffer b(c.right);
        a.Append(b);
        EXPECT_EQ(Text(a), c.expected);
        EXPECT_EQ(a.length, static_cast<int32_t>(strlen(c.expected)));
    }
    TextBuffer self("ab");
    self.Append(self);
    EXPECT_EQ(Text(self), "abab");
}

TEST(TextBufferValue, GetTextGrowsToMinimum) {
    TextBuffer none;
    EXPECT_EQ(none.GetText(0), nullptr);
    char* t = none.GetText(1);
    ASSERT_NE(t, nullptr);
    EXPECT_STREQ(t, "");
    EXPECT_EQ(none.length, 0);

    TextBuffer b("abc");
    char* old = b.text;
    EXPECT_EQ(b.GetText(3), old);
    char* grown = b.GetText(260);
    EXPECT_STREQ(grown, "abc");
    EXPECT_EQ(b.length, 3);
    grown[259] = 'x'; // room for 260 characters
    grown[260] = '\0';
}

TEST(TextBufferFileName, TakesPartAfterLastSeparator) {
    struct Case {
        const char* text;
        int capacity;
        const char* expected;
    } cases[] = {
        {"/dir/pic.vem", 255, "pic.vem"},
        {"C:\\files\\a/b.web", 255, "b.web"},
        {"C:/files/a\\b.web", 255, "b.web"},
        {"pic.vem", 255, "pic.vem"},
        {"/dir/", 255, ""},
        {"", 255, ""},
        {"/abcdef", 4, "abc"},
        {"/abcdef", 1, ""},
    };
    for (const Case& c : cases) {
        TextBuffer b(c.text);
        char out[300];
        memset(out, '#', sizeof out);
        b.GetFileNamePart(out, c.capacity);
        EXPECT_STREQ(out, c.expected) << c.text;
        EXPECT_EQ(out[c.capacity], '\0') << c.text;
    }
}

TEST(TextBufferFileName, CapacityBelowOneWritesNothing) {
    TextBuffer b("/a/b");
    char out[4] = {'#', '#', '#', '#'};
    b.GetFileNamePart(out, 0);
    b.GetFileNamePart(out, -3);
    EXPECT_EQ(out[0], '#');
}

TEST(TextBufferFileName, LongNamesStopAt254Characters) {
    std::string name(300, 'n');
    TextBuffer b(("http://h/" + name).c_str());
    char out[256];
    b.GetFileNamePart(out, 255);
    EXPECT_EQ(strlen(out), 254u);
}

TEST(TextBufferKind, FollowsTheExtension) {
    struct Case {
        const char* text;
        int kind;
    } cases[] = {
        {".web", 2}, {"a.web", 0},  {"a.WEB", 2}, {"a.vem", 1}, {"x/y/map.vem", 1},
        {".vem", 2}, {"a.vemx", 2}, {"", 2},      {"abcde", 2}, {"a.ve", 2},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(TextBuffer(c.text).GetDocumentKind(), c.kind) << c.text;
    }
    EXPECT_EQ(TextBuffer().GetDocumentKind(), 2);
}

TEST(TextBufferSplit, SplitsAtPosition) {
    struct Case {
        const char* text;
        int position;
        int include;
        const char* left;
        const char* right;
    } cases[] = {
        {"abc", 1, 1, "ab", "c"}, {"abc", 1, 0, "a", "bc"}, {"abc", 3, 0, "abc", ""},
        {"abc", 3, 1, "abc", ""}, {"abc", 0, 0, "", "abc"}, {"abc", 2, 1, "abc", ""},
    };
    for (const Case& c : cases) {
        TextBuffer b(c.text);
        TextBuffer left("old");
        TextBuffer right("old");
        b.SplitAt(&left, &right, c.position, c.include);
        EXPECT_EQ(Text(left), c.left) << c.text << " @" << c.position;
        EXPECT_EQ(Text(right), c.right) << c.text << " @" << c.position;
        EXPECT_EQ(Text(b), c.text);
    }
}

TEST(TextBufferSplit, IgnoresBadPositions) {
    struct Case {
        const char* text;
        int position;
    } cases[] = {{"abc", 4}, {"abc", -1}, {"", 0}, {nullptr, 0}};
    for (const Case& c : cases) {
        TextBuffer b(c.text);
        TextBuffer left("L");
        TextBuffer right("R");
        b.SplitAt(&left, &right, c.position, 0);
        EXPECT_EQ(Text(left), "L");
        EXPECT_EQ(Text(right), "R");
    }
}

TEST(TextBufferSplit, OutputsMayBeTheBufferOrAbsent) {
    TextBuffer b("path/file");
    b.SplitAt(&b, nullptr, 4, 0);
    EXPECT_EQ(Text(b), "path");
    TextBuffer c("path/file");
    c.SplitAt(nullptr, &c, 4, 1);
    EXPECT_EQ(Text(c), "file");
}

TEST(TextBufferSplit, AtPointerInsideTheTextOnly) {
    TextBuffer b("abc");
    TextBuffer left("L");
    TextBuffer right("R");
    b.SplitAtPointer(&left, &right, b.text + 3, 0); // the terminator is outside
    EXPECT_EQ(Text(left), "L");
    b.SplitAtPointer(&left, &right, b.text - 1, 0);
    EXPECT_EQ(Text(left), "L");
    b.SplitAtPointer(&left, &right, b.text + 1, 1);
    EXPECT_EQ(Text(left), "ab");
    EXPECT_EQ(Text(right), "c");
}

TEST(TextBufferErase, RemovesInclusiveRange) {
    struct Case {
        const char* text;
        int first;
        int last;
        const char* expected;
    } cases[] = {
        {"abcdef", 1, 2, "adef"},   {"abcdef", 0, 5, ""},       {"abcdef", 5, 5, "abcde"},
        {"abcdef", 3, 2, "abcdef"}, {"abcdef", 2, 6, "abcdef"}, {"abcdef", -1, 1, "abcdef"},
    };
    for (const Case& c : cases) {
        TextBuffer b(c.text);
        b.EraseRange(c.first, c.last);
        EXPECT_EQ(Text(b), c.expected);
        EXPECT_EQ(b.length, static_cast<int32_t>(strlen(c.expected)));
    }
    TextBuffer none;
    none.EraseRange(0, 0);
    EXPECT_EQ(none.text, nullptr);
}

TEST(TextBufferFind, FirstAndLastPositions) {
    TextBuffer b("a/b/c?d");
    EXPECT_EQ(b.FindChar('/'), 1);
    EXPECT_EQ(b.FindLastChar('/'), 3);
    EXPECT_EQ(b.FindChar('#'), -1);
    EXPECT_EQ(b.FindLastChar('#'), -1);
    EXPECT_EQ(b.Find(TextBuffer("b/c")), 2);
    EXPECT_EQ(b.Find(TextBuffer("c?d!")), -1);
    EXPECT_EQ(b.Find(TextBuffer()), -1);
    EXPECT_EQ(TextBuffer().FindChar('a'), -1);
    EXPECT_EQ(TextBuffer().Find(TextBuffer("a")), -1);
}

} // namespace
