// The plug-in folder is read as browsers read it: np*.dll files with a complete version block.
#include <gtest/gtest.h>

#include "HostProcess.h"

using namespace hosttest;

namespace {

TEST(Discovery, ListsTheGoodLibrariesAndRejectsTheOthersWithTheirReason) {
    std::string folder = FreshFolder("discovery");
    HostRun run = RunHost({"--list"}, folder);
    ASSERT_EQ(run.exitCode, 0) << run.Text();
    auto quoted = [](std::string text) { // the log doubles backslashes
        std::string out;
        for (char c : text) {
            out += c == '\\' ? std::string("\\\\") : std::string(1, c);
        }
        return out;
    };
    const std::string prefix = quoted(PluginFolder()) + "\\\\";
    struct Case {
        const char* file;
        const char* verdict; // "accepted" or the reason
    } cases[] = {
        {"nphtest.dll", "accepted"},
        {"NPUPPER.dll", "accepted"},
        {"np.dll", "name is not np*.dll of 7 or more characters"},
        {"xxhtest.dll", "name is not np*.dll of 7 or more characters"},
        {"npnomime.dll", "no MIMEType"},
        {"npnoprod.dll", "no ProductName"},
        {"npnodesc.dll", "no FileDescription"},
        {"npuneven.dll", "FileExtents has 1 entries, MIMEType 2"},
    };
    for (const Case& c : cases) {
        std::string path = "\"" + prefix + c.file + "\"";
        if (std::string(c.verdict) == "accepted") {
            EXPECT_TRUE(run.Has("plugin " + path + " ")) << c.file << "\n" << run.Text();
        } else {
            EXPECT_TRUE(run.Has("plugin-rejected " + path + " why=\"" + c.verdict + "\""))
                << c.file << "\n"
                << run.Text();
        }
    }
    EXPECT_EQ(run.Count("plugin \""), 2) << run.Text();
    EXPECT_FALSE(run.Has("browser ")) << "--list opens no window";
}

TEST(Discovery, PairsTypesWithTheirExtensionsAndDescriptions) {
    HostRun run = RunHost({"--list"}, FreshFolder("discovery-types"));
    ASSERT_EQ(run.exitCode, 0) << run.Text();
    EXPECT_TRUE(run.Has("plugin-type \"application/x-hosttest\" extensions=\"hts\" "
                        "description=\"Host test (*.hts)\""))
        << run.Text();
    EXPECT_TRUE(run.Has("plugin-type \"application/x-hosttest2\" extensions=\"ht2,hx2\" "
                        "description=\"Host test 2 (*.ht2)\""))
        << run.Text();
}

TEST(Discovery, AnEmptyFolderListsNothing) {
    std::string folder = FreshFolder("discovery-empty");
    HostRun run = RunHost({"--plugins", folder, "--list"}, folder);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.Count("plugin"), 0) << run.Text();
}

} // namespace
