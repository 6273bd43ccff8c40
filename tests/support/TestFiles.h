// Files and programs for tests that run under Wine: build paths (Unix paths from CMake or the
// environment) as Windows paths, whole-file reads and writes, and running a program to its end.
#pragma once

#include <windows.h>

#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "support/BuildPaths.h"

namespace testfiles {

using buildpaths::WindowsPath;

// A path below the folder that an environment variable names (VEMO_SOURCE_DIR,
// VEMO_BINARY_DIR), as a Windows path.
inline std::string PathFromEnv(const char* variable, const std::string& relative) {
    return WindowsPath(buildpaths::FromEnvironment(variable) + "/" + relative);
}

inline bool ReadBytes(const std::string& path, std::vector<uint8_t>& data) {
    data.clear();
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        return false;
    }
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        data.insert(data.end(), buffer, buffer + n);
    }
    fclose(f);
    return true;
}

// The whole file as text; empty when it cannot be read.
inline std::string ReadText(const std::string& path) {
    std::vector<uint8_t> data;
    ReadBytes(path, data);
    return std::string(data.begin(), data.end());
}

inline bool WriteBytes(const std::string& path, const std::string& bytes) {
    FILE* f = fopen(path.c_str(), "wb");
    if (f == nullptr) {
        return false;
    }
    bool written = fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return fclose(f) == 0 && written;
}

// The lines of a text, without their line ends (LF or CR LF).
inline std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end;
        size_t stop = end > start && text[end - 1] == '\r' ? end - 1 : end;
        lines.push_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

// Removes a folder with everything in it; nothing happens when it is not there.
inline void RemoveTree(const std::string& folder) {
    std::string base = folder;
    if (base.empty()) {
        return;
    }
    if (base.back() != '\\') {
        base += '\\';
    }
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((base + "*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") {
                continue;
            }
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(base + name);
            } else {
                SetFileAttributesA((base + name).c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA((base + name).c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(base.c_str());
}

// Runs a command line in `folder` (the current one when empty) and waits for it: its exit
// code, or ~0u when it could not start or did not end in time (it is then terminated). With
// quiet set, its standard output and error go nowhere.
inline DWORD RunProgram(std::string command, DWORD timeoutMs = 120000,
                        const std::string& folder = std::string(), bool quiet = false) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    HANDLE nothing = INVALID_HANDLE_VALUE;
    if (quiet) {
        SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
        nothing = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
        startup.hStdOutput = nothing;
        startup.hStdError = nothing;
    }
    PROCESS_INFORMATION process{};
    BOOL started =
        CreateProcessA(nullptr, &command[0], nullptr, nullptr, quiet ? TRUE : FALSE, 0, nullptr,
                       folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    if (nothing != INVALID_HANDLE_VALUE) {
        CloseHandle(nothing);
    }
    if (!started) {
        return ~0u;
    }
    DWORD code = ~0u;
    if (WaitForSingleObject(process.hProcess, timeoutMs) == WAIT_OBJECT_0) {
        GetExitCodeProcess(process.hProcess, &code);
    } else {
        TerminateProcess(process.hProcess, 99);
        WaitForSingleObject(process.hProcess, 5000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}

} // namespace testfiles
