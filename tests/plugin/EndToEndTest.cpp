// The plug-in as a browser runs it: the browser stand-in (vemohost.exe) loads the built
// NPVemoC.dll from a plug-in folder, opens a page with an embedded drawing and streams the file
// to it; the renderer is the real VemoDoc component, registered for the test. What passed
// between the two is read from the stand-in's log.
#include "support/HostScenario.h"

namespace {

class EndToEnd : public HostScenarioTest {
protected:
    // Shows the drawing on a page, offered in chunks of at most `chunk` bytes, until every
    // stream has ended.
    HostLog Stream(const std::string& drawing, int chunk) {
        return Show(drawing, "drawing.vem", {"idle", "wait 400"},
                    "--chunk " + std::to_string(chunk));
    }

    // The drawing with count fill-colour records after it: a longer file that draws the same.
    static std::string Lengthened(std::string drawing, int count) {
        for (int i = 0; i < count; ++i) {
            drawing += std::string("\x03\x00\x04\x00\x00\x00", 6);
            drawing += std::string("\x10\x20\x30\xFF", 4);
        }
        return drawing;
    }

    static std::string Corrupted(std::string drawing) {
        drawing[6] = '\x0A';
        drawing[7] = '\x0D';
        return drawing;
    }
};

TEST_F(EndToEnd, EmbeddedDrawingIsStreamedIntoTheRenderer) {
    std::string drawing = Lengthened(Example("town-map.vem"), 500);
    ASSERT_GT(drawing.size(), 6000u);
    HostLog log = Stream(drawing, 1000);
    ASSERT_EQ(log.exitCode, 0u) << log.Text();

    std::vector<std::string> created = log.Starting("call NPP_New #1");
    ASSERT_EQ(created.size(), 1u) << log.Text();
    EXPECT_EQ(LogResult(created[0]), "0");
    EXPECT_NE(created[0].find("mode=embed"), std::string::npos);
    ASSERT_GE(log.Count("call NPP_SetWindow #1"), 1);
    std::vector<std::string> opened = log.Starting("call NPP_NewStream #1");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(LogResult(opened[0]), "0");
    EXPECT_EQ(LogField(opened[0], "stype"), "1");

    size_t total = 0;
    std::vector<std::string> writes = log.Starting("call NPP_Write #1");
    for (const std::string& write : writes) {
        EXPECT_EQ(LogResult(write), LogField(write, "len")) << write;
        total += std::stoul(LogResult(write));
    }
    EXPECT_EQ(total, drawing.size());
    EXPECT_EQ(writes.size(), (drawing.size() + 999) / 1000);
    for (const std::string& ready : log.Starting("call NPP_WriteReady #1")) {
        EXPECT_EQ(LogResult(ready), "4096");
    }
    std::vector<std::string> ended = log.Starting("call NPP_DestroyStream #1");
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(LogField(ended[0], "reason"), "0");
    EXPECT_EQ(log.Count("messagebox"), 0) << log.Text();
    std::vector<std::string> destroyed = log.Starting("call NPP_Destroy #1");
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_EQ(LogResult(destroyed[0]), "0");
    EXPECT_EQ(LogField(destroyed[0], "pdata"), "null");
    EXPECT_EQ(log.Count("call NP_Shutdown -> 0"), 1);
}

TEST_F(EndToEnd, LargeChunksFollowTheReadyAnswer) {
    std::string drawing = Lengthened(Example("town-map.vem"), 1500);
    ASSERT_GT(drawing.size(), 16000u);
    HostLog log = Stream(drawing, 10000);
    ASSERT_EQ(log.exitCode, 0u) << log.Text();
    std::vector<std::string> writes = log.Starting("call NPP_Write #1");
    ASSERT_FALSE(writes.empty());
    size_t total = 0;
    for (const std::string& write : writes) {
        size_t offered = std::stoul(LogField(write, "len"));
        size_t taken = std::stoul(LogResult(write));
        EXPECT_LE(offered, 4096u) << "the browser offers what WriteReady asked for";
        EXPECT_EQ(taken, offered) << write;
        total += taken;
    }
    EXPECT_EQ(total, drawing.size());
}

TEST_F(EndToEnd, CorruptHeaderIsRefusedWithoutAMessage) {
    HostLog log = Stream(Corrupted(Example("town-map.vem")), 1000);
    ASSERT_EQ(log.exitCode, 0u) << log.Text();
    std::vector<std::string> writes = log.Starting("call NPP_Write #1");
    ASSERT_EQ(writes.size(), 1u) << log.Text();
    EXPECT_EQ(LogResult(writes[0]), "-1");
    std::vector<std::string> ended = log.Starting("call NPP_DestroyStream #1");
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_NE(LogField(ended[0], "reason"), "0");
    EXPECT_EQ(log.Count("messagebox"), 0) << log.Text();
}

TEST_F(EndToEnd, RendererFailuresShowTheirMessagesOnce) {
    const struct {
        const char* file;
        const char* message; // null: no box, the view shows the failure
    } cases[] = {
        {"failure-out-of-memory.vem", "Out of memory"},
        {"failure-version.vem", "Incompatible file version"},
        {"failure-corrupt.vem", nullptr},
    };
    for (const auto& c : cases) {
        HostLog log = Stream(Example(c.file), 64);
        ASSERT_EQ(log.exitCode, 0u) << c.file << "\n" << log.Text();
        std::vector<std::string> boxes = log.Starting("messagebox \"");
        if (c.message == nullptr) {
            EXPECT_TRUE(boxes.empty()) << c.file << "\n" << log.Text();
        } else {
            ASSERT_EQ(boxes.size(), 1u) << c.file << "\n" << log.Text();
            EXPECT_EQ(boxes[0], std::string("messagebox \"Error from Vemo graphic plug-in\" \"") +
                                    c.message + "\"");
        }
        std::vector<std::string> writes = log.Starting("call NPP_Write #1");
        ASSERT_FALSE(writes.empty()) << c.file;
        EXPECT_EQ(LogResult(writes.back()), "-1") << c.file;
        std::vector<std::string> ended = log.Starting("call NPP_DestroyStream #1");
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_NE(LogField(ended[0], "reason"), "0") << c.file;
    }
}

TEST_F(EndToEnd, MissingRendererShowsTheBareCaption) {
    RegisterRenderer(false);
    HostLog log = Stream(Example("town-map.vem"), 4096);
    registered = RegisterRenderer(true);
    ASSERT_EQ(log.exitCode, 0u) << log.Text();
    std::vector<std::string> boxes = log.Starting("messagebox \"");
    ASSERT_EQ(boxes.size(), 1u) << log.Text();
    EXPECT_EQ(boxes[0], "messagebox \"Error from Vemo graphic plug-in\" \"\"");
    std::vector<std::string> writes = log.Starting("call NPP_Write #1");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(LogResult(writes[0]), "-1");
}

} // namespace
