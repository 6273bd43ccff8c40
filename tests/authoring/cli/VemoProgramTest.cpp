// The vemo program of this build (in the native build with the sanitizers): exit codes and one-line
// errors, outputs that are whole or absent, and `render` pixels equal to the renderer's own.
#include <gtest/gtest.h>

#include <dirent.h>
#include <png.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <sstream>

#include "authoring/cli/DrawingTools.h"
#include "renderer/DrawingRenderer.h"
#include "renderer/ExampleRendering.h"
#include "support/BuildPaths.h"

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
    std::vector<std::string> names;
    DIR* d = opendir(folder.c_str());
    while (dirent* e = d != nullptr ? readdir(d) : nullptr) {
        std::string n = e->d_name;
        if (n != "." && n != "..") {
            names.push_back(n);
        }
    }
    if (d != nullptr) {
        closedir(d);
    }
    std::sort(names.begin(), names.end());
    return names;
}

// The program of the build this test is in.
std::string Program() { return buildpaths::BinaryDir() + "/authoring/cli/vemo"; }

struct Outcome {
    int exitCode;
    std::string out;
    std::string err;
};

class VemoProgram : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/vemo-program-XXXXXX";
        ASSERT_NE(nullptr, mkdtemp(pattern));
        dir = pattern;
        std::string examples = buildpaths::SourceDir() + "/examples/";
        WriteText(dir + "/good.vem", ReadText(examples + "town-map.vem"));
        WriteText(dir + "/corrupt.vem", ReadText(examples + "failure-corrupt.vem"));
        mkdir((dir + "/folder").c_str(), 0755);
    }
    void TearDown() override {
        std::string command = "rm -rf '" + dir + "'";
        ASSERT_EQ(0, system(command.c_str()));
    }
    // Runs the program in the test folder with the arguments (a shell word list).
    Outcome Vemo(const std::string& args) {
        std::string command = "cd '" + dir + "' && '" + Program() + "' " + args +
                              " >stdout.txt 2>stderr.txt";
        int status = system(command.c_str());
        Outcome r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadText(dir + "/stdout.txt"),
              ReadText(dir + "/stderr.txt")};
        unlink((dir + "/stdout.txt").c_str());
        unlink((dir + "/stderr.txt").c_str());
        return r;
    }
    std::string dir;
};

// Exit code, a piece of stdout, a piece of the one line on stderr (empty: stderr is empty).
struct Case {
    const char* args;
    int exitCode;
    const char* out;
    const char* err;
};

const Case kCases[] = {
    {"", 2, "", "vemo: no command"},
    {"--help", 0, "usage: vemo COMMAND", ""},
    {"render --help", 0, "usage: vemo render", ""},
    {"render good.vem", 2, "", "vemo: render: needs IN.vem and OUT.png"},
    {"info good.vem", 0, "objects: ", ""},
    {"info corrupt.vem", 1, "failure: corrupt file (0x80001001) at byte ", ""},
    {"info missing.vem", 3, "", "vemo info: cannot read missing.vem: No such file"},
    {"info folder", 3, "", "vemo info: cannot read folder: it is a folder"},
    {"render good.vem out.png --width 50", 0, "", ""},
    {"render corrupt.vem out.png", 1, "", "vemo render: corrupt.vem: corrupt file (0x80001001) at byte"},
    {"render missing.vem out.png", 3, "", "vemo render: cannot read missing.vem"},
    {"render good.vem nowhere/out.png", 3, "", "vemo render: cannot write nowhere/out.png"},
    {"render good.vem folder", 3, "", "vemo render: cannot write folder: it is a folder"},
    {"render good.vem out.png --view 0,0,1,100000000 --width 2000", 1, "",
     "vemo render: good.vem: the image would be too large"},
    {"convert missing.svg out.vem", 3, "", "vemo convert: "},
};

TEST_F(VemoProgram, ExitCodesAndOneLineErrors) {
    for (const Case& c : kCases) {
        Outcome r = Vemo(c.args);
        EXPECT_EQ(c.exitCode, r.exitCode) << c.args << "\n" << r.err;
        EXPECT_NE(std::string::npos, r.out.find(c.out)) << c.args << "\n" << r.out;
        if (*c.err == '\0') {
            EXPECT_EQ("", r.err) << c.args;
        } else {
            EXPECT_EQ(0u, r.err.find(c.err)) << c.args << "\n" << r.err;
            EXPECT_EQ(r.err.size() - 1, r.err.find('\n')) << c.args << ": not one line\n" << r.err;
        }
        unlink((dir + "/out.png").c_str());
    }
}

// A failed render leaves an existing output as it was, and no temporary file behind.
TEST_F(VemoProgram, FailureLeavesNoHalfWrittenOutput) {
    WriteText(dir + "/out.png", "old");
    std::vector<std::string> before = FolderEntries(dir);
    EXPECT_EQ(1, Vemo("render corrupt.vem out.png").exitCode);
    EXPECT_EQ(2, Vemo("render good.vem out.png --smoothed 7").exitCode);
    EXPECT_EQ(1, Vemo("render good.vem out.png --view 0,0,1,100000000 --width 2000").exitCode);
    EXPECT_EQ("old", ReadText(dir + "/out.png"));
    EXPECT_EQ(before, FolderEntries(dir));
    // and a good one replaces it whole
    EXPECT_EQ(0, Vemo("render good.vem out.png --width 20").exitCode);
    EXPECT_EQ(std::string("\x89PNG", 4), ReadText(dir + "/out.png").substr(0, 4));
    EXPECT_EQ(before, FolderEntries(dir));
}

// The batch form: each input written whole or not at all, a one-line error for the one that does
// not convert, the report on stdout (none with --quiet), and a progress line only on a terminal.
TEST_F(VemoProgram, BatchConvertWritesEachGoodInput) {
    if (Vemo("convert missing.svg out.vem").err.find("no SVG converter") != std::string::npos) {
        GTEST_SKIP() << "this build has no SVG converter";
    }
    const char kSquare[] = "<svg xmlns='http://www.w3.org/2000/svg' width='10' height='10'>"
                           "<rect width='5' height='5' fill='red'/></svg>";
    WriteText(dir + "/a.svg", kSquare);
    WriteText(dir + "/b.svg", kSquare);
    WriteText(dir + "/broken.svg", "<svg xmlns='http://www.w3.org/2000/svg'><rect");
    mkdir((dir + "/out").c_str(), 0755);
    WriteText(dir + "/out/broken.vem", "old");

    Outcome r = Vemo("convert --out-dir out a.svg broken.svg b.svg");
    EXPECT_EQ(1, r.exitCode);
    EXPECT_EQ(0u, r.err.find("vemo convert: broken.svg: ")) << r.err;
    EXPECT_EQ(r.err.size() - 1, r.err.find('\n')) << r.err;
    EXPECT_NE(std::string::npos, r.out.find("converted 2 of 3 files")) << r.out;
    EXPECT_EQ("old", ReadText(dir + "/out/broken.vem"));
    EXPECT_EQ((std::vector<std::string>{"a.vem", "b.vem", "broken.vem"}), FolderEntries(dir + "/out"));
    EXPECT_EQ(0, Vemo("info out/a.vem").exitCode);

    r = Vemo("convert --quiet --out-dir out a.svg b.svg");
    EXPECT_EQ(0, r.exitCode);
    EXPECT_EQ("", r.out);
    EXPECT_EQ("", r.err);

    // On a terminal (script(1) gives the program one) the progress line shows and is cleared.
    std::string command = "cd '" + dir + "' && script -qec \"'" + Program() +
                          "' convert --out-dir out a.svg b.svg\" /dev/null > tty.txt";
    ASSERT_EQ(0, system(command.c_str()));
    std::string tty = ReadText(dir + "/tty.txt");
    EXPECT_NE(std::string::npos, tty.find("\r\033[K[2/2] b.svg")) << tty;
    EXPECT_NE(std::string::npos, tty.find("\r\033[Kconverted 2 of 2 files")) << tty;
}

bool ReadPng(const std::string& path, int32_t* width, int32_t* height, std::vector<uint8_t>* rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        return false;
    }
    image.format = PNG_FORMAT_RGB;
    rgb->resize(PNG_IMAGE_SIZE(image));
    *width = int32_t(image.width);
    *height = int32_t(image.height);
    return png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr) != 0;
}

// `render` gives the renderer's pixels for the default view the plug-in shows, at each
// smoothing, and for a view given on the command line.
TEST_F(VemoProgram, RenderGivesTheRenderersPixels) {
    std::string bytes = ReadText(dir + "/good.vem");
    std::vector<uint8_t> file(bytes.begin(), bytes.end());
    ASSERT_FALSE(file.empty());
    const struct {
        const char* args;
        int32_t smoothed;
        bool view;
    } kRenders[] = {
        {"--width 333", 1, false},
        {"--width 333 --smoothed 0", 0, false},
        {"--width 333 --view 100000,100000,400000,300000", 1, true},
    };
    for (const auto& c : kRenders) {
        ASSERT_EQ(0, Vemo(std::string("render good.vem out.png ") + c.args).exitCode) << c.args;
        int32_t width = 0, height = 0;
        std::vector<uint8_t> png;
        ASSERT_TRUE(ReadPng(dir + "/out.png", &width, &height, &png)) << c.args;
        EXPECT_EQ(333, width);

        std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
        vemo::DrawingRenderer renderer;
        if (c.view) {
            DocRect view{100000, 100000, 400000, 300000};
            renderer.SetDefaultView(&view, 1);
            EXPECT_EQ(222, height);
        }
        vemo::RenderExample(renderer, file.data(), uint32_t(file.size()), width, height,
                            c.smoothed, pixels.data());
        std::vector<uint8_t> expected;
        vemo::PixelsToTopDownRgb(pixels.data(), width, height, expected);
        EXPECT_TRUE(expected == png) << c.args;
    }
}

} // namespace
