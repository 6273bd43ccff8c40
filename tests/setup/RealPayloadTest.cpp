// The shipped installer of this build (the real plug-in and renderer component): a silent
// install, after which a program of its own creates the renderer through COM.
#include "SetupFixture.h"

namespace setuptest {
namespace {

const char kRendererClass[] = "{C12047E8-4832-410A-871F-0A452D817E51}";
const char kRendererInterface[] = "{ABEAB236-E1D5-4809-8158-912B98D80DA3}";

std::string RegisteredServer(const std::string& clsid) {
    std::string path = "CLSID\\" + clsid + "\\InprocServer32";
    char data[MAX_PATH + 1] = {};
    LONG size = MAX_PATH;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, path.c_str(), data, &size) != ERROR_SUCCESS) {
        return "";
    }
    return data;
}

class RealInstall : public SetupProgramTest {
protected:
    void SetUp() override {
        SetupProgramTest::SetUp();
        previousServer = RegisteredServer(kRendererClass);
    }
    void TearDown() override {
        SetupProgramTest::TearDown();
        // Whatever registered the renderer before (a test of the component, say) stays so.
        if (!previousServer.empty() && FileExists(previousServer)) {
            RunProgram("regsvr32 /s \"" + previousServer + "\"");
        }
    }
    static std::string Program() { return ModuleFolder() + "..\\..\\setup\\setup.exe"; }
    std::string previousServer;
};

TEST_F(RealInstall, RendererIsCreatedThroughComAfterASilentInstall) {
    ASSERT_TRUE(FileExists(Program())) << Program();
    WriteWholeFile(scratch + "NPVemo.dll", "an older plug-in");
    SetupRun run = RunSetup(Program(), "\"" + scratch + "\"");
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_TRUE(run.windows.empty());
    EXPECT_EQ(ReadWholeFile(scratch + "NPVemoC.dll"),
              ReadWholeFile(ModuleFolder() + "..\\..\\plugin\\NPVemoC.dll"));
    EXPECT_EQ(ReadWholeFile(InstalledRenderer()),
              ReadWholeFile(ModuleFolder() + "..\\..\\renderer\\VemoDoc.dll"));
    EXPECT_TRUE(lstrcmpiA(RegisteredServer(kRendererClass).c_str(), InstalledRenderer().c_str()) ==
                0)
        << RegisteredServer(kRendererClass);
    EXPECT_EQ(RunProgram("\"" + ComProbe() + "\" " + kRendererClass + " " + kRendererInterface),
              0u);
    EXPECT_EQ(ReadWholeFile(scratch + "NPVemo.dlx"), "an older plug-in");
    EXPECT_FALSE(FileExists(scratch + "NPVemo.dll"));
    ExpectNoTemporaryFiles();
}

} // namespace
} // namespace setuptest
