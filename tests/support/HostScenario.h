// The end-to-end fixture: every test through the browser stand-in (vemohost.exe) derives from
// HostScenarioTest. The real renderer is registered with regsvr32 for the test program; each
// test gets a fresh folder of its own with a copy of the built plug-in in `plugins`, writes or
// copies its pages and drawings there, runs the stand-in on a scenario and reads its log and
// captures. Test programs are added with `vemo_add_gtest(... HOST)`, which builds the stand-in,
// the plug-in and the renderer first; they are found below VEMO_BINARY_DIR (cmake/wine-run.sh).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "support/Captures.h"
#include "support/HostRun.h"
#include "support/TestFiles.h"

class HostScenarioTest : public ::testing::Test {
protected:
    // A file of the build tree (VEMO_BINARY_DIR, set by cmake/wine-run.sh) as Wine names it.
    static std::string Built(const char* relative) {
        return testfiles::PathFromEnv("VEMO_BINARY_DIR", relative);
    }
    static std::string Renderer() { return Built("renderer/VemoDoc.dll"); }

    static void SetUpTestSuite() { registered = RegisterRenderer(true); }
    static void TearDownTestSuite() { RegisterRenderer(false); }

    void SetUp() override {
        ASSERT_TRUE(registered) << "regsvr32 could not register " << Renderer();
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(test->test_suite_name()) + "-" + test->name();
        for (char& c : name) {
            c = c == '/' ? '-' : c;
        }
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "vemo-e2e-" + name;
        testfiles::RemoveTree(folder);
        ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr)) << folder;
        ASSERT_TRUE(CreateDirectoryA(In("plugins").c_str(), nullptr));
        ASSERT_TRUE(CopyFileA(Built("plugin/NPVemoC.dll").c_str(),
                              In("plugins\\NPVemoC.dll").c_str(), FALSE));
    }

    // Registers (or unregisters) the renderer component as an installation does.
    static bool RegisterRenderer(bool on) {
        std::string command =
            std::string("regsvr32.exe /s ") + (on ? "" : "/u ") + "\"" + Renderer() + "\"";
        return testfiles::RunProgram(command, 60000, "", true) == 0;
    }

    // A path in the test's folder.
    std::string In(const std::string& name) const { return folder + "\\" + name; }
    // The step that opens a page or drawing of the test's folder.
    std::string Open(const std::string& name) const { return "open \"" + In(name) + "\""; }
    // The step that captures instance `instance`'s window into a file of the test's folder.
    std::string CaptureStep(const std::string& name, int instance = 1) const {
        return "capture \"" + In(name) + "\" in=" + std::to_string(instance);
    }

    // The bytes of an example of the source tree.
    static std::string Example(const std::string& name) {
        return testfiles::ReadText(testfiles::PathFromEnv("VEMO_SOURCE_DIR", "examples/" + name));
    }
    // Copies an example (subfolders as in examples/) into the test's folder.
    void CopyExample(const std::string& name) {
        size_t slash = name.rfind('\\');
        if (slash != std::string::npos) {
            CreateDirectoryA(In(name.substr(0, slash)).c_str(), nullptr);
        }
        std::string from = testfiles::PathFromEnv("VEMO_SOURCE_DIR", "examples/" + name);
        ASSERT_TRUE(CopyFileA(from.c_str(), In(name).c_str(), FALSE)) << from;
    }

    // Runs the stand-in in the test's folder on the steps (written as a scenario file) with the
    // given options; its log is kept in log.txt and returned.
    HostLog Run(const std::vector<std::string>& steps, const std::string& options = "") {
        return RunHost(Built("host/vemohost.exe"), In("plugins"), folder, steps, options);
    }

    // Writes the drawing as `name` and a page that embeds it at 240 x 180, opens the page and
    // runs the steps.
    HostLog Show(const std::string& drawing, const std::string& name,
                 const std::vector<std::string>& steps, const std::string& options = "") {
        testfiles::WriteBytes(In(name), drawing);
        testfiles::WriteBytes(In("page.html"), "<html><title>e2e</title><body><embed src=\"" +
                                                   name +
                                                   "\" width=\"240\" height=\"180\">"
                                                   "</body></html>");
        std::vector<std::string> all = {Open("page.html")};
        all.insert(all.end(), steps.begin(), steps.end());
        return Run(all, options);
    }

    // A capture the stand-in wrote into the test's folder.
    testfiles::Picture Capture(const std::string& name) const {
        testfiles::Picture picture;
        EXPECT_TRUE(testfiles::ReadBmp(In(name), picture)) << name;
        return picture;
    }

    std::string folder;
    static inline bool registered = false;
};
