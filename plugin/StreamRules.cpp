#include "plugin/StreamRules.h"

#include "plugin/StringIds.h"

#include <string.h>

StreamMode StreamModeOf(const void* streamData) {
    uintptr_t marker = reinterpret_cast<uintptr_t>(streamData);
    if (marker == kStreamSaveMarker) {
        return StreamMode::Save;
    }
    if (marker == kStreamDiscardMarker) {
        return StreamMode::Discard;
    }
    return StreamMode::Display;
}

int32_t IsRefusedFirstChunk(const uint8_t* data, int32_t length) {
    if (data == nullptr || length < kDrawingHeaderSize) {
        return 0;
    }
    return memcmp(data, kDrawingHeader, kDrawingHeaderSize) != 0 ? 1 : 0;
}

int32_t ChunkLength(int32_t offered) {
    if (offered < 0) {
        return 0;
    }
    return offered > kChunkLimit ? kChunkLimit : offered;
}

uint32_t MessageForLoadFailure(uint32_t result) {
    switch (result) {
    case kLoadCorruptFile:
        return 0;
    case kLoadOutOfMemory:
        return kStringOutOfMemory;
    case kLoadIncompatibleVersion:
        return kStringIncompatibleVersion;
    default:
        return kStringInternalError;
    }
}

namespace {

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool EqualsIgnoringCase(const char* a, const char* b) {
    for (;; ++a, ++b) {
        if (LowerAscii(*a) != LowerAscii(*b)) {
            return false;
        }
        if (*a == '\0') {
            return true;
        }
    }
}

bool IsUsableBase(const char* value) {
    size_t length = strnlen(value, kBaseLimit + 1);
    return length >= 1 && length <= kBaseLimit;
}

EmbedAttributes ReadEmbedAttributes(int32_t count, const char* const* names,
                                    const char* const* values) {
    EmbedAttributes attributes;
    if (names == nullptr || values == nullptr) {
        return attributes;
    }
    for (int32_t i = 0; i < count; ++i) {
        const char* name = names[i];
        const char* value = values[i];
        if (name == nullptr || value == nullptr) {
            continue;
        }
        if (EqualsIgnoringCase(name, "viewport")) {
            attributes.viewport = value;
        }
        if (EqualsIgnoringCase(name, "zoompan") && EqualsIgnoringCase(value, "false")) {
            attributes.zoomPanAllowed = 0;
        }
        if (EqualsIgnoringCase(name, "fileaccess") && EqualsIgnoringCase(value, "false")) {
            attributes.fileAccessAllowed = 0;
        }
        if (EqualsIgnoringCase(name, "base") && IsUsableBase(value)) {
            attributes.base = value;
        }
        if (EqualsIgnoringCase(name, "scriptlinks")) {
            attributes.scriptLinksAllowed = EqualsIgnoringCase(value, "true") ? 1 : 0;
        }
    }
    return attributes;
}
