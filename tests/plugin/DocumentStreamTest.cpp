// Document streams: display streams checked for the file header and fed to the renderer in
// chunks of at most 4096 bytes, the renderer's failures shown once each, the end of the data,
// and save streams written to a real file.
#include "PluginTestFixture.h"
#include "support/DialogDriver.h"

#include <fstream>
#include <iterator>

namespace {

class DocumentStream : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        instance = NewInstance();
        ASSERT_EQ(GiveWindow(instance, child), NPERR_NO_ERROR);
    }

    ViewWindow* View() { return Plugin(instance)->view; }

    NPP instance = nullptr;
};

TEST_F(DocumentStream, WriteReadyAlwaysOffers4096) {
    NPStream* stream = OpenStream(instance);
    EXPECT_EQ(NPP_WriteReady(instance, stream), 4096);
    EXPECT_EQ(NPP_WriteReady(nullptr, nullptr), 4096);
}

TEST_F(DocumentStream, DisplayStreamKeepsTheInstanceInPdata) {
    NPStream* stream = OpenStream(instance);
    EXPECT_EQ(stream->pdata, instance->pdata);
}

TEST_F(DocumentStream, HeaderIsAcceptedAndTheDataFed) {
    NPStream* stream = OpenStream(instance);
    std::vector<uint8_t> bytes = DrawingBytes(100);
    EXPECT_EQ(Write(instance, stream, bytes), 108);
    EXPECT_EQ(renderer.loaded, bytes);
    EXPECT_EQ(Document(instance)->refused, 0);
    EXPECT_EQ(Document(instance)->firstChunkPending, 0);
    EXPECT_EQ(View()->loadFailed, 0);
}

TEST_F(DocumentStream, SwappedLineEndIsRefusedWithoutAMessage) {
    NPStream* stream = OpenStream(instance);
    MessageBoxRecorder recorder;
    ValidateRect(child, nullptr);
    EXPECT_EQ(Write(instance, stream, {'V', 'E', 'M', 'O', 0xA3, 0xA3, 0x0A, 0x0D, 1, 2}), -1);
    EXPECT_EQ(Document(instance)->refused, 1);
    EXPECT_EQ(View()->loadFailed, 1);
    RECT dirty = {};
    EXPECT_TRUE(GetUpdateRect(child, &dirty, FALSE)) << "the view is invalidated";
    EXPECT_EQ(renderer.CountOf(kSlotLoadData), 0);
    // Everything after is refused too, a good header included; the end makes no call.
    EXPECT_EQ(Write(instance, stream, DrawingBytes(4)), -1);
    EXPECT_EQ(NPP_DestroyStream(instance, stream, NPRES_DONE), NPERR_NO_ERROR);
    EXPECT_EQ(renderer.CountOf(kSlotLoadData), 0);
    EXPECT_TRUE(recorder.boxes.empty());
}

TEST_F(DocumentStream, ShortFirstChunkAndLaterChunksAreNotChecked) {
    NPStream* stream = OpenStream(instance);
    std::vector<uint8_t> first = {'n', 'o', 't', 'V', 'E', 'M', 'O'};
    std::vector<uint8_t> second = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
    EXPECT_EQ(Write(instance, stream, first), 7);
    EXPECT_EQ(Write(instance, stream, second), 10);
    ASSERT_EQ(renderer.CountOf(kSlotLoadData), 2);
    EXPECT_EQ(renderer.CallsTo(kSlotLoadData)[0].bytes, first);
    EXPECT_EQ(renderer.CallsTo(kSlotLoadData)[1].bytes, second);
    EXPECT_EQ(Document(instance)->refused, 0);
}

TEST_F(DocumentStream, HeaderIsCheckedOnceInTheInstancesLife) {
    NPStream* first = OpenStream(instance);
    EXPECT_EQ(Write(instance, first, DrawingBytes(10)), 18);
    NPP_DestroyStream(instance, first, NPRES_DONE);
    NPStream* reload = OpenStream(instance);
    EXPECT_EQ(Write(instance, reload, {'X', 'X', 'X', 'X', 'X', 'X', 'X', 'X'}), 8);
    EXPECT_EQ(Document(instance)->refused, 0);
}

TEST_F(DocumentStream, LongOfferIsCutTo4096Bytes) {
    NPStream* stream = OpenStream(instance);
    std::vector<uint8_t> bytes = DrawingBytes(10000 - 8);
    EXPECT_EQ(Write(instance, stream, bytes), 4096);
    ASSERT_EQ(renderer.CountOf(kSlotLoadData), 1);
    EXPECT_EQ(renderer.CallsTo(kSlotLoadData)[0].args[0], 4096);
    EXPECT_EQ(renderer.loaded, std::vector<uint8_t>(bytes.begin(), bytes.begin() + 4096));
}

TEST_F(DocumentStream, BrowserDeliveringTheRestGetsItAll) {
    NPStream* stream = OpenStream(instance);
    std::vector<uint8_t> bytes = DrawingBytes(10000);
    size_t offset = 0;
    while (offset < bytes.size()) {
        int32_t offered = static_cast<int32_t>(bytes.size() - offset);
        int32_t taken = NPP_Write(instance, stream, static_cast<int32_t>(offset), offered,
                                  bytes.data() + offset);
        ASSERT_GT(taken, 0);
        ASSERT_LE(taken, 4096);
        offset += static_cast<size_t>(taken);
    }
    EXPECT_EQ(renderer.loaded, bytes);
    EXPECT_EQ(renderer.CountOf(kSlotLoadData), 3);
}

TEST_F(DocumentStream, DataBeforeTheRendererIsRefused) {
    NPP early = NewInstance();
    NPStream* stream = OpenStream(early);
    EXPECT_EQ(Write(early, stream, DrawingBytes(10)), -1);
    EXPECT_EQ(Document(early)->refused, 0);
    EXPECT_EQ(renderer.CountOf(kSlotLoadData), 0);
}

TEST_F(DocumentStream, EachRendererFailureIsShownOnceInARow) {
    const struct {
        const char* name;
        std::vector<HRESULT> results; // of the chunks after a good first one
        std::vector<std::string> messages;
        int32_t loadFailed;
    } cases[] = {
        {"out of memory twice, then incompatible",
         {HRESULT(0x8534E107), HRESULT(0x8534E107), HRESULT(0x8534E10B)},
         {"Out of memory", "Incompatible file version"},
         0},
        {"other failures",
         {E_FAIL, HRESULT(0x80001002), E_OUTOFMEMORY},
         {"An internal error has occured"},
         0},
        {"alternating",
         {HRESULT(0x8534E107), HRESULT(0x8534E10B), HRESULT(0x8534E107)},
         {"Out of memory", "Incompatible file version", "Out of memory"},
         0},
        {"corrupt drawing", {HRESULT(0x80001001), HRESULT(0x80001001)}, {}, 1},
        {"corrupt between",
         {HRESULT(0x8534E107), HRESULT(0x80001001), HRESULT(0x8534E107)},
         {"Out of memory"},
         1},
    };
    for (const auto& c : cases) {
        NPP fresh = NewInstance();
        HWND window = MakeChild();
        ASSERT_EQ(GiveWindow(fresh, window), NPERR_NO_ERROR);
        ScriptedRenderer own;
        factory.renderer = &own;
        NPStream* stream = OpenStream(fresh);
        ASSERT_EQ(Document(fresh)->renderer, static_cast<IDocumentRenderer*>(&own));
        ASSERT_EQ(Write(fresh, stream, DrawingBytes(1)), 9) << c.name;
        for (HRESULT result : c.results) {
            own.Queue(kSlotLoadData, {result});
        }
        MessageBoxRecorder recorder;
        for (size_t i = 0; i < c.results.size(); ++i) {
            EXPECT_EQ(Write(fresh, stream, {1, 2, 3}), -1) << c.name;
        }
        EXPECT_EQ(recorder.Texts(), c.messages) << c.name;
        for (const RecordedBox& box : recorder.boxes) {
            EXPECT_EQ(box.caption, "Error from Vemo graphic plug-in");
            EXPECT_EQ(box.owner, page) << "owned by the page that holds the plug-in window";
        }
        EXPECT_EQ(Plugin(fresh)->view->loadFailed, c.loadFailed) << c.name;
        NPP_Destroy(fresh, nullptr);
        DestroyWindow(window);
        factory.renderer = &renderer;
    }
}

TEST_F(DocumentStream, EndOfDataIsSentForACompleteStreamOnly) {
    const struct {
        NPReason reason;
        int endCalls;
        int32_t ready;
    } cases[] = {
        {NPRES_DONE, 1, 1},
        {NPRES_NETWORK_ERR, 0, 0},
        {NPRES_USER_BREAK, 0, 0},
        {NPReason(-1), 0, 0},
    };
    for (const auto& c : cases) {
        NPP fresh = NewInstance();
        HWND window = MakeChild();
        ASSERT_EQ(GiveWindow(fresh, window), NPERR_NO_ERROR);
        ScriptedRenderer own;
        factory.renderer = &own;
        NPStream* stream = OpenStream(fresh);
        ASSERT_EQ(Write(fresh, stream, DrawingBytes(20)), 28);
        MessageBoxRecorder recorder;
        EXPECT_EQ(NPP_DestroyStream(fresh, stream, c.reason), NPERR_NO_ERROR);
        EXPECT_EQ(own.endOfData, c.endCalls) << c.reason;
        EXPECT_EQ(Plugin(fresh)->view->documentReady, c.ready) << c.reason;
        EXPECT_TRUE(recorder.boxes.empty());
        NPP_Destroy(fresh, nullptr);
        DestroyWindow(window);
        factory.renderer = &renderer;
    }
}

TEST_F(DocumentStream, EndOfDataFailuresUseTheSameMessages) {
    NPStream* stream = OpenStream(instance);
    ASSERT_EQ(Write(instance, stream, DrawingBytes(5)), 13);
    renderer.Queue(kSlotLoadData, {HRESULT(0x8534E10B)});
    MessageBoxRecorder recorder;
    EXPECT_EQ(NPP_DestroyStream(instance, stream, NPRES_DONE), NPERR_NO_ERROR);
    EXPECT_EQ(recorder.Texts(), std::vector<std::string>{"Incompatible file version"});
    EXPECT_EQ(View()->documentReady, 0);
}

TEST_F(DocumentStream, CorruptAtTheEndShowsTheFailedView) {
    NPStream* stream = OpenStream(instance);
    ASSERT_EQ(Write(instance, stream, DrawingBytes(5)), 13);
    renderer.Queue(kSlotLoadData, {HRESULT(0x80001001)});
    MessageBoxRecorder recorder;
    NPP_DestroyStream(instance, stream, NPRES_DONE);
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(View()->loadFailed, 1);
}

TEST_F(DocumentStream, WarningFlagsStillCompleteTheDrawing) {
    // The warning (never silenced here) is answered with "Ignore".
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Vemo\\NPVemoC");
    DialogDriver driver([](HWND dialog, int) { DialogDriver::Click(dialog, 1001); });
    for (HRESULT flags : {HRESULT(1), HRESULT(2), HRESULT(3), HRESULT(4)}) {
        size_t dialogsBefore = driver.seen.size();
        NPP fresh = NewInstance();
        HWND window = MakeChild();
        ASSERT_EQ(GiveWindow(fresh, window), NPERR_NO_ERROR);
        ScriptedRenderer own;
        factory.renderer = &own;
        NPStream* stream = OpenStream(fresh);
        Write(fresh, stream, DrawingBytes(5));
        own.Queue(kSlotLoadData, {flags});
        NPP_DestroyStream(fresh, stream, NPRES_DONE);
        EXPECT_EQ(Plugin(fresh)->view->documentReady, 1) << flags;
        EXPECT_EQ(driver.seen.size() - dialogsBefore, flags == 4 ? 0u : 1u) << flags;
        NPP_Destroy(fresh, nullptr);
        DestroyWindow(window);
        factory.renderer = &renderer;
    }
}

TEST_F(DocumentStream, CallsWithoutInstanceAreHarmless) {
    NPStream stream = {};
    uint8_t bytes[4] = {1, 2, 3, 4};
    uint16_t type = 0;
    char mime[] = "application/vnd.vemo";
    EXPECT_EQ(NPP_NewStream(nullptr, mime, &stream, 0, &type), NPERR_INVALID_INSTANCE_ERROR);
    EXPECT_EQ(NPP_Write(nullptr, &stream, 0, 4, bytes), -1);
    EXPECT_EQ(NPP_DestroyStream(nullptr, &stream, NPRES_DONE), NPERR_NO_ERROR);
    NPP_t empty{nullptr, nullptr};
    EXPECT_EQ(NPP_Write(&empty, &stream, 0, 4, bytes), -1);
    NPP_StreamAsFile(instance, &stream, "C:\\x.vem");
}

// Save streams write to the file the reader chose.
class SaveStream : public DocumentStream {
protected:
    void SetUp() override {
        DocumentStream::SetUp();
        char folder[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, folder);
        path = std::string(folder) + "vemo-save-test.vem";
        DeleteFileA(path.c_str());
        // A drawing on display first, as when "Save Graphic As..." is chosen.
        display = OpenStream(instance, "http://host/drawings/pic.vem");
        ASSERT_EQ(Write(instance, display, DrawingBytes(50)), 58);
        NPP_DestroyStream(instance, display, NPRES_DONE);
        renderer.calls.clear();
    }
    void TearDown() override {
        DocumentStream::TearDown();
        DeleteFileA(path.c_str());
    }

    void ChooseSave(const std::string& target) {
        DocumentRecord* document = Document(instance);
        lstrcpynA(document->fileName, target.c_str(), sizeof document->fileName);
        document->saveMode = 1;
    }

    std::string FileContents() {
        std::ifstream file(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(file), {});
    }

    std::string path;
    NPStream* display = nullptr;
};

TEST_F(SaveStream, WritesExactlyTheStreamAndReplacesTheFile) {
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(20000, 'o');
    }
    ChooseSave(path);
    DocumentRecord* document = Document(instance);
    char* urlBefore = document->streamUrl;
    NPStream* stream = OpenStream(instance, "http://host/drawings/pic.vem");
    EXPECT_EQ(stream->pdata, reinterpret_cast<void*>(uintptr_t(2)));
    std::vector<uint8_t> bytes = DrawingBytes(9000);
    size_t offset = 0;
    while (offset < bytes.size()) {
        int32_t taken =
            NPP_Write(instance, stream, 0, int32_t(bytes.size() - offset), bytes.data() + offset);
        ASSERT_GT(taken, 0);
        ASSERT_LE(taken, 4096);
        offset += size_t(taken);
    }
    EXPECT_EQ(document->saveMode, 1) << "until the stream ends";
    EXPECT_EQ(NPP_DestroyStream(instance, stream, NPRES_DONE), NPERR_NO_ERROR);
    EXPECT_EQ(document->saveMode, 0);
    EXPECT_EQ(document->saveFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(FileContents(), std::string(bytes.begin(), bytes.end()));
    // Nothing of the display side is touched.
    EXPECT_TRUE(renderer.calls.empty());
    EXPECT_EQ(document->streamUrl, urlBefore);
    EXPECT_STREQ(document->streamUrl, "http://host/drawings/pic.vem");
    EXPECT_EQ(document->firstChunkPending, 0);
    EXPECT_EQ(document->refused, 0);
}

TEST_F(SaveStream, SaveOfABadHeaderIsNotChecked) {
    NPP fresh = NewInstance();
    HWND window = MakeChild();
    ASSERT_EQ(GiveWindow(fresh, window), NPERR_NO_ERROR);
    DocumentRecord* document = Document(fresh);
    lstrcpynA(document->fileName, path.c_str(), sizeof document->fileName);
    document->saveMode = 1;
    NPStream* stream = OpenStream(fresh);
    EXPECT_EQ(Write(fresh, stream, {'n', 'o', 't', ' ', 'v', 'e', 'm', 'o', '!'}), 9);
    NPP_DestroyStream(fresh, stream, NPRES_DONE);
    EXPECT_EQ(FileContents(), "not vemo!");
    EXPECT_EQ(document->firstChunkPending, 1);
    EXPECT_EQ(document->refused, 0);
    NPP_Destroy(fresh, nullptr);
    DestroyWindow(window);
}

TEST_F(SaveStream, UncreatableFileIsReportedAndTheStreamDiscarded) {
    std::string bad = path + "\\no\\such\\folder\\x.vem";
    ChooseSave(bad);
    MessageBoxRecorder recorder;
    NPStream* stream = OpenStream(instance);
    ASSERT_EQ(recorder.boxes.size(), 1u);
    EXPECT_EQ(recorder.boxes[0].text, "File Save failed");
    EXPECT_EQ(recorder.boxes[0].caption, bad);
    EXPECT_EQ(recorder.boxes[0].owner, nullptr);
    EXPECT_EQ(stream->pdata, reinterpret_cast<void*>(uintptr_t(1)));
    EXPECT_EQ(Document(instance)->saveMode, 0) << "a reload must display again";
    EXPECT_EQ(Write(instance, stream, DrawingBytes(5000)), 4096);
    EXPECT_EQ(NPP_DestroyStream(instance, stream, NPRES_DONE), NPERR_NO_ERROR);
    EXPECT_TRUE(renderer.calls.empty());

    // The next stream (a reload) is displayed again.
    NPStream* reload = OpenStream(instance);
    EXPECT_EQ(reload->pdata, instance->pdata);
    EXPECT_EQ(Write(instance, reload, {1, 2, 3}), 3);
    EXPECT_EQ(renderer.CountOf(kSlotLoadData), 1);
}

TEST_F(SaveStream, FailedWriteClosesTheFileAndDiscardsTheRest) {
    ChooseSave(path);
    NPStream* stream = OpenStream(instance);
    DocumentRecord* document = Document(instance);
    ASSERT_NE(document->saveFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Write(instance, stream, {1, 2, 3}), 3);
    // The disk turns read-only under the stream: writes fail from now on.
    CloseHandle(document->saveFile);
    document->saveFile = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                     OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(document->saveFile, INVALID_HANDLE_VALUE);
    MessageBoxRecorder recorder;
    EXPECT_EQ(Write(instance, stream, {4, 5, 6}), 3);
    EXPECT_EQ(stream->pdata, reinterpret_cast<void*>(uintptr_t(1)));
    EXPECT_EQ(document->saveMode, 0);
    EXPECT_EQ(document->saveFile, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Write(instance, stream, {7, 8, 9}), 3);
    EXPECT_EQ(NPP_DestroyStream(instance, stream, NPRES_DONE), NPERR_NO_ERROR);
    EXPECT_TRUE(recorder.boxes.empty());
    EXPECT_EQ(FileContents(), std::string("\x01\x02\x03", 3));
}

TEST_F(SaveStream, DestroyDuringASaveClosesTheFile) {
    ChooseSave(path);
    NPStream* stream = OpenStream(instance);
    EXPECT_EQ(Write(instance, stream, {'p', 'a', 'r', 't'}), 4);
    HANDLE locked = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(locked, INVALID_HANDLE_VALUE) << "the save stream holds the file";
    if (locked != INVALID_HANDLE_VALUE) {
        CloseHandle(locked);
    }
    EXPECT_EQ(NPP_Destroy(instance, nullptr), NPERR_NO_ERROR);
    HANDLE reopened = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(reopened, INVALID_HANDLE_VALUE) << "no handle outlives the instance";
    if (reopened != INVALID_HANDLE_VALUE) {
        CloseHandle(reopened);
    }
    EXPECT_EQ(FileContents(), "part") << "the partial file stays";
}

} // namespace
