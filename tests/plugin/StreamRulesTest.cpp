// The stream rules without a window system: header check, chunk size, stream modes, messages
// for renderer failures and the reading of embed attributes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plugin/StreamRules.h"

namespace {

std::vector<uint8_t> Bytes(std::initializer_list<int> values) {
    std::vector<uint8_t> bytes;
    for (int v : values) {
        bytes.push_back(static_cast<uint8_t>(v));
    }
    return bytes;
}

TEST(DrawingHeader, FirstChunkIsRefusedOnlyWhenEightBytesDiffer) {
    const struct {
        const char* name;
        std::vector<uint8_t> chunk;
        int32_t refused;
    } cases[] = {
        {"exact header", Bytes({'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0D, 0x0A}), 0},
        {"header and data", Bytes({'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0D, 0x0A, 1, 2, 3}), 0},
        {"line end swapped", Bytes({'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0A, 0x0D}), 1},
        {"lower case", Bytes({'v', 'e', 'm', 'o', 0xA3, 0xA3, 0x0D, 0x0A}), 1},
        {"last byte differs", Bytes({'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0D, 0x0B}), 1},
        {"seven bytes of garbage", Bytes({0, 1, 2, 3, 4, 5, 6}), 0},
        {"empty", Bytes({}), 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsRefusedFirstChunk(c.chunk.data(), static_cast<int32_t>(c.chunk.size())),
                  c.refused)
            << c.name;
    }
    EXPECT_EQ(IsRefusedFirstChunk(nullptr, 100), 0);
}

TEST(ChunkSize, AtMost4096BytesAreTaken) {
    const struct {
        int32_t offered;
        int32_t taken;
    } cases[] = {{0, 0},        {1, 1},        {4095, 4095},      {4096, 4096},
                 {4097, 4096},  {10000, 4096}, {INT32_MAX, 4096}, {-1, 0},
                 {INT32_MIN, 0}};
    for (const auto& c : cases) {
        EXPECT_EQ(ChunkLength(c.offered), c.taken) << c.offered;
    }
}

TEST(StreamMode, OnlyOneAndTwoAreMarkers) {
    int anything = 0;
    EXPECT_EQ(StreamModeOf(reinterpret_cast<void*>(uintptr_t(2))), StreamMode::Save);
    EXPECT_EQ(StreamModeOf(reinterpret_cast<void*>(uintptr_t(1))), StreamMode::Discard);
    EXPECT_EQ(StreamModeOf(nullptr), StreamMode::Display);
    EXPECT_EQ(StreamModeOf(reinterpret_cast<void*>(uintptr_t(3))), StreamMode::Display);
    EXPECT_EQ(StreamModeOf(&anything), StreamMode::Display);
}

TEST(LoadFailureMessage, EachFailureHasItsString) {
    const struct {
        uint32_t result;
        uint32_t id;
    } cases[] = {
        {0x80001001u, 0},     {0x8534E107u, 32798}, {0x8534E10Bu, 32799}, {0x80004005u, 32792},
        {0x8007000Eu, 32792}, {0x8534E108u, 32792}, {0x80001002u, 32792},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MessageForLoadFailure(c.result), c.id) << std::hex << c.result;
    }
}

TEST(EmbedAttributes, CaseInsensitiveComparison) {
    EXPECT_TRUE(EqualsIgnoringCase("ZoomPan", "zoompan"));
    EXPECT_TRUE(EqualsIgnoringCase("FALSE", "false"));
    EXPECT_TRUE(EqualsIgnoringCase("", ""));
    EXPECT_FALSE(EqualsIgnoringCase("false", "fals"));
    EXPECT_FALSE(EqualsIgnoringCase("fals", "false"));
    EXPECT_FALSE(EqualsIgnoringCase("false ", "false"));
    EXPECT_FALSE(EqualsIgnoringCase("\xC6", "\xE6")); // only ASCII letters fold
}

struct AttributeCase {
    const char* name;
    std::vector<const char*> names;
    std::vector<const char*> values;
    const char* viewport;
    const char* base;
    int32_t zoomPan;
    int32_t fileAccess;
};

TEST(EmbedAttributes, PairsAreReadInOrder) {
    std::string base256(256, 'b');
    std::string base257(257, 'c');
    const AttributeCase cases[] = {
        {"none", {}, {}, nullptr, nullptr, 1, 1},
        {"ZoomPan=FALSE", {"ZoomPan"}, {"FALSE"}, nullptr, nullptr, 0, 1},
        {"zoompan=no", {"zoompan"}, {"no"}, nullptr, nullptr, 1, 1},
        {"zoompan=0", {"zoompan"}, {"0"}, nullptr, nullptr, 1, 1},
        {"FILEACCESS=False", {"FILEACCESS"}, {"False"}, nullptr, nullptr, 1, 0},
        {"fileaccess=no", {"fileaccess"}, {"no"}, nullptr, nullptr, 1, 1},
        {"later viewport wins",
         {"viewport", "VIEWPORT"},
         {"1 2 3 4", "5 6 7 8"},
         "5 6 7 8",
         nullptr,
         1,
         1},
        {"base 256 kept", {"base"}, {base256.c_str()}, nullptr, base256.c_str(), 1, 1},
        {"base 257 ignored", {"base"}, {base257.c_str()}, nullptr, nullptr, 1, 1},
        {"empty base ignored", {"Base"}, {""}, nullptr, nullptr, 1, 1},
        {"invalid base keeps earlier",
         {"base", "base"},
         {"http://a/", base257.c_str()},
         nullptr,
         "http://a/",
         1,
         1},
        {"later base wins",
         {"base", "base"},
         {"http://a/", "http://b/"},
         nullptr,
         "http://b/",
         1,
         1},
        {"other names ignored",
         {"src", "width", "false"},
         {"a.vem", "false", "false"},
         nullptr,
         nullptr,
         1,
         1},
        {"null entries skipped", {nullptr, "zoompan"}, {"false", nullptr}, nullptr, nullptr, 1, 1},
    };
    for (const auto& c : cases) {
        EmbedAttributes read = ReadEmbedAttributes(static_cast<int32_t>(c.names.size()),
                                                   c.names.data(), c.values.data());
        EXPECT_STREQ(read.viewport, c.viewport) << c.name;
        EXPECT_STREQ(read.base, c.base) << c.name;
        EXPECT_EQ(read.zoomPanAllowed, c.zoomPan) << c.name;
        EXPECT_EQ(read.fileAccessAllowed, c.fileAccess) << c.name;
    }
}

// Script links need the page's explicit consent: the value "true" in any case, and the last
// "scriptlinks" of the embed decides.
TEST(EmbedAttributes, ScriptLinksNeedTheValueTrue) {
    const struct {
        std::vector<const char*> names;
        std::vector<const char*> values;
        int32_t allowed;
    } cases[] = {
        {{}, {}, 0},
        {{"scriptlinks"}, {"true"}, 1},
        {{"ScriptLinks"}, {"TRUE"}, 1},
        {{"scriptlinks"}, {"yes"}, 0},
        {{"scriptlinks"}, {"1"}, 0},
        {{"scriptlinks"}, {""}, 0},
        {{"scriptlinks"}, {"true "}, 0},
        {{"scriptlinks", "scriptlinks"}, {"true", "false"}, 0},
        {{"scriptlinks", "scriptlinks"}, {"no", "True"}, 1},
        {{"script"}, {"true"}, 0},
        {{"src", "zoompan"}, {"javascript:x", "true"}, 0},
    };
    for (const auto& c : cases) {
        const EmbedAttributes read = ReadEmbedAttributes(static_cast<int32_t>(c.names.size()),
                                                         c.names.data(), c.values.data());
        EXPECT_EQ(read.scriptLinksAllowed, c.allowed)
            << (c.values.empty() ? "(none)" : c.values.back());
    }
}

TEST(EmbedAttributes, NoPairsWithoutArraysOrCount) {
    const char* names[] = {"zoompan"};
    const char* values[] = {"false"};
    EXPECT_EQ(ReadEmbedAttributes(1, nullptr, values).zoomPanAllowed, 1);
    EXPECT_EQ(ReadEmbedAttributes(1, names, nullptr).zoomPanAllowed, 1);
    EXPECT_EQ(ReadEmbedAttributes(0, names, values).zoomPanAllowed, 1);
    EXPECT_EQ(ReadEmbedAttributes(-3, names, values).zoomPanAllowed, 1);
}

} // namespace
