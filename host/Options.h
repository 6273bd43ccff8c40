// The stand-in's command line (docs/host.md).
#pragma once

#include <string>
#include <vector>

namespace vemohost {

enum class Teardown { DestroyFirst, WindowFirst };

struct HostOptions {
    std::string address;   // page or drawing to open first (path or address), may be empty
    std::string pluginDir; // empty: "plugins" beside the program, else the current folder
    std::string siteDir;   // empty: the folder of the first opened file
    bool list = false;
    bool help = false;
    long long chunkSize = 4096;
    long long paceMs = 0;
    bool modern = false; // a browser of today: newer records, registry discovery, origin query
    int tableMajor = 0;
    int tableMinor = 9;       // 27 with --modern unless --np-version says otherwise
    long long tableSize = -1; // -1: the full table of the chosen version
    bool lateWindow = false;
    Teardown teardown = Teardown::DestroyFirst;
    bool failGetUrl = false;
    bool failMemAlloc = false;
    int width = 640;
    int height = 480;
    int left = 0;
    int top = 0;
    std::string scriptFile;
    std::vector<std::string> steps; // --do
    std::string logFile;
    bool keepOpen = false;
};

// The version a --modern browser announces.
constexpr int kModernMinorVersion = 27;

// False with a message on a bad command line. args excludes the program name.
bool ParseOptions(const std::vector<std::string>& args, HostOptions& options, std::string& error);

// The usage text printed by --help and after a command-line error.
const char* UsageText();

} // namespace vemohost
