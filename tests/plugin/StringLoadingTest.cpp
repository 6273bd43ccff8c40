// Texts from the library's string table and the error box built from them, with the plug-in
// code linked into this program together with its resource script.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "MessageBoxRecorder.h"
#include "plugin/DocumentRecord.h"
#include "plugin/HostServices.h"
#include "plugin/TextBuffer.h"

namespace {

class StringLoading : public ::testing::Test {
protected:
    void SetUp() override { SetPluginModule(GetModuleHandleA(nullptr)); }
};

TEST_F(StringLoading, LongStringIsCutTo254Characters) {
    TextBuffer text;
    ASSERT_TRUE(text.LoadString(40001));
    ASSERT_EQ(text.length, 254);
    std::string expected;
    for (int i = 0; i < 254; ++i) {
        expected += static_cast<char>('0' + i % 10);
    }
    EXPECT_EQ(std::string(text.text), expected);
}

TEST_F(StringLoading, LoadReplacesAnEarlierText) {
    TextBuffer text("an earlier, much longer text than the one loaded");
    ASSERT_TRUE(text.LoadString(40002));
    EXPECT_EQ(text.length, 5);
    EXPECT_STREQ(text.text, "short");
}

TEST_F(StringLoading, IdWithoutTextLeavesNoText) {
    for (uint32_t id : {32800u, 32794u, 1u, 65535u}) {
        TextBuffer text("stale");
        EXPECT_FALSE(text.LoadString(id)) << id;
        EXPECT_EQ(text.length, 0) << id;
        EXPECT_EQ(text.text, nullptr) << id;
        EXPECT_STREQ(text.GetText(1), "") << id;
    }
}

TEST_F(StringLoading, StringsComeFromThePluginModule) {
    // A module without the plug-in's string table: nothing loads.
    SetPluginModule(GetModuleHandleA("kernel32.dll"));
    TextBuffer text;
    EXPECT_FALSE(text.LoadString(40002));
    SetPluginModule(GetModuleHandleA(nullptr));
    EXPECT_TRUE(text.LoadString(40002));
}

class ErrorBox : public StringLoading {};

TEST_F(ErrorBox, IdWithoutTextShowsTheCaptionAndAnEmptyMessage) {
    DocumentRecord document;
    MessageBoxRecorder recorder;
    document.ShowErrorBox(32800);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].caption, "Error from Vemo graphic plug-in");
    EXPECT_EQ(recorder.boxes[0].text, "");
    EXPECT_EQ(recorder.boxes[0].owner, nullptr);
}

TEST_F(ErrorBox, MessagesComeFromTheStringTable) {
    const struct {
        uint32_t id;
        const char* text;
    } cases[] = {
        {32792, "An internal error has occured"},
        {32798, "Out of memory"},
        {32799, "Incompatible file version"},
        {32801, "http://www.vemo.example/plugin/index.html"},
    };
    for (const auto& c : cases) {
        DocumentRecord document;
        MessageBoxRecorder recorder;
        document.ShowErrorBox(c.id);
        ASSERT_EQ(recorder.boxes.size(), 1u) << c.id;
        EXPECT_EQ(recorder.boxes[0].text, c.text);
        EXPECT_EQ(recorder.boxes[0].caption, "Error from Vemo graphic plug-in");
    }
}

TEST_F(ErrorBox, IsOwnedByTheOwnerWindow) {
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                                 nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    DocumentRecord document;
    document.ownerWindow = owner;
    MessageBoxRecorder recorder;
    document.ShowErrorBox(32798);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].owner, owner);
    DestroyWindow(owner);
}

TEST_F(ErrorBox, NothingIsShownWithoutTheProductName) {
    SetPluginModule(GetModuleHandleA("kernel32.dll"));
    DocumentRecord document;
    MessageBoxRecorder recorder;
    document.ShowErrorBox(32798);
    EXPECT_TRUE(recorder.boxes.empty());
}

} // namespace
