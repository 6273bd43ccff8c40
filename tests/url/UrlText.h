// Texts of the address tests: a buffer's characters as a std::string (null and "" alike).
#pragma once

#include <string>

#include "plugin/TextBuffer.h"

inline std::string Str(const TextBuffer& b) {
    return b.text != nullptr ? std::string(b.text, static_cast<size_t>(b.length)) : std::string();
}
