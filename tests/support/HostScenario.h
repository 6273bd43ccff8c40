// Runs the browser stand-in (vemohost.exe) on a page that embeds one drawing, with the built
// plug-in in a plug-in folder of its own and the real renderer registered, and reads its log.
// The test program defines VEMO_PLUGIN_DLL, VEMO_RENDERER_DLL and VEMO_HOST_EXE.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <sstream>
#include <string>
#include <vector>

#include "support/TestFiles.h"

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

class HostScenarioTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        registered =
            Run("regsvr32.exe /s \"" + testfiles::WindowsPath(VEMO_RENDERER_DLL) + "\"", "") == 0;
    }
    static void TearDownTestSuite() {
        Run("regsvr32.exe /s /u \"" + testfiles::WindowsPath(VEMO_RENDERER_DLL) + "\"", "");
    }

    void SetUp() override {
        ASSERT_TRUE(registered) << "regsvr32 could not register " << VEMO_RENDERER_DLL;
        char temp[MAX_PATH] = {};
        GetTempPathA(MAX_PATH, temp);
        folder = std::string(temp) + "vemo-dialogs-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name();
        Run("cmd.exe /c rmdir /s /q \"" + folder + "\"", "");
        CreateDirectoryA(folder.c_str(), nullptr);
        CreateDirectoryA((folder + "\\plugins").c_str(), nullptr);
        ASSERT_TRUE(CopyFileA(testfiles::WindowsPath(VEMO_PLUGIN_DLL).c_str(),
                              (folder + "\\plugins\\NPVemoC.dll").c_str(), FALSE));
    }

    // Writes drawing as `name` and a page embedding it, then runs the stand-in with steps
    // after opening the page. Steps quote texts as scenarios do; a path without blanks needs no
    // quotes (backslashes outside quotes are plain). `options` go to the stand-in's command line
    // (--modern, for example).
    HostLog Show(const std::string& drawing, const std::string& name,
                 const std::vector<std::string>& steps, const std::string& options = "") {
        testfiles::WriteBytes(folder + "\\" + name, drawing);
        testfiles::WriteBytes(folder + "\\page.html", "<html><title>dialogs</title><body>"
                                                      "<embed src=\"" +
                                                          name +
                                                          "\" width=\"240\" height=\"180\">"
                                                          "</body></html>");
        std::vector<std::string> all = {"open page.html"};
        all.insert(all.end(), steps.begin(), steps.end());
        return RunSteps(all, options);
    }

    // Runs the stand-in in the test's folder with the plug-in folder, `options` and the steps.
    HostLog RunSteps(const std::vector<std::string>& steps, const std::string& options = "") {
        std::string command = "\"" + testfiles::WindowsPath(VEMO_HOST_EXE) + "\" --plugins \"" +
                              folder + "\\plugins\" --log \"" + folder + "\\log.txt\" " + options;
        for (const std::string& step : steps) {
            // Quotes inside a step are escaped for the command line.
            std::string quoted;
            for (char c : step) {
                quoted += c == '"' ? std::string("\\\"") : std::string(1, c);
            }
            command += " --do \"" + quoted + "\"";
        }
        HostLog log;
        log.exitCode = Run(command, folder);
        std::istringstream text(testfiles::ReadText(folder + "\\log.txt"));
        std::string line;
        while (std::getline(text, line)) {
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            log.lines.push_back(line);
        }
        return log;
    }

    // A file of the test's folder.
    std::string In(const std::string& name) const { return folder + "\\" + name; }

    static std::string Example(const char* name) {
        return testfiles::ReadText(testfiles::PathFromEnv("VEMO_SOURCE_DIR", "examples/") + name);
    }

    std::string folder;

private:
    static DWORD Run(const std::string& command, const std::string& where) {
        return testfiles::RunProgram(command, 120000, where, true);
    }
    static inline bool registered = false;
};
