#include "warnings/WarningRules.h"

#include <string.h>

#include "plugin/StringIds.h"

namespace {

const WarningKind kNotUnderstood = {kStringObjectsNotUnderstood, "TagUnknown"};
const WarningKind kNotSupported = {kStringObjectsNotSupported, "TagToBeSupported"};

// Appends up to count characters of source to out[*used], never past the last byte before the
// terminating zero.
void AppendBounded(char* out, size_t* used, const char* source, size_t count) {
    size_t free = kWarningTextCapacity - 1 - *used;
    if (count > free) {
        count = free;
    }
    memcpy(out + *used, source, count);
    *used += count;
    out[*used] = '\0';
}

size_t LengthOf(const char* text) {
    return text != nullptr ? strlen(text) : 0;
}

} // namespace

const WarningKind* ChooseWarningKind(uint32_t flags) {
    if ((flags & kWarnFlagUnknown) != 0) {
        return &kNotUnderstood;
    }
    if ((flags & kWarnFlagUnsupported) != 0) {
        return &kNotSupported;
    }
    return nullptr;
}

bool IsWarningSilenced(uint64_t stored, uint64_t now) {
    // now - stored cannot wrap once stored < now, unlike stored + period near the top of the
    // range.
    return stored != 0 && stored < now && now - stored < kSilencePeriod;
}

uint64_t StoredTimeFromValue(bool queryOk, uint32_t type, const uint8_t* data, uint32_t size) {
    if (!queryOk || type != kRegBinaryType || data == nullptr || size < 8) {
        return 0;
    }
    uint64_t time = 0;
    for (int i = 7; i >= 0; --i) {
        time = (time << 8) | data[i];
    }
    return time;
}

void EncodeStoredTime(uint64_t time, uint8_t bytes[8]) {
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<uint8_t>(time >> (8 * i));
    }
}

int32_t WarningResultForCommand(int id, bool checked) {
    if (id != kWarningIgnoreId && id != kWarningGoToId) {
        return -1;
    }
    return (id == kWarningGoToId ? kWarningResultGoTo : 0) | (checked ? kWarningResultSilence : 0);
}

int32_t NormaliseWarningResult(intptr_t dialogResult) {
    if (dialogResult < 0) {
        return 0;
    }
    return static_cast<int32_t>(dialogResult & (kWarningResultGoTo | kWarningResultSilence));
}

const char* DocumentNameOf(const char* streamUrl) {
    if (streamUrl == nullptr) {
        return "";
    }
    const char* slash = strrchr(streamUrl, '/');
    return slash != nullptr ? slash + 1 : streamUrl;
}

size_t BuildWarningText(char* out, const char* prefix, const char* name, const char* kindText,
                        const char* suffix) {
    const size_t limit = kWarningTextCapacity - 1;
    size_t fixed = LengthOf(prefix) + LengthOf(kindText) + LengthOf(suffix);
    size_t room = fixed < limit ? limit - fixed : 0;
    size_t nameLength = LengthOf(name);

    size_t used = 0;
    out[0] = '\0';
    AppendBounded(out, &used, prefix != nullptr ? prefix : "", LengthOf(prefix));
    if (nameLength <= room) {
        AppendBounded(out, &used, name != nullptr ? name : "", nameLength);
    } else if (room >= 5) {
        // Start and end (the extension) identify a file best.
        size_t head = (room - 3) / 2;
        size_t tail = room - 3 - head;
        AppendBounded(out, &used, name, head);
        AppendBounded(out, &used, "...", 3);
        AppendBounded(out, &used, name + nameLength - tail, tail);
    } else {
        AppendBounded(out, &used, name, room);
    }
    AppendBounded(out, &used, kindText != nullptr ? kindText : "", LengthOf(kindText));
    AppendBounded(out, &used, suffix != nullptr ? suffix : "", LengthOf(suffix));
    return used;
}
