// The drawing warning under Wine: the dialog raised at the end of a drawing with the renderer's
// flags, its texts, its answers, the silencing values under HKEY_CURRENT_USER and the page
// request. The plug-in code is linked in; the scripted renderer gives the end-of-data flags.
#include "plugin/PluginTestFixture.h"

#include <string.h>

#include "support/DialogDriver.h"
#include "warnings/WarningDialog.h"

namespace {

const char kCaption[] = "Warning from Vemo graphic plug-in";
const char kMakerPage[] = "http://www.vemo.example/plugin/index.html";
const char kUnsupportedText[] =
    "The drawing 'town.vem\x92 contains version 1.5 objects (such as blends and text) which are "
    "not yet supported by the Vemo graphic plug-in.  There may be an upgrade available on the "
    "Vemo web site.";
const char kUnknownText[] =
    "The drawing 'town.vem\x92 contains objects (not from version 1.5) which are not understood "
    "by the Vemo graphic plug-in.  There may be an upgrade available on the Vemo web site.";
constexpr uint64_t kHour = 36000000000ull;

uint64_t Now() {
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    return (uint64_t(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

struct StoredValue {
    bool present = false;
    DWORD type = 0;
    std::vector<uint8_t> bytes;
    uint64_t Time() const {
        uint64_t time = 0;
        for (size_t i = 0; i < 8 && i < bytes.size(); ++i) {
            time |= uint64_t(bytes[i]) << (8 * i);
        }
        return time;
    }
};

StoredValue ReadValue(const char* name) {
    StoredValue value;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Vemo\\NPVemoC", 0, KEY_READ, &key) !=
        ERROR_SUCCESS) {
        return value;
    }
    uint8_t data[64] = {};
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &value.type, data, &size) == ERROR_SUCCESS) {
        value.present = true;
        value.bytes.assign(data, data + size);
    }
    RegCloseKey(key);
    return value;
}

void WriteValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Vemo\\NPVemoC", 0, nullptr, 0,
                              KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void WriteTime(const char* name, uint64_t time) {
    uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = uint8_t(time >> (8 * i));
    }
    WriteValue(name, REG_BINARY, bytes, 8);
}

void ClearSilencing() {
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vemo\\NPVemoC");
}

// How a test answers the warning: tick the box first or not, then the button to press.
struct Answer {
    bool tick;
    int button;
};

class WarningDialog : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        ClearSilencing();
        instance = NewInstance();
        ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    }
    void TearDown() override {
        if (driver) {
            EXPECT_FALSE(driver->stuck) << "a dialog was left unanswered";
        }
        PluginTest::TearDown();
        ClearSilencing();
    }

    // A drawing from url whose end of data reports flags, with the warning (if any) answered.
    void EndDrawing(HRESULT flags, Answer answer = {false, 1001},
                    const char* url = "http://host/maps/town.vem") {
        NPStream* stream = OpenStream(instance, url);
        Write(instance, stream, DrawingBytes(20));
        renderer.Queue(kSlotLoadData, {flags});
        Answering(answer);
        NPP_DestroyStream(instance, stream, NPRES_DONE);
    }

    // Answers the warning dialog (and OKs any message box after it).
    void Answering(Answer answer) {
        driver = std::make_unique<DialogDriver>([answer](HWND dialog, int tick) {
            if (DialogDriver::TextOf(dialog) != kCaption) {
                DialogDriver::PressButton(dialog, IDOK);
                return;
            }
            if (tick == 0 && answer.tick) {
                DialogDriver::Click(dialog, 1000);
            }
            if (tick == 1) {
                DialogDriver::Click(dialog, answer.button);
            }
        });
    }

    std::vector<SeenDialog> Warnings() const {
        std::vector<SeenDialog> found;
        for (const SeenDialog& dialog : driver->seen) {
            if (dialog.caption == kCaption) {
                found.push_back(dialog);
            }
        }
        return found;
    }

    NPP instance = nullptr;
    std::unique_ptr<DialogDriver> driver;
};

TEST_F(WarningDialog, EachFlagShowsItsTextInTheTemplatesControls) {
    struct Case {
        HRESULT flags;
        const char* text;
    };
    const Case cases[] = {{1, kUnsupportedText}, {2, kUnknownText}, {3, kUnknownText}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        EndDrawing(c.flags);
        std::vector<SeenDialog> warnings = Warnings();
        ASSERT_EQ(warnings.size(), 1u) << "one dialog, whichever bits are set";
        const SeenDialog& warning = warnings[0];
        EXPECT_EQ(warning.Text(1003), c.text);
        EXPECT_EQ(warning.Text(1001), "&Ignore");
        EXPECT_EQ(warning.Text(1002), "&Go to Vemo");
        EXPECT_EQ(warning.Text(1000), "Don't show this warning again");
        ASSERT_NE(warning.Control(1000), nullptr);
        EXPECT_EQ(warning.Control(1000)->checked, BST_UNCHECKED);
        // Owned by the plug-in's window, which makes its top-level window the owner.
        EXPECT_EQ(warning.owner, page);
        EXPECT_EQ(SendMessageA(child, WM_NULL, 0, 0), 0); // the window lives on
        EXPECT_EQ(Plugin(instance)->view->documentReady, 1);
        EXPECT_TRUE(TestBrowser::Get().urls.empty()) << "Ignore asks for no page";
        EXPECT_FALSE(ReadValue("TagUnknown").present);
        EXPECT_FALSE(ReadValue("TagToBeSupported").present);
    }
}

TEST_F(WarningDialog, FlagsWithoutWarningBitsShowNothing) {
    for (HRESULT flags : {HRESULT(0), HRESULT(4), HRESULT(0x18)}) {
        EndDrawing(flags);
        EXPECT_TRUE(driver->seen.empty()) << flags;
    }
    Answering({false, 1001});
    Document(instance)->ShowDrawingWarning(0x4);
    EXPECT_TRUE(driver->seen.empty());
}

TEST_F(WarningDialog, AnswersStoreTheTimeAndAskForTheMakersPage) {
    struct Case {
        HRESULT flags;
        Answer answer;
        const char* stored; // the value written, or null
        bool pageRequested;
    };
    const Case cases[] = {
        {1, {false, 1001}, nullptr, false},           {1, {false, 1002}, nullptr, true},
        {1, {true, 1001}, "TagToBeSupported", false}, {1, {true, 1002}, "TagToBeSupported", true},
        {2, {true, 1001}, "TagUnknown", false},       {3, {true, 1002}, "TagUnknown", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << c.flags << " tick " << c.answer.tick << " button " << c.answer.button);
        ClearSilencing();
        TestBrowser::Get().urls.clear();
        uint64_t before = Now();
        EndDrawing(c.flags, c.answer);
        uint64_t after = Now();
        ASSERT_EQ(Warnings().size(), 1u);
        for (const char* name : {"TagUnknown", "TagToBeSupported"}) {
            StoredValue value = ReadValue(name);
            if (c.stored == nullptr || strcmp(c.stored, name) != 0) {
                EXPECT_FALSE(value.present) << name;
                continue;
            }
            ASSERT_TRUE(value.present) << name;
            EXPECT_EQ(value.type, DWORD(REG_BINARY));
            EXPECT_EQ(value.bytes.size(), 8u);
            // The moment the warning was raised, taken before the dialog.
            EXPECT_GE(value.Time(), before);
            EXPECT_LE(value.Time(), after);
        }
        const auto& urls = TestBrowser::Get().urls;
        if (c.pageRequested) {
            ASSERT_EQ(urls.size(), 1u);
            EXPECT_EQ(urls[0].instance, instance);
            EXPECT_EQ(urls[0].url, kMakerPage);
            EXPECT_EQ(urls[0].target, "_self");
        } else {
            EXPECT_TRUE(urls.empty());
        }
    }
}

TEST_F(WarningDialog, SilencingLastsTwentyFourHoursPerKind) {
    struct Case {
        const char* what;
        const char* name;
        int64_t storedOffset; // stored time relative to now
        HRESULT flags;
        bool shown;
    };
    const Case cases[] = {
        {"an hour ago", "TagToBeSupported", -int64_t(kHour), 1, false},
        {"23 hours ago", "TagToBeSupported", -23 * int64_t(kHour), 1, false},
        {"25 hours ago", "TagToBeSupported", -25 * int64_t(kHour), 1, true},
        {"a week ago", "TagUnknown", -168 * int64_t(kHour), 2, true},
        {"in the future (clock set back)", "TagToBeSupported", int64_t(kHour), 1, true},
        {"the other kind silenced", "TagToBeSupported", -int64_t(kHour), 2, true},
        {"the other kind silenced", "TagUnknown", -int64_t(kHour), 1, true},
        {"unknown objects silenced", "TagUnknown", -int64_t(kHour), 3, false},
        {"only the lesser kind silenced", "TagToBeSupported", -int64_t(kHour), 3, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.what << " " << c.name << " flags " << c.flags);
        ClearSilencing();
        WriteTime(c.name, Now() + c.storedOffset);
        EndDrawing(c.flags);
        EXPECT_EQ(Warnings().size(), c.shown ? 1u : 0u);
    }
}

TEST_F(WarningDialog, ValuesOfOtherTypesOrSizesDoNotSilence) {
    uint64_t recent = Now() - kHour;
    uint8_t time[17];
    for (int i = 0; i < 8; ++i) {
        time[i] = uint8_t(recent >> (8 * i));
        time[8 + i] = 0xEE;
    }
    time[16] = 0xEE;
    DWORD number = 1;
    char text[] = "01234567";
    struct Case {
        const char* what;
        DWORD type;
        const void* data;
        DWORD size;
        bool shown;
    };
    const Case cases[] = {
        {"string", REG_SZ, text, sizeof text, true},
        {"32-bit number", REG_DWORD, &number, sizeof number, true},
        {"time as a number", REG_QWORD, time, 8, true},
        {"binary of 4 bytes", REG_BINARY, time, 4, true},
        {"binary of 17 bytes: too long to read", REG_BINARY, time, 17, true},
        {"binary of 16 bytes: the first 8 are the time", REG_BINARY, time, 16, false},
        {"binary of 12 bytes", REG_BINARY, time, 12, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ClearSilencing();
        WriteValue("TagToBeSupported", c.type, c.data, c.size);
        EndDrawing(1);
        EXPECT_EQ(Warnings().size(), c.shown ? 1u : 0u);
    }
}

TEST_F(WarningDialog, SilencingIsStoredAgainOnEveryTick) {
    WriteTime("TagUnknown", Now() - 30 * kHour);
    uint64_t before = Now();
    EndDrawing(2, {true, 1001});
    EXPECT_GE(ReadValue("TagUnknown").Time(), before);
    // Within the day the next drawing shows nothing.
    EndDrawing(2);
    EXPECT_TRUE(Warnings().empty());
}

TEST_F(WarningDialog, EscapeAndTheCloseBoxLeaveItOpen) {
    bool openAfterKeys = false;
    driver = std::make_unique<DialogDriver>([&](HWND dialog, int tick) {
        if (tick == 0) {
            DialogDriver::PressEscape(dialog);
        } else if (tick == 1) {
            DialogDriver::PressCloseBox(dialog);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        } else if (tick == 4) {
            openAfterKeys = IsWindowVisible(dialog) != FALSE;
            DialogDriver::Click(dialog, 1001);
        }
    });
    NPStream* stream = OpenStream(instance, "http://host/maps/town.vem");
    Write(instance, stream, DrawingBytes(20));
    renderer.Queue(kSlotLoadData, {HRESULT(1)});
    NPP_DestroyStream(instance, stream, NPRES_DONE);
    EXPECT_TRUE(openAfterKeys);
    EXPECT_EQ(driver->seen.size(), 1u);
}

TEST_F(WarningDialog, AccessKeysAnswerAsTheButtons) {
    driver = std::make_unique<DialogDriver>([&](HWND dialog, int tick) {
        if (tick == 1) {
            HWND focus = GetFocus();
            EXPECT_EQ(focus, GetDlgItem(dialog, 1001)) << "the default button has the focus";
            PostMessageA(focus, WM_CHAR, 'g', 0);
        }
    });
    NPStream* stream = OpenStream(instance, "http://host/maps/town.vem");
    Write(instance, stream, DrawingBytes(20));
    renderer.Queue(kSlotLoadData, {HRESULT(2)});
    NPP_DestroyStream(instance, stream, NPRES_DONE);
    ASSERT_EQ(TestBrowser::Get().urls.size(), 1u) << "Alt-less G chose \"&Go to Vemo\"";
    EXPECT_EQ(TestBrowser::Get().urls[0].url, kMakerPage);
}

TEST_F(WarningDialog, NameIsTheWholeAddressWithoutASlash) {
    struct Case {
        const char* url;
        const char* start;
    };
    const Case cases[] = {
        {"town.vem", "The drawing 'town.vem\x92 contains"},
        {"C:\\maps\\town.vem", "The drawing 'C:\\maps\\town.vem\x92 contains"},
        {"http://host/q.vem?a=1&b=2", "The drawing 'q.vem?a=1&b=2\x92 contains"},
    };
    for (const Case& c : cases) {
        EndDrawing(1, {false, 1001}, c.url);
        ASSERT_EQ(Warnings().size(), 1u) << c.url;
        EXPECT_EQ(Warnings()[0].Text(1003).rfind(c.start, 0), 0u) << Warnings()[0].Text(1003);
    }
}

TEST_F(WarningDialog, LongNamesAreShortenedToFit) {
    std::string url = "http://host/" + std::string(200, 'x') + ".vem";
    EndDrawing(1, {false, 1001}, url.c_str());
    ASSERT_EQ(Warnings().size(), 1u);
    std::string text = Warnings()[0].Text(1003);
    EXPECT_EQ(text.size(), 255u);
    EXPECT_NE(text.find("...xx"), std::string::npos) << text;
    EXPECT_NE(text.find(".vem\x92 contains"), std::string::npos) << text;
    EXPECT_EQ(text.substr(text.size() - 14), "Vemo web site.");
}

TEST_F(WarningDialog, WithoutAStreamUrlGoToStoresButRequestsNothing) {
    NPP fresh = NewInstance();
    ASSERT_EQ(Document(fresh)->streamUrl, nullptr);
    Answering({true, 1002});
    Document(fresh)->ShowDrawingWarning(1);
    ASSERT_EQ(Warnings().size(), 1u);
    EXPECT_EQ(Warnings()[0].Text(1003).rfind("The drawing '\x92 contains", 0), 0u);
    EXPECT_TRUE(TestBrowser::Get().urls.empty());
    EXPECT_TRUE(ReadValue("TagToBeSupported").present);
}

TEST_F(WarningDialog, RefusedPageRequestIsReportedAfterStoring) {
    TestBrowser::Get().getUrlResult = NPERR_GENERIC_ERROR;
    EndDrawing(1, {true, 1002});
    ASSERT_EQ(driver->seen.size(), 2u);
    EXPECT_EQ(driver->seen[1].caption, "Error from Vemo graphic plug-in");
    std::string boxText;
    for (const SeenControl& control : driver->seen[1].controls) {
        if (control.className == "Static") {
            boxText += control.text;
        }
    }
    EXPECT_EQ(boxText, kMakerPage);
    EXPECT_EQ(driver->seen[1].owner, page);
    EXPECT_TRUE(ReadValue("TagToBeSupported").present);
    EXPECT_EQ(TestBrowser::Get().urls.size(), 1u);
}

TEST_F(WarningDialog, MissingStringsShowNothing) {
    // A module without the plug-in's string table.
    SetPluginModule(GetModuleHandleA("kernel32.dll"));
    Answering({false, 1001});
    Document(instance)->ShowDrawingWarning(3);
    SetPluginModule(GetModuleHandleA(nullptr));
    EXPECT_TRUE(driver->seen.empty());
}

} // namespace
