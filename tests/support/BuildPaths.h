// Where a test's source tree and build tree are, found when the test runs rather than compiled
// into it: the same test file then compiles to the same object in every clone, and the compiler
// cache serves a clean clone what another one compiled.
//
// The environment's VEMO_SOURCE_DIR and VEMO_BINARY_DIR come first (cmake/wine-run.sh sets them
// for every Windows test). Else, natively, the build tree is the nearest folder above the test
// program that holds CMakeCache.txt, and the source tree is the one that cache names.
// The paths are the build machine's (Unix) paths; WindowsPath turns one into Wine's name for it.
#pragma once

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>

#if !defined(_WIN32)
#include <unistd.h>
#endif

namespace buildpaths {

inline std::string FromEnvironment(const char* variable) {
    const char* value = getenv(variable);
    return value != nullptr ? value : "";
}

#if !defined(_WIN32)
// The folder of the running program.
inline std::string ProgramFolder() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path);
    std::string program = n > 0 && size_t(n) < sizeof path ? std::string(path, size_t(n)) : "";
    size_t slash = program.rfind('/');
    return slash == std::string::npos ? "" : program.substr(0, slash);
}

inline bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }
#endif

inline std::string BinaryDir() {
    std::string dir = FromEnvironment("VEMO_BINARY_DIR");
#if !defined(_WIN32)
    for (std::string d = ProgramFolder(); dir.empty() && !d.empty(); d = d.substr(0, d.rfind('/'))) {
        if (Exists(d + "/CMakeCache.txt")) {
            dir = d;
        }
    }
#endif
    return dir;
}

inline std::string SourceDir() {
    std::string dir = FromEnvironment("VEMO_SOURCE_DIR");
    if (dir.empty()) {
        const char key[] = "CMAKE_HOME_DIRECTORY:INTERNAL=";
        FILE* cache = fopen((BinaryDir() + "/CMakeCache.txt").c_str(), "r");
        char line[4096];
        while (cache != nullptr && dir.empty() && fgets(line, sizeof line, cache) != nullptr) {
            if (strncmp(line, key, sizeof key - 1) == 0) {
                dir = line + sizeof key - 1;
                dir.erase(dir.find_last_not_of("\r\n") + 1);
            }
        }
        if (cache != nullptr) {
            fclose(cache);
        }
    }
    return dir;
}

// Wine shows the root file system as drive Z:.
inline std::string WindowsPath(std::string path) {
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path;
}

// The plug-in library of this build ("x86_64") or of the shipped i686 build, which the win32
// preset makes in the same source tree (VEMO_WIN32_PLUGIN_DLL names another), as Wine names it.
inline std::string PluginDll(const std::string& architecture) {
    if (architecture == "i686") {
        std::string chosen = FromEnvironment("VEMO_WIN32_PLUGIN_DLL");
        return WindowsPath(!chosen.empty() ? chosen : SourceDir() + "/build/win32/plugin/NPVemoC.dll");
    }
    return WindowsPath(BinaryDir() + "/plugin/NPVemoC.dll");
}

} // namespace buildpaths
