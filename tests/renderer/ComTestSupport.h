// Helpers of the Windows renderer tests: where the built VemoDoc.dll is, running regsvr32, and
// making renderer objects through COM.
#pragma once

#include <windows.h>

#include <stdlib.h>
#include <string>

#include "plugin/DocumentRenderer.h"
#include "support/BuildPaths.h"

using buildpaths::WindowsPath;

inline std::string RendererDllPath() {
    return WindowsPath(buildpaths::BinaryDir() + "/renderer/VemoDoc.dll");
}

inline std::string SourcePath(const char* relative) {
    return WindowsPath(buildpaths::SourceDir() + "/" + relative);
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
