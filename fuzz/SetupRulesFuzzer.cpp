// The installer's text rules on arbitrary bytes: command lines, registry data and folders.
// Every result fits its buffer, is terminated, and a refused result is empty.
#include <stddef.h>
#include <stdint.h>
#include <string.h>

#include <string>

#include "setup/SetupRules.h"

namespace {

void CheckResult(int32_t ok, const char* buffer, int32_t capacity) {
    size_t length = strnlen(buffer, static_cast<size_t>(capacity));
    if (length >= static_cast<size_t>(capacity) || (!ok && length != 0)) {
        __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    // The first byte picks a capacity; the rest is the text.
    int32_t capacity = 1 + data[0] * 3;
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const char* input = text.c_str(); // stops at the first zero, as the system's texts do
    char* out = new char[capacity + 1];
    out[capacity] = 'G';

    const char* folder = setup::SkipProgramName(input);
    if (folder < input || folder > input + strlen(input)) {
        __builtin_trap();
    }
    CheckResult(setup::MakeCommandLineDestination(folder, out, capacity), out, capacity);
    CheckResult(setup::PluginFolderFromServerValue(input, out, capacity), out, capacity);
    CheckResult(setup::MakeRegisterCommand(input, out, capacity), out, capacity);
    CheckResult(setup::MakeExtractCommand(input, out, capacity), out, capacity);
    CheckResult(setup::JoinText(out, capacity, input, folder), out, capacity);
    if (out[capacity] != 'G') {
        __builtin_trap();
    }

    // Registry data: the text's bytes as read, in a buffer of the capacity.
    char* value = new char[capacity];
    uint32_t read = static_cast<uint32_t>(text.size() < size_t(capacity) ? text.size() : capacity);
    memcpy(value, text.data(), read);
    if (setup::AcceptRegistryText(1, value, read, static_cast<uint32_t>(capacity)) &&
        memchr(value, '\0', static_cast<size_t>(capacity)) == nullptr) {
        __builtin_trap();
    }
    delete[] value;
    delete[] out;
    return 0;
}
