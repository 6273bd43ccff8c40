#include "setup/SetupRules.h"

#include <string.h>

namespace setup {

namespace {

constexpr uint32_t kRegSz = 1;

int32_t Fail(char* destination, int32_t capacity) {
    if (destination != nullptr && capacity > 0) {
        destination[0] = '\0';
    }
    return 0;
}

// A bounded writer: appends pieces and remembers whether everything fitted.
struct TextWriter {
    char* out;
    int32_t capacity;
    int32_t used = 0;
    int32_t fits = 1;

    TextWriter(char* destination, int32_t size) : out(destination), capacity(size) {
        if (out == nullptr || capacity < 1) {
            fits = 0;
        }
    }

    void Put(const char* text, size_t count) {
        if (!fits) {
            return;
        }
        if (count >= static_cast<size_t>(capacity - used)) {
            fits = 0;
            return;
        }
        memcpy(out + used, text, count);
        used += static_cast<int32_t>(count);
    }
    void Put(const char* text) { Put(text, strlen(text)); }
    void Put(char c) { Put(&c, 1); }

    int32_t Finish() {
        if (!fits) {
            return Fail(out, capacity);
        }
        out[used] = '\0';
        return 1;
    }
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Narrows a text to its part without blanks at either end.
void TrimBlanks(const char** begin, size_t* length) {
    while (*length > 0 && IsBlank((*begin)[*length - 1])) {
        --*length;
    }
    while (*length > 0 && IsBlank(**begin)) {
        ++*begin;
        --*length;
    }
}

} // namespace

const char* SkipProgramName(const char* commandLine) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(commandLine);
    if (p == nullptr) {
        return "";
    }
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p > ' ') {
            ++p;
        }
    }
    while (*p != '\0' && *p <= ' ') {
        ++p;
    }
    return reinterpret_cast<const char*>(p);
}

int32_t MakeCommandLineDestination(const char* folderText, char* destination, int32_t capacity) {
    if (folderText == nullptr) {
        return Fail(destination, capacity);
    }
    const char* begin = folderText;
    size_t length = strlen(folderText);
    TrimBlanks(&begin, &length);
    if (length >= 2 && begin[0] == '"' && begin[length - 1] == '"') {
        ++begin;
        length -= 2;
        TrimBlanks(&begin, &length);
    }
    if (length == 0) {
        return Fail(destination, capacity);
    }
    TextWriter w(destination, capacity);
    w.Put(begin, length);
    if (begin[length - 1] != '\\') {
        w.Put('\\');
    }
    return w.Finish();
}

int32_t JoinText(char* destination, int32_t capacity, const char* first, const char* second) {
    TextWriter w(destination, capacity);
    w.Put(first != nullptr ? first : "");
    w.Put(second != nullptr ? second : "");
    return w.Finish();
}

int32_t AppendText(char* destination, int32_t capacity, const char* second) {
    if (destination == nullptr || capacity < 1) {
        return 0;
    }
    if (second == nullptr) {
        second = "";
    }
    size_t used = strnlen(destination, static_cast<size_t>(capacity));
    size_t extra = strlen(second);
    if (used >= static_cast<size_t>(capacity) || extra >= static_cast<size_t>(capacity) - used) {
        return 0;
    }
    memcpy(destination + used, second, extra);
    destination[used + extra] = '\0';
    return 1;
}

int32_t FolderTakesFileNames(const char* folder) {
    if (folder == nullptr) {
        return 0;
    }
    return strlen(folder) + kLongestFileName < static_cast<size_t>(kPathCapacity) ? 1 : 0;
}

int32_t AcceptRegistryText(uint32_t type, char* data, uint32_t size, uint32_t capacity) {
    if (type != kRegSz || data == nullptr || capacity == 0 || size > capacity) {
        return 0;
    }
    if (size > 0 && memchr(data, '\0', size) != nullptr) {
        return 1;
    }
    if (size == capacity) {
        return 0; // no room for the terminating zero
    }
    data[size] = '\0';
    return 1;
}

int32_t PluginFolderFromServerValue(const char* value, char* folder, int32_t capacity) {
    if (value == nullptr) {
        return Fail(folder, capacity);
    }
    const char* begin = value;
    size_t length = strlen(value);
    if (*begin == '"') {
        ++begin;
        const char* closing = strchr(begin, '"');
        length = closing != nullptr ? static_cast<size_t>(closing - begin) : strlen(begin);
    }
    size_t keep = 0; // characters before the last "\"
    for (size_t i = 0; i < length; ++i) {
        if (begin[i] == '\\') {
            keep = i;
        }
    }
    TextWriter w(folder, capacity);
    w.Put(begin, keep);
    w.Put("\\Plugins");
    return w.Finish();
}

int32_t MakeRegisterCommand(const char* rendererPath, char* command, int32_t capacity) {
    if (rendererPath == nullptr || rendererPath[0] == '\0' || strchr(rendererPath, '"')) {
        return Fail(command, capacity);
    }
    TextWriter w(command, capacity);
    w.Put("regsvr32 /s \"");
    w.Put(rendererPath);
    w.Put('"');
    return w.Finish();
}

int32_t MakeExtractCommand(const char* temporaryFolder, char* command, int32_t capacity) {
    size_t length = temporaryFolder != nullptr ? strlen(temporaryFolder) : 0;
    if (length == 0 || temporaryFolder[length - 1] != '\\') {
        return Fail(command, capacity);
    }
    TextWriter w(command, capacity);
    w.Put("COMMAND.COM /C EXTRACT /Y /E /L ");
    w.Put(temporaryFolder, length - 1);
    w.Put(' ');
    w.Put(temporaryFolder);
    w.Put(kCabinetName);
    return w.Finish();
}

} // namespace setup
