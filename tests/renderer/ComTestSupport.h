// Helpers of the Windows renderer tests: where the built VemoDoc.dll is, running regsvr32, and
// making renderer objects through COM.
#pragma once

#include <windows.h>

#include <stdlib.h>
#include <string>

#include "plugin/DocumentRenderer.h"

// The build folder as a Windows path (Wine maps the Unix root to drive Z:).
inline std::string WindowsPath(const char* unixPath) {
    std::string p = unixPath ? unixPath : "";
    if (!p.empty() && p[0] == '/') {
        p = "Z:" + p;
    }
    for (char& c : p) {
        if (c == '/') {
            c = '\\';
        }
    }
    return p;
}

// The folders come from the environment when it has them, else from the build.
inline const char* BuildFolder(const char* variable, const char* built) {
    const char* value = getenv(variable);
    return value != nullptr && value[0] != '\0' ? value : built;
}

inline std::string RendererDllPath() {
    return WindowsPath(BuildFolder("VEMO_BINARY_DIR", VEMO_TEST_BINARY_DIR)) +
           "\\renderer\\VemoDoc.dll";
}

inline std::string SourcePath(const char* relative) {
    std::string p = WindowsPath(BuildFolder("VEMO_SOURCE_DIR", VEMO_TEST_SOURCE_DIR)) + "\\";
    for (const char* c = relative; *c; ++c) {
        p += *c == '/' ? '\\' : *c;
    }
    return p;
}

// Runs "regsvr32 /s [/u] dll" and returns its exit code (~0u when it could not start).
inline DWORD RunRegsvr32(const std::string& dll, bool unregister) {
    std::string command = std::string("regsvr32.exe /s ") + (unregister ? "/u " : "") + "\"" +
                          dll + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return ~0u;
    }
    WaitForSingleObject(process.hProcess, 60000);
    DWORD code = ~0u;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return code;
}
