// Runs vemohost.exe as a child process and reads its log.
#pragma once

#include <string>
#include <vector>

#include "host/Bitmap.h"

namespace hosttest {

struct HostRun {
    int exitCode = -1;
    bool timedOut = false;
    std::vector<std::string> lines;

    // Index of the first line starting with `prefix` at or after `from`, or -1.
    int Find(const std::string& prefix, int from = 0) const;
    bool Has(const std::string& prefix) const { return Find(prefix) >= 0; }
    int Count(const std::string& prefix) const;
    std::string Text() const; // for failure messages
};

// Runs the stand-in with these arguments (the plug-in folder of the tests is added first) in
// `folder` as the current folder.
HostRun RunHost(const std::vector<std::string>& args, const std::string& folder,
                int timeoutMs = 90000);

// A fresh, empty folder for one test, below the build tree.
std::string FreshFolder(const std::string& name);
void WriteText(const std::string& path, const std::string& text);
std::string PatternData(size_t size, unsigned seed);
// The test plug-in's checksum over a stream's bytes.
std::string Checksum(const std::string& data);
bool ReadImage(const std::string& path, vemohost::Image& image);
std::string PluginFolder();

} // namespace hosttest
