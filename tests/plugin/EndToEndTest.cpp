// The plug-in as a browser runs it: the browser stand-in (vemohost.exe) loads the built
// NPVemoC.dll from a plug-in folder, opens a page with an embedded drawing and streams the file
// to it; the renderer is the real VemoDoc component, registered for the test. What passed
// between the two is read from the stand-in's log.
#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/TestFiles.h"

namespace {

using testfiles::WindowsPath;

// The stand-in's log goes to a file; its standard output is dropped.
DWORD RunProgram(const std::string& command, const std::string& folder, DWORD timeoutMs) {
    return testfiles::RunProgram(command, timeoutMs, folder, true);
}

std::string ReadFile(const std::string& path) {
    return testfiles::ReadText(path);
}

void WriteFile(const std::string& path, const std::string& bytes) {
    testfiles::WriteBytes(path, bytes);
}

struct HostLog {
    DWORD exitCode = ~0u;
    std::vector<std::string> lines;

    std::vector<std::string> Starting(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const std::string& line : lines) {
            if (line.compare(0, prefix.size(), prefix) == 0) {
                found.push_back(line);
            }
        }
        return found;
    }
    int Count(const std::string& prefix) const { return int(Starting(prefix).size()); }
    std::string Text() const {
        std::string all;
        for (const std::string& line : lines) {
            all += line + "\n";
        }
        return all;
    }
};

// The value of "key=" in a log line ("" when absent).
std::string Field(const std::string& line, const std::string& key) {
    size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) {
        return "";
    }
    at += key.size() + 2;
    size_t end = line.find(' ', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The result after "-> " in a call line.
std::string Result(const std::string& line) {
    size_t at = line.find("-> ");
    if (at == std::string::npos) {
        return "";
    }
    at += 3;
    size_t end = line.find(' ', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

class EndToEnd : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        registered = RunProgram("regsvr32.exe /s \"" + WindowsPath(VEMO_RENDERER_DLL) + "\"", "",
                                60000) == 0;
    }
    static void TearDownTestSuite() {
        RunProgram("regsvr32.exe /s /u \"" + WindowsPath(VEMO_RENDERER_DLL) + "\"", "", 60000);
    }

    void SetUp() override {
        ASSERT_TRUE(registered) << "regsvr32 could not register " << VEMO_RENDERER_DLL;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "vemo-e2e-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        RunProgram("cmd.exe /c rmdir /s /q \"" + folder + "\"", "", 30000);
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\plugins").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(WindowsPath(VEMO_PLUGIN_DLL).c_str(),
                              (folder + "\\plugins\\NPVemoC.dll").c_str(), FALSE));
    }

    std::string Example(const char* name) {
        return ReadFile(WindowsPath(VEMO_EXAMPLES_DIR) + "\\" + name);
    }

    // Writes the drawing and a page embedding it, runs the stand-in until every stream has
    // ended, and returns its log.
    HostLog Show(const std::string& drawing, int chunk, std::vector<std::string> steps = {}) {
        WriteFile(folder + "\\drawing.vem", drawing);
        WriteFile(folder + "\\page.html",
                  "<html><title>e2e</title><body>A drawing:<br>"
                  "<embed src=\"drawing.vem\" width=\"240\" height=\"180\" zoompan=\"true\">"
                  "</body></html>");
        std::string command = "\"" + WindowsPath(VEMO_HOST_EXE) + "\" --plugins \"" + folder +
                              "\\plugins\" --log \"" + folder + "\\log.txt\" --chunk " +
                              std::to_string(chunk) +
                              " --do \"open page.html\" --do idle --do \"wait 400\"";
        for (const std::string& step : steps) {
            command += " --do \"" + step + "\"";
        }
        HostLog log;
        log.exitCode = RunProgram(command, folder, 120000);
        std::istringstream text(ReadFile(folder + "\\log.txt"));
        std::string line;
        while (std::getline(text, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            log.lines.push_back(line);
        }
        return log;
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

    static inline bool registered = false;
    std::string folder;
};

TEST_F(EndToEnd, EmbeddedDrawingIsStreamedIntoTheRenderer) {
    std::string drawing = Lengthened(Example("town-map.vem"), 500);
    ASSERT_GT(drawing.size(), 6000u);
    HostLog log = Show(drawing, 1000);
    ASSERT_EQ(log.exitCode, 0u) << log.Text();

    std::vector<std::string> created = log.Starting("call NPP_New #1");
    ASSERT_EQ(created.size(), 1u) << log.Text();
    EXPECT_EQ(Result(created[0]), "0");
    EXPECT_NE(created[0].find("mode=embed"), std::string::npos);
    ASSERT_GE(log.Count("call NPP_SetWindow #1"), 1);
    std::vector<std::string> opened = log.Starting("call NPP_NewStream #1");
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(Result(opened[0]), "0");
    EXPECT_EQ(Field(opened[0], "stype"), "1");

    size_t total = 0;
    std::vector<std::string> writes = log.Starting("call NPP_Write #1");
    for (const std::string& write : writes) {
        EXPECT_EQ(Result(write), Field(write, "len")) << write;
        total += std::stoul(Result(write));
    }
    EXPECT_EQ(total, drawing.size());
    EXPECT_EQ(writes.size(), (drawing.size() + 999) / 1000);
    for (const std::string& ready : log.Starting("call NPP_WriteReady #1")) {
        EXPECT_EQ(Result(ready), "4096");
    }
    std::vector<std::string> ended = log.Starting("call NPP_DestroyStream #1");
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_EQ(Field(ended[0], "reason"), "0");
    EXPECT_EQ(log.Count("messagebox"), 0) << log.Text();
    std::vector<std::string> destroyed = log.Starting("call NPP_Destroy #1");
    ASSERT_EQ(destroyed.size(), 1u);
    EXPECT_EQ(Result(destroyed[0]), "0");
    EXPECT_EQ(Field(destroyed[0], "pdata"), "null");
    EXPECT_EQ(log.Count("call NP_Shutdown -> 0"), 1);
}

TEST_F(EndToEnd, LargeChunksFollowTheReadyAnswer) {
    std::string drawing = Lengthened(Example("town-map.vem"), 1500);
    ASSERT_GT(drawing.size(), 16000u);
    HostLog log = Show(drawing, 10000);
    ASSERT_EQ(log.exitCode, 0u) << log.Text();
    std::vector<std::string> writes = log.Starting("call NPP_Write #1");
    ASSERT_FALSE(writes.empty());
    size_t total = 0;
    for (const std::string& write : writes) {
        size_t offered = std::stoul(Field(write, "len"));
        size_t taken = std::stoul(Result(write));
        EXPECT_LE(offered, 4096u) << "the browser offers what WriteReady asked for";
        EXPECT_EQ(taken, offered) << write;
        total += taken;
    }
    EXPECT_EQ(total, drawing.size());
}

TEST_F(EndToEnd, CorruptHeaderIsRefusedWithoutAMessage) {
    HostLog log = Show(Corrupted(Example("town-map.vem")), 1000);
    ASSERT_EQ(log.exitCode, 0u) << log.Text();
    std::vector<std::string> writes = log.Starting("call NPP_Write #1");
    ASSERT_EQ(writes.size(), 1u) << log.Text();
    EXPECT_EQ(Result(writes[0]), "-1");
    std::vector<std::string> ended = log.Starting("call NPP_DestroyStream #1");
    ASSERT_EQ(ended.size(), 1u);
    EXPECT_NE(Field(ended[0], "reason"), "0");
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
        HostLog log = Show(Example(c.file), 64);
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
        EXPECT_EQ(Result(writes.back()), "-1") << c.file;
        std::vector<std::string> ended = log.Starting("call NPP_DestroyStream #1");
        ASSERT_EQ(ended.size(), 1u);
        EXPECT_NE(Field(ended[0], "reason"), "0") << c.file;
    }
}

TEST_F(EndToEnd, MissingRendererShowsTheBareCaption) {
    RunProgram("regsvr32.exe /s /u \"" + WindowsPath(VEMO_RENDERER_DLL) + "\"", "", 60000);
    HostLog log = Show(Example("town-map.vem"), 4096);
    registered =
        RunProgram("regsvr32.exe /s \"" + WindowsPath(VEMO_RENDERER_DLL) + "\"", "", 60000) == 0;
    ASSERT_EQ(log.exitCode, 0u) << log.Text();
    std::vector<std::string> boxes = log.Starting("messagebox \"");
    ASSERT_EQ(boxes.size(), 1u) << log.Text();
    EXPECT_EQ(boxes[0], "messagebox \"Error from Vemo graphic plug-in\" \"\"");
    std::vector<std::string> writes = log.Starting("call NPP_Write #1");
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(Result(writes[0]), "-1");
}

} // namespace
