// The status line's texts: one row per tool and "over a link", the zoom and the menu hint put
// in, and long addresses cut so that the text never outgrows its area.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "interaction/StatusText.h"

namespace {

std::string Compose(int32_t tool, const std::string& link, int32_t zoom,
                    int32_t capacity = kStatusTextCapacity) {
    std::string out(size_t(capacity) + 8, '#');
    int32_t length = ComposeStatusText(tool, link.empty() ? nullptr : link.c_str(),
                                       int32_t(link.size()), zoom, &out[0], capacity);
    EXPECT_EQ(out.compare(size_t(capacity), 8, "########"), 0) << "wrote past the capacity";
    EXPECT_EQ(size_t(length), strlen(out.c_str()));
    return out.substr(0, size_t(length));
}

struct Row {
    int32_t tool;
    const char* link;
    int32_t zoom;
    const char* expected;
};

const Row kRows[] = {
    // Push tool.
    {2, "http://h/a.html", 100, "Go to http://h/a.html. Drag to move the page. Right click: Menu."},
    {2, "", 100, "Drag to move the page. Right click: Menu."},
    // Zoom tool: over a link the zoom keys need CTRL; without one the zoom is shown.
    {1, "http://h/a.html", 100,
     "Go to http://h/a.html. CTRL-click: Zoom in. CTRL-SHIFT-click: Zoom out. Drag: AreaZoom. "
     "Right click: Menu."},
    {1, "", 100,
     "Zoom: 100%. Click: Zoom in. SHIFT-click: Zoom out. Drag: Zoom to area. Right click: Menu."},
    {1, "", 10,
     "Zoom: 10%. Click: Zoom in. SHIFT-click: Zoom out. Drag: Zoom to area. Right click: Menu."},
    {1, "", 25601,
     "Zoom: 25601%. Click: Zoom in. SHIFT-click: Zoom out. Drag: Zoom to area. Right click: "
     "Menu."},
    {1, "", 0,
     "Zoom: 0%. Click: Zoom in. SHIFT-click: Zoom out. Drag: Zoom to area. Right click: Menu."},
    {1, "", -2147483647 - 1,
     "Zoom: -2147483648%. Click: Zoom in. SHIFT-click: Zoom out. Drag: Zoom to area. Right "
     "click: Menu."},
    // No tool, and every tool value that is neither zoom nor push.
    {0, "http://h/a.html", 100, "Go to http://h/a.html. Right click: Menu."},
    {0, "", 100, "Right click: Menu."},
    {3, "", 100, "Right click: Menu."},
    {-1, "x", 100, "Go to x. Right click: Menu."},
    // Texts with format characters are shown as they are.
    {0, "http://h/100%25%s%d", 100, "Go to http://h/100%25%s%d. Right click: Menu."},
};

TEST(StatusLineTexts, EachToolAndLinkStateHasItsRow) {
    for (const Row& row : kRows) {
        SCOPED_TRACE(testing::Message()
                     << "tool " << row.tool << " link \"" << row.link << "\" zoom " << row.zoom);
        EXPECT_EQ(Compose(row.tool, row.link, row.zoom), row.expected);
    }
}

TEST(StatusLineTexts, FormatsFollowTheToolWithUnknownToolsAsNone) {
    for (int32_t tool : {0, 3, 100, -5}) {
        EXPECT_STREQ(StatusFormat(tool, false), "%s") << tool;
        EXPECT_STREQ(StatusFormat(tool, true), "Go to %s. %s") << tool;
    }
    EXPECT_STREQ(StatusFormat(2, false), "Drag to move the page. %s");
    EXPECT_STREQ(StatusFormat(1, false),
                 "Zoom: %d%%. Click: Zoom in. SHIFT-click: Zoom out. Drag: Zoom to area. %s");
}

// A long address is cut, marked with "...", and the rest of the row stays whole.
TEST(StatusLineTexts, LongAddressesAreCutToTheArea) {
    const char* tails[] = {
        ". Right click: Menu.",
        ". CTRL-click: Zoom in. CTRL-SHIFT-click: Zoom out. Drag: AreaZoom. Right click: Menu.",
        ". Drag to move the page. Right click: Menu.",
    };
    for (int32_t tool = 0; tool <= 2; ++tool) {
        std::string tail = tails[tool];
        size_t fixed = strlen("Go to ") + tail.size();
        size_t room = size_t(kStatusTextCapacity - 1) - fixed; // longest address kept whole
        for (size_t length : {room - 1, room, room + 1, size_t(256), size_t(1000)}) {
            SCOPED_TRACE(testing::Message() << "tool " << tool << " address of " << length);
            std::string link = "http://host/" + std::string(length - 12, 'a');
            std::string text = Compose(tool, link, 100);
            ASSERT_LE(text.size(), size_t(kStatusTextCapacity - 1));
            EXPECT_EQ(text.compare(0, 6, "Go to "), 0);
            ASSERT_GE(text.size(), tail.size());
            EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
            std::string shown = text.substr(6, text.size() - 6 - tail.size());
            if (length <= room) {
                EXPECT_EQ(shown, link);
            } else {
                EXPECT_EQ(text.size(), size_t(kStatusTextCapacity - 1));
                ASSERT_GE(shown.size(), 3u);
                EXPECT_EQ(shown.substr(shown.size() - 3), "...");
                EXPECT_EQ(link.compare(0, shown.size() - 3, shown, 0, shown.size() - 3), 0);
            }
        }
    }
}

// Small areas are filled as far as they go and always end in a zero.
TEST(StatusLineTexts, SmallAreasNeverOverflow) {
    const std::string full = Compose(1, "", 100);
    for (int32_t capacity : {1, 2, 5, 19, 40}) {
        SCOPED_TRACE(capacity);
        std::string text = Compose(1, "", 100, capacity);
        EXPECT_EQ(text, full.substr(0, size_t(capacity - 1)));
        std::string linked = Compose(2, std::string(500, 'z'), 100, capacity);
        EXPECT_LE(linked.size(), size_t(capacity - 1));
    }
    char untouched = '#';
    EXPECT_EQ(ComposeStatusText(0, nullptr, 0, 100, &untouched, 0), 0);
    EXPECT_EQ(untouched, '#');
}

// A length near the largest value is cut like any other (the text is only read up to the cut).
TEST(StatusLineTexts, AHugeLengthIsCutWithoutOverflow) {
    std::string link(400, 'w');
    char text[kStatusTextCapacity];
    int32_t length = ComposeStatusText(0, link.c_str(), 0x7FFFFFFF, 100, text, sizeof text);
    EXPECT_EQ(length, kStatusTextCapacity - 1);
    EXPECT_EQ(std::string(text).substr(size_t(length) - 24), "w.... Right click: Menu.");
}

TEST(StatusLineTexts, AMissingOrNegativeLengthLinkCountsAsNone) {
    char text[kStatusTextCapacity];
    ComposeStatusText(0, nullptr, 5, 100, text, sizeof text);
    EXPECT_STREQ(text, "Right click: Menu.");
    ComposeStatusText(2, "http://h/", -3, 100, text, sizeof text);
    EXPECT_STREQ(text, "Drag to move the page. Right click: Menu.");
}

} // namespace
