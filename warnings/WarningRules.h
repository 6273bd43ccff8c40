// The rules of the drawing warning that need no window: which kind of warning a renderer's
// end-of-data flags raise, whether the user's silencing of that kind still holds, how a stored
// registry value is read, the dialog's answer, and the message text.
#pragma once

#include <stddef.h>
#include <stdint.h>

// End-of-data flags of the renderer that ask for a warning.
constexpr uint32_t kWarnFlagUnsupported = 1; // version 1.5 objects not yet supported
constexpr uint32_t kWarnFlagUnknown = 2;     // objects not understood

// 24 hours in FILETIME units (100 ns).
constexpr uint64_t kSilencePeriod = 864000000000ull;

// Registry value type of a stored time, and the most bytes read of such a value.
constexpr uint32_t kRegBinaryType = 3;
constexpr uint32_t kStoredTimeReadSize = 16;

// The message buffer: 255 characters and the terminating zero.
constexpr size_t kWarningTextCapacity = 256;

// Controls of the warning dialog and the bits of its result.
constexpr int kWarningCheckId = 1000;
constexpr int kWarningIgnoreId = 1001;
constexpr int kWarningGoToId = 1002;
constexpr int kWarningTextId = 1003;
constexpr int32_t kWarningResultGoTo = 1;
constexpr int32_t kWarningResultSilence = 2;

struct WarningKind {
    uint32_t textId;       // string id of the kind's text
    const char* valueName; // registry value holding the time it was silenced
};

// The kind the flags ask for (objects not understood wins over objects not supported), or
// null when neither flag is set.
const WarningKind* ChooseWarningKind(uint32_t flags);

// True when a warning silenced at stored is still silenced at now: strictly after stored and
// less than 24 hours later. 0 means never silenced; a stored time at or after now (the clock
// went back) does not silence.
bool IsWarningSilenced(uint64_t stored, uint64_t now);

// The stored time of a registry value: the first 8 bytes, low half first, of a REG_BINARY
// value of at least 8 bytes that was read successfully; 0 in every other case.
uint64_t StoredTimeFromValue(bool queryOk, uint32_t type, const uint8_t* data, uint32_t size);
// The 8 bytes written for a time.
void EncodeStoredTime(uint64_t time, uint8_t bytes[8]);

// The dialog's answer for a press of control id with the check box in state checked; -1 when
// the control does not end the dialog.
int32_t WarningResultForCommand(int id, bool checked);
// What the dialog's modal call returned, as a result: a dialog that could not be created
// (-1) counts as "Ignore" without silencing.
int32_t NormaliseWarningResult(intptr_t dialogResult);

// The name the warning shows for a drawing: the part of its address after the last '/', the
// whole address without one (a backslash is no separator); an empty name for no address.
const char* DocumentNameOf(const char* streamUrl);

// Assembles prefix, name, kindText and suffix into out (kWarningTextCapacity bytes, always
// zero-terminated). A name too long to fit keeps its start and end around "..."; fixed parts
// that alone overflow are cut at the end of the buffer. Returns the length written.
size_t BuildWarningText(char* out, const char* prefix, const char* name, const char* kindText,
                        const char* suffix);
