// After a silent install, the browser stand-in finds the plug-in in the installed folder and
// shows a drawing through the renderer component that the installer registered.
#include "SetupFixture.h"

#include "support/Captures.h"
#include "support/HostRun.h"

namespace setuptest {
namespace {

// Pixels that are not white.
long NonWhitePixels(const testfiles::Picture& picture) {
    long count = 0;
    for (size_t i = 0; i < picture.rgb.size(); i += 3) {
        count += picture.rgb[i] != 255 || picture.rgb[i + 1] != 255 || picture.rgb[i + 2] != 255;
    }
    return count;
}

using InstalledPlugin = SetupProgramTest;

TEST_F(InstalledPlugin, BrowserStandInShowsADrawingThroughIt) {
    std::string drawing = testfiles::WindowsPath(buildpaths::SourceDir() + "/examples/logo.vem");
    ASSERT_TRUE(FileExists(drawing)) << drawing;
    std::string host = ModuleFolder() + "..\\..\\host\\vemohost.exe";
    ASSERT_TRUE(FileExists(host)) << host;

    std::string plugins = scratch + "Browser Plugins";
    ASSERT_TRUE(CreateDirectoryA(plugins.c_str(), nullptr));
    SetupRun run = RunSetup(ModuleFolder() + "..\\..\\setup\\setup.exe", "\"" + plugins + "\"");
    ASSERT_EQ(run.exitCode, 0u);

    std::string shot = scratch + "drawing.bmp";
    HostLog log =
        RunHost(host, plugins, scratch,
                {"open \"" + drawing + "\"", "idle", "ticks 12", "capture \"" + shot + "\" in=1"});
    std::string lines = log.Text();
    EXPECT_EQ(log.exitCode, 0u) << lines;
    EXPECT_NE(lines.find("plugin \""), std::string::npos) << lines;
    EXPECT_NE(lines.find("Browser Plugins\\\\NPVemoC.dll"), std::string::npos) << lines;
    EXPECT_NE(lines.find("call NPP_New #1"), std::string::npos) << lines;
    EXPECT_EQ(lines.find("messagebox"), std::string::npos) << lines;

    testfiles::Picture picture;
    ASSERT_TRUE(testfiles::ReadBmp(shot, picture)) << "no capture";
    long total = long(picture.width) * picture.height;
    long drawn = NonWhitePixels(picture);
    EXPECT_GT(drawn, total / 50) << drawn << " of " << total << " pixels drawn";
}

} // namespace
} // namespace setuptest
