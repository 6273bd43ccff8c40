// The warning's rules without windows: the kind chosen from the renderer's flags, the 24-hour
// silencing, stored registry values, the dialog's answers and the message text.
#include <gtest/gtest.h>

#include <string.h>

#include <string>

#include "plugin/StringIds.h"
#include "warnings/WarningRules.h"

namespace {

constexpr uint64_t kNow = 0x01DC5A1B2C3D4E5Full; // a moment in 2025
constexpr uint64_t kHour = 36000000000ull;

TEST(WarningKind, FlagsChooseOneKind) {
    struct Case {
        uint32_t flags;
        uint32_t textId; // 0: no warning
        const char* valueName;
    };
    const Case cases[] = {
        {0, 0, nullptr},
        {4, 0, nullptr},
        {0x10, 0, nullptr},
        {1, kStringObjectsNotSupported, "TagToBeSupported"},
        {2, kStringObjectsNotUnderstood, "TagUnknown"},
        {3, kStringObjectsNotUnderstood, "TagUnknown"},
        {0x7, kStringObjectsNotUnderstood, "TagUnknown"},
        {0x19, kStringObjectsNotSupported, "TagToBeSupported"},
    };
    for (const Case& c : cases) {
        const WarningKind* kind = ChooseWarningKind(c.flags);
        if (c.textId == 0) {
            EXPECT_EQ(kind, nullptr) << c.flags;
            continue;
        }
        ASSERT_NE(kind, nullptr) << c.flags;
        EXPECT_EQ(kind->textId, c.textId) << c.flags;
        EXPECT_STREQ(kind->valueName, c.valueName) << c.flags;
    }
}

TEST(WarningSilencing, HoldsStrictlyWithinTwentyFourHoursAfterTheStoredTime) {
    struct Case {
        const char* what;
        uint64_t stored;
        uint64_t now;
        bool silenced;
    };
    const Case cases[] = {
        {"never silenced", 0, kNow, false},
        {"never silenced, clock at zero", 0, 0, false},
        {"one interval ago", kNow - 1, kNow, true},
        {"an hour ago", kNow - kHour, kNow, true},
        {"just under a day ago", kNow - kSilencePeriod + 1, kNow, true},
        {"exactly a day ago", kNow - kSilencePeriod, kNow, false},
        {"25 hours ago", kNow - 25 * kHour, kNow, false},
        {"a year ago", kNow - 8760 * kHour, kNow, false},
        {"stored equals now", kNow, kNow, false},
        {"clock went back an hour", kNow + kHour, kNow, false},
        {"clock went back a year", kNow + 8760 * kHour, kNow, false},
        {"first interval after 1601", 1, 2, true},
        {"near the top of the range", ~0ull - kHour, ~0ull - 1, true},
        {"top of the range, stored later", ~0ull, ~0ull - 1, false},
        {"garbage far in the future", 0xFFFFFFFFFFFFFFF0ull, 5, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsWarningSilenced(c.stored, c.now), c.silenced) << c.what;
    }
}

TEST(StoredTime, OnlyABinaryValueOfEightBytesOrMoreCounts) {
    const uint8_t bytes[16] = {0x5F, 0x4E, 0x3D, 0x2C, 0x1B, 0x5A, 0xDC, 0x01,
                               0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
    struct Case {
        const char* what;
        bool queryOk;
        uint32_t type;
        uint32_t size;
        uint64_t expected;
    };
    const Case cases[] = {
        {"binary, 8 bytes", true, kRegBinaryType, 8, kNow},
        {"binary, 16 bytes: the first 8", true, kRegBinaryType, 16, kNow},
        {"binary, 12 bytes", true, kRegBinaryType, 12, kNow},
        {"binary, 7 bytes", true, kRegBinaryType, 7, 0},
        {"binary, empty", true, kRegBinaryType, 0, 0},
        {"query failed (missing or too long)", false, kRegBinaryType, 8, 0},
        {"string value", true, 1, 8, 0},
        {"32-bit number value", true, 4, 4, 0},
        {"64-bit number value", true, 11, 8, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StoredTimeFromValue(c.queryOk, c.type, bytes, c.size), c.expected) << c.what;
    }
    EXPECT_EQ(StoredTimeFromValue(true, kRegBinaryType, nullptr, 8), 0u);
}

TEST(StoredTime, WrittenLowHalfFirstAndReadBackTheSame) {
    for (uint64_t time :
         {uint64_t(0), uint64_t(1), kNow, uint64_t(0x8000000000000000ull), ~uint64_t(0)}) {
        uint8_t bytes[8];
        EncodeStoredTime(time, bytes);
        EXPECT_EQ(StoredTimeFromValue(true, kRegBinaryType, bytes, 8), time);
    }
    uint8_t bytes[8];
    EncodeStoredTime(0x0102030405060708ull, bytes);
    const uint8_t expected[8] = {8, 7, 6, 5, 4, 3, 2, 1};
    EXPECT_EQ(memcmp(bytes, expected, 8), 0);
}

TEST(WarningAnswer, ButtonsAndCheckBoxMakeTheResult) {
    struct Case {
        int id;
        bool checked;
        int32_t result;
    };
    const Case cases[] = {
        {kWarningIgnoreId, false, 0},
        {kWarningGoToId, false, 1},
        {kWarningIgnoreId, true, 2},
        {kWarningGoToId, true, 3},
        // Escape, the close box, OK and the check box itself do not end the dialog.
        {2 /* IDCANCEL */, false, -1},
        {1, false, -1},
        {kWarningCheckId, true, -1},
        {kWarningTextId, false, -1},
        {0, false, -1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WarningResultForCommand(c.id, c.checked), c.result) << c.id << c.checked;
    }
}

TEST(WarningAnswer, AFailedDialogCountsAsIgnore) {
    struct Case {
        intptr_t returned;
        int32_t result;
    };
    const Case cases[] = {{-1, 0}, {0, 0}, {1, 1}, {2, 2}, {3, 3}, {-2, 0}};
    for (const Case& c : cases) {
        EXPECT_EQ(NormaliseWarningResult(c.returned), c.result) << c.returned;
    }
}

TEST(DocumentName, IsTheAddressAfterItsLastSlash) {
    struct Case {
        const char* url;
        const char* name;
    };
    const Case cases[] = {
        {"http://host/maps/town.vem", "town.vem"},
        {"town.vem", "town.vem"},
        {"C:\\maps\\town.vem", "C:\\maps\\town.vem"},
        {"file:///C:/maps\\old\\town.vem", "maps\\old\\town.vem"},
        {"http://host/maps/", ""},
        {"http://host/a.vem?x=1/2", "2"},
        {"", ""},
        {nullptr, ""},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(DocumentNameOf(c.url), c.name) << (c.url != nullptr ? c.url : "null");
    }
}

// The texts of the string table, as the system code page holds them.
const char kPrefix[] = "The drawing '";
const char kUnknown[] = "\x92 contains objects (not from version 1.5) which are not understood";
const char kUnsupported[] =
    "\x92 contains version 1.5 objects (such as blends and text) which are not yet supported";
const char kSuffix[] =
    " by the Vemo graphic plug-in.  There may be an upgrade available on the Vemo web site.";

std::string Build(const char* name, const char* kind, const char* prefix = kPrefix,
                  const char* suffix = kSuffix) {
    char out[kWarningTextCapacity];
    memset(out, 'Z', sizeof out);
    size_t length = BuildWarningText(out, prefix, name, kind, suffix);
    EXPECT_EQ(length, strlen(out));
    EXPECT_LE(length, kWarningTextCapacity - 1);
    return out;
}

TEST(WarningText, NamesTheDrawingBetweenTheFixedParts) {
    EXPECT_EQ(Build("town.vem", kUnsupported),
              "The drawing 'town.vem\x92 contains version 1.5 objects (such as blends and text) "
              "which are not yet supported by the Vemo graphic plug-in.  There may be an upgrade "
              "available on the Vemo web site.");
    EXPECT_EQ(Build("plan.web", kUnknown),
              "The drawing 'plan.web\x92 contains objects (not from version 1.5) which are not "
              "understood by the Vemo graphic plug-in.  There may be an upgrade available on the "
              "Vemo web site.");
    EXPECT_EQ(Build("", kUnknown).substr(0, 15), "The drawing '\x92 ");
}

TEST(WarningText, LongNamesFitTheBuffer) {
    // The fixed parts take 183 characters with the bit-0 text and 165 with the bit-1 text.
    ASSERT_EQ(strlen(kPrefix) + strlen(kUnsupported) + strlen(kSuffix), 183u);
    ASSERT_EQ(strlen(kPrefix) + strlen(kUnknown) + strlen(kSuffix), 165u);
    struct Case {
        const char* kind;
        size_t nameLength;
        bool whole; // the name appears unchanged
    };
    const Case cases[] = {
        {kUnsupported, 72, true}, {kUnsupported, 73, false}, {kUnsupported, 254, false},
        {kUnknown, 90, true},     {kUnknown, 91, false},     {kUnknown, 200, false},
    };
    for (const Case& c : cases) {
        std::string name(c.nameLength, 'n');
        name[0] = 'S';
        name.replace(name.size() - 4, 4, ".vem");
        std::string text = Build(name.c_str(), c.kind);
        SCOPED_TRACE(c.nameLength);
        // Every fixed part is whole, and the name sits between them.
        EXPECT_EQ(text.find(kPrefix), 0u);
        size_t kindAt = text.find(c.kind);
        ASSERT_NE(kindAt, std::string::npos);
        EXPECT_EQ(text.substr(kindAt + strlen(c.kind)), kSuffix);
        std::string shown = text.substr(strlen(kPrefix), kindAt - strlen(kPrefix));
        if (c.whole) {
            EXPECT_EQ(shown, name);
            continue;
        }
        EXPECT_EQ(text.size(), kWarningTextCapacity - 1) << "the room is used up";
        EXPECT_EQ(shown.front(), 'S') << shown;
        EXPECT_NE(shown.find("..."), std::string::npos) << shown;
        EXPECT_EQ(shown.substr(shown.size() - 4), ".vem") << shown;
    }
}

TEST(WarningText, OverlongFixedPartsAreCutAtTheBuffersEnd) {
    std::string longSuffix(300, 's');
    std::string text = Build("town.vem", kUnsupported, kPrefix, longSuffix.c_str());
    EXPECT_EQ(text.size(), kWarningTextCapacity - 1);
    EXPECT_EQ(text.find(kPrefix), 0u);
    std::string longPrefix(254, 'p');
    text = Build("town.vem", kUnsupported, longPrefix.c_str(), kSuffix);
    EXPECT_EQ(text, longPrefix + "\x92") << "no room for the name";
    text = Build("town.vem", nullptr, nullptr, nullptr);
    EXPECT_EQ(text, "town.vem");
}

} // namespace
