#include "authoring/cli/OutputFile.h"

#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vemo::cli {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>* data, std::string* error) {
    data->clear();
    FILE* f = fopen(path.c_str(), "rb");
    if (f == nullptr) {
        *error = "cannot read " + path + ": " + strerror(errno);
        return false;
    }
    struct stat st;
    if (fstat(fileno(f), &st) == 0 && S_ISDIR(st.st_mode)) {
        fclose(f);
        *error = "cannot read " + path + ": it is a folder";
        return false;
    }
    uint8_t buffer[65536];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, f)) > 0) {
        data->insert(data->end(), buffer, buffer + n);
    }
    bool failed = ferror(f) != 0;
    int readErrno = errno;
    fclose(f);
    if (failed) {
        *error = "cannot read " + path + ": " + strerror(readErrno);
        return false;
    }
    return true;
}

OutputFile::~OutputFile() { Discard(); }

bool OutputFile::Open(const std::string& path, std::string* error) {
    Discard();
    target = path;
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) {
        *error = "cannot write " + path + ": no file name";
        return false;
    }
    struct stat st;
    if (stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) {
        *error = "cannot write " + path + ": it is a folder";
        return false;
    }
    std::string pattern = folder + "." + name + ".XXXXXX";
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    int fd = mkstemp(buffer.data());
    if (fd < 0) {
        *error = "cannot write " + path + ": " + strerror(errno);
        return false;
    }
    // mkstemp makes the file private; give it the permissions a new file normally has.
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    temporary = buffer.data();
    stream = fdopen(fd, "wb");
    if (stream == nullptr) {
        *error = "cannot write " + path + ": " + strerror(errno);
        close(fd);
        Discard();
        return false;
    }
    return true;
}

bool OutputFile::Commit(std::string* error) {
    if (stream == nullptr) {
        *error = "cannot write " + target + ": not open";
        return false;
    }
    bool failed = fflush(stream) != 0 || ferror(stream) != 0;
    int writeErrno = errno;
    failed = (fclose(stream) != 0) || failed;
    stream = nullptr;
    if (failed) {
        *error = "cannot write " + target + ": " + strerror(writeErrno ? writeErrno : EIO);
        Discard();
        return false;
    }
    if (rename(temporary.c_str(), target.c_str()) != 0) {
        *error = "cannot write " + target + ": " + strerror(errno);
        Discard();
        return false;
    }
    temporary.clear();
    return true;
}

void OutputFile::Discard() {
    if (stream != nullptr) {
        fclose(stream);
        stream = nullptr;
    }
    if (!temporary.empty()) {
        unlink(temporary.c_str());
        temporary.clear();
    }
}

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error) {
    OutputFile out;
    if (!out.Open(path, error)) {
        return false;
    }
    if (!bytes.empty() && fwrite(bytes.data(), 1, bytes.size(), out.Stream()) != bytes.size()) {
        *error = "cannot write " + path + ": " + strerror(errno);
        return false;
    }
    return out.Commit(error);
}

} // namespace vemo::cli
