// After a silent install, the browser stand-in finds the plug-in in the installed folder and
// shows a drawing through the renderer component that the installer registered.
#include "SetupFixture.h"

namespace setuptest {
namespace {

// A path of the build machine as Wine sees it.
std::string WinePath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

// Counts the pixels of a 24-bit bottom-up BMP that are not white; -1 when it is no such file.
long NonWhitePixels(const std::string& bmp, long* total) {
    if (bmp.size() < 54 || bmp[0] != 'B' || bmp[1] != 'M') {
        return -1;
    }
    auto at = [&](size_t i, int n) {
        unsigned long v = 0;
        for (int k = n - 1; k >= 0; --k) {
            v = v << 8 | static_cast<unsigned char>(bmp[i + k]);
        }
        return v;
    };
    unsigned long offset = at(10, 4);
    long width = static_cast<long>(at(18, 4));
    long height = static_cast<long>(static_cast<int32_t>(at(22, 4)));
    if (height < 0) {
        height = -height;
    }
    if (at(28, 2) != 24 || width <= 0 || height <= 0) {
        return -1;
    }
    size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t(3);
    if (offset + stride * height > bmp.size()) {
        return -1;
    }
    long count = 0;
    for (long y = 0; y < height; ++y) {
        const unsigned char* row =
            reinterpret_cast<const unsigned char*>(bmp.data()) + offset + stride * y;
        for (long x = 0; x < width; ++x) {
            if (row[3 * x] != 255 || row[3 * x + 1] != 255 || row[3 * x + 2] != 255) {
                ++count;
            }
        }
    }
    *total = width * height;
    return count;
}

using InstalledPlugin = SetupProgramTest;

TEST_F(InstalledPlugin, BrowserStandInShowsADrawingThroughIt) {
    std::string drawing = WinePath(VEMO_SETUP_SOURCE_DIR "/examples/logo.vem");
    ASSERT_TRUE(FileExists(drawing)) << drawing;
    std::string host = ModuleFolder() + "..\\..\\host\\vemohost.exe";
    ASSERT_TRUE(FileExists(host)) << host;

    std::string plugins = scratch + "Browser Plugins";
    ASSERT_TRUE(CreateDirectoryA(plugins.c_str(), nullptr));
    SetupRun run = RunSetup(ModuleFolder() + "..\\..\\setup\\setup.exe", "\"" + plugins + "\"");
    ASSERT_EQ(run.exitCode, 0u);

    std::string log = scratch + "host.log";
    std::string shot = scratch + "drawing.bmp";
    DWORD exitCode = RunProgram("\"" + host + "\" --plugins \"" + plugins + "\" --do idle" +
                                " --do \"ticks 12\" --do \"capture " + shot + " in=1\"" +
                                " --log \"" + log + "\" \"" + drawing + "\"");
    std::string lines = ReadWholeFile(log);
    EXPECT_EQ(exitCode, 0u) << lines;
    EXPECT_NE(lines.find("plugin \""), std::string::npos) << lines;
    EXPECT_NE(lines.find("Browser Plugins\\\\NPVemoC.dll"), std::string::npos) << lines;
    EXPECT_NE(lines.find("call NPP_New #1"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("messagebox"), std::string::npos) << lines;

    long total = 0;
    long drawn = NonWhitePixels(ReadWholeFile(shot), &total);
    ASSERT_GE(drawn, 0) << "no capture";
    EXPECT_GT(drawn, total / 50) << drawn << " of " << total << " pixels drawn";
}

} // namespace
} // namespace setuptest
