#include "host/win/Log.h"

#include <cstdio>

namespace vemohost {

static FILE* g_logFile = nullptr;

bool OpenLogFile(const std::string& path) {
    g_logFile = std::fopen(path.c_str(), "wb");
    return g_logFile != nullptr;
}

void LogLine(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    if (g_logFile) {
        std::fwrite(line.data(), 1, line.size(), g_logFile);
        std::fputc('\n', g_logFile);
        std::fflush(g_logFile);
    }
}

} // namespace vemohost
