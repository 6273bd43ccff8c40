// The stand-in's log: one line per event, to stdout (flushed at once) and optionally a file.
#pragma once

#include <string>

namespace vemohost {

bool OpenLogFile(const std::string& path);
void LogLine(const std::string& line);

} // namespace vemohost
