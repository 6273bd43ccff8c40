// Runs the browser stand-in (vemohost.exe) on a scenario and reads its log. Tests through the
// stand-in use the fixture in HostScenario.h; this part serves tests that set up the plug-in
// folder themselves (the installer's).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/TestFiles.h"

// The stand-in's log, one event a line.
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
    // The lines with a line feed after each, as the stand-in wrote them.
    std::string Text() const {
        std::string all;
        for (const std::string& line : lines) {
            all += line + "\n";
        }
        return all;
    }
};

// The value of "key=" in a log line ("" when absent).
inline std::string LogField(const std::string& line, const std::string& key) {
    size_t at = line.find(" " + key + "=");
    if (at == std::string::npos) {
        return "";
    }
    at += key.size() + 2;
    size_t end = line.find(' ', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// The result after "-> " in a call line ("" when absent).
inline std::string LogResult(const std::string& line) {
    size_t at = line.find("-> ");
    if (at == std::string::npos) {
        return "";
    }
    at += 3;
    size_t end = line.find(' ', at);
    return line.substr(at, end == std::string::npos ? std::string::npos : end - at);
}

// Runs the stand-in `host` with the plug-in folder `plugins` and the options on the steps,
// written as a scenario file into `folder`, where it runs and writes its log (log.txt); the log.
inline HostLog RunHost(const std::string& host, const std::string& plugins, std::string folder,
                       const std::vector<std::string>& steps, const std::string& options = "") {
    if (!folder.empty() && folder.back() == '\\') {
        folder.pop_back();
    }
    std::string script;
    for (const std::string& step : steps) {
        script += step + "\n";
    }
    std::string scenario = folder + "\\scenario.txt";
    std::string logFile = folder + "\\log.txt";
    HostLog log;
    DeleteFileA(logFile.c_str());
    if (!testfiles::WriteBytes(scenario, script)) {
        return log;
    }
    std::string command = "\"" + host + "\" --plugins \"" + plugins + "\" " + options +
                          " --script \"" + scenario + "\" --log \"" + logFile + "\"";
    log.exitCode = testfiles::RunProgram(command, 120000, folder, true);
    log.lines = testfiles::SplitLines(testfiles::ReadText(logFile));
    return log;
}
