// Files the tool writes appear whole or not at all: the bytes go into a temporary file in the
// same folder, which is renamed over the destination only when everything was written.
#pragma once

#include <stdint.h>
#include <stdio.h>

#include <string>
#include <vector>

namespace vemo::cli {

// Reads a whole file; false with a one-line reason.
bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data, std::string* error);

class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile(); // an output not committed is removed
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates the temporary file beside `path`; false with a one-line reason.
    bool Open(const std::string& path, std::string* error);
    FILE* Stream() { return stream; }
    // Flushes, closes and renames it into place; false with a one-line reason (nothing is left).
    bool Commit(std::string* error);
    // Removes the temporary file.
    void Discard();

private:
    std::string target;
    std::string temporary;
    FILE* stream = nullptr;
};

// Writes `bytes` to `path` through an OutputFile.
bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

} // namespace vemo::cli
